// Small text routines in the manner of the original platform. Texts are byte
// strings; letter case means ASCII letter case, so double-byte characters are
// never altered: a byte 0x81..0xFE starts a two-byte character (code pages
// 936 and 950), whose second byte is never folded even where it looks like a
// letter.
#ifndef PELLOR_RTL_STRUTILS_H_
#define PELLOR_RTL_STRUTILS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellor {

std::string Trim(std::string_view text);       // drops bytes <= ' ' at both ends
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);   // ASCII case-insensitive
int CompareText(std::string_view a, std::string_view b); // <0, 0, >0
bool StartsText(std::string_view prefix, std::string_view text);

std::string IntToStr(int64_t value);
// Decimal integer, optional sign, blanks around allowed; hex with "$" or "0x".
std::optional<int64_t> TryStrToInt64(std::string_view text);
std::optional<int> TryStrToInt(std::string_view text);  // nullopt also on overflow
int StrToIntDef(std::string_view text, int fallback);
int StrToInt(std::string_view text);  // raises EConvertError "'x' is not a valid integer value"

// Floats: "." is the decimal separator; an exponent is allowed.
std::optional<double> TryStrToFloat(std::string_view text);
double StrToFloat(std::string_view text);  // raises EConvertError
// General format with 15 significant digits, as the original FloatToStr.
std::string FloatToStr(double value);

// Replaces every occurrence of `from` (case-sensitive) by `to`.
std::string StringReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// Splits at every occurrence of the separator (an empty text gives one empty field).
std::vector<std::string> SplitString(std::string_view text, std::string_view separator);

// Text of a file as bytes; nullopt when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);
// Writes the bytes through a temporary file and a rename, so a reader never
// sees half a file. Raises EInOutError on failure.
void WriteFileBytes(const std::string& path, std::string_view bytes);

}  // namespace pellor

#endif  // PELLOR_RTL_STRUTILS_H_
