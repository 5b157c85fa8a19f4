#include "platform/ui/extctrls.h"

#include <string>

namespace pellor {

// ---- TPanel ----------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TPanel, TWinControl);

void TPanel::DefineProperties(PropertyBuilder<TPanel>& p) {
  p.Text("Caption", &TPanel::Caption, &TPanel::SetCaption)
      .Enum("BevelInner", kBevelCutInfo, &TPanel::BevelInner, &TPanel::SetBevelInner)
      .Enum("BevelOuter", kBevelCutInfo, &TPanel::BevelOuter, &TPanel::SetBevelOuter)
      .Integer("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth)
      .Integer("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth)
      .Enum("Alignment", kAlignmentInfo, &TPanel::Alignment, &TPanel::SetAlignment);
}

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TPanel::SetBevelInner(TBevelCut bevel) {
  if (bevel == bevelInner_) return;
  bevelInner_ = bevel;
  Changed("BevelInner");
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
  if (bevel == bevelOuter_) return;
  bevelOuter_ = bevel;
  Changed("BevelOuter");
}

void TPanel::SetBevelWidth(int width) {
  if (width < 1) throw EPropertyError("BevelWidth must be at least 1 (" + std::to_string(width) + ")");
  if (width == bevelWidth_) return;
  bevelWidth_ = width;
  Changed("BevelWidth");
}

void TPanel::SetBorderWidth(int width) {
  if (width < 0) throw EPropertyError("BorderWidth cannot be negative (" + std::to_string(width) + ")");
  if (width == borderWidth_) return;
  borderWidth_ = width;
  Changed("BorderWidth");
}

void TPanel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Changed("Alignment");
}

// ---- TBevel ------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TBevel, TControl);

void TBevel::DefineProperties(PropertyBuilder<TBevel>& p) {
  p.Enum("Shape", kBevelShapeInfo, &TBevel::Shape, &TBevel::SetShape)
      .Enum("Style", kBevelStyleInfo, &TBevel::Style, &TBevel::SetStyle);
}

TBevel::TBevel(TComponent* owner) : TControl(owner) {
  SetBounds(0, 0, 50, 50);
  SetColor(clBtnFace);
}

void TBevel::SetShape(TBevelShape shape) {
  if (shape == shape_) return;
  shape_ = shape;
  Changed("Shape");
}

void TBevel::SetStyle(TBevelStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed("Style");
}

// ---- TRadioGroup -------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TRadioGroup, TGroupBox);

void TRadioGroup::DefineProperties(PropertyBuilder<TRadioGroup>& p) {
  p.Strings("Items", &TRadioGroup::Items, &TRadioGroup::SetItems)
      .Integer("ItemIndex", &TRadioGroup::ItemIndex, &TRadioGroup::SetItemIndex)
      .Integer("Columns", &TRadioGroup::Columns, &TRadioGroup::SetColumns);
}

TRadioGroup::TRadioGroup(TComponent* owner) : TGroupBox(owner) {
  // The group takes the focus for its buttons.
  SetTabStop(true);
}

void TRadioGroup::SetItems(const TStringList& items) {
  items_ = items;
  Changed("Items");
  if (itemIndex_ >= items_.Count()) SetItemIndex(-1);
}

void TRadioGroup::SetItemIndex(int itemIndex) {
  if (itemIndex < -1 || itemIndex >= items_.Count()) {
    throw EComponentError("List index out of bounds (" + std::to_string(itemIndex) + ")");
  }
  if (itemIndex == itemIndex_) return;
  itemIndex_ = itemIndex;
  Changed("ItemIndex");
  TControl::Click();
}

void TRadioGroup::SetColumns(int columns) {
  if (columns < 1 || columns > 16) {
    throw EPropertyError("Columns must be between 1 and 16 (" + std::to_string(columns) + ")");
  }
  if (columns == columns_) return;
  columns_ = columns;
  Changed("Columns");
}

void TRadioGroup::ClickItem(int index) {
  if (index < 0 || index >= items_.Count()) {
    throw EComponentError("List index out of bounds (" + std::to_string(index) + ")");
  }
  if (!Enabled() || index == itemIndex_ || !CanModify()) return;
  SetItemIndex(index);
}

void TRadioGroup::HandleKeyDown(uint16_t& key, TShiftState) {
  const bool back = key == VK_UP || key == VK_LEFT;
  const bool forward = key == VK_DOWN || key == VK_RIGHT;
  if (!back && !forward) return;
  key = 0;
  const int count = items_.Count();
  if (count == 0) return;
  if (back) {
    ClickItem(itemIndex_ <= 0 ? count - 1 : itemIndex_ - 1);
  } else {
    ClickItem(itemIndex_ < 0 || itemIndex_ >= count - 1 ? 0 : itemIndex_ + 1);
  }
}

}  // namespace pellor
