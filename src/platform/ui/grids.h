// Grids: the cell-grid control, the string grid, and the string grid with
// per-cell alignment, colours, fonts, pick lists and check cells that the
// query dialog builds its condition grid from.
//
// TCustomGrid holds what every grid has: rows and columns with their sizes,
// fixed (title) rows and columns, the current cell, the options, an in-place
// editor, scrolling, painting onto a TCanvas (canvas.h) cell by cell with an
// owner-draw event, and the keys and mouse actions of a user. The data grid
// of the program forms draws on the same canvas.
//
// Headless editing. The in-place editor holds a text and a caret; what the
// user types goes through HandleKeyPress (a character) and HandleKeyDown (a
// key), in the order the form delivers keys (keys.h): the form's and the
// grid's OnKeyDown / OnKeyPress handlers first, which may swallow the key.
// Every change of the editor's text is written to the cell at once
// (SetEditText, OnSetEditText), as on the original platform, so a cell
// never lags behind its editor. A cell with an edit mask (edit_mask.h) is
// edited the way a masked edit is: the editor shows the mask's layout and
// typed characters go to the mask's positions.
//
// Moving the current cell — by keys, mouse, or by setting Col / Row — asks
// OnSelectCell first; a handler that answers false keeps the cell where it
// is, which is how a program refuses to leave a cell whose value is not
// valid. Leaving the grid itself is the form's focus business (OnExit).
//
// Cell coordinates are (column, row) from 0, fixed ones included. Besides
// the published properties, observers hear "Col", "Row", "TopRow",
// "LeftCol", "ColWidths", "RowHeights", "EditorMode" and "Cells" (a text
// changed), and for the aligned grid "CellSettings".
#ifndef PELLOR_UI_GRIDS_H_
#define PELLOR_UI_GRIDS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/stringlist.h"
#include "platform/ui/canvas.h"
#include "platform/ui/control.h"
#include "platform/ui/edit_mask.h"
#include "platform/ui/keys.h"
#include "platform/ui/stdctrls.h"

namespace pellor {

// A grid operation that cannot be done: a cell outside the grid, fixed rows
// that would leave no other row, deleting the last data row.
PELLOR_DECLARE_ERROR(EInvalidGridOperation, Exception);

enum TGridOption : uint8_t {
  goFixedVertLine,
  goFixedHorzLine,
  goVertLine,
  goHorzLine,
  goRangeSelect,
  goDrawFocusSelected,
  goRowSizing,
  goColSizing,
  goRowMoving,
  goColMoving,
  goEditing,           // cells can be edited
  goTabs,              // Tab moves from cell to cell (row after row)
  goRowSelect,         // the whole row is selected; no editing
  goAlwaysShowEditor,  // the editor stays open while moving between cells
  goThumbTracking,
};
using TGridOptions = TSet<TGridOption>;
inline constexpr std::string_view kGridOptionNames[] = {
    "goFixedVertLine", "goFixedHorzLine", "goVertLine", "goHorzLine",  "goRangeSelect",
    "goDrawFocusSelected", "goRowSizing", "goColSizing", "goRowMoving", "goColMoving",
    "goEditing",       "goTabs",          "goRowSelect", "goAlwaysShowEditor", "goThumbTracking"};
inline constexpr TEnumInfo kGridOptionInfo{"TGridOption", kGridOptionNames};

enum TGridDrawStateItem : uint8_t { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

struct TGridCoord {
  int X = 0;
  int Y = 0;
  bool operator==(const TGridCoord&) const = default;
};

// Columns Left..Right and rows Top..Bottom, inclusive.
struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TGridRect&) const = default;
};

using TSelectCellEvent = std::function<void(TObject* sender, int col, int row, bool& canSelect)>;
using TDrawCellEvent =
    std::function<void(TObject* sender, int col, int row, const TRect& rect, TGridDrawState state)>;
using TGetEditEvent = std::function<void(TObject* sender, int col, int row, std::string& value)>;
using TSetEditEvent = std::function<void(TObject* sender, int col, int row, const std::string& value)>;
// A mouse press (ssLeft / ssRight / ssMiddle in `shift` name the button) at
// client coordinates.
using TGridMouseEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
// `delta` in the window system's units (120 per notch, positive away from
// the user); setting `handled` keeps the grid from scrolling.
using TGridMouseWheelEvent = std::function<void(TObject* sender, TShiftState shift, int delta, bool& handled)>;

class TCustomGrid : public TWinControl, public IKeyHandling {
  PELLOR_CLASS(TCustomGrid);

 public:
  explicit TCustomGrid(TComponent* owner);
  ~TCustomGrid() override;

