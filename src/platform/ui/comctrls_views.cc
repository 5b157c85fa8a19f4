#include "platform/ui/comctrls_views.h"

#include <algorithm>

#include "platform/rtl/strutils.h"
#include "platform/ui/canvas.h"

namespace pellor {

namespace {

[[noreturn]] void OutOfBounds(const char* what, int index) {
  throw EComponentError(std::string(what) + " index out of bounds (" + std::to_string(index) + ")");
}

// Index of `p` in a vector of owners.
template <class T>
int PositionOf(const std::vector<std::unique_ptr<T>>& list, const T* p) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].get() == p) return static_cast<int>(i);
  }
  return -1;
}

void AddPending(std::vector<std::string>& pending, std::string_view what) {
  if (std::find(pending.begin(), pending.end(), what) == pending.end()) pending.emplace_back(what);
}

}  // namespace

// ---- TListColumn / TListColumns -------------------------------------------------

PELLOR_DEFINE_CLASS(TListColumn, TPersistent);

void TListColumn::DefineProperties(PropertyBuilder<TListColumn>& p) {
  p.Text("Caption", &TListColumn::Caption, &TListColumn::SetCaption)
      .Integer("Width", &TListColumn::Width, &TListColumn::SetWidth)
      .Enum("Alignment", kAlignmentInfo, &TListColumn::Alignment, &TListColumn::SetAlignment);
}

void TListColumn::Changed() { columns_->view_->Report("Columns"); }

void TListColumn::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed();
}

void TListColumn::SetWidth(int width) {
  if (width == kColumnHeaderWidth) {
    width = TCanvas::TextExtentOf(*columns_->view_->Font(), caption_).cx + 12;
  }
  width = std::max(width, 0);
  if (width == width_) return;
  width_ = width;
  Changed();
}

void TListColumn::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Changed();
}

int TListColumn::Index() const { return PositionOf(columns_->columns_, this); }

PELLOR_DEFINE_CLASS(TListColumns, TPersistent);

TListColumn* TListColumns::Items(int index) const {
  if (index < 0 || index >= Count()) OutOfBounds("List column", index);
  return columns_[index].get();
}

TListColumn* TListColumns::Add() {
  columns_.push_back(std::unique_ptr<TListColumn>(new TListColumn(this)));
  view_->Report("Columns");
  return columns_.back().get();
}

void TListColumns::Delete(int index) {
  Items(index);
  columns_.erase(columns_.begin() + index);
  view_->Report("Columns");
}

void TListColumns::Clear() {
  if (columns_.empty()) return;
  columns_.clear();
  view_->Report("Columns");
}

// ---- TListItem / TListItems -----------------------------------------------------

PELLOR_DEFINE_CLASS(TListItem, TPersistent);

void TListItem::DefineProperties(PropertyBuilder<TListItem>& p) {
  p.Text("Caption", &TListItem::Caption, &TListItem::SetCaption)
      .Integer("ImageIndex", &TListItem::ImageIndex, &TListItem::SetImageIndex)
      .Strings("SubItems", &TListItem::SubItems, &TListItem::SetSubItems);
}

void TListItem::Changed() { items_->view_->ItemsChanged(); }

TListView* TListItem::ListView() const { return items_->view_; }

int TListItem::Index() const { return items_->IndexOf(this); }

void TListItem::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed();
  items_->view_->KeepSorted();
}

void TListItem::SetSubItems(const TStringList& subItems) {
  if (subItems == subItems_) return;
  subItems_ = subItems;
  Changed();
}

std::string TListItem::SubItem(int index) const {
  if (index < 0) OutOfBounds("Sub-item", index);
  return index < subItems_.Count() ? subItems_[index] : std::string();
}

void TListItem::SetSubItem(int index, const std::string& text) {
  if (index < 0) OutOfBounds("Sub-item", index);
  if (index < subItems_.Count() && subItems_[index] == text) return;
  while (subItems_.Count() <= index) subItems_.Add("");
  subItems_.Set(index, text);
  Changed();
}

void TListItem::SetImageIndex(int imageIndex) {
  if (imageIndex == imageIndex_) return;
  imageIndex_ = imageIndex;
  Changed();
}

void TListItem::SetSelected(bool selected) {
  if (selected == selected_) return;
  items_->view_->SelectionChanging(this, selected);
}

bool TListItem::EditCaption() { return items_->view_->BeginEdit(this); }

PELLOR_DEFINE_CLASS(TListItems, TPersistent);

TListItem* TListItems::Item(int index) const {
  if (index < 0 || index >= Count()) OutOfBounds("List item", index);
  return items_[index].get();
}

