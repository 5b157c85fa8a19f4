#include "platform/ui/grids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/codepage.h"
#include <functional>

namespace pellor {
namespace {

// The query dialog's condition grid: 4 columns, one title row, no fixed
// column, rows 20 high, Tab from cell to cell, editing always on.
class GridTest : public ::testing::Test {
 protected:
  GridTest() {
    grid->SetColCount(4);
    grid->SetRowCount(2);
    grid->SetFixedCols(0);
    grid->SetDefaultRowHeight(20);
    const int widths[] = {131, 88, 187, 32};
    for (int c = 0; c < 4; ++c) grid->SetColWidths(c, widths[c]);
    grid->SetOptions(grid->Options() + TGridOptions{goEditing, goTabs});
    grid->SetBounds(0, 0, 500, 200);
    grid->OnSetEditText = [this](TObject*, int col, int row, const std::string& value) {
      edits.push_back(std::to_string(col) + "," + std::to_string(row) + "=" + value);
    };
  }
  void Key(uint16_t key, TShiftState shift = {}) {
    uint16_t k = key;
    grid->HandleKeyDown(k, shift);
  }
  void Type(std::string_view text) {
    for (char c : text) {
      char k = c;
      grid->HandleKeyPress(k);
    }
  }
  std::string At() const { return std::to_string(grid->Col()) + "," + std::to_string(grid->Row()); }

  std::unique_ptr<TStringAlignGrid> grid = TComponent::CreateUnowned<TStringAlignGrid>();
  std::vector<std::string> edits;
};

TEST_F(GridTest, RowsMoveWithTheirCellsAndSettings) {
  grid->SetCells(0, 1, "A");
  grid->SetCellColor(0, 1, clRed);
  grid->SetRowCount(3);
  grid->SetCells(0, 2, "B");
  grid->SetRow(2);
  grid->InsertRow(2);  // between A and B
  EXPECT_EQ(grid->Cols(0).Lines(), (std::vector<std::string>{"", "A", "", "B"}));
  EXPECT_EQ(grid->Row(), 3);  // still on B
  EXPECT_EQ(grid->RowHeights(2), 20);
  EXPECT_EQ(grid->CellColor(0, 1), clRed);
  grid->DeleteRow(1);
  EXPECT_EQ(grid->Cols(0).Lines(), (std::vector<std::string>{"", "", "B"}));
  EXPECT_EQ(grid->CellColor(0, 1), grid->Color());
  EXPECT_EQ(grid->Row(), 2);

  grid->SetRows(1, TStringList({"x", "y"}));
  EXPECT_EQ(grid->Rows(1).Lines(), (std::vector<std::string>{"x", "y", "", ""}));
  grid->DeleteRow(2);
  EXPECT_EQ(grid->Row(), 1);
  struct Refused {
    const char* what;
    std::function<void()> action;
  };
  const Refused refused[] = {
      {"last data row", [&] { grid->DeleteRow(1); }},
      {"fixed row", [&] { grid->DeleteRow(0); }},
      {"insert into the titles", [&] { grid->InsertRow(0); }},
      {"fixed rows = rows", [&] { grid->SetFixedRows(2); }},
      {"cell outside", [&] { grid->Cells(4, 0); }},
      {"fixed cell current", [&] { grid->FocusCell(0, 0); }},
  };
  for (const Refused& r : refused) EXPECT_THROW(r.action(), EInvalidGridOperation) << r.what;
  // Fewer rows than fixed ones: the fixed count follows.
  grid->SetRowCount(1);
  EXPECT_EQ(grid->FixedRows(), 0);
}

TEST_F(GridTest, KeysMoveTheCurrentCellUnlessRefused) {
  grid->SetRowCount(4);
  struct Step {
    uint16_t key;
    TShiftState shift;
    const char* at;
  };
  const Step steps[] = {
      {VK_DOWN, {}, "0,2"},       {VK_TAB, {}, "1,2"},          {VK_END, {}, "3,2"},
      {VK_TAB, {}, "0,3"},        // past the last column: next row
      {VK_TAB, {ssShift}, "3,2"}, {VK_HOME, {ssCtrl}, "3,1"},   {VK_UP, {}, "3,1"},
      {VK_END, {ssCtrl}, "3,3"},  {VK_TAB, {}, "3,3"},          // the last cell stays
  };
  for (const Step& s : steps) {
    Key(s.key, s.shift);
    EXPECT_EQ(At(), s.at) << "key " << s.key;
  }
  // A handler that refuses keeps the cell; refusing is how a program keeps
  // the user in a cell whose value is wrong.
  std::vector<std::string> asked;
  grid->OnSelectCell = [&](TObject*, int col, int row, bool& canSelect) {
    asked.push_back(std::to_string(col) + "," + std::to_string(row));
    canSelect = grid->Cells(grid->Col(), grid->Row()) != "bad";
  };
  grid->SetCells(3, 3, "bad");
  Key(VK_UP);
  grid->MouseDown({ssLeft}, 5, 25);
  EXPECT_EQ(At(), "3,3");
  EXPECT_EQ(asked, (std::vector<std::string>{"3,2", "0,1"}));
  grid->SetCells(3, 3, "");
  grid->MouseDown({ssLeft}, 5, 25);  // column 0, row 1
  EXPECT_EQ(At(), "0,1");

  uint16_t other = VK_F5;
  grid->HandleKeyDown(other, {});
  EXPECT_EQ(other, VK_F5);  // not the grid's key
  EXPECT_TRUE(grid->WantedKeys().Contains(dcWantTab));
}

TEST_F(GridTest, TypingEditsTheCellAtOnce) {
  grid->SetRowCount(3);
  grid->SetCells(0, 1, "old");
  Type("ab");  // the first character replaces the text
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->Cells(0, 1), "ab");
  Type("\b");
  Type("c");
  EXPECT_EQ(edits, (std::vector<std::string>{"0,1=a", "0,1=ab", "0,1=a", "0,1=ac"}));
  Key(VK_ESCAPE);  // back to the text the editor opened with, editor closed
  EXPECT_EQ(grid->Cells(0, 1), "old");
  EXPECT_FALSE(grid->EditorMode());

