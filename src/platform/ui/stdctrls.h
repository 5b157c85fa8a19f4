// The standard controls: labels, edits, memos, combo boxes, list boxes, check
// boxes, radio buttons, push buttons, group boxes and scroll boxes.
//
// Like every control they are headless: each holds what a user would see
// (text, selection, items, check state ...) and reports every change to its
// observers under the published property's name, so that a front end mirrors
// them. What a user does to a control has an entry of its own here, so that
// scripts and tests drive controls exactly as a keyboard would:
//
//   * keys come from the form (TCustomForm::SendKeyDown ...), which runs the
//     control's OnKeyDown / OnKeyPress and hands what is left to the
//     control's IKeyHandling (keys.h); a control sets the key to 0 when it
//     used it. TypeText types straight into a control, through its
//     OnKeyPress, for callers without a form.
//   * a click is Click(), a pick from a list is SelectItem / ClickItem.
//
// Changes made by code (SetText, SetItemIndex ...) fire the events the
// original platform fires for them and no others: an edit's OnChange fires for
// any change of its text, while a combo box or list box fires its selection
// events only for what the user does.
//
// Texts are bytes in the code page of the control's font (CodePageOfCharset):
// typing, deleting, moving the caret and MaxLength all count bytes but always
// treat a double-byte character as one, so no edit ever holds half a
// character that the user typed.
//
// Published properties are registered on the leaf classes where a data-aware
// descendant must not inherit them: a data-aware edit or combo box takes its
// Text and ItemIndex from its field, and a converter or language package that
// rewrote "Text" by name would write the field.
#ifndef PELLOR_UI_STDCTRLS_H_
#define PELLOR_UI_STDCTRLS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/stringlist.h"
#include "platform/ui/control.h"
#include "platform/ui/keys.h"

namespace pellor {

// ---- Shared helpers ------------------------------------------------------------------

// The code page of a font's character set: GB2312 → 936, Big5 → 950, the
// default character set → the machine's code page, anything else → 437
// (single-byte).
int CodePageOfCharset(int charset);

// ---- Shared enumerations ----------------------------------------------------------

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
inline constexpr std::string_view kAlignmentNames[] = {"taLeftJustify", "taRightJustify", "taCenter"};
inline constexpr TEnumInfo kAlignmentInfo{"TAlignment", kAlignmentNames};
// The two sides a check box or radio button puts its caption on.
inline constexpr TEnumInfo kLeftRightInfo{"TLeftRight", std::span(kAlignmentNames).first(2)};

enum TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };
inline constexpr std::string_view kTextLayoutNames[] = {"tlTop", "tlCenter", "tlBottom"};
inline constexpr TEnumInfo kTextLayoutInfo{"TTextLayout", kTextLayoutNames};

enum TEditCharCase : uint8_t { ecNormal, ecUpperCase, ecLowerCase };
inline constexpr std::string_view kEditCharCaseNames[] = {"ecNormal", "ecUpperCase", "ecLowerCase"};
inline constexpr TEnumInfo kEditCharCaseInfo{"TEditCharCase", kEditCharCaseNames};

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
inline constexpr std::string_view kScrollStyleNames[] = {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"};
inline constexpr TEnumInfo kScrollStyleInfo{"TScrollStyle", kScrollStyleNames};

// ---- TLabel ------------------------------------------------------------------------

// A caption that cannot take the focus; its accelerator passes the focus to
// FocusControl (the form routes accelerators).
class TLabel : public TControl {
  PELLOR_CLASS(TLabel);

 public:
  explicit TLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout layout);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  // Cleared when that control goes away.
  TWinControl* FocusControl() const { return focusControl_.Get(); }
  void SetFocusControl(TWinControl* control);

 private:
  static void DefineProperties(PropertyBuilder<TLabel>& p);

  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool wordWrap_ = false;
  bool transparent_ = false;
  TComponentRef<TWinControl> focusControl_{this};
};

// ---- Text editing ------------------------------------------------------------------

// The caret and selection of a one-line text: byte offsets, never inside a
// double-byte character. Shared by edits and the edit part of combo boxes.
class TTextSelection {
 public:
  int Start() const { return anchor_ < caret_ ? anchor_ : caret_; }
  int Length() const { return anchor_ < caret_ ? caret_ - anchor_ : anchor_ - caret_; }
  int Caret() const { return caret_; }
  int Anchor() const { return anchor_; }
  void Set(int anchor, int caret) {
    anchor_ = anchor;
    caret_ = caret;
  }
  void Collapse(int at) { Set(at, at); }

