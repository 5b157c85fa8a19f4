#include "suite/lookup/calculator_window.h"

#include "platform/rtl/codepage.h"
#include "suite/lookup/calc_expression.h"
#include "suite/lookup/window_text.h"

namespace suite::lookup {

PELLOR_DEFINE_CLASS(TfrmCalculator, pellor::TForm);

namespace {

// What the user reads about a fault; `column` counts characters from 1.
std::string FaultText(CalcFault fault, size_t column) {
  switch (fault) {
    case CalcFault::kEmpty:
      return "请输入算式";
    case CalcFault::kUnexpectedChar:
      return "算式第" + std::to_string(column) + "个字符有误";
    case CalcFault::kUnexpectedEnd:
      return "算式不完整";
    case CalcFault::kMissingParen:
      return "缺少右括号";
    case CalcFault::kUnmatchedParen:
      return "多余的右括号";
    case CalcFault::kDivisionByZero:
      return "除数不能为零";
    case CalcFault::kTooDeep:
      return "括号嵌套过深";
    case CalcFault::kOutOfRange:
      return "数值超出范围";
  }
  return "算式有误";
}

}  // namespace

std::string CalculatorInput(std::string_view text, int codePage) {
  std::string result;
  for (char16_t c : pellor::AnsiToWide(text, codePage)) {
    if (c < 0x80) {
      result += static_cast<char>(c);
    } else if (c >= 0xFF01 && c <= 0xFF5E) {  // full-width forms of ASCII
      result += static_cast<char>(c - 0xFF01 + 0x21);
    } else if (c == 0x3000) {  // ideographic space
      result += ' ';
    } else if (c == 0x00D7) {
      result += '*';
    } else if (c == 0x00F7) {
      result += '/';
    } else {
      result += '?';
    }
  }
  return result;
}

TfrmCalculator::TfrmCalculator(pellor::TComponent* owner) : TForm(owner), codePage_(pellor::kCodePageGB) {
  using namespace pellor;
  SetName("frmCalculator");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(236);
  SetClientHeight(262);

  edExpr = TComponent::Create<TEdit>(this);
  edExpr->SetName("edExpr");
  edExpr->SetParent(this);
  edExpr->SetBounds(8, 8, 220, 21);
  edExpr->SetText("");

  lblResult = TComponent::Create<TLabel>(this);
  lblResult->SetName("lblResult");
  lblResult->SetParent(this);
  lblResult->SetBounds(8, 34, 220, 13);

  // A keypad of four columns: digits on the left, operators on the right.
  const char* keys[][4] = {{"7", "8", "9", "/"}, {"4", "5", "6", "*"}, {"1", "2", "3", "-"}, {"0", ".", "(", "+"}};
  auto nameOf = [](const std::string& key) -> std::string {
    if (key == "/") return "btnDiv";
    if (key == "*") return "btnMul";
    if (key == "-") return "btnSub";
    if (key == "+") return "btnAdd";
    if (key == ".") return "btnDot";
    if (key == "(") return "btnLeft";
    return "btn" + key;
  };
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      const std::string key = keys[row][col];
      TButton* button = AddButton(nameOf(key).c_str(), key, 8 + col * 56, 56 + row * 32);
      button->OnClick = [this, key](TObject*) { edExpr->SetText(edExpr->Text() + key); };
    }
  }
  TButton* btnRight = AddButton("btnRight", ")", 8, 184);
  btnRight->OnClick = [this](TObject*) { edExpr->SetText(edExpr->Text() + ")"); };
  TButton* btnBack = AddButton("btnBack", "<-", 64, 184);
  btnBack->OnClick = [this](TObject*) {
    std::string text = edExpr->Text();
    if (text.empty()) return;
    // The last character, which may take two bytes.
    size_t cut = 0;
    for (size_t i = 0; i < text.size();) {
      cut = i;
      i += pellor::IsLeadByte(static_cast<unsigned char>(text[i]), codePage_) && i + 1 < text.size() ? 2 : 1;
    }
    edExpr->SetText(text.substr(0, cut));
  };
  TButton* btnClear = AddButton("btnClear", "C", 120, 184);
  btnClear->OnClick = [this](TObject*) { edExpr->SetText(""); };
  btnEquals = AddButton("btnEquals", "=", 176, 184);
  btnEquals->OnClick = [this](TObject*) {
    if (std::optional<std::string> value = Value()) {
      edExpr->SetText(*value);
    } else {
      CurrentPlatform().Beep();
    }
  };

  btnOK = AddButton("btnOK", "", 72, 226);
  btnOK->SetTabStop(true);
  btnOK->SetDefault(true);
  btnOK->SetModalResult(kModalOk);
  btnOK->OnClick = [this](TObject*) {
    std::string error;
    if (!Value(&error)) {
      MessageDialogRequest request;
      request.kind = DialogKind::kError;
      request.text = error;
      request.buttons = {{"OK", WindowText("确定", codePage_)}};
      request.defaultButton = "OK";
      request.caption = Caption();
      request.fontName = Font()->Name();
      request.fontCharset = Font()->Charset();
      CurrentPlatform().MessageDialog(request);
      SetModalResult(kModalNone);
    }
  };
  btnCancel = AddButton("btnCancel", "", 156, 226);
  btnCancel->SetTabStop(true);
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(kModalCancel);

  SetCodePage(codePage_);
  SetActiveControl(edExpr);
  edExpr->OnChange = [this](TObject*) { ShowValue(); };
}

pellor::TButton* TfrmCalculator::AddButton(const char* name, const std::string& caption, int left, int top) {
  auto* button = pellor::TComponent::Create<pellor::TButton>(this);
  button->SetName(name);
  button->SetParent(this);
  button->SetBounds(left, top, 52, 28);
  button->SetCaption(caption);
  // The keypad leaves the focus in edExpr, so that Enter after a click is
  // still OK and typing goes on where it was.
  button->SetTabStop(false);
  return button;
}

void TfrmCalculator::SetCodePage(int codePage) {
  codePage_ = codePage;
  SetWindowCodePage(*this, codePage);
  SetCaption(WindowText("计算器", codePage));
  btnOK->SetCaption(WindowText("确定", codePage));
  btnCancel->SetCaption(WindowText("取消", codePage));
  btnOK->SetWidth(75);
  btnCancel->SetWidth(75);
  ShowValue();
}

std::optional<std::string> TfrmCalculator::Value(std::string* error) const {
  try {
    return FormatCalcValue(EvaluateExpression(CalculatorInput(edExpr->Text(), codePage_)));
  } catch (const ECalcError& e) {
    if (error != nullptr) *error = WindowText(FaultText(e.Fault(), e.Position() + 1), codePage_);
    return std::nullopt;
  }
}

void TfrmCalculator::ShowValue() {
  std::string error;
  std::optional<std::string> value = Value(&error);
  lblResult->SetCaption(value ? "= " + *value : error);
}

}  // namespace suite::lookup
