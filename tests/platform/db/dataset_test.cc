#include "platform/db/dataset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db_fixture.h"
#include "platform/db/client_dataset.h"
#include "platform/db/data_source.h"
#include "platform/ui/properties.h"

namespace pellor {
namespace {

using testing::FactorModule;
using testing::FactorServer;
using Log = std::vector<std::string>;

std::string StateName(TDataSetState state) { return std::string(kDataSetStateNames[state]); }

// Logs every dataset event with the state it fired in.
void HookAll(TDataSet* ds, Log& log) {
  auto hook = [&log](const char* name) {
    return [&log, name](TDataSet* d) { log.push_back(std::string(name) + "/" + StateName(d->State())); };
  };
  ds->BeforeOpen = hook("BeforeOpen");
  ds->AfterOpen = hook("AfterOpen");
  ds->BeforeClose = hook("BeforeClose");
  ds->AfterClose = hook("AfterClose");
  ds->BeforeInsert = hook("BeforeInsert");
  ds->AfterInsert = hook("AfterInsert");
  ds->BeforeEdit = hook("BeforeEdit");
  ds->AfterEdit = hook("AfterEdit");
  ds->BeforePost = hook("BeforePost");
  ds->AfterPost = hook("AfterPost");
  ds->BeforeCancel = hook("BeforeCancel");
  ds->AfterCancel = hook("AfterCancel");
  ds->BeforeDelete = hook("BeforeDelete");
  ds->AfterDelete = hook("AfterDelete");
  ds->BeforeScroll = hook("BeforeScroll");
  ds->AfterScroll = hook("AfterScroll");
  ds->OnNewRecord = hook("OnNewRecord");
}

class DataSetTest : public ::testing::Test {
 protected:
  FactorServer server{3};
  FactorModule module{server};
  TClientDataSet* cds = module.cds;
  Log log;

