#include "platform/ui/toolbar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellor {
namespace {

// A pop-up menu that records where it was asked to show and chooses its
// first item, as a user would.
class TChoosingMenu : public TPopupMenu {
  PELLOR_CLASS(TChoosingMenu);

 public:
  using TPopupMenu::TPopupMenu;
  TMenuItem* Popup(int x, int y) override {
    shownAt = {x, y};
    if (Items()->Count() == 0) return nullptr;
    Items()->Items(0)->Click();
    return Items()->Items(0);
  }
  std::vector<int> shownAt;
};
PELLOR_DEFINE_CLASS(TChoosingMenu, TPopupMenu);

class ToolBarTest : public ::testing::Test {
 protected:
  TToolButton* Button(const std::string& name, TToolButtonStyle style = tbsButton) {
    auto* b = TComponent::Create<TToolButton>(form.get());
    b->SetName(name);
    b->SetStyle(style);
    b->SetParent(bar);
    return b;
  }
  std::vector<std::string> Layout() const {
    std::vector<std::string> list;
    for (int i = 0; i < bar->ButtonCount(); ++i) {
      TToolButton* b = bar->Buttons(i);
      list.push_back(b->Name() + "@" + std::to_string(b->Left()) + "+" + std::to_string(b->Width()) +
                     (b->Visible() ? "" : " hidden"));
    }
    return list;
  }
  std::unique_ptr<TWinControl> form = TComponent::CreateUnowned<TWinControl>();
  TToolBar* bar = [this] {
    auto* b = TComponent::Create<TToolBar>(form.get());
    b->SetParent(form.get());
    return b;
  }();
};

TEST_F(ToolBarTest, ButtonsLineUpInPositionOrderWithoutGaps) {
  form->SetWidth(500);
  EXPECT_EQ(bar->Width(), 500);  // aligned to the top
  Button("btnAdd");
  Button("btnQuery", tbsDropDown);
  Button("sep1", tbsSeparator);
  Button("btnExit");
  EXPECT_EQ(Layout(), (std::vector<std::string>{"btnAdd@0+23", "btnQuery@23+37", "sep1@60+8", "btnExit@68+23"}));
  EXPECT_EQ(bar->Buttons(3)->Height(), 22);

  // A button made at run time and placed right of the separator goes there.
  TToolButton* colour = Button("btnColor", tbsDropDown);
  EXPECT_EQ(colour->Index(), 4);
  colour->SetLeft(bar->Buttons(2)->Left() + bar->Buttons(2)->Width());
  EXPECT_EQ(colour->Index(), 3);

  bar->SetButtonWidth(32);
  bar->Buttons(1)->SetVisible(false);
  EXPECT_EQ(Layout(), (std::vector<std::string>{"btnAdd@0+32", "btnQuery@32+46 hidden", "sep1@32+8",
                                                "btnColor@40+46", "btnExit@86+32"}));
  // A plain button again: the arrow part goes.
  bar->Buttons(1)->SetVisible(true);
  bar->Buttons(1)->SetStyle(tbsButton);
  EXPECT_EQ(bar->Buttons(1)->Width(), 32);

  // A button that leaves the bar, or is freed, leaves the order.
  delete form->FindComponent("sep1");
  colour->SetParent(form.get());
  EXPECT_EQ(Layout(), (std::vector<std::string>{"btnAdd@0+32", "btnQuery@32+32", "btnExit@64+32"}));
  EXPECT_EQ(colour->Index(), -1);
  EXPECT_THROW(bar->Buttons(3), EComponentError);
}

TEST_F(ToolBarTest, ClicksFollowStyleEnabledAndGroups) {
  std::vector<std::string> clicks;
  auto track = [&](TToolButton* b) {
    b->OnClick = [&clicks](TObject* sender) { clicks.push_back(static_cast<TToolButton*>(sender)->Name()); };
    return b;
  };
  TToolButton* add = track(Button("btnAdd"));
  TToolButton* sep = track(Button("sep", tbsSeparator));
  TToolButton* a = track(Button("a", tbsCheck));
  TToolButton* b = track(Button("b", tbsCheck));
  TToolButton* c = track(Button("c", tbsCheck));
  a->SetGrouped(true);
  b->SetGrouped(true);

  add->SetEnabled(false);
  add->Click();  // disabled: nothing
  sep->Click();  // separator: nothing
  EXPECT_TRUE(clicks.empty());

  a->Click();
  b->Click();
  EXPECT_FALSE(a->Down());  // raised by its group
  EXPECT_TRUE(b->Down());
  b->Click();  // a grouped button that is down stays down
  EXPECT_TRUE(b->Down());
  c->Click();  // not grouped: toggles, leaves the group alone
  EXPECT_TRUE(c->Down() && b->Down());
  c->Click();
  EXPECT_FALSE(c->Down());
  EXPECT_EQ(clicks, (std::vector<std::string>{"a", "b", "b", "c", "c"}));
}

TEST_F(ToolBarTest, ArrowOpensTheDropDownMenu) {
  auto* menu = TComponent::Create<TChoosingMenu>(form.get());
  menu->SetName("mnCondition");
  auto* item = TComponent::Create<TMenuItem>(form.get());
  menu->Items()->Add(item);
  int chosen = 0;
  item->OnClick = [&](TObject*) { ++chosen; };

  TToolButton* query = Button("btnQuery", tbsDropDown);
  int clicked = 0;
  query->OnClick = [&](TObject*) { ++clicked; };
  SetPropValue(*query, "DropdownMenu", "mnCondition");
  EXPECT_EQ(query->DropdownMenu(), menu);

  EXPECT_EQ(query->ClickArrow(), item);
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(clicked, 0);  // the arrow does not press the button
  EXPECT_EQ(menu->shownAt, (std::vector<int>{0, 22}));
  EXPECT_EQ(menu->PopupComponent(), query);

  // A plain button keeps its menu but does not open it; neither does a
  // disabled drop-down button.
  query->SetStyle(tbsButton);
  EXPECT_EQ(query->ClickArrow(), nullptr);
  query->Click();
  EXPECT_EQ(clicked, 1);
  query->SetStyle(tbsDropDown);
  query->SetEnabled(false);
  EXPECT_EQ(query->ClickArrow(), nullptr);
  EXPECT_EQ(chosen, 1);

  delete menu;
  EXPECT_EQ(query->DropdownMenu(), nullptr);
}

TEST_F(ToolBarTest, PropertiesByNameAndObservers) {
  class Recorder : public TComponentObserver {
   public:
    void PropertyChanged(TComponent& c, std::string_view p) override { changes.push_back(c.Name() + "." + std::string(p)); }
    std::vector<std::string> changes;
  } recorder;
  TToolButton* add = Button("btnAdd");
  add->AddObserver(&recorder);
  SetPropValue(*add, "Style", "tbsCheck");
  SetPropValue(*add, "ImageIndex", 4);
  SetPropValue(*add, "Caption", "add");
  SetPropValue(*add, "Enabled", false);
  EXPECT_EQ(recorder.changes,
            (std::vector<std::string>{"btnAdd.Style", "btnAdd.ImageIndex", "btnAdd.Caption", "btnAdd.Enabled"}));
  add->RemoveObserver(&recorder);

  SetPropValue(*bar, "Flat", true);
  SetPropValue(*bar, "ButtonHeight", 25);
  EXPECT_TRUE(bar->Flat());
  EXPECT_EQ(add->Height(), 25);
  auto* images = TComponent::Create<TImageList>(form.get());
  images->SetName("ImageList1");
  SetPropValue(*bar, "Images", "ImageList1");
  EXPECT_EQ(bar->Images(), images);
  auto* other = TComponent::Create<TComponent>(form.get());
  other->SetName("Other");
  EXPECT_THROW(SetPropValue(*bar, "Images", "Other"), EPropertyError);  // not an image list
  delete images;
  EXPECT_EQ(bar->Images(), nullptr);
}

}  // namespace
}  // namespace pellor
