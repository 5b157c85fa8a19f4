#include "module/config/date_utils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace pevf {
namespace {

using pellor::EncodeDate;
using pellor::EncodeTime;

TEST(DateUtilsTest, DateToDisplayByOrder) {
  const pellor::TDateTime may1 = EncodeDate(2008, 5, 1);
  struct Case {
    int kind;
    const char* separator;
    const char* text;
  } cases[] = {
      {1, "/", "2008/05/01"}, {2, "-", "05-01-2008"}, {3, ".", "01.05.2008"},
      {4, "/", "97/05/01"},   {5, "/", "097/05/01"},  {1, "", "20080501"},
      {1, "/-", "2008/05/01"},  // only the first character separates
      {0, "/", ""},           {6, "/", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateToDisplay(c.kind, c.separator, may1), c.text) << "order " << c.kind;
  }
  EXPECT_EQ(DateToDisplay(1, "/", 0), "");
  EXPECT_EQ(DateToDisplay(5, "/", EncodeDate(1920, 1, 2)), "009/01/02");
}

TEST(DateUtilsTest, DateTimeToDisplayAppendsTheTime) {
  const pellor::TDateTime value = EncodeDate(2008, 5, 1) + EncodeTime(13, 4, 5, 6);
  EXPECT_EQ(DateTimeToDisplay(1, "/", value), "2008/05/01 13:04:05:006");
  EXPECT_EQ(DateTimeToDisplay(2, "/", value), "05/01/2008 13:04:05:006");
  EXPECT_EQ(DateTimeToDisplay(3, "-", value), "01-05-2008 13:04:05:006");
  EXPECT_EQ(DateTimeToDisplay(4, "/", value), "97/05/01 13:04:05:006");
  EXPECT_EQ(DateTimeToDisplay(5, "/", value), "097/05/01 13:04:05:006");
  EXPECT_EQ(DateTimeToDisplay(9, "/", value), "");
  EXPECT_EQ(DateTimeToDisplay(1, "/", 0), "");
}

TEST(DateUtilsTest, DisplayToDate) {
  struct Case {
    const char* text;
    int kind;
    const char* separator;
    pellor::TDateTime date;
  } cases[] = {
      {"2008/02/30", 1, "/", EncodeDate(2008, 3, 1)},  // the day carries over
      {"13/01/2008", 2, "/", 0},
      {"5/1/2008", 2, "/", EncodeDate(2008, 5, 1)},
      {" 1 / 5 / 2008 ", 3, "/", EncodeDate(2008, 5, 1)},
      {"97/05/01", 4, "/", EncodeDate(2008, 5, 1)},
      {"097-05-01", 5, "-", EncodeDate(2008, 5, 1)},
      {"2008/1/32767", 1, "/", EncodeDate(2008, 1, 1) + 32766},
      {"", 1, "/", 0},
      {"   ", 1, "/", 0},
      {"2008/0/1", 1, "/", 0},
      {"2008/-1/1", 1, "/", 0},
      {"2008/x/1", 1, "/", 0},
      {"2008/13/1", 1, "/", 0},
      {"2008/5", 1, "/", 0},
      {"2008/5/1", 6, "/", 0},
      {"20080501", 1, "", 0},
      {"10000/1/1", 1, "/", 0},
      // Fields were 16-bit once: 65537 must not wrap round to 1.
      {"65537/1/1", 1, "/", 0},
      {"2008/1/65537", 1, "/", 0},
      {"2008/1/40000", 1, "/", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DisplayToDate(c.text, c.kind, c.separator), c.date) << '"' << c.text << '"';
  }
  EXPECT_EQ(DateToDisplay(5, "/", DisplayToDate("97/05/01", 4, "/")), "097/05/01");
}

TEST(DateUtilsTest, DisplayToDate8) {
  struct Case {
    const char* text;
    int kind;
    const char* separator;
    const char* date8;
  } cases[] = {
      {"5/1/2008", 2, "/", "20080501"},  {"2008/5/1", 1, "/", "20080501"},
      {"1/5/2008", 3, "/", "20080501"},  {"97/5/1", 4, "/", "20080501"},
      {"097/5/1", 5, "/", "20080501"},   {"2008/5/1", 7, "/", "20080501"},
      {" 20080501 ", 1, "", "20080501"}, {"200805", 1, "", "0"},
      {"", 1, "/", "0"},                 {"2008/0/1", 1, "/", "0"},
      {"2008/x/1", 1, "/", "0"},         {"2008/5", 1, "/", "0"},
      {"2008/2/30", 1, "/", "20080230"},  // not checked against the calendar
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DisplayToDate8(c.text, c.kind, c.separator), c.date8) << '"' << c.text << '"';
  }
}

