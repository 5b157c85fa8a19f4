#include "host/script_snapshot.h"

#include <cstdio>

#include "platform/rtl/codepage.h"
#include <charconv>

#include "platform/rtl/strutils.h"
#include "platform/ui/buttons.h"
#include "platform/ui/comctrls_pages.h"
#include "platform/ui/comctrls_views.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/properties.h"
#include "platform/ui/statusbar.h"
#include "platform/ui/stdctrls.h"
#include "platform/ui/toolbar.h"

namespace tamlo {
namespace {

int CodePageOfFontCharset(int charset) {
  return charset == pellor::kCharsetBig5 ? pellor::kCodePageBig5 : pellor::kCodePageGB;
}

// Builds one JSON object member by member; values are already JSON.
class JsonObject {
 public:
  JsonObject& Add(std::string_view key, const std::string& json) {
    text_ += text_.empty() ? "{" : ", ";
    text_ += JsonString(key) + ": " + json;
    return *this;
  }
  JsonObject& Text(std::string_view key, std::string_view utf8) { return Add(key, JsonString(utf8)); }
  JsonObject& Bool(std::string_view key, bool value) { return Add(key, value ? "true" : "false"); }
  JsonObject& Int(std::string_view key, long long value) { return Add(key, std::to_string(value)); }
  std::string Done() const { return text_.empty() ? "{}" : text_ + "}"; }

