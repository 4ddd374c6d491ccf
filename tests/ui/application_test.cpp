#include "ui/application.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/streams.h"
#include "platform/platform.h"
#include "stream/writer.h"
#include "ui/headless/headless.h"
#include "ui/stdctrls.h"

namespace qs {
namespace {

// A headless backend whose surprises fail the test instead of ending the process.
struct Backend : THeadlessBackend {
  Backend() {
    onUnexpected = [this](const std::string& m) { surprises.push_back(m); };
  }
  std::vector<std::string> surprises;
};

TEST(Application, ErrorsEscapingHandlersGoToTheStandardErrorBox) {
  struct Case {
    std::string message, text;
  };
  const Case cases[] = {
      {"Impossible de cr\xE9"
       "er le fichier C:\\x\\ILIST.QSP",
       "Impossible de cr\xE9"
       "er le fichier C:\\x\\ILIST.QSP."},
      {"done.", "done."},
      {"ok!", "ok!"},
      {"", ""},
  };
  for (const Case& c : cases) {
    Backend ui;
    TApplication app(ui);
    app.SetTitle("Quillset Version 2.0");
    ui.ExpectBox(c.text, "Quillset Version 2.0", kMbOk | kMbIconError, kIdOk);
    app.Guard([&] { throw Exception(c.message); });
    EXPECT_EQ(ui.Unmet(), "");
    EXPECT_TRUE(ui.surprises.empty());
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].flags, 0x10u);
    EXPECT_EQ(ui.Boxes()[0].owner, 0u);
  }
}

TEST(Application, QuitRequestsEndTheLoop) {
  Backend ui;
  TApplication app(ui);
  std::string trace;
  ui.Post([&] { trace += "a"; });
  app.Terminate();
  ui.Post([&] { trace += "b"; });
  EXPECT_FALSE(app.Terminated());
  app.ProcessMessages();  // handles everything pending, the quit request included
  EXPECT_EQ(trace, "ab");
  EXPECT_TRUE(app.Terminated());

  Backend ui2;
  TApplication app2(ui2);
  ui2.Post([&] { trace += "c"; });
  ui2.Post([&] { app2.Terminate(); });
  ui2.Post([&] { trace += "d"; });
  app2.Run();  // stops at the quit request
  EXPECT_EQ(trace, "abcd");
  EXPECT_TRUE(app2.Terminated());
  ui2.Post([&] { trace += "e"; });
  EXPECT_EQ(ui2.Pending(), 1u);
}

TEST(Application, TitleAndIconReachTheBackend) {
  Backend ui;
  TApplication app(ui);
  EXPECT_EQ(&Application(), &app);
  app.SetTitle("Installation");
  EXPECT_EQ(ui.Title(), "Installation");
  TIcon icon;
  app.SetIcon(icon);
  EXPECT_EQ(ui.IconChanges(), 1);
}

TEST(Application, CurrentApplicationNests) {
  Backend ui;
  EXPECT_EQ(CurrentApplication(), nullptr);
  {
    TApplication outer(ui);
    {
      TApplication inner(ui);
      EXPECT_EQ(CurrentApplication(), &inner);
    }
    EXPECT_EQ(CurrentApplication(), &outer);
  }
  EXPECT_EQ(CurrentApplication(), nullptr);
  EXPECT_THROW(Application(), Exception);
}

// A form class with a published handler, read from its "resource".
class TTestForm : public TForm {
 public:
  explicit TTestForm(TComponent* owner) : TForm(owner) {}
  ~TTestForm() override {
    BeforeDestruction();
    DestroyComponents();
  }
  static const ClassInfo& StaticInfo() {
    static const ClassInfo info{
        "TTestForm",
        &TForm::StaticInfo(),
        {},
        [](TComponent* o) -> TComponent* { return new TTestForm(o); },
        {{"Label1", &TLabel::StaticInfo(),
          [](TComponent& r) -> TComponent*& { return static_cast<TTestForm&>(r).Label1.slot; }}},
        {{"FormCreate", [](TComponent& r, TPersistent*) { static_cast<TTestForm&>(r).FormCreate(); }},
         {"FormDestroy", [](TComponent& r, TPersistent*) { static_cast<TTestForm&>(r).FormDestroy(); }}}};
    return info;
  }
  const ClassInfo& Info() const override { return StaticInfo(); }
  void FormCreate() {
    ++created;
    if (failCreate) throw Exception("creation failed");
  }
  void FormDestroy() { ++*destroyed; }

  Published<TLabel> Label1;
  int created = 0;
  static inline bool failCreate = false;
  static inline int* destroyed = nullptr;
};

std::vector<std::uint8_t> TestFormStream() {
  TTestForm form(nullptr);
  form.SetCaption("From resource");
  form.OnCreate = {"FormCreate", [](TPersistent*) {}};
  form.OnDestroy = {"FormDestroy", [](TPersistent*) {}};
  auto* label = new TLabel(&form);
  label->SetName("Label1");
  label->SetParent(&form);
  label->SetCaption("hello");
  TMemoryStream s;
  WriteComponentStream(s, form);
  return s.Bytes();
}

TEST(Application, CreateFormReadsItsResourceThenRunsOnCreate) {
  const auto stream = TestFormStream();
  for (bool fail : {false, true}) {
    Backend ui;
    int destroyed = 0;
    TTestForm::destroyed = &destroyed;
    TTestForm::failCreate = fail;
    {
      TApplication app(ui);
      app.SetTitle("T");
      std::string asked;
      app.SetResourceFinder([&](std::string_view name) {
        asked = std::string(name);
        return stream;
      });
      if (fail) ui.ExpectBox("creation failed.", "T", kMbOk | kMbIconError, kIdOk);
      TTestForm* f = app.CreateForm<TTestForm>();
      EXPECT_EQ(asked, "TTESTFORM");
      EXPECT_EQ(app.MainForm(), f);
      EXPECT_EQ(f->Caption(), "From resource");
      ASSERT_TRUE(f->Label1);
      EXPECT_EQ(f->Label1->Caption(), "hello");
      EXPECT_EQ(f->created, 1);  // a failing OnCreate still leaves the form
      EXPECT_EQ(ui.Unmet(), "");
      app.Run();  // shows the main form; nothing queued
      ASSERT_EQ(ui.ShownForms().size(), 1u);
      EXPECT_TRUE(f->Visible());
    }
    EXPECT_EQ(destroyed, 1);  // OnDestroy ran once, when the application went
    EXPECT_TRUE(ui.surprises.empty());
  }
  TTestForm::failCreate = false;
}

TEST(HeadlessBackend, AFormsBoxesNameTheFormAsOwner) {
  Backend ui;
  TForm* form = reinterpret_cast<TForm*>(0x5678);
  ui.ExpectBox({"Text", std::nullopt, std::nullopt, THeadlessBackend::Handle(form), kIdOk, {}});
  EXPECT_EQ(ui.MessageBox(form, "Text", "T", kMbOk), kIdOk);
  EXPECT_TRUE(ui.surprises.empty());
}

TEST(HeadlessBackend, UnexpectedBoxEndsTheProcessByDefault) {
  EXPECT_DEATH(
      {
        THeadlessBackend ui;
        ui.MessageBox(nullptr, "surprise", "caption", 0);
      },
      "unexpected message box: text \"surprise\"");
}

}  // namespace
}  // namespace qs
