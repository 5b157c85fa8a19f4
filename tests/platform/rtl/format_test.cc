#include "platform/rtl/format.h"

#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "platform/rtl/errors.h"

namespace pellor {
namespace {

struct FormatCase {
  const char* pattern;
  std::vector<Variant> args;
  const char* expected;
};

TEST(FormatTest, DateAndLogPatternsOfTheUtilities) {
  const FormatCase cases[] = {
      {"%.4d%s%.2d%s%.2d", {2008, "/", 5, "/", 1}, "2008/05/01"},
      {"%.2d%s%.2d%s%.4d", {5, "-", 1, "-", 2008}, "05-01-2008"},
      {"%.2d%s%.2d%s%.2d", {97, "/", 5, "/", 1}, "97/05/01"},
      {"%.3d%s%.2d%s%.2d", {97, "/", 5, "/", 1}, "097/05/01"},
      {"%.3d%s%.2d%s%.2d", {97, "", 5, "", 1}, "0970501"},
      {"%.4d%s%.2d%s%.2d %.2d:%.2d:%.2d:%.3d",
       {2008, "/", 5, "/", 1, 14, 3, 9, 7},
       "2008/05/01 14:03:09:007"},
      {"%.2d%s%.2d%s%.4d %.2d:%.2d:%.2d:%.3d",
       {5, ".", 1, ".", 2008, 0, 0, 0, 0},
       "05.01.2008 00:00:00:000"},
      {"%.3d%s%.2d%s%.2d %.2d:%.2d:%.2d:%.3d",
       {97, "/", 12, "/", 31, 23, 59, 59, 999},
       "097/12/31 23:59:59:999"},
      {"%.*d", {4, 7}, "0007"},
      {"%.*d", {2, 2008}, "2008"},
      {"%.4d:%.2d:%.2d", {2, 15, 30}, "0002:15:30"},
      {"-%.4d:%.2d:%.2d", {0, 1, 1}, "-0000:01:01"},
      {"%.2x%.2x", {10, 255}, "0AFF"},
      {"EDBEngineError Error %.2d: Code: %d, Message: %s",
       {1, 13059, "Key violation"},
       "EDBEngineError Error 01: Code: 13059, Message: Key violation"},
      {"EWin32Error Error %.2d: Code: %d, Message: %s",
       {1, 5, "Access denied"},
       "EWin32Error Error 01: Code: 5, Message: Access denied"},
      {"Exception is %s\r\nMessage %.2d: ", {"EConvertError", 1},
       "Exception is EConvertError\r\nMessage 01: "},
      {"ErrorMessage Count: %d", {3}, "ErrorMessage Count: 3"},
      {"select NT001,NT002 from WARRANT where UPPER(NT001) like '%S' order by NT002",
       {"%PEVF07%"},
       "select NT001,NT002 from WARRANT where UPPER(NT001) like '%PEVF07%' order by NT002"},
      {"Search string \"%s\" not found", {"abc"}, "Search string \"abc\" not found"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(Format(c.pattern, c.args), c.expected) << "pattern: " << c.pattern;
  }
}

TEST(FormatTest, IntegerConversions) {
  const FormatCase cases[] = {
      {"%d", {0}, "0"},
      {"%.0d", {0}, "0"},
      {"%d", {-42}, "-42"},
      {"%.2d", {-5}, "-05"},
      {"%.3d", {1234}, "1234"},
      {"%5d|%-5d|", {42, 42}, "   42|42   |"},
      {"%5.3d", {7}, "  007"},
      {"%*d|%-*d|", {4, 7, 3, 8}, "   7|8  |"},
      {"%*d|", {-3, 9}, "9  |"},
      {"%d", {int64_t{-9223372036854775807LL - 1}}, "-9223372036854775808"},
      {"%d", {int64_t{1} << 40}, "1099511627776"},
      {"%u", {42}, "42"},
      {"%u", {-1}, "4294967295"},
      {"%x", {255}, "FF"},
      {"%X", {255}, "FF"},
      {"%.2x", {5}, "05"},
      {"%x", {-1}, "FFFFFFFF"},
      {"%x", {int64_t{1} << 40}, "10000000000"},
      {"%x", {int64_t{-1} << 40}, "FFFFFF0000000000"},
      {"%p", {255}, "000000FF"},
      {"100%%", {}, "100%"},
      {"%d%%", {50}, "50%"},
      {"", {}, ""},
      {"no placeholders", {1}, "no placeholders"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(Format(c.pattern, c.args), c.expected) << "pattern: " << c.pattern;
  }
}

TEST(FormatTest, TextConversions) {
  const FormatCase cases[] = {
      {"%s", {"\xD6\xD0\xCE\xC4"}, "\xD6\xD0\xCE\xC4"},
      {"[%10s]", {"abc"}, "[       abc]"},
      {"[%-10s]", {"abc"}, "[abc       ]"},
      {"[%.2s]", {"abcdef"}, "[ab]"},
      {"[%5.2s]", {"abcdef"}, "[   ab]"},
      {"%1:s %0:s %s", {"a", "b"}, "b a b"},
      {"%0:s-%0:s", {"x"}, "x-x"},
      {"%1:-4s|", {"a", "b"}, "b   |"},
      {"%s", {std::u16string(u"wide")}, "wide"},
      // Message placeholders are filled from tagged arguments of any scalar kind.
      {"%s|%s|%s|%s", {42, 1.5, true, int64_t{-7}}, "42|1.5|True|-7"},
      {"[%s][%s]", {Variant(), Variant::Null()}, "[][]"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(Format(c.pattern, c.args), c.expected) << "pattern: " << c.pattern;
  }
  EXPECT_EQ(Format("%s", {std::string("a\0b", 3)}), std::string("a\0b", 3));
}

TEST(FormatTest, FloatConversions) {
  const FormatCase cases[] = {
      {"%f", {1234.5}, "1234.50"},
      {"%.0f", {2.5}, "3"},
      {"%.0f", {-0.5}, "-1"},
      {"%.2f", {-0.001}, "0.00"},
      {"%.2f", {-0.0}, "0.00"},
      {"%.3f", {7}, "7.000"},
      {"%.1f", {0.05}, "0.1"},
      {"%8.2f|", {3.14159}, "    3.14|"},
      {"%3.2f%%", {5.125}, "5.13%"},
      {"%3.2f%%", {0.5}, "0.50%"},
      // 2.675 is stored as 2.67499999999999982...: its 18-digit form rounds down.
      {"%.*f", {2, 2.675}, "2.67"},
      {"%.*f", {2, 2.675 + 1e-12}, "2.68"},
      {"%.2f", {1e20}, "100000000000000000000.00"},
      {"%n", {1234567.891}, "1,234,567.89"},
      {"%.0n", {1234567.891}, "1,234,568"},
      {"%n", {-1234.5}, "-1,234.50"},
      {"%.1n", {999.96}, "1,000.0"},
      {"%n", {0.5}, "0.50"},
      {"%m", {1234567.891}, "1,234,567.89"},
      {"%.0m", {-1500}, "-1,500"},
      {"%e", {1234.5}, "1.23450000000000E+003"},
      {"%.3e", {1234.5}, "1.23E+003"},
      {"%.2e", {-1e-10}, "-1.0E-010"},
      {"%e", {0.0}, "0.00000000000000E+000"},
      {"%.1e", {9.6}, "1E+001"},
      {"%g", {1234.5}, "1234.5"},
      {"%g", {0.00001}, "1E-5"},
      {"%.3g", {1234.5}, "1.23E3"},
      {"%g", {0.1 + 0.2}, "0.3"},
      {"%f", {NAN}, "NAN"},
      {"%.2f", {-INFINITY}, "-INF"},
      {"%.4f", {Variant::Date(39569.5)}, "39569.5000"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(Format(c.pattern, c.args), c.expected) << "pattern: " << c.pattern;
  }
}

TEST(FormatTest, WrongOrMissingArgumentsRaise) {
  struct ErrorCase {
    const char* pattern;
    std::vector<Variant> args;
    const char* message;
  };
  const ErrorCase cases[] = {
      {"%d", {"12"}, "Format '%d' invalid or incompatible with argument"},
      {"%d", {1.5}, "Format '%d' invalid or incompatible with argument"},
      {"%d", {true}, "Format '%d' invalid or incompatible with argument"},
      {"%x", {2.0}, "Format '%x' invalid or incompatible with argument"},
      {"%.2f", {"1.5"}, "Format '%.2f' invalid or incompatible with argument"},
      {"%f", {true}, "Format '%f' invalid or incompatible with argument"},
      {"%s", {Variant::ArrayOf({1, 2})}, "Format '%s' invalid or incompatible with argument"},
      {"%.*d", {"2", 5}, "Format '%.*d' invalid or incompatible with argument"},
      {"a %z", {1}, "Format 'a %z' invalid or incompatible with argument"},
      {"100%", {}, "Format '100%' invalid or incompatible with argument"},
      {"%5", {1}, "Format '%5' invalid or incompatible with argument"},
      {"%99999999d", {1}, "Format '%99999999d' invalid or incompatible with argument"},
      {"%s %s", {"a"}, "No argument for format '%s %s'"},
      {"%d", {}, "No argument for format '%d'"},
      {"%3:s", {"a"}, "No argument for format '%3:s'"},
      {"%.*d", {2}, "No argument for format '%.*d'"},
  };
  for (const ErrorCase& c : cases) {
    try {
      Format(c.pattern, c.args);
      ADD_FAILURE() << "no error for pattern " << c.pattern;
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

struct FloatCase {
  double value;
  const char* pattern;
  const char* expected;
};

TEST(FormatFloatTest, NumberDisplayFormats) {
  const FloatCase cases[] = {
      {1234567.891, "#,##0.00", "1,234,567.89"},
      {0.0, "#,##0.00", "0.00"},
      {-1234.5, "#,##0.00", "-1,234.50"},
      {999.995, "#,##0.00", "1,000.00"},
      {1234.5, "#,##0.#######", "1,234.5"},
      {1234.0, "#,##0.#######", "1,234"},
      {0.1 + 0.2, "##0.#######", "0.3"},
      {1.0 / 3.0, "##0.#######", "0.3333333"},
      {12.0, "##0", "12"},
      {1234567.0, "##0", "1234567"},
      {0.0, "##0.##", "0"},
      {1.5, "##0.###", "1.5"},
      {1234.5678, "#,##0.000", "1,234.568"},
      {1234.5678, "###0.00", "1234.57"},
      {1234.5678, "###0.###", "1234.568"},
      {1.5, "##0.", "2"},  // "#%s##0.%s" with no decimals
      {1234.5, "#,##0.00_ ", "1,234.50_ "},
      {0.256, "0.00%", "0.26%"},
      {7.0, "000", "007"},
      {-7.0, "000", "-007"},
      {1.5, ".00", "1.50"},
      {0.5, "#.##", ".5"},
      {1e20, "#,##0", "100,000,000,000,000,000,000"},
      {123456.0, "#,#", "123,456"},
      {1234.5, "", "1234.5"},
      {0.00001, "", "1E-5"},
      {NAN, "#,##0", "NAN"},
  };
  for (const FloatCase& c : cases) {
    EXPECT_EQ(FormatFloat(c.pattern, c.value), c.expected)
        << "pattern '" << c.pattern << "' value " << c.value;
  }
}

TEST(FormatFloatTest, RoundsHalfAwayFromZeroOnEighteenDigits) {
  const FloatCase cases[] = {
      {0.5, "#", "1"},
      {0.5, "0", "1"},
      {-0.5, "0", "-1"},
      {2.5, "0", "3"},
      {0.125, "0.00", "0.13"},  // exact in binary: a true half
      {-0.125, "0.00", "-0.13"},
      {2.675, "0.00", "2.67"},  // 2.67499999999999982...
      {2.675 + 1e-12, "0.00", "2.68"},
      {1.0005, "##0.###", "1"},  // 1.000499999999999989...
      {0.0, "#", ""},
      {0.4, "#", ""},
      {-0.004, "0.00", "0.00"},  // no minus on a zero result
      {-0.004, "#,##0.00", "0.00"},
      {9.9999, "0.00", "10.00"},
  };
  for (const FloatCase& c : cases) {
    EXPECT_EQ(FormatFloat(c.pattern, c.value), c.expected)
        << "pattern '" << c.pattern << "' value " << c.value;
  }
}

TEST(FormatFloatTest, SectionsLiteralsAndExponents) {
  const FloatCase cases[] = {
      {-5.0, "0.00;(0.00)", "(5.00)"},
      {5.0, "0.00;(0.00)", "5.00"},
      {0.0, "0.00;(0.00);'zero'", "zero"},
      {-0.001, "0.00;(0.00);\"nil\"", "nil"},  // rounds to zero: the zero section
      {-0.001, "0.00;(0.00)", "0.00"},
      {-0.0001, "0.0000;(0.00)", "0.0000"},
      {-5.0, "0.00;", "-5.00"},  // an empty negative section is no section
      {-1234.5, "#,##0.00_);(#,##0.00)", "(1,234.50)"},
      {1234.5, "#,##0.00_);(#,##0.00)", "1,234.50_)"},
      {-2.0, "#,##0.00_ ;-#,##0.00 ", "-2.00 "},
      {1234.5, "\"$\"#,##0.00", "$1,234.50"},
      {7.0, "'Total: '0", "Total: 7"},
      {5.0, "\"#0;\"0", "#0;5"},
      {-5.0, "\"a;b\"0;\"neg\"0", "neg5"},
      {1234.5, "0.00E+00", "1.23E+03"},
      {0.00012345, "0.00E+00", "1.23E-04"},
      {1234.5, "0.00E-00", "1.23E03"},
      {1234.5, "0.00e+0", "1.23e+3"},
      {0.0, "0.00E+00", "0.00E+00"},
      {-1234.5, "0.00E+00", "-1.23E+03"},
      {9.999, "0.00E+00", "1.00E+01"},
      {1234.5, "00.0E+00", "12.3E+02"},
      {1e100, "0.0E+0", "1.0E+100"},
      // A GBK character whose second byte is "E" is copied, not an exponent.
      {5.0, "0\x81" "E+", "5\x81" "E+"},
  };
  for (const FloatCase& c : cases) {
    EXPECT_EQ(FormatFloat(c.pattern, c.value), c.expected)
        << "pattern '" << c.pattern << "' value " << c.value;
  }
}

}  // namespace
}  // namespace pellor
