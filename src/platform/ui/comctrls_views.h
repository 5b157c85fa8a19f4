// List views and tree views.
//
// The query dialog keeps its saved conditions in a list view (caption, a
// picture, the date as a sub-item; sorted by caption; renamed in place), the
// select panel keeps its values in a report-style list view, and the form
// converter and language packages rewrite column captions, item captions,
// sub-items and node texts (language paths "Columns_1.Caption",
// "Items_0.Caption", tree nodes by overall position). So columns, items and
// nodes are persistent objects with published properties, reachable by
// index.
//
// Both views are headless: what a user does has an entry of its own —
// selecting an item, a double click, a click on a column header, editing a
// caption in place (BeginEdit, then EndEdit with the typed text or
// CancelEdit) — and fires the events the original platform fires for it.
// Changes are reported to observers as "Items", "Columns" or "Selected"; a
// BeginUpdate / EndUpdate bracket reports once at the end.
#ifndef PELLOR_UI_COMCTRLS_VIEWS_H_
#define PELLOR_UI_COMCTRLS_VIEWS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/stringlist.h"
#include "platform/ui/control.h"
#include "platform/ui/imglist.h"
#include "platform/ui/stdctrls.h"

namespace pellor {

class TListView;
class TListItems;
class TListColumns;

// ---- List view ------------------------------------------------------------------

enum TViewStyle : uint8_t { vsIcon, vsSmallIcon, vsList, vsReport };
inline constexpr std::string_view kViewStyleNames[] = {"vsIcon", "vsSmallIcon", "vsList", "vsReport"};
inline constexpr TEnumInfo kViewStyleInfo{"TViewStyle", kViewStyleNames};

// stText and stBoth keep the items sorted by caption (or OnCompare) as they
// are added and renamed; stData and stNone leave them in insertion order.
enum TSortType : uint8_t { stNone, stData, stText, stBoth };
inline constexpr std::string_view kSortTypeNames[] = {"stNone", "stData", "stText", "stBoth"};
inline constexpr TEnumInfo kSortTypeInfo{"TSortType", kSortTypeNames};

class TListColumn : public TPersistent {
  PELLOR_CLASS(TListColumn);

 public:
  // A width that asks for "as wide as the header text": the caption's text
  // width in the list view's font plus 12 pixels, fixed when it is set.
  static constexpr int kColumnHeaderWidth = -2;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  int Width() const { return width_; }
  // kColumnHeaderWidth measures; other negative values count as 0.
  void SetWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  int Index() const;

 private:
  friend class TListColumns;
  static void DefineProperties(PropertyBuilder<TListColumn>& p);
  explicit TListColumn(TListColumns* columns) : columns_(columns) {}
  void Changed();

  TListColumns* columns_;
  std::string caption_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
};

class TListColumns : public TPersistent {
  PELLOR_CLASS(TListColumns);

 public:
  int Count() const { return static_cast<int>(columns_.size()); }
  // EComponentError when out of range.
  TListColumn* Items(int index) const;
  TListColumn* Add();
  void Delete(int index);
  void Clear();

 private:
  friend class TListView;
  friend class TListColumn;
  explicit TListColumns(TListView* view) : view_(view) {}

  TListView* view_;
  std::vector<std::unique_ptr<TListColumn>> columns_;
};

class TListItem : public TPersistent {
  PELLOR_CLASS(TListItem);

 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // The texts of the columns after the first.
  const TStringList& SubItems() const { return subItems_; }
  void SetSubItems(const TStringList& subItems);
  // Sub-item `index`; an index beyond the end reads as "" and, when set,
  // fills the gap with empty texts. Negative indexes raise EComponentError.
  std::string SubItem(int index) const;
  void SetSubItem(int index, const std::string& text);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int imageIndex);
  // Whatever the program attaches to the item; not owned.
  void* Data() const { return data_; }
  void SetData(void* data) { data_ = data; }

  bool Selected() const { return selected_; }
  // Without MultiSelect, selecting an item unselects the others. Each change
  // fires the view's OnSelectItem.
  void SetSelected(bool selected);
  int Index() const;
  TListView* ListView() const;
  // Starts editing the caption in place (TListView::BeginEdit).
  bool EditCaption();

 private:
  friend class TListItems;
  friend class TListView;
  static void DefineProperties(PropertyBuilder<TListItem>& p);
  explicit TListItem(TListItems* items) : items_(items) {}
  void Changed();

  TListItems* items_;
  std::string caption_;
  TStringList subItems_;
  int imageIndex_ = -1;
  void* data_ = nullptr;
  bool selected_ = false;
};

