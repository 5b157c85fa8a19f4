#include "host/script_snapshot.h"

#include <cstdio>

#include "platform/rtl/codepage.h"
#include "platform/ui/comctrls_pages.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/properties.h"
#include "platform/ui/stdctrls.h"

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

bool Published(const pellor::TComponent& component, std::string_view name) {
  return pellor::FindPropInfo(component, name) != nullptr;
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
  auto* list = dynamic_cast<pellor::TCustomListBox*>(&component);
  if (combo != nullptr || list != nullptr) {
    const pellor::TStringList& items = combo != nullptr ? combo->Items() : list->Items();
    std::vector<std::string> texts;
    for (int i = 0; i < items.Count(); ++i) texts.push_back(JsonString(ToUtf8(items[i], codePage)));
    json.Add("items", JsonArray(texts));
    json.Int("itemIndex", combo != nullptr ? combo->ItemIndex() : list->ItemIndex());
  }
  if (auto* pages = dynamic_cast<pellor::TPageControl*>(&component)) {
    json.Add("activePage",
             pages->ActivePage() != nullptr ? JsonString(pages->ActivePage()->Name()) : "null");
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
