#include "platform/ui/stdctrls.h"

#include <algorithm>
#include <numeric>

#include "platform/rtl/codepage.h"
#include "platform/rtl/strutils.h"
#include "platform/ui/forms.h"
#include "platform/ui/platform.h"

namespace pellor {

// ---- Shared helpers ----------------------------------------------------------------

int CodePageOfCharset(int charset) {
  switch (charset) {
    case GB2312_CHARSET: return kCodePageGB;
    case CHINESEBIG5_CHARSET: return kCodePageBig5;
    case DEFAULT_CHARSET: return SystemCodePage();
    default: return kCodePageEnglish;
  }
}

namespace {

void Beep() { CurrentPlatform().Beep(); }

// A character as the keyboard gives it to a control: its OnKeyPress first,
// then the control's own handling of what is left.
void PressChar(TWinControl& control, char c) {
  char key = c;
  if (control.OnKeyPress) control.OnKeyPress(&control, key);
  if (key == 0) return;
  if (auto* handling = dynamic_cast<IKeyHandling*>(&control)) handling->HandleKeyPress(key);
}

int Size(const std::string& text) { return static_cast<int>(text.size()); }

bool Lead(const std::string& text, int pos, int codePage) {
  return pos + 1 < Size(text) && IsLeadByte(static_cast<unsigned char>(text[pos]), codePage);
}

// The start of the character holding byte `pos` (pos itself at a boundary),
// with `pos` first kept within the text.
int SnapToChar(const std::string& text, int pos, int codePage) {
  pos = std::clamp(pos, 0, Size(text));
  int i = 0;
  while (i < pos) {
    int step = Lead(text, i, codePage) ? 2 : 1;
    if (i + step > pos) return i;
    i += step;
  }
  return pos;
}

int NextChar(const std::string& text, int pos, int codePage) {
  if (pos >= Size(text)) return Size(text);
  return pos + (Lead(text, pos, codePage) ? 2 : 1);
}

int PrevChar(const std::string& text, int pos, int codePage) {
  int previous = 0;
  for (int i = 0; i < pos && i < Size(text);) {
    previous = i;
    i += Lead(text, i, codePage) ? 2 : 1;
  }
  return previous;
}

std::string FoldCase(std::string_view text, TEditCharCase charCase, int codePage) {
  std::string result(text);
  if (charCase == ecNormal) return result;
  for (size_t i = 0; i < result.size(); ++i) {
    auto c = static_cast<unsigned char>(result[i]);
    if (i + 1 < result.size() && IsLeadByte(c, codePage)) {
      ++i;  // the trail byte may look like a letter; it is not one
      continue;
    }
    if (charCase == ecUpperCase && c >= 'a' && c <= 'z') result[i] = static_cast<char>(c - 32);
    if (charCase == ecLowerCase && c >= 'A' && c <= 'Z') result[i] = static_cast<char>(c + 32);
  }
  return result;
}

// The longest run of whole characters from the start of `text` that takes at
// most `available` bytes.
std::string FitBytes(std::string_view text, int available, int codePage) {
  std::string whole(text);
  int end = 0;
  while (end < Size(whole)) {
    int next = NextChar(whole, end, codePage);
    if (next > available) break;
    end = next;
  }
  return whole.substr(0, end);
}

// An edit of a one-line text: the new text and selection.
struct EditStep {
  std::string text;
  int anchor = 0;
  int caret = 0;
};

EditStep ReplaceSel(const std::string& text, const TTextSelection& sel, std::string_view insert) {
  EditStep step;
  step.text = text.substr(0, sel.Start()) + std::string(insert) + text.substr(sel.Start() + sel.Length());
  step.anchor = step.caret = sel.Start() + static_cast<int>(insert.size());
  return step;
}

// Backspace (forward = false) or Delete: the selection, else one character.
// False when there is nothing to delete.
bool DeleteStep(const std::string& text, const TTextSelection& sel, bool forward, int codePage,
                EditStep& step) {
  TTextSelection range = sel;
  if (sel.Length() == 0) {
    int from = forward ? sel.Caret() : PrevChar(text, sel.Caret(), codePage);
    int to = forward ? NextChar(text, sel.Caret(), codePage) : sel.Caret();
    if (from == to) return false;
    range.Set(from, to);
  }
  step = ReplaceSel(text, range, "");
  return true;
}

// The caret after a movement key, or -1 when the key moves nothing here.
// `extend` tells whether the anchor stays.
int CaretAfterKey(const std::string& text, const TTextSelection& sel, uint16_t key, TShiftState shift,
                  int codePage) {
  const bool extend = shift.Contains(ssShift);
  switch (key) {
    case VK_LEFT:
      if (!extend && sel.Length() > 0) return sel.Start();
      return PrevChar(text, sel.Caret(), codePage);
    case VK_RIGHT:
      if (!extend && sel.Length() > 0) return sel.Start() + sel.Length();
      return NextChar(text, sel.Caret(), codePage);
    case VK_HOME: return 0;
    case VK_END: return Size(text);
    default: return -1;
  }
}

EComponentError IndexError(int index) {
  return EComponentError("List index out of bounds (" + std::to_string(index) + ")");
}

// The order that sorts `lines` without regard to case, equal lines keeping
// their order: result[i] is the old index of the line that goes to place i.
std::vector<int> SortOrder(const TStringList& lines) {
  std::vector<int> order(lines.Count());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&lines](int a, int b) { return CompareText(lines[a], lines[b]) < 0; });
  return order;
}

TStringList Reordered(const TStringList& lines, const std::vector<int>& order) {
  std::vector<std::string> sorted;
  sorted.reserve(order.size());
  for (int old : order) sorted.push_back(lines[old]);
  return TStringList(std::move(sorted));
}

// Where a new line goes in a sorted list: after every line not greater than it.
int SortedInsertPos(const TStringList& lines, std::string_view line) {
  int pos = 0;
  while (pos < lines.Count() && CompareText(lines[pos], line) <= 0) ++pos;
  return pos;
}

