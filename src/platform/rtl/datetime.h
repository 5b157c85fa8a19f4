// Date-time values: a day count from 1899-12-30 with the time of day as the
// fraction, the form the original platform and its stored data use.
#ifndef PELLOR_RTL_DATETIME_H_
#define PELLOR_RTL_DATETIME_H_

#include <string>
#include <string_view>

namespace pellor {

using TDateTime = double;

struct DateParts {
  int year = 0, month = 0, day = 0;
};
struct TimeParts {
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1..12
bool IsValidDate(int year, int month, int day);  // years 1..9999

// Encoding: the Try forms report false for parts out of range; the plain
// forms raise EConvertError ("Invalid argument to date encode").
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);

// Decoding of any value in years 1..9999 (negative values count back from
// 1899-12-30, the time still runs forward).
DateParts DecodeDate(TDateTime value);
TimeParts DecodeTime(TDateTime value);

// The local date and time of this machine.
TDateTime Now();
TDateTime Today();

// The user's date and time conventions (the original took them from the
// system's regional settings). Defaults: '/', ':', "yyyy/mm/dd", "hh:nn:ss".
struct FormatSettings {
  char dateSeparator = '/';
  char timeSeparator = ':';
  std::string shortDateFormat = "yyyy/mm/dd";
  std::string longTimeFormat = "hh:nn:ss";
};
const FormatSettings& CurrentFormatSettings();
void SetFormatSettings(const FormatSettings& settings);

// FormatDateTime with the original pattern letters: yyyy yy m mm d dd h hh
// n nn s ss z zzz, "/" and ":" replaced by the separators of the settings,
// "c" for short date + long time, quoted literals copied; every other
// character is copied.
std::string FormatDateTime(std::string_view pattern, TDateTime value);
std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const FormatSettings& settings);

// "YYYYMMDD" of a date; the 17-digit "YYYYMMDDhhnnsszzz" of a date-time.
std::string DateToStr8(TDateTime value);
std::string DateTimeToStr17(TDateTime value);

}  // namespace pellor

#endif  // PELLOR_RTL_DATETIME_H_
