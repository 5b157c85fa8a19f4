#include "suite/workcenter/counter_service.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../db/db_test_support.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "platform/xml/xml.h"
#include "suite/workcenter/service_context.h"

namespace suite::testing {
namespace {

using db::testing::kCompanyA;
using db::testing::kCompanyB;
using pellor::Cp936;
using pellor::DispatchCall;
using pellor::VarArgs;
using pellor::Variant;

// Rows of an answer as UTF-8 texts ("NULL" for null), read the way the
// module reads them: element i of the answer is row i, element j of a row
// the j-th listed field.
std::vector<std::vector<std::string>> Texts(const Variant& answer) {
  std::vector<std::vector<std::string>> rows;
  for (const Variant& row : answer.Elements()) {
    std::vector<std::string> texts;
    for (const Variant& value : row.Elements()) texts.push_back(value.IsNull() ? "NULL" : ClientTextToUtf8(value));
    rows.push_back(std::move(texts));
  }
  return rows;
}

// What an action raised: "ClassName: message", or "nothing".
std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const pellor::Exception& error) {
    return std::string(error.ClassName()) + ": " + error.what();
  }
  return "nothing";
}

class CounterTest : public db::testing::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    context_ = NewContext(kCompanyA, "KV");
    service_ = Variant(CreateCounterService(context_));
  }

  std::shared_ptr<ServiceContext> NewContext(const std::string& company, const std::string& user) {
    auto context = std::make_shared<ServiceContext>();
    context->writer = Open();
    context->gateway = OpenGateway();
    context->company = company;
    context->userId = user;
    return context;
  }

  // GETCOUNTER as the broker sends it: the context array names the
  // session's company and a database.
  Variant Call(const std::string& operation, std::vector<Variant> arguments,
               const std::string& company = kCompanyA) {
    return DispatchCall(service_, "GETCOUNTER",
                        {Variant(operation), Variant::ArrayOf(arguments),
                         Variant::ArrayOf({Variant(company), Variant(company)})});
  }
  Variant Simple(const std::string& sql, const std::string& fields) {
    return Call("SimpleSql", {Variant(Cp936(sql)), Variant(fields), Variant(kCompanyA), Variant("N")});
  }
  Variant GetUserDefine(const std::string& user, const std::string& program, const std::string& key) {
    return Call("GetUserDefine", {Variant(kCompanyA), Variant(user), Variant(program), Variant(key)});
  }
  Variant SetUserDefine(const std::string& user, const std::string& program, const std::string& path,
                        const Variant& value) {
    return Call("SetUserDefine", {Variant(kCompanyA), Variant(user), Variant(program), Variant(path), value});
  }
  // The text of an element of the option document GetUserDefine answers.
  std::string Option(const std::string& program, const std::string& key, const std::string& xpath) {
    Variant answer = GetUserDefine("KV", program, key);
    pellor::XmlDocument document = pellor::XmlDocument::FromText(ClientTextToUtf8(answer));
    pellor::XmlNode node = document.SelectSingleNode(xpath);
    return node ? node.Text() : "<missing>";
  }

  std::shared_ptr<ServiceContext> context_;
  Variant service_;
};