int TListItems::IndexOf(const TListItem* item) const { return PositionOf(items_, item); }

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(int index) {
  if (index < 0 || index > Count()) OutOfBounds("List item", index);
  TListItem* item = items_.insert(items_.begin() + index, std::unique_ptr<TListItem>(new TListItem(this)))->get();
  view_->ItemsChanged();
  view_->KeepSorted();
  return item;
}

void TListItems::Delete(int index) {
  TListItem* item = Item(index);
  view_->ItemGone(item);
  items_.erase(items_.begin() + index);
  view_->ItemsChanged();
}

void TListItems::Clear() {
  if (items_.empty()) return;
  for (auto& item : items_) view_->ItemGone(item.get());
  items_.clear();
  view_->ItemsChanged();
}

void TListItems::BeginUpdate() { ++view_->updating_; }

void TListItems::EndUpdate() {
  if (view_->updating_ == 0) return;
  // Sorted while the update still holds the reports back.
  if (view_->updating_ == 1 && view_->Sorting()) view_->AlphaSort();
  if (--view_->updating_ > 0) return;
  std::vector<std::string> pending;
  pending.swap(view_->pending_);
  for (const std::string& what : pending) view_->Changed(what);
}

// ---- TListView ------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TListView, TWinControl);

void TListView::DefineProperties(PropertyBuilder<TListView>& p) {
  p.Object("Columns", &TListView::ColumnsRef)
      .Object("Items", &TListView::ItemsRef)
      .Enum("ViewStyle", kViewStyleInfo, &TListView::ViewStyle, &TListView::SetViewStyle)
      .Bool("ReadOnly", &TListView::ReadOnly, &TListView::SetReadOnly)
      .Bool("MultiSelect", &TListView::MultiSelect, &TListView::SetMultiSelect)
      .Bool("RowSelect", &TListView::RowSelect, &TListView::SetRowSelect)
      .Bool("HideSelection", &TListView::HideSelection, &TListView::SetHideSelection)
      .Bool("ShowColumnHeaders", &TListView::ShowColumnHeaders, &TListView::SetShowColumnHeaders)
      .Enum("SortType", kSortTypeInfo, &TListView::SortType, &TListView::SetSortType)
      .Reference("LargeImages", &TListView::LargeImages, &TListView::SetLargeImages)
      .Reference("SmallImages", &TListView::SmallImages, &TListView::SetSmallImages)
      .Event("OnSelectItem", &TListView::OnSelectItem)
      .Event("OnEditing", &TListView::OnEditing)
      .Event("OnEdited", &TListView::OnEdited)
      .Event("OnCompare", &TListView::OnCompare)
      .Event("OnColumnClick", &TListView::OnColumnClick);
}

TListView::TListView(TComponent* owner)
    : TWinControl(owner), columns_(new TListColumns(this)), items_(new TListItems(this)) {
  SetTabStop(true);
  SetBounds(0, 0, 250, 150);
}

TListView::~TListView() {
  MarkDestroying();
  editing_ = nullptr;
  items_->items_.clear();
}

void TListView::Report(std::string_view what) {
  if (Destroying()) return;
  if (updating_ > 0) {
    AddPending(pending_, what);
    return;
  }
  Changed(what);
}

#define PELLOR_VIEW_FLAG(Setter, member, Name) \
  void TListView::Setter(bool value) {         \
    if (value == member) return;               \
    member = value;                            \
    Changed(Name);                             \
  }
PELLOR_VIEW_FLAG(SetReadOnly, readOnly_, "ReadOnly")
PELLOR_VIEW_FLAG(SetRowSelect, rowSelect_, "RowSelect")
PELLOR_VIEW_FLAG(SetHideSelection, hideSelection_, "HideSelection")
PELLOR_VIEW_FLAG(SetShowColumnHeaders, showColumnHeaders_, "ShowColumnHeaders")
#undef PELLOR_VIEW_FLAG

void TListView::SetViewStyle(TViewStyle style) {
  if (style == viewStyle_) return;
  viewStyle_ = style;
  Changed("ViewStyle");
}

void TListView::SetMultiSelect(bool multiSelect) {
  if (multiSelect == multiSelect_) return;
  multiSelect_ = multiSelect;
  Changed("MultiSelect");
  if (!multiSelect_) {
    if (TListItem* first = Selected()) SelectionChanging(first, true);
  }
}

void TListView::SetSortType(TSortType sortType) {
  if (sortType == sortType_) return;
  sortType_ = sortType;
  Changed("SortType");
  KeepSorted();
}

void TListView::SetLargeImages(TImageList* images) {
  if (images == largeImages_.Get()) return;
  largeImages_.Set(images);
  Changed("LargeImages");
}

void TListView::SetSmallImages(TImageList* images) {
  if (images == smallImages_.Get()) return;
  smallImages_.Set(images);
  Changed("SmallImages");
}

TListItem* TListView::Selected() const {
  for (const auto& item : items_->items_) {
    if (item->selected_) return item.get();
  }
  return nullptr;
}

