// What `tamlo --script` tells about the program's state: the texts of its
// controls as UTF-8, and a JSON snapshot of the open windows and of every
// message dialog shown.
//
// The program's texts are bytes in the code page of the control's font
// (Big5 for the Big5 character set, GB otherwise), a script's texts are
// UTF-8: conversions happen here and nowhere else in the host.
#ifndef PELLOR_HOST_SCRIPT_SNAPSHOT_H_
#define PELLOR_HOST_SCRIPT_SNAPSHOT_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/platform.h"

namespace pellor {
class TComponent;
class TCustomGrid;
}  // namespace pellor

namespace tamlo {

// The code page of a component's texts: 950 when it is a control whose font
// has the Big5 character set, otherwise 936.
int CodePageOf(const pellor::TComponent& component);
int CodePageOf(const pellor::MessageDialogRequest& dialog);

// Program text to UTF-8; an undecodable byte becomes U+FFFD.
std::string ToUtf8(std::string_view text, int codePage);
// UTF-8 to program text; nullopt when a character has no code in the code page.
std::optional<std::string> FromUtf8(std::string_view utf8, int codePage);

// A JSON string literal (quotes included) of UTF-8 text: quotes, backslashes
// and control characters escaped; invalid UTF-8 bytes become U+FFFD so the
// output is always valid JSON.
std::string JsonString(std::string_view utf8);

// The text a grid cell shows, in the program's code page; nullopt for a grid
// whose cells are not texts of its own.
std::optional<std::string> GridCellText(const pellor::TCustomGrid& grid, int col, int row);

// The items a control offers a user to choose from, as UTF-8 in the order
// shown: a combo box's, list box's or radio group's lines, a list view's
// captions, a tree view's node texts (depth first), and for a grid with pick
// lists the display parts of the current cell's list (empty when the cell
// has none). nullopt for a control without items.
std::optional<std::vector<std::string>> ItemTexts(const pellor::TComponent& component);
// The index of the chosen item among ItemTexts; -1 for none.
int ChosenItem(const pellor::TComponent& component);

// What a user sees of a component that no published property holds, under
// the names `expect` reads (UTF-8; nullopt when the name means nothing for
// the component):
//   Focused              True/False
//   Col, Row             a grid's current cell
//   ItemCount, Items[N]  the items (ItemTexts) and item N
//   ItemText             the chosen item's text ("" for none)
//   PanelCount, Panels[N]  a status bar's panels and the text of panel N
//   TabCount, Tabs[N]    a page control's visible tabs and tab N's caption
std::optional<std::string> StateText(const pellor::TComponent& component, std::string_view name);

// A message dialog the program showed, with the answer it got.
struct ShownDialog {
  pellor::MessageDialogRequest request;
  int answer = 0;
};

// The JSON snapshot: {"windows": [...], "dialogs": [...]}. Windows are the
// visible forms, front first, each with every component it owns (name,
// class, and where the class has them: caption, text, checked, state, down,
// items and item index, list items, tree nodes, active page and tabs,
// panels, grid cell and rows, visible, enabled, readOnly, focused, hint,
// color, fontColor); dialogs are every dialog shown, oldest first
// (kind, caption, text, buttons, default, answer). Ends with a line break.
std::string SnapshotJson(const std::vector<ShownDialog>& dialogs);

}  // namespace tamlo

#endif  // PELLOR_HOST_SCRIPT_SNAPSHOT_H_