 private:
  int anchor_ = 0;
  int caret_ = 0;
};

// The base of single- and multi-line edits. Text is the control's text
// (TControl::Text) as the user sees it; setting it through this class (or by
// name) applies CharCase, clears Modified and fires OnChange when it changed.
// SetText is virtual from here on (a masked edit formats the value it is
// given); code that holds only a TControl* and calls TControl::SetText
// bypasses all of that.
class TCustomEdit : public TWinControl, public IKeyHandling {
  PELLOR_CLASS(TCustomEdit);

 public:
  explicit TCustomEdit(TComponent* owner);

  virtual void SetText(const std::string& text);

  // At most this many bytes may be typed (0: no limit). Text set by code is
  // not cut, as on the original platform.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int maxLength);  // EPropertyError when negative
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase charCase);  // converts the present text too
  // Shown in place of each character; '\0' shows the text.
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char passwordChar);
  const std::string& ImeName() const { return imeName_; }
  void SetImeName(const std::string& imeName);
  // Set by typing, cleared when code sets the text.
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  // Byte offsets, moved to the start of a double-byte character they fall
  // into and kept within the text.
  int SelStart() const { return selection_.Start(); }
  void SetSelStart(int selStart);
  int SelLength() const { return selection_.Length(); }
  void SetSelLength(int selLength);
  std::string SelText() const;
  // Replaces the selection as code: no MaxLength, but ReadOnly does not stop it.
  void SetSelText(const std::string& text);
  void SelectAll();
  void ClearSelection();
  void Clear() { SetText(""); }

  // The code page of the control's font.
  int CodePage() const;

  // Types `text` as the keyboard would, byte by byte through OnKeyPress:
  // each character replaces the selection, subject to ReadOnly, MaxLength
  // (whole double-byte characters only) and CharCase. Returns false when the
  // control refused some character (it beeps then, as the original edit did).
  bool TypeText(std::string_view text);

  // The control's reactions to the keys its OnKeyDown / OnKeyPress left.
  void HandleKeyDown(uint16_t& key, TShiftState shift) override;
  void HandleKeyPress(char& key) override;
  TDialogCodes WantedKeys() const override;

  TNotifyEvent OnChange;

 protected:
  // Runs OnChange; data-aware descendants first mark their field.
  virtual void Change();
  // Asked before the user changes the text; a data-aware descendant puts
  // its dataset into edit mode here and answers false when it cannot.
  virtual bool EditCanModify() { return true; }

  // Replaces the selection with `insert` as typed by the user; false (with a
  // beep) when ReadOnly or EditCanModify refuse or nothing of a non-empty
  // insert fits MaxLength.
  bool UserReplaceSelection(std::string_view insert);
  // Sets text and selection in one step, reporting each change once, and
  // fires Change when the text changed.
  void ApplyEdit(const std::string& text, int anchor, int caret, bool byUser);
  const TTextSelection& Selection() const { return selection_; }
  std::string ApplyCharCase(std::string_view text) const;
  // Beeps at a refused key; TypeText counts these.
  void Refuse();

 private:
  static void DefineProperties(PropertyBuilder<TCustomEdit>& p);
  void MoveCaret(int caret, bool extend);

  int maxLength_ = 0;
  bool readOnly_ = false;
  TEditCharCase charCase_ = ecNormal;
  char passwordChar_ = '\0';
  std::string imeName_;
  bool modified_ = false;
  TTextSelection selection_;
  int pendingLead_ = -1;  // the first byte of a double-byte character typed so far
  int refusals_ = 0;
};

class TEdit : public TCustomEdit {
  PELLOR_CLASS(TEdit);

 public:
  explicit TEdit(TComponent* owner);

 private:
  static void DefineProperties(PropertyBuilder<TEdit>& p);
};

// A multi-line edit. Lines are the text split at line breaks (a final line
// break makes no empty last line); setting them sets the text with CR LF
// between lines. Only Lines is published, so that
// whoever rewrites a form's texts by name converts the memo once.
class TMemo : public TCustomEdit {
  PELLOR_CLASS(TMemo);

 public:
  explicit TMemo(TComponent* owner);

