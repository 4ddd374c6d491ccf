#include "ui/win32/backend_win32.h"

#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/notebook.h"
#include "ui/stdctrls.h"
#include "ui/treent.h"

#undef MessageBox

namespace qs::win32 {

TWin32Backend* TWin32Backend::self_ = nullptr;

namespace {

constexpr char kFormClass[] = "QsForm";
constexpr char kPanelClass[] = "QsPanel";
constexpr char kNameProp[] = "QsName";

// Check box pictures of the trees' state image list: 1 unchecked, 2 checked, 3 partly checked.
constexpr int kStateNone = 0, kStateUnchecked = 1;

bool Has(TSet set, int v) { return (set & SetOf(v)) != 0; }

// The rectangle a text needs in a font: width limited to maxWidth when wrapping.
SIZE TextExtent(HFONT font, const std::string& text, int maxWidth, bool wrap) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, wrap ? maxWidth : 0, 0};
  UINT flags = DT_CALCRECT | DT_EXPANDTABS | (wrap ? DT_WORDBREAK : 0);
  // An empty caption still takes one line, as a label does.
  DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &r, flags);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// The whole text of a window, however long.
std::string WindowText(HWND w) {
  const int n = GetWindowTextLengthA(w);
  if (n <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
  const int got = GetWindowTextA(w, buffer.data(), n + 1);
  return std::string(buffer.data(), static_cast<std::size_t>(std::max(got, 0)));
}

// Windows that carry a name for tools outside the process. The names are global atoms, shared by
// the whole session: a form with an absurd number of components does not get to exhaust them.
constexpr int kMaxNamedWindows = 1024;

bool IsDescendant(HWND child, HWND parent) { return child && parent && (child == parent || IsChild(parent, child)); }

}  // namespace

// ---- construction ------------------------------------------------------------------------------

