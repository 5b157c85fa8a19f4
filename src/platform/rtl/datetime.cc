#include "platform/rtl/datetime.h"

#include <time.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/rtl/errors.h"

namespace pellor {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Day numbers of 0001-01-01 and 9999-12-31.
constexpr int64_t kMinDay = -693593;
constexpr int64_t kMaxDay = 2958465;
// Day 0 (1899-12-30) counted from 1970-01-01.
constexpr int64_t kUnixEpochOffset = 25569;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

DateParts CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  DateParts parts;
  parts.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  parts.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  parts.year = static_cast<int>(yoe + era * 400 + (parts.month <= 2));
  return parts;
}

// The day number and the millisecond of the day, rounded to the nearest
// millisecond; a time that rounds up to midnight moves to the next day, so
// that date and time always agree. False outside years 1..9999.
bool SplitDateTime(TDateTime value, int64_t& day, int64_t& msOfDay) {
  if (!std::isfinite(value)) return false;
  const double whole = std::trunc(value);
  if (whole < static_cast<double>(kMinDay) - 1 || whole > static_cast<double>(kMaxDay) + 1) {
    return false;
  }
  day = static_cast<int64_t>(whole);
  msOfDay = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
  if (msOfDay >= kMsPerDay) {
    msOfDay -= kMsPerDay;
    day += 1;
  }
  return day >= kMinDay && day <= kMaxDay;
}

struct DateTimeParts {
  DateParts date;
  TimeParts time;
  int dayOfWeek = 0;  // 0 = Sunday
};

DateTimeParts Decode(TDateTime value) {
  DateTimeParts parts;
  int64_t day = 0, ms = 0;
  if (!SplitDateTime(value, day, ms)) return parts;
  parts.date = CivilFromDays(day - kUnixEpochOffset);
  parts.time.hour = static_cast<int>(ms / 3600000);
  parts.time.minute = static_cast<int>(ms / 60000 % 60);
  parts.time.second = static_cast<int>(ms / 1000 % 60);
  parts.time.millisecond = static_cast<int>(ms % 1000);
  // 1899-12-30 was a Saturday.
  parts.dayOfWeek = static_cast<int>(((day + 6) % 7 + 7) % 7);
  return parts;
}

// --- format settings -------------------------------------------------------

// Settings are replaced rarely (start-up, a user changing preferences) and
// read everywhere, so readers take a plain pointer. Earlier settings stay
// alive, because a caller may still hold a reference to them.
std::atomic<const FormatSettings*> currentSettings{nullptr};

std::mutex& SettingsMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

std::vector<std::unique_ptr<const FormatSettings>>& KeptSettings() {
  static auto* kept = new std::vector<std::unique_ptr<const FormatSettings>>;
  return *kept;
}

const FormatSettings& DefaultSettings() {
  static const FormatSettings* defaults = new FormatSettings;
  return *defaults;
}

// --- FormatDateTime --------------------------------------------------------

const char* const kShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
const char* const kShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonthNames[] = {"January", "February", "March",     "April",
                                       "May",     "June",     "July",      "August",
                                       "September", "October", "November", "December"};

void AppendNumber(std::string& out, int value, int minDigits) {
  char buf[16];
  int n = 0;
  unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v > 0);
  for (int i = n; i < minDigits; ++i) out += '0';
  while (n > 0) out += buf[--n];
}

inline char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

