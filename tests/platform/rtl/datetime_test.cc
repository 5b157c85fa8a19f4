#include "platform/rtl/datetime.h"

#include <time.h>

#include <cmath>

#include <gtest/gtest.h>

#include "platform/rtl/errors.h"

namespace pellor {
namespace {

TEST(DateTimeTest, DayNumbersOfKnownDates) {
  struct Case {
    int year, month, day;
    double value;
  };
  const Case cases[] = {
      {1899, 12, 30, 0},     {1899, 12, 31, 1},    {1900, 1, 1, 2},     {1899, 12, 29, -1},
      {1970, 1, 1, 25569},   {2008, 5, 1, 39569},  {2000, 2, 29, 36585}, {1753, 1, 1, -53688},
      {1, 1, 1, -693593},    {9999, 12, 31, 2958465},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeDate(c.year, c.month, c.day), c.value) << c.year << "-" << c.month << "-" << c.day;
    DateParts parts = DecodeDate(c.value);
    EXPECT_EQ(parts.year, c.year);
    EXPECT_EQ(parts.month, c.month);
    EXPECT_EQ(parts.day, c.day);
  }
}

TEST(DateTimeTest, EveryDayFollowsTheDayBefore) {
  // Walks the whole range 0001-01-01 .. 9999-12-31, checking each decoded
  // day against the calendar rules independently of the encoder.
  DateParts previous = DecodeDate(-693593);
  ASSERT_EQ(previous.year, 1);
  for (int day = -693592; day <= 2958465; ++day) {
    DateParts d = DecodeDate(day);
    DateParts expected = previous;
    if (++expected.day > DaysInMonth(expected.year, expected.month)) {
      expected.day = 1;
      if (++expected.month > 12) {
        expected.month = 1;
        ++expected.year;
      }
    }
    if (d.year != expected.year || d.month != expected.month || d.day != expected.day) {
      FAIL() << "day " << day << " decoded as " << d.year << "-" << d.month << "-" << d.day;
    }
    if (day % 997 == 0) {
      ASSERT_EQ(EncodeDate(d.year, d.month, d.day), day);
    }
    previous = d;
  }
  EXPECT_EQ(previous.year, 9999);
}

TEST(DateTimeTest, ValidityOfDates) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2008));
  EXPECT_EQ(DaysInMonth(2008, 2), 29);
  EXPECT_EQ(DaysInMonth(2007, 2), 28);
  EXPECT_EQ(DaysInMonth(2007, 13), 0);
  EXPECT_TRUE(IsValidDate(9999, 12, 31));
  EXPECT_FALSE(IsValidDate(10000, 1, 1));
  EXPECT_FALSE(IsValidDate(0, 12, 31));
  EXPECT_FALSE(IsValidDate(2008, 2, 30));
  EXPECT_FALSE(IsValidDate(2008, 0, 1));
  EXPECT_FALSE(IsValidDate(2008, 4, 31));
  EXPECT_FALSE(IsValidDate(2008, 4, 0));

  TDateTime out = 123;
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, out));
  EXPECT_EQ(out, 123);
  try {
    EncodeDate(2008, 2, 30);
    FAIL() << "2008-02-30 was encoded";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Invalid argument to date encode");
  }
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, out));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, out));
  EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, out));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, out));
  EXPECT_FALSE(TryEncodeTime(-1, 0, 0, 0, out));
  EXPECT_THROW(EncodeTime(0, 0, 0, -1), EConvertError);
}

TEST(DateTimeTest, TimesDecodeToTheNearestMillisecond) {
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  TimeParts noon = DecodeTime(0.5);
  EXPECT_EQ(noon.hour, 12);
  EXPECT_EQ(noon.minute, 0);
  EXPECT_EQ(noon.second, 0);
  EXPECT_EQ(noon.millisecond, 0);

  // Every encoded time comes back exactly, also added to a date.
  for (int h = 0; h < 24; ++h) {
    for (int m = 0; m < 60; ++m) {
      for (int s = 0; s < 60; s += 7) {
        for (int ms = 0; ms < 1000; ms += 37) {
          const TDateTime value = 39569 + EncodeTime(h, m, s, ms);
          TimeParts t = DecodeTime(value);
          if (t.hour != h || t.minute != m || t.second != s || t.millisecond != ms) {
            FAIL() << h << ":" << m << ":" << s << "." << ms << " decoded as " << t.hour << ":"
                   << t.minute << ":" << t.second << "." << t.millisecond;
          }
        }
      }
    }
  }
  TimeParts last = DecodeTime(EncodeTime(23, 59, 59, 999));
  EXPECT_EQ(last.hour * 10000000 + last.minute * 100000 + last.second * 1000 + last.millisecond,
            235959999);

  // Less than half a millisecond before midnight is the next day.
  const TDateTime almostMidnight = 39569 + 0.9999999999;
  TimeParts t = DecodeTime(almostMidnight);
  EXPECT_EQ(t.hour + t.minute + t.second + t.millisecond, 0);
  EXPECT_EQ(DecodeDate(almostMidnight).day, 2);
  EXPECT_EQ(DateTimeToStr17(almostMidnight), "20080502000000000");
}

