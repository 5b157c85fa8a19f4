#include "suite/appserver/app_server.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "server_test_support.h"
#include "platform/db/client_dataset.h"
#include "platform/db/memory_provider.h"
#include "platform/dispatch/class_factory.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/registry.h"

namespace suite::testing {
namespace {

using pellor::TClientDataSet;
using pellor::TComponent;
using pellor::TLocalConnection;

// A client's data module: a connection to the server and "cdsMain" on
// "pvdMain".
struct Client {
  std::unique_ptr<TComponent> owner = TComponent::CreateUnowned<TComponent>();
  TLocalConnection* connection;
  TClientDataSet* cds;

  explicit Client(const Variant& server) {
    connection = TComponent::Create<TLocalConnection>(owner.get());
    connection->SetAppServer(server);
    cds = TComponent::Create<TClientDataSet>(owner.get());
    cds->SetName("cdsMain");
    cds->SetProviderName("pvdMain");
    cds->SetRemoteServer(connection);
  }
  std::string Text(const char* field) { return cds->FieldByName(field)->AsString(); }
  bool Find(const char* number, const char* category) {
    return cds->Locate("MF001;MF004", Variant::ArrayOf({Variant(number), Variant(category)}));
  }
  void Edit(const std::string& name) {
    cds->Edit();
    cds->FieldByName("MF002")->SetAsString(name);
    cds->FieldByName("FLAG")->SetAsFloat(cds->FieldByName("FLAG")->AsFloat() + 1);
    cds->Post();
  }
};

class AppServerTest : public ServerTest {
 protected:
  // A value of the stored row, read past the server.
  Variant Stored(const std::string& column, const std::string& company, const std::string& number,
                 const std::string& category) {
    return writer_->QueryValue("SELECT " + column + " FROM HRSMF WHERE COMPANY = ? AND MF001 = ? AND MF004 = ?",
                               {Variant(company), Variant(number), Variant(category)});
  }
};

TEST_P(AppServerTest, ConnectAcceptsOnlyKnownUsersAndCompanies) {
  Variant server = NewServer("");
  // Before a Connect every call is refused.
  for (const char* method : {"SvrData", "GetRecCount"}) {
    try {
      DispatchCall(server, method);
      ADD_FAILURE() << method << " answered before Connect";
    } catch (const pellor::EDispatchError& e) {
      EXPECT_STREQ(e.what(), "not connected");
    }
  }
  EXPECT_THROW(DispatchCall(server, "WhatIs", {Variant("TODAY")}), pellor::EDispatchError);
  EXPECT_THROW(DispatchCall(server, pellor::kAsOpen, {Variant("pvdMain"), Variant(), Variant(), Variant(-1)}),
               pellor::EDispatchError);

  struct Case {
    Variant args;
    int expected;
  } cases[] = {
      {ConnectArgs("NOBODY", kCompanyA), 2},
      {ConnectArgs("KV", "NOWHERE"), 3},
      {Variant("PEVF07"), 1},
      {Variant::ArrayOf({Variant("PEVF07"), Variant("KV")}), 1},
      {ConnectArgs("", kCompanyA), 1},
      {ConnectArgs("KV", kCompanyA), 0},
      {ConnectArgs("WANGQIANG", kCompanyB), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DispatchCall(server, "Connect", {c.args}).AsInteger(), c.expected);
  }
  EXPECT_NO_THROW(DispatchCall(server, "SvrData"));
  // A refused Connect ends the session that was open.
  EXPECT_EQ(DispatchCall(server, "Connect", {ConnectArgs("NOBODY", kCompanyA)}).AsInteger(), 2);
  EXPECT_THROW(DispatchCall(server, "SvrData"), pellor::EDispatchError);
}

TEST_P(AppServerTest, SvrDataAndWhatIsDescribeTheProgramAndTheUser) {
  Variant server = NewServer("ZHANGWEI");
  std::string data = DispatchCall(server, "SvrData").AsString();
  for (const char* line : {"M11_TABLE=HRSMF\r\n", "M11_KEY=MF001,MF004\r\n", "MAX_RECORD=20\r\n",
                           "USER_GROUP=HR\r\n", "GROUP_LIST='HR','GUEST'\r\n",
                           "POWER_DATA=PEVF07,Y,Y,YYNYYYYYYNNN,YYNNYYN,NNNNNNN\r\n",
                           "EX_POWER=btnPrint=Y;btnExport=Y\r\n", "BaseLimited=N\r\n"}) {
    EXPECT_NE(data.find(line), std::string::npos) << line << " missing in\n" << data;
  }
  // A user's own rights row wins over the group's.
  Variant lifang = NewServer("LIFANG");
  data = DispatchCall(lifang, "SvrData").AsString();
  EXPECT_NE(data.find("POWER_DATA=PEVF07,N,N,NNNNNYRRNNNN,NNNNNNN,NNNNNNN\r\n"), std::string::npos) << data;
  EXPECT_NE(data.find("EX_POWER=btnPrint=Y;btnExport=N\r\n"), std::string::npos) << data;
  // The rights are those of the connected company.
  Variant other = NewServer("WANGQIANG", kCompanyB);
  data = DispatchCall(other, "SvrData").AsString();
  EXPECT_NE(data.find("POWER_DATA=PEVF07,Y,N,YYYYYYYYYNNN,YYYYYYN,NNNNNNN\r\n"), std::string::npos) << data;

  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char today[48];
  std::snprintf(today, sizeof today, "%04d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  EXPECT_EQ(DispatchCall(server, "WhatIs", {Variant("today")}).AsString(), today);
  EXPECT_EQ(DispatchCall(server, "WhatIs", {Variant("SQLTYPE")}).AsInteger(), db::kSqlTypePipes);
}

TEST_P(AppServerTest, TheMainProviderShowsTheFactorsOfTheCompanyOnly) {
  Variant server = NewServer("ZHANGWEI");
  Client client(server);
  client.cds->SetPacketRecords(5);
  client.cds->Open();
  EXPECT_EQ(client.cds->RecordCount(), 5);
  EXPECT_FALSE(client.cds->AllFetched());
  client.cds->FetchAll();
  EXPECT_EQ(client.cds->RecordCount(), 22);
  EXPECT_EQ(DispatchCall(server, "GetRecCount").AsInteger(), 22);
  std::set<std::string> companies;
  for (client.cds->First(); !client.cds->Eof(); client.cds->Next()) companies.insert(client.Text("COMPANY"));
  EXPECT_EQ(companies, std::set<std::string>{kCompanyA});
  ASSERT_TRUE(client.Find("A01", "1"));
  EXPECT_EQ(client.Text("MF002"), pellor::Cp936("专业知识"));
  EXPECT_EQ(client.cds->FieldByName("MF005")->AsFloat(), 60);
  EXPECT_EQ(client.cds->FieldByName("MF002")->Size(), 20);

  Variant other = NewServer("WANGQIANG", kCompanyB);
  Client trade(other);
  trade.cds->Open();
  EXPECT_EQ(trade.cds->RecordCount(), 4);
  ASSERT_TRUE(trade.Find("A02", "1"));
  EXPECT_EQ(trade.Text("MF002"), pellor::Cp936("外贸英语"));

  // A condition and order as the module sends them, in its code page.
  client.cds->Close();
  client.cds->SetPacketRecords(-1);
  client.cds->DataRequest(Variant::ArrayOf({Variant(pellor::Cp936("MF004 = '2' AND MF003 LIKE '%岗位%'")),
                                            Variant("MF001 DESC")}));
  client.cds->Open();
  ASSERT_EQ(client.cds->RecordCount(), 2);
  client.cds->First();
  EXPECT_EQ(client.Text("MF001"), "B10");
  EXPECT_EQ(DispatchCall(server, "GetRecCount").AsInteger(), 2);

  // SetTopRow limits the next opening only.
  client.cds->Close();
  client.cds->DataRequest(Variant::ArrayOf({Variant(""), Variant("")}));
  DispatchCall(server, "SetTopRow", {Variant(3)});
  client.cds->Open();
  EXPECT_EQ(client.cds->RecordCount(), 3);
  client.cds->Close();
  client.cds->Open();
  EXPECT_EQ(client.cds->RecordCount(), 22);
}

TEST_P(AppServerTest, AConditionCannotWriteOrReachAnotherCompany) {
  Variant server = NewServer("ZHANGWEI");
  Client client(server);
  struct Case {
    const char* condition;
    int rows;  // -1: refused
  } cases[] = {
      {"1=1; DELETE FROM HRSMF", -1},
      {"MF001 = 'A01') OR (1=1", -1},
      {"1=1 UNION SELECT * FROM HRSMF", -1},
      {"MF001 IN (SELECT MA001 FROM main.QRNMA)", -1},
      {"COMPANY = 'HZ0002'", 0},
      {"EXISTS (SELECT 1 FROM HRSMF H WHERE H.COMPANY = 'HZ0002')", 0},
      {"MF001 = 'A01'", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.condition);
    client.cds->Close();
    client.cds->DataRequest(Variant::ArrayOf({Variant(c.condition), Variant("")}));
    if (c.rows < 0) {
      EXPECT_THROW(client.cds->Open(), pellor::EDatabaseError);
    } else {
      client.cds->Open();
      EXPECT_EQ(client.cds->RecordCount(), c.rows);
    }
  }
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM HRSMF").AsInteger(), 26);
}

TEST_P(AppServerTest, TheSecondSaveOfAFactorIsRefusedAndTheFirstSurvives) {
  Variant server1 = NewServer("ZHANGWEI");
  Variant server2 = NewServer("KV");
  Client first(server1), second(server2);
  first.cds->Open();
  second.cds->Open();
  std::vector<std::string> reconciled;
  second.cds->OnReconcileError = [&](TClientDataSet*, pellor::EReconcileError& e, pellor::TUpdateKind kind,
                                     pellor::TReconcileAction&) {
    reconciled.push_back(std::string(e.what()) + " [" + e.Context() + "] " + std::to_string(e.ErrorCode()));
  };
  ASSERT_TRUE(first.Find("A03", "1"));
  ASSERT_TRUE(second.Find("A03", "1"));
  first.Edit(pellor::Cp936("计算机应用"));
  second.Edit("second");
  EXPECT_EQ(first.cds->ApplyUpdates(0), 0);
  EXPECT_EQ(second.cds->ApplyUpdates(0), 1);
  EXPECT_EQ(reconciled, std::vector<std::string>{"Record not found or changed by another user [Modify] " +
                                                 std::to_string(pellor::kApplyErrorChanged)});
  EXPECT_EQ(Stored("MF002", kCompanyA, "A03", "1").AsString(), "计算机应用");
  EXPECT_EQ(Stored("FLAG", kCompanyA, "A03", "1").AsInteger(), 3);

  // With no error allowed, a delta with one stale row writes nothing.
  ASSERT_TRUE(second.Find("A04", "1"));
  second.Edit("fresh");
  EXPECT_EQ(second.cds->ApplyUpdates(0), 1);
  EXPECT_EQ(Stored("MF002", kCompanyA, "A04", "1").AsString(), "逻辑推理");
  // With any number allowed the good row goes and the stale one stays out.
  EXPECT_EQ(second.cds->ApplyUpdates(-1), 1);
  EXPECT_EQ(Stored("MF002", kCompanyA, "A04", "1").AsString(), "fresh");
  EXPECT_EQ(Stored("MF002", kCompanyA, "A03", "1").AsString(), "计算机应用");
}

TEST_P(AppServerTest, InsertsAreCheckedForKeysAndCompany) {
  Variant server = NewServer("WANGQIANG", kCompanyB);
  Client client(server);
  client.cds->Open();
  std::vector<int> codes;
  client.cds->OnReconcileError = [&](TClientDataSet*, pellor::EReconcileError& e, pellor::TUpdateKind,
                                     pellor::TReconcileAction& action) {
    codes.push_back(e.ErrorCode());
    action = pellor::raCancel;
  };
  auto insert = [&](const char* number, const char* category, const char* company) {
    client.cds->Append();
    client.cds->FieldByName("MF001")->SetAsString(number);
    client.cds->FieldByName("MF004")->SetAsString(category);
    client.cds->FieldByName("MF002")->SetAsString("new");
    if (company != nullptr) client.cds->FieldByName("COMPANY")->SetAsString(company);
    client.cds->FieldByName("FLAG")->SetAsFloat(1);
    client.cds->Post();
  };
  insert("A02", "1", nullptr);  // exists in this company
  EXPECT_EQ(client.cds->ApplyUpdates(0), 1);
  insert("A09", "1", kCompanyA);  // written for another company
  EXPECT_EQ(client.cds->ApplyUpdates(0), 1);
  EXPECT_EQ(codes, (std::vector<int>{pellor::kApplyErrorKeyViolation, pellor::kApplyErrorInvalid}));
  EXPECT_EQ(Stored("MF002", kCompanyB, "A02", "1").AsString(), "外贸英语");
  EXPECT_TRUE(Stored("MF002", kCompanyB, "A09", "1").IsBlank());
  EXPECT_EQ(Stored("MF002", kCompanyA, "A09", "1").AsString(), "质量管理体系");

  // A key another company uses is free here; the server stamps the company.
  insert("A03", "1", nullptr);
  EXPECT_EQ(client.cds->ApplyUpdates(0), 0);
  EXPECT_EQ(Stored("MF002", kCompanyB, "A03", "1").AsString(), "new");
  EXPECT_EQ(Stored("MF002", kCompanyA, "A03", "1").AsString(), "计算机操作");

  // Moving a row to another company is refused too.
  ASSERT_TRUE(client.Find("A01", "1"));
  client.cds->Edit();
  client.cds->FieldByName("COMPANY")->SetAsString(kCompanyA);
  client.cds->Post();
  codes.clear();
  EXPECT_EQ(client.cds->ApplyUpdates(0), 1);
  EXPECT_EQ(codes, std::vector<int>{pellor::kApplyErrorInvalid});
  EXPECT_EQ(Stored("MF002", kCompanyB, "A01", "1").AsString(), "专业知识");
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM HRSMF WHERE COMPANY = ?", {Variant(kCompanyB)}).AsInteger(), 5);
}

TEST_P(AppServerTest, ARefusedRowIsAnsweredWithItsReasonAndTheOthersStay) {
  Variant server = NewServer("ZHANGWEI");
  pellor::Delta delta;
  delta.fieldNames = {"MF001", "MF004", "MF002", "MF005", "FLAG"};
  auto insert = [&](int64_t rowId, const char* number, const std::string& name, Variant score) {
    pellor::DeltaChange change;
    change.kind = pellor::ukInsert;
    change.rowId = rowId;
    change.values = {Variant(number), Variant("1"), Variant(name), score, Variant(1.0)};
    delta.changes.push_back(change);
  };
  insert(1, "N01", "ok", Variant(50.0));
  insert(2, "N02", std::string(21, 'x'), Variant(50.0));  // longer than the column
  insert(3, "N03", "bad score", Variant("many"));
  pellor::DeltaChange stale;
  stale.kind = pellor::ukDelete;
  stale.rowId = 4;
  stale.originals = {Variant("A01"), Variant("1"), Variant(), Variant(), Variant(7.0)};
  delta.changes.push_back(stale);

  // Over the limit: nothing stays.
  pellor::ApplyResult result = pellor::ApplyResultFromVariant(DispatchCall(
      server, pellor::kAsApplyUpdates, {Variant("pvdMain"), pellor::DeltaToVariant(delta), Variant(1)}));
  EXPECT_FALSE(result.committed);
  EXPECT_TRUE(Stored("MF002", kCompanyA, "N01", "1").IsBlank());

  result = pellor::ApplyResultFromVariant(DispatchCall(
      server, pellor::kAsApplyUpdates, {Variant("pvdMain"), pellor::DeltaToVariant(delta), Variant(-1)}));
  EXPECT_TRUE(result.committed);
  ASSERT_EQ(result.errorCount, 3);
  EXPECT_EQ(result.errors[0].rowId, 2);
  EXPECT_EQ(result.errors[0].errorCode, pellor::kApplyErrorInvalid);
  EXPECT_EQ(result.errors[0].message, "The value of MF002 is longer than 20 characters");
  EXPECT_EQ(result.errors[1].rowId, 3);
  EXPECT_EQ(result.errors[1].errorCode, pellor::kApplyErrorInvalid);
  EXPECT_EQ(result.errors[2].rowId, 4);
  EXPECT_EQ(result.errors[2].errorCode, pellor::kApplyErrorChanged);
  // The server's current row comes back with the refusal, in delta order.
  ASSERT_EQ(result.errors[2].currentValues.Count(), 5);
  EXPECT_EQ(result.errors[2].currentValues[2].AsString(), pellor::Cp936("专业知识"));
  EXPECT_EQ(result.errors[2].currentValues[4].AsInteger(), 1);
  EXPECT_EQ(Stored("MF002", kCompanyA, "N01", "1").AsString(), "ok");
  EXPECT_EQ(Stored("COMPANY", kCompanyA, "N01", "1").AsString(), kCompanyA);
  EXPECT_TRUE(Stored("MF002", kCompanyA, "N02", "1").IsBlank());
  EXPECT_FALSE(Stored("MF002", kCompanyA, "A01", "1").IsBlank());
}

TEST(AppServerClass, RegisteredClassCreatesAndSeedsItsDatabase) {
  std::string root = (std::filesystem::temp_directory_path() /
                      ("pellor_appserver_" + std::to_string(::getpid())))
                         .string();
  RegisterSuiteClasses(AppServerOptions{root});
  {
    Variant server(pellor::CreateObject("ZevUD01E.Class1"));
    EXPECT_EQ(server.AsDispatch()->DispatchClassName(), kAppServerClassName);
    EXPECT_EQ(DispatchCall(server, "Connect", {ConnectArgs("KV", kCompanyA)}).AsInteger(), 0);
    pellor::ProviderOpenResult opened = pellor::OpenResultFromVariant(
        DispatchCall(server, pellor::kAsOpen, {Variant("pvdMain"), Variant(), Variant(), Variant(-1)}));
    EXPECT_EQ(opened.packet.rows.Count(), 22);
    EXPECT_TRUE(opened.packet.allFetched);
  }
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(root) / "pellor.db"));
  UnregisterSuiteClasses();
  EXPECT_FALSE(pellor::IsClassRegistered(kAppServerClassName));
  std::filesystem::remove_all(root);
}

TEST(AppServerClass, WithoutARootTheServerPathOfTheSettingsStoreIsUsed) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("pellor_appserver_store_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string store = (dir / "registry.ini").string();
  const char* saved = std::getenv("PELLOR_REGISTRY");
  std::string previous = saved != nullptr ? saved : "";
  ::setenv("PELLOR_REGISTRY", store.c_str(), 1);
  EXPECT_THROW(TAppServer(AppServerOptions{}), pellor::EDatabaseError);  // no store yet
  {
    pellor::TRegistry registry(store);
    registry.OpenKey(pellor::kPellorRegistryKey);
    registry.WriteString("ServerPath", (dir / "server").string() + "/");
  }
  {
    TAppServer server{AppServerOptions{}};
  }
  EXPECT_TRUE(std::filesystem::exists(dir / "server" / "pellor.db"));
  if (saved != nullptr) {
    ::setenv("PELLOR_REGISTRY", previous.c_str(), 1);
  } else {
    ::unsetenv("PELLOR_REGISTRY");
  }
  std::filesystem::remove_all(dir);
}

PELLOR_DB_BACKENDS(AppServerTest);

}  // namespace
}  // namespace suite::testing
