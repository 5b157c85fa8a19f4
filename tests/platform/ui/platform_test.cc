#include "platform/ui/platform.h"

#include <gtest/gtest.h>

#include "platform/rtl/errors.h"

namespace pellor {
namespace {

MessageDialogRequest YesNoCancel(std::string defaultButton) {
  MessageDialogRequest request;
  request.kind = DialogKind::kWarning;
  request.text = "Save the changes?";
  request.buttons = {{"Yes", "Y"}, {"No", "N"}, {"Cancel", "C"}};
  request.defaultButton = std::move(defaultButton);
  request.caption = "Factors[QRN]";
  request.fontName = "SimSun";
  request.fontCharset = kCharsetBig5;
  return request;
}

class TWindow : public IModalWindow {
 public:
  int ModalResult() const override { return result_; }
  void SetModalResult(int result) override { result_ = result; }
  std::string ModalWindowName() const override { return "frmTest"; }
  int steps = 0;

 private:
  int result_ = kModalNone;
};

TEST(PlatformTest, ButtonNamesMapToModalResults) {
  const int expected[kDialogButtonCount] = {6, 7, 1, 2, 3, 4, 5, 8, 9, 10, 0};
  for (int i = 0; i < kDialogButtonCount; ++i) {
    EXPECT_EQ(ModalResultOfButton(kDialogButtonNames[i]), expected[i]) << kDialogButtonNames[i];
  }
  EXPECT_EQ(ModalResultOfButton("notoall"), kModalNoToAll);
  EXPECT_EQ(ModalResultOfButton("Maybe"), -1);
}

TEST(HeadlessPlatformTest, RecordsTheWholeRequest) {
  THeadlessPlatform platform;
  platform.MessageDialog(YesNoCancel("No"));
  ASSERT_EQ(platform.Dialogs().size(), 1u);
  const MessageDialogRequest& shown = platform.Dialogs()[0];
  EXPECT_EQ(shown.kind, DialogKind::kWarning);
  EXPECT_EQ(shown.text, "Save the changes?");
  ASSERT_EQ(shown.buttons.size(), 3u);
  EXPECT_EQ(shown.buttons[2].name, "Cancel");
  EXPECT_EQ(shown.buttons[2].caption, "C");
  EXPECT_EQ(shown.defaultButton, "No");
  EXPECT_EQ(shown.caption, "Factors[QRN]");
  EXPECT_EQ(shown.fontName, "SimSun");
  EXPECT_EQ(shown.fontCharset, 136);
}

TEST(HeadlessPlatformTest, WithoutScriptedAnswersTheDefaultButtonAnswers) {
  THeadlessPlatform platform;
  EXPECT_EQ(platform.MessageDialog(YesNoCancel("Cancel")), kModalCancel);
  EXPECT_EQ(platform.MessageDialog(YesNoCancel("no")), kModalNo);
  // No default, or a default the dialog lacks: the first button.
  EXPECT_EQ(platform.MessageDialog(YesNoCancel("")), kModalYes);
  EXPECT_EQ(platform.MessageDialog(YesNoCancel("OK")), kModalYes);
}

TEST(HeadlessPlatformTest, ScriptedAnswersAreTakenInOrder) {
  THeadlessPlatform platform;
  platform.QueueAnswer("cancel");
  platform.QueueAnswer(kModalNo);
  EXPECT_EQ(platform.MessageDialog(YesNoCancel("Yes")), kModalCancel);
  EXPECT_EQ(platform.MessageDialog(YesNoCancel("Yes")), kModalNo);
  EXPECT_EQ(platform.PendingAnswers(), 0u);
  EXPECT_EQ(platform.MessageDialog(YesNoCancel("Yes")), kModalYes);
}

TEST(HeadlessPlatformTest, AnAnswerThatFitsNoButtonIsAScriptError) {
  THeadlessPlatform platform;
  platform.QueueAnswer("OK");
  try {
    platform.MessageDialog(YesNoCancel("Yes"));
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(),
                 "Scripted answer \"OK\" fits no button of the dialog \"Save the changes?\" "
                 "(buttons: Yes, No, Cancel)");
  }
  platform.QueueAnswer(kModalYesToAll);
  EXPECT_THROW(platform.MessageDialog(YesNoCancel("Yes")), Exception);
  EXPECT_EQ(platform.Dialogs().size(), 2u);  // shown, even though unanswerable
}

TEST(HeadlessPlatformTest, NoticeIsAPlainDialogWithOk) {
  THeadlessPlatform platform;
  platform.Notice("Done.");
  ASSERT_EQ(platform.Dialogs().size(), 1u);
  const MessageDialogRequest& shown = platform.Dialogs()[0];
  EXPECT_EQ(shown.kind, DialogKind::kPlain);
  EXPECT_EQ(shown.text, "Done.");
  ASSERT_EQ(shown.buttons.size(), 1u);
  EXPECT_EQ(shown.buttons[0].name, "OK");
  EXPECT_EQ(platform.DialogTexts(), std::vector<std::string>{"Done."});
}

TEST(HeadlessPlatformTest, ModalLoopRunsActionsUntilTheWindowHasAResult) {
  THeadlessPlatform platform;
  TWindow window;
  platform.QueueModalAction([](IModalWindow& w) { static_cast<TWindow&>(w).steps++; });
  platform.QueueModalAction([](IModalWindow& w) { w.SetModalResult(kModalOk); });
  platform.QueueModalAction([](IModalWindow& w) { FAIL() << "ran past the end of the loop"; });
  platform.RunModalLoop(window);
  EXPECT_EQ(window.steps, 1);
  EXPECT_EQ(window.ModalResult(), kModalOk);
  EXPECT_EQ(platform.PendingModalActions(), 1u);
}

TEST(HeadlessPlatformTest, AModalLoopWithNothingToEndItRaisesInsteadOfHanging) {
  THeadlessPlatform platform;
  TWindow window;
  try {
    platform.RunModalLoop(window);
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(),
                 "Headless modal loop of frmTest: no scripted action left, and nothing else can "
                 "end the loop");
  }
}

TEST(CurrentPlatformTest, DefaultsToHeadlessAndCanBeReplacedForAScope) {
  Platform& builtIn = CurrentPlatform();
  EXPECT_NE(dynamic_cast<THeadlessPlatform*>(&builtIn), nullptr);
  THeadlessPlatform mine;
  {
    ScopedPlatform scoped(mine);
    EXPECT_EQ(&CurrentPlatform(), &mine);
    CurrentPlatform().Beep();
    CurrentPlatform().Beep();
  }
  EXPECT_EQ(&CurrentPlatform(), &builtIn);
  EXPECT_EQ(mine.BeepCount(), 2);
  Platform* previous = SetPlatform(&mine);
  EXPECT_EQ(previous, &builtIn);
  EXPECT_EQ(SetPlatform(nullptr), &mine);
  EXPECT_EQ(&CurrentPlatform(), &builtIn);
}

}  // namespace
}  // namespace pellor
