// Modal forms under the headless platform: scripted actions per window, the
// close protocol on the modal result, nested dialogs, message dialogs inside
// a modal window, input blocked below a modal window, freeing under the loop.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "platform/ui/comctrls_pages.h"
#include "platform/ui/stdctrls.h"
#include "platform/ui/toolbar.h"

namespace pellor::test {
namespace {

// An options-like dialog: a check edit, OK (default) and Cancel (cancel).
class ModalTest : public FormTest {
 protected:
  ModalTest() : main(MakeForm("frmMain")), dialog(MakeForm("dlgOptions")) {
    main->Show();
    edName = Make<TTestEdit>(dialog.get(), "edName", dialog.get());
    btnOk = Make<TTestButton>(dialog.get(), "btnOK", dialog.get());
    btnOk->SetDefault(true);
    btnOk->SetModalResult(kModalOk);
    btnCancel = Make<TTestButton>(dialog.get(), "btnCancel", dialog.get());
    btnCancel->SetCancel(true);
    btnCancel->SetModalResult(kModalCancel);
  }

  static TCustomForm& Form(IModalWindow& window) { return ModalWindowAs<TCustomForm>(window); }

  TFormPtr<TForm> main;
  TFormPtr<TForm> dialog;
  TTestEdit* edName;
  TTestButton* btnOk;
  TTestButton* btnCancel;
};

TEST_F(ModalTest, AScriptDrivesTheDialogUntilItHasAResult) {
  dialog->OnShow = [this](TObject*) { log_.push_back("show"); };
  dialog->OnHide = [this](TObject*) { log_.push_back("hide"); };
  platform_.QueueModalAction("dlgOptions", [this](IModalWindow& window) {
    EXPECT_TRUE(Form(window).Active());
    EXPECT_EQ(Screen().ModalForm(), &Form(window));
    Form(window).TypeText("Li");
  });
  platform_.QueueModalAction("TForm", [](IModalWindow& window) { Form(window).PressKey(VK_RETURN); });

  EXPECT_EQ(dialog->ShowModal(), kModalOk);
  EXPECT_EQ(edName->Text(), "Li");
  EXPECT_FALSE(dialog->Visible());
  EXPECT_FALSE(dialog->ModalShowing());
  EXPECT_EQ(Screen().ModalLevel(), 0);
  EXPECT_TRUE(main->Active());  // the window below takes the input again
  EXPECT_EQ(log_, (std::vector<std::string>{"show", "hide"}));
  EXPECT_EQ(platform_.ModalWindows(), std::vector<std::string>{"dlgOptions"});

  platform_.QueueModalAction("dlgOptions", [](IModalWindow& window) { Form(window).PressKey(VK_ESCAPE); });
  EXPECT_EQ(dialog->ShowModal(), kModalCancel);
  EXPECT_EQ(platform_.PendingModalActions(), 0u);
}

TEST_F(ModalTest, TheClosingProtocolRunsWhenTheResultIsSetAndMayKeepTheDialog) {
  int queries = 0;
  dialog->OnCloseQuery = [&](TObject*, bool& canClose) {
    ++queries;
    canClose = !edName->Text().empty();  // a required field
  };
  TCloseAction answer = caNone;
  dialog->OnClose = [&](TObject*, TCloseAction& action) {
    log_.push_back("close");
    action = answer;
  };
  // The button's own handler may take the result back, as a check on OK does.
  btnOk->OnClick = [this](TObject*) {
    if (edName->Text() == "bad") dialog->SetModalResult(kModalNone);
  };
  platform_.QueueModalAction("dlgOptions", [](IModalWindow& w) { Form(w).PressKey(VK_RETURN); });  // vetoed
  platform_.QueueModalAction("dlgOptions", [](IModalWindow& w) {
    Form(w).TypeText("bad");
    Form(w).PressKey(VK_RETURN);  // taken back by OnClick: no close protocol at all
  });
  platform_.QueueModalAction("dlgOptions", [](IModalWindow& w) {
    Form(w).PressKey(VK_BACK);
    Form(w).PressKey(VK_RETURN);  // OnClose answers caNone
  });
  platform_.QueueModalAction("dlgOptions", [&](IModalWindow& w) {
    answer = caHide;
    Form(w).ClickControl(btnOk);
  });
  EXPECT_EQ(dialog->ShowModal(), kModalOk);
  EXPECT_EQ(queries, 3);
  EXPECT_EQ(log_, (std::vector<std::string>{"close", "close"}));
}

TEST_F(ModalTest, CaFreeReleasesTheDialogAfterItsLoop) {
  TCustomForm* standalone = TCustomForm::CreateStandalone<TForm>();
  standalone->SetName("dlgOnce");
  bool destroyed = false;
  standalone->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  standalone->OnDestroy = [&](TObject*) { destroyed = true; };
  TComponentWatch watch(standalone);
  platform_.QueueModalAction("dlgOnce", [](IModalWindow& w) { Form(w).Close(); });
  EXPECT_EQ(standalone->ShowModal(), kModalCancel);
  EXPECT_TRUE(watch.Alive());  // still there for whoever asked for the result
  Application().ProcessMessages();
  EXPECT_FALSE(watch.Alive());
  EXPECT_TRUE(destroyed);
}

TEST_F(ModalTest, FreeingAFormUnderItsLoopEndsTheLoopFirst) {
  TCustomForm* standalone = TCustomForm::CreateStandalone<TForm>();
  standalone->OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };  // cannot keep it
  TComponentWatch watch(standalone);
  platform_.QueueModalAction([](IModalWindow& w) { Form(w).Free(); });
  EXPECT_EQ(standalone->ShowModal(), kModalCancel);
  EXPECT_TRUE(watch.Alive());
  Application().ProcessMessages();
  EXPECT_FALSE(watch.Alive());
}

TEST_F(ModalTest, NestedDialogsTakeTheirOwnScriptsAndBlockTheWindowsBelow) {
  auto confirm = MakeForm("dlgConfirm");
  auto* btnYes = Make<TTestButton>(confirm.get(), "btnYes", confirm.get());
  btnYes->SetModalResult(kModalYes);
  btnOk->OnClick = [&](TObject*) {
    if (confirm->ShowModal() != kModalYes) dialog->SetModalResult(kModalNone);
  };
  platform_.QueueModalAction("dlgConfirm", [&](IModalWindow& w) {
    EXPECT_EQ(Screen().ModalLevel(), 2);
    EXPECT_FALSE(dialog->AcceptsInput());
    EXPECT_THROW(dialog->PressKey('A'), EInvalidOperation);
    EXPECT_THROW(main->ClickControl(nullptr), EInvalidOperation);
    Form(w).ClickControl(btnYes);
  });
  platform_.QueueModalAction("dlgOptions", [&](IModalWindow& w) {
    // A window shown from inside the dialog takes input.
    auto tool = MakeForm("frmTool");
    auto* edTool = Make<TTestEdit>(tool.get(), "edTool", tool.get());
    tool->Show();
    tool->TypeText("ok");
    EXPECT_EQ(edTool->Text(), "ok");
    tool->Hide();
    Form(w).ClickControl(btnOk);
  });
  EXPECT_EQ(dialog->ShowModal(), kModalOk);
  EXPECT_EQ(platform_.ModalWindows(), (std::vector<std::string>{"dlgOptions", "dlgConfirm"}));
}

TEST_F(ModalTest, MessageDialogsInsideAModalWindowAnswerFromTheScript) {
  dialog->OnCloseQuery = [](TObject*, bool& canClose) {
    MessageDialogRequest request;
    request.kind = DialogKind::kConfirmation;
    request.text = "Save the changes?";
    request.buttons = {{"Yes", "Y"}, {"No", "N"}, {"Cancel", "C"}};
    canClose = CurrentPlatform().MessageDialog(request) != kModalCancel;
  };
  platform_.QueueAnswer("Cancel");
  platform_.QueueAnswer("No");
  platform_.SetDefaultModalAction([](IModalWindow& w) { Form(w).Close(); });
  // The default action closes; the first answer keeps the dialog, and the
  // default action does not run twice in a row: the script must go on.
  EXPECT_THROW(dialog->ShowModal(), Exception);
  EXPECT_FALSE(dialog->Visible());
  EXPECT_EQ(Screen().ModalLevel(), 0);
  platform_.QueueModalAction("dlgOptions", [](IModalWindow& w) { Form(w).Close(); });
  EXPECT_EQ(dialog->ShowModal(), kModalCancel);
  EXPECT_EQ(platform_.DialogTexts(), (std::vector<std::string>{"Save the changes?", "Save the changes?"}));
  EXPECT_EQ(platform_.PendingAnswers(), 0u);
}

TEST_F(ModalTest, AModalLoopWithoutAScriptRaisesAndCleansUp) {
  try {
    dialog->ShowModal();
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(),
                 "Headless modal loop of dlgOptions: no scripted action left, and nothing else can end the loop");
  }
  EXPECT_FALSE(dialog->Visible());
  EXPECT_FALSE(dialog->ModalShowing());
  EXPECT_TRUE(main->AcceptsInput());
  // A script for another window is not used up by this one.
  platform_.QueueModalAction("dlgOther", [](IModalWindow&) {});
  EXPECT_THROW(dialog->ShowModal(), Exception);
  EXPECT_EQ(platform_.PendingModalActions(), 1u);
}

