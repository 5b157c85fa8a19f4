#include "platform/ui/forms.h"

#include <algorithm>
#include <optional>

#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

constexpr TIdentEntry kModalResultEntries[] = {
    {kModalNone, "mrNone"},   {kModalOk, "mrOk"},   {kModalCancel, "mrCancel"},   {kModalAbort, "mrAbort"},
    {kModalRetry, "mrRetry"}, {kModalIgnore, "mrIgnore"}, {kModalYes, "mrYes"}, {kModalNo, "mrNo"},
    {kModalAll, "mrAll"},     {kModalNoToAll, "mrNoToAll"}, {kModalYesToAll, "mrYesToAll"},
};

constexpr TIdentEntry kCursorEntries[] = {
    {crDefault, "crDefault"},   {crNone, "crNone"},         {crArrow, "crArrow"},
    {crCross, "crCross"},       {crIBeam, "crIBeam"},       {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},     {crSizeNWSE, "crSizeNWSE"}, {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},   {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},     {crHSplit, "crHSplit"},     {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"}, {crNo, "crNo"},
    {crAppStart, "crAppStart"}, {crHelp, "crHelp"},         {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},   {crSizeAll, "crSize"},
};

// The non-client metrics of the headless model (see ClientWidth).
constexpr int kThinFrame = 3;
constexpr int kSizingFrame = 4;
constexpr int kCaptionHeight = 19;
constexpr int kToolCaptionHeight = 16;
constexpr int kMenuBarHeight = 19;
constexpr int kDefaultWidth = 320;
constexpr int kDefaultHeight = 240;

intptr_t PointParam(int x, int y) {
  return static_cast<intptr_t>(static_cast<uint16_t>(x) | (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16));
}

// A published boolean property of the control, or nullopt without one.
std::optional<bool> BoolProp(TControl* control, std::string_view name) {
  const TPropInfo* info = FindPropInfo(*control, name);
  if (info == nullptr || info->kind != PropKind::kBoolean || !info->getOrdinal) return std::nullopt;
  return info->getOrdinal(*control) != 0;
}

// The keys that ask the focused control for its context menu.
bool IsContextMenuKey(uint16_t key, TShiftState shift) {
  if (shift.Contains(ssCtrl) || shift.Contains(ssAlt)) return false;
  return key == VK_APPS || (key == VK_F10 && shift.Contains(ssShift));
}

bool EnabledChain(const TControl* control) {
  for (const TControl* c = control; c != nullptr; c = c->Parent()) {
    if (!c->Enabled()) return false;
  }
  return true;
}

// The first control below `parent`, in control order, whose boolean property
// `name` is set and which a user could press.
TControl* FindButton(const TWinControl& parent, std::string_view name) {
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl* control = parent.Controls(i);
    if (!control->Visible() || !control->Enabled()) continue;
    if (BoolProp(control, name).value_or(false)) return control;
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      if (TControl* found = FindButton(*win, name)) return found;
    }
  }
  return nullptr;
}

std::string FormName(const TCustomForm& form) { return form.ModalWindowName(); }

}  // namespace

const TIdentMap kModalResultIdents{"TModalResult", kModalResultEntries};
const TIdentMap kCursorIdents{"TCursor", kCursorEntries};

void TFormFree::operator()(TCustomForm* form) const {
  if (form == nullptr) return;
  form->heldByCreator_ = false;
  try {
    form->Free();
  } catch (...) {
  }
}

// ---- TCustomForm ------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TCustomForm, TWinControl);
PELLOR_DEFINE_CLASS(TForm, TCustomForm);

