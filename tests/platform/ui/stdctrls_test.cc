#include "platform/ui/stdctrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/codepage.h"
#include "platform/ui/forms.h"
#include "platform/ui/platform.h"

namespace pellor {
namespace {

class Recorder : public TComponentObserver {
 public:
  void PropertyChanged(TComponent& component, std::string_view property) override {
    changes.push_back(component.Name() + "." + std::string(property));
  }
  std::vector<std::string> changes;
};

class StdCtrlsTest : public ::testing::Test {
 protected:
  template <class T>
  T* Make(const std::string& name, TWinControl* parent = nullptr) {
    T* control = TComponent::Create<T>(form.get());
    control->SetName(name);
    control->SetParent(parent != nullptr ? parent : form.get());
    return control;
  }

  THeadlessPlatform platform;
  ScopedPlatform scoped{platform};
  Recorder recorder;  // outlives the form, which it may observe
  TFormPtr<TForm> form = TCustomForm::CreateUnowned<TForm>();
  std::vector<std::string> events;
  TNotifyEvent Log(const std::string& what) {
    return [this, what](TObject*) { events.push_back(what); };
  }
};

const std::string kZhong = Cp936("中");  // D6 D0
const std::string kWen = Cp936("文");    // CE C4

// ---- Edits ------------------------------------------------------------------------

TEST_F(StdCtrlsTest, TypingHonoursReadOnlyMaxLengthInBytesAndCharCase) {
  struct Case {
    const char* what;
    std::string text;
    int maxLength;
    bool readOnly;
    TEditCharCase charCase;
    int charset;
    int selStart, selLength;
    std::string typed;
    std::string expected;
    bool allTaken;
  };
  const Case cases[] = {
      {"plain", "ab", 0, false, ecNormal, GB2312_CHARSET, 2, 0, "cd", "abcd", true},
      {"replaces the selection", "hello", 0, false, ecNormal, GB2312_CHARSET, 1, 3, "X", "hXo", true},
      {"double-byte fits exactly", "abc", 5, false, ecNormal, GB2312_CHARSET, 3, 0, kZhong, "abc" + kZhong, true},
      {"never half a character", "abc", 4, false, ecNormal, GB2312_CHARSET, 3, 0, kZhong, "abc", false},
      {"whole characters up to the limit", "ab", 6, false, ecNormal, GB2312_CHARSET, 2, 0, kZhong + kWen + "x",
       "ab" + kZhong + kWen, false},
      {"selection makes room", "abcd", 4, false, ecNormal, GB2312_CHARSET, 0, 2, kZhong, kZhong + "cd", true},
      {"Big5 by the font", "ab", 4, false, ecNormal, CHINESEBIG5_CHARSET, 2, 0, "\xA4\x40", "ab\xA4\x40", true},
      // In a single-byte font the same bytes are two characters.
      {"ANSI by the font", "ab", 3, false, ecNormal, ANSI_CHARSET, 2, 0, "\xA4\x40", "ab\xA4", false},
      {"read-only", "ab", 0, true, ecNormal, GB2312_CHARSET, 2, 0, "c", "ab", false},
      // A trail byte that looks like a letter is no letter.
      {"upper case", "", 0, false, ecUpperCase, GB2312_CHARSET, 0, 0, "a\xB0\x61" "b", "A\xB0\x61" "B", true},
      {"lower case", "", 0, false, ecLowerCase, GB2312_CHARSET, 0, 0, "AbC", "abc", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* edit = Make<TEdit>("ed");
    edit->Font()->SetCharset(static_cast<uint8_t>(c.charset));
    edit->SetText(c.text);
    edit->SetMaxLength(c.maxLength);
    edit->SetReadOnly(c.readOnly);
    edit->SetCharCase(c.charCase);
    edit->SetSelStart(c.selStart);
    edit->SetSelLength(c.selLength);
    const int beeps = platform.BeepCount();
    EXPECT_EQ(edit->TypeText(c.typed), c.allTaken);
    EXPECT_EQ(edit->Text(), c.expected);
    EXPECT_EQ(platform.BeepCount() > beeps, !c.allTaken);
    EXPECT_EQ(edit->Modified(), c.expected != c.text);
    delete edit;
  }
}

TEST_F(StdCtrlsTest, EditKeysTreatADoubleByteCharacterAsOne) {
  auto* edit = Make<TEdit>("ed");
  edit->Font()->SetCharset(GB2312_CHARSET);
  const std::string text = "a" + kZhong + "b";  // bytes: a D6 D0 b
  struct Case {
    const char* what;
    int selStart, selLength;
    std::function<void()> act;
    std::string expected;
    int expectedStart, expectedLength;
  };
  auto down = [edit](uint16_t key, TShiftState shift = {}) {
    return [edit, key, shift] {
      uint16_t k = key;
      edit->HandleKeyDown(k, shift);
      EXPECT_EQ(k, 0) << "the edit used the key";
    };
  };
  const Case cases[] = {
      {"backspace after the character", 3, 0, [edit] { edit->TypeText("\b"); }, "ab", 1, 0},
      {"delete before it", 1, 0, down(VK_DELETE), "ab", 1, 0},
      {"delete the selection", 0, 3, down(VK_DELETE), "b", 0, 0},
      {"right steps over it", 1, 0, down(VK_RIGHT), text, 3, 0},
      {"left steps back over it", 3, 0, down(VK_LEFT), text, 1, 0},
      {"shift+right selects it", 1, 0, down(VK_RIGHT, {ssShift}), text, 1, 2},
      {"left collapses a selection", 1, 2, down(VK_LEFT), text, 1, 0},
      {"end", 0, 0, down(VK_END), text, 4, 0},
      {"a caret inside it snaps to its start", 2, 0, [] {}, text, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    edit->SetText(text);
    edit->SetSelStart(c.selStart);
    edit->SetSelLength(c.selLength);
    c.act();
    EXPECT_EQ(edit->Text(), c.expected);
    EXPECT_EQ(edit->SelStart(), c.expectedStart);
    EXPECT_EQ(edit->SelLength(), c.expectedLength);
  }
  // A control character the edit does not use stays for the form.
  char enter = '\r';
  edit->HandleKeyPress(enter);
  EXPECT_EQ(enter, '\r');
}

TEST_F(StdCtrlsTest, EditReportsChangesAndFiresOnChange) {
  auto* edit = Make<TEdit>("ed");
  edit->OnChange = Log("change");
  edit->AddObserver(&recorder);

  edit->SetText("abc");
  edit->SetText("abc");  // no change, no event
  EXPECT_EQ(events, std::vector<std::string>{"change"});
  EXPECT_FALSE(edit->Modified());
  EXPECT_EQ(recorder.changes, std::vector<std::string>{"ed.Text"});

  recorder.changes.clear();
  edit->SelectAll();
  EXPECT_EQ(recorder.changes, std::vector<std::string>{"ed.SelLength"});
  edit->TypeText("x");
  EXPECT_EQ(edit->Text(), "x");
  EXPECT_TRUE(edit->Modified());
  EXPECT_EQ(events.size(), 2u);

  // OnKeyPress may change or swallow what is typed.
  edit->OnKeyPress = [](TObject*, char& key) { key = key == 'q' ? 0 : static_cast<char>(key + 1); };
  edit->TypeText("aqb");
  EXPECT_EQ(edit->Text(), "xbc");

  // Setting CharCase converts the text there is.
  edit->SetCharCase(ecUpperCase);
  EXPECT_EQ(edit->Text(), "XBC");
  // A disabled edit takes nothing.
  edit->SetEnabled(false);
  EXPECT_FALSE(edit->TypeText("z"));
  EXPECT_EQ(edit->Text(), "XBC");
}

TEST_F(StdCtrlsTest, FormRoutesKeysIntoTheFocusedEdit) {
  auto* edit = Make<TEdit>("edA");
  auto* memo = Make<TMemo>("mmo");
  form->Show();
  form->SetActiveControl(edit);
  form->TypeText("ab");
  form->PressKey(VK_LEFT);
  form->PressKey(VK_BACK);
  EXPECT_EQ(edit->Text(), "b");

  // Enter is a dialog key for an edit but the memo takes it.
  form->SetActiveControl(memo);
  form->TypeText("x");
  form->PressKey(VK_RETURN);
  form->TypeText("y");
  EXPECT_EQ(memo->Text(), "x\r\ny");
}

TEST_F(StdCtrlsTest, MemoLinesAndLineKeys) {
  auto* memo = Make<TMemo>("mmo");
  SetPropValue(*memo, "Lines", Variant("one\r\ntwo\r\nthree"));
  EXPECT_EQ(memo->Text(), "one\r\ntwo\r\nthree");
  EXPECT_EQ(memo->Lines().Count(), 3);
  // A converter that rewrites every "Text" by name must not reach the lines twice.
  EXPECT_FALSE(IsPublishedProp(*memo, "Text"));
  EXPECT_TRUE(IsPublishedProp(*memo, "Lines"));

  memo->SetSelStart(6);  // "two" after 'w'
  uint16_t key = VK_UP;
  memo->HandleKeyDown(key, {});
  EXPECT_EQ(memo->SelStart(), 1);
  key = VK_DOWN;
  memo->HandleKeyDown(key, {});
  key = VK_DOWN;
  memo->HandleKeyDown(key, {});
  EXPECT_EQ(memo->SelStart(), 11);  // "three", column 1
  key = VK_END;
  memo->HandleKeyDown(key, {});
  EXPECT_EQ(memo->SelStart(), 15);

  memo->SetWantReturns(false);
  memo->TypeText("\r");
  EXPECT_EQ(memo->Lines().Count(), 3);
  EXPECT_FALSE(memo->WantedKeys().Contains(dcWantAllKeys));
  memo->SetWantTabs(true);
  memo->TypeText("\t");
  EXPECT_EQ(memo->Lines()[2], "three\t");
}

// ---- Combo boxes --------------------------------------------------------------------

TEST_F(StdCtrlsTest, ComboTextAndItemIndexAgreeInEveryStyle) {
  auto* combo = Make<TComboBox>("cbo");
  combo->SetItems(TStringList({"Apple", "Banana", "Cherry"}));
  struct Case {
    TComboBoxStyle style;
    std::string text;
    int expectedIndex;
    std::string expectedText;
  };
  const Case cases[] = {
      {csDropDown, "banana", 1, "banana"},       {csDropDown, "Kiwi", -1, "Kiwi"},
      {csDropDownList, "banana", 1, "Banana"},   {csDropDownList, "Kiwi", -1, ""},
      {csOwnerDrawFixed, "cherry", 2, "Cherry"}, {csSimple, "", -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " in style " + std::string(kComboBoxStyleNames[c.style]));
    combo->SetStyle(c.style);
    combo->SetText(c.text);
    EXPECT_EQ(combo->ItemIndex(), c.expectedIndex);
    EXPECT_EQ(combo->Text(), c.expectedText);
  }

  // A free text does not survive a style without an edit part; a selection does.
  combo->SetStyle(csDropDown);
  combo->SetText("Kiwi");
  combo->SetStyle(csOwnerDrawVariable);
  EXPECT_EQ(combo->Text(), "");
  combo->SetItemIndex(1);
  combo->SetStyle(csDropDown);
  combo->SetStyle(csDropDownList);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "Banana");

  // Translated items keep the selection and show its new text.
  SetPropValue(*combo, "Items", Variant("A\r\nB\r\nC"));
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "B");
  combo->SetItems(TStringList({"only"}));
  EXPECT_EQ(combo->ItemIndex(), -1);

  // A wrong index is refused and changes nothing.
  EXPECT_THROW(combo->SetItemIndex(1), EComponentError);
  EXPECT_THROW(SetPropValue(*combo, "ItemIndex", Variant(-2)), EComponentError);
  EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(StdCtrlsTest, ComboUserActionsFireTheirEventsAndCodeFiresNone) {
  auto* combo = Make<TComboBox>("cbo");
  combo->SetItems(TStringList({"one", "two", "three"}));
  combo->OnClick = Log("click");
  combo->OnChange = Log("change");
  combo->OnDropDown = Log("dropdown");
  combo->OnCloseUp = Log("closeup");

  combo->SetItemIndex(0);
  combo->SetText("two");
  EXPECT_TRUE(events.empty());

  combo->SetDroppedDown(true);
  combo->SelectItem(2);  // without OnSelect the selection fires OnChange
  EXPECT_EQ(events, (std::vector<std::string>{"dropdown", "click", "change", "closeup"}));
  EXPECT_FALSE(combo->DroppedDown());

  events.clear();
  combo->OnSelect = Log("select");
  uint16_t key = VK_UP;
  combo->HandleKeyDown(key, {});
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"click", "select"}));

