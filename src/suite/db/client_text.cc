#include "suite/db/client_text.h"

namespace suite {

using pellor::Variant;

namespace {

// Codes, numbers and dates are plain ASCII, which reads the same in UTF-8,
// 936 and 950: most values of a packet need no trip through the converter.
bool IsAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string ClientTextToUtf8(const Variant& value, int codePage) {
  if (value.IsBlank()) return std::string();
  if (value.Type() == pellor::VarType::kWideString) return pellor::WideToUtf8(value.RawWideString());
  if (value.Type() == pellor::VarType::kString) {
    if (IsAscii(value.RawString())) return value.RawString();
    return pellor::WideToUtf8(pellor::AnsiToWide(value.RawString(), codePage));
  }
  return value.AsString();
}

size_t Utf8CharacterCount(std::string_view utf8) {
  size_t count = 0;
  for (unsigned char byte : utf8) count += (byte & 0xC0) != 0x80;
  return count;
}

Variant Utf8ToClient(const Variant& value, int codePage) {
  if (value.Type() != pellor::VarType::kString || IsAscii(value.RawString())) return value;
  return Variant(pellor::WideToAnsi(pellor::Utf8ToWide(value.RawString()), codePage));
}

}  // namespace suite