void TCustomForm::DefineProperties(PropertyBuilder<TCustomForm>& p) {
  p.Text("Caption", &TControl::Caption, &TControl::SetCaption)
      .Enum("BorderStyle", kFormBorderStyleInfo, &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle)
      .Set("BorderIcons", kBorderIconInfo, &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons)
      .Enum("Position", kPositionInfo, &TCustomForm::Position, &TCustomForm::SetPosition)
      .Enum("WindowState", kWindowStateInfo, &TCustomForm::WindowState, &TCustomForm::SetWindowState)
      .Enum("FormStyle", kFormStyleInfo, &TCustomForm::FormStyle, &TCustomForm::SetFormStyle)
      .Bool("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview)
      .Bool("Scaled", &TCustomForm::Scaled, &TCustomForm::SetScaled)
      .Integer("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch)
      .Integer("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth)
      .Integer("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight)
      .Reference("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu)
      .Reference("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl)
      .Integer("ModalResult", &TCustomForm::ModalResult, &TCustomForm::SetModalResult, &kModalResultIdents)
      .Event("OnCreate", &TCustomForm::OnCreate)
      .Event("OnShow", &TCustomForm::OnShow)
      .Event("OnHide", &TCustomForm::OnHide)
      .Event("OnClose", &TCustomForm::OnClose)
      .Event("OnCloseQuery", &TCustomForm::OnCloseQuery)
      .Event("OnDestroy", &TCustomForm::OnDestroy)
      .Event("OnResize", &TCustomForm::OnResize)
      .Event("OnPaint", &TCustomForm::OnPaint)
      .Event("OnActivate", &TCustomForm::OnActivate)
      .Event("OnDeactivate", &TCustomForm::OnDeactivate)
      .Event("OnShortCut", &TCustomForm::OnShortCut);
}

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  TControl::SetVisible(false);
  SetParentFont(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, kDefaultWidth, kDefaultHeight);
  Screen().AddForm(this);
}

TCustomForm::~TCustomForm() {
  MarkDestroying();
  FreeOwnedFormsHandlers();
  try {
    if (Visible()) CurrentPlatform().HideWindow(*this);
  } catch (...) {
  }
  Screen().RemoveForm(this);
}

void TCustomForm::AfterConstruction() {
  if (created_) return;
  created_ = true;
  DoCreate();
}

void TCustomForm::Free() {
  if (freed_) return;
  if (Destroying()) {
    // Its owner is freeing it: only the handlers are left to run here.
    RunDestroyHandlers();
    return;
  }
  if (modalShowing_) {
    // Freeing the window under its own modal loop would pull it out from
    // under the loop: end the loop, and free the form once it returned.
    releaseAfterModal_ = true;
    endModalNow_ = true;
    if (modalResult_ == kModalNone) SetModalResult(kModalCancel);
    return;
  }
  freed_ = true;
  MarkDestroying();
  struct DeleteAtEnd {
    TCustomForm* form;
    ~DeleteAtEnd() { delete form; }
  } deleteAtEnd{this};
  RunDestroyHandlers();
}

void TCustomForm::Release() {
  if (heldByCreator_) {
    throw EInvalidOperation("Form '" + FormName(*this) +
                            "' is held by its creator and cannot free itself; close it with caHide");
  }
  if (freed_ || Destroying()) return;
  const WindowHandle handle = Handle();
  if (!MessagePending(handle, CM_RELEASE)) PostMessage(handle, CM_RELEASE, 0, 0);
}

void TCustomForm::RunDestroyHandlers() {
  if (destroyHandled_) return;
  destroyHandled_ = true;
  DoDestroy();
}

void TCustomForm::FreeOwnedFormsHandlers() {
  for (int i = ComponentCount() - 1; i >= 0; --i) {
    if (i >= ComponentCount()) continue;  // a handler freed more than itself
    if (auto* form = dynamic_cast<TCustomForm*>(Components(i))) {
      try {
        form->RunDestroyHandlers();
      } catch (...) {
        // A destructor has nowhere to pass it.
      }
    }
  }
}

// ---- Appearance -----------------------------------------------------------------------------

void TCustomForm::NonClientSize(int& width, int& height) const {
  int frame = 0;
  int caption = 0;
  switch (borderStyle_) {
    case bsNone: break;
    case bsSizeable:
    case bsSizeToolWin: frame = kSizingFrame; break;
    default: frame = kThinFrame; break;
  }
  if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) {
    caption = kToolCaptionHeight;
  } else if (borderStyle_ != bsNone) {
    caption = kCaptionHeight;
  }
  width = 2 * frame;
  height = 2 * frame + caption + (menu_.Get() != nullptr ? kMenuBarHeight : 0);
}

int TCustomForm::ClientWidth() const {
  int w = 0;
  int h = 0;
  NonClientSize(w, h);
  return std::max(Width() - w, 0);
}

int TCustomForm::ClientHeight() const {
  int w = 0;
  int h = 0;
  NonClientSize(w, h);
  return std::max(Height() - h, 0);
}

void TCustomForm::SetClientWidth(int clientWidth) {
  int w = 0;
  int h = 0;
  NonClientSize(w, h);
  SetWidth(std::max(clientWidth, 0) + w);
}

void TCustomForm::SetClientHeight(int clientHeight) {
  int w = 0;
  int h = 0;
  NonClientSize(w, h);
  SetHeight(std::max(clientHeight, 0) + h);
}

void TCustomForm::KeepClientSize(int clientWidth, int clientHeight) {
  int w = 0;
  int h = 0;
  NonClientSize(w, h);
  SetBounds(Left(), Top(), clientWidth + w, clientHeight + h);
}

void TCustomForm::SetBounds(int left, int top, int width, int height) {
  const bool moved = left != Left() || top != Top();
  const bool resized = std::max(width, 0) != Width() || std::max(height, 0) != Height();
  TWinControl::SetBounds(left, top, width, height);
  if (Destroying()) return;
  TComponentWatch self(this);
  if (moved && handlers_.count(WM_MOVE) != 0) Perform(WM_MOVE, 0, PointParam(Left(), Top()));
  if (resized && self) Resize();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle borderStyle) {
  if (borderStyle == borderStyle_) return;
  const int cw = ClientWidth();
  const int ch = ClientHeight();
  borderStyle_ = borderStyle;
  Changed("BorderStyle");
  KeepClientSize(cw, ch);
}

void TCustomForm::SetBorderIcons(TBorderIcons borderIcons) {
  if (borderIcons == borderIcons_) return;
  borderIcons_ = borderIcons;
  Changed("BorderIcons");
}

void TCustomForm::SetPosition(TPosition position) {
  if (position == position_) return;
  position_ = position;
  Changed("Position");
}

void TCustomForm::SetWindowState(TWindowState windowState) {
  if (windowState == windowState_) return;
  windowState_ = windowState;
  Changed("WindowState");
}

void TCustomForm::SetFormStyle(TFormStyle formStyle) {
  if (formStyle == formStyle_) return;
  formStyle_ = formStyle;
  Changed("FormStyle");
}

void TCustomForm::SetKeyPreview(bool keyPreview) {
  if (keyPreview == keyPreview_) return;
  keyPreview_ = keyPreview;
  Changed("KeyPreview");
}

void TCustomForm::SetScaled(bool scaled) {
  if (scaled == scaled_) return;
  scaled_ = scaled;
  Changed("Scaled");
}

void TCustomForm::SetPixelsPerInch(int pixelsPerInch) {
  if (pixelsPerInch == pixelsPerInch_) return;
  pixelsPerInch_ = pixelsPerInch;
  Changed("PixelsPerInch");
}

void TCustomForm::SetMenu(TMainMenu* menu) {
  if (menu == menu_.Get()) return;
  const int cw = ClientWidth();
  const int ch = ClientHeight();
  menu_.Set(menu);
  menuRaw_ = menu_.Get();
  Changed("Menu");
  KeepClientSize(cw, ch);
}

TPoint TCustomForm::ClientOffset() const {
  int w = 0;
  int h = 0;
  NonClientSize(w, h);
  // The frame is even on all four sides; caption and menu bar sit on top.
  return {w / 2, h - w / 2};
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove || component == nullptr || Destroying()) return;
  if (component == activeRaw_) {
    activeRaw_ = nullptr;
    Changed("ActiveControl");
    Screen().ActiveControlChanged(this);
  }
  if (component == menuRaw_) {
    menuRaw_ = nullptr;
    Changed("Menu");
  }
}

// ---- Showing ---------------------------------------------------------------------------

void TCustomForm::ApplyPosition() {
  int areaLeft = 0;
  int areaTop = 0;
  int areaWidth = Screen().Width();
  int areaHeight = Screen().Height();
  const TCustomForm* over = nullptr;
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter: break;
    case poMainFormCenter: over = Application().MainForm(); break;
    case poOwnerFormCenter: over = dynamic_cast<const TCustomForm*>(Owner()); break;
    default: return;
  }
  if (over != nullptr && over != this && over->Visible()) {
    areaLeft = over->Left();
    areaTop = over->Top();
    areaWidth = over->Width();
    areaHeight = over->Height();
  }
  int left = areaLeft + (areaWidth - Width()) / 2;
  int top = areaTop + (areaHeight - Height()) / 2;
  // A form larger than the screen keeps its caption on the screen.
  left = std::max(left, 0);
  top = std::max(top, 0);
  SetBounds(left, top, Width(), Height());
}

void TCustomForm::SetVisible(bool visible) {
  if (visible == Visible()) return;
  if (Destroying()) {
    TControl::SetVisible(visible);
    return;
  }
  TComponentWatch self(this);
  if (visible) {
    ApplyPosition();
    TControl::SetVisible(true);
    showLevel_ = Screen().ModalLevel();
    DoShow();
    if (!self || !Visible()) return;
    CurrentPlatform().ShowWindow(*this);
    if (!self || !Visible()) return;
    if (AcceptsInput()) Activate();
  } else {
    if (modalShowing_ && modalResult_ == kModalNone) {
      // A modal form that is hidden cannot be answered any more: its loop ends.
      endModalNow_ = true;
      SetModalResult(kModalCancel);
    }
    TControl::SetVisible(false);
    DoHide();
    if (!self) return;
    CurrentPlatform().HideWindow(*this);
    Screen().FormHidden(this);
  }
}

void TCustomForm::Show() {
  TComponentWatch self(this);
  SetVisible(true);
  if (self && Visible()) BringToFront();
}

void TCustomForm::BringToFront() {
  if (Destroying()) return;
  Screen().MoveToFront(this);
  if (!Visible()) return;
  TComponentWatch self(this);
  CurrentPlatform().BringWindowToFront(*this);
  if (self && AcceptsInput()) Activate();
}

void TCustomForm::Activate() {
  TComponentWatch self(this);
  Screen().SetActiveForm(this);
  if (!self || !Active()) return;
  TWinControl* current = ActiveControl();
  if (current == nullptr || !current->CanFocus()) SelectFirst();
}

bool TCustomForm::Active() const { return Screen().ActiveForm() == this; }

bool TCustomForm::AcceptsInput() const {
  if (!Visible() || !Enabled() || Destroying()) return false;
  return Screen().ModalLevel() == 0 || showLevel_ >= Screen().ModalLevel();
}

void TCustomForm::CheckAcceptsInput() const {
  if (Destroying()) throw EInvalidOperation("Form '" + FormName(*this) + "' is being destroyed");
  if (!Visible()) throw EInvalidOperation("Form '" + FormName(*this) + "' is not shown and takes no input");
  if (!Enabled()) throw EInvalidOperation("Form '" + FormName(*this) + "' is disabled and takes no input");
  if (!AcceptsInput()) {
    const TCustomForm* modal = Screen().ModalForm();
    throw EInvalidOperation("Form '" + FormName(*this) + "' takes no input while the modal window '" +
                            (modal != nullptr ? FormName(*modal) : std::string("?")) + "' is shown");
  }
}

int TCustomForm::ShowModal() { return ExecuteModal(true); }

int TCustomForm::ExecuteModal(bool runCloseProtocol) {
  const std::string name = FormName(*this);
  if (Destroying()) throw EInvalidOperation("Form '" + name + "' is being destroyed and cannot be shown");
  if (modalShowing_) throw EInvalidOperation("Form '" + name + "' is already shown modally");
  if (Visible()) throw EInvalidOperation("Cannot make the visible form '" + name + "' modal");
  if (!Enabled()) throw EInvalidOperation("Cannot make the disabled form '" + name + "' modal");

  TCustomForm* previous = Screen().ActiveForm();
  TComponentWatch previousWatch(previous);
  modalResult_ = kModalNone;
  modalShowing_ = true;
  closeOnModalResult_ = runCloseProtocol;
  releaseAfterModal_ = false;
  endModalNow_ = false;
  Screen().PushModal(this);
  try {
    SetVisible(true);
    CurrentPlatform().RunModalLoop(*this);
  } catch (...) {
    try {
      EndModal(previousWatch ? previous : nullptr);
    } catch (...) {
      // The first error is the one worth reporting.
    }
    throw;
  }
  EndModal(previousWatch ? previous : nullptr);
  const int result = modalResult_;
  if (releaseAfterModal_) {
    releaseAfterModal_ = false;
    Release();
  }
  return result;
}

void TCustomForm::EndModal(TCustomForm* previousActive) {
  modalShowing_ = false;
  endModalNow_ = false;
  Screen().PopModal(this);
  TComponentWatch previousWatch(previousActive);
  if (Visible()) SetVisible(false);
  if (previousWatch && previousActive != this && previousActive->AcceptsInput()) previousActive->Activate();
}

void TCustomForm::SetModalResult(int result) {
  if (result == modalResult_) return;
  modalResult_ = result;
  Changed("ModalResult");
}

bool TCustomForm::ConfirmModalEnd() {
  if (modalResult_ == kModalNone) return false;
  if (!modalShowing_ || !closeOnModalResult_ || endModalNow_) return true;
  if (!CloseQuery()) {
    SetModalResult(kModalNone);
    return false;
  }
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) {
    SetModalResult(kModalNone);
    return false;
  }
  if (action == caFree) releaseAfterModal_ = true;
  return modalResult_ != kModalNone;
}

std::string TCustomForm::ModalWindowName() const { return Name().empty() ? ClassName() : Name(); }

bool TCustomForm::ModalWindowIs(std::string_view key) const {
  return (!Name().empty() && SameText(key, Name())) || SameText(key, ClassName());
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) {
    TCloseQueryEvent handler = OnCloseQuery;
    handler(this, canClose);
  }
  return canClose;
}

