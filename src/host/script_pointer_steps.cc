// The steps of a script that a user does with the mouse beyond a plain
// click: double and right clicks, choosing an item, ticking a box. Each goes
// through the entry the control has for that piece of user input (grids.h,
// stdctrls.h, extctrls.h ...), so the program's events fire as they would
// under a real mouse; none of them writes a property behind the program's
// back.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/script_runner.h"
#include "platform/ui/buttons.h"
#include "platform/ui/comctrls_views.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/properties.h"
#include "platform/ui/stdctrls.h"
#include "platform/ui/toolbar.h"

namespace tamlo {
namespace {

std::string Quoted(const std::string& utf8) { return "\"" + utf8 + "\""; }

// The item a script's word names: the item with that text, else "#N" for
// the item at index N. -1 when it names none.
int FindItem(const std::vector<std::string>& items, const std::string& word) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == word) return static_cast<int>(i);
  }
  if (word.size() < 2 || word[0] != '#' || word.find_first_not_of("0123456789", 1) != std::string::npos ||
      word.size() > 10) {
    return -1;
  }
  const long index = std::stol(word.substr(1));
  return index < static_cast<long>(items.size()) ? static_cast<int>(index) : -1;
}

// The items as a failure message lists them; long lists are cut.
std::string ItemList(const std::vector<std::string>& items) {
  constexpr size_t kShown = 12;
  std::string text;
  for (size_t i = 0; i < items.size() && i < kShown; ++i) text += (i == 0 ? "" : ", ") + Quoted(items[i]);
  if (items.size() > kShown) text += ", ... (" + std::to_string(items.size()) + " in all)";
  return items.empty() ? "no items" : "items " + text;
}

// The middle of a control's client area.
pellor::TPoint ClientCentre(const pellor::TControl& control) {
  if (auto* win = dynamic_cast<const pellor::TWinControl*>(&control)) {
    return {win->ClientWidth() / 2, win->ClientHeight() / 2};
  }
  return {control.Width() / 2, control.Height() / 2};
}

// The middle of a grid's current cell in the grid's client area; nullopt
// when the cell is scrolled out of sight.
std::optional<pellor::TPoint> CurrentCellCentre(const pellor::TCustomGrid& grid) {
  pellor::TRect rect = grid.CellRect(grid.Col(), grid.Row());
  if (rect.IsEmpty()) return std::nullopt;
  return pellor::TPoint{(rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2};
}

}  // namespace

void ScriptRunner::FocusByMouse(const ScriptStep& step, pellor::TControl& control) {
  auto* windowed = dynamic_cast<pellor::TWinControl*>(&control);
  if (windowed != nullptr && windowed->TabStop() && windowed->CanFocus()) Focus(step, *windowed);
}

// The second click of a double click: the click before it is the `click`,
// `row`, `cell` or `choose` that put the control where the user points.
void ScriptRunner::DblClick(const ScriptStep& step) {
  pellor::TComponent& component = Resolve(step, step.words[0]);
  auto* control = dynamic_cast<pellor::TControl*>(&component);
  if (control == nullptr) Fail(step, NameOf(component) + " is a " + component.ClassName() + ", which a user cannot double-click");
  CheckUsable(step, *control);
  FocusByMouse(step, *control);
  pellor::TComponentWatch watch(control);
  if (auto* grid = dynamic_cast<pellor::TCustomGrid*>(control)) {
    if (std::optional<pellor::TPoint> at = CurrentCellCentre(*grid)) {
      pellor::TShiftState shift{pellor::ssLeft, pellor::ssDouble};
      Deliver([&] { grid->MouseDown(shift, at->X, at->Y); });
    }
    if (watch) Deliver([&] { grid->DblClick(); });
  } else if (auto* view = dynamic_cast<pellor::TListView*>(control)) {
    Deliver([&] { view->DblClick(); });
  } else if (control->OnDblClick) {
    // The handler may free the control with its window: run a copy.
    pellor::TNotifyEvent handler = control->OnDblClick;
    Deliver([&] { handler(control); });
  }
}

// A press of the right button where a user points: on a grid its current
// cell (a right click keeps the cell), elsewhere the control's middle. The
// form's right-click path does the rest, as under a real mouse: the control
// hears the press, then OnContextPopup runs and the nearest pop-up menu that
// pops up by itself opens — the control's, else its parents', else its
// form's — with the control as the menu's PopupComponent. The choice comes
// from a `popup` line before.
void ScriptRunner::RightClick(const ScriptStep& step) {
  pellor::TComponent& component = Resolve(step, step.words[0]);
  auto* control = dynamic_cast<pellor::TControl*>(&component);
  if (control == nullptr) Fail(step, NameOf(component) + " is a " + component.ClassName() + ", which a user cannot right-click");
  CheckUsable(step, *control);
  pellor::TPoint at = ClientCentre(*control);
  if (auto* grid = dynamic_cast<pellor::TCustomGrid*>(control)) {
    if (std::optional<pellor::TPoint> cell = CurrentCellCentre(*grid)) at = *cell;
  }
  pellor::TCustomForm* form = pellor::GetParentForm(control);
  bool taken = true;
  Deliver([&] { taken = form->RightClickControl(control, at); });
  if (!taken) Fail(step, NameOf(*control) + " has no pop-up menu");
}

