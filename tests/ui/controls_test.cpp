#include "ui/controls.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "ui/headless/headless.h"
#include "ui/notebook.h"
#include "ui/stdctrls.h"

namespace qs {
namespace {

// A notebook with n pages, owned and parented as a form stream leaves them.
struct Book {
  TForm form{nullptr};
  TNotebook* nb;
  explicit Book(int pages) {
    nb = new TNotebook(&form);
    nb->SetParent(&form);
    for (int i = 0; i < pages; ++i) AddPage("P" + std::to_string(i));
  }
  TPage* AddPage(const std::string& caption) {
    auto* p = new TPage(nb->ChildOwner(&form));
    p->SetCaption(caption);
    p->SetParent(nb);
    return p;
  }
};

TEST(Notebook, PageIndexIgnoresPagesThatDoNotExist) {
  struct Case {
    int pages, start, set, expected;
  };
  const Case cases[] = {
      {8, 0, 7, 7}, {8, 3, 0, 0}, {8, 3, 8, 3}, {8, 3, -1, 3}, {8, 3, 1000, 3}, {1, 0, 1, 0}, {0, -1, 0, -1},
  };
  for (const Case& c : cases) {
    Book b(c.pages);
    if (c.start >= 0) b.nb->SetPageIndex(c.start);
    ASSERT_EQ(b.nb->PageIndex(), c.start);
    b.nb->SetPageIndex(c.set);
    EXPECT_EQ(b.nb->PageIndex(), c.expected) << c.pages << " pages, set " << c.set;
    if (c.expected >= 0) {
      EXPECT_EQ(b.nb->ActivePage()->Caption(), "P" + std::to_string(c.expected));
    }
  }
}

TEST(Notebook, IndexReadBeforeThePagesTakesEffectOnceLoaded) {
  struct Case {
    int stored, pages, expected;
  };
  const Case cases[] = {{7, 8, 7}, {2, 8, 2}, {9, 8, 0}, {-1, 8, 0}, {0, 0, -1}};
  for (const Case& c : cases) {
    Book b(0);
    b.nb->SetState(b.nb->State() | csLoading);
    b.nb->SetPageIndex(c.stored);  // properties come before the pages in a stream
    for (int i = 0; i < c.pages; ++i) b.AddPage("P" + std::to_string(i));
    b.nb->Loaded();
    EXPECT_EQ(b.nb->PageIndex(), c.expected) << "stored " << c.stored;
    EXPECT_FALSE(b.nb->State() & csLoading);
  }
}

TEST(Notebook, PagesBelongToTheNotebookAndTheRegistryKnowsThem) {
  Book b(3);
  RegisterUiClasses();
  EXPECT_NE(ClassRegistry::Find("tpage"), nullptr);
  EXPECT_EQ(b.nb->ChildOwner(&b.form), b.nb);
  EXPECT_EQ(b.nb->Page(1)->Owner(), b.nb);
  EXPECT_EQ(b.nb->PageCount(), 3);
  EXPECT_EQ(b.nb->Page(3), nullptr);
  // Losing the page shown keeps the index on an existing page.
  b.nb->SetPageIndex(2);
  delete b.nb->Page(2);
  EXPECT_EQ(b.nb->PageIndex(), 1);
  EXPECT_FALSE(b.nb->Page(0)->SizeStored());
}

TEST(Controls, ParentsChildrenAndTheirOrder) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  auto* a = new TLabel(&form);
  auto* b = new TButton(&form);
  auto* c = new TCheckBox(&form);
  a->SetParentComponent(panel);
  b->SetParentComponent(panel);
  c->SetParentComponent(panel);
  a->SetParentComponent(a);  // not a container: ignored
  EXPECT_EQ(a->Parent(), panel);
  EXPECT_EQ(a->ParentComponent(), panel);
  EXPECT_EQ(panel->Children(), (std::vector<TComponent*>{a, b, c}));
  panel->SetChildOrder(c, 0);
  EXPECT_EQ(panel->Children(), (std::vector<TComponent*>{c, a, b}));
  panel->SetChildOrder(c, 99);
  EXPECT_EQ(panel->Children(), (std::vector<TComponent*>{a, b, c}));