int TListView::SelCount() const {
  return static_cast<int>(std::count_if(items_->items_.begin(), items_->items_.end(),
                                        [](const auto& item) { return item->selected_; }));
}

void TListView::SetSelected(TListItem* item) {
  if (item != nullptr && item->items_ != items_.get()) return;
  // Unselect the others first, then select the one asked for.
  for (const auto& other : items_->items_) {
    if (other.get() != item && other->selected_) SelectionChanging(other.get(), false);
  }
  if (item != nullptr && !item->selected_) SelectionChanging(item, true);
}

void TListView::SelectionChanging(TListItem* item, bool selected) {
  if (selected && !multiSelect_) {
    for (const auto& other : items_->items_) {
      if (other.get() != item && other->selected_) SelectionChanging(other.get(), false);
    }
  }
  if (item->selected_ == selected) return;
  item->selected_ = selected;
  Report("Selected");
  if (OnSelectItem) OnSelectItem(this, item, selected);
}

void TListView::ItemGone(TListItem* item) {
  if (editing_ == item) editing_ = nullptr;
  if (item->selected_) Report("Selected");
}

void TListView::SortBy(const std::function<int(TListItem&, TListItem&)>& compare) {
  auto& list = items_->items_;
  std::vector<TListItem*> before;
  for (const auto& item : list) before.push_back(item.get());
  std::stable_sort(list.begin(), list.end(), [&](const auto& a, const auto& b) { return compare(*a, *b) < 0; });
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].get() != before[i]) {
      ItemsChanged();
      return;
    }
  }
}

int TListView::CompareItems(TListItem& a, TListItem& b) {
  if (OnCompare) {
    int result = 0;
    OnCompare(this, &a, &b, 0, result);
    return result;
  }
  return CompareText(a.caption_, b.caption_);
}

void TListView::AlphaSort() {
  SortBy([this](TListItem& a, TListItem& b) { return CompareItems(a, b); });
}

void TListView::CustomSort(const std::function<int(const TListItem& a, const TListItem& b)>& compare) {
  SortBy([&compare](TListItem& a, TListItem& b) { return compare(a, b); });
}

void TListView::KeepSorted() {
  if (!Sorting() || updating_ > 0 || Destroying()) return;
  AlphaSort();
}

bool TListView::BeginEdit(TListItem* item) {
  if (readOnly_ || item == nullptr || item->items_ != items_.get()) return false;
  bool allow = true;
  if (OnEditing) OnEditing(this, item, allow);
  if (!allow) return false;
  editing_ = item;
  return true;
}

void TListView::EndEdit(const std::string& text) {
  TListItem* item = editing_;
  if (item == nullptr) return;
  editing_ = nullptr;
  std::string result = text;
  if (OnEdited) OnEdited(this, item, result);
  // The handler may have deleted the item.
  if (items_->IndexOf(item) >= 0) item->SetCaption(result);
}

void TListView::CancelEdit() { editing_ = nullptr; }

void TListView::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TListView::ColumnClick(int index) {
  TListColumn* column = columns_->Items(index);
  if (OnColumnClick) OnColumnClick(this, column);
}

// ---- Tree view ------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TTreeNode, TPersistent);

void TTreeNode::DefineProperties(PropertyBuilder<TTreeNode>& p) {
  p.Text("Text", &TTreeNode::Text, &TTreeNode::SetText)
      .Integer("ImageIndex", &TTreeNode::ImageIndex, &TTreeNode::SetImageIndex)
      .Bool("Expanded", &TTreeNode::Expanded, &TTreeNode::SetExpanded);
}

TTreeNode::~TTreeNode() = default;

void TTreeNode::Changed() { nodes_->view_->Report("Items"); }

void TTreeNode::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Changed();
}

void TTreeNode::SetImageIndex(int imageIndex) {
  if (imageIndex == imageIndex_) return;
  imageIndex_ = imageIndex;
  Changed();
}

void TTreeNode::SetExpanded(bool expanded) {
  if (expanded == expanded_) return;
  expanded_ = expanded;
  Changed();
}

bool TTreeNode::Selected() const { return nodes_->view_->selected_ == this; }

void TTreeNode::SetSelected(bool selected) {
  if (selected) {
    nodes_->view_->SetSelected(this);
  } else if (Selected()) {
    nodes_->view_->SetSelected(nullptr);
  }
}

TTreeNode* TTreeNode::Item(int index) const {
  if (index < 0 || index >= Count()) OutOfBounds("Tree node", index);
  return children_[index].get();
}

int TTreeNode::Index() const { return PositionOf(nodes_->Siblings(parent_), this); }

int TTreeNode::Level() const {
  int level = 0;
  for (const TTreeNode* p = parent_; p != nullptr; p = p->parent_) ++level;
  return level;
}

