// The module list reader: turns the module list file into the module tree Tree1, one group node
// per group and one check-box node per module, each module node carrying a copy of its record;
// then offers every packed file marked as a runtime component under the group "Runtime".
#include "wizard/moduletree.h"

#include <memory>

#include "core/streams.h"
#include "core/text.h"
#include "platform/platform.h"
#include "wizard/builder.h"
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

// Reads exactly count bytes; false when the file ends first or cannot be read.
bool ReadExactly(IFile& file, std::uint8_t* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const std::size_t n = file.Read(buffer + done, count - done);
    if (n == 0) return false;
    done += n;
  }
  return true;
}

}  // namespace

std::string ModuleTreeText(const TModuleRec& rec) {
  const std::string title = ModuleText(rec.Title);
  return IsBlank(title) ? FileNamePart(ModuleText(rec.SourcePath)) : title;
}

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

void TFormTools::LoadModuleList(const std::string& fileName) {
  Tree1->Clear();

  // The list file: a header whose first byte is 1, then whole records up to the end. A file that
  // cannot be opened, is shorter than its header or has another format byte gives no modules; a
  // piece shorter than a record after the last whole one is not a module and is passed over.
  if (std::unique_ptr<IFile> file = Host().files->Open(fileName, false, ShareMode::DenyWrite)) {
    std::uint8_t header[kModuleListHeaderSize];
    if (ReadExactly(*file, header, sizeof header) && header[0] == kModuleListFormat) {
      std::uint8_t bytes[kModuleRecSize];
      while (ReadExactly(*file, bytes, sizeof bytes)) {
        const TModuleRec rec = DecodeModuleRec(bytes);
        AddModule(ModuleText(rec.Group), ModuleTreeText(rec), rec);
      }
    }
  }

  // Runtime modules, whatever became of the list file.
  const TFileCollection& items = PackFiles1->Items();
  for (int i = 0; i < items.Count(); ++i) {
    const TFileItem& item = *items.Items(i);
    if (item.Description().find(kRuntimeMarker) == std::string::npos) continue;
    TModuleRec rec;
    if (!RuntimeModuleRec(item.Name(), rec)) continue;
    AddModule(std::string(kRuntimeGroup), ModuleTreeText(rec), rec);
  }
}

void TFormTools::AddModule(const std::string& group, const std::string& text, const TModuleRec& rec) {
  TTreeNT& tree = *Tree1;
  TreeBatch batch(tree);
  const std::string name = IsBlank(group) ? std::string(kGeneralGroup) : group;

  // The parent is the first node of that text in display order, group or module alike.
  TTreeNode* parent = nullptr;
  for (int i = 0, n = tree.Count(); i < n && !parent; ++i)
    if (tree.Item(i)->Text() == name) parent = tree.Item(i);
  if (!parent) {
    parent = tree.Add(name);
    parent->SetImageIndex(1);
    parent->SetSelectedIndex(1);
  }
  // Every module node shows a check box, also one that hangs under a module node.
  parent->SetCheckType(TCheckType::CheckBox);
  tree.AddChild(parent, text, rec);

  tree.FullExpand();
  if (tree.TopCount() > 0) tree.TopItem(0)->MakeVisible();
}

}  // namespace qs
