#include "platform/ui/control.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>

#include "platform/ui/menus.h"

namespace pellor {

namespace {

// Handles start well above small numbers so that a handle is never mistaken
// for a count or an index in a log.
std::atomic<WindowHandle> nextHandle{0x10000};

std::mutex& HandleMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<WindowHandle, TWinControl*>& HandleTable() {
  static std::unordered_map<WindowHandle, TWinControl*> table;
  return table;
}

}  // namespace

// ---- TControl -------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TControl, TComponent);

void TControl::DefineProperties(PropertyBuilder<TControl>& p) {
  p.Integer("Left", &TControl::Left, &TControl::SetLeft)
      .Integer("Top", &TControl::Top, &TControl::SetTop)
      .Integer("Width", &TControl::Width, &TControl::SetWidth)
      .Integer("Height", &TControl::Height, &TControl::SetHeight)
      .Enum("Align", kAlignInfo, &TControl::Align, &TControl::SetAlign)
      .Bool("Visible", &TControl::Visible, &TControl::SetVisible)
      .Bool("Enabled", &TControl::Enabled, &TControl::SetEnabled)
      .Text("Hint", &TControl::Hint, &TControl::SetHint)
      .Bool("ShowHint", &TControl::ShowHint, &TControl::SetShowHint)
      .Bool("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint)
      .Font("Font", &TControl::Font)
      .Bool("ParentFont", &TControl::ParentFont, &TControl::SetParentFont)
      .Color("Color", &TControl::Color, &TControl::SetColor)
      .Integer("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext)
      .Reference("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu)
      .Event("OnClick", &TControl::OnClick)
      .Event("OnDblClick", &TControl::OnDblClick)
      .Event("OnContextPopup", &TControl::OnContextPopup);
}

TControl::TControl(TComponent* owner)
    : TComponent(owner), font_(std::make_unique<TFont>([this] { OnFontChange(); })) {}

TControl::~TControl() {
  MarkDestroying();
  if (parent_ != nullptr) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EInvalidOperation("A control cannot be its own parent");
  if (auto* self = dynamic_cast<TWinControl*>(this); self != nullptr && self->ContainsControl(parent)) {
    throw EInvalidOperation("A control cannot be placed on one of its own children");
  }
  if (parent_ != nullptr) parent_->RemoveControl(this);
  parent_ = parent;
  if (parent_ != nullptr) {
    parent_->InsertControl(this);
    if (parentFont_) TakeParentFont();
    if (parentShowHint_) TakeParentShowHint();
  }
  Changed("Parent");
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const bool moved[] = {left != left_, top != top_, width != width_, height != height_};
  if (!(moved[0] || moved[1] || moved[2] || moved[3])) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  static constexpr const char* kNames[] = {"Left", "Top", "Width", "Height"};
  for (int i = 0; i < 4; ++i) {
    if (moved[i]) Changed(kNames[i]);
  }
  if (align_ != alNone) RealignParent();
}

void TControl::RealignParent() {
  if (parent_ != nullptr && !parent_->aligning_) parent_->Realign();
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  Changed("Align");
  RealignParent();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Changed("Visible");
  if (align_ != alNone) RealignParent();
}

bool TControl::Showing() const {
  for (const TControl* c = this; c != nullptr; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed("Enabled");
}

void TControl::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed("Caption");
}

void TControl::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Changed("Text");
}

void TControl::SetHint(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  Changed("Hint");
}

void TControl::SetShowHint(bool showHint) {
  if (parentShowHint_) {
    parentShowHint_ = false;
    Changed("ParentShowHint");
  }
  ApplyShowHint(showHint);
}

void TControl::SetParentShowHint(bool parentShowHint) {
  if (parentShowHint == parentShowHint_) return;
  parentShowHint_ = parentShowHint;
  Changed("ParentShowHint");
  if (parentShowHint_) TakeParentShowHint();
}

void TControl::TakeParentShowHint() {
  if (parent_ != nullptr) ApplyShowHint(parent_->showHint_);
}

void TControl::ApplyShowHint(bool showHint) {
  if (showHint == showHint_) return;
  showHint_ = showHint;
  Changed("ShowHint");
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    for (TControl* child : self->controls_) {
      if (child->parentShowHint_) child->ApplyShowHint(showHint_);
    }
  }
}

void TControl::SetParentFont(bool parentFont) {
  if (parentFont == parentFont_) return;
  parentFont_ = parentFont;
  Changed("ParentFont");
  if (parentFont_) TakeParentFont();
}

void TControl::TakeParentFont() {
  if (parent_ == nullptr) return;
  takingParentFont_ = true;
  try {
    font_->Assign(*parent_->font_);
  } catch (...) {
    takingParentFont_ = false;
    throw;
  }
  takingParentFont_ = false;
}

void TControl::OnFontChange() {
  if (!takingParentFont_ && parentFont_) {
    parentFont_ = false;
    Changed("ParentFont");
  }
  Changed("Font");
  FontChanged();
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    for (TControl* child : self->controls_) {
      if (child->parentFont_) child->TakeParentFont();
    }
  }
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed("Color");
}

void TControl::SetHelpContext(int helpContext) {
  if (helpContext == helpContext_) return;
  helpContext_ = helpContext;
  Changed("HelpContext");
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::SetPopupMenu(TPopupMenu* popupMenu) {
  if (popupMenu == popupMenu_.Get()) return;
  popupMenu_.Set(popupMenu);
  popupRaw_ = popupMenu_.Get();
  Changed("PopupMenu");
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component != nullptr && component == popupRaw_) {
    popupRaw_ = nullptr;
    Changed("PopupMenu");
  }
}

TPoint TControl::ClientToScreen(TPoint point) const {
  for (const TControl* c = this; c != nullptr; c = c->parent_) {
    const TPoint offset = c->ClientOffset();
    point.X += c->left_ + offset.X;
    point.Y += c->top_ + offset.Y;
  }
  return point;
}

bool TControl::ContextPopup(TPoint mousePos) {
  const bool fromKeyboard = mousePos == kKeyboardContextPos;
  TPoint at = mousePos;
  TComponentWatch self(this);
  for (TControl* c = this; c != nullptr;) {
    TComponentWatch level(c);
    if (c->OnContextPopup) {
      bool handled = false;
      // A copy: the handler may free the control, and its slot with it.
      TContextPopupEvent handler = c->OnContextPopup;
      handler(c, at, handled);
      if (handled) return true;
      // What the user pointed at is gone with its window: nothing is left to
      // open a menu for.
      if (!self || !level) return true;
    }
    TPopupMenu* menu = c->PopupMenu();
    if (menu != nullptr && menu->AutoPopup()) {
      TPoint screen;
      if (fromKeyboard) {
        const auto* win = dynamic_cast<const TWinControl*>(this);
        screen = ClientToScreen({(win != nullptr ? win->ClientWidth() : width_) / 2,
                                 (win != nullptr ? win->ClientHeight() : height_) / 2});
      } else {
        screen = ClientToScreen(mousePos);
      }
      menu->SetPopupComponent(this);
      menu->Popup(screen.X, screen.Y);
      return true;
    }
    if (!fromKeyboard) {
      const TPoint offset = c->ClientOffset();
      at.X += c->left_ + offset.X;
      at.Y += c->top_ + offset.Y;
    }
    c = c->parent_;
  }
  return false;
}

// ---- TWinControl ----------------------------------------------------------------

PELLOR_DEFINE_CLASS(TWinControl, TControl);

void TWinControl::DefineProperties(PropertyBuilder<TWinControl>& p) {
  p.Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder)
      .Bool("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop)
      .Event("OnEnter", &TWinControl::OnEnter)
      .Event("OnExit", &TWinControl::OnExit)
      .Event("OnKeyDown", &TWinControl::OnKeyDown)
      .Event("OnKeyUp", &TWinControl::OnKeyUp)
      .Event("OnKeyPress", &TWinControl::OnKeyPress);
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  MarkDestroying();
  if (Parent() != nullptr) {
    Parent()->RemoveControl(this);
    parent_ = nullptr;
  }
  // The children belong to their owners; they only lose their place.
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    controls_.pop_back();
    child->parent_ = nullptr;
    child->Changed("Parent");
  }
  tabList_.clear();
  if (handle_ != 0) {
    std::lock_guard<std::mutex> lock(HandleMutex());
    HandleTable().erase(handle_);
  }
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  const bool resized = std::max(width, 0) != Width() || std::max(height, 0) != Height();
  TControl::SetBounds(left, top, width, height);
  if (resized) Realign();
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) {
    throw EComponentError("Control index out of bounds (" + std::to_string(index) + ")");
  }
  return controls_[index];
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c != nullptr; c = c->Parent()) {
    if (c == this) return true;
  }
  return false;
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    tabList_.push_back(win);
    int wanted = win->pendingTabOrder_;
    win->pendingTabOrder_ = -1;
    if (wanted >= 0) MoveInTabList(win, wanted);
  }
  Changed("Controls");
  if (control->align_ != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  // Compared as TControl: a control on its way out is no TWinControl any more
  // by the time ~TControl takes it off its parent.
  {
    auto it = std::find_if(tabList_.begin(), tabList_.end(),
                           [control](TWinControl* w) { return static_cast<TControl*>(w) == control; });
    if (it != tabList_.end()) {
      size_t index = it - tabList_.begin();
      tabList_.erase(it);
      ReportTabOrders(index, tabList_.size());
    }
  }
  if (!Destroying()) {
    Changed("Controls");
    if (control->align_ != alNone) Realign();
  }
}

