#include "host/script_runner.h"

#include <cstring>
#include <exception>
#include <fstream>

#include "platform/rtl/strutils.h"
#include "platform/ui/comctrls_pages.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/properties.h"

namespace tamlo {
namespace {

std::string Quoted(const std::string& utf8) { return "\"" + utf8 + "\""; }

std::vector<std::string> SplitPath(const std::string& name) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t dot = name.find('.', start);
    parts.push_back(name.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts;
}

// The component with that name among those `owner` owns, at any depth (a
// frame owns its own controls); forms owned by the form are windows of their
// own and are not searched.
pellor::TComponent* FindDeep(const pellor::TComponent& owner, std::string_view name) {
  if (pellor::TComponent* found = owner.FindComponent(name)) return found;
  for (int i = 0; i < owner.ComponentCount(); ++i) {
    pellor::TComponent* child = owner.Components(i);
    if (dynamic_cast<pellor::TCustomForm*>(child) != nullptr) continue;
    if (pellor::TComponent* found = FindDeep(*child, name)) return found;
  }
  return nullptr;
}

}  // namespace

std::string NameOf(const pellor::TComponent& component) {
  return component.Name().empty() ? component.ClassName() : component.Name();
}

// ---- THostPlatform --------------------------------------------------------------------

int THostPlatform::MessageDialog(const pellor::MessageDialogRequest& request) {
  std::fprintf(out_, "dialog (%s): %s\n", pellor::DialogKindName(request.kind),
               ToUtf8(request.text, CodePageOf(request)).c_str());
  std::fflush(out_);
  int answer = THeadlessPlatform::MessageDialog(request);
  shown_.push_back({request, answer});
  return answer;
}

void THostPlatform::RunModalLoop(pellor::IModalWindow& window) {
  if (runner_ == nullptr) {
    THeadlessPlatform::RunModalLoop(window);
    return;
  }
  // The headless loop, with the script as its only source of user actions.
  for (;;) {
    if (window.ModalResult() != pellor::kModalNone) {
      if (window.ConfirmModalEnd() || window.ModalResult() != pellor::kModalNone) break;
    }
    pellor::ProcessPostedMessages();
    if (window.ModalResult() != pellor::kModalNone) continue;
    runner_->RunModal(window);
  }
}

// ---- ScriptRunner ----------------------------------------------------------------------

ScriptRunner::ScriptRunner(Script script, THostPlatform& platform, std::FILE* out)
    : script_(std::move(script)), platform_(platform), out_(out) {
  platform_.AttachRunner(this);
}

ScriptRunner::~ScriptRunner() { platform_.AttachRunner(nullptr); }

void ScriptRunner::Fail(const ScriptStep& step, const std::string& message) {
  failed_ = true;
  failure_ = script_.fileName + ":" + std::to_string(step.line) + ": " + message;
  throw ScriptFailure{failure_};
}

void ScriptRunner::RunToEnd() {
  Settle();
  while (!Finished()) {
    const ScriptStep& step = script_.steps[next_++];
    Run(step);
    Settle();
  }
}

void ScriptRunner::RunModal(pellor::IModalWindow& window) {
  while (window.ModalResult() == pellor::kModalNone) {
    if (failed_) throw ScriptFailure{failure_};
    if (Finished()) {
      if (++cancelsAtEnd_[&window] > 2) {
        failed_ = true;
        failure_ = script_.fileName + ": the script ended and the modal window " +
                   window.ModalWindowName() + " refuses to close";
        throw ScriptFailure{failure_};
      }
      window.SetModalResult(pellor::kModalCancel);
      return;
    }
    const ScriptStep& step = script_.steps[next_++];
    Run(step);
    Settle();
  }
}

void ScriptRunner::Deliver(const std::function<void()>& input) {
  pellor::Application().DeliverInput(input);
  // The program may have caught a failure of a step nested in this input.
  if (failed_) throw ScriptFailure{failure_};
}

void ScriptRunner::Settle() {
  Deliver([] { pellor::Application().ProcessMessages(); });
}

pellor::TCustomForm& ScriptRunner::InputWindow(const ScriptStep& step) {
  pellor::TScreen& screen = pellor::Screen();
  if (pellor::TCustomForm* modal = screen.ModalForm()) return *modal;
  pellor::TCustomForm* active = screen.ActiveForm();
  if (active != nullptr && active->Visible()) return *active;
  for (int i = 0; i < screen.FormCount(); ++i) {
    if (screen.Forms(i)->Visible()) return *screen.Forms(i);
  }
  Fail(step, "no window is open");
}

pellor::TCustomForm* ScriptRunner::FindWindow(std::string_view name) const {
  pellor::TScreen& screen = pellor::Screen();
  pellor::TCustomForm* hidden = nullptr;
  for (int i = 0; i < screen.FormCount(); ++i) {
    pellor::TCustomForm* form = screen.Forms(i);
    if (!form->ModalWindowIs(name)) continue;
    if (form->Visible()) return form;
    if (hidden == nullptr) hidden = form;
  }
  return hidden;
}

pellor::TComponent& ScriptRunner::Resolve(const ScriptStep& step, const std::string& name) {
  std::vector<std::string> parts = SplitPath(name);
  for (const std::string& part : parts) {
    if (part.empty()) Fail(step, "'" + name + "' is no component name");
  }
  pellor::TComponent* current = nullptr;
  size_t first = 0;
  if (parts.size() > 1) {
    current = FindWindow(parts[0]);
    if (current != nullptr) first = 1;
  }
  if (current == nullptr) {
    pellor::TCustomForm& input = InputWindow(step);
    if (parts.size() == 1) {
      if (input.ModalWindowIs(name)) return input;
      if (pellor::TComponent* found = FindDeep(input, name)) return *found;
      if (pellor::TCustomForm* window = FindWindow(name)) return *window;
      Fail(step, "no component '" + name + "' on window " + NameOf(input));
    }
    current = &input;
  }
  for (size_t i = first; i < parts.size(); ++i) {
    pellor::TComponent* found = FindDeep(*current, parts[i]);
    if (found == nullptr) Fail(step, "no component '" + parts[i] + "' on " + NameOf(*current));
    current = found;
  }
  return *current;
}

template <class T>
T& ScriptRunner::ResolveAs(const ScriptStep& step, const std::string& name, const char* what) {
  pellor::TComponent& component = Resolve(step, name);
  if (T* typed = dynamic_cast<T*>(&component)) return *typed;
  Fail(step, name + " is a " + component.ClassName() + ", not " + what);
}

// What a user can reach: a showing, enabled control on a window that takes
// input, or a visible, enabled menu item of such a window.
void ScriptRunner::CheckUsable(const ScriptStep& step, pellor::TComponent& component) {
  pellor::TCustomForm* form = nullptr;
  if (auto* control = dynamic_cast<pellor::TControl*>(&component)) {
    form = pellor::GetParentForm(control);
    if (form == nullptr) Fail(step, NameOf(component) + " is on no window");
    if (!control->Showing()) Fail(step, NameOf(component) + " is not showing");
    for (const pellor::TControl* c = control; c != nullptr; c = c->Parent()) {
      if (!c->Enabled()) {
        Fail(step, c == control ? NameOf(component) + " is disabled"
                                : NameOf(component) + " is on " + NameOf(*c) + ", which is disabled");
      }
    }
  } else if (auto* item = dynamic_cast<pellor::TMenuItem*>(&component)) {
    for (const pellor::TMenuItem* i = item; i != nullptr && i->Parent() != nullptr; i = i->Parent()) {
      if (!i->Visible()) Fail(step, "menu item " + NameOf(*i) + " is hidden");
      if (!i->Enabled()) Fail(step, "menu item " + NameOf(*i) + " is disabled");
    }
    form = pellor::GetOwnerForm(item);
    if (form == nullptr || !form->Visible()) Fail(step, "menu item " + NameOf(*item) + " is on no open window");
  } else {
    Fail(step, NameOf(component) + " is a " + component.ClassName() + ", which a user cannot use");
  }
  if (!form->AcceptsInput()) {
    Fail(step, "window " + NameOf(*form) + " takes no input" +
                   (pellor::Screen().ModalForm() != nullptr
                        ? " (the modal window " + NameOf(*pellor::Screen().ModalForm()) + " is in front)"
                        : ""));
  }
}

void ScriptRunner::Focus(const ScriptStep& step, pellor::TComponent& component) {
  auto* control = dynamic_cast<pellor::TWinControl*>(&component);
  if (control == nullptr) Fail(step, NameOf(component) + " cannot take the focus");
  CheckUsable(step, component);
  if (!control->CanFocus()) Fail(step, NameOf(component) + " cannot take the focus");
  pellor::TCustomForm* form = pellor::GetParentForm(control);
  Deliver([&] {
    if (!form->Active()) form->BringToFront();
    form->SetActiveControl(control);
  });
  if (form->ActiveControl() != control) {
    pellor::TWinControl* holder = form->ActiveControl();
    Fail(step, "the focus did not move to " + NameOf(component) + "; it stayed on " +
                   (holder != nullptr ? NameOf(*holder) : NameOf(*form)));
  }
}

std::string ScriptRunner::Host(const ScriptStep& step, const std::string& utf8, int codePage) {
  std::optional<std::string> text = FromUtf8(utf8, codePage);
  if (!text.has_value()) {
    Fail(step, "the text " + Quoted(utf8) + " has characters that code page " +
                   std::to_string(codePage) + " lacks");
  }
  return *text;
}

void ScriptRunner::Run(const ScriptStep& step) {
  switch (step.kind) {
    case StepKind::kKey: Key(step); break;
    case StepKind::kType: Type(step); break;
    case StepKind::kClick: Click(step); break;
    case StepKind::kDblClick: DblClick(step); break;
    case StepKind::kRightClick: RightClick(step); break;
    case StepKind::kChoose: Choose(step); break;
    case StepKind::kCheck:
    case StepKind::kUncheck: Check(step); break;
    case StepKind::kFocus: Focus(step, Resolve(step, step.words[0])); break;
    case StepKind::kPage: Page(step); break;
    case StepKind::kCell:
    case StepKind::kRow: Cell(step); break;
    case StepKind::kAnswer: platform_.QueueAnswer(step.words[0]); break;
    case StepKind::kPopup: platform_.QueuePopupChoice(step.words[0]); break;
    case StepKind::kClose: Close(step); break;
    case StepKind::kSnapshot: Snapshot(step); break;
    case StepKind::kExpectProperty: ExpectProperty(step); break;
    case StepKind::kExpectCell: ExpectCell(step); break;
    case StepKind::kExpectDialog: ExpectDialog(step, false); break;
    case StepKind::kExpectNoDialog: ExpectDialog(step, true); break;
    case StepKind::kExpectWindow: ExpectWindow(step); break;
  }
}

void ScriptRunner::Key(const ScriptStep& step) {
  for (const KeyStroke& stroke : step.keys) {
    // Each key goes to the window that has the input by then: the key
    // before it may have opened or closed one.
    pellor::TCustomForm& form = InputWindow(step);
    if (!form.AcceptsInput()) Fail(step, "window " + NameOf(form) + " takes no input");
    pellor::TShiftState shift;
    if (stroke.shift) shift.Include(pellor::ssShift);
    if (stroke.ctrl) shift.Include(pellor::ssCtrl);
    if (stroke.alt) shift.Include(pellor::ssAlt);
    Deliver([&] { form.PressKey(stroke.key, shift); });
    Settle();
  }
}

void ScriptRunner::Type(const ScriptStep& step) {
  if (!step.words[0].empty()) Focus(step, Resolve(step, step.words[0]));
  pellor::TCustomForm& form = InputWindow(step);
  if (!form.AcceptsInput()) Fail(step, "window " + NameOf(form) + " takes no input");
  pellor::TWinControl* target = form.ActiveControl();
  std::string text = Host(step, step.words[1], CodePageOf(target != nullptr ? *target : form));
  Deliver([&] { form.TypeText(text); });
}

void ScriptRunner::Click(const ScriptStep& step) {
  pellor::TComponent& component = Resolve(step, step.words[0]);
  CheckUsable(step, component);
  if (auto* item = dynamic_cast<pellor::TMenuItem*>(&component)) {
    // A user reaches an item through the menus above it, and opening a menu
    // runs its OnClick, which may enable or rebuild what is below it.
    std::vector<pellor::TMenuItem*> path;
    for (pellor::TMenuItem* i = item->Parent(); i != nullptr && i->Parent() != nullptr; i = i->Parent()) {
      path.insert(path.begin(), i);
    }
    pellor::TComponentWatch watch(item);
    for (pellor::TMenuItem* menu : path) Deliver([&] { menu->Click(); });
    if (!watch) Fail(step, "menu item " + step.words[0] + " went away when its menu opened");
    CheckUsable(step, *item);
    Deliver([&] { item->Click(); });
    return;
  }
  auto& control = dynamic_cast<pellor::TControl&>(component);
  pellor::TCustomForm* form = pellor::GetParentForm(&control);
  Deliver([&] { form->ClickControl(&control); });
}

void ScriptRunner::Page(const ScriptStep& step) {
  auto& pages = ResolveAs<pellor::TPageControl>(step, step.words[0], "a page control");
  CheckUsable(step, pages);
  const std::string& page = step.words[1];
  int tab = -1;
  bool number = !page.empty() && page.find_first_not_of("0123456789") == std::string::npos;
  if (number) {
    tab = std::atoi(page.c_str());
    if (tab >= pages.TabCount()) {
      Fail(step, NameOf(pages) + " has " + std::to_string(pages.TabCount()) + " tabs, no tab " + page);
    }
  } else {
    pellor::TTabSheet* sheet = nullptr;
    for (int i = 0; i < pages.PageCount() && sheet == nullptr; ++i) {
      if (pellor::SameText(pages.Pages(i)->Name(), page)) sheet = pages.Pages(i);
    }
    if (sheet == nullptr) Fail(step, NameOf(pages) + " has no page " + page);
    tab = sheet->TabIndex();
    if (tab < 0) Fail(step, "the tab of page " + page + " is hidden");
  }
  Deliver([&] { pages.SelectTab(tab); });
}

void ScriptRunner::Cell(const ScriptStep& step) {
  auto& grid = ResolveAs<pellor::TCustomGrid>(step, step.words[0], "a grid");
  int col = step.kind == StepKind::kCell ? step.col : grid.Col();
  int row = step.row;
  if (col < grid.FixedCols() || col >= grid.ColCount() || row < grid.FixedRows() ||
      row >= grid.RowCount()) {
    Fail(step, "cell (" + std::to_string(col) + ", " + std::to_string(row) + ") is no data cell of " +
                   NameOf(grid) + " (columns " + std::to_string(grid.FixedCols()) + ".." +
                   std::to_string(grid.ColCount() - 1) + ", rows " + std::to_string(grid.FixedRows()) +
                   ".." + std::to_string(grid.RowCount() - 1) + ")");
  }
  CheckUsable(step, grid);
  // A click on a cell gives the grid the focus first.
  if (grid.CanFocus() && grid.TabStop()) Focus(step, grid);
  Deliver([&] { grid.FocusCell(col, row); });
}

void ScriptRunner::Close(const ScriptStep& step) {
  pellor::TCustomForm* form = nullptr;
  if (step.words[0].empty()) {
    form = &InputWindow(step);
  } else {
    form = FindWindow(step.words[0]);
    if (form == nullptr || !form->Visible()) Fail(step, "no open window " + step.words[0]);
  }
  Deliver([&] { form->Close(); });
}

void ScriptRunner::Snapshot(const ScriptStep& step) {
  std::string json = SnapshotJson(platform_.Shown());
  const std::string& file = step.words[0];
  if (file.empty()) {
    std::fputs(json.c_str(), out_);
    std::fflush(out_);
    return;
  }
  std::ofstream stream(file, std::ios::binary | std::ios::trunc);
  stream << json;
  stream.close();
  if (!stream) Fail(step, "cannot write the snapshot to " + file + ": " + std::strerror(errno));
}

void ScriptRunner::ExpectProperty(const ScriptStep& step) {
  pellor::TComponent& component = Resolve(step, step.words[0]);
  const std::string& property = step.words[1];
  std::string actual;
  if (pellor::IsPublishedProp(component, property)) {
    try {
      actual = ToUtf8(pellor::GetPropText(component, property), CodePageOf(component));
    } catch (const std::exception& error) {
      Fail(step, error.what());
    }
  } else if (std::optional<std::string> state = StateText(component, property)) {
    actual = *state;
  } else {
    Fail(step, NameOf(component) + " (" + component.ClassName() + ") has no published property or state " +
                   property);
  }
  if (actual != step.words[2]) {
    Fail(step, step.words[0] + "." + property + " is " + Quoted(actual) + ", expected " +
                   Quoted(step.words[2]));
  }
}

void ScriptRunner::ExpectCell(const ScriptStep& step) {
  auto& grid = ResolveAs<pellor::TCustomGrid>(step, step.words[0], "a grid");
  if (step.col >= grid.ColCount() || step.row >= grid.RowCount()) {
    Fail(step, NameOf(grid) + " has no cell (" + std::to_string(step.col) + ", " +
                   std::to_string(step.row) + ")");
  }
  std::optional<std::string> text = GridCellText(grid, step.col, step.row);
  if (!text.has_value()) Fail(step, NameOf(grid) + " shows no texts of its own");
  std::string actual = ToUtf8(*text, CodePageOf(grid));
  if (actual != step.words[3]) {
    Fail(step, "cell (" + std::to_string(step.col) + ", " + std::to_string(step.row) + ") of " +
                   NameOf(grid) + " is " + Quoted(actual) + ", expected " + Quoted(step.words[3]));
  }
}

void ScriptRunner::ExpectDialog(const ScriptStep& step, bool none) {
  const std::vector<ShownDialog>& shown = platform_.Shown();
  if (none) {
    if (dialogsExpected_ < shown.size()) {
      const pellor::MessageDialogRequest& request = shown[dialogsExpected_].request;
      Fail(step, "a dialog no expect checked was shown: " + Quoted(ToUtf8(request.text, CodePageOf(request))));
    }
    return;
  }
  if (dialogsExpected_ >= shown.size()) {
    Fail(step, "no further dialog was shown; expected " + Quoted(step.words[0]));
  }
  const pellor::MessageDialogRequest& request = shown[dialogsExpected_++].request;
  std::string actual = ToUtf8(request.text, CodePageOf(request));
  if (actual != step.words[0]) {
    Fail(step, "dialog " + std::to_string(dialogsExpected_) + " said " + Quoted(actual) + ", expected " +
                   Quoted(step.words[0]));
  }
}

void ScriptRunner::ExpectWindow(const ScriptStep& step) {
  pellor::TCustomForm& form = InputWindow(step);
  if (!form.ModalWindowIs(step.words[0])) {
    Fail(step, "the window with the input is " + NameOf(form) + ", expected " + step.words[0]);
  }
}

}  // namespace tamlo