  // Typing into the edit part: OnChange, and the index follows the text.
  events.clear();
  combo->SetText("");
  combo->TypeText("thr");
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->TypeText("ee");
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(events.size(), 5u);

  // Without an edit part a letter picks the next item starting with it.
  combo->SetStyle(csDropDownList);
  events.clear();
  combo->TypeText("t");
  EXPECT_EQ(combo->Text(), "two");
  combo->TypeText("t");
  EXPECT_EQ(combo->Text(), "three");
  EXPECT_FALSE(combo->TypeText("x"));
  EXPECT_EQ(events, (std::vector<std::string>{"click", "select", "click", "select"}));

  // F4 opens the list; while it is open Enter belongs to the combo box.
  key = VK_F4;
  combo->HandleKeyDown(key, {});
  EXPECT_TRUE(combo->DroppedDown());
  EXPECT_TRUE(combo->WantedKeys().Contains(dcWantAllKeys));
  key = VK_RETURN;
  combo->HandleKeyDown(key, {});
  EXPECT_FALSE(combo->DroppedDown());
}

TEST_F(StdCtrlsTest, ComboEditPartKeepsMaxLengthAndSortedItemsKeepTheSelection) {
  auto* combo = Make<TComboBox>("cbo");
  combo->Font()->SetCharset(GB2312_CHARSET);
  combo->SetMaxLength(3);
  EXPECT_FALSE(combo->TypeText("a" + kZhong + "b"));
  EXPECT_EQ(combo->Text(), "a" + kZhong);

  combo->SetItems(TStringList({"pear", "Fig", "apple"}));
  combo->SetItemIndex(0);
  combo->SetSorted(true);
  EXPECT_EQ(combo->Items().CommaText(), "apple,Fig,pear");
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(combo->AddItem("banana"), 1);
  EXPECT_EQ(combo->ItemIndex(), 3);
  combo->DeleteItem(3);
  EXPECT_EQ(combo->ItemIndex(), -1);
}

