#include "ui/treent.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "core/errors.h"
#include "core/streams.h"
#include "stream/props.h"

namespace qs {

// ---- TTreeNode --------------------------------------------------------------------------------

int TTreeNode::Level() const {
  int level = 0;
  for (const TTreeNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

int TTreeNode::Index() const {
  const auto& list = parent_ ? parent_->children_ : tree_->roots_;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == this) return static_cast<int>(i);
  return -1;
}

void TTreeNode::SetText(const std::string& v) {
  if (v == text_) return;
  text_ = v;
  tree_->Notify(this, TreeChange::Text);
}

void TTreeNode::SetCheckType(TCheckType v) {
  if (v == checkType_) return;
  checkType_ = v;
  for (auto& c : children_) tree_->Notify(c.get(), TreeChange::CheckState);
}

bool TTreeNode::ShowsCheckBox() const {
  const TCheckType t = parent_ ? parent_->checkType_ : tree_->rootCheckType_;
  return t == TCheckType::CheckBox;
}

void TTreeNode::SetCheckState(int state) {
  if (!ShowsCheckBox() || !enabled_) return;
  if (state < csUnchecked || state > csPartly || state == checkState_) return;
  checkState_ = state;
  tree_->Notify(this, TreeChange::CheckState);
}

void TTreeNode::SetImageIndex(int v) {
  if (v == imageIndex_) return;
  imageIndex_ = v;
  tree_->Notify(this, TreeChange::Images);
}

void TTreeNode::SetSelectedIndex(int v) {
  if (v == selectedIndex_) return;
  selectedIndex_ = v;
  tree_->Notify(this, TreeChange::Images);
}

void TTreeNode::SetExpanded(bool v) {
  if (v == expanded_) return;
  expanded_ = v;
  tree_->Notify(this, TreeChange::Expanded);
}

void TTreeNode::FullExpand() {
  SetExpanded(true);
  for (auto& c : children_) c->FullExpand();
}

void TTreeNode::MakeVisible() {
  for (TTreeNode* p = parent_; p; p = p->parent_) p->SetExpanded(true);
  tree_->topVisible_ = this;
  tree_->Notify(this, TreeChange::MakeVisible);
}

// ---- TTreeNodes -------------------------------------------------------------------------------

const ClassInfo& TTreeNodes::StaticInfo() {
  static const ClassInfo info{"TTreeNodes", nullptr, {}, {}, {}, {}};
  return info;
}

void TTreeNodes::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, tree_.Count() > 0);
}

namespace {

constexpr std::size_t kCountOffset = 29;    // the node's number of children
constexpr std::size_t kImageOffset = 0;     // image index
constexpr std::size_t kSelectedOffset = 4;  // selected-image index
// Deeper nesting is refused: no tree the installer shows comes near it, and it keeps every walk
// over the nodes (and the window backend's) shallow.
constexpr std::size_t kMaxDepth = 256;

std::int32_t I32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
                                   (static_cast<std::uint32_t>(b[at + 2]) << 16) |
                                   (static_cast<std::uint32_t>(b[at + 3]) << 24));
}

void PutI32(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t v) {
  assert(at + 4 <= b.size());  // the writer puts fields only into a whole attribute block
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(u >> (8 * i));
}

// Ends a batch update on every way out.
struct UpdateBatch {
  explicit UpdateBatch(TTreeNT& t) : tree(t) { tree.BeginUpdate(); }
  ~UpdateBatch() { tree.EndUpdate(); }
  TTreeNT& tree;
};

}  // namespace