class TListItems : public TPersistent {
  PELLOR_CLASS(TListItems);

 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // EComponentError when out of range.
  TListItem* Item(int index) const;
  // Appends (or inserts) an item; with a sorting SortType it then moves to
  // its sorted place.
  TListItem* Add();
  TListItem* Insert(int index);
  void Delete(int index);
  void Clear();
  int IndexOf(const TListItem* item) const;
  // Changes in between are reported once, at the last EndUpdate; sorting by
  // SortType waits as well.
  void BeginUpdate();
  void EndUpdate();

 private:
  friend class TListView;
  friend class TListItem;
  explicit TListItems(TListView* view) : view_(view) {}

  TListView* view_;
  std::vector<std::unique_ptr<TListItem>> items_;
};

using TLVSelectItemEvent = std::function<void(TObject* sender, TListItem* item, bool selected)>;
using TLVEditingEvent = std::function<void(TObject* sender, TListItem* item, bool& allowEdit)>;
// `text` holds the typed caption; the handler may change it (setting it back
// to the old caption keeps the old name).
using TLVEditedEvent = std::function<void(TObject* sender, TListItem* item, std::string& text)>;
using TLVCompareEvent =
    std::function<void(TObject* sender, TListItem* item1, TListItem* item2, intptr_t data, int& compare)>;
using TLVColumnClickEvent = std::function<void(TObject* sender, TListColumn* column)>;

class TListView : public TWinControl {
  PELLOR_CLASS(TListView);

 public:
  explicit TListView(TComponent* owner);
  ~TListView() override;

  TListColumns& Columns() { return *columns_; }
  const TListColumns& Columns() const { return *columns_; }
  TListItems& Items() { return *items_; }
  const TListItems& Items() const { return *items_; }

  TViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TViewStyle style);
  // No editing of captions in place.
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool MultiSelect() const { return multiSelect_; }
  // Turning it off keeps only the first selected item.
  void SetMultiSelect(bool multiSelect);
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool rowSelect);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool hideSelection);
  bool ShowColumnHeaders() const { return showColumnHeaders_; }
  void SetShowColumnHeaders(bool show);
  TSortType SortType() const { return sortType_; }
  // A sorting type sorts the items at once.
  void SetSortType(TSortType sortType);
  // Image lists of the large and small pictures; cleared when they go away.
  TImageList* LargeImages() const { return largeImages_.Get(); }
  void SetLargeImages(TImageList* images);
  TImageList* SmallImages() const { return smallImages_.Get(); }
  void SetSmallImages(TImageList* images);

  // The first selected item, or nullptr; setting selects that item alone
  // (nullptr unselects all).
  TListItem* Selected() const;
  void SetSelected(TListItem* item);
  int SelCount() const;

  // Sorts by OnCompare when assigned (data 0), else by caption without
  // regard to ASCII case. Equal items keep their order.
  void AlphaSort();
  // Sorts by `compare` (< 0: first before second). Equal items keep their
  // order.
  void CustomSort(const std::function<int(const TListItem& a, const TListItem& b)>& compare);

  // In-place editing of a caption. BeginEdit refuses (false) when ReadOnly,
  // when the item is not in this view or when OnEditing disallows it.
  // EndEdit passes the typed text through OnEdited and makes the result the
  // caption; CancelEdit ends without a change.
  bool BeginEdit(TListItem* item);
  bool IsEditing() const { return editing_ != nullptr; }
  TListItem* EditingItem() const { return editing_; }
  void EndEdit(const std::string& text);
  void CancelEdit();

  // A double click of the user, and a click on a column header.
  void DblClick();
  void ColumnClick(int index);

  TLVSelectItemEvent OnSelectItem;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  TLVCompareEvent OnCompare;
  TLVColumnClickEvent OnColumnClick;

 private:
  friend class TListItems;
  friend class TListItem;
  friend class TListColumns;
  friend class TListColumn;
  static void DefineProperties(PropertyBuilder<TListView>& p);
  TListColumns& ColumnsRef() { return *columns_; }
  TListItems& ItemsRef() { return *items_; }

  bool Sorting() const { return sortType_ == stText || sortType_ == stBoth; }
  void Report(std::string_view what);
  void ItemsChanged() { Report("Items"); }
  // Puts the items in sorted order when SortType asks for it.
  void KeepSorted();
  // Stable; reports "Items" only when the order changed.
  void SortBy(const std::function<int(TListItem&, TListItem&)>& compare);
  int CompareItems(TListItem& a, TListItem& b);
  void SelectionChanging(TListItem* item, bool selected);
  void ItemGone(TListItem* item);

  std::unique_ptr<TListColumns> columns_;
  std::unique_ptr<TListItems> items_;
  TViewStyle viewStyle_ = vsIcon;
  bool readOnly_ = false;
  bool multiSelect_ = false;
  bool rowSelect_ = false;
  bool hideSelection_ = true;
  bool showColumnHeaders_ = true;
  TSortType sortType_ = stNone;
  TComponentRef<TImageList> largeImages_{this};
  TComponentRef<TImageList> smallImages_{this};
  TListItem* editing_ = nullptr;
  int updating_ = 0;
  std::vector<std::string> pending_;  // reports held back by BeginUpdate
};

