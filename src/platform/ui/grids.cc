#include "platform/ui/grids.h"

#include <algorithm>

#include "platform/rtl/codepage.h"

namespace pellor {

namespace {

[[noreturn]] void OutOfRange(int col, int row) {
  throw EInvalidGridOperation("Grid index out of range (" + std::to_string(col) + ", " + std::to_string(row) + ")");
}

// Restores the painting canvas pointer however painting ends.
class TPaintScope {
 public:
  TPaintScope(TCanvas*& slot, TCanvas& canvas) : slot_(slot) { slot_ = &canvas; }
  ~TPaintScope() { slot_ = nullptr; }
  TPaintScope(const TPaintScope&) = delete;
  TPaintScope& operator=(const TPaintScope&) = delete;

 private:
  TCanvas*& slot_;
};

TDrawTextAlign DrawAlignOf(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify: return dtRight;
    case taCenter: return dtCenter;
    default: return dtLeft;
  }
}

}  // namespace

// ---- TCustomGrid ------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TCustomGrid, TWinControl);

void TCustomGrid::DefineProperties(PropertyBuilder<TCustomGrid>& p) {
  p.Integer("ColCount", &TCustomGrid::ColCount, &TCustomGrid::SetColCount)
      .Integer("RowCount", &TCustomGrid::RowCount, &TCustomGrid::SetRowCount)
      .Integer("FixedCols", &TCustomGrid::FixedCols, &TCustomGrid::SetFixedCols)
      .Integer("FixedRows", &TCustomGrid::FixedRows, &TCustomGrid::SetFixedRows)
      .Integer("DefaultColWidth", &TCustomGrid::DefaultColWidth, &TCustomGrid::SetDefaultColWidth)
      .Integer("DefaultRowHeight", &TCustomGrid::DefaultRowHeight, &TCustomGrid::SetDefaultRowHeight)
      .Integer("GridLineWidth", &TCustomGrid::GridLineWidth, &TCustomGrid::SetGridLineWidth)
      .Set("Options", kGridOptionInfo, &TCustomGrid::Options, &TCustomGrid::SetOptions)
      .Color("FixedColor", &TCustomGrid::FixedColor, &TCustomGrid::SetFixedColor)
      .Bool("DefaultDrawing", &TCustomGrid::DefaultDrawing, &TCustomGrid::SetDefaultDrawing)
      .Event("OnSelectCell", &TCustomGrid::OnSelectCell)
      .Event("OnDrawCell", &TCustomGrid::OnDrawCell)
      .Event("OnGetEditText", &TCustomGrid::OnGetEditText)
      .Event("OnSetEditText", &TCustomGrid::OnSetEditText)
      .Event("OnMouseDown", &TCustomGrid::OnMouseDown)
      .Event("OnMouseWheel", &TCustomGrid::OnMouseWheel);
}

TCustomGrid::TCustomGrid(TComponent* owner)
    : TWinControl(owner),
      colWidths_(5, 64),
      rowHeights_(5, 24),
      options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect} {
  SetTabStop(true);
  SetBounds(0, 0, 320, 120);
}

TCustomGrid::~TCustomGrid() { MarkDestroying(); }

int TCustomGrid::CodePage() const { return CodePageOfCharset(Font()->Charset()); }

void TCustomGrid::CheckCell(int col, int row) const {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) OutOfRange(col, row);
}

void TCustomGrid::SetColCount(int count) {
  count = std::max(count, 1);
  if (count == ColCount()) return;
  colWidths_.resize(count, defaultColWidth_);
  if (fixedCols_ >= count) fixedCols_ = count - 1;
  SizeChanged();
  Changed("ColCount");
  ClampCurrent();
}

void TCustomGrid::SetRowCount(int count) {
  count = std::max(count, 1);
  if (count == RowCount()) return;
  rowHeights_.resize(count, defaultRowHeight_);
  if (fixedRows_ >= count) fixedRows_ = count - 1;
  SizeChanged();
  Changed("RowCount");
  ClampCurrent();
}

void TCustomGrid::SetFixedCols(int count) {
  if (count < 0 || count >= ColCount()) {
    throw EInvalidGridOperation("Fixed column count must be less than column count");
  }
  if (count == fixedCols_) return;
  fixedCols_ = count;
  Changed("FixedCols");
  Initialize();
}

void TCustomGrid::SetFixedRows(int count) {
  if (count < 0 || count >= RowCount()) throw EInvalidGridOperation("Fixed row count must be less than row count");
  if (count == fixedRows_) return;
  fixedRows_ = count;
  Changed("FixedRows");
  Initialize();
}

void TCustomGrid::Initialize() {
  if (col_ != fixedCols_) {
    col_ = fixedCols_;
    Changed("Col");
  }
  if (row_ != fixedRows_) {
    row_ = fixedRows_;
    Changed("Row");
  }
  SetTopRow(fixedRows_);
  SetLeftCol(fixedCols_);
  RefreshEditor();
}

