// Forms: properties by name, the client area, showing and activation, close
// actions, freeing and OnDestroy, window messages, the screen and the
// application.
#include <gtest/gtest.h>

#include "form_fixture.h"

namespace pellor::test {
namespace {

// A form class that builds a control in its constructor and binds its
// creation handler by name, as a program form's template does.
class TfrmSample : public TForm {
  PELLOR_CLASS(TfrmSample);

 public:
  explicit TfrmSample(TComponent* owner) : TForm(owner) {
    auto* edit = Create<TTestEdit>(this);
    edit->SetName("edFirst");
    edit->SetParent(this);
    BindEvent(*this, "OnCreate", *this, "FormCreate");
  }
  void FormCreate(TObject*) {
    ++created;
    sawControl = FindComponent("edFirst") != nullptr;
  }
  int created = 0;
  bool sawControl = false;

 private:
  static void DefineProperties(PropertyBuilder<TfrmSample>& p) { p.Handler("FormCreate", &TfrmSample::FormCreate); }
};
PELLOR_DEFINE_CLASS(TfrmSample, TForm);

TEST_F(FormTest, PropertiesAreSetAndReadByNameAndWrongOnesRefused) {
  auto form = MakeForm("frmMain");
  TCustomForm::Create<TMainMenu>(form.get())->SetName("mnMain");
  TCustomForm::Create<TPopupMenu>(form.get())->SetName("pmGrid");
  struct Case {
    const char* path;
    Variant value;
    const char* text;
  };
  const Case cases[] = {
      {"Caption", "Factors[QRN]", "Factors[QRN]"},
      {"BorderStyle", "bsDialog", "bsDialog"},
      {"BorderIcons", "[biSystemMenu]", "[biSystemMenu]"},
      {"Position", " poScreenCenter ", "poScreenCenter"},
      {"WindowState", "wsMaximized", "wsMaximized"},
      {"FormStyle", "fsStayOnTop", "fsStayOnTop"},
      {"KeyPreview", "True", "True"},
      {"Scaled", false, "False"},
      {"ClientWidth", 394, "394"},
      {"ClientHeight", "322", "322"},
      {"ModalResult", "mrOk", "mrOk"},
      {"Menu", "mnMain", "mnMain"},
      {"PopupMenu", "pmGrid", "pmGrid"},
      {"Font.Height", -13, "-13"},
      {"Color", "clBtnFace", "clBtnFace"},
      {"ShowHint", true, "True"},
  };
  for (const Case& c : cases) {
    SetPropValue(*form, c.path, c.value);
    EXPECT_EQ(GetPropText(*form, c.path), c.text) << c.path;
  }
  EXPECT_EQ(form->ClientWidth(), 394);
  EXPECT_EQ(form->ModalResult(), kModalOk);

  const std::pair<const char*, Variant> refused[] = {
      {"Captions", "x"},        {"BorderStyle", "bsRound"}, {"ModalResult", "mrMaybe"},
      {"KeyPreview", "seldom"}, {"Menu", "pmGrid"},         {"Menu", "mnNone"},
      {"BorderIcons", "[biClose]"}, {"ClientWidth", "wide"},
  };
  for (const auto& [path, value] : refused) {
    EXPECT_THROW(SetPropValue(*form, path, value), EPropertyError) << path;
  }
  EXPECT_EQ(GetPropText(*form, "Menu"), "mnMain");
}

TEST_F(FormTest, TheClientAreaIsTheWindowLessItsFrame) {
  auto form = MakeForm("frmMain");
  auto* panel = Make<TTestPanel>(form.get(), "pnlAll", form.get());
  panel->SetAlign(alClient);
  form->SetClientWidth(400);
  form->SetClientHeight(300);
  EXPECT_EQ(form->Width(), 408);  // sizeable: 4 a side
  EXPECT_EQ(form->Height(), 327);  // and a caption
  EXPECT_EQ(panel->Width(), 400);
  EXPECT_EQ(panel->Height(), 300);

  form->SetMenu(TCustomForm::Create<TMainMenu>(form.get()));
  EXPECT_EQ(form->Height(), 346);  // the menu bar is added; the client area stays
  EXPECT_EQ(form->ClientHeight(), 300);
  form->SetBorderStyle(bsNone);
  EXPECT_EQ(form->Width(), 400);
  EXPECT_EQ(form->Height(), 319);
  form->SetBorderStyle(bsDialog);
  EXPECT_EQ(form->Width(), 406);
  form->SetClientHeight(200);
  EXPECT_EQ(panel->Height(), 200);
  delete form->Menu();  // the bar goes with the menu; the window keeps its size
  EXPECT_EQ(form->ClientHeight(), 219);
}

TEST_F(FormTest, ShowingCentresActivatesAndFocusesAndHidingHandsTheInputOn) {
  auto first = MakeForm("frmFirst");
  auto second = MakeForm("frmSecond");
  auto* ed = Make<TTestEdit>(second.get(), "edName", second.get());
  for (TCustomForm* f : {first.get(), second.get()}) {
    f->OnShow = [this](TObject* s) {
      auto* form = static_cast<TCustomForm*>(s);
      log_.push_back("show " + form->Name() + (form->Visible() ? " visible" : " hidden"));
    };
    f->OnHide = [this](TObject* s) { log_.push_back("hide " + static_cast<TComponent*>(s)->Name()); };
    f->OnActivate = [this](TObject* s) { log_.push_back("activate " + static_cast<TComponent*>(s)->Name()); };
    f->OnDeactivate = [this](TObject* s) { log_.push_back("deactivate " + static_cast<TComponent*>(s)->Name()); };
  }
  second->SetPosition(poScreenCenter);
  second->SetBounds(0, 0, 424, 368);

  first->Show();
  second->Show();
  EXPECT_EQ(second->Left(), 300);
  EXPECT_EQ(second->Top(), 200);
  EXPECT_TRUE(second->Active());
  EXPECT_EQ(Screen().ActiveForm(), second.get());
  EXPECT_EQ(Screen().ActiveControl(), ed);
  EXPECT_EQ(Screen().Forms(0), second.get());
  second->Hide();
  EXPECT_TRUE(first->Active());
  EXPECT_EQ(log_, (std::vector<std::string>{"show frmFirst visible", "activate frmFirst", "show frmSecond visible",
                                            "deactivate frmFirst", "activate frmSecond", "hide frmSecond",
                                            "deactivate frmSecond", "activate frmFirst"}));
  EXPECT_EQ(platform_.WindowLog(),
            (std::vector<std::string>{"show frmFirst", "front frmFirst", "show frmSecond", "front frmSecond",
                                      "hide frmSecond"}));
  first->Hide();
  EXPECT_EQ(Screen().ActiveForm(), nullptr);
}

TEST_F(FormTest, ObserversHearOfEveryVisibleChange) {
  auto form = MakeForm("frmMain");
  auto* ed = Make<TTestEdit>(form.get(), "edName", form.get());
  Recorder recorder;
  form->AddObserver(&recorder);
  Screen().AddObserver(&recorder);
  form->SetCaption("Factors");
  form->SetBorderStyle(bsSingle);
  form->SetWindowState(wsMinimized);
  form->SetMenu(TCustomForm::Create<TMainMenu>(form.get()));
  form->Show();
  form->SetActiveControl(nullptr);
  form->SetActiveControl(ed);
  form->SetModalResult(kModalOk);
  for (const char* change : {"frmMain.Caption", "frmMain.BorderStyle", "frmMain.Width", "frmMain.WindowState",
                             "frmMain.Menu", "frmMain.Height", "frmMain.Visible", "frmMain.ActiveControl",
                             "frmMain.ModalResult", ".ActiveForm", ".ActiveControl"}) {
    EXPECT_TRUE(recorder.Saw(change)) << change;
  }
  form->RemoveObserver(&recorder);
  Screen().RemoveObserver(&recorder);
}

TEST_F(FormTest, CloseActsOnTheActionTheHandlersLeave) {
  struct Case {
    TCloseAction action;
    bool visible;
    TWindowState state;
  };
  for (const Case& c : {Case{caHide, false, wsNormal}, Case{caMinimize, true, wsMinimized},
                        Case{caNone, true, wsNormal}}) {
    auto form = MakeForm("frmMain");
    form->OnClose = [&](TObject*, TCloseAction& action) {
      EXPECT_EQ(action, caHide);
      action = c.action;
    };
    form->Show();
    form->Close();
    EXPECT_EQ(form->Visible(), c.visible) << kCloseActionNames[c.action];
    EXPECT_EQ(form->WindowState(), c.state) << kCloseActionNames[c.action];
  }

  // A veto of the close query keeps the form without asking OnClose.
  auto kept = MakeForm("frmKept");
  kept->OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
  kept->OnClose = [](TObject*, TCloseAction&) { FAIL() << "closed despite the veto"; };
  kept->Show();
  kept->Close();
  EXPECT_TRUE(kept->Visible());

  // A form held by its creator cannot free itself.
  kept->OnCloseQuery = nullptr;
  kept->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  EXPECT_THROW(kept->Close(), EInvalidOperation);
}

TEST_F(FormTest, AFormThatFreesItselfFromItsOwnHandlerGoesWhenTheLoopComesBack) {
  TCustomForm* form = TCustomForm::CreateStandalone<TForm>();
  form->SetCaption("Factors");
  auto* btnExit = Make<TTestButton>(form, "btnExit", form);
  std::string seenAfterClose;
  btnExit->OnClick = [&](TObject* sender) {
    form->Close();
    // Still there: the handler and the button may go on.
    seenAfterClose = form->Caption() + "/" + static_cast<TComponent*>(sender)->Name();
  };
  bool destroyed = false;
  form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  form->OnDestroy = [&](TObject*) { destroyed = true; };
  TComponentWatch watch(form);
  form->Show();
  form->ClickControl(btnExit);
  EXPECT_EQ(seenAfterClose, "Factors/btnExit");
  EXPECT_TRUE(watch.Alive());
  Application().ProcessMessages();
  EXPECT_FALSE(watch.Alive());
  EXPECT_TRUE(destroyed);
}

TEST_F(FormTest, CreationRunsOnCreateOnceAndFreeingRunsOnDestroy) {
  TfrmSample* sample = TCustomForm::CreateStandalone<TfrmSample>();
  EXPECT_EQ(sample->created, 1);
  EXPECT_TRUE(sample->sawControl);
  sample->AfterConstruction();
  EXPECT_EQ(sample->created, 1);

  auto* owned = TCustomForm::Create<TForm>(sample);
  sample->OnDestroy = [this](TObject*) { log_.push_back("sample"); };
  owned->OnDestroy = [this](TObject* s) {
    log_.push_back(static_cast<TComponent*>(s)->Destroying() ? "owned destroying" : "owned");
  };
  const int forms = Screen().FormCount();
  sample->Free();
  EXPECT_EQ(log_, (std::vector<std::string>{"sample", "owned destroying"}));
  EXPECT_EQ(Screen().FormCount(), forms - 2);

  // A form held through a TFormPtr runs OnDestroy when the pointer lets go,
  // also when the handler raises.
  log_.clear();
  auto held = MakeForm("frmHeld");
  held->OnDestroy = [this](TObject*) {
    log_.push_back("held");
    throw Exception("ignored");
  };
  EXPECT_THROW(held->Release(), EInvalidOperation);
  held.reset();
  EXPECT_EQ(log_, (std::vector<std::string>{"held"}));

  // An error of OnDestroy passes on from Free, and the form is gone all the same.
  TCustomForm* failing = TCustomForm::CreateStandalone<TForm>();
  failing->OnDestroy = [](TObject*) { throw Exception("cleanup failed"); };
  TComponentWatch watch(failing);
  EXPECT_THROW(failing->Free(), Exception);
  EXPECT_FALSE(watch.Alive());
}

TEST_F(FormTest, MessagesReachTheHandlersTheFormRegistered) {
  auto form = MakeForm("frmMain");
  auto* ed = Make<TTestEdit>(form.get(), "edMF001", form.get());
  TComponent* requester = nullptr;
  form->SetMessageHandler(WM_USER + 10, [&](TMessage& m) {
    requester = ParamToComponent(m.lParam);
    m.result = 7;
  });
  EXPECT_EQ(SendToOwnerForm(ed, 1034, 0, ComponentToParam(ed)), 7);
  EXPECT_EQ(requester, ed);
  EXPECT_EQ(SendMessage(form->Handle(), 1034, 0, 0), 7);
  EXPECT_EQ(requester, nullptr);
  EXPECT_EQ(SendToOwnerForm(ed, 1035, 0, 0), 0);  // nobody takes it
  EXPECT_EQ(SendToOwnerForm(form.get(), 1034, 0, 0), 0);  // a form without owner form
  EXPECT_EQ(SendMessage(0, 1034, 0, 0), 0);
  form->SetMessageHandler(1034, nullptr);
  EXPECT_EQ(SendToOwnerForm(ed, 1034, 0, 0), 0);

  // Moving the form reports its position, as the host window's repaint needs.
  std::vector<intptr_t> moves;
  form->SetMessageHandler(WM_MOVE, [&](TMessage& m) {
    moves.push_back(m.lParam);
    CurrentPlatform().RepaintWindow(4242);
  });
  form->SetBounds(30, 40, 500, 400);
  form->SetWidth(520);  // not a move
  EXPECT_EQ(moves, (std::vector<intptr_t>{30 | (40 << 16)}));
  EXPECT_EQ(platform_.RepaintedWindows(), std::vector<WindowHandle>{4242});

  // A posted close waits for the loop; a message for a form that went is dropped.
  form->Show();
  PostMessage(form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(form->Visible());
  TCustomForm* gone = TCustomForm::CreateStandalone<TForm>();
  PostMessage(gone->Handle(), WM_CLOSE, 0, 0);
  gone->Free();
  Application().ProcessMessages();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(PendingMessageCount(), 0u);
}

TEST_F(FormTest, TheScreenAndTheApplicationHoldTheirSettingsByName) {
  {
    TCursorScope busy;
    EXPECT_EQ(Screen().Cursor(), crHourGlass);
    {
      TCursorScope hand(crHandPoint);
      EXPECT_EQ(platform_.Cursor(), crHandPoint);
    }
    EXPECT_EQ(platform_.Cursor(), crHourGlass);
  }
  EXPECT_EQ(Screen().Cursor(), crDefault);
  SetPropValue(Screen(), "Cursor", "crSQLWait");
  EXPECT_EQ(GetPropText(Screen(), "Cursor"), "crSQLWait");
  EXPECT_THROW(SetPropValue(Screen(), "Cursor", "crSpinning"), EPropertyError);
  Screen().SetCursor(crDefault);

  Recorder recorder;
  Screen().AddObserver(&recorder);
  Application().AddObserver(&recorder);
  SetPropValue(Screen(), "MenuFont.Charset", "GB2312_CHARSET");
  EXPECT_EQ(Screen().MenuFont()->Charset(), GB2312_CHARSET);
  SetPropValue(Application(), "HintPause", 100);
  SetPropValue(Application(), "HintHidePause", 500000);
  SetPropValue(Application(), "ShowHint", false);
  SetPropValue(Application(), "ShowHint", true);
  EXPECT_EQ(Application().HintHidePause(), 500000);
  EXPECT_THROW(SetPropValue(Application(), "HintDelay", 100), EPropertyError);
  EXPECT_EQ(recorder.changes, (std::vector<std::string>{".MenuFont", ".HintPause", ".HintHidePause",
                                                        ".ShowHint", ".ShowHint"}));
  Screen().RemoveObserver(&recorder);
  Application().RemoveObserver(&recorder);
  Screen().MenuFont()->SetCharset(DEFAULT_CHARSET);
  Application().SetHintPause(500);
  Application().SetHintHidePause(2500);
}

TEST_F(FormTest, TheApplicationShowsErrorsAsItsLoopDoes) {
  Application().SetTitle("Factors");
  EXPECT_TRUE(Application().DeliverInput([] {}));
  EXPECT_FALSE(Application().DeliverInput([] { throw EAbort(); }));
  EXPECT_FALSE(Application().DeliverInput([] { throw EDatabaseError("Record locked"); }));
  Application().HandleException(Exception("Done."));
  Application().HandleException(Exception("Stop!"));
  EXPECT_EQ(platform_.DialogTexts(), (std::vector<std::string>{"Record locked.", "Done.", "Stop!"}));
  EXPECT_EQ(platform_.Dialogs()[0].kind, DialogKind::kError);
  EXPECT_EQ(platform_.Dialogs()[0].caption, "Factors");
  Application().SetTitle("");
}

TEST_F(FormTest, OpeningFilesGoesThroughThePlatform) {
  EXPECT_TRUE(CurrentPlatform().OpenDocument("/tmp/c_data/HRSMF.xls", "open"));
  platform_.SetOpenDocumentResult(false);
  EXPECT_FALSE(CurrentPlatform().OpenDocument("/opt/PEVF07C.so", "properties"));
  EXPECT_EQ(platform_.OpenedDocuments().size(), 2u);
  EXPECT_EQ(platform_.OpenedDocuments()[1].second, "properties");
  // The desktop opener is never asked for a file that is not there.
  EXPECT_FALSE(OpenWithAssociatedProgram("/nonexistent/HRSMF.xls"));
  EXPECT_FALSE(OpenWithAssociatedProgram(""));
}

}  // namespace
}  // namespace pellor::test
