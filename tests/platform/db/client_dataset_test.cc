#include "platform/db/client_dataset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db_fixture.h"
#include "platform/db/socket_connection.h"

namespace pellor {
namespace {

using testing::FactorModule;
using testing::FactorRow;
using testing::FactorServer;

std::string Col(TDataSet* ds, const char* name) { return ds->FieldByName(name)->AsString(); }

// What the program does before sending: a stamped FLAG (-n-1) made positive.
void EditName(TClientDataSet* cds, const std::string& name) {
  cds->Edit();
  cds->FieldByName("MF002")->SetAsString(name);
  double flag = cds->FieldByName("FLAG")->AsFloat();
  cds->FieldByName("FLAG")->SetAsFloat(flag + 1);
  cds->Post();
}

class ClientDataSetTest : public ::testing::Test {
 protected:
  FactorServer server{5};
  FactorModule module{server};
  TClientDataSet* cds = module.cds;
};

TEST_F(ClientDataSetTest, ChangeLogKeepsOriginalsApartAndBuildsTheDelta) {
  cds->Open();
  cds->Next();
  EditName(cds, "renamed");
  EXPECT_EQ(cds->ChangeCount(), 1);
  EXPECT_EQ(cds->UpdateStatus(), usModified);
  EXPECT_EQ(cds->FieldByName("MF002")->OldValue(), Variant("Factor 1"));
  EditName(cds, "renamed again");  // the same row again: still one change
  EXPECT_EQ(cds->ChangeCount(), 1);

  cds->Append();
  cds->FieldByName("MF001")->SetAsString("NEW");
  cds->FieldByName("MF004")->SetAsString("1");
  cds->Post();
  EXPECT_EQ(cds->UpdateStatus(), usInserted);
  EXPECT_TRUE(cds->FieldByName("MF002")->OldValue().IsNull());
  cds->First();
  cds->Delete();  // F00000
  EXPECT_EQ(cds->ChangeCount(), 3);

  Delta delta = cds->GetDelta();
  EXPECT_EQ(delta.fieldNames, (std::vector<std::string>{"MF001", "MF002", "MF004", "MF005", "FLAG"}));
  ASSERT_EQ(delta.changes.size(), 3u);
  EXPECT_EQ(delta.changes[0].kind, ukModify);
  EXPECT_EQ(delta.changes[0].originals[1], Variant("Factor 1"));
  EXPECT_EQ(delta.changes[0].values[1], Variant("renamed again"));
  EXPECT_EQ(delta.changes[0].values[4], Variant(3.0));
  EXPECT_EQ(delta.changes[0].changed, (std::vector<bool>{false, true, false, false, true}));
  EXPECT_EQ(delta.changes[1].kind, ukInsert);
  EXPECT_EQ(delta.changes[1].values[0], Variant("NEW"));
  EXPECT_EQ(delta.changes[2].kind, ukDelete);
  EXPECT_EQ(delta.changes[2].originals[0], Variant("F00000"));
  // The wire shape reads back to the same delta.
  Delta back = DeltaFromVariant(cds->DeltaPacket());
  EXPECT_EQ(back.changes.size(), 3u);
  EXPECT_EQ(back.changes[0].changed, delta.changes[0].changed);

  // Deleting the new row leaves nothing of it in the log.
  cds->Last();
  EXPECT_EQ(Col(cds, "MF001"), "NEW");
  cds->Delete();
  EXPECT_EQ(cds->ChangeCount(), 2);

  cds->CancelUpdates();
  EXPECT_EQ(cds->ChangeCount(), 0);
  EXPECT_EQ(cds->RecordCount(), 5);
  cds->First();
  EXPECT_EQ(Col(cds, "MF001"), "F00000");  // the deleted row is back in its place
  cds->Next();
  EXPECT_EQ(Col(cds, "MF002"), "Factor 1");
  EXPECT_EQ(cds->FieldByName("FLAG")->AsInteger(), 1);
}

TEST_F(ClientDataSetTest, RevertRecordAndMergeChangeLog) {
  cds->Open();
  EditName(cds, "a");
  cds->Next();
  EditName(cds, "b");
  cds->RevertRecord();
  EXPECT_EQ(Col(cds, "MF002"), "Factor 1");
  EXPECT_EQ(cds->ChangeCount(), 1);
  cds->MergeChangeLog();
  EXPECT_EQ(cds->ChangeCount(), 0);
  cds->First();
  EXPECT_EQ(Col(cds, "MF002"), "a");
  EXPECT_EQ(cds->UpdateStatus(), usUnmodified);
  EXPECT_EQ(cds->FieldByName("MF002")->OldValue(), Variant("a"));
}

TEST_F(ClientDataSetTest, ApplyUpdatesSendsTheLogAndMergesAcceptedRows) {
  cds->Open();
  cds->Next();
  EditName(cds, "saved");
  cds->Append();
  cds->FieldByName("MF001")->SetAsString("N01");
  cds->FieldByName("MF004")->SetAsString("2");
  cds->FieldByName("FLAG")->SetAsFloat(1);
  cds->Post();
  cds->First();
  cds->Delete();
  EXPECT_EQ(cds->ApplyUpdates(0), 0);
  EXPECT_EQ(cds->ChangeCount(), 0);
  EXPECT_EQ(server.provider->RowCount(), 5);
  auto row = server.provider->FindRow({Variant("F00001"), Variant("2")});
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ((*row)[1], Variant("saved"));
  EXPECT_EQ((*row)[4], Variant(2.0));
  EXPECT_TRUE(server.provider->FindRow({Variant("N01"), Variant("2")}).has_value());
  EXPECT_FALSE(server.provider->FindRow({Variant("F00000"), Variant("1")}).has_value());
  EXPECT_EQ(cds->ApplyUpdates(0), 0);  // nothing left to send
}

TEST_F(ClientDataSetTest, TheSecondUserToSaveARowIsRefusedAndTheFirstChangeSurvives) {
  FactorModule other(server);
  TClientDataSet* first = cds;
  TClientDataSet* second = other.cds;
  first->Open();
  second->Open();
  std::vector<std::string> reconciled;
  TReconcileAction answer = raSkip;
  auto handler = [&](TClientDataSet* ds, EReconcileError& e, TUpdateKind kind, TReconcileAction& action) {
    reconciled.push_back(ds->Name() + ": " + e.what() + " [" + e.Context() + "] kind " + std::to_string(kind) +
                         " code " + std::to_string(e.ErrorCode()));
    action = answer;
  };
  first->OnReconcileError = handler;
  second->OnReconcileError = handler;

  EditName(first, "first user");
  EditName(second, "second user");
  EXPECT_EQ(first->ApplyUpdates(0), 0);
  EXPECT_EQ(second->ApplyUpdates(0), 1);
  EXPECT_EQ(reconciled, std::vector<std::string>{"cdsMain: Record not found or changed by another user [Modify] kind 0 code 1"});
  EXPECT_EQ((*server.provider->FindRow({Variant("F00000"), Variant("1")}))[1], Variant("first user"));
  // Skipped: the second user's change waits in the log.
  EXPECT_EQ(second->ChangeCount(), 1);
  EXPECT_EQ(Col(second, "MF002"), "second user");

  // Refreshing takes the server's row and drops the local change.
  answer = raRefresh;
  EXPECT_EQ(second->ApplyUpdates(0), 1);
  EXPECT_EQ(second->ChangeCount(), 0);
  EXPECT_EQ(Col(second, "MF002"), "first user");
  EXPECT_EQ(second->FieldByName("FLAG")->AsInteger(), 2);
  // Now the second user edits the current version and succeeds.
  EditName(second, "second user");
  EXPECT_EQ(second->ApplyUpdates(0), 0);
  EXPECT_EQ((*server.provider->FindRow({Variant("F00000"), Variant("1")}))[1], Variant("second user"));
}

TEST_F(ClientDataSetTest, MaxErrorsDecidesBetweenRollbackAndPartialApply) {
  FactorModule other(server);
  cds->Open();
  other.cds->Open();
  other.cds->Next();
  EditName(other.cds, "elsewhere");
  ASSERT_EQ(other.cds->ApplyUpdates(0), 0);

  EditName(cds, "good 1");  // row 0
  cds->Next();
  EditName(cds, "stale");  // row 1, changed meanwhile by the other user
  cds->Next();
  EditName(cds, "good 2");  // row 2
  int reconciles = 0;
  cds->OnReconcileError = [&](TClientDataSet*, EReconcileError&, TUpdateKind, TReconcileAction&) { ++reconciles; };

  EXPECT_EQ(cds->ApplyUpdates(0), 1);  // no error tolerated: nothing applied
  EXPECT_EQ(reconciles, 1);
  EXPECT_EQ(cds->ChangeCount(), 3);
  EXPECT_EQ((*server.provider->FindRow({Variant("F00000"), Variant("1")}))[1], Variant("Factor 0"));

  EXPECT_EQ(cds->ApplyUpdates(-1), 1);  // any number tolerated: the good rows go
  EXPECT_EQ(cds->ChangeCount(), 1);
  EXPECT_EQ((*server.provider->FindRow({Variant("F00000"), Variant("1")}))[1], Variant("good 1"));
  EXPECT_EQ((*server.provider->FindRow({Variant("F00002"), Variant("1")}))[1], Variant("good 2"));
  EXPECT_EQ((*server.provider->FindRow({Variant("F00001"), Variant("2")}))[1], Variant("elsewhere"));

  // Cancelling the refused row undoes it locally.
  cds->OnReconcileError = [](TClientDataSet*, EReconcileError&, TUpdateKind, TReconcileAction& a) { a = raCancel; };
  EXPECT_EQ(cds->ApplyUpdates(-1), 1);
  EXPECT_EQ(cds->ChangeCount(), 0);
  cds->First();
  cds->Next();
  EXPECT_EQ(Col(cds, "MF002"), "Factor 1");
}

TEST_F(ClientDataSetTest, AnInsertWithAnExistingKeyIsAKeyViolation) {
  cds->Open();
  TUpdateKind seen = ukModify;
  cds->OnReconcileError = [&](TClientDataSet*, EReconcileError& e, TUpdateKind kind, TReconcileAction&) {
    seen = kind;
    EXPECT_EQ(e.ErrorCode(), kApplyErrorKeyViolation);
  };
  cds->Append();
  cds->FieldByName("MF001")->SetAsString("F00003");
  cds->FieldByName("MF004")->SetAsString("2");
  cds->Post();
  EXPECT_EQ(cds->ApplyUpdates(0), 1);
  EXPECT_EQ(seen, ukInsert);
  EXPECT_EQ(server.provider->RowCount(), 5);
}

TEST(ClientDataSetPackets, TheFirstPacketReadsOnlyWhatItShows) {
  FactorServer server(20000);
  FactorModule module(server);
  TClientDataSet* cds = module.cds;
  cds->SetPacketRecords(40);
  cds->SetFetchOnDemand(false);
  server.provider->ResetRowsRead();
  cds->Open();
  EXPECT_EQ(cds->RecordCount(), 40);
  EXPECT_EQ(server.provider->RowsRead(), 40u);
  EXPECT_FALSE(cds->AllFetched());

  // Without fetching on demand, navigation stops at the fetched rows.
  cds->Last();
  EXPECT_EQ(cds->RecNo(), 40);
  EXPECT_EQ(cds->GetNextPacket(), 40);
  EXPECT_EQ(cds->RecordCount(), 80);
  EXPECT_EQ(cds->RecNo(), 40);  // the cursor stays on its row
  EXPECT_FALSE(cds->Eof());
  cds->Next();
  EXPECT_EQ(Col(cds, "MF001"), "F00040");
  EXPECT_EQ(cds->ProviderRecordCount(), 20000);

  cds->FetchAll();
  EXPECT_TRUE(cds->AllFetched());
  EXPECT_EQ(cds->RecordCount(), 20000);
  EXPECT_EQ(cds->GetNextPacket(), 0);
  cds->Last();
  EXPECT_EQ(Col(cds, "MF001"), "F19999");
}

TEST(ClientDataSetPackets, FetchOnDemandFetchesWhenNavigationRunsOut) {
  FactorServer server(100);
  FactorModule module(server);
  TClientDataSet* cds = module.cds;
  cds->SetPacketRecords(10);
  cds->Open();
  for (int i = 0; i < 9; ++i) cds->Next();
  EXPECT_EQ(cds->RecordCount(), 10);
  cds->Next();  // past the last fetched row: the next packet comes
  EXPECT_EQ(cds->RecordCount(), 20);
  EXPECT_EQ(Col(cds, "MF001"), "F00010");
  cds->Last();
  EXPECT_EQ(cds->RecordCount(), 100);
  EXPECT_TRUE(cds->Eof());
  cds->Close();

  // Locate looks at every row, fetching what is outstanding.
  cds->Open();
  EXPECT_TRUE(cds->Locate("MF001", Variant("F00077")));
  EXPECT_EQ(cds->RecNo(), 78);
  cds->Close();

  // Packet size 0 opens with the definitions only; the next packet brings the rest.
  cds->SetPacketRecords(0);
  cds->SetFetchOnDemand(false);
  cds->Open();
  EXPECT_EQ(cds->RecordCount(), 0);
  EXPECT_EQ(cds->FieldCount(), 5);
  EXPECT_EQ(cds->GetNextPacket(), 100);
  EXPECT_TRUE(cds->Bof());
  EXPECT_EQ(Col(cds, "MF001"), "F00000");
  cds->Close();

  cds->SetPacketRecords(-1);
  cds->Open();
  EXPECT_EQ(cds->RecordCount(), 100);
  EXPECT_TRUE(cds->AllFetched());
}

TEST_F(ClientDataSetTest, DataRequestSetsTheConditionAndOrderOfTheNextOpen) {
  cds->DataRequest(Variant::ArrayOf({Variant(u"HRSMF.MF004 = '1' and MF005 >= 2"), Variant("MF005 DESC")}));
  cds->Open();
  std::vector<std::string> numbers;
  for (cds->First(); !cds->Eof(); cds->Next()) numbers.push_back(Col(cds, "MF001"));
  EXPECT_EQ(numbers, (std::vector<std::string>{"F00004", "F00002"}));
  cds->Close();
  EXPECT_THROW(cds->DataRequest(Variant("something else")), EDatabaseError);
  cds->DataRequest(Variant::ArrayOf({Variant("NOSUCH = 1"), Variant("")}));
  EXPECT_THROW(cds->Open(), EDatabaseError);
  EXPECT_FALSE(cds->Active());
}

TEST_F(ClientDataSetTest, OrdersByFieldNamesAndNamedIndexes) {
  cds->Open();
  auto order = [&] {
    std::string s;
    for (cds->First(); !cds->Eof(); cds->Next()) s += Col(cds, "MF001").back() + Col(cds, "MF004") + " ";
    return s;
  };
  cds->SetIndexFieldNames("MF004;MF001");
  EXPECT_EQ(order(), "01 21 41 12 32 ");
  cds->AddIndex("byNumberDesc", "MF001", TIndexOptions{ixDescending});
  cds->SetIndexName("byNumberDesc");
  EXPECT_EQ(order(), "41 32 21 12 01 ");
  EXPECT_TRUE(cds->IndexFieldNames().empty());
  // A posted row moves to its place.
  cds->First();
  cds->Edit();
  cds->FieldByName("MF001")->SetAsString("A");
  cds->Post();
  EXPECT_EQ(cds->RecNo(), 5);
  cds->SetIndexName("");
  EXPECT_EQ(order(), "01 12 21 32 A1 ");  // the fetched order again
  EXPECT_THROW(cds->SetIndexFieldNames("NOSUCH"), EDatabaseError);
  EXPECT_THROW(cds->SetIndexName("missing"), EDatabaseError);

  // Case-insensitive order of texts.
  cds->Edit();
  cds->FieldByName("MF002")->SetAsString("apple");
  cds->Post();
  cds->AddIndex("byName", "MF002", TIndexOptions{ixCaseInsensitive});
  cds->SetIndexName("byName");
  cds->First();
  EXPECT_EQ(Col(cds, "MF002"), "apple");
}

TEST_F(ClientDataSetTest, AggregatesOverAllRows) {
  auto* sum = TComponent::Create<TAggregateField>(module.owner.get());
  sum->SetFieldName("TOTAL");
  sum->SetExpression("SUM(MF005)");
  sum->SetActive(true);
  sum->SetDataSet(cds);
  for (const char* name : {"MF001", "MF002", "MF004", "MF005", "FLAG"}) {
    auto* f = CreateFieldOfType(name == std::string("MF005") || name == std::string("FLAG") ? ftFloat : ftString,
                                module.owner.get());
    f->SetFieldName(name);
    f->SetSize(20);
    f->SetDataSet(cds);
  }
  cds->SetAggregatesActive(true);
  cds->Open();
  EXPECT_EQ(sum->Value(), Variant(10.0));  // 0+1+2+3+4
  sum->SetExpression("MAX(MF001)");
  EXPECT_EQ(sum->AsString(), "F00004");
  EXPECT_THROW(sum->SetAsFloat(1), EDatabaseError);
}

TEST_F(ClientDataSetTest, ProviderTextsAreConvertedAndMalformedRowsRefused) {
  auto provider = std::make_shared<TMemoryProvider>(testing::FactorDefs(), "MF001", "FLAG");
  provider->AddRow({Variant(u"W1"), Variant(u"中文"), Variant("1"), Variant(1), Variant(1)});
  server.server->RegisterProvider("pvdWide", provider);
  cds->SetProviderName("pvdWide");
  cds->Open();
  EXPECT_EQ(Col(cds, "MF002"), Cp936("中文"));
  EXPECT_EQ(cds->FieldByName("MF005")->Value().Type(), VarType::kFloat);
  cds->Close();

  // A server that sends rows of the wrong width.
  class TBadServer : public TDispatchObject {
   public:
    TBadServer() : TDispatchObject("Bad") {
      AddMethod(kAsOpen, 4, 4, [](VarArgs&) {
        ProviderOpenResult r;
        r.cursor = 1;
        r.fieldDefs = testing::FactorDefs();
        r.packet.rows = Variant::ArrayOf({Variant::ArrayOf({Variant("only one value")})});
        r.packet.allFetched = true;
        return OpenResultToVariant(r);
      });
      AddMethod(kAsClose, 2, 2, [](VarArgs&) { return Variant(); });
    }
  };
  module.connection->SetAppServer(Variant(DispatchPtr(std::make_shared<TBadServer>())));
  try {
    cds->Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "cdsMain: Malformed provider data: a row does not hold 5 values");
  }
  EXPECT_FALSE(cds->Active());
}

TEST_F(ClientDataSetTest, LocalDatasetsAndTheSocketConnection) {
  // CreateDataSet keeps rows only here; applying has nowhere to go.
  auto* local = TComponent::Create<TClientDataSet>(module.owner.get());
  local->FieldDefs().Add("K", ftInteger);
  local->CreateDataSet();
  local->Append();
  local->FieldByName("K")->SetAsInteger(1);
  local->Post();
  EXPECT_EQ(local->ChangeCount(), 1);
  EXPECT_THROW(local->ApplyUpdates(0), EDatabaseError);
  local->EmptyDataSet();
  EXPECT_TRUE(local->IsEmpty());
  EXPECT_EQ(local->ChangeCount(), 0);
  local->SetReadOnly(true);
  EXPECT_THROW(local->Append(), EDatabaseError);

  // The socket connection with an in-process server serves as RemoteServer.
  auto* socket = TComponent::Create<TSocketConnection>(module.owner.get());
  socket->SetAppServer(server.AppServer());
  auto* viaSocket = TComponent::Create<TClientDataSet>(module.owner.get());
  viaSocket->SetProviderName("pvdMain");
  EXPECT_THROW(viaSocket->SetRemoteServer(local), EDatabaseError);  // a dataset is no connection
  viaSocket->SetRemoteServer(socket);
  viaSocket->Open();
  EXPECT_EQ(viaSocket->RecordCount(), 5);
}

}  // namespace
}  // namespace pellor