void TCustomGrid::ClampCurrent() {
  const int col = std::clamp(col_, fixedCols_, ColCount() - 1);
  const int row = std::clamp(row_, fixedRows_, RowCount() - 1);
  if (col != col_) {
    col_ = col;
    Changed("Col");
  }
  if (row != row_) {
    row_ = row;
    Changed("Row");
  }
  SetTopRow(topRow_);
  SetLeftCol(leftCol_);
  RefreshEditor();
}

void TCustomGrid::SetDefaultColWidth(int width) {
  width = std::max(width, 0);
  if (width == defaultColWidth_) return;
  defaultColWidth_ = width;
  std::fill(colWidths_.begin(), colWidths_.end(), width);
  Changed("DefaultColWidth");
}

void TCustomGrid::SetDefaultRowHeight(int height) {
  height = std::max(height, 0);
  if (height == defaultRowHeight_) return;
  defaultRowHeight_ = height;
  std::fill(rowHeights_.begin(), rowHeights_.end(), height);
  Changed("DefaultRowHeight");
}

int TCustomGrid::ColWidths(int col) const {
  CheckCell(col, 0);
  return colWidths_[col];
}

void TCustomGrid::SetColWidths(int col, int width) {
  CheckCell(col, 0);
  width = std::max(width, 0);
  if (width == colWidths_[col]) return;
  colWidths_[col] = width;
  Changed("ColWidths");
}

int TCustomGrid::RowHeights(int row) const {
  CheckCell(0, row);
  return rowHeights_[row];
}

void TCustomGrid::SetRowHeights(int row, int height) {
  CheckCell(0, row);
  height = std::max(height, 0);
  if (height == rowHeights_[row]) return;
  rowHeights_[row] = height;
  Changed("RowHeights");
}

void TCustomGrid::SetGridLineWidth(int width) {
  width = std::max(width, 0);
  if (width == gridLineWidth_) return;
  gridLineWidth_ = width;
  Changed("GridLineWidth");
}

void TCustomGrid::InsertRow(int index) {
  if (index < fixedRows_ || index > RowCount()) {
    throw EInvalidGridOperation("Cannot insert a row at " + std::to_string(index));
  }
  rowHeights_.insert(rowHeights_.begin() + index, defaultRowHeight_);
  RowInserted(index);
  Changed("RowCount");
  if (row_ >= index && row_ + 1 < RowCount()) {
    ++row_;
    Changed("Row");
  }
  ClampCurrent();
}

void TCustomGrid::DeleteRow(int index) {
  if (index < fixedRows_ || index >= RowCount()) {
    throw EInvalidGridOperation("Cannot delete row " + std::to_string(index));
  }
  if (RowCount() - 1 <= fixedRows_) throw EInvalidGridOperation("Cannot delete the last row that is not fixed");
  rowHeights_.erase(rowHeights_.begin() + index);
  RowDeleted(index);
  Changed("RowCount");
  if (row_ > index) {
    --row_;
    Changed("Row");
  }
  ClampCurrent();
  // The editor shows what is now in the current cell.
  if (editing_) {
    editText_.clear();
    RefreshEditor();
  }
}

void TCustomGrid::SetOptions(TGridOptions options) {
  if (options == options_) return;
  options_ = options;
  Changed("Options");
  if (editing_ && (!options_.Contains(goEditing) || options_.Contains(goRowSelect))) HideEditor();
}

void TCustomGrid::SetFixedColor(TColor color) {
  if (color == fixedColor_) return;
  fixedColor_ = color;
  Changed("FixedColor");
}

void TCustomGrid::SetDefaultDrawing(bool defaultDrawing) {
  if (defaultDrawing == defaultDrawing_) return;
  defaultDrawing_ = defaultDrawing;
  Changed("DefaultDrawing");
}

TGridRect TCustomGrid::Selection() const {
  if (options_.Contains(goRowSelect)) return {fixedCols_, row_, ColCount() - 1, row_};
  return {col_, row_, col_, row_};
}

bool TCustomGrid::FocusCell(int col, int row) {
  CheckCell(col, row);
  if (IsFixed(col, row)) throw EInvalidGridOperation("A fixed cell cannot be the current cell");
  if (col == col_ && row == row_) {
    MakeVisible(col, row);
    return true;
  }
  bool canSelect = true;
  if (OnSelectCell) OnSelectCell(this, col, row, canSelect);
  if (!canSelect) return false;
  const bool wasEditing = editing_;
  if (wasEditing) {
    editing_ = false;
    Changed("EditorMode");
  }
  const bool colMoved = col != col_;
  const bool rowMoved = row != row_;
  col_ = col;
  row_ = row;
  if (colMoved) Changed("Col");
  if (rowMoved) Changed("Row");
  MakeVisible(col, row);
  if (options_.Contains(goAlwaysShowEditor)) ShowEditor();
  return true;
}

int TCustomGrid::VisibleRowCount() const {
  if (Height() == 0) return std::max(RowCount() - topRow_, 1);
  int avail = ClientHeight();
  for (int r = 0; r < fixedRows_; ++r) avail -= rowHeights_[r] + gridLineWidth_;
  int count = 0;
  for (int r = topRow_; r < RowCount(); ++r) {
    avail -= rowHeights_[r] + gridLineWidth_;
    if (avail < 0) break;
    ++count;
  }
  return std::max(count, 1);
}

