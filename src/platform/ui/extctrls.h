// Panels, bevels and radio groups.
#ifndef PELLOR_UI_EXTCTRLS_H_
#define PELLOR_UI_EXTCTRLS_H_

#include <cstdint>
#include <string>

#include "platform/rtl/stringlist.h"
#include "platform/ui/stdctrls.h"

namespace pellor {

enum TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };
inline constexpr std::string_view kBevelCutNames[] = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
inline constexpr TEnumInfo kBevelCutInfo{"TBevelCut", kBevelCutNames};

// A container with a caption and a raised or lowered edge.
class TPanel : public TWinControl {
  PELLOR_CLASS(TPanel);

 public:
  explicit TPanel(TComponent* owner);

  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut bevel);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut bevel);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);  // at least 1
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width);  // at least 0
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);

 private:
  static void DefineProperties(PropertyBuilder<TPanel>& p);

  TBevelCut bevelInner_ = bvNone;
  TBevelCut bevelOuter_ = bvRaised;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TAlignment alignment_ = taCenter;
};

enum TBevelShape : uint8_t { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
inline constexpr std::string_view kBevelShapeNames[] = {"bsBox",       "bsFrame",     "bsTopLine", "bsBottomLine",
                                                        "bsLeftLine", "bsRightLine", "bsSpacer"};
inline constexpr TEnumInfo kBevelShapeInfo{"TBevelShape", kBevelShapeNames};

enum TBevelStyle : uint8_t { bsLowered, bsRaised };
inline constexpr std::string_view kBevelStyleNames[] = {"bsLowered", "bsRaised"};
inline constexpr TEnumInfo kBevelStyleInfo{"TBevelStyle", kBevelStyleNames};

// A line or box drawn as a groove or ridge; it cannot take the focus.
class TBevel : public TControl {
  PELLOR_CLASS(TBevel);

 public:
  explicit TBevel(TComponent* owner);

  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape shape);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle style);

 private:
  static void DefineProperties(PropertyBuilder<TBevel>& p);

  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

// A group box of radio buttons, one per item, laid out in Columns. Only one
// item is chosen: ItemIndex (-1 for none). As on the original platform every
// change of ItemIndex, by the user or by code, runs OnClick.
class TRadioGroup : public TGroupBox, public IKeyHandling {
  PELLOR_CLASS(TRadioGroup);

 public:
  explicit TRadioGroup(TComponent* owner);

  const TStringList& Items() const { return items_; }
  // Keeps ItemIndex while it is still in range, else none is chosen.
  void SetItems(const TStringList& items);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int itemIndex);  // -1..Count-1, else EComponentError
  int Columns() const { return columns_; }
  void SetColumns(int columns);  // 1..16, else EPropertyError

  // The user clicks the button of item `index` (a click on the chosen one
  // changes nothing). EComponentError when out of range.
  void ClickItem(int index);

  // The arrows choose the neighbouring item, wrapping round.
  void HandleKeyDown(uint16_t& key, TShiftState shift) override;
  TDialogCodes WantedKeys() const override { return {dcWantArrows}; }

 protected:
  // Asked before the user changes the choice; a data-aware descendant puts
  // its dataset into edit mode here.
  virtual bool CanModify() { return true; }

 private:
  static void DefineProperties(PropertyBuilder<TRadioGroup>& p);

  TStringList items_;
  int itemIndex_ = -1;
  int columns_ = 1;
};

}  // namespace pellor

#endif  // PELLOR_UI_EXTCTRLS_H_
