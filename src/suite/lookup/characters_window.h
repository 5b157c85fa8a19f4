// The character window (ShowCharaters): punctuation, symbols,
// numbering, Greek letters, units and box drawing that a keyboard does not
// offer.
//
// Form "frmCharacters" (class TfrmCharacters); its controls, by name:
//   cboGroup   TComboBox    the groups, numbered from 1 in this order:
//                           1 标点符号 punctuation, 2 特殊符号 symbols,
//                           3 数学符号 mathematics, 4 序号 numbering,
//                           5 希腊字母 Greek, 6 单位符号 units, 7 制表符
//                           box drawing
//   gdChars    TStringGrid  the characters of the group, ten to a row; a
//                           double click or Space picks the current one
//   edChars    TEdit        what OK answers
//   btnOK      TButton      default button: answers edChars, or the current
//                           character when edChars is empty
//   btnCancel  TButton      cancel button
// Picking a character puts it into edChars and closes the window, or, when
// the window collects (SetCollect), adds it to edChars and stays open.
// Only characters the window's code page holds are offered.
#ifndef PELLOR_SUITE_LOOKUP_CHARACTERS_WINDOW_H_
#define PELLOR_SUITE_LOOKUP_CHARACTERS_WINDOW_H_

#include <string>
#include <vector>

#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/stdctrls.h"

namespace suite::lookup {

inline constexpr int kCharacterGroupCount = 7;

class TfrmCharacters : public pellor::TForm {
  PELLOR_CLASS(TfrmCharacters);

 public:
  explicit TfrmCharacters(pellor::TComponent* owner);

  // The code page of the texts; reloads the groups and their characters.
  void SetCodePage(int codePage);
  // Shows group `group` (1 .. kCharacterGroupCount; others show group 1).
  void SetGroup(int group);
  int Group() const { return cboGroup->ItemIndex() + 1; }
  void SetCollect(bool collect) { collect_ = collect; }
  // The character in the current cell ("" for a blank cell).
  std::string CurrentCharacter() const;
  // Picks the current character as described above.
  void PickCurrent();
  // What OK answers.
  std::string Answer() const;

  pellor::TComboBox* cboGroup;
  pellor::TStringGrid* gdChars;
  pellor::TEdit* edChars;
  pellor::TButton* btnOK;
  pellor::TButton* btnCancel;

 private:
  void FillGrid();

  int codePage_;
  bool collect_ = false;
};

}  // namespace suite::lookup

#endif  // PELLOR_SUITE_LOOKUP_CHARACTERS_WINDOW_H_