TEST_F(ModalTest, OnlyAHiddenEnabledFormCanBeShownModally) {
  EXPECT_THROW(main->ShowModal(), EInvalidOperation);  // visible already
  dialog->SetEnabled(false);
  EXPECT_THROW(dialog->ShowModal(), EInvalidOperation);
  dialog->SetEnabled(true);
  // A result set in OnShow ends the loop before any script runs.
  dialog->OnShow = [this](TObject*) { dialog->SetModalResult(kModalAbort); };
  EXPECT_EQ(dialog->ShowModal(), kModalAbort);
  // Hiding a modal form ends its loop.
  dialog->OnShow = nullptr;
  platform_.QueueModalAction([](IModalWindow& w) { Form(w).Hide(); });
  EXPECT_EQ(dialog->ShowModal(), kModalCancel);
}

TEST_F(ModalTest, PaintingHappensInTheLoopAndMayCloseTheWindow) {
  // A form whose start failed closes itself at its first paint.
  TCustomForm* failed = TCustomForm::CreateStandalone<TForm>();
  failed->SetName("frmFailed");
  failed->OnPaint = [failed](TObject*) { failed->Close(); };
  failed->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  TComponentWatch watch(failed);
  failed->Show();
  EXPECT_TRUE(failed->Visible());  // nothing painted yet
  Application().ProcessMessages();  // paints, closes, posts the release
  Application().ProcessMessages();
  EXPECT_FALSE(watch.Alive());

  int paints = 0;
  dialog->OnPaint = [&](TObject*) { ++paints; };
  platform_.QueueModalAction([&](IModalWindow& w) {
    EXPECT_EQ(paints, 1);  // painted before the user acts
    Form(w).Invalidate();
    Form(w).Invalidate();  // one paint for both
  });
  platform_.QueueModalAction([&](IModalWindow& w) {
    EXPECT_EQ(paints, 2);
    Form(w).SetModalResult(kModalOk);
  });
  dialog->ShowModal();
}

