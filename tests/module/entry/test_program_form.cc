#include "test_program_form.h"

#include "platform/rtl/errors.h"

namespace pevf::test {

FormProbe* TTestForm::CurrentProbe = nullptr;

IProgramForm* TTestForm::Create() {
  if (CurrentProbe == nullptr) throw pellor::Exception("TTestForm: no probe set");
  return new TTestForm(CurrentProbe);
}

TTestForm::TTestForm(FormProbe* probe) : probe_(probe) {
  probe_->form = this;
  ++probe_->formsCreated;
  // The handlers a program form has of its own before the controller hooks it.
  onShow_ = [this](IProgramForm*) { probe_->log.push_back("form:show"); };
  onHide_ = [this](IProgramForm*) { probe_->log.push_back("form:hide"); };
  onClose_ = [this](IProgramForm*, TCloseAction& action) {
    probe_->log.push_back("form:close");
    resultCode_ = (startMode_ == 7 || startMode_ == 8) ? 1 : 2;
    action = TCloseAction::caFree;
  };
  onDestroy_ = [this](IProgramForm*) { probe_->log.push_back("form:destroy"); };
}

TTestForm::~TTestForm() { probe_->form = nullptr; }

bool TTestForm::Start(const pellor::Variant& params) {
  ++probe_->starts;
  probe_->lastStartParams = params;
  return probe_->startResult;
}

TProgramInfo TTestForm::ProgramInfo() const {
  return TProgramInfo{"DS", "QRN01", "PEVF07", "Evaluation factors"};
}

void TTestForm::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (visible && onShow_) onShow_(this);
  if (!visible && onHide_) onHide_(this);
}

pellor::WindowHandle TTestForm::Handle() {
  static pellor::WindowHandle next = 1000;
  if (handle_ == 0) handle_ = ++next;
  return handle_;
}

int TTestForm::ShowModal() {
  modalShowing_ = true;
  modalResult_ = pellor::kModalNone;
  SetVisible(true);
  try {
    pellor::CurrentPlatform().RunModalLoop(*this);
  } catch (...) {
    modalShowing_ = false;
    throw;
  }
  modalShowing_ = false;
  SetVisible(false);
  return modalResult_;
}

void TTestForm::Close() {
  if (modalShowing_) {
    modalResult_ = pellor::kModalCancel;
    return;
  }
  TCloseAction action = TCloseAction::caHide;
  if (onClose_) onClose_(this, action);
  switch (action) {
    case TCloseAction::caNone: break;
    case TCloseAction::caHide: SetVisible(false); break;
    case TCloseAction::caMinimize: minimized_ = true; break;
    case TCloseAction::caFree: Free(); break;
  }
}

void TTestForm::Free() {
  destroying_ = true;
  struct Delete {
    TTestForm* form;
    ~Delete() { delete form; }
  } deleteAtEnd{this};
  if (onDestroy_) onDestroy_(this);
}

}  // namespace pevf::test
