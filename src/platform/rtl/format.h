// printf-style formatting over tagged arguments, and number formats.
#ifndef PELLOR_RTL_FORMAT_H_
#define PELLOR_RTL_FORMAT_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/variant.h"

namespace pellor {

// Format(pattern, args) in the manner of the original platform:
//   "%" [index ":"] ["-"] [width] ["." precision] type
// with width and precision given as digits or "*" (taken from the next
// argument), index counting arguments from 0 ("%1:s"; later specifiers go on
// from there), and these types (letters in either case, "%S" is "%s"):
//   d     integer; precision = minimum digits, zero-padded ("-05" for "%.2d")
//   u x   integer as unsigned decimal / upper-case hexadecimal ("FF"); a
//         negative value that fits 32 bits keeps 32 bits (-1 → "FFFFFFFF")
//   f n   fixed decimals (default 2); "n" groups thousands with ","
//   m     money: as "n" (default 2 decimals), without a currency symbol
//   e     scientific, precision = significant digits (default 15): "1.5E+003"
//   g     general, precision = significant digits (default 15), as FloatToStr
//   s     text; precision = maximum bytes
//   p     an integer or object address as 8+ hexadecimal digits
// and "%%". Width pads with blanks on the left, or on the right after "-".
// Floats round halves away from zero on their 18-digit decimal form, so
// 2.675 (stored just below) gives "2.67" with two decimals; a result that
// rounds to zero carries no minus sign.
//
// Arguments: d u x take integers only, and floats, texts or booleans raise,
// so a value of the wrong kind is noticed rather than printed as garbage.
// e f g n m take integers, floats and dates. s takes narrow texts byte for
// byte, wide texts narrowed through the machine code page, empty and null as
// "", and also integers, floats, booleans and dates through
// Variant::AsString: message texts carry "%s" placeholders that are filled
// from lists of tagged arguments holding texts or numbers. A wrong argument
// raises EConvertError "Format '<pattern>' invalid or incompatible with
// argument", a missing one "No argument for format '<pattern>'".
std::string Format(std::string_view pattern, const std::vector<Variant>& args);

// FormatFloat(pattern, value): display formats such as "#,##0.00",
// "##0.#######", "#,##0.00_ ", "0.00%", up to three sections split by ";"
// (positive; negative; zero). "0" is a required digit, "#" an optional one,
// "," anywhere before the point turns on thousands grouping, "." the decimal
// point (left out when no decimal digit follows), "E+00"-style exponents,
// '"..."' and '...' quoted literals; every other character, "%" and "_"
// included, is copied ("%" does not scale the value). An integer part wider
// than its placeholders is shown whole. Rounds half away from zero on the
// value's 18-digit decimal form, like Format. Without a negative section a
// negative value gets a leading "-", unless it rounds to zero; a value that
// rounds to zero uses the zero section when there is one. An empty pattern
// gives FloatToStr.
std::string FormatFloat(std::string_view pattern, double value);

}  // namespace pellor

#endif  // PELLOR_RTL_FORMAT_H_
