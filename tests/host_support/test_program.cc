// libTESTPRGC.so: a program module for the host's tests. It is built like a
// real program module (the module framework's controller, GetController as
// its only export) around a small form of the platform's form class, so the
// host meets the real controller and a real form life: shown, closed by its
// window, released through the posted messages, destroyed.
//
// What the form hands back as its return value tells the test what reached
// it: the start condition, the start mode and the commands the host allowed.
// A start-up array whose user ID is "nobody" is refused, so that the host's
// handling of a refused start can be seen.
//
// The form has what a script of the host needs to prove itself on: an edit,
// a button asking a question in a message dialog, a button whose handler
// raises, a main menu, a page control with a string grid holding Chinese
// texts, a button opening a modal dialog with its own edit and OK / Cancel,
// a button with a pop-up menu, a button calling ExecWork on its
// work-center manager, the controls a user chooses from (combo box, list
// box with a pop-up menu of its own, radio group, check box allowing grey,
// a check tool button), a status bar, and buttons asking the manager's
// look-up service for a pick list (F2GetData) and the calculator
// (GetCalcValue). Each result lands in a label's caption, where a script
// reads it.
#include <cstdio>
#include <string>

#include "module/entry/dll_controller.h"
#include "module/entry/mt_controller.h"
#include "module/entry/program_form_protocol.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/strutils.h"
#include "platform/ui/comctrls_pages.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/properties.h"
#include "platform/ui/statusbar.h"
#include "platform/ui/stdctrls.h"
#include "platform/ui/toolbar.h"

namespace {

template <class T>
T* Place(pellor::TComponent* owner, pellor::TWinControl* parent, const char* name, int top) {
  T* control = pellor::TComponent::Create<T>(owner);
  control->SetName(name);
  control->SetParent(parent);
  control->SetBounds(8, top, 200, 24);
  return control;
}

// The modal dialog: an edit with OK and Cancel. OK refuses to close while
// the edit holds "wrong", as a dialog that validates its input does.
class TfrmTestDialog : public pellor::TForm {
  PELLOR_CLASS(TfrmTestDialog);

 public:
  explicit TfrmTestDialog(pellor::TComponent* owner) : TForm(owner) {
    SetName("dlgTestDialog");
    SetCaption("Test dialog");
    SetBounds(0, 0, 300, 160);
    edValue = Place<pellor::TEdit>(this, this, "edValue", 8);
    auto* ok = Place<pellor::TButton>(this, this, "btnOK", 40);
    ok->SetCaption("OK");
    ok->SetModalResult(pellor::kModalOk);
    ok->SetDefault(true);
    auto* cancel = Place<pellor::TButton>(this, this, "btnCancel", 72);
    cancel->SetCaption("Cancel");
    cancel->SetModalResult(pellor::kModalCancel);
    cancel->SetCancel(true);
    OnCloseQuery = [this](pellor::TObject*, bool& canClose) {
      canClose = ModalResult() != pellor::kModalOk || edValue->Text() != "wrong";
    };
  }

  pellor::TEdit* edValue;
};

PELLOR_DEFINE_CLASS(TfrmTestDialog, pellor::TForm);

pellor::TStringList Lines(std::initializer_list<const char*> utf8) {
  pellor::TStringList lines;
  for (const char* line : utf8) lines.Add(pellor::Cp936(line));
  return lines;
}

pellor::TMenuItem* AddItem(pellor::TComponent* owner, pellor::TMenu* menu, const char* name,
                           const char* caption) {
  auto* item = pellor::TComponent::Create<pellor::TMenuItem>(owner);
  item->SetName(name);
  item->SetCaption(caption);
  menu->Items()->Add(item);
  return item;
}

class TfrmTestProgram : public pellor::TForm, public pevf::IProgramForm {
  PELLOR_CLASS(TfrmTestProgram);