int TTreeNode::AbsoluteIndex() const {
  int index = 0;
  for (TTreeNode* n = nodes_->GetFirstNode(); n != nullptr; n = n->GetNext(), ++index) {
    if (n == this) return index;
  }
  return -1;
}

TTreeNode* TTreeNode::GetNext() const {
  if (!children_.empty()) return children_.front().get();
  for (const TTreeNode* n = this; n != nullptr; n = n->parent_) {
    const auto& siblings = n->nodes_->Siblings(n->parent_);
    const int at = PositionOf(siblings, n);
    if (at + 1 < static_cast<int>(siblings.size())) return siblings[at + 1].get();
  }
  return nullptr;
}

TTreeView* TTreeNode::TreeView() const { return nodes_->view_; }

void TTreeNode::Delete() { nodes_->Delete(this); }

PELLOR_DEFINE_CLASS(TTreeNodes, TPersistent);

int TTreeNodes::Count() const {
  int count = 0;
  for (TTreeNode* n = GetFirstNode(); n != nullptr; n = n->GetNext()) ++count;
  return count;
}

TTreeNode* TTreeNodes::Item(int index) const {
  if (index >= 0) {
    int i = 0;
    for (TTreeNode* n = GetFirstNode(); n != nullptr; n = n->GetNext(), ++i) {
      if (i == index) return n;
    }
  }
  OutOfBounds("Tree node", index);
}

TTreeNode* TTreeNodes::Place(TTreeNode* parent, size_t index, const std::string& text) {
  auto& siblings = Siblings(parent);
  auto node = std::unique_ptr<TTreeNode>(new TTreeNode(this, parent));
  node->text_ = text;
  TTreeNode* placed = siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(index), std::move(node))->get();
  view_->Report("Items");
  return placed;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const std::string& text) {
  TTreeNode* parent = sibling != nullptr ? sibling->parent_ : nullptr;
  return Place(parent, Siblings(parent).size(), text);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const std::string& text) {
  if (sibling == nullptr) return Place(nullptr, 0, text);
  return Place(sibling->parent_, static_cast<size_t>(sibling->Index()), text);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::string& text) {
  return Place(parent, Siblings(parent).size(), text);
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (node == nullptr || node->nodes_ != this) return;
  view_->NodeGone(node);
  auto& siblings = Siblings(node->parent_);
  siblings.erase(siblings.begin() + node->Index());
  view_->Report("Items");
}

void TTreeNodes::Clear() {
  if (roots_.empty()) return;
  view_->NodeGone(nullptr);
  roots_.clear();
  view_->Report("Items");
}

void TTreeNodes::BeginUpdate() { ++view_->updating_; }

void TTreeNodes::EndUpdate() {
  if (view_->updating_ == 0 || --view_->updating_ > 0) return;
  std::vector<std::string> pending;
  pending.swap(view_->pending_);
  for (const std::string& what : pending) view_->Changed(what);
}

PELLOR_DEFINE_CLASS(TTreeView, TWinControl);

void TTreeView::DefineProperties(PropertyBuilder<TTreeView>& p) {
  p.Object("Items", &TTreeView::ItemsRef)
      .Bool("ReadOnly", &TTreeView::ReadOnly, &TTreeView::SetReadOnly)
      .Reference("Images", &TTreeView::Images, &TTreeView::SetImages)
      .Event("OnChange", &TTreeView::OnChange);
}

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner), items_(new TTreeNodes(this)) {
  SetTabStop(true);
  SetBounds(0, 0, 121, 97);
}

TTreeView::~TTreeView() {
  MarkDestroying();
  selected_ = nullptr;
  items_->roots_.clear();
}

void TTreeView::Report(std::string_view what) {
  if (Destroying()) return;
  if (updating_ > 0) {
    AddPending(pending_, what);
    return;
  }
  Changed(what);
}

void TTreeView::SetSelected(TTreeNode* node) {
  if (node != nullptr && node->nodes_ != items_.get()) return;
  if (node == selected_) return;
  selected_ = node;
  Report("Selected");
  if (OnChange && !Destroying()) OnChange(this, node);
}

void TTreeView::NodeGone(TTreeNode* node) {
  if (selected_ == nullptr) return;
  // nullptr: every node goes.
  bool below = node == nullptr;
  for (TTreeNode* n = selected_; n != nullptr && !below; n = n->parent_) below = n == node;
  if (below) SetSelected(nullptr);
}

void TTreeView::SetReadOnly(bool readOnly) {
  if (readOnly == readOnly_) return;
  readOnly_ = readOnly;
  Changed("ReadOnly");
}

void TTreeView::SetImages(TImageList* images) {
  if (images == images_.Get()) return;
  images_.Set(images);
  Changed("Images");
}

}  // namespace pellor
