// Forms, the screen and the application.
//
// A form is a top-level windowed control holding what a user sees of a
// window: caption, border, position, window state, main and pop-up menu, the
// control that has the focus, the modal result. Showing it, modelessly or
// modally, and whatever else needs a real window go through the current
// Platform (platform.h); everything else is state here, reported to the
// observers under the published property names.
//
// Life of a form.
//   * Created through TCustomForm::Create<T>(owner) (owned), CreateUnowned<T>()
//     (held by the caller through a TFormPtr) or CreateStandalone<T>() (owned
//     by nobody: it goes through Free(), Release() or a close action caFree).
//     The factories run OnCreate once the most derived constructor is done,
//     as a form's own creation handler expects to find its controls built.
//     A form made with TComponent::Create has no OnCreate run.
//   * Free() marks the form as destroying, runs OnDestroy and deletes it
//     (also when OnDestroy raises; the error then passes on). The forms a
//     form owns get their OnDestroy when it goes. A form deleted any other
//     way (its owner going, a plain delete) runs no OnDestroy, because its
//     own handlers would find it half destroyed.
//   * Release() frees the form later, when the posted messages are next
//     processed (Application().ProcessMessages(), or the platform's loop):
//     a form that closes itself with caFree from one of its own handlers is
//     still there when the handler returns. A form held through a TFormPtr
//     cannot free itself: Release() and caFree raise EInvalidOperation.
//
// Showing. Setting Visible runs OnShow (the form is Visible already, the
// window not yet shown), then the platform shows the window and the form
// becomes the active form; its ActiveControl, or else the first control in
// tab order, gets the focus. Hiding runs OnHide. ShowModal shows the form,
// runs the platform's nested loop until ModalResult is not 0, hides it and
// returns the result. Setting ModalResult only records it: when the loop
// next looks (after the handler or script step that set it has returned, so
// a button's OnClick may still take the result back), it runs the close
// protocol: OnCloseQuery may veto (the result goes back to 0 and the loop
// goes on), OnClose may answer caNone (likewise) or caFree (the form is
// released after the loop). Close() on a modal form sets ModalResult to
// kModalCancel; on a modeless one it runs OnCloseQuery, then OnClose with
// caHide, and acts on the action left: caHide hides, caMinimize minimises,
// caFree releases, caNone keeps the form. Closing the application's main
// form ends the application (Terminated) instead.
//
// Keys. A front end, or a script, hands a key to the form that has the input
// (SendKeyDown / SendKeyPress / SendKeyUp, or PressKey and TypeText for both
// at once). A key down goes, in this order:
//   1. to the shortcuts: the pop-up menus of the focused control and its
//      parents (their PopupMenu), the form's OnShortCut, the form's main
//      menu (TMenu::IsShortCut). A used shortcut ends the key; no character
//      follows it.
//   2. to the dialog keys, unless the focused control wants them itself
//      (IKeyHandling::WantedKeys): Tab and Shift+Tab move the focus through
//      the tab order; Ctrl+Tab goes to the key handling of the containers
//      around the focused control (a page control turns its page); Enter
//      clicks the focused button or else the form's default button, Esc its
//      cancel button (controls with a published boolean Default / Cancel).
//      A used dialog key ends the key.
//   3. to the form's OnKeyDown when KeyPreview is on, then to the focused
//      control's OnKeyDown, then to its own key handling (IKeyHandling).
//      A handler that sets the key to 0 swallows it; the rest do not see it.
//   4. a key left alone by all of these that asks for a context menu (the
//      context-menu key, or Shift+F10) goes to the focused control's
//      ContextPopup (control.h), from the keyboard; the key is used when a
//      handler or a menu took the request.
// Menu shortcuts come before the form and the control see the key, as they
// did on the original platform; the programs were written for that order (a
// shortcut Ctrl+F2 never reaches a form's F2 handling). Key presses and key
// ups take step 3 alone. Arrow keys do not move the focus between controls.
//
// Errors raised by handlers pass on to whoever handed the key in; the
// application's loop (and the host's script mode) reports them the way a
// user sees them through Application().DeliverInput.
//
// Messages. Perform dispatches window messages to the handlers the form
// registered per message number (SetMessageHandler); the look-up requests
// 1034 ... 1037 that controls send to their owner form arrive this way
// (SendToOwnerForm). Moving a form sends it WM_MOVE; WM_CLOSE closes it,
// WM_PAINT paints it and CM_RELEASE frees it unless a handler takes them.
#ifndef PELLOR_UI_FORMS_H_
#define PELLOR_UI_FORMS_H_

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/graphics.h"
#include "platform/ui/keys.h"
#include "platform/ui/menus.h"
#include "platform/ui/platform.h"

