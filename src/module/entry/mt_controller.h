// The controller of single-table programs and the module's class
// registrations.
#ifndef PEVF_ENTRY_MT_CONTROLLER_H_
#define PEVF_ENTRY_MT_CONTROLLER_H_

#include <memory>

#include "module/entry/dll_controller.h"
#include "module/entry/program_form_protocol.h"

namespace pevf {

// Creates a new controller with every field zero or empty.
using TDLLControllerClass = TDLLBaseController* (*)();

// The controller class GetController instantiates; set to TDLLMTCtrller by
// this unit. Null means unset.
extern TDLLControllerClass DLLControllerClass;
// The program's form class, which Initialize instantiates; set by the library
// main. Null means unset.
extern TProgramFormClass frmRadicalClass;

// The notices of the version check, as the user sees them.
inline constexpr const char kProgramTooOldNotice[] =
    "This program's version is too old, please update.";
inline constexpr const char kWorkCenterTooOldNotice[] =
    "TamloWorkCenter version too old,please update.";
inline constexpr const char kWorkCenterCheckFailedNotice[] =
    "TamloWorkCenter version too old,please update!";

// What GetController does: a new controller of DLLControllerClass, or the
// error naming the unset registration.
TDLLBaseController* CreateDLLController();

// The error text for an unset class registration `variableName`.
std::string NotAssignedError(const char* variableName);

// Creates the program form, relays its life events to the host and frees it.
// The controller owns the form until the form is destroyed, by the controller
// (CloseProgram, the destructor) or by itself (closed with caFree); it learns
// of the end through the form's OnDestroy, which it hooks.
class TDLLMTCtrller : public TDLLBaseController {
 public:
  TDLLMTCtrller();
  ~TDLLMTCtrller() override;

  std::u16string GetHostText() override;
  bool GetVisible() override;
  void SetVisible(uint16_t show) override;
  pellor::WindowHandle GetHandle() override;
  int32_t Initialize(const pellor::Variant& params) override;
  int32_t SetCondition(const pellor::Variant& params) override;
  int32_t Execute(int32_t action, uint32_t rights, const pellor::Variant& value) override;
  void ShowModal(pellor::Variant& result) override;
  void CloseProgram(bool silent) override;
  int32_t GetProgramInfo(pellor::Variant& info) override;
  bool IsFormFreed() override;

  void DoShow(IProgramForm* sender) override;
  void DoHide(IProgramForm* sender) override;
  void DoDestroy(IProgramForm* sender) override;
  void DoClose(IProgramForm* sender, TCloseAction& action) override;

  // The form, or null.
  IProgramForm* Form() const { return form_; }

 private:
  // Raises unless the work-center manager reports exactly the version this
  // module was built against, showing the notices first.
  void CheckDependencyVersion();
  // Puts the controller's handlers in place of the form's, once per form.
  void HookForm();
  void ForgetForm();

  IProgramForm* form_ = nullptr;
  bool hooked_ = false;
  // The host asked for a silent close while the form was modal.
  bool modalCloseSilent_ = false;
  TFormNotifyEvent savedOnShow_;
  TFormNotifyEvent savedOnHide_;
  TFormNotifyEvent savedOnDestroy_;
  TFormCloseEvent savedOnClose_;
  // Expires when the controller is destroyed, so that a handler can tell
  // whether the host destroyed it while an event was out.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

// The start mode of a host action code (0 for codes without one).
uint8_t StartModeOfAction(int32_t action);
// Whether the host action keeps its value as the form's start data.
bool ActionKeepsValue(int32_t action);
// The form's command mask after the host's rights are applied to `mask`.
uint16_t ApplyHostRights(uint16_t mask, uint32_t rights);

}  // namespace pevf

#endif  // PEVF_ENTRY_MT_CONTROLLER_H_
