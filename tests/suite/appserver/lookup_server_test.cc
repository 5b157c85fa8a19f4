// The look-up server "F2WindowS.Class1": Connect, and read-only look-up
// queries confined to the connected company.
#include "suite/appserver/lookup_server.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "server_test_support.h"
#include "platform/dispatch/class_factory.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "suite/appserver/app_server.h"

namespace suite::testing {
namespace {

class LookupServerTest : public ServerTest {
 protected:
  // The rows of a look-up as "v1|v2" texts.
  static std::vector<std::string> Rows(const Variant& server, const std::string& sql, const std::string& fields) {
    Variant rows = DispatchCall(server, "SimpleSQL",
                                {Variant(pellor::Cp936(sql)), Variant(fields), Variant("CSOqrl54"), Variant("N")});
    std::vector<std::string> out;
    for (int r = 0; r < rows.Count(); ++r) {
      std::string line;
      for (int c = 0; c < rows[r].Count(); ++c) line += (c ? "|" : "") + rows[r][c].AsString();
      out.push_back(line);
    }
    return out;
  }
};

TEST_P(LookupServerTest, ConnectAnswersAsTheApplicationServer) {
  Variant server = NewLookupServer("");
  struct Case {
    Variant args;
    int expected;
  } cases[] = {
      {ConnectArgs("NOBODY", kCompanyA), 2}, {ConnectArgs("KV", "NOWHERE"), 3},
      {Variant("PEVF07"), 1},                {ConnectArgs("", kCompanyA), 1},
      {ConnectArgs("KV", kCompanyA), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(DispatchCall(server, "Connect", {c.args}).AsInteger(), c.expected);
  EXPECT_NO_THROW(Rows(server, "SELECT MA001 FROM ACTMA", ""));
  // A refused Connect ends the session.
  EXPECT_EQ(DispatchCall(server, "Connect", {ConnectArgs("NOBODY", kCompanyA)}).AsInteger(), 2);
  try {
    Rows(server, "SELECT MA001 FROM ACTMA", "");
    ADD_FAILURE() << "answered after a refused Connect";
  } catch (const pellor::EDispatchError& e) {
    EXPECT_STREQ(e.what(), "not connected");
  }
}

TEST_P(LookupServerTest, LookUpsDeliverTheListedFieldsOfTheCompanysRows) {
  Variant server = NewLookupServer("ZHANGWEI");
  EXPECT_EQ(Rows(server, "SELECT MA001, MA002 FROM $$ACTMA ACTMA WHERE MA003 = '1' ORDER BY MA001",
                 "ACTMA.MA002,MA001"),
            (std::vector<std::string>{pellor::Cp936("财务部|FN01"), pellor::Cp936("人力资源部|HR01"),
                                      pellor::Cp936("品管部|QA01")}));
  EXPECT_EQ(Rows(server, "SELECT TOP 1 MA001, MA002 FROM ACTMA ORDER BY MA001", ""),
            std::vector<std::string>{pellor::Cp936("FN01|财务部")});
  Variant trade = NewLookupServer("WANGQIANG", kCompanyB);
  EXPECT_EQ(Rows(trade, "SELECT MA002 FROM ACTMA", "MA002"),
            std::vector<std::string>{pellor::Cp936("人事行政部")});
  EXPECT_TRUE(Rows(server, "SELECT MA001 FROM ACTMA WHERE COMPANY = 'HZ0002'", "MA001").empty());
}

TEST_P(LookupServerTest, WritesAndWrongArgumentsAreRefused) {
  Variant server = NewLookupServer("ZHANGWEI");
  for (const char* sql : {"DELETE FROM ACTMA", "SELECT MA001 FROM ACTMA; DELETE FROM ACTMA",
                          "SELECT MA001 FROM main.ACTMA"}) {
    SCOPED_TRACE(sql);
    EXPECT_THROW(Rows(server, sql, ""), pellor::EDatabaseError);
  }
  EXPECT_THROW(Rows(server, "SELECT MA001 FROM ACTMA", "MA001,MA009"), pellor::EDispatchError);
  EXPECT_THROW(DispatchCall(server, "SimpleSql", {Variant::ArrayOf({Variant("SELECT 1")})}), pellor::EDispatchError);
  EXPECT_THROW(DispatchCall(server, "SimpleSql", {Variant("SELECT MA001 FROM ACTMA"), Variant::ArrayOf({})}),
               pellor::EDispatchError);
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM ACTMA").AsInteger(), 5);
}

PELLOR_DB_BACKENDS(LookupServerTest);

TEST(LookupServerRegistration, TheSuiteRegistersItBesideTheApplicationServer) {
  std::filesystem::path root = std::filesystem::temp_directory_path() /
                               ("pellor_lookup_" + std::to_string(::getpid()));
  AppServerOptions options;
  options.serverRoot = root.string();
  RegisterSuiteClasses(options);
  Variant server = pellor::CreateObject(kLookupServerClassName);
  EXPECT_EQ(DispatchCall(server, "Connect", {ConnectArgs("KV", kCompanyA)}).AsInteger(), 0);
  Variant rows = DispatchCall(server, "SimpleSql", {Variant("SELECT MB001 FROM INVMB ORDER BY MB001")});
  EXPECT_EQ(rows.Count(), 3);
  UnregisterSuiteClasses();
  EXPECT_THROW(pellor::CreateObject(kLookupServerClassName), pellor::Exception);
  server = Variant();
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace suite::testing