void TTreeNodes::ReadData(TStream& stream) {
  UpdateBatch batch(tree_);
  tree_.Clear();
  option_ = stream.ReadU8();
  const std::int64_t size = stream.Size();
  // Each frame: the parent whose children are being read, and how many are still to come.
  struct Frame {
    TTreeNode* parent;
    std::int64_t remaining;
  };
  std::vector<Frame> frames{{nullptr, std::max<std::int32_t>(stream.ReadI32(), 0)}};
  while (!frames.empty()) {
    if (frames.back().remaining == 0) {
      frames.pop_back();
      continue;
    }
    --frames.back().remaining;
    TTreeNode* parent = frames.back().parent;
    const std::int32_t length = stream.ReadI32();
    // The record must lie inside the data: checked before anything is allocated for it.
    if (length < 0 || length > size - stream.Position()) throw EReadError();
    std::vector<std::uint8_t> record(static_cast<std::size_t>(length));
    stream.ReadBuffer(record.data(), record.size());

    std::string text;
    if (record.size() > TTreeNode::kAttributeSize) {
      const std::size_t n = record[TTreeNode::kAttributeSize];
      const std::size_t avail = record.size() - TTreeNode::kAttributeSize - 1;
      const auto* first = reinterpret_cast<const char*>(record.data() + TTreeNode::kAttributeSize + 1);
      // The text is cut to the record: it never reads past the bytes read for it.
      assert(TTreeNode::kAttributeSize + 1 + std::min(n, avail) <= record.size());
      text.assign(first, std::min(n, avail));
    }
    TTreeNode* node = tree_.AddChild(parent, text);
    // A short record reads as if its missing attribute bytes were zero.
    node->attributes_.assign(TTreeNode::kAttributeSize, 0);
    std::copy_n(record.begin(), std::min(record.size(), TTreeNode::kAttributeSize), node->attributes_.begin());
    // A node's attribute block always has its full size, whatever the record's length.
    assert(node->attributes_.size() == TTreeNode::kAttributeSize && kCountOffset + 4 <= TTreeNode::kAttributeSize);
    node->imageIndex_ = I32At(node->attributes_, kImageOffset);
    node->selectedIndex_ = I32At(node->attributes_, kSelectedOffset);
    const std::int32_t children = I32At(node->attributes_, kCountOffset);
    if (children > 0) {
      if (frames.size() >= kMaxDepth) throw EReadError();
      frames.push_back({node, children});
    }
    assert(frames.size() <= kMaxDepth);  // refused above: the walk stays shallow
  }
}

void TTreeNodes::WriteData(TStream& stream) const {
  stream.WriteU8(option_);
  stream.WriteI32(tree_.TopCount());
  for (TTreeNode* node : tree_.Flat()) {
    std::vector<std::uint8_t> attr = node->attributes_;
    attr.resize(TTreeNode::kAttributeSize, 0);
    PutI32(attr, kImageOffset, node->imageIndex_);
    PutI32(attr, kSelectedOffset, node->selectedIndex_);
    PutI32(attr, kCountOffset, node->Count());
    const std::size_t n = std::min<std::size_t>(node->text_.size(), 255);
    stream.WriteI32(static_cast<std::int32_t>(TTreeNode::kAttributeSize + 1 + n));
    stream.WriteBuffer(attr.data(), attr.size());
    stream.WriteU8(static_cast<std::uint8_t>(n));
    stream.WriteBuffer(node->text_.data(), n);
  }
}

void TTreeNodes::Assign(const TTreeNodes& other) {
  if (&other == this) return;
  UpdateBatch batch(tree_);
  tree_.Clear();
  option_ = other.option_;
  // Display order visits every parent before its children, so each copy's parent exists.
  std::vector<std::pair<const TTreeNode*, TTreeNode*>> copies;
  for (const TTreeNode* src : other.tree_.Flat()) {
    TTreeNode* parent = nullptr;
    for (auto it = copies.rbegin(); it != copies.rend() && src->parent_; ++it)
      if (it->first == src->parent_) {
        parent = it->second;
        break;
      }
    TTreeNode* node = tree_.AddChild(parent, src->text_, src->data_);
    node->checkType_ = src->checkType_;
    node->checkState_ = src->checkState_;
    node->enabled_ = src->enabled_;
    node->imageIndex_ = src->imageIndex_;
    node->selectedIndex_ = src->selectedIndex_;
    node->expanded_ = src->expanded_;
    node->attributes_ = src->attributes_;
    copies.emplace_back(src, node);
  }
}

// ---- TTreeNT ----------------------------------------------------------------------------------

