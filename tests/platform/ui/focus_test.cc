// Focus and keys: tab order, can-focus rules, enter/exit, key preview and
// swallowing, shortcuts before the controls, default and cancel buttons.
#include <gtest/gtest.h>

#include "form_fixture.h"

namespace pellor::test {
namespace {

class FocusTest : public FormTest {
 protected:
  // frmMain: edA, pnlB holding edB1 and edB2, edC (no tab stop), btnOk
  // (default), btnCancel (cancel), in that tab order.
  FocusTest() : form(MakeForm("frmMain")) {
    edA = Make<TTestEdit>(form.get(), "edA", form.get());
    pnlB = Make<TTestPanel>(form.get(), "pnlB", form.get());
    edB1 = Make<TTestEdit>(form.get(), "edB1", pnlB);
    edB2 = Make<TTestEdit>(form.get(), "edB2", pnlB);
    edC = Make<TTestEdit>(form.get(), "edC", form.get());
    edC->SetTabStop(false);
    btnOk = Make<TTestButton>(form.get(), "btnOk", form.get());
    btnOk->SetDefault(true);
    btnCancel = Make<TTestButton>(form.get(), "btnCancel", form.get());
    btnCancel->SetCancel(true);
    for (TWinControl* c : std::vector<TWinControl*>{edA, pnlB, edB1, edB2, edC}) {
      c->OnEnter = [this](TObject* s) { moves.push_back("enter " + static_cast<TComponent*>(s)->Name()); };
      c->OnExit = [this](TObject* s) { moves.push_back("exit " + static_cast<TComponent*>(s)->Name()); };
    }
  }

  std::string Focus() const { return form->ActiveControl() ? form->ActiveControl()->Name() : "(form)"; }

  std::vector<std::string> moves;  // OnEnter and OnExit
  TFormPtr<TForm> form;
  TTestEdit* edA;
  TTestPanel* pnlB;
  TTestEdit* edB1;
  TTestEdit* edB2;
  TTestEdit* edC;
  TTestButton* btnOk;
  TTestButton* btnCancel;
};

TEST_F(FocusTest, TabWalksTheTabOrderSkippingWhatCannotTakeTheFocus) {
  form->Show();
  EXPECT_EQ(Focus(), "edA");  // the first tab stop gets the focus on show
  edB2->SetEnabled(false);
  std::vector<std::string> forward;
  for (int i = 0; i < 4; ++i) {
    form->PressKey(VK_TAB);
    forward.push_back(Focus());
  }
  EXPECT_EQ(forward, (std::vector<std::string>{"edB1", "btnOk", "btnCancel", "edA"}));

  pnlB->SetVisible(false);  // its children go with it
  form->PressKey(VK_TAB, {ssShift});
  EXPECT_EQ(Focus(), "btnCancel");
  form->PressKey(VK_TAB, {ssShift});
  form->PressKey(VK_TAB, {ssShift});
  EXPECT_EQ(Focus(), "edA");
  EXPECT_EQ(edA->Text(), "");  // Tab is used by the form: no character follows
}

TEST_F(FocusTest, OnlyControlsOfTheFormThatCanTakeTheFocusGetIt) {
  auto other = MakeForm("frmOther");
  auto* foreign = Make<TTestEdit>(other.get(), "edForeign", other.get());
  edB1->SetEnabled(false);
  EXPECT_THROW(form->SetActiveControl(edB1), EInvalidOperation);
  pnlB->SetEnabled(false);
  edB1->SetEnabled(true);
  EXPECT_THROW(form->SetActiveControl(edB1), EInvalidOperation);  // disabled parent
  EXPECT_THROW(form->SetActiveControl(foreign), EInvalidOperation);
  EXPECT_EQ(form->ActiveControl(), nullptr);
  // By name, as a template sets it.
  EXPECT_THROW(SetPropValue(*form, "ActiveControl", "edB1"), EInvalidOperation);
  SetPropValue(*form, "ActiveControl", "edC");  // no tab stop, but it can take the focus
  EXPECT_EQ(Focus(), "edC");
  EXPECT_FALSE(FocusControl(edB1));
  EXPECT_TRUE(FocusControl(edA));
  EXPECT_FALSE(Focused(edA));  // the form is not shown, so not active
  form->Show();
  EXPECT_TRUE(Focused(edA));
}

TEST_F(FocusTest, ExitAndEnterRunUpAndDownToTheCommonParent) {
  form->SetActiveControl(edB1);
  EXPECT_EQ(moves, (std::vector<std::string>{"enter pnlB", "enter edB1"}));
  moves.clear();
  form->SetActiveControl(edB2);
  EXPECT_EQ(moves, (std::vector<std::string>{"exit edB1", "enter edB2"}));
  moves.clear();
  form->SetActiveControl(edA);
  EXPECT_EQ(moves, (std::vector<std::string>{"exit edB2", "exit pnlB", "enter edA"}));
}

TEST_F(FocusTest, AnExitHandlerCanKeepOrMoveTheFocus) {
  form->Show();
  edA->OnExit = [](TObject*) { throw EAbort(); };  // a field check that fails
  EXPECT_THROW(form->PressKey(VK_TAB), EAbort);
  EXPECT_EQ(Focus(), "edA");
  EXPECT_FALSE(Application().DeliverInput([&] { form->PressKey(VK_TAB); }));  // silent
  EXPECT_TRUE(platform_.Dialogs().empty());

  edA->OnExit = [this](TObject*) { form->SetActiveControl(edC); };
  form->SetActiveControl(edB2);
  EXPECT_EQ(Focus(), "edC");
}

TEST_F(FocusTest, TheFocusLeavesAControlThatGoes) {
  Recorder recorder;
  form->AddObserver(&recorder);
  form->SetActiveControl(edB1);
  recorder.changes.clear();
  delete edB1;
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_TRUE(recorder.Saw("frmMain.ActiveControl"));
  form->RemoveObserver(&recorder);
}

TEST_F(FocusTest, KeyPreviewLetsTheFormSeeAndSwallowKeysFirst) {
  form->Show();
  form->OnKeyDown = [this](TObject* s, uint16_t& key, TShiftState) {
    log_.push_back("form down " + std::to_string(key));
    if (key == VK_F2) key = 0;
  };
  form->OnKeyPress = [this](TObject*, char& key) {
    log_.push_back(std::string("form press ") + key);
    if (key == 'x') key = 0;
  };
  edA->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) { log_.push_back("edA down " + std::to_string(key)); };