// A record window built in code, the way a program form is laid out: a menu,
// a tool bar, a page control with a detail page of editors and a browse page
// with the grid (a placeholder here), and an options dialog. Everything a
// user does to it goes in as keys, typing and clicks.
class RecordWindowTest : public FormTest {
 protected:
  RecordWindowTest() : form(TCustomForm::CreateStandalone<TForm>()) {
    form->SetName("frmPevf07");
    form->SetKeyPreview(true);
    form->SetClientWidth(551);
    form->SetClientHeight(392);
    auto* menu = TCustomForm::Create<TMainMenu>(form);
    form->SetMenu(menu);
    TMenuItem* miData = MakeItem(form, "MenuItem1", menu->Items());
    MakeItem(form, "miAdd", miData, "F5")->OnClick = [this](TObject*) { AddRecord(); };
    TMenuItem* miTools = MakeItem(form, "miTools", menu->Items());
    MakeItem(form, "miOptions", miTools, "Ctrl+O")->OnClick = [this](TObject*) { Options(); };

    auto* toolBar = Make<TToolBar>(form, "tbMain", form);
    btnAdd = Make<TToolButton>(form, "btnAdd", toolBar);
    btnAdd->OnClick = [this](TObject*) { AddRecord(); };

    pgHead = Make<TPageControl>(form, "pgHead", form);
    pgHead->SetAlign(alClient);
    tbsHead1 = Make<TTabSheet>(form, "tbsHead1", pgHead);
    edMF001 = Make<TEdit>(form, "edMF001", tbsHead1);
    edMF002 = Make<TEdit>(form, "edMF002", tbsHead1);
    tbsBrowse = Make<TTabSheet>(form, "tbsBrowse", pgHead);
    gdHead = Make<TTestPanel>(form, "gdHead", tbsBrowse);
    gdHead->SetTabStop(true);
    pgHead->SetActivePage(tbsBrowse);
    pgHead->OnChanging = [this](TObject*, bool& allow) {
      allow = !inserting;  // no browsing away from a record being entered
      log_.push_back(allow ? "page" : "page vetoed");
    };

    form->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) {
      if (key != VK_ESCAPE) return;
      key = 0;
      if (inserting) {
        inserting = false;
        log_.push_back("cancel");
      } else {
        form->Close();
      }
    };
    form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  }

  void AddRecord() {
    inserting = true;
    edMF001->SetText("");
    edMF002->SetText("");
    pgHead->SetActivePage(tbsHead1);
    form->SetActiveControl(edMF001);
    log_.push_back("add");
  }

  void Options() {
    auto dialog = TCustomForm::CreateUnowned<TForm>();
    dialog->SetName("dlgOptions");
    auto* edCaption = Make<TEdit>(dialog.get(), "edCaption", dialog.get());
    auto* btnOK = Make<TButton>(dialog.get(), "btnOK", dialog.get());
    btnOK->SetDefault(true);
    btnOK->SetModalResult(kModalOk);
    if (dialog->ShowModal() == kModalOk) form->SetCaption(edCaption->Text());
  }

  TCustomForm* form;
  TToolButton* btnAdd;
  TPageControl* pgHead;
  TTabSheet* tbsHead1;
  TTabSheet* tbsBrowse;
  TEdit* edMF001;
  TEdit* edMF002;
  TTestPanel* gdHead;
  bool inserting = false;
};