  // ---- Shape ----------------------------------------------------------------------
  // At least 1. A count at or below the fixed count reduces the fixed count;
  // the current cell stays inside.
  int ColCount() const { return static_cast<int>(colWidths_.size()); }
  void SetColCount(int count);
  int RowCount() const { return static_cast<int>(rowHeights_.size()); }
  void SetRowCount(int count);
  // Must stay below the count: EInvalidGridOperation otherwise. A change
  // makes the first data cell current and scrolls back to the top left.
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int count);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int count);
  // Setting a default resets every column's width (row's height).
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int width);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int height);
  // EInvalidGridOperation outside the grid.
  int ColWidths(int col) const;
  void SetColWidths(int col, int width);
  int RowHeights(int row) const;
  void SetRowHeights(int row, int height);
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int width);
  // Rows of the grid; the rows after `index` move down (EInvalidGridOperation
  // for an index outside 0..RowCount, or a fixed row). The current row stays
  // on the row it was on.
  void InsertRow(int index);
  // EInvalidGridOperation for a fixed row, an index outside the grid, or the
  // last row that is not fixed.
  void DeleteRow(int index);

  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions options);
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor color);
  // Fill and text of the cells before DrawCell and OnDrawCell.
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool defaultDrawing);

  // ---- Current cell -------------------------------------------------------------------
  int Col() const { return col_; }
  int Row() const { return row_; }
  // Moves the current cell (OnSelectCell may refuse); EInvalidGridOperation
  // for a fixed cell or one outside the grid.
  void SetCol(int col) { FocusCell(col, row_); }
  void SetRow(int row) { FocusCell(col_, row); }
  // True when the cell became current (or already was).
  bool FocusCell(int col, int row);
  // The current cell, or with goRowSelect its whole row of data cells.
  TGridRect Selection() const;

  // ---- Scrolling and geometry ---------------------------------------------------------
  // The first data row (column) shown below (right of) the fixed ones.
  int TopRow() const { return topRow_; }
  void SetTopRow(int row);
  int LeftCol() const { return leftCol_; }
  void SetLeftCol(int col);
  // Data rows (columns) fully shown from TopRow (LeftCol); at least 1.
  int VisibleRowCount() const;
  int VisibleColCount() const;
  // The cell's rectangle in client coordinates (the grid lines after it not
  // included); empty when the cell is scrolled out of sight or outside.
  TRect CellRect(int col, int row) const;
  // The cell at a client point; (-1, -1) when there is none.
  TGridCoord MouseCoord(int x, int y) const;

  // ---- Editing ------------------------------------------------------------------------
  bool EditorMode() const { return editing_; }
  // Opens (closes) the editor on the current cell. Opening needs goEditing,
  // no goRowSelect, a data cell and CanEditShow.
  void SetEditorMode(bool editorMode);
  void ShowEditor() { SetEditorMode(true); }
  void HideEditor() { SetEditorMode(false); }
  // The editor's text and caret (a byte offset). The editor opens with its
  // whole text selected, so that typing replaces it and Backspace or Delete
  // empties it; F2 (and the caret keys) put the caret at the end instead.
  const std::string& EditorText() const { return editText_; }
  int EditorCaret() const { return caret_; }
  // Replaces the editor's whole text as a paste would; the cell follows.
  void SetEditorText(const std::string& text);

  // ---- Painting -----------------------------------------------------------------------
  // Paints every cell in sight onto `canvas`: per cell the canvas gets the
  // grid's font and the cell's colour (FixedColor for fixed cells, the
  // highlight for the selection outside the editor, else Color), the cell is
  // filled and drawn (DrawCell) when DefaultDrawing, then OnDrawCell runs;
  // grid lines follow the options (fixed lines black, others silver).
  void Paint(TCanvas& canvas);
  // The canvas being painted on during Paint (OnDrawCell draws on it), else
  // a canvas for measuring text in the grid's font.
  TCanvas& Canvas();

  // ---- What a user does ---------------------------------------------------------------
  // Arrows, Page Up/Down, Home/End (with Ctrl: first/last row), Tab and
  // Shift+Tab with goTabs (past the last column to the next row's first data
  // column), F2 and Enter (open / close the editor), Esc (editor back to the
  // text it opened with), Delete and the caret keys inside the editor.
  void HandleKeyDown(uint16_t& key, TShiftState shift) override;
  // A typed character: opens the editor when it is closed (the character
  // replaces the cell's text), then goes into the editor; Backspace deletes.
  void HandleKeyPress(char& key) override;
  TDialogCodes WantedKeys() const override;
  // A press of a mouse button at a client point: the data cell under it
  // becomes current, then OnMouseDown runs.
  void MouseDown(TShiftState shift, int x, int y) override;
  // A turn of the wheel: OnMouseWheel, then, unless handled, one row per
  // notch. True when the turn was used.
  bool MouseWheel(TShiftState shift, int delta);
  void DblClick();

  TSelectCellEvent OnSelectCell;
  TDrawCellEvent OnDrawCell;
  TGetEditEvent OnGetEditText;
  TSetEditEvent OnSetEditText;
  TGridMouseEvent OnMouseDown;
  TGridMouseWheelEvent OnMouseWheel;

 protected:
  // The text the editor opens with, and where its changes go. The base
  // fires OnGetEditText / OnSetEditText only.
  virtual std::string GetEditText(int col, int row);
  virtual void SetEditText(int col, int row, const std::string& value);
  virtual bool CanEditShow(int col, int row) const { return true; }
  // The edit mask of a cell's editor; none by default.
  virtual EditMask GetEditMask(int col, int row) const { return {}; }
  // Draws a cell's contents; the rectangle is already filled.
  virtual void DrawCell(TCanvas& canvas, int col, int row, const TRect& rect, TGridDrawState state) {}
  // The shape changed: rows inserted at / deleted from `index`, or the
  // counts changed (cells beyond the new counts are gone).
  virtual void RowInserted(int index) {}
  virtual void RowDeleted(int index) {}
  virtual void SizeChanged() {}
  // The current cell's text changed behind the editor's back.
  void RefreshEditor();
  void CheckCell(int col, int row) const;
  // The code page of the grid's texts, from its font's character set.
  int CodePage() const;

 private:
  static void DefineProperties(PropertyBuilder<TCustomGrid>& p);

  void ClampCurrent();
  void Initialize();
  void MakeVisible(int col, int row);
  bool IsFixed(int col, int row) const { return col < fixedCols_ || row < fixedRows_; }
  void TypeChar(char key);
  void EditorChanged();
  void MoveBy(int dCol, int dRow);
  void TabTo(bool forward);

  std::vector<int> colWidths_;
  std::vector<int> rowHeights_;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  int defaultColWidth_ = 64;
  int defaultRowHeight_ = 24;
  int gridLineWidth_ = 1;
  TGridOptions options_;
  TColor fixedColor_ = clBtnFace;
  bool defaultDrawing_ = true;
  int col_ = 1;
  int row_ = 1;
  int topRow_ = 1;
  int leftCol_ = 1;
  bool editing_ = false;
  std::string editText_;
  std::string originalText_;
  int caret_ = 0;
  bool allSelected_ = false;  // the editor's whole text, as it opens
  TCanvas* paintCanvas_ = nullptr;
  std::unique_ptr<TRecordingCanvas> measureCanvas_;
};

