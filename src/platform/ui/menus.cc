#include "platform/ui/menus.h"

#include <algorithm>

#include "platform/rtl/strutils.h"
#include "platform/ui/keys.h"
#include "platform/ui/platform.h"

namespace pellor {

// ---- TComponentWatch ----------------------------------------------------------------

namespace {

// An unowned component whose only part is the reference that free
// notification clears.
class TWatcher : public TComponent {
 public:
  explicit TWatcher(TComponent* owner) : TComponent(owner) {}
  TComponentRef<TComponent> target{this};
};

}  // namespace

TComponentWatch::TComponentWatch(TComponent* component) {
  if (component == nullptr || component->Destroying()) return;
  std::unique_ptr<TWatcher> watcher = TComponent::CreateUnowned<TWatcher>();
  watcher->target.Set(component);
  watcher_ = std::move(watcher);
}

TComponentWatch::~TComponentWatch() = default;

bool TComponentWatch::Alive() const {
  if (watcher_ == nullptr) return false;
  TComponent* target = static_cast<TWatcher&>(*watcher_).target.Get();
  return target != nullptr && !target->Destroying();
}

// ---- Shortcuts ----------------------------------------------------------------------

namespace {

struct KeyName {
  uint16_t key;
  const char* name;
};

constexpr KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},      {VK_TAB, "Tab"},       {VK_ESCAPE, "Esc"},     {VK_RETURN, "Enter"},
    {VK_SPACE, "Space"},    {VK_PRIOR, "PgUp"},    {VK_NEXT, "PgDn"},      {VK_END, "End"},
    {VK_HOME, "Home"},      {VK_LEFT, "Left"},     {VK_UP, "Up"},          {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},      {VK_INSERT, "Ins"},    {VK_DELETE, "Del"},     {VK_MULTIPLY, "Num *"},
    {VK_ADD, "Num +"},      {VK_SUBTRACT, "Num -"}, {VK_DECIMAL, "Num ."}, {VK_DIVIDE, "Num /"},
};

std::string KeyText(uint16_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F24) return "F" + IntToStr(key - VK_F1 + 1);
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return "Num " + IntToStr(key - VK_NUMPAD0);
  for (const KeyName& entry : kKeyNames) {
    if (entry.key == key) return entry.name;
  }
  return "";
}

std::optional<uint16_t> KeyOfText(std::string_view text) {
  if (text.size() == 1) {
    char c = text[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return static_cast<uint16_t>(c);
    return std::nullopt;
  }
  for (uint16_t key = VK_F1; key <= VK_F24; ++key) {
    if (SameText(text, KeyText(key))) return key;
  }
  for (uint16_t key = VK_NUMPAD0; key <= VK_NUMPAD9; ++key) {
    if (SameText(text, KeyText(key))) return key;
  }
  for (const KeyName& entry : kKeyNames) {
    if (SameText(text, entry.name)) return entry.key;
  }
  return std::nullopt;
}

}  // namespace

TShortCut ShortCut(uint16_t key, TShiftState shift) {
  TShortCut result = key & 0x1FFF;
  if (shift.Contains(ssShift)) result |= scShift;
  if (shift.Contains(ssCtrl)) result |= scCtrl;
  if (shift.Contains(ssAlt)) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift) {
  key = shortCut & 0x1FFF;
  shift = {};
  if (shortCut & scShift) shift.Include(ssShift);
  if (shortCut & scCtrl) shift.Include(ssCtrl);
  if (shortCut & scAlt) shift.Include(ssAlt);
}

std::string ShortCutToText(TShortCut shortCut) {
  std::string name = KeyText(shortCut & 0x1FFF);
  if (name.empty()) return "";
  std::string text;
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  return text + name;
}

std::optional<TShortCut> TryTextToShortCut(std::string_view text) {
  if (text.empty()) return scNone;
  TShortCut modifiers = 0;
  for (;;) {
    // "Num +" and a lone "+" key name end in "+": only strip a modifier
    // while something follows it.
    if (text.size() > 6 && StartsText("Shift+", text)) {
      modifiers |= scShift;
      text.remove_prefix(6);
    } else if (text.size() > 5 && StartsText("Ctrl+", text)) {
      modifiers |= scCtrl;
      text.remove_prefix(5);
    } else if (text.size() > 4 && StartsText("Alt+", text)) {
      modifiers |= scAlt;
      text.remove_prefix(4);
    } else if (text.size() > 1 && text[0] == '^') {
      modifiers |= scCtrl;
      text.remove_prefix(1);
    } else {
      break;
    }
  }
  std::optional<uint16_t> key = KeyOfText(text);
  if (!key) return std::nullopt;
  return static_cast<TShortCut>(*key | modifiers);
}