TEST_F(RecordWindowTest, IsDrivenEntirelyByKeysClicksAndScripts) {
  TComponentWatch alive(form);
  form->Show();
  form->SetActiveControl(gdHead);
  EXPECT_FALSE(edMF001->CanFocus());  // on the page that is not shown

  form->PressKey(VK_F5);
  EXPECT_EQ(pgHead->ActivePage(), tbsHead1);
  EXPECT_EQ(form->ActiveControl(), edMF001);
  form->TypeText("A01");
  form->PressKey(VK_TAB);
  form->TypeText("Written");
  EXPECT_EQ(edMF001->Text(), "A01");
  EXPECT_EQ(edMF002->Text(), "Written");

  form->PressKey(VK_TAB, {ssCtrl});  // vetoed while a record is entered
  EXPECT_EQ(pgHead->ActivePage(), tbsHead1);
  form->PressKey(VK_ESCAPE);
  form->PressKey(VK_TAB, {ssCtrl});
  EXPECT_EQ(pgHead->ActivePage(), tbsBrowse);

  form->ClickControl(btnAdd);
  EXPECT_TRUE(inserting);
  form->PressKey(VK_ESCAPE);

  platform_.QueueModalAction("dlgOptions", [](IModalWindow& w) {
    ModalWindowAs<TCustomForm>(w).TypeText("Factors[QRN]");
    ModalWindowAs<TCustomForm>(w).PressKey(VK_RETURN);
  });
  form->PressKey('O', {ssCtrl});
  EXPECT_EQ(form->Caption(), "Factors[QRN]");
  EXPECT_TRUE(form->Active());

  form->PressKey(VK_ESCAPE);  // browsing: Esc closes the window
  Application().ProcessMessages();
  EXPECT_FALSE(alive.Alive());
  EXPECT_EQ(log_, (std::vector<std::string>{"add", "page vetoed", "cancel", "page", "add", "cancel"}));
  EXPECT_EQ(platform_.ModalWindows(), std::vector<std::string>{"dlgOptions"});
}

}  // namespace
}  // namespace pellor::test