void TCustomForm::Close() {
  if (freed_ || Destroying()) return;
  if (modalShowing_) {
    SetModalResult(kModalCancel);
    return;
  }
  TComponentWatch self(this);
  if (!CloseQuery() || !self) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (!self) return;
  ApplyCloseAction(action);
}

void TCustomForm::ApplyCloseAction(TCloseAction action) {
  if (action == caNone) return;
  if (Application().MainForm() == this) {
    Application().Terminate();
    return;
  }
  switch (action) {
    case caHide: SetVisible(false); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    case caNone: break;
  }
}

void TCustomForm::DoCreate() {
  if (OnCreate) {
    TNotifyEvent handler = OnCreate;
    handler(this);
  }
}

void TCustomForm::DoShow() {
  if (OnShow) {
    TNotifyEvent handler = OnShow;
    handler(this);
  }
}

void TCustomForm::DoHide() {
  if (OnHide) {
    TNotifyEvent handler = OnHide;
    handler(this);
  }
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) {
    TCloseEvent handler = OnClose;
    handler(this, action);
  }
}

void TCustomForm::DoDestroy() {
  if (OnDestroy) {
    TNotifyEvent handler = OnDestroy;
    handler(this);
  }
}

void TCustomForm::Resize() {
  if (OnResize) {
    TNotifyEvent handler = OnResize;
    handler(this);
  }
}

