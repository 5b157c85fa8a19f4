#include "platform/ui/extctrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/forms.h"

namespace pellor {
namespace {

class ExtCtrlsTest : public ::testing::Test {
 protected:
  template <class T>
  T* Make(const std::string& name) {
    T* control = TComponent::Create<T>(form.get());
    control->SetName(name);
    control->SetParent(form.get());
    return control;
  }
  TFormPtr<TForm> form = TCustomForm::CreateUnowned<TForm>();
};

TEST_F(ExtCtrlsTest, PanelAndBevelPropertiesByName) {
  auto* panel = Make<TPanel>("pnlHead");
  auto* bevel = Make<TBevel>("Bevel1");
  struct Case {
    TControl* control;
    const char* property;
    const char* value;
    bool refused;
  };
  const Case cases[] = {
      {panel, "BevelOuter", "bvLowered", false}, {panel, "BevelInner", "bvSpace", false},
      {panel, "BevelWidth", "2", false},         {panel, "BevelWidth", "0", true},
      {panel, "BorderWidth", "-1", true},        {panel, "Alignment", "taLeftJustify", false},
      {panel, "Caption", "abc", false},          {panel, "BevelOuter", "bvDeep", true},
      {bevel, "Shape", "bsTopLine", false},      {bevel, "Style", "bsRaised", false},
      {bevel, "Shape", "bsNone", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.property) + " = " + c.value);
    const std::string before = GetPropText(*c.control, c.property);
    if (c.refused) {
      EXPECT_THROW(SetPropValue(*c.control, c.property, Variant(c.value)), EPropertyError);
      EXPECT_EQ(GetPropText(*c.control, c.property), before);
    } else {
      SetPropValue(*c.control, c.property, Variant(c.value));
      EXPECT_EQ(GetPropText(*c.control, c.property), c.value);
    }
  }
  EXPECT_EQ(panel->BevelOuter(), bvLowered);
  EXPECT_EQ(bevel->Shape(), bsTopLine);
}

TEST_F(ExtCtrlsTest, RadioGroupChoosesOneItemAndClicksOnEveryChange) {
  auto* group = Make<TRadioGroup>("rgMF004");
  SetPropValue(*group, "Items", Variant("1.A\r\n2.B\r\n3.C"));
  SetPropValue(*group, "Columns", Variant(2));
  std::vector<int> clicks;
  group->OnClick = [&clicks, group](TObject*) { clicks.push_back(group->ItemIndex()); };

  group->SetItemIndex(1);       // by code: OnClick as well
  group->SetItemIndex(1);       // unchanged: nothing
  group->ClickItem(0);          // by the user
  group->ClickItem(0);          // the chosen one: nothing
  uint16_t key = VK_UP;         // wraps to the last item
  group->HandleKeyDown(key, {});
  EXPECT_EQ(key, 0);
  key = VK_RIGHT;               // and round to the first
  group->HandleKeyDown(key, {});
  EXPECT_EQ(clicks, (std::vector<int>{1, 0, 2, 0}));

  // Wrong values are refused and change nothing.
  EXPECT_THROW(group->SetItemIndex(3), EComponentError);
  EXPECT_THROW(SetPropValue(*group, "Columns", Variant(0)), EPropertyError);
  EXPECT_THROW(group->ClickItem(-1), EComponentError);
  EXPECT_EQ(group->ItemIndex(), 0);
  EXPECT_EQ(group->Columns(), 2);

  // New items keep the choice while it is still one of them.
  group->SetItems(TStringList({"x", "y"}));
  EXPECT_EQ(group->ItemIndex(), 0);
  group->SetItemIndex(1);
  group->SetItems(TStringList({"x"}));
  EXPECT_EQ(group->ItemIndex(), -1);

  // A disabled group takes no clicks.
  group->SetEnabled(false);
  group->ClickItem(0);
  EXPECT_EQ(group->ItemIndex(), -1);
}

}  // namespace
}  // namespace pellor