int TWinControl::TabOrder() const {
  if (Parent() == nullptr) return pendingTabOrder_;
  const auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int tabOrder) {
  if (Parent() == nullptr) {
    if (tabOrder == pendingTabOrder_) return;
    pendingTabOrder_ = tabOrder;
    Changed("TabOrder");
    return;
  }
  Parent()->MoveInTabList(this, tabOrder);
}

void TWinControl::MoveInTabList(TWinControl* control, int tabOrder) {
  auto it = std::find(tabList_.begin(), tabList_.end(), control);
  if (it == tabList_.end()) return;
  const size_t from = it - tabList_.begin();
  const size_t to = static_cast<size_t>(std::clamp(tabOrder, 0, static_cast<int>(tabList_.size()) - 1));
  if (from == to) return;
  tabList_.erase(it);
  tabList_.insert(tabList_.begin() + to, control);
  ReportTabOrders(std::min(from, to), std::max(from, to) + 1);
}

void TWinControl::ReportTabOrders(size_t from, size_t to) {
  for (size_t i = from; i < to && i < tabList_.size(); ++i) tabList_[i]->Changed("TabOrder");
}

void TWinControl::SetTabStop(bool tabStop) {
  if (tabStop == tabStop_) return;
  tabStop_ = tabStop;
  Changed("TabStop");
}

