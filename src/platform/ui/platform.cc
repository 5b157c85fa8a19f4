#include "platform/ui/platform.h"

#include <atomic>

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"

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

void THeadlessPlatform::RunModalLoop(IModalWindow& window) {
  while (window.ModalResult() == kModalNone) {
    if (modalActions_.empty()) {
      throw Exception("Headless modal loop of " + window.ModalWindowName() +
                      ": no scripted action left, and nothing else can end the loop");
    }
    ModalAction action = std::move(modalActions_.front());
    modalActions_.pop_front();
    action(window);
  }
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
  dialogs_.clear();
  beepCount_ = 0;
}

}  // namespace pellor