// A grid of texts, each cell with an object pointer the program may attach.
class TStringGrid : public TCustomGrid {
  PELLOR_CLASS(TStringGrid);

 public:
  explicit TStringGrid(TComponent* owner);
  ~TStringGrid() override;

  // EInvalidGridOperation outside the grid. Setting a cell reports "Cells"
  // and fires no event.
  const std::string& Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string& text);
  // Not owned.
  TObject* Objects(int col, int row) const;
  void SetObjects(int col, int row, TObject* object);
  // A row's (column's) texts; setting takes as many lines as there are
  // cells and empties the rest.
  TStringList Rows(int row) const;
  void SetRows(int row, const TStringList& lines);
  TStringList Cols(int col) const;
  void SetCols(int col, const TStringList& lines);

 protected:
  std::string GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const std::string& value) override;
  // The text at (left + 2, top + 2), cut off at the cell.
  void DrawCell(TCanvas& canvas, int col, int row, const TRect& rect, TGridDrawState state) override;
  void RowInserted(int index) override;
  void RowDeleted(int index) override;
  void SizeChanged() override;

 private:
  struct Cell {
    std::string text;
    TObject* object = nullptr;
  };
  Cell& At(int col, int row);
  const Cell& At(int col, int row) const;

  std::vector<std::vector<Cell>> cells_;  // [row][col]
};

using TPickSelectEvent = std::function<void(TObject* sender, int col, int row, int index)>;

// A string grid whose cells can each have their own alignment, colour,
// font, hint, edit mask, pick list (a drop-down of lines "display TAB
// value"; the cell shows and stores the display part) and check-cell
// values. Alignment, colour, font and pick list can also be set per column
// and per row; a cell's own setting comes first, then its column's, then its
// row's, then the grid's. Cell settings move with their rows when rows are
// inserted or deleted.
class TStringAlignGrid : public TStringGrid {
  PELLOR_CLASS(TStringAlignGrid);

