// Code-page conversion: the one place where texts change encoding.
//
// Texts are byte strings in a code page (936 simplified Chinese, 950
// traditional Chinese, 437 English, 65001 UTF-8); wide texts are UTF-16.
// Everything goes through glibc iconv here, so that the extended Big5
// corrections and the GB/Big5 table converter can plug into one layer.
#ifndef PELLOR_RTL_CODEPAGE_H_
#define PELLOR_RTL_CODEPAGE_H_

#include <optional>
#include <string>
#include <string_view>

namespace pellor {

constexpr int kCodePageGB = 936;
constexpr int kCodePageBig5 = 950;
constexpr int kCodePageEnglish = 437;
constexpr int kCodePageUtf8 = 65001;

// Strict conversions: nullopt when a byte sequence is not valid in the code
// page or a character has no encoding in it, or the code page is unknown.
std::optional<std::u16string> TryAnsiToWide(std::string_view text, int codePage);
std::optional<std::string> TryWideToAnsi(std::u16string_view text, int codePage);

// Lossy conversions in the manner of the original platform's default
// narrowing and widening: an undecodable byte becomes U+FFFD, a character the
// code page lacks becomes "?". Never raise.
std::u16string AnsiToWide(std::string_view text, int codePage);
std::string WideToAnsi(std::u16string_view text, int codePage);

// Narrow text from one code page to another (lossy as above).
std::string ConvertCodePage(std::string_view text, int fromCodePage, int toCodePage);

// UTF-8 ↔ UTF-16 without loss checks (invalid UTF-8 bytes become U+FFFD).
std::u16string Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::u16string_view text);

// Built-in texts are written in UTF-8 in the source and shown in code page
// 936: this turns such a literal into 936 bytes. Callers that use a literal
// often keep the result in a function-local static.
std::string Cp936(std::string_view utf8Literal);

// The machine's code page reduced to 936, 950 or 437: the settings store's
// "SystemCodePage" value when it holds a number, else the codeset of the
// locale (GBK/GB2312/GB18030 → 936, BIG5/CP950/BIG5-HKSCS → 950, anything
// else → 437).
int SystemCodePage();

// True when the byte at `index` of a text in `codePage` is the lead byte of a
// double-byte character (936 and 950 only).
bool IsLeadByte(unsigned char byte, int codePage);

}  // namespace pellor

#endif  // PELLOR_RTL_CODEPAGE_H_
