#include "platform/rtl/stringlist.h"

#include <gtest/gtest.h>

#include "platform/rtl/errors.h"

namespace pellor {
namespace {

TEST(StringListTest, ValuesByNameWithoutCase) {
  TStringList list({"SYS001=1", "sys002=/", "Path=a=b", "NoEquals", "=anonymous", "SYS001=2"});
  EXPECT_EQ(list.Values("sys001"), "1");  // the first line of a name wins
  EXPECT_EQ(list.Values("SYS002"), "/");
  EXPECT_EQ(list.Values("path"), "a=b");  // value is everything after the first "="
  EXPECT_EQ(list.Values("SYS999"), "");
  EXPECT_EQ(list.Values("NoEquals"), "");  // a line without "=" has no name
  EXPECT_EQ(list.IndexOfName("NoEquals"), -1);
  EXPECT_EQ(list.IndexOfName(""), 4);
  EXPECT_EQ(list.Names(2), "Path");
  EXPECT_EQ(list.Names(3), "");
  EXPECT_EQ(list.ValueFromIndex(2), "a=b");
  EXPECT_EQ(list.ValueFromIndex(3), "");
  EXPECT_EQ(list.IndexOf("noequals"), 3);
  EXPECT_EQ(list.IndexOf("missing"), -1);
}

TEST(StringListTest, NamesOfDoubleByteTextAreNotFoldedApart) {
  // Two different GBK characters whose second bytes are 'a' and 'A'.
  TStringList list({"\x81\x61=first", "\x81\x41=second"});
  EXPECT_EQ(list.Values("\x81\x41"), "second");
  EXPECT_EQ(list.Values("\x81\x61"), "first");
}

TEST(StringListTest, SetValueReplacesAppendsAndDeletes) {
  TStringList list({"a=1", "B=2", "c=3"});
  list.SetValue("b", "20");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"a=1", "b=20", "c=3"}));
  list.SetValue("d", "4");
  EXPECT_EQ(list[3], "d=4");
  list.SetValue("A", "");  // an empty value deletes the line
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"b=20", "c=3", "d=4"}));
  list.SetValue("missing", "");
  EXPECT_EQ(list.Count(), 3);
}

TEST(StringListTest, EditingAndIndexErrors) {
  TStringList list;
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(list.Add("x"), 0);
  EXPECT_EQ(list.Add("z"), 1);
  list.Insert(1, "y");
  list.Insert(3, "end");
  list.Set(0, "w");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"w", "y", "z", "end"}));
  list.Delete(3);
  EXPECT_EQ(list.Count(), 3);

  try {
    (void)list[3];
    FAIL() << "index 3 of 3 lines was accepted";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (3)");
  }
  EXPECT_THROW((void)list[-1], EConvertError);
  EXPECT_THROW(list.Set(3, "x"), EConvertError);
  EXPECT_THROW(list.Insert(4, "x"), EConvertError);
  EXPECT_THROW(list.Delete(-1), EConvertError);
  EXPECT_THROW(list.Names(5), EConvertError);
}

TEST(StringListTest, TextSplitsAtEveryLineBreakKind) {
  TStringList list;
  list.SetText("a\r\nb\rc\nd\n\ne\r\n");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");

  list.SetText("no break");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"no break"}));
  list.SetText("\n\r");  // LF then CR are two breaks
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"", ""}));
  list.SetText("");
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(list.Text(), "");

  // Round trip through Text keeps the lines.
  TStringList original({"x=1", "", "y=\xD6\xD0"});
  TStringList copy;
  copy.SetText(original.Text());
  EXPECT_EQ(copy, original);
}

TEST(StringListTest, CommaTextQuotesWhatNeedsIt) {
  TStringList list({"plain", "with blank", "a,b", "say \"hi\"", "", "last"});
  EXPECT_EQ(list.CommaText(), "plain,\"with blank\",\"a,b\",\"say \"\"hi\"\"\",,last");
  TStringList back;
  back.SetCommaText(list.CommaText());
  EXPECT_EQ(back, list);

  EXPECT_EQ(TStringList({""}).CommaText(), "\"\"");
  back.SetCommaText("\"\"");
  EXPECT_EQ(back.Lines(), (std::vector<std::string>{""}));

  // Unquoted blanks separate items too; a final comma adds an empty item.
  back.SetCommaText("  a b , c,");
  EXPECT_EQ(back.Lines(), (std::vector<std::string>{"a", "b", "c", ""}));
  back.SetCommaText("");
  EXPECT_TRUE(back.Empty());
  back.SetCommaText("\"unterminated, text");
  EXPECT_EQ(back.Lines(), (std::vector<std::string>{"unterminated, text"}));
}

}  // namespace
}  // namespace pellor
