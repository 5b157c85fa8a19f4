// Tool bars and their buttons.
//
// A tool bar lines its buttons up from the left in their order, without
// gaps, each as high as ButtonHeight: command buttons as wide as
// ButtonWidth (drop-down buttons wider by the arrow part), separators and
// dividers as wide as they are set. The order is the order of positions:
// moving a button to a left edge puts it before the button that stood there,
// which is how a form places a button it creates at run time ("right of the
// last separator") before it packs the bar. A button that is placed on the
// bar is appended at the end; a hidden button takes no room.
//
// The record forms switch buttons on and off with the state of the record
// (UpdateCommands), change a button between a plain and a drop-down button
// (the saved-condition menu of the query button) and read the bar's font for
// their dialogs; each of those changes is reported to observers.
#ifndef PELLOR_UI_TOOLBAR_H_
#define PELLOR_UI_TOOLBAR_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/imglist.h"
#include "platform/ui/menus.h"

namespace pellor {

enum TToolButtonStyle : uint8_t { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };
inline constexpr std::string_view kToolButtonStyleNames[] = {"tbsButton", "tbsCheck", "tbsDropDown",
                                                             "tbsSeparator", "tbsDivider"};
inline constexpr TEnumInfo kToolButtonStyleInfo{"TToolButtonStyle", kToolButtonStyleNames};

class TToolBar;

class TToolButton : public TControl {
  PELLOR_CLASS(TToolButton);

 public:
  // Width of the arrow part of a drop-down button.
  static constexpr int kDropDownArrowWidth = 14;
  // The width a button takes when it becomes a separator or divider.
  static constexpr int kSeparatorWidth = 8;

  explicit TToolButton(TComponent* owner);
  ~TToolButton() override;

  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle style);
  bool IsSeparator() const { return style_ == tbsSeparator || style_ == tbsDivider; }
  // Index into the bar's image list; -1 shows no image.
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int imageIndex);
  // The menu the arrow of a drop-down button opens; cleared when the menu
  // goes away.
  TPopupMenu* DropdownMenu() const { return dropdownMenu_.Get(); }
  void SetDropdownMenu(TPopupMenu* menu);
  // Shown pressed. Pressing a grouped check button raises the other buttons
  // of its group: the neighbouring grouped check buttons, up to a button of
  // another kind or an ungrouped one.
  bool Down() const { return down_; }
  void SetDown(bool down);
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool grouped);

  // The tool bar the button sits on, or nullptr.
  TToolBar* ToolBar() const;
  // Position on the bar, -1 off a bar.
  int Index() const;

  void SetParent(TWinControl* parent) override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;

  // A press of the button as a user makes it: nothing for a disabled button
  // or a separator; a check button goes down (a grouped one that is down
  // stays down, an ungrouped one toggles); then OnClick runs.
  void Click() override;
  // A press on the arrow of a drop-down button: its menu is shown below the
  // button with the button as the menu's PopupComponent. Returns the chosen
  // item (compare only: its handler may have freed it), nullptr when there
  // was no menu, the button is disabled or not a drop-down button, or the
  // user chose nothing.
  TMenuItem* ClickArrow();

 private:
  friend class TToolBar;
  static void DefineProperties(PropertyBuilder<TToolButton>& p);
  std::vector<TToolButton*> Group();

  TToolButtonStyle style_ = tbsButton;
  int imageIndex_ = -1;
  bool down_ = false;
  bool grouped_ = false;
  TComponentRef<TPopupMenu> dropdownMenu_{this};
};

class TToolBar : public TWinControl {
  PELLOR_CLASS(TToolBar);

 public:
  // Aligned to the top of its parent, 29 pixels high.
  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;

  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  // In bar order; EComponentError when out of range.
  TToolButton* Buttons(int index) const;

  // Defaults 23 and 22.
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int width);
  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int height);
  bool Flat() const { return flat_; }
  void SetFlat(bool flat);
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool showCaptions);
  // The image list the buttons' ImageIndex points into; cleared when it goes
  // away.
  TImageList* Images() const { return images_.Get(); }
  void SetImages(TImageList* images);

  // Places the buttons again (see the top of this file).
  void ArrangeButtons();

 private:
  friend class TToolButton;
  static void DefineProperties(PropertyBuilder<TToolBar>& p);

  void AddButton(TToolButton* button);
  void RemoveButton(TToolButton* button);
  // A button was moved by someone else than the bar: it takes the place of
  // the first other button at or right of its new left edge.
  void ButtonMoved(TToolButton* button);

  std::vector<TToolButton*> buttons_;
  int buttonWidth_ = 23;
  int buttonHeight_ = 22;
  bool flat_ = false;
  bool showCaptions_ = false;
  bool arranging_ = false;
  TComponentRef<TImageList> images_{this};
};

}  // namespace pellor

#endif  // PELLOR_UI_TOOLBAR_H_
