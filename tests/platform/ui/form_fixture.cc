#include "form_fixture.h"

namespace pellor::test {

PELLOR_DEFINE_CLASS(TTestEdit, TWinControl);
PELLOR_DEFINE_CLASS(TTestMemo, TTestEdit);
PELLOR_DEFINE_CLASS(TTestButton, TWinControl);
PELLOR_DEFINE_CLASS(TTestPanel, TWinControl);

TTestEdit::TTestEdit(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TTestEdit::DefineProperties(PropertyBuilder<TTestEdit>& p) {
  p.Text("Text", &TTestEdit::Text, &TTestEdit::SetText);
}

void TTestEdit::HandleKeyPress(char& key) {
  if (key == '\b') {
    std::string text = Text();
    if (!text.empty()) text.pop_back();
    SetText(text);
    key = 0;
  } else if (static_cast<unsigned char>(key) >= 0x20) {
    SetText(Text() + key);
    key = 0;
  }
}

void TTestMemo::HandleKeyPress(char& key) {
  if (key == '\r') {
    SetText(Text() + "\r\n");
    key = 0;
    return;
  }
  TTestEdit::HandleKeyPress(key);
}

TTestButton::TTestButton(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TTestButton::DefineProperties(PropertyBuilder<TTestButton>& p) {
  p.Text("Caption", &TTestButton::Caption, &TTestButton::SetCaption)
      .Bool("Default", &TTestButton::Default, &TTestButton::SetDefault)
      .Bool("Cancel", &TTestButton::Cancel, &TTestButton::SetCancel)
      .Integer("ModalResult", &TTestButton::ModalResult, &TTestButton::SetModalResult, &kModalResultIdents);
}

void TTestButton::Click() {
  if (modalResult_ != kModalNone) {
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  }
  TControl::Click();
}

FormTest::FormTest() { Screen().SetSize(1024, 768); }

FormTest::~FormTest() {
  // Releases the forms a test left for the loop, while its platform is in place.
  ProcessPostedMessages();
}

TFormPtr<TForm> FormTest::MakeForm(const std::string& name) {
  TFormPtr<TForm> form = TCustomForm::CreateUnowned<TForm>();
  form->SetName(name);
  return form;
}

}  // namespace pellor::test
