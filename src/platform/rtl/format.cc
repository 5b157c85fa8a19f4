#include "platform/rtl/format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/rtl/codepage.h"
#include "platform/rtl/decimal_digits.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

using internal::DecimalDigits;

// Widths and precisions beyond this are mistakes, not layouts; refusing them
// keeps a stray "*" argument from asking for gigabytes of blanks.
constexpr int64_t kMaxWidth = 65535;
// Digits a float carries; more decimals than this would only add zeros that
// look like precision the value never had.
constexpr int kMaxFloatPrecision = 18;

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

inline char DigitAt(const DecimalDigits& number, int index) {
  return index >= 0 && index < number.count ? number.digits[index] : '0';
}

// Appends the magnitude of `number` with `decimals` digits after the point
// (already rounded there), grouping the integer digits by three when asked.
void AppendFixed(std::string& out, const DecimalDigits& number, int decimals, bool grouping) {
  const int intLen = number.exponent > 0 ? number.exponent : 0;
  if (intLen == 0) {
    out += '0';
  } else {
    for (int i = 0; i < intLen; ++i) {
      out += DigitAt(number, i);
      const int fromRight = intLen - 1 - i;
      if (grouping && fromRight > 0 && fromRight % 3 == 0) out += ',';
    }
  }
  if (decimals > 0) {
    out += '.';
    for (int j = 0; j < decimals; ++j) out += DigitAt(number, number.exponent + j);
  }
}

void AppendUnsigned(std::string& out, uint64_t value, int base, int minDigits) {
  static const char kDigits[] = "0123456789ABCDEF";
  char buf[24];
  int n = 0;
  do {
    buf[n++] = kDigits[value % static_cast<unsigned>(base)];
    value /= static_cast<unsigned>(base);
  } while (value > 0);
  for (int i = n; i < minDigits; ++i) out += '0';
  while (n > 0) out += buf[--n];
}

// Bit pattern of an integer for "%x" and "%u": values that fit a 32-bit
// integer keep 32 bits, so -1 prints as FFFFFFFF as the callers' 32-bit
// integers always did; others use all 64.
uint64_t BitPattern(int64_t value) {
  if (value < 0 && value >= std::numeric_limits<int32_t>::min()) {
    return static_cast<uint32_t>(static_cast<int32_t>(value));
  }
  return static_cast<uint64_t>(value);
}

class Formatter {
 public:
  Formatter(std::string_view pattern, const std::vector<Variant>& args)
      : pattern_(pattern), args_(args) {}

  std::string Run();

 private:
  [[noreturn]] void Invalid() const {
    throw EConvertError("Format '" + std::string(pattern_) + "' invalid or incompatible with argument");
  }
  const Variant& NextArg() {
    if (argIndex_ >= args_.size()) {
      throw EConvertError("No argument for format '" + std::string(pattern_) + "'");
    }
    return args_[argIndex_++];
  }
  // Digits or "*" at pos_; false when neither is there.
  bool ReadNumber(int64_t& value);
  void FormatFloatArg(char type, int precision, double value);

  std::string_view pattern_;
  const std::vector<Variant>& args_;
  size_t argIndex_ = 0;
  size_t pos_ = 0;
  std::string piece_;
};

bool Formatter::ReadNumber(int64_t& value) {
  if (pos_ < pattern_.size() && pattern_[pos_] == '*') {
    ++pos_;
    const Variant& arg = NextArg();
    if (arg.Type() != VarType::kInteger) Invalid();
    value = arg.AsInt64();
    return true;
  }
  if (pos_ >= pattern_.size() || pattern_[pos_] < '0' || pattern_[pos_] > '9') return false;
  value = 0;
  while (pos_ < pattern_.size() && pattern_[pos_] >= '0' && pattern_[pos_] <= '9') {
    if (value <= kMaxWidth) value = value * 10 + (pattern_[pos_] - '0');
    ++pos_;
  }
  return true;
}