  std::string Current() { return cds->FieldByName("MF001")->AsString(); }
};

TEST_F(DataSetTest, OpenAndCloseFireTheirEventsAroundTheStateChange) {
  HookAll(cds, log);
  cds->Open();
  EXPECT_EQ(log, (Log{"BeforeOpen/dsInactive", "AfterOpen/dsBrowse", "AfterScroll/dsBrowse"}));
  EXPECT_TRUE(cds->Bof());
  EXPECT_FALSE(cds->Eof());
  EXPECT_EQ(cds->RecordCount(), 3);
  EXPECT_EQ(cds->FieldCount(), 5);  // default fields from the provider's definitions
  EXPECT_EQ(cds->FieldByName("mf001")->DataType(), ftString);
  EXPECT_EQ(cds->FieldByName("MF001")->Size(), 6);
  EXPECT_TRUE(cds->FieldByName("MF001")->Required());
  log.clear();
  cds->Close();
  EXPECT_EQ(log, (Log{"BeforeClose/dsBrowse", "AfterClose/dsInactive"}));
  EXPECT_EQ(cds->FieldCount(), 0);  // default fields go with the data
  EXPECT_THROW(cds->RecordCount(), EDatabaseError);

  // An empty result opens without a scroll.
  cds->DataRequest(Variant::ArrayOf({Variant("1=2"), Variant("MF001")}));
  log.clear();
  cds->Open();
  EXPECT_EQ(log, (Log{"BeforeOpen/dsInactive", "AfterOpen/dsBrowse"}));
  EXPECT_TRUE(cds->IsEmpty());
  EXPECT_TRUE(cds->Bof() && cds->Eof());
}

TEST_F(DataSetTest, NewRecordStampsAndDefaultsBeforeAfterInsertAndStaysUnmodified) {
  cds->Open();
  cds->Last();
  HookAll(cds, log);
  cds->OnNewRecord = [this](TDataSet* d) {
    log.push_back("OnNewRecord/" + StateName(d->State()));
    d->FieldByName("FLAG")->SetAsString("-1");   // stamp
    d->FieldByName("MF004")->SetAsString("1");   // default
  };
  cds->FieldByName("MF004")->OnChange = [this](TField* f) { log.push_back("MF004.OnChange=" + f->AsString()); };
  cds->Append();
  EXPECT_EQ(log, (Log{"BeforeInsert/dsBrowse", "BeforeScroll/dsBrowse", "OnNewRecord/dsInsert",
                      "MF004.OnChange=1", "AfterInsert/dsInsert", "AfterScroll/dsInsert"}));
  EXPECT_FALSE(cds->Modified());
  EXPECT_EQ(cds->RecNo(), -1);
  EXPECT_EQ(cds->BrowseRowCount(), 4);
  EXPECT_EQ(cds->BrowseActiveRow(), 3);

  log.clear();
  cds->FieldByName("MF001")->SetAsString("N1");
  EXPECT_TRUE(cds->Modified());
  cds->Post();
  EXPECT_EQ(log, (Log{"BeforePost/dsInsert", "AfterPost/dsBrowse"}));
  EXPECT_EQ(cds->RecordCount(), 4);
  EXPECT_EQ(Current(), "N1");
  EXPECT_EQ(cds->FieldByName("FLAG")->AsInteger(), -1);
}

TEST_F(DataSetTest, SilentAbortInBeforePostKeepsTheRecordAndRequiredFieldsAreCheckedAfterIt) {
  cds->Open();
  HookAll(cds, log);
  bool refuse = true;
  cds->BeforePost = [&](TDataSet*) {
    log.push_back("BeforePost");
    if (refuse) throw EAbort();
  };
  cds->Append();
  cds->FieldByName("MF002")->SetAsString("x");
  log.clear();
  EXPECT_THROW(cds->Post(), EAbort);
  EXPECT_EQ(log, (Log{"BeforePost"}));
  EXPECT_EQ(cds->State(), dsInsert);
  EXPECT_EQ(cds->RecordCount(), 3);

  // The provider's definitions make MF001 required: checked after BeforePost.
  refuse = false;
  log.clear();
  try {
    cds->Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'MF001' must have a value");
  }
  EXPECT_EQ(log, (Log{"BeforePost"}));
  EXPECT_EQ(cds->State(), dsInsert);

  // OnPostError may turn the failure into the silent abort.
  cds->OnPostError = [](TDataSet*, EDatabaseError&, TDataAction& action) { action = daAbort; };
  EXPECT_THROW(cds->Post(), EAbort);
  cds->FieldByName("MF001")->SetAsString("N2");
  cds->FieldByName("MF004")->SetAsString("1");
  cds->Post();
  EXPECT_EQ(cds->State(), dsBrowse);
}

TEST_F(DataSetTest, NavigationPostsAModifiedRecordAndCancelsAnUntouchedNewOne) {
  cds->Open();
  HookAll(cds, log);
  cds->Edit();
  cds->FieldByName("MF002")->SetAsString("changed");
  log.clear();
  cds->Next();
  EXPECT_EQ(log, (Log{"BeforePost/dsEdit", "AfterPost/dsBrowse", "BeforeScroll/dsBrowse", "AfterScroll/dsBrowse"}));
  cds->First();
  EXPECT_EQ(cds->FieldByName("MF002")->AsString(), "changed");

  cds->Append();  // nothing typed
  log.clear();
  cds->First();
  EXPECT_EQ(log.front(), "BeforeCancel/dsInsert");
  EXPECT_EQ(cds->RecordCount(), 3);

  // Next on the last row tries to move and reaches Eof: both scroll events.
  // Once at Eof only BeforeScroll fires (a handler may fetch more there).
  cds->Last();
  cds->Prior();
  cds->Next();
  log.clear();
  EXPECT_EQ(cds->MoveBy(1), 0);
  EXPECT_EQ(log, (Log{"BeforeScroll/dsBrowse", "AfterScroll/dsBrowse"}));
  EXPECT_TRUE(cds->Eof());
  log.clear();
  EXPECT_EQ(cds->MoveBy(1), 0);
  EXPECT_EQ(log, (Log{"BeforeScroll/dsBrowse"}));
}

TEST_F(DataSetTest, CursorPositionsAndFlags) {
  cds->Open();
  struct Step {
    std::function<void()> act;
    int recNo;
    bool bof, eof;
  } steps[] = {
      {[&] { cds->First(); }, 1, true, false},
      {[&] { cds->Next(); }, 2, false, false},
      {[&] { cds->Last(); }, 3, false, true},
      {[&] { cds->Next(); }, 3, false, true},
      {[&] { cds->Prior(); }, 2, false, false},
      {[&] { cds->MoveBy(-5); }, 1, true, false},
      {[&] { cds->SetRecNo(3); }, 3, false, false},
  };
  int i = 0;
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(cds->RecNo(), s.recNo) << "step " << i;
    EXPECT_EQ(cds->Bof(), s.bof) << "step " << i;
    EXPECT_EQ(cds->Eof(), s.eof) << "step " << i;
    ++i;
  }
}

TEST_F(DataSetTest, EditCancelAndDeleteSequences) {
  cds->Open();
  HookAll(cds, log);
  cds->AfterEdit = [this](TDataSet* d) {
    log.push_back("AfterEdit/" + StateName(d->State()));
    d->FieldByName("FLAG")->SetAsFloat(-(d->FieldByName("FLAG")->AsFloat() + 1));
  };
  cds->Next();
  log.clear();
  cds->Edit();
  EXPECT_EQ(log, (Log{"BeforeEdit/dsBrowse", "AfterEdit/dsEdit"}));
  EXPECT_EQ(cds->FieldByName("FLAG")->AsInteger(), -2);
  log.clear();
  cds->Cancel();
  EXPECT_EQ(log, (Log{"BeforeCancel/dsEdit", "AfterCancel/dsBrowse"}));
  EXPECT_EQ(cds->FieldByName("FLAG")->AsInteger(), 1);

  cds->Insert();  // before the second row
  log.clear();
  cds->Cancel();
  EXPECT_EQ(log, (Log{"BeforeCancel/dsInsert", "BeforeScroll/dsInsert", "AfterCancel/dsBrowse",
                      "AfterScroll/dsBrowse"}));
  EXPECT_EQ(Current(), "F00001");

  log.clear();
  cds->Delete();
  EXPECT_EQ(log, (Log{"BeforeDelete/dsBrowse", "BeforeScroll/dsBrowse", "AfterDelete/dsBrowse",
                      "AfterScroll/dsBrowse"}));
  EXPECT_EQ(Current(), "F00002");  // the next row takes the place
  cds->Delete();
  EXPECT_EQ(Current(), "F00000");  // the last row gone: the one before
  cds->Delete();
  EXPECT_TRUE(cds->IsEmpty());
  EXPECT_THROW(cds->Delete(), EDatabaseError);
  // Edit on an empty dataset inserts.
  cds->Edit();
  EXPECT_EQ(cds->State(), dsInsert);
}

TEST_F(DataSetTest, FailingNewRecordReturnsToBrowse) {
  cds->Open();
  cds->Next();
  cds->OnNewRecord = [](TDataSet*) { throw EDatabaseError("no numbers left"); };
  EXPECT_THROW(cds->Append(), EDatabaseError);
  EXPECT_EQ(cds->State(), dsBrowse);
  EXPECT_EQ(Current(), "F00001");
  EXPECT_EQ(cds->RecordCount(), 3);
}

TEST_F(DataSetTest, CalculatedAndLookupFieldsFollowTheRecord) {
  // A persistent set of fields: two data fields, a calculated one, an
  // internal-calculated read-only one and a look-up into a second dataset.
  TComponent* dm = module.owner.get();
  auto make = [&](TField* f, const char* name, TFieldKind kind) {
    f->SetFieldName(name);
    f->SetFieldKind(kind);
    f->SetDataSet(cds);
    return f;
  };
  make(TComponent::Create<TStringField>(dm), "MF001", fkData);
  auto* score = make(TComponent::Create<TFloatField>(dm), "MF005", fkData);
  make(TComponent::Create<TStringField>(dm), "MF004", fkData);
  auto* doubled = make(TComponent::Create<TFloatField>(dm), "DOUBLE", fkCalculated);
  auto* selected = make(TComponent::Create<TStringField>(dm), "MultiSelected", fkInternalCalc);
  selected->SetReadOnly(true);
  selected->SetIndex(0);
  auto* kind = make(TComponent::Create<TStringField>(dm), "KINDNAME", fkLookup);

  auto* kinds = TComponent::Create<TClientDataSet>(dm);
  kinds->FieldDefs().Add("CODE", ftString, 1);
  kinds->FieldDefs().Add("NAME", ftString, 10);
  kinds->CreateDataSet();
  for (auto [code, name] : {std::pair{"1", "written"}, std::pair{"2", "interview"}}) {
    kinds->Append();
    kinds->FieldByName("CODE")->SetAsString(code);
    kinds->FieldByName("NAME")->SetAsString(name);
    kinds->Post();
  }
  kind->SetLookupDataSet(kinds);
  kind->SetKeyFields("MF004");
  kind->SetLookupKeyFields("CODE");
  kind->SetLookupResultField("NAME");

  std::vector<TDataSetState> states;
  cds->OnCalcFields = [&](TDataSet* d) {
    states.push_back(d->State());
    d->FieldByName("DOUBLE")->SetAsFloat(d->FieldByName("MF005")->AsFloat() * 2);
    d->FieldByName("MultiSelected")->SetAsString("N");
  };
  cds->Open();
  EXPECT_EQ(cds->Fields(0), selected);
  cds->Next();
  EXPECT_EQ(doubled->AsFloat(), 2.0);
  EXPECT_EQ(selected->AsString(), "N");
  EXPECT_EQ(kind->AsString(), "interview");
  EXPECT_EQ(states.back(), dsCalcFields);
  EXPECT_EQ(cds->State(), dsBrowse);

  cds->Edit();
  score->SetAsFloat(21);
  EXPECT_EQ(doubled->AsFloat(), 42.0);  // recalculated on every change
  cds->FieldByName("MF004")->SetAsString("1");
  EXPECT_EQ(kind->AsString(), "written");
  cds->Cancel();

  // A grid reads another row without moving the cursor.
  std::string other;
  cds->WithBrowseRow(2, [&] { other = doubled->AsString() + "/" + kind->AsString(); });
  EXPECT_EQ(other, "4/written");
  EXPECT_EQ(cds->RecNo(), 2);
}

TEST_F(DataSetTest, LocateMovesOnlyWhenFoundAndLookupNeverMoves) {
  cds->Open();
  HookAll(cds, log);
  EXPECT_TRUE(cds->Locate("MF001;MF004", Variant::ArrayOf({Variant("F00002"), Variant("1")})));
  EXPECT_EQ(log, (Log{"BeforeScroll/dsBrowse", "AfterScroll/dsBrowse"}));
  EXPECT_EQ(cds->RecNo(), 3);

  log.clear();
  EXPECT_FALSE(cds->Locate("MF001;MF004", Variant::ArrayOf({Variant("F00002"), Variant("2")})));
  EXPECT_EQ(log, (Log{"BeforeScroll/dsBrowse"}));
  EXPECT_EQ(cds->RecNo(), 3);

  EXPECT_TRUE(cds->Locate("MF002", Variant("factor 1"), TLocateOptions{loCaseInsensitive}));
  EXPECT_EQ(cds->RecNo(), 2);
  EXPECT_FALSE(cds->Locate("MF002", Variant("Factor"), {}));
  EXPECT_TRUE(cds->Locate("MF002", Variant("Factor"), TLocateOptions{loPartialKey}));
  EXPECT_EQ(cds->RecNo(), 1);
  EXPECT_TRUE(cds->Locate("MF005", Variant("2"), {}));  // a numeric text finds a number
  EXPECT_EQ(cds->RecNo(), 3);
  EXPECT_THROW(cds->Locate("MF001;MF004", Variant("F00001"), {}), EDatabaseError);

  cds->First();
  EXPECT_EQ(cds->Lookup("MF001", Variant("F00001"), "MF002;MF005"),
            Variant::ArrayOf({Variant("Factor 1"), Variant(1.0)}));
  EXPECT_TRUE(cds->Lookup("MF001", Variant("nothing"), "MF002").IsNull());
  EXPECT_EQ(cds->RecNo(), 1);
}

TEST_F(DataSetTest, BookmarksSurviveOrderAndInsertsButNotDeletion) {
  cds->Open();
  cds->Next();
  TBookmark second = cds->GetBookmark();
  cds->SetIndexFieldNames("MF005");
  cds->AddIndex("byScoreDesc", "MF005", TIndexOptions{ixDescending});
  cds->SetIndexName("byScoreDesc");
  EXPECT_EQ(Current(), "F00001");  // the cursor stays on its row when the order changes
  cds->First();
  cds->Append();
  cds->FieldByName("MF001")->SetAsString("X");
  cds->FieldByName("MF004")->SetAsString("1");
  cds->FieldByName("MF005")->SetAsFloat(1.5);
  cds->Post();
  EXPECT_EQ(cds->RecNo(), 2);  // posted into its place in the order: 2, 1.5, 1, 0
  cds->GotoBookmark(second);
  EXPECT_EQ(Current(), "F00001");
  EXPECT_EQ(cds->RecNo(), 3);
  EXPECT_EQ(cds->CompareBookmarks(second, cds->GetBookmark()), 0);
  cds->Delete();
  EXPECT_FALSE(cds->BookmarkValid(second));
  try {
    cds->GotoBookmark(second);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "cdsMain: Record not found");
  }
}

