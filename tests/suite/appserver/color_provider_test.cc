// The provider "pvdColor": the colour text of each record of the main query.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "server_test_support.h"
#include "platform/db/client_dataset.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "suite/appserver/app_server.h"
#include "suite/appserver/server_database.h"

namespace suite::testing {
namespace {

using pellor::TClientDataSet;
using pellor::TComponent;
using pellor::TLocalConnection;

// Conditions in the order the first match must respect: a subquery into
// another company (never met), a broken column and a writing text (both left
// out), then "high standard" before "written test"; a second component with
// a match for a few records only; a disabled component.
constexpr char kDocument[] =
    "<colormanager><head>"
    "<component name=\"gdHead\" enable=\"Y\">"
    "<condition value=\"EXISTS (SELECT 1 FROM HRSMF H WHERE H.COMPANY = 'HZ0002')\" colorx=\"1\" bkcolor=\"1\" "
    "msg=\"x\"/>"
    "<condition value=\"NOSUCHCOLUMN = 1\" colorx=\"2\" bkcolor=\"2\" msg=\"y\"/>"
    "<condition value=\"1=1; DELETE FROM HRSMF\" colorx=\"3\" bkcolor=\"3\" msg=\"z\"/>"
    "<condition value=\"MF005&gt;=80\" colorx=\"16711680\" bkcolor=\"13434879\" bold=\"Y\" msg=\"高标准\"/>"
    "<condition value=\"MF004='1'\" colorx=\"0\" bkcolor=\"15794160\" msg=\"笔试\"/>"
    "</component>"
    "<component name=\"edMF003\" enable=\"Y\">"
    "<condition value=\"MF003 LIKE '%必考%'\" colorx=\"255\" msg=\"必考;重要\"/>"
    "</component>"
    "<component name=\"edMF002\" enable=\"N\"><condition value=\"1=1\" colorx=\"9\"/></component>"
    "</head></colormanager>";

const std::string kHigh = pellor::Cp936("bkcolor=13434879;colorx=16711680;bold=Y;msg=高标准;");
const std::string kWritten = pellor::Cp936("bkcolor=15794160;colorx=0;msg=笔试;");
const std::string kRequired = pellor::Cp936("bkcolor=;colorx=255;msg=必考；重要;");

struct Client {
  std::unique_ptr<TComponent> owner = TComponent::CreateUnowned<TComponent>();
  TLocalConnection* connection;
  TClientDataSet* main;
  TClientDataSet* colour;