  // A control cannot hold itself, directly or further down.
  EXPECT_THROW(panel->SetParent(panel), Exception);
  auto* inner = new TPanel(&form);
  inner->SetParent(panel);
  EXPECT_THROW(panel->SetParent(inner), Exception);
  EXPECT_EQ(panel->Parent(), &form);

  // Destroying a parent leaves its children with their owner, without a parent.
  delete panel;
  EXPECT_EQ(a->Parent(), nullptr);
  EXPECT_EQ(form.ComponentCount(), 4);
}

TEST(Controls, FormChildrenPutNonVisualComponentsFirst) {
  TForm form(nullptr);
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  auto* plain = new TComponent(&form);
  EXPECT_EQ(form.Children(), (std::vector<TComponent*>{plain, label}));
}

TEST(Controls, FontsFollowTheParentUntilSetOwn) {
  TForm form(nullptr);
  form.Font().SetName("Form Font");
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  EXPECT_TRUE(label->ParentFont());
  EXPECT_EQ(label->EffectiveFont().Name(), "Form Font");
  label->Font().SetStyle(SetOf(fsBold));
  EXPECT_FALSE(label->ParentFont());
  EXPECT_EQ(label->EffectiveFont().Name(), "MS Sans Serif");
  EXPECT_EQ(label->EffectiveFont().Style(), SetOf(fsBold));
}

TEST(Controls, ProgressBarKeepsItsPositionInRange) {
  struct Case {
    int min, max, position, expMax, expPos;
  };
  const Case cases[] = {
      {0, 100, 50, 100, 50}, {0, 2, 5, 2, 2}, {0, 0, 3, 0, 0}, {0, -1, 0, 0, 0}, {10, 20, 0, 20, 10},
  };
  for (const Case& c : cases) {
    TProgressBar bar(nullptr);
    bar.SetRange(c.min, c.max);
    bar.SetPosition(c.position);
    EXPECT_EQ(bar.Max(), c.expMax) << c.min << ".." << c.max;
    EXPECT_EQ(bar.Position(), c.expPos) << c.min << ".." << c.max << " at " << c.position;
  }
}

TEST(Controls, CheckBoxStateAndChecked) {
  TCheckBox box(nullptr);
  box.SetState(cbGrayed);
  EXPECT_FALSE(box.Checked());
  box.SetChecked(true);
  EXPECT_EQ(box.State(), cbChecked);
  box.SetChecked(false);
  EXPECT_EQ(box.State(), cbUnchecked);
}

TEST(Controls, TellTheirBackendAndAttachNewChildren) {
  THeadlessBackend backend;
  TForm form(nullptr);
  auto* page = new TPanel(&form);
  page->SetParent(&form);
  backend.ShowForm(form);
  EXPECT_EQ(page->Backend(), &backend);

  auto* label = new TLabel(&form);
  label->SetParent(page);  // placed on a shown control: the backend takes it
  EXPECT_EQ(label->Backend(), &backend);
  label->SetCaption("x");
  label->SetCaption("x");  // no change, no notice
  label->SetVisible(false);
  label->Repaint();
  auto* button = new TButton(&form);
  button->SetParent(page);
  button->SetEnabled(false);
  button->SetDefault(true);
  EXPECT_EQ(backend.Changes(label, Change::Caption), 1);
  EXPECT_EQ(backend.Changes(label, Change::Visible), 1);
  EXPECT_EQ(backend.Repaints(label), 1);
  EXPECT_EQ(backend.Changes(button, Change::Enabled), 1);
  EXPECT_EQ(backend.Changes(button, Change::Default), 1);
  delete label;  // the backend forgets it
  EXPECT_EQ(backend.Changes(label, Change::Caption), 0);
}

TEST(Controls, ButtonClickRunsItsHandler) {
  TButton button(nullptr);
  TPersistent* sender = nullptr;
  button.Click();  // no handler: nothing
  button.OnClick = {"BNextClick", [&](TPersistent* s) { sender = s; }};
  button.Click();
  EXPECT_EQ(sender, &button);
}

}  // namespace
}  // namespace qs