int NewIndexOf(const std::vector<int>& order, int oldIndex) {
  if (oldIndex < 0) return oldIndex;
  auto it = std::find(order.begin(), order.end(), oldIndex);
  return static_cast<int>(it - order.begin());
}

// The item after `from` (wrapping) whose text starts with `prefix` (case
// ignored); -1 when none.
int FindByPrefix(const TStringList& items, int from, std::string_view prefix) {
  const int n = items.Count();
  for (int k = 1; k <= n; ++k) {
    int i = ((from < 0 ? -1 : from) + k) % n;
    if (StartsText(prefix, items[i])) return i;
  }
  return -1;
}

}  // namespace

// ---- TLabel ----------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TLabel, TControl);

void TLabel::DefineProperties(PropertyBuilder<TLabel>& p) {
  p.Text("Caption", &TLabel::Caption, &TLabel::SetCaption)
      .Enum("Alignment", kAlignmentInfo, &TLabel::Alignment, &TLabel::SetAlignment)
      .Enum("Layout", kTextLayoutInfo, &TLabel::Layout, &TLabel::SetLayout)
      .Bool("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap)
      .Bool("Transparent", &TLabel::Transparent, &TLabel::SetTransparent)
      .Reference("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);
}

TLabel::TLabel(TComponent* owner) : TControl(owner) {
  SetBounds(0, 0, 65, 17);
  SetColor(clBtnFace);
}

void TLabel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Changed("Alignment");
}

void TLabel::SetLayout(TTextLayout layout) {
  if (layout == layout_) return;
  layout_ = layout;
  Changed("Layout");
}

void TLabel::SetWordWrap(bool wordWrap) {
  if (wordWrap == wordWrap_) return;
  wordWrap_ = wordWrap;
  Changed("WordWrap");
}

void TLabel::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Changed("Transparent");
}

void TLabel::SetFocusControl(TWinControl* control) {
  if (control == focusControl_.Get()) return;
  focusControl_.Set(control);
  Changed("FocusControl");
}

// ---- TCustomEdit ---------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TCustomEdit, TWinControl);

