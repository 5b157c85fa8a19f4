// Controls: headless objects holding everything a user would see of a control.
//
// TControl holds the state every control has: parent, bounds, alignment,
// visibility, enabled state, caption, text, hint, font and colour. TWinControl
// adds what a window has: child controls, tab order, a window handle and the
// focus rules. Nothing here depends on a window system: each change is
// reported to the component's observers (component.h) under the published
// property's name, and a front end mirrors the model from those reports.
//
// Which of Caption and Text a control shows is its class's business: the
// state is here, and each subclass publishes the one it shows
// (`p.Text("Caption", &TControl::Caption, &TControl::SetCaption)`), as
// read-only state (ReadOnly, Items ...) belongs to the subclasses that have it.
//
// Parents do not own their children: owners do. Destroying a parent leaves
// its children without a parent (they stay with their owner), so that no
// component ever has two masters.
//
// Context menus. Whatever way a user asks for a control's context menu — the
// right mouse button (TCustomForm::RightClickControl), the context-menu key or
// Shift+F10 on the focused control (the form's key dispatch) — it ends in
// TControl::ContextPopup, so that every caller, the front end and the script
// host alike, gets the same order of events and the same menu.
#ifndef PELLOR_UI_CONTROL_H_
#define PELLOR_UI_CONTROL_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/canvas.h"
#include "platform/ui/component.h"
#include "platform/ui/graphics.h"
#include "platform/ui/platform.h"

namespace pellor {

// A control operation that cannot be done (a parent cycle ...).
PELLOR_DECLARE_ERROR(EInvalidOperation, Exception);

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
inline constexpr std::string_view kAlignNames[] = {"alNone", "alTop",    "alBottom", "alLeft",
                                                   "alRight", "alClient", "alCustom"};
inline constexpr TEnumInfo kAlignInfo{"TAlign", kAlignNames};

enum TShiftStateItem : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

// Key events: a handler may change the key (0 swallows it).
using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
// A context menu was asked for at `mousePos`, in the sender's client
// coordinates, or kKeyboardContextPos when it came from the keyboard. A
// handler that sets `handled` keeps every pop-up menu closed (it may have
// shown one of its own).
using TContextPopupEvent = std::function<void(TObject* sender, TPoint mousePos, bool& handled)>;
inline constexpr TPoint kKeyboardContextPos{-1, -1};

class TPopupMenu;
class TWinControl;

class TControl : public TComponent {
  PELLOR_CLASS(TControl);

 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  // Moves the control into `parent`'s control list (nullptr: none). A control
  // with ParentFont takes the new parent's font. Raises EInvalidOperation
  // when `parent` is the control itself or one of its children.
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
  void SetTop(int top) { SetBounds(left_, top, width_, height_); }
  void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
  // Negative sizes count as 0. Reports each of Left/Top/Width/Height that changed.
  virtual void SetBounds(int left, int top, int width, int height);

