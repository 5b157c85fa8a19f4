// Platform: everything that needs a real window system, behind one interface.
//
// The component and control model never talks to a window system itself; the
// things that need one (showing and hiding forms, the nested modal loop,
// message dialogs, pop-up menus, the cursor, the beep, repainting, opening a
// file with its associated program) go through the process-wide current
// Platform. The Qt front end installs its own; everywhere else — tests and
// scripted runs — the headless platform answers from a script and records
// what a user would have seen.
//
// Posted window messages live here too: a message posted to a window handle
// waits in one queue of the process until the platform's loop (or, headless,
// whoever drives the program: ProcessMessages) delivers it to the control
// that has the handle, if it still exists. Deferred work that must not run
// inside the handler that asked for it — freeing a form that closed itself,
// a close request a form posts itself, painting — goes this way.
//
// All of it runs on the user-interface thread.
#ifndef PELLOR_UI_PLATFORM_H_
#define PELLOR_UI_PLATFORM_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
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

// Cursors, numbered as on the original platform (documents and grid settings
// store the numbers).
using TCursor = int16_t;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

// Window messages of the original platform's numbering that the model uses.
// Programs define their own from WM_USER (the look-up requests are
// WM_USER + 10 ... + 13, 1034 ... 1037).
inline constexpr uint32_t WM_MOVE = 0x0003;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_USER = 0x0400;
// Frees a form that asked to be released, once its handlers have returned.
inline constexpr uint32_t CM_RELEASE = 0xB021;

// Posts a message to the window with that handle; it is delivered later, by
// ProcessPostedMessages, through the control's Perform. A message for a
// window that is gone by then is dropped, so only handles and plain numbers
// belong in the parameters, never pointers.
void PostMessage(WindowHandle window, uint32_t message, intptr_t wParam, intptr_t lParam);
// True when a message of that number waits for that window.
bool MessagePending(WindowHandle window, uint32_t message);
size_t PendingMessageCount();
// Delivers the waiting messages in the order they were posted, and those that
// handlers post meanwhile, up to 10000 in one call (so that a window that
// keeps posting to itself cannot hang the caller; the rest wait). Returns how
// many were delivered. An error raised by a handler passes on; the messages
// after it stay queued.
int ProcessPostedMessages();

class TCustomForm;
class TPopupMenu;
class TMenuItem;
class TWinControl;

// A window while the platform's modal loop runs for it. The loop ends when
// the window's modal result becomes non-zero.
class IModalWindow {
 public:
  virtual ~IModalWindow() = default;
  virtual int ModalResult() const = 0;
  virtual void SetModalResult(int result) = 0;
  // Names the window in messages about the loop.
  virtual std::string ModalWindowName() const = 0;
  // True when a script's window key (a name, or a class name) means this
  // window; the default compares with ModalWindowName without regard to case.
  virtual bool ModalWindowIs(std::string_view key) const;
  // Asked by the loop when it finds the modal result set, before it ends: a
  // window may run its close protocol here and clear the result to stay
  // open. True ends the loop; the default agrees.
  virtual bool ConfirmModalEnd() { return true; }
};

class Platform {
 public:
  virtual ~Platform() = default;

  // ---- Dialogs ----------------------------------------------------------------

  // Shows a modal message dialog; returns the modal result of the button the
  // user chose (kModalNone for Help).
  virtual int MessageDialog(const MessageDialogRequest& request) = 0;

  // A plain message box with one OK button and the text; returns when the user
  // dismissed it. The default goes through MessageDialog.
  virtual void Notice(std::string_view text);

  // ---- Windows ----------------------------------------------------------------

  // Runs the nested modal loop for `window` until its modal result is set
  // and the window confirms the end (ConfirmModalEnd). TCustomForm::ShowModal
  // has shown the form before and hides it after.
  virtual void RunModalLoop(IModalWindow& window) = 0;

  // The form became visible / hidden (modeless or modal); the form's own
  // state and events are the model's business, the window the platform's.
  virtual void ShowWindow(TCustomForm& form) = 0;
  virtual void HideWindow(TCustomForm& form) = 0;
  // Puts a visible form above the others and gives it the input.
  virtual void BringWindowToFront(TCustomForm& form) = 0;
  // The control's look changed in a way its properties do not tell (a
  // program's own painting): paint it again soon.
  virtual void InvalidateWindow(TWinControl& control) = 0;
  // Asks any window, also one of another program (the host's), to paint
  // itself again.
  virtual void RepaintWindow(WindowHandle window) = 0;

  // Lets the user choose from a pop-up menu shown at screen position (x, y);
  // returns the chosen item (an enabled, visible item of the menu's tree), or
  // nullptr when the menu was dismissed. Clicking it is the caller's part.
  virtual TMenuItem* TrackPopupMenu(TPopupMenu& menu, int x, int y) = 0;

  // Delivers what waits in the window system's queue and the posted messages
  // (ProcessPostedMessages). The default only has posted messages to deliver.
  virtual void ProcessMessages();

  // ---- Other services -----------------------------------------------------------

  // The mouse cursor shown over the program's windows (Screen's Cursor).
  virtual void SetCursor(TCursor cursor) = 0;

  virtual void Beep() = 0;

  // Opens a file (or a URL) with the program the desktop associates with it;
  // `verb` "open" is the only action every desktop has. True when the program
  // was started. The default runs xdg-open for "open" and answers false for
  // any other verb.
  virtual bool OpenDocument(const std::string& path, std::string_view verb);
};

