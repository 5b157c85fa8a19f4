// What the controller needs of a program's main form.
//
// The controller creates the form from the registered form class, starts it
// with the host's parameters, configures rights and start mode, shows it and
// frees it; it touches the form through nothing but this interface. The
// program form root implements it; tests use a small form of their own.
//
// Life of a form. A form is created by its class's factory and destroyed only
// by Free(), which marks it as destroying, runs OnDestroy and then deletes the
// object (also when OnDestroy raises; the error then passes on). Whoever holds
// a pointer learns of the end through OnDestroy. Close()
// runs OnClose with the close action caHide and then acts on the action the
// handlers left: caHide hides the form, caMinimize minimises it, caNone keeps
// it open, caFree frees it (so a program form, whose own close handler asks
// for caFree, frees itself when the user closes it). Close() on a form that is
// being shown modally only sets the modal result to kModalCancel; the modal
// loop then ends and its owner decides what happens next.
#ifndef PEVF_ENTRY_PROGRAM_FORM_PROTOCOL_H_
#define PEVF_ENTRY_PROGRAM_FORM_PROTOCOL_H_

#include <cstdint>
#include <functional>
#include <string>

#include "platform/rtl/variant.h"
#include "platform/ui/platform.h"

namespace pevf {

enum class TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };

class IProgramForm;

using TFormNotifyEvent = std::function<void(IProgramForm* sender)>;
using TFormCloseEvent = std::function<void(IProgramForm* sender, TCloseAction& action)>;

// The broker's program information, as GetProgramInfo hands it to the host.
struct TProgramInfo {
  std::string userID;
  std::string companyID;
  std::string programID;
  std::string programName;
};

// Command bits of HostCommandMask: the commands the host allows. The form
// starts with all nine set; the controller clears the ones the host's rights
// lack. kCommandReserved cannot be taken away by the host.
inline constexpr uint16_t kCommandAdd = 0x001;
inline constexpr uint16_t kCommandEdit = 0x002;
inline constexpr uint16_t kCommandQuery = 0x004;
inline constexpr uint16_t kCommandDelete = 0x008;
inline constexpr uint16_t kCommandPrint = 0x010;
inline constexpr uint16_t kCommandReserved = 0x100;
inline constexpr uint16_t kCommandsAll = 0x1FF;

class IProgramForm : public pellor::IModalWindow {
 public:
  // The start protocol: the start-up array (user ID, company ID, database
  // name, host window handle, start extra). True when the form accepted it;
  // errors such as a failing server connection propagate.
  virtual bool Start(const pellor::Variant& params) = 0;

  // The start condition and its companion value: used once when the form is
  // shown (a query condition, or import data in start mode 11).
  virtual std::string StartText() const = 0;
  virtual void SetStartText(const std::string& text) = 0;
  virtual pellor::Variant StartTextExtra() const = 0;
  virtual void SetStartTextExtra(const pellor::Variant& value) = 0;
  // The action value of start modes 7, 8 and 9.
  virtual pellor::Variant StartData() const = 0;
  virtual void SetStartData(const pellor::Variant& value) = 0;
  // How the host opened the program; acted on when the form is next shown.
  virtual uint8_t StartMode() const = 0;
  virtual void SetStartMode(uint8_t mode) = 0;
  virtual uint16_t HostCommandMask() const = 0;
  virtual void SetHostCommandMask(uint16_t mask) = 0;
  // Re-evaluates which commands are enabled, after the mask changed.
  virtual void RefreshCommandStates() = 0;

  // What the program hands back to the host.
  virtual pellor::Variant ReturnValue() const = 0;
  virtual int32_t ResultCode() const = 0;

  // The full path of the module file the form runs from.
  virtual void SetModuleFileName(const std::string& fileName) = 0;
  // A text the form keeps for the host.
  virtual std::string HostText() const = 0;
  // Hands the host's work-center manager to the form's broker.
  virtual void SetWorkCenter(const pellor::Variant& workCenter) = 0;
  virtual TProgramInfo ProgramInfo() const = 0;

  // Showing. SetVisible runs OnShow when the form becomes visible and OnHide
  // when it becomes hidden.
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void RestoreIfMinimized() = 0;
  virtual void BringToFront() = 0;
  // The window handle, creating the window when it has none yet.
  virtual pellor::WindowHandle Handle() = 0;
  // Shows the form modally: shows it, runs the platform's modal loop until the
  // modal result is set, hides it again and returns the modal result. It does
  // not run the close protocol; its caller does.
  virtual int ShowModal() = 0;
  virtual bool ModalShowing() const = 0;
  // The close protocol (see the top of this file).
  virtual void Close() = 0;

  // Destroys the form (see the top of this file). The pointer is invalid
  // afterwards.
  virtual void Free() = 0;
  virtual bool Destroying() const = 0;

  // The form's event handlers; each may be empty.
  virtual TFormNotifyEvent OnShow() const = 0;
  virtual void SetOnShow(TFormNotifyEvent handler) = 0;
  virtual TFormNotifyEvent OnHide() const = 0;
  virtual void SetOnHide(TFormNotifyEvent handler) = 0;
  virtual TFormCloseEvent OnClose() const = 0;
  virtual void SetOnClose(TFormCloseEvent handler) = 0;
  virtual TFormNotifyEvent OnDestroy() const = 0;
  virtual void SetOnDestroy(TFormNotifyEvent handler) = 0;

 protected:
  // Only Free() destroys a form.
  ~IProgramForm() override = default;
};

// The registered form class: creates a new form without an owner. The form's
// own creation handler runs inside.
using TProgramFormClass = IProgramForm* (*)();

}  // namespace pevf

#endif  // PEVF_ENTRY_PROGRAM_FORM_PROTOCOL_H_
