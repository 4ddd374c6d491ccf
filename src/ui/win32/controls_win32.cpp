// The windows of the controls: made from one table per control kind, then kept in step with the
// model's properties (place, visibility, text, styles, fonts).
#include <algorithm>
#include <iterator>
#include <vector>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/notebook.h"
#include "ui/stdctrls.h"
#include "ui/treent.h"
#include "ui/win32/backend_win32.h"
#include "ui/win32/common_win32.h"

namespace qs::win32 {
namespace {

constexpr char kNameProp[] = "QsName";

// Windows that carry a name for tools outside the process. The names are global atoms, shared by
// the whole session: a form with an absurd number of components does not get to exhaust them.
constexpr int kMaxNamedWindows = 1024;

template <class T>
bool IsA(const TControl& c) {
  return dynamic_cast<const T*>(&c) != nullptr;
}

// The window of each kind of control: its class, its style on top of WS_CHILD | WS_CLIPSIBLINGS,
// its extended style, and whether its text is the control's caption (the others start without one:
// a memo's text is its lines, a directory edit's sits on the edit inside it). In the order of
// Kind, which is also the order the kinds are tried in: a control is of the first kind it is.
struct KindInfo {
  bool (*is)(const TControl&);
  const char* cls;
  DWORD style, ex;
  bool text;
};
constexpr DWORD kContainer = WS_CLIPCHILDREN;
constexpr KindInfo kKinds[] = {
    {IsA<TForm>, kFormClass, 0, WS_EX_CONTROLPARENT, true},  // the frame follows the border style
    {IsA<TNotebook>, kPanelClass, kContainer, WS_EX_CONTROLPARENT, true},
    {IsA<TPage>, kPanelClass, kContainer, WS_EX_CONTROLPARENT, true},
    {IsA<TGroupBox>, kPanelClass, kContainer, WS_EX_CONTROLPARENT, true},
    {IsA<TPanel>, kPanelClass, kContainer, WS_EX_CONTROLPARENT, true},
    {IsA<TDirectoryEdit>, kPanelClass, kContainer, WS_EX_CONTROLPARENT, false},
    {IsA<TTreeNT>, WC_TREEVIEWA, WS_TABSTOP, WS_EX_CLIENTEDGE, false},
    // The memos show texts to read (welcome, licence): read-only, Enter stays in the memo.
    {IsA<TMemo>, "EDIT", WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_WANTRETURN | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE,
     false},
    // BS_NOTIFY: focus changes are reported, so a focused button can take Enter (see Command).
    {IsA<TButton>, "BUTTON", WS_TABSTOP | BS_NOTIFY | BS_PUSHBUTTON, 0, true},
    {IsA<TCheckBox>, "BUTTON", WS_TABSTOP | BS_3STATE, 0, true},
    {IsA<TProgressBar>, PROGRESS_CLASSA, 0, 0, false},
    {IsA<TLabel>, "STATIC", 0, 0, true},
    {IsA<TBevel>, "STATIC", SS_OWNERDRAW, 0, false},
    {IsA<TImage>, "STATIC", SS_OWNERDRAW, 0, false},
    {IsA<TWinControl>, kPanelClass, kContainer, WS_EX_CONTROLPARENT, true},
};

// The frame of a form for each border style, in the order of TFormBorderStyle. A dialog has a
// close box but neither a minimise nor a maximise box.
struct Border {
  DWORD style, ex;
};
constexpr DWORD kFramed = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kSizeable = kFramed | WS_MINIMIZEBOX | WS_THICKFRAME | WS_MAXIMIZEBOX;
constexpr Border kBorders[] = {
    {WS_POPUP, 0},                   // bsNone
    {kFramed | WS_MINIMIZEBOX, 0},   // bsSingle
    {kSizeable, 0},                  // bsSizeable
    {kFramed, WS_EX_DLGMODALFRAME},  // bsDialog
    {kFramed | WS_MINIMIZEBOX, 0},   // bsToolWindow
    {kSizeable, 0},                  // bsSizeToolWin
};
static_assert(std::size(kBorders) == bsSizeToolWin + 1);

bool IsDescendant(HWND child, HWND parent) { return child && parent && (child == parent || IsChild(parent, child)); }

}  // namespace

// ---- creating windows ---------------------------------------------------------------------------

void TWin32Backend::RegisterClasses() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = kFormClass;
  wc.hIcon = LoadIconA(instance_, "MAINICON");
  RegisterClassExA(&wc);
  wc.lpszClassName = kPanelClass;
  wc.hIcon = nullptr;
  RegisterClassExA(&wc);
}

void TWin32Backend::Tag(View& v, HWND hwnd) {
  windows_[hwnd] = &v;
  if (v.name) SetPropA(hwnd, kNameProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(v.name)));
}

