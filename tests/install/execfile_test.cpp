#include "install/execfile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "install/fixture.h"

namespace qs {
namespace {

using test::InstallHost;

struct Launcher {
  InstallHost h;
  TExecFile exec{nullptr};
  int fails = 0;
  TPersistent* failSender = nullptr;
  Launcher() {
    exec.UsePlatform(&h.platform);
    exec.OnFail = {"ExecFile1Fail", [this](TPersistent* s) {
                     ++fails;
                     failSender = s;
                   }};
  }
  RecordingProcesses& P() { return h.processes; }
};

TEST(ExecFile, FirstCommandLine) {
  const std::string a200(200, 'a'), p100(100, 'p'), c255 = "C:\\" + std::string(252, 'c');
  const std::string spaced = "C:\\Program Files\\My App\\setup.exe";
  const std::string longSpaced = "C:\\Program Files\\" + std::string(229, 'd') + ".exe";  // 250 characters
  struct Case {
    std::string commandLine, parameters;
    bool exists;  // the command line names an existing file
    std::string expected;
  };
  const Case cases[] = {
      {"C:\\app.exe", "", false, "C:\\app.exe "},  // the blank stays with empty parameters
      {"C:\\app.exe", "/s /v", false, "C:\\app.exe /s /v"},
      {"C:\\" + a200, p100, false, ("C:\\" + a200 + " " + p100).substr(0, 255)},
      {c255, "x", false, c255},  // the blank is cut too
      {"", "", false, " "},
      // An existing program path with blanks is quoted, so "C:\Program.exe" cannot run instead.
      {spaced, "", true, "\"" + spaced + "\" "},
      {spaced, "-q", true, "\"" + spaced + "\" -q"},
      // Blanks but no such file: a program with leading arguments, left as it is.
      {"C:\\tools\\run.exe -a -b", "x", false, "C:\\tools\\run.exe -a -b x"},
      {"\"C:\\Program Files\\a.exe\" -z", "", false, "\"C:\\Program Files\\a.exe\" -z "},
      // The cut counts the characters without the added quotes.
      {longSpaced, p100, true, "\"" + longSpaced + "\"" + (" " + p100).substr(0, 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commandLine + "|" + c.parameters);
    Launcher l;
    if (c.exists) l.h.Write(c.commandLine, "MZ");
    l.exec.CommandLine = c.commandLine;
    l.exec.Parameters = c.parameters;
    EXPECT_TRUE(l.exec.Execute());
    ASSERT_EQ(l.P().starts.size(), 1u);
    EXPECT_EQ(l.P().starts[0].commandLine, c.expected);
    EXPECT_TRUE(l.P().lookups.empty());
    EXPECT_EQ(l.fails, 0);
  }
}

TEST(ExecFile, PropertiesHoldAtMost255Characters) {
  TExecFile e(nullptr);
  e.CommandLine = std::string(300, 'x');
  EXPECT_EQ(e.CommandLine.size(), 255u);
  const PropInfo* p = TExecFile::StaticInfo().FindProp("parameters");
  ASSERT_NE(p, nullptr);
  PropValue v;
  v.s = std::string(256, 'y');
  p->set(e, v);
  EXPECT_EQ(e.Parameters.str(), std::string(255, 'y'));
}

TEST(ExecFile, StartupRecordAndCreationFlags) {
  struct Case {
    TPriorityClass priority;
    TWindowStyle window;
    std::uint32_t flags;
    std::uint16_t show;
  };
  const Case cases[] = {
      {pcNormal, wsNorm, 0x30, 1},    {pcIdle, wsMinimize, 0x50, 2},        {pcHigh, wsMaximize, 0x90, 3},
      {pcRealTime, wsHide, 0x110, 0}, {pcNormal, wsMinNoActivate, 0x30, 7}, {pcNormal, wsShowNoActivate, 0x30, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.window));
    Launcher l;
    l.exec.CommandLine = "C:\\app.exe";
    l.exec.Priority = c.priority;
    l.exec.WindowStyle = c.window;
    ASSERT_TRUE(l.exec.Execute());
    const auto& s = l.P().starts.at(0);
    EXPECT_EQ(s.creationFlags, c.flags);
    EXPECT_EQ(l.exec.PriorityClass(), c.flags & ~0x10u);
    EXPECT_EQ(s.startup.cb, 68u);
    EXPECT_EQ(s.startup.flags, 1u);
    EXPECT_EQ(s.startup.showWindow, c.show);
    StartupRecord expected;
    expected.cb = 68;
    expected.flags = 1;
    expected.showWindow = c.show;
    EXPECT_EQ(std::memcmp(&s.startup, &expected, sizeof expected), 0) << "every other field is zero";
  }
}

TEST(ExecFile, FailureAndAssociationFallback) {
  const std::string doc = "C:\\readme.txt", viewer = "C:\\viewer.exe";
  const std::string spacedDoc = "C:\\My Documents\\read me.txt", spacedViewer = "C:\\Program Files\\Viewer\\v.exe";
  using SR = RecordingProcesses::StartResult;
  struct Case {
    const char* name;
    bool associate;
    std::string commandLine, parameters;
    std::vector<SR> starts;
    bool registerAssociation;
    RecordingProcesses::Association association;
    bool result;
    std::vector<std::string> lines;  // command lines passed to the system
    std::uint32_t errorCode;         // when the result is false
    std::string associated;
  };
  const Case cases[] = {
      {"no association asked", false, doc, "", {{false, 193}}, true, {42, viewer, 0}, false, {doc + " "}, 193, ""},
      {"no association found", true, doc, "", {{false, 193}}, false, {}, false, {doc + " "}, 1155, ""},
      {"lookup fails", true, doc, "", {{false, 193}}, true, {2, "", 2}, false, {doc + " "}, 2, ""},
      {"associated program started",
       true,
       doc,
       "-p",
       {{false, 193}},
       true,
       {42, viewer, 0},
       true,
       {doc + " -p", viewer + " " + doc + " -p"},
       0,
       viewer},
      {"associated program fails",
       true,
       doc,
       "",
       {{false, 193}, {false, 5}},
       true,
       {42, viewer, 0},
       false,
       {doc + " ", viewer + " " + doc + " "},
       5,
       viewer},
      {"program path too long for 255",
       true,
       doc,
       "",
       {{false, 193}},
       true,
       {42, "C:\\" + std::string(253, 'v'), 0},
       false,
       {doc + " "},
       kErrorFilenameExcedRange,
       ""},
      {"paths with blanks quoted",
       true,
       spacedDoc,
       "/x",
       {{false, 193}},
       true,
       {42, spacedViewer, 0},
       true,
       {spacedDoc + " /x", "\"" + spacedViewer + "\" \"" + spacedDoc + "\" /x"},
       0,
       spacedViewer},
      {"first start works", true, viewer, "", {}, true, {42, viewer, 0}, true, {viewer + " "}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Launcher l;
    l.exec.Associate = c.associate;
    l.exec.CommandLine = c.commandLine;
    l.exec.Parameters = c.parameters;
    l.exec.ErrorCode = 77;
    for (const SR& s : c.starts) l.P().startResults.push_back(s);
    if (c.registerAssociation) l.P().associations[c.commandLine] = c.association;

    EXPECT_EQ(l.exec.Execute(), c.result);
    std::vector<std::string> lines;
    for (const auto& s : l.P().starts) lines.push_back(s.commandLine);
    EXPECT_EQ(lines, c.lines);
    // The lookup is asked only after a failed first start, and only with Associate.
    EXPECT_EQ(l.P().lookups.size(), c.associate && !c.starts.empty() ? 1u : 0u);
    if (!l.P().lookups.empty()) {
      EXPECT_EQ(l.P().lookups[0], c.commandLine) << "without the parameters";
    }
    EXPECT_EQ(l.fails, c.result ? 0 : 1);
    EXPECT_EQ(l.exec.ErrorCode, c.result ? 77u : c.errorCode);
    if (!c.result) {
      EXPECT_EQ(l.failSender, &l.exec);
    }
    if (c.associate && !c.starts.empty()) {
      EXPECT_EQ(l.exec.AssociatedProgram.str(), c.associated);
    }
    EXPECT_TRUE(l.P().OpenHandles().empty());
  }
}

TEST(ExecFile, AssociationLineIsNeverCut) {
  Launcher l;
  l.exec.Associate = true;
  l.exec.CommandLine = "C:\\" + std::string(252, 'd');
  l.exec.Parameters = std::string(255, 'p');
  const std::string program = "C:\\" + std::string(252, 'v');
  l.P().startResults.push_back({false, 2});
  l.P().associations[l.exec.CommandLine] = {42, program, 0};
  ASSERT_TRUE(l.exec.Execute());
  ASSERT_EQ(l.P().starts.size(), 2u);
  EXPECT_EQ(l.P().starts[0].commandLine.size(), 255u);
  EXPECT_EQ(l.P().starts[1].commandLine, program + " " + l.exec.CommandLine.str() + " " + l.exec.Parameters.str());
  EXPECT_EQ(l.P().starts[1].commandLine.size(), 767u);
}

TEST(ExecFile, NoFailHandlerIsFine) {
  Launcher l;
  l.exec.OnFail = {};
  l.P().startResults.push_back({false, 2});
  l.exec.CommandLine = "C:\\missing.exe";
  EXPECT_FALSE(l.exec.Execute());
  EXPECT_EQ(l.exec.ErrorCode, 2u);
}

TEST(ExecFile, WaitStyles) {
  Message m1{0x10, 0x0F, 0, 0}, m2{0x10, 0x200, 1, 2}, m3{0x20, 0x111, 3, 0}, quit{0, kWmQuit, 7, 0};
  struct Case {
    const char* name;
    bool wait;
    TWaitStyle style;
    std::vector<Message> queued, arriving;
    std::vector<std::uint32_t> dispatched;  // message numbers, in order
    bool ended;                             // the program has ended when Execute returns
    int halted;                             // exit code handed to the halt hook, -1: none
    int processMessages;                    // calls of the application's message handling
  };
  const Case cases[] = {
      {"no wait", false, wRegular, {m1}, {}, {}, false, -1, 0},
      {"suspend", true, wSuspend, {m1, m2}, {}, {}, true, -1, 0},
      {"regular, idle", true, wRegular, {}, {}, {}, true, -1, 1},
      {"regular dispatches", true, wRegular, {m1, m2}, {m3}, {0x0F, 0x200, 0x111}, true, -1, 1},
      {"regular, quit queued", true, wRegular, {m1, quit, m2}, {}, {0x0F}, false, 7, 0},
      {"regular, quit arrives", true, wRegular, {m1}, {m2, quit, m3}, {0x0F, 0x200}, false, 7, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Launcher l;
    int halted = -1, handled = 0;
    l.h.platform.halt = [&](std::uint32_t code) { halted = static_cast<int>(code); };
    l.h.platform.processMessages = [&] { ++handled; };
    l.exec.CommandLine = "C:\\app.exe";
    l.exec.Wait = c.wait;
    l.exec.WaitStyle = c.style;
    for (const Message& m : c.queued) l.P().queue.push_back(m);
    for (const Message& m : c.arriving) l.P().arriving.push_back(m);

    EXPECT_TRUE(l.exec.Execute());
    std::vector<std::uint32_t> dispatched;
    for (const Message& m : l.P().dispatched) dispatched.push_back(m.message);
    EXPECT_EQ(dispatched, c.dispatched);
    const Handle process = l.P().closed.size() == 2 ? l.P().closed[1] : 0;
    EXPECT_EQ(!l.P().Running(process), c.ended);
    EXPECT_EQ(halted, c.halted);
    EXPECT_EQ(handled, c.processMessages);
    // Thread and process handles are released before Execute returns, waited for or not.
    EXPECT_EQ(l.P().closed.size(), 2u);
    EXPECT_TRUE(l.P().OpenHandles().empty());
    EXPECT_EQ(l.exec.ProcessInfo().process, 0u);
    EXPECT_NE(l.exec.ProcessInfo().processId, 0u);
    if (!c.wait) {
      EXPECT_TRUE(l.P().waits.empty());
    }
    if (c.style == wSuspend && c.wait) {
      ASSERT_EQ(l.P().waits.size(), 1u);
      EXPECT_EQ(l.P().waits[0].timeoutMs, kInfinite);
      EXPECT_EQ(l.P().queue.size(), c.queued.size()) << "a suspended wait handles no messages";
    }
    if (c.style == wRegular && c.wait) {
      for (const auto& w : l.P().waits) EXPECT_EQ(w.timeoutMs, 0u) << "the regular wait only tests the process";
      // One blocking wait per arrival at most, plus the one in which the program ends: no polling.
      EXPECT_LE(l.P().messageWaits, static_cast<int>(c.arriving.size()) + 1);
      EXPECT_LE(l.P().waits.size(), c.arriving.size() + 2);
    }
  }
}

TEST(ExecFile, HandlerDuringRegularWaitMayExecuteAgain) {
  Launcher l;
  l.exec.CommandLine = "C:\\outer.exe";
  l.exec.Wait = true;
  l.P().arriving.push_back(Message{1, 0x111, 0, 0});
  TExecFile inner(nullptr);
  inner.UsePlatform(&l.h.platform);
  inner.CommandLine = "C:\\inner.exe";
  inner.Wait = true;
  inner.WaitStyle = wSuspend;
  Handle outer = 0;
  l.P().onDispatch = [&](const Message&) {
    outer = l.exec.ProcessInfo().process;
    EXPECT_TRUE(inner.Execute());
    // Reuse of the same component from the handler: its record is overwritten meanwhile.
    l.exec.Wait = false;
    EXPECT_TRUE(l.exec.Execute());
    l.exec.Wait = true;
  };
  EXPECT_TRUE(l.exec.Execute());
  ASSERT_EQ(l.P().starts.size(), 3u);
  EXPECT_FALSE(l.P().Running(outer)) << "the outer call waited for its own program";
  EXPECT_TRUE(l.P().OpenHandles().empty());
  for (const auto& w : l.P().waits) EXPECT_NE(w.process, 0u);
}

TEST(ExecFile, PublishedProperties) {
  const ClassInfo& info = TExecFile::StaticInfo();
  EXPECT_EQ(info.name, "TExecFile");
  RegisterInstallClasses();
  EXPECT_EQ(ClassRegistry::Find("texecfile"), &info);
  std::vector<std::string_view> names;
  for (const PropInfo& p : info.props) names.push_back(p.name);
  EXPECT_EQ(names, (std::vector<std::string_view>{"Associate", "CommandLine", "Parameters", "Priority", "Wait",
                                                  "WaitStyle", "WindowStyle", "OnFail"}));

  std::unique_ptr<TComponent> c(info.create(nullptr));
  auto& e = static_cast<TExecFile&>(*c);
  auto stored = [&](std::string_view n) {
    const PropInfo* p = info.FindProp(n);
    return !p->stored || p->stored(e);
  };
  // A new instance: the Booleans are always stored, nothing else.
  for (auto n : names) EXPECT_EQ(stored(n), n == "Associate" || n == "Wait") << n;

  struct Case {
    const char* prop;
    std::int64_t ordinal;
    bool storedAfter;
  };
  const Case cases[] = {{"Priority", 3, true},    {"Priority", 0, false},    {"WaitStyle", 1, true},
                        {"WindowStyle", 5, true}, {"WindowStyle", 0, false}, {"WindowStyle", 9, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.prop) + std::to_string(k.ordinal));
    const PropInfo* p = info.FindProp(k.prop);
    PropValue v;
    v.i = k.ordinal;
    p->set(e, v);
    EXPECT_EQ(stored(k.prop), k.storedAfter);
    if (k.ordinal < 6) {
      EXPECT_EQ(p->get(e).i, k.ordinal);
    }
  }
  EXPECT_EQ(e.WindowStyle, wsNorm) << "an ordinal outside the type is not taken";
  PropValue s;
  s.s = "C:\\a.exe";
  info.FindProp("CommandLine")->set(e, s);
  EXPECT_TRUE(stored("CommandLine"));
  EXPECT_EQ(info.FindProp("CommandLine")->get(e).s, "C:\\a.exe");
  PropValue ev;
  ev.event = {"Handler1", [](TPersistent*) {}};
  info.FindProp("OnFail")->set(e, ev);
  EXPECT_TRUE(stored("OnFail"));
  EXPECT_EQ(info.FindProp("OnFail")->get(e).event.name, "Handler1");
}

}  // namespace
}  // namespace qs