// Runs the desktop's opener (xdg-open) for `path` without waiting for the
// program it starts; true when the opener accepted the file.
bool OpenWithAssociatedProgram(const std::string& path);

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

// The platform of tests and scripted runs. It shows nothing; it records what
// a user would have seen and answers from a script.
//
// Dialogs. It records every dialog it shows (the whole request, notices
// included) and answers from a queue of scripted answers. An answer names a
// button ("Cancel") or gives a modal result (2); either must match a button
// of the dialog, otherwise the script and the program disagree and the dialog
// raises pellor::Exception. With the queue empty, a dialog answers with its
// default button, or with its first button when it has no default, as a user
// pressing Enter would.
//
// Modal windows. The modal loop first delivers posted messages (a window
// paints and handles what it posted itself before the user acts), then runs
// the next scripted action on the window, until the window has a modal
// result that it confirms (ConfirmModalEnd). An action queued for the window by its key (its name, or its class
// name for a form: ModalWindowIs) comes first, then one of the common queue,
// then the default action, if one is set; the default action runs at most
// once in a row, so one that does not end the loop cannot spin it. When
// nothing is left the loop raises pellor::Exception, since nothing else could
// ever end it.
//
// Pop-up menus answer from a queue of item names ("" dismisses); without one
// a pop-up menu is dismissed. Windows shown, hidden and brought to the front,
// modal loops, pop-up menus, cursor changes, repaint requests and opened
// documents are recorded in the order they happened (WindowLog). Invalidated
// windows get a WM_PAINT posted, as a window system would send one.
class THeadlessPlatform : public Platform {
 public:
  using ModalAction = std::function<void(IModalWindow& window)>;

  int MessageDialog(const MessageDialogRequest& request) override;
  void RunModalLoop(IModalWindow& window) override;
  void ShowWindow(TCustomForm& form) override;
  void HideWindow(TCustomForm& form) override;
  void BringWindowToFront(TCustomForm& form) override;
  void InvalidateWindow(TWinControl& control) override;
  void RepaintWindow(WindowHandle window) override;
  TMenuItem* TrackPopupMenu(TPopupMenu& menu, int x, int y) override;
  void SetCursor(TCursor cursor) override;
  void Beep() override { ++beepCount_; }
  bool OpenDocument(const std::string& path, std::string_view verb) override;

  void QueueAnswer(std::string buttonName) { answers_.emplace_back(std::move(buttonName)); }
  void QueueAnswer(int modalResult) { answers_.emplace_back(modalResult); }
  size_t PendingAnswers() const { return answers_.size(); }

  // An action for whichever window runs its modal loop next.
  void QueueModalAction(ModalAction action) { modalActions_.push_back(std::move(action)); }
  // An action for the window with that key only.
  void QueueModalAction(std::string windowKey, ModalAction action);
  // Runs when no queued action fits the window; nullptr removes it.
  void SetDefaultModalAction(ModalAction action) { defaultModalAction_ = std::move(action); }
  // Actions still queued, common and per window.
  size_t PendingModalActions() const;

  // The name of an item of the next pop-up menu to choose ("" dismisses it).
  void QueuePopupChoice(std::string itemName) { popupChoices_.push_back(std::move(itemName)); }
  size_t PendingPopupChoices() const { return popupChoices_.size(); }
  // What OpenDocument answers from now on (true: the program started).
  void SetOpenDocumentResult(bool started) { openDocumentResult_ = started; }

  // Every dialog shown so far, oldest first.
  const std::vector<MessageDialogRequest>& Dialogs() const { return dialogs_; }
  // The texts of the dialogs shown so far, for the common check.
  std::vector<std::string> DialogTexts() const;
  // One line per event: "show frmMain", "hide frmMain", "front frmMain",
  // "modal dlgOptions", "popup pmPrint -> miPreview" (or "-> none"),
  // "cursor -11", "repaint 65537", "open /tmp/a.xls (open)".
  const std::vector<std::string>& WindowLog() const { return windowLog_; }
  // The names of the windows whose modal loop ran, in order.
  const std::vector<std::string>& ModalWindows() const { return modalWindows_; }
  // Files handed to OpenDocument with their verbs, in order.
  const std::vector<std::pair<std::string, std::string>>& OpenedDocuments() const { return opened_; }
  // Handles given to RepaintWindow, in order.
  const std::vector<WindowHandle>& RepaintedWindows() const { return repainted_; }
  TCursor Cursor() const { return cursor_; }
  int BeepCount() const { return beepCount_; }
  // Forgets the record and the queues.
  void Reset();

 private:
  ModalAction NextModalAction(const IModalWindow& window, bool& isDefault);

  std::deque<std::variant<std::string, int>> answers_;
  std::deque<ModalAction> modalActions_;
  std::deque<std::pair<std::string, ModalAction>> windowActions_;
  ModalAction defaultModalAction_;
  std::deque<std::string> popupChoices_;
  bool openDocumentResult_ = true;
  std::vector<MessageDialogRequest> dialogs_;
  std::vector<std::string> windowLog_;
  std::vector<std::string> modalWindows_;
  std::vector<std::pair<std::string, std::string>> opened_;
  std::vector<WindowHandle> repainted_;
  TCursor cursor_ = crDefault;
  int beepCount_ = 0;
};

}  // namespace pellor

#endif  // PELLOR_UI_PLATFORM_H_