void TWin32Backend::Untag(View& v, HWND hwnd) {
  if (!hwnd) return;
  windows_.erase(hwnd);
  if (v.name && IsWindow(hwnd)) RemovePropA(hwnd, kNameProp);
}

void TWin32Backend::Create(TControl& control, HWND parent) {
  static_assert(std::size(kKinds) == static_cast<std::size_t>(Kind::Container) + 1, "one row per kind");
  if (Find(&control)) return;
  const KindInfo* info =
      std::find_if(std::begin(kKinds), std::end(kKinds), [&](const KindInfo& k) { return k.is(control); });
  // A graphic control of a kind this backend does not draw: it keeps its values only.
  if (info == std::end(kKinds)) return;
  auto owned = std::make_unique<View>();
  View& v = *owned;
  v.control = &control;
  v.id = nextId_++;
  v.kind = static_cast<Kind>(info - kKinds);

  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | info->style;
  DWORD ex = info->ex;
  HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(v.id));
  if (v.kind == Kind::Form) {
    const Border& border = kBorders[static_cast<TForm&>(control).BorderStyle()];
    style = border.style | WS_CLIPCHILDREN;
    ex |= border.ex;
    id = nullptr;
  } else if (v.kind == Kind::Button && static_cast<TButton&>(control).Default()) {
    style |= BS_DEFPUSHBUTTON;
  }
  HWND hwnd = CreateWindowExA(ex, info->cls, info->text ? control.Caption().c_str() : "", style, 0, 0, 0, 0, parent, id,
                              instance_, nullptr);
  if (!hwnd) return;
  v.hwnd = hwnd;
  if (!control.Name().empty() && namedWindows_ < kMaxNamedWindows) {
    v.name = GlobalAddAtomA(control.Name().c_str());
    if (v.name) ++namedWindows_;
  }
  View* raw = owned.get();
  views_[&control] = std::move(owned);
  ids_[v.id] = raw;
  control.SetBackend(this);

  if (v.kind == Kind::DirectoryEdit) {
    // The name goes on the edit, whose text is the control's text.
    v.edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", control.Caption().c_str(),
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0, hwnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(v.id)), instance_, nullptr);
    v.browse = CreateWindowExA(0, "BUTTON", "...", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, hwnd,
                               nullptr, instance_, nullptr);
    windows_[hwnd] = raw;
    Tag(v, v.edit);
    windows_[v.browse] = raw;
  } else {
    Tag(v, hwnd);
  }
  if (v.kind == Kind::Tree) SendMessageA(hwnd, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(CheckImages()));

  ApplyStyle(v);
  ApplyFont(v);
  ApplyText(v);
  if (v.kind != Kind::Form) {
    Place(v);
    EnableWindow(hwnd, control.Enabled());
  }
  if (v.kind == Kind::Tree) FillTree(v);
  CreateChildren(control, hwnd);
  if (v.kind == Kind::Notebook) ShowPages(v);
  if (v.kind != Kind::Form && v.kind != Kind::Page) ApplyVisible(v);
}

void TWin32Backend::CreateChildren(TControl& control, HWND parent) {
  auto* wc = dynamic_cast<TWinControl*>(&control);
  if (!wc) return;
  // Windows are stacked in tab order, which is also the order the Tab key follows.
  std::vector<TControl*> children(wc->Controls().begin(), wc->Controls().end());
  std::stable_sort(children.begin(), children.end(), [](TControl* a, TControl* b) {
    auto order = [](TControl* c) {
      auto* w = dynamic_cast<TWinControl*>(c);
      return w ? w->TabOrder() : -1;
    };
    return order(a) < order(b);
  });
  for (TControl* child : children) Create(*child, parent);
}

