// Platform: everything that needs a real window system, behind one interface.
//
// The component and control model never talks to a window system itself; the
// few things that need one (message dialogs, the modal loop, the beep, and
// later the cursor and opening files) go through the process-wide current
// Platform. The Qt front end installs its own; everywhere else — tests and
// scripted runs — the headless platform answers from a script.
//
// All of it runs on the user-interface thread.
#ifndef PELLOR_UI_PLATFORM_H_
#define PELLOR_UI_PLATFORM_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pellor {

// A window's handle: an integer of the platform's own, 0 for none.
using WindowHandle = int64_t;

// Modal results: what a dialog or a modal window answers.
inline constexpr int kModalNone = 0;
inline constexpr int kModalOk = 1;
inline constexpr int kModalCancel = 2;
inline constexpr int kModalAbort = 3;
inline constexpr int kModalRetry = 4;
inline constexpr int kModalIgnore = 5;
inline constexpr int kModalYes = 6;
inline constexpr int kModalNo = 7;
inline constexpr int kModalAll = 8;
inline constexpr int kModalNoToAll = 9;
inline constexpr int kModalYesToAll = 10;

// The internal names of the dialog buttons, in the order of the default-button
// index that callers of the coded message box pass (0 Yes ... 10 Help).
inline constexpr const char* kDialogButtonNames[] = {
    "Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "NoToAll", "YesToAll", "Help"};
inline constexpr int kDialogButtonCount = 11;

// The modal result of a button name (case ignored): "Help" answers nothing
// (kModalNone, it opens help instead); -1 for a name that is no button.
int ModalResultOfButton(std::string_view buttonName);

enum class DialogKind : uint8_t {
  kWarning,
  kError,
  kInformation,
  kConfirmation,
  kPlain,  // no icon
};

const char* DialogKindName(DialogKind kind);

// Character sets a dialog's font may ask for.
inline constexpr int kCharsetGB2312 = 134;
inline constexpr int kCharsetBig5 = 136;

struct DialogButton {
  std::string name;     // internal name, one of kDialogButtonNames
  std::string caption;  // what the button shows (bytes in the font's code page)
};

// Everything that decides what a message dialog looks like and answers.
struct MessageDialogRequest {
  DialogKind kind = DialogKind::kPlain;
  std::string text;
  std::vector<DialogButton> buttons;  // left to right
  // The button that is the default and has tab position 0; empty for none.
  std::string defaultButton;
  std::string caption;
  std::string fontName;
  int fontCharset = kCharsetGB2312;
};

// A window while the platform's modal loop runs for it. The loop ends when
// the window's modal result becomes non-zero.
class IModalWindow {
 public:
  virtual ~IModalWindow() = default;
  virtual int ModalResult() const = 0;
  virtual void SetModalResult(int result) = 0;
  // Names the window in messages about the loop.
  virtual std::string ModalWindowName() const = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Shows a modal message dialog; returns the modal result of the button the
  // user chose (kModalNone for Help).
  virtual int MessageDialog(const MessageDialogRequest& request) = 0;

  // A plain message box with one OK button and the text; returns when the user
  // dismissed it. The default goes through MessageDialog.
  virtual void Notice(std::string_view text);

  // Runs the nested modal loop for `window` until its modal result is set.
  virtual void RunModalLoop(IModalWindow& window) = 0;

  virtual void Beep() = 0;
};

// The process-wide platform. Until one is installed, a headless platform
// owned by this library serves (it answers every dialog with its default
// button).
Platform& CurrentPlatform();
// Installs `platform` (which the caller keeps alive while installed) and
// returns the one it replaces; nullptr re-installs the built-in headless one.
Platform* SetPlatform(Platform* platform);

// Installs a platform for the life of a scope, then puts the previous back.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform) : previous_(SetPlatform(&platform)) {}
  ~ScopedPlatform() { SetPlatform(previous_); }
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

// The platform of tests and scripted runs. It records every dialog it shows
// (the whole request, notices included) and answers from a queue of scripted
// answers. An answer names a button ("Cancel") or gives a modal result (2);
// either must match a button of the dialog, otherwise the script and the
// program disagree and the dialog raises pellor::Exception. With the queue
// empty, a dialog answers with its default button, or with its first button
// when it has no default, as a user pressing Enter would.
//
// The modal loop runs the queued modal actions one by one on the window until
// it has a modal result; when the actions run out first it raises
// pellor::Exception, since nothing else could ever end the loop.
class THeadlessPlatform : public Platform {
 public:
  using ModalAction = std::function<void(IModalWindow& window)>;

  int MessageDialog(const MessageDialogRequest& request) override;
  void RunModalLoop(IModalWindow& window) override;
  void Beep() override { ++beepCount_; }

  void QueueAnswer(std::string buttonName) { answers_.emplace_back(std::move(buttonName)); }
  void QueueAnswer(int modalResult) { answers_.emplace_back(modalResult); }
  size_t PendingAnswers() const { return answers_.size(); }
  void QueueModalAction(ModalAction action) { modalActions_.push_back(std::move(action)); }
  size_t PendingModalActions() const { return modalActions_.size(); }

  // Every dialog shown so far, oldest first.
  const std::vector<MessageDialogRequest>& Dialogs() const { return dialogs_; }
  // The texts of the dialogs shown so far, for the common check.
  std::vector<std::string> DialogTexts() const;
  int BeepCount() const { return beepCount_; }
  // Forgets the record and the queues.
  void Reset();

 private:
  std::deque<std::variant<std::string, int>> answers_;
  std::deque<ModalAction> modalActions_;
  std::vector<MessageDialogRequest> dialogs_;
  int beepCount_ = 0;
};

}  // namespace pellor

#endif  // PELLOR_UI_PLATFORM_H_
