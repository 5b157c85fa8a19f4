// Menus: main menus, pop-up menus and their items, and shortcut keys.
//
// A menu is a tree of TMenuItem below the menu's root item (`Items()`). Items
// are components like any other: the form that creates them owns them (so
// FindComponent("miAdd") finds them and language packages reach their
// captions), while the tree only arranges them, as parents arrange controls.
// Removing an item from the tree leaves it with its owner; Clear() and
// Delete() free items, as emptying a menu means on the original platform.
// An item created without an owner and handed to the tree with
// Add(std::unique_ptr) is held by its parent item instead.
//
// Every change of what a user would see (caption, check mark, enabled,
// visible, shortcut, the items below an item) is reported to the observers of
// the item; a change of the tree is also reported by the menu as "Items".
#ifndef PELLOR_UI_MENUS_H_
#define PELLOR_UI_MENUS_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/component.h"
#include "platform/ui/control.h"

namespace pellor {

// A menu operation that cannot be done (an item placed below itself, an index
// out of range ...).
PELLOR_DECLARE_ERROR(EMenuError, Exception);

// Tells whether a component still exists after running code that may have
// freed it: an event handler may close and free its own form, with the menu
// item or control whose event it is. Code that goes on after calling a
// handler asks the watch first. A component that has begun to be destroyed
// counts as gone.
class TComponentWatch {
 public:
  explicit TComponentWatch(TComponent* component);
  ~TComponentWatch();
  TComponentWatch(const TComponentWatch&) = delete;
  TComponentWatch& operator=(const TComponentWatch&) = delete;

  bool Alive() const;
  explicit operator bool() const { return Alive(); }

 private:
  std::unique_ptr<TComponent> watcher_;
};

// ---- Shortcuts ---------------------------------------------------------------
//
// A shortcut is a virtual-key code (keys.h) with the modifier bits below, as
// the original platform stores it, so that Ctrl+S is 0x4053 (16467).

using TShortCut = uint16_t;
inline constexpr TShortCut scNone = 0;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// The shortcut of `key` pressed with the Shift, Ctrl and Alt of `shift`
// (mouse buttons and double clicks are not part of a shortcut).
TShortCut ShortCut(uint16_t key, TShiftState shift);
// The key and modifiers of a shortcut.
void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift);
// "Ctrl+S", "Shift+Ctrl+F1", "F5", "Del", "Num +": modifiers in the order
// Shift, Ctrl, Alt; "" for scNone and for a key without a name.
std::string ShortCutToText(TShortCut shortCut);
// Reads what ShortCutToText writes: modifiers "Shift+", "Ctrl+", "Alt+" in
// any order and case (also "^" for Ctrl), then a key name (case ignored).
// Empty text is scNone; nullopt for anything else.
std::optional<TShortCut> TryTextToShortCut(std::string_view text);
// As TryTextToShortCut; raises EConvertError "'x' is not a valid shortcut".
TShortCut TextToShortCut(std::string_view text);

class TMenu;

class TMenuItem : public TComponent {
  PELLOR_CLASS(TMenuItem);

 public:
  explicit TMenuItem(TComponent* owner);
  // Takes itself out of its parent item; its sub-items lose their parent
  // (they stay with their owners), and those the item held are freed.
  ~TMenuItem() override;