const ClassInfo& TTreeNT::StaticInfo() {
  static const ClassInfo info{
      "TTreeNT",
      &TWinControl::StaticInfo(),
      {
          props::Int<&TTreeNT::Indent, &TTreeNT::SetIndent>("Indent"),
          props::Int<&TTreeNT::InsertMarkColor, &TTreeNT::SetInsertMarkColor>("InsertMarkColor", &kColorType),
          props::Int<&TTreeNT::ItemHeight, &TTreeNT::SetItemHeight>("ItemHeight"),
          props::Object<TTreeNT, TTreeNodes, &TTreeNT::Items>("Items").StoredWhen(
              [](TPersistent& o) { return static_cast<TTreeNT&>(o).Count() > 0; }),
          props::Set<&TTreeNT::Options, &TTreeNT::SetOptions>("Options", kTreeOptionsType),
          props::Bool<&TTreeNT::ParentColor, &TTreeNT::SetParentColor>("ParentColor"),
          props::Int<&TTreeNT::ScrollTime, &TTreeNT::SetScrollTime>("ScrollTime"),
          props::Int<&TTreeNT::TabOrder, &TTreeNT::SetTabOrder, -1>("TabOrder"),
          props::Bool<&TTreeNT::Visible, &TTreeNT::SetVisible, true>("Visible"),
      },
      [](TComponent* owner) -> TComponent* { return new TTreeNT(owner); },
      {},
      {}};
  return info;
}

TTreeNT::TTreeNT(TComponent* owner) : TWinControl(owner) { SetColor(clWindow); }

TTreeNT::~TTreeNT() = default;

void TTreeNT::Notify(TTreeNode* node, TreeChange what) {
  if (TControlBackend* b = Backend()) b->TreeChanged(*this, node, what);
}

const std::vector<TTreeNode*>& TTreeNT::Flat() const {
  if (flatValid_) return flat_;
  flat_.clear();
  // Depth first without recursion: a node, then its descendants.
  std::vector<const std::vector<std::unique_ptr<TTreeNode>>*> lists{&roots_};
  std::vector<std::size_t> next{0};
  while (!lists.empty()) {
    auto& i = next.back();
    if (i == lists.back()->size()) {
      lists.pop_back();
      next.pop_back();
      continue;
    }
    TTreeNode* node = (*lists.back())[i++].get();
    flat_.push_back(node);
    if (!node->children_.empty()) {
      lists.push_back(&node->children_);
      next.push_back(0);
    }
  }
  flatValid_ = true;
  return flat_;
}

void TTreeNT::Clear() {
  topVisible_ = nullptr;
  roots_.clear();
  Invalidate();
  Notify(nullptr, TreeChange::Cleared);
}

int TTreeNT::Count() const { return static_cast<int>(Flat().size()); }

TTreeNode* TTreeNT::Item(int position) const {
  const auto& flat = Flat();
  if (position < 0 || static_cast<std::size_t>(position) >= flat.size()) return nullptr;
  return flat[static_cast<std::size_t>(position)];
}

TTreeNode* TTreeNT::AddChild(TTreeNode* parent, const std::string& text, std::any data) {
  auto& list = parent ? parent->children_ : roots_;
  list.push_back(std::unique_ptr<TTreeNode>(new TTreeNode(this, parent)));
  TTreeNode* node = list.back().get();
  node->text_ = text;
  node->data_ = std::move(data);
  Invalidate();
  Notify(node, TreeChange::Added);
  return node;
}

void TTreeNT::Delete(TTreeNode* node) {
  if (!node || &node->Tree() != this) return;
  Notify(node, TreeChange::Deleting);
  for (TTreeNode* p = topVisible_; p; p = p->parent_)
    if (p == node) {
      topVisible_ = nullptr;
      break;
    }
  auto& list = node->parent_ ? node->parent_->children_ : roots_;
  list.erase(std::remove_if(list.begin(), list.end(), [node](const auto& p) { return p.get() == node; }), list.end());
  Invalidate();
}

void TTreeNT::FullExpand() {
  for (auto& r : roots_) r->FullExpand();
}

void TTreeNT::BeginUpdate() {
  if (updateCount_++ == 0) Notify(nullptr, TreeChange::BeginUpdate);
}

void TTreeNT::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) Notify(nullptr, TreeChange::EndUpdate);
}

void TTreeNT::SetIndent(int v) {
  if (v == indent_) return;
  indent_ = v;
  Changed(Change::Style);
}

void TTreeNT::SetItemHeight(int v) {
  if (v == itemHeight_) return;
  itemHeight_ = v;
  Changed(Change::Style);
}

void TTreeNT::SetOptions(TSet v) {
  if (v == options_) return;
  options_ = v;
  Changed(Change::Style);
}

}  // namespace qs
