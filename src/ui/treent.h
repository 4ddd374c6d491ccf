// The tree control of the toolkit model: nodes with texts, optional check boxes and attached data.
//
// Check boxes belong to a node's children: a node's CheckType says whether its children show
// check boxes (top-level nodes follow the tree's own RootCheckType, none by default). A node keeps
// its check state as 0 (unchecked), 1 (checked) or 2 (partly checked); setting the state is
// honoured only for a node that shows a check box and is enabled.
//
// Nodes are reached by their position in display order: the whole tree flattened depth first,
// each node followed by its descendants.
#pragma once
#include <any>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/controls.h"

namespace qs {

class TTreeNT;

enum class TCheckType { None, CheckBox };
enum TCheckState { csUnchecked = 0, csChecked = 1, csPartly = 2 };

class TTreeNode {
 public:
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;

  TTreeNT& Tree() const { return *tree_; }
  TTreeNode* Parent() const { return parent_; }
  int Level() const;
  int Index() const;  // position among its parent's children

  const std::string& Text() const { return text_; }
  void SetText(const std::string& v);

  int Count() const { return static_cast<int>(children_.size()); }
  TTreeNode* Item(int i) const { return children_[static_cast<std::size_t>(i)].get(); }
  bool HasChildren() const { return !children_.empty(); }

  // Check boxes: whether this node's children show them.
  TCheckType CheckType() const { return checkType_; }
  void SetCheckType(TCheckType v);
  // Whether this node shows a check box (by its parent's check type).
  bool ShowsCheckBox() const;
  int CheckState() const { return checkState_; }
  // Honoured only when the node shows a check box and is enabled; 0, 1 or 2.
  void SetCheckState(int state);
  bool Checked() const { return checkState_ == csChecked; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }

  int ImageIndex() const { return imageIndex_; }
  int SelectedIndex() const { return selectedIndex_; }
  void SetImageIndex(int v);
  void SetSelectedIndex(int v);

  bool Expanded() const { return expanded_; }
  void SetExpanded(bool v);
  // Expands this node and all its descendants.
  void FullExpand();
  // Scrolls the node into view (expanding its ancestors).
  void MakeVisible();

  // Data attached to the node and owned by it (released with the node).
  std::any& Data() { return data_; }
  const std::any& Data() const { return data_; }
  void SetData(std::any v) { data_ = std::move(v); }
  template <class T>
  T* DataAs() {
    return std::any_cast<T>(&data_);
  }
  template <class T>
  const T* DataAs() const {
    return std::any_cast<T>(&data_);
  }

  // The node attributes stored with the node in "Items.Data" (see TTreeNodes), kept so that
  // writing a tree gives back what was read.
  static constexpr std::size_t kAttributeSize = 87;

 private:
  friend class TTreeNT;
  friend class TTreeNodes;
  TTreeNode(TTreeNT* tree, TTreeNode* parent) : tree_(tree), parent_(parent) {}

  TTreeNT* tree_;
  TTreeNode* parent_;
  std::vector<std::unique_ptr<TTreeNode>> children_;
  std::string text_;
  TCheckType checkType_ = TCheckType::None;
  int checkState_ = csUnchecked;
  bool enabled_ = true;
  int imageIndex_ = -1, selectedIndex_ = -1;
  bool expanded_ = false;
  std::any data_;
  std::vector<std::uint8_t> attributes_;
};

// The "Items" of a tree: its nodes as a persistent value with the defined property "Data".
//
// "Data" holds: 1 byte of list option; a 32-bit count of top-level nodes; then each node in
// display order as a 32-bit record length R, R bytes of record and the node's children in the
// same form. A record is 87 bytes of node attributes followed by the node's text as a counted
// string; the 32-bit integer at byte 29 is the node's number of children. This toolkit reads the
// image index at byte 0 and the selected-image index at byte 4, and keeps all 87 bytes.
class TTreeNodes : public TPersistent {
 public:
  explicit TTreeNodes(TTreeNT& tree) : tree_(tree) {}
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  void DefineProperties(TFiler& filer) override;

  // Replaces every node by the nodes of a "Data" value. Every count and length is checked
  // against the bytes present; data that ends early raises the stream read error, and nodes read
  // before that stay.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;
  std::uint8_t Option() const { return option_; }
  // Replaces every node by a copy of other's nodes (texts, check types and states, images,
  // expansion, attached data).
  void Assign(const TTreeNodes& other);

 private:
  TTreeNT& tree_;
  std::uint8_t option_ = 0;
};

class TTreeNT : public TWinControl {
 public:
  explicit TTreeNT(TComponent* owner);
  ~TTreeNT() override;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  // ---- nodes
  void Clear();
  // Number of nodes at all levels.
  int Count() const;
  // The node at a position in display order; nullptr outside 0..Count()-1.
  TTreeNode* Item(int position) const;
  int TopCount() const { return static_cast<int>(roots_.size()); }
  TTreeNode* TopItem(int i) const { return roots_[static_cast<std::size_t>(i)].get(); }
  // Appends a node at the end of parent's children (nullptr: a top-level node).
  TTreeNode* AddChild(TTreeNode* parent, const std::string& text, std::any data = {});
  TTreeNode* Add(const std::string& text) { return AddChild(nullptr, text); }
  // Removes a node with its descendants.
  void Delete(TTreeNode* node);
  // Expands every top-level node with all its descendants.
  void FullExpand();
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }
  TTreeNodes& Items() { return items_; }

  // Check type of the top-level nodes (whether they show check boxes).
  TCheckType RootCheckType() const { return rootCheckType_; }
  void SetRootCheckType(TCheckType v) { rootCheckType_ = v; }
  // The node last scrolled into view (MakeVisible), for backends that come later and for tests.
  TTreeNode* TopVisible() const { return topVisible_; }

  // ---- published properties
  int Indent() const { return indent_; }
  void SetIndent(int v);
  TColor InsertMarkColor() const { return insertMarkColor_; }
  void SetInsertMarkColor(TColor v) { insertMarkColor_ = v; }
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int v);
  TSet Options() const { return options_; }
  void SetOptions(TSet v);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool v) { parentColor_ = v; }
  int ScrollTime() const { return scrollTime_; }
  void SetScrollTime(int v) { scrollTime_ = v; }

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  void Notify(TTreeNode* node, TreeChange what);
  void Invalidate() { flatValid_ = false; }
  const std::vector<TTreeNode*>& Flat() const;

  std::vector<std::unique_ptr<TTreeNode>> roots_;
  TTreeNodes items_{*this};
  TCheckType rootCheckType_ = TCheckType::None;
  int updateCount_ = 0;
  TTreeNode* topVisible_ = nullptr;
  mutable std::vector<TTreeNode*> flat_;
  mutable bool flatValid_ = true;

  int indent_ = 19;
  TColor insertMarkColor_ = clBlack;
  int itemHeight_ = 16;
  TSet options_ = 0;
  bool parentColor_ = false;
  int scrollTime_ = 0;
};

}  // namespace qs
