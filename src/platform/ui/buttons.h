// Buttons with pictures: speed buttons (tool-bar style, grouped like radio
// buttons, no focus) and bitmap buttons (push buttons with a glyph).
//
// A glyph is a bitmap holding NumGlyphs equal-width images side by side: the
// normal image, then the images for the disabled, clicked and down states
// when present; the front end shows the one the button's state asks for.
// Assigning a glyph (SetGlyph) whose width is 1 to 4 times its height sets
// NumGlyphs to that number, as the original controls did. Changes to the
// glyph's pixels are reported as "Glyph".
#ifndef PELLOR_UI_BUTTONS_H_
#define PELLOR_UI_BUTTONS_H_

#include <memory>

#include "platform/ui/canvas.h"
#include "platform/ui/control.h"
#include "platform/ui/stdctrls.h"

namespace pellor {

// A button that never takes the focus. With a GroupIndex other than 0 it
// stays down when clicked, and the other speed buttons of its parent with the
// same GroupIndex go up; clicking the down button raises it only when
// AllowAllUp. Without a group it never stays down.
class TSpeedButton : public TControl {
  PELLOR_CLASS(TSpeedButton);

 public:
  explicit TSpeedButton(TComponent* owner);

  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap& glyph);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int numGlyphs);  // 1..4, else EPropertyError

  int GroupIndex() const { return groupIndex_; }
  // Group 0 raises the button.
  void SetGroupIndex(int groupIndex);
  bool Down() const { return down_; }
  // Putting a button down raises the others of its group. Without a group,
  // and for the down button of a group without AllowAllUp, raising by code is
  // ignored, as the original control did.
  void SetDown(bool down);
  // Shared by the whole group: setting it on one button sets it on all.
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool allowAllUp);
  bool Flat() const { return flat_; }
  void SetFlat(bool flat);

  // The user clicks the button: Down changes as described above, then
  // OnClick runs.
  void Click() override;

 private:
  static void DefineProperties(PropertyBuilder<TSpeedButton>& p);
  std::vector<TSpeedButton*> GroupSiblings() const;

  std::unique_ptr<TBitmap> glyph_;
  int numGlyphs_ = 1;
  int groupIndex_ = 0;
  bool down_ = false;
  bool allowAllUp_ = false;
  bool flat_ = false;
};

// A push button with a glyph left of its caption.
class TBitBtn : public TButton {
  PELLOR_CLASS(TBitBtn);

 public:
  explicit TBitBtn(TComponent* owner);

  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap& glyph);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int numGlyphs);  // 1..4, else EPropertyError

 private:
  static void DefineProperties(PropertyBuilder<TBitBtn>& p);

  std::unique_ptr<TBitmap> glyph_;
  int numGlyphs_ = 1;
};

}  // namespace pellor

#endif  // PELLOR_UI_BUTTONS_H_
