// The script parser on its own: what each line becomes, and what a bad line
// says about itself.
#include "host/script_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamlo {
namespace {

using Words = std::vector<std::string>;

TEST(ScriptParserTest, SplitsWordsWithQuotesAndEscapes) {
  struct Case {
    std::string line;
    Words words;
  };
  const Case cases[] = {
      {"click   btnOK\t", {"click", "btnOK"}},
      {"type edName \"two words\"", {"type", "edName", "two words"}},
      {"type \"\"", {"type", ""}},
      {R"(expect lbl Caption "say \"hi\" \\ \t\n")", {"expect", "lbl", "Caption", "say \"hi\" \\ \t\n"}},
      {"type \"张三\"", {"type", "张三"}},
      {"a \"b\"\r", {"a", "b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitWords(c.line), c.words) << c.line;
}

TEST(ScriptParserTest, EachStepBecomesItsKindWithItsWords) {
  const char* text =
      "\xEF\xBB\xBF# a comment, then a blank line\n"
      "\n"
      "key F2 Ctrl+S Shift+Tab\n"
      "type \"abc\"\n"
      "type edName abc\n"
      "CLICK miSave\n"
      "focus dlg.edValue\n"
      "page pcMain 1\n"
      "cell sgData 2 3\n"
      "row sgData 4\n"
      "answer No\n"
      "popup \"\"\n"
      "close\n"
      "snapshot out.json\n"
      "expect edName Text \"a b\"\n"
      "expect cell sgData 1 2 A01\n"
      "expect dialog \"Saved.\"\n"
      "expect no dialog\n"
      "expect window dlgTestDialog\n"
      "dblclick gdPick\n"
      "rightclick lbCity\n"
      "choose cboColour \"#2\"\n"
      "check chkAudit\n"
      "UNCHECK tbBold\n";
  Script script = ParseScript(text, "t.txt");
  EXPECT_EQ(script.fileName, "t.txt");
  struct Expected {
    int line;
    StepKind kind;
    Words words;
  };
  const Expected expected[] = {
      {3, StepKind::kKey, {"F2", "Ctrl+S", "Shift+Tab"}},
      {4, StepKind::kType, {"", "abc"}},
      {5, StepKind::kType, {"edName", "abc"}},
      {6, StepKind::kClick, {"miSave"}},
      {7, StepKind::kFocus, {"dlg.edValue"}},
      {8, StepKind::kPage, {"pcMain", "1"}},
      {9, StepKind::kCell, {"sgData", "2", "3"}},
      {10, StepKind::kRow, {"sgData", "4"}},
      {11, StepKind::kAnswer, {"No"}},
      {12, StepKind::kPopup, {""}},
      {13, StepKind::kClose, {""}},
      {14, StepKind::kSnapshot, {"out.json"}},
      {15, StepKind::kExpectProperty, {"edName", "Text", "a b"}},
      {16, StepKind::kExpectCell, {"sgData", "1", "2", "A01"}},
      {17, StepKind::kExpectDialog, {"Saved."}},
      {18, StepKind::kExpectNoDialog, {}},
      {19, StepKind::kExpectWindow, {"dlgTestDialog"}},
      {20, StepKind::kDblClick, {"gdPick"}},
      {21, StepKind::kRightClick, {"lbCity"}},
      {22, StepKind::kChoose, {"cboColour", "#2"}},
      {23, StepKind::kCheck, {"chkAudit"}},
      {24, StepKind::kUncheck, {"tbBold"}},
  };
  ASSERT_EQ(script.steps.size(), std::size(expected));
  for (size_t i = 0; i < script.steps.size(); ++i) {
    const ScriptStep& step = script.steps[i];
    EXPECT_EQ(step.line, expected[i].line) << i;
    EXPECT_EQ(step.kind, expected[i].kind) << i;
    EXPECT_EQ(step.words, expected[i].words) << i;
  }
  // Keys are virtual-key codes with their modifiers.
  EXPECT_EQ(script.steps[0].keys, (std::vector<KeyStroke>{{0x71, false, false, false},
                                                          {'S', false, true, false},
                                                          {0x09, true, false, false}}));
  EXPECT_EQ(script.steps[6].col, 2);
  EXPECT_EQ(script.steps[6].row, 3);
  EXPECT_EQ(script.steps[7].row, 4);
  EXPECT_EQ(script.steps[13].col, 1);
  EXPECT_EQ(script.steps[13].row, 2);
}

TEST(ScriptParserTest, ABadLineNamesFileLineAndProblem) {
  struct Case {
    std::string line;
    std::string message;
  };
  const Case cases[] = {
      {"frobnicate x", "s.txt:2: unknown step 'frobnicate'"},
      {"key F2 Hyper+Q", "s.txt:2: unknown key 'Hyper+Q'"},
      {"key", "s.txt:2: usage: key KEY..."},
      {"click", "s.txt:2: usage: click NAME"},
      {"type a b c", "s.txt:2: usage: type [CONTROL] TEXT"},
      {"choose cboColour", "s.txt:2: usage: choose CONTROL ITEM"},
      {"dblclick gdPick 1 2", "s.txt:2: usage: dblclick CONTROL"},
      {"uncheck", "s.txt:2: usage: uncheck CONTROL"},
      {"cell sgData 1 -2", "s.txt:2: row '-2' is no number from 0"},
      {"row sgData x", "s.txt:2: row 'x' is no number from 0"},
      {"answer Maybe", "s.txt:2: 'Maybe' is no dialog button"},
      {"expect edName Text", "s.txt:2: usage: expect NAME PROPERTY VALUE"},
      {"type \"open", "s.txt:2: quoted text without its closing \""},
      {"type \"a\\q\"", "s.txt:2: unknown escape \\q in quoted text"},
      {"type \"a\"b", "s.txt:2: quoted text must be followed by a blank"},
  };
  for (const Case& c : cases) {
    try {
      ParseScript("click btnOK\n" + c.line + "\nclick btnCancel\n", "s.txt");
      ADD_FAILURE() << c.line << " was accepted";
    } catch (const ScriptError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u) << c.line << "\n" << error.what();
    }
  }
}

}  // namespace
}  // namespace tamlo
