// The text boundary of script mode: JSON strings and code-page conversion.
#include "host/script_snapshot.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/codepage.h"

namespace tamlo {
namespace {

TEST(ScriptSnapshotTest, JsonStringsAreEscapedAndAlwaysValid) {
  struct Case {
    std::string utf8;
    std::string json;
  };
  const Case cases[] = {
      {"", "\"\""},
      {"a\"b\\c", R"("a\"b\\c")"},
      {"line\r\nnext\ttab", R"("line\r\nnext\ttab")"},
      {std::string("\x01\x1f\x7f", 3), R"("\u0001\u001f\u007f")"},
      {"张三", "\"张三\""},
      // Bytes that are no UTF-8 (program text that was never converted)
      // become U+FFFD instead of breaking the document.
      {"a\xff" "b", "\"a\xEF\xBF\xBD" "b\""},
  };
  for (const Case& c : cases) EXPECT_EQ(JsonString(c.utf8), c.json) << c.utf8;
}

TEST(ScriptSnapshotTest, ConvertsBetweenScriptAndProgramTexts) {
  const std::string gb = pellor::Cp936("保存");
  EXPECT_EQ(ToUtf8(gb, 936), "保存");
  EXPECT_EQ(FromUtf8("保存", 936), gb);
  EXPECT_EQ(ToUtf8(*FromUtf8("資料", 950), 950), "資料");
  // A character the code page lacks cannot be typed into the program.
  EXPECT_EQ(FromUtf8("😀", 936), std::nullopt);
  pellor::MessageDialogRequest big5;
  big5.fontCharset = pellor::kCharsetBig5;
  EXPECT_EQ(CodePageOf(big5), 950);
  EXPECT_EQ(CodePageOf(pellor::MessageDialogRequest{}), 936);
}

}  // namespace
}  // namespace tamlo