void TWinControl::CollectTabOrder(std::vector<TWinControl*>& list) const {
  for (TWinControl* child : tabList_) {
    list.push_back(child);
    child->CollectTabOrder(list);
  }
}

std::vector<TWinControl*> TWinControl::TabOrderList() const {
  std::vector<TWinControl*> list;
  CollectTabOrder(list);
  return list;
}

TWinControl* TWinControl::FindNextControl(const TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
  std::vector<TWinControl*> list = TabOrderList();
  if (list.empty()) return nullptr;
  const size_t n = list.size();
  auto it = std::find(list.begin(), list.end(), current);
  // Without a current control the search starts at the first (or last) one.
  const size_t start = it != list.end() ? static_cast<size_t>(it - list.begin()) : (goForward ? n - 1 : 0);
  size_t i = start;
  do {
    i = goForward ? (i + 1) % n : (i + n - 1) % n;
    TWinControl* candidate = list[i];
    if (candidate->CanFocus() && (!checkTabStop || candidate->tabStop_) &&
        (!checkParent || candidate->Parent() == this)) {
      return candidate;
    }
  } while (i != start);
  return nullptr;
}

bool TWinControl::CanFocus() const {
  for (const TWinControl* c = this; c != nullptr; c = c->Parent()) {
    if (c->Parent() == nullptr) return c->Enabled();
    if (!c->Visible() || !c->Enabled()) return false;
  }
  return false;
}

WindowHandle TWinControl::Handle() {
  if (handle_ == 0) {
    handle_ = nextHandle++;
    std::lock_guard<std::mutex> lock(HandleMutex());
    HandleTable()[handle_] = this;
  }
  return handle_;
}

TWinControl* FindControl(WindowHandle handle) {
  std::lock_guard<std::mutex> lock(HandleMutex());
  auto it = HandleTable().find(handle);
  return it == HandleTable().end() ? nullptr : it->second;
}

void TWinControl::EnableAlign() {
  if (alignDisabled_ > 0 && --alignDisabled_ == 0 && alignPending_) Realign();
}

void TWinControl::Realign() {
  if (Destroying() || aligning_) return;
  if (alignDisabled_ > 0) {
    alignPending_ = true;
    return;
  }
  alignPending_ = false;
  aligning_ = true;
  try {
    AlignControls();
  } catch (...) {
    aligning_ = false;
    throw;
  }
  aligning_ = false;
}

void TWinControl::AlignControls() {
  int left = 0;
  int top = 0;
  int right = ClientWidth();
  int bottom = ClientHeight();

  auto placed = [this](TAlign align) {
    std::vector<TControl*> list;
    for (TControl* c : controls_) {
      if (c->align_ == align && c->visible_) list.push_back(c);
    }
    // Controls of one alignment keep the order of their positions, so that
    // moving one past another swaps them; ties keep the child order.
    std::stable_sort(list.begin(), list.end(), [align](const TControl* a, const TControl* b) {
      switch (align) {
        case alTop: return a->top_ < b->top_;
        case alBottom: return a->top_ + a->height_ > b->top_ + b->height_;
        case alLeft: return a->left_ < b->left_;
        case alRight: return a->left_ + a->width_ > b->left_ + b->width_;
        default: return false;
      }
    });
    return list;
  };

  for (TControl* c : placed(alTop)) {
    c->SetBounds(left, top, right - left, c->height_);
    top += c->height_;
  }
  for (TControl* c : placed(alBottom)) {
    c->SetBounds(left, bottom - c->height_, right - left, c->height_);
    bottom -= c->height_;
  }
  for (TControl* c : placed(alLeft)) {
    c->SetBounds(left, top, c->width_, bottom - top);
    left += c->width_;
  }
  for (TControl* c : placed(alRight)) {
    c->SetBounds(right - c->width_, top, c->width_, bottom - top);
    right -= c->width_;
  }
  for (TControl* c : placed(alClient)) c->SetBounds(left, top, right - left, bottom - top);
}

}  // namespace pellor
