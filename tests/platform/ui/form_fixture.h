// Small controls and a fixture for the form, focus, menu and modal tests.
// The controls are the least a test needs: an edit that takes typed text, a
// memo that keeps Enter and Tab, a button with Default / Cancel / ModalResult,
// a panel to nest them in.
#ifndef PELLOR_TESTS_UI_FORM_FIXTURE_H_
#define PELLOR_TESTS_UI_FORM_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/forms.h"

namespace pellor::test {

class TTestEdit : public TWinControl, public IKeyHandling {
  PELLOR_CLASS(TTestEdit);

 public:
  explicit TTestEdit(TComponent* owner);

  // Printable bytes go into Text, Backspace takes the last byte off.
  void HandleKeyPress(char& key) override;
  TDialogCodes WantedKeys() const override { return {dcWantArrows}; }

 private:
  static void DefineProperties(PropertyBuilder<TTestEdit>& p);
};

class TTestMemo : public TTestEdit {
  PELLOR_CLASS(TTestMemo);

 public:
  using TTestEdit::TTestEdit;
  void HandleKeyPress(char& key) override;
  TDialogCodes WantedKeys() const override { return {dcWantArrows, dcWantAllKeys, dcWantTab}; }
};

class TTestButton : public TWinControl {
  PELLOR_CLASS(TTestButton);

 public:
  explicit TTestButton(TComponent* owner);
  bool Default() const { return default_; }
  void SetDefault(bool value) { default_ = value; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int value) { modalResult_ = value; }
  // Gives the form the button's modal result, then runs OnClick.
  void Click() override;

 private:
  static void DefineProperties(PropertyBuilder<TTestButton>& p);
  bool default_ = false;
  bool cancel_ = false;
  int modalResult_ = 0;
};

class TTestPanel : public TWinControl {
  PELLOR_CLASS(TTestPanel);

 public:
  using TWinControl::TWinControl;
};

// Writes "name.Property" for every reported change.
class Recorder : public TComponentObserver {
 public:
  void PropertyChanged(TComponent& component, std::string_view property) override {
    changes.push_back(component.Name() + "." + std::string(property));
  }
  bool Saw(const std::string& change) const {
    for (const std::string& c : changes) {
      if (c == change) return true;
    }
    return false;
  }
  std::vector<std::string> changes;
};

class FormTest : public ::testing::Test {
 protected:
  FormTest();
  ~FormTest() override;

  // A named control of `T` owned by `owner` and placed on `parent`.
  template <class T>
  T* Make(TComponent* owner, const std::string& name, TWinControl* parent) {
    T* control = TCustomForm::Create<T>(owner);
    control->SetName(name);
    if (parent != nullptr) control->SetParent(parent);
    return control;
  }
  // A named menu item owned by `owner` below `parent`.
  TMenuItem* MakeItem(TComponent* owner, const std::string& name, TMenuItem* parent,
                      const std::string& shortCut = "") {
    auto* item = TCustomForm::Create<TMenuItem>(owner);
    item->SetName(name);
    item->SetCaption(name);
    if (!shortCut.empty()) item->SetShortCut(TextToShortCut(shortCut));
    if (parent != nullptr) parent->Add(item);
    return item;
  }
  TFormPtr<TForm> MakeForm(const std::string& name);

  THeadlessPlatform platform_;
  ScopedPlatform scoped_{platform_};
  std::vector<std::string> log_;
};

}  // namespace pellor::test

#endif  // PELLOR_TESTS_UI_FORM_FIXTURE_H_
