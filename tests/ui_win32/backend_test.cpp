// The Win32 backend against real windows (run under Wine with a display): the windows made for
// the model's controls, model changes reaching them, and what a user does reaching the model.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ui/application.h"
#include "ui/notebook.h"
#include "ui/stdctrls.h"
#include "ui/treent.h"
#include "ui/win32/backend_win32.h"

namespace qs::win32 {
namespace {

std::string Text(HWND w) {
  char buf[1024] = {};
  GetWindowTextA(w, buf, sizeof buf);
  return buf;
}

std::string ClassOf(HWND w) {
  char buf[64] = {};
  GetClassNameA(w, buf, sizeof buf);
  return buf;
}

std::string NameOf(HWND w) {
  char buf[256] = {};
  auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(w, "QsName")));
  if (atom) GlobalGetAtomNameA(atom, buf, sizeof buf);
  return buf;
}

// A message box of this process shown while the test waits: answered by a helper thread, which
// records what it saw.
struct BoxAnswerer {
  std::atomic<bool> seen{false};
  std::string caption, text;
  HWND owner = nullptr;
  std::thread thread;
  explicit BoxAnswerer(int button) {
    thread = std::thread([this, button] {
      for (int i = 0; i < 200 && !seen; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        HWND box = FindWindowA("#32770", nullptr);
        DWORD pid = 0;
        if (!box || (GetWindowThreadProcessId(box, &pid), pid != GetCurrentProcessId())) continue;
        caption = Text(box);
        text = Text(GetDlgItem(box, 0xFFFF));
        owner = GetWindow(box, GW_OWNER);
        seen = true;
        PostMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
      }
    });
  }
  ~BoxAnswerer() { thread.join(); }
};

// A small form of every kind of control the wizard uses.
class BackendTest : public testing::Test {
 protected:
  BackendTest() : backend(GetModuleHandleA(nullptr)), app(backend) {
    form = app.CreateForm<TForm>();
    form->SetName("Form1");
    form->SetCaption("Test form");
    form->SetClientWidth(400);
    form->SetClientHeight(300);
    form->SetPosition(poScreenCenter);
    next = Add<TButton>(form, "BNext", 300, 260, 73, 25);
    next->SetCaption("N&ext >");
    next->SetDefault(true);
    next->OnClick = {"BNextClick", [this](TPersistent*) { ++nextClicks; }};
    other = Add<TButton>(form, "BOther", 220, 260, 73, 25);
    other->SetCaption("&Other");
    other->OnClick = {"OtherClick", [this](TPersistent*) { ++otherClicks; }};
    book = Add<TNotebook>(form, "Notebook1", 10, 10, 380, 240);
    for (const char* name : {"First", "Second"}) {
      auto* page = new TPage(book);
      page->SetCaption(name);
      page->SetParent(book);
    }
    book->SetPageIndex(0);
    label = Add<TLabel>(book->Page(0), "Label1", 5, 5, 50, 13);
    label->SetCaption("Hi");
    memo = Add<TMemo>(book->Page(0), "Memo1", 5, 30, 200, 80);
    memo->Lines().Assign(std::vector<std::string>{"one", "two"});
    tree = Add<TTreeNT>(book->Page(0), "Tree1", 5, 120, 200, 100);
    users = tree->Add("Users");
    users->SetCheckType(TCheckType::CheckBox);
    ann = tree->AddChild(users, "Ann");
    bob = tree->AddChild(users, "Bob");
    users->SetExpanded(true);
    dir = Add<TDirectoryEdit>(book->Page(1), "DirectoryEdit1", 5, 5, 250, 21);
    dir->SetText("C:\\Apps");
    bar = Add<TProgressBar>(book->Page(1), "ProgressBar1", 5, 40, 250, 16);
    box = Add<TCheckBox>(book->Page(1), "Check1", 5, 70, 100, 17);
    backend.ShowForm(*form);
    Pump();
  }