int TCustomGrid::VisibleColCount() const {
  if (Width() == 0) return std::max(ColCount() - leftCol_, 1);
  int avail = ClientWidth();
  for (int c = 0; c < fixedCols_; ++c) avail -= colWidths_[c] + gridLineWidth_;
  int count = 0;
  for (int c = leftCol_; c < ColCount(); ++c) {
    avail -= colWidths_[c] + gridLineWidth_;
    if (avail < 0) break;
    ++count;
  }
  return std::max(count, 1);
}

void TCustomGrid::SetTopRow(int row) {
  row = std::clamp(row, fixedRows_, RowCount() - 1);
  if (row == topRow_) return;
  topRow_ = row;
  Changed("TopRow");
}

void TCustomGrid::SetLeftCol(int col) {
  col = std::clamp(col, fixedCols_, ColCount() - 1);
  if (col == leftCol_) return;
  leftCol_ = col;
  Changed("LeftCol");
}

void TCustomGrid::MakeVisible(int col, int row) {
  if (row < topRow_) SetTopRow(row);
  while (row >= topRow_ + VisibleRowCount() && topRow_ < row) SetTopRow(topRow_ + 1);
  if (col < leftCol_) SetLeftCol(col);
  while (col >= leftCol_ + VisibleColCount() && leftCol_ < col) SetLeftCol(leftCol_ + 1);
}

TRect TCustomGrid::CellRect(int col, int row) const {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return {};
  if ((col >= fixedCols_ && col < leftCol_) || (row >= fixedRows_ && row < topRow_)) return {};
  auto start = [this](const std::vector<int>& sizes, int fixed, int first, int index) {
    int at = 0;
    for (int i = 0; i < std::min(index, fixed); ++i) at += sizes[i] + gridLineWidth_;
    for (int i = first; i < index; ++i) at += sizes[i] + gridLineWidth_;
    return at;
  };
  const int x = start(colWidths_, fixedCols_, leftCol_, col);
  const int y = start(rowHeights_, fixedRows_, topRow_, row);
  if ((Width() > 0 && x >= ClientWidth()) || (Height() > 0 && y >= ClientHeight())) return {};
  return Bounds(x, y, colWidths_[col], rowHeights_[row]);
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
  auto find = [this](const std::vector<int>& sizes, int fixed, int first, int at) {
    if (at < 0) return -1;
    int pos = 0;
    for (int i = 0; i < static_cast<int>(sizes.size()); ++i) {
      if (i >= fixed && i < first) continue;
      pos += sizes[i] + gridLineWidth_;
      if (at < pos) return i;
    }
    return -1;
  };
  const int col = find(colWidths_, fixedCols_, leftCol_, x);
  const int row = find(rowHeights_, fixedRows_, topRow_, y);
  if (col < 0 || row < 0) return {-1, -1};
  return {col, row};
}

// ---- Editing --------------------------------------------------------------------

std::string TCustomGrid::GetEditText(int col, int row) {
  std::string value;
  if (OnGetEditText) OnGetEditText(this, col, row, value);
  return value;
}

void TCustomGrid::SetEditText(int col, int row, const std::string& value) {
  if (OnSetEditText) OnSetEditText(this, col, row, value);
}

void TCustomGrid::SetEditorMode(bool editorMode) {
  if (editorMode == editing_) return;
  if (editorMode) {
    if (!options_.Contains(goEditing) || options_.Contains(goRowSelect) || IsFixed(col_, row_) ||
        !CanEditShow(col_, row_)) {
      return;
    }
    editing_ = true;
    editText_.clear();
    RefreshEditor();
  } else {
    editing_ = false;
  }
  Changed("EditorMode");
}

void TCustomGrid::RefreshEditor() {
  if (!editing_) return;
  std::string text = GetEditText(col_, row_);
  EditMask mask = GetEditMask(col_, row_);
  if (!mask.IsEmpty()) text = mask.FormatValue(text);
  editText_ = text;
  originalText_ = text;
  caret_ = static_cast<int>(editText_.size());
  allSelected_ = true;
}

void TCustomGrid::SetEditorText(const std::string& text) {
  ShowEditor();
  if (!editing_) return;
  editText_ = text;
  caret_ = static_cast<int>(editText_.size());
  allSelected_ = false;
  EditorChanged();
}

void TCustomGrid::EditorChanged() { SetEditText(col_, row_, editText_); }

void TCustomGrid::TypeChar(char key) {
  const EditMask mask = GetEditMask(col_, row_);
  if (allSelected_) {
    // The text is selected as the editor opens: what is typed replaces it,
    // and Backspace deletes it.
    allSelected_ = false;
    editText_ = mask.IsEmpty() ? std::string() : mask.EmptyText();
    caret_ = mask.IsEmpty() ? 0 : static_cast<int>(mask.NextEditable(0));
    if (key == '\b') {
      EditorChanged();
      return;
    }
  }
  if (key == '\b') {
    if (caret_ <= 0) return;
    if (!mask.IsEmpty()) {
      const size_t at = mask.PreviousEditable(static_cast<size_t>(caret_ - 1));
      if (at == std::string::npos) return;
      editText_[at] = mask.Blank();
      caret_ = static_cast<int>(at);
    } else {
      // Back over a whole double-byte character.
      int start = 0;
      for (int i = 0; i < caret_;) {
        start = i;
        i += (i + 1 < caret_ && IsLeadByte(static_cast<unsigned char>(editText_[i]), CodePage())) ? 2 : 1;
      }
      editText_.erase(start, caret_ - start);
      caret_ = start;
    }
  } else if (!mask.IsEmpty()) {
    size_t cursor = static_cast<size_t>(caret_);
    if (!mask.TypeChar(editText_, cursor, key)) return;
    caret_ = static_cast<int>(cursor);
  } else {
    editText_.insert(editText_.begin() + caret_, key);
    ++caret_;
  }
  EditorChanged();
}

