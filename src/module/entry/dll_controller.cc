#include "module/entry/dll_controller.h"

#include "module/entry/mt_controller.h"
#include "platform/rtl/errors.h"

namespace pevf {

TDLLBaseController::TDLLBaseController() = default;
TDLLBaseController::~TDLLBaseController() = default;

void TDLLBaseController::DoCreated() { DoEvent(kEventCreated); }
void TDLLBaseController::DoShow(IProgramForm* sender) { DoEvent(kEventShow); }
void TDLLBaseController::DoHide(IProgramForm* sender) { DoEvent(kEventHide); }
void TDLLBaseController::DoDestroy(IProgramForm* sender) { DoEvent(kEventDestroy); }
void TDLLBaseController::DoClose(IProgramForm* sender, TCloseAction& action) {
  DoEvent(kEventClose);
}

void TDLLBaseController::DoEvent(int32_t code) {
  if (OnEvent != nullptr) OnEvent(OnEventContext, code, this);
}

void TDLLBaseController::ReservedHook() {}

std::string NotAssignedError(const char* variableName) {
  return std::string("QRN DLL Internal Error :") + "\r" + "Not Assign \"" + variableName +
         "\" varible";
}

TDLLBaseController* CreateDLLController() {
  if (DLLControllerClass == nullptr) {
    throw pellor::Exception(NotAssignedError("DLLControllerClass"));
  }
  return DLLControllerClass();
}

}  // namespace pevf
