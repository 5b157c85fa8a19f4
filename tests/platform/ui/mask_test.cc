#include "platform/ui/mask.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/rtl/codepage.h"
#include "platform/ui/forms.h"
#include "platform/ui/platform.h"

namespace pellor {
namespace {

class MaskEditTest : public ::testing::Test {
 protected:
  TMaskEdit* Make(const std::string& mask) {
    auto* edit = TComponent::Create<TMaskEdit>(form.get());
    edit->SetParent(form.get());
    edit->Font()->SetCharset(GB2312_CHARSET);
    edit->SetEditMask(mask);
    return edit;
  }
  THeadlessPlatform platform;
  ScopedPlatform scoped{platform};
  TFormPtr<TForm> form = TCustomForm::CreateUnowned<TForm>();
};

TEST_F(MaskEditTest, TypingFollowsTheMask) {
  struct Case {
    const char* mask;
    std::string typed;
    std::string editText;
    std::string text;
    bool allTaken;
  };
  const Case cases[] = {
      {"9999/99/99;1; ", "20080501", "2008/05/01", "2008/05/01", true},
      {"9999/99/99;0; ", "20080501", "2008/05/01", "20080501", true},
      {"9999/99/99;1; ", "2008/5/1", "2008/5 /1 ", "2008/5 /1 ", true},
      {"99:99;1;_", "1x2", "12:__", "12:  ", false},          // x refused
      {">LL-00;0;_", "ab12", "AB-12", "AB12", true},
      {"00;1;_", "1234", "12", "12", false},                  // no position left
      {"CC;1;_", Cp936("中"), "__", "  ", false},             // a position holds one byte
      {"", "free text", "free text", "free text", true},      // no mask: a plain edit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mask) + " <- " + c.typed);
    TMaskEdit* edit = Make(c.mask);
    const int beeps = platform.BeepCount();
    EXPECT_EQ(edit->TypeText(c.typed), c.allTaken);
    EXPECT_EQ(edit->EditText(), c.editText);
    EXPECT_EQ(edit->Text(), c.text);
    EXPECT_EQ(platform.BeepCount() > beeps, !c.allTaken);
    delete edit;
  }
}

TEST_F(MaskEditTest, DeletingUnfillsPositionsAndNothingShifts) {
  TMaskEdit* edit = Make("9999/99/99;1;_");
  edit->SetText("20080501");
  EXPECT_EQ(edit->EditText(), "2008/05/01");
  edit->SetSelStart(5);  // after the first "/"
  edit->TypeText("\b");  // backspace skips the literal
  EXPECT_EQ(edit->EditText(), "200_/05/01");
  EXPECT_EQ(edit->SelStart(), 3);
  uint16_t key = VK_DELETE;
  edit->SetSelStart(5);
  edit->SetSelLength(3);
  edit->HandleKeyDown(key, {});
  EXPECT_EQ(edit->EditText(), "200_/__/01");
  EXPECT_TRUE(edit->Modified());

  // Read-only: nothing is unfilled, the platform beeps.
  edit->SetReadOnly(true);
  const int beeps = platform.BeepCount();
  edit->TypeText("\b");
  EXPECT_EQ(edit->EditText(), "200_/__/01");
  EXPECT_EQ(platform.BeepCount(), beeps + 1);
}

TEST_F(MaskEditTest, ValidateEditRaisesAtTheFirstMissingPosition) {
  TMaskEdit* edit = Make("0000/00/00;1;_");
  edit->SetText("2008");
  edit->ValidateEdit();  // set by code, not by the user: no check
  edit->SetSelStart(4);
  edit->TypeText("05");
  try {
    edit->ValidateEdit();
    FAIL() << "an incomplete text passed";
  } catch (const EDBEditError& error) {
    EXPECT_EQ(error.Position(), 8u);
    EXPECT_EQ(edit->SelStart(), 8);
  }
  edit->TypeText("01");
  EXPECT_NO_THROW(edit->ValidateEdit());
}

TEST_F(MaskEditTest, ChangingTheMaskReShowsTheValue) {
  TMaskEdit* edit = Make("");
  int changes = 0;
  edit->OnChange = [&changes](TObject*) { ++changes; };
  SetPropValue(*edit, "Text", Variant("1230"));
  SetPropValue(*edit, "EditMask", Variant("99:99;1; "));
  EXPECT_EQ(edit->EditText(), "12:30");
  EXPECT_EQ(GetPropText(*edit, "Text"), "12:30");
  edit->SetEditMask("");
  EXPECT_EQ(edit->EditText(), "12:30");
  EXPECT_EQ(changes, 2);

  // A data-aware descendant must not inherit a published Text or EditMask:
  // its field supplies both.
  auto base = TComponent::CreateUnowned<TCustomMaskEdit>();
  EXPECT_FALSE(IsPublishedProp(*base, "Text"));
  EXPECT_FALSE(IsPublishedProp(*base, "EditMask"));
  EXPECT_TRUE(IsPublishedProp(*base, "MaxLength"));
}

}  // namespace
}  // namespace pellor
