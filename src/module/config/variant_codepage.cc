#include "module/config/variant_codepage.h"

#include <exception>
#include <optional>

#include "module/config/alert_log.h"
#include "platform/rtl/codepage.h"

namespace pevf {

namespace {

// A code page the conversion layer knows converts a plain letter.
bool KnownCodePage(int codePage) {
  return pellor::TryWideToAnsi(u"A", codePage).has_value();
}

}  // namespace

std::string WideToAnsiCP(std::u16string_view text, int codePage) {
  if (text.empty()) return std::string();
  if (std::optional<std::string> exact = pellor::TryWideToAnsi(text, codePage)) return *exact;
  return pellor::WideToAnsi(text, KnownCodePage(codePage) ? codePage : pellor::SystemCodePage());
}

std::u16string AnsiToWideCP(std::string_view text, int codePage) {
  if (text.empty()) return std::u16string();
  if (std::optional<std::u16string> exact = pellor::TryAnsiToWide(text, codePage)) return *exact;
  return pellor::AnsiToWide(text, KnownCodePage(codePage) ? codePage : pellor::SystemCodePage());
}

namespace {

// Direction of a conversion: which kind of text is converted, and how.
struct Direction {
  pellor::VarType arrayElement;
  pellor::Variant (*convertScalar)(const pellor::Variant& text, int codePage);
  const char* logPrefix;
};

pellor::Variant ScalarWideToAnsi(const pellor::Variant& text, int codePage) {
  return pellor::Variant(WideToAnsiCP(text.RawWideString(), codePage));
}

pellor::Variant ScalarAnsiToWide(const pellor::Variant& text, int codePage) {
  return pellor::Variant(AnsiToWideCP(text.RawString(), codePage));
}

const Direction kToAnsi = {pellor::VarType::kWideString, ScalarWideToAnsi, "LINE[2735] "};
const Direction kToWide = {pellor::VarType::kString, ScalarAnsiToWide, "LINE[115] "};

// Converts `result` in place, so that after an error it still holds every
// element converted before it.
void ConvertInPlace(pellor::Variant& result, int codePage, const Direction& direction) {
  // A text already of the wanted kind stays as it is: sending it through the
  // machine code page first would garble it wherever that page is not
  // `codePage`.
  if (result.Type() == direction.arrayElement) {
    result = direction.convertScalar(result, codePage);
    return;
  }
  if (!result.IsArray()) return;
  if (result.Dims() == 1) {
    for (int i = 0; i <= result.HighBound(1); ++i) {
      pellor::Variant& element = result[i];
      if (element.IsArray()) {
        ConvertInPlace(element, codePage, direction);
      } else if (element.Type() == direction.arrayElement) {
        element = direction.convertScalar(element, codePage);
      }
    }
  } else if (result.Dims() == 2) {
    for (int i = 0; i <= result.HighBound(1); ++i) {
      for (int j = 0; j <= result.HighBound(2); ++j) {
        pellor::Variant& element = result.At(i, j);
        if (element.Type() == direction.arrayElement) {
          element = direction.convertScalar(element, codePage);
        }
      }
    }
  }
}

pellor::Variant Convert(const pellor::Variant& value, int codePage, const Direction& direction) {
  pellor::Variant result = value;
  if (result.IsBlank()) return result;
  try {
    ConvertInPlace(result, codePage, direction);
  } catch (const std::exception& e) {
    WriteAlertLog("libstrs", direction.logPrefix + std::string(e.what()), 'D');
  }
  return result;
}

}  // namespace

pellor::Variant VarWideToAnsi(const pellor::Variant& value, int codePage) {
  return Convert(value, codePage, kToAnsi);
}

pellor::Variant VarAnsiToWide(const pellor::Variant& value, int codePage) {
  return Convert(value, codePage, kToWide);
}

}  // namespace pevf
