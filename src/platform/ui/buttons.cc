#include "platform/ui/buttons.h"

#include <string>

namespace pellor {

namespace {

void CheckNumGlyphs(int numGlyphs) {
  if (numGlyphs < 1 || numGlyphs > 4) {
    throw EPropertyError("NumGlyphs must be between 1 and 4 (" + std::to_string(numGlyphs) + ")");
  }
}

// How many square images a glyph assigned from outside holds; 0 when its
// shape says nothing (not a whole number of squares, or more than 4).
int SquareImages(const TBitmap& glyph) {
  if (glyph.Height() <= 0 || glyph.Width() % glyph.Height() != 0) return 0;
  const int count = glyph.Width() / glyph.Height();
  return count >= 1 && count <= 4 ? count : 0;
}

}  // namespace

// ---- TSpeedButton -----------------------------------------------------------------

PELLOR_DEFINE_CLASS(TSpeedButton, TControl);

void TSpeedButton::DefineProperties(PropertyBuilder<TSpeedButton>& p) {
  p.Text("Caption", &TSpeedButton::Caption, &TSpeedButton::SetCaption)
      .Object("Glyph", &TSpeedButton::Glyph)
      .Integer("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs)
      .Integer("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex)
      .Bool("Down", &TSpeedButton::Down, &TSpeedButton::SetDown)
      .Bool("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp)
      .Bool("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat);
}

TSpeedButton::TSpeedButton(TComponent* owner)
    : TControl(owner), glyph_(std::make_unique<TBitmap>([this] { Changed("Glyph"); })) {
  SetBounds(0, 0, 23, 22);
  SetColor(clBtnFace);
}

void TSpeedButton::SetGlyph(const TBitmap& glyph) {
  glyph_->Assign(glyph);
  if (int count = SquareImages(glyph); count > 0) SetNumGlyphs(count);
}

void TSpeedButton::SetNumGlyphs(int numGlyphs) {
  CheckNumGlyphs(numGlyphs);
  if (numGlyphs == numGlyphs_) return;
  numGlyphs_ = numGlyphs;
  Changed("NumGlyphs");
}

std::vector<TSpeedButton*> TSpeedButton::GroupSiblings() const {
  std::vector<TSpeedButton*> siblings;
  if (Parent() == nullptr || groupIndex_ == 0) return siblings;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
    if (other != nullptr && other != this && other->groupIndex_ == groupIndex_) siblings.push_back(other);
  }
  return siblings;
}

void TSpeedButton::SetGroupIndex(int groupIndex) {
  if (groupIndex == groupIndex_) return;
  groupIndex_ = groupIndex;
  Changed("GroupIndex");
  if (groupIndex_ == 0) {
    if (down_) {
      down_ = false;
      Changed("Down");
    }
    return;
  }
  // Joining a group: a down button raises the others there.
  if (down_) {
    for (TSpeedButton* other : GroupSiblings()) {
      if (other->down_) {
        other->down_ = false;
        other->Changed("Down");
      }
    }
  }
}

void TSpeedButton::SetDown(bool down) {
  if (groupIndex_ == 0) down = false;
  if (down == down_) return;
  if (down_ && !allowAllUp_) return;
  down_ = down;
  Changed("Down");
  if (!down_) return;
  for (TSpeedButton* other : GroupSiblings()) {
    if (other->down_) {
      other->down_ = false;
      other->Changed("Down");
    }
  }
}

void TSpeedButton::SetAllowAllUp(bool allowAllUp) {
  if (allowAllUp == allowAllUp_) return;
  allowAllUp_ = allowAllUp;
  Changed("AllowAllUp");
  for (TSpeedButton* other : GroupSiblings()) other->SetAllowAllUp(allowAllUp);
}

void TSpeedButton::SetFlat(bool flat) {
  if (flat == flat_) return;
  flat_ = flat;
  Changed("Flat");
}

void TSpeedButton::Click() {
  if (groupIndex_ != 0) SetDown(!down_);
  TControl::Click();
}

// ---- TBitBtn ----------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TBitBtn, TButton);

void TBitBtn::DefineProperties(PropertyBuilder<TBitBtn>& p) {
  p.Object("Glyph", &TBitBtn::Glyph).Integer("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs);
}

TBitBtn::TBitBtn(TComponent* owner)
    : TButton(owner), glyph_(std::make_unique<TBitmap>([this] { Changed("Glyph"); })) {}

void TBitBtn::SetGlyph(const TBitmap& glyph) {
  glyph_->Assign(glyph);
  if (int count = SquareImages(glyph); count > 0) SetNumGlyphs(count);
}

void TBitBtn::SetNumGlyphs(int numGlyphs) {
  CheckNumGlyphs(numGlyphs);
  if (numGlyphs == numGlyphs_) return;
  numGlyphs_ = numGlyphs;
  Changed("NumGlyphs");
}

}  // namespace pellor
