#include "platform/rtl/strutils.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/rtl/errors.h"

namespace pellor {
namespace {

TEST(StrUtilsTest, TrimDropsControlBytesAndBlanksOnly) {
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \x01"), "  a");
  // Bytes above 0x7F are text (double-byte characters), never trimmed.
  EXPECT_EQ(Trim(" \xD6\xD0\xA1 "), "\xD6\xD0\xA1");
  EXPECT_EQ(Trim("   "), "");
}

TEST(StrUtilsTest, CaseFoldingLeavesDoubleByteCharactersAlone) {
  EXPECT_EQ(UpperCase("abc-Xyz"), "ABC-XYZ");
  EXPECT_EQ(LowerCase("ABC-xYZ"), "abc-xyz");
  // 0x81 0x61 is one GBK character whose second byte looks like 'a'.
  EXPECT_EQ(UpperCase("a\x81\x61" "b"), "A\x81\x61" "B");
  EXPECT_EQ(LowerCase("\x81\x41Z"), "\x81\x41z");
  EXPECT_FALSE(SameText("\x81\x61", "\x81\x41"));
  EXPECT_NE(CompareText("\x81\x61", "\x81\x41"), 0);
  EXPECT_TRUE(SameText("\x81\x61x", "\x81\x61X"));
}

TEST(StrUtilsTest, CompareTextOrdersWithoutCase) {
  EXPECT_TRUE(SameText("MF001", "mf001"));
  EXPECT_FALSE(SameText("MF001", "MF0011"));
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abd", "ABC"), 0);
  EXPECT_LT(CompareText("ab", "ABC"), 0);
  EXPECT_GT(CompareText("b", "ABC"), 0);
  // Bytes compare unsigned: a double-byte character sorts after ASCII.
  EXPECT_GT(CompareText("\xB0\xA1", "z"), 0);
  EXPECT_TRUE(StartsText("sel", "SELECT 1"));
  EXPECT_FALSE(StartsText("select", "sel"));
}

TEST(StrUtilsTest, IntegersParseDecimalAndHex) {
  struct Case {
    const char* text;
    std::optional<int> value;
  };
  const Case cases[] = {
      {"42", 42},
      {" -7 ", -7},
      {"+5", 5},
      {"$FF", 255},
      {"0x1F", 31},
      {"0X1f", 31},
      {"-$10", -16},
      // Hexadecimal texts are bit patterns, as colour values are written.
      {"$8000000F", -2147483633},
      {"$FFFFFFFF", -1},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"$1FFFFFFFF", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"-", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"1.5", std::nullopt},
      {"12a", std::nullopt},
      {"1 2", std::nullopt},
      {"$FG", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TryStrToInt(c.text), c.value) << "text: '" << c.text << "'";
  }
  EXPECT_EQ(TryStrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(TryStrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(TryStrToInt64("9223372036854775808"), std::nullopt);
  EXPECT_EQ(TryStrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(TryStrToInt64("4294967296"), int64_t{4294967296});

  EXPECT_EQ(StrToIntDef("x", -3), -3);
  EXPECT_EQ(StrToInt(" 12 "), 12);
  try {
    StrToInt("12x");
    FAIL() << "StrToInt accepted 12x";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'12x' is not a valid integer value");
  }
  EXPECT_EQ(IntToStr(-9223372036854775807 - 1), "-9223372036854775808");
  EXPECT_EQ(IntToStr(0), "0");
}

TEST(StrUtilsTest, FloatsParseOnlyPlainDecimalText) {
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"1.5", 1.5},      {" -2 ", -2.0},     {"+3", 3.0},        {"1e3", 1000.0},
      {"1E-2", 0.01},    {"2.5e+1", 25.0},   {".5", 0.5},        {"5.", 5.0},
      {"-0", -0.0},      {"007.50", 7.5},    {"1e-400", 0.0},    {"", std::nullopt},
      {" ", std::nullopt}, {"1,000", std::nullopt}, {"abc", std::nullopt},
      {"1.2.3", std::nullopt}, {"0x1p3", std::nullopt}, {"0x10", std::nullopt},
      {"inf", std::nullopt}, {"-INF", std::nullopt}, {"nan", std::nullopt},
      {"infinity", std::nullopt}, {"1e", std::nullopt}, {"1e+", std::nullopt},
      {"-", std::nullopt}, {".", std::nullopt}, {"e5", std::nullopt},
      {"1e400", std::nullopt}, {"1 5", std::nullopt}, {"--1", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TryStrToFloat(c.text), c.value) << "text: '" << c.text << "'";
  }
  EXPECT_DOUBLE_EQ(*TryStrToFloat("0.1"), 0.1);
  EXPECT_THROW(StrToFloat("1,5"), EConvertError);
}

TEST(StrUtilsTest, FloatToStrUsesFifteenDigitsInGeneralFormat) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.0, "1"},
      {-1.5, "-1.5"},
      {100.0, "100"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {1234567.891, "1234567.891"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {-1.5e-7, "-1.5E-7"},
      {1e14, "100000000000000"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1.5e20, "1.5E20"},
      {999999999999999.9, "1E15"},
      {1.23456789012345678, "1.23456789012346"},
      {2.675, "2.675"},
      {NAN, "NAN"},
      {INFINITY, "INF"},
      {-INFINITY, "-INF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FloatToStr(c.value), c.text) << "value " << c.value;
  }
  // What FloatToStr writes reads back to the same 15 digits.
  for (double v : {0.1, 1.0 / 7.0, 12345.678901, 1e-300, 9.87654321e250}) {
    EXPECT_EQ(FloatToStr(*TryStrToFloat(FloatToStr(v))), FloatToStr(v));
  }
}

TEST(StrUtilsTest, ReplaceAndSplit) {
  EXPECT_EQ(StringReplaceAll("a.b.c", ".", "::"), "a::b::c");
  EXPECT_EQ(StringReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(StringReplaceAll("Abc", "a", "x"), "Abc");
  EXPECT_EQ(StringReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(SplitString("a;;b;", ";"), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(SplitString("", ";"), (std::vector<std::string>{""}));
  EXPECT_EQ(SplitString("a||b", "||"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitString("a;b", ""), (std::vector<std::string>{"a;b"}));
}

class FileBytesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/strutils_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string dir_;
};

TEST_F(FileBytesTest, WritesAndReadsBytesExactly) {
  const std::string path = dir_ + "/a.ini";
  const std::string bytes("line\r\n\0\xFF\xD6\xD0", 10);
  WriteFileBytes(path, bytes);
  EXPECT_EQ(ReadFileBytes(path), bytes);
  WriteFileBytes(path, "short");
  EXPECT_EQ(ReadFileBytes(path), "short");
  WriteFileBytes(path, "");
  EXPECT_EQ(ReadFileBytes(path), "");
  // No temporary file is left behind.
  EXPECT_EQ(std::system(("test $(ls -A '" + dir_ + "' | wc -l) -eq 1").c_str()), 0);
}

TEST_F(FileBytesTest, RewriteKeepsPermissionsAndFollowsLinks) {
  const std::string path = dir_ + "/conf";
  WriteFileBytes(path, "1");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  WriteFileBytes(path, "2");
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  const std::string link = dir_ + "/link";
  ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
  WriteFileBytes(link, "3");
  EXPECT_EQ(ReadFileBytes(path), "3");
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(FileBytesTest, FailuresAreReported) {
  EXPECT_EQ(ReadFileBytes(dir_ + "/missing"), std::nullopt);
  EXPECT_EQ(ReadFileBytes(dir_), std::nullopt);  // a folder is no file
  try {
    WriteFileBytes(dir_ + "/no/such/folder/x", "data");
    FAIL() << "writing into a missing folder succeeded";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Code(), ENOENT);
    EXPECT_NE(std::string(e.what()).find(dir_ + "/no/such/folder/x"), std::string::npos);
  }
}

}  // namespace
}  // namespace pellor
