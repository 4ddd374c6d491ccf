// The Win32 backend of the toolkit: real windows for the controls of the model.
//
// Model first: the controls are plain objects (ui/controls.h); this backend attaches a window to
// each one when its form is shown and keeps both in step. Changes of the model reach the window
// through TControlBackend; what the user does in a window (a click, a check box toggled, a text
// typed) is applied to the model, which then tells the backend again. Every handler that runs
// from a window procedure runs under the application's guard, so an error escaping it ends in the
// standard error box and never crosses a system frame.
//
// Windows carry the component name of their control in the window property "QsName" (a global
// atom), so that tools outside the process (the end-to-end driver) find controls by name.
#pragma once
#include <windows.h>
// (the common controls' header needs the system header first)
#include <commctrl.h>
// Names of the toolkit and the platform seam that the system headers make macros of.
#undef MessageBox
#undef CreateDirectory
#undef ANSI_CHARSET
#undef DEFAULT_CHARSET

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>

#include "platform/platform.h"
#include "ui/backend.h"

namespace qs {

class TControl;
class TForm;
class TIcon;
class TTreeNT;
class TTreeNode;

namespace win32 {

class TWin32Backend : public TUiBackend, public TControlBackend, public IMessageBoxes {
 public:
  explicit TWin32Backend(HINSTANCE instance, int showCommand = SW_SHOWNORMAL);
  ~TWin32Backend() override;
  TWin32Backend(const TWin32Backend&) = delete;
  TWin32Backend& operator=(const TWin32Backend&) = delete;

  // ---- TUiBackend
  int MessageBox(TForm* owner, const std::string& text, const std::string& caption, unsigned flags) override;
  void PostQuit() override;
  MessageResult HandleMessage(bool wait) override;
  void ShowForm(TForm& form) override;
  void TitleChanged(const std::string& title) override;
  void IconChanged(const TIcon& icon) override;

  // ---- TControlBackend
  void Changed(TControl& control, Change what) override;
  void TreeChanged(TTreeNT& tree, TTreeNode* node, TreeChange what) override;
  void ControlAdded(TControl& control) override;
  void Repaint(TControl& control) override;
  void Destroying(TControl& control) override;

  // ---- IMessageBoxes: a box without an owner is task-modal, so no handler runs beneath it.
  int Show(std::uintptr_t owner, const std::string& text, const std::string& caption, unsigned flags) override;

  // The window of a control (nullptr when it has none yet).
  HWND WindowOf(const TControl& control) const;
  // Pixels on the screen for a length given at the form's design resolution.
  int Scale(int v) const { return MulDiv(v, dpi_, 96); }

 private:
  // The kinds of windows, in the order they are tried (a control is of the first kind it is): the
  // most derived classes first, any other windowed control last.
  enum class Kind {
    Form,
    Notebook,
    Page,
    GroupBox,
    Panel,
    DirectoryEdit,
    Tree,
    Memo,
    Button,
    CheckBox,
    ProgressBar,
    Label,
    Bevel,
    Image,
    Container,
  };
  struct View {
    TControl* control = nullptr;
    Kind kind = Kind::Container;
    HWND hwnd = nullptr;    // the control's window (for a directory edit: its frame)
    HWND edit = nullptr;    // directory edit: the text edit
    HWND browse = nullptr;  // directory edit: the browse button
    int id = 0;
    ATOM name = 0;
    bool updating = false;  // the backend itself is changing the window: ignore its notifications
    HICON icon = nullptr;   // an image showing an icon
    std::unordered_map<const TTreeNode*, HTREEITEM> items;  // a tree's nodes
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(View* view, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void RegisterClasses();

  View* Find(const TControl* c) const;
  View* ViewOfWindow(HWND hwnd) const;
  View* FormOf(const TControl& c) const;
  // Windows of the controls, kept in step with the model (controls_win32.cpp).
  // Creates the windows of a control and its children below parent (nullptr: a form).
  void Create(TControl& control, HWND parent);
  void CreateChildren(TControl& control, HWND parent);
  void Tag(View& v, HWND hwnd);
  void Untag(View& v, HWND hwnd);
  void Place(View& v);
  void ApplyVisible(View& v);
  void ApplyFont(View& v);
  void ApplyText(View& v);
  void ApplyStyle(View& v);
  void ShowPages(View& notebook);
  void FitLabel(View& v);
  void MoveFocusFrom(View& v);
  // Gives the default look (and Enter) to the focused button, or back to the default button.
  void MarkDefault(View& v, HWND focused);

  // Trees (tree_win32.cpp).
  HIMAGELIST CheckImages();  // the check boxes of the nodes, made once
  void FillTree(View& v);
  void InsertNode(View& v, const TTreeNode& node);
  void UpdateNode(View& v, const TTreeNode& node);
  void ForgetNode(View& v, const TTreeNode& node);
  LRESULT TreeNotify(View& v, NMHDR* hdr);

  // Painting, fonts, colours and icons (paint_win32.cpp).
  HFONT FontFor(const TControl& c);
  HBRUSH BrushFor(std::int32_t color);
  COLORREF ColorRef(std::int32_t color) const;
  void PaintContainer(View& v, HDC dc);
  void DrawItem(View& v, const DRAWITEMSTRUCT& d);
  HICON MakeIcon(const TIcon& icon, int size) const;

  void Command(View& v, HWND from, int code);
  void Browse(View& v);
  HWND OwnerWindow(TForm* owner) const;
  // Runs model code from a window procedure under the application's guard.
  void Safely(const std::function<void()>& f);

  HINSTANCE instance_;
  int showCommand_;
  int dpi_ = 96;
  HWND parking_ = nullptr;  // hidden owner of windows whose control lost its parent
  HIMAGELIST checkImages_ = nullptr;
  HICON bigIcon_ = nullptr, smallIcon_ = nullptr;
  bool defaultIcon_ = true;
  int nextId_ = 1000;
  int namedWindows_ = 0;
  std::unordered_map<const TControl*, std::unique_ptr<View>> views_;
  std::unordered_map<HWND, View*> windows_;
  std::unordered_map<int, View*> ids_;
  std::map<std::tuple<std::string, int, unsigned, int>, HFONT> fonts_;
  std::map<std::int32_t, HBRUSH> brushes_;
  static TWin32Backend* self_;
};

}  // namespace win32
}  // namespace qs