 private:
  std::string text_;
};

std::string JsonArray(const std::vector<std::string>& items) {
  std::string text = "[";
  for (size_t i = 0; i < items.size(); ++i) text += (i == 0 ? "" : ", ") + items[i];
  return text + "]";
}

std::string JsonTexts(const std::vector<std::string>& utf8) {
  std::vector<std::string> items;
  for (const std::string& text : utf8) items.push_back(JsonString(text));
  return JsonArray(items);
}

bool Published(const pellor::TComponent& component, std::string_view name) {
  return pellor::FindPropInfo(component, name) != nullptr;
}

std::vector<std::string> Utf8Lines(const pellor::TStringList& lines, int codePage) {
  std::vector<std::string> texts;
  for (int i = 0; i < lines.Count(); ++i) texts.push_back(ToUtf8(lines[i], codePage));
  return texts;
}

// "Name[N]" read as N; nullopt for another name or no number from 0.
std::optional<int> IndexedName(std::string_view text, std::string_view name) {
  if (text.size() < name.size() + 3 || !pellor::SameText(text.substr(0, name.size()), name) ||
      text[name.size()] != '[' || text.back() != ']') {
    return std::nullopt;
  }
  std::string_view digits = text.substr(name.size() + 1, text.size() - name.size() - 2);
  int value = -1;
  auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || ptr != digits.data() + digits.size() || value < 0) return std::nullopt;
  return value;
}

// The captions of a page control's visible tabs, in tab order.
std::vector<std::string> TabCaptions(const pellor::TPageControl& pages) {
  std::vector<std::string> captions;
  for (int i = 0; i < pages.TabCount(); ++i) {
    captions.push_back(ToUtf8(pages.PageForTab(i)->Caption(), CodePageOf(*pages.PageForTab(i))));
  }
  return captions;
}

std::vector<std::string> PanelTexts(const pellor::TStatusBar& bar) {
  std::vector<std::string> texts;
  for (int i = 0; i < bar.Panels().Count(); ++i) {
    texts.push_back(ToUtf8(bar.Panels().Items(i)->Text(), CodePageOf(bar)));
  }
  return texts;
}

std::string DescribeListItems(const pellor::TListView& view, int codePage) {
  std::vector<std::string> items;
  for (int i = 0; i < view.Items().Count(); ++i) {
    const pellor::TListItem& item = *view.Items().Item(i);
    JsonObject json;
    json.Text("caption", ToUtf8(item.Caption(), codePage));
    json.Add("subItems", JsonTexts(Utf8Lines(item.SubItems(), codePage)));
    json.Bool("selected", item.Selected());
    items.push_back(json.Done());
  }
  return JsonArray(items);
}

std::string DescribeNodes(const pellor::TTreeView& view, int codePage) {
  std::vector<std::string> nodes;
  for (int i = 0; i < view.Items().Count(); ++i) {
    const pellor::TTreeNode& node = *view.Items().Item(i);
    JsonObject json;
    json.Text("text", ToUtf8(node.Text(), codePage)).Int("level", node.Level());
    json.Bool("expanded", node.Expanded()).Bool("selected", node.Selected());
    nodes.push_back(json.Done());
  }
  return JsonArray(nodes);
}

void DescribeGrid(pellor::TCustomGrid& grid, int codePage, JsonObject& json) {
  json.Int("col", grid.Col()).Int("row", grid.Row());
  json.Int("colCount", grid.ColCount()).Int("rowCount", grid.RowCount());
  if (!GridCellText(grid, 0, 0).has_value()) return;
  std::vector<std::string> rows;
  for (int row = 0; row < grid.RowCount(); ++row) {
    std::vector<std::string> cells;
    for (int col = 0; col < grid.ColCount(); ++col) {
      cells.push_back(JsonString(ToUtf8(*GridCellText(grid, col, row), codePage)));
    }
    rows.push_back(JsonArray(cells));
  }
  json.Add("rows", JsonArray(rows));
}

std::string DescribeComponent(pellor::TComponent& component) {
  const int codePage = CodePageOf(component);
  JsonObject json;
  json.Text("name", component.Name()).Text("class", component.ClassName());
  auto* control = dynamic_cast<pellor::TControl*>(&component);
  auto* item = dynamic_cast<pellor::TMenuItem*>(&component);
  if (control != nullptr && control->Parent() != nullptr) {
    json.Text("parent", control->Parent()->Name());
  }
  if (Published(component, "Caption")) {
    json.Text("caption", ToUtf8(pellor::GetPropText(component, "Caption"), codePage));
  }
  auto* combo = dynamic_cast<pellor::TCustomComboBox*>(&component);
  if (dynamic_cast<pellor::TCustomEdit*>(&component) != nullptr || combo != nullptr) {
    json.Text("text", ToUtf8(control->Text(), codePage));
  } else if (Published(component, "Text")) {
    json.Text("text", ToUtf8(pellor::GetPropText(component, "Text"), codePage));
  }
  if (Published(component, "Checked")) {
    json.Bool("checked", pellor::GetPropValue(component, "Checked").AsBoolean());
  }
  if (auto* box = dynamic_cast<pellor::TCustomCheckBox*>(&component)) {
    json.Text("state", pellor::kCheckBoxStateNames[box->State()]);
  }
  if (Published(component, "Down")) json.Bool("down", pellor::GetPropValue(component, "Down").AsBoolean());
  if (dynamic_cast<pellor::TCustomComboBox*>(&component) != nullptr ||
      dynamic_cast<pellor::TCustomListBox*>(&component) != nullptr ||
      dynamic_cast<pellor::TRadioGroup*>(&component) != nullptr) {
    json.Add("items", JsonTexts(*ItemTexts(component)));
    json.Int("itemIndex", ChosenItem(component));
  }
  if (auto* view = dynamic_cast<pellor::TListView*>(&component)) {
    json.Add("listItems", DescribeListItems(*view, codePage));
  }
  if (auto* tree = dynamic_cast<pellor::TTreeView*>(&component)) json.Add("nodes", DescribeNodes(*tree, codePage));
  if (auto* pages = dynamic_cast<pellor::TPageControl*>(&component)) {
    json.Add("activePage",
             pages->ActivePage() != nullptr ? JsonString(pages->ActivePage()->Name()) : "null");
    json.Add("tabs", JsonTexts(TabCaptions(*pages)));
  }
  if (auto* bar = dynamic_cast<pellor::TStatusBar*>(&component)) {
    json.Add("panels", JsonTexts(PanelTexts(*bar)));
    json.Bool("simplePanel", bar->SimplePanel());
    if (bar->SimplePanel()) json.Text("simpleText", ToUtf8(bar->SimpleText(), codePage));
  }
  if (auto* grid = dynamic_cast<pellor::TCustomGrid*>(&component)) DescribeGrid(*grid, codePage, json);
  if (control != nullptr) {
    json.Bool("visible", control->Visible()).Bool("enabled", control->Enabled());
  } else if (item != nullptr) {
    json.Bool("visible", item->Visible()).Bool("enabled", item->Enabled());
  }
  if (Published(component, "ReadOnly")) {
    json.Bool("readOnly", pellor::GetPropValue(component, "ReadOnly").AsBoolean());
  }
  if (auto* windowed = dynamic_cast<pellor::TWinControl*>(&component)) {
    json.Bool("focused", pellor::Focused(windowed));
  }
  // A hint is what a user reads when the mouse rests on the control.
  if (Published(component, "Hint")) {
    std::string hint = pellor::GetPropText(component, "Hint");
    if (!hint.empty()) {
      json.Text("hint", ToUtf8(hint, codePage));
      if (control != nullptr) json.Bool("showHint", control->ShowHint());
    }
  }
  if (Published(component, "Color")) json.Text("color", pellor::GetPropText(component, "Color"));
  if (Published(component, "Font")) {
    json.Text("fontColor", pellor::GetPropText(component, "Font.Color"));
  }
  return json.Done();
}

void CollectComponents(pellor::TComponent& owner, std::vector<std::string>& out) {
  for (int i = 0; i < owner.ComponentCount(); ++i) {
    pellor::TComponent* component = owner.Components(i);
    // A form owned by another form is a window of its own.
    if (dynamic_cast<pellor::TCustomForm*>(component) != nullptr) continue;
    // A menu's root item is the menu itself to a user.
    auto* item = dynamic_cast<pellor::TMenuItem*>(component);
    if (item == nullptr || item->Parent() != nullptr || item->GetParentMenu() == nullptr) {
      out.push_back(DescribeComponent(*component));
    }
    CollectComponents(*component, out);
  }
}

std::string DescribeWindow(pellor::TCustomForm& form) {
  const int codePage = CodePageOf(form);
  JsonObject json;
  json.Text("name", form.Name()).Text("class", form.ClassName());
  json.Text("caption", ToUtf8(form.Caption(), codePage));
  json.Bool("active", form.Active()).Bool("modal", form.ModalShowing());
  json.Bool("enabled", form.Enabled());
  pellor::TWinControl* focused = form.ActiveControl();
  json.Add("activeControl", focused != nullptr ? JsonString(focused->Name()) : "null");
  std::vector<std::string> components;
  CollectComponents(form, components);
  std::string list = "[";
  for (size_t i = 0; i < components.size(); ++i) {
    list += (i == 0 ? "\n      " : ",\n      ") + components[i];
  }
  list += components.empty() ? "]" : "\n    ]";
  json.Add("components", list);
  return json.Done();
}

std::string AnswerName(int answer) {
  for (const char* name : pellor::kDialogButtonNames) {
    if (pellor::ModalResultOfButton(name) == answer && answer != pellor::kModalNone) return name;
  }
  return answer == pellor::kModalNone ? "Help" : std::to_string(answer);
}

std::string DescribeDialog(const ShownDialog& dialog) {
  const pellor::MessageDialogRequest& request = dialog.request;
  const int codePage = CodePageOf(request);
  JsonObject json;
  json.Text("kind", pellor::DialogKindName(request.kind));
  json.Text("caption", ToUtf8(request.caption, codePage));
  json.Text("text", ToUtf8(request.text, codePage));
  std::vector<std::string> buttons;
  for (const pellor::DialogButton& button : request.buttons) buttons.push_back(JsonString(button.name));
  json.Add("buttons", JsonArray(buttons));
  json.Add("default", request.defaultButton.empty() ? "null" : JsonString(request.defaultButton));
  json.Text("answer", AnswerName(dialog.answer));
  return json.Done();
}

}  // namespace