  explicit Client(const Variant& server) {
    connection = TComponent::Create<TLocalConnection>(owner.get());
    connection->SetAppServer(server);
    main = Dataset("cdsMain", "pvdMain");
    colour = Dataset("cdsMainColor", "pvdColor");
  }
  TClientDataSet* Dataset(const char* name, const char* provider) {
    auto* cds = TComponent::Create<TClientDataSet>(owner.get());
    cds->SetName(name);
    cds->SetProviderName(provider);
    cds->SetRemoteServer(connection);
    return cds;
  }
  // Every row of the colour dataset: "MF001-MF004" → column → text.
  std::map<std::string, std::map<std::string, std::string>> Colours() {
    colour->FetchAll();
    std::map<std::string, std::map<std::string, std::string>> out;
    for (colour->First(); !colour->Eof(); colour->Next()) {
      auto& row = out[colour->FieldByName("MF001")->AsString() + "-" + colour->FieldByName("MF004")->AsString()];
      for (size_t i = 2; i < colour->FieldList().size(); ++i) {
        row[colour->Fields(static_cast<int>(i))->FieldName()] = colour->Fields(static_cast<int>(i))->AsString();
      }
    }
    return out;
  }
  std::vector<std::string> Keys(TClientDataSet* cds) {
    cds->FetchAll();
    std::vector<std::string> keys;
    for (cds->First(); !cds->Eof(); cds->Next()) {
      keys.push_back(cds->FieldByName("MF001")->AsString() + "-" + cds->FieldByName("MF004")->AsString());
    }
    return keys;
  }
};

class ColorProviderTest : public ServerTest {
 protected:
  void SetDocument(const std::string& xml) {
    writer_->Execute("UPDATE ADMNH SET NH003 = ? WHERE COMPANY = ? AND NH001 = 'PEVF07'",
                     {Variant(xml), Variant(kCompanyA)});
  }
};

TEST_P(ColorProviderTest, EachRecordTakesTheFirstConditionItMeetsPerComponent) {
  SetDocument(kDocument);
  Variant server = NewServer("ZHANGWEI");
  Client client(server);
  client.main->SetPacketRecords(5);
  client.main->Open();
  client.colour->SetPacketRecords(5);
  client.colour->Open();
  std::vector<std::string> columns;
  for (pellor::TField* field : client.colour->FieldList()) columns.push_back(field->FieldName());
  EXPECT_EQ(columns, (std::vector<std::string>{"MF001", "MF004", "gdHead", "edMF003"}));

  auto colours = client.Colours();
  ASSERT_EQ(colours.size(), 22u);  // company A's factors, in packets of 5
  struct Case {
    const char* key;
    std::string head;
    std::string required;
  } cases[] = {
      {"A08-1", kHigh, kRequired},  // meets both gdHead conditions: the first wins
      {"A01-1", kWritten, ""},
      {"A03-1", kWritten, kRequired},
      {"B08-2", kHigh, ""},
      {"B01-2", "", ""},  // meets none
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    ASSERT_EQ(colours.count(c.key), 1u);
    EXPECT_EQ(colours[c.key]["gdHead"], c.head);
    EXPECT_EQ(colours[c.key]["edMF003"], c.required);
  }
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM HRSMF").AsInteger(), 26);
}

TEST_P(ColorProviderTest, TheColoursFollowTheMainQueryUnlessARequestNamesAnother) {
  Variant server = NewServer("ZHANGWEI");
  Client client(server);
  client.main->DataRequest(Variant::ArrayOf({Variant("MF001 LIKE 'B0%'"), Variant("MF001 DESC")}));
  client.main->Open();
  client.colour->Open();
  std::vector<std::string> expected = client.Keys(client.main);
  ASSERT_EQ(expected.size(), 9u);
  EXPECT_EQ(expected.front(), "B09-2");
  EXPECT_EQ(client.Keys(client.colour), expected);
  EXPECT_EQ(client.colour->ProviderRecordCount(), 9);
  // The seed's definitions: interviews in red on white.
  client.colour->First();
  EXPECT_EQ(client.colour->FieldByName("gdHead")->AsString(),
            pellor::Cp936("bkcolor=16777215;colorx=255;msg=面试;"));

  // The colours of one record, as the form asks after saving it; the next
  // plain opening follows the main query again.
  client.colour->Close();
  client.colour->DataRequest(Variant::ArrayOf({Variant("HRSMF.MF001='A08' and HRSMF.MF004='1'"), Variant("")}));
  client.colour->Open();
  EXPECT_EQ(client.Keys(client.colour), std::vector<std::string>{"A08-1"});
  client.colour->Close();
  client.colour->Open();
  EXPECT_EQ(client.Keys(client.colour), expected);
}

TEST_P(ColorProviderTest, AnotherCompanysRecordsAndDefinitionsNeverAppear) {
  // Company B has no colour definitions: key columns only, its own rows.
  Client trade(NewServer("WANGQIANG", kCompanyB));
  trade.main->Open();
  trade.colour->Open();
  EXPECT_EQ(trade.colour->FieldCount(), 2);
  EXPECT_EQ(trade.Keys(trade.colour), (std::vector<std::string>{"A01-1", "A02-1", "B01-2", "B02-2"}));

  Client client(NewServer("ZHANGWEI"));
  client.colour->DataRequest(Variant::ArrayOf({Variant("COMPANY = 'HZ0002'"), Variant("")}));
  client.colour->Open();
  EXPECT_TRUE(client.Keys(client.colour).empty());
}

TEST_P(ColorProviderTest, BrokenDefinitionsColourNothingAndWrongCallsAreRefused) {
  SetDocument("<colormanager><head><component name=\"gdHead\" enable=\"Y\">");
  Client client(NewServer("ZHANGWEI"));
  client.colour->Open();
  EXPECT_EQ(client.colour->FieldCount(), 2);
  EXPECT_EQ(client.Keys(client.colour).size(), 22u);

  // A client query that tries to write is refused, not coloured.
  client.colour->Close();
  client.colour->DataRequest(Variant::ArrayOf({Variant("1=1; DELETE FROM HRSMF"), Variant("")}));
  EXPECT_THROW(client.colour->Open(), pellor::EDatabaseError);
  EXPECT_THROW(client.colour->DataRequest(Variant("MF001 = 'A01'")), pellor::EDatabaseError);

  Variant server = NewServer("ZHANGWEI");
  pellor::Delta delta;
  delta.fieldNames = {"MF001", "MF004"};
  EXPECT_THROW(DispatchCall(server, pellor::kAsApplyUpdates,
                            {Variant("pvdColor"), pellor::DeltaToVariant(delta), Variant(0)}),
               pellor::EDatabaseError);
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM HRSMF").AsInteger(), 26);

  try {
    DispatchCall(NewServer(""), pellor::kAsOpen, {Variant("pvdColor"), Variant(), Variant(), Variant(-1)});
    ADD_FAILURE() << "opened before Connect";
  } catch (const pellor::EDispatchError& e) {
    EXPECT_STREQ(e.what(), "not connected");
  }
}

TEST_P(ColorProviderTest, ABig5SiteReadsConditionsAndColourTextsInBig5) {
  SetDocument("<colormanager><head><component name=\"gdHead\" enable=\"Y\">"
              "<condition value=\"MF002 = '專業知識'\" colorx=\"255\" msg=\"專業\"/>"
              "</component></head></colormanager>");
  writer_->Execute("UPDATE HRSMF SET MF002 = '專業知識' WHERE COMPANY = ? AND MF001 = 'A01'", {Variant(kCompanyA)});
  ServerDatabase database{Open(), Open(), 950};
  Variant server(pellor::DispatchPtr(std::make_shared<TAppServer>(std::move(database))));
  ASSERT_EQ(DispatchCall(server, "Connect", {ConnectArgs("ZHAOLEI")}).AsInteger(), 0);
  auto big5 = [](const char* utf8) { return pellor::WideToAnsi(pellor::Utf8ToWide(utf8), 950); };
  Client client(server);
  client.colour->DataRequest(Variant::ArrayOf({Variant(big5("MF002 LIKE '專業%'")), Variant("")}));
  client.colour->Open();
  auto colours = client.Colours();
  ASSERT_EQ(colours.size(), 1u);
  EXPECT_EQ(colours["A01-1"]["gdHead"], big5("bkcolor=;colorx=255;msg=專業;"));
  // The base-data check of a Big5 site reads its condition in Big5 too.
  pellor::VarArgs check{Variant("M11_"), Variant(big5("MF002 = '專業知識'")), Variant(0)};
  Variant keys = pellor::DispatchInvoke(server, "GetBaseLimitedRecs", check);
  EXPECT_EQ(check[2].AsInteger(), 1);
  EXPECT_EQ(keys.Count() == 1 ? keys[0].AsString() : "", "A01   -1");
}

PELLOR_DB_BACKENDS(ColorProviderTest);

}  // namespace
}  // namespace suite::testing
