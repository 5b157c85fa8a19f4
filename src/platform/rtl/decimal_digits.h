// Internal to the runtime layer: a double as a string of decimal digits, the
// common ground of FloatToStr, Format and FormatFloat.
//
// Every number formatter of the original platform first wrote the value with
// 18 significant digits and then rounded that digit string, halves away from
// zero. Working on the same digit string keeps all our formatters rounding
// alike: 2.675 (stored as 2.67499999999999982...) gives "2.67" with two
// decimals, while 0.125 (exact in binary) gives "0.13".
#ifndef PELLOR_RTL_DECIMAL_DIGITS_H_
#define PELLOR_RTL_DECIMAL_DIGITS_H_

#include <string>

namespace pellor {
namespace internal {

// value = 0.d1 d2 ... d(count) × 10^exponent. `count` is 0 for a zero
// value; digits hold '0'..'9' without trailing zeros.
struct DecimalDigits {
  bool negative = false;
  int exponent = 0;
  int count = 0;
  char digits[20] = {};
};

constexpr int kMaxSignificantDigits = 18;

// The value (finite) with 18 significant digits.
DecimalDigits ToDecimalDigits(double value);

// Keeps the first `keep` significant digits, rounding half away from zero on
// the digit string; `keep` <= 0 may round to zero or up to a single "1".
void RoundDecimalDigits(DecimalDigits& number, int keep);

// Rounds to `decimals` digits after the decimal point.
inline void RoundDecimalPlaces(DecimalDigits& number, int decimals) {
  if (number.count > 0) RoundDecimalDigits(number, number.exponent + decimals);
}

// Appends the number rounded to `precision` significant digits in the general
// format: no trailing zeros, and the exponent form ("1E-5", "1.5E20") when
// the decimal exponent is below -4 or at least `precision`.
void AppendGeneral(std::string& out, DecimalDigits number, int precision);

}  // namespace internal
}  // namespace pellor

#endif  // PELLOR_RTL_DECIMAL_DIGITS_H_