  template <class T>
  T* Add(TWinControl* parent, const char* name, int l, int t, int w, int h) {
    auto* c = new T(form);
    c->SetName(name);
    c->SetBounds(l, t, w, h);
    c->SetParent(parent);
    return c;
  }
  void Pump() {
    for (int i = 0; i < 3; ++i) {
      app.ProcessMessages();
      Sleep(10);
    }
  }
  HWND W(const TControl* c) { return backend.WindowOf(*c); }
  HTREEITEM Item(const std::string& text) {
    HWND t = W(tree);
    std::vector<HTREEITEM> todo{reinterpret_cast<HTREEITEM>(SendMessageA(t, TVM_GETNEXTITEM, TVGN_ROOT, 0))};
    while (!todo.empty()) {
      HTREEITEM h = todo.back();
      todo.pop_back();
      for (; h;
           h = reinterpret_cast<HTREEITEM>(SendMessageA(t, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(h)))) {
        char buf[256] = {};
        TVITEMA it{};
        it.mask = TVIF_TEXT | TVIF_HANDLE;
        it.hItem = h;
        it.pszText = buf;
        it.cchTextMax = sizeof buf;
        SendMessageA(t, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
        if (text == buf) return h;
        todo.push_back(
            reinterpret_cast<HTREEITEM>(SendMessageA(t, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(h))));
      }
    }
    return nullptr;
  }
  // The state image of an item: 0 none, 1 unchecked, 2 checked, 3 partly checked.
  int StateImage(const std::string& text) {
    TVITEMA it{};
    it.mask = TVIF_STATE | TVIF_HANDLE;
    it.hItem = Item(text);
    it.stateMask = TVIS_STATEIMAGEMASK;
    SendMessageA(W(tree), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    return static_cast<int>((it.state & TVIS_STATEIMAGEMASK) >> 12);
  }
  // Clicks an item's check box as the mouse does.
  void ClickBox(const std::string& text) {
    HWND t = W(tree);
    RECT r{};
    HTREEITEM item = Item(text);
    std::memcpy(&r, &item, sizeof item);  // TVM_GETITEMRECT takes the item in the rectangle
    ASSERT_TRUE(SendMessageA(t, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
    TVHITTESTINFO hit{};
    hit.pt = {r.left - 8, (r.top + r.bottom) / 2};
    SendMessageA(t, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    ASSERT_TRUE(hit.flags & TVHT_ONITEMSTATEICON) << text;
    SetCursorPos(0, 0);
    POINT screen = hit.pt;
    ClientToScreen(t, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageA(t, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    PostMessageA(t, WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    Pump();
  }

  TWin32Backend backend;
  TApplication app;
  TForm* form;
  TButton *next, *other;
  TNotebook* book;
  TLabel* label;
  TMemo* memo;
  TTreeNT* tree;
  TTreeNode *users, *ann, *bob;
  TDirectoryEdit* dir;
  TProgressBar* bar;
  TCheckBox* box;
  int nextClicks = 0, otherClicks = 0;
};

TEST_F(BackendTest, EveryControlGetsANamedWindowOfItsKind) {
  struct Case {
    const TControl* control;
    const char* cls;
    const char* text;
  } cases[] = {
      {next, "Button", "N&ext >"}, {label, "Static", "Hi"},        {memo, "Edit", "one\r\ntwo"},
      {tree, "SysTreeView32", ""}, {bar, "msctls_progress32", ""}, {box, "Button", ""},
      {book, "QsPanel", ""},       {form, "QsForm", "Test form"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control->Name());
    HWND w = W(c.control);
    ASSERT_NE(w, nullptr);
    EXPECT_STRCASEEQ(ClassOf(w).c_str(), c.cls);
    EXPECT_EQ(Text(w), c.text);
    EXPECT_EQ(NameOf(w), c.control->Name());
    if (c.control != form) {
      EXPECT_EQ(GetParent(w), W(c.control->Parent()));
    }
  }
  // The directory edit's name and text sit on its edit; the pages carry their captions.
  HWND edit = FindWindowExA(W(dir), nullptr, "Edit", nullptr);
  EXPECT_EQ(NameOf(edit), "DirectoryEdit1");
  EXPECT_EQ(Text(edit), "C:\\Apps");
  EXPECT_EQ(Text(W(book->Page(1))), "Second");
  RECT client;
  GetClientRect(W(form), &client);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 300);
}

TEST_F(BackendTest, ModelChangesReachTheWindows) {
  label->SetCaption("A much longer caption");
  EXPECT_EQ(Text(W(label)), "A much longer caption");
  RECT r;
  GetWindowRect(W(label), &r);
  EXPECT_GT(r.right - r.left, 50) << "an auto-sized label grows with its caption";
  next->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(W(next)));
  next->SetCaption("&Quit");
  EXPECT_EQ(Text(W(next)), "&Quit");
  memo->Lines().Add("three");
  EXPECT_EQ(Text(W(memo)), "one\r\ntwo\r\nthree");
  bar->SetRange(0, 2);
  bar->SetPosition(1);
  EXPECT_EQ(SendMessageA(W(bar), PBM_GETPOS, 0, 0), 1);
  EXPECT_EQ(SendMessageA(W(bar), PBM_GETRANGE, FALSE, 0), 2);
  box->SetChecked(true);
  EXPECT_EQ(SendMessageA(W(box), BM_GETCHECK, 0, 0), BST_CHECKED);
  label->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(W(label)));
  label->Font().SetName("Times New Roman");
  label->Font().SetHeight(-24);
  label->Font().SetStyle(SetOf(fsBold) | SetOf(fsItalic));
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(W(label), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -24);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfItalic);
  EXPECT_STREQ(lf.lfFaceName, "Times New Roman");
}

TEST_F(BackendTest, NotebookShowsOnlyItsCurrentPage) {
  struct Step {
    int index;
    bool first, second;
  } steps[] = {{0, true, false}, {1, false, true}, {5, false, true}, {0, true, false}};
  for (const Step& s : steps) {
    book->SetPageIndex(s.index);
    EXPECT_EQ(IsWindowVisible(W(book->Page(0))) != 0, s.first) << s.index;
    EXPECT_EQ(IsWindowVisible(W(book->Page(1))) != 0, s.second) << s.index;
  }
  EXPECT_TRUE(IsWindowVisible(W(tree)));
  EXPECT_FALSE(IsWindowVisible(W(bar)));
}

TEST_F(BackendTest, TreeCheckBoxesFollowTheModelBothWays) {
  EXPECT_EQ(StateImage("Users"), 0) << "a top-level node shows no box";
  EXPECT_EQ(StateImage("Ann"), 1);
  ann->SetCheckState(csChecked);
  EXPECT_EQ(StateImage("Ann"), 2);
  bob->SetCheckState(csPartly);
  EXPECT_EQ(StateImage("Bob"), 3);
  bob->SetCheckState(csUnchecked);

  ClickBox("Bob");  // the user checks Bob
  EXPECT_EQ(bob->CheckState(), csChecked);
  EXPECT_EQ(StateImage("Bob"), 2);
  ClickBox("Ann");  // and unchecks Ann
  EXPECT_EQ(ann->CheckState(), csUnchecked);

  // The space bar toggles the selected node; a disabled node keeps its state.
  SendMessageA(W(tree), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Item("Ann")));
  PostMessageA(W(tree), WM_KEYDOWN, VK_SPACE, 0);
  Pump();
  EXPECT_EQ(ann->CheckState(), csChecked);
  bob->SetEnabled(false);
  ClickBox("Bob");
  EXPECT_EQ(bob->CheckState(), csChecked);

  // Nodes added and removed in the model, and the whole tree cleared.
  tree->AddChild(users, "Cy");
  EXPECT_NE(Item("Cy"), nullptr);
  EXPECT_EQ(StateImage("Cy"), 1);
  tree->Delete(ann);
  EXPECT_EQ(Item("Ann"), nullptr);
  tree->Clear();
  EXPECT_EQ(SendMessageA(W(tree), TVM_GETCOUNT, 0, 0), 0);
}

TEST_F(BackendTest, ButtonsAndTheEnterKey) {
  PostMessageA(W(other), BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(otherClicks, 1);
  // Enter presses the default button unless the focused control takes it: a read-only memo does.
  struct Case {
    HWND target;
    int next, other;
  } cases[] = {{W(tree), 1, 0}, {W(memo), 0, 0}, {W(other), 0, 1}};
  for (const Case& c : cases) {
    nextClicks = otherClicks = 0;
    SetFocus(c.target);
    PostMessageA(c.target, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(c.target, WM_KEYUP, VK_RETURN, 0);
    Pump();
    EXPECT_EQ(nextClicks, c.next) << ClassOf(c.target);
    EXPECT_EQ(otherClicks, c.other) << ClassOf(c.target);
  }
  // An access key presses its button.
  otherClicks = 0;
  PostMessageA(W(tree), WM_SYSCHAR, 'o', 1u << 29);
  Pump();
  EXPECT_EQ(otherClicks, 1);
  // A disabled default button is not pressed.
  next->SetEnabled(false);
  nextClicks = 0;
  SetFocus(W(tree));
  PostMessageA(W(tree), WM_KEYDOWN, VK_RETURN, 0);
  Pump();
  EXPECT_EQ(nextClicks, 0);
}

TEST_F(BackendTest, LabelStylesFollowAlignmentAndWrapping) {
  struct Case {
    TAlignment alignment;
    bool wrap;
    DWORD style;
  } cases[] = {{taLeftJustify, false, SS_LEFTNOWORDWRAP},
               {taLeftJustify, true, SS_LEFT},
               {taCenter, true, SS_CENTER},
               {taRightJustify, false, SS_RIGHT}};
  for (const Case& c : cases) {
    label->SetAlignment(c.alignment);
    label->SetWordWrap(c.wrap);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(W(label), GWL_STYLE)) & SS_TYPEMASK, c.style)
        << c.alignment << c.wrap;
  }
}

TEST_F(BackendTest, FormFrameFollowsTheBorderStyle) {
  // A dialog has a close box and neither a minimise nor a maximise box.
  constexpr DWORD kBoxes = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  struct Case {
    TFormBorderStyle border;
    DWORD style, ex;  // of kBoxes | WS_CAPTION | WS_THICKFRAME | WS_POPUP, and WS_EX_DLGMODALFRAME
  } cases[] = {
      {bsDialog, WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME},
      {bsSingle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0},
      {bsSizeable, WS_CAPTION | kBoxes | WS_THICKFRAME, 0},
      {bsNone, WS_POPUP, 0},
  };
  for (const Case& c : cases) {
    TForm shown(nullptr);
    shown.SetBorderStyle(c.border);
    backend.ShowForm(shown);
    HWND w = W(&shown);
    ASSERT_NE(w, nullptr);
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(w, GWL_STYLE));
    const auto ex = static_cast<DWORD>(GetWindowLongPtrA(w, GWL_EXSTYLE));
    EXPECT_EQ(style & (kBoxes | WS_CAPTION | WS_THICKFRAME | WS_POPUP), c.style) << c.border;
    EXPECT_EQ(ex & WS_EX_DLGMODALFRAME, c.ex) << c.border;
  }
}

// An icon file of one 32-bit image of size x size pixels.
std::vector<std::uint8_t> IconFile(int size) {
  const std::uint32_t pixels = static_cast<std::uint32_t>(size * size * 4), mask = static_cast<std::uint32_t>(size * 4);
  const std::uint32_t bytes = 40 + pixels + mask;
  std::vector<std::uint8_t> f(6 + 16 + bytes, 0);
  auto put16 = [&](std::size_t at, unsigned v) { f[at] = v & 0xFF, f[at + 1] = (v >> 8) & 0xFF; };
  auto put32 = [&](std::size_t at, std::uint32_t v) { put16(at, v & 0xFFFF), put16(at + 2, v >> 16); };
  put16(2, 1), put16(4, 1);
  f[6] = f[7] = static_cast<std::uint8_t>(size);
  put16(6 + 4, 1), put16(6 + 6, 32), put32(6 + 8, bytes), put32(6 + 12, 22);
  put32(22, 40), put32(26, static_cast<std::uint32_t>(size)), put32(30, static_cast<std::uint32_t>(size * 2));
  put16(34, 1), put16(36, 32);
  for (std::uint32_t i = 0; i < pixels; i += 4) f[62 + i + 2] = 0xFF, f[62 + i + 3] = 0xFF;  // opaque red
  return f;
}

TEST_F(BackendTest, ApplicationIconGoesOnTheForms) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    bool icon;
  } cases[] = {{IconFile(32), true}, {{'n', 'o', 't'}, false}, {IconFile(16), true}};
  for (const Case& c : cases) {
    TIcon icon;
    icon.LoadFromBytes(c.bytes);
    app.SetIcon(icon);
    EXPECT_EQ(SendMessageA(W(form), WM_GETICON, ICON_BIG, 0) != 0, c.icon) << c.bytes.size();
  }
}