void TCustomEdit::DefineProperties(PropertyBuilder<TCustomEdit>& p) {
  p.Integer("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength)
      .Bool("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly)
      .Enum("CharCase", kEditCharCaseInfo, &TCustomEdit::CharCase, &TCustomEdit::SetCharCase)
      .Text("ImeName", &TCustomEdit::ImeName, &TCustomEdit::SetImeName)
      .Event("OnChange", &TCustomEdit::OnChange);
}

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
}

int TCustomEdit::CodePage() const { return CodePageOfCharset(Font()->Charset()); }

std::string TCustomEdit::ApplyCharCase(std::string_view text) const {
  return FoldCase(text, charCase_, CodePage());
}

void TCustomEdit::SetText(const std::string& text) {
  std::string folded = ApplyCharCase(text);
  pendingLead_ = -1;
  if (folded == Text()) return;
  modified_ = false;
  ApplyEdit(folded, 0, 0, false);
}

void TCustomEdit::ApplyEdit(const std::string& text, int anchor, int caret, bool byUser) {
  const bool textChanged = text != Text();
  const int oldStart = SelStart();
  const int oldLength = SelLength();
  if (textChanged) TControl::SetText(text);
  selection_.Set(anchor, caret);
  if (SelStart() != oldStart) Changed("SelStart");
  if (SelLength() != oldLength) Changed("SelLength");
  if (textChanged) {
    if (byUser) modified_ = true;
    Change();
  }
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::SetMaxLength(int maxLength) {
  if (maxLength < 0) throw EPropertyError("MaxLength cannot be negative (" + std::to_string(maxLength) + ")");
  if (maxLength == maxLength_) return;
  maxLength_ = maxLength;
  Changed("MaxLength");
}

void TCustomEdit::SetReadOnly(bool readOnly) {
  if (readOnly == readOnly_) return;
  readOnly_ = readOnly;
  Changed("ReadOnly");
}

void TCustomEdit::SetCharCase(TEditCharCase charCase) {
  if (charCase == charCase_) return;
  charCase_ = charCase;
  Changed("CharCase");
  std::string folded = ApplyCharCase(Text());
  if (folded != Text()) ApplyEdit(folded, selection_.Anchor(), selection_.Caret(), false);
}

void TCustomEdit::SetPasswordChar(char passwordChar) {
  if (passwordChar == passwordChar_) return;
  passwordChar_ = passwordChar;
  Changed("PasswordChar");
}

void TCustomEdit::SetImeName(const std::string& imeName) {
  if (imeName == imeName_) return;
  imeName_ = imeName;
  Changed("ImeName");
}

void TCustomEdit::SetSelStart(int selStart) {
  int at = SnapToChar(Text(), selStart, CodePage());
  ApplyEdit(Text(), at, at, false);
}

void TCustomEdit::SetSelLength(int selLength) {
  const int start = SelStart();
  int end = SnapToChar(Text(), start + selLength, CodePage());
  ApplyEdit(Text(), start, end, false);
}

std::string TCustomEdit::SelText() const { return Text().substr(SelStart(), SelLength()); }

void TCustomEdit::SetSelText(const std::string& text) {
  EditStep step = ReplaceSel(Text(), selection_, ApplyCharCase(text));
  ApplyEdit(step.text, step.anchor, step.caret, false);
}

void TCustomEdit::SelectAll() { ApplyEdit(Text(), 0, Size(Text()), false); }

void TCustomEdit::ClearSelection() {
  if (readOnly_ || SelLength() == 0) return;
  SetSelText("");
}

void TCustomEdit::Refuse() {
  ++refusals_;
  Beep();
}

void TCustomEdit::MoveCaret(int caret, bool extend) {
  ApplyEdit(Text(), extend ? selection_.Anchor() : caret, caret, false);
}

bool TCustomEdit::UserReplaceSelection(std::string_view insert) {
  if (readOnly_ || !EditCanModify()) {
    Refuse();
    return false;
  }
  std::string typed = ApplyCharCase(insert);
  if (maxLength_ > 0) {
    const int available = maxLength_ - (Size(Text()) - SelLength());
    typed = FitBytes(typed, std::max(available, 0), CodePage());
  }
  const bool whole = typed.size() == insert.size();
  if (!whole) Refuse();
  if (typed.empty() && !insert.empty()) return false;
  EditStep step = ReplaceSel(Text(), selection_, typed);
  ApplyEdit(step.text, step.anchor, step.caret, true);
  return whole;
}

bool TCustomEdit::TypeText(std::string_view text) {
  if (!Enabled()) return false;
  const int before = refusals_;
  for (char c : text) PressChar(*this, c);
  return refusals_ == before;
}

TDialogCodes TCustomEdit::WantedKeys() const { return {dcWantArrows, dcWantChars}; }

void TCustomEdit::HandleKeyDown(uint16_t& key, TShiftState shift) {
  const int codePage = CodePage();
  if (key == VK_DELETE && !shift.Contains(ssShift)) {
    key = 0;
    EditStep step;
    if (!DeleteStep(Text(), selection_, true, codePage, step)) return;
    if (readOnly_ || !EditCanModify()) {
      Refuse();
      return;
    }
    ApplyEdit(step.text, step.anchor, step.caret, true);
    return;
  }
  const int caret = CaretAfterKey(Text(), selection_, key, shift, codePage);
  if (caret < 0) return;
  key = 0;
  MoveCaret(caret, shift.Contains(ssShift));
}

void TCustomEdit::HandleKeyPress(char& key) {
  const auto c = static_cast<unsigned char>(key);
  if (pendingLead_ >= 0) {
    const std::string pair{static_cast<char>(pendingLead_), key};
    pendingLead_ = -1;
    key = 0;
    UserReplaceSelection(pair);
    return;
  }
  if (c == '\b') {
    key = 0;
    EditStep step;
    if (!DeleteStep(Text(), selection_, false, CodePage(), step)) return;
    if (readOnly_ || !EditCanModify()) {
      Refuse();
      return;
    }
    ApplyEdit(step.text, step.anchor, step.caret, true);
    return;
  }
  if (c < 0x20) return;  // other control characters type nothing; the form may want them
  key = 0;
  if (IsLeadByte(c, CodePage())) {
    pendingLead_ = c;
    return;
  }
  UserReplaceSelection(std::string(1, static_cast<char>(c)));
}

// ---- TEdit ------------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TEdit, TCustomEdit);

void TEdit::DefineProperties(PropertyBuilder<TEdit>& p) {
  p.Text("Text", &TEdit::Text, &TEdit::SetText).Char("PasswordChar", &TEdit::PasswordChar, &TEdit::SetPasswordChar);
}

TEdit::TEdit(TComponent* owner) : TCustomEdit(owner) {}

// ---- TMemo -------------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TMemo, TCustomEdit);

void TMemo::DefineProperties(PropertyBuilder<TMemo>& p) {
  p.Strings("Lines", &TMemo::Lines, &TMemo::SetLines)
      .Enum("Alignment", kAlignmentInfo, &TMemo::Alignment, &TMemo::SetAlignment)
      .Enum("ScrollBars", kScrollStyleInfo, &TMemo::ScrollBars, &TMemo::SetScrollBars)
      .Bool("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap)
      .Bool("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns)
      .Bool("WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs);
}

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner) { SetBounds(0, 0, 185, 89); }

TStringList TMemo::Lines() const {
  TStringList lines;
  lines.SetText(Text());
  return lines;
}

void TMemo::SetLines(const TStringList& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  SetText(text);
}

void TMemo::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Changed("Alignment");
}

void TMemo::SetScrollBars(TScrollStyle scrollBars) {
  if (scrollBars == scrollBars_) return;
  scrollBars_ = scrollBars;
  Changed("ScrollBars");
}

void TMemo::SetWordWrap(bool wordWrap) {
  if (wordWrap == wordWrap_) return;
  wordWrap_ = wordWrap;
  Changed("WordWrap");
}

void TMemo::SetWantReturns(bool wantReturns) {
  if (wantReturns == wantReturns_) return;
  wantReturns_ = wantReturns;
  Changed("WantReturns");
}

void TMemo::SetWantTabs(bool wantTabs) {
  if (wantTabs == wantTabs_) return;
  wantTabs_ = wantTabs;
  Changed("WantTabs");
}

TDialogCodes TMemo::WantedKeys() const {
  TDialogCodes codes{dcWantArrows, dcWantChars};
  if (wantReturns_) codes.Include(dcWantAllKeys);
  if (wantTabs_) codes.Include(dcWantTab);
  return codes;
}

void TMemo::HandleKeyDown(uint16_t& key, TShiftState shift) {
  if (key != VK_UP && key != VK_DOWN && key != VK_HOME && key != VK_END) {
    TCustomEdit::HandleKeyDown(key, shift);
    return;
  }
  // Lines end with CR LF; Home and End keep to the caret's line, Up and Down
  // move to the same byte column of the line above or below.
  const std::string& text = Text();
  const int caret = Selection().Caret();
  auto lineStart = [&text](int pos) {
    size_t lf = pos > 0 ? text.rfind('\n', pos - 1) : std::string::npos;
    return lf == std::string::npos ? 0 : static_cast<int>(lf) + 1;
  };
  auto lineEnd = [&text](int pos) {
    size_t cr = text.find_first_of("\r\n", pos);
    return cr == std::string::npos ? Size(text) : static_cast<int>(cr);
  };
  const int start = lineStart(caret);
  int target = caret;
  if (key == VK_HOME) target = start;
  if (key == VK_END) target = lineEnd(caret);
  if (key == VK_UP && start > 0) {
    const int previous = lineStart(start - 1);
    target = std::min(previous + (caret - start), lineEnd(previous));
  }
  if (key == VK_DOWN) {
    const int end = lineEnd(caret);
    size_t lf = text.find('\n', end);
    if (lf != std::string::npos) {
      const int next = static_cast<int>(lf) + 1;
      target = std::min(next + (caret - start), lineEnd(next));
    }
  }
  key = 0;
  target = SnapToChar(text, target, CodePage());
  ApplyEdit(text, shift.Contains(ssShift) ? Selection().Anchor() : target, target, false);
}

void TMemo::HandleKeyPress(char& key) {
  if (key == '\r') {
    if (!wantReturns_) return;
    key = 0;
    UserReplaceSelection("\r\n");
    return;
  }
  if (key == '\t') {
    if (!wantTabs_) return;
    key = 0;
    UserReplaceSelection("\t");
    return;
  }
  TCustomEdit::HandleKeyPress(key);
}

// ---- TCustomComboBox ------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TCustomComboBox, TWinControl);

void TCustomComboBox::DefineProperties(PropertyBuilder<TCustomComboBox>& p) {
  p.Enum("Style", kComboBoxStyleInfo, &TCustomComboBox::Style, &TCustomComboBox::SetStyle)
      .Strings("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems)
      .Bool("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted)
      .Integer("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount)
      .Integer("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight)
      .Integer("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength)
      .Enum("CharCase", kEditCharCaseInfo, &TCustomComboBox::CharCase, &TCustomComboBox::SetCharCase)
      .Text("ImeName", &TCustomComboBox::ImeName, &TCustomComboBox::SetImeName)
      .Event("OnChange", &TCustomComboBox::OnChange)
      .Event("OnSelect", &TCustomComboBox::OnSelect)
      .Event("OnDropDown", &TCustomComboBox::OnDropDown)
      .Event("OnCloseUp", &TCustomComboBox::OnCloseUp);
}

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
}

int TCustomComboBox::CodePage() const { return CodePageOfCharset(Font()->Charset()); }

int TCustomComboBox::FindExact(std::string_view text) const {
  for (int i = 0; i < items_.Count(); ++i) {
    if (SameText(items_[i], text)) return i;
  }
  return -1;
}

void TCustomComboBox::ShowItem(int index) {
  const bool indexChanged = index != itemIndex_;
  itemIndex_ = index;
  if (indexChanged) Changed("ItemIndex");
  const std::string text = index >= 0 ? items_[index] : std::string();
  TControl::SetText(text);
  // Choosing an item selects the whole text of the edit part.
  const int oldStart = SelStart();
  const int oldLength = SelLength();
  selection_.Set(0, HasEditPart() ? Size(text) : 0);
  if (SelStart() != oldStart) Changed("SelStart");
  if (SelLength() != oldLength) Changed("SelLength");
}

void TCustomComboBox::SetStyle(TComboBoxStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed("Style");
  if (style_ == csSimple) SetDroppedDown(false);
  // Without an edit part only an item can show.
  if (!HasEditPart()) ShowItem(itemIndex_);
}

void TCustomComboBox::SortItems() {
  std::vector<int> order = SortOrder(items_);
  items_ = Reordered(items_, order);
  itemIndex_ = NewIndexOf(order, itemIndex_);
}

void TCustomComboBox::SetItems(const TStringList& items) {
  items_ = items;
  int index = itemIndex_ < items_.Count() ? itemIndex_ : -1;
  if (sorted_) {
    std::vector<int> order = SortOrder(items_);
    items_ = Reordered(items_, order);
    index = NewIndexOf(order, index);
  }
  Changed("Items");
  if (index >= 0 || !HasEditPart()) {
    ShowItem(index);  // the text follows the item, translated or not
  } else if (itemIndex_ != -1) {
    itemIndex_ = -1;
    Changed("ItemIndex");
  }
}

int TCustomComboBox::AddItem(const std::string& item) {
  const int pos = sorted_ ? SortedInsertPos(items_, item) : items_.Count();
  items_.Insert(pos, item);
  Changed("Items");
  if (itemIndex_ >= pos) {
    ++itemIndex_;
    Changed("ItemIndex");
  }
  return pos;
}

void TCustomComboBox::DeleteItem(int index) {
  if (index < 0 || index >= items_.Count()) throw IndexError(index);
  items_.Delete(index);
  Changed("Items");
  if (index == itemIndex_) {
    if (HasEditPart()) {
      itemIndex_ = -1;
      Changed("ItemIndex");
    } else {
      ShowItem(-1);
    }
  } else if (index < itemIndex_) {
    --itemIndex_;
    Changed("ItemIndex");
  }
}

void TCustomComboBox::SetItemIndex(int itemIndex) {
  if (itemIndex < -1 || itemIndex >= items_.Count()) throw IndexError(itemIndex);
  if (itemIndex == itemIndex_ && (itemIndex >= 0 || Text().empty())) return;
  ShowItem(itemIndex);
}

void TCustomComboBox::SetText(const std::string& text) {
  pendingLead_ = -1;
  if (!HasEditPart()) {
    ShowItem(FindExact(text));
    return;
  }
  const std::string folded = FoldCase(text, charCase_, CodePage());
  const int index = FindExact(folded);
  if (index != itemIndex_) {
    itemIndex_ = index;
    Changed("ItemIndex");
  }
  if (folded != Text()) {
    TControl::SetText(folded);
    SetSelection(0, 0);
  }
}

void TCustomComboBox::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  sorted_ = sorted;
  Changed("Sorted");
  if (!sorted_) return;
  const int oldIndex = itemIndex_;
  const TStringList before = items_;
  SortItems();
  if (!(items_ == before)) Changed("Items");
  if (itemIndex_ != oldIndex) Changed("ItemIndex");
}

void TCustomComboBox::SetDropDownCount(int dropDownCount) {
  if (dropDownCount < 1) {
    throw EPropertyError("DropDownCount must be at least 1 (" + std::to_string(dropDownCount) + ")");
  }
  if (dropDownCount == dropDownCount_) return;
  dropDownCount_ = dropDownCount;
  Changed("DropDownCount");
}

void TCustomComboBox::SetItemHeight(int itemHeight) {
  if (itemHeight < 1) throw EPropertyError("ItemHeight must be at least 1 (" + std::to_string(itemHeight) + ")");
  if (itemHeight == itemHeight_) return;
  itemHeight_ = itemHeight;
  Changed("ItemHeight");
}

void TCustomComboBox::SetMaxLength(int maxLength) {
  if (maxLength < 0) throw EPropertyError("MaxLength cannot be negative (" + std::to_string(maxLength) + ")");
  if (maxLength == maxLength_) return;
  maxLength_ = maxLength;
  Changed("MaxLength");
}

void TCustomComboBox::SetCharCase(TEditCharCase charCase) {
  if (charCase == charCase_) return;
  charCase_ = charCase;
  Changed("CharCase");
  if (HasEditPart()) SetText(Text());
}

void TCustomComboBox::SetImeName(const std::string& imeName) {
  if (imeName == imeName_) return;
  imeName_ = imeName;
  Changed("ImeName");
}

void TCustomComboBox::SetDroppedDown(bool droppedDown) {
  if (droppedDown && style_ == csSimple) return;
  if (droppedDown == droppedDown_) return;
  if (droppedDown && OnDropDown) OnDropDown(this);  // may still fill the list
  droppedDown_ = droppedDown;
  Changed("DroppedDown");
  if (!droppedDown && OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::SetSelection(int selStart, int selLength) {
  const int codePage = CodePage();
  const int start = SnapToChar(Text(), selStart, codePage);
  const int end = SnapToChar(Text(), start + selLength, codePage);
  const int oldStart = SelStart();
  const int oldLength = SelLength();
  selection_.Set(start, end);
  if (SelStart() != oldStart) Changed("SelStart");
  if (SelLength() != oldLength) Changed("SelLength");
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
  if (OnSelect) {
    OnSelect(this);
  } else {
    Change();
  }
}

void TCustomComboBox::UserMoveSelection(int index) {
  if (index == itemIndex_ || !EditCanModify()) return;
  ShowItem(index);
  TControl::Click();
  Select();
}

void TCustomComboBox::SelectItem(int index) {
  if (index < 0 || index >= items_.Count()) throw IndexError(index);
  if (!Enabled() || !EditCanModify()) return;
  ShowItem(index);
  TControl::Click();
  Select();
  SetDroppedDown(false);
}

void TCustomComboBox::ApplyTyped(const std::string& text, int caret) {
  const int index = FindExact(text);
  if (index != itemIndex_) {
    itemIndex_ = index;
    Changed("ItemIndex");
  }
  const bool textChanged = text != Text();
  TControl::SetText(text);
  SetSelection(caret, 0);
  if (textChanged) Change();
}

void TCustomComboBox::Refuse() {
  ++refusals_;
  Beep();
}

bool TCustomComboBox::UserTypeIntoEdit(std::string_view insert) {
  if (!EditCanModify()) {
    Refuse();
    return false;
  }
  const int codePage = CodePage();
  std::string typed = FoldCase(insert, charCase_, codePage);
  if (maxLength_ > 0) {
    const int available = maxLength_ - (Size(Text()) - SelLength());
    typed = FitBytes(typed, std::max(available, 0), codePage);
  }
  const bool whole = typed.size() == insert.size();
  if (!whole) Refuse();
  if (typed.empty() && !insert.empty()) return false;
  EditStep step = ReplaceSel(Text(), selection_, typed);
  ApplyTyped(step.text, step.caret);
  return whole;
}

bool TCustomComboBox::TypeText(std::string_view text) {
  if (!Enabled()) return false;
  bool all = true;
  const int codePage = CodePage();
  for (size_t i = 0; i < text.size(); ++i) {
    const bool pair = i + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[i]), codePage);
    const int bytes = pair ? 2 : 1;
    if (HasEditPart()) {
      const int before = refusals_;
      for (int k = 0; k < bytes; ++k) PressChar(*this, text[i + k]);
      if (refusals_ != before) all = false;
    } else {
      const int before = itemIndex_;
      for (int k = 0; k < bytes; ++k) PressChar(*this, text[i + k]);
      if (itemIndex_ == before) all = false;
    }
    i += bytes - 1;
  }
  return all;
}

TDialogCodes TCustomComboBox::WantedKeys() const {
  TDialogCodes codes{dcWantArrows, dcWantChars};
  // While the list is open Enter and Esc close it rather than the form.
  if (droppedDown_) codes.Include(dcWantAllKeys);
  return codes;
}

void TCustomComboBox::HandleKeyDown(uint16_t& key, TShiftState shift) {
  const bool alt = shift.Contains(ssAlt);
  if ((key == VK_F4 && !alt) || (alt && (key == VK_DOWN || key == VK_UP))) {
    key = 0;
    SetDroppedDown(!droppedDown_);
    return;
  }
  if ((key == VK_RETURN || key == VK_ESCAPE) && droppedDown_) {
    key = 0;
    SetDroppedDown(false);
    return;
  }
  const int count = items_.Count();
  const int page = dropDownCount_ - 1;
  int target = -2;
  switch (key) {
    case VK_UP: target = std::max(0, itemIndex_ - 1); break;
    case VK_DOWN: target = std::min(count - 1, itemIndex_ + 1); break;
    case VK_PRIOR: target = std::max(0, itemIndex_ - page); break;
    case VK_NEXT: target = std::min(count - 1, std::max(itemIndex_, 0) + page); break;
    case VK_HOME: if (!HasEditPart()) target = 0; break;
    case VK_END: if (!HasEditPart()) target = count - 1; break;
    default: break;
  }
  if (target != -2) {
    key = 0;
    if (count > 0) UserMoveSelection(target);
    return;
  }
  if (!HasEditPart()) return;
  const int codePage = CodePage();
  if (key == VK_DELETE && !shift.Contains(ssShift)) {
    key = 0;
    EditStep step;
    if (DeleteStep(Text(), selection_, true, codePage, step) && EditCanModify()) {
      ApplyTyped(step.text, step.caret);
    }
    return;
  }
  const int caret = CaretAfterKey(Text(), selection_, key, shift, codePage);
  if (caret < 0) return;
  key = 0;
  const int anchor = shift.Contains(ssShift) ? selection_.Anchor() : caret;
  const int oldStart = SelStart();
  const int oldLength = SelLength();
  selection_.Set(anchor, caret);
  if (SelStart() != oldStart) Changed("SelStart");
  if (SelLength() != oldLength) Changed("SelLength");
}

void TCustomComboBox::HandleKeyPress(char& key) {
  const auto c = static_cast<unsigned char>(key);
  std::string typed;
  if (pendingLead_ >= 0) {
    typed = {static_cast<char>(pendingLead_), key};
    pendingLead_ = -1;
  } else if (c == '\b') {
    if (!HasEditPart()) return;
    key = 0;
    EditStep step;
    if (DeleteStep(Text(), selection_, false, CodePage(), step) && EditCanModify()) {
      ApplyTyped(step.text, step.caret);
    }
    return;
  } else if (c < 0x20) {
    return;
  } else if (IsLeadByte(c, CodePage())) {
    key = 0;
    pendingLead_ = c;
    return;
  } else {
    typed = std::string(1, static_cast<char>(c));
  }
  key = 0;
  if (HasEditPart()) {
    UserTypeIntoEdit(typed);
    return;
  }
  // Without an edit part a character goes to the next item starting with it.
  const int index = FindByPrefix(items_, itemIndex_, typed);
  if (index >= 0) UserMoveSelection(index);
}

// ---- TComboBox -------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TComboBox, TCustomComboBox);

void TComboBox::DefineProperties(PropertyBuilder<TComboBox>& p) {
  p.Text("Text", &TComboBox::Text, &TComboBox::SetText)
      .Integer("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex);
}

TComboBox::TComboBox(TComponent* owner) : TCustomComboBox(owner) {}

// ---- TCustomListBox -------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TCustomListBox, TWinControl);

void TCustomListBox::DefineProperties(PropertyBuilder<TCustomListBox>& p) {
  p.Strings("Items", &TCustomListBox::Items, &TCustomListBox::SetItems)
      .Bool("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect)
      .Bool("ExtendedSelect", &TCustomListBox::ExtendedSelect, &TCustomListBox::SetExtendedSelect)
      .Bool("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted)
      .Enum("Style", kListBoxStyleInfo, &TCustomListBox::Style, &TCustomListBox::SetStyle)
      .Integer("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight)
      .Text("ImeName", &TCustomListBox::ImeName, &TCustomListBox::SetImeName);
}

TCustomListBox::TCustomListBox(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
}

void TCustomListBox::CheckIndex(int index) const {
  if (index < 0 || index >= items_.Count()) throw IndexError(index);
}

void TCustomListBox::SortItems() {
  std::vector<int> order = SortOrder(items_);
  items_ = Reordered(items_, order);
  std::vector<bool> flags(order.size());
  for (size_t i = 0; i < order.size(); ++i) flags[i] = selected_[order[i]];
  selected_ = std::move(flags);
  itemIndex_ = NewIndexOf(order, itemIndex_);
  anchor_ = NewIndexOf(order, anchor_);
}

void TCustomListBox::SetItems(const TStringList& items) {
  const int oldIndex = itemIndex_;
  const std::vector<bool> oldSelected = selected_;
  items_ = items;
  selected_.resize(items_.Count(), false);
  if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
  if (anchor_ >= items_.Count()) anchor_ = -1;
  if (sorted_) SortItems();
  Changed("Items");
  if (itemIndex_ != oldIndex) Changed("ItemIndex");
  if (itemIndex_ != oldIndex || selected_ != oldSelected) Changed("Selected");
}

int TCustomListBox::AddItem(const std::string& item) {
  const int pos = sorted_ ? SortedInsertPos(items_, item) : items_.Count();
  items_.Insert(pos, item);
  selected_.insert(selected_.begin() + pos, false);
  if (anchor_ >= pos) ++anchor_;
  Changed("Items");
  if (itemIndex_ >= pos) {
    ++itemIndex_;
    Changed("ItemIndex");
  }
  return pos;
}

void TCustomListBox::DeleteItem(int index) {
  CheckIndex(index);
  const bool wasSelected = Selected(index);
  items_.Delete(index);
  selected_.erase(selected_.begin() + index);
  if (anchor_ == index) anchor_ = -1;
  if (anchor_ > index) --anchor_;
  Changed("Items");
  if (index <= itemIndex_) {
    itemIndex_ = index == itemIndex_ ? -1 : itemIndex_ - 1;
    Changed("ItemIndex");
  }
  if (wasSelected) Changed("Selected");
}

void TCustomListBox::SetItemIndex(int itemIndex) {
  if (itemIndex != -1) CheckIndex(itemIndex);
  if (itemIndex == itemIndex_) return;
  itemIndex_ = itemIndex;
  Changed("ItemIndex");
  if (!multiSelect_) Changed("Selected");
}

void TCustomListBox::SetMultiSelect(bool multiSelect) {
  if (multiSelect == multiSelect_) return;
  multiSelect_ = multiSelect;
  std::fill(selected_.begin(), selected_.end(), false);
  if (multiSelect_ && itemIndex_ >= 0) selected_[itemIndex_] = true;
  Changed("MultiSelect");
  Changed("Selected");
}

void TCustomListBox::SetExtendedSelect(bool extendedSelect) {
  if (extendedSelect == extendedSelect_) return;
  extendedSelect_ = extendedSelect;
  Changed("ExtendedSelect");
}

bool TCustomListBox::Selected(int index) const {
  CheckIndex(index);
  return multiSelect_ ? static_cast<bool>(selected_[index]) : index == itemIndex_;
}

void TCustomListBox::SetSelected(int index, bool selected) {
  CheckIndex(index);
  if (!multiSelect_) {
    if (selected) {
      SetItemIndex(index);
    } else if (itemIndex_ == index) {
      SetItemIndex(-1);
    }
    return;
  }
  if (selected_[index] == selected) return;
  selected_[index] = selected;
  Changed("Selected");
}

int TCustomListBox::SelCount() const {
  if (!multiSelect_) return -1;
  return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

void TCustomListBox::ClearSelection() {
  if (!multiSelect_) {
    SetItemIndex(-1);
    return;
  }
  if (SelCount() == 0) return;
  std::fill(selected_.begin(), selected_.end(), false);
  Changed("Selected");
}

void TCustomListBox::SelectAll() {
  if (!multiSelect_ || SelCount() == Count()) return;
  std::fill(selected_.begin(), selected_.end(), true);
  Changed("Selected");
}

void TCustomListBox::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  sorted_ = sorted;
  Changed("Sorted");
  if (!sorted_) return;
  const TStringList before = items_;
  const int oldIndex = itemIndex_;
  SortItems();
  if (!(items_ == before)) Changed("Items");
  if (itemIndex_ != oldIndex) Changed("ItemIndex");
}

void TCustomListBox::SetStyle(TListBoxStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed("Style");
}

void TCustomListBox::SetItemHeight(int itemHeight) {
  if (itemHeight < 1) throw EPropertyError("ItemHeight must be at least 1 (" + std::to_string(itemHeight) + ")");
  if (itemHeight == itemHeight_) return;
  itemHeight_ = itemHeight;
  Changed("ItemHeight");
}

void TCustomListBox::SetImeName(const std::string& imeName) {
  if (imeName == imeName_) return;
  imeName_ = imeName;
  Changed("ImeName");
}

void TCustomListBox::ClickItem(int index, TShiftState shift) {
  CheckIndex(index);
  if (!Enabled()) return;
  if (!multiSelect_) {
    SetItemIndex(index);
  } else {
    const std::vector<bool> before = selected_;
    if (!extendedSelect_ || shift.Contains(ssCtrl)) {
      selected_[index] = !selected_[index];
      anchor_ = index;
    } else if (shift.Contains(ssShift) && anchor_ >= 0) {
      std::fill(selected_.begin(), selected_.end(), false);
      for (int i = std::min(anchor_, index); i <= std::max(anchor_, index); ++i) selected_[i] = true;
    } else {
      std::fill(selected_.begin(), selected_.end(), false);
      selected_[index] = true;
      anchor_ = index;
    }
    if (index != itemIndex_) {
      itemIndex_ = index;
      Changed("ItemIndex");
    }
    if (selected_ != before) Changed("Selected");
  }
  TControl::Click();
}

void TCustomListBox::MoveFocus(int index, TShiftState shift) {
  if (index == itemIndex_) return;
  if (!multiSelect_) {
    SetItemIndex(index);
    TControl::Click();
    return;
  }
  if (!extendedSelect_) {
    // A plain multi-select list moves only the focus rectangle.
    itemIndex_ = index;
    Changed("ItemIndex");
    return;
  }
  ClickItem(index, shift.Contains(ssShift) ? TShiftState{ssShift} : TShiftState{});
}

TDialogCodes TCustomListBox::WantedKeys() const { return {dcWantArrows, dcWantChars}; }

void TCustomListBox::HandleKeyDown(uint16_t& key, TShiftState shift) {
  const int count = items_.Count();
  const int page = std::max(1, Height() / itemHeight_ - 1);
  int target = -1;
  switch (key) {
    case VK_UP: target = itemIndex_ < 0 ? 0 : std::max(0, itemIndex_ - 1); break;
    case VK_DOWN: target = itemIndex_ < 0 ? 0 : std::min(count - 1, itemIndex_ + 1); break;
    case VK_PRIOR: target = std::max(0, itemIndex_ - page); break;
    case VK_NEXT: target = std::min(count - 1, std::max(itemIndex_, 0) + page); break;
    case VK_HOME: target = 0; break;
    case VK_END: target = count - 1; break;
    default: return;
  }
  key = 0;
  if (count > 0) MoveFocus(target, shift);
}

void TCustomListBox::HandleKeyPress(char& key) {
  if (static_cast<unsigned char>(key) < 0x20) return;
  const std::string typed(1, key);
  key = 0;
  if (items_.Count() == 0) return;
  if (typed == " " && multiSelect_) {
    if (itemIndex_ >= 0) ClickItem(itemIndex_, TShiftState{ssCtrl});
    return;
  }
  const int index = FindByPrefix(items_, itemIndex_, typed);
  if (index >= 0) MoveFocus(index, {});
}

// ---- TListBox ---------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TListBox, TCustomListBox);

void TListBox::DefineProperties(PropertyBuilder<TListBox>& p) {
  p.Integer("ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex);
}

TListBox::TListBox(TComponent* owner) : TCustomListBox(owner) {}

// ---- TCustomCheckBox ---------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TCustomCheckBox, TWinControl);

void TCustomCheckBox::DefineProperties(PropertyBuilder<TCustomCheckBox>& p) {
  p.Text("Caption", &TCustomCheckBox::Caption, &TCustomCheckBox::SetCaption)
      .Enum("Alignment", kLeftRightInfo, &TCustomCheckBox::Alignment, &TCustomCheckBox::SetAlignment)
      .Bool("AllowGrayed", &TCustomCheckBox::AllowGrayed, &TCustomCheckBox::SetAllowGrayed);
}

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 97, 17);
  SetColor(clBtnFace);
  SetTabStop(true);
}

void TCustomCheckBox::SetState(TCheckBoxState state) {
  if (state == state_) return;
  const bool wasChecked = Checked();
  state_ = state;
  Changed("State");
  if (Checked() != wasChecked) Changed("Checked");
  if (!ClicksDisabled()) TControl::Click();
}

void TCustomCheckBox::SetAllowGrayed(bool allowGrayed) {
  if (allowGrayed == allowGrayed_) return;
  allowGrayed_ = allowGrayed;
  Changed("AllowGrayed");
}

void TCustomCheckBox::SetAlignment(TAlignment alignment) {
  if (alignment == taCenter) throw EPropertyError("A check box puts its caption left or right, not centred");
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Changed("Alignment");
}

void TCustomCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCustomCheckBox::Click() {
  if (CanToggle()) Toggle();
}

void TCustomCheckBox::HandleKeyPress(char& key) {
  if (key != ' ') return;
  key = 0;
  Click();
}

// ---- TCheckBox ----------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TCheckBox, TCustomCheckBox);

void TCheckBox::DefineProperties(PropertyBuilder<TCheckBox>& p) {
  p.Bool("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked)
      .Enum("State", kCheckBoxStateInfo, &TCheckBox::State, &TCheckBox::SetState);
}

TCheckBox::TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}

// ---- TRadioButton -------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TRadioButton, TWinControl);

void TRadioButton::DefineProperties(PropertyBuilder<TRadioButton>& p) {
  p.Text("Caption", &TRadioButton::Caption, &TRadioButton::SetCaption)
      .Enum("Alignment", kLeftRightInfo, &TRadioButton::Alignment, &TRadioButton::SetAlignment)
      .Bool("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked);
}

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 113, 17);
  SetColor(clBtnFace);
}

void TRadioButton::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed("Checked");
  SetTabStop(checked);
  if (!checked) return;
  if (Parent() != nullptr) {
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
      auto* sibling = dynamic_cast<TRadioButton*>(Parent()->Controls(i));
      if (sibling != nullptr && sibling != this) sibling->SetChecked(false);
    }
  }
  TControl::Click();
}

void TRadioButton::SetAlignment(TAlignment alignment) {
  if (alignment == taCenter) throw EPropertyError("A radio button puts its caption left or right, not centred");
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Changed("Alignment");
}

void TRadioButton::Click() { SetChecked(true); }

void TRadioButton::HandleKeyPress(char& key) {
  if (key != ' ') return;
  key = 0;
  Click();
}

// ---- TButton -------------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TButton, TWinControl);

void TButton::DefineProperties(PropertyBuilder<TButton>& p) {
  p.Text("Caption", &TButton::Caption, &TButton::SetCaption)
      .Integer("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, &kModalResultIdents)
      .Bool("Default", &TButton::Default, &TButton::SetDefault)
      .Bool("Cancel", &TButton::Cancel, &TButton::SetCancel);
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 75, 25);
  SetColor(clBtnFace);
  SetTabStop(true);
}

void TButton::SetModalResult(int modalResult) {
  if (modalResult == modalResult_) return;
  modalResult_ = modalResult;
  Changed("ModalResult");
}

void TButton::SetDefault(bool isDefault) {
  if (isDefault == default_) return;
  default_ = isDefault;
  Changed("Default");
}

void TButton::SetCancel(bool cancel) {
  if (cancel == cancel_) return;
  cancel_ = cancel;
  Changed("Cancel");
}

void TButton::Click() {
  if (modalResult_ != kModalNone) {
    for (TWinControl* p = Parent(); p != nullptr; p = p->Parent()) {
      if (auto* window = dynamic_cast<IModalWindow*>(p)) {
        window->SetModalResult(modalResult_);
        break;
      }
    }
  }
  TControl::Click();
}

void TButton::HandleKeyPress(char& key) {
  if (key != ' ') return;
  key = 0;
  Click();
}

// ---- TGroupBox -----------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TGroupBox, TWinControl);

void TGroupBox::DefineProperties(PropertyBuilder<TGroupBox>& p) {
  p.Text("Caption", &TGroupBox::Caption, &TGroupBox::SetCaption);
}

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 185, 105);
  SetColor(clBtnFace);
}

// ---- TControlScrollBar / TScrollBox --------------------------------------------------------

PELLOR_DEFINE_CLASS(TControlScrollBar, TPersistent);

void TControlScrollBar::DefineProperties(PropertyBuilder<TControlScrollBar>& p) {
  p.Integer("Range", &TControlScrollBar::Range, &TControlScrollBar::SetRange)
      .Integer("Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition)
      .Bool("Visible", &TControlScrollBar::Visible, &TControlScrollBar::SetVisible)
      .Integer("Increment", &TControlScrollBar::Increment, &TControlScrollBar::SetIncrement);
}

TControlScrollBar::TControlScrollBar(std::function<void(int)> scrolled, std::function<int()> clientExtent,
                                     std::function<void()> changed)
    : scrolled_(std::move(scrolled)), clientExtent_(std::move(clientExtent)), changed_(std::move(changed)) {}

void TControlScrollBar::SetRange(int range) {
  range = std::max(range, 0);
  if (range == range_) return;
  range_ = range;
  changed_();
  SetPosition(position_);
}

void TControlScrollBar::SetPosition(int position) {
  position = std::clamp(position, 0, std::max(0, range_ - clientExtent_()));
  if (position == position_) return;
  const int delta = position_ - position;
  position_ = position;
  scrolled_(delta);
  changed_();
}

void TControlScrollBar::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  changed_();
}

void TControlScrollBar::SetIncrement(int increment) {
  if (increment < 1) throw EPropertyError("Increment must be at least 1 (" + std::to_string(increment) + ")");
  if (increment == increment_) return;
  increment_ = increment;
  changed_();
}

void TControlScrollBar::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TControlScrollBar*>(&source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  SetVisible(other->visible_);
  SetIncrement(other->increment_);
  SetRange(other->range_);
  SetPosition(other->position_);
}

PELLOR_DEFINE_CLASS(TScrollBox, TWinControl);

void TScrollBox::DefineProperties(PropertyBuilder<TScrollBox>& p) {
  p.Object("HorzScrollBar", &TScrollBox::HorzScrollBar).Object("VertScrollBar", &TScrollBox::VertScrollBar);
}

TScrollBox::TScrollBox(TComponent* owner)
    : TWinControl(owner),
      horz_(std::make_unique<TControlScrollBar>([this](int delta) { ScrollChildren(delta, 0); },
                                                [this] { return ClientWidth(); },
                                                [this] { Changed("HorzScrollBar"); })),
      vert_(std::make_unique<TControlScrollBar>([this](int delta) { ScrollChildren(0, delta); },
                                                [this] { return ClientHeight(); },
                                                [this] { Changed("VertScrollBar"); })) {
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TScrollBox::ScrollChildren(int dx, int dy) {
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* child = Controls(i);
    // Aligned children are placed by the alignment, not by the scrolling.
    if (child->Align() != alNone) continue;
    child->SetBounds(child->Left() + dx, child->Top() + dy, child->Width(), child->Height());
  }
}

}  // namespace pellor