TShortCut TextToShortCut(std::string_view text) {
  std::optional<TShortCut> shortCut = TryTextToShortCut(text);
  if (!shortCut) throw EConvertError("'" + std::string(text) + "' is not a valid shortcut");
  return *shortCut;
}

// ---- TMenuItem ----------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TMenuItem, TComponent);

void TMenuItem::DefineProperties(PropertyBuilder<TMenuItem>& p) {
  p.Text("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
      .Text("ShortCut", &TMenuItem::ShortCutText, &TMenuItem::SetShortCutText)
      .Bool("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked)
      .Bool("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem)
      .Integer("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex)
      .Bool("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck)
      .Bool("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled)
      .Bool("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible)
      .Bool("Default", &TMenuItem::Default, &TMenuItem::SetDefault)
      .Text("Hint", &TMenuItem::Hint, &TMenuItem::SetHint)
      .Integer("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex)
      .Event("OnClick", &TMenuItem::OnClick);
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  MarkDestroying();
  if (parent_ != nullptr) parent_->Detach(this, true);
  for (TMenuItem* child : items_) child->parent_ = nullptr;
  items_.clear();
  // Their parent is already cleared, so they do not come back to items_.
  held_.clear();
}

void TMenuItem::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed("Caption");
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
  if (shortCut == shortCut_) return;
  shortCut_ = shortCut;
  Changed("ShortCut");
}

std::string TMenuItem::ShortCutText() const {
  if (shortCut_ == scNone) return "";
  std::string text = ShortCutToText(shortCut_);
  // A key without a name keeps its number, so that reading and writing back
  // loses nothing.
  return text.empty() ? IntToStr(shortCut_) : text;
}

void TMenuItem::SetShortCutText(const std::string& text) {
  const std::string trimmed = Trim(text);
  if (!trimmed.empty() && trimmed.find_first_not_of("0123456789") == std::string::npos) {
    std::optional<int64_t> number = TryStrToInt64(trimmed);
    if (!number || *number > 0xFFFF) throw EConvertError("'" + text + "' is not a valid shortcut");
    SetShortCut(static_cast<TShortCut>(*number));
    return;
  }
  SetShortCut(TextToShortCut(trimmed));
}

void TMenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed("Checked");
  if (checked_ && radioItem_) UncheckGroup();
}

void TMenuItem::SetRadioItem(bool radioItem) {
  if (radioItem == radioItem_) return;
  radioItem_ = radioItem;
  Changed("RadioItem");
  if (checked_ && radioItem_) UncheckGroup();
}

void TMenuItem::SetGroupIndex(uint8_t groupIndex) {
  if (groupIndex == groupIndex_) return;
  groupIndex_ = groupIndex;
  Changed("GroupIndex");
  if (checked_ && radioItem_) UncheckGroup();
}

void TMenuItem::UncheckGroup() {
  if (parent_ == nullptr) return;
  for (TMenuItem* sibling : parent_->items_) {
    if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_ && sibling->checked_) {
      sibling->checked_ = false;
      sibling->Changed("Checked");
    }
  }
}

void TMenuItem::SetAutoCheck(bool autoCheck) {
  if (autoCheck == autoCheck_) return;
  autoCheck_ = autoCheck;
  Changed("AutoCheck");
}

void TMenuItem::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed("Enabled");
}

void TMenuItem::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Changed("Visible");
}

void TMenuItem::SetDefault(bool isDefault) {
  if (isDefault == default_) return;
  default_ = isDefault;
  Changed("Default");
}

void TMenuItem::SetHint(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  Changed("Hint");
}

void TMenuItem::SetImageIndex(int imageIndex) {
  if (imageIndex == imageIndex_) return;
  imageIndex_ = imageIndex;
  Changed("ImageIndex");
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) {
    throw EMenuError("Menu index out of range (" + IntToStr(index) + ")");
  }
  return items_[index];
}

int TMenuItem::MenuIndex() const {
  if (parent_ == nullptr) return -1;
  const auto& list = parent_->items_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TMenuItem::SetMenuIndex(int index) {
  if (parent_ == nullptr) return;
  auto& list = parent_->items_;
  const int from = MenuIndex();
  const int to = std::clamp(index, 0, static_cast<int>(list.size()) - 1);
  if (from == to) return;
  list.erase(list.begin() + from);
  list.insert(list.begin() + to, this);
  parent_->TreeChanged();
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->parent_ != nullptr) item = item->parent_;
  return item->menu_;
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item == nullptr) throw EMenuError("Cannot add a missing menu item");
  if (item->Owner() == nullptr) {
    throw EMenuError("Menu item '" + item->Name() +
                     "' has no owner: hand it over with Add(std::unique_ptr<TMenuItem>)");
  }
  Attach(index, item);
}

TMenuItem* TMenuItem::Add(std::unique_ptr<TMenuItem> item) {
  if (item == nullptr) throw EMenuError("Cannot add a missing menu item");
  if (item->Owner() != nullptr) {
    throw EMenuError("Menu item '" + item->Name() + "' has an owner: add it by pointer");
  }
  TMenuItem* raw = item.get();
  if (raw->parent_ != nullptr) throw EMenuError("Menu item '" + raw->Name() + "' is already in a menu");
  Attach(Count(), raw);  // checks first, so a refused item goes back with the unique_ptr
  held_.push_back(std::move(item));
  return raw;
}

void TMenuItem::Attach(int index, TMenuItem* item) {
  if (Destroying()) throw EMenuError("Cannot add items to a menu item being destroyed");
  for (const TMenuItem* up = this; up != nullptr; up = up->parent_) {
    if (up == item) throw EMenuError("Menu item '" + item->Name() + "' cannot be placed below itself");
  }
  if (item->menu_ != nullptr) throw EMenuError("A menu's root item cannot be placed in another menu");
  int size = Count();
  if (item->parent_ == this) --size;
  if (index < 0 || index > size) throw EMenuError("Menu index out of range (" + IntToStr(index) + ")");
  std::unique_ptr<TMenuItem> moved;
  if (TMenuItem* old = item->parent_) {
    // An item held by its old parent moves with its holding.
    auto held = std::find_if(old->held_.begin(), old->held_.end(),
                             [item](const std::unique_ptr<TMenuItem>& p) { return p.get() == item; });
    if (held != old->held_.end()) {
      moved = std::move(*held);
      old->held_.erase(held);
    }
    old->Detach(item, true);
  }
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  if (moved != nullptr) held_.push_back(std::move(moved));
  TreeChanged();
}

void TMenuItem::Detach(TMenuItem* item, bool report) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
  if (report) TreeChanged();
}