  TStringList Lines() const;
  void SetLines(const TStringList& lines);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle scrollBars);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);
  // Enter types a line break (else the form may use it); Tab types a tab.
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool wantReturns);
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool wantTabs);

 public:
  void HandleKeyDown(uint16_t& key, TShiftState shift) override;
  void HandleKeyPress(char& key) override;
  TDialogCodes WantedKeys() const override;

 private:
  static void DefineProperties(PropertyBuilder<TMemo>& p);

  TAlignment alignment_ = taLeftJustify;
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = true;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
};

// ---- Combo box ----------------------------------------------------------------------

// csDropDown and csSimple have an edit part; csDropDownList and the two
// owner-drawn styles show only the selected item.
enum TComboBoxStyle : uint8_t { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
inline constexpr std::string_view kComboBoxStyleNames[] = {"csDropDown", "csSimple", "csDropDownList",
                                                           "csOwnerDrawFixed", "csOwnerDrawVariable"};
inline constexpr TEnumInfo kComboBoxStyleInfo{"TComboBoxStyle", kComboBoxStyleNames};

// Text and ItemIndex always agree: selecting an item shows its text, and
// setting or typing a text selects the first item equal to it without
// regard to case (none when there is none). In the styles without an edit
// part a text that is no item selects nothing and shows nothing.
class TCustomComboBox : public TWinControl, public IKeyHandling {
  PELLOR_CLASS(TCustomComboBox);

 public:
  explicit TCustomComboBox(TComponent* owner);

  TComboBoxStyle Style() const { return style_; }
  // Keeps the selected item.
  void SetStyle(TComboBoxStyle style);
  bool HasEditPart() const { return style_ == csDropDown || style_ == csSimple; }

  const TStringList& Items() const { return items_; }
  // Keeps the item index while it is still in range (-1 otherwise); with
  // Sorted the lines are sorted first.
  void SetItems(const TStringList& items);
  int AddItem(const std::string& item);  // its index
  void DeleteItem(int index);            // EComponentError when out of range
  void ClearItems() { SetItems(TStringList()); }

  int ItemIndex() const { return itemIndex_; }
  // -1 selects nothing and clears the text; EComponentError outside -1..Count-1.
  void SetItemIndex(int itemIndex);
  // Sets the text (see the class comment); no events.
  void SetText(const std::string& text);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  // Lines shown by the open list; at least 1.
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int dropDownCount);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int itemHeight);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int maxLength);
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase charCase);
  const std::string& ImeName() const { return imeName_; }
  void SetImeName(const std::string& imeName);

  // Opening fires OnDropDown, closing OnCloseUp; a simple combo box has no
  // list to open.
  bool DroppedDown() const { return droppedDown_; }
  void SetDroppedDown(bool droppedDown);

  int SelStart() const { return selection_.Start(); }
  int SelLength() const { return selection_.Length(); }
  void SetSelection(int selStart, int selLength);
  int CodePage() const;

  // The user picks item `index` from the list: the item is selected, OnClick
  // runs and then OnSelect (OnChange when there is no OnSelect), and an open
  // list closes. EComponentError when out of range.
  void SelectItem(int index);
  // Types into the edit part (see TCustomEdit::TypeText); in the other styles
  // each character selects the next item starting with it.
  bool TypeText(std::string_view text);

  // The control's reactions to the keys its OnKeyDown / OnKeyPress left.
  void HandleKeyDown(uint16_t& key, TShiftState shift) override;
  void HandleKeyPress(char& key) override;
  TDialogCodes WantedKeys() const override;

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;

 protected:
  virtual void Change();
  virtual void Select();
  // Asked before the user changes the text or selection (see TCustomEdit).
  virtual bool EditCanModify() { return true; }

 private:
  static void DefineProperties(PropertyBuilder<TCustomComboBox>& p);

  void ShowItem(int index);  // selects without events
  int FindExact(std::string_view text) const;
  void SortItems();
  bool UserTypeIntoEdit(std::string_view insert);
  // The edit part's text after the user changed it: the index follows, OnChange fires.
  void ApplyTyped(const std::string& text, int caret);
  void Refuse();
  void UserMoveSelection(int index);

  TStringList items_;
  int itemIndex_ = -1;
  TComboBoxStyle style_ = csDropDown;
  bool sorted_ = false;
  int dropDownCount_ = 8;
  int itemHeight_ = 16;
  int maxLength_ = 0;
  TEditCharCase charCase_ = ecNormal;
  std::string imeName_;
  bool droppedDown_ = false;
  TTextSelection selection_;
  int pendingLead_ = -1;
  int refusals_ = 0;
};