  grid->SetCells(0, 1, "xy");
  Key(VK_F2);  // opens on the text, caret at its end
  EXPECT_EQ(grid->EditorCaret(), 2);
  Key(VK_LEFT);
  Type("-");
  Key(VK_DELETE);
  EXPECT_EQ(grid->Cells(0, 1), "x-");
  Key(VK_RETURN);
  EXPECT_FALSE(grid->EditorMode());

  // Backspace takes a whole double-byte character.
  grid->Font()->SetCharset(GB2312_CHARSET);
  Type("a" + Cp936("甲乙"));
  Type("\b");
  EXPECT_EQ(grid->Cells(0, 1), "a" + Cp936("甲"));

  // Moving closes the editor; fixed cells and row selection never edit.
  Key(VK_DOWN);
  EXPECT_FALSE(grid->EditorMode());
  grid->SetOptions(grid->Options() + TGridOptions{goRowSelect});
  Type("z");
  EXPECT_FALSE(grid->EditorMode());
}

TEST_F(GridTest, AlwaysShownEditorFollowsTheCellAndMasks) {
  grid->SetOptions(grid->Options() + TGridOptions{goAlwaysShowEditor});
  grid->SetCells(1, 1, "10");
  grid->ShowEditor();
  Key(VK_RIGHT);  // inside the editor the caret moves, not the cell ...
  EXPECT_EQ(At(), "0,1");
  Key(VK_TAB);  // ... Tab moves, and the editor opens on the next cell
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->EditorText(), "10");