void TWin32Backend::Place(View& v) {
  TControl& c = *v.control;
  if (v.kind == Kind::Form) {
    auto& form = static_cast<TForm&>(c);
    int cw = form.ClientWidth() > 0 ? form.ClientWidth() : form.Width();
    int ch = form.ClientHeight() > 0 ? form.ClientHeight() : form.Height();
    RECT r{0, 0, Scale(cw), Scale(ch)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(v.hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(v.hwnd, GWL_EXSTYLE)));
    const int w = r.right - r.left, h = r.bottom - r.top;
    int x = Scale(form.Left()), y = Scale(form.Top());
    if (form.Position() == poScreenCenter || form.Position() == poDesktopCenter || form.Position() == poDefault ||
        form.Position() == poDefaultPosOnly) {
      RECT work{};
      SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
      x = work.left + (work.right - work.left - w) / 2;
      y = work.top + (work.bottom - work.top - h) / 2;
    }
    SetWindowPos(v.hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  int x = Scale(c.Left()), y = Scale(c.Top()), w = Scale(c.Width()), h = Scale(c.Height());
  if (v.kind == Kind::Page) {
    // A page fills its notebook.
    RECT r{};
    if (HWND parent = GetParent(v.hwnd)) GetClientRect(parent, &r);
    x = 0, y = 0, w = r.right, h = r.bottom;
  }
  if (v.kind == Kind::Label && static_cast<TLabel&>(c).AutoSize()) {
    FitLabel(v);
    return;
  }
  MoveWindow(v.hwnd, x, y, w, h, TRUE);
  if (v.kind == Kind::DirectoryEdit) {
    MoveWindow(v.edit, 0, 0, std::max(0, w - h), h, TRUE);
    MoveWindow(v.browse, std::max(0, w - h), 0, h, h, TRUE);
  }
  if (v.kind == Kind::Notebook) {
    if (auto* nb = dynamic_cast<TNotebook*>(&c))
      for (int i = 0; i < nb->PageCount(); ++i)
        if (View* page = Find(nb->Page(i))) Place(*page);
  }
}

// An auto-sized label takes the size of its text: one line (or its explicit lines) wide, or, when
// it wraps, its width kept and its height following the text. A right-aligned one keeps its
// right edge.
void TWin32Backend::FitLabel(View& v) {
  auto& label = static_cast<TLabel&>(*v.control);
  const int x = Scale(label.Left()), y = Scale(label.Top()), w = Scale(label.Width());
  SIZE s = TextExtent(FontFor(label), label.Caption(), w, label.WordWrap());
  int nx = x, nw = label.WordWrap() ? w : s.cx;
  if (!label.WordWrap() && label.Alignment() == taRightJustify) nx = x + w - nw;
  MoveWindow(v.hwnd, nx, y, nw, s.cy, TRUE);
}

void TWin32Backend::ApplyVisible(View& v) {
  TControl& c = *v.control;
  if (v.kind == Kind::Page) {
    if (auto* nb = dynamic_cast<TNotebook*>(c.Parent())) {
      if (View* n = Find(nb)) ShowPages(*n);
    }
    return;
  }
  if (!c.Visible()) MoveFocusFrom(v);
  ShowWindow(v.hwnd, c.Visible() ? SW_SHOWNA : SW_HIDE);
}

void TWin32Backend::ShowPages(View& notebook) {
  auto* nb = dynamic_cast<TNotebook*>(notebook.control);
  if (!nb) return;
  TPage* active = nb->ActivePage();
  // Show the new page before hiding the old one, so that focus can move onto it.
  if (active && active->Visible()) {
    if (View* p = Find(active)) ShowWindow(p->hwnd, SW_SHOWNA);
  }
  for (int i = 0; i < nb->PageCount(); ++i) {
    TPage* page = nb->Page(i);
    if (page == active && page->Visible()) continue;
    if (View* p = Find(page)) {
      MoveFocusFrom(*p);
      ShowWindow(p->hwnd, SW_HIDE);
    }
  }
}

// A window that is hidden or disabled while it holds the keyboard focus hands it on, so that the
// keyboard keeps working (Enter still reaches the default button).
void TWin32Backend::MoveFocusFrom(View& v) {
  HWND focus = GetFocus();
  if (!IsDescendant(focus, v.hwnd)) return;
  View* form = FormOf(*v.control);
  if (!form) return;
  HWND next = GetNextDlgTabItem(form->hwnd, focus, FALSE);
  if (next && !IsDescendant(next, v.hwnd)) {
    SetFocus(next);
  } else {
    SetFocus(form->hwnd);
  }
}

void TWin32Backend::ApplyText(View& v) {
  TControl& c = *v.control;
  v.updating = true;
  if (v.kind == Kind::Memo) {
    SetWindowTextA(v.hwnd, static_cast<TMemo&>(c).Lines().Text().c_str());
  } else if (v.kind == Kind::DirectoryEdit) {
    if (c.Caption() != WindowText(v.edit)) SetWindowTextA(v.edit, c.Caption().c_str());
  } else if (kKinds[static_cast<int>(v.kind)].text) {
    SetWindowTextA(v.hwnd, c.Caption().c_str());
    if (v.kind == Kind::Label && static_cast<TLabel&>(c).AutoSize()) FitLabel(v);
    // Group boxes and panels draw their caption themselves.
    if (v.kind == Kind::GroupBox || v.kind == Kind::Panel) InvalidateRect(v.hwnd, nullptr, TRUE);
  }
  v.updating = false;
}

// Styles that follow properties: label alignment and wrapping, memo scroll bars, tree options,
// check box state, default button, progress range.
void TWin32Backend::ApplyStyle(View& v) {
  TControl& c = *v.control;
  HWND h = v.hwnd;
  auto setStyle = [h](DWORD clear, DWORD set) {
    const DWORD old = static_cast<DWORD>(GetWindowLongPtrA(h, GWL_STYLE));
    const DWORD now = (old & ~clear) | set;
    if (now != old) {
      SetWindowLongPtrA(h, GWL_STYLE, static_cast<LONG_PTR>(now));
      SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      InvalidateRect(h, nullptr, TRUE);
    }
  };
  switch (v.kind) {
    case Kind::Label: {
      auto& l = static_cast<TLabel&>(c);
      DWORD s = l.Alignment() == taCenter         ? SS_CENTER
                : l.Alignment() == taRightJustify ? SS_RIGHT
                : l.WordWrap()                    ? SS_LEFT
                                                  : SS_LEFTNOWORDWRAP;
      setStyle(SS_TYPEMASK, s);
      if (l.AutoSize()) FitLabel(v);
      break;
    }
    case Kind::Memo: {
      auto& m = static_cast<TMemo&>(c);
      DWORD s = 0;
      if (m.ScrollBars() == ssVertical || m.ScrollBars() == ssBoth) s |= WS_VSCROLL;
      if (m.ScrollBars() == ssHorizontal || m.ScrollBars() == ssBoth) s |= WS_HSCROLL;
      setStyle(WS_VSCROLL | WS_HSCROLL, s);
      break;
    }
    case Kind::Tree: {
      auto& t = static_cast<TTreeNT&>(c);
      const TSet o = t.Options();
      DWORD s = 0;
      if (Has(o, toShowLines)) s |= TVS_HASLINES;
      if (Has(o, toShowButtons)) s |= TVS_HASBUTTONS;
      if (Has(o, toShowRoot)) s |= TVS_LINESATROOT;
      if (!Has(o, toHideSelection)) s |= TVS_SHOWSELALWAYS;
      if (Has(o, toSingleExpand)) s |= TVS_SINGLEEXPAND;
      if (Has(o, toFullRowSelect)) s |= TVS_FULLROWSELECT;
      if (Has(o, toNoScroll)) s |= TVS_NOSCROLL;
      if (Has(o, toHotTrack)) s |= TVS_TRACKSELECT;
      if (Has(o, toInfoTip)) s |= TVS_INFOTIP;
      if (!Has(o, toToolTips)) s |= TVS_NOTOOLTIPS;
      setStyle(TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_SINGLEEXPAND |
                   TVS_FULLROWSELECT | TVS_NOSCROLL | TVS_TRACKSELECT | TVS_INFOTIP | TVS_NOTOOLTIPS,
               s);
      SendMessageA(h, TVM_SETINDENT, static_cast<WPARAM>(Scale(t.Indent())), 0);
      if (t.ItemHeight() > 0) SendMessageA(h, TVM_SETITEMHEIGHT, static_cast<WPARAM>(Scale(t.ItemHeight())), 0);
      break;
    }
    case Kind::CheckBox: {
      auto& cb = static_cast<TCheckBox&>(c);
      SendMessageA(h, BM_SETCHECK,
                   cb.State() == cbChecked  ? BST_CHECKED
                   : cb.State() == cbGrayed ? BST_INDETERMINATE
                                            : BST_UNCHECKED,
                   0);
      break;
    }
    case Kind::Button:
      SendMessageA(h, BM_SETSTYLE, static_cast<TButton&>(c).Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
      break;
    case Kind::ProgressBar: {
      auto& p = static_cast<TProgressBar&>(c);
      SendMessageA(h, PBM_SETRANGE32, static_cast<WPARAM>(p.Min()), static_cast<LPARAM>(p.Max()));
      SendMessageA(h, PBM_SETPOS, static_cast<WPARAM>(p.Position()), 0);
      break;
    }
    default:
      break;
  }
}

void TWin32Backend::MarkDefault(View& v, HWND focused) {
  View* form = FormOf(*v.control);
  for (auto& [control, view] : views_) {
    if (view->kind != Kind::Button || FormOf(*control) != form) continue;
    const bool isDefault = focused ? view->hwnd == focused : static_cast<const TButton*>(control)->Default();
    SendMessageA(view->hwnd, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

void TWin32Backend::ApplyFont(View& v) {
  HFONT f = FontFor(*v.control);
  SendMessageA(v.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
  if (v.edit) SendMessageA(v.edit, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
  if (v.browse) SendMessageA(v.browse, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
  if (v.kind == Kind::Label && static_cast<TLabel&>(*v.control).AutoSize()) FitLabel(v);
}

}  // namespace qs::win32