int CodePageOf(const pellor::TComponent& component) {
  if (auto* control = dynamic_cast<const pellor::TControl*>(&component)) {
    return CodePageOfFontCharset(control->Font()->Charset());
  }
  return pellor::kCodePageGB;
}

int CodePageOf(const pellor::MessageDialogRequest& dialog) {
  return CodePageOfFontCharset(dialog.fontCharset);
}

std::string ToUtf8(std::string_view text, int codePage) {
  return pellor::WideToUtf8(pellor::AnsiToWide(text, codePage));
}

std::optional<std::string> FromUtf8(std::string_view utf8, int codePage) {
  return pellor::TryWideToAnsi(pellor::Utf8ToWide(utf8), codePage);
}

std::string JsonString(std::string_view utf8) {
  // Going through UTF-16 and back replaces invalid bytes, so that whatever
  // a program holds never breaks the document.
  std::string text = pellor::WideToUtf8(pellor::Utf8ToWide(utf8));
  std::string out = "\"";
  for (unsigned char ch : text) {
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (ch < 0x20 || ch == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", ch);
          out += escaped;
        } else {
          out += static_cast<char>(ch);
        }
    }
  }
  return out + "\"";
}

std::optional<std::string> GridCellText(const pellor::TCustomGrid& grid, int col, int row) {
  if (auto* strings = dynamic_cast<const pellor::TStringGrid*>(&grid)) return strings->Cells(col, row);
  return std::nullopt;
}

std::optional<std::vector<std::string>> ItemTexts(const pellor::TComponent& component) {
  const int codePage = CodePageOf(component);
  if (auto* combo = dynamic_cast<const pellor::TCustomComboBox*>(&component)) {
    return Utf8Lines(combo->Items(), codePage);
  }
  if (auto* list = dynamic_cast<const pellor::TCustomListBox*>(&component)) {
    return Utf8Lines(list->Items(), codePage);
  }
  if (auto* group = dynamic_cast<const pellor::TRadioGroup*>(&component)) {
    return Utf8Lines(group->Items(), codePage);
  }
  std::vector<std::string> texts;
  if (auto* view = dynamic_cast<const pellor::TListView*>(&component)) {
    for (int i = 0; i < view->Items().Count(); ++i) texts.push_back(ToUtf8(view->Items().Item(i)->Caption(), codePage));
    return texts;
  }
  if (auto* tree = dynamic_cast<const pellor::TTreeView*>(&component)) {
    for (int i = 0; i < tree->Items().Count(); ++i) texts.push_back(ToUtf8(tree->Items().Item(i)->Text(), codePage));
    return texts;
  }
  if (auto* grid = dynamic_cast<const pellor::TStringAlignGrid*>(&component)) {
    if (const pellor::TStringList* lines = grid->PickList(grid->Col(), grid->Row())) {
      // A line is "display TAB value"; the user sees the display part.
      for (int i = 0; i < lines->Count(); ++i) {
        const std::string& line = (*lines)[i];
        texts.push_back(ToUtf8(line.substr(0, line.find('\t')), codePage));
      }
    }
    return texts;
  }
  return std::nullopt;
}

