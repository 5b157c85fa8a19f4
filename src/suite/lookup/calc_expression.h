// The calculator's arithmetic: a text such as "(12.5 + 3) * -2 / 4" to its
// value.
//
// The grammar is the one a desk calculator user expects and nothing more:
//   expression := term { ("+" | "-") term }
//   term       := factor { ("*" | "/") factor }
//   factor     := ("+" | "-") factor | number | "(" expression ")"
//   number     := (digits [ "." [ digits ] ] | "." digits) [ exponent ]
//   exponent   := ("E" | "e") [ "+" | "-" ] digits
// Blanks may stand between the parts. Operators of one level work from left
// to right, so "8 / 2 / 2" is 2. Evaluation is in double precision.
//
// A text that is not such an expression, a division by zero and a result
// beyond the range of a double raise ECalcError, which tells the window what
// went wrong (Fault) and where (Position, a byte offset into the text), so it
// can say so in the user's language.
#ifndef PELLOR_SUITE_LOOKUP_CALC_EXPRESSION_H_
#define PELLOR_SUITE_LOOKUP_CALC_EXPRESSION_H_

#include <string>
#include <string_view>

#include "platform/rtl/errors.h"

namespace suite::lookup {

enum class CalcFault {
  kEmpty,             // nothing but blanks
  kUnexpectedChar,    // a character that cannot stand where it stands
  kUnexpectedEnd,     // the text stops where an operand is still due
  kMissingParen,      // "(" without its ")"
  kUnmatchedParen,    // ")" without its "("
  kDivisionByZero,
  kTooDeep,           // parentheses or signs nested beyond kMaxCalcDepth
  kOutOfRange,        // a number or result too large for a double
};

// Parentheses and signs nest at most this deep: enough for any sum a person
// types, and a bound on the evaluator's stack.
inline constexpr int kMaxCalcDepth = 200;

class ECalcError : public pellor::EConvertError {
 public:
  ECalcError(CalcFault fault, size_t position, const std::string& message)
      : EConvertError(message), fault_(fault), position_(position) {}
  const char* ClassName() const override { return "ECalcError"; }
  CalcFault Fault() const { return fault_; }
  size_t Position() const { return position_; }

 private:
  CalcFault fault_;
  size_t position_;
};

// The value of `expression`; ECalcError as described above.
double EvaluateExpression(std::string_view expression);

// A value as the calculator answers it: up to 15 significant digits without
// trailing zeros ("2.5", "0.333333333333333", "-4"); minus zero is "0".
std::string FormatCalcValue(double value);

}  // namespace suite::lookup

#endif  // PELLOR_SUITE_LOOKUP_CALC_EXPRESSION_H_