TEST_F(BackendTest, EditsAndCheckBoxesReachTheModel) {
  book->SetPageIndex(1);
  SendMessageA(FindWindowExA(W(dir), nullptr, "Edit", nullptr), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>("D:\\Palm apps"));
  Pump();
  EXPECT_EQ(dir->Text(), "D:\\Palm apps");
  const std::string longText = "C:\\" + std::string(3000, 'x');  // typed text is taken whole
  SendMessageA(FindWindowExA(W(dir), nullptr, "Edit", nullptr), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(longText.c_str()));
  Pump();
  EXPECT_EQ(dir->Text(), longText);
  PostMessageA(W(box), BM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(box->Checked());
}

TEST_F(BackendTest, ErrorsFromHandlersGoToTheStandardErrorBoxOwnedByTheForm) {
  app.SetTitle("Quillset Version 2.0");
  other->OnClick = {"OtherClick", [](TPersistent*) { throw std::runtime_error("Impossible de lire C:\\x"); }};
  BoxAnswerer answer(IDOK);
  PostMessageA(W(other), BM_CLICK, 0, 0);
  for (int i = 0; i < 100 && !answer.seen; ++i) Pump();
  Pump();
  ASSERT_TRUE(answer.seen);
  EXPECT_EQ(answer.caption, "Quillset Version 2.0");
  EXPECT_EQ(answer.text, "Impossible de lire C:\\x.");
  EXPECT_EQ(answer.owner, W(form));
}

TEST_F(BackendTest, ControlsOutliveTheirParentAndMoveOn) {
  HWND page = W(book->Page(0));
  delete book;  // the pages go with it; the controls on them stay, without a parent
  EXPECT_FALSE(IsWindow(page));
  ASSERT_NE(W(label), nullptr);
  EXPECT_FALSE(IsWindowVisible(W(label)));
  label->SetParent(form);
  EXPECT_EQ(GetParent(W(label)), W(form));
  EXPECT_TRUE(IsWindowVisible(W(label)));
  HWND w = W(label);
  delete label;
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(BackendTest, ClosingTheMainFormEndsTheLoop) {
  PostMessageA(W(form), WM_CLOSE, 0, 0);
  MessageResult r = MessageResult::Handled;
  for (int i = 0; i < 20 && r != MessageResult::Quit; ++i) r = backend.HandleMessage(false);
  EXPECT_EQ(r, MessageResult::Quit);
}

}  // namespace
}  // namespace qs::win32