void AppendFormatted(std::string& out, std::string_view pattern, const DateTimeParts& parts,
                     bool hasTime, const FormatSettings& settings, int depth) {
  // Formats within formats ("c", "ddddd") could name each other; stop early.
  if (depth > 2) return;
  char lastLetter = 0;
  size_t i = 0;
  const size_t n = pattern.size();
  while (i < n) {
    const char c = pattern[i];
    if (static_cast<unsigned char>(c) >= 0x81 && i + 1 < n) {
      // A double-byte character: its second byte may look like a letter.
      out.append(pattern.substr(i, 2));
      i += 2;
      continue;
    }
    char token = Upper(c);
    if (token >= 'A' && token <= 'Z') {
      // "m" right after an hour means minutes, as in "hh:mm".
      if (token == 'M' && lastLetter == 'H') token = 'N';
      lastLetter = token;
    }
    size_t count = 1;
    auto countRun = [&]() {
      while (i + count < n && Upper(pattern[i + count]) == Upper(c)) ++count;
    };
    switch (token) {
      case 'Y':
        countRun();
        if (count <= 2) {
          AppendNumber(out, parts.date.year % 100, 2);
        } else {
          AppendNumber(out, parts.date.year, 4);
        }
        break;
      case 'M':
        countRun();
        if (count <= 2) {
          AppendNumber(out, parts.date.month, static_cast<int>(count));
        } else if (parts.date.month >= 1) {
          out += (count == 3 ? kShortMonthNames : kLongMonthNames)[parts.date.month - 1];
        }
        break;
      case 'D':
        countRun();
        if (count <= 2) {
          AppendNumber(out, parts.date.day, static_cast<int>(count));
        } else if (count == 3) {
          out += kShortDayNames[parts.dayOfWeek];
        } else if (count == 4) {
          out += kLongDayNames[parts.dayOfWeek];
        } else {
          AppendFormatted(out, settings.shortDateFormat, parts, hasTime, settings, depth + 1);
        }
        break;
      case 'H':
        countRun();
        AppendNumber(out, parts.time.hour, count == 1 ? 1 : 2);
        break;
      case 'N':
        countRun();
        AppendNumber(out, parts.time.minute, count == 1 ? 1 : 2);
        break;
      case 'S':
        countRun();
        AppendNumber(out, parts.time.second, count == 1 ? 1 : 2);
        break;
      case 'Z':
        countRun();
        AppendNumber(out, parts.time.millisecond, count == 1 ? 1 : 3);
        break;
      case 'C':
        AppendFormatted(out, settings.shortDateFormat, parts, hasTime, settings, depth + 1);
        if (hasTime) {
          out += ' ';
          AppendFormatted(out, settings.longTimeFormat, parts, hasTime, settings, depth + 1);
        }
        break;
      case '/':
        out += settings.dateSeparator;
        break;
      case ':':
        out += settings.timeSeparator;
        break;
      case '"':
      case '\'': {
        size_t close = pattern.find(c, i + 1);
        if (close == std::string_view::npos) close = n;
        out.append(pattern.substr(i + 1, close - i - 1));
        count = close < n ? close - i + 1 : n - i;
        break;
      }
      default:
        out += c;
        break;
    }
    i += count;
  }
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (!IsValidDate(year, month, day)) return false;
  out = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochOffset);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return false;
  }
  const int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  out = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime value;
  if (!TryEncodeDate(year, month, day, value)) {
    throw EConvertError("Invalid argument to date encode");
  }
  return value;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime value;
  if (!TryEncodeTime(hour, minute, second, millisecond, value)) {
    throw EConvertError("Invalid argument to time encode");
  }
  return value;
}

DateParts DecodeDate(TDateTime value) { return Decode(value).date; }

TimeParts DecodeTime(TDateTime value) { return Decode(value).time; }

TDateTime Now() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm local;
  localtime_r(&ts.tv_sec, &local);
  const int second = local.tm_sec > 59 ? 59 : local.tm_sec;  // leap second
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, second, static_cast<int>(ts.tv_nsec / 1000000));
}

TDateTime Today() {
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

const FormatSettings& CurrentFormatSettings() {
  const FormatSettings* settings = currentSettings.load(std::memory_order_acquire);
  return settings != nullptr ? *settings : DefaultSettings();
}

void SetFormatSettings(const FormatSettings& settings) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  auto copy = std::make_unique<const FormatSettings>(settings);
  currentSettings.store(copy.get(), std::memory_order_release);
  KeptSettings().push_back(std::move(copy));
}

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
  return FormatDateTime(pattern, value, CurrentFormatSettings());
}

std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const FormatSettings& settings) {
  const DateTimeParts parts = Decode(value);
  const bool hasTime = parts.time.hour != 0 || parts.time.minute != 0 ||
                       parts.time.second != 0 || parts.time.millisecond != 0;
  std::string out;
  out.reserve(pattern.size() + 16);
  AppendFormatted(out, pattern.empty() ? std::string_view("c") : pattern, parts, hasTime,
                  settings, 0);
  return out;
}

std::string DateToStr8(TDateTime value) {
  const DateParts date = DecodeDate(value);
  std::string out;
  out.reserve(8);
  AppendNumber(out, date.year, 4);
  AppendNumber(out, date.month, 2);
  AppendNumber(out, date.day, 2);
  return out;
}

std::string DateTimeToStr17(TDateTime value) {
  const DateTimeParts parts = Decode(value);
  std::string out;
  out.reserve(17);
  AppendNumber(out, parts.date.year, 4);
  AppendNumber(out, parts.date.month, 2);
  AppendNumber(out, parts.date.day, 2);
  AppendNumber(out, parts.time.hour, 2);
  AppendNumber(out, parts.time.minute, 2);
  AppendNumber(out, parts.time.second, 2);
  AppendNumber(out, parts.time.millisecond, 3);
  return out;
}

}  // namespace pellor
