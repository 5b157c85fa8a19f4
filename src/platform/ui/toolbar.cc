#include "platform/ui/toolbar.h"

#include <algorithm>

namespace pellor {

// ---- TToolButton ----------------------------------------------------------------

PELLOR_DEFINE_CLASS(TToolButton, TControl);

void TToolButton::DefineProperties(PropertyBuilder<TToolButton>& p) {
  p.Text("Caption", &TControl::Caption, &TControl::SetCaption)
      .Enum("Style", kToolButtonStyleInfo, &TToolButton::Style, &TToolButton::SetStyle)
      .Integer("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex)
      .Reference("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu)
      .Bool("Down", &TToolButton::Down, &TToolButton::SetDown)
      .Bool("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped);
}

TToolButton::TToolButton(TComponent* owner) : TControl(owner) { TControl::SetBounds(0, 0, 23, 22); }

TToolButton::~TToolButton() {
  MarkDestroying();
  if (TToolBar* bar = ToolBar()) bar->RemoveButton(this);
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

int TToolButton::Index() const {
  TToolBar* bar = ToolBar();
  if (bar == nullptr) return -1;
  auto it = std::find(bar->buttons_.begin(), bar->buttons_.end(), this);
  return it == bar->buttons_.end() ? -1 : static_cast<int>(it - bar->buttons_.begin());
}

void TToolButton::SetParent(TWinControl* parent) {
  TToolBar* old = ToolBar();
  if (parent == Parent()) return;
  TControl::SetParent(parent);
  if (old != nullptr) old->RemoveButton(this);
  if (TToolBar* bar = ToolBar()) bar->AddButton(this);
}

void TToolButton::SetBounds(int left, int top, int width, int height) {
  const bool moved = left != Left();
  TControl::SetBounds(left, top, width, height);
  TToolBar* bar = ToolBar();
  if (bar == nullptr || bar->arranging_) return;
  if (moved) {
    bar->ButtonMoved(this);
  } else {
    bar->ArrangeButtons();
  }
}

void TToolButton::SetVisible(bool visible) {
  if (visible == Visible()) return;
  TControl::SetVisible(visible);
  if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
}

void TToolButton::SetStyle(TToolButtonStyle style) {
  if (style == style_) return;
  const bool wasSeparator = IsSeparator();
  style_ = style;
  Changed("Style");
  if (IsSeparator() && !wasSeparator) TControl::SetBounds(Left(), Top(), kSeparatorWidth, Height());
  if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
}

void TToolButton::SetImageIndex(int imageIndex) {
  if (imageIndex == imageIndex_) return;
  imageIndex_ = imageIndex;
  Changed("ImageIndex");
}

void TToolButton::SetDropdownMenu(TPopupMenu* menu) {
  if (menu == dropdownMenu_.Get()) return;
  dropdownMenu_.Set(menu);
  Changed("DropdownMenu");
}

std::vector<TToolButton*> TToolButton::Group() {
  std::vector<TToolButton*> group;
  TToolBar* bar = ToolBar();
  const int index = Index();
  if (bar == nullptr || index < 0) return group;
  auto member = [](const TToolButton* b) { return b->style_ == tbsCheck && b->grouped_; };
  int first = index;
  while (first > 0 && member(bar->buttons_[first - 1])) --first;
  for (int i = first; i < bar->ButtonCount() && (i == index || member(bar->buttons_[i])); ++i) {
    if (bar->buttons_[i] != this) group.push_back(bar->buttons_[i]);
  }
  return group;
}

void TToolButton::SetDown(bool down) {
  if (down == down_) return;
  down_ = down;
  Changed("Down");
  if (down_ && style_ == tbsCheck && grouped_) {
    for (TToolButton* other : Group()) other->SetDown(false);
  }
}

void TToolButton::SetGrouped(bool grouped) {
  if (grouped == grouped_) return;
  grouped_ = grouped;
  Changed("Grouped");
}

void TToolButton::Click() {
  if (!Enabled() || IsSeparator()) return;
  if (style_ == tbsCheck) SetDown(grouped_ ? true : !down_);
  TControl::Click();
}

TMenuItem* TToolButton::ClickArrow() {
  TPopupMenu* menu = DropdownMenu();
  if (!Enabled() || style_ != tbsDropDown || menu == nullptr) return nullptr;
  menu->SetPopupComponent(this);
  return menu->Popup(Left(), Top() + Height());
}

// ---- TToolBar -------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TToolBar, TWinControl);

void TToolBar::DefineProperties(PropertyBuilder<TToolBar>& p) {
  p.Integer("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth)
      .Integer("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight)
      .Bool("Flat", &TToolBar::Flat, &TToolBar::SetFlat)
      .Bool("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions)
      .Reference("Images", &TToolBar::Images, &TToolBar::SetImages);
}

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner) {
  SetAlign(alTop);
  SetHeight(29);
}

TToolBar::~TToolBar() {
  MarkDestroying();
  buttons_.clear();
}

TToolButton* TToolBar::Buttons(int index) const {
  if (index < 0 || index >= ButtonCount()) {
    throw EComponentError("Tool button index out of bounds (" + std::to_string(index) + ")");
  }
  return buttons_[index];
}

void TToolBar::SetButtonWidth(int width) {
  width = std::max(width, 0);
  if (width == buttonWidth_) return;
  buttonWidth_ = width;
  Changed("ButtonWidth");
  ArrangeButtons();
}

void TToolBar::SetButtonHeight(int height) {
  height = std::max(height, 0);
  if (height == buttonHeight_) return;
  buttonHeight_ = height;
  Changed("ButtonHeight");
  ArrangeButtons();
}

void TToolBar::SetFlat(bool flat) {
  if (flat == flat_) return;
  flat_ = flat;
  Changed("Flat");
}

void TToolBar::SetShowCaptions(bool showCaptions) {
  if (showCaptions == showCaptions_) return;
  showCaptions_ = showCaptions;
  Changed("ShowCaptions");
}

void TToolBar::SetImages(TImageList* images) {
  if (images == images_.Get()) return;
  images_.Set(images);
  Changed("Images");
}

void TToolBar::AddButton(TToolButton* button) {
  if (std::find(buttons_.begin(), buttons_.end(), button) != buttons_.end()) return;
  buttons_.push_back(button);
  ArrangeButtons();
}

void TToolBar::RemoveButton(TToolButton* button) {
  auto it = std::find(buttons_.begin(), buttons_.end(), button);
  if (it == buttons_.end()) return;
  buttons_.erase(it);
  if (!Destroying()) ArrangeButtons();
}

void TToolBar::ButtonMoved(TToolButton* button) {
  buttons_.erase(std::find(buttons_.begin(), buttons_.end(), button));
  auto at = std::find_if(buttons_.begin(), buttons_.end(),
                         [button](const TToolButton* other) { return other->Left() >= button->Left(); });
  buttons_.insert(at, button);
  ArrangeButtons();
}

void TToolBar::ArrangeButtons() {
  if (arranging_ || Destroying()) return;
  arranging_ = true;
  try {
    int x = 0;
    for (TToolButton* button : buttons_) {
      int width = button->Width();
      if (!button->IsSeparator()) {
        width = buttonWidth_ + (button->Style() == tbsDropDown ? TToolButton::kDropDownArrowWidth : 0);
      }
      // A hidden button keeps its width but takes no room: the next button
      // stands where it is.
      button->SetBounds(x, 0, width, buttonHeight_);
      if (button->Visible()) x += width;
    }
  } catch (...) {
    arranging_ = false;
    throw;
  }
  arranging_ = false;
}

}  // namespace pellor
