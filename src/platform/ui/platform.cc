#include "platform/ui/platform.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <atomic>
#include <cerrno>

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "platform/ui/control.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"

extern char** environ;

namespace pellor {

namespace {

constexpr int kButtonResults[kDialogButtonCount] = {
    kModalYes,   kModalNo,  kModalOk,      kModalCancel,   kModalAbort, kModalRetry,
    kModalIgnore, kModalAll, kModalNoToAll, kModalYesToAll, kModalNone};

THeadlessPlatform& BuiltInPlatform() {
  static THeadlessPlatform* platform = new THeadlessPlatform;  // outlives static destructors
  return *platform;
}

std::atomic<Platform*> currentPlatform{nullptr};

struct PostedMessage {
  WindowHandle window;
  uint32_t message;
  intptr_t wParam;
  intptr_t lParam;
};

std::deque<PostedMessage>& PostedQueue() {
  static std::deque<PostedMessage>* queue = new std::deque<PostedMessage>;  // outlives static destructors
  return *queue;
}

constexpr int kMaxDeliveriesPerCall = 10000;

std::string ButtonList(const MessageDialogRequest& request) {
  std::string list;
  for (const DialogButton& button : request.buttons) {
    if (!list.empty()) list += ", ";
    list += button.name;
  }
  return list;
}

}  // namespace

int ModalResultOfButton(std::string_view buttonName) {
  for (int i = 0; i < kDialogButtonCount; ++i) {
    if (SameText(buttonName, kDialogButtonNames[i])) return kButtonResults[i];
  }
  return -1;
}

const char* DialogKindName(DialogKind kind) {
  switch (kind) {
    case DialogKind::kWarning: return "warning";
    case DialogKind::kError: return "error";
    case DialogKind::kInformation: return "information";
    case DialogKind::kConfirmation: return "confirmation";
    case DialogKind::kPlain: return "plain";
  }
  return "unknown";
}

void Platform::Notice(std::string_view text) {
  MessageDialogRequest request;
  request.kind = DialogKind::kPlain;
  request.text = std::string(text);
  request.buttons.push_back(DialogButton{"OK", "OK"});
  request.defaultButton = "OK";
  MessageDialog(request);
}

bool IModalWindow::ModalWindowIs(std::string_view key) const { return SameText(key, ModalWindowName()); }

void PostMessage(WindowHandle window, uint32_t message, intptr_t wParam, intptr_t lParam) {
  PostedQueue().push_back(PostedMessage{window, message, wParam, lParam});
}

bool MessagePending(WindowHandle window, uint32_t message) {
  for (const PostedMessage& posted : PostedQueue()) {
    if (posted.window == window && posted.message == message) return true;
  }
  return false;
}

size_t PendingMessageCount() { return PostedQueue().size(); }

int ProcessPostedMessages() {
  auto& queue = PostedQueue();
  int delivered = 0;
  while (!queue.empty() && delivered < kMaxDeliveriesPerCall) {
    PostedMessage posted = queue.front();
    queue.pop_front();
    ++delivered;
    // Looked up only now: the window may have gone since the message was posted.
    if (TWinControl* control = FindControl(posted.window)) {
      control->Perform(posted.message, posted.wParam, posted.lParam);
    }
  }
  return delivered;
}

void Platform::ProcessMessages() { ProcessPostedMessages(); }

bool Platform::OpenDocument(const std::string& path, std::string_view verb) {
  if (verb != "open") return false;
  return OpenWithAssociatedProgram(path);
}

bool OpenWithAssociatedProgram(const std::string& path) {
  if (path.empty()) return false;
  // A local file must exist; anything with a scheme ("https://") goes as it is.
  if (path.find("://") == std::string::npos) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
  }
  // The shell starts the opener in the background and returns at once, so the
  // program started is nobody's child here and nothing waits for it. The path
  // is an argument of the shell, never part of its command text.
  static const char kScript[] =
      "command -v xdg-open >/dev/null 2>&1 || exit 127; xdg-open \"$1\" >/dev/null 2>&1 </dev/null &";
  const char* argv[] = {"sh", "-c", kScript, "sh", path.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Platform& CurrentPlatform() {
  Platform* platform = currentPlatform.load(std::memory_order_acquire);
  return platform != nullptr ? *platform : BuiltInPlatform();
}

Platform* SetPlatform(Platform* platform) {
  Platform* previous = currentPlatform.exchange(platform, std::memory_order_acq_rel);
  return previous != nullptr ? previous : &BuiltInPlatform();
}

int THeadlessPlatform::MessageDialog(const MessageDialogRequest& request) {
  dialogs_.push_back(request);
  if (request.buttons.empty()) {
    throw Exception("Headless dialog \"" + request.text + "\" has no buttons to answer with");
  }

  if (answers_.empty()) {
    for (const DialogButton& button : request.buttons) {
      if (!request.defaultButton.empty() && SameText(button.name, request.defaultButton)) {
        return ModalResultOfButton(button.name);
      }
    }
    return ModalResultOfButton(request.buttons.front().name);
  }

  std::variant<std::string, int> answer = std::move(answers_.front());
  answers_.pop_front();
  for (const DialogButton& button : request.buttons) {
    const int result = ModalResultOfButton(button.name);
    if (const std::string* name = std::get_if<std::string>(&answer)) {
      if (SameText(button.name, *name)) return result;
    } else if (std::get<int>(answer) == result) {
      return result;
    }
  }
  const std::string wanted = std::holds_alternative<std::string>(answer)
                                 ? "\"" + std::get<std::string>(answer) + "\""
                                 : "modal result " + IntToStr(std::get<int>(answer));
  throw Exception("Scripted answer " + wanted + " fits no button of the dialog \"" + request.text +
                  "\" (buttons: " + ButtonList(request) + ")");
}

void THeadlessPlatform::QueueModalAction(std::string windowKey, ModalAction action) {
  windowActions_.emplace_back(std::move(windowKey), std::move(action));
}

size_t THeadlessPlatform::PendingModalActions() const { return modalActions_.size() + windowActions_.size(); }

THeadlessPlatform::ModalAction THeadlessPlatform::NextModalAction(const IModalWindow& window, bool& isDefault) {
  isDefault = false;
  for (auto it = windowActions_.begin(); it != windowActions_.end(); ++it) {
    if (window.ModalWindowIs(it->first)) {
      ModalAction action = std::move(it->second);
      windowActions_.erase(it);
      return action;
    }
  }
  if (!modalActions_.empty()) {
    ModalAction action = std::move(modalActions_.front());
    modalActions_.pop_front();
    return action;
  }
  isDefault = true;
  return defaultModalAction_;
}

void THeadlessPlatform::RunModalLoop(IModalWindow& window) {
  const std::string name = window.ModalWindowName();
  modalWindows_.push_back(name);
  windowLog_.push_back("modal " + name);
  bool defaultRanLast = false;
  for (;;) {
    if (window.ModalResult() != kModalNone) {
      // A window that clears its result stays open; one that keeps it ends
      // the loop whatever it answered, or the loop would spin.
      if (window.ConfirmModalEnd() || window.ModalResult() != kModalNone) break;
    }
    ProcessPostedMessages();
    if (window.ModalResult() != kModalNone) continue;
    bool isDefault = false;
    ModalAction action = NextModalAction(window, isDefault);
    if (!action || (isDefault && defaultRanLast)) {
      throw Exception("Headless modal loop of " + name +
                      ": no scripted action left, and nothing else can end the loop");
    }
    defaultRanLast = isDefault;
    action(window);
  }
}

void THeadlessPlatform::ShowWindow(TCustomForm& form) {
  windowLog_.push_back("show " + form.ModalWindowName());
  InvalidateWindow(form);
}

void THeadlessPlatform::HideWindow(TCustomForm& form) { windowLog_.push_back("hide " + form.ModalWindowName()); }

void THeadlessPlatform::BringWindowToFront(TCustomForm& form) {
  windowLog_.push_back("front " + form.ModalWindowName());
}

void THeadlessPlatform::InvalidateWindow(TWinControl& control) {
  const WindowHandle handle = control.Handle();
  if (!MessagePending(handle, WM_PAINT)) PostMessage(handle, WM_PAINT, 0, 0);
}

void THeadlessPlatform::RepaintWindow(WindowHandle window) {
  repainted_.push_back(window);
  windowLog_.push_back("repaint " + IntToStr(window));
  if (TWinControl* control = FindControl(window)) InvalidateWindow(*control);
}

TMenuItem* THeadlessPlatform::TrackPopupMenu(TPopupMenu& menu, int x, int y) {
  const std::string menuName = menu.Name().empty() ? menu.ClassName() : menu.Name();
  std::string choice;
  if (!popupChoices_.empty()) {
    choice = std::move(popupChoices_.front());
    popupChoices_.pop_front();
  }
  if (choice.empty()) {
    windowLog_.push_back("popup " + menuName + " -> none");
    return nullptr;
  }
  TMenuItem* item = menu.FindItemByName(choice);
  bool usable = item != nullptr;
  for (TMenuItem* p = item; usable && p != nullptr && p != menu.Items(); p = p->Parent()) {
    usable = p->Visible() && p->Enabled();
  }
  if (!usable) {
    throw Exception("Scripted pop-up choice \"" + choice + "\" is no visible, enabled item of " + menuName);
  }
  windowLog_.push_back("popup " + menuName + " -> " + item->Name());
  return item;
}

void THeadlessPlatform::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  windowLog_.push_back("cursor " + IntToStr(cursor));
}

bool THeadlessPlatform::OpenDocument(const std::string& path, std::string_view verb) {
  opened_.emplace_back(path, std::string(verb));
  windowLog_.push_back("open " + path + " (" + std::string(verb) + ")");
  return openDocumentResult_;
}

std::vector<std::string> THeadlessPlatform::DialogTexts() const {
  std::vector<std::string> texts;
  texts.reserve(dialogs_.size());
  for (const MessageDialogRequest& request : dialogs_) texts.push_back(request.text);
  return texts;
}

void THeadlessPlatform::Reset() {
  answers_.clear();
  modalActions_.clear();
  windowActions_.clear();
  defaultModalAction_ = nullptr;
  popupChoices_.clear();
  openDocumentResult_ = true;
  dialogs_.clear();
  windowLog_.clear();
  modalWindows_.clear();
  opened_.clear();
  repainted_.clear();
  cursor_ = crDefault;
  beepCount_ = 0;
}

}  // namespace pellor