void TCustomGrid::HandleKeyPress(char& key) {
  const auto byte = static_cast<unsigned char>(key);
  if (byte < 0x20 && key != '\b') return;  // Enter, Esc and Tab are keys, not text
  if (!editing_) {
    if (key == '\b') return;
    ShowEditor();  // opens with the text selected: the character replaces it
    if (!editing_) return;
  }
  TypeChar(key);
  key = 0;
}

void TCustomGrid::MoveBy(int dCol, int dRow) {
  const int col = std::clamp(col_ + dCol, fixedCols_, ColCount() - 1);
  const int row = std::clamp(row_ + dRow, fixedRows_, RowCount() - 1);
  FocusCell(col, row);
}

void TCustomGrid::TabTo(bool forward) {
  int col = col_ + (forward ? 1 : -1);
  int row = row_;
  if (col >= ColCount()) {
    col = fixedCols_;
    ++row;
  } else if (col < fixedCols_) {
    col = ColCount() - 1;
    --row;
  }
  if (row < fixedRows_ || row >= RowCount()) return;
  FocusCell(col, row);
}

void TCustomGrid::HandleKeyDown(uint16_t& key, TShiftState shift) {
  const bool ctrl = shift.Contains(ssCtrl);
  if (editing_) {
    const EditMask mask = GetEditMask(col_, row_);
    const int size = static_cast<int>(editText_.size());
    if (key == VK_LEFT || key == VK_RIGHT || ((key == VK_HOME || key == VK_END) && !ctrl) || key == VK_F2) {
      allSelected_ = false;
    }
    switch (key) {
      case VK_F2:
        caret_ = size;
        key = 0;
        return;
      case VK_ESCAPE:
        editText_ = originalText_;
        caret_ = static_cast<int>(editText_.size());
        EditorChanged();
        if (!options_.Contains(goAlwaysShowEditor)) HideEditor();
        key = 0;
        return;
      case VK_RETURN:
        if (!options_.Contains(goAlwaysShowEditor)) {
          HideEditor();
          key = 0;
        }
        return;
      case VK_LEFT:
        if (caret_ > 0) {
          int start = 0;
          for (int i = 0; i < caret_;) {
            start = i;
            i += (i + 1 < caret_ && IsLeadByte(static_cast<unsigned char>(editText_[i]), CodePage())) ? 2 : 1;
          }
          caret_ = start;
        }
        key = 0;
        return;
      case VK_RIGHT:
        if (caret_ < size) {
          caret_ += (caret_ + 1 < size && IsLeadByte(static_cast<unsigned char>(editText_[caret_]), CodePage())) ? 2 : 1;
        }
        key = 0;
        return;
      case VK_HOME:
      case VK_END:
        if (ctrl) break;
        caret_ = key == VK_HOME ? 0 : size;
        key = 0;
        return;
      case VK_DELETE:
        if (allSelected_) {
          char back = '\b';
          TypeChar(back);
        } else if (caret_ < size) {
          if (!mask.IsEmpty()) {
            const size_t at = mask.NextEditable(static_cast<size_t>(caret_));
            if (at < mask.Length() && at < editText_.size()) editText_[at] = mask.Blank();
          } else {
            const int n = (caret_ + 1 < size && IsLeadByte(static_cast<unsigned char>(editText_[caret_]), CodePage())) ? 2 : 1;
            editText_.erase(caret_, n);
          }
          EditorChanged();
        }
        key = 0;
        return;
      default:
        break;
    }
  } else if (key == VK_F2 || key == VK_RETURN) {
    ShowEditor();
    if (editing_) {
      // F2 puts the caret at the end instead of selecting the text.
      if (key == VK_F2) allSelected_ = false;
      key = 0;
    }
    return;
  }
  const bool rowSelect = options_.Contains(goRowSelect);
  switch (key) {
    case VK_UP: MoveBy(0, -1); break;
    case VK_DOWN: MoveBy(0, 1); break;
    case VK_LEFT:
      if (!rowSelect) MoveBy(-1, 0);
      break;
    case VK_RIGHT:
      if (!rowSelect) MoveBy(1, 0);
      break;
    case VK_PRIOR: MoveBy(0, -VisibleRowCount()); break;
    case VK_NEXT: MoveBy(0, VisibleRowCount()); break;
    case VK_HOME:
      if (ctrl || rowSelect) {
        FocusCell(col_, fixedRows_);
      } else {
        FocusCell(fixedCols_, row_);
      }
      break;
    case VK_END:
      if (ctrl || rowSelect) {
        FocusCell(col_, RowCount() - 1);
      } else {
        FocusCell(ColCount() - 1, row_);
      }
      break;
    case VK_TAB:
      if (!options_.Contains(goTabs) || ctrl || shift.Contains(ssAlt)) return;
      TabTo(!shift.Contains(ssShift));
      break;
    default:
      return;
  }
  key = 0;
}