class TComboBox : public TCustomComboBox {
  PELLOR_CLASS(TComboBox);

 public:
  explicit TComboBox(TComponent* owner);

 private:
  static void DefineProperties(PropertyBuilder<TComboBox>& p);
};

// ---- List box ------------------------------------------------------------------------

enum TListBoxStyle : uint8_t { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
inline constexpr std::string_view kListBoxStyleNames[] = {"lbStandard", "lbOwnerDrawFixed",
                                                          "lbOwnerDrawVariable"};
inline constexpr TEnumInfo kListBoxStyleInfo{"TListBoxStyle", kListBoxStyleNames};

// Without MultiSelect the selected item is ItemIndex. With MultiSelect each
// item has its own selected flag and ItemIndex is the item with the focus
// rectangle. Selection changes made by the user fire OnClick; changes made by
// code fire nothing. Selection changes are reported as "Selected".
class TCustomListBox : public TWinControl, public IKeyHandling {
  PELLOR_CLASS(TCustomListBox);

 public:
  explicit TCustomListBox(TComponent* owner);

  const TStringList& Items() const { return items_; }
  // Keeps ItemIndex while in range and the flags of the items that remain.
  void SetItems(const TStringList& items);
  int AddItem(const std::string& item);
  void DeleteItem(int index);  // EComponentError when out of range
  void ClearItems() { SetItems(TStringList()); }
  int Count() const { return items_.Count(); }

  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int itemIndex);  // -1..Count-1, else EComponentError

  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool multiSelect);
  // With MultiSelect: Shift selects a range and Ctrl toggles; without it
  // every click toggles one item.
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool extendedSelect);
  bool Selected(int index) const;  // EComponentError when out of range
  void SetSelected(int index, bool selected);
  int SelCount() const;  // -1 without MultiSelect, as on the original platform
  void ClearSelection();
  void SelectAll();  // only with MultiSelect

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);  // the selection stays with its items
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle style);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int itemHeight);  // at least 1
  const std::string& ImeName() const { return imeName_; }
  void SetImeName(const std::string& imeName);

  // The user clicks item `index` with `shift` held (see ExtendedSelect);
  // OnClick runs. EComponentError when out of range.
  void ClickItem(int index, TShiftState shift = {});

  // The control's reactions to the keys its OnKeyDown / OnKeyPress left.
  void HandleKeyDown(uint16_t& key, TShiftState shift) override;
  void HandleKeyPress(char& key) override;
  TDialogCodes WantedKeys() const override;

 private:
  static void DefineProperties(PropertyBuilder<TCustomListBox>& p);

  void CheckIndex(int index) const;
  void SortItems();
  void MoveFocus(int index, TShiftState shift);

  TStringList items_;
  std::vector<bool> selected_;  // used with MultiSelect only
  int itemIndex_ = -1;
  int anchor_ = -1;  // where a Shift range starts
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  bool sorted_ = false;
  TListBoxStyle style_ = lbStandard;
  int itemHeight_ = 16;
  std::string imeName_;
};

class TListBox : public TCustomListBox {
  PELLOR_CLASS(TListBox);

 public:
  explicit TListBox(TComponent* owner);

 private:
  static void DefineProperties(PropertyBuilder<TListBox>& p);
};

// ---- Buttons, check boxes, radio buttons -------------------------------------------

enum TCheckBoxState : uint8_t { cbUnchecked, cbChecked, cbGrayed };
inline constexpr std::string_view kCheckBoxStateNames[] = {"cbUnchecked", "cbChecked", "cbGrayed"};
inline constexpr TEnumInfo kCheckBoxStateInfo{"TCheckBoxState", kCheckBoxStateNames};

// A check box. Every change of State, by the user or by code, runs OnClick
// once (as on the original platform), unless the change is made inside
// ClicksDisabled. A click toggles: unchecked → grayed when AllowGrayed, else
// checked; checked → unchecked; grayed → checked.
class TCustomCheckBox : public TWinControl, public IKeyHandling {
  PELLOR_CLASS(TCustomCheckBox);

