// The seam between the toolkit model and whatever shows it.
//
// Controls are plain objects that hold their properties (controls.h and friends). A backend shows
// them: the Win32 backend attaches a real window to each control and keeps both in step; the
// headless backend (ui/headless) shows nothing and answers message boxes from a script.
//
// Two small interfaces:
//  - TControlBackend observes controls. A control that has a backend tells it about every change
//    of a property it shows, about tree changes, and asks it to repaint at once. A control without
//    a backend just keeps its values.
//  - TUiBackend serves the application: message boxes, the thread's message queue, title and icon.
#pragma once
#include <cstdint>
#include <string>

namespace qs {

class TControl;
class TForm;
class TTreeNT;
class TTreeNode;
class TIcon;

// What changed on a control. The backend reads the new value from the control itself.
enum class Change {
  Bounds,  // Left, Top, Width, Height (and a form's client size)
  Visible,
  Enabled,
  Caption,  // the control's text: Caption of forms, labels, buttons, ...; Text of an edit
  Font,
  Color,
  Checked,    // check box state
  Default,    // default button
  PageIndex,  // notebook page shown
  Progress,   // progress bar Min, Max or Position
  Lines,      // memo lines
  Picture,    // image picture
  Style,      // other appearance: alignment, word wrap, scroll bars, shapes, tree options, ...
  Parent,     // the control moved to another parent (or changed its place among siblings)
};

// What changed in a tree. `node` is the node concerned (nullptr for whole-tree changes).
enum class TreeChange {
  Added,     // node was inserted (its parent, position and values are final)
  Deleting,  // node and its descendants are about to be removed
  Cleared,   // every node was removed (node is nullptr)
  Text,
  CheckState,   // check state, or whether the node shows a check box
  Images,       // image or selected-image index
  Expanded,     // node expanded or collapsed
  MakeVisible,  // scroll node into view
  BeginUpdate,  // a batch starts: no redrawing until EndUpdate (node is nullptr)
  EndUpdate,
};

class TControlBackend {
 public:
  virtual ~TControlBackend() = default;
  // A property of control changed.
  virtual void Changed(TControl& control, Change what) = 0;
  // The node set of a tree or a node changed.
  virtual void TreeChanged(TTreeNT& tree, TTreeNode* node, TreeChange what) = 0;
  // A control without a backend was placed on a control that has this backend. The backend may
  // attach itself to the new control (control.SetBackend(this)) and create its window.
  virtual void ControlAdded(TControl& control) = 0;
  // "Repaint at once": paint control now, without waiting for the message loop.
  virtual void Repaint(TControl& control) = 0;
  // The control is being destroyed; its backend pointer is cleared afterwards.
  virtual void Destroying(TControl& control) = 0;
};

// What one pass over the thread's message queue found.
enum class MessageResult { Empty, Handled, Quit };

class TUiBackend {
 public:
  virtual ~TUiBackend() = default;
  // A modal message box. owner is the form that owns it (nullptr: the application). Gives the
  // button pressed (kIdOk, kIdYes, kIdNo of platform.h).
  virtual int MessageBox(TForm* owner, const std::string& text, const std::string& caption, unsigned flags) = 0;
  // Posts a quit request to the thread's message queue.
  virtual void PostQuit() = 0;
  // Takes one message from the queue and dispatches it. With wait set, blocks until one arrives
  // (a backend that can never receive one gives Empty instead of blocking forever).
  virtual MessageResult HandleMessage(bool wait) = 0;
  // Shows a form (the main form when the event loop starts): a windowing backend creates the
  // windows of the form and its controls here and attaches itself to them.
  virtual void ShowForm(TForm& form) = 0;
  virtual void TitleChanged(const std::string& title) = 0;
  virtual void IconChanged(const TIcon& icon) = 0;
};

}  // namespace qs