  // An aligned control is placed by its parent: alTop/alBottom controls take
  // the full width at the top/bottom (in order of their tops), alLeft/alRight
  // the remaining height at the sides, alClient what is left.
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and every parent likewise.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  // ShowHint follows the parent while ParentShowHint is set; setting ShowHint
  // clears ParentShowHint.
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool showHint);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool parentShowHint);

  // The control's own font. While ParentFont is set the font follows the
  // parent's; changing the font directly clears ParentFont.
  TFont* Font() const { return font_.get(); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool parentFont);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int helpContext);

  // The pop-up menu the control offers: it opens on a context-menu request
  // (ContextPopup), and its shortcuts work while the control or one inside
  // it has the focus. Written by name in templates ("PopupMenu" =
  // "popOpenF2Window"); it turns null when the menu goes away.
  TPopupMenu* PopupMenu() const { return popupMenu_.Get(); }
  void SetPopupMenu(TPopupMenu* popupMenu);

  // Where a point of the control's client area is on the screen: a control's
  // Left and Top count from its parent's client area, a top-level control's
  // from the screen's corner.
  TPoint ClientToScreen(TPoint point) const;

  // The user asked for the control's context menu at `mousePos` (client
  // coordinates; kKeyboardContextPos from the keyboard). The request goes
  // from the control up through its parents to the form, as long as nobody
  // takes it: at each one OnContextPopup runs first (the sender is that
  // control, the position in its client area), and a handler that sets
  // `handled` ends it; then that control's PopupMenu, if it pops up by
  // itself (AutoPopup), opens with this control as its PopupComponent — at
  // the mouse, or from the keyboard at this control's middle — and the item
  // chosen is clicked (TPopupMenu::Popup). True when a handler took the
  // request or a menu opened (whether or not the user chose from it); false
  // when the whole chain offered nothing.
  bool ContextPopup(TPoint mousePos);

  // Runs OnClick.
  virtual void Click();
  // A press of a mouse button at a point of the client area. The base does
  // nothing; controls that react to the pointer themselves (a grid makes
  // the cell under it current) override it.
  virtual void MouseDown(TShiftState shift, int x, int y) {}
  // A window message of the platform's own numbering sent to this control
  // (the look-up requests 1034 ... of the controls go to their form this
  // way). The base answers 0 and does nothing.
  virtual intptr_t Perform(uint32_t message, intptr_t wParam, intptr_t lParam) { return 0; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TContextPopupEvent OnContextPopup;

 protected:
  // After the font changed, from whatever cause.
  virtual void FontChanged() {}
  // Where the client area begins inside the control's bounds; a form's
  // frame, caption and menu bar move it.
  virtual TPoint ClientOffset() const { return {}; }
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TWinControl;
  static void DefineProperties(PropertyBuilder<TControl>& p);

  void OnFontChange();
  void TakeParentFont();
  void TakeParentShowHint();
  void ApplyShowHint(bool showHint);
  void RealignParent();

  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TAlign align_ = alNone;
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  std::string text_;
  std::string hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  bool parentFont_ = true;
  bool takingParentFont_ = false;
  TColor color_ = clWindow;
  int helpContext_ = 0;
  std::unique_ptr<TFont> font_;
  TComponentRef<TPopupMenu> popupMenu_{this};
  // The menu as last set, to report its going when the reference clears.
  TComponent* popupRaw_ = nullptr;
};

class TWinControl : public TControl {
  PELLOR_CLASS(TWinControl);

 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  void SetBounds(int left, int top, int width, int height) override;

  // Child controls in the order they were placed on this control.
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  // EComponentError when out of range.
  TControl* Controls(int index) const;
  // True for this control and every control below it.
  bool ContainsControl(const TControl* control) const;

  // Position among the parent's windowed children when Tab moves the focus,
  // counted from 0. Setting a value beyond either end moves the control to
  // that end; the siblings in between renumber. Without a parent the value
  // is kept and applied when the control is placed.
  int TabOrder() const;
  void SetTabOrder(int tabOrder);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool tabStop);
  // The windowed controls below this one in tab order, each followed by its
  // own children.
  std::vector<TWinControl*> TabOrderList() const;
  // The control after (or before) `current` in tab order that can take the
  // focus, wrapping around; with checkTabStop only controls with TabStop,
  // with checkParent only direct children. nullptr when none.
  TWinControl* FindNextControl(const TWinControl* current, bool goForward, bool checkTabStop,
                               bool checkParent) const;

  // Visible and enabled, and every parent up to the top-level window likewise;
  // the top-level window only needs to be enabled (it may take focus before
  // it is shown).
  bool CanFocus() const;

  // The window handle, allocated on first use; unique in the process.
  WindowHandle Handle();
  bool HandleAllocated() const { return handle_ != 0; }

  // The area aligned children fill.
  virtual int ClientWidth() const { return Width(); }
  virtual int ClientHeight() const { return Height(); }
  // Aligning waits while disabled (calls nest) and runs once on the last
  // EnableAlign when something asked for it meanwhile.
  void DisableAlign() { ++alignDisabled_; }
  void EnableAlign();
  void Realign();

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

 protected:
  virtual void AlignControls();

 private:
  friend class TControl;
  static void DefineProperties(PropertyBuilder<TWinControl>& p);

  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void MoveInTabList(TWinControl* control, int tabOrder);
  void ReportTabOrders(size_t from, size_t to);
  void CollectTabOrder(std::vector<TWinControl*>& list) const;

  std::vector<TControl*> controls_;
  std::vector<TWinControl*> tabList_;
  int pendingTabOrder_ = -1;
  bool tabStop_ = false;
  WindowHandle handle_ = 0;
  int alignDisabled_ = 0;
  bool alignPending_ = false;
  bool aligning_ = false;
};

// The windowed control with that handle, or nullptr.
TWinControl* FindControl(WindowHandle handle);

}  // namespace pellor

#endif  // PELLOR_UI_CONTROL_H_