namespace pellor {

// What closing a form does with it; OnClose may change it.
enum TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };
inline constexpr std::string_view kCloseActionNames[] = {"caNone", "caHide", "caFree", "caMinimize"};
inline constexpr TEnumInfo kCloseActionInfo{"TCloseAction", kCloseActionNames};

enum TFormBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
inline constexpr std::string_view kFormBorderStyleNames[] = {"bsNone",   "bsSingle",     "bsSizeable",
                                                             "bsDialog", "bsToolWindow", "bsSizeToolWin"};
inline constexpr TEnumInfo kFormBorderStyleInfo{"TFormBorderStyle", kFormBorderStyleNames};

enum TBorderIcon : uint8_t { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
inline constexpr std::string_view kBorderIconNames[] = {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"};
inline constexpr TEnumInfo kBorderIconInfo{"TBorderIcon", kBorderIconNames};

enum TPosition : uint8_t {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
inline constexpr std::string_view kPositionNames[] = {
    "poDesigned",     "poDefault",       "poDefaultPosOnly", "poDefaultSizeOnly",
    "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"};
inline constexpr TEnumInfo kPositionInfo{"TPosition", kPositionNames};

enum TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
inline constexpr std::string_view kWindowStateNames[] = {"wsNormal", "wsMinimized", "wsMaximized"};
inline constexpr TEnumInfo kWindowStateInfo{"TWindowState", kWindowStateNames};

enum TFormStyle : uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
inline constexpr std::string_view kFormStyleNames[] = {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"};
inline constexpr TEnumInfo kFormStyleInfo{"TFormStyle", kFormStyleNames};

// Names of the modal results ("mrOk" ...), for ModalResult properties.
extern const TIdentMap kModalResultIdents;
// Names of the cursors ("crHourGlass" ...), for Cursor properties.
extern const TIdentMap kCursorIdents;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;
// Sees a key before the main menu does; setting `handled` ends the key.
using TShortCutEvent = std::function<void(TShortCut shortCut, bool& handled)>;

// A window message as a handler sees it; the handler sets `result`.
struct TMessage {
  uint32_t msg = 0;
  intptr_t wParam = 0;
  intptr_t lParam = 0;
  intptr_t result = 0;
};
using TMessageHandler = std::function<void(TMessage& message)>;

class TCustomForm;

// The deleter of a TFormPtr: frees the form through Free(), so that its
// OnDestroy runs. An error of OnDestroy is dropped here, as a deleter cannot
// pass it on.
struct TFormFree {
  void operator()(TCustomForm* form) const;
};
template <class T>
using TFormPtr = std::unique_ptr<T, TFormFree>;

class TCustomForm : public TWinControl, public IModalWindow {
  PELLOR_CLASS(TCustomForm);

 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  // ---- Creation and freeing (see the top of this file) -------------------------
  // For a class that is no form, Create and CreateUnowned are TComponent's,
  // so that a form's code creates its controls with a plain Create<TEdit>(this).
  template <class T, class... A>
  static auto Create(TComponent* owner, A&&... args);
  template <class T, class... A>
  static auto CreateUnowned(A&&... args);
  template <class T, class... A>
  static T* CreateStandalone(A&&... args);

  // Runs OnCreate, once; the factories call it.
  void AfterConstruction();
  // Frees the form now (see the top of this file). Under the form's own
  // modal loop it ends the loop instead, and the form goes once ShowModal
  // has returned.
  virtual void Free();
  // Frees the form when the posted messages are next delivered.
  void Release();

  // ---- Appearance ---------------------------------------------------------------
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  // Keeps the client area: Width and Height follow the frame.
  void SetBorderStyle(TFormBorderStyle borderStyle);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons borderIcons);
  // Where the form goes when it is shown: the centre placements are applied
  // at every show; the others leave Left and Top alone.
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position);
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState windowState);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle formStyle);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool keyPreview);
  bool Scaled() const { return scaled_; }
  void SetScaled(bool scaled);
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int pixelsPerInch);

  // The client area is the window less its frame: a border of 3 pixels a
  // side (4 when sizeable, none for bsNone), a caption of 19 (16 for tool
  // windows, none for bsNone) and a menu bar of 19 when a main menu is set.
  // Setting the client size sets Width and Height accordingly.
  int ClientWidth() const override;
  int ClientHeight() const override;
  void SetClientWidth(int clientWidth);
  void SetClientHeight(int clientHeight);
  void SetBounds(int left, int top, int width, int height) override;

  // The main menu shown in the form's menu bar; its shortcuts work while the
  // form has the input. Keeps the client area.
  TMainMenu* Menu() const { return menu_.Get(); }
  void SetMenu(TMainMenu* menu);

  // ---- Showing ------------------------------------------------------------------
  void SetVisible(bool visible) override;
  // Makes the form visible and brings it to the front.
  void Show();
  virtual int ShowModal();
  // ShowModal with or without the close protocol on the modal result (a
  // caller that runs the close protocol itself afterwards passes false).
  int ExecuteModal(bool runCloseProtocol);
  virtual bool ModalShowing() const { return modalShowing_; }
  int ModalResult() const override { return modalResult_; }
  void SetModalResult(int result) override;
  // The close protocol of a modal form whose result was set (see above).
  bool ConfirmModalEnd() override;
  std::string ModalWindowName() const override;
  // The form's name or its class name.
  bool ModalWindowIs(std::string_view key) const override;
  virtual void Close();
  // OnCloseQuery's answer; true without a handler.
  virtual bool CloseQuery();
  // Puts the form above the others; a visible form becomes the active form.
  virtual void BringToFront();
  // The active form of the screen: the one that has the input.
  bool Active() const;
  // Visible, enabled, and not below a modal window that was shown after it.
  bool AcceptsInput() const;

  // ---- Focus --------------------------------------------------------------------
  // The control of this form that has (or gets, once the form is active) the
  // focus; nullptr when the form itself has it.
  TWinControl* ActiveControl() const { return activeControl_.Get(); }
  // Moves the focus: OnExit runs for the old control and its parents up to
  // the one that also holds the new control, OnEnter for the new control's
  // parents below that one and then for the control. A handler that raises
  // keeps the focus where it is; one that moves the focus itself wins.
  // EInvalidOperation for a control that is not on this form or cannot take
  // the focus (hidden, disabled, or a parent so).
  void SetActiveControl(TWinControl* control);
  // The control after (before) `current` in tab order that can take the
  // focus gets it; nothing happens when there is none.
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
  void SelectFirst();

  // ---- Input (see the top of this file) ------------------------------------------
  // True when the key was used: by a shortcut, a dialog key, or a handler
  // that set it to 0. EInvalidOperation when the form takes no input.
  bool SendKeyDown(uint16_t key, TShiftState shift = {});
  bool SendKeyPress(char key);
  bool SendKeyUp(uint16_t key, TShiftState shift = {});
  // Key down, then the character the key types (KeyToChar) unless a
  // shortcut or dialog key used the key, then key up.
  void PressKey(uint16_t key, TShiftState shift = {});
  // Each byte as a key press to the focused control, as an input method
  // delivers text.
  void TypeText(std::string_view text);
  // A click of the user on a control of this form: a windowed control with
  // TabStop takes the focus first, then the control's Click runs.
  // EInvalidOperation when the control is not on the form, not showing or
  // disabled (itself or a parent), or the form takes no input.
  void ClickControl(TControl* control);
  // A press of the user's right mouse button at `at`, in the client area of
  // `control` (this form or a control on it): the control hears the press
  // (MouseDown with ssRight), then, unless the press freed it, its context
  // menu is asked for (ContextPopup). The focus stays where it is. Returns
  // what ContextPopup answers. EInvalidOperation as for ClickControl.
  bool RightClickControl(TControl* control, TPoint at);
  // The shortcut steps of a key down: OnShortCut, then the main menu.
  bool IsShortCut(TShortCut shortCut);

  // ---- Messages and painting ------------------------------------------------------
  // The handler for a message number replaces any before it; nullptr removes it.
  void SetMessageHandler(uint32_t message, TMessageHandler handler);
  intptr_t Perform(uint32_t message, intptr_t wParam, intptr_t lParam) override;
  // What the form does with a message without a handler (WM_CLOSE,
  // WM_PAINT, CM_RELEASE); a handler may call it to add to that.
  intptr_t DefaultMessage(uint32_t message, intptr_t wParam, intptr_t lParam);
  // Asks the platform to paint the form again (through WM_PAINT).
  void Invalidate();
  // Runs OnPaint.
  virtual void Paint();

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnResize;
  TNotifyEvent OnPaint;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TShortCutEvent OnShortCut;

 protected:
  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  virtual void DoDestroy();
  virtual void Resize();
  void Notification(TComponent* component, TOperation operation) override;
  TPoint ClientOffset() const override;
  // Acts on a close action as Close() does after OnClose.
  void ApplyCloseAction(TCloseAction action);

 private:
  friend class TScreen;
  friend class TApplication;
  friend struct TFormFree;
  enum class KeyRoute { kPassed, kSwallowed, kUsed };

  static void DefineProperties(PropertyBuilder<TCustomForm>& p);

  void NonClientSize(int& width, int& height) const;
  void KeepClientSize(int clientWidth, int clientHeight);
  void ApplyPosition();
  void Activate();
  void EndModal(TCustomForm* previousActive);
  void RunDestroyHandlers();
  void FreeOwnedFormsHandlers();
  void CheckAcceptsInput() const;
  TWinControl* FocusTarget() const;
  bool MenuShortCut(TWinControl* target, TShortCut shortCut);
  bool DialogKey(TWinControl* target, uint16_t key, TShiftState shift);
  KeyRoute RouteKeyDown(uint16_t key, TShiftState shift);
  bool RouteKeyPress(TWinControl* target, char& key);

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
  TPosition position_ = poDesigned;
  TWindowState windowState_ = wsNormal;
  TFormStyle formStyle_ = fsNormal;
  bool keyPreview_ = false;
  bool scaled_ = true;
  int pixelsPerInch_ = kPixelsPerInch;
  TComponentRef<TMainMenu> menu_{this};
  TComponentRef<TWinControl> activeControl_{this};
  // The targets as last set, to tell which reference went when one goes.
  TComponent* activeRaw_ = nullptr;
  TComponent* menuRaw_ = nullptr;
  std::map<uint32_t, TMessageHandler> handlers_;
  // Controls whose OnExit runs in a focus change that is still going on: a
  // handler that moves the focus itself does not make them exit twice.
  std::vector<TWinControl*> exiting_;

  int modalResult_ = kModalNone;
  bool modalShowing_ = false;
  bool closeOnModalResult_ = true;
  bool releaseAfterModal_ = false;
  bool endModalNow_ = false;  // freeing: no close protocol can keep the form
  int showLevel_ = 0;  // modal loops running when the form was last shown
  bool created_ = false;
  bool freed_ = false;
  bool destroyHandled_ = false;
  bool heldByCreator_ = false;
};