int ChosenItem(const pellor::TComponent& component) {
  if (auto* combo = dynamic_cast<const pellor::TCustomComboBox*>(&component)) return combo->ItemIndex();
  if (auto* list = dynamic_cast<const pellor::TCustomListBox*>(&component)) return list->ItemIndex();
  if (auto* group = dynamic_cast<const pellor::TRadioGroup*>(&component)) return group->ItemIndex();
  if (auto* view = dynamic_cast<const pellor::TListView*>(&component)) {
    return view->Selected() != nullptr ? view->Selected()->Index() : -1;
  }
  if (auto* tree = dynamic_cast<const pellor::TTreeView*>(&component)) {
    return tree->Selected() != nullptr ? tree->Selected()->AbsoluteIndex() : -1;
  }
  if (auto* grid = dynamic_cast<const pellor::TStringAlignGrid*>(&component)) {
    // The cell shows the display part of the line it holds.
    std::optional<std::vector<std::string>> items = ItemTexts(component);
    const std::string shown = ToUtf8(grid->Cells(grid->Col(), grid->Row()), CodePageOf(component));
    for (size_t i = 0; i < items->size(); ++i) {
      if ((*items)[i] == shown) return static_cast<int>(i);
    }
  }
  return -1;
}

std::optional<std::string> StateText(const pellor::TComponent& component, std::string_view name) {
  if (auto* control = dynamic_cast<const pellor::TWinControl*>(&component);
      control != nullptr && pellor::SameText(name, "Focused")) {
    return pellor::Focused(control) ? "True" : "False";
  }
  if (auto* grid = dynamic_cast<const pellor::TCustomGrid*>(&component)) {
    if (pellor::SameText(name, "Col")) return std::to_string(grid->Col());
    if (pellor::SameText(name, "Row")) return std::to_string(grid->Row());
  }
  if (std::optional<std::vector<std::string>> items = ItemTexts(component)) {
    if (pellor::SameText(name, "ItemCount")) return std::to_string(items->size());
    if (pellor::SameText(name, "ItemText")) {
      const int chosen = ChosenItem(component);
      return chosen >= 0 ? (*items)[chosen] : "";
    }
    if (std::optional<int> index = IndexedName(name, "Items"); index && *index < static_cast<int>(items->size())) {
      return (*items)[*index];
    }
  }
  if (auto* bar = dynamic_cast<const pellor::TStatusBar*>(&component)) {
    std::vector<std::string> panels = PanelTexts(*bar);
    if (pellor::SameText(name, "PanelCount")) return std::to_string(panels.size());
    if (std::optional<int> index = IndexedName(name, "Panels"); index && *index < static_cast<int>(panels.size())) {
      return panels[*index];
    }
  }
  if (auto* pages = dynamic_cast<const pellor::TPageControl*>(&component)) {
    std::vector<std::string> tabs = TabCaptions(*pages);
    if (pellor::SameText(name, "TabCount")) return std::to_string(tabs.size());
    if (std::optional<int> index = IndexedName(name, "Tabs"); index && *index < static_cast<int>(tabs.size())) {
      return tabs[*index];
    }
  }
  return std::nullopt;
}

std::string SnapshotJson(const std::vector<ShownDialog>& dialogs) {
  pellor::TScreen& screen = pellor::Screen();
  std::string windows;
  for (int i = 0; i < screen.FormCount(); ++i) {
    pellor::TCustomForm* form = screen.Forms(i);
    if (!form->Visible()) continue;
    windows += (windows.empty() ? "\n    " : ",\n    ") + DescribeWindow(*form);
  }
  std::string shown;
  for (const ShownDialog& dialog : dialogs) {
    shown += (shown.empty() ? "\n    " : ",\n    ") + DescribeDialog(dialog);
  }
  return "{\n  \"windows\": [" + windows + (windows.empty() ? "]" : "\n  ]") + ",\n  \"dialogs\": [" +
         shown + (shown.empty() ? "]" : "\n  ]") + "\n}\n";
}

}  // namespace tamlo