void ScriptRunner::Choose(const ScriptStep& step) {
  pellor::TComponent& component = Resolve(step, step.words[0]);
  const std::string& word = step.words[1];
  if (!ItemTexts(component).has_value()) {
    Fail(step, NameOf(component) + " is a " + component.ClassName() + ", which has no items to choose from");
  }
  auto& control = dynamic_cast<pellor::TControl&>(component);
  CheckUsable(step, control);
  FocusByMouse(step, control);
  pellor::TComponentWatch watch(&control);
  auto* combo = dynamic_cast<pellor::TCustomComboBox*>(&control);
  // A user opens the list before picking from it; a program may fill the
  // list only then (OnDropDown).
  if (combo != nullptr && combo->Style() != pellor::csSimple && !combo->DroppedDown()) {
    Deliver([&] { combo->SetDroppedDown(true); });
    if (!watch) Fail(step, NameOf(component) + " went away when its list opened");
  }
  std::vector<std::string> items = *ItemTexts(component);
  int index = FindItem(items, word);
  if (index < 0) {
    auto* grid = dynamic_cast<pellor::TStringAlignGrid*>(&control);
    if (grid != nullptr && grid->PickList(grid->Col(), grid->Row()) == nullptr) {
      Fail(step, "the current cell (" + std::to_string(grid->Col()) + ", " + std::to_string(grid->Row()) +
                     ") of " + NameOf(*grid) + " has no pick list");
    }
    Fail(step, NameOf(component) + " has no item " + Quoted(word) + " (" + ItemList(items) + ")");
  }
  bool verify = true;
  Deliver([&] {
    if (combo != nullptr) {
      combo->SelectItem(index);
    } else if (auto* list = dynamic_cast<pellor::TCustomListBox*>(&control)) {
      list->ClickItem(index);
      verify = !list->MultiSelect();
    } else if (auto* group = dynamic_cast<pellor::TRadioGroup*>(&control)) {
      group->ClickItem(index);
    } else if (auto* view = dynamic_cast<pellor::TListView*>(&control)) {
      view->SetSelected(view->Items().Item(index));
    } else if (auto* tree = dynamic_cast<pellor::TTreeView*>(&control)) {
      tree->SetSelected(tree->Items().Item(index));
    } else if (auto* grid = dynamic_cast<pellor::TStringAlignGrid*>(&control)) {
      grid->SelectPickItem(index);
    }
  });
  // A program may refuse a choice (a read-only dataset behind the control);
  // the user then sees the old one and the script must not go on as if.
  if (verify && watch && ChosenItem(component) != index) {
    std::optional<std::vector<std::string>> now = ItemTexts(component);
    const int chosen = ChosenItem(component);
    Fail(step, NameOf(component) + " did not take " + Quoted(items[index]) + "; it shows " +
                   (chosen >= 0 && now.has_value() ? Quoted((*now)[chosen]) : std::string("no item")));
  }
}

// Clicks as often as a user would until the box shows the wanted state: a
// box that allows grey takes two clicks from unchecked to checked.
void ScriptRunner::Check(const ScriptStep& step) {
  const bool wanted = step.kind == StepKind::kCheck;
  pellor::TComponent& component = Resolve(step, step.words[0]);
  auto* control = dynamic_cast<pellor::TControl*>(&component);
  std::function<bool()> isWanted;
  std::string noun;
  if (auto* box = dynamic_cast<pellor::TCustomCheckBox*>(&component)) {
    isWanted = [box, wanted] { return box->State() == (wanted ? pellor::cbChecked : pellor::cbUnchecked); };
  } else if (auto* radio = dynamic_cast<pellor::TRadioButton*>(&component)) {
    if (!wanted) Fail(step, NameOf(*radio) + " is a radio button: it is unchecked by checking another one");
    isWanted = [radio] { return radio->Checked(); };
  } else if (auto* tool = dynamic_cast<pellor::TToolButton*>(&component)) {
    if (tool->Style() != pellor::tbsCheck) Fail(step, NameOf(*tool) + " is no check button");
    isWanted = [tool, wanted] { return tool->Down() == wanted; };
  } else if (auto* speed = dynamic_cast<pellor::TSpeedButton*>(&component)) {
    if (speed->GroupIndex() == 0) Fail(step, NameOf(*speed) + " has no group: it never stays down");
    isWanted = [speed, wanted] { return speed->Down() == wanted; };
  } else {
    Fail(step, NameOf(component) + " is a " + component.ClassName() + ", which has nothing to check");
  }
  if (isWanted()) return;
  CheckUsable(step, *control);
  pellor::TCustomForm* form = pellor::GetParentForm(control);
  pellor::TComponentWatch watch(control);
  constexpr int kMostClicks = 3;
  for (int clicks = 1; clicks <= kMostClicks; ++clicks) {
    Deliver([&] { form->ClickControl(control); });
    if (!watch || isWanted()) return;
  }
  Fail(step, NameOf(*control) + " did not become " + (wanted ? "checked" : "unchecked") + " in " +
                 std::to_string(kMostClicks) + " clicks");
}

}  // namespace tamlo
