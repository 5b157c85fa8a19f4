#include "suite/appserver/server_profile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "server_test_support.h"
#include "platform/db/client_dataset.h"
#include "platform/db/provider.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "suite/appserver/app_server.h"
#include "suite/appserver/server_database.h"

namespace suite::testing {
namespace {

class ServerProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/pellor-profile.XXXXXX";
    root_ = mkdtemp(pattern);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  void WriteProfile(const std::string& text) { std::ofstream(root_ / "PellorS.ini") << text; }

  std::filesystem::path root_;
};

TEST_F(ServerProfileTest, PasswordsDecodeAsTheSuiteStoresThem) {
  // Stored by the suite's own encoder: the scrambled empty marker, ASCII,
  // and bytes above 0x7F (a Big5 password).
  struct Case {
    const char* stored;
    std::string plain;
  } cases[] = {
      {"B958", "sa"},
      {"b958", "sa"},
      {"B958F", "sa"},
      {"B9CC6C272BD142", "s3cret!"},
      {"D8D2B785", "\xB1\x4B\xBD\x58"},
      {"A595EB350BE5BE4EB7142C379B5DDE7232D78A862B41C273B9D5ED272325E645B61C8E97", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    std::string plain = "unchanged";
    EXPECT_TRUE(DecodeProfilePassword(c.stored, plain)) << c.stored;
    EXPECT_EQ(plain, c.plain) << c.stored;
    if (c.stored[0] != '\0' && c.stored != std::string("b958") && c.stored != std::string("B958F")) {
      EXPECT_EQ(EncodeProfilePassword(c.plain), c.stored);
    }
  }
  std::string plain;
  EXPECT_FALSE(DecodeProfilePassword("B9ZZ", plain));
}

TEST_F(ServerProfileTest, AMissingProfileMeansSqliteIn936OnPort211) {
  ServerProfile profile = ReadServerProfile(root_.string());
  EXPECT_EQ(profile.backend, db::Backend::kSqlite);
  EXPECT_EQ(profile.mainDbType, "MSSQL");
  EXPECT_EQ(profile.dbCodePage, 936);
  EXPECT_EQ(profile.serverPort, 211);
  EXPECT_EQ(profile.mainUserName, "sa");
}

TEST_F(ServerProfileTest, ReadsThePostgresDatabaseTheCodePageAndThePort) {
  WriteProfile(
      "[CodePage]\nDBCodePage=950\n"
      "[DBE Setting]\nMainDBType=postgresql\nMainDBName=pellor\nMainServerName=db.example:5433\n"
      "MainUserName=pellor_app\nXXXXXX=B9CC6C272BD142\nMainConnectionTimeOut=7\n"
      "[DBPasswordCtrl]\nServerPort=2111\n");
  ServerProfile profile = ReadServerProfile(root_.string());
  EXPECT_EQ(profile.backend, db::Backend::kPostgres);
  EXPECT_EQ(profile.dbCodePage, 950);
  EXPECT_EQ(profile.serverPort, 2111);
  db::PostgresParams params = PostgresParamsOf(profile);
  EXPECT_EQ(params.host, "db.example");
  EXPECT_EQ(params.port, 5433);
  EXPECT_EQ(params.database, "pellor");
  EXPECT_EQ(params.user, "pellor_app");
  EXPECT_EQ(params.password, "s3cret!");
  EXPECT_EQ(params.connectTimeoutSeconds, 7);

  // Only 936 and 950 are database code pages.
  for (const char* other : {"437", "65001", ""}) {
    WriteProfile(std::string("[CodePage]\nDBCodePage=") + other + "\n");
    EXPECT_EQ(ReadServerProfile(root_.string()).dbCodePage, 936) << other;
  }
}

TEST_F(ServerProfileTest, MainServerNameNamesHostAndPort) {
  struct Case {
    const char* server;
    const char* host;
    int port;
  } cases[] = {
      {"", "", 5432},
      {"db1", "db1", 5432},
      {"db1:6543", "db1", 6543},
      {"db1,6543", "db1", 6543},
      {"10.0.0.5, 6543", "10.0.0.5", 6543},
      {"/run/postgresql:5433", "/run/postgresql", 5433},
      {"[::1]:5433", "::1", 5433},
      {"[::1]", "::1", 5432},
      {"fe80::1", "fe80::1", 5432},
  };
  ServerProfile profile;
  profile.mainDbName = "pellor";
  for (const Case& c : cases) {
    profile.mainServerName = c.server;
    db::PostgresParams params = PostgresParamsOf(profile);
    EXPECT_EQ(params.host, c.host) << c.server;
    EXPECT_EQ(params.port, c.port) << c.server;
  }
  for (const char* bad : {"db1:", "db1:x", "db1,0", "db1:70000", "[::1", "[::1]5433"}) {
    profile.mainServerName = bad;
    EXPECT_THROW(PostgresParamsOf(profile), pellor::EDatabaseError) << bad;
  }
  profile.mainServerName = "db1";
  profile.mainDbName = "";
  try {
    PostgresParamsOf(profile);
    ADD_FAILURE() << "no database name accepted";
  } catch (const pellor::EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("MainDBName"), std::string::npos) << e.what();
  }
}

TEST_F(ServerProfileTest, AnUndecodablePasswordStopsTheServerWithTheReason) {
  WriteProfile("[DBE Setting]\nMainDBType=POSTGRESQL\nMainDBName=pellor\nXXXXXX=secret\n");
  try {
    OpenServerDatabase(AppServerOptions{root_.string()});
    ADD_FAILURE() << "a garbled password was used";
  } catch (const pellor::EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("cannot be decoded"), std::string::npos) << e.what();
  }
}

