#include "platform/ui/mask.h"

#include <algorithm>

#include "platform/rtl/codepage.h"
#include "platform/ui/platform.h"

namespace pellor {

PELLOR_DEFINE_CLASS(TCustomMaskEdit, TCustomEdit);

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

void TCustomMaskEdit::SetEditMask(const std::string& mask) {
  if (mask == maskText_) return;
  const std::string value = Text();
  maskText_ = mask;
  maskCodePage_ = CodePage();
  mask_ = pellor::EditMask(mask, maskCodePage_);
  Changed("EditMask");
  const bool modified = Modified();
  if (IsMasked()) {
    const std::string shown = mask_.FormatValue(value);
    if (shown != EditText()) ApplyEdit(shown, 0, 0, false);
  } else if (value != EditText()) {
    ApplyEdit(value, 0, 0, false);
  }
  SetModified(modified);
}

void TCustomMaskEdit::FontChanged() {
  // Double-byte literals of the mask are read in the font's code page.
  if (!maskText_.empty() && CodePage() != maskCodePage_) {
    maskCodePage_ = CodePage();
    mask_ = pellor::EditMask(maskText_, maskCodePage_);
  }
}

void TCustomMaskEdit::SetEditText(const std::string& editText) {
  std::string shown = editText;
  if (IsMasked() && shown.size() != mask_.Length()) shown = mask_.FormatValue(mask_.ExtractValue(shown));
  if (shown == EditText()) return;
  ApplyEdit(shown, 0, 0, false);
}

std::string TCustomMaskEdit::Text() const {
  return IsMasked() ? mask_.ExtractValue(EditText()) : EditText();
}

void TCustomMaskEdit::SetText(const std::string& value) {
  if (!IsMasked()) {
    TCustomEdit::SetText(value);
    return;
  }
  skipTrail_ = false;
  const std::string shown = mask_.FormatValue(value);
  if (shown == EditText()) return;
  SetModified(false);
  ApplyEdit(shown, 0, 0, false);
}

void TCustomMaskEdit::ValidateEdit() {
  if (!IsMasked() || !Modified() || mask_.IsComplete(EditText())) return;
  try {
    mask_.Validate(EditText());
  } catch (const EDBEditError& error) {
    const int at = static_cast<int>(std::min(error.Position(), EditText().size()));
    ApplyEdit(EditText(), at, at, false);
    throw;
  }
}

bool TCustomMaskEdit::UserMayEdit() {
  if (ReadOnly() || !EditCanModify()) {
    Refuse();
    return false;
  }
  return true;
}

std::string TCustomMaskEdit::ClearedSelection() const {
  std::string text = EditText();
  const size_t end = std::min(text.size(), static_cast<size_t>(SelStart() + SelLength()));
  for (size_t i = SelStart(); i < end; ++i) {
    if (!mask_.At(i).IsLiteral()) text[i] = mask_.Blank();
  }
  return text;
}

void TCustomMaskEdit::HandleKeyDown(uint16_t& key, TShiftState shift) {
  if (!IsMasked() || key != VK_DELETE || shift.Contains(ssShift)) {
    TCustomEdit::HandleKeyDown(key, shift);
    return;
  }
  // Delete unfills positions; nothing moves, as the mask holds every position.
  key = 0;
  std::string text;
  if (SelLength() > 0) {
    text = ClearedSelection();
  } else {
    const size_t at = SelStart();
    if (at >= mask_.Length() || mask_.At(at).IsLiteral()) return;
    text = EditText();
    text[at] = mask_.Blank();
  }
  if (text == EditText() || !UserMayEdit()) return;
  ApplyEdit(text, SelStart(), SelStart(), true);
}

void TCustomMaskEdit::HandleKeyPress(char& key) {
  if (!IsMasked()) {
    TCustomEdit::HandleKeyPress(key);
    return;
  }
  const auto c = static_cast<unsigned char>(key);
  if (skipTrail_) {
    skipTrail_ = false;
    key = 0;
    return;
  }
  if (c < 0x20 && c != '\b') return;
  key = 0;
  if (c == '\b') {
    std::string text;
    int caret = SelStart();
    if (SelLength() > 0) {
      text = ClearedSelection();
    } else {
      if (caret == 0) return;
      const size_t at = mask_.PreviousEditable(caret - 1);
      if (at == std::string::npos) return;
      text = EditText();
      text[at] = mask_.Blank();
      caret = static_cast<int>(at);
    }
    if (!UserMayEdit()) return;
    ApplyEdit(text, caret, caret, true);
    return;
  }
  if (IsLeadByte(c, CodePage())) {
    // A mask position holds one byte: a double-byte character never fits.
    skipTrail_ = true;
    Refuse();
    return;
  }
  if (!UserMayEdit()) return;
  std::string text = SelLength() > 0 ? ClearedSelection() : EditText();
  size_t cursor = SelStart();
  if (!mask_.TypeChar(text, cursor, static_cast<char>(c))) {
    Refuse();
    return;
  }
  const int caret = static_cast<int>(cursor);
  ApplyEdit(text, caret, caret, true);
}

PELLOR_DEFINE_CLASS(TMaskEdit, TCustomMaskEdit);

void TMaskEdit::DefineProperties(PropertyBuilder<TMaskEdit>& p) {
  p.Text("EditMask", &TMaskEdit::EditMask, &TMaskEdit::SetEditMask)
      .Text("Text", &TMaskEdit::Text, &TMaskEdit::SetText)
      .Char("PasswordChar", &TMaskEdit::PasswordChar, &TMaskEdit::SetPasswordChar);
}

TMaskEdit::TMaskEdit(TComponent* owner) : TCustomMaskEdit(owner) {}

}  // namespace pellor
