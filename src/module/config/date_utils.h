// Dates and numbers as the module shows and stores them.
//
// A date value is a pellor::TDateTime (day count from 1899-12-30, time as the
// fraction); 0 means "no date". Users choose one of five display orders, the
// `DateKind`, always together with a separator of which only the first byte
// is used (an empty separator means none):
//
//   1  year/month/day      4-digit year
//   2  month/day/year      4-digit year
//   3  day/month/year      4-digit year
//   4  year/month/day      year - 1911 (Republic of China), at least 2 digits
//   5  year/month/day      year - 1911, at least 3 digits
//
// Stored dates are "YYYYMMDD" texts; stored date-times are 17 digits
// "YYYYMMDDhhnnsszzz". Every routine here catches its own conversion errors
// and answers a neutral value ("0", 0, empty text, the default pair).
#ifndef PEVF_CONFIG_DATE_UTILS_H_
#define PEVF_CONFIG_DATE_UTILS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/rtl/datetime.h"
#include "platform/rtl/variant.h"

namespace pevf {

// The date in the display order `dateKind`; empty for 0 or an unknown order.
std::string DateToDisplay(int dateKind, std::string_view separator, pellor::TDateTime date);
// As DateToDisplay with " hh:nn:ss:zzz" appended.
std::string DateTimeToDisplay(int dateKind, std::string_view separator,
                              pellor::TDateTime dateTime);

// Reads a date typed in display order: three fields cut at the separator,
// each trimmed and read as an integer. A field that is not a number, not
// positive, or beyond 32767 gives 0, as does an unknown order or an invalid
// year or month. The day is not checked against the month: a day past the
// month's end carries into the following months (2008/02/30 is 1 March).
pellor::TDateTime DisplayToDate(std::string_view text, int dateKind, std::string_view separator);

// Turns a date typed in display order into "YYYYMMDD" without checking that
// the date exists; "0" for an empty text, a field that is not positive, or
// any error. With an empty separator the text is read as "YYYYMMDD" whatever
// the order (Republic of China orders add 1911 to the year).
std::string DisplayToDate8(std::string_view text, int dateKind, std::string_view separator);

// "YYYYMMDD" → date; 0 unless the text is 8 digits forming a real date
// (1899-12-30, whose value is 0, is therefore indistinguishable from "no
// date" here; IsValidDate8 tells them apart).
pellor::TDateTime Str8ToDate(std::string_view text);
// "YYYYMMDDhhnnsszzz" → date-time. Missing or non-numeric parts read as 0;
// without a full date (year, month and day all non-zero) the result is the
// time alone; 0 when the parts do not form a date or a time.
pellor::TDateTime Str17ToDateTime(std::string_view text);
// True for an empty text, or 8 digits that form a real date between
// "17530101" and "99991231" (the range the database accepts).
bool IsValidDate8(std::string_view text);

// Rounds half away from zero to `decimals` places (below 0 counts as 0). The
// value is first reduced to 15 significant digits and nudged by 1e-12 away
// from zero, so 2.675 (stored just below the half) still rounds up to 2.68.
// Values of 1e15 or more have no decimals left at 15 digits and come back
// unchanged; so do infinities and NaN.
double RoundFloat(int decimals, double value);
// -1, 0 or 1; values that differ by less than 1e-10 after reduction to 15
// significant digits are equal.
int CompareFloat(double a, double b);

// Adds (mode 1) or subtracts (mode -1) two durations "hhh:mm:ss" (at least 8
// characters, digits and exactly two colons) and answers the seconds and
// their SecondsToDuration text. Any invalid text or mode, or a sum beyond the
// 64-bit range, answers the default pair (0, "000:00:00").
std::pair<int64_t, std::string> AddDurations(std::string_view first, std::string_view second,
                                             int mode);
// "hhhh:mm:ss" with "-" in front for a negative count; "0000:00:00" for 0.
std::string SecondsToDuration(int64_t seconds);

// A copy of `a` when the flag is set, else of `b`.
pellor::Variant VarIif(bool flag, const pellor::Variant& a, const pellor::Variant& b);
// True for an empty or null value.
bool VarIsBlank(const pellor::Variant& value);

}  // namespace pevf

#endif  // PEVF_CONFIG_DATE_UTILS_H_
