#include "platform/ui/comctrls_pages.h"

#include <algorithm>
#include <string>

#include "platform/ui/forms.h"

namespace pellor {

namespace {

EComponentError IndexError(const char* what, int index) {
  return EComponentError(std::string(what) + " index out of bounds (" + std::to_string(index) + ")");
}

// The form holding a control: the nearest parent that is a form.
TCustomForm* ParentForm(TControl* control) {
  for (TWinControl* p = control->Parent(); p != nullptr; p = p->Parent()) {
    if (auto* form = dynamic_cast<TCustomForm*>(p)) return form;
  }
  return nullptr;
}

}  // namespace

// ---- TTabSheet ------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TTabSheet, TWinControl);

void TTabSheet::DefineProperties(PropertyBuilder<TTabSheet>& p) {
  p.Text("Caption", &TTabSheet::Caption, &TTabSheet::SetCaption)
      .Reference("PageControl", &TTabSheet::PageControl, &TTabSheet::SetPageControl)
      .Integer("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex)
      .Bool("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible);
}

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) { SetColor(clBtnFace); }

TTabSheet::~TTabSheet() {
  MarkDestroying();
  if (pageControl_ != nullptr) pageControl_->RemovePage(this);
}

void TTabSheet::SetParent(TWinControl* parent) {
  TPageControl* old = pageControl_;
  TWinControl::SetParent(parent);  // refuses cycles before anything changed
  auto* next = dynamic_cast<TPageControl*>(parent);
  if (next == old) return;
  if (old != nullptr) old->RemovePage(this);
  if (next != nullptr) next->InsertPage(this);
  Changed("PageControl");
}

void TTabSheet::SetPageControl(TPageControl* pageControl) { SetParent(pageControl); }

int TTabSheet::PageIndex() const {
  if (pageControl_ == nullptr) return -1;
  const auto& pages = pageControl_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int pageIndex) {
  if (pageControl_ == nullptr) {
    throw EInvalidOperation("Tab sheet '" + Name() + "' has no page control to take a page index in");
  }
  pageControl_->MovePage(this, pageIndex);
}

int TTabSheet::TabIndex() const {
  if (pageControl_ == nullptr || !tabVisible_) return -1;
  int index = 0;
  for (const TTabSheet* page : pageControl_->pages_) {
    if (page == this) return index;
    if (page->tabVisible_) ++index;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool tabVisible) {
  if (tabVisible == tabVisible_) return;
  const int oldTabIndex = TabIndex();
  tabVisible_ = tabVisible;
  Changed("TabVisible");
  if (pageControl_ == nullptr) return;
  if (tabVisible_) {
    pageControl_->TabShown(this);
  } else {
    pageControl_->TabHidden(this, oldTabIndex);
  }
}

// ---- TPageControl ---------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TPageControl, TWinControl);

void TPageControl::DefineProperties(PropertyBuilder<TPageControl>& p) {
  p.Reference("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage)
      .Integer("ActivePageIndex", &TPageControl::ActivePageIndex, &TPageControl::SetActivePageIndex)
      .Integer("TabIndex", &TPageControl::TabIndex, &TPageControl::SetTabIndex)
      .Integer("PageCount", &TPageControl::PageCount)
      .Enum("Style", kTabStyleInfo, &TPageControl::Style, &TPageControl::SetStyle)
      .Bool("OwnerDraw", &TPageControl::OwnerDraw, &TPageControl::SetOwnerDraw)
      .Integer("TabHeight", &TPageControl::TabHeight, &TPageControl::SetTabHeight)
      .Integer("TabWidth", &TPageControl::TabWidth, &TPageControl::SetTabWidth)
      .Bool("MultiLine", &TPageControl::MultiLine, &TPageControl::SetMultiLine)
      .Event("OnChanging", &TPageControl::OnChanging)
      .Event("OnChange", &TPageControl::OnChange);
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
}

TPageControl::~TPageControl() {
  MarkDestroying();
  for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
  pages_.clear();
  activePage_ = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount()) throw IndexError("Page", index);
  return pages_[index];
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page != nullptr && page->pageControl_ != this) {
    throw EInvalidOperation("Tab sheet '" + page->Name() + "' is not a page of '" + Name() + "'");
  }
  if (page == activePage_) return;
  TTabSheet* old = activePage_;
  // The focus leaves the page that goes out of sight first; a control that
  // refuses to let it go keeps its page.
  TCustomForm* form = ParentForm(this);
  const bool focusOnOld = form != nullptr && old != nullptr && form->ActiveControl() != nullptr &&
                          old->ContainsControl(form->ActiveControl());
  if (focusOnOld) {
    form->SetActiveControl(old);
    if (form->ActiveControl() != old) return;
  }
  activePage_ = page;
  if (page != nullptr) page->SetVisible(true);
  if (old != nullptr) old->SetVisible(false);
  Changed("ActivePage");
  if (focusOnOld && form->ActiveControl() == old) {
    TWinControl* target = page != nullptr ? static_cast<TWinControl*>(page) : this;
    if (target->CanFocus()) form->SetActiveControl(target);
  }
}

int TPageControl::ActivePageIndex() const { return activePage_ != nullptr ? activePage_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int index) {
  if (index < -1 || index >= PageCount()) throw IndexError("Page", index);
  SetActivePage(index >= 0 ? pages_[index] : nullptr);
}

int TPageControl::TabCount() const {
  return static_cast<int>(std::count_if(pages_.begin(), pages_.end(), [](TTabSheet* p) { return p->tabVisible_; }));
}

TTabSheet* TPageControl::PageForTab(int tabIndex) const {
  if (tabIndex < 0) return nullptr;
  for (TTabSheet* page : pages_) {
    if (page->tabVisible_ && tabIndex-- == 0) return page;
  }
  return nullptr;
}

void TPageControl::SetTabIndex(int tabIndex) {
  if (tabIndex < -1 || tabIndex >= TabCount()) throw IndexError("Tab", tabIndex);
  SetActivePage(PageForTab(tabIndex));
}

TTabSheet* TPageControl::FindNextPage(const TTabSheet* current, bool goForward, bool checkTabVisible) const {
  const int n = PageCount();
  if (n == 0) return nullptr;
  auto it = std::find(pages_.begin(), pages_.end(), current);
  int i = it != pages_.end() ? static_cast<int>(it - pages_.begin()) : (goForward ? n - 1 : 0);
  for (int step = 0; step < n; ++step) {
    i = goForward ? (i + 1) % n : (i + n - 1) % n;
    if (!checkTabVisible || pages_[i]->tabVisible_) return pages_[i];
  }
  return nullptr;
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

bool TPageControl::ChangeByUser(TTabSheet* page) {
  if (page == nullptr || page == activePage_ || !CanChange()) return false;
  SetActivePage(page);
  if (activePage_ != page) return false;  // the focus could not leave the old page
  Change();
  return true;
}

bool TPageControl::SelectNextPage(bool goForward, bool checkTabVisible) {
  return ChangeByUser(FindNextPage(activePage_, goForward, checkTabVisible));
}

bool TPageControl::SelectTab(int tabIndex) {
  if (tabIndex < 0 || tabIndex >= TabCount()) throw IndexError("Tab", tabIndex);
  return ChangeByUser(PageForTab(tabIndex));
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  page->pageControl_ = this;
  if (activePage_ == nullptr && page->tabVisible_) {
    SetActivePage(page);
  } else {
    page->SetVisible(false);
  }
  Realign();
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  TTabSheet* next = nullptr;
  if (page == activePage_) {
    next = FindNextPage(page, true, true);
    if (next == page) next = nullptr;
  }
  pages_.erase(it);
  page->pageControl_ = nullptr;
  if (page != activePage_) return;
  activePage_ = nullptr;
  if (next != nullptr && !Destroying()) {
    SetActivePage(next);
  } else {
    Changed("ActivePage");
  }
}

void TPageControl::MovePage(TTabSheet* page, int index) {
  if (index < 0 || index >= PageCount()) throw IndexError("Page", index);
  auto it = std::find(pages_.begin(), pages_.end(), page);
  const int from = static_cast<int>(it - pages_.begin());
  if (from == index) return;
  pages_.erase(it);
  pages_.insert(pages_.begin() + index, page);
  for (int i = std::min(from, index); i <= std::max(from, index); ++i) pages_[i]->Changed("PageIndex");
}

void TPageControl::TabHidden(TTabSheet* page, int oldTabIndex) {
  if (page != activePage_) return;
  // The tab that moves into the hidden tab's place, or the last one.
  const int count = TabCount();
  SetActivePage(count == 0 ? nullptr : PageForTab(std::min(oldTabIndex, count - 1)));
}

void TPageControl::TabShown(TTabSheet* page) {
  if (activePage_ == nullptr) SetActivePage(page);
}

void TPageControl::SetStyle(TTabStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed("Style");
}

void TPageControl::SetOwnerDraw(bool ownerDraw) {
  if (ownerDraw == ownerDraw_) return;
  ownerDraw_ = ownerDraw;
  Changed("OwnerDraw");
}

void TPageControl::SetTabHeight(int tabHeight) {
  if (tabHeight < 0) throw EPropertyError("TabHeight cannot be negative (" + std::to_string(tabHeight) + ")");
  if (tabHeight == tabHeight_) return;
  tabHeight_ = tabHeight;
  Changed("TabHeight");
  Realign();
}

void TPageControl::SetTabWidth(int tabWidth) {
  if (tabWidth < 0) throw EPropertyError("TabWidth cannot be negative (" + std::to_string(tabWidth) + ")");
  if (tabWidth == tabWidth_) return;
  tabWidth_ = tabWidth;
  Changed("TabWidth");
}

void TPageControl::SetMultiLine(bool multiLine) {
  if (multiLine == multiLine_) return;
  multiLine_ = multiLine;
  Changed("MultiLine");
}

void TPageControl::AlignControls() {
  // A tab row of TabHeight (20 when it follows the font), and a frame of 4
  // pixels round the page area.
  const int row = tabHeight_ > 0 ? tabHeight_ : 20;
  const int top = row + 4;
  for (TTabSheet* page : pages_) {
    page->SetBounds(4, top, std::max(0, Width() - 8), std::max(0, Height() - top - 4));
  }
}

void TPageControl::HandleKeyDown(uint16_t& key, TShiftState shift) {
  const bool ctrl = shift.Contains(ssCtrl);
  int direction = 0;
  if (ctrl && key == VK_TAB) direction = shift.Contains(ssShift) ? -1 : 1;
  if (ctrl && key == VK_NEXT) direction = 1;
  if (ctrl && key == VK_PRIOR) direction = -1;
  if (!ctrl && key == VK_RIGHT) direction = 1;
  if (!ctrl && key == VK_LEFT) direction = -1;
  if (direction == 0) return;
  key = 0;
  SelectNextPage(direction > 0);
}

}  // namespace pellor