void TMenuItem::TreeChanged() {
  if (Destroying()) return;
  Changed("Items");
  TMenu* menu = GetParentMenu();
  if (menu != nullptr && !menu->Destroying()) menu->ItemsChanged();
}

void TMenuItem::Remove(TMenuItem* item) {
  if (item == nullptr || item->parent_ != this) return;
  auto held = std::find_if(held_.begin(), held_.end(),
                           [item](const std::unique_ptr<TMenuItem>& p) { return p.get() == item; });
  if (held != held_.end()) {
    throw EMenuError("Menu item '" + item->Name() + "' is held by its parent: Delete it or move it with Add");
  }
  Detach(item, true);
}

void TMenuItem::Delete(int index) {
  TMenuItem* item = Items(index);
  auto held = std::find_if(held_.begin(), held_.end(),
                           [item](const std::unique_ptr<TMenuItem>& p) { return p.get() == item; });
  if (held != held_.end()) {
    std::unique_ptr<TMenuItem> doomed = std::move(*held);
    held_.erase(held);
    doomed.reset();
  } else {
    delete item;  // owned: leaves its owner's list and this one
  }
}

void TMenuItem::Clear() {
  while (!items_.empty()) Delete(Count() - 1);
}

TMenuItem* TMenuItem::Find(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TMenuItem* item : items_) {
    if (SameText(item->Name(), name)) return item;
  }
  return nullptr;
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (autoCheck_) SetChecked(radioItem_ ? true : !checked_);
  if (OnClick) {
    // A copy: the handler may free this item, and its slot with it.
    TNotifyEvent handler = OnClick;
    handler(this);
  }
}