TEST_F(ServerProfileTest, AnUnreachablePostgresNamesTheDatabaseAndTheProfile) {
  WriteProfile("[DBE Setting]\nMainDBType=POSTGRESQL\nMainDBName=nowhere\nMainServerName=" + root_.string() +
               ":1\nMainUserName=u\n");
  try {
    OpenServerDatabase(AppServerOptions{root_.string()});
    ADD_FAILURE() << "connected to nothing";
  } catch (const pellor::EDatabaseError& e) {
    std::string message = e.what();
    EXPECT_NE(message.find("database 'nowhere'"), std::string::npos) << message;
    EXPECT_NE(message.find("PellorS.ini"), std::string::npos) << message;
  }
}

// A site whose clients speak Big5: their texts are stored as UTF-8 and come
// back as the same bytes, and conditions are read in Big5 too.
TEST_F(ServerProfileTest, ABig5SiteStoresUtf8AndAnswersInBig5) {
  WriteProfile("[CodePage]\nDBCodePage=950\n");
  const std::string utf8 = "計算機應用（進階）";
  const std::string big5 = pellor::WideToAnsi(pellor::Utf8ToWide(utf8), pellor::kCodePageBig5);
  ASSERT_NE(big5, pellor::WideToAnsi(pellor::Utf8ToWide(utf8), pellor::kCodePageGB));

  Variant server(pellor::DispatchPtr(std::make_shared<TAppServer>(AppServerOptions{root_.string()})));
  ASSERT_EQ(pellor::DispatchCall(server, "Connect", {ConnectArgs("ZHANGWEI")}).AsInteger(), 0);
  auto owner = pellor::TComponent::CreateUnowned<pellor::TComponent>();
  auto* connection = pellor::TComponent::Create<pellor::TLocalConnection>(owner.get());
  connection->SetAppServer(server);
  auto* cds = pellor::TComponent::Create<pellor::TClientDataSet>(owner.get());
  cds->SetProviderName("pvdMain");
  cds->SetRemoteServer(connection);
  cds->Open();
  ASSERT_TRUE(cds->Locate("MF001;MF004", Variant::ArrayOf({Variant("A03"), Variant("1")})));
  cds->Edit();
  cds->FieldByName("MF002")->SetAsString(big5);
  cds->FieldByName("FLAG")->SetAsFloat(cds->FieldByName("FLAG")->AsFloat() + 1);
  cds->Post();
  ASSERT_EQ(cds->ApplyUpdates(0), 0);

  auto stored = db::OpenSqlite((root_ / "pellor.db").string());
  EXPECT_EQ(stored->QueryValue("SELECT MF002 FROM HRSMF WHERE COMPANY = 'CSOqrl54' AND MF001 = 'A03' AND MF004 = '1'")
                .AsString(),
            utf8);

  cds->Close();
  Variant opened = pellor::DispatchCall(server, pellor::kAsOpen,
                                        {Variant("pvdMain"), Variant("MF002 = '" + big5 + "'"), Variant(), Variant(-1)});
  pellor::ProviderOpenResult result = pellor::OpenResultFromVariant(opened);
  ASSERT_EQ(result.packet.rows.Count(), 1);
  int column = 0;
  while (result.fieldDefs[column].name != "MF002") ++column;
  EXPECT_EQ(result.packet.rows[0][column].RawString(), big5);
}

}  // namespace
}  // namespace suite::testing
