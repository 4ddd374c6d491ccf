// The module list reader: turns the module list file into the module tree Tree1, one group node
// per group and one check-box node per module, each module node carrying a copy of its record;
// then offers every packed file marked as a runtime component under the group "Runtime".
#include "wizard/moduletree.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "core/streams.h"
#include "core/text.h"
#include "platform/platform.h"
#include "wizard/unitext.h"

namespace qs {

namespace {

// Ends a batch of tree updates on every way out.
class TreeBatch {
 public:
  explicit TreeBatch(TTreeNT& tree) : tree_(tree) { tree_.BeginUpdate(); }
  ~TreeBatch() { tree_.EndUpdate(); }
  TreeBatch(const TreeBatch&) = delete;
  TreeBatch& operator=(const TreeBatch&) = delete;

 private:
  TTreeNT& tree_;
};

// Every byte of the file, up to its end or the first read that fails.
std::vector<std::uint8_t> ReadToEnd(IFile& file) {
  const std::int64_t size = file.Size();
  std::vector<std::uint8_t> bytes(size > 0 ? static_cast<std::size_t>(size) : 0);
  std::size_t done = 0;
  for (std::size_t n; done < bytes.size() && (n = file.Read(bytes.data() + done, bytes.size() - done)) > 0;) done += n;
  bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(done), bytes.end());
  return bytes;
}

// Tree1 built node by node as the shape places each module.
class TreeFiller {
 public:
  explicit TreeFiller(TTreeNT& tree) : tree_(tree) {}

  void Add(std::string_view group, const std::string& text, const TModuleRec& rec) {
    TreeBatch batch(tree_);
    const ModuleTreeShape::Placement at = shape_.AddModule(group, text);
    if (at.newGroup) {
      TTreeNode* node = tree_.Add(shape_.At(at.parent).text);
      node->SetImageIndex(1);
      node->SetSelectedIndex(1);
      nodes_.push_back(node);
    }
    TTreeNode* parent = nodes_[at.parent];
    // Every module node shows a check box, also one that hangs under a module node.
    parent->SetCheckType(TCheckType::CheckBox);
    nodes_.push_back(tree_.AddChild(parent, text, rec));

    tree_.FullExpand();
    if (tree_.TopCount() > 0) tree_.TopItem(0)->MakeVisible();
  }

 private:
  TTreeNT& tree_;
  ModuleTreeShape shape_;
  std::vector<TTreeNode*> nodes_;  // the node of Tree1 for each node of the shape, added in the same order
};

}  // namespace

std::string ModuleTreeText(const TModuleRec& rec) {
  const std::string title = ModuleText(rec.Title);
  return IsBlank(title) ? FileNamePart(ModuleText(rec.SourcePath)) : title;
}

std::string GroupNodeText(std::string_view group) { return std::string(IsBlank(group) ? kGeneralGroup : group); }

bool RuntimeModuleRec(std::string_view packedName, TModuleRec& rec) {
  // The run extracts and installs the file by the file-name part of the source path, so that part
  // must be the packed file's name itself.
  if (packedName.empty() || FileNamePart(packedName) != packedName) return false;
  rec = EmptyModuleRec();
  if (!SetModuleText(rec.SourcePath, packedName)) return false;
  SetModuleText(rec.Group, kRuntimeGroup);
  rec.MakeShortcut = 0;
  rec.Action = maInstall;
  return true;
}

ModuleTreeShape::Placement ModuleTreeShape::AddModule(std::string_view group, std::string text) {
  const std::string name = GroupNodeText(group);
  Placement at{0, false, 0};
  if (!FindInDisplayOrder(top_, name, at.parent)) {
    at.parent = nodes_.size();
    at.newGroup = true;
    nodes_.push_back(Node{name, false, {}});
    top_.push_back(at.parent);
  }
  at.node = nodes_.size();
  nodes_.push_back(Node{std::move(text), true, {}});
  nodes_[at.parent].children.push_back(at.node);
  return at;
}

bool ModuleTreeShape::FindInDisplayOrder(const std::vector<std::size_t>& level, std::string_view text,
                                         std::size_t& found) const {
  // Display order: each node, then its children in order, depth first.
  for (std::size_t index : level) {
    if (nodes_[index].text == text) {
      found = index;
      return true;
    }
    if (FindInDisplayOrder(nodes_[index].children, text, found)) return true;
  }
  return false;
}

void TFormTools::LoadModuleList(const std::string& fileName) {
  Tree1->Clear();
  TreeFiller tree(*Tree1);

  // The list file: a header whose first byte is 1, then whole records up to the end. A file that
  // cannot be opened, is shorter than its header or has another format byte gives no modules; a
  // piece shorter than a record after the last whole one is not a module and is passed over.
  if (std::unique_ptr<IFile> file = Host().files->Open(fileName, false, ShareMode::DenyWrite)) {
    const std::vector<std::uint8_t> bytes = ReadToEnd(*file);
    for (const TModuleRec& rec : ParseModuleList(bytes.data(), bytes.size()).records)
      tree.Add(ModuleText(rec.Group), ModuleTreeText(rec), rec);
  }

  // Runtime modules, whatever became of the list file.
  const TFileCollection& items = PackFiles1->Items();
  for (int i = 0; i < items.Count(); ++i) {
    const TFileItem& item = *items.Items(i);
    if (!IsRuntimeModuleDescription(item.Description())) continue;
    TModuleRec rec;
    if (!RuntimeModuleRec(item.Name(), rec)) continue;
    tree.Add(kRuntimeGroup, ModuleTreeText(rec), rec);
  }
}

}  // namespace qs
