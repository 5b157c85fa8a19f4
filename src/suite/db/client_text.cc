#include "suite/db/client_text.h"

namespace suite {

using pellor::Variant;

std::string ClientTextToUtf8(const Variant& value, int codePage) {
  if (value.IsBlank()) return std::string();
  if (value.Type() == pellor::VarType::kWideString) return pellor::WideToUtf8(value.RawWideString());
  if (value.Type() == pellor::VarType::kString) {
    return pellor::WideToUtf8(pellor::AnsiToWide(value.RawString(), codePage));
  }
  return value.AsString();
}

Variant Utf8ToClient(const Variant& value, int codePage) {
  if (value.Type() != pellor::VarType::kString) return value;
  return Variant(pellor::WideToAnsi(pellor::Utf8ToWide(value.RawString()), codePage));
}

}  // namespace suite
