// A program form for the controller tests: it keeps what the controller sets,
// has close, show, hide and destroy handlers of its own as a program form has
// (its close handler asks for caFree and sets the result code), and writes
// every handler call into a log it shares with the test.
#ifndef PEVF_TESTS_ENTRY_TEST_PROGRAM_FORM_H_
#define PEVF_TESTS_ENTRY_TEST_PROGRAM_FORM_H_

#include <string>
#include <vector>

#include "module/entry/program_form_protocol.h"

namespace pevf::test {

class TTestForm;

// What a test watches: outlives the forms it watches.
struct FormProbe {
  std::vector<std::string> log;  // "form:close", "event:320" ...
  TTestForm* form = nullptr;     // the live form, null once destroyed
  int formsCreated = 0;
  int starts = 0;
  int refreshes = 0;
  pellor::Variant lastStartParams;
  bool startResult = true;
};

class TTestForm : public IProgramForm {
 public:
  // The form class as the registration holds it; the new form reports to
  // `CurrentProbe`.
  static IProgramForm* Create();
  static FormProbe* CurrentProbe;

  bool Start(const pellor::Variant& params) override;
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
  void RefreshCommandStates() override { ++probe_->refreshes; }
  pellor::Variant ReturnValue() const override { return returnValue_; }
  int32_t ResultCode() const override { return resultCode_; }
  void SetModuleFileName(const std::string& fileName) override { moduleFileName_ = fileName; }
  std::string HostText() const override { return hostText_; }
  void SetWorkCenter(const pellor::Variant& workCenter) override { workCenter_ = workCenter; }
  TProgramInfo ProgramInfo() const override;
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override;
  void RestoreIfMinimized() override { minimized_ = false; }
  void BringToFront() override { ++broughtToFront_; }
  pellor::WindowHandle Handle() override;
  int ShowModal() override;
  bool ModalShowing() const override { return modalShowing_; }
  void Close() override;
  void Free() override;
  bool Destroying() const override { return destroying_; }
  int ModalResult() const override { return modalResult_; }
  void SetModalResult(int result) override { modalResult_ = result; }
  std::string ModalWindowName() const override { return "TTestForm"; }

  TFormNotifyEvent OnShow() const override { return onShow_; }
  void SetOnShow(TFormNotifyEvent handler) override { onShow_ = std::move(handler); }
  TFormNotifyEvent OnHide() const override { return onHide_; }
  void SetOnHide(TFormNotifyEvent handler) override { onHide_ = std::move(handler); }
  TFormCloseEvent OnClose() const override { return onClose_; }
  void SetOnClose(TFormCloseEvent handler) override { onClose_ = std::move(handler); }
  TFormNotifyEvent OnDestroy() const override { return onDestroy_; }
  void SetOnDestroy(TFormNotifyEvent handler) override { onDestroy_ = std::move(handler); }

  // What tests read and set directly.
  const std::string& ModuleFileName() const { return moduleFileName_; }
  const pellor::Variant& WorkCenter() const { return workCenter_; }
  void SetReturnValue(const pellor::Variant& value) { returnValue_ = value; }
  void SetHostText(const std::string& text) { hostText_ = text; }
  bool Minimized() const { return minimized_; }
  void Minimize() { minimized_ = true; }
  int BroughtToFront() const { return broughtToFront_; }

 private:
  explicit TTestForm(FormProbe* probe);
  ~TTestForm() override;

  FormProbe* probe_;
  std::string startText_;
  pellor::Variant startTextExtra_;
  pellor::Variant startData_;
  uint8_t startMode_ = 0;
  uint16_t hostCommandMask_ = kCommandsAll;
  pellor::Variant returnValue_;
  int32_t resultCode_ = 0;
  std::string moduleFileName_;
  std::string hostText_;
  pellor::Variant workCenter_;
  bool visible_ = false;
  bool minimized_ = false;
  int broughtToFront_ = 0;
  pellor::WindowHandle handle_ = 0;
  bool modalShowing_ = false;
  int modalResult_ = 0;
  bool destroying_ = false;
  TFormNotifyEvent onShow_;
  TFormNotifyEvent onHide_;
  TFormCloseEvent onClose_;
  TFormNotifyEvent onDestroy_;
};

}  // namespace pevf::test

#endif  // PEVF_TESTS_ENTRY_TEST_PROGRAM_FORM_H_
