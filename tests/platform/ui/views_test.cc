#include "platform/ui/comctrls_views.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/codepage.h"
#include "platform/rtl/strutils.h"

namespace pellor {
namespace {

class Recorder : public TComponentObserver {
 public:
  void PropertyChanged(TComponent&, std::string_view property) override { changes.emplace_back(property); }
  std::vector<std::string> changes;
};

std::vector<std::string> Captions(const TListView& view) {
  std::vector<std::string> list;
  for (int i = 0; i < view.Items().Count(); ++i) list.push_back(view.Items().Item(i)->Caption());
  return list;
}

TListItem* AddItem(TListView& view, const std::string& caption, const std::string& date = "") {
  TListItem* item = view.Items().Add();
  item->SetCaption(caption);
  item->SetImageIndex(0);
  if (!date.empty()) item->SetSubItem(0, date);
  return item;
}

TEST(ListViewTest, SortedListRenamedInPlace) {
  auto view = TComponent::CreateUnowned<TListView>();
  view->SetSortType(stText);
  AddItem(*view, "beta", "2008/05/01");
  AddItem(*view, "Alpha", "2008/05/02");
  AddItem(*view, "gamma");
  EXPECT_EQ(Captions(*view), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_EQ(view->Items().Item(1)->SubItem(0), "2008/05/01");
  EXPECT_EQ(view->Items().Item(2)->SubItem(3), "");

  // The handler refuses names that another item has: the old name stays.
  std::vector<std::string> edited;
  view->OnEdited = [&](TObject*, TListItem* item, std::string& text) {
    edited.push_back(item->Caption() + "->" + text);
    for (int i = 0; i < view->Items().Count(); ++i) {
      if (view->Items().Item(i) != item && view->Items().Item(i)->Caption() == text) text = item->Caption();
    }
  };
  TListItem* gamma = view->Items().Item(2);
  ASSERT_TRUE(gamma->EditCaption());
  EXPECT_EQ(view->EditingItem(), gamma);
  view->EndEdit("beta");
  EXPECT_FALSE(view->IsEditing());
  EXPECT_EQ(gamma->Caption(), "gamma");
  ASSERT_TRUE(view->BeginEdit(gamma));
  view->EndEdit("aardvark");  // accepted: moves to its sorted place
  EXPECT_EQ(Captions(*view), (std::vector<std::string>{"aardvark", "Alpha", "beta"}));
  EXPECT_EQ(edited, (std::vector<std::string>{"gamma->beta", "gamma->aardvark"}));

  // Cancelling changes nothing and fires nothing; OnEditing and ReadOnly refuse.
  ASSERT_TRUE(view->BeginEdit(gamma));
  view->CancelEdit();
  view->OnEditing = [](TObject*, TListItem* item, bool& allow) { allow = item->Caption() != "beta"; };
  EXPECT_FALSE(view->Items().Item(2)->EditCaption());
  view->SetReadOnly(true);
  EXPECT_FALSE(view->BeginEdit(gamma));
  EXPECT_EQ(edited.size(), 2u);

  // An item deleted while edited ends the edit.
  view->SetReadOnly(false);
  ASSERT_TRUE(view->BeginEdit(gamma));
  view->Items().Delete(gamma->Index());
  EXPECT_FALSE(view->IsEditing());
}

TEST(ListViewTest, SelectionSingleAndMulti) {
  auto view = TComponent::CreateUnowned<TListView>();
  for (const char* c : {"a", "b", "c"}) AddItem(*view, c);
  std::vector<std::string> events;
  view->OnSelectItem = [&](TObject*, TListItem* item, bool selected) {
    events.push_back(item->Caption() + (selected ? "+" : "-"));
  };
  TListItems& items = view->Items();
  items.Item(0)->SetSelected(true);
  items.Item(2)->SetSelected(true);  // single selection: a goes
  EXPECT_EQ(view->Selected(), items.Item(2));
  view->SetMultiSelect(true);
  items.Item(1)->SetSelected(true);
  items.Item(0)->SetSelected(true);
  EXPECT_EQ(view->SelCount(), 3);
  EXPECT_EQ(view->Selected(), items.Item(0));
  view->SetMultiSelect(false);  // only the first selected stays
  EXPECT_EQ(view->SelCount(), 1);
  view->SetSelected(items.Item(1));
  view->SetSelected(nullptr);
  EXPECT_EQ(view->Selected(), nullptr);
  EXPECT_EQ(events, (std::vector<std::string>{"a+", "a-", "c+", "b+", "a+", "b-", "c-", "a-", "b+", "b-"}));
}

TEST(ListViewTest, SortingByColumnAndByHandler) {
  auto view = TComponent::CreateUnowned<TListView>();
  AddItem(*view, "x", "b");
  AddItem(*view, "y", "C");
  AddItem(*view, "z", "a");
  AddItem(*view, "w", "B");
  // A column click sorts by that column's text without regard to case;
  // equal texts keep their order.
  bool descending = false;
  view->OnColumnClick = [&](TObject*, TListColumn* column) {
    const int sub = column->Index() - 1;
    view->CustomSort([&](const TListItem& a, const TListItem& b) {
      int r = CompareText(sub < 0 ? a.Caption() : a.SubItem(sub), sub < 0 ? b.Caption() : b.SubItem(sub));
      return descending ? -r : r;
    });
  };
  view->Columns().Add()->SetCaption("Name");
  view->Columns().Add()->SetCaption("Date");
  view->ColumnClick(1);
  EXPECT_EQ(Captions(*view), (std::vector<std::string>{"z", "x", "w", "y"}));
  descending = true;
  view->ColumnClick(1);
  EXPECT_EQ(Captions(*view), (std::vector<std::string>{"y", "x", "w", "z"}));
  EXPECT_THROW(view->ColumnClick(2), EComponentError);

  view->OnCompare = [](TObject*, TListItem* a, TListItem* b, intptr_t, int& result) {
    result = CompareText(b->Caption(), a->Caption());
  };
  view->AlphaSort();
  EXPECT_EQ(Captions(*view), (std::vector<std::string>{"z", "y", "x", "w"}));
}

TEST(ListViewTest, ColumnsAndItemsByNameAndBatchedReports) {
  Recorder recorder;
  auto view = TComponent::CreateUnowned<TListView>();
  view->Font()->SetSize(9);
  view->AddObserver(&recorder);
  TListColumn* name = view->Columns().Add();
  name->SetCaption(Cp936("方案名"));
  name->SetWidth(TListColumn::kColumnHeaderWidth);
  EXPECT_EQ(name->Width(), 36 + 12);
  name->SetAlignment(taRightJustify);

  // What a language package or converter does: by index, then by name.
  auto* columns = dynamic_cast<TListColumns*>(GetObjectProp(*view, "Columns"));
  ASSERT_NE(columns, nullptr);
  SetPropValue(*columns->Items(0), "Caption", "Name");
  view->Items().BeginUpdate();
  AddItem(*view, "b");
  AddItem(*view, "a")->SetSubItem(1, "x");
  view->SetSortType(stText);  // waits for the end of the update
  EXPECT_EQ(Captions(*view), (std::vector<std::string>{"b", "a"}));
  view->Items().EndUpdate();
  EXPECT_EQ(Captions(*view), (std::vector<std::string>{"a", "b"}));
  auto* items = dynamic_cast<TListItems*>(GetObjectProp(*view, "Items"));
  ASSERT_NE(items, nullptr);
  SetPropValue(*items->Item(0), "Caption", "c");
  EXPECT_EQ(GetPropValue(*items->Item(1), "SubItems").AsString(), "\r\nx\r\n");
  EXPECT_EQ(GetStringsProp(*items->Item(1), "SubItems").Count(), 2);
  EXPECT_EQ(Captions(*view), (std::vector<std::string>{"b", "c"}));
  SetPropValue(*view, "ViewStyle", "vsReport");
  EXPECT_EQ(recorder.changes, (std::vector<std::string>{"Columns", "Columns", "Columns", "Columns", "Columns",
                                                        "SortType", "Items", "Items", "Items", "ViewStyle"}));
  view->RemoveObserver(&recorder);
}

TEST(TreeViewTest, NodesInOverallOrder) {
  auto tree = TComponent::CreateUnowned<TTreeView>();
  TTreeNodes& nodes = tree->Items();
  TTreeNode* a = nodes.Add(nullptr, "a");
  TTreeNode* b = nodes.Add(a, "b");
  TTreeNode* a1 = nodes.AddChild(a, "a1");
  TTreeNode* a2 = nodes.Add(a1, "a2");
  nodes.AddChild(a1, "a1x");
  nodes.Insert(a1, "a0");
  nodes.Insert(nullptr, "first");
  std::vector<std::string> order;
  for (TTreeNode* n = nodes.GetFirstNode(); n != nullptr; n = n->GetNext()) {
    order.push_back(std::string(n->Level(), '.') + n->Text());
  }
  EXPECT_EQ(order, (std::vector<std::string>{"first", "a", ".a0", ".a1", "..a1x", ".a2", "b"}));
  EXPECT_EQ(nodes.Count(), 7);
  EXPECT_EQ(nodes.Item(5), a2);
  EXPECT_EQ(a2->AbsoluteIndex(), 5);
  EXPECT_EQ(a1->Index(), 1);
  EXPECT_EQ(a->Count(), 3);
  EXPECT_THROW(nodes.Item(7), EComponentError);

  // By name, as a language package reaches node N.
  SetPropValue(*nodes.Item(4), "Text", "renamed");
  EXPECT_EQ(a1->Item(0)->Text(), "renamed");

  // Deleting the selected node's parent clears the selection.
  std::vector<std::string> changes;
  tree->OnChange = [&](TObject*, TTreeNode* node) { changes.push_back(node ? node->Text() : "-"); };
  a1->Item(0)->SetSelected(true);
  EXPECT_TRUE(nodes.Item(4)->Selected());
  a1->Delete();
  EXPECT_EQ(tree->Selected(), nullptr);
  b->SetSelected(true);
  a->SetExpanded(true);
  EXPECT_TRUE(a->Expanded());
  nodes.Clear();
  EXPECT_EQ(nodes.Count(), 0);
  EXPECT_EQ(changes, (std::vector<std::string>{"renamed", "-", "b", "-"}));
}

}  // namespace
}  // namespace pellor