void Formatter::FormatFloatArg(char type, int precision, double value) {
  if (std::isnan(value) || std::isinf(value)) {
    piece_ += FloatToStr(value);
    return;
  }
  DecimalDigits number = internal::ToDecimalDigits(value);
  switch (type) {
    case 'f':
    case 'n':
    case 'm': {
      const int decimals = precision < 0 ? 2 : std::min(precision, kMaxFloatPrecision);
      internal::RoundDecimalPlaces(number, decimals);
      if (number.negative && number.count > 0) piece_ += '-';
      AppendFixed(piece_, number, decimals, type != 'f');
      break;
    }
    case 'e': {
      int digits = precision < 0 ? 15 : precision;
      digits = std::clamp(digits, 1, kMaxFloatPrecision);
      internal::RoundDecimalDigits(number, digits);
      if (number.negative && number.count > 0) piece_ += '-';
      piece_ += DigitAt(number, 0);
      if (digits > 1) {
        piece_ += '.';
        for (int i = 1; i < digits; ++i) piece_ += DigitAt(number, i);
      }
      const int exponent = number.count > 0 ? number.exponent - 1 : 0;
      piece_ += 'E';
      piece_ += exponent < 0 ? '-' : '+';
      AppendUnsigned(piece_, static_cast<uint64_t>(exponent < 0 ? -exponent : exponent), 10, 3);
      break;
    }
    case 'g': {
      int digits = precision < 0 ? 15 : precision;
      digits = std::clamp(digits, 1, kMaxFloatPrecision);
      internal::AppendGeneral(piece_, number, digits);
      break;
    }
  }
}

std::string Formatter::Run() {
  std::string out;
  out.reserve(pattern_.size() + 16);
  const size_t n = pattern_.size();
  size_t literalStart = 0;
  while (true) {
    size_t percent = pattern_.find('%', literalStart);
    if (percent == std::string_view::npos) {
      out.append(pattern_.substr(literalStart));
      break;
    }
    out.append(pattern_.substr(literalStart, percent - literalStart));
    pos_ = percent + 1;
    if (pos_ >= n) Invalid();
    if (pattern_[pos_] == '%') {
      out += '%';
      literalStart = pos_ + 1;
      continue;
    }

    int64_t number = 0;
    bool haveNumber = ReadNumber(number);
    if (haveNumber && pos_ < n && pattern_[pos_] == ':') {
      // "%1:s" picks the argument; later specifiers continue after it.
      if (number < 0) Invalid();
      argIndex_ = static_cast<size_t>(number);
      ++pos_;
      haveNumber = false;
    }
    bool leftAlign = false;
    if (!haveNumber && pos_ < n && pattern_[pos_] == '-') {
      leftAlign = true;
      ++pos_;
    }
    int64_t width = 0;
    if (haveNumber) {
      width = number;
    } else {
      ReadNumber(width);
    }
    if (width < 0) {  // a negative "*" width aligns left
      leftAlign = true;
      width = -width;
    }
    int64_t precision = -1;
    if (pos_ < n && pattern_[pos_] == '.') {
      ++pos_;
      if (!ReadNumber(precision)) precision = 0;
      if (precision < 0) precision = -1;
    }
    if (width > kMaxWidth || precision > kMaxWidth) Invalid();
    if (pos_ >= n) Invalid();
    const char type = Lower(pattern_[pos_]);
    literalStart = pos_ + 1;

    piece_.clear();
    switch (type) {
      case 'd': {
        const Variant& arg = NextArg();
        if (arg.Type() != VarType::kInteger) Invalid();
        const int64_t value = arg.AsInt64();
        uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
        if (value < 0) piece_ += '-';
        AppendUnsigned(piece_, magnitude, 10, static_cast<int>(precision));
        break;
      }
      case 'u':
      case 'x': {
        const Variant& arg = NextArg();
        if (arg.Type() != VarType::kInteger) Invalid();
        AppendUnsigned(piece_, BitPattern(arg.AsInt64()), type == 'x' ? 16 : 10,
                       static_cast<int>(precision));
        break;
      }
      case 'p': {
        const Variant& arg = NextArg();
        uint64_t address;
        if (arg.Type() == VarType::kInteger) {
          address = BitPattern(arg.AsInt64());
        } else if (arg.Type() == VarType::kDispatch) {
          address = reinterpret_cast<uintptr_t>(arg.AsDispatch().get());
        } else {
          Invalid();
        }
        AppendUnsigned(piece_, address, 16, 8);
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm': {
        const Variant& arg = NextArg();
        double value;
        switch (arg.Type()) {
          case VarType::kFloat:
          case VarType::kDate:
          case VarType::kInteger:
            value = arg.AsFloat();
            break;
          default:
            Invalid();
        }
        FormatFloatArg(type, static_cast<int>(precision), value);
        break;
      }
      case 's': {
        const Variant& arg = NextArg();
        std::string_view text;
        std::string converted;
        switch (arg.Type()) {
          case VarType::kString:
            text = arg.RawString();
            break;
          case VarType::kWideString:
            converted = WideToAnsi(arg.RawWideString(), SystemCodePage());
            text = converted;
            break;
          case VarType::kEmpty:
          case VarType::kNull:
            break;
          case VarType::kInteger:
          case VarType::kFloat:
          case VarType::kBoolean:
          case VarType::kDate:
            converted = arg.AsString();
            text = converted;
            break;
          default:
            Invalid();
        }
        if (precision >= 0 && static_cast<size_t>(precision) < text.size()) {
          text = text.substr(0, static_cast<size_t>(precision));
        }
        piece_.append(text);
        break;
      }
      default:
        Invalid();
    }

    const size_t padding =
        static_cast<size_t>(width) > piece_.size() ? static_cast<size_t>(width) - piece_.size() : 0;
    if (!leftAlign) out.append(padding, ' ');
    out += piece_;
    if (leftAlign) out.append(padding, ' ');
  }
  return out;
}

