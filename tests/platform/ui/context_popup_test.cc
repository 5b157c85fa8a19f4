// Context menus: the PopupMenu reference of controls, and the one path a
// right click, the context-menu key and Shift+F10 take to OnContextPopup and
// the nearest pop-up menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form_fixture.h"

namespace pellor::test {
namespace {

// The headless platform, also noting where each pop-up menu was shown.
class TPlacingPlatform : public THeadlessPlatform {
 public:
  TMenuItem* TrackPopupMenu(TPopupMenu& menu, int x, int y) override {
    shownAt.push_back({x, y});
    return THeadlessPlatform::TrackPopupMenu(menu, x, y);
  }
  std::vector<TPoint> shownAt;
};

// An edit that notes the mouse presses it hears.
class TPressedEdit : public TTestEdit {
 public:
  using TTestEdit::TTestEdit;
  void MouseDown(TShiftState shift, int x, int y) override {
    presses.push_back(std::string(shift.Contains(ssRight) ? "right" : "other") + " " + std::to_string(x) + "," +
                      std::to_string(y));
  }
  std::vector<std::string> presses;
};

class ContextPopupTest : public FormTest {
 protected:
  // frmMain at (100, 50), a sizeable frame of 4 and a caption of 19; on it
  // pnlMain at (10, 20) holding edName at (5, 6) and lblNote (no window of
  // its own) at (30, 40). Three menus, each with one item that notes its
  // menu's PopupComponent.
  ContextPopupTest() : form(MakeForm("frmMain")) {
    form->SetBounds(100, 50, 400, 300);
    pnlMain = Make<TTestPanel>(form.get(), "pnlMain", form.get());
    pnlMain->SetBounds(10, 20, 200, 100);
    edName = Make<TPressedEdit>(form.get(), "edName", pnlMain);
    edName->SetBounds(5, 6, 80, 20);
    lblNote = TCustomForm::Create<TControl>(form.get());
    lblNote->SetName("lblNote");
    lblNote->SetParent(pnlMain);
    lblNote->SetBounds(30, 40, 60, 16);
    pmEdit = Menu("pmEdit", "miCut");
    pmPanel = Menu("pmPanel", "miPanel");
    pmForm = Menu("pmForm", "miStamp");
    form->Show();
  }

  TPopupMenu* Menu(const std::string& name, const std::string& itemName) {
    auto* menu = TCustomForm::Create<TPopupMenu>(form.get());
    menu->SetName(name);
    MakeItem(form.get(), itemName, menu->Items())->OnClick = [this, menu, itemName](TObject*) {
      log_.push_back(itemName + " for " + (menu->PopupComponent() ? menu->PopupComponent()->Name() : "?"));
    };
    return menu;
  }

  // Notes each OnContextPopup of `control`; `handle` sets the handled flag.
  void Listen(TControl* control, bool handle = false) {
    control->OnContextPopup = [this, handle](TObject* sender, TPoint at, bool& handled) {
      log_.push_back("context " + static_cast<TComponent*>(sender)->Name() + " " + std::to_string(at.X) + "," +
                     std::to_string(at.Y));
      handled = handle;
    };
  }