class TForm : public TCustomForm {
  PELLOR_CLASS(TForm);

 public:
  using TCustomForm::TCustomForm;
};

template <class T, class... A>
auto TCustomForm::Create(TComponent* owner, A&&... args) {
  if constexpr (std::is_base_of_v<TCustomForm, T>) {
    T* form = TComponent::Create<T>(owner, std::forward<A>(args)...);
    try {
      form->AfterConstruction();
    } catch (...) {
      delete form;
      throw;
    }
    return form;
  } else {
    return TComponent::Create<T>(owner, std::forward<A>(args)...);
  }
}

template <class T, class... A>
auto TCustomForm::CreateUnowned(A&&... args) {
  if constexpr (std::is_base_of_v<TCustomForm, T>) {
    std::unique_ptr<T> made = TComponent::CreateUnowned<T>(std::forward<A>(args)...);
    made->AfterConstruction();
    made->heldByCreator_ = true;
    return TFormPtr<T>(made.release());
  } else {
    return TComponent::CreateUnowned<T>(std::forward<A>(args)...);
  }
}

template <class T, class... A>
T* TCustomForm::CreateStandalone(A&&... args) {
  static_assert(std::is_base_of_v<TCustomForm, T>);
  std::unique_ptr<T> made = TComponent::CreateUnowned<T>(std::forward<A>(args)...);
  made->AfterConstruction();
  return made.release();
}

