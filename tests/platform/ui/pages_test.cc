#include "platform/ui/comctrls_pages.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/forms.h"
#include "platform/ui/stdctrls.h"

namespace pellor {
namespace {

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pages = TComponent::Create<TPageControl>(form.get());
    pages->SetName("pgHead");
    pages->SetParent(form.get());
    for (const char* name : {"tbsHead1", "tbsHead2", "tbsUDF", "tbsBrowse"}) {
      auto* sheet = TComponent::Create<TTabSheet>(form.get());
      sheet->SetName(name);
      sheet->SetCaption(name);
      sheet->SetPageControl(pages);
      sheets.push_back(sheet);
    }
    pages->OnChanging = [this](TObject*, bool& allow) {
      events.push_back("changing " + pages->ActivePage()->Name());
      allow = allowChange;
    };
    pages->OnChange = [this](TObject*) { events.push_back("change " + pages->ActivePage()->Name()); };
  }

  std::vector<std::string> Visible() const {
    std::vector<std::string> names;
    for (TTabSheet* sheet : sheets) {
      if (sheet->Visible()) names.push_back(sheet->Name());
    }
    return names;
  }

  TFormPtr<TForm> form = TCustomForm::CreateUnowned<TForm>();
  TPageControl* pages = nullptr;
  std::vector<TTabSheet*> sheets;
  std::vector<std::string> events;
  bool allowChange = true;
};

TEST_F(PagesTest, OnlyTheActivePageIsVisibleAndCodeFiresNoEvents) {
  EXPECT_EQ(pages->ActivePage(), sheets[0]);  // the first page becomes active
  EXPECT_EQ(Visible(), std::vector<std::string>{"tbsHead1"});

  SetPropValue(*pages, "ActivePage", Variant("tbsBrowse"));
  EXPECT_EQ(Visible(), std::vector<std::string>{"tbsBrowse"});
  pages->SetActivePageIndex(1);
  EXPECT_EQ(GetPropText(*pages, "ActivePage"), "tbsHead2");
  EXPECT_TRUE(events.empty());

  // A page of another control, or an index out of range, is refused.
  auto* other = TComponent::Create<TPageControl>(form.get());
  auto* stray = TComponent::Create<TTabSheet>(form.get());
  stray->SetPageControl(other);
  EXPECT_THROW(pages->SetActivePage(stray), EInvalidOperation);
  EXPECT_THROW(pages->SetActivePageIndex(4), EComponentError);
  EXPECT_THROW(SetPropValue(*pages, "TabIndex", Variant(7)), EComponentError);
  EXPECT_EQ(pages->ActivePage(), sheets[1]);
  pages->SetActivePage(nullptr);
  EXPECT_TRUE(Visible().empty());
}

TEST_F(PagesTest, TabsCountVisibleTabsOnly) {
  sheets[1]->SetTabVisible(false);
  // The second tab draws the third page.
  EXPECT_EQ(pages->TabCount(), 3);
  EXPECT_EQ(pages->PageForTab(1), sheets[2]);
  EXPECT_EQ(sheets[1]->TabIndex(), -1);
  EXPECT_EQ(sheets[3]->TabIndex(), 2);
  pages->SetTabIndex(2);
  EXPECT_EQ(pages->ActivePage(), sheets[3]);

  // Hiding the active page's tab shows the page of the tab that takes its
  // place, or the last tab's.
  sheets[3]->SetTabVisible(false);
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  pages->SetActivePage(sheets[0]);
  sheets[0]->SetTabVisible(false);
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  sheets[2]->SetTabVisible(false);
  EXPECT_EQ(pages->ActivePage(), nullptr);
  sheets[1]->SetTabVisible(true);
  EXPECT_EQ(pages->ActivePage(), sheets[1]);
}

TEST_F(PagesTest, UserChangesAskOnChangingAndMayBeVetoed) {
  struct Case {
    const char* what;
    std::function<bool()> act;
    bool allow;
    const char* expectedPage;
    std::vector<std::string> expectedEvents;
  };
  const Case cases[] = {
      {"tab click", [this] { return pages->SelectTab(2); }, true, "tbsUDF",
       {"changing tbsHead1", "change tbsUDF"}},
      {"vetoed tab click", [this] { return pages->SelectTab(2); }, false, "tbsHead1", {"changing tbsHead1"}},
      {"click on the active tab", [this] { return pages->SelectTab(0); }, true, "tbsHead1", {}},
      {"previous page wraps round", [this] { return pages->SelectNextPage(false); }, true, "tbsBrowse",
       {"changing tbsHead1", "change tbsBrowse"}},
      {"ctrl+tab", [this] {
         uint16_t key = VK_TAB;
         pages->HandleKeyDown(key, {ssCtrl});
         return key == 0;
       }, true, "tbsHead2", {"changing tbsHead1", "change tbsHead2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pages->SetActivePage(sheets[0]);
    events.clear();
    allowChange = c.allow;
    c.act();
    EXPECT_EQ(pages->ActivePage()->Name(), c.expectedPage);
    EXPECT_EQ(events, c.expectedEvents);
  }

  // A hidden tab is skipped; OnChange may send the user back.
  sheets[1]->SetTabVisible(false);
  pages->SetActivePage(sheets[0]);
  pages->OnChange = [this](TObject*) { pages->SetActivePage(sheets[0]); };
  allowChange = true;
  EXPECT_TRUE(pages->SelectNextPage(true));
  EXPECT_EQ(pages->ActivePage(), sheets[0]);
}

TEST_F(PagesTest, PagesMoveAndLeave) {
  SetPropValue(*sheets[3], "PageIndex", Variant(0));
  EXPECT_EQ(pages->Pages(0), sheets[3]);
  EXPECT_EQ(sheets[0]->PageIndex(), 1);
  EXPECT_THROW(sheets[0]->SetPageIndex(4), EComponentError);

  // A freed active page hands over to the next one.
  pages->SetActivePage(sheets[0]);
  delete sheets[0];
  EXPECT_EQ(pages->PageCount(), 3);
  EXPECT_EQ(pages->ActivePage(), sheets[1]);
  // A page moved to another parent leaves the page list.
  sheets[1]->SetParent(form.get());
  EXPECT_EQ(sheets[1]->PageControl(), nullptr);
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  // Pages fill the area below the tab row.
  SetPropValue(*pages, "TabHeight", Variant(20));
  pages->SetBounds(0, 0, 300, 200);
  EXPECT_EQ(sheets[2]->Width(), 292);
  EXPECT_EQ(sheets[2]->Top(), 24);
  EXPECT_EQ(sheets[2]->Height(), 172);
}

TEST_F(PagesTest, FocusLeavesThePageThatGoesOutOfSight) {
  auto* edit = TComponent::Create<TEdit>(form.get());
  edit->SetParent(sheets[0]);
  form->Show();
  form->SetActiveControl(edit);
  pages->SetActivePage(sheets[1]);
  EXPECT_EQ(form->ActiveControl(), sheets[1]);
  EXPECT_FALSE(edit->CanFocus());

  // A control whose OnExit raises keeps the focus and its page.
  pages->SetActivePage(sheets[0]);
  form->SetActiveControl(edit);
  edit->OnExit = [](TObject*) { throw EAbort(); };
  EXPECT_THROW(pages->SetActivePage(sheets[2]), EAbort);
  EXPECT_EQ(pages->ActivePage(), sheets[0]);
  EXPECT_EQ(form->ActiveControl(), edit);
}

}  // namespace
}  // namespace pellor