TEST_F(DataSetTest, DisabledControlsHearOneChangeAtTheEnd) {
  TDataSource* ds = TComponent::Create<TDataSource>(module.owner.get());
  ds->SetDataSet(cds);
  int changes = 0, states = 0;
  ds->OnDataChange = [&](TObject*, TField*) { ++changes; };
  ds->OnStateChange = [&](TObject*) { ++states; };
  cds->Open();
  EXPECT_EQ(states, 1);
  changes = 0;
  cds->DisableControls();
  cds->DisableControls();
  cds->Next();
  cds->Edit();
  cds->FieldByName("MF002")->SetAsString("x");
  cds->Post();
  cds->EnableControls();
  EXPECT_EQ(changes, 0);  // calls nest
  cds->EnableControls();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(states, 1);  // browse again: the state seen last did not change
  EXPECT_FALSE(cds->ControlsDisabled());
}

// A data module binds its handlers to the dataset by name, as templates do.
class TdmBound : public TComponent {
  PELLOR_CLASS(TdmBound);

 public:
  explicit TdmBound(TComponent* owner) : TComponent(owner) {}
  Log log;
  void cdsMainBeforePost(TDataSet* d) { log.push_back("cdsMainBeforePost " + d->Name()); }
  void cdsMainNewRecord(TDataSet* d) { d->FieldByName("MF004")->SetAsString("1"); }