TDialogCodes TCustomGrid::WantedKeys() const {
  TDialogCodes codes{dcWantArrows, dcWantChars};
  if (options_.Contains(goTabs)) codes.Include(dcWantTab);
  if (editing_) codes.Include(dcWantAllKeys);
  return codes;
}

void TCustomGrid::MouseDown(TShiftState shift, int x, int y) {
  const bool left = shift.Contains(ssLeft) || !(shift.Contains(ssRight) || shift.Contains(ssMiddle));
  const TGridCoord cell = MouseCoord(x, y);
  if (left && cell.X >= 0 && !IsFixed(cell.X, cell.Y)) FocusCell(cell.X, cell.Y);
  if (OnMouseDown) OnMouseDown(this, shift, x, y);
}

bool TCustomGrid::MouseWheel(TShiftState shift, int delta) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, delta, handled);
  if (handled) return true;
  const int notches = delta / 120;
  if (notches == 0) return false;
  MoveBy(0, -notches);
  return true;
}

void TCustomGrid::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

// ---- Painting -------------------------------------------------------------------

TCanvas& TCustomGrid::Canvas() {
  if (paintCanvas_ != nullptr) return *paintCanvas_;
  if (!measureCanvas_) measureCanvas_ = std::make_unique<TRecordingCanvas>();
  measureCanvas_->Font().Assign(*Font());
  return *measureCanvas_;
}

void TCustomGrid::Paint(TCanvas& canvas) {
  TPaintScope scope(paintCanvas_, canvas);
  auto shown = [](const std::vector<int>& sizes, int fixed, int first, int limit, int line) {
    std::vector<std::pair<int, int>> list;  // index, start
    int at = 0;
    for (int i = 0; i < static_cast<int>(sizes.size()); ++i) {
      if (i >= fixed && i < first) continue;
      if (limit > 0 && at >= limit) break;
      list.emplace_back(i, at);
      at += sizes[i] + line;
    }
    return list;
  };
  const int line = gridLineWidth_;
  const auto rows = shown(rowHeights_, fixedRows_, topRow_, Height() > 0 ? ClientHeight() : 0, line);
  const auto cols = shown(colWidths_, fixedCols_, leftCol_, Width() > 0 ? ClientWidth() : 0, line);
  const TGridRect selection = Selection();
  for (auto [row, y] : rows) {
    for (auto [col, x] : cols) {
      const TRect rect = Bounds(x, y, colWidths_[col], rowHeights_[row]);
      const bool fixed = IsFixed(col, row);
      TGridDrawState state;
      if (fixed) state.Include(gdFixed);
      const bool selected = !fixed && col >= selection.Left && col <= selection.Right && row >= selection.Top &&
                            row <= selection.Bottom;
      const bool focused = !fixed && col == col_ && row == row_;
      if (selected) state.Include(gdSelected);
      if (focused) state.Include(gdFocused);
      canvas.Font().Assign(*Font());
      canvas.Brush().SetStyle(bsSolid);
      if (defaultDrawing_) {
        TColor color = Color();
        if (fixed) {
          color = fixedColor_;
        } else if (selected && !(editing_ && focused)) {
          color = clHighlight;
          canvas.Font().SetColor(clHighlightText);
        }
        canvas.Brush().SetColor(color);
        canvas.FillRect(rect);
        DrawCell(canvas, col, row, rect, state);
      }
      if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
      if (line > 0) {
        const bool vertical = options_.Contains(fixed ? goFixedVertLine : goVertLine);
        const bool horizontal = options_.Contains(fixed ? goFixedHorzLine : goHorzLine);
        canvas.Pen().SetColor(fixed ? clBlack : clSilver);
        canvas.Pen().SetWidth(1);
        canvas.Pen().SetStyle(psSolid);
        for (int i = 0; i < line; ++i) {
          if (vertical) {
            canvas.MoveTo(rect.Right + i, rect.Top);
            canvas.LineTo(rect.Right + i, rect.Bottom + line);
          }
          if (horizontal) {
            canvas.MoveTo(rect.Left, rect.Bottom + i);
            canvas.LineTo(rect.Right + line, rect.Bottom + i);
          }
        }
      }
    }
  }
}

// ---- TStringGrid ------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TStringGrid, TCustomGrid);

TStringGrid::TStringGrid(TComponent* owner) : TCustomGrid(owner) { SizeChanged(); }

TStringGrid::~TStringGrid() { MarkDestroying(); }

TStringGrid::Cell& TStringGrid::At(int col, int row) {
  CheckCell(col, row);
  return cells_[row][col];
}

const TStringGrid::Cell& TStringGrid::At(int col, int row) const {
  CheckCell(col, row);
  return cells_[row][col];
}

const std::string& TStringGrid::Cells(int col, int row) const { return At(col, row).text; }