 public:
  explicit TfrmTestProgram(pellor::TComponent* owner) : TForm(owner) {
    SetName("frmTestProgram");
    // The platform's form events carry the program protocol's handlers.
    TCustomForm::OnShow = [this](pellor::TObject*) {
      shownWith_ = "condition [" + startText_ + "] mode " + std::to_string(startMode_) +
                   " commands " + std::to_string(hostCommandMask_);
      startText_.clear();
      if (onShow_) onShow_(this);
    };
    TCustomForm::OnHide = [this](pellor::TObject*) {
      if (onHide_) onHide_(this);
    };
    TCustomForm::OnClose = [this](pellor::TObject*, pellor::TCloseAction& action) {
      auto programAction = static_cast<pevf::TCloseAction>(action);
      if (onClose_) onClose_(this, programAction);
      action = static_cast<pellor::TCloseAction>(programAction);
    };
    TCustomForm::OnDestroy = [this](pellor::TObject*) {
      destroying_ = true;
      if (onDestroy_) onDestroy_(this);
    };
    // The program's own close handler: a closed program form frees itself
    // and reports how it was used.
    onClose_ = [this](pevf::IProgramForm*, pevf::TCloseAction& action) {
      action = pevf::TCloseAction::caFree;
      resultCode_ = 1;
      returnValue_ = pellor::Variant(shownWith_);
    };
    BuildControls();
  }

  static pevf::IProgramForm* Create() {
    return pellor::TCustomForm::CreateStandalone<TfrmTestProgram>();
  }

  bool Start(const pellor::Variant& params) override {
    if (!params.IsArray() || params.Count() < 5) return false;
    info_.userID = pellor::VarToStr(params[0]);
    info_.companyID = pellor::VarToStr(params[1]);
    info_.programID = "TESTPRG";
    info_.programName = "Host test program";
    return info_.userID != "nobody";
  }

  std::string StartText() const override { return startText_; }
  void SetStartText(const std::string& text) override { startText_ = text; }
  pellor::Variant StartTextExtra() const override { return startTextExtra_; }
  void SetStartTextExtra(const pellor::Variant& value) override { startTextExtra_ = value; }
  pellor::Variant StartData() const override { return startData_; }
  void SetStartData(const pellor::Variant& value) override { startData_ = value; }
  uint8_t StartMode() const override { return startMode_; }
  void SetStartMode(uint8_t mode) override { startMode_ = mode; }
  uint16_t HostCommandMask() const override { return hostCommandMask_; }
  void SetHostCommandMask(uint16_t mask) override { hostCommandMask_ = mask; }
  void RefreshCommandStates() override {}
  pellor::Variant ReturnValue() const override { return returnValue_; }
  int32_t ResultCode() const override { return resultCode_; }
  void SetModuleFileName(const std::string& fileName) override { moduleFileName_ = fileName; }
  std::string HostText() const override { return ""; }
  void SetWorkCenter(const pellor::Variant& workCenter) override { workCenter_ = workCenter; }
  pevf::TProgramInfo ProgramInfo() const override { return info_; }

  bool Visible() const override { return TForm::Visible(); }
  void SetVisible(bool visible) override { TForm::SetVisible(visible); }
  void RestoreIfMinimized() override {
    if (WindowState() == pellor::wsMinimized) SetWindowState(pellor::wsNormal);
  }
  void BringToFront() override { TForm::BringToFront(); }
  pellor::WindowHandle Handle() override { return TForm::Handle(); }
  // The controller runs the close protocol itself once the loop has ended.
  int ShowModal() override { return ExecuteModal(false); }
  bool ModalShowing() const override { return TForm::ModalShowing(); }
  void Close() override { TForm::Close(); }
  void Free() override {
    destroying_ = true;
    TForm::Free();
  }
  bool Destroying() const override { return destroying_; }

  void BuildControls() {
    SetBounds(0, 0, 640, 480);
    SetCaption(pellor::Cp936("测试程序"));
    edName_ = Place<pellor::TEdit>(this, this, "edName", 8);
    auto* hello = Place<pellor::TButton>(this, this, "btnHello", 40);
    hello->SetCaption("Hello");
    hello->OnClick = [this](pellor::TObject*) { AskToSave(); };
    hello->SetHint(pellor::Cp936("说你好"));
    hello->SetShowHint(true);
    lblAnswer_ = Place<pellor::TLabel>(this, this, "lblAnswer", 72);
    auto* fail = Place<pellor::TButton>(this, this, "btnFail", 104);
    fail->SetCaption("Fail");
    fail->OnClick = [](pellor::TObject*) { throw pellor::Exception("Nothing to do here"); };
    auto* dialog = Place<pellor::TButton>(this, this, "btnDialog", 136);
    dialog->SetCaption("Dialog...");
    dialog->OnClick = [this](pellor::TObject*) { RunDialog(); };
    lblDialog_ = Place<pellor::TLabel>(this, this, "lblDialog", 168);
    edProgram_ = Place<pellor::TEdit>(this, this, "edProgram", 200);
    auto* exec = Place<pellor::TButton>(this, this, "btnExecWork", 232);
    exec->SetCaption("ExecWork");
    exec->OnClick = [this](pellor::TObject*) { RunExecWork(); };
    lblExecWork_ = Place<pellor::TLabel>(this, this, "lblExecWork", 264);

    auto* pages = Place<pellor::TPageControl>(this, this, "pcMain", 296);
    pages->SetBounds(220, 8, 400, 300);
    auto* first = pellor::TComponent::Create<pellor::TTabSheet>(this);
    first->SetName("tsFirst");
    first->SetPageControl(pages);
    auto* second = pellor::TComponent::Create<pellor::TTabSheet>(this);
    second->SetName("tsGrid");
    second->SetCaption(pellor::Cp936("数据"));
    second->SetPageControl(pages);
    pages->SetActivePage(first);
    auto* grid = Place<pellor::TStringGrid>(this, second, "sgData", 8);
    grid->SetBounds(0, 0, 380, 240);
    grid->SetColCount(3);
    grid->SetRowCount(4);
    const char* rows[][3] = {{"", "代号", "名称"}, {"1", "A01", "甲"}, {"2", "A02", "乙"},
                             {"3", "A03", "丙"}};
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 3; ++col) grid->SetCells(col, row, pellor::Cp936(rows[row][col]));
    }

