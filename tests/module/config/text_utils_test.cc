#include "module/config/text_utils.h"

#include <gtest/gtest.h>

namespace pevf {
namespace {

TEST(TextUtilsTest, PadsOnlyShortTexts) {
  EXPECT_EQ(PadLeft("7", 3, '0'), "007");
  EXPECT_EQ(PadLeft("abc", 2), "abc");
  EXPECT_EQ(PadLeft("", 2), "  ");
  EXPECT_EQ(PadRight("ab", 4), "ab  ");
  EXPECT_EQ(PadRight("ab", 4, '*'), "ab**");
  EXPECT_EQ(PadRight("abcd", 4), "abcd");
  EXPECT_EQ(PadRight("ab", -1), "ab");
}

TEST(TextUtilsTest, GetTokenAndCountFields) {
  struct Case {
    const char* text;
    const char* separator;
    int n;
    const char* token;
  } cases[] = {
      {"a;b", ";", 1, "a"},   {"a;b", ";", 2, "b"},    {"a;b", ";", 3, ""},
      {"abc", ";", 1, "abc"}, {"abc", ";", 2, ""},     {"a;;b", ";", 2, ""},
      {"a;;b", ";", 3, "b"},  {"a::b::c", "::", 3, "c"}, {"a;b", ";", 0, ""},
      {"a;b", "", 1, "a;b"},  {"", ";", 1, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetToken(c.text, c.separator, c.n), c.token)
        << c.text << " field " << c.n;
  }
  EXPECT_EQ(CountFields("001:02:03", ":"), 3);
  EXPECT_EQ(CountFields("", ":"), 0);
  EXPECT_EQ(CountFields("abc", ":"), 1);
  EXPECT_EQ(CountFields("a:", ":"), 2);
  EXPECT_EQ(CountFields("a::b", "::"), 2);
}

TEST(TextUtilsTest, SplitFirstCutsTheHeadOff) {
  std::string text = "2008/05/01";
  EXPECT_EQ(SplitFirst(text, "/"), "2008");
  EXPECT_EQ(text, "05/01");
  EXPECT_EQ(SplitFirst(text, "/"), "05");
  EXPECT_EQ(SplitFirst(text, "/"), "01");
  EXPECT_EQ(text, "");
  EXPECT_EQ(SplitFirst(text, "/"), "");

  text = "a<>b<>c";
  EXPECT_EQ(SplitFirst(text, "<>"), "a");
  EXPECT_EQ(text, "b<>c");
}

TEST(TextUtilsTest, IntToZeroStr) {
  EXPECT_EQ(IntToZeroStr(4, 7), "0007");
  EXPECT_EQ(IntToZeroStr(2, 2008), "2008");
  EXPECT_EQ(IntToZeroStr(0, 0), "0");
  EXPECT_EQ(IntToZeroStr(4, -5), "-0005");
}

TEST(TextUtilsTest, ReplaceAllRepeatsUntilNoneIsLeft) {
  struct Case {
    const char* text;
    const char* oldText;
    const char* newText;
    bool trim;
    const char* result;
  } cases[] = {
      // A replacement that forms a new occurrence is replaced again.
      {"a,,,b", ",,", ",", false, "a,b"},
      {"aaaa", "aa", "a", false, "a"},
      {"x--y--z", "--", "+", false, "x+y+z"},
      // Case-sensitive search.
      {"AAA", "a", "b", false, "AAA"},
      // Texts that differ only in letter case leave the text alone.
      {"Abc abc", "abc", "ABC", false, "Abc abc"},
      {"  a b  ", "a", "c", true, "c b"},
      {"  abc ", "x", "y", true, "abc"},
      {"abc", "", "x", false, "abc"},
      // A new text holding the old one is replaced once, not forever.
      {"ab", "a", "aa", false, "aab"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.oldText, c.newText, c.trim), c.result) << c.text;
  }
}

TEST(TextUtilsTest, IsLocalHost) {
  EXPECT_TRUE(IsLocalHost("127.0.0.1"));
  EXPECT_FALSE(IsLocalHost("localhost"));
  EXPECT_FALSE(IsLocalHost(" 127.0.0.1"));
}

TEST(TextUtilsTest, ButtonCaptionsAreGbBytes) {
  EXPECT_EQ(ButtonCaption("Yes"), "\xCA\xC7(&Y)");
  EXPECT_EQ(ButtonCaption("OK"), "\xC8\xB7\xB6\xA8");
  EXPECT_EQ(ButtonCaption("NoToAll"), "\xC8\xAB\xB7\xF1(&o)");
  EXPECT_EQ(ButtonCaption("Close"), "Close");
  EXPECT_EQ(ButtonCaption("yes"), "yes");
  for (const char* name :
       {"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "NoToAll", "YesToAll",
        "Help"}) {
    EXPECT_NE(ButtonCaption(name), name) << name;
  }
}

}  // namespace
}  // namespace pevf