 private:
  static void DefineProperties(PropertyBuilder<TdmBound>& p) {
    p.Handler("cdsMainBeforePost", &TdmBound::cdsMainBeforePost).Handler("cdsMainNewRecord", &TdmBound::cdsMainNewRecord);
  }
};
PELLOR_DEFINE_CLASS(TdmBound, TComponent);

TEST_F(DataSetTest, HandlersAreBoundByName) {
  auto dm = TComponent::CreateUnowned<TdmBound>();
  auto* data = TComponent::Create<TClientDataSet>(dm.get());
  data->SetName("cdsMain");
  SetPropValue(*data, "ProviderName", Variant("pvdMain"));
  data->SetRemoteServer(module.connection);
  BindEvent(*data, "BeforePost", *dm, "cdsMainBeforePost");
  BindEvent(*data, "OnNewRecord", *dm, "cdsMainNewRecord");
  EXPECT_TRUE(EventAssigned(*data, "beforepost"));
  data->Open();
  data->Append();
  EXPECT_EQ(data->FieldByName("MF004")->AsString(), "1");
  data->FieldByName("MF001")->SetAsString("B1");
  data->Post();
  EXPECT_EQ(dm->log, Log{"cdsMainBeforePost cdsMain"});
}

}  // namespace
}  // namespace pellor
