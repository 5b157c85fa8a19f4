#include "suite/lookup/pick_window.h"

#include <algorithm>

#include "platform/rtl/codepage.h"
#include "platform/ui/keys.h"
#include "suite/lookup/window_text.h"

namespace suite::lookup {

PELLOR_DEFINE_CLASS(TfrmF2Pick, pellor::TForm);

namespace {

std::u16string Folded(std::string_view text, int codePage) {
  std::u16string wide = pellor::AnsiToWide(text, codePage);
  for (char16_t& c : wide) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return wide;
}

}  // namespace

TfrmF2Pick::TfrmF2Pick(pellor::TComponent* owner) : TForm(owner), codePage_(pellor::kCodePageGB) {
  using namespace pellor;
  SetName("frmF2Pick");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(520);
  SetClientHeight(364);

  lblFind = TComponent::Create<TLabel>(this);
  lblFind->SetName("lblFind");
  lblFind->SetParent(this);
  lblFind->SetBounds(8, 12, 40, 13);

  edFind = TComponent::Create<TEdit>(this);
  edFind->SetName("edFind");
  edFind->SetParent(this);
  edFind->SetBounds(52, 8, 260, 21);
  edFind->SetText("");
  lblFind->SetFocusControl(edFind);

  gdPick = TComponent::Create<TStringGrid>(this);
  gdPick->SetName("gdPick");
  gdPick->SetParent(this);
  gdPick->SetBounds(8, 36, 504, 284);
  gdPick->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRowSelect});
  gdPick->SetDefaultRowHeight(18);

  btnOK = TComponent::Create<TButton>(this);
  btnOK->SetName("btnOK");
  btnOK->SetParent(this);
  btnOK->SetBounds(356, 330, 75, 25);
  btnOK->SetDefault(true);
  btnOK->SetModalResult(kModalOk);

  btnCancel = TComponent::Create<TButton>(this);
  btnCancel->SetName("btnCancel");
  btnCancel->SetParent(this);
  btnCancel->SetBounds(437, 330, 75, 25);
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(kModalCancel);

  SetCodePage(codePage_);
  SetActiveControl(edFind);

  edFind->OnChange = [this](TObject*) { Refilter(); };
  // The list moves under the find box, so that typing, arrows and Enter pick
  // a row without the mouse.
  edFind->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) {
    if ((key == VK_DOWN || key == VK_UP) && !shown_.empty()) {
      const int row = std::clamp(gdPick->Row() + (key == VK_DOWN ? 1 : -1), 1, static_cast<int>(shown_.size()));
      gdPick->SetRow(row);
      key = 0;
    }
  };
  gdPick->OnDblClick = [this](TObject*) { btnOK->Click(); };
  gdPick->OnKeyPress = [this](TObject*, char& key) {
    if (key == ' ' && multiSelect_) {
      ToggleMark();
      key = 0;
    }
  };
  btnOK->OnClick = [this](TObject*) {
    if (ChosenRows().empty()) {
      CurrentPlatform().Beep();
      SetModalResult(kModalNone);
    }
  };
}

void TfrmF2Pick::SetCodePage(int codePage) {
  codePage_ = codePage;
  SetWindowCodePage(*this, codePage);
  lblFind->SetCaption(WindowText("查找", codePage));
  btnOK->SetCaption(WindowText("确定", codePage));
  btnCancel->SetCaption(WindowText("取消", codePage));
}

void TfrmF2Pick::SetTitles(const std::vector<std::string>& titles) {
  titles_ = titles;
  gdPick->SetColCount(std::max<int>(2, static_cast<int>(titles_.size()) + 1));
  gdPick->SetColWidths(0, 14);
  for (size_t i = 0; i < titles_.size(); ++i) {
    const int col = static_cast<int>(i) + 1;
    gdPick->SetCells(col, 0, titles_[i]);
    gdPick->SetColWidths(col, std::clamp(static_cast<int>(titles_[i].size()) * 8 + 16, 64, 200));
  }
  Refilter();
}

void TfrmF2Pick::SetRows(std::vector<std::vector<std::string>> rows) {
  rows_ = std::move(rows);
  searchText_.clear();
  for (const std::vector<std::string>& row : rows_) {
    std::string joined;
    // A separator no typed text holds keeps a match within one cell.
    for (const std::string& cell : row) joined += cell + '\n';
    searchText_.push_back(Folded(joined, codePage_));
  }
  marked_.clear();
  Refilter();
}

void TfrmF2Pick::Refilter() {
  const std::u16string wanted = Folded(edFind->Text(), codePage_);
  shown_.clear();
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (wanted.empty() || searchText_[i].find(wanted) != std::u16string::npos) shown_.push_back(static_cast<int>(i));
  }
  // A grid keeps one row below its titles; an empty list shows it blank.
  const int cols = gdPick->ColCount();
  gdPick->SetRowCount(std::max<int>(2, static_cast<int>(shown_.size()) + 1));
  gdPick->SetFixedRows(1);
  gdPick->SetFixedCols(1);
  for (int r = 1; r < gdPick->RowCount(); ++r) {
    const bool present = r - 1 < static_cast<int>(shown_.size());
    for (int c = 1; c < cols; ++c) {
      const std::vector<std::string>* row = present ? &rows_[shown_[r - 1]] : nullptr;
      gdPick->SetCells(c, r, row != nullptr && c - 1 < static_cast<int>(row->size()) ? (*row)[c - 1] : "");
    }
    ShowMark(r);
  }
  gdPick->SetRow(1);
}

void TfrmF2Pick::ShowMark(int gridRow) {
  const bool marked = gridRow - 1 < static_cast<int>(shown_.size()) && marked_.count(shown_[gridRow - 1]) > 0;
  gdPick->SetCells(0, gridRow, marked ? "*" : "");
}

int TfrmF2Pick::CurrentRow() const {
  const int r = gdPick->Row() - 1;
  return r >= 0 && r < static_cast<int>(shown_.size()) ? shown_[r] : -1;
}

bool TfrmF2Pick::ToggleMark() {
  const int row = CurrentRow();
  if (!multiSelect_ || row < 0) return false;
  if (!marked_.erase(row)) marked_.insert(row);
  ShowMark(gdPick->Row());
  return true;
}

std::vector<int> TfrmF2Pick::ChosenRows() const {
  if (multiSelect_ && !marked_.empty()) return {marked_.begin(), marked_.end()};
  const int row = CurrentRow();
  if (row < 0) return {};
  return {row};
}

}  // namespace suite::lookup
