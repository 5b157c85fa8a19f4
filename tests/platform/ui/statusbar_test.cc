#include "platform/ui/statusbar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/codepage.h"

namespace pellor {
namespace {

class Recorder : public TComponentObserver {
 public:
  void PropertyChanged(TComponent& component, std::string_view property) override {
    changes.emplace_back(property);
  }
  std::vector<std::string> changes;
};

TEST(StatusBarTest, PanelsReportChangesThroughTheBar) {
  Recorder recorder;
  auto form = TComponent::CreateUnowned<TWinControl>();
  form->SetBounds(0, 0, 400, 300);
  auto* bar = TComponent::Create<TStatusBar>(form.get());
  bar->SetParent(form.get());
  EXPECT_EQ(bar->Top(), 300 - 19);  // sits at the bottom
  EXPECT_EQ(bar->Width(), 400);
  bar->AddObserver(&recorder);

  // A form's five panels, filled at once: one report.
  TStatusPanels& panels = bar->Panels();
  panels.BeginUpdate();
  for (const char* text : {"浏览", "", "单据笔数", "0/0", ""}) panels.Add()->SetText(Cp936(text));
  panels.EndUpdate();
  EXPECT_EQ(recorder.changes, std::vector<std::string>{"Panels"});
  EXPECT_EQ(panels.Count(), 5);
  EXPECT_EQ(panels.Items(2)->Text(), Cp936("单据笔数"));
  EXPECT_EQ(panels.Items(3)->Index(), 3);

  recorder.changes.clear();
  panels.Items(3)->SetText("3/10");
  panels.Items(3)->SetText("3/10");  // unchanged: no report
  panels.Items(1)->SetWidth(-5);
  panels.Items(1)->SetAlignment(taCenter);
  bar->SetSimpleText("busy");
  bar->SetSimplePanel(true);
  EXPECT_EQ(recorder.changes,
            (std::vector<std::string>{"Panels", "Panels", "Panels", "SimpleText", "SimplePanel"}));
  EXPECT_EQ(panels.Items(1)->Width(), 0);
  EXPECT_THROW(panels.Items(5), EComponentError);
  EXPECT_THROW(panels.Insert(7), EComponentError);

  panels.Delete(0);
  EXPECT_EQ(panels.Items(0)->Text(), "");
  EXPECT_EQ(panels.Items(2)->Text(), "3/10");
  bar->RemoveObserver(&recorder);
}

TEST(StatusBarTest, PanelsArePublishedForConverters) {
  auto bar = TComponent::CreateUnowned<TStatusBar>();
  bar->Panels().Add()->SetText("a");
  bar->Panels().Add()->SetWidth(120);
  auto* panels = dynamic_cast<TStatusPanels*>(GetObjectProp(*bar, "Panels"));
  ASSERT_NE(panels, nullptr);
  EXPECT_EQ(FindPropInfo(*bar, "Panels")->objectClass->ClassName(), "TStatusPanels");
  SetPropValue(*panels->Items(0), "Text", "b");
  SetPropValue(*panels->Items(1), "Alignment", "taRightJustify");
  EXPECT_EQ(bar->Panels().Items(0)->Text(), "b");
  EXPECT_EQ(GetPropValue(*panels->Items(1), "Width").AsInteger(), 120);
  SetPropValue(*bar, "SimpleText", "x");
  EXPECT_EQ(bar->SimpleText(), "x");

  auto other = TComponent::CreateUnowned<TStatusBar>();
  other->Panels().Assign(bar->Panels());
  ASSERT_EQ(other->Panels().Count(), 2);
  EXPECT_EQ(other->Panels().Items(1)->Alignment(), taRightJustify);
}

}  // namespace
}  // namespace pellor