// The window that a modal script action acts on, as the form class it is;
// EInvalidOperation naming both when it is something else.
template <class T>
T& ModalWindowAs(IModalWindow& window) {
  if (T* typed = dynamic_cast<T*>(&window)) return *typed;
  throw EInvalidOperation("The modal window " + window.ModalWindowName() + " is not a " +
                          T::StaticClass().ClassName());
}

// ---- Screen -------------------------------------------------------------------------

// The screen: the forms in front-to-back order, the active form and control,
// the cursor, and the fonts the window system uses for icons, hints and menus.
class TScreen : public TComponent {
  PELLOR_CLASS(TScreen);

 public:
  // Use Screen(); a second screen would know no forms.
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  int FormCount() const { return static_cast<int>(forms_.size()); }
  // Front first; EComponentError when out of range.
  TCustomForm* Forms(int index) const;
  TCustomForm* ActiveForm() const { return activeForm_; }
  // The active form's focused control.
  TWinControl* ActiveControl() const;
  // Modal loops running, and the form of the innermost one.
  int ModalLevel() const { return static_cast<int>(modal_.size()); }
  TCustomForm* ModalForm() const { return modal_.empty() ? nullptr : modal_.back(); }

  TCursor Cursor() const { return cursor_; }
  // Tells the platform; crDefault is the normal cursor.
  void SetCursor(TCursor cursor);
  TFont* IconFont() const { return iconFont_.get(); }
  TFont* HintFont() const { return hintFont_.get(); }
  TFont* MenuFont() const { return menuFont_.get(); }
  // The desktop size forms are centred on; the platform sets it.
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetSize(int width, int height);

