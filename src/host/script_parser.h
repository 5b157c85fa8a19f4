// The script language of `tamlo --script`: parsing only.
//
// A script is UTF-8 text, one step a line. Blank lines and lines starting
// with "#" are skipped. A line is words separated by blanks; a word holding
// blanks is written in double quotes, inside which \" \\ \n \r and \t are
// escapes. The first word names the step (case ignored):
//
//   key KEY...               keys to the window with the input ("F2",
//                            "Ctrl+S", "Enter", "Shift+Tab", "Down" ...)
//   type [CONTROL] TEXT      types TEXT into CONTROL (focusing it first) or
//                            into the focused control
//   click NAME               clicks a control or a menu item
//   dblclick CONTROL         double-clicks a control where it stands (a
//                            grid on its current cell, a list on its item)
//   rightclick CONTROL       right-clicks a control: its pop-up menu opens
//   choose CONTROL ITEM      picks an item of a combo box, list box, radio
//                            group, list view, tree view or the current
//                            cell's pick list: ITEM is the item's text, or
//                            #N for the item at index N (from 0)
//   check CONTROL            ticks a check box (clicking it as often as
//   uncheck CONTROL          it takes), a radio button or a tool button
//   focus CONTROL            moves the focus to a control
//   page PAGECONTROL PAGE    clicks a tab: PAGE is a sheet's name or a tab index
//   cell GRID COL ROW        makes a grid cell current (COL, ROW from 0,
//                            fixed ones included)
//   row GRID ROW             makes a grid row current, keeping the column
//   answer BUTTON            the answer of the next message dialog ("Yes", "OK" ...)
//   popup ITEM               the choice in the next pop-up menu ("" dismisses it)
//   close [WINDOW]           closes the window with the input (or that one)
//   snapshot [FILE]          JSON state of the windows and dialogs, to
//                            standard output or to FILE
//   expect NAME PROPERTY VALUE        a published property's text, or a
//                                     state a user sees (StateText in
//                                     script_snapshot.h: Focused, Col,
//                                     Items[N], Panels[N], Tabs[N] ...)
//   expect cell GRID COL ROW VALUE    a grid cell's display text
//   expect dialog TEXT                the oldest dialog not yet expected
//   expect no dialog                  every dialog shown has been expected
//   expect window NAME                the window with the input
//
// A NAME is a component's name, searched on the window with the input, or
// "WINDOW.NAME" for a component of another open window.
#ifndef PELLOR_HOST_SCRIPT_PARSER_H_
#define PELLOR_HOST_SCRIPT_PARSER_H_

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tamlo {

// A script that cannot be read; the message starts with "FILE:LINE: ".
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class StepKind {
  kKey,
  kType,
  kClick,
  kDblClick,
  kRightClick,
  kChoose,
  kCheck,
  kUncheck,
  kFocus,
  kPage,
  kCell,
  kRow,
  kAnswer,
  kPopup,
  kClose,
  kSnapshot,
  kExpectProperty,
  kExpectCell,
  kExpectDialog,
  kExpectNoDialog,
  kExpectWindow,
};

// One key as the keyboard sends it: a virtual-key code with the modifiers
// (the shortcut bits: 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt).
struct KeyStroke {
  uint16_t key = 0;
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool operator==(const KeyStroke&) const = default;
};

struct ScriptStep {
  int line = 0;
  StepKind kind = StepKind::kKey;
  // The words after the step's name (after "expect cell" etc. for the
  // expectations), UTF-8 as written; empty strings where an optional word
  // was left out (type's control, close's window, snapshot's file).
  std::vector<std::string> words;
  std::vector<KeyStroke> keys;  // kKey
  int col = -1;                 // kCell, kExpectCell
  int row = -1;                 // kCell, kRow, kExpectCell
};

struct Script {
  std::string fileName;
  std::vector<ScriptStep> steps;
};

// Splits a line into words (see the top of this file). Raises ScriptError
// (without a location) for an unterminated quote or an unknown escape.
std::vector<std::string> SplitWords(std::string_view line);

// Parses a whole script. Every line is checked before anything runs, so a
// script with a typing error does nothing; the first bad line raises
// ScriptError "FILE:LINE: what is wrong".
Script ParseScript(std::string_view text, const std::string& fileName);

}  // namespace tamlo

#endif  // PELLOR_HOST_SCRIPT_PARSER_H_