void TStringGrid::SetCells(int col, int row, const std::string& text) {
  Cell& cell = At(col, row);
  if (cell.text == text) return;
  cell.text = text;
  Changed("Cells");
  if (EditorMode() && col == Col() && row == Row()) RefreshEditor();
}

TObject* TStringGrid::Objects(int col, int row) const { return At(col, row).object; }

void TStringGrid::SetObjects(int col, int row, TObject* object) { At(col, row).object = object; }

TStringList TStringGrid::Rows(int row) const {
  CheckCell(0, row);
  TStringList lines;
  for (const Cell& cell : cells_[row]) lines.Add(cell.text);
  return lines;
}

void TStringGrid::SetRows(int row, const TStringList& lines) {
  CheckCell(0, row);
  for (int col = 0; col < ColCount(); ++col) SetCells(col, row, col < lines.Count() ? lines[col] : std::string());
}

TStringList TStringGrid::Cols(int col) const {
  CheckCell(col, 0);
  TStringList lines;
  for (const auto& row : cells_) lines.Add(row[col].text);
  return lines;
}

void TStringGrid::SetCols(int col, const TStringList& lines) {
  CheckCell(col, 0);
  for (int row = 0; row < RowCount(); ++row) SetCells(col, row, row < lines.Count() ? lines[row] : std::string());
}

std::string TStringGrid::GetEditText(int col, int row) {
  std::string value = Cells(col, row);
  if (OnGetEditText) OnGetEditText(this, col, row, value);
  return value;
}

void TStringGrid::SetEditText(int col, int row, const std::string& value) {
  Cell& cell = At(col, row);
  if (cell.text != value) {
    cell.text = value;
    Changed("Cells");
  }
  TCustomGrid::SetEditText(col, row, value);
}

void TStringGrid::DrawCell(TCanvas& canvas, int col, int row, const TRect& rect, TGridDrawState state) {
  canvas.TextRect(rect, rect.Left + 2, rect.Top + 2, Cells(col, row));
}

void TStringGrid::RowInserted(int index) {
  cells_.insert(cells_.begin() + index, std::vector<Cell>(ColCount()));
}

void TStringGrid::RowDeleted(int index) { cells_.erase(cells_.begin() + index); }

void TStringGrid::SizeChanged() {
  cells_.resize(RowCount());
  for (auto& row : cells_) row.resize(ColCount());
}

// ---- TStringAlignGrid -------------------------------------------------------------

PELLOR_DEFINE_CLASS(TStringAlignGrid, TStringGrid);

void TStringAlignGrid::DefineProperties(PropertyBuilder<TStringAlignGrid>& p) {
  p.Enum("Alignment", kAlignmentInfo, &TStringAlignGrid::Alignment, &TStringAlignGrid::SetAlignment)
      .Event("OnPickSelect", &TStringAlignGrid::OnPickSelect);
}

TStringAlignGrid::TStringAlignGrid(TComponent* owner) : TStringGrid(owner) { SizeChanged(); }

TStringAlignGrid::~TStringAlignGrid() { MarkDestroying(); }

void TStringAlignGrid::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Changed("Alignment");
}

TStringAlignGrid::CellSettings& TStringAlignGrid::CellAt(int col, int row) {
  CheckCell(col, row);
  auto& slot = cells_[row][col];
  if (!slot) slot = std::make_unique<CellSettings>();
  return *slot;
}

const TStringAlignGrid::CellSettings* TStringAlignGrid::FindCell(int col, int row) const {
  CheckCell(col, row);
  return cells_[row][col].get();
}

template <class T, class F>
std::optional<T> TStringAlignGrid::Resolve(int col, int row, F get) const {
  if (const CellSettings* cell = FindCell(col, row)) {
    if (auto value = get(static_cast<const Settings&>(*cell))) return value;
  }
  if (auto value = get(cols_[col])) return value;
  return get(rows_[row]);
}

TAlignment TStringAlignGrid::CellAlignment(int col, int row) const {
  return Resolve<TAlignment>(col, row, [](const Settings& s) { return s.alignment; }).value_or(alignment_);
}

void TStringAlignGrid::SetCellAlignment(int col, int row, TAlignment alignment) {
  CellAt(col, row).alignment = alignment;
  SettingsChanged();
}

void TStringAlignGrid::SetColAlignment(int col, TAlignment alignment) {
  CheckCell(col, 0);
  cols_[col].alignment = alignment;
  SettingsChanged();
}

void TStringAlignGrid::SetRowAlignment(int row, TAlignment alignment) {
  CheckCell(0, row);
  rows_[row].alignment = alignment;
  SettingsChanged();
}

TColor TStringAlignGrid::CellColor(int col, int row) const {
  return Resolve<TColor>(col, row, [](const Settings& s) { return s.color; }).value_or(Color());
}

void TStringAlignGrid::SetCellColor(int col, int row, TColor color) {
  CellAt(col, row).color = color;
  SettingsChanged();
}

void TStringAlignGrid::SetColColor(int col, TColor color) {
  CheckCell(col, 0);
  cols_[col].color = color;
  SettingsChanged();
}