// --- FormatFloat -------------------------------------------------------------

// What a section of a display format asks for.
struct SectionLayout {
  int intPlaceholders = 0;
  int decPlaceholders = 0;
  int firstIntZero = -1;  // index of the first "0" among the integer placeholders
  int lastDecZero = -1;   // index of the last "0" among the decimal placeholders
  bool thousands = false;
  bool scientific = false;
};

inline bool IsQuote(char c) { return c == '"' || c == '\''; }

// First byte of a double-byte character (code pages 936 and 950), whose
// second byte may look like "E" and must be copied, not interpreted.
inline bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x81; }

// Index just past the quoted literal that starts at `i`.
inline size_t SkipQuoted(std::string_view s, size_t i) {
  size_t close = s.find(s[i], i + 1);
  return close == std::string_view::npos ? s.size() : close + 1;
}

inline bool IsExponentAt(std::string_view s, size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

SectionLayout ScanSection(std::string_view section) {
  SectionLayout layout;
  bool afterPoint = false;
  for (size_t i = 0; i < section.size();) {
    const char c = section[i];
    if (IsQuote(c)) {
      i = SkipQuoted(section, i);
      continue;
    }
    if (IsLeadByte(c)) {
      i += 2;
      continue;
    }
    if (IsExponentAt(section, i)) {
      layout.scientific = true;
      break;  // what follows the exponent is its digits and literals
    }
    if (c == '0' || c == '#') {
      if (!afterPoint) {
        if (c == '0' && layout.firstIntZero < 0) layout.firstIntZero = layout.intPlaceholders;
        ++layout.intPlaceholders;
      } else {
        if (c == '0') layout.lastDecZero = layout.decPlaceholders;
        ++layout.decPlaceholders;
      }
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',' && !afterPoint) {
      layout.thousands = true;
    }
    ++i;
  }
  return layout;
}

// Up to three sections split at ";" outside quotes.
int SplitSections(std::string_view pattern, std::string_view sections[3]) {
  int count = 0;
  size_t start = 0;
  for (size_t i = 0; i < pattern.size();) {
    if (IsQuote(pattern[i])) {
      i = SkipQuoted(pattern, i);
      continue;
    }
    if (pattern[i] == ';') {
      sections[count++] = pattern.substr(start, i - start);
      if (count == 3) return count;
      start = i + 1;
    }
    ++i;
  }
  sections[count++] = pattern.substr(start);
  return count;
}

// Rounds the magnitude for the section; returns where the decimal point falls
// in the digit string.
int PrepareDigits(const SectionLayout& layout, DecimalDigits& number) {
  if (layout.scientific) {
    internal::RoundDecimalDigits(number, layout.intPlaceholders + layout.decPlaceholders);
    return layout.intPlaceholders;
  }
  internal::RoundDecimalPlaces(number, layout.decPlaceholders);
  return number.exponent;
}

void EmitSection(std::string& out, std::string_view section, const SectionLayout& layout,
                 const DecimalDigits& number, int pointPos) {
  // Integer digits: at least what the "0" placeholders require; all of the
  // value's digits even where the format has fewer placeholders.
  const int natural = pointPos > 0 ? pointPos : 0;
  int required = 0;
  if (layout.scientific) {
    required = layout.intPlaceholders;
  } else if (layout.firstIntZero >= 0) {
    required = layout.intPlaceholders - layout.firstIntZero;
  }
  const int intLen = std::max(natural, required);
  const int pad = intLen - natural;
  auto intDigit = [&](int left) { return left < pad ? '0' : DigitAt(number, left - pad); };
  auto emitIntDigit = [&](int left) {
    out += intDigit(left);
    const int fromRight = intLen - 1 - left;
    if (layout.thousands && fromRight > 0 && fromRight % 3 == 0) out += ',';
  };
  // Decimal digits: optional ("#") trailing zeros are dropped.
  int fracLen = layout.decPlaceholders;
  while (fracLen > layout.lastDecZero + 1 && DigitAt(number, pointPos + fracLen - 1) == '0') {
    --fracLen;
  }

  int intIndex = 0, fracIndex = 0;
  bool afterPoint = false, afterExponent = false, intEmitted = false;
  auto emitAllIntDigits = [&]() {
    for (int left = 0; left < intLen; ++left) emitIntDigit(left);
    intEmitted = true;
  };
  for (size_t i = 0; i < section.size();) {
    const char c = section[i];
    if (IsQuote(c)) {
      size_t end = SkipQuoted(section, i);
      size_t contentEnd = (end <= section.size() && end > i + 1 && section[end - 1] == c) ? end - 1 : end;
      out.append(section.substr(i + 1, contentEnd - i - 1));
      i = end;
      continue;
    }
    if (IsLeadByte(c)) {
      out.append(section.substr(i, 2));
      i += 2;
      continue;
    }
    if (!afterExponent && layout.scientific && IsExponentAt(section, i)) {
      if (!intEmitted && layout.intPlaceholders == 0 && !afterPoint) emitAllIntDigits();
      const int exponent = number.count > 0 ? number.exponent - pointPos : 0;
      out += c;
      if (exponent < 0) {
        out += '-';
      } else if (section[i + 1] == '+') {
        out += '+';
      }
      i += 2;
      int minDigits = 0;
      while (i < section.size() && section[i] == '0') {
        ++minDigits;
        ++i;
      }
      AppendUnsigned(out, static_cast<uint64_t>(exponent < 0 ? -exponent : exponent), 10,
                     std::min(minDigits, 4));
      afterExponent = true;
      continue;
    }
    if (!afterExponent && (c == '0' || c == '#')) {
      if (!afterPoint) {
        const int k = intIndex++;
        const int fromRight = layout.intPlaceholders - 1 - k;
        if (k == 0) {
          for (int left = 0; left < intLen - fromRight; ++left) emitIntDigit(left);
          intEmitted = true;
        } else if (fromRight < intLen) {
          emitIntDigit(intLen - 1 - fromRight);
        }
      } else {
        const int j = fracIndex++;
        if (j < fracLen) out += DigitAt(number, pointPos + j);
      }
    } else if (!afterExponent && c == '.') {
      if (!afterPoint) {
        afterPoint = true;
        if (!intEmitted && layout.intPlaceholders == 0) emitAllIntDigits();
        if (fracLen > 0) out += '.';
      }
    } else if (!afterExponent && c == ',') {
      // grouping marker, never printed itself
    } else {
      out += c;
    }
    ++i;
  }
}

}  // namespace