// ---- Focus -------------------------------------------------------------------------------

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == this) control = nullptr;
  TWinControl* old = ActiveControl();
  if (control == old) return;
  if (control != nullptr) {
    if (!ContainsControl(control)) {
      throw EInvalidOperation("Control '" + control->Name() + "' is not on form '" + FormName(*this) + "'");
    }
    if (!control->CanFocus()) {
      throw EInvalidOperation("Cannot focus a disabled or invisible window ('" + control->Name() + "')");
    }
  }
  TComponentWatch self(this);
  TComponentWatch target(control);
  TComponentWatch oldWatch(old);

  if (old != nullptr) {
    std::vector<TWinControl*> exits;
    for (TWinControl* c = old; c != nullptr && c != this; c = c->Parent()) {
      if (control != nullptr && c->ContainsControl(control)) break;
      exits.push_back(c);
    }
    std::vector<std::unique_ptr<TComponentWatch>> watches;
    std::vector<bool> skip;
    for (TWinControl* c : exits) {
      watches.push_back(std::make_unique<TComponentWatch>(c));
      skip.push_back(std::find(exiting_.begin(), exiting_.end(), c) != exiting_.end());
    }
    const size_t mark = exiting_.size();
    exiting_.insert(exiting_.end(), exits.begin(), exits.end());
    struct Unmark {
      TComponentWatch& self;
      std::vector<TWinControl*>& list;
      size_t mark;
      ~Unmark() {
        if (self) list.resize(mark);
      }
    } unmark{self, exiting_, mark};
    for (size_t i = 0; i < exits.size(); ++i) {
      if (skip[i] || !watches[i]->Alive() || !exits[i]->OnExit) continue;
      TNotifyEvent handler = exits[i]->OnExit;
      handler(exits[i]);
      if (!self) return;
      if (ActiveControl() != (oldWatch ? old : nullptr)) return;  // the handler moved the focus itself
    }
  }
  if (control != nullptr && (!target || !control->CanFocus())) return;

  activeControl_.Set(control);
  activeRaw_ = control;
  Changed("ActiveControl");
  Screen().ActiveControlChanged(this);
  if (control == nullptr) return;

  std::vector<TWinControl*> enters;
  for (TWinControl* c = control; c != nullptr && c != this; c = c->Parent()) {
    if (oldWatch && c->ContainsControl(old)) break;
    enters.push_back(c);
  }
  std::reverse(enters.begin(), enters.end());
  std::vector<std::unique_ptr<TComponentWatch>> watches;
  for (TWinControl* c : enters) watches.push_back(std::make_unique<TComponentWatch>(c));
  for (size_t i = 0; i < enters.size(); ++i) {
    if (!watches[i]->Alive() || !enters[i]->OnEnter) continue;
    TNotifyEvent handler = enters[i]->OnEnter;
    handler(enters[i]);
    if (!self || ActiveControl() != control) return;
  }
}

