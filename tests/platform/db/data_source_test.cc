#include "platform/db/data_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db_fixture.h"
#include "platform/ui/properties.h"

namespace pellor {
namespace {

using testing::FactorModule;
using testing::FactorServer;
using Log = std::vector<std::string>;

// A data-aware edit as the controls build them: it shows the field's text
// and keeps typed text until the dataset asks for it.
class TTestDBEdit : public TComponent {
  PELLOR_CLASS(TTestDBEdit);

 public:
  explicit TTestDBEdit(TComponent* owner) : TComponent(owner) {
    link_.OnDataChange = [this] { text = link_.FieldText(); };
    link_.OnUpdateData = [this] { link_.WriteText(text); };
    link_.OnFocusControl = [this] {
      focused = true;
      return true;
    };
  }
  TDBFieldControl& DataLink() { return link_; }
  // The user types: refused when the field cannot be changed now.
  bool Type(const std::string& typed) {
    if (!link_.BeginEdit()) return false;
    text = typed;
    return true;
  }
  std::string text;
  bool focused = false;

 private:
  static void DefineProperties(PropertyBuilder<TTestDBEdit>& p) { DefineDBControlProperties(p, &TTestDBEdit::DataLink); }
  TDBFieldControl link_{this};
};
PELLOR_DEFINE_CLASS(TTestDBEdit, TComponent);

class DataSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ds = TComponent::Create<TDataSource>(module.owner.get());
    ds->SetName("dsMain");
    ds->SetDataSet(cds);
  }
  FactorServer server{3};
  FactorModule module{server};
  TClientDataSet* cds = module.cds;
  TDataSource* ds = nullptr;
};

TEST_F(DataSourceTest, LinksHearStateAndDataChanges) {
  TNotifyDataLink link;
  Log log;
  link.OnActiveChanged = [&] { log.push_back(link.Active() ? "active" : "inactive"); };
  link.OnEditingChanged = [&] { log.push_back(link.Editing() ? "editing" : "not editing"); };
  link.OnDataSetChanged = [&] { log.push_back("changed"); };
  link.OnDataSetScrolled = [&](int d) { log.push_back("scrolled " + std::to_string(d)); };
  link.OnRecordChanged = [&](TField* f) { log.push_back("record " + (f ? f->FieldName() : std::string("-"))); };
  link.OnLayoutChanged = [&] { log.push_back("layout"); };
  link.SetDataSource(ds);
  cds->Open();
  cds->Next();
  cds->Edit();
  cds->FieldByName("MF002")->SetAsString("x");
  cds->Post();
  cds->FieldByName("MF002")->SetVisible(false);
  cds->Close();
  EXPECT_EQ(log, (Log{"active", "scrolled 1", "editing", "record -", "record MF002", "not editing", "changed", "layout",
                      "inactive"}));

  // A disabled source looks closed to its links.
  cds->Open();
  log.clear();
  ds->SetEnabled(false);
  EXPECT_EQ(log, Log{"inactive"});
  EXPECT_EQ(ds->State(), dsInactive);
  cds->Next();
  EXPECT_EQ(log, Log{"inactive"});
  ds->SetEnabled(true);
  EXPECT_EQ(log, (Log{"inactive", "active"}));
}

TEST_F(DataSourceTest, SourceEventsCanBeSwitchedOffForAWhile) {
  int dataChanges = 0, stateChanges = 0;
  ds->OnDataChange = [&](TObject* sender, TField*) {
    EXPECT_EQ(sender, ds);
    ++dataChanges;
  };
  ds->OnStateChange = [&](TObject*) { ++stateChanges; };
  cds->SetPacketRecords(1);
  cds->SetFetchOnDemand(false);
  cds->Open();
  EXPECT_EQ(stateChanges, 1);
  dataChanges = 0;
  // As FetchMore does: the notifications off around the fetch.
  TDataChangeEvent saved = ds->OnDataChange;
  ds->OnDataChange = nullptr;
  cds->GetNextPacket();
  ds->OnDataChange = saved;
  EXPECT_EQ(dataChanges, 0);
  cds->Next();
  EXPECT_EQ(dataChanges, 1);
}