// ---- TMenu -------------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TMenu, TComponent);
PELLOR_DEFINE_CLASS(TMainMenu, TMenu);
PELLOR_DEFINE_CLASS(TPopupMenu, TMenu);

void TMenu::DefineProperties(PropertyBuilder<TMenu>& p) {
  p.Bool("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw);
}

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) { items_->menu_ = this; }

TMenu::~TMenu() { MarkDestroying(); }

void TMenu::SetOwnerDraw(bool ownerDraw) {
  if (ownerDraw == ownerDraw_) return;
  ownerDraw_ = ownerDraw;
  Changed("OwnerDraw");
}

namespace {

TMenuItem* FindShortCut(const TMenuItem& parent, TShortCut shortCut) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (!item->Visible()) continue;
    if (item->ShortCut() == shortCut) return item;
    if (TMenuItem* found = FindShortCut(*item, shortCut)) return found;
  }
  return nullptr;
}

TMenuItem* FindNamed(const TMenuItem& parent, std::string_view name) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (SameText(item->Name(), name)) return item;
    if (TMenuItem* found = FindNamed(*item, name)) return found;
  }
  return nullptr;
}

// Clicks the parents of `item` below the root from the top down, as opening
// the menus on the way to it does. False when one is disabled or the menu
// went away meanwhile.
bool OpenParents(TMenu& menu, TMenuItem* item) {
  std::vector<TMenuItem*> chain;
  for (TMenuItem* p = item->Parent(); p != nullptr && p != menu.Items(); p = p->Parent()) chain.push_back(p);
  std::reverse(chain.begin(), chain.end());
  std::vector<std::unique_ptr<TComponentWatch>> watches;
  for (TMenuItem* p : chain) watches.push_back(std::make_unique<TComponentWatch>(p));
  TComponentWatch menuWatch(&menu);
  for (size_t i = 0; i < chain.size(); ++i) {
    if (!watches[i]->Alive() || !chain[i]->Enabled()) return false;
    chain[i]->Click();
    if (!menuWatch) return false;
  }
  return true;
}

}  // namespace

TMenuItem* TMenu::FindItem(TShortCut shortCut) const {
  if (shortCut == scNone) return nullptr;
  return FindShortCut(*items_, shortCut);
}

TMenuItem* TMenu::FindItemByName(std::string_view name) const {
  if (name.empty()) return nullptr;
  return FindNamed(*items_, name);
}

bool TMenu::IsShortCut(TShortCut shortCut) {
  TMenuItem* item = FindItem(shortCut);
  if (item == nullptr) return false;
  TComponentWatch self(this);
  if (item->Parent() != items_) {
    if (!OpenParents(*this, item)) return false;
    if (!self) return true;
    // Opening the menus may have rebuilt the items below them.
    item = FindItem(shortCut);
    if (item == nullptr) return true;
  }
  if (!item->Enabled()) return false;
  item->Click();
  return true;
}

void TPopupMenu::DefineProperties(PropertyBuilder<TPopupMenu>& p) {
  p.Bool("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup)
      .Enum("Alignment", kPopupAlignmentInfo, &TPopupMenu::Alignment, &TPopupMenu::SetAlignment)
      .Event("OnPopup", &TPopupMenu::OnPopup);
}

void TPopupMenu::SetAutoPopup(bool autoPopup) {
  if (autoPopup == autoPopup_) return;
  autoPopup_ = autoPopup;
  Changed("AutoPopup");
}

void TPopupMenu::SetAlignment(TPopupAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Changed("Alignment");
}

TMenuItem* TPopupMenu::Popup(int x, int y) {
  TComponentWatch self(this);
  if (OnPopup) {
    TNotifyEvent handler = OnPopup;
    handler(this);
    if (!self) return nullptr;
  }
  TMenuItem* chosen = CurrentPlatform().TrackPopupMenu(*this, x, y);
  if (chosen == nullptr || !self) return chosen;
  TComponentWatch chosenWatch(chosen);
  if (chosen->Parent() != Items() && !OpenParents(*this, chosen)) return chosen;
  if (chosenWatch) chosen->Click();
  return chosen;
}

}  // namespace pellor