void TCustomForm::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  TWinControl* next = FindNextControl(current == this ? nullptr : current, goForward, checkTabStop, false);
  if (next != nullptr) SetActiveControl(next);
}

void TCustomForm::SelectFirst() { SelectNext(nullptr, true, true); }

TWinControl* TCustomForm::FocusTarget() const {
  TWinControl* control = ActiveControl();
  if (control != nullptr && control != this && ContainsControl(control) && control->CanFocus()) return control;
  return const_cast<TCustomForm*>(this);
}

// ---- Input ---------------------------------------------------------------------------------

bool TCustomForm::IsShortCut(TShortCut shortCut) {
  if (shortCut == scNone) return false;
  TComponentWatch self(this);
  if (OnShortCut) {
    bool handled = false;
    TShortCutEvent handler = OnShortCut;
    handler(shortCut, handled);
    if (handled || !self) return true;
  }
  if (TMainMenu* menu = Menu()) return menu->IsShortCut(shortCut);
  return false;
}

bool TCustomForm::MenuShortCut(TWinControl* target, TShortCut shortCut) {
  const uint16_t key = shortCut & 0x1FFF;
  if (key == 0 || key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return false;
  std::vector<TPopupMenu*> popups;
  for (TControl* c = target; c != nullptr; c = c->Parent()) {
    TPopupMenu* popup = c->PopupMenu();
    if (popup != nullptr && std::find(popups.begin(), popups.end(), popup) == popups.end()) popups.push_back(popup);
    if (c == this) break;
  }
  std::vector<std::unique_ptr<TComponentWatch>> watches;
  for (TPopupMenu* popup : popups) watches.push_back(std::make_unique<TComponentWatch>(popup));
  TComponentWatch self(this);
  for (size_t i = 0; i < popups.size(); ++i) {
    if (!watches[i]->Alive()) continue;
    if (popups[i]->IsShortCut(shortCut)) return true;
    if (!self) return true;
  }
  return IsShortCut(shortCut);
}

bool TCustomForm::DialogKey(TWinControl* target, uint16_t key, TShiftState shift) {
  TDialogCodes wanted;
  if (target != this) {
    if (auto* handling = dynamic_cast<IKeyHandling*>(target)) wanted = handling->WantedKeys();
  }
  const bool ctrlOrAlt = shift.Contains(ssCtrl) || shift.Contains(ssAlt);
  if (key == VK_TAB && !ctrlOrAlt && !wanted.Contains(dcWantTab)) {
    SelectNext(target, !shift.Contains(ssShift), true);
    return true;
  }
  if (key == VK_TAB && shift.Contains(ssCtrl) && !shift.Contains(ssAlt) && !wanted.Contains(dcWantTab)) {
    // Ctrl+Tab belongs to the nearest container that pages (a page control
    // around the focused edit), whatever has the focus inside it.
    TComponentWatch self(this);
    for (TWinControl* c = target != this ? target->Parent() : nullptr; c != nullptr && c != this; c = c->Parent()) {
      if (auto* handling = dynamic_cast<IKeyHandling*>(c)) {
        uint16_t k = key;
        handling->HandleKeyDown(k, shift);
        if (k == 0 || !self) return true;
      }
    }
  }
  if ((key == VK_RETURN || key == VK_ESCAPE) && !ctrlOrAlt && !shift.Contains(ssShift) &&
      !wanted.Contains(dcWantAllKeys)) {
    TControl* button = nullptr;
    if (key == VK_RETURN && target != this && BoolProp(target, "Default").has_value()) {
      button = target;  // a focused button takes Enter itself
    } else {
      button = FindButton(*this, key == VK_RETURN ? "Default" : "Cancel");
    }
    if (button != nullptr && EnabledChain(button) && button->Showing()) {
      button->Click();
      return true;
    }
  }
  return false;
}

TCustomForm::KeyRoute TCustomForm::RouteKeyDown(uint16_t key, TShiftState shift) {
  CheckAcceptsInput();
  TWinControl* target = FocusTarget();
  TComponentWatch self(this);
  TComponentWatch targetWatch(target);
  if (MenuShortCut(target, ShortCut(key, shift))) return KeyRoute::kUsed;
  if (!self || !targetWatch) return KeyRoute::kUsed;
  if (DialogKey(target, key, shift)) return KeyRoute::kUsed;
  if (!self || !targetWatch) return KeyRoute::kUsed;

  uint16_t k = key;
  if (target != this && keyPreview_ && OnKeyDown) {
    TKeyEvent handler = OnKeyDown;
    handler(this, k, shift);
    if (!self || k == 0) return KeyRoute::kSwallowed;
  }
  if (!targetWatch) return KeyRoute::kSwallowed;
  if (target->OnKeyDown) {
    TKeyEvent handler = target->OnKeyDown;
    handler(target, k, shift);
    if (!targetWatch || k == 0) return KeyRoute::kSwallowed;
  }
  if (auto* handling = dynamic_cast<IKeyHandling*>(target)) {
    handling->HandleKeyDown(k, shift);
    if (k == 0) return KeyRoute::kSwallowed;
  }
  // The key the control left alone may still be the one a user presses for
  // the context menu; a handler above that changed it asked for another key.
  if (IsContextMenuKey(k, shift) && targetWatch && target->ContextPopup(kKeyboardContextPos)) {
    return KeyRoute::kUsed;
  }
  return KeyRoute::kPassed;
}

bool TCustomForm::RouteKeyPress(TWinControl* target, char& key) {
  TComponentWatch self(this);
  TComponentWatch targetWatch(target);
  if (target != this && keyPreview_ && OnKeyPress) {
    TKeyPressEvent handler = OnKeyPress;
    handler(this, key);
    if (!self || key == 0) return true;
  }
  if (!targetWatch) return true;
  if (target->OnKeyPress) {
    TKeyPressEvent handler = target->OnKeyPress;
    handler(target, key);
    if (!targetWatch || key == 0) return true;
  }
  if (auto* handling = dynamic_cast<IKeyHandling*>(target)) {
    handling->HandleKeyPress(key);
    if (key == 0) return true;
  }
  return false;
}

bool TCustomForm::SendKeyDown(uint16_t key, TShiftState shift) {
  return RouteKeyDown(key, shift) != KeyRoute::kPassed;
}

bool TCustomForm::SendKeyPress(char key) {
  CheckAcceptsInput();
  if (key == 0) return false;
  char k = key;
  return RouteKeyPress(FocusTarget(), k);
}

bool TCustomForm::SendKeyUp(uint16_t key, TShiftState shift) {
  CheckAcceptsInput();
  TWinControl* target = FocusTarget();
  TComponentWatch self(this);
  TComponentWatch targetWatch(target);
  uint16_t k = key;
  if (target != this && keyPreview_ && OnKeyUp) {
    TKeyEvent handler = OnKeyUp;
    handler(this, k, shift);
    if (!self || k == 0) return true;
  }
  if (!targetWatch) return true;
  if (target->OnKeyUp) {
    TKeyEvent handler = target->OnKeyUp;
    handler(target, k, shift);
    if (!targetWatch || k == 0) return true;
  }
  if (auto* handling = dynamic_cast<IKeyHandling*>(target)) {
    handling->HandleKeyUp(k, shift);
    if (k == 0) return true;
  }
  return false;
}

void TCustomForm::PressKey(uint16_t key, TShiftState shift) {
  CheckAcceptsInput();
  TWinControl* target = FocusTarget();
  TComponentWatch self(this);
  TComponentWatch targetWatch(target);
  const KeyRoute route = RouteKeyDown(key, shift);
  if (!self) return;
  const char typed = KeyToChar(key, shift);
  if (route != KeyRoute::kUsed && typed != 0 && AcceptsInput()) {
    // The character goes where the key went down, as the window system posts
    // it to that window, unless that control cannot take it any more.
    TWinControl* to = (targetWatch && ContainsControl(target) && target->CanFocus()) ? target : FocusTarget();
    char c = typed;
    RouteKeyPress(to, c);
    if (!self) return;
  }
  if (AcceptsInput()) SendKeyUp(key, shift);
}

void TCustomForm::TypeText(std::string_view text) {
  TComponentWatch self(this);
  for (char c : text) {
    if (!self) return;
    SendKeyPress(c);
  }
}

void TCustomForm::ClickControl(TControl* control) {
  CheckAcceptsInput();
  if (control == nullptr || control == this || !ContainsControl(control)) {
    throw EInvalidOperation("Control '" + (control != nullptr ? control->Name() : std::string()) +
                            "' is not on form '" + FormName(*this) + "'");
  }
  if (!control->Showing() || !EnabledChain(control)) {
    throw EInvalidOperation("Cannot click '" + control->Name() + "': it is hidden or disabled");
  }
  TComponentWatch watch(control);
  if (auto* win = dynamic_cast<TWinControl*>(control); win != nullptr && win->TabStop() && win->CanFocus()) {
    SetActiveControl(win);
    // A control whose exit handler kept the focus (or freed the target)
    // swallows the click, as a message box shown on leaving a field does.
    if (!watch || ActiveControl() != win) return;
  }
  control->Click();
}

bool TCustomForm::RightClickControl(TControl* control, TPoint at) {
  CheckAcceptsInput();
  if (control == nullptr || !ContainsControl(control)) {
    throw EInvalidOperation("Control '" + (control != nullptr ? control->Name() : std::string()) +
                            "' is not on form '" + FormName(*this) + "'");
  }
  if (!control->Showing() || !EnabledChain(control)) {
    throw EInvalidOperation("Cannot right-click '" + control->Name() + "': it is hidden or disabled");
  }
  TComponentWatch watch(control);
  control->MouseDown(TShiftState{ssRight}, at.X, at.Y);
  if (!watch) return true;
  return control->ContextPopup(at);
}

// ---- Messages and painting -------------------------------------------------------------------

void TCustomForm::SetMessageHandler(uint32_t message, TMessageHandler handler) {
  if (handler) {
    handlers_[message] = std::move(handler);
  } else {
    handlers_.erase(message);
  }
}

intptr_t TCustomForm::Perform(uint32_t message, intptr_t wParam, intptr_t lParam) {
  if (Destroying()) return 0;
  auto it = handlers_.find(message);
  if (it == handlers_.end()) return DefaultMessage(message, wParam, lParam);
  TMessageHandler handler = it->second;  // a copy: the handler may replace itself
  TMessage m{message, wParam, lParam, 0};
  handler(m);
  return m.result;
}

intptr_t TCustomForm::DefaultMessage(uint32_t message, intptr_t wParam, intptr_t lParam) {
  switch (message) {
    case WM_CLOSE: Close(); break;
    case WM_PAINT: Paint(); break;
    case CM_RELEASE: Free(); break;
    default: break;
  }
  return 0;
}

void TCustomForm::Invalidate() {
  if (!Destroying()) CurrentPlatform().InvalidateWindow(*this);
}

void TCustomForm::Paint() {
  if (OnPaint) {
    TNotifyEvent handler = OnPaint;
    handler(this);
  }
}

// ---- TScreen -------------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TScreen, TComponent);

void TScreen::DefineProperties(PropertyBuilder<TScreen>& p) {
  p.Integer("Cursor", &TScreen::Cursor, &TScreen::SetCursor, &kCursorIdents)
      .Font("IconFont", &TScreen::IconFont)
      .Font("HintFont", &TScreen::HintFont)
      .Font("MenuFont", &TScreen::MenuFont)
      .Integer("Width", &TScreen::Width)
      .Integer("Height", &TScreen::Height)
      .Event("OnActiveFormChange", &TScreen::OnActiveFormChange)
      .Event("OnActiveControlChange", &TScreen::OnActiveControlChange);
}

TScreen::TScreen(TComponent* owner)
    : TComponent(owner),
      iconFont_(std::make_unique<TFont>([this] { Changed("IconFont"); })),
      hintFont_(std::make_unique<TFont>([this] { Changed("HintFont"); })),
      menuFont_(std::make_unique<TFont>([this] { Changed("MenuFont"); })) {}

TScreen::~TScreen() { MarkDestroying(); }

TCustomForm* TScreen::Forms(int index) const {
  if (index < 0 || index >= FormCount()) {
    throw EComponentError("Form index out of bounds (" + IntToStr(index) + ")");
  }
  return forms_[index];
}

TWinControl* TScreen::ActiveControl() const {
  return activeForm_ != nullptr ? activeForm_->ActiveControl() : nullptr;
}

void TScreen::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  Changed("Cursor");
  CurrentPlatform().SetCursor(cursor);
}