TEST_F(DataSourceTest, EditorsShowDisplayTextWhileBrowsingAndEditTextWhileEditing) {
  auto* ed = TComponent::Create<TTestDBEdit>(module.owner.get());
  SetPropValue(*ed, "DataSource", Variant("dsMain"));
  SetPropValue(*ed, "DataField", Variant("MF005"));
  EXPECT_EQ(GetPropValue(*ed, "DataSource"), Variant("dsMain"));
  cds->Open();
  auto* score = static_cast<TFloatField*>(cds->FieldByName("MF005"));
  score->SetDisplayFormat("0.00");
  cds->Last();
  EXPECT_EQ(ed->text, "2.00");
  EXPECT_EQ(ed->DataLink().Field(), score);
  EXPECT_TRUE(ed->Type("7"));  // AutoEdit puts the dataset into edit
  EXPECT_EQ(cds->State(), dsEdit);
  EXPECT_EQ(ed->DataLink().FieldText(), "2.00");  // without an edit format the display format serves
  cds->Post();  // the pending text is written first
  EXPECT_EQ(score->AsFloat(), 7.0);
  EXPECT_EQ(ed->text, "7.00");

  ds->SetAutoEdit(false);
  EXPECT_FALSE(ed->Type("8"));
  ds->SetAutoEdit(true);
  SetPropValue(*ed, "ReadOnly", Variant(true));
  EXPECT_FALSE(ed->Type("8"));
  SetPropValue(*ed, "ReadOnly", Variant(false));
  score->SetReadOnly(true);
  EXPECT_FALSE(ed->Type("8"));
  EXPECT_EQ(cds->State(), dsBrowse);
}

TEST_F(DataSourceTest, RefusedTextKeepsTheOldValueAndTheTypedText) {
  auto* ed = TComponent::Create<TTestDBEdit>(module.owner.get());
  ed->DataLink().SetDataSource(ds);
  ed->DataLink().SetDataField("MF005");
  cds->Open();
  TField* score = cds->FieldByName("MF005");
  score->OnValidate = [](TField* f) {
    if (f->AsFloat() < 0) throw EAbort();
  };
  ed->Type("-0.5");
  EXPECT_THROW(cds->Post(), EAbort);
  EXPECT_EQ(score->AsFloat(), 0.0);
  EXPECT_EQ(ed->text, "-0.5");
  EXPECT_TRUE(ed->DataLink().Modified());
  EXPECT_EQ(cds->State(), dsEdit);
  ed->text = "abc";
  EXPECT_THROW(cds->Post(), EDatabaseError);  // not a number
  ed->text = "3";
  cds->Post();
  EXPECT_EQ(score->AsFloat(), 3.0);
  EXPECT_FALSE(ed->DataLink().Modified());

  // Writing goes through the field's text handler.
  score->OnSetText = [](TField* f, const std::string& t) { f->SetAsFloat(std::stod(t) * 10); };
  ed->Type("4");
  ed->DataLink().WriteText(ed->text);
  EXPECT_EQ(score->AsFloat(), 40.0);
}

TEST_F(DataSourceTest, ARequiredFieldFocusesItsControl) {
  auto* ed = TComponent::Create<TTestDBEdit>(module.owner.get());
  ed->DataLink().SetDataSource(ds);
  ed->DataLink().SetDataField("MF001");
  cds->Open();
  cds->Append();
  cds->FieldByName("MF004")->SetAsString("1");
  EXPECT_THROW(cds->Post(), EDatabaseError);
  EXPECT_TRUE(ed->focused);
}

TEST_F(DataSourceTest, LinksSurviveTheirSourceAndDataset) {
  TNotifyDataLink link;
  int inactive = 0;
  link.OnActiveChanged = [&] {
    if (!link.Active()) ++inactive;
  };
  auto* other = TComponent::Create<TDataSource>(module.owner.get());
  other->SetDataSet(cds);
  cds->Open();
  link.SetDataSource(ds);
  int before = inactive;
  link.SetDataSource(other);  // another source: told even though both are open
  EXPECT_TRUE(link.Active());
  delete other;
  EXPECT_EQ(link.DataSource(), nullptr);
  EXPECT_GT(inactive, before);

  link.SetDataSource(ds);
  inactive = 0;
  delete cds;  // the dataset goes first
  EXPECT_EQ(ds->DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(inactive, 1);
}

}  // namespace
}  // namespace pellor
