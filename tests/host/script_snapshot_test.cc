// The text boundary of script mode: JSON strings and code-page conversion.
#include "host/script_snapshot.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/codepage.h"
#include "platform/ui/comctrls_views.h"
#include "platform/ui/grids.h"
#include "platform/ui/statusbar.h"

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

// The items a script chooses from and the states it reads, for the controls
// whose items are not plain lines.
TEST(ScriptSnapshotTest, ReadsItemsAndStatesAUserSees) {
  using pellor::Cp936;
  auto grid = pellor::TComponent::CreateUnowned<pellor::TStringAlignGrid>();
  pellor::TStringList picks;
  picks.Add(Cp936("甲") + "\tA");
  picks.Add(Cp936("乙") + "\tB");
  grid->SetColPickList(1, picks);
  grid->SetCells(1, 1, Cp936("乙"));
  // A pick list offers its display parts; the cell's text tells the choice.
  EXPECT_EQ(ItemTexts(*grid), (std::vector<std::string>{"甲", "乙"}));
  EXPECT_EQ(StateText(*grid, "ItemText"), "乙");
  grid->FocusCell(2, 1);
  EXPECT_EQ(ItemTexts(*grid), std::vector<std::string>{}) << "a cell without a pick list offers nothing";

  auto tree = pellor::TComponent::CreateUnowned<pellor::TTreeView>();
  pellor::TTreeNode* root = tree->Items().Add(nullptr, Cp936("部门"));
  tree->Items().AddChild(root, "HR");
  tree->Items().Add(nullptr, "IT");
  tree->SetSelected(tree->Items().Item(2));
  EXPECT_EQ(ItemTexts(*tree), (std::vector<std::string>{"部门", "HR", "IT"}));
  EXPECT_EQ(ChosenItem(*tree), 2);

  auto view = pellor::TComponent::CreateUnowned<pellor::TListView>();
  view->Items().Add()->SetCaption("a");
  view->Items().Add()->SetCaption("b");
  EXPECT_EQ(ChosenItem(*view), -1);
  EXPECT_EQ(StateText(*view, "ItemText"), "");
  view->SetSelected(view->Items().Item(1));
  EXPECT_EQ(StateText(*view, "Items[1]"), "b");
  EXPECT_EQ(StateText(*view, "ItemText"), "b");

  auto bar = pellor::TComponent::CreateUnowned<pellor::TStatusBar>();
  bar->Panels().Add()->SetText(Cp936("浏览"));
  bar->Panels().Add()->SetText("1/3");
  struct Case {
    std::string name;
    std::optional<std::string> text;
  };
  const Case cases[] = {
      {"PanelCount", "2"}, {"panels[1]", "1/3"}, {"Panels[0]", "浏览"}, {"Panels[2]", std::nullopt},
      {"Panels[]", std::nullopt}, {"Panels[-1]", std::nullopt}, {"Panels[1", std::nullopt},
      {"Items[0]", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(StateText(*bar, c.name), c.text) << c.name;
}

}  // namespace
}  // namespace tamlo