void TScreen::SetSize(int width, int height) {
  if (width != width_) {
    width_ = width;
    Changed("Width");
  }
  if (height != height_) {
    height_ = height;
    Changed("Height");
  }
}

void TScreen::AddForm(TCustomForm* form) {
  forms_.push_back(form);
  Changed("Forms");
}

void TScreen::RemoveForm(TCustomForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  modal_.erase(std::remove(modal_.begin(), modal_.end(), form), modal_.end());
  Changed("Forms");
  if (activeForm_ != form) return;
  activeForm_ = nullptr;
  Changed("ActiveForm");
  // The form is on its way out; another window takes the input as the window
  // system would give it. Its handlers' errors have nowhere to go.
  try {
    for (TCustomForm* next : forms_) {
      if (next->AcceptsInput()) {
        next->Activate();
        return;
      }
    }
    if (OnActiveFormChange) {
      TNotifyEvent handler = OnActiveFormChange;
      handler(this);
    }
  } catch (...) {
  }
}

void TScreen::MoveToFront(TCustomForm* form) {
  auto it = std::find(forms_.begin(), forms_.end(), form);
  if (it == forms_.end() || it == forms_.begin()) return;
  std::rotate(forms_.begin(), it, it + 1);
  Changed("Forms");
}

void TScreen::SetActiveForm(TCustomForm* form) {
  if (form == activeForm_) return;
  TCustomForm* old = activeForm_;
  activeForm_ = form;
  if (form != nullptr) MoveToFront(form);
  Changed("ActiveForm");
  TComponentWatch self(this);
  TComponentWatch oldWatch(old);
  TComponentWatch newWatch(form);
  if (oldWatch && old->OnDeactivate) {
    TNotifyEvent handler = old->OnDeactivate;
    handler(old);
  }
  if (newWatch && activeForm_ == form && form->OnActivate) {
    TNotifyEvent handler = form->OnActivate;
    handler(form);
  }
  if (OnActiveFormChange) {
    TNotifyEvent handler = OnActiveFormChange;
    handler(this);
  }
  if (OnActiveControlChange) {
    TNotifyEvent handler = OnActiveControlChange;
    handler(this);
  }
}

