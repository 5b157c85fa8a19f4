// Small text routines shared by every part of the module: padding, fields
// split at a separator, zero-padded numbers, repeated replacement, and the
// captions of message-box buttons.
//
// Texts are byte strings in a code page; the routines never look inside a
// double-byte character because every separator the callers use is ASCII.
#ifndef PEVF_CONFIG_TEXT_UTILS_H_
#define PEVF_CONFIG_TEXT_UTILS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace pevf {

// Puts `fill` in front of (PadLeft) or after (PadRight) a text shorter than
// `width` until it is `width` bytes long; a longer text is returned as it is.
std::string PadLeft(std::string_view text, int width, char fill = ' ');
std::string PadRight(std::string_view text, int width, char fill = ' ');

// The n-th field (counted from 1) of a text split at `separator`; empty when
// the text has fewer fields or n is below 1. A text without the separator is
// its own field 1; an empty separator never splits.
std::string GetToken(std::string_view text, std::string_view separator, int n);

// 0 for an empty text, else the number of separators + 1 (1 for an empty
// separator).
int CountFields(std::string_view text, std::string_view separator);

// Returns the part of `text` before the first separator and leaves in `text`
// what follows the separator. Without a separator the whole text is returned
// and `text` becomes empty.
std::string SplitFirst(std::string& text, std::string_view separator);

// Decimal, zero-padded to at least `width` digits (a minus sign comes in
// front of the digits).
std::string IntToZeroStr(int width, int64_t value);

// Replaces the first case-sensitive occurrence of `oldText` by `newText`
// again and again until none is left, so that occurrences that a replacement
// creates are replaced too ("aaaa", "aa" → "a" gives "a"). Nothing is
// replaced when the two texts differ only in letter case or `oldText` is
// empty. A `newText` that contains `oldText` would never finish; it is then
// replaced in one left-to-right pass instead. With `trim` the result is
// trimmed.
std::string ReplaceAll(std::string_view text, std::string_view oldText,
                       std::string_view newText, bool trim);

// True for the loop-back address the suite uses for an in-process server.
bool IsLocalHost(std::string_view host);

// The Chinese caption (code page 936 bytes) of a standard message-box button
// by its name ("Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore",
// "All", "NoToAll", "YesToAll", "Help"); any other name is its own caption.
std::string ButtonCaption(std::string_view buttonName);

}  // namespace pevf

#endif  // PEVF_CONFIG_TEXT_UTILS_H_
