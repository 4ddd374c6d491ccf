#include "ui/win32/backend_win32.h"

#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/notebook.h"
#include "ui/stdctrls.h"
#include "ui/win32/common_win32.h"

#undef MessageBox

namespace qs::win32 {

TWin32Backend* TWin32Backend::self_ = nullptr;

std::string WindowText(HWND w) {
  const int n = GetWindowTextLengthA(w);
  if (n <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
  const int got = GetWindowTextA(w, buffer.data(), n + 1);
  return std::string(buffer.data(), static_cast<std::size_t>(std::max(got, 0)));
}

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

}  // namespace qs::win32
