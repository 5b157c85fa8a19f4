#include "module/config/date_utils.h"

#include <cmath>
#include <exception>
#include <optional>
#include <vector>

#include "module/config/text_utils.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strutils.h"

namespace pevf {

namespace {

// Only the first byte of a separator counts.
std::string SeparatorOf(std::string_view separator) {
  return separator.empty() ? std::string() : std::string(1, separator.front());
}

bool AllDigits(std::string_view text) {
  for (char ch : text) {
    if (ch < '0' || ch > '9') return false;
  }
  return true;
}

// The fields of a display date in text order, with the year of the
// Republic of China orders already turned into the common era. False for an
// unknown order.
bool OrderFields(int dateKind, int64_t f1, int64_t f2, int64_t f3, int64_t& year, int64_t& month,
                 int64_t& day) {
  switch (dateKind) {
    case 1: year = f1; month = f2; day = f3; return true;
    case 2: year = f3; month = f1; day = f2; return true;
    case 3: year = f3; month = f2; day = f1; return true;
    case 4:
    case 5: year = f1 + 1911; month = f2; day = f3; return true;
    default: return false;
  }
}

std::string DisplayPattern(int dateKind) {
  switch (dateKind) {
    case 1: return "%.4d%s%.2d%s%.2d";
    case 2:
    case 3: return "%.2d%s%.2d%s%.4d";
    case 4: return "%.2d%s%.2d%s%.2d";
    case 5: return "%.3d%s%.2d%s%.2d";
    default: return std::string();
  }
}

// The date part of a display text as Format arguments in display order;
// empty for an unknown order.
std::vector<pellor::Variant> DisplayArgs(int dateKind, const std::string& separator,
                                         pellor::TDateTime date) {
  pellor::DateParts parts = pellor::DecodeDate(date);
  switch (dateKind) {
    case 1: return {parts.year, separator, parts.month, separator, parts.day};
    case 2: return {parts.month, separator, parts.day, separator, parts.year};
    case 3: return {parts.day, separator, parts.month, separator, parts.year};
    case 4:
    case 5: return {parts.year - 1911, separator, parts.month, separator, parts.day};
    default: return {};
  }
}

pellor::TDateTime CombineDateTime(pellor::TDateTime date, pellor::TDateTime time) {
  // Before 1899-12-30 the day count is negative but the time still runs
  // forward, so the fraction moves away from zero.
  return date < 0 ? date - time : date + time;
}

}  // namespace

std::string DateToDisplay(int dateKind, std::string_view separator, pellor::TDateTime date) {
  try {
    if (date == 0) return std::string();
    std::string pattern = DisplayPattern(dateKind);
    if (pattern.empty()) return std::string();
    return pellor::Format(pattern, DisplayArgs(dateKind, SeparatorOf(separator), date));
  } catch (const std::exception&) {
    return std::string();
  }
}

std::string DateTimeToDisplay(int dateKind, std::string_view separator,
                              pellor::TDateTime dateTime) {
  try {
    if (dateTime == 0) return std::string();
    std::string pattern = DisplayPattern(dateKind);
    if (pattern.empty()) return std::string();
    std::vector<pellor::Variant> args =
        DisplayArgs(dateKind, SeparatorOf(separator), dateTime);
    pellor::TimeParts time = pellor::DecodeTime(dateTime);
    args.insert(args.end(), {time.hour, time.minute, time.second, time.millisecond});
    return pellor::Format(pattern + " %.2d:%.2d:%.2d:%.3d", args);
  } catch (const std::exception&) {
    return std::string();
  }
}

pellor::TDateTime DisplayToDate(std::string_view text, int dateKind, std::string_view separator) {
  try {
    std::string rest = pellor::Trim(text);
    if (rest.empty()) return 0;
    std::string sep = SeparatorOf(separator);
    int64_t fields[3];
    for (int64_t& field : fields) {
      std::optional<int> value = pellor::TryStrToInt(pellor::Trim(SplitFirst(rest, sep)));
      // The fields were 16-bit once; a value beyond that range is refused
      // rather than wrapped (65537 must not turn into 1).
      field = value && *value <= 32767 ? *value : -1;
      if (field <= 0) return 0;
    }
    int64_t year, month, day;
    if (!OrderFields(dateKind, fields[0], fields[1], fields[2], year, month, day)) return 0;
    pellor::TDateTime first;
    if (!pellor::TryEncodeDate(static_cast<int>(year), static_cast<int>(month), 1, first)) {
      return 0;
    }
    return first + static_cast<double>(day - 1);
  } catch (const std::exception&) {
    return 0;
  }
}

std::string DisplayToDate8(std::string_view text, int dateKind, std::string_view separator) {
  try {
    std::string trimmed = pellor::Trim(text);
    if (trimmed.empty()) return "0";
    std::string sep = SeparatorOf(separator);
    std::string parts[3];
    if (!sep.empty()) {
      for (int i = 0; i < 3; ++i) parts[i] = pellor::Trim(GetToken(trimmed, sep, i + 1));
    } else {
      std::string_view whole(trimmed);
      parts[0] = std::string(whole.substr(0, 4));
      if (whole.size() > 4) parts[1] = std::string(whole.substr(4, 2));
      if (whole.size() > 6) parts[2] = std::string(whole.substr(6, 2));
    }
    int64_t c = pellor::TryStrToInt(parts[0]).value_or(0);
    int64_t b = pellor::TryStrToInt(parts[1]).value_or(0);
    int64_t a = pellor::TryStrToInt(parts[2]).value_or(0);
    if (c <= 0 || b <= 0 || a <= 0) return "0";
    int64_t year, month, day;
    switch (dateKind) {
      case 2: year = a; month = c; day = b; break;
      case 3: year = a; month = b; day = c; break;
      case 4:
      case 5: year = c + 1911; month = b; day = a; break;
      default: year = c; month = b; day = a; break;
    }
    return IntToZeroStr(4, year) + IntToZeroStr(2, month) + IntToZeroStr(2, day);
  } catch (const std::exception&) {
    return "0";
  }
}

pellor::TDateTime Str8ToDate(std::string_view text) {
  if (text.size() != 8 || !AllDigits(text)) return 0;
  int year = pellor::StrToIntDef(text.substr(0, 4), 0);
  int month = pellor::StrToIntDef(text.substr(4, 2), 0);
  int day = pellor::StrToIntDef(text.substr(6, 2), 0);
  pellor::TDateTime result;
  if (year == 0 || month == 0 || day == 0) return 0;
  if (!pellor::TryEncodeDate(year, month, day, result)) return 0;
  return result;
}

pellor::TDateTime Str17ToDateTime(std::string_view text) {
  try {
    auto part = [text](size_t start, size_t length) {
      if (start >= text.size()) return 0;
      return pellor::StrToIntDef(text.substr(start, length), 0);
    };
    int year = part(0, 4), month = part(4, 2), day = part(6, 2);
    int hour = part(8, 2), minute = part(10, 2), second = part(12, 2);
    int millisecond = part(14, 3);
    pellor::TDateTime time;
    if (!pellor::TryEncodeTime(hour, minute, second, millisecond, time)) return 0;
    if (year == 0 || month == 0 || day == 0) return time;
    pellor::TDateTime date;
    if (!pellor::TryEncodeDate(year, month, day, date)) return 0;
    return CombineDateTime(date, time);
  } catch (const std::exception&) {
    return 0;
  }
}

bool IsValidDate8(std::string_view text) {
  if (text.empty()) return true;
  if (text.size() != 8 || !AllDigits(text)) return false;
  int year = pellor::StrToIntDef(text.substr(0, 4), 0);
  int month = pellor::StrToIntDef(text.substr(4, 2), 0);
  int day = pellor::StrToIntDef(text.substr(6, 2), 0);
  if (!pellor::IsValidDate(year, month, day)) return false;
  return text >= "17530101" && text <= "99991231";
}

double RoundFloat(int decimals, double value) {
  if (!std::isfinite(value)) return value;
  try {
    double reduced = pellor::StrToFloat(pellor::FloatToStr(value));
    if (std::fabs(reduced) >= 1e15) return reduced;
    reduced += reduced > 0 ? 1e-12 : -1e-12;
    double result = pellor::StrToFloat(
        pellor::Format("%.*f", {decimals < 0 ? 0 : decimals, reduced}));
    return result == 0 ? 0.0 : result;  // no "-0" for a value rounded to zero
  } catch (const std::exception&) {
    return value;
  }
}

int CompareFloat(double a, double b) {
  if (!std::isfinite(a) || !std::isfinite(b)) return a < b ? -1 : (a > b ? 1 : 0);
  try {
    double ra = pellor::StrToFloat(pellor::FloatToStr(a));
    double rb = pellor::StrToFloat(pellor::FloatToStr(b));
    if (std::fabs(ra - rb) < 1e-10) return 0;
    return ra < rb ? -1 : 1;
  } catch (const std::exception&) {
    return 0;
  }
}

namespace {

// Seconds of a duration text "hhh:mm:ss"; nullopt when the text is not one or
// the count leaves the 64-bit range.
std::optional<int64_t> DurationSeconds(std::string_view text) {
  std::string trimmed = pellor::Trim(text);
  if (trimmed.size() < 8 || CountFields(trimmed, ":") != 3) return std::nullopt;
  for (char ch : trimmed) {
    if (ch != ':' && (ch < '0' || ch > '9')) return std::nullopt;
  }
  int64_t total = 0;
  static const int64_t kUnit[3] = {3600, 60, 1};
  for (int i = 0; i < 3; ++i) {
    std::optional<int64_t> field =
        pellor::TryStrToInt64(pellor::Trim(GetToken(trimmed, ":", i + 1)));
    int64_t seconds;
    if (!field || __builtin_mul_overflow(*field, kUnit[i], &seconds) ||
        __builtin_add_overflow(total, seconds, &total)) {
      return std::nullopt;
    }
  }
  return total;
}

}  // namespace

std::pair<int64_t, std::string> AddDurations(std::string_view first, std::string_view second,
                                             int mode) {
  const std::pair<int64_t, std::string> kDefault(0, "000:00:00");
  try {
    std::optional<int64_t> a = DurationSeconds(first);
    std::optional<int64_t> b = DurationSeconds(second);
    if (!a || !b || (mode != 1 && mode != -1)) return kDefault;
    int64_t total;
    if (mode == 1 ? __builtin_add_overflow(*a, *b, &total)
                  : __builtin_sub_overflow(*a, *b, &total)) {
      return kDefault;
    }
    return {total, SecondsToDuration(total)};
  } catch (const std::exception&) {
    return kDefault;
  }
}

std::string SecondsToDuration(int64_t seconds) {
  try {
    if (seconds == 0) return "0000:00:00";
    // Unsigned, so that the most negative count has a magnitude too.
    uint64_t magnitude = seconds < 0 ? 0 - static_cast<uint64_t>(seconds)
                                     : static_cast<uint64_t>(seconds);
    int64_t hours = static_cast<int64_t>(magnitude / 3600);
    int minutes = static_cast<int>(magnitude % 3600 / 60);
    int secs = static_cast<int>(magnitude % 60);
    std::string text = pellor::Format("%.4d:%.2d:%.2d", {hours, minutes, secs});
    return seconds < 0 ? "-" + text : text;
  } catch (const std::exception&) {
    return "0000:00:00";
  }
}

pellor::Variant VarIif(bool flag, const pellor::Variant& a, const pellor::Variant& b) {
  return flag ? a : b;
}

bool VarIsBlank(const pellor::Variant& value) { return value.IsBlank(); }

}  // namespace pevf