TWin32Backend::TWin32Backend(HINSTANCE instance, int showCommand) : instance_(instance), showCommand_(showCommand) {
  self_ = this;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi_ <= 0) dpi_ = 96;
  RegisterClasses();
  parking_ = CreateWindowExA(0, kPanelClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, nullptr);
  bigIcon_ = LoadIconA(instance_, "MAINICON");
  smallIcon_ = static_cast<HICON>(LoadImageA(instance_, "MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

TWin32Backend::~TWin32Backend() {
  for (auto& [control, view] : views_) {
    if (view->name) GlobalDeleteAtom(view->name);
    if (view->icon) DestroyIcon(view->icon);
    const_cast<TControl*>(control)->SetBackend(nullptr);
  }
  views_.clear();
  if (parking_) DestroyWindow(parking_);
  for (auto& [key, font] : fonts_) DeleteObject(font);
  for (auto& [color, brush] : brushes_) DeleteObject(brush);
  if (checkImages_) ImageList_Destroy(checkImages_);
  if (!defaultIcon_) {
    if (bigIcon_) DestroyIcon(bigIcon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
  }
  if (self_ == this) self_ = nullptr;
}

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

// ---- lookups -----------------------------------------------------------------------------------

TWin32Backend::View* TWin32Backend::Find(const TControl* c) const {
  auto it = views_.find(c);
  return it == views_.end() ? nullptr : it->second.get();
}

TWin32Backend::View* TWin32Backend::ViewOfWindow(HWND hwnd) const {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : it->second;
}

TWin32Backend::View* TWin32Backend::FormOf(const TControl& c) const {
  const TControl* p = &c;
  while (p->Parent()) p = p->Parent();
  View* v = Find(p);
  return v && v->kind == Kind::Form ? v : nullptr;
}

HWND TWin32Backend::WindowOf(const TControl& control) const {
  View* v = Find(&control);
  return v ? v->hwnd : nullptr;
}

void TWin32Backend::Safely(const std::function<void()>& f) {
  if (TApplication* app = CurrentApplication()) {
    app->Guard(f);
    return;
  }
  try {
    f();
  } catch (const std::exception&) {
    // No application to report to: the action is dropped rather than unwinding a system frame.
  }
}

// ---- creating windows ---------------------------------------------------------------------------

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
  if (Find(&control)) return;
  auto owned = std::make_unique<View>();
  View& v = *owned;
  v.control = &control;
  v.id = nextId_++;

  if (dynamic_cast<TForm*>(&control)) {
    v.kind = Kind::Form;
  } else if (dynamic_cast<TNotebook*>(&control)) {
    v.kind = Kind::Notebook;
  } else if (dynamic_cast<TPage*>(&control)) {
    v.kind = Kind::Page;
  } else if (dynamic_cast<TGroupBox*>(&control)) {
    v.kind = Kind::GroupBox;
  } else if (dynamic_cast<TPanel*>(&control)) {
    v.kind = Kind::Panel;
  } else if (dynamic_cast<TDirectoryEdit*>(&control)) {
    v.kind = Kind::DirectoryEdit;
  } else if (dynamic_cast<TTreeNT*>(&control)) {
    v.kind = Kind::Tree;
  } else if (dynamic_cast<TMemo*>(&control)) {
    v.kind = Kind::Memo;
  } else if (dynamic_cast<TButton*>(&control)) {
    v.kind = Kind::Button;
  } else if (dynamic_cast<TCheckBox*>(&control)) {
    v.kind = Kind::CheckBox;
  } else if (dynamic_cast<TProgressBar*>(&control)) {
    v.kind = Kind::ProgressBar;
  } else if (dynamic_cast<TLabel*>(&control)) {
    v.kind = Kind::Label;
  } else if (dynamic_cast<TBevel*>(&control)) {
    v.kind = Kind::Bevel;
  } else if (dynamic_cast<TImage*>(&control)) {
    v.kind = Kind::Image;
  } else if (dynamic_cast<TWinControl*>(&control)) {
    v.kind = Kind::Container;
  } else {
    // A graphic control of a kind this backend does not draw: it keeps its values only.
    return;
  }

  const char* cls = kPanelClass;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ex = 0;
  const char* text = control.Caption().c_str();
  HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(v.id));
  switch (v.kind) {
    case Kind::Form: {
      auto& form = static_cast<TForm&>(control);
      cls = kFormClass;
      style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
      ex = WS_EX_CONTROLPARENT;
      if (form.BorderStyle() == bsSizeable || form.BorderStyle() == bsSizeToolWin)
        style |= WS_THICKFRAME | WS_MAXIMIZEBOX;
      if (form.BorderStyle() == bsDialog) ex |= WS_EX_DLGMODALFRAME;
      if (form.BorderStyle() == bsNone) style = WS_POPUP | WS_CLIPCHILDREN;
      id = nullptr;
      break;
    }
    case Kind::Container:
    case Kind::Notebook:
    case Kind::Page:
    case Kind::GroupBox:
    case Kind::Panel:
    case Kind::DirectoryEdit:
      style |= WS_CLIPCHILDREN;
      ex = WS_EX_CONTROLPARENT;
      if (v.kind == Kind::DirectoryEdit) text = "";
      break;
    case Kind::Label:
      cls = "STATIC";
      break;
    case Kind::Bevel:
    case Kind::Image:
      cls = "STATIC";
      style |= SS_OWNERDRAW;
      text = "";
      break;
    case Kind::Button:
      cls = "BUTTON";
      // BS_NOTIFY: focus changes are reported, so a focused button can take Enter (see Command).
      style |= WS_TABSTOP | BS_NOTIFY | (static_cast<TButton&>(control).Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      break;
    case Kind::CheckBox:
      cls = "BUTTON";
      style |= WS_TABSTOP | BS_3STATE;
      break;
    case Kind::Memo:
      // The memos show texts to read (welcome, licence): read-only, Enter stays in the memo.
      cls = "EDIT";
      style |= WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_WANTRETURN | ES_AUTOVSCROLL;
      ex = WS_EX_CLIENTEDGE;
      text = "";
      break;
    case Kind::ProgressBar:
      cls = PROGRESS_CLASSA;
      text = "";
      break;
    case Kind::Tree:
      cls = WC_TREEVIEWA;
      style |= WS_TABSTOP;
      ex = WS_EX_CLIENTEDGE;
      text = "";
      break;
  }
  HWND hwnd = CreateWindowExA(ex, cls, text, style, 0, 0, 0, 0, parent, id, instance_, nullptr);
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

  if (v.kind == Kind::Tree) {
    if (!checkImages_) {
      // Pictures of an unchecked, a checked and a partly checked box, drawn by the system.
      const int size = Scale(16);
      checkImages_ = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 4, 0);
      HDC screen = GetDC(nullptr);
      HDC dc = CreateCompatibleDC(screen);
      for (int i = 0; i < 4; ++i) {
        HBITMAP bmp = CreateCompatibleBitmap(screen, size, size);
        HGDIOBJ old = SelectObject(dc, bmp);
        RECT all{0, 0, size, size};
        FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
        if (i > 0) {
          RECT box{Scale(2), Scale(2), size - Scale(1), size - Scale(1)};
          UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
          if (i == 2) state |= DFCS_CHECKED;
          if (i == 3) state |= DFCS_CHECKED | DFCS_INACTIVE;
          DrawFrameControl(dc, &box, DFC_BUTTON, state);
        }
        SelectObject(dc, old);
        ImageList_AddMasked(checkImages_, bmp, RGB(1, 2, 3));
        DeleteObject(bmp);
      }
      DeleteDC(dc);
      ReleaseDC(nullptr, screen);
    }
    SendMessageA(hwnd, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(checkImages_));
  }

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
  switch (v.kind) {
    case Kind::Memo:
      if (auto* memo = dynamic_cast<TMemo*>(&c)) SetWindowTextA(v.hwnd, memo->Lines().Text().c_str());
      break;
    case Kind::DirectoryEdit: {
      if (c.Caption() != WindowText(v.edit)) SetWindowTextA(v.edit, c.Caption().c_str());
      break;
    }
    case Kind::ProgressBar:
    case Kind::Tree:
    case Kind::Bevel:
    case Kind::Image:
      break;
    case Kind::Label:
      SetWindowTextA(v.hwnd, c.Caption().c_str());
      if (static_cast<TLabel&>(c).AutoSize()) FitLabel(v);
      break;
    case Kind::GroupBox:
    case Kind::Panel:
      SetWindowTextA(v.hwnd, c.Caption().c_str());
      InvalidateRect(v.hwnd, nullptr, TRUE);
      break;
    default:
      SetWindowTextA(v.hwnd, c.Caption().c_str());
      break;
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

HFONT TWin32Backend::FontFor(const TControl& c) {
  const TFont& f = c.EffectiveFont();
  auto key = std::make_tuple(f.Name(), f.Height(), static_cast<unsigned>(f.Style()), f.Charset());
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  LOGFONTA lf{};
  // Heights are in pixels at the design resolution; negative heights give the character height.
  lf.lfHeight = MulDiv(f.Height(), dpi_, 96);
  lf.lfWeight = Has(f.Style(), fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = Has(f.Style(), fsItalic);
  lf.lfUnderline = Has(f.Style(), fsUnderline);
  lf.lfStrikeOut = Has(f.Style(), fsStrikeOut);
  lf.lfCharSet = static_cast<BYTE>(f.Charset());
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynA(lf.lfFaceName, f.Name().c_str(), LF_FACESIZE);
  HFONT font = CreateFontIndirectA(&lf);
  fonts_[key] = font;
  return font;
}

COLORREF TWin32Backend::ColorRef(std::int32_t color) const {
  const auto u = static_cast<std::uint32_t>(color);
  if (u & 0x80000000u) return GetSysColor(static_cast<int>(u & 0xFF));
  return static_cast<COLORREF>(u & 0xFFFFFF);
}

HBRUSH TWin32Backend::BrushFor(std::int32_t color) {
  auto it = brushes_.find(color);
  if (it != brushes_.end()) return it->second;
  HBRUSH b = CreateSolidBrush(ColorRef(color));
  brushes_[color] = b;
  return b;
}

// ---- the model tells ---------------------------------------------------------------------------

void TWin32Backend::Changed(TControl& control, Change what) {
  View* v = Find(&control);
  if (!v) return;
  switch (what) {
    case Change::Bounds:
      Place(*v);
      break;
    case Change::Visible:
      if (v->kind == Kind::Form) {
        ShowWindow(v->hwnd, control.Visible() ? SW_SHOW : SW_HIDE);
      } else {
        ApplyVisible(*v);
      }
      break;
    case Change::Enabled:
      if (!control.Enabled()) MoveFocusFrom(*v);
      EnableWindow(v->hwnd, control.Enabled());
      break;
    case Change::Caption:
    case Change::Lines:
      ApplyText(*v);
      break;
    case Change::Font: {
      // Children that follow their parent's font follow this change too.
      std::function<void(TControl&)> apply = [&](TControl& c) {
        if (View* cv = Find(&c)) ApplyFont(*cv);
        if (auto* wc = dynamic_cast<TWinControl*>(&c))
          for (TControl* child : wc->Controls())
            if (child->ParentFont()) apply(*child);
      };
      apply(control);
      break;
    }
    case Change::Color:
    case Change::Picture:
      if (v->icon) {
        DestroyIcon(v->icon);
        v->icon = nullptr;
      }
      InvalidateRect(v->hwnd, nullptr, TRUE);
      break;
    case Change::Checked:
    case Change::Default:
    case Change::Progress:
    case Change::Style:
      ApplyStyle(*v);
      break;
    case Change::PageIndex:
      ShowPages(*v);
      break;
    case Change::Parent: {
      View* parent = control.Parent() ? Find(control.Parent()) : nullptr;
      if (parent) {
        SetParent(v->hwnd, parent->hwnd);
        Place(*v);
        ApplyVisible(*v);
      } else {
        ShowWindow(v->hwnd, SW_HIDE);
        SetParent(v->hwnd, parking_);
      }
      break;
    }
  }
}

void TWin32Backend::ControlAdded(TControl& control) {
  if (Find(&control) || !control.Parent()) return;
  View* parent = Find(control.Parent());
  if (!parent) return;
  if (auto* nb = dynamic_cast<TNotebook*>(control.Parent()); nb && dynamic_cast<TPage*>(&control)) {
    Create(control, parent->hwnd);
    ShowPages(*parent);
    return;
  }
  Create(control, parent->hwnd);
}

void TWin32Backend::Repaint(TControl& control) {
  View* v = Find(&control);
  if (!v) return;
  RedrawWindow(v->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TWin32Backend::Destroying(TControl& control) {
  auto it = views_.find(&control);
  if (it == views_.end()) return;
  View& v = *it->second;
  // Children outlive their parent in the model: park their windows until they get a new one.
  if (auto* wc = dynamic_cast<TWinControl*>(&control)) {
    for (TControl* child : wc->Controls()) {
      if (View* cv = Find(child)) {
        ShowWindow(cv->hwnd, SW_HIDE);
        SetParent(cv->hwnd, parking_);
      }
    }
  }
  MoveFocusFrom(v);
  Untag(v, v.edit);
  Untag(v, v.hwnd);
  windows_.erase(v.browse);
  if (v.hwnd && IsWindow(v.hwnd)) DestroyWindow(v.hwnd);
  if (v.name) {
    GlobalDeleteAtom(v.name);
    --namedWindows_;
  }
  if (v.icon) DestroyIcon(v.icon);
  ids_.erase(v.id);
  views_.erase(it);
}

// ---- trees ---------------------------------------------------------------------------------------

void TWin32Backend::FillTree(View& v) {
  auto& tree = static_cast<TTreeNT&>(*v.control);
  v.updating = true;
  SendMessageA(v.hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  v.items.clear();
  for (int i = 0; i < tree.TopCount(); ++i) InsertNode(v, *tree.TopItem(i));
  v.updating = false;
}

void TWin32Backend::InsertNode(View& v, const TTreeNode& node) {
  if (v.items.count(&node)) return;
  TVINSERTSTRUCTA ins{};
  HTREEITEM parent = TVI_ROOT;
  if (node.Parent()) {
    auto p = v.items.find(node.Parent());
    if (p == v.items.end()) return;
    parent = p->second;
  }
  ins.hParent = parent;
  ins.hInsertAfter = TVI_FIRST;
  // After its previous sibling, wherever the node sits among its siblings.
  const int index = node.Index();
  if (index > 0) {
    const TTreeNode* prev = node.Parent() ? node.Parent()->Item(index - 1) : node.Tree().TopItem(index - 1);
    auto p = v.items.find(prev);
    ins.hInsertAfter = p != v.items.end() ? p->second : TVI_LAST;
  }
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  ins.item.pszText = const_cast<char*>(node.Text().c_str());
  ins.item.lParam = reinterpret_cast<LPARAM>(&node);
  ins.item.iImage = node.ImageIndex();
  ins.item.iSelectedImage = node.SelectedIndex();
  const int state = node.ShowsCheckBox() ? kStateUnchecked + std::clamp(node.CheckState(), 0, 2) : kStateNone;
  ins.item.state = INDEXTOSTATEIMAGEMASK(state);
  ins.item.stateMask = TVIS_STATEIMAGEMASK;
  HTREEITEM item =
      reinterpret_cast<HTREEITEM>(SendMessageA(v.hwnd, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  if (!item) return;
  v.items[&node] = item;
  for (int i = 0; i < node.Count(); ++i) InsertNode(v, *node.Item(i));
  if (node.Expanded() && node.HasChildren())
    SendMessageA(v.hwnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
  if (node.Parent() && node.Parent()->Expanded())
    SendMessageA(v.hwnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
}

void TWin32Backend::UpdateNode(View& v, const TTreeNode& node) {
  auto it = v.items.find(&node);
  if (it == v.items.end()) return;
  TVITEMA item{};
  item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  item.hItem = it->second;
  item.pszText = const_cast<char*>(node.Text().c_str());
  item.iImage = node.ImageIndex();
  item.iSelectedImage = node.SelectedIndex();
  const int state = node.ShowsCheckBox() ? kStateUnchecked + std::clamp(node.CheckState(), 0, 2) : kStateNone;
  item.state = INDEXTOSTATEIMAGEMASK(state);
  item.stateMask = TVIS_STATEIMAGEMASK;
  SendMessageA(v.hwnd, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void TWin32Backend::ForgetNode(View& v, const TTreeNode& node) {
  v.items.erase(&node);
  for (int i = 0; i < node.Count(); ++i) ForgetNode(v, *node.Item(i));
}

void TWin32Backend::TreeChanged(TTreeNT& tree, TTreeNode* node, TreeChange what) {
  View* v = Find(&tree);
  if (!v) return;
  auto item = [&]() -> HTREEITEM {
    auto it = node ? v->items.find(node) : v->items.end();
    return it == v->items.end() ? nullptr : it->second;
  };
  v->updating = true;
  switch (what) {
    case TreeChange::Added:
      if (node) InsertNode(*v, *node);
      break;
    case TreeChange::Deleting:
      if (HTREEITEM h = item()) {
        ForgetNode(*v, *node);
        SendMessageA(v->hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(h));
      }
      break;
    case TreeChange::Cleared:
      SendMessageA(v->hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
      v->items.clear();
      break;
    case TreeChange::Text:
    case TreeChange::Images:
      if (node) UpdateNode(*v, *node);
      break;
    case TreeChange::CheckState:
      // The node's own box, and its children's (whose boxes follow this node's check type).
      if (node) {
        UpdateNode(*v, *node);
        for (int i = 0; i < node->Count(); ++i) UpdateNode(*v, *node->Item(i));
      }
      break;
    case TreeChange::Expanded:
      if (HTREEITEM h = item())
        SendMessageA(v->hwnd, TVM_EXPAND, node->Expanded() ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(h));
      break;
    case TreeChange::MakeVisible:
      if (HTREEITEM h = item()) SendMessageA(v->hwnd, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(h));
      break;
    case TreeChange::BeginUpdate:
      SendMessageA(v->hwnd, WM_SETREDRAW, FALSE, 0);
      break;
    case TreeChange::EndUpdate:
      SendMessageA(v->hwnd, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(v->hwnd, nullptr, TRUE);
      break;
  }
  v->updating = false;
}

// What the user does in a tree: a click on a node's check box or the space bar toggles it
// through the model (which honours it only for a node that shows a box and is enabled).
LRESULT TWin32Backend::TreeNotify(View& v, NMHDR* hdr) {
  auto toggle = [this](HTREEITEM h, HWND tree) {
    TVITEMA item{};
    item.mask = TVIF_HANDLE | TVIF_PARAM;
    item.hItem = h;
    if (!h || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) || !item.lParam) return;
    auto* node = reinterpret_cast<TTreeNode*>(item.lParam);
    Safely([node] { node->SetCheckState(node->CheckState() == csChecked ? csUnchecked : csChecked); });
  };
  auto hit = [&v](UINT* flags) {
    TVHITTESTINFO info{};
    const DWORD pos = GetMessagePos();
    info.pt.x = static_cast<short>(LOWORD(pos));
    info.pt.y = static_cast<short>(HIWORD(pos));
    ScreenToClient(v.hwnd, &info.pt);
    auto h = reinterpret_cast<HTREEITEM>(SendMessageA(v.hwnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    *flags = info.flags;
    return h;
  };
  auto& tree = static_cast<TTreeNT&>(*v.control);
  switch (hdr->code) {
    case NM_CLICK: {
      UINT flags = 0;
      HTREEITEM h = hit(&flags);
      if (h && (flags & TVHT_ONITEMSTATEICON)) toggle(h, v.hwnd);
      return 0;
    }
    case NM_RCLICK: {
      UINT flags = 0;
      HTREEITEM h = hit(&flags);
      if (h && Has(tree.Options(), toRightClickSelect))
        SendMessageA(v.hwnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(h));
      return 0;
    }
    case TVN_KEYDOWN: {
      auto* key = reinterpret_cast<NMTVKEYDOWN*>(hdr);
      if (key->wVKey == VK_SPACE) {
        toggle(reinterpret_cast<HTREEITEM>(SendMessageA(v.hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0)), v.hwnd);
        return 1;  // not part of an incremental search
      }
      return 0;
    }
    case TVN_ITEMEXPANDEDA: {
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
      if (!v.updating && nm->itemNew.lParam) {
        auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
        const bool expanded = (nm->itemNew.state & TVIS_EXPANDED) != 0;
        v.updating = true;
        Safely([node, expanded] { node->SetExpanded(expanded); });
        v.updating = false;
      }
      return 0;
    }
    case NM_CUSTOMDRAW: {
      // Disabled nodes are drawn in the grey of disabled text.
      auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(hdr);
      if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        auto* node = reinterpret_cast<TTreeNode*>(cd->nmcd.lItemlParam);
        if (node && (!node->Enabled() || !tree.Enabled())) cd->clrText = GetSysColor(COLOR_GRAYTEXT);
      }
      return CDRF_DODEFAULT;
    }
    default:
      return 0;
  }
}

// ---- painting ------------------------------------------------------------------------------------

void TWin32Backend::PaintContainer(View& v, HDC dc) {
  RECT r;
  GetClientRect(v.hwnd, &r);
  TControl& c = *v.control;
  FillRect(dc, &r, BrushFor(c.Color()));
  if (v.kind != Kind::GroupBox && v.kind != Kind::Panel) return;
  HGDIOBJ old = SelectObject(dc, FontFor(c));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorRef(c.EffectiveFont().Color()));
  if (v.kind == Kind::GroupBox) {
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    RECT frame = r;
    frame.top += tm.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!c.Caption().empty()) {
      RECT t{Scale(8), 0, r.right - Scale(8), tm.tmHeight};
      DrawTextA(dc, c.Caption().c_str(), -1, &t, DT_CALCRECT | DT_SINGLELINE);
      RECT back{t.left - Scale(2), t.top, t.right + Scale(2), t.bottom};
      FillRect(dc, &back, BrushFor(c.Color()));
      DrawTextA(dc, c.Caption().c_str(), -1, &t, DT_SINGLELINE);
    }
  } else {
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    if (!c.Caption().empty()) DrawTextA(dc, c.Caption().c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
  SelectObject(dc, old);
}

HICON TWin32Backend::MakeIcon(const TIcon& icon, int size) const {
  const auto& bytes = icon.Bytes();
  const pictures::IconImage* img = pictures::ChooseIcon(icon.Images(), size);
  if (!img) return nullptr;
  // The image's bytes lie inside the file (ParseIconFile checked them).
  return CreateIconFromResourceEx(const_cast<PBYTE>(bytes.data() + img->offset), static_cast<DWORD>(img->size), TRUE,
                                  0x00030000, size, size, LR_DEFAULTCOLOR);
}

void TWin32Backend::DrawItem(View& v, const DRAWITEMSTRUCT& d) {
  HDC dc = d.hDC;
  RECT r = d.rcItem;
  TControl& c = *v.control;
  const TControl* parent = c.Parent();
  FillRect(dc, &r, BrushFor(parent ? parent->Color() : c.Color()));
  if (v.kind == Kind::Bevel) {
    auto& b = static_cast<TBevel&>(c);
    const UINT edge = EDGE_ETCHED;
    RECT line = r;
    switch (b.Shape()) {
      case bsBox:
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        break;
      case bsFrame:
        DrawEdge(dc, &r, edge, BF_RECT);
        break;
      case bsTopLine:
        line.bottom = line.top + 2;
        DrawEdge(dc, &line, edge, BF_TOP);
        break;
      case bsBottomLine:
        line.top = line.bottom - 2;
        DrawEdge(dc, &line, edge, BF_BOTTOM);
        break;
      case bsLeftLine:
        line.right = line.left + 2;
        DrawEdge(dc, &line, edge, BF_LEFT);
        break;
      case bsRightLine:
        line.left = line.right - 2;
        DrawEdge(dc, &line, edge, BF_RIGHT);
        break;
      case bsSpacer:
        break;
    }
    return;
  }
  // An image: the JPEG's pixels as they are (centred when asked), or the icon.
  auto& image = static_cast<TImage&>(c);
  TGraphic* g = image.Picture().Graphic();
  const int cw = r.right - r.left, ch = r.bottom - r.top;
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(g); jpeg && jpeg->Pixels().width > 0) {
    const pictures::Pixels& px = jpeg->Pixels();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = px.width;
    bi.bmiHeader.biHeight = -px.height;  // rows top to bottom
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    const int x = image.Center() ? r.left + (cw - px.width) / 2 : r.left;
    const int y = image.Center() ? r.top + (ch - px.height) / 2 : r.top;
    SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(px.width), static_cast<DWORD>(px.height), 0, 0, 0,
                      static_cast<UINT>(px.height), px.bgr.data(), &bi, DIB_RGB_COLORS);
  } else if (auto* icon = dynamic_cast<TIcon*>(g); icon && !icon->Empty()) {
    const int size = icon->Width();
    if (!v.icon) v.icon = MakeIcon(*icon, size);
    if (v.icon) {
      const int x = image.Center() ? r.left + (cw - size) / 2 : r.left;
      const int y = image.Center() ? r.top + (ch - icon->Height()) / 2 : r.top;
      DrawIconEx(dc, x, y, v.icon, size, icon->Height(), 0, nullptr, DI_NORMAL);
    }
  }
}

// ---- what the user does --------------------------------------------------------------------------

void TWin32Backend::Command(View& v, HWND from, int code) {
  switch (v.kind) {
    case Kind::Button:
      if (code == BN_CLICKED || code == BN_DOUBLECLICKED) {
        auto* button = static_cast<TButton*>(v.control);
        Safely([button] { button->Click(); });
      } else if (code == BN_SETFOCUS || code == BN_KILLFOCUS) {
        // While a button has the focus it is the one Enter presses; afterwards the default
        // button is again.
        MarkDefault(v, code == BN_SETFOCUS ? v.hwnd : nullptr);
      }
      break;
    case Kind::CheckBox:
      if (code == BN_CLICKED) {
        auto* box = static_cast<TCheckBox*>(v.control);
        Safely([box] { box->SetChecked(!box->Checked()); });
      }
      break;
    case Kind::DirectoryEdit:
      if (from == v.browse && code == BN_CLICKED) {
        Browse(v);
      } else if (from == v.edit && code == EN_CHANGE && !v.updating) {
        auto* edit = static_cast<TDirectoryEdit*>(v.control);
        std::string value = WindowText(v.edit);
        v.updating = true;
        Safely([edit, value] { edit->SetText(value); });
        v.updating = false;
      }
      break;
    default:
      break;
  }
}

namespace {
int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}
}  // namespace

// The browse button: the shell's folder picker, starting at the nearest existing folder of the
// current text; the folder chosen becomes the text.
void TWin32Backend::Browse(View& v) {
  auto* edit = static_cast<TDirectoryEdit*>(v.control);
  std::string start = edit->Text();
  while (!start.empty()) {
    const DWORD a = GetFileAttributesA(start.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) break;
    const std::size_t cut = start.find_last_of("\\:");
    if (cut == std::string::npos) {
      start.clear();
    } else {
      start.resize(start[cut] == ':' ? cut + 1 : cut);
      if (start.size() == 2 && start[1] == ':') start += '\\';
    }
    if (start.size() == 3 && start[1] == ':') break;
  }
  char display[MAX_PATH] = {};
  BROWSEINFOA bi{};
  View* form = FormOf(*v.control);
  bi.hwndOwner = form ? form->hwnd : nullptr;
  bi.pszDisplayName = display;
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = BrowseCallback;
  bi.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  LPITEMIDLIST pidl = SHBrowseForFolderA(&bi);
  if (!pidl) return;
  char path[MAX_PATH] = {};
  if (SHGetPathFromIDListA(pidl, path) && path[0]) {
    std::string chosen = path;
    Safely([edit, chosen] { edit->SetText(chosen); });
  }
  CoTaskMemFree(pidl);
}

LRESULT CALLBACK TWin32Backend::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TWin32Backend* self = self_;
  View* v = self ? self->ViewOfWindow(hwnd) : nullptr;
  if (!v) return DefWindowProcA(hwnd, msg, wp, lp);
  return self->Handle(v, hwnd, msg, wp, lp);
}

// The window procedure of forms and containers: they paint themselves and receive the
// notifications of the controls placed on them.
LRESULT TWin32Backend::Handle(View* v, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      PaintContainer(*v, reinterpret_cast<HDC>(wp));
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lp);
      View* target = from ? ViewOfWindow(from) : nullptr;
      if (!target) {
        // From the keyboard (the dialog manager): an identifier.
        auto it = ids_.find(LOWORD(wp));
        target = it == ids_.end() ? nullptr : it->second;
        if (target && target->kind == Kind::Button && IsWindowVisible(target->hwnd) && IsWindowEnabled(target->hwnd)) {
          from = target->hwnd;
        } else {
          return 0;
        }
      }
      Command(*target, from, HIWORD(wp));
      return 0;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      View* target = ViewOfWindow(hdr->hwndFrom);
      if (target && target->kind == Kind::Tree) return TreeNotify(*target, hdr);
      return 0;
    }
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (View* target = ViewOfWindow(d->hwndItem)) DrawItem(*target, *d);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      View* target = ViewOfWindow(reinterpret_cast<HWND>(lp));
      if (!target) return DefWindowProcA(hwnd, msg, wp, lp);
      TControl& c = *target->control;
      // Memos are read-only but keep their own colour (white by default).
      std::int32_t back = c.Color();
      if (target->kind == Kind::CheckBox || target->kind == Kind::DirectoryEdit) {
        back = target->kind == Kind::DirectoryEdit && reinterpret_cast<HWND>(lp) == target->edit
                   ? static_cast<std::int32_t>(clWindow)
                   : v->control->Color();
      }
      SetTextColor(dc, ColorRef(c.EffectiveFont().Color()));
      SetBkColor(dc, ColorRef(back));
      return reinterpret_cast<LRESULT>(BrushFor(back));
    }
    case DM_GETDEFID: {
      // The default button of this form, for the dialog manager's Enter key.
      if (v->kind != Kind::Form) break;
      for (auto& [control, view] : views_) {
        if (view->kind != Kind::Button || !static_cast<const TButton*>(control)->Default()) continue;
        if (FormOf(*control) != v || !IsWindowVisible(view->hwnd) || !IsWindowEnabled(view->hwnd)) continue;
        return MAKELRESULT(view->id, DC_HASDEFID);
      }
      return 0;
    }
    case WM_CLOSE:
      // No handler for closing: closing the main form ends the program on any page.
      if (v->kind == Kind::Form) {
        TApplication* app = CurrentApplication();
        if (!app || app->MainForm() == v->control) {
          PostQuitMessage(0);
        } else {
          ShowWindow(hwnd, SW_HIDE);
        }
        return 0;
      }
      break;
    case WM_SIZE:
      if (v->kind == Kind::Notebook) {
        auto* nb = static_cast<TNotebook*>(v->control);
        for (int i = 0; i < nb->PageCount(); ++i)
          if (View* page = Find(nb->Page(i))) MoveWindow(page->hwnd, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// ---- the application's side ----------------------------------------------------------------------

HWND TWin32Backend::OwnerWindow(TForm* owner) const {
  if (owner) {
    if (View* v = Find(owner); v && IsWindowVisible(v->hwnd)) return v->hwnd;
  }
  return nullptr;
}

int TWin32Backend::MessageBox(TForm* owner, const std::string& text, const std::string& caption, unsigned flags) {
  HWND hwnd = OwnerWindow(owner);
  if (!hwnd) {
    // The application's own boxes (the standard error box) stay modal to the main form.
    if (TApplication* app = CurrentApplication()) hwnd = OwnerWindow(app->MainForm());
  }
  return MessageBoxA(hwnd, text.c_str(), caption.c_str(), flags | (hwnd ? 0 : MB_TASKMODAL));
}

int TWin32Backend::Show(std::uintptr_t owner, const std::string& text, const std::string& caption, unsigned flags) {
  HWND hwnd = reinterpret_cast<HWND>(owner);
  return MessageBoxA(hwnd, text.c_str(), caption.c_str(), flags | (hwnd ? 0 : MB_TASKMODAL));
}

void TWin32Backend::PostQuit() { PostQuitMessage(0); }

MessageResult TWin32Backend::HandleMessage(bool wait) {
  MSG msg;
  if (wait) {
    const BOOL r = GetMessageA(&msg, nullptr, 0, 0);
    if (r == 0) return MessageResult::Quit;
    if (r == -1) return MessageResult::Empty;
  } else {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return MessageResult::Empty;
    if (msg.message == WM_QUIT) return MessageResult::Quit;
  }
  // Keyboard navigation of a form: Tab, access keys, Enter for the default button.
  if (msg.hwnd) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    View* form = ViewOfWindow(root);
    if (form && form->kind == Kind::Form && IsDialogMessageA(root, &msg)) return MessageResult::Handled;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return MessageResult::Handled;
}

void TWin32Backend::ShowForm(TForm& form) {
  View* v = Find(&form);
  if (!v) {
    Create(form, nullptr);
    v = Find(&form);
    if (!v) return;
    SendMessageA(v->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageA(v->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    Place(*v);
  }
  ShowWindow(v->hwnd, showCommand_);
  showCommand_ = SW_SHOWNORMAL;
  UpdateWindow(v->hwnd);
  SetForegroundWindow(v->hwnd);
  if (HWND first = GetNextDlgTabItem(v->hwnd, nullptr, FALSE)) SetFocus(first);
}

void TWin32Backend::TitleChanged(const std::string&) {
  // The form's window carries the form's caption on the task bar; the application's title names
  // the application's own boxes (TApplication puts it there).
}

void TWin32Backend::IconChanged(const TIcon& icon) {
  if (!defaultIcon_) {
    if (bigIcon_) DestroyIcon(bigIcon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
  }
  // An empty icon leaves the windows without one of their own.
  bigIcon_ = MakeIcon(icon, GetSystemMetrics(SM_CXICON));
  smallIcon_ = MakeIcon(icon, GetSystemMetrics(SM_CXSMICON));
  defaultIcon_ = false;
  for (auto& [control, view] : views_) {
    if (view->kind != Kind::Form) continue;
    SendMessageA(view->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageA(view->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  }
}

}  // namespace qs::win32
