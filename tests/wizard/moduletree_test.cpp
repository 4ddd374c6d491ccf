// The module list reader: list files made by our writer and by hand, read into Tree1 of a started
// wizard, and the runtime modules of the packed files.
#include "wizard/moduletree.h"

#include <gtest/gtest.h>

#include <cstring>

#include "wizard_fixture.h"

namespace qs::test {
namespace {

constexpr const char* kListPath = "C:\\List\\ILIST.QSP";

class ModuleTreeTest : public WizardTest {
 public:
  void SetUp() override { ASSERT_TRUE(StartBuiltIn()); }
  void Load(const std::string& bytes) {
    WriteHostFile(dir.Path() / "List" / "ILIST.QSP", bytes);
    TFormToolsAccess::LoadModuleList(*form, kListPath);
  }
  std::vector<std::string> Shape() const { return TreeShape(*form->Tree1); }
  void AddRuntime(const std::string& name, const std::string& description) {
    TFileItem& item = *form->PackFiles1->Items().AddItem();
    item.SetName(name);
    item.SetDescription(description);
  }
};

std::string Header(std::initializer_list<int> first) {
  std::string h(1024, '\0');
  std::size_t i = 0;
  for (int b : first) h[i++] = static_cast<char>(b);
  return h;
}

std::string Record(const TModuleRec& r) {
  auto b = EncodeModuleRec(r);
  return {b.begin(), b.end()};
}

TEST_F(ModuleTreeTest, FileFormatEdges) {
  const std::string two = Record(Module("a\\One.prc")) + Record(Module("a\\Two.prc"));
  const std::vector<std::string> both = {"General", "  One.prc", "  Two.prc"};
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> shape;
  } cases[] = {
      {"header 1,0,0,0", Header({1, 0, 0, 0}) + two, both},
      {"header 1,69,111,67", Header({1, 69, 111, 67}) + two, both},
      {"header with every byte set", std::string(1, '\x01') + std::string(1023, '\xFF') + two, both},
      {"header 0,0,0,1", Header({0, 0, 0, 1}) + two, {}},
      {"header 2", Header({2}) + two, {}},
      {"header only", Header({1}), {}},
      {"empty file", "", {}},
      {"shorter than the header", std::string(1, '\x01') + std::string(500, '\0'), {}},
      {"short trailing piece", Header({1}) + two + std::string(1031, 'x'), both},
      {"one byte after the records", Header({1}) + two + "z", both},
  };
  for (const auto& c : cases) {
    Load(c.bytes);
    EXPECT_EQ(Shape(), c.shape) << c.name;
    EXPECT_FALSE(form->Tree1->Updating()) << c.name;
  }
  // A file that is not there gives no modules either.
  TFormToolsAccess::LoadModuleList(*form, "C:\\List\\NONE.QSP");
  EXPECT_EQ(Shape(), std::vector<std::string>{});
}

TEST_F(ModuleTreeTest, GroupsAndTexts) {
  std::string longTitle(256, 'T');
  longTitle[0] = 'L';
  const struct {
    const char* name;
    std::vector<TModuleRec> recs;
    std::vector<std::string> shape;
  } cases[] = {
      {"named and blank groups in order of first use",
       {Module("C:\\x\\A.prc", "", "Handheld"), Module("B.exe"), Module("C.pdb", "", "Handheld"),
        Module("D.txt", "", " \t")},
       {"Handheld", "  A.prc", "  C.pdb", "General", "  B.exe", "  D.txt"}},
      {"groups differing in case or by a leading blank",
       {Module("A", "", "Tools"), Module("B", "", "tools"), Module("C", "", " Tools"), Module("D", "", "Tools")},
       {"Tools", "  A", "  D", "tools", "  B", " Tools", "  C"}},
      {"same titles twice", {Module("a.prc", "Same"), Module("b.prc", "Same")}, {"General", "  Same", "  Same"}},
      {"titles: blank falls back to the file name, leading blanks stay",
       {Module("C:\\dir\\sub\\F.prc", "   "), Module("D:G.prc", "\t"), Module("H.prc", "  Shown ")},
       {"General", "  F.prc", "  G.prc", "    Shown "}},
      {"a 256-byte title without terminator", {Module("x.prc", longTitle)}, {"General", "  " + longTitle}},
      {"a group named after an earlier module hangs below it",
       {Module("a.prc", "Tools", "Apps"), Module("b.prc", "Helper", "Tools"), Module("c.prc", "Other", "Apps")},
       {"Apps", "  Tools", "    Helper", "  Other"}},
      {"a group node of that name comes first in display order",
       {Module("a.prc", "Tools", "Tools"), Module("b.prc", "Second", "Tools")},
       {"Tools", "  Tools", "  Second"}},
      {"a group named General and blank groups are one group",
       {Module("a", "", "General"), Module("b", "", "")},
       {"General", "  a", "  b"}},
  };
  for (const auto& c : cases) {
    Load(ListFile(c.recs));
    EXPECT_EQ(Shape(), c.shape) << c.name;
  }
}

// Nodes: group nodes without record, image 1, children with check boxes; module nodes unchecked,
// each with its own copy of the whole record (bytes after the terminators too); all expanded and
// the first node scrolled into view.
TEST_F(ModuleTreeTest, NodesCarryCopiesOfTheirRecords) {
  TModuleRec a = Module("C:\\Build\\Reader.prc", "Reader", "Handheld", 3, 1, "Acme");
  std::memcpy(a.Title + 10, "leftover", 8);  // after the terminator: ignored, but kept in the copy
  TModuleRec b = Module("C:\\Build\\Tool.exe", "", "PC", 2, 0, "");
  TModuleRec c = Module("x.pdb", "", "", -7, 5, "");
  Load(ListFile({a, b, c}));
  ASSERT_EQ(Shape(), (std::vector<std::string>{"Handheld", "  Reader", "PC", "  Tool.exe", "General", "  x.pdb"}));
  const TTreeNT& tree = *form->Tree1;
  const TModuleRec* want[] = {&a, &b, &c};
  for (int g = 0; g < tree.TopCount(); ++g) {
    const TTreeNode* group = tree.TopItem(g);
    EXPECT_FALSE(group->Data().has_value());
    EXPECT_FALSE(group->ShowsCheckBox());
    EXPECT_EQ(group->ImageIndex(), 1);
    EXPECT_EQ(group->SelectedIndex(), 1);
    EXPECT_TRUE(group->Expanded());
    ASSERT_EQ(group->Count(), 1);
    const TTreeNode* node = group->Item(0);
    EXPECT_TRUE(node->ShowsCheckBox());
    EXPECT_EQ(node->CheckState(), csUnchecked);
    const TModuleRec* rec = node->DataAs<TModuleRec>();
    ASSERT_TRUE(rec);
    EXPECT_EQ(std::memcmp(rec, want[g], sizeof(TModuleRec)), 0) << node->Text();
  }
  EXPECT_EQ(tree.TopVisible(), tree.TopItem(0));
  // A module hanging below a module node can be checked too (the run installs checked children).
  Load(ListFile({Module("a.prc", "Tools"), Module("b.prc", "Helper", "Tools")}));
  const TTreeNode* helper = tree.Item(2);
  ASSERT_EQ(helper->Text(), "Helper");
  EXPECT_TRUE(helper->ShowsCheckBox());
  form->Tree1->Item(2)->SetCheckState(csChecked);
  EXPECT_TRUE(helper->Checked());
}

// Reading again starts from an empty tree.
TEST_F(ModuleTreeTest, ReadingReplacesTheTree) {
  Load(ListFile({Module("a.prc", "", "One")}));
  Load(ListFile({Module("b.prc", "", "Two")}));
  EXPECT_EQ(Shape(), (std::vector<std::string>{"Two", "  b.prc"}));
}

// Runtime modules: every packed file whose description holds "DORUVU" (in that case), after the
// list's modules, whatever became of the list file.
TEST_F(ModuleTreeTest, RuntimeModules) {
  AddRuntime("ILIST.QSP", "module list");
  AddRuntime("RT1.DLL", "DORUVU");
  AddRuntime("rt2.dll", "needs DORUVU runtime");
  AddRuntime("RT3.DLL", "doruvu");       // case matters
  AddRuntime("Dir\\RT4.DLL", "DORUVU");  // its file-name part would name another file
  AddRuntime("", "DORUVU");
  AddRuntime(std::string(257, 'N'), "DORUVU");  // does not fit the source path
  const struct {
    const char* name;
    std::string list;
    std::vector<std::string> shape;
  } cases[] = {
      {"after the groups of the list",
       ListFile({Module("a.prc", "", "Handheld")}),
       {"Handheld", "  a.prc", "Runtime", "  RT1.DLL", "  rt2.dll"}},
      {"joining the list's own Runtime group at its end",
       ListFile({Module("a.prc", "", "Runtime"), Module("b.prc", "", "Other")}),
       {"Runtime", "  a.prc", "  RT1.DLL", "  rt2.dll", "Other", "  b.prc"}},
      {"with a refused list", Header({0}) + Record(Module("a.prc")), {"Runtime", "  RT1.DLL", "  rt2.dll"}},
      {"with an empty list", "", {"Runtime", "  RT1.DLL", "  rt2.dll"}},
  };
  for (const auto& c : cases) {
    Load(c.list);
    EXPECT_EQ(Shape(), c.shape) << c.name;
  }
  TFormToolsAccess::LoadModuleList(*form, "C:\\List\\MISSING.QSP");
  EXPECT_EQ(Shape(), (std::vector<std::string>{"Runtime", "  RT1.DLL", "  rt2.dll"}));

  const TModuleRec* rec = form->Tree1->Item(2)->DataAs<TModuleRec>();
  ASSERT_TRUE(rec);
  EXPECT_EQ(ModuleText(rec->SourcePath), "rt2.dll");
  EXPECT_EQ(ModuleText(rec->Group), "Runtime");
  EXPECT_EQ(ModuleText(rec->Title), "");
  EXPECT_EQ(ModuleText(rec->ProgramGroup), "");
  EXPECT_EQ(rec->Action, 0);
  EXPECT_EQ(rec->MakeShortcut, 0);
}

// An empty list and no runtime files leave the tree empty.
TEST_F(ModuleTreeTest, NothingToOffer) {
  AddRuntime("README.TXT", "plain file");
  Load(Header({1}));
  EXPECT_EQ(form->Tree1->Count(), 0);
}

// The module list travels in the payload: compressed or not, with runtime files beside it.
TEST_F(WizardTest, ModuleTreeFromThePayload) {
  for (bool compress : {true, false}) {
    program.reset();
    InstallDesktop({});
    auto model = BuiltInModel();
    AddPackedFile(*model, "ILIST.QSP",
                  ListFile({Module("C:\\Src\\Reader.prc", "Reader", "Handheld"), Module("C:\\Src\\Help.txt")}), "",
                  compress);
    AddPackedFile(*model, "Reader.prc", std::string(5000, 'r'), "", compress);
    AddPackedFile(*model, "VBRUN.DLL", "dll", "DORUVU runtime", compress);
    WriteProgram(*model);
    ASSERT_TRUE(Start());
    EXPECT_EQ(TreeShape(*form->Tree1),
              (std::vector<std::string>{"Handheld", "  Reader", "General", "  Help.txt", "Runtime", "  VBRUN.DLL"}));
    EXPECT_EQ(ProgramFolder(), (std::vector<std::string>{"Setup.exe"}));
  }
}

// The placement rule on its own, as a builder uses it: the parent is the first node of the group's
// text in display order (depth first, not the order nodes were added), group or module alike.
TEST(ModuleTreeShape, Placements) {
  const struct {
    const char* group;
    const char* text;
    std::size_t parent;
    bool newGroup;
    bool underModule;
  } steps[] = {
      {"", "a", 0, true, false},           // "General" 0, a 1
      {"Tools", "Tools", 2, true, false},  // "Tools" 2, module Tools 3
      {"General", "b", 0, false, false},   // b 4
      {"Tools", "c", 2, false, false},     // the group node comes before the module of that text
      {"a", "d", 1, false, true},          // d 6 under the module a
      {"d", "e", 6, false, true},          // e 7, two levels down
      {"a", "b", 1, false, true},          // b 8, added after b 4 but shown before it
      {"b", "f", 8, false, true},
  };
  ModuleTreeShape shape;
  for (const auto& s : steps) {
    SCOPED_TRACE(s.text);
    const auto at = shape.AddModule(s.group, s.text);
    EXPECT_EQ(at.parent, s.parent);
    EXPECT_EQ(at.newGroup, s.newGroup);
    EXPECT_EQ(shape.At(at.parent).module, s.underModule);
    EXPECT_EQ(shape.At(at.node).text, s.text);
    EXPECT_TRUE(shape.At(at.node).module);
  }
  EXPECT_EQ(shape.At(0).text, "General");
  EXPECT_EQ(shape.Count(), 10u);
}

TEST(ModuleTreeText, TitleOrFileName) {
  const struct {
    const char* source;
    const char* title;
    const char* text;
  } cases[] = {
      {"C:\\a\\b.prc", "Title", "Title"}, {"C:\\a\\b.prc", "", "b.prc"},      {"C:\\a\\b.prc", " \x01\x1F ", "b.prc"},
      {"C:b.prc", "", "b.prc"},           {"noseparator", "", "noseparator"}, {"C:\\a\\", "", ""},
      {"C:\\a\\b.prc", " x", " x"},
  };
  for (const auto& c : cases) EXPECT_EQ(ModuleTreeText(Module(c.source, c.title)), c.text) << c.source;
}

}  // namespace
}  // namespace qs::test
