#include "platform/rtl/codepage.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/rtl/temp_dir.h"

namespace pellor {
namespace {

// The bytes of "评核因素" in code page 936 and of "評核因素" in code page 950
// (the fourth Big5 character has 0x5D as its second byte).
const std::string kGbText = "\xC6\xC0\xBA\xCB\xD2\xF2\xCB\xD8";
const std::string kBig5Text = "\xB5\xFB\xAE\xD6\xA6\x5D\xAF\xC0";

struct RoundTrip {
  int codePage;
  std::string utf8;
  std::string bytes;
};

TEST(CodePageTest, RoundTripsRealText) {
  const RoundTrip cases[] = {
      {kCodePageGB, "评核因素", kGbText},
      {kCodePageGB, "A€b", "A\x80"
                          "b"},  // 936 keeps the euro sign in one byte
      {kCodePageBig5, "評核因素", kBig5Text},
      {kCodePageBig5, "€", "\xA3\xE1"},
      {kCodePageEnglish, "é½", "\x82\xAB"},
      {kCodePageUtf8, "评核", "评核"},
      {kCodePageGB, "", ""},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(testing::Message() << c.codePage << " " << c.utf8);
    std::u16string wide = Utf8ToWide(c.utf8);
    EXPECT_EQ(WideToAnsi(wide, c.codePage), c.bytes);
    EXPECT_EQ(AnsiToWide(c.bytes, c.codePage), wide);
    EXPECT_EQ(TryWideToAnsi(wide, c.codePage), c.bytes);
    EXPECT_EQ(TryAnsiToWide(c.bytes, c.codePage), wide);
    EXPECT_EQ(ConvertCodePage(c.bytes, c.codePage, kCodePageUtf8), c.utf8);
    EXPECT_EQ(WideToUtf8(wide), c.utf8);
  }
  EXPECT_EQ(Utf8ToWide("评核因素"), u"评核因素");
  EXPECT_EQ(Utf8ToWide("a😀"), u"a😀");  // a surrogate pair
}

TEST(CodePageTest, ConvertsBetweenChineseCodePages) {
  // "核因素" exists in both; the simplified "评" has no Big5 code.
  EXPECT_EQ(ConvertCodePage("\xD2\xF2\xCB\xD8", kCodePageGB, kCodePageBig5), "\xA6\x5D\xAF\xC0");
  EXPECT_EQ(ConvertCodePage(kGbText, kCodePageGB, kCodePageBig5), "?\xAE\xD6\xA6\x5D\xAF\xC0");
  EXPECT_EQ(ConvertCodePage("\x80", kCodePageGB, kCodePageBig5), "\xA3\xE1");
  EXPECT_EQ(ConvertCodePage(kBig5Text, kCodePageBig5, kCodePageBig5), kBig5Text);
}

TEST(CodePageTest, UndecodableBytesBecomeReplacementCharacters) {
  struct Case {
    int codePage;
    std::string bytes;
    std::u16string wide;
  };
  const Case cases[] = {
      {kCodePageGB, "A\xFF"
                    "B",
       u"A\uFFFDB"},
      {kCodePageGB, "AB\xC6", u"AB\uFFFD"},              // lone lead byte at the end
      {kCodePageGB, "\xC6 x", u"\uFFFD x"},              // lead byte with a bad second byte
      {kCodePageGB, "\xC6\xC0\xC6", u"评\uFFFD"},
      {kCodePageBig5, "\xFF\xB5\xFB", u"\uFFFD評"},
      {kCodePageBig5, "\xB5\xFB\xB5", u"評\uFFFD"},
      {kCodePageUtf8, "a\xFF\xE8\xAF", u"a\uFFFD\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.codePage << " case " << (&c - cases));
    EXPECT_EQ(AnsiToWide(c.bytes, c.codePage), c.wide);
    EXPECT_EQ(TryAnsiToWide(c.bytes, c.codePage), std::nullopt);
  }
  EXPECT_EQ(ConvertCodePage("A\xFF", kCodePageGB, kCodePageUtf8), "A\xEF\xBF\xBD");
}

TEST(CodePageTest, UnencodableCharactersBecomeQuestionMarks) {
  struct Case {
    int codePage;
    std::u16string wide;
    std::string bytes;
  };
  const Case cases[] = {
      {kCodePageEnglish, u"a评b", "a?b"},
      {kCodePageBig5, u"评核", "?\xAE\xD6"},
      {kCodePageGB, u"x😀y", "x?y"},                 // one "?" for the surrogate pair
      {kCodePageGB, std::u16string(u"a\xD800"), "a?"},  // broken surrogate at the end
      {kCodePageGB, std::u16string(u"\xDC00z"), "?z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.codePage << " case " << (&c - cases));
    EXPECT_EQ(WideToAnsi(c.wide, c.codePage), c.bytes);
    EXPECT_EQ(TryWideToAnsi(c.wide, c.codePage), std::nullopt);
  }
  EXPECT_EQ(WideToUtf8(std::u16string(u"a\xD800")), "a\xEF\xBF\xBD");
}

TEST(CodePageTest, UnknownCodePage) {
  EXPECT_EQ(TryAnsiToWide("abc", 12345), std::nullopt);
  EXPECT_EQ(TryWideToAnsi(u"abc", 12345), std::nullopt);
  EXPECT_EQ(AnsiToWide("a\x90", 12345), u"a\uFFFD");
  EXPECT_EQ(WideToAnsi(u"a评😀", 12345), "a??");
}

TEST(CodePageTest, Cp936TurnsUtf8LiteralsIntoGbBytes) {
  EXPECT_EQ(Cp936("评核因素"), kGbText);
  EXPECT_EQ(Cp936("确定(&Y)"), "\xC8\xB7\xB6\xA8(&Y)");
  EXPECT_EQ(Cp936("評한"), "\xD4\x75?");  // GBK has the traditional form, no Hangul
}

TEST(CodePageTest, LeadBytes) {
  for (int codePage : {kCodePageGB, kCodePageBig5}) {
    EXPECT_FALSE(IsLeadByte(0x41, codePage));
    EXPECT_FALSE(IsLeadByte(0x80, codePage));
    EXPECT_TRUE(IsLeadByte(0x81, codePage));
    EXPECT_TRUE(IsLeadByte(0xA6, codePage));
    EXPECT_TRUE(IsLeadByte(0xFE, codePage));
    EXPECT_FALSE(IsLeadByte(0xFF, codePage));
  }
  EXPECT_FALSE(IsLeadByte(0xA6, kCodePageEnglish));
  EXPECT_FALSE(IsLeadByte(0xE8, kCodePageUtf8));
}

// Each thread needs its own descriptors: a shared one would mix the state of
// conversions running side by side. A build with -fsanitize=thread reports a
// shared descriptor at once; a plain build sees wrong or crashed conversions.
TEST(CodePageTest, ConvertsInManyThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 3000; ++i) {
        if (t % 2 == 0) {
          if (AnsiToWide(kGbText, kCodePageGB) != u"评核因素") ++failures[t];
          if (WideToAnsi(u"評核因素", kCodePageBig5) != kBig5Text) ++failures[t];
        } else {
          if (AnsiToWide(kBig5Text, kCodePageBig5) != u"評核因素") ++failures[t];
          if (WideToAnsi(u"评核因素", kCodePageGB) != kGbText) ++failures[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

class SystemCodePageTest : public testing::Test {
 protected:
  void UseStore(std::string_view content) {
    test::WriteTestFile(store_, content);
  }

  test::ScopedTempDir dir_;
  std::string store_ = dir_.File("registry.ini");
  // The machine's own store must not decide the outcome.
  test::ScopedEnv registry_{"PELLOR_REGISTRY", store_};
  test::ScopedEnv lcAll_{"LC_ALL", std::nullopt};
  test::ScopedEnv lcCtype_{"LC_CTYPE", std::nullopt};
  test::ScopedEnv lang_{"LANG", std::nullopt};
};

TEST_F(SystemCodePageTest, FollowsTheLocaleCodeset) {
  const std::pair<const char*, int> cases[] = {
      {"zh_CN.GBK", 936},        {"zh_CN.gb18030", 936},   {"zh_CN.GB2312", 936},
      {"zh_CN", 936},            {"zh_TW.BIG5", 950},      {"zh_HK.BIG5-HKSCS", 950},
      {"zh_TW.cp950@euro", 950}, {"zh_CN.UTF-8", 437},     {"C.UTF-8", 437},
      {"C", 437},                {"en_US.ISO-8859-1", 437}, {"", 437},
  };
  for (const auto& [locale, codePage] : cases) {
    test::ScopedEnv lang("LANG", locale);
    EXPECT_EQ(SystemCodePage(), codePage) << locale;
  }
}

TEST_F(SystemCodePageTest, LcAllAndLcCtypeComeBeforeLang) {
  test::ScopedEnv lang("LANG", "C.UTF-8");
  {
    test::ScopedEnv ctype("LC_CTYPE", "zh_TW.BIG5");
    EXPECT_EQ(SystemCodePage(), 950);
    test::ScopedEnv all("LC_ALL", "zh_CN.GBK");
    EXPECT_EQ(SystemCodePage(), 936);
  }
  test::ScopedEnv emptyAll("LC_ALL", "");  // empty counts as unset
  EXPECT_EQ(SystemCodePage(), 437);
}

TEST_F(SystemCodePageTest, StoreValueWins) {
  test::ScopedEnv lang("LANG", "zh_CN.GBK");
  const std::pair<const char*, int> cases[] = {
      {"950", 950}, {" 936 ", 936}, {"437", 437}, {"1252", 437}, {"65001", 437},
      {"", 936},  // not a number: the locale decides
      {"Big5", 936},
  };
  for (const auto& [value, codePage] : cases) {
    UseStore(std::string("[Software\\QRN\\Pellor]\r\nSystemCodePage=") + value + "\r\n");
    EXPECT_EQ(SystemCodePage(), codePage) << value;
  }
  // The value counts only in the suite's own key.
  UseStore("[Software\\QRN\\Other]\r\nSystemCodePage=950\r\n");
  EXPECT_EQ(SystemCodePage(), 936);
}

}  // namespace
}  // namespace pellor
