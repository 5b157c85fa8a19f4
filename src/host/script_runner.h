// Running a parsed script (script_parser.h) against the program's windows.
//
// Every step acts as a user would, on the window with the input: the
// innermost modal window, else the active form. Steps run one after the
// other, synchronously; between steps the posted messages are delivered, as
// the application's loop would. An error that the program raises while a
// step runs is shown to the user as the loop shows it (an error dialog,
// through Application().DeliverInput) and does not stop the script: the
// script checks for it with "expect dialog".
//
// Modal windows. The platform of a scripted run hands every modal loop to
// the runner, which goes on with the following steps inside that loop until
// the window has a modal result; so a click that opens a dialog is followed
// by the lines that fill in the dialog and close it, and the click returns
// only then. A script that ends while a modal window is open cancels it, as
// the headless user of a plain run does.
//
// A step that cannot be done (no such control, a disabled control, a failed
// expectation) stops the script: ScriptFailure, whose message starts with
// FILE:LINE, goes up through the program's modal loops to the host.
#ifndef PELLOR_HOST_SCRIPT_RUNNER_H_
#define PELLOR_HOST_SCRIPT_RUNNER_H_

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/script_parser.h"
#include "host/script_snapshot.h"
#include "platform/ui/platform.h"

namespace pellor {
class TComponent;
class TControl;
class TCustomForm;
}  // namespace pellor

namespace tamlo {

// A step failed. Deliberately no std::exception: the program's own error
// handling (catching std::exception around a modal dialog, the application's
// DeliverInput) must not swallow it on its way up.
struct ScriptFailure {
  std::string message;  // "FILE:LINE: what went wrong"
};

class ScriptRunner;

// A component as messages name it: its name, else its class name.
std::string NameOf(const pellor::TComponent& component);

// The headless platform of tamlo: it prints each message dialog on `out`
// ("dialog (kind): text", the text as UTF-8), remembers it with the answer
// it got, and, while a runner is attached, lets the runner drive modal loops.
class THostPlatform : public pellor::THeadlessPlatform {
 public:
  explicit THostPlatform(std::FILE* out) : out_(out) {}

  int MessageDialog(const pellor::MessageDialogRequest& request) override;
  void RunModalLoop(pellor::IModalWindow& window) override;

  void AttachRunner(ScriptRunner* runner) { runner_ = runner; }
  const std::vector<ShownDialog>& Shown() const { return shown_; }

 private:
  std::FILE* out_;
  ScriptRunner* runner_ = nullptr;
  std::vector<ShownDialog> shown_;
};

class ScriptRunner {
 public:
  // Snapshots without a file go to `out`.
  ScriptRunner(Script script, THostPlatform& platform, std::FILE* out);
  ~ScriptRunner();
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // Runs the steps that are left, outside any modal loop.
  void RunToEnd();
  // Runs steps inside the modal loop of `window` until it has a modal result
  // (THostPlatform calls it); at the end of the script it cancels the window.
  void RunModal(pellor::IModalWindow& window);

  bool Finished() const { return next_ >= script_.steps.size(); }

 private:
  [[noreturn]] void Fail(const ScriptStep& step, const std::string& message);
  void Run(const ScriptStep& step);
  // Runs user input the way the application's loop does; a failure of a
  // nested step (inside a modal loop the input opened) goes on up.
  void Deliver(const std::function<void()>& input);
  void Settle();

  pellor::TCustomForm& InputWindow(const ScriptStep& step);
  pellor::TCustomForm* FindWindow(std::string_view name) const;
  pellor::TComponent& Resolve(const ScriptStep& step, const std::string& name);
  template <class T>
  T& ResolveAs(const ScriptStep& step, const std::string& name, const char* what);
  void CheckUsable(const ScriptStep& step, pellor::TComponent& component);
  void Focus(const ScriptStep& step, pellor::TComponent& component);
  std::string Host(const ScriptStep& step, const std::string& utf8, int codePage);

  void Key(const ScriptStep& step);
  void Type(const ScriptStep& step);
  void Click(const ScriptStep& step);
  // script_pointer_steps.cc: the mouse beyond a plain click, and choices.
  void DblClick(const ScriptStep& step);
  void RightClick(const ScriptStep& step);
  void Choose(const ScriptStep& step);
  void Check(const ScriptStep& step);
  // Gives a control the focus the way a mouse press does: only a windowed
  // control with TabStop that can take it.
  void FocusByMouse(const ScriptStep& step, pellor::TControl& control);
  void Page(const ScriptStep& step);
  void Cell(const ScriptStep& step);
  void Close(const ScriptStep& step);
  void Snapshot(const ScriptStep& step);
  void ExpectProperty(const ScriptStep& step);
  void ExpectCell(const ScriptStep& step);
  void ExpectDialog(const ScriptStep& step, bool none);
  void ExpectWindow(const ScriptStep& step);

  Script script_;
  THostPlatform& platform_;
  std::FILE* out_;
  size_t next_ = 0;
  size_t dialogsExpected_ = 0;
  // Set once a step failed, so that a failure the program swallowed on its
  // way up still ends the script.
  bool failed_ = false;
  std::string failure_;
  // How often each modal window was cancelled after the last step: one that
  // refuses every time would hold the loop forever.
  std::map<const pellor::IModalWindow*, int> cancelsAtEnd_;
};

}  // namespace tamlo

#endif  // PELLOR_HOST_SCRIPT_RUNNER_H_