  // A date cell edits through its mask.
  grid->SetCellEditMask(2, 1, "9999/99/99;1; ");
  Key(VK_TAB);
  EXPECT_EQ(grid->EditorText(), "    /  /  ");
  Type("2008/5/1");
  EXPECT_EQ(grid->Cells(2, 1), "2008/5 /1 ");
  Type("\b\b");
  EXPECT_EQ(grid->Cells(2, 1), "2008/5 /  ");
  Key(VK_ESCAPE);  // always shown: back to the old text, editor stays
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->Cells(2, 1), "    /  /  ");
}

TEST_F(GridTest, GeometryScrollingMouseAndWheel) {
  grid->SetBounds(0, 0, 300, 64);  // room for the title and two rows of 21
  grid->SetRowCount(6);
  EXPECT_EQ(grid->VisibleRowCount(), 2);
  EXPECT_EQ(grid->CellRect(1, 1), Bounds(132, 21, 88, 20));
  EXPECT_EQ(grid->CellRect(3, 1), TRect{});  // starts beyond the client width
  EXPECT_EQ(grid->MouseCoord(131, 0), (TGridCoord{0, 0}));  // the line belongs to the cell before
  EXPECT_EQ(grid->MouseCoord(132, 45), (TGridCoord{1, 2}));
  EXPECT_EQ(grid->MouseCoord(-1, 5), (TGridCoord{-1, -1}));

  Key(VK_DOWN);
  Key(VK_DOWN);  // row 3 is out of sight: the grid scrolls
  EXPECT_EQ(grid->TopRow(), 2);
  EXPECT_EQ(grid->CellRect(0, 1), TRect{});
  EXPECT_EQ(grid->CellRect(0, 3), Bounds(0, 42, 131, 20));
  EXPECT_EQ(grid->MouseCoord(5, 25), (TGridCoord{0, 2}));

  // The wheel moves a row per notch unless a handler takes it.
  EXPECT_TRUE(grid->MouseWheel({}, -240));
  EXPECT_EQ(grid->Row(), 5);
  bool consume = true;
  grid->OnMouseWheel = [&](TObject*, TShiftState, int, bool& handled) { handled = consume; };
  EXPECT_TRUE(grid->MouseWheel({}, 120));
  EXPECT_EQ(grid->Row(), 5);

  // A right-button press does not move; OnMouseDown runs for both.
  int presses = 0;
  grid->OnMouseDown = [&](TObject*, TShiftState, int, int) { ++presses; };
  grid->MouseDown({ssRight}, 5, 25);
  EXPECT_EQ(grid->Row(), 5);
  grid->MouseDown({ssLeft}, 5, 25);  // the first row in sight
  EXPECT_EQ(grid->Row(), 4);
  EXPECT_EQ(presses, 2);
}

TEST(StringGridPaintTest, CellsAreFilledDrawnAndLined) {
  // A tiny grid painted into a bitmap: 2 x 2 cells of 3 x 2 pixels with
  // one-pixel lines; the data cell (1, 1) is current.
  auto grid = TComponent::CreateUnowned<TStringGrid>();
  grid->SetColCount(2);
  grid->SetRowCount(2);
  grid->SetDefaultColWidth(3);
  grid->SetDefaultRowHeight(2);
  grid->SetBounds(0, 0, 8, 6);
  grid->SetFixedColor(clYellow);
  grid->SetColor(clWhite);
  grid->SetCells(1, 0, "x");
  grid->Font()->SetHeight(-2);
  grid->Font()->SetColor(clBlue);
  TBitmap bitmap(8, 6, clLime);
  TRecordingCanvas canvas(&bitmap);
  std::vector<std::string> drawn;
  grid->OnDrawCell = [&](TObject* sender, int col, int row, const TRect&, TGridDrawState state) {
    EXPECT_EQ(&static_cast<TStringGrid*>(sender)->Canvas(), &canvas);
    drawn.push_back(std::to_string(col) + std::to_string(row) + (state.Contains(gdFixed) ? "F" : "") +
                    (state.Contains(gdSelected) ? "S" : ""));
  };
  grid->Paint(canvas);
  EXPECT_EQ(drawn, (std::vector<std::string>{"00F", "10F", "01F", "11S"}));
  const TColor h = ColorToRGB(clHighlight);
  std::vector<std::string> rows;
  for (int y = 0; y < 6; ++y) {
    std::string row;
    for (int x = 0; x < 8; ++x) {
      const TColor p = bitmap.Pixel(x, y);
      row += p == clYellow ? 'y' : p == clBlack ? '#' : p == clBlue ? 'b' : p == h ? 'h' : p == clSilver ? 's' : p == clLime ? '.' : '?';
    }
    rows.push_back(row);
  }
  // The text "x" is a block at (left + 2, top + 2): cut off by its cell of
  // height 2, it does not show; the titles are yellow with black lines, the
  // current cell highlighted with silver lines.
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "yyy#yyy#",
                      "yyy#yyy#",
                      "########",
                      "yyy#hhhs",
                      "yyy#hhhs",
                      "####ssss",
                  }));
  // Outside painting the canvas measures in the grid's font.
  EXPECT_EQ(grid->Canvas().TextWidth("ab"), 2);
}