 public:
  explicit TStringAlignGrid(TComponent* owner);
  ~TStringAlignGrid() override;

  // The grid's own alignment of cell texts.
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);

  TAlignment CellAlignment(int col, int row) const;
  void SetCellAlignment(int col, int row, TAlignment alignment);
  void SetColAlignment(int col, TAlignment alignment);
  void SetRowAlignment(int row, TAlignment alignment);

  TColor CellColor(int col, int row) const;
  void SetCellColor(int col, int row, TColor color);
  void SetColColor(int col, TColor color);
  void SetRowColor(int row, TColor color);

  // The font a cell is drawn in.
  const TFont& CellFont(int col, int row) const;
  // A cell's (column's, row's) own font, made on first use as a copy of the
  // grid's font.
  TFont& OwnCellFont(int col, int row);
  TFont& OwnColFont(int col);
  TFont& OwnRowFont(int row);

  // The drop-down of a cell (its own, its column's or its row's), nullptr
  // when it has none. An empty list removes a setting.
  const TStringList* PickList(int col, int row) const;
  void SetCellPickList(int col, int row, const TStringList& lines);
  void SetColPickList(int col, const TStringList& lines);
  void SetRowPickList(int row, const TStringList& lines);
  // How wide a column's drop-downs open (0: as wide as the cell).
  int PickListWidth(int col) const;
  void SetPickListWidth(int col, int width);
  // A user's choice of line `index` from the current cell's drop-down: the
  // display part goes into the cell through the editor (OnSetEditText), then
  // OnPickSelect runs. Nothing happens without a list, for an index outside
  // it, or when the cell cannot be edited.
  void SelectPickItem(int index);

  const std::string& CellHint(int col, int row) const;
  void SetCellHint(int col, int row, const std::string& hint);
  const std::string& CellEditMask(int col, int row) const;
  void SetCellEditMask(int col, int row, const std::string& mask);

  // A check cell shows a box instead of its text: checked when the text is
  // the checked value. `values` is "checked;unchecked" ("Y;N"); the cell
  // keeps its text. Space and a click toggle it (when goEditing), through
  // OnSetEditText.
  void SetCheckCell(int col, int row, std::string_view values);
  bool IsCheckCell(int col, int row) const;
  bool CellChecked(int col, int row) const;
  void SetCellChecked(int col, int row, bool checked);
  // The checked value when the cell shows it, else the unchecked value; the
  // text for a cell that is no check cell.
  std::string CheckCellValue(int col, int row) const;

  // Takes every setting of the cell away (not its text).
  void ResetCell(int col, int row);

  // Every font and every text list the grid keeps for cells, columns and
  // rows: a form converter rewrites them in place. The pointers stay valid
  // until the next change of settings or shape.
  std::vector<TFont*> OwnFonts();
  std::vector<TStringList*> OwnTextLists();

  void MouseDown(TShiftState shift, int x, int y) override;
  void HandleKeyPress(char& key) override;

  TPickSelectEvent OnPickSelect;

 protected:
  bool CanEditShow(int col, int row) const override;
  EditMask GetEditMask(int col, int row) const override;
  void DrawCell(TCanvas& canvas, int col, int row, const TRect& rect, TGridDrawState state) override;
  void RowInserted(int index) override;
  void RowDeleted(int index) override;
  void SizeChanged() override;

 private:
  struct Settings {
    std::optional<TAlignment> alignment;
    std::optional<TColor> color;
    std::unique_ptr<TFont> font;
    std::unique_ptr<TStringList> pickList;
  };
  struct CellSettings : Settings {
    std::string hint;
    std::string editMask;
    bool check = false;
    std::string checkedValue;
    std::string uncheckedValue;
  };
  static void DefineProperties(PropertyBuilder<TStringAlignGrid>& p);
  CellSettings& CellAt(int col, int row);
  const CellSettings* FindCell(int col, int row) const;
  template <class T, class F>
  std::optional<T> Resolve(int col, int row, F get) const;
  void Toggle(int col, int row);
  void SettingsChanged() { Changed("CellSettings"); }

  TAlignment alignment_ = taLeftJustify;
  std::vector<std::vector<std::unique_ptr<CellSettings>>> cells_;  // [row][col], null when none
  std::vector<Settings> cols_;
  std::vector<Settings> rows_;
  std::vector<int> pickWidths_;
};

}  // namespace pellor

#endif  // PELLOR_UI_GRIDS_H_
