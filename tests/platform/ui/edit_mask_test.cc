#include "platform/ui/edit_mask.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace pellor {
namespace {

TEST(EditMaskTest, ParsesFieldsAndPositions) {
  struct Case {
    std::string mask;
    size_t length;
    size_t editable;
    bool saveLiterals;
    char blank;
    bool leadingBlanks;
    std::string emptyText;
  };
  const std::vector<Case> cases = {
      {"9999/99/99;1; ", 10, 8, true, ' ', false, "    /  /  "},
      {"99:99;1; ", 5, 4, true, ' ', false, "  :  "},
      {"###.##%;1; ", 7, 5, true, ' ', false, "   .  %"},
      {"9999:99:99;1; ", 10, 8, true, ' ', false, "    :  :  "},
      {"!99;0;_", 2, 2, false, '_', true, "__"},
      {"000", 3, 3, true, '_', false, "___"},
      {"999;0", 3, 3, false, '_', false, "___"},
      {">LL<ll;0;*", 4, 4, false, '*', false, "****"},
      {"\\(999\\)_0;1;_", 7, 4, true, '_', false, "(___) _"},
      // An escaped ";" is a literal, not a field separator.
      {"99\\;9;0;_", 4, 3, false, '_', false, "__;_"},
      {"\\L\\09", 3, 1, true, '_', false, "L0_"},
      // A double-byte literal whose trail byte is "L" stays a literal.
      {"9\x81L9;1;_", 4, 2, true, '_', false, "_\x81L_"},
      {"", 0, 0, true, '_', false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    EditMask mask(c.mask);
    EXPECT_EQ(mask.Length(), c.length);
    EXPECT_EQ(mask.EditableCount(), c.editable);
    EXPECT_EQ(mask.SaveLiterals(), c.saveLiterals);
    EXPECT_EQ(mask.Blank(), c.blank);
    EXPECT_EQ(mask.LeadingBlanks(), c.leadingBlanks);
    EXPECT_EQ(mask.EmptyText(), c.emptyText);
    EXPECT_EQ(mask.MaskText(), c.mask);
  }
}

TEST(EditMaskTest, FormatsValuesForEditing) {
  struct Case {
    std::string mask;
    std::string value;
    std::string editText;
  };
  const std::vector<Case> cases = {
      // The field kinds hand their display texts, literals included.
      {"9999/99/99;1; ", "2008/05/01", "2008/05/01"},
      {"99/99/9999;1; ", "05/01/2008", "05/01/2008"},
      {"9999-99-99;1; ", "2008-05-01", "2008-05-01"},
      {"9999/99/99;1; ", "", "    /  /  "},
      // Another separator in the value is overwritten by the mask's.
      {"9999/99/99;1; ", "2008-05-01", "2008/05/01"},
      // Stored forms without the literals are laid out too.
      {"9999/99/99;1; ", "20080501", "2008/05/01"},
      {"99:99;1; ", "1230", "12:30"},
      {"99:99;1; ", "12:3", "12:3 "},
      {"###.##%;1; ", " 15.50%", " 15.50%"},
      {"###.##%;1; ", "-15.50%", "-15.50%"},
      {"999;0;_", "12", "12_"},
      {"!999;0;_", "12", "_12"},
      {"999;0;_", "12345", "123"},
      {"!999;0;_", "12345", "345"},
      {"(999)000-0000;0;_", "5551234567", "(555)123-4567"},
      {">LL<ll;0;_", "abCD", "ABcd"},
      // A character the position refuses shows as the placeholder.
      {"00;0;_", "a1", "_1"},
      {"LL;0;_", "1b", "_b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask + " <- \"" + c.value + "\"");
    EXPECT_EQ(EditMask(c.mask).FormatValue(c.value), c.editText);
  }
  EXPECT_EQ(EditMask().FormatValue("as is"), "as is");
}

TEST(EditMaskTest, AcceptsCharactersByPosition) {
  struct Case {
    std::string mask;
    char c;
    size_t position;
    std::optional<char> accepted;
  };
  const std::vector<Case> cases = {
      {"0", '5', 0, '5'},    {"0", ' ', 0, std::nullopt}, {"0", 'x', 0, std::nullopt},
      {"9", '7', 0, '7'},    {"9", ' ', 0, ' '},           {"9", 'x', 0, std::nullopt},
      {"#", '-', 0, '-'},    {"#", '+', 0, '+'},           {"#", 'x', 0, std::nullopt},
      {"L", 'a', 0, 'a'},    {"L", '1', 0, std::nullopt},  {"L", ' ', 0, std::nullopt},
      {"l", ' ', 0, ' '},    {"l", '1', 0, std::nullopt},  {">L", 'a', 0, 'A'},
      {"<L", 'B', 0, 'b'},   {"><L", 'b', 0, 'b'},          {"<>L", 'B', 0, 'B'},
      {"A", '1', 0, '1'},    {"A", 'z', 0, 'z'},           {"A", '-', 0, std::nullopt},
      {"a", '_', 0, '_'},    {"C", '%', 0, '%'},           {"C", ' ', 0, std::nullopt},
      {"C;1; ", '_', 0, '_'}, {"c", ' ', 0, ' '},          {"C", '\x01', 0, std::nullopt},
      {"9/9", '/', 1, std::nullopt},                        {"9", '1', 1, std::nullopt},
      {"\\9", '9', 0, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask + " '" + std::string(1, c.c) + "' at " + std::to_string(c.position));
    EditMask mask(c.mask);
    EXPECT_EQ(mask.AcceptChar(c.c, c.position), c.accepted);
    EXPECT_EQ(mask.IsValidChar(c.c, c.position), c.accepted.has_value());
  }
}

TEST(EditMaskTest, ValidatesWholeEditTexts) {
  struct Case {
    std::string mask;
    std::string editText;
    std::optional<size_t> badPosition;
  };
  const std::vector<Case> cases = {
      {"000;1;_", "123", std::nullopt},
      {"000;1;_", "12_", 2},
      {"000;1;_", "12", 2},  // a short text counts as unfilled at the end
      {"999;1;_", "1__", std::nullopt},
      {"LL", "A1", 1},
      {"(000)", "(1_3)", 2},
      // Optional positions may stay empty but must not hold what they refuse.
      {"9999/99/99;1; ", "    /  /  ", std::nullopt},
      {"9999/99/99;1; ", "20x8/05/01", 2},
      {"99:99;1; ", "12:30", std::nullopt},
      {"", "anything", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask + " \"" + c.editText + "\"");
    EditMask mask(c.mask);
    EXPECT_EQ(mask.IsComplete(c.editText), !c.badPosition.has_value());
    if (!c.badPosition) {
      EXPECT_NO_THROW(mask.Validate(c.editText));
      continue;
    }
    try {
      mask.Validate(c.editText);
      ADD_FAILURE() << "no error";
    } catch (const EDBEditError& error) {
      EXPECT_EQ(error.Message(), "Invalid input value. Use escape key to abandon changes");
      EXPECT_EQ(error.Position(), *c.badPosition);
      EXPECT_STREQ(error.ClassName(), "EDBEditError");
    }
  }
}

TEST(EditMaskTest, ExtractsValues) {
  struct Case {
    std::string mask;
    std::string editText;
    std::string value;
  };
  const std::vector<Case> cases = {
      // With the literals kept the layout stays: the time kind reads an empty
      // editor's "  :  " as no time.
      {"99:99;1; ", "  :  ", "  :  "},
      {"99:99;1;_", "12:__", "12:  "},
      {"9999/99/99;1; ", "2008/05/01", "2008/05/01"},
      {"###.##%;1; ", "15 .5 %", "15 .5 %"},
      {"999;0;_", "12_", "12"},
      {"999;0;_", "1_3", "1 3"},
      {"999;0;_", "___", ""},
      {"!999;0;_", "_12", "12"},
      {"!999;0;_", "12_", "12 "},
      {"(999)000-0000;0;_", "(555)123-4567", "5551234567"},
      {"\\(999\\)_0;1;_", "(1__) 5", "(1  ) 5"},
      {"", "free text ", "free text "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask + " \"" + c.editText + "\"");
    EditMask mask(c.mask);
    EXPECT_EQ(mask.ExtractValue(c.editText), c.value);
    // What comes out goes back in unchanged.
    EXPECT_EQ(mask.FormatValue(mask.ExtractValue(c.editText)), mask.IsEmpty() ? c.value : c.editText);
  }
}

TEST(EditMaskTest, BlankTexts) {
  EditMask date("9999/99/99;1; ");
  EXPECT_TRUE(date.IsBlank("    /  /  "));
  EXPECT_TRUE(date.IsBlank(""));
  EXPECT_FALSE(date.IsBlank("2008/  /  "));
  EditMask placeholders("99-99;1;_");
  EXPECT_TRUE(placeholders.IsBlank("__-__"));
  EXPECT_TRUE(placeholders.IsBlank("  -  "));
}

TEST(EditMaskTest, TypingFillsPositionsAndSkipsToTypedLiterals) {
  struct Case {
    std::string mask;
    std::string typed;
    std::string editText;
    std::string refused;  // the typed characters that were refused
  };
  const std::vector<Case> cases = {
      {"###.##%;1; ", "15.5", "15 .5 %", ""},
      {"9999/99/99;1; ", "20080501", "2008/05/01", ""},
      {"9999/99/99;1; ", "2008/5/1", "2008/5 /1 ", ""},
      {"99:99;1; ", "9x:3", "9 :3 ", "x"},
      {">LLL;0;_", "ab1c", "ABC", "1"},
      {"000;1;_", "12345", "123", "45"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask + " typing \"" + c.typed + "\"");
    EditMask mask(c.mask);
    std::string text = mask.EmptyText();
    size_t cursor = 0;
    std::string refused;
    for (char ch : c.typed) {
      if (!mask.TypeChar(text, cursor, ch)) refused.push_back(ch);
    }
    EXPECT_EQ(text, c.editText);
    EXPECT_EQ(refused, c.refused);
  }
  // The percentage kind reads the digits around "." from the extracted value.
  EditMask percent("###.##%;1; ");
  std::string text = percent.EmptyText();
  size_t cursor = 0;
  for (char ch : std::string("15.5")) percent.TypeChar(text, cursor, ch);
  EXPECT_EQ(percent.ExtractValue(text), "15 .5 %");
}

TEST(EditMaskTest, CursorNavigationSkipsLiterals) {
  EditMask mask("(999)000");
  EXPECT_EQ(mask.NextEditable(0), 1u);
  EXPECT_EQ(mask.NextEditable(4), 5u);
  EXPECT_EQ(mask.NextEditable(8), 8u);
  EXPECT_EQ(mask.PreviousEditable(4), 3u);
  EXPECT_EQ(mask.PreviousEditable(0), std::string::npos);
  EXPECT_EQ(mask.PreviousEditable(100), 7u);
}

}  // namespace
}  // namespace pellor