TEST_F(GridTest, AlignedCellsResolveCellThenColumnThenRow) {
  grid->SetRowCount(3);
  grid->SetRowAlignment(1, taCenter);
  grid->SetColAlignment(2, taRightJustify);
  grid->SetCellAlignment(2, 2, taLeftJustify);
  struct Case {
    int col, row;
    TAlignment expected;
  };
  const Case cases[] = {{0, 1, taCenter}, {2, 1, taRightJustify}, {2, 2, taLeftJustify}, {0, 2, taLeftJustify}};
  for (const Case& c : cases) EXPECT_EQ(grid->CellAlignment(c.col, c.row), c.expected) << c.col << "," << c.row;

  grid->OwnColFont(1).SetColor(clRed);
  grid->OwnCellFont(1, 2).SetStyle({fsBold});
  EXPECT_EQ(grid->CellFont(1, 1).Color(), clRed);
  EXPECT_TRUE(grid->CellFont(1, 2).Style().Contains(fsBold));
  EXPECT_EQ(grid->CellFont(0, 1).Color(), grid->Font()->Color());
  grid->SetRowColor(2, RGB(206, 249, 231));
  EXPECT_EQ(grid->CellColor(3, 2), RGB(206, 249, 231));

  // Drawing places the text by the cell's alignment, 2 pixels in.
  grid->SetCells(2, 1, "12");
  grid->SetCells(0, 1, "ab");
  grid->SetCol(3);
  TRecordingCanvas canvas;
  grid->Paint(canvas);
  std::vector<std::string> texts;
  for (const TCanvasCall& call : canvas.Calls()) {
    if (call.op == TCanvasCall::kDrawText && !call.text.empty()) texts.push_back(call.Describe());
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"DrawText(2,23,129,41,\"ab\",center,top)->59,23",
                                             "DrawText(223,23,406,41,\"12\",right,top)->394,23"}));

  // Settings move with rows and go with ResetCell.
  grid->InsertRow(1);
  EXPECT_EQ(grid->CellAlignment(2, 3), taLeftJustify);
  EXPECT_EQ(grid->CellAlignment(0, 2), taCenter);
  grid->ResetCell(2, 3);
  EXPECT_EQ(grid->CellAlignment(2, 3), taRightJustify);
  EXPECT_EQ(grid->OwnFonts().size(), 2u);
}

