// The pick window of a look-up (F2GetData): a list of rows to choose from.
//
// Form "frmF2Pick" (class TfrmF2Pick); its controls, by name:
//   lblFind    TLabel       "查找"
//   edFind     TEdit        what to look for: the list keeps the rows holding
//                           it in any column (letter case of ASCII ignored);
//                           Up and Down move through the list meanwhile
//   gdPick     TStringGrid  the rows: row 0 the column titles, column 0 the
//                           marks; a double click takes the current row
//   btnOK      TButton      default button: answers the marked rows, or the
//                           current row when none is marked
//   btnCancel  TButton      cancel button: closes without a choice
// When several rows may be chosen, Space on gdPick marks or unmarks the
// current row ("*" in column 0). OK with no row to take beeps and keeps the
// window open.
//
// Texts are bytes in the window's code page (SetCodePage), which is the code
// page of the program that asked.
#ifndef PELLOR_SUITE_LOOKUP_PICK_WINDOW_H_
#define PELLOR_SUITE_LOOKUP_PICK_WINDOW_H_

#include <set>
#include <string>
#include <vector>

#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/stdctrls.h"

namespace suite::lookup {

class TfrmF2Pick : public pellor::TForm {
  PELLOR_CLASS(TfrmF2Pick);

 public:
  explicit TfrmF2Pick(pellor::TComponent* owner);

  // The code page of every text below; sets the font's character set.
  void SetCodePage(int codePage);
  void SetTitles(const std::vector<std::string>& titles);
  // The rows, each with one text per title; shown in this order.
  void SetRows(std::vector<std::vector<std::string>> rows);
  void SetMultiSelect(bool multiSelect) { multiSelect_ = multiSelect; }
  bool MultiSelect() const { return multiSelect_; }

  // Indices (into the rows given) of the rows the list shows, in order.
  const std::vector<int>& ShownRows() const { return shown_; }
  // What OK answers: the marked rows in the order given, else the current
  // row; empty when the list is empty.
  std::vector<int> ChosenRows() const;
  // Marks or unmarks the current row (multi-select only); false when there
  // is none or marking is off.
  bool ToggleMark();

  pellor::TLabel* lblFind;
  pellor::TEdit* edFind;
  pellor::TStringGrid* gdPick;
  pellor::TButton* btnOK;
  pellor::TButton* btnCancel;

 private:
  void Refilter();
  void ShowMark(int gridRow);
  int CurrentRow() const;  // index into rows_, or -1

  int codePage_;
  std::vector<std::string> titles_;
  std::vector<std::vector<std::string>> rows_;
  std::vector<std::u16string> searchText_;  // per row: its cells, lower-cased
  std::vector<int> shown_;
  std::set<int> marked_;
  bool multiSelect_ = false;
};

}  // namespace suite::lookup

#endif  // PELLOR_SUITE_LOOKUP_PICK_WINDOW_H_