TEST(DateUtilsTest, Str8ToDateAndIsValidDate8) {
  EXPECT_EQ(Str8ToDate("20080501"), EncodeDate(2008, 5, 1));
  for (const char* bad : {"2008051", "200805011", "20080230", "00000101", "20080001",
                          "2008ab01", "2008 501", ""}) {
    EXPECT_EQ(Str8ToDate(bad), 0) << bad;
  }
  struct Case {
    const char* text;
    bool valid;
  } cases[] = {
      {"17521231", false}, {"17530101", true},  {"20080230", false}, {"", true},
      {"99991231", true},  {"18991230", true},  {"2008051", false},  {"2008 501", false},
      {"20081301", false}, {"20080229", true},  {"20070229", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidDate8(c.text), c.valid) << c.text;
}

TEST(DateUtilsTest, Str17ToDateTime) {
  EXPECT_EQ(Str17ToDateTime("20080501130405006"),
            EncodeDate(2008, 5, 1) + EncodeTime(13, 4, 5, 6));
  EXPECT_EQ(Str17ToDateTime("200805011304"), EncodeDate(2008, 5, 1) + EncodeTime(13, 4, 0, 0));
  EXPECT_EQ(Str17ToDateTime("20080501"), EncodeDate(2008, 5, 1));
  // Without a whole date only the time is left.
  EXPECT_EQ(Str17ToDateTime("00000000130405006"), EncodeTime(13, 4, 5, 6));
  EXPECT_EQ(Str17ToDateTime("20080001130000000"), EncodeTime(13, 0, 0, 0));
  EXPECT_EQ(Str17ToDateTime(""), 0);
  EXPECT_EQ(Str17ToDateTime("20081301000000000"), 0);
  EXPECT_EQ(Str17ToDateTime("20080501250000000"), 0);

  // Before 1899-12-30 the time must still run forward within the day.
  pellor::TDateTime old = Str17ToDateTime("18991229120000000");
  pellor::DateParts date = pellor::DecodeDate(old);
  EXPECT_EQ(date.year, 1899);
  EXPECT_EQ(date.month, 12);
  EXPECT_EQ(date.day, 29);
  EXPECT_EQ(pellor::DecodeTime(old).hour, 12);
}

TEST(DateUtilsTest, RoundFloatRoundsHalvesAwayFromZero) {
  struct Case {
    int decimals;
    double value;
    double rounded;
  } cases[] = {
      {2, 2.675, 2.68},  {0, -0.5, -1},    {0, 0.5, 1},         {2, 1.005, 1.01},
      {1, -2.25, -2.3},  {0, 2.4, 2},      {3, 1.0005, 1.001},  {-1, 2.5, 3},
      {2, 1e20, 1e20},   {2, -1e300, -1e300}, {2, 123456789012345.67, 123456789012346},
      {4, 0.1 + 0.2, 0.3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RoundFloat(c.decimals, c.value), c.rounded) << c.value << " to " << c.decimals;
  }
  EXPECT_FALSE(std::signbit(RoundFloat(0, -0.4)));
  EXPECT_FALSE(std::signbit(RoundFloat(2, 0.0)));
  EXPECT_EQ(RoundFloat(2, std::numeric_limits<double>::infinity()),
            std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(RoundFloat(2, std::nan(""))));
}

TEST(DateUtilsTest, CompareFloat) {
  EXPECT_EQ(CompareFloat(1.00000000001, 1), 0);
  EXPECT_EQ(CompareFloat(0.1 + 0.2, 0.3), 0);
  EXPECT_EQ(CompareFloat(1.000000001, 1), 1);
  EXPECT_EQ(CompareFloat(1, 2), -1);
  EXPECT_EQ(CompareFloat(-3, -4), 1);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(CompareFloat(inf, inf), 0);
  EXPECT_EQ(CompareFloat(1, inf), -1);
}

TEST(DateUtilsTest, AddDurations) {
  using Pair = std::pair<int64_t, std::string>;
  const Pair kDefault(0, "000:00:00");
  EXPECT_EQ(AddDurations("001:30:00", "000:45:30", 1), Pair(8130, "0002:15:30"));
  EXPECT_EQ(AddDurations("001:30:00", "000:45:30", -1), Pair(2670, "0000:44:30"));
  EXPECT_EQ(AddDurations(" 000:00:10 ", "000:01:00", -1), Pair(-50, "-0000:00:50"));
  EXPECT_EQ(AddDurations("12345:00:00", "000:00:01", 1), Pair(44442001, "12345:00:01"));
  for (const char* bad : {"1:30:00", "001:30:0a", "001:30:00:00", "00130000", "001:30:-1",
                          "-01:30:00", "99999999999999999:00:00"}) {
    EXPECT_EQ(AddDurations(bad, "000:45:30", 1), kDefault) << bad;
    EXPECT_EQ(AddDurations("000:45:30", bad, 1), kDefault) << bad;
  }
  EXPECT_EQ(AddDurations("001:30:00", "000:45:30", 0), kDefault);
  EXPECT_EQ(AddDurations("001:30:00", "000:45:30", 2), kDefault);
}

TEST(DateUtilsTest, SecondsToDuration) {
  EXPECT_EQ(SecondsToDuration(0), "0000:00:00");
  EXPECT_EQ(SecondsToDuration(-61), "-0000:01:01");
  EXPECT_EQ(SecondsToDuration(8130), "0002:15:30");
  EXPECT_EQ(SecondsToDuration(36000000), "10000:00:00");
  EXPECT_EQ(SecondsToDuration(std::numeric_limits<int64_t>::min()),
            "-2562047788015215:30:08");
}

TEST(DateUtilsTest, VarIifAndVarIsBlank) {
  EXPECT_EQ(VarIif(true, pellor::Variant(1), pellor::Variant("b")), pellor::Variant(1));
  EXPECT_EQ(VarIif(false, pellor::Variant(1), pellor::Variant("b")), pellor::Variant("b"));
  EXPECT_TRUE(VarIsBlank(pellor::Variant()));
  EXPECT_TRUE(VarIsBlank(pellor::Variant::Null()));
  EXPECT_FALSE(VarIsBlank(pellor::Variant("")));
  EXPECT_FALSE(VarIsBlank(pellor::Variant(0)));
}

}  // namespace
}  // namespace pevf
