#include "module/entry/mt_controller.h"

#include <exception>
#include <utility>

#include "module/session/outside_calls.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/sysutils.h"

namespace pevf {

namespace {

TDLLBaseController* NewMTController() { return new TDLLMTCtrller; }

// Host right → the command bit of the form it guards. Note that the host's
// "delete" and "edit" bits sit the other way round in the form's mask.
constexpr struct {
  uint32_t right;
  uint16_t command;
} kRightCommands[] = {
    {kRightAdd, kCommandAdd},     {kRightDelete, kCommandDelete}, {kRightQuery, kCommandQuery},
    {kRightEdit, kCommandEdit},   {kRightPrint, kCommandPrint},   {0x20, 0x20},
    {0x40, 0x40},                 {0x80, 0x80},
};

}  // namespace

TDLLControllerClass DLLControllerClass = &NewMTController;
TProgramFormClass frmRadicalClass = nullptr;

uint8_t StartModeOfAction(int32_t action) {
  switch (action) {
    case 1: case 2: case 3: case 4: case 5: case 7: case 8:
      return static_cast<uint8_t>(action);
    case 10: return 9;
    case 12: return 10;
    case 13: return 11;
    default: return 0;
  }
}

bool ActionKeepsValue(int32_t action) { return action == 7 || action == 8 || action == 10; }

uint16_t ApplyHostRights(uint16_t mask, uint32_t rights) {
  for (const auto& pair : kRightCommands) {
    if ((rights & pair.right) == 0) mask &= static_cast<uint16_t>(~pair.command);
  }
  return mask;
}

TDLLMTCtrller::TDLLMTCtrller() = default;

TDLLMTCtrller::~TDLLMTCtrller() {
  if (form_ == nullptr) return;
  // A destructor cannot pass errors on; what matters is that the form does not
  // outlive the controller its handlers call.
  try {
    CloseProgram(false);
  } catch (...) {
  }
  if (form_ != nullptr && !form_->Destroying()) {
    try {
      form_->Free();
    } catch (...) {
    }
  }
  form_ = nullptr;
}

std::u16string TDLLMTCtrller::GetHostText() {
  if (form_ == nullptr) return std::u16string();
  return pellor::Variant(form_->HostText()).AsWideString();
}

bool TDLLMTCtrller::GetVisible() { return form_ != nullptr && form_->Visible(); }

void TDLLMTCtrller::SetVisible(uint16_t show) {
  if (form_ == nullptr) return;
  std::weak_ptr<char> alive = alive_;
  form_->SetVisible(show != 0);
  // The show event may have led the host to close the program.
  if (show == 0 || alive.expired() || form_ == nullptr) return;
  form_->RestoreIfMinimized();
  form_->BringToFront();
}

pellor::WindowHandle TDLLMTCtrller::GetHandle() {
  return form_ != nullptr ? form_->Handle() : 0;
}

int32_t TDLLMTCtrller::Initialize(const pellor::Variant& params) {
  int32_t result = -1;
  if (form_ == nullptr) {
    if (frmRadicalClass == nullptr) {
      throw pellor::Exception(NotAssignedError("frmRadicalClass"));
    }
    form_ = frmRadicalClass();
    if (form_ == nullptr) throw pellor::Exception("frmRadicalClass created no form");
    // Any address inside this module names the module's file.
    form_->SetModuleFileName(
        pellor::ModuleFileName(reinterpret_cast<const void*>(&CreateDLLController)));
    CheckDependencyVersion();
    form_->SetWorkCenter(WorkCenter);
    DoCreated();
  }
  HookForm();
  if (form_->Start(params)) result = 0;
  return result;
}

void TDLLMTCtrller::CheckDependencyVersion() {
  pellor::Platform& platform = pellor::CurrentPlatform();
  try {
    if (DependencyVersion(WorkCenter) > kDependencyVersion) {
      platform.Notice(kProgramTooOldNotice);
      throw pellor::Exception(kProgramTooOldNotice);
    }
    if (DependencyVersion(WorkCenter) < kDependencyVersion) {
      platform.Notice(kWorkCenterTooOldNotice);
      throw pellor::Exception(kWorkCenterTooOldNotice);
    }
  } catch (const std::exception& error) {
    platform.Notice(kWorkCenterCheckFailedNotice);
    throw pellor::Exception(std::string(kWorkCenterCheckFailedNotice) + error.what());
  }
}

void TDLLMTCtrller::HookForm() {
  if (form_ == nullptr || hooked_) return;
  savedOnShow_ = form_->OnShow();
  savedOnHide_ = form_->OnHide();
  savedOnDestroy_ = form_->OnDestroy();
  savedOnClose_ = form_->OnClose();
  form_->SetOnShow([this](IProgramForm* sender) { DoShow(sender); });
  form_->SetOnHide([this](IProgramForm* sender) { DoHide(sender); });
  form_->SetOnDestroy([this](IProgramForm* sender) { DoDestroy(sender); });
  form_->SetOnClose([this](IProgramForm* sender, TCloseAction& action) { DoClose(sender, action); });
  hooked_ = true;
}

void TDLLMTCtrller::ForgetForm() {
  form_ = nullptr;
  hooked_ = false;
  savedOnShow_ = nullptr;
  savedOnHide_ = nullptr;
  savedOnDestroy_ = nullptr;
  savedOnClose_ = nullptr;
}

int32_t TDLLMTCtrller::SetCondition(const pellor::Variant& params) {
  if (form_ == nullptr || !params.IsArray()) return -1;
  try {
    // Read everything first, so that a malformed array changes nothing.
    const pellor::Variant& condition = params[1];
    if (condition.IsArray()) {
      std::string text = pellor::VarToStr(condition[0]);
      pellor::Variant extra = condition[1];
      form_->SetStartText(text);
      form_->SetStartTextExtra(extra);
    } else if (!condition.IsNull()) {
      form_->SetStartText(pellor::VarToStr(condition));
    }
  } catch (const std::exception&) {
    return -1;
  }
  return 0;
}

int32_t TDLLMTCtrller::Execute(int32_t action, uint32_t rights, const pellor::Variant& value) {
  if (form_ == nullptr) return -1;
  form_->SetHostCommandMask(ApplyHostRights(form_->HostCommandMask(), rights));
  form_->RefreshCommandStates();
  form_->SetStartMode(StartModeOfAction(action));
  if (ActionKeepsValue(action)) form_->SetStartData(value);
  return 0;
}

void TDLLMTCtrller::ShowModal(pellor::Variant& result) {
  if (form_ == nullptr) return;
  std::weak_ptr<char> alive = alive_;
  form_->ShowModal();
  if (alive.expired()) return;
  // A form that went during the modal loop left its value with the controller.
  result = form_ != nullptr ? form_->ReturnValue() : ResultValue;
  const bool silent = modalCloseSilent_;
  modalCloseSilent_ = false;
  CloseProgram(silent);
}

void TDLLMTCtrller::CloseProgram(bool silent) {
  if (form_ == nullptr || form_->Destroying()) return;
  if (form_->ModalShowing()) {
    // Freeing the form under its own modal loop would pull the window out from
    // under the loop: end the loop instead, and ShowModal closes the program
    // when the loop has returned.
    modalCloseSilent_ = modalCloseSilent_ || silent;
    form_->SetModalResult(pellor::kModalCancel);
    return;
  }
  // A form whose Initialize stopped at the version check was never hooked;
  // hooking now lets its own close handler run and the host learn of the end.
  HookForm();
  std::weak_ptr<char> alive = alive_;
  if (!silent) {
    TCloseAction action = TCloseAction::caHide;
    DoClose(form_, action);
    if (alive.expired() || form_ == nullptr || form_->Destroying()) return;
  }
  form_->Free();
  if (!alive.expired()) ForgetForm();
}

int32_t TDLLMTCtrller::GetProgramInfo(pellor::Variant& info) {
  if (form_ == nullptr) return -1;
  const TProgramInfo program = form_->ProgramInfo();
  info = pellor::Variant::ArrayOf(
      {program.userID, program.companyID, program.programID, program.programName});
  return 0;
}

bool TDLLMTCtrller::IsFormFreed() { return form_ == nullptr; }

void TDLLMTCtrller::DoShow(IProgramForm* sender) {
  std::weak_ptr<char> alive = alive_;
  if (TFormNotifyEvent saved = savedOnShow_) saved(sender);
  if (!alive.expired()) TDLLBaseController::DoShow(sender);
}

void TDLLMTCtrller::DoHide(IProgramForm* sender) {
  std::weak_ptr<char> alive = alive_;
  if (TFormNotifyEvent saved = savedOnHide_) saved(sender);
  if (!alive.expired()) TDLLBaseController::DoHide(sender);
}

void TDLLMTCtrller::DoClose(IProgramForm* sender, TCloseAction& action) {
  std::weak_ptr<char> alive = alive_;
  if (TFormCloseEvent saved = savedOnClose_) saved(sender, action);
  if (!alive.expired()) TDLLBaseController::DoClose(sender, action);
}

void TDLLMTCtrller::DoDestroy(IProgramForm* sender) {
  std::weak_ptr<char> alive = alive_;
  // Whatever the handlers below do, the form is on its way out: the controller
  // must not keep a pointer to it (unless the host destroyed the controller).
  struct Forget {
    TDLLMTCtrller* self;
    std::weak_ptr<char>& alive;
    ~Forget() {
      if (!alive.expired()) self->ForgetForm();
    }
  } forget{this, alive};

  if (form_ != nullptr) {
    ResultCode = form_->ResultCode();
    ResultValue = form_->ReturnValue();
  }
  if (TFormNotifyEvent saved = savedOnDestroy_) saved(sender);
  if (!alive.expired()) TDLLBaseController::DoDestroy(sender);
}

}  // namespace pevf