// Every statement the module composes for a server query, with the field
// list it sends, as the seed answers it.
TEST_P(CounterTest, TheModulesStatementsAnswerRowsInFieldListOrder) {
  const std::string tl = " SELECT TL006,TL013,TL012 FROM $$ADMTK ADMTK  LEFT JOIN $$ADMTL ADMTL ON TK001 = TL001 AND "
                         "TL010 = 'Y'  WHERE ";
  const std::string tlTail = " AND TK003 = 'Y' AND TL005 = 'Z01' AND TL003 = 'PEVF07' ORDER BY TL011 ";
  struct Case {
    std::string sql;
    std::string fields;
    std::vector<std::vector<std::string>> rows;
  } cases[] = {
      {"SELECT MB002,MB011,MB012,MB013 FROM ADMMB WHERE MB001='PEVF07'", "MB002,MB011,MB012,MB013",
       {{"评价因素建立作业", "Evaluation Factors", "評價因素建立作業", "PEVF07C"}}},
      {"select top 1 MF001,MF003,MF004,MF005,MF006 from $$CMSMF CMSMF where MF001='RMB'",
       "MF001,MF003,MF004,MF005,MF006", {{"RMB", "4", "2", "4", "2"}}},
      {tl + " TL012 <> '' " + tlTail, "TL006,TL013,TL012", {{"UDF51", "HRQ002", "HRSMF.MF004;"}}},
      {tl + " TL012 = '' " + tlTail, "TL006,TL013,TL012", {{"UDF01", "HRQ001", ""}}},
      {tl + " 1=1 " + tlTail, "TL006,TL013,TL012",
       {{"UDF01", "HRQ001", ""}, {"UDF51", "HRQ002", "HRSMF.MF004;"}}},
      {"SELECT MR004,MR005 FROM ADMMR WHERE MR001= 'PEVF07'", "MR004,MR005", {{"MF001", "MF001"}}},
      {"SELECT * FROM ADMMR AS ADMMR  WHERE MR001='PEVF07' and (MR004='MF001' or MR005='MF001')  order by MR011",
       "MR002,MR003,MR004,MR005,MR006,MR007,MR008,MR009,MR010,MR011",
       {{"1", "", "MF001", "MF001", "PEVI08", "MG003", "MG003", "", "", "1"}}},
      {"SELECT NH003 FROM $$ADMNH WHERE NH001 = 'PEVF07'", "NH003",
       {{"<colormanager><head><component name=\"gdHead\" enable=\"Y\"><condition value=\"MF004='1'\" colorx=\"0\" "
         "bkcolor=\"15794160\" msg=\"笔试\"/><condition value=\"MF004='2'\" colorx=\"255\" bkcolor=\"16777215\" "
         "msg=\"面试\"/><condition value=\"MF005&gt;=80\" colorx=\"16711680\" bkcolor=\"13434879\" "
         "msg=\"高标准\"/></component></head></colormanager>"}}},
      {"select NT001,NT002 from WARRANT where UPPER(NT001) like '%HRF07%' order by NT002", "NT002",
       {{"标准格式"}, {"简要格式"}}},
      {" SELECT DISTINCT KeyValues FROM ATTACH WHERE Parent = 'PEVF07' AND CompanyID = 'CSOqrl54'", "KeyValues",
       {{"A08||1"}}},
      {" SELECT MQ001,MQ002,MQ003 \r FROM $$ADMMQ AS ADMMQ   \r WHERE MQ001='PEVF07' AND (MQ002='1' OR "
       "MQ002='****') ",
       "MQ003", {{"1"}}},
      {" SELECT MC001,MC002,MC006 \r FROM $$EFSMC AS EFSMC    \r WHERE MC001='PEVF07' AND (MC002='1' OR "
       "MC002='****') ",
       "MC006", {{"1"}}},
      {" SELECT top  1  MQ003,MQ004 \r FROM  $$ADMMQ  \r WHERE MQ001='PEVF07' AND (MQ002='1' OR MQ002='****') \r"
       " ORDER  BY  MQ002 DESC  ",
       "MQ003,MQ004", {{"1", "20240101"}}},
      {" SELECT top  1  MC006,MC009 \r FROM  $$EFSMC \r WHERE MC001='PEVF07' AND (MC002='1' OR MC002='****') \r"
       " ORDER  BY  MC002 DESC  ",
       "MC006,MC009", {{"1", "20240101"}}},
      {"  SELECT  MR005,MR004,MR007 \r  FROM $$ADMMR \r  WHERE  MR001='PEVF07' AND MR002='1'", "MR005,MR004,MR007",
       {{"MF001", "MF001", "MG003"}}},
      {" SELECT   MF002 FROM  CSOqrl54..HRSMF  HRSMF  WHERE MF001='A02'", "MF002", {{"英语能力"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(Texts(Simple(c.sql, c.fields)), c.rows);
  }
  // Both spellings, and a wide statement text.
  Variant answer = Call("SimpleSQL", {Variant(u"SELECT MB002 FROM ADMMB WHERE MB001='PEVF07'"), Variant("MB002"),
                                      Variant(kCompanyA), Variant("N")});
  EXPECT_EQ(answer[0][0], Variant(Cp936("评价因素建立作业")));
  // Nothing found is no array at all.
  EXPECT_TRUE(Simple("SELECT MB002 FROM ADMMB WHERE MB001='NOSUCH'", "MB002").IsEmpty());
}

TEST_P(CounterTest, RowsKeepTheDatabasesTypesAndTheClientsCodePage) {
  Variant rows = Simple("SELECT MF001,MF005,UDF01,UDF51,FLAG FROM HRSMF WHERE MF004='1' AND MF001 IN ('A03','A08') "
                        "ORDER BY MF001",
                        "");
  ASSERT_EQ(rows.Count(), 2);
  EXPECT_EQ(rows[0][2].Type(), pellor::VarType::kNull);
  EXPECT_EQ(rows[1][1].AsFloat(), 80.0);
  EXPECT_EQ(rows[1][2], Variant(Cp936("生产部")));
  EXPECT_EQ(rows[1][3].Type(), pellor::VarType::kFloat);
  EXPECT_DOUBLE_EQ(rows[1][3].AsFloat(), 0.5);
  Variant order = Simple("SELECT MR011 FROM ADMMR", "MR011");
  EXPECT_EQ(order[0][0].Type(), pellor::VarType::kInteger);

  // A client working in code page 950 sends and reads Big5.
  context_->clientCodePage = pellor::kCodePageBig5;
  const std::string big5Name = pellor::WideToAnsi(pellor::Utf8ToWide("評價因素建立作業"), pellor::kCodePageBig5);
  Variant name = Call("SimpleSql", {Variant("SELECT MB012 FROM ADMMB WHERE MB012='" + big5Name + "'"),
                                    Variant("MB012"), Variant(kCompanyA), Variant("N")});
  EXPECT_EQ(name[0][0], Variant(big5Name));
}

TEST_P(CounterTest, FieldListPicksColumnsByNameOrWholeSelectListByPosition) {
  EXPECT_EQ(Texts(Simple("SELECT MB002,MB011 FROM ADMMB WHERE MB001='PEVF07'", "MB011, ADMMB.MB002")),
            (std::vector<std::vector<std::string>>{{"Evaluation Factors", "评价因素建立作业"}}));
  // An expression column is named by the list's position.
  EXPECT_EQ(Texts(Simple("SELECT COUNT(*), MAX(MF005) FROM HRSMF", "CNT,TOPSCORE")),
            (std::vector<std::vector<std::string>>{{"22", "80"}}));
  EXPECT_EQ(Texts(Simple("SELECT MB001 FROM ADMMB ORDER BY MB001", "")),
            (std::vector<std::vector<std::string>>{{"PEVF07"}, {"PEVI08"}}));
  EXPECT_EQ(ErrorOf([&] { Simple("SELECT MB002,MB011 FROM ADMMB", "MB002,MB099,MB011"); }),
            "EDispatchError: SimpleSql: the result has no column MB099");
}

TEST_P(CounterTest, QueriesSeeOnlyTheSessionsCompanyAndNeverWrite) {
  EXPECT_EQ(Texts(Simple("SELECT MF002 FROM HRSMF WHERE MF001='A02'", "MF002")),
            (std::vector<std::vector<std::string>>{{"英语能力"}}));
  auto contextB = NewContext(kCompanyB, "WANGQIANG");
  Variant serviceB(CreateCounterService(contextB));
  Variant answer = DispatchCall(serviceB, "GETCOUNTER",
                                {Variant("SimpleSql"),
                                 Variant::ArrayOf({Variant("SELECT MF002 FROM HRSMF WHERE MF001='A02'"),
                                                   Variant("MF002")}),
                                 Variant::ArrayOf({Variant(kCompanyB), Variant(kCompanyB)})});
  EXPECT_EQ(Texts(answer), (std::vector<std::vector<std::string>>{{"外贸英语"}}));

  EXPECT_EQ(ErrorOf([&] { Call("SimpleSql", {Variant("SELECT MF002 FROM HRSMF"), Variant("MF002")}, kCompanyB); }),
            "EDispatchError: SimpleSql: the company HZ0002 is not the company CSOqrl54 of this session");
  EXPECT_EQ(ErrorOf([&] { Simple("DELETE FROM HRSMF", ""); }).rfind("ESqlRefused", 0), 0u);
  EXPECT_EQ(ErrorOf([&] { Simple("SELECT MF002 FROM HRSMF; DELETE FROM HRSMF", ""); }).rfind("ESqlRefused", 0), 0u);
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM HRSMF").AsInteger(), 26);
}

TEST_P(CounterTest, MalformedCallsRaiseClearErrors) {
  auto counter = [&](VarArgs args) { DispatchCall(service_, "GETCOUNTER", std::move(args)); };
  const Variant context = Variant::ArrayOf({Variant(kCompanyA), Variant(kCompanyA)});
  const Variant sql = Variant::ArrayOf({Variant("SELECT MB001 FROM ADMMB"), Variant("MB001")});
  struct Case {
    std::function<void()> call;
    std::string error;
  } cases[] = {
      {[&] { counter({Variant("NoSuchThing"), sql, context}); },
       "EDispatchError: GETCOUNTER: unknown operation \"NoSuchThing\""},
      {[&] { counter({Variant("SimpleSql"), Variant("SELECT MB001 FROM ADMMB"), context}); },
       "EDispatchError: SimpleSql: the arguments must be a one-dimensional array"},
      {[&] { counter({Variant("SimpleSql"), Variant::ArrayOf({Variant("SELECT 1")}), context}); },
       "EDispatchError: SimpleSql: takes 2 to 4 arguments, not 1"},
      {[&] { counter({Variant("SimpleSql"), Variant::ArrayOf({Variant(7), Variant("")}), context}); },
       "EDispatchError: SimpleSql: the SQL text must be a text, not Integer"},
      {[&] { counter({Variant("SimpleSql"), sql, Variant(kCompanyA)}); },
       "EDispatchError: GETCOUNTER: the context must be the array (company ID, database name)"},
      {[&] { counter({Variant("SimpleSql"), sql, Variant::ArrayOf({Variant(std::string(kCompanyA).substr(0, 3))})}); },
       "EDispatchError: SimpleSql: the company CSO is not the company CSOqrl54 of this session"},
      {[&] { Call("TransactionSQL", {}); }, "EDispatchError: TransactionSQL: takes 1 to 2 arguments, not 0"},
      {[&] { Call("GetUserDefine", {Variant(kCompanyA), Variant("KV"), Variant("PEVF07")}); },
       "EDispatchError: GetUserDefine: takes 4 arguments, not 3"},
      {[&] { DispatchCall(service_, "GetSysInfo", {Variant(kCompanyB)}); },
       "EDispatchError: GetSysInfo: the company HZ0002 is not the company CSOqrl54 of this session"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.call), c.error);

  // A service without a company to work for answers nobody.
  auto lost = NewContext("", "");
  Variant service(CreateCounterService(lost));
  EXPECT_EQ(ErrorOf([&] { DispatchCall(service, "GetSysInfo", {Variant("")}); }),
            "EDispatchError: GetSysInfo: the service has no company to work for");
}

TEST_P(CounterTest, TransactionSqlChangesOnlyTheCompanysRowsAllOrNothing) {
  // The attachment clean-up after deleting a record, with its empty second
  // argument.
  const std::string remove =
      " DELETE FROM ATTACH  WHERE Parent = 'PEVF07'        AND CompanyID = 'CSOqrl54'        AND KeyValues = 'A08||1' ";
  EXPECT_EQ(Call("TransactionSQL", {Variant(remove), Variant("")}), Variant(1));
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM ATTACH").AsInteger(), 0);

  // A01 exists in both companies; only the session's changes.
  EXPECT_EQ(Call("TransactionSQL", {Variant(Cp936("UPDATE HRSMF SET MF003 = '已复核' WHERE MF001 = 'A01'"))}),
            Variant(1));
  EXPECT_EQ(writer_->QueryValue("SELECT MF003 FROM HRSMF WHERE COMPANY = ? AND MF001 = 'A01'", {Variant(kCompanyA)}),
            Variant("已复核"));
  EXPECT_EQ(writer_->QueryValue("SELECT MF003 FROM HRSMF WHERE COMPANY = ? AND MF001 = 'A01'", {Variant(kCompanyB)}),
            Variant("贸易公司"));

  // Several statements run in one transaction: a refused one undoes the rest.
  Variant batch = Variant::ArrayOf({Variant("UPDATE HRSMF SET MF005 = 99 WHERE MF001 = 'A02'"),
                                    Variant("DROP TABLE HRSMF")});
  EXPECT_EQ(ErrorOf([&] { Call("TransactionSQL", {batch}); }).rfind("ESqlRefused", 0), 0u);
  EXPECT_EQ(writer_->QueryValue("SELECT MF005 FROM HRSMF WHERE COMPANY = ? AND MF001 = 'A02'", {Variant(kCompanyA)})
                .AsFloat(),
            60.0);
  batch = Variant::ArrayOf({Variant("UPDATE HRSMF SET MF005 = 99 WHERE MF001 = 'A02'"),
                            Variant("DELETE FROM HRSMF WHERE MF001 = 'A03'")});
  EXPECT_EQ(Call("TransactionSQL", {batch}), Variant(2));
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM HRSMF WHERE MF005 = 99 OR MF001 = 'A03'").AsInteger(), 1);
}

TEST_P(CounterTest, QueryUdfDataRunsTheNamedValueQueryWithItsValuesBound) {
  auto udf = [&](const std::string& name, std::vector<Variant> values) {
    return Call("QueryUDFData",
                {Variant(name), Variant(""), Variant(kCompanyA), Variant("N"), Variant::ArrayOf(values)});
  };
  EXPECT_EQ(Texts(udf("HRQ001", {})), (std::vector<std::vector<std::string>>{{"人力资源部"}}));
  EXPECT_DOUBLE_EQ(udf("HRQ002", {Variant("1")})[0][0].AsFloat(), 0.4);
  EXPECT_DOUBLE_EQ(udf("HRQ002", {Variant("2")})[0][0].AsFloat(), 0.6);
  // A value that looks like SQL is only a value.
  EXPECT_DOUBLE_EQ(udf("HRQ002", {Variant("1' OR '1'='1")})[0][0].AsFloat(), 0.6);
  EXPECT_TRUE(udf("", {}).IsEmpty());

  EXPECT_EQ(ErrorOf([&] { udf("HRQ002", {}); }),
            "EDispatchError: QueryUDFData: the value query HRQ002 takes 1 values, not 0");
  EXPECT_EQ(ErrorOf([&] { udf("HRQ999", {}); }), "EDispatchError: QueryUDFData: there is no value query named HRQ999");
  // A stored value query is client SQL too: it cannot write.
  writer_->Execute("INSERT INTO ADMTQ (TQ001, TQ003, TQ004, COMPANY) VALUES ('BAD', 'DELETE FROM HRSMF', 0, ?)",
                   {Variant(kCompanyA)});
  EXPECT_EQ(ErrorOf([&] { udf("BAD", {}); }).rfind("ESqlRefused", 0), 0u);
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM HRSMF").AsInteger(), 26);
}

TEST_P(CounterTest, UserOptionsWrittenByTheOptionsDialogReadBack) {
  // Seeded: the program's own colour option, and number settings for all
  // programs, answered as stored.
  EXPECT_EQ(Option("PEVF07", "InputSettings003", "/InputSettings003/IsColorManage"), "True");
  EXPECT_EQ(ClientTextToUtf8(GetUserDefine("KV", "PEVF07", "NumberFieldsSetting")),
            "<NumberFieldsSetting Enabled=\"True\">  <QuantityFieldAutoZero>True</QuantityFieldAutoZero>  "
            "<QuantityFieldThousand>True</QuantityFieldThousand>  <MoneyFieldAutoZero>True</MoneyFieldAutoZero>  "
            "<MoneyFieldThousand>True</MoneyFieldThousand></NumberFieldsSetting>");
  EXPECT_EQ(GetUserDefine("KV", "PEVF07", "InputSettings001"), Variant(""));

  // The dialog writes a general option for all programs; a program reads it.
  EXPECT_EQ(SetUserDefine("KV", kAllPrograms, "InputSettings001/IsFocusPageOne", Variant("False")), Variant(true));
  EXPECT_EQ(Option("PEVF07", "InputSettings001", "/InputSettings001/IsFocusPageOne"), "False");
  SetUserDefine("KV", kAllPrograms, "InputSettings001/IsFocusPageOne", Variant("True"));
  EXPECT_EQ(Option("PEVF07", "InputSettings001", "/InputSettings001/IsFocusPageOne"), "True");

  // The whole number fragment, laid over what is kept.
  const std::string fragment =
      "<NumberFieldsSetting Enabled=\"True\">  <QuantityFieldAutoZero>False</QuantityFieldAutoZero>  "
      "<QuantityFieldThousand>True</QuantityFieldThousand>  <MoneyFieldAutoZero>False</MoneyFieldAutoZero>  "
      "<MoneyFieldThousand>True</MoneyFieldThousand></NumberFieldsSetting>";
  SetUserDefine("KV", kAllPrograms, ".", Variant(fragment));
  EXPECT_EQ(Option("PEVF07", "NumberFieldsSetting", "/NumberFieldsSetting/QuantityFieldAutoZero"), "False");
  EXPECT_EQ(Option("PEVF07", "NumberFieldsSetting", "/NumberFieldsSetting/MoneyFieldThousand"), "True");
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM ADMMU WHERE MU003 = 'NumberFieldsSetting'").AsInteger(), 1);

  // A program's own option wins over the one for all programs, for that
  // program only; its other options still come from all programs.
  SetUserDefine("KV", kAllPrograms, "InputSettings004/FastInputEnabled", Variant("True"));
  SetUserDefine("KV", kAllPrograms, "InputSettings004/Other", Variant("A"));
  SetUserDefine("KV", "PEVF07", "InputSettings004/FastInputEnabled", Variant(false));
  EXPECT_EQ(Option("PEVF07", "InputSettings004", "/InputSettings004/FastInputEnabled"), "False");
  EXPECT_EQ(Option("PEVF07", "InputSettings004", "/InputSettings004/Other"), "A");
  EXPECT_EQ(Option("PEVI08", "InputSettings004", "/InputSettings004/FastInputEnabled"), "True");

  // Texts travel in the client's code page and are kept as UTF-8.
  SetUserDefine("KV", "PEVF07", "Memo/Text", Variant(Cp936("笔试<面试>")));
  EXPECT_EQ(GetUserDefine("KV", "PEVF07", "Memo"), Variant(Cp936("<Memo><Text>笔试&lt;面试&gt;</Text></Memo>")));
  EXPECT_EQ(writer_->QueryValue("SELECT MU004 FROM ADMMU WHERE MU003 = 'Memo'"),
            Variant("<Memo><Text>笔试&lt;面试&gt;</Text></Memo>"));
  EXPECT_EQ(writer_->QueryValue("SELECT CREATOR FROM ADMMU WHERE MU003 = 'Memo'"), Variant("KV"));
}

TEST_P(CounterTest, UserOptionsBelongToTheSessionsUser) {
  struct Case {
    std::function<void()> call;
    std::string error;
  } cases[] = {
      {[&] { GetUserDefine("ZHANGWEI", "PEVF07", "InputSettings003"); },
       "EDispatchError: GetUserDefine: the user ZHANGWEI is not the user KV of this session"},
      {[&] { SetUserDefine("ZHANGWEI", "PEVF07", "InputSettings003/IsColorManage", Variant("False")); },
       "EDispatchError: SetUserDefine: the user ZHANGWEI is not the user KV of this session"},
      {[&] {
         Call("GetUserDefine", {Variant(kCompanyB), Variant("KV"), Variant("PEVF07"), Variant("InputSettings003")});
       },
       "EDispatchError: GetUserDefine: the company HZ0002 is not the company CSOqrl54 of this session"},
      {[&] { SetUserDefine("KV", "PEVF07", "InputSettings001//IsFocusPageOne", Variant("True")); },
       "EDispatchError: SetUserDefine: the key path \"InputSettings001//IsFocusPageOne\" has the step \"\", which "
       "is no element name"},
      {[&] { SetUserDefine("KV", "PEVF07", ".", Variant("<NumberFieldsSetting>")); },
       "EDispatchError: SetUserDefine: the value for \".\" is no XML: "},
      {[&] { SetUserDefine("KV", "PEVF07", "A/B", Variant::ArrayOf({Variant("x")})); },
       "EDispatchError: SetUserDefine: the value must be a single value"},
      {[&] { SetUserDefine("KV", "PEVF07PEVF07PEVF07PEVF07", "A/B", Variant("x")); },
       "EDispatchError: SetUserDefine: the program code \"PEVF07PEVF07PEVF07PEVF07\" is not 1 to 20 characters long"},
  };
  for (const Case& c : cases) {
    const std::string error = ErrorOf(c.call);
    EXPECT_EQ(error.substr(0, c.error.size()), c.error);
  }
  EXPECT_EQ(Option("PEVF07", "InputSettings003", "/InputSettings003/IsColorManage"), "True");
}

TEST_P(CounterTest, GetSysInfoAnswersTheCompanysParametersAsNameValueColumns) {
  // Read as the broker's LoadSysParams reads it: row i is (0, i) and (1, i).
  auto params = [](const Variant& table) {
    std::map<std::string, Variant> byName;
    for (int row = 0; row <= table.HighBound(2); ++row) byName[table.At(0, row).AsString()] = table.At(1, row);
    return byName;
  };
  Variant table = DispatchCall(service_, "GetSysInfo", {Variant(kCompanyA)});
  ASSERT_EQ(table.Dims(), 2);
  ASSERT_EQ(table.HighBound(1), 1);
  ASSERT_EQ(table.HighBound(2), 13);
  std::map<std::string, Variant> a = params(table);
  EXPECT_EQ(a["SYS002"], Variant("/"));
  EXPECT_EQ(a["sys068"], Variant("3"));
  EXPECT_EQ(a["QRN002"], Variant(Cp936("青岚精密")));

  auto contextB = NewContext(kCompanyB, "WANGQIANG");
  Variant serviceB(CreateCounterService(contextB));
  std::map<std::string, Variant> b = params(DispatchCall(serviceB, "GetSysInfo", {Variant(kCompanyB)}));
  EXPECT_EQ(b.size(), 14u);
  EXPECT_EQ(b["SYS002"], Variant("-"));
  EXPECT_EQ(b["QRN002"], Variant(Cp936("青岚贸易")));

  auto empty = NewContext("NOWHERE", "KV");
  Variant serviceNone(CreateCounterService(empty));
  EXPECT_TRUE(DispatchCall(serviceNone, "GetSysInfo", {Variant("NOWHERE")}).IsEmpty());
}

PELLOR_DB_BACKENDS(CounterTest);

TEST(MergeUserDefineTest, SetsOneOptionAndKeepsTheOthers) {
  struct Case {
    std::string stored;
    std::string path;
    std::string value;
    std::string expected;
  } cases[] = {
      {"", "K/A", "1", "<K><A>1</A></K>"},
      {"<K><A>1</A><B>2</B></K>", "K/A", "3", "<K><A>3</A><B>2</B></K>"},
      {"<K><A>1</A></K>", "K/X/Y", "v", "<K><A>1</A><X><Y>v</Y></X></K>"},
      {"<K><A>1</A></K>", "K", "v", "<K>v</K>"},
      {"<Other><A>1</A></Other>", "K/A", "2", "<K><A>2</A></K>"},
      {"<K><A>1</A>", "K/A", "2", "<K><A>2</A></K>"},
      {"<K><A>1</A><B>2</B></K>", ".", "<K E=\"True\">  <A>3</A>  <C><D>4</D></C></K>",
       "<K E=\"True\"><A>3</A><B>2</B><C><D>4</D></C></K>"},
      {"<K><A>1</A></K>", ".", "<J><A>3</A></J>", "<J><A>3</A></J>"},
      {"", "K/A", "a&b", "<K><A>a&amp;b</A></K>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored + " | " + c.path + " | " + c.value);
    EXPECT_EQ(MergeUserDefine(c.stored, c.path, c.value), c.expected);
  }
  for (const char* path : {"", "/A", "K/", "K/A B", "K/<x>", "K/1A", "K/@E", "K/A[1]"}) {
    EXPECT_THROW(MergeUserDefine("", path, "v"), pellor::EDispatchError) << path;
  }
  EXPECT_THROW(MergeUserDefine("", ".", "plain text"), pellor::EDispatchError);
}

}  // namespace
}  // namespace suite::testing
