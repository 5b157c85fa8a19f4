#include "suite/lookup/characters_window.h"

#include <algorithm>

#include "platform/rtl/codepage.h"
#include "platform/rtl/stringlist.h"
#include "suite/lookup/window_text.h"

namespace suite::lookup {

PELLOR_DEFINE_CLASS(TfrmCharacters, pellor::TForm);

namespace {

constexpr int kColumns = 10;

struct CharacterGroup {
  const char* name;        // UTF-8
  const char* characters;  // UTF-8, one character each
};

constexpr CharacterGroup kGroups[kCharacterGroupCount] = {
    {"标点符号", "，。、；：？！…—·ˉˇ¨‘’“”〃々～‖∶＂＇｀｜〔〕〈〉《》「」『』．〖〗【】（）［］｛｝"},
    {"特殊符号", "§№☆★○●◎◇◆□■△▲※→←↑↓〓＃＆＠＼＾＿￣‰°′″℃＄￠￡￥¤"},
    {"数学符号", "＋－×÷±∧∨∑∏∪∩∈∷√⊥∥∠⌒⊙∫∮≡≌≈∽∝≠≮≯≤≥∞∵∴♂♀"},
    {"序号", "ⅠⅡⅢⅣⅤⅥⅦⅧⅨⅩⅪⅫⅰⅱⅲⅳⅴⅵⅶⅷⅸⅹ①②③④⑤⑥⑦⑧⑨⑩⑴⑵⑶⑷⑸⑹⑺⑻⑼⑽⒈⒉⒊⒋⒌⒍⒎⒏⒐⒑㈠㈡㈢㈣㈤㈥㈦㈧㈨㈩"},
    {"希腊字母", "ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩαβγδεζηθικλμνξοπρστυφχψω"},
    {"单位符号", "℃℉㎎㎏㎜㎝㎞㎡㏄㏎㏑㏒㏕°′″‰％￥＄￡"},
    {"制表符", "─━│┃┄┅┆┇┈┉┊┋┌┍┎┏┐┑┒┓└┕┖┗┘┙┚┛├┝┞┟┠┡┢┣┤┥┦┧┨┩┪┫┬┭┮┯┰┱┲┳┴┵┶┷┸┹┺┻┼┽┾┿╀╁╂╃╄╅╆╇╈╉╊╋"},
};

// The characters of a group that `codePage` holds, each as its bytes there.
std::vector<std::string> GroupCharacters(int group, int codePage) {
  std::vector<std::string> result;
  for (char16_t c : pellor::Utf8ToWide(kGroups[group].characters)) {
    if (std::optional<std::string> bytes = pellor::TryWideToAnsi(std::u16string(1, c), codePage)) {
      result.push_back(*bytes);
    }
  }
  return result;
}

}  // namespace

TfrmCharacters::TfrmCharacters(pellor::TComponent* owner) : TForm(owner), codePage_(pellor::kCodePageGB) {
  using namespace pellor;
  SetName("frmCharacters");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(300);
  SetClientHeight(330);

  cboGroup = TComponent::Create<TComboBox>(this);
  cboGroup->SetName("cboGroup");
  cboGroup->SetParent(this);
  cboGroup->SetBounds(8, 8, 284, 21);
  cboGroup->SetStyle(csDropDownList);

  gdChars = TComponent::Create<TStringGrid>(this);
  gdChars->SetName("gdChars");
  gdChars->SetParent(this);
  gdChars->SetBounds(8, 36, 284, 220);
  gdChars->SetFixedRows(0);
  gdChars->SetFixedCols(0);
  gdChars->SetColCount(kColumns);
  gdChars->SetDefaultColWidth(27);
  gdChars->SetDefaultRowHeight(24);
  gdChars->SetOptions({goVertLine, goHorzLine});

  edChars = TComponent::Create<TEdit>(this);
  edChars->SetName("edChars");
  edChars->SetParent(this);
  edChars->SetBounds(8, 264, 284, 21);
  edChars->SetText("");

  btnOK = TComponent::Create<TButton>(this);
  btnOK->SetName("btnOK");
  btnOK->SetParent(this);
  btnOK->SetBounds(136, 296, 75, 25);
  btnOK->SetDefault(true);
  btnOK->SetModalResult(kModalOk);

  btnCancel = TComponent::Create<TButton>(this);
  btnCancel->SetName("btnCancel");
  btnCancel->SetParent(this);
  btnCancel->SetBounds(217, 296, 75, 25);
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(kModalCancel);

  SetCodePage(codePage_);
  SetActiveControl(gdChars);

  cboGroup->OnChange = [this](TObject*) { FillGrid(); };
  gdChars->OnDblClick = [this](TObject*) { PickCurrent(); };
  gdChars->OnKeyPress = [this](TObject*, char& key) {
    if (key == ' ') {
      PickCurrent();
      key = 0;
    }
  };
  btnOK->OnClick = [this](TObject*) {
    if (Answer().empty()) {
      CurrentPlatform().Beep();
      SetModalResult(kModalNone);
    }
  };
}

void TfrmCharacters::SetCodePage(int codePage) {
  codePage_ = codePage;
  SetWindowCodePage(*this, codePage);
  SetCaption(WindowText("特殊字符", codePage));
  btnOK->SetCaption(WindowText("确定", codePage));
  btnCancel->SetCaption(WindowText("取消", codePage));
  const int group = std::max(cboGroup->ItemIndex(), 0);
  pellor::TStringList names;
  for (const CharacterGroup& g : kGroups) names.Add(WindowText(g.name, codePage));
  cboGroup->SetItems(names);
  cboGroup->SetItemIndex(group);
  FillGrid();
}

void TfrmCharacters::SetGroup(int group) {
  cboGroup->SetItemIndex(group >= 1 && group <= kCharacterGroupCount ? group - 1 : 0);
  FillGrid();
}

void TfrmCharacters::FillGrid() {
  const std::vector<std::string> characters = GroupCharacters(std::max(cboGroup->ItemIndex(), 0), codePage_);
  const int rows = std::max<int>(1, (static_cast<int>(characters.size()) + kColumns - 1) / kColumns);
  gdChars->SetRowCount(rows);
  for (int i = 0; i < rows * kColumns; ++i) {
    gdChars->SetCells(i % kColumns, i / kColumns, i < static_cast<int>(characters.size()) ? characters[i] : "");
  }
  gdChars->FocusCell(0, 0);
}

std::string TfrmCharacters::CurrentCharacter() const { return gdChars->Cells(gdChars->Col(), gdChars->Row()); }

void TfrmCharacters::PickCurrent() {
  const std::string character = CurrentCharacter();
  if (character.empty()) return;
  if (collect_) {
    edChars->SetText(edChars->Text() + character);
  } else {
    edChars->SetText(character);
    btnOK->Click();
  }
}

std::string TfrmCharacters::Answer() const {
  return edChars->Text().empty() ? CurrentCharacter() : edChars->Text();
}

}  // namespace suite::lookup
