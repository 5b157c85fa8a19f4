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
#include <cstdio>
#include <string>

#include "module/entry/dll_controller.h"
#include "module/entry/mt_controller.h"
#include "module/entry/program_form_protocol.h"
#include "platform/ui/forms.h"

namespace {

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