  form->PressKey('A');  // without preview the form sees nothing
  EXPECT_EQ(log_, (std::vector<std::string>{"edA down 65"}));
  EXPECT_EQ(edA->Text(), "a");

  log_.clear();
  form->SetKeyPreview(true);
  EXPECT_TRUE(form->SendKeyDown(VK_F2));  // swallowed by the form
  EXPECT_FALSE(form->SendKeyDown(VK_F3));
  EXPECT_EQ(log_, (std::vector<std::string>{"form down 113", "form down 114", "edA down 114"}));

  form->TypeText("xyz");
  EXPECT_EQ(edA->Text(), "ayz");  // the form swallowed x before the edit saw it
  form->PressKey(VK_BACK);
  EXPECT_EQ(edA->Text(), "ay");
  form->PressKey('B', {ssShift});
  EXPECT_EQ(edA->Text(), "ayB");
}

TEST_F(FocusTest, WithoutAFocusedControlTheFormGetsItsKeysOnce) {
  auto empty = MakeForm("frmEmpty");
  empty->SetKeyPreview(true);
  empty->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) { log_.push_back("down"); };
  empty->Show();
  empty->PressKey(VK_F4);
  EXPECT_EQ(log_, (std::vector<std::string>{"down"}));
}

TEST_F(FocusTest, MenuShortcutsComeBeforeTheFormAndTheControl) {
  auto* menu = TCustomForm::Create<TMainMenu>(form.get());
  auto* miData = MakeItem(form.get(), "miData", menu->Items());
  auto* miAdd = MakeItem(form.get(), "miAdd", miData, "F5");
  miAdd->OnClick = [this](TObject*) { log_.push_back("miAdd"); };
  auto* popup = TCustomForm::Create<TPopupMenu>(form.get());
  auto* miPopAdd = MakeItem(form.get(), "miPopAdd", popup->Items(), "F5");
  miPopAdd->OnClick = [this](TObject*) { log_.push_back("miPopAdd"); };
  form->SetMenu(menu);
  form->SetKeyPreview(true);
  form->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) { log_.push_back("form " + std::to_string(key)); };
  form->Show();

  EXPECT_TRUE(form->SendKeyDown(VK_F5));
  EXPECT_EQ(log_, (std::vector<std::string>{"miAdd"}));

  // The focused control's pop-up menu comes before the main menu.
  log_.clear();
  edA->SetPopupMenu(popup);
  form->PressKey(VK_F5);
  EXPECT_EQ(log_, (std::vector<std::string>{"miPopAdd"}));

  // A disabled shortcut passes the key on.
  log_.clear();
  miPopAdd->SetEnabled(false);
  miAdd->SetEnabled(false);
  EXPECT_FALSE(form->SendKeyDown(VK_F5));
  EXPECT_EQ(log_, (std::vector<std::string>{"form 116"}));

  // OnShortCut sees the key before the menu.
  log_.clear();
  miAdd->SetEnabled(true);
  form->OnShortCut = [this](TShortCut sc, bool& handled) {
    log_.push_back("shortcut " + ShortCutToText(sc));
    handled = sc == TextToShortCut("Ctrl+F2");
  };
  form->PressKey(VK_F2, {ssCtrl});
  form->PressKey(VK_F5);
  EXPECT_EQ(log_, (std::vector<std::string>{"shortcut Ctrl+F2", "shortcut F5", "miAdd"}));
}