TEST_F(GridTest, PickListsShowAndStoreTheDisplayPart) {
  grid->SetRowCount(3);
  grid->SetColPickList(1, TStringList({Cp936("等于") + "\t=", Cp936("大于") + "\t>"}));
  grid->SetCellPickList(2, 1, TStringList({Cp936("甲") + "\t1"}));
  std::vector<std::string> picks;
  grid->OnPickSelect = [&](TObject*, int col, int row, int index) {
    picks.push_back(std::to_string(col) + "," + std::to_string(row) + "#" + std::to_string(index));
  };
  grid->SetCol(1);
  grid->SelectPickItem(1);
  grid->SelectPickItem(2);  // beyond the list: nothing
  EXPECT_EQ(grid->Cells(1, 1), Cp936("大于"));
  EXPECT_EQ(edits.back(), "1,1=" + Cp936("大于"));
  EXPECT_EQ(picks, std::vector<std::string>{"1,1#1"});
  EXPECT_EQ(grid->PickList(2, 1)->Count(), 1);
  EXPECT_EQ(grid->PickList(2, 2), nullptr);
  EXPECT_EQ(grid->PickList(3, 1), nullptr);
  EXPECT_EQ(grid->PickList(1, 2)->Count(), 2);
  grid->SetPickListWidth(1, 120);
  EXPECT_EQ(grid->PickListWidth(1), 120);

  // A converter rewrites every list in place.
  for (TStringList* list : grid->OwnTextLists()) list->Set(0, "X\t0");
  EXPECT_EQ((*grid->PickList(2, 1))[0], "X\t0");
  EXPECT_EQ(grid->OwnTextLists().size(), 2u);
  grid->SetColPickList(1, TStringList());  // an empty list removes it
  EXPECT_EQ(grid->PickList(1, 1), nullptr);
}

TEST_F(GridTest, CheckCellsToggleBySpaceAndClick) {
  grid->SetCheckCell(2, 1, "Y;N");
  grid->SetCells(2, 1, "N");
  EXPECT_FALSE(grid->CellChecked(2, 1));
  EXPECT_EQ(grid->CheckCellValue(2, 1), "N");
  grid->SetCol(2);  // always-show editor: not on a check cell
  EXPECT_FALSE(grid->EditorMode());
  Type(" ");
  EXPECT_TRUE(grid->CellChecked(2, 1));
  EXPECT_EQ(grid->CheckCellValue(2, 1), "Y");
  const TRect r = grid->CellRect(2, 1);
  grid->MouseDown({ssLeft}, r.Left + 1, r.Top + 1);
  EXPECT_EQ(grid->Cells(2, 1), "N");
  EXPECT_EQ(edits, (std::vector<std::string>{"2,1=Y", "2,1=N"}));
  // A text that is neither value reads as unchecked.
  grid->SetCells(2, 1, "?");
  EXPECT_EQ(grid->CheckCellValue(2, 1), "N");
  grid->SetCellChecked(2, 1, true);
  EXPECT_EQ(grid->Cells(2, 1), "Y");
  EXPECT_EQ(grid->CheckCellValue(1, 1), "");  // no check cell: its text

  TRecordingCanvas canvas;
  grid->Paint(canvas);
  int ticks = 0;
  for (const TCanvasCall& call : canvas.Calls()) ticks += call.op == TCanvasCall::kPolyline;
  EXPECT_EQ(ticks, 1);
  // Without goEditing nothing toggles.
  grid->SetOptions(grid->Options() - TGridOptions{goEditing});
  Type(" ");
  EXPECT_TRUE(grid->CellChecked(2, 1));
}

TEST_F(GridTest, PublishedByName) {
  SetPropValue(*grid, "Options", "[goEditing, goRowSelect]");
  EXPECT_EQ(grid->Options(), (TGridOptions{goEditing, goRowSelect}));
  SetPropValue(*grid, "RowCount", 7);
  SetPropValue(*grid, "Alignment", "taCenter");
  SetPropValue(*grid, "FixedColor", "clRed");
  EXPECT_EQ(grid->RowCount(), 7);
  EXPECT_EQ(grid->CellAlignment(0, 3), taCenter);
  EXPECT_EQ(GetPropText(*grid, "FixedColor"), "clRed");
  EXPECT_EQ(grid->Selection(), (TGridRect{0, 1, 3, 1}));
  EXPECT_TRUE(grid->InheritsFrom("TStringGrid"));
}

}  // namespace
}  // namespace pellor