void TStringAlignGrid::SetRowColor(int row, TColor color) {
  CheckCell(0, row);
  rows_[row].color = color;
  SettingsChanged();
}

const TFont& TStringAlignGrid::CellFont(int col, int row) const {
  auto font = Resolve<const TFont*>(col, row, [](const Settings& s) -> std::optional<const TFont*> {
    if (s.font) return s.font.get();
    return std::nullopt;
  });
  return font ? **font : *Font();
}

namespace {
template <class S>
TFont& OwnFont(S& settings, const TFont& from, const std::function<void()>& changed) {
  if (!settings.font) {
    settings.font = std::make_unique<TFont>(changed);
    settings.font->Assign(from);
  }
  return *settings.font;
}
}  // namespace

TFont& TStringAlignGrid::OwnCellFont(int col, int row) {
  return OwnFont(CellAt(col, row), *Font(), [this] { SettingsChanged(); });
}

TFont& TStringAlignGrid::OwnColFont(int col) {
  CheckCell(col, 0);
  return OwnFont(cols_[col], *Font(), [this] { SettingsChanged(); });
}

TFont& TStringAlignGrid::OwnRowFont(int row) {
  CheckCell(0, row);
  return OwnFont(rows_[row], *Font(), [this] { SettingsChanged(); });
}

const TStringList* TStringAlignGrid::PickList(int col, int row) const {
  auto list = Resolve<const TStringList*>(col, row, [](const Settings& s) -> std::optional<const TStringList*> {
    if (s.pickList) return s.pickList.get();
    return std::nullopt;
  });
  return list.value_or(nullptr);
}

namespace {
void StoreList(std::unique_ptr<TStringList>& slot, const TStringList& lines) {
  if (lines.Empty()) {
    slot.reset();
  } else {
    slot = std::make_unique<TStringList>(lines);
  }
}
}  // namespace

void TStringAlignGrid::SetCellPickList(int col, int row, const TStringList& lines) {
  StoreList(CellAt(col, row).pickList, lines);
  SettingsChanged();
}

void TStringAlignGrid::SetColPickList(int col, const TStringList& lines) {
  CheckCell(col, 0);
  StoreList(cols_[col].pickList, lines);
  SettingsChanged();
}

void TStringAlignGrid::SetRowPickList(int row, const TStringList& lines) {
  CheckCell(0, row);
  StoreList(rows_[row].pickList, lines);
  SettingsChanged();
}

int TStringAlignGrid::PickListWidth(int col) const {
  CheckCell(col, 0);
  return pickWidths_[col];
}

void TStringAlignGrid::SetPickListWidth(int col, int width) {
  CheckCell(col, 0);
  pickWidths_[col] = std::max(width, 0);
  SettingsChanged();
}

void TStringAlignGrid::SelectPickItem(int index) {
  const TStringList* list = PickList(Col(), Row());
  if (list == nullptr || index < 0 || index >= list->Count()) return;
  const std::string line = (*list)[index];
  ShowEditor();
  if (!EditorMode()) return;
  const int col = Col();
  const int row = Row();
  SetEditorText(line.substr(0, line.find('\t')));
  if (OnPickSelect) OnPickSelect(this, col, row, index);
}

const std::string& TStringAlignGrid::CellHint(int col, int row) const {
  static const std::string kNone;
  const CellSettings* cell = FindCell(col, row);
  return cell != nullptr ? cell->hint : kNone;
}

void TStringAlignGrid::SetCellHint(int col, int row, const std::string& hint) {
  CellAt(col, row).hint = hint;
  SettingsChanged();
}

const std::string& TStringAlignGrid::CellEditMask(int col, int row) const {
  static const std::string kNone;
  const CellSettings* cell = FindCell(col, row);
  return cell != nullptr ? cell->editMask : kNone;
}

void TStringAlignGrid::SetCellEditMask(int col, int row, const std::string& mask) {
  CellAt(col, row).editMask = mask;
  SettingsChanged();
  if (EditorMode() && col == Col() && row == Row()) RefreshEditor();
}

EditMask TStringAlignGrid::GetEditMask(int col, int row) const {
  const std::string& mask = CellEditMask(col, row);
  if (mask.empty()) return {};
  return EditMask(mask, CodePage());
}

void TStringAlignGrid::SetCheckCell(int col, int row, std::string_view values) {
  CellSettings& cell = CellAt(col, row);
  const size_t split = values.find(';');
  cell.check = true;
  cell.checkedValue = std::string(values.substr(0, split));
  cell.uncheckedValue = split == std::string_view::npos ? std::string() : std::string(values.substr(split + 1));
  SettingsChanged();
  if (EditorMode() && col == Col() && row == Row()) HideEditor();
}

bool TStringAlignGrid::IsCheckCell(int col, int row) const {
  const CellSettings* cell = FindCell(col, row);
  return cell != nullptr && cell->check;
}

bool TStringAlignGrid::CellChecked(int col, int row) const {
  const CellSettings* cell = FindCell(col, row);
  return cell != nullptr && cell->check && Cells(col, row) == cell->checkedValue;
}

void TStringAlignGrid::SetCellChecked(int col, int row, bool checked) {
  const CellSettings* cell = FindCell(col, row);
  if (cell == nullptr || !cell->check) return;
  SetCells(col, row, checked ? cell->checkedValue : cell->uncheckedValue);
}