void TScreen::ActiveControlChanged(TCustomForm* form) {
  if (form != activeForm_) return;
  Changed("ActiveControl");
  if (OnActiveControlChange) {
    TNotifyEvent handler = OnActiveControlChange;
    handler(this);
  }
}

void TScreen::FormHidden(TCustomForm* form) {
  if (activeForm_ != form) return;
  for (TCustomForm* next : forms_) {
    if (next != form && next->AcceptsInput()) {
      next->Activate();
      return;
    }
  }
  SetActiveForm(nullptr);
}

void TScreen::PopModal(TCustomForm* form) {
  auto it = std::find(modal_.rbegin(), modal_.rend(), form);
  if (it != modal_.rend()) modal_.erase(std::next(it).base());
}

TScreen& Screen() {
  static TScreen* screen = TComponent::CreateUnowned<TScreen>().release();  // outlives static destructors
  return *screen;
}

TCursorScope::TCursorScope(TCursor cursor) : previous_(Screen().Cursor()) { Screen().SetCursor(cursor); }

TCursorScope::~TCursorScope() {
  try {
    Screen().SetCursor(previous_);
  } catch (...) {
  }
}

// ---- TApplication ------------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TApplication, TComponent);

void TApplication::DefineProperties(PropertyBuilder<TApplication>& p) {
  p.Text("Title", &TApplication::Title, &TApplication::SetTitle)
      .Integer("HintPause", &TApplication::HintPause, &TApplication::SetHintPause)
      .Integer("HintHidePause", &TApplication::HintHidePause, &TApplication::SetHintHidePause)
      .Integer("HintShortPause", &TApplication::HintShortPause, &TApplication::SetHintShortPause)
      .Bool("ShowHint", &TApplication::ShowHint, &TApplication::SetShowHint)
      .Text("Hint", &TApplication::Hint, &TApplication::SetHint);
}

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() {
  MarkDestroying();
  for (int i = ComponentCount() - 1; i >= 0; --i) {
    if (i >= ComponentCount()) continue;
    if (auto* form = dynamic_cast<TCustomForm*>(Components(i))) {
      try {
        form->RunDestroyHandlers();
      } catch (...) {
      }
    }
  }
}

