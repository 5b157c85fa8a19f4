// Page controls and their tab sheets.
//
// A tab sheet belongs to the page control that is its parent. Of the sheets
// only the active page is visible (Visible), so that the controls on the
// other pages cannot take the focus. The tabs show the sheets whose
// TabVisible is set, in page order; a tab index counts those only.
//
// Activating a page by code (ActivePage, ActivePageIndex, TabIndex) fires no
// events. What the user does — clicking a tab (SelectTab), Ctrl+Tab
// (SelectNextPage) — asks OnChanging first, which may veto the change, and
// runs OnChange after it.
#ifndef PELLOR_UI_COMCTRLS_PAGES_H_
#define PELLOR_UI_COMCTRLS_PAGES_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/keys.h"

namespace pellor {

class TPageControl;

using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;

enum TTabStyle : uint8_t { tsTabs, tsButtons, tsFlatButtons };
inline constexpr std::string_view kTabStyleNames[] = {"tsTabs", "tsButtons", "tsFlatButtons"};
inline constexpr TEnumInfo kTabStyleInfo{"TTabStyle", kTabStyleNames};

class TTabSheet : public TWinControl {
  PELLOR_CLASS(TTabSheet);

 public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;

  // Joins the page control's pages when `parent` is one, and leaves the
  // pages of the one it had.
  void SetParent(TWinControl* parent) override;
  TPageControl* PageControl() const { return pageControl_; }
  void SetPageControl(TPageControl* pageControl);

  // Position among the pages; -1 without a page control. Setting moves the
  // page (EComponentError outside 0..PageCount-1).
  int PageIndex() const;
  void SetPageIndex(int pageIndex);
  bool TabVisible() const { return tabVisible_; }
  // Hiding the tab of the active page activates the page of the tab that
  // takes its place (none when no tab is left).
  void SetTabVisible(bool tabVisible);
  // Position among the visible tabs; -1 when the tab is hidden or there is
  // no page control.
  int TabIndex() const;

 private:
  friend class TPageControl;
  static void DefineProperties(PropertyBuilder<TTabSheet>& p);

  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
};

class TPageControl : public TWinControl, public IKeyHandling {
  PELLOR_CLASS(TPageControl);

 public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int index) const;  // EComponentError when out of range

  TTabSheet* ActivePage() const { return activePage_; }
  // nullptr activates none; EInvalidOperation for a page of another control.
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);  // -1..PageCount-1, else EComponentError

  // The visible tabs: how many, the active page's (-1 when none or hidden),
  // and the page shown on tab `tabIndex` (nullptr when out of range).
  int TabCount() const;
  int TabIndex() const { return activePage_ != nullptr ? activePage_->TabIndex() : -1; }
  void SetTabIndex(int tabIndex);  // -1..TabCount-1, else EComponentError
  TTabSheet* PageForTab(int tabIndex) const;

  // The page after (before) `current`, wrapping round, skipping hidden tabs
  // when `checkTabVisible`; with `current` nullptr the first (last) page.
  // nullptr when there is none.
  TTabSheet* FindNextPage(const TTabSheet* current, bool goForward, bool checkTabVisible) const;
  // The user moves to the next (previous) tab, as Ctrl+Tab does. False when
  // there was no other page or OnChanging vetoed.
  bool SelectNextPage(bool goForward, bool checkTabVisible = true);
  // The user clicks tab `tabIndex`. False when it is the active tab already
  // or OnChanging vetoed; EComponentError when out of range.
  bool SelectTab(int tabIndex);

  TTabStyle Style() const { return style_; }
  void SetStyle(TTabStyle style);
  // The tabs are drawn by the program (TExtPageControl and the like).
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool ownerDraw);
  // 0: as high (wide) as the font and caption need.
  int TabHeight() const { return tabHeight_; }
  void SetTabHeight(int tabHeight);  // at least 0
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int tabWidth);    // at least 0
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool multiLine);

  // Ctrl+Tab / Ctrl+Page Down and Ctrl+Shift+Tab / Ctrl+Page Up change
  // pages; with the focus on the tabs Left and Right do too.
  void HandleKeyDown(uint16_t& key, TShiftState shift) override;
  TDialogCodes WantedKeys() const override { return {dcWantArrows}; }

  TTabChangingEvent OnChanging;
  TNotifyEvent OnChange;

 protected:
  // Runs OnChanging; false vetoes.
  virtual bool CanChange();
  virtual void Change();
  // The pages fill the area below the tab row.
  void AlignControls() override;

 private:
  friend class TTabSheet;
  static void DefineProperties(PropertyBuilder<TPageControl>& p);

  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void MovePage(TTabSheet* page, int index);
  void TabHidden(TTabSheet* page, int oldTabIndex);
  void TabShown(TTabSheet* page);
  bool ChangeByUser(TTabSheet* page);

  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;
  TTabStyle style_ = tsTabs;
  bool ownerDraw_ = false;
  int tabHeight_ = 0;
  int tabWidth_ = 0;
  bool multiLine_ = false;
};

}  // namespace pellor

#endif  // PELLOR_UI_COMCTRLS_PAGES_H_
