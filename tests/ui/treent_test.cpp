#include "ui/treent.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/errors.h"
#include "core/streams.h"
#include "ui/headless/headless.h"

namespace qs {
namespace {

// Groups A (with a1, a2, and a2 with a21) and B (with b1); A and B show no check box, their
// children do.
struct Sample {
  TTreeNT tree{nullptr};
  TTreeNode *a, *a1, *a2, *a21, *b, *b1;
  Sample() {
    a = tree.Add("A");
    a->SetCheckType(TCheckType::CheckBox);
    a1 = tree.AddChild(a, "a1");
    a2 = tree.AddChild(a, "a2");
    a2->SetCheckType(TCheckType::CheckBox);
    a21 = tree.AddChild(a2, "a21");
    b = tree.Add("B");
    b->SetCheckType(TCheckType::CheckBox);
    b1 = tree.AddChild(b, "b1");
  }
};

TEST(TreeNT, NodesByDepthFirstPosition) {
  Sample s;
  const char* order[] = {"A", "a1", "a2", "a21", "B", "b1"};
  ASSERT_EQ(s.tree.Count(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(s.tree.Item(i)->Text(), order[i]) << i;
  EXPECT_EQ(s.tree.Item(-1), nullptr);
  EXPECT_EQ(s.tree.Item(6), nullptr);
  EXPECT_EQ(s.a21->Level(), 2);
  EXPECT_EQ(s.a2->Index(), 1);
  EXPECT_EQ(s.b->Index(), 1);

  // Positions follow the tree as it changes: a node added to A comes before B.
  s.tree.AddChild(s.a, "a3");
  EXPECT_EQ(s.tree.Item(4)->Text(), "a3");
  EXPECT_EQ(s.tree.Item(5)->Text(), "B");
  s.tree.Delete(s.a2);  // with its child
  ASSERT_EQ(s.tree.Count(), 5);
  EXPECT_EQ(s.tree.Item(2)->Text(), "a3");
}

TEST(TreeNT, CheckStateHonouredOnlyWhereACheckBoxShows) {
  struct Case {
    const char* what;
    std::function<TTreeNode*(Sample&)> node;
    std::function<void(Sample&)> before;
    int state;
    int expected;
  };
  const Case cases[] = {
      {"child of a check-box parent", [](Sample& s) { return s.a1; }, {}, 1, 1},
      {"partly checked", [](Sample& s) { return s.a1; }, {}, 2, 2},
      {"top-level node", [](Sample& s) { return s.a; }, {}, 1, 0},
      {"top-level node, root check boxes on", [](Sample& s) { return s.a; },
       [](Sample& s) { s.tree.SetRootCheckType(TCheckType::CheckBox); }, 1, 1},
      {"disabled node", [](Sample& s) { return s.a1; }, [](Sample& s) { s.a1->SetEnabled(false); }, 1, 0},
      {"parent's check boxes turned off", [](Sample& s) { return s.b1; },
       [](Sample& s) { s.b->SetCheckType(TCheckType::None); }, 1, 0},
      {"grandchild under a check-box node", [](Sample& s) { return s.a21; }, {}, 1, 1},
      {"state out of range", [](Sample& s) { return s.a1; }, {}, 3, 0},
      {"negative state", [](Sample& s) { return s.a1; }, {}, -1, 0},
  };
  for (const Case& c : cases) {
    Sample s;
    if (c.before) c.before(s);
    TTreeNode* n = c.node(s);
    n->SetCheckState(c.state);
    EXPECT_EQ(n->CheckState(), c.expected) << c.what;
    EXPECT_EQ(n->Checked(), c.expected == 1) << c.what;
  }
}

TEST(TreeNT, CheckingEveryPositionChangesOnlyCheckBoxNodes) {
  Sample s;
  for (int i = 0; i < s.tree.Count(); ++i) s.tree.Item(i)->SetCheckState(1);
  std::string checked;
  for (int i = 0; i < s.tree.Count(); ++i) checked += s.tree.Item(i)->Checked() ? '1' : '0';
  EXPECT_EQ(checked, "011101");
  for (int i = 0; i < s.tree.Count(); ++i) s.tree.Item(i)->SetCheckState(0);
  for (int i = 0; i < s.tree.Count(); ++i) EXPECT_EQ(s.tree.Item(i)->CheckState(), 0);
}

TEST(TreeNT, ClearReleasesNodesAndTheirData) {
  Sample s;
  auto token = std::make_shared<int>(7);
  s.tree.AddChild(s.b, "with data", token);
  EXPECT_EQ(token.use_count(), 2);
  const std::shared_ptr<int>* held = s.tree.Item(6)->DataAs<std::shared_ptr<int>>();
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(**held, 7);
  EXPECT_EQ(s.tree.Item(6)->DataAs<int>(), nullptr);  // wrong type: no data of that kind

  s.b1->MakeVisible();
  EXPECT_EQ(s.tree.TopVisible(), s.b1);
  s.tree.Clear();
  EXPECT_EQ(s.tree.Count(), 0);
  EXPECT_EQ(s.tree.TopCount(), 0);
  EXPECT_EQ(s.tree.Item(0), nullptr);
  EXPECT_EQ(s.tree.TopVisible(), nullptr);
  EXPECT_EQ(token.use_count(), 1);
  // A cleared tree takes new nodes as a fresh one.
  s.tree.Add("Users");
  EXPECT_EQ(s.tree.Count(), 1);
}

TEST(TreeNT, ExpandAndScrollIntoView) {
  Sample s;
  s.a21->MakeVisible();
  EXPECT_TRUE(s.a->Expanded());
  EXPECT_TRUE(s.a2->Expanded());
  EXPECT_FALSE(s.b->Expanded());
  s.tree.FullExpand();
  for (int i = 0; i < s.tree.Count(); ++i) EXPECT_TRUE(s.tree.Item(i)->Expanded()) << i;
  s.tree.Delete(s.a);  // the node in view goes with it
  EXPECT_EQ(s.tree.TopVisible(), nullptr);
}

TEST(TreeNT, TellsItsBackendAndBatchesUpdates) {
  THeadlessBackend backend;
  Sample s;
  s.tree.SetBackend(&backend);
  s.tree.BeginUpdate();
  s.tree.BeginUpdate();
  TTreeNode* n = s.tree.AddChild(s.a, "new");
  n->SetCheckState(1);
  n->SetText("renamed");
  s.tree.EndUpdate();
  EXPECT_EQ(backend.TreeChanges(&s.tree, TreeChange::EndUpdate), 0);  // still inside the outer batch
  s.tree.EndUpdate();
  s.tree.EndUpdate();  // unbalanced: ignored
  s.tree.Clear();
  EXPECT_EQ(backend.TreeChanges(&s.tree, TreeChange::BeginUpdate), 1);
  EXPECT_EQ(backend.TreeChanges(&s.tree, TreeChange::EndUpdate), 1);
  EXPECT_EQ(backend.TreeChanges(&s.tree, TreeChange::Added), 1);
  EXPECT_EQ(backend.TreeChanges(&s.tree, TreeChange::CheckState), 1);
  EXPECT_EQ(backend.TreeChanges(&s.tree, TreeChange::Text), 1);
  EXPECT_EQ(backend.TreeChanges(&s.tree, TreeChange::Cleared), 1);
  EXPECT_FALSE(s.tree.Updating());
}

// ---- "Items.Data" -----------------------------------------------------------------------------

struct Bytes {
  std::vector<std::uint8_t> b;
  Bytes& U8(int v) {
    b.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  Bytes& I32(std::int64_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * i)));
    return *this;
  }
  // A node record as the tree writes it: 87 attribute bytes (image, selected image, children)
  // and the counted text.
  Bytes& Node(const std::string& text, int children, int image = -1, int selected = -1) {
    std::vector<std::uint8_t> r(87, 0);
    auto put = [&](std::size_t at, std::int32_t v) {
      for (int i = 0; i < 4; ++i)
        r[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
    };
    put(0, image);
    put(4, selected);
    put(29, children);
    r.push_back(static_cast<std::uint8_t>(text.size()));
    r.insert(r.end(), text.begin(), text.end());
    I32(static_cast<std::int64_t>(r.size()));
    b.insert(b.end(), r.begin(), r.end());
    return *this;
  }
  Bytes& Raw(std::vector<std::uint8_t> r) {
    b.insert(b.end(), r.begin(), r.end());
    return *this;
  }
};

// The tree as text: each node "text" with "(" children ")".
std::string Shape(TTreeNT& t) {
  std::string out;
  std::function<void(TTreeNode*)> walk = [&](TTreeNode* n) {
    out += n->Text();
    if (n->Count()) {
      out += "(";
      for (int i = 0; i < n->Count(); ++i) {
        if (i) out += ",";
        walk(n->Item(i));
      }
      out += ")";
    }
  };
  for (int i = 0; i < t.TopCount(); ++i) {
    if (i) out += ",";
    walk(t.TopItem(i));
  }
  return out;
}

TEST(TreeItemData, ReadsNodesByLengthsAndChildCounts) {
  Bytes d;
  d.U8(1).I32(2).Node("Users", 2, 1, 1).Node("Ann", 0).Node("Bob", 1, 5, 6).Node("deep", 0).Node("Other", 0);
  TTreeNT tree(nullptr);
  tree.Add("old node");
  TMemoryStream s(d.b);
  tree.Items().ReadData(s);
  EXPECT_EQ(Shape(tree), "Users(Ann,Bob(deep)),Other");
  EXPECT_EQ(tree.Items().Option(), 1);
  EXPECT_EQ(tree.Item(0)->ImageIndex(), 1);
  EXPECT_EQ(tree.Item(2)->ImageIndex(), 5);
  EXPECT_EQ(tree.Item(2)->SelectedIndex(), 6);
  EXPECT_EQ(s.Position(), s.Size());

  // Writing gives back the same bytes, and reading those the same tree.
  TMemoryStream out;
  tree.Items().WriteData(out);
  EXPECT_EQ(out.Bytes(), d.b);
  TTreeNT again(nullptr);
  out.SetPosition(0);
  again.Items().ReadData(out);
  EXPECT_EQ(Shape(again), Shape(tree));
}

TEST(TreeItemData, HostileDataFailsCleanlyOrReadsBounded) {
  struct Case {
    const char* what;
    Bytes data;
    bool fails;
    const char* shape;  // what the tree holds afterwards
  };
  std::vector<std::uint8_t> shortRecord(10, 0);  // fewer than 87 attribute bytes, no text
  std::vector<std::uint8_t> textTooLong(87, 0);
  textTooLong.push_back(200);  // says 200 bytes of text, 3 follow inside the record
  textTooLong.insert(textTooLong.end(), {'a', 'b', 'c'});
  const Case cases[] = {
      {"empty value", Bytes{}, true, ""},
      {"no node count", Bytes{}.U8(0), true, ""},
      {"no nodes", Bytes{}.U8(0).I32(0), false, ""},
      {"negative node count", Bytes{}.U8(0).I32(-5), false, ""},
      {"huge node count, no data", Bytes{}.U8(0).I32(0x7FFFFFFF), true, ""},
      {"count beyond the nodes present", Bytes{}.U8(0).I32(3).Node("x", 0), true, "x"},
      {"record length beyond the data", Bytes{}.U8(0).I32(1).I32(0x7FFFFFF0), true, ""},
      {"negative record length", Bytes{}.U8(0).I32(1).I32(-1), true, ""},
      {"children missing", Bytes{}.U8(0).I32(1).Node("p", 2).Node("c", 0), true, "p(c)"},
      {"negative child count", Bytes{}.U8(0).I32(2).Node("p", -3).Node("q", 0), false, "p,q"},
      {"short record", Bytes{}.U8(0).I32(1).I32(10).Raw(shortRecord), false, ""},
      {"text longer than its record", Bytes{}.U8(0).I32(1).I32(91).Raw(textTooLong), false, "abc"},
      {"zero-length record", Bytes{}.U8(0).I32(2).I32(0).Node("n", 0), false, ",n"},
  };
  for (const Case& c : cases) {
    TTreeNT tree(nullptr);
    TMemoryStream s(c.data.b);
    if (c.fails) {
      EXPECT_THROW(tree.Items().ReadData(s), EReadError) << c.what;
    } else {
      EXPECT_NO_THROW(tree.Items().ReadData(s)) << c.what;
    }
    EXPECT_EQ(Shape(tree), c.shape) << c.what;
    EXPECT_FALSE(tree.Updating()) << c.what;
  }
}

TEST(TreeItemData, NestingIsBounded) {
  auto chain = [](int depth) {
    Bytes d;
    d.U8(0).I32(1);
    for (int i = 0; i < depth; ++i) d.Node("n", i + 1 < depth ? 1 : 0);
    return d.b;
  };
  TTreeNT tree(nullptr);
  TMemoryStream ok(chain(256));
  EXPECT_NO_THROW(tree.Items().ReadData(ok));
  EXPECT_EQ(tree.Count(), 256);
  TMemoryStream deep(chain(100000));
  EXPECT_THROW(tree.Items().ReadData(deep), EReadError);
}

TEST(TreeItemData, AssignCopiesNodesAndState) {
  Sample s;
  s.a1->SetCheckState(1);
  s.a1->SetData(std::string("record"));
  TTreeNT copy(nullptr);
  copy.Items().Assign(s.tree.Items());
  EXPECT_EQ(Shape(copy), "A(a1,a2(a21)),B(b1)");
  EXPECT_EQ(copy.Item(1)->CheckState(), 1);
  ASSERT_NE(copy.Item(1)->DataAs<std::string>(), nullptr);
  EXPECT_EQ(*copy.Item(1)->DataAs<std::string>(), "record");
  EXPECT_TRUE(copy.Item(2)->ShowsCheckBox());
}

}  // namespace
}  // namespace qs