// ---- List boxes ---------------------------------------------------------------------

TEST_F(StdCtrlsTest, ListBoxClicksByMode) {
  struct Case {
    const char* what;
    bool multi, extended;
    std::vector<std::pair<int, TShiftState>> clicks;
    std::vector<bool> expected;
    int expectedIndex;
  };
  const Case cases[] = {
      {"single", false, true, {{1, {}}, {3, {ssCtrl}}}, {false, false, false, true}, 3},
      {"extended: a plain click selects one", true, true, {{0, {}}, {2, {}}}, {false, false, true, false}, 2},
      {"extended: ctrl toggles", true, true, {{0, {}}, {2, {ssCtrl}}, {0, {ssCtrl}}}, {false, false, true, false}, 0},
      {"extended: shift takes the range", true, true, {{1, {}}, {3, {ssShift}}}, {false, true, true, true}, 3},
      {"plain multi-select toggles", true, false, {{0, {}}, {2, {}}, {0, {}}}, {false, false, true, false}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* list = Make<TListBox>("lst");
    list->SetItems(TStringList({"a", "b", "c", "d"}));
    list->SetMultiSelect(c.multi);
    list->SetExtendedSelect(c.extended);
    int clicks = 0;
    list->OnClick = [&clicks](TObject*) { ++clicks; };
    for (const auto& [index, shift] : c.clicks) list->ClickItem(index, shift);
    std::vector<bool> selected;
    for (int i = 0; i < list->Count(); ++i) selected.push_back(list->Selected(i));
    EXPECT_EQ(selected, c.expected);
    EXPECT_EQ(list->ItemIndex(), c.expectedIndex);
    EXPECT_EQ(clicks, static_cast<int>(c.clicks.size()));
    EXPECT_EQ(list->SelCount(), c.multi ? static_cast<int>(std::count(c.expected.begin(), c.expected.end(), true)) : -1);
    delete list;
  }
}

TEST_F(StdCtrlsTest, ListBoxSelectionFollowsItsItems) {
  auto* list = Make<TListBox>("lst");
  list->AddObserver(&recorder);
  list->SetItems(TStringList({"pear", "fig", "apple", "kiwi"}));
  list->SetMultiSelect(true);
  list->SetSelected(0, true);
  list->SetSelected(3, true);
  list->SetSorted(true);  // apple fig kiwi pear
  EXPECT_TRUE(list->Selected(2));
  EXPECT_TRUE(list->Selected(3));
  list->DeleteItem(0);
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_TRUE(list->Selected(1) && list->Selected(2));
  EXPECT_THROW(list->Selected(3), EComponentError);

  // Code changes the selection without OnClick; keys are the user's.
  int clicks = 0;
  list->OnClick = [&clicks](TObject*) { ++clicks; };
  list->SetMultiSelect(false);
  list->SetItemIndex(0);
  EXPECT_EQ(clicks, 0);
  uint16_t key = VK_DOWN;
  list->HandleKeyDown(key, {});
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  char letter = 'p';
  list->HandleKeyPress(letter);
  EXPECT_EQ(list->Items()[list->ItemIndex()], "pear");
  EXPECT_NE(std::find(recorder.changes.begin(), recorder.changes.end(), "lst.Selected"), recorder.changes.end());
}

// ---- Check boxes, radio buttons, buttons -----------------------------------------------

TEST_F(StdCtrlsTest, CheckBoxClicksCycleItsStates) {
  struct Case {
    bool allowGrayed;
    std::vector<TCheckBoxState> states;
  };
  const Case cases[] = {
      {false, {cbChecked, cbUnchecked, cbChecked}},
      {true, {cbGrayed, cbChecked, cbUnchecked}},
  };
  for (const Case& c : cases) {
    auto* box = Make<TCheckBox>("chk");
    box->SetAllowGrayed(c.allowGrayed);
    int clicks = 0;
    box->OnClick = [&clicks](TObject*) { ++clicks; };
    for (TCheckBoxState expected : c.states) {
      char space = ' ';
      box->HandleKeyPress(space);
      EXPECT_EQ(box->State(), expected);
    }
    EXPECT_EQ(clicks, 3);
    delete box;
  }

  // A state set by code runs OnClick as well; an unchanged one does not.
  auto* box = Make<TCheckBox>("chkA");
  int clicks = 0;
  box->OnClick = [&clicks](TObject*) { ++clicks; };
  SetPropValue(*box, "State", Variant("cbGrayed"));
  SetPropValue(*box, "State", Variant("cbGrayed"));
  EXPECT_FALSE(box->Checked());
  SetPropValue(*box, "Checked", Variant(true));
  EXPECT_EQ(clicks, 2);
  EXPECT_THROW(SetPropValue(*box, "Alignment", Variant("taCenter")), EPropertyError);
  EXPECT_EQ(box->Alignment(), taRightJustify);
}

TEST_F(StdCtrlsTest, RadioButtonsOfOneParentExcludeEachOther) {
  auto* a = Make<TRadioButton>("rbA");
  auto* b = Make<TRadioButton>("rbB");
  auto* elsewhere = Make<TRadioButton>("rbC", Make<TGroupBox>("grp"));
  elsewhere->SetChecked(true);
  a->OnClick = Log("a");
  b->OnClick = Log("b");

  a->Click();
  b->Click();
  b->Click();  // already checked: nothing
  EXPECT_EQ(events, (std::vector<std::string>{"a", "b"}));
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(elsewhere->Checked());
  // Only the checked button of a group is a tab stop.
  EXPECT_FALSE(a->TabStop());
  EXPECT_TRUE(b->TabStop());
}

TEST_F(StdCtrlsTest, ButtonGivesItsFormTheModalResultBeforeOnClick) {
  auto* panel = Make<TGroupBox>("grp");
  auto* ok = Make<TButton>("btnOK", panel);
  SetPropValue(*ok, "ModalResult", Variant("mrOk"));
  EXPECT_EQ(ok->ModalResult(), kModalOk);
  int seen = -1;
  ok->OnClick = [this, &seen](TObject*) { seen = form->ModalResult(); };
  char space = ' ';
  ok->HandleKeyPress(space);
  EXPECT_EQ(seen, kModalOk);
  EXPECT_EQ(form->ModalResult(), kModalOk);

  // The form presses its default button for Enter.
  form->SetModalResult(kModalNone);
  auto* edit = Make<TEdit>("ed");
  ok->SetDefault(true);
  form->Show();
  form->SetActiveControl(edit);
  form->PressKey(VK_RETURN);
  EXPECT_EQ(form->ModalResult(), kModalOk);
}

// ---- Labels, scroll boxes, properties by name ----------------------------------------

TEST_F(StdCtrlsTest, LabelForgetsAFocusControlThatGoes) {
  auto* edit = Make<TEdit>("edA");
  auto* label = Make<TLabel>("lblA");
  SetPropValue(*label, "FocusControl", Variant("edA"));
  EXPECT_EQ(label->FocusControl(), edit);
  delete edit;
  EXPECT_EQ(label->FocusControl(), nullptr);
}

TEST_F(StdCtrlsTest, ScrollBoxMovesItsChildren) {
  auto* box = Make<TScrollBox>("sb");
  box->SetBounds(0, 0, 100, 50);
  auto* edit = Make<TEdit>("ed", box);
  edit->SetBounds(10, 120, 50, 20);
  box->AddObserver(&recorder);
  SetPropValue(*box, "VertScrollBar.Range", Variant(200));
  SetPropValue(*box, "VertScrollBar.Position", Variant(100));
  EXPECT_EQ(edit->Top(), 20);
  box->VertScrollBar()->SetPosition(1000);  // at most Range - client height
  EXPECT_EQ(box->VertScrollBar()->Position(), 150);
  EXPECT_EQ(edit->Top(), -30);
  box->VertScrollBar()->SetRange(60);
  EXPECT_EQ(box->VertScrollBar()->Position(), 10);
  EXPECT_EQ(edit->Top(), 110);
  EXPECT_EQ(recorder.changes.front(), "sb.VertScrollBar");
}

TEST_F(StdCtrlsTest, PublishedPropertiesAreSetByNameAndWrongOnesRefused) {
  struct Case {
    std::function<TControl*()> make;
    const char* property;
    Variant value;
    std::string expected;  // empty: the value is refused
  };
  const Case cases[] = {
      {[this] { return Make<TEdit>("x"); }, "MaxLength", Variant("5"), "5"},
      {[this] { return Make<TEdit>("x"); }, "MaxLength", Variant(-1), ""},
      {[this] { return Make<TEdit>("x"); }, "CharCase", Variant("ecUpperCase"), "ecUpperCase"},
      {[this] { return Make<TEdit>("x"); }, "PasswordChar", Variant("*"), "*"},
      {[this] { return Make<TComboBox>("x"); }, "Style", Variant("csDropDownList"), "csDropDownList"},
      {[this] { return Make<TComboBox>("x"); }, "Style", Variant("csNothing"), ""},
      {[this] { return Make<TComboBox>("x"); }, "DropDownCount", Variant(0), ""},
      {[this] { return Make<TComboBox>("x"); }, "DropDownCount", Variant(12), "12"},
      {[this] { return Make<TListBox>("x"); }, "Style", Variant("lbOwnerDrawFixed"), "lbOwnerDrawFixed"},
      {[this] { return Make<TListBox>("x"); }, "MultiSelect", Variant("True"), "True"},
      {[this] { return Make<TLabel>("x"); }, "Alignment", Variant("taCenter"), "taCenter"},
      {[this] { return Make<TLabel>("x"); }, "Caption", Variant("abc"), "abc"},
      {[this] { return Make<TButton>("x"); }, "Cancel", Variant(true), "True"},
      {[this] { return Make<TGroupBox>("x"); }, "Caption", Variant("abc"), "abc"},
      {[this] { return Make<TEdit>("x"); }, "Caption", Variant("abc"), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.property) + " = " + c.value.AsString());
    TControl* control = c.make();
    if (c.expected.empty()) {
      const std::string before = IsPublishedProp(*control, c.property) ? GetPropText(*control, c.property) : "";
      EXPECT_THROW(SetPropValue(*control, c.property, c.value), EPropertyError);
      if (IsPublishedProp(*control, c.property)) {
        EXPECT_EQ(GetPropText(*control, c.property), before);
      }
    } else {
      SetPropValue(*control, c.property, c.value);
      EXPECT_EQ(GetPropText(*control, c.property), c.expected);
    }
    delete control;
  }
}

}  // namespace
}  // namespace pellor