 public:
  explicit TCustomCheckBox(TComponent* owner);

  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState state);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool checked) { SetState(checked ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool allowGrayed);
  // taRightJustify: box on the left, caption on the right.
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);  // taCenter is refused

  // The user clicks the box (or presses Space on it).
  void Click() override;
  void HandleKeyPress(char& key) override;
 protected:
  // Asked before a click changes the state; a data-aware descendant puts its
  // dataset into edit mode here.
  virtual bool CanToggle() { return true; }
  virtual void Toggle();
  bool ClicksDisabled() const { return clicksDisabled_ > 0; }
  void DisableClicks() { ++clicksDisabled_; }
  void EnableClicks() { --clicksDisabled_; }

 private:
  static void DefineProperties(PropertyBuilder<TCustomCheckBox>& p);

  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
  TAlignment alignment_ = taRightJustify;
  int clicksDisabled_ = 0;
};

class TCheckBox : public TCustomCheckBox {
  PELLOR_CLASS(TCheckBox);

 public:
  explicit TCheckBox(TComponent* owner);

 private:
  static void DefineProperties(PropertyBuilder<TCheckBox>& p);
};

// Checking a radio button unchecks every other TRadioButton with the same
// parent and runs its OnClick; only the checked button of a group is a tab
// stop. A click never unchecks.
class TRadioButton : public TWinControl, public IKeyHandling {
  PELLOR_CLASS(TRadioButton);

 public:
  explicit TRadioButton(TComponent* owner);

  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);  // taCenter is refused

  // The user clicks the button: it becomes checked (and OnClick runs then).
  void Click() override;
  void HandleKeyPress(char& key) override;
 private:
  static void DefineProperties(PropertyBuilder<TRadioButton>& p);

  bool checked_ = false;
  TAlignment alignment_ = taRightJustify;
};

// A push button. Click gives the form that holds the button (the nearest
// parent that is a modal window) the button's ModalResult when it is not 0,
// and then runs OnClick. Default and Cancel mark the buttons that the form
// presses for Enter and Esc.
class TButton : public TWinControl, public IKeyHandling {
  PELLOR_CLASS(TButton);

 public:
  explicit TButton(TComponent* owner);

  int ModalResult() const { return modalResult_; }
  void SetModalResult(int modalResult);
  bool Default() const { return default_; }
  void SetDefault(bool isDefault);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool cancel);

  void Click() override;
  // Space clicks; Enter and Esc are the form's (default and cancel buttons).
  void HandleKeyPress(char& key) override;
 private:
  static void DefineProperties(PropertyBuilder<TButton>& p);

  int modalResult_ = 0;
  bool default_ = false;
  bool cancel_ = false;
};

// ---- Containers ------------------------------------------------------------------------

class TGroupBox : public TWinControl {
  PELLOR_CLASS(TGroupBox);

 public:
  explicit TGroupBox(TComponent* owner);

 private:
  static void DefineProperties(PropertyBuilder<TGroupBox>& p);
};

// One scroll bar of a scroll box: Range is the extent of the contents,
// Position how far they are scrolled (0..Range - the client extent).
class TControlScrollBar : public TPersistent {
  PELLOR_CLASS(TControlScrollBar);

 public:
  TControlScrollBar(std::function<void(int delta)> scrolled, std::function<int()> clientExtent,
                    std::function<void()> changed);

  int Range() const { return range_; }
  void SetRange(int range);  // negative counts as 0; Position is kept within it
  int Position() const { return position_; }
  void SetPosition(int position);  // kept within 0..Range - client extent
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  int Increment() const { return increment_; }
  void SetIncrement(int increment);  // at least 1
  // True when the contents are larger than the client area.
  bool IsScrollBarVisible() const { return visible_ && range_ > clientExtent_(); }

  void Assign(const TPersistent& source) override;

 private:
  static void DefineProperties(PropertyBuilder<TControlScrollBar>& p);

  std::function<void(int)> scrolled_;
  std::function<int()> clientExtent_;
  std::function<void()> changed_;
  int range_ = 0;
  int position_ = 0;
  bool visible_ = true;
  int increment_ = 8;
};

// A container whose children scroll: changing a scroll bar's Position moves
// every child control by the difference.
class TScrollBox : public TWinControl {
  PELLOR_CLASS(TScrollBox);

 public:
  explicit TScrollBox(TComponent* owner);

  TControlScrollBar* HorzScrollBar() const { return horz_.get(); }
  TControlScrollBar* VertScrollBar() const { return vert_.get(); }

 private:
  static void DefineProperties(PropertyBuilder<TScrollBox>& p);
  void ScrollChildren(int dx, int dy);

  std::unique_ptr<TControlScrollBar> horz_;
  std::unique_ptr<TControlScrollBar> vert_;
};

}  // namespace pellor

#endif  // PELLOR_UI_STDCTRLS_H_