// ---- Tree view ------------------------------------------------------------------

class TTreeNodes;
class TTreeView;

class TTreeNode : public TPersistent {
  PELLOR_CLASS(TTreeNode);

 public:
  ~TTreeNode() override;

  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int imageIndex);
  void* Data() const { return data_; }
  void SetData(void* data) { data_ = data; }
  // Whether the children show; kept also for a node without children.
  bool Expanded() const { return expanded_; }
  void SetExpanded(bool expanded);
  // Selection is single: selecting a node makes it the view's Selected.
  bool Selected() const;
  void SetSelected(bool selected);

  TTreeNode* Parent() const { return parent_; }
  int Count() const { return static_cast<int>(children_.size()); }
  bool HasChildren() const { return !children_.empty(); }
  // EComponentError when out of range.
  TTreeNode* Item(int index) const;
  // Position among its siblings; depth (0 for a top-level node); position in
  // the overall order (depth first, parents before their children).
  int Index() const;
  int Level() const;
  int AbsoluteIndex() const;
  // The next node in the overall order, or nullptr.
  TTreeNode* GetNext() const;
  TTreeView* TreeView() const;
  // Removes the node and its children from the tree and frees them.
  void Delete();

 private:
  friend class TTreeNodes;
  friend class TTreeView;
  static void DefineProperties(PropertyBuilder<TTreeNode>& p);
  TTreeNode(TTreeNodes* nodes, TTreeNode* parent) : nodes_(nodes), parent_(parent) {}
  void Changed();

  TTreeNodes* nodes_;
  TTreeNode* parent_;
  std::vector<std::unique_ptr<TTreeNode>> children_;
  std::string text_;
  int imageIndex_ = -1;
  void* data_ = nullptr;
  bool expanded_ = false;
};

class TTreeNodes : public TPersistent {
  PELLOR_CLASS(TTreeNodes);

 public:
  // All nodes, at every depth.
  int Count() const;
  // Node `index` in the overall order; EComponentError when out of range.
  TTreeNode* Item(int index) const;
  TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
  int RootCount() const { return static_cast<int>(roots_.size()); }

  // A node after the last sibling of `sibling` (a top-level node when
  // nullptr), before `sibling`, or as the last child of `parent` (top level
  // when nullptr).
  TTreeNode* Add(TTreeNode* sibling, const std::string& text);
  TTreeNode* Insert(TTreeNode* sibling, const std::string& text);
  TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
  void Delete(TTreeNode* node);
  void Clear();
  void BeginUpdate();
  void EndUpdate();

 private:
  friend class TTreeNode;
  friend class TTreeView;
  explicit TTreeNodes(TTreeView* view) : view_(view) {}
  std::vector<std::unique_ptr<TTreeNode>>& Siblings(TTreeNode* parent) {
    return parent == nullptr ? roots_ : parent->children_;
  }
  TTreeNode* Place(TTreeNode* parent, size_t index, const std::string& text);

  TTreeView* view_;
  std::vector<std::unique_ptr<TTreeNode>> roots_;
};

using TTVChangedEvent = std::function<void(TObject* sender, TTreeNode* node)>;

class TTreeView : public TWinControl {
  PELLOR_CLASS(TTreeView);

 public:
  explicit TTreeView(TComponent* owner);
  ~TTreeView() override;

  TTreeNodes& Items() { return *items_; }
  const TTreeNodes& Items() const { return *items_; }
  TTreeNode* Selected() const { return selected_; }
  // Fires OnChange when the selection changes.
  void SetSelected(TTreeNode* node);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  TImageList* Images() const { return images_.Get(); }
  void SetImages(TImageList* images);

  TTVChangedEvent OnChange;

 private:
  friend class TTreeNodes;
  friend class TTreeNode;
  static void DefineProperties(PropertyBuilder<TTreeView>& p);
  TTreeNodes& ItemsRef() { return *items_; }
  void Report(std::string_view what);
  // A node is leaving: a selection on it or below it goes.
  void NodeGone(TTreeNode* node);

  std::unique_ptr<TTreeNodes> items_;
  TTreeNode* selected_ = nullptr;
  bool readOnly_ = false;
  TComponentRef<TImageList> images_{this};
  int updating_ = 0;
  std::vector<std::string> pending_;
};

}  // namespace pellor

#endif  // PELLOR_UI_COMCTRLS_VIEWS_H_
