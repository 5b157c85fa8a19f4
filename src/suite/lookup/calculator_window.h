// The calculator window (GetCalcValue): works out the expression it is given
// or the user types, and answers its value.
//
// Form "frmCalculator" (class TfrmCalculator); its controls, by name:
//   edExpr     TEdit    the expression (calc_expression.h); full-width
//                       digits and signs and "×", "÷" count as their ASCII
//                       forms
//   lblResult  TLabel   "= value" while the expression is sound, else what
//                       is wrong with it
//   btn0 … btn9, btnDot, btnAdd, btnSub, btnMul, btnDiv, btnLeft, btnRight
//              TButton  add "0" … "9", ".", "+", "-", "*", "/", "(", ")"
//   btnBack    TButton  takes the last character off
//   btnClear   TButton  empties the expression
//   btnEquals  TButton  replaces the expression by its value
//   btnOK      TButton  default button: answers the value; an expression in
//                       error shows the error and keeps the window open
//   btnCancel  TButton  cancel button
#ifndef PELLOR_SUITE_LOOKUP_CALCULATOR_WINDOW_H_
#define PELLOR_SUITE_LOOKUP_CALCULATOR_WINDOW_H_

#include <optional>
#include <string>

#include "platform/ui/forms.h"
#include "platform/ui/stdctrls.h"

namespace suite::lookup {

class TfrmCalculator : public pellor::TForm {
  PELLOR_CLASS(TfrmCalculator);

 public:
  explicit TfrmCalculator(pellor::TComponent* owner);

  // The code page of the texts; sets the font's character set.
  void SetCodePage(int codePage);
  // The value of edExpr as the calculator answers it; nullopt while it is in
  // error, with the reason in the window's code page in `error`.
  std::optional<std::string> Value(std::string* error = nullptr) const;

  pellor::TEdit* edExpr;
  pellor::TLabel* lblResult;
  pellor::TButton* btnEquals;
  pellor::TButton* btnOK;
  pellor::TButton* btnCancel;

 private:
  pellor::TButton* AddButton(const char* name, const std::string& caption, int left, int top);
  void ShowValue();

  int codePage_;
};

// The expression of a calculator's text in `codePage` as the evaluator reads
// it: full-width ASCII forms, "×" and "÷" become ASCII, any other character
// that is not ASCII becomes "?", so each character is one byte.
std::string CalculatorInput(std::string_view text, int codePage);

}  // namespace suite::lookup

#endif  // PELLOR_SUITE_LOOKUP_CALCULATOR_WINDOW_H_