std::string Format(std::string_view pattern, const std::vector<Variant>& args) {
  return Formatter(pattern, args).Run();
}

std::string FormatFloat(std::string_view pattern, double value) {
  if (pattern.empty() || std::isnan(value) || std::isinf(value)) return FloatToStr(value);
  std::string_view sections[3];
  const int sectionCount = SplitSections(pattern, sections);
  int index = 0;
  if (value < 0 && sectionCount >= 2 && !sections[1].empty()) {
    index = 1;
  } else if (value == 0 && sectionCount >= 3 && !sections[2].empty()) {
    index = 2;
  }
  SectionLayout layout = ScanSection(sections[index]);
  DecimalDigits number = internal::ToDecimalDigits(std::fabs(value));
  int pointPos = PrepareDigits(layout, number);
  if (number.count == 0 && index != 2) {
    // The value shows as zero: the zero section applies when there is one,
    // and a zero never carries the negative layout or a minus sign.
    const int zeroIndex = (sectionCount >= 3 && !sections[2].empty()) ? 2 : 0;
    if (zeroIndex != index) {
      index = zeroIndex;
      layout = ScanSection(sections[index]);
      number = DecimalDigits();
      pointPos = PrepareDigits(layout, number);
    }
  }
  std::string out;
  out.reserve(sections[index].size() + 24);
  if (value < 0 && index == 0 && number.count > 0) out += '-';
  EmitSection(out, sections[index], layout, number, pointPos);
  return out;
}

}  // namespace pellor