  TNotifyEvent OnActiveFormChange;
  TNotifyEvent OnActiveControlChange;

 private:
  friend class TCustomForm;
  static void DefineProperties(PropertyBuilder<TScreen>& p);

  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  void MoveToFront(TCustomForm* form);
  void SetActiveForm(TCustomForm* form);
  void ActiveControlChanged(TCustomForm* form);
  void FormHidden(TCustomForm* form);
  void PushModal(TCustomForm* form) { modal_.push_back(form); }
  void PopModal(TCustomForm* form);
  void Report(std::string_view property) { Changed(property); }

  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
  std::vector<TCustomForm*> modal_;
  TCursor cursor_ = crDefault;
  std::unique_ptr<TFont> iconFont_;
  std::unique_ptr<TFont> hintFont_;
  std::unique_ptr<TFont> menuFont_;
  int width_ = 1024;
  int height_ = 768;
};

TScreen& Screen();

// Shows a cursor (the hourglass by default) for the life of a scope, then
// puts the one before it back, also when the scope ends by an error.
class TCursorScope {
 public:
  explicit TCursorScope(TCursor cursor = crHourGlass);
  ~TCursorScope();
  TCursorScope(const TCursorScope&) = delete;
  TCursorScope& operator=(const TCursorScope&) = delete;