  TPlacingPlatform placing_;
  ScopedPlatform scopedPlacing_{placing_};
  TFormPtr<TForm> form;
  TTestPanel* pnlMain;
  TPressedEdit* edName;
  TControl* lblNote;
  TPopupMenu* pmEdit;
  TPopupMenu* pmPanel;
  TPopupMenu* pmForm;
};

TEST_F(ContextPopupTest, PopupMenuIsSetByNameAndClearedWhenTheMenuGoes) {
  Recorder recorder;
  edName->AddObserver(&recorder);
  SetPropValue(*edName, "PopupMenu", "pmEdit");
  EXPECT_EQ(edName->PopupMenu(), pmEdit);
  EXPECT_EQ(GetPropText(*edName, "PopupMenu"), "pmEdit");
  EXPECT_TRUE(recorder.Saw("edName.PopupMenu"));

  // Only a pop-up menu will do; the refused value leaves the old one.
  TCustomForm::Create<TMainMenu>(form.get())->SetName("mnMain");
  EXPECT_THROW(SetPropValue(*edName, "PopupMenu", "mnMain"), EPropertyError);
  EXPECT_EQ(edName->PopupMenu(), pmEdit);

  // The form's PopupMenu is the same property.
  SetPropValue(*form, "PopupMenu", "pmForm");
  EXPECT_EQ(form->PopupMenu(), pmForm);

  recorder.changes.clear();
  delete pmEdit;
  EXPECT_EQ(edName->PopupMenu(), nullptr);
  EXPECT_EQ(GetPropText(*edName, "PopupMenu"), "");
  EXPECT_TRUE(recorder.Saw("edName.PopupMenu"));
  // With the menu gone, nothing is left to open for the edit but the form's.
  placing_.QueuePopupChoice("miStamp");
  EXPECT_TRUE(edName->ContextPopup({1, 1}));
  EXPECT_EQ(log_, (std::vector<std::string>{"miStamp for edName"}));
  edName->RemoveObserver(&recorder);

  EXPECT_FALSE(EventAssigned(*edName, "OnContextPopup"));
  Listen(edName);
  EXPECT_TRUE(EventAssigned(*edName, "OnContextPopup"));
}

TEST_F(ContextPopupTest, ClientToScreenCountsParentsAndTheFormsFrame) {
  EXPECT_EQ(edName->ClientToScreen({1, 2}), (TPoint{100 + 4 + 10 + 5 + 1, 50 + 4 + 19 + 20 + 6 + 2}));
  EXPECT_EQ(form->ClientToScreen({0, 0}), (TPoint{104, 73}));
  form->SetBorderStyle(bsNone);
  EXPECT_EQ(form->ClientToScreen({0, 0}), (TPoint{form->Left(), form->Top()}));
}

// Each level runs its OnContextPopup before its own menu; the first menu
// that pops up by itself opens for the control the user pointed at, at the
// mouse, and the chosen item runs.
TEST_F(ContextPopupTest, TheRequestGoesUpTheParentsToTheNearestMenu) {
  Listen(edName);
  Listen(pnlMain);
  Listen(form.get());
  pmPanel->SetAutoPopup(false);  // skipped: it opens only when asked in code
  pnlMain->SetPopupMenu(pmPanel);
  form->SetPopupMenu(pmForm);
  placing_.QueuePopupChoice("miStamp");

  EXPECT_TRUE(edName->ContextPopup({2, 3}));
  EXPECT_EQ(log_, (std::vector<std::string>{"context edName 2,3", "context pnlMain 7,9", "context frmMain 17,29",
                                            "miStamp for edName"}));
  EXPECT_EQ(placing_.shownAt, (std::vector<TPoint>{edName->ClientToScreen({2, 3})}));
  EXPECT_EQ(pmForm->PopupComponent(), edName);

  // The control's own menu comes first; nothing above it hears of the request.
  log_.clear();
  edName->SetPopupMenu(pmEdit);
  placing_.QueuePopupChoice("miCut");
  EXPECT_TRUE(edName->ContextPopup({2, 3}));
  EXPECT_EQ(log_, (std::vector<std::string>{"context edName 2,3", "miCut for edName"}));

  // A control without a window of its own goes the same way.
  log_.clear();
  placing_.QueuePopupChoice("");
  EXPECT_TRUE(lblNote->ContextPopup({0, 0}));
  EXPECT_EQ(placing_.WindowLog().back(), "popup pmForm -> none");
  EXPECT_EQ(pmForm->PopupComponent(), lblNote);
  EXPECT_EQ(log_, (std::vector<std::string>{"context pnlMain 30,40", "context frmMain 40,60"}));
}

TEST_F(ContextPopupTest, AHandledRequestOpensNoMenu) {
  edName->SetPopupMenu(pmEdit);
  form->SetPopupMenu(pmForm);
  Listen(edName, /*handle=*/true);
  placing_.QueuePopupChoice("miCut");
  EXPECT_TRUE(edName->ContextPopup({2, 3}));
  EXPECT_EQ(log_, (std::vector<std::string>{"context edName 2,3"}));
  EXPECT_EQ(placing_.PendingPopupChoices(), 1u) << "no menu opened";

  // Handled further up: the parent's handler stops the form's menu.
  log_.clear();
  edName->SetPopupMenu(nullptr);
  Listen(edName);
  Listen(pnlMain, /*handle=*/true);
  EXPECT_TRUE(edName->ContextPopup({2, 3}));
  EXPECT_EQ(log_, (std::vector<std::string>{"context edName 2,3", "context pnlMain 7,9"}));
  EXPECT_EQ(placing_.PendingPopupChoices(), 1u);
}

TEST_F(ContextPopupTest, NothingOfferedOrTheControlFreedByItsHandler) {
  Listen(edName);
  EXPECT_FALSE(edName->ContextPopup({2, 3})) << "no menu anywhere";

  // A handler that frees the control (and leaves the request unhandled)
  // ends the request: there is nothing left to open a menu for.
  form->SetPopupMenu(pmForm);
  placing_.QueuePopupChoice("miStamp");
  edName->OnContextPopup = [](TObject* sender, TPoint, bool&) { delete static_cast<TControl*>(sender); };
  EXPECT_TRUE(edName->ContextPopup({2, 3}));
  EXPECT_EQ(form->FindComponent("edName"), nullptr);
  EXPECT_EQ(placing_.PendingPopupChoices(), 1u);
}

TEST_F(ContextPopupTest, RightClickPressesTheControlThenAsksForItsMenu) {
  Listen(edName);
  form->SetPopupMenu(pmForm);
  form->SetActiveControl(nullptr);
  placing_.QueuePopupChoice("miStamp");
  EXPECT_TRUE(form->RightClickControl(edName, {4, 5}));
  EXPECT_EQ(edName->presses, (std::vector<std::string>{"right 4,5"}));
  EXPECT_EQ(log_, (std::vector<std::string>{"context edName 4,5", "miStamp for edName"}));
  EXPECT_EQ(form->ActiveControl(), nullptr) << "a right click moves no focus";

  // On the form itself, and refused where a user could not click.
  placing_.QueuePopupChoice("");
  EXPECT_TRUE(form->RightClickControl(form.get(), {0, 0}));
  auto other = MakeForm("frmOther");
  auto* stranger = Make<TTestEdit>(other.get(), "edStranger", other.get());
  EXPECT_THROW(form->RightClickControl(stranger, {0, 0}), EInvalidOperation);
  pnlMain->SetEnabled(false);
  EXPECT_THROW(form->RightClickControl(edName, {0, 0}), EInvalidOperation);
  pnlMain->SetEnabled(true);
  form->SetPopupMenu(nullptr);
  EXPECT_FALSE(form->RightClickControl(edName, {0, 0}));
}

// The context-menu key and Shift+F10 ask the focused control, from the
// keyboard: the handlers see no mouse position, the menu opens at the
// control's middle.
TEST_F(ContextPopupTest, TheKeyboardAsksTheFocusedControl) {
  Listen(edName);
  Listen(pnlMain);
  Listen(form.get());
  form->SetPopupMenu(pmForm);
  form->SetActiveControl(edName);
  const TPoint middle = edName->ClientToScreen({40, 10});
  struct Case {
    uint16_t key;
    TShiftState shift;
    bool opens;
  };
  const Case cases[] = {
      {VK_APPS, {}, true},
      {VK_F10, {ssShift}, true},
      {VK_F10, {}, false},
      {VK_APPS, {ssCtrl}, false},
      {VK_F10, {ssShift, ssAlt}, false},
  };
  for (const Case& c : cases) {
    log_.clear();
    placing_.shownAt.clear();
    placing_.QueuePopupChoice("miStamp");
    EXPECT_EQ(form->SendKeyDown(c.key, c.shift), c.opens) << c.key;
    if (c.opens) {
      EXPECT_EQ(log_, (std::vector<std::string>{"context edName -1,-1", "context pnlMain -1,-1",
                                                "context frmMain -1,-1", "miStamp for edName"}))
          << c.key;
      EXPECT_EQ(placing_.shownAt, (std::vector<TPoint>{middle})) << c.key;
    } else {
      EXPECT_TRUE(log_.empty()) << c.key;
      placing_.Reset();
    }
  }

  // A control that takes the key itself keeps it.
  log_.clear();
  edName->OnKeyDown = [](TObject*, uint16_t& key, TShiftState) {
    if (key == VK_APPS) key = 0;
  };
  EXPECT_TRUE(form->SendKeyDown(VK_APPS));
  EXPECT_TRUE(log_.empty());

  // A menu shortcut Shift+F10 comes before the context menu.
  edName->OnKeyDown = nullptr;
  MakeItem(form.get(), "miZoom", pmForm->Items(), "Shift+F10")->OnClick = [this](TObject*) {
    log_.push_back("miZoom");
  };
  form->PressKey(VK_F10, {ssShift});
  EXPECT_EQ(log_, (std::vector<std::string>{"miZoom"}));

  // Nothing to open: the key is not used.
  log_.clear();
  form->SetPopupMenu(nullptr);
  EXPECT_FALSE(form->SendKeyDown(VK_APPS));
  EXPECT_EQ(log_.size(), 3u) << "each level still heard the request";
}

}  // namespace
}  // namespace pellor::test