TEST(DateTimeTest, NegativeValuesCountDaysBackAndTimeForward) {
  DateParts d = DecodeDate(-1.25);
  EXPECT_EQ(d.year, 1899);
  EXPECT_EQ(d.month, 12);
  EXPECT_EQ(d.day, 29);
  TimeParts t = DecodeTime(-1.25);
  EXPECT_EQ(t.hour, 6);
  EXPECT_EQ(t.minute, 0);
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", -1.25), "1899/12/29 06:00");
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", -693593.75), "0001/01/01 18:00");
}

TEST(DateTimeTest, ValuesOutsideTheCalendarDecodeAsZero) {
  for (double v : {-693594.0, 2958466.0, 1e300, double{NAN}, double{INFINITY}}) {
    DateParts d = DecodeDate(v);
    EXPECT_EQ(d.year + d.month + d.day, 0) << v;
  }
  EXPECT_EQ(DateToStr8(NAN), "00000000");
}

TEST(DateTimeTest, NowAndTodayFollowTheLocalClock) {
  const time_t before = time(nullptr);
  const TDateTime now = Now();
  const TDateTime today = Today();
  const time_t after = time(nullptr);
  struct tm local;
  localtime_r(&before, &local);
  const TDateTime expectedBefore =
      EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
      EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, 0);
  const double secondsApart = (now - expectedBefore) * 86400.0;
  EXPECT_GE(secondsApart, -0.001);
  EXPECT_LE(secondsApart, static_cast<double>(after - before) + 1.001);
  EXPECT_EQ(today, std::floor(today));
  EXPECT_LE(today, now);
  EXPECT_LT(now - today, 1.0 + 2.0 / 86400.0);  // slack for a midnight between the calls
}

TEST(DateTimeTest, FormatDateTimePatterns) {
  const TDateTime value = EncodeDate(2008, 5, 1) + EncodeTime(14, 3, 9, 7);
  struct Case {
    const char* pattern;
    const char* expected;
  };
  const Case cases[] = {
      {"yyyy/mm/dd hh:nn:ss:zzz", "2008/05/01 14:03:09:007"},
      {"YYYY/MM/DD hh:nn:ss:zzz", "2008/05/01 14:03:09:007"},
      {"yyyymmddhhnnss", "20080501140309"},
      {"yyyymmdd", "20080501"},
      {"yyyymm", "200805"},
      {"yyyy", "2008"},
      {"yy-m-d", "08-5-1"},
      {"h:n:s.z", "14:3:9.7"},
      {"hh:mm", "14:03"},  // minutes right after an hour
      {"hh 'h' mm", "14 h 03"},
      {"mm/dd hh:mm mm", "05/01 14:03 05"},
      {"yyyy\"年\"mm\"月\"", "2008年05月"},
      {"'yyyy' yyyy", "yyyy 2008"},
      {"ddd dddd mmm mmmm", "Thu Thursday May May"},
      {"c", "2008/05/01 14:03:09"},
      {"", "2008/05/01 14:03:09"},
      {"ddddd", "2008/05/01"},
      {"[yyyy]", "[2008]"},
      {"'open", "open"},
      // A GBK character whose second byte is "d" stays a character.
      {"yyyy\x81\x64", "2008\x81\x64"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatDateTime(c.pattern, value), c.expected) << "pattern: " << c.pattern;
  }
  // "c" leaves out a time of midnight.
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2008, 5, 1)), "2008/05/01");
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd", 0), "1899/12/30");
}

TEST(DateTimeTest, SeparatorsComeFromTheSettings) {
  const TDateTime value = EncodeDate(2008, 5, 1) + EncodeTime(14, 3, 9, 7);
  FormatSettings settings;
  settings.dateSeparator = '-';
  settings.timeSeparator = '.';
  settings.shortDateFormat = "dd/mm/yyyy";
  settings.longTimeFormat = "hh:nn";
  EXPECT_EQ(FormatDateTime("YYYY/MM/DD hh:nn:ss:zzz", value, settings), "2008-05-01 14.03.09.007");
  EXPECT_EQ(FormatDateTime("c", value, settings), "01-05-2008 14.03");

  const FormatSettings& defaults = CurrentFormatSettings();
  EXPECT_EQ(defaults.dateSeparator, '/');
  EXPECT_EQ(defaults.timeSeparator, ':');
  EXPECT_EQ(defaults.shortDateFormat, "yyyy/mm/dd");
  EXPECT_EQ(defaults.longTimeFormat, "hh:nn:ss");

  const FormatSettings saved = defaults;
  SetFormatSettings(settings);
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd", value), "2008-05-01");
  EXPECT_EQ(CurrentFormatSettings().shortDateFormat, "dd/mm/yyyy");
  // A reference taken earlier stays usable after a change.
  EXPECT_EQ(defaults.shortDateFormat, "yyyy/mm/dd");
  SetFormatSettings(saved);
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd", value), "2008/05/01");
}

TEST(DateTimeTest, StorageForms) {
  const TDateTime value = EncodeDate(2008, 5, 1) + EncodeTime(14, 3, 9, 7);
  EXPECT_EQ(DateToStr8(value), "20080501");
  EXPECT_EQ(DateTimeToStr17(value), "20080501140309007");
  EXPECT_EQ(DateToStr8(EncodeDate(1753, 1, 1)), "17530101");
  EXPECT_EQ(DateTimeToStr17(EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 999)),
            "99991231235959999");
  EXPECT_EQ(DateTimeToStr17(EncodeDate(12, 3, 4)), "00120304000000000");
}

}  // namespace
}  // namespace pellor
