// The common-phrase window (GetPhrase2): the user picks a stock text for a
// remark or a standard, or edits the text the field held.
//
// Form "frmPhrase" (class TfrmPhrase); its controls, by name:
//   lblPhrase  TLabel    "内容"
//   edPhrase   TEdit     the text OK answers; it starts with the field's text
//   lbPhrase   TListBox  the phrases: choosing one puts it into edPhrase, a
//                        double click also closes the window with it
//   btnOK      TButton   default button: answers edPhrase
//   btnCancel  TButton   cancel button
#ifndef PELLOR_SUITE_LOOKUP_PHRASE_WINDOW_H_
#define PELLOR_SUITE_LOOKUP_PHRASE_WINDOW_H_

#include <string>
#include <vector>

#include "platform/ui/forms.h"
#include "platform/ui/stdctrls.h"

namespace suite::lookup {

class TfrmPhrase : public pellor::TForm {
  PELLOR_CLASS(TfrmPhrase);

 public:
  explicit TfrmPhrase(pellor::TComponent* owner);

  // The code page of the texts; sets the font's character set.
  void SetCodePage(int codePage);
  void SetPhrases(const std::vector<std::string>& phrases);

  pellor::TLabel* lblPhrase;
  pellor::TEdit* edPhrase;
  pellor::TListBox* lbPhrase;
  pellor::TButton* btnOK;
  pellor::TButton* btnCancel;
};

}  // namespace suite::lookup

#endif  // PELLOR_SUITE_LOOKUP_PHRASE_WINDOW_H_