TEST_F(FocusTest, EnterAndEscPressTheDefaultAndCancelButtonsUnlessTheControlWantsThem) {
  btnOk->OnClick = [this](TObject*) { log_.push_back("ok"); };
  btnCancel->OnClick = [this](TObject*) { log_.push_back("cancel"); };
  auto* memo = Make<TTestMemo>(form.get(), "mmoNote", form.get());
  form->Show();

  form->PressKey(VK_RETURN);
  form->PressKey(VK_ESCAPE);
  EXPECT_EQ(log_, (std::vector<std::string>{"ok", "cancel"}));
  EXPECT_EQ(edA->Text(), "");

  log_.clear();
  form->SetActiveControl(memo);
  form->TypeText("a");
  form->PressKey(VK_RETURN);
  form->PressKey(VK_TAB);
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(memo->Text(), "a\r\n");
  EXPECT_EQ(Focus(), "mmoNote");  // a memo keeps Tab

  // Enter on a focused button presses that one.
  form->SetActiveControl(btnCancel);
  form->PressKey(VK_RETURN);
  EXPECT_EQ(log_, (std::vector<std::string>{"cancel"}));

  // A disabled default button is no default button.
  log_.clear();
  form->SetActiveControl(edA);
  btnOk->SetEnabled(false);
  form->PressKey(VK_RETURN);
  EXPECT_TRUE(log_.empty());
}

TEST_F(FocusTest, ClicksFocusTabStopsAndAreRefusedWhereAUserCouldNotClick) {
  btnOk->OnClick = [this](TObject*) { log_.push_back("ok"); };
  EXPECT_THROW(form->ClickControl(btnOk), EInvalidOperation);  // form not shown
  form->Show();
  form->ClickControl(btnOk);
  EXPECT_EQ(Focus(), "btnOk");
  EXPECT_EQ(log_, (std::vector<std::string>{"ok"}));
  btnOk->SetVisible(false);
  EXPECT_THROW(form->ClickControl(btnOk), EInvalidOperation);
  pnlB->SetEnabled(false);
  EXPECT_THROW(form->ClickControl(edB1), EInvalidOperation);
  auto other = MakeForm("frmOther");
  auto* foreign = Make<TTestButton>(other.get(), "btnForeign", other.get());
  EXPECT_THROW(form->ClickControl(foreign), EInvalidOperation);
}

TEST_F(FocusTest, AHiddenFormTakesNoInput) {
  EXPECT_THROW(form->PressKey('A'), EInvalidOperation);
  EXPECT_THROW(form->TypeText("a"), EInvalidOperation);
  form->Show();
  form->SetEnabled(false);
  EXPECT_THROW(form->SendKeyDown('A'), EInvalidOperation);
}

TEST_F(FocusTest, AHandlerThatFreesItsFormEndsTheKeyQuietly) {
  TCustomForm* standalone = TCustomForm::CreateStandalone<TForm>();
  auto* ed = Make<TTestEdit>(standalone, "edX", standalone);
  TComponentWatch watch(standalone);
  standalone->SetKeyPreview(true);
  standalone->OnKeyDown = [](TObject* s, uint16_t& key, TShiftState) {
    if (key == VK_F10) static_cast<TCustomForm*>(s)->Free();
  };
  ed->OnKeyDown = [](TObject*, uint16_t&, TShiftState) { FAIL() << "the control of a freed form saw the key"; };
  standalone->Show();
  standalone->PressKey(VK_F10);
  EXPECT_FALSE(watch.Alive());
}

}  // namespace
}  // namespace pellor::test