std::string TStringAlignGrid::CheckCellValue(int col, int row) const {
  const CellSettings* cell = FindCell(col, row);
  if (cell == nullptr || !cell->check) return Cells(col, row);
  return Cells(col, row) == cell->checkedValue ? cell->checkedValue : cell->uncheckedValue;
}

void TStringAlignGrid::Toggle(int col, int row) {
  if (!Options().Contains(goEditing)) return;
  const CellSettings* cell = FindCell(col, row);
  SetEditText(col, row, CellChecked(col, row) ? cell->uncheckedValue : cell->checkedValue);
}

void TStringAlignGrid::ResetCell(int col, int row) {
  CheckCell(col, row);
  if (!cells_[row][col]) return;
  cells_[row][col].reset();
  SettingsChanged();
}

std::vector<TFont*> TStringAlignGrid::OwnFonts() {
  std::vector<TFont*> fonts;
  for (auto& row : cells_) {
    for (auto& cell : row) {
      if (cell && cell->font) fonts.push_back(cell->font.get());
    }
  }
  for (auto* list : {&cols_, &rows_}) {
    for (Settings& s : *list) {
      if (s.font) fonts.push_back(s.font.get());
    }
  }
  return fonts;
}

std::vector<TStringList*> TStringAlignGrid::OwnTextLists() {
  std::vector<TStringList*> lists;
  for (auto& row : cells_) {
    for (auto& cell : row) {
      if (cell && cell->pickList) lists.push_back(cell->pickList.get());
    }
  }
  for (auto* list : {&cols_, &rows_}) {
    for (Settings& s : *list) {
      if (s.pickList) lists.push_back(s.pickList.get());
    }
  }
  return lists;
}

void TStringAlignGrid::MouseDown(TShiftState shift, int x, int y) {
  const TGridCoord cell = MouseCoord(x, y);
  TStringGrid::MouseDown(shift, x, y);
  const bool left = shift.Contains(ssLeft) || !(shift.Contains(ssRight) || shift.Contains(ssMiddle));
  if (left && cell.X == Col() && cell.Y == Row() && IsCheckCell(cell.X, cell.Y)) Toggle(cell.X, cell.Y);
}

void TStringAlignGrid::HandleKeyPress(char& key) {
  if (key == ' ' && !EditorMode() && IsCheckCell(Col(), Row())) {
    Toggle(Col(), Row());
    key = 0;
    return;
  }
  TStringGrid::HandleKeyPress(key);
}

bool TStringAlignGrid::CanEditShow(int col, int row) const { return !IsCheckCell(col, row); }

void TStringAlignGrid::DrawCell(TCanvas& canvas, int col, int row, const TRect& rect, TGridDrawState state) {
  // The selection keeps the highlight colours Paint gave it, except under
  // the open editor.
  const bool highlighted = state.Contains(gdSelected) && !(EditorMode() && state.Contains(gdFocused));
  const TColor fontColor = canvas.Font().Color();
  canvas.Font().Assign(CellFont(col, row));
  if (highlighted) {
    canvas.Font().SetColor(fontColor);
  } else if (!state.Contains(gdFixed)) {
    auto color = Resolve<TColor>(col, row, [](const Settings& s) { return s.color; });
    if (color) {
      canvas.Brush().SetColor(*color);
      canvas.FillRect(rect);
    }
  }
  if (IsCheckCell(col, row)) {
    constexpr int kBox = 13;
    const int x = rect.Left + (rect.Width() - kBox) / 2;
    const int y = rect.Top + (rect.Height() - kBox) / 2;
    const TColor brush = canvas.Brush().Color();
    canvas.Pen().SetColor(clBlack);
    canvas.Pen().SetWidth(1);
    canvas.Brush().SetColor(clWindow);
    canvas.Rectangle(x, y, x + kBox, y + kBox);
    if (CellChecked(col, row)) {
      const TPoint tick[] = {{x + 3, y + 6}, {x + 5, y + 8}, {x + 10, y + 3}};
      canvas.Polyline(tick);
    }
    canvas.Brush().SetColor(brush);
    return;
  }
  canvas.DrawText(Rect(rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom), Cells(col, row),
                  DrawAlignOf(CellAlignment(col, row)), dtTop);
}

void TStringAlignGrid::RowInserted(int index) {
  TStringGrid::RowInserted(index);
  std::vector<std::unique_ptr<CellSettings>> row(ColCount());
  cells_.insert(cells_.begin() + index, std::move(row));
  rows_.insert(rows_.begin() + index, Settings{});
}

void TStringAlignGrid::RowDeleted(int index) {
  TStringGrid::RowDeleted(index);
  cells_.erase(cells_.begin() + index);
  rows_.erase(rows_.begin() + index);
}

void TStringAlignGrid::SizeChanged() {
  TStringGrid::SizeChanged();
  cells_.resize(RowCount());
  for (auto& row : cells_) row.resize(ColCount());
  cols_.resize(ColCount());
  rows_.resize(RowCount());
  pickWidths_.resize(ColCount(), 0);
}

}  // namespace pellor