void TApplication::SetTitle(const std::string& title) {
  if (title == title_) return;
  title_ = title;
  Changed("Title");
}

void TApplication::SetHintPause(int hintPause) {
  if (hintPause == hintPause_) return;
  hintPause_ = hintPause;
  Changed("HintPause");
}

void TApplication::SetHintHidePause(int hintHidePause) {
  if (hintHidePause == hintHidePause_) return;
  hintHidePause_ = hintHidePause;
  Changed("HintHidePause");
}

void TApplication::SetHintShortPause(int hintShortPause) {
  if (hintShortPause == hintShortPause_) return;
  hintShortPause_ = hintShortPause;
  Changed("HintShortPause");
}

void TApplication::SetShowHint(bool showHint) {
  if (showHint == showHint_) return;
  showHint_ = showHint;
  Changed("ShowHint");
}

void TApplication::SetHint(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  Changed("Hint");
}

void TApplication::ProcessMessages() { CurrentPlatform().ProcessMessages(); }

void TApplication::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  Changed("Terminated");
}

void TApplication::HandleException(const std::exception& error) {
  if (dynamic_cast<const EAbort*>(&error) != nullptr) return;
  if (OnException) {
    std::function<void(const std::exception&)> handler = OnException;
    handler(error);
    return;
  }
  std::string text = error.what();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  MessageDialogRequest request;
  request.kind = DialogKind::kError;
  request.text = text;
  request.buttons.push_back(DialogButton{"OK", "OK"});
  request.defaultButton = "OK";
  request.caption = title_;
  CurrentPlatform().MessageDialog(request);
}

bool TApplication::DeliverInput(const std::function<void()>& input) {
  try {
    input();
    return true;
  } catch (const std::exception& error) {
    HandleException(error);
    return false;
  }
}

TApplication& Application() {
  static TApplication* application = TComponent::CreateUnowned<TApplication>().release();
  return *application;
}

// ---- Helpers -----------------------------------------------------------------------------------

TCustomForm* GetParentForm(const TControl* control) {
  const TControl* top = control;
  while (top != nullptr && top->Parent() != nullptr) top = top->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(top));
}

TCustomForm* GetOwnerForm(const TComponent* component) {
  for (TComponent* owner = component != nullptr ? component->Owner() : nullptr; owner != nullptr;
       owner = owner->Owner()) {
    if (auto* form = dynamic_cast<TCustomForm*>(owner)) return form;
  }
  return nullptr;
}

bool Focused(const TWinControl* control) {
  TCustomForm* form = GetParentForm(control);
  return control != nullptr && form != nullptr && form != control && form->Active() &&
         form->ActiveControl() == control && control->CanFocus();
}

bool FocusControl(TWinControl* control) {
  TCustomForm* form = GetParentForm(control);
  if (form == nullptr || form == control || !control->CanFocus()) return false;
  form->SetActiveControl(control);
  return form->ActiveControl() == control;
}

intptr_t SendMessage(WindowHandle window, uint32_t message, intptr_t wParam, intptr_t lParam) {
  TWinControl* control = FindControl(window);
  return control != nullptr ? control->Perform(message, wParam, lParam) : 0;
}

intptr_t SendToOwnerForm(const TComponent* component, uint32_t message, intptr_t wParam, intptr_t lParam) {
  TCustomForm* form = GetOwnerForm(component);
  return form != nullptr ? form->Perform(message, wParam, lParam) : 0;
}

intptr_t ComponentToParam(const TComponent* component) { return reinterpret_cast<intptr_t>(component); }

TComponent* ParamToComponent(intptr_t param) { return reinterpret_cast<TComponent*>(param); }

}  // namespace pellor
