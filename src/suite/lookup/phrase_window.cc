#include "suite/lookup/phrase_window.h"

#include "platform/rtl/codepage.h"
#include "platform/rtl/stringlist.h"
#include "suite/lookup/window_text.h"

namespace suite::lookup {

PELLOR_DEFINE_CLASS(TfrmPhrase, pellor::TForm);

TfrmPhrase::TfrmPhrase(pellor::TComponent* owner) : TForm(owner) {
  using namespace pellor;
  SetName("frmPhrase");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(420);
  SetClientHeight(300);

  lblPhrase = TComponent::Create<TLabel>(this);
  lblPhrase->SetName("lblPhrase");
  lblPhrase->SetParent(this);
  lblPhrase->SetBounds(8, 12, 40, 13);

  edPhrase = TComponent::Create<TEdit>(this);
  edPhrase->SetName("edPhrase");
  edPhrase->SetParent(this);
  edPhrase->SetBounds(52, 8, 360, 21);
  edPhrase->SetText("");
  lblPhrase->SetFocusControl(edPhrase);

  lbPhrase = TComponent::Create<TListBox>(this);
  lbPhrase->SetName("lbPhrase");
  lbPhrase->SetParent(this);
  lbPhrase->SetBounds(8, 36, 404, 220);

  btnOK = TComponent::Create<TButton>(this);
  btnOK->SetName("btnOK");
  btnOK->SetParent(this);
  btnOK->SetBounds(256, 266, 75, 25);
  btnOK->SetDefault(true);
  btnOK->SetModalResult(kModalOk);

  btnCancel = TComponent::Create<TButton>(this);
  btnCancel->SetName("btnCancel");
  btnCancel->SetParent(this);
  btnCancel->SetBounds(337, 266, 75, 25);
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(kModalCancel);

  SetCodePage(kCodePageGB);

  lbPhrase->OnClick = [this](TObject*) {
    const int index = lbPhrase->ItemIndex();
    if (index >= 0) edPhrase->SetText(lbPhrase->Items()[index]);
  };
  lbPhrase->OnDblClick = [this](TObject*) {
    if (lbPhrase->ItemIndex() >= 0) btnOK->Click();
  };
}

void TfrmPhrase::SetCodePage(int codePage) {
  SetWindowCodePage(*this, codePage);
  SetCaption(WindowText("常用语", codePage));
  lblPhrase->SetCaption(WindowText("内容", codePage));
  btnOK->SetCaption(WindowText("确定", codePage));
  btnCancel->SetCaption(WindowText("取消", codePage));
}

void TfrmPhrase::SetPhrases(const std::vector<std::string>& phrases) {
  pellor::TStringList items;
  for (const std::string& phrase : phrases) items.Add(phrase);
  lbPhrase->SetItems(items);
}

}  // namespace suite::lookup