  // "-" makes the item a separator line.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool IsLine() const { return caption_ == "-"; }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut shortCut);
  // Checking a radio item unchecks the radio items of its group (same parent,
  // same GroupIndex).
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool radioItem);
  uint8_t GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(uint8_t groupIndex);
  // Click() toggles the check mark first (a radio item only checks itself).
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool autoCheck);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // The item shown in bold, run by a double click on a pop-up's owner.
  bool Default() const { return default_; }
  void SetDefault(bool isDefault);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int imageIndex);

  // ---- The tree ---------------------------------------------------------------
  TMenuItem* Parent() const { return parent_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // EMenuError when out of range.
  TMenuItem* Items(int index) const;
  // Position below the parent, -1 without one.
  int MenuIndex() const;
  void SetMenuIndex(int index);
  // The menu whose tree holds the item, or nullptr.
  TMenu* GetParentMenu() const;

  // Appends / inserts an item that has an owner (or is held elsewhere); it
  // leaves its former parent. EMenuError for an item that is this one or
  // above it, or an index beyond Count().
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  // Appends an item without an owner; this item holds it from now on.
  TMenuItem* Add(std::unique_ptr<TMenuItem> item);
  // Takes an item out of the tree without freeing it.
  void Remove(TMenuItem* item);
  // Frees the item at `index` / every item below this one.
  void Delete(int index);
  void Clear();
  // The direct sub-item with that name (case ignored), or nullptr.
  TMenuItem* Find(std::string_view name) const;

  // Runs the item as a user's choice: nothing for a disabled item; otherwise
  // the check mark follows AutoCheck and OnClick runs. The handler may free
  // the item (and its whole form): nothing touches the item afterwards.
  virtual void Click();

  TNotifyEvent OnClick;

 private:
  friend class TMenu;
  static void DefineProperties(PropertyBuilder<TMenuItem>& p);

  std::string ShortCutText() const;
  void SetShortCutText(const std::string& text);
  void Attach(int index, TMenuItem* item);
  void Detach(TMenuItem* item, bool report);
  void UncheckGroup();
  void TreeChanged();

  std::string caption_;
  TShortCut shortCut_ = scNone;
  bool checked_ = false;
  bool radioItem_ = false;
  uint8_t groupIndex_ = 0;
  bool autoCheck_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool default_ = false;
  std::string hint_;
  int imageIndex_ = -1;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on a menu's root item only
  std::vector<TMenuItem*> items_;
  std::vector<std::unique_ptr<TMenuItem>> held_;
};

class TMenu : public TComponent {
  PELLOR_CLASS(TMenu);

 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;

  // The root of the tree; its sub-items are the menu's entries.
  TMenuItem* Items() const { return items_; }

  // Items are drawn by the program (in the font the screen's menu font
  // gives) instead of by the window system.
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool ownerDraw);

  // The first item, depth first, with that shortcut below visible items; or
  // nullptr. scNone finds nothing.
  TMenuItem* FindItem(TShortCut shortCut) const;
  // The item with that name anywhere in the tree (case ignored), or nullptr.
  TMenuItem* FindItemByName(std::string_view name) const;

  // Acts on a shortcut the way a user's key press does: the item's parent
  // items are clicked from the top down first (opening a menu runs its
  // OnClick, which may enable or rebuild the items below it), then the item
  // is found again and clicked. False when no visible item has the shortcut,
  // or it or one of its parents is disabled: the key then goes on to the
  // form and its controls.
  bool IsShortCut(TShortCut shortCut);

 private:
  friend class TMenuItem;
  static void DefineProperties(PropertyBuilder<TMenu>& p);
  void ItemsChanged() { Changed("Items"); }

  TMenuItem* items_;  // owned as a component of the menu
  bool ownerDraw_ = false;
};

class TMainMenu : public TMenu {
  PELLOR_CLASS(TMainMenu);

 public:
  using TMenu::TMenu;
};

enum TPopupAlignment : uint8_t { paLeft, paRight, paCenter };
inline constexpr std::string_view kPopupAlignmentNames[] = {"paLeft", "paRight", "paCenter"};
inline constexpr TEnumInfo kPopupAlignmentInfo{"TPopupAlignment", kPopupAlignmentNames};

class TPopupMenu : public TMenu {
  PELLOR_CLASS(TPopupMenu);

 public:
  using TMenu::TMenu;

  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool autoPopup);
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment alignment);
  // The component the menu was last shown for (a tool button, a grid), or
  // nullptr; handlers of OnPopup and of the items read it.
  TComponent* PopupComponent() const { return popupComponent_.Get(); }
  void SetPopupComponent(TComponent* component) { popupComponent_.Set(component); }

  // Shows the menu at screen position (x, y): OnPopup runs first (it may fill
  // or change the items), then the platform lets the user choose, and the
  // chosen item is clicked. Returns the chosen item, nullptr when the user
  // dismissed the menu. The item may be gone when this returns (its handler
  // may free it); compare the pointer, do not call it.
  virtual TMenuItem* Popup(int x, int y);

  TNotifyEvent OnPopup;

 private:
  static void DefineProperties(PropertyBuilder<TPopupMenu>& p);

  bool autoPopup_ = true;
  TPopupAlignment alignment_ = paLeft;
  TComponentRef<TComponent> popupComponent_{this};
};

}  // namespace pellor

#endif  // PELLOR_UI_MENUS_H_