    auto* menu = pellor::TComponent::Create<pellor::TMainMenu>(this);
    menu->SetName("mmMain");
    auto* file = pellor::TComponent::Create<pellor::TMenuItem>(this);
    file->SetName("miFile");
    file->SetCaption("File");
    menu->Items()->Add(file);
    auto* clear = pellor::TComponent::Create<pellor::TMenuItem>(this);
    clear->SetName("miClear");
    clear->SetCaption("Clear");
    clear->SetShortCut(pellor::TextToShortCut("Ctrl+L"));
    clear->OnClick = [this](pellor::TObject*) { edName_->Clear(); };
    file->Add(clear);
    // Disabled until the name edit holds something: opening the menu decides.
    file->OnClick = [this, clear](pellor::TObject*) { clear->SetEnabled(!edName_->Text().empty()); };
    SetMenu(menu);

    // A button with a drop-down of actions, as tool buttons have.
    auto* popup = pellor::TComponent::Create<pellor::TPopupMenu>(this);
    popup->SetName("pmMore");
    auto* upper = pellor::TComponent::Create<pellor::TMenuItem>(this);
    upper->SetName("miUpper");
    upper->SetCaption("Upper case");
    upper->OnClick = [this](pellor::TObject*) { edName_->SetText(pellor::UpperCase(edName_->Text())); };
    popup->Items()->Add(upper);
    auto* more = Place<pellor::TButton>(this, this, "btnMore", 328);
    more->SetCaption("More");
    more->OnClick = [this, popup](pellor::TObject*) {
      if (popup->Popup(0, 0) == nullptr) lblAnswer_->SetCaption("dismissed");
    };
    BuildChoices();
  }

  // The controls a user chooses from, beside the first ones; what each
  // choice did shows in lblChoice.
  void BuildChoices() {
    SetBounds(0, 0, 640, 720);
    lblChoice_ = Place<pellor::TLabel>(this, this, "lblChoice", 360);
    auto show = [this](const std::string& text) { lblChoice_->SetCaption(text); };

    auto* combo = Place<pellor::TComboBox>(this, this, "cboColour", 392);
    combo->SetStyle(pellor::csDropDownList);
    // The list is filled when it first opens, as programs fill look-up lists.
    combo->OnDropDown = [combo](pellor::TObject*) {
      if (combo->Items().Count() == 0) combo->SetItems(Lines({"红", "绿", "蓝"}));
    };
    combo->OnSelect = [combo, show](pellor::TObject*) { show("colour " + combo->Text()); };

    auto* list = Place<pellor::TListBox>(this, this, "lbCity", 424);
    list->SetItems(Lines({"北京", "上海", "广州"}));
    list->OnClick = [list, show](pellor::TObject*) { show("city " + list->Items()[list->ItemIndex()]); };
    list->OnDblClick = [list, show](pellor::TObject*) {
      show("opened " + list->Items()[list->ItemIndex()]);
    };
    auto* cityMenu = pellor::TComponent::Create<pellor::TPopupMenu>(this);
    cityMenu->SetName("pmCity");
    AddItem(this, cityMenu, "miCopyCity", "Copy")->OnClick = [list, show](pellor::TObject*) {
      show("copied " + (list->ItemIndex() >= 0 ? list->Items()[list->ItemIndex()] : std::string()));
    };
    // Attached by name, as a form template attaches its pop-ups; the list
    // box's own menu comes before the form's on a right click.
    pellor::SetPropValue(*list, "PopupMenu", "pmCity");

    auto* sizes = Place<pellor::TRadioGroup>(this, this, "rgSize", 456);
    sizes->SetItems(Lines({"小", "中", "大"}));
    sizes->OnClick = [sizes, show](pellor::TObject*) { show("size " + sizes->Items()[sizes->ItemIndex()]); };

    auto* audit = Place<pellor::TCheckBox>(this, this, "chkAudit", 488);
    audit->SetCaption("Audit");
    audit->SetAllowGrayed(true);
    audit->OnClick = [audit, show](pellor::TObject*) {
      show(std::string("audit ") + std::string(pellor::kCheckBoxStateNames[audit->State()]));
    };

    auto* tools = pellor::TComponent::Create<pellor::TToolBar>(this);
    tools->SetName("tbMain");
    tools->SetParent(this);
    auto* bold = pellor::TComponent::Create<pellor::TToolButton>(this);
    bold->SetName("tbBold");
    bold->SetStyle(pellor::tbsCheck);
    bold->SetParent(tools);
    bold->SetHint(pellor::Cp936("粗体"));
    bold->SetShowHint(true);

    auto* status = pellor::TComponent::Create<pellor::TStatusBar>(this);
    status->SetName("sbMain");
    status->SetParent(this);
    status->Panels().Add()->SetText(pellor::Cp936("浏览"));
    status->Panels().Add()->SetText("0/3");

    // A double click on a row of the grid and a right click anywhere else.
    auto* grid = dynamic_cast<pellor::TStringGrid*>(FindComponent("sgData"));
    grid->OnDblClick = [grid, show](pellor::TObject*) { show("row " + grid->Cells(1, grid->Row())); };
    auto* formMenu = pellor::TComponent::Create<pellor::TPopupMenu>(this);
    formMenu->SetName("pmForm");
    AddItem(this, formMenu, "miStamp", "Stamp")->OnClick = [formMenu, show](pellor::TObject*) {
      show("stamp " + (formMenu->PopupComponent() != nullptr ? formMenu->PopupComponent()->Name() : ""));
    };
    pellor::SetPropValue(*this, "PopupMenu", "pmForm");
    // The grid answers a right click itself: the form's menu stays closed.
    grid->OnContextPopup = [grid, show](pellor::TObject*, pellor::TPoint, bool& handled) {
      show("menu for row " + grid->Cells(1, grid->Row()));
      handled = true;
    };

    auto* lookup = Place<pellor::TButton>(this, this, "btnLookup", 520);
    lookup->SetCaption("Look up...");
    lookup->OnClick = [this](pellor::TObject*) { RunLookup(); };
    lblLookup_ = Place<pellor::TLabel>(this, this, "lblLookup", 552);
    auto* calc = Place<pellor::TButton>(this, this, "btnCalc", 584);
    calc->SetCaption("Calculator...");
    calc->OnClick = [this](pellor::TObject*) { RunCalculator(); };
    lblCalc_ = Place<pellor::TLabel>(this, this, "lblCalc", 616);
  }

  // The evaluation factors through the manager's look-up service, as a
  // program form asks for them: the request of 19 values.
  void RunLookup() {
    pellor::VarArgs none;
    pellor::Variant service = pellor::DispatchInvoke(workCenter_, "Com_F2Window", none);
    pellor::Variant request = pellor::Variant::ArrayOf(
        {"HRSMF", "01", pellor::Variant::ArrayOf({""}), false, "", info_.companyID, "",
         static_cast<int>(TForm::Handle()), 1, true, 0, "", "", "", "", false, false, workCenter_,
         info_.userID});
    pellor::VarArgs call{request};
    pellor::Variant result = pellor::DispatchInvoke(service, "F2GetData", call);
    if (!result.IsArray() || result.Count() == 0) {
      lblLookup_->SetCaption("none");
      return;
    }
    pellor::Variant row = result[0];
    lblLookup_->SetCaption(pellor::VarToStr(row[0]) + " " + pellor::VarToStr(row[1]));
  }

  void RunCalculator() {
    pellor::VarArgs none;
    pellor::Variant service = pellor::DispatchInvoke(workCenter_, "Com_F2Window", none);
    pellor::VarArgs call{pellor::Variant("1+2"), static_cast<int>(TForm::Handle())};
    std::string value = pellor::VarToStr(pellor::DispatchInvoke(service, "GetCalcValue", call));
    lblCalc_->SetCaption(value.empty() ? "cancelled" : "= " + value + " from " + pellor::VarToStr(call[0]));
  }

  void AskToSave() {
    pellor::MessageDialogRequest request;
    request.kind = pellor::DialogKind::kConfirmation;
    request.text = pellor::Cp936("保存") + " " + edName_->Text() + "?";
    request.buttons = {{"Yes", "Yes"}, {"No", "No"}};
    request.defaultButton = "Yes";
    int answer = pellor::CurrentPlatform().MessageDialog(request);
    lblAnswer_->SetCaption(answer == pellor::kModalYes ? "saved" : "not saved");
  }

  void RunDialog() {
    auto* dialog = pellor::TCustomForm::Create<TfrmTestDialog>(this);
    int result = dialog->ShowModal();
    lblDialog_->SetCaption(result == pellor::kModalOk ? "OK " + dialog->edValue->Text() : "cancelled");
    delete dialog;
  }

  // As a program module calls its manager: the caller array names the
  // program to start, then the start value, the run options (action,
  // rights, condition), mode 2 and the result.
  void RunExecWork() {
    pellor::Variant caller = pellor::Variant::ArrayOf(
        {info_.userID, info_.companyID, edProgram_->Text(), static_cast<int>(TForm::Handle())});
    pellor::VarArgs call{caller, pellor::Variant("from TESTPRG"),
                         pellor::Variant::ArrayOf({0, 0xFF, pellor::Variant()}), 2, pellor::Variant()};
    int answer = pellor::DispatchInvoke(workCenter_, "ExecWork", call).AsInteger();
    lblExecWork_->SetCaption("ExecWork " + std::to_string(answer));
  }

  int ModalResult() const override { return TForm::ModalResult(); }
  void SetModalResult(int result) override { TForm::SetModalResult(result); }
  std::string ModalWindowName() const override { return TForm::ModalWindowName(); }
  bool ModalWindowIs(std::string_view key) const override { return TForm::ModalWindowIs(key); }
  bool ConfirmModalEnd() override { return TForm::ConfirmModalEnd(); }

  pevf::TFormNotifyEvent OnShow() const override { return onShow_; }
  void SetOnShow(pevf::TFormNotifyEvent handler) override { onShow_ = std::move(handler); }
  pevf::TFormNotifyEvent OnHide() const override { return onHide_; }
  void SetOnHide(pevf::TFormNotifyEvent handler) override { onHide_ = std::move(handler); }
  pevf::TFormCloseEvent OnClose() const override { return onClose_; }
  void SetOnClose(pevf::TFormCloseEvent handler) override { onClose_ = std::move(handler); }
  pevf::TFormNotifyEvent OnDestroy() const override { return onDestroy_; }
  void SetOnDestroy(pevf::TFormNotifyEvent handler) override { onDestroy_ = std::move(handler); }

 private:
  std::string startText_;
  pellor::Variant startTextExtra_;
  pellor::Variant startData_;
  uint8_t startMode_ = 0;
  uint16_t hostCommandMask_ = pevf::kCommandsAll;
  pellor::Variant returnValue_;
  int32_t resultCode_ = 0;
  std::string moduleFileName_;
  pellor::Variant workCenter_;
  pevf::TProgramInfo info_;
  std::string shownWith_;
  bool destroying_ = false;
  pellor::TEdit* edName_ = nullptr;
  pellor::TLabel* lblAnswer_ = nullptr;
  pellor::TLabel* lblDialog_ = nullptr;
  pellor::TEdit* edProgram_ = nullptr;
  pellor::TLabel* lblExecWork_ = nullptr;
  pellor::TLabel* lblChoice_ = nullptr;
  pellor::TLabel* lblLookup_ = nullptr;
  pellor::TLabel* lblCalc_ = nullptr;
  pevf::TFormNotifyEvent onShow_;
  pevf::TFormNotifyEvent onHide_;
  pevf::TFormCloseEvent onClose_;
  pevf::TFormNotifyEvent onDestroy_;
};

PELLOR_DEFINE_CLASS(TfrmTestProgram, pellor::TForm);

// What the library main of a program module does while it loads.
struct RegisterFormClass {
  RegisterFormClass() { pevf::frmRadicalClass = &TfrmTestProgram::Create; }
} registerFormClass;

}  // namespace

extern "C" __attribute__((visibility("default"))) pevf::TDLLBaseController* GetController() {
  return pevf::CreateDLLController();
}
