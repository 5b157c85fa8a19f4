#include "platform/ui/control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellor {
namespace {

// A windowed control that shows a caption, as panels and buttons do.
class TCaptioned : public TWinControl {
  PELLOR_CLASS(TCaptioned);

 public:
  using TWinControl::TWinControl;

 private:
  static void DefineProperties(PropertyBuilder<TCaptioned>& p) {
    p.Text("Caption", &TCaptioned::Caption, &TCaptioned::SetCaption);
  }
};
PELLOR_DEFINE_CLASS(TCaptioned, TWinControl);

class Recorder : public TComponentObserver {
 public:
  void PropertyChanged(TComponent& component, std::string_view property) override {
    changes.push_back(component.Name() + "." + std::string(property));
  }
  std::vector<std::string> changes;
};

class ControlTest : public ::testing::Test {
 protected:
  template <class T = TWinControl>
  T* Make(const std::string& name, TWinControl* parent) {
    T* control = TComponent::Create<T>(form.get());
    control->SetName(name);
    if (parent != nullptr) control->SetParent(parent);
    return control;
  }
  Recorder recorder;  // outlives the form, which it may observe
  std::unique_ptr<TWinControl> form = TComponent::CreateUnowned<TWinControl>();
};

std::vector<int> Bounds(const TControl* c) { return {c->Left(), c->Top(), c->Width(), c->Height()}; }

TEST_F(ControlTest, ParentKeepsItsControlsAndRefusesCycles) {
  auto* panel = Make("pnlHead", form.get());
  auto* edit = Make("edA", panel);
  auto* label = Make<TControl>("lblA", panel);
  ASSERT_EQ(panel->ControlCount(), 2);
  EXPECT_EQ(panel->Controls(1), label);
  EXPECT_TRUE(form->ContainsControl(edit));
  EXPECT_FALSE(panel->ContainsControl(form.get()));

  EXPECT_THROW(panel->SetParent(panel), EInvalidOperation);
  EXPECT_THROW(form->SetParent(edit), EInvalidOperation);
  EXPECT_EQ(form->Parent(), nullptr);

  edit->SetParent(form.get());
  EXPECT_EQ(panel->ControlCount(), 1);
  EXPECT_EQ(form->Controls(1), edit);
  EXPECT_THROW(panel->Controls(1), EComponentError);
}

TEST_F(ControlTest, FreedParentLeavesItsChildrenWithTheirOwner) {
  auto* panel = Make("pnl", form.get());
  auto* edit = Make("edA", panel);
  auto* label = Make<TControl>("lblA", panel);
  edit->AddObserver(&recorder);
  delete panel;
  EXPECT_EQ(edit->Parent(), nullptr);
  EXPECT_EQ(label->Parent(), nullptr);
  EXPECT_EQ(form->FindComponent("edA"), edit);
  EXPECT_EQ(recorder.changes, std::vector<std::string>{"edA.Parent"});
  EXPECT_EQ(form->ControlCount(), 0);

  // A freed child leaves its parent's control and tab lists.
  auto* a = Make("a", form.get());
  auto* b = Make("b", form.get());
  delete a;
  EXPECT_EQ(form->ControlCount(), 1);
  EXPECT_EQ(b->TabOrder(), 0);
  EXPECT_EQ(form->TabOrderList(), std::vector<TWinControl*>{b});
}

TEST_F(ControlTest, ParentFontIsFollowedUntilTheFontIsChanged) {
  auto* panel = Make("pnl", form.get());
  auto* edit = Make("edA", panel);
  form->Font()->SetName("Tahoma");
  EXPECT_EQ(panel->Font()->Name(), "Tahoma");
  EXPECT_EQ(edit->Font()->Name(), "Tahoma");

  SetPropValue(*panel, "Font.Size", Variant(12));
  EXPECT_FALSE(panel->ParentFont());
  EXPECT_TRUE(edit->ParentFont());
  EXPECT_EQ(edit->Font()->Size(), 12);

  form->Font()->SetCharset(CHINESEBIG5_CHARSET);  // the panel no longer follows
  EXPECT_EQ(panel->Font()->Charset(), DEFAULT_CHARSET);
  EXPECT_EQ(edit->Font()->Charset(), DEFAULT_CHARSET);

  panel->SetParentFont(true);
  EXPECT_EQ(panel->Font()->Charset(), CHINESEBIG5_CHARSET);
  EXPECT_EQ(panel->Font()->Size(), 9);
  EXPECT_EQ(edit->Font()->Charset(), CHINESEBIG5_CHARSET);

  // A control placed on a parent takes the parent's font.
  auto* late = Make("late", nullptr);
  late->SetParent(panel);
  EXPECT_TRUE(late->Font()->SameAs(*panel->Font()));
}

TEST_F(ControlTest, ShowHintFollowsTheParentUntilSet) {
  auto* panel = Make("pnl", form.get());
  auto* edit = Make("edA", panel);
  form->SetShowHint(true);
  EXPECT_TRUE(edit->ShowHint());
  SetPropValue(*panel, "ShowHint", Variant("False"));
  EXPECT_FALSE(panel->ParentShowHint());
  EXPECT_FALSE(edit->ShowHint());
  panel->SetParentShowHint(true);
  EXPECT_TRUE(edit->ShowHint());
}

TEST_F(ControlTest, AlignedControlsShareTheClientArea) {
  form->SetBounds(0, 0, 200, 100);
  auto* client = Make("client", form.get());
  auto* top2 = Make("top2", form.get());
  auto* top1 = Make("top1", form.get());
  auto* bottom = Make("bottom", form.get());
  auto* left = Make("left", form.get());
  auto* right = Make("right", form.get());
  auto* loose = Make("loose", form.get());
  loose->SetBounds(5, 6, 7, 8);
  top2->SetBounds(0, 50, 0, 10);
  top1->SetBounds(0, 0, 0, 20);
  bottom->SetHeight(15);
  left->SetWidth(30);
  right->SetWidth(40);
  form->DisableAlign();
  SetPropValue(*client, "Align", Variant("alClient"));
  top2->SetAlign(alTop);
  top1->SetAlign(alTop);
  bottom->SetAlign(alBottom);
  left->SetAlign(alLeft);
  right->SetAlign(alRight);
  EXPECT_EQ(Bounds(client), (std::vector<int>{0, 0, 0, 0}));  // waits
  form->EnableAlign();

  EXPECT_EQ(Bounds(top1), (std::vector<int>{0, 0, 200, 20}));
  EXPECT_EQ(Bounds(top2), (std::vector<int>{0, 20, 200, 10}));
  EXPECT_EQ(Bounds(bottom), (std::vector<int>{0, 85, 200, 15}));
  EXPECT_EQ(Bounds(left), (std::vector<int>{0, 30, 30, 55}));
  EXPECT_EQ(Bounds(right), (std::vector<int>{160, 30, 40, 55}));
  EXPECT_EQ(Bounds(client), (std::vector<int>{30, 30, 130, 55}));
  EXPECT_EQ(Bounds(loose), (std::vector<int>{5, 6, 7, 8}));

  form->SetBounds(0, 0, 300, 200);
  EXPECT_EQ(Bounds(client), (std::vector<int>{30, 30, 230, 155}));
  top2->Hide();
  EXPECT_EQ(Bounds(client), (std::vector<int>{30, 20, 230, 165}));
  top1->SetHeight(40);
  EXPECT_EQ(Bounds(top1), (std::vector<int>{0, 0, 300, 40}));
  EXPECT_EQ(Bounds(client), (std::vector<int>{30, 40, 230, 145}));
}

TEST_F(ControlTest, TabOrderRenumbersTheSiblings) {
  auto* a = Make("a", form.get());
  auto* b = Make("b", form.get());
  auto* c = Make("c", form.get());
  Make<TControl>("lbl", form.get());  // no window, no tab order
  for (TWinControl* x : {a, b, c}) x->AddObserver(&recorder);

  SetPropValue(*c, "TabOrder", Variant(0));
  EXPECT_EQ(form->TabOrderList(), (std::vector<TWinControl*>{c, a, b}));
  EXPECT_EQ(a->TabOrder(), 1);
  EXPECT_EQ(recorder.changes, (std::vector<std::string>{"c.TabOrder", "a.TabOrder", "b.TabOrder"}));

  a->SetTabOrder(99);
  EXPECT_EQ(form->TabOrderList(), (std::vector<TWinControl*>{c, b, a}));
  a->SetTabOrder(-5);
  EXPECT_EQ(form->TabOrderList(), (std::vector<TWinControl*>{a, c, b}));

  // A value set before the control is placed is applied when it is placed.
  auto* d = Make("d", nullptr);
  d->SetTabOrder(1);
  EXPECT_EQ(d->TabOrder(), 1);
  d->SetParent(form.get());
  EXPECT_EQ(form->TabOrderList(), (std::vector<TWinControl*>{a, d, c, b}));

  b->SetParent(nullptr);
  EXPECT_EQ(form->TabOrderList(), (std::vector<TWinControl*>{a, d, c}));
}

TEST_F(ControlTest, FindNextControlSkipsWhatCannotTakeTheFocus) {
  auto* a = Make("a", form.get());
  auto* panel = Make("pnl", form.get());
  auto* inner = Make("inner", panel);
  auto* b = Make("b", form.get());
  for (TWinControl* x : {a, inner, b}) x->SetTabStop(true);
  EXPECT_EQ(form->TabOrderList(), (std::vector<TWinControl*>{a, panel, inner, b}));

  EXPECT_EQ(form->FindNextControl(a, true, true, false), inner);
  EXPECT_EQ(form->FindNextControl(b, true, true, false), a);  // wraps
  EXPECT_EQ(form->FindNextControl(a, false, true, false), b);
  EXPECT_EQ(form->FindNextControl(a, true, false, false), panel);
  EXPECT_EQ(form->FindNextControl(a, true, true, true), b);
  EXPECT_EQ(form->FindNextControl(nullptr, true, true, false), a);

  panel->SetEnabled(false);
  EXPECT_EQ(form->FindNextControl(a, true, true, false), b);
  b->Hide();
  EXPECT_EQ(form->FindNextControl(a, true, true, false), a);  // only itself is left
  a->SetEnabled(false);
  EXPECT_EQ(form->FindNextControl(a, true, true, false), nullptr);
}

TEST_F(ControlTest, CanFocusNeedsVisibleEnabledParents) {
  auto* panel = Make("pnl", form.get());
  auto* edit = Make("edA", panel);
  form->Hide();  // a window not yet shown still lets its controls take focus
  EXPECT_TRUE(edit->CanFocus());
  panel->Hide();
  EXPECT_FALSE(edit->CanFocus());
  panel->Show();
  panel->SetEnabled(false);
  EXPECT_FALSE(edit->CanFocus());
  panel->SetEnabled(true);
  form->SetEnabled(false);
  EXPECT_FALSE(edit->CanFocus());
  EXPECT_FALSE(form->CanFocus());
  EXPECT_FALSE(panel->Showing());
  form->Show();
  EXPECT_TRUE(panel->Showing());
}

TEST_F(ControlTest, HandlesAreAllocatedOnFirstUseAndFound) {
  auto* a = Make("a", form.get());
  auto* b = Make("b", form.get());
  EXPECT_FALSE(a->HandleAllocated());
  WindowHandle ha = a->Handle();
  EXPECT_NE(ha, 0);
  EXPECT_EQ(a->Handle(), ha);
  WindowHandle hb = b->Handle();
  EXPECT_NE(ha, hb);
  EXPECT_EQ(FindControl(ha), a);
  delete a;
  EXPECT_EQ(FindControl(ha), nullptr);
  EXPECT_EQ(FindControl(hb), b);
}

TEST_F(ControlTest, ObserversHearEveryChangeByPropertyName) {
  auto* panel = Make<TCaptioned>("pnl", form.get());
  panel->AddObserver(&recorder);
  form->AddObserver(&recorder);

  panel->SetBounds(1, 0, 50, 0);
  panel->SetBounds(1, 0, 50, 0);
  SetPropValue(*panel, "Caption", Variant("Head"));
  SetPropValue(*panel, "Font.Color", Variant("clRed"));
  panel->SetVisible(false);
  panel->SetEnabled(false);
  panel->SetHint("hint");
  panel->SetColor(clBtnFace);
  panel->SetText("text");
  panel->SetAlign(alTop);
  {
    TObserversSuspended quiet(*panel);
    panel->SetCaption("unreported");
  }
  panel->SetParent(nullptr);
  EXPECT_EQ(recorder.changes,
            (std::vector<std::string>{"pnl.Left", "pnl.Width", "pnl.Caption", "pnl.ParentFont", "pnl.Font",
                                      "pnl.Visible", "pnl.Enabled", "pnl.Hint", "pnl.Color", "pnl.Text",
                                      "pnl.Align", ".Controls", "pnl.Parent"}));
  EXPECT_EQ(GetPropText(*panel, "Color"), "clBtnFace");
  EXPECT_EQ(GetPropValue(*panel, "Visible"), Variant(false));
  EXPECT_THROW(SetPropValue(*form, "Caption", Variant("x")), EPropertyError);  // a TWinControl shows none
}

TEST_F(ControlTest, EventsOfControls) {
  auto* button = Make("btnA", form.get());
  std::vector<std::string> clicks;
  button->OnClick = [&](TObject* sender) { clicks.push_back(static_cast<TComponent*>(sender)->Name()); };
  button->Click();
  EXPECT_EQ(clicks, std::vector<std::string>{"btnA"});
  EXPECT_TRUE(EventAssigned(*button, "OnClick"));
  EXPECT_FALSE(EventAssigned(*button, "OnKeyDown"));
  EXPECT_EQ(button->Perform(1034, 0, 0), 0);
}

}  // namespace
}  // namespace pellor