 private:
  TCursor previous_;
};

// ---- Application ----------------------------------------------------------------------

class TApplication : public TComponent {
  PELLOR_CLASS(TApplication);

 public:
  // Use Application().
  explicit TApplication(TComponent* owner);
  // Frees the forms it owns, last created first, running their OnDestroy.
  ~TApplication() override;

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);
  // Milliseconds before a hint shows, before it hides again, and between
  // hints when the mouse moves from one control to the next.
  int HintPause() const { return hintPause_; }
  void SetHintPause(int hintPause);
  int HintHidePause() const { return hintHidePause_; }
  void SetHintHidePause(int hintHidePause);
  int HintShortPause() const { return hintShortPause_; }
  void SetHintShortPause(int hintShortPause);
  // The switch for all hints; turning it off and on again makes the hint
  // window take a changed hint font.
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool showHint);
  // The hint of the control under the mouse.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);

  // The first form CreateForm made, unless set otherwise; closing it ends
  // the application.
  TCustomForm* MainForm() const { return mainForm_.Get(); }
  void SetMainForm(TCustomForm* form) { mainForm_.Set(form); }
  // A form owned by the application.
  template <class T, class... A>
  T* CreateForm(A&&... args);

  // Delivers posted messages and whatever the platform has waiting.
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Shows an error as the application's loop does: the silent abort shows
  // nothing; OnException, when set, decides; otherwise an error dialog with
  // the message and an OK button, captioned with the title. The message gets
  // a full stop unless its last byte is "." or sorts before it (a blank,
  // "!", ")" ...).
  void HandleException(const std::exception& error);
  // Runs one piece of user input (a key, a click, a script step) the way the
  // loop does: an error ends it and goes to HandleException. False when an
  // error ended it.
  bool DeliverInput(const std::function<void()>& input);

  std::function<void(const std::exception& error)> OnException;

 private:
  static void DefineProperties(PropertyBuilder<TApplication>& p);

  std::string title_;
  int hintPause_ = 500;
  int hintHidePause_ = 2500;
  int hintShortPause_ = 50;
  bool showHint_ = true;
  std::string hint_;
  bool terminated_ = false;
  TComponentRef<TCustomForm> mainForm_{this};
};

TApplication& Application();

template <class T, class... A>
T* TApplication::CreateForm(A&&... args) {
  T* form = TCustomForm::Create<T>(this, std::forward<A>(args)...);
  if (mainForm_.Get() == nullptr) mainForm_.Set(form);
  return form;
}

// ---- Helpers ---------------------------------------------------------------------------

// The form at the top of the control's parent chain (the control itself when
// it is a form), or nullptr.
TCustomForm* GetParentForm(const TControl* control);
// The nearest owner of the component that is a form (not the component
// itself), or nullptr.
TCustomForm* GetOwnerForm(const TComponent* component);
// True when the control has the focus of the active form.
bool Focused(const TWinControl* control);
// Gives the control the focus of its form when it can take it; false when it
// cannot or sits on no form.
bool FocusControl(TWinControl* control);

// Delivers a message at once to the control with that handle (its Perform);
// 0 when there is none.
intptr_t SendMessage(WindowHandle window, uint32_t message, intptr_t wParam, intptr_t lParam);
// Delivers a message at once to the component's owner form; 0 when it has
// none. Controls ask their form for look-up windows this way, with
// themselves as the parameter (ComponentToParam).
intptr_t SendToOwnerForm(const TComponent* component, uint32_t message, intptr_t wParam, intptr_t lParam);
// A component as a message parameter and back. Only for messages sent at
// once: a posted message may arrive after the component is gone.
intptr_t ComponentToParam(const TComponent* component);
TComponent* ParamToComponent(intptr_t param);

}  // namespace pellor

#endif  // PELLOR_UI_FORMS_H_
