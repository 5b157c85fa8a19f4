// Masked edits: an edit whose text follows an input mask (edit_mask.h).
//
// With a mask the control shows the edit text — every position of the mask,
// literals included, unfilled positions as the placeholder — and the user
// types over it one position at a time; Text is the value the edit text
// stands for (EditMask::ExtractValue). Without a mask the control is a plain
// edit and Text and EditText are the same.
//
// TControl::Text() of a masked edit gives the edit text (it is what the
// control shows, and what observers are told about as "Text"); the value is
// TCustomMaskEdit::Text().
#ifndef PELLOR_UI_MASK_H_
#define PELLOR_UI_MASK_H_

#include <string>

#include "platform/ui/edit_mask.h"
#include "platform/ui/stdctrls.h"

namespace pellor {

class TCustomMaskEdit : public TCustomEdit {
  PELLOR_CLASS(TCustomMaskEdit);

 public:
  explicit TCustomMaskEdit(TComponent* owner);

  const std::string& EditMask() const { return maskText_; }
  // Re-shows the present value under the new mask.
  void SetEditMask(const std::string& mask);
  bool IsMasked() const { return !mask_.IsEmpty(); }
  const pellor::EditMask& Mask() const { return mask_; }

  const std::string& EditText() const { return TControl::Text(); }
  // A text of another length than the mask is read as a value first.
  void SetEditText(const std::string& editText);
  // The value; without a mask the text itself.
  std::string Text() const;
  // Shows `value` formatted by the mask (EditMask::FormatValue).
  void SetText(const std::string& value) override;

  // Raises EDBEditError, with the caret put on the first position at fault,
  // when the user changed a masked text that does not fill its mask. Whoever
  // moves the focus out of the control calls it (the original control did so
  // on leaving).
  void ValidateEdit();

  // With a mask the user types over positions: a character the position
  // does not take is refused with a beep; Delete and Backspace unfill
  // positions and nothing shifts.
  void HandleKeyDown(uint16_t& key, TShiftState shift) override;
  void HandleKeyPress(char& key) override;

 protected:
  void FontChanged() override;

 private:
  // The edit text with the editable positions of the selection unfilled.
  std::string ClearedSelection() const;
  bool UserMayEdit();

  std::string maskText_;
  pellor::EditMask mask_;
  int maskCodePage_ = 0;
  bool skipTrail_ = false;  // the second byte of a refused double-byte character is still to come
};

class TMaskEdit : public TCustomMaskEdit {
  PELLOR_CLASS(TMaskEdit);

 public:
  explicit TMaskEdit(TComponent* owner);

 private:
  static void DefineProperties(PropertyBuilder<TMaskEdit>& p);
};

}  // namespace pellor

#endif  // PELLOR_UI_MASK_H_
