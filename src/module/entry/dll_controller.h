// The controller protocol between the host shell and a program module.
//
// A program module exports one C function, GetController, which returns a new
// controller. The host does everything else through the controller's virtual
// operations, calling them by slot, so the order of the virtual operations
// below is part of the interface and must never change: slots 0 to 17 in the
// order declared, then the virtual destructor. The host includes this header
// and links the same platform library as the module; tagged values cross as
// pellor::Variant.
//
// Errors: GetController and Initialize report failure by raising
// pellor::Exception (or a class derived from it) into the host; the message is
// the text a user would see. The other operations report failure through their
// result (-1, false, 0 or empty).
//
// Every operation runs on the host's user-interface thread; the controller
// holds no locks.
#ifndef PEVF_ENTRY_DLL_CONTROLLER_H_
#define PEVF_ENTRY_DLL_CONTROLLER_H_

#include <cstdint>
#include <string>

#include "platform/rtl/variant.h"
#include "platform/ui/platform.h"

namespace pevf {

class IProgramForm;
enum class TCloseAction : uint8_t;
class TDLLBaseController;

// Event codes the host receives through OnEvent.
inline constexpr int32_t kEventCreated = 0x100;    // form created, version check passed
inline constexpr int32_t kEventShow = 0x110;       // form shown
inline constexpr int32_t kEventHide = 0x120;       // form hidden
inline constexpr int32_t kEventDestroy = 0x130;    // form being destroyed, result captured
inline constexpr int32_t kEventClose = 0x140;      // form closed, or closed by the host

// Rights bits of Execute: a clear bit takes the command away from the program.
inline constexpr uint32_t kRightAdd = 0x01;
inline constexpr uint32_t kRightDelete = 0x02;
inline constexpr uint32_t kRightQuery = 0x04;
inline constexpr uint32_t kRightEdit = 0x08;
inline constexpr uint32_t kRightPrint = 0x10;
inline constexpr uint32_t kRightsAll = 0xFF;

// The host's event sink: `context` is whatever the host registered with it.
using ControllerEventProc = void (*)(void* context, int32_t code, TDLLBaseController* sender);

class TDLLBaseController {
 public:
  TDLLBaseController();
  TDLLBaseController(const TDLLBaseController&) = delete;
  TDLLBaseController& operator=(const TDLLBaseController&) = delete;

  // Slot 0: a text the form keeps for the host; empty without a form.
  virtual std::u16string GetHostText() = 0;
  // Slot 1: whether the form is visible; false without a form.
  virtual bool GetVisible() = 0;
  // Slot 2: shows (any non-zero value) or hides the form; a form being shown is
  // restored when minimised and brought to the front.
  virtual void SetVisible(uint16_t show) = 0;
  // Slot 3: the form's window handle, creating the window if needed; 0 without
  // a form.
  virtual pellor::WindowHandle GetHandle() = 0;
  // Slot 4: creates the form on the first call and starts it with the start-up
  // array (user ID, company ID, database name, host window handle, start
  // extra). 0 when the form accepted the parameters, else -1. Raises when the
  // form cannot be created or the work-center manager does not fit.
  virtual int32_t Initialize(const pellor::Variant& params) = 0;
  // Slot 5: element 1 of the array is the start condition text, or an array of
  // (condition text, extra value). 0 on success, -1 otherwise.
  virtual int32_t SetCondition(const pellor::Variant& params) = 0;
  // Slot 6: applies the rights (kRight* bits) and the start action; the action
  // value is kept for actions 7, 8 and 10. 0, or -1 without a form.
  virtual int32_t Execute(int32_t action, uint32_t rights, const pellor::Variant& value) = 0;
  // Slot 7: shows the form modally; when it ends, `result` receives the form's
  // return value and the program is closed and freed. Without a form `result`
  // is left as it is.
  virtual void ShowModal(pellor::Variant& result) = 0;
  // Slot 8: frees the form; unless `silent`, it is closed first (event 0x140).
  virtual void CloseProgram(bool silent) = 0;
  // Slot 9: `info` becomes (user ID, company ID, program ID, program name);
  // 0, or -1 without a form.
  virtual int32_t GetProgramInfo(pellor::Variant& info) = 0;
  // Slot 10: true when the controller has no form.
  virtual bool IsFormFreed() = 0;
  // Slots 11 to 16: the form's life events, each passed on to OnEvent.
  virtual void DoCreated();
  virtual void DoShow(IProgramForm* sender);
  virtual void DoHide(IProgramForm* sender);
  virtual void DoDestroy(IProgramForm* sender);
  virtual void DoClose(IProgramForm* sender, TCloseAction& action);
  virtual void DoEvent(int32_t code);
  // Slot 17: kept free for later use; does nothing.
  virtual void ReservedHook();

  virtual ~TDLLBaseController();

  // The host's work-center manager; the host assigns it after GetController
  // and before Initialize.
  pellor::Variant WorkCenter;
  // The form's result code and return value, captured when the form goes.
  int32_t ResultCode = 0;
  pellor::Variant ResultValue;
  // The host's event sink and its context; OnEvent may stay null.
  ControllerEventProc OnEvent = nullptr;
  void* OnEventContext = nullptr;
};

// Resolved by the host with dlsym.
using GetControllerProc = TDLLBaseController* (*)();
inline constexpr const char kGetControllerSymbol[] = "GetController";

}  // namespace pevf

// Returns a new controller that the caller owns and destroys through its
// virtual destructor. Raises pellor::Exception when the module registered no
// controller class. The only symbol a program module exports.
extern "C" __attribute__((visibility("default"))) pevf::TDLLBaseController* GetController();

#endif  // PEVF_ENTRY_DLL_CONTROLLER_H_
