// Menus: shortcut texts, the item tree and its ownership, items by name,
// radio groups, shortcuts through parent menus, pop-up menus.
#include <gtest/gtest.h>

#include <optional>

#include "form_fixture.h"

namespace pellor::test {
namespace {

TEST(ShortCutTest, TextAndCodeGoBothWays) {
  struct Case {
    const char* text;
    TShortCut code;
    const char* written;  // how ShortCutToText writes it back
  };
  const Case cases[] = {
      {"Ctrl+S", 0x4053, "Ctrl+S"},
      {"F5", VK_F5, "F5"},
      {"Shift+Ctrl+F1", scShift | scCtrl | VK_F1, "Shift+Ctrl+F1"},
      {"ctrl+shift+a", scShift | scCtrl | 'A', "Shift+Ctrl+A"},
      {"Alt+Ctrl+x", scCtrl | scAlt | 'X', "Ctrl+Alt+X"},
      {"^C", scCtrl | 'C', "Ctrl+C"},
      {"Del", VK_DELETE, "Del"},
      {"Num +", VK_ADD, "Num +"},
      {"Ctrl+Num +", scCtrl | VK_ADD, "Ctrl+Num +"},
      {"Enter", VK_RETURN, "Enter"},
      {"F24", VK_F24, "F24"},
      {"", scNone, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TryTextToShortCut(c.text), std::optional<TShortCut>(c.code)) << c.text;
    EXPECT_EQ(ShortCutToText(c.code), c.written) << c.text;
  }
  for (const char* bad : {"Ctrl+", "Foo", "Ctrl+Shift", "F25", "Ctrl+SS", "+"}) {
    EXPECT_EQ(TryTextToShortCut(bad), std::nullopt) << bad;
  }
  EXPECT_THROW(TextToShortCut("Ctrl+Foo"), EConvertError);

  uint16_t key = 0;
  TShiftState shift;
  ShortCutToKey(TextToShortCut("Shift+Alt+F2"), key, shift);
  EXPECT_EQ(key, VK_F2);
  EXPECT_EQ(shift, (TShiftState{ssShift, ssAlt}));
  EXPECT_EQ(ShortCut(VK_F2, {ssShift, ssAlt, ssLeft}), TextToShortCut("Shift+Alt+F2"));
}

class MenuTest : public FormTest {
 protected:
  TFormPtr<TForm> form = MakeForm("frmMain");
  TMainMenu* menu = TCustomForm::Create<TMainMenu>(form.get());
};

TEST_F(MenuTest, TheTreeArrangesItemsThatTheirOwnerHolds) {
  TMenuItem* miData = MakeItem(form.get(), "miData", menu->Items());
  TMenuItem* miAdd = MakeItem(form.get(), "miAdd", miData);
  TMenuItem* miEdit = MakeItem(form.get(), "miEdit", miData);
  TMenuItem* miFirst = MakeItem(form.get(), "miFirst", nullptr);
  miData->Insert(0, miFirst);
  EXPECT_EQ(miData->Count(), 3);
  EXPECT_EQ(miData->Items(0), miFirst);
  EXPECT_EQ(miEdit->MenuIndex(), 2);
  EXPECT_EQ(miAdd->GetParentMenu(), menu);
  EXPECT_EQ(form->FindComponent("miadd"), miAdd);  // language packages find items by name
  EXPECT_EQ(miData->Find("MIEDIT"), miEdit);
  EXPECT_EQ(menu->FindItemByName("miEdit"), miEdit);

  miEdit->SetMenuIndex(0);
  EXPECT_EQ(miData->Items(0), miEdit);
  EXPECT_THROW(miData->Items(3), EMenuError);
  EXPECT_THROW(miAdd->Add(miData), EMenuError);  // below itself
  EXPECT_THROW(miData->Insert(5, MakeItem(form.get(), "miX", nullptr)), EMenuError);
  EXPECT_THROW(miData->Add(menu->Items()), EMenuError);
  auto unowned = TComponent::CreateUnowned<TMenuItem>();
  EXPECT_THROW(miData->Add(unowned.get()), EMenuError);

  // Removing leaves the item with its owner; Delete and Clear free items.
  miData->Remove(miFirst);
  EXPECT_EQ(miFirst->Parent(), nullptr);
  EXPECT_EQ(form->FindComponent("miFirst"), miFirst);
  TComponentWatch editWatch(miEdit);
  miData->Delete(0);
  EXPECT_FALSE(editWatch.Alive());
  EXPECT_EQ(form->FindComponent("miEdit"), nullptr);
  TMenuItem* held = miData->Add(std::move(unowned));
  TComponentWatch heldWatch(held);
  TComponentWatch addWatch(miAdd);
  miData->Clear();
  EXPECT_EQ(miData->Count(), 0);
  EXPECT_FALSE(heldWatch.Alive());
  EXPECT_FALSE(addWatch.Alive());

  // An owned item freed by its owner leaves the tree; a parent that goes
  // leaves its owned items without a parent.
  TMenuItem* miNext = MakeItem(form.get(), "miNext", miData);
  delete miNext;
  EXPECT_EQ(miData->Count(), 0);
  TMenuItem* miLast = MakeItem(form.get(), "miLast", miData);
  delete miData;
  EXPECT_EQ(miLast->Parent(), nullptr);
  EXPECT_EQ(menu->Items()->Count(), 0);
}

TEST_F(MenuTest, PropertiesByNameAndTheirChangesReachTheObservers) {
  TMenuItem* miSave = MakeItem(form.get(), "miSave", menu->Items());
  Recorder recorder;
  miSave->AddObserver(&recorder);
  menu->AddObserver(&recorder);

  SetPropValue(*miSave, "Caption", "保存(&S)");
  SetPropValue(*miSave, "ShortCut", "Ctrl+S");
  EXPECT_EQ(miSave->ShortCut(), 0x4053);
  EXPECT_EQ(GetPropValue(*miSave, "ShortCut"), Variant("Ctrl+S"));
  SetPropValue(*miSave, "ShortCut", 16454);  // as a stored number
  EXPECT_EQ(ShortCutToText(miSave->ShortCut()), "Ctrl+F");
  SetPropValue(*miSave, "ShortCut", "");
  EXPECT_EQ(miSave->ShortCut(), scNone);
  EXPECT_THROW(SetPropValue(*miSave, "ShortCut", "Ctrl+Foo"), EConvertError);
  EXPECT_THROW(SetPropValue(*miSave, "ShortCut", "70000"), EConvertError);
  EXPECT_THROW(SetPropValue(*miSave, "Shortcuts", "F5"), EPropertyError);
  EXPECT_THROW(SetPropValue(*miSave, "Checked", "maybe"), EPropertyError);
  SetPropValue(*miSave, "Enabled", "False");
  SetPropValue(*miSave, "Visible", false);
  SetPropValue(*menu, "OwnerDraw", true);
  EXPECT_TRUE(menu->OwnerDraw());
  MakeItem(form.get(), "miMore", menu->Items());

  for (const char* change : {"miSave.Caption", "miSave.ShortCut", "miSave.Enabled", "miSave.Visible", ".OwnerDraw",
                             ".Items"}) {
    EXPECT_TRUE(recorder.Saw(change)) << change;
  }
  miSave->RemoveObserver(&recorder);
  menu->RemoveObserver(&recorder);
}

TEST_F(MenuTest, ClicksFollowEnabledAutoCheckAndRadioGroups) {
  TMenuItem* view = MakeItem(form.get(), "mnList", menu->Items());
  std::vector<TMenuItem*> styles;
  for (const char* name : {"miLarge", "miSmall", "miList"}) {
    TMenuItem* item = MakeItem(form.get(), name, view);
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
    item->SetAutoCheck(true);
    styles.push_back(item);
  }
  TMenuItem* toolbar = MakeItem(form.get(), "miToolBar", view);
  toolbar->SetAutoCheck(true);
  toolbar->SetChecked(true);
  int clicks = 0;
  toolbar->OnClick = [&](TObject*) { ++clicks; };

  styles[0]->SetChecked(true);
  styles[2]->Click();
  EXPECT_FALSE(styles[0]->Checked());
  EXPECT_TRUE(styles[2]->Checked());
  EXPECT_TRUE(toolbar->Checked());  // not of the radio group
  styles[1]->SetChecked(true);
  EXPECT_FALSE(styles[2]->Checked());

  toolbar->Click();
  EXPECT_FALSE(toolbar->Checked());
  toolbar->SetEnabled(false);
  toolbar->Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(toolbar->Checked());
}

TEST_F(MenuTest, AShortcutOpensTheParentMenusFirst) {
  // As the "functions" menu enables its search item when it opens.
  TMenuItem* miFunctions = MakeItem(form.get(), "MenuItem11", menu->Items());
  TMenuItem* mnSearch = MakeItem(form.get(), "mnSearch", miFunctions, "Ctrl+F");
  mnSearch->SetEnabled(false);
  bool gridFocused = true;
  std::vector<std::string> log;
  miFunctions->OnClick = [&](TObject*) {
    log.push_back("open");
    mnSearch->SetEnabled(gridFocused);
  };
  mnSearch->OnClick = [&](TObject*) { log.push_back("search"); };
  const TShortCut ctrlF = TextToShortCut("Ctrl+F");

  EXPECT_TRUE(menu->IsShortCut(ctrlF));
  gridFocused = false;
  EXPECT_FALSE(menu->IsShortCut(ctrlF));  // opened, found disabled: the key goes on
  EXPECT_EQ(log, (std::vector<std::string>{"open", "search", "open"}));

  // A disabled parent keeps its items' shortcuts shut; so does a hidden item.
  log.clear();
  gridFocused = true;
  miFunctions->SetEnabled(false);
  EXPECT_FALSE(menu->IsShortCut(ctrlF));
  miFunctions->SetEnabled(true);
  mnSearch->SetVisible(false);
  miFunctions->OnClick = nullptr;
  EXPECT_FALSE(menu->IsShortCut(ctrlF));
  EXPECT_TRUE(log.empty());

  // A parent that rebuilds its items on opening: the new item is clicked.
  TMenuItem* mnCondition = MakeItem(form.get(), "mnCondition", menu->Items());
  MakeItem(form.get(), "mnu0", mnCondition, "Ctrl+Q");
  mnCondition->OnClick = [&](TObject*) {
    mnCondition->Clear();
    TMenuItem* fresh = MakeItem(form.get(), "mnu0", mnCondition, "Ctrl+Q");
    fresh->OnClick = [&](TObject*) { log.push_back("fresh"); };
  };
  EXPECT_TRUE(menu->IsShortCut(TextToShortCut("Ctrl+Q")));
  EXPECT_EQ(log, (std::vector<std::string>{"fresh"}));
  EXPECT_FALSE(menu->IsShortCut(scNone));
}

TEST_F(MenuTest, AnItemThatFreesItsFormEndsTheClickQuietly) {
  TCustomForm* standalone = TCustomForm::CreateStandalone<TForm>();
  auto* own = TCustomForm::Create<TMainMenu>(standalone);
  TMenuItem* miExit = MakeItem(standalone, "miExit", own->Items(), "Alt+X");
  miExit->SetAutoCheck(true);
  miExit->OnClick = [standalone](TObject*) { standalone->Free(); };
  TComponentWatch watch(standalone);
  EXPECT_TRUE(own->IsShortCut(TextToShortCut("Alt+X")));
  EXPECT_FALSE(watch.Alive());
}

TEST_F(MenuTest, APopupMenuRunsOnPopupAndClicksWhatTheScriptChooses) {
  auto* popPrint = TCustomForm::Create<TPopupMenu>(form.get());
  popPrint->SetName("popPrint");
  std::vector<std::string> log;
  popPrint->OnPopup = [&](TObject*) {
    log.push_back("popup");
    if (popPrint->Items()->Count() > 0) return;
    TMenuItem* direct = MakeItem(form.get(), "miPrint", popPrint->Items());
    direct->OnClick = [&](TObject*) { log.push_back("print"); };
    TMenuItem* more = MakeItem(form.get(), "miMore", popPrint->Items());
    more->OnClick = [&](TObject*) { log.push_back("more"); };
    TMenuItem* preview = MakeItem(form.get(), "miPreview", more);
    preview->OnClick = [&](TObject*) { log.push_back("preview"); };
    MakeItem(form.get(), "miOff", popPrint->Items())->SetEnabled(false);
  };

  platform_.QueuePopupChoice("miPreview");
  platform_.QueuePopupChoice("");
  platform_.QueuePopupChoice("miOff");
  TMenuItem* chosen = popPrint->Popup(10, 20);
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->Name(), "miPreview");
  EXPECT_EQ(popPrint->Popup(10, 20), nullptr);
  EXPECT_THROW(popPrint->Popup(10, 20), Exception);  // the script picked a disabled item
  EXPECT_EQ(log, (std::vector<std::string>{"popup", "more", "preview", "popup", "popup"}));
  EXPECT_EQ(popPrint->Popup(0, 0), nullptr);  // nothing queued: dismissed
  const auto& windows = platform_.WindowLog();
  EXPECT_EQ(std::vector<std::string>(windows.begin(), windows.begin() + 2),
            (std::vector<std::string>{"popup popPrint -> miPreview", "popup popPrint -> none"}));
}

}  // namespace
}  // namespace pellor::test
