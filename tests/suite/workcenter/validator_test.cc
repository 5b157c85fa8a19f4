#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../db/db_test_support.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/errors.h"
#include "suite/workcenter/service_context.h"

namespace suite::testing {
namespace {

using db::testing::kCompanyA;
using db::testing::kCompanyB;
using pellor::DispatchInvoke;
using pellor::VarArgs;
using pellor::Variant;
using Row = std::vector<std::string>;

Variant Keys(std::initializer_list<const char*> keys) {
  std::vector<Variant> values;
  for (const char* key : keys) values.emplace_back(pellor::Cp936(key));
  return Variant::ArrayOf(values);
}

// A row of the out values as UTF-8 texts.
Row Texts(const Variant& row) {
  Row texts;
  for (const Variant& value : row.Elements()) texts.push_back(ClientTextToUtf8(value, 936));
  return texts;
}

class ValidatorTest : public db::testing::DbTest {
 protected:
  Variant NewService(const char* company = kCompanyA) {
    auto context = std::make_shared<ServiceContext>();
    context->writer = Open();
    context->gateway = OpenGateway();
    context->company = company;
    context->userId = "ZHANGWEI";
    return Variant(CreateValidatorService(context));
  }

  struct Answer {
    bool found;
    Variant values;
  };
  static Answer Call(const Variant& service, const char* method, const char* table, const char* kind,
                     const Variant& keys) {
    VarArgs args{Variant(table), Variant(kind), Variant("CSOqrl54"), keys, Variant("stale")};
    const bool found = DispatchInvoke(service, method, args).AsBoolean();
    return {found, args[4]};
  }

  static Answer MaxSeq(const Variant& service, const char* table, const char* fields, const Variant& keys,
                       const char* date) {
    VarArgs args{Variant(table), Variant(fields), keys, Variant(date), Variant("PEVF07"), Variant("CSOqrl54"),
                 Variant()};
    const bool ok = DispatchInvoke(service, "QueryMaxSeq", args).AsBoolean();
    return {ok, args[6]};
  }
};

// Every check the module makes, with what its caller reads back.
TEST_P(ValidatorTest, CheckValueAnswersTheFirstRowOfEachCheck) {
  struct Case {
    const char* company;
    const char* table;
    const char* kind;
    Variant keys;
    bool found;
    Row values;
  };
  const std::vector<Case> cases = {
      // The program record: ten values, the program ID in any case.
      {kCompanyA, "ADMMB", "06", Keys({"pevf07", "CSOqrl54"}), true,
       {"评价因素建立作业", "HRF07", "HRS", "F", "8.0", "HRS.hlp", "7", "N", "W", "Evaluation Factors"}},
      {kCompanyB, "ADMMB", "06", Keys({"PEVI08", "HZ0002"}), true,
       {"面试成绩录入作业", "HRI08", "HRS", "I", "8.0", "HRS.hlp", "8", "Y", "W", "Interview Scores"}},
      {kCompanyA, "ADMMB", "06", Keys({"NOPROG", "CSOqrl54"}), false, {}},
      // The factor key check, trailing empty element and padding included.
      {kCompanyA, "HRSMF", "01", Keys({"A01", "1", ""}), true, {"A01", "1", "专业知识"}},
      {kCompanyA, "HRSMF", "01", Keys({"A01   ", "1", ""}), true, {"A01", "1", "专业知识"}},
      {kCompanyA, "HRSMF", "01", Keys({"A01", "2", ""}), false, {}},
      {kCompanyA, "hrsmf", "01", Keys({"C01"}), true, {"C01", "1", "综合素质"}},
      // Another company's factors are not seen.
      {kCompanyB, "HRSMF", "01", Keys({"A02", "1", ""}), true, {"A02", "1", "外贸英语"}},
      {kCompanyB, "HRSMF", "01", Keys({"A03", "1", ""}), false, {}},
      {kCompanyA, "F2LINK", "01", Keys({"1", "ACTMA", "66"}), true, {"ACTMA", "66"}},
      {kCompanyA, "F2LINK", "01", Keys({"1", "ACTMA", "67"}), false, {}},
      // Documents: the newest version, by number or by the item.
      {kCompanyA, "CMSMV", "07", Keys({"DOC-P1001"}), true,
       {"DOC-P1001", "B", "精密轴承图纸（修订）", "P1001_B.pdf"}},
      {kCompanyA, "CMSMV", "07", Keys({"DOC-P1001", "A"}), true, {"DOC-P1001", "A", "精密轴承图纸", "P1001_A.pdf"}},
      {kCompanyB, "CMSMV", "07", Keys({"DOC-P1001"}), true, {"DOC-P1001", "A", "轴承图纸", "HZ_P1001.pdf"}},
      {kCompanyA, "INVMB", "12", Keys({"P1001", ""}), true,
       {"DOC-P1001", "B", "精密轴承图纸（修订）", "P1001_B.pdf"}},
      {kCompanyA, "INVMB", "12", Keys({"P2001"}), true, {"", "", "", ""}},
      {kCompanyA, "INVMB", "12", Keys({"P9999"}), false, {}},
      {kCompanyB, "INVMB", "12", Keys({"P1001"}), false, {}},
      // Code checks of the masters.
      {kCompanyA, "COPMA", "01", Keys({"C0002", ""}), true, {"C0002", "南方重工", "南方重工集团股份有限公司"}},
      {kCompanyA, "PURMA", "01", Keys({"S0001"}), true, {"S0001", "宏达钢材", "宏达钢材贸易有限公司"}},
      {kCompanyA, "ACTMA", "01", Keys({"PD01"}), true, {"PD01", "生产部", "2"}},
      {kCompanyB, "ACTMA", "01", Keys({"HR01"}), true, {"HR01", "人事行政部", "1"}},
      {kCompanyA, "INVMB", "01", Keys({"P1002"}), true, {"P1002", "传动齿轮", "M2 Z40", "个"}},
      {kCompanyA, "INVMH", "01", Keys({"6901234567892"}), true, {"6901234567892", "P1001"}},
      // Unknown tables and kinds, and too few keys: not found.
      {kCompanyA, "NOSUCH", "01", Keys({"A01"}), false, {}},
      {kCompanyA, "HRSMF", "99", Keys({"A01", "1"}), false, {}},
      {kCompanyA, "HRSMF", "01", Variant(), false, {}},
  };
  Variant serviceA = NewService(kCompanyA);
  Variant serviceB = NewService(kCompanyB);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.company) + " " + c.table + "/" + c.kind);
    Answer answer = Call(c.company == kCompanyA ? serviceA : serviceB, "CheckValue", c.table, c.kind, c.keys);
    EXPECT_EQ(answer.found, c.found);
    if (c.found) {
      EXPECT_EQ(Texts(answer.values), c.values);
    } else {
      EXPECT_TRUE(answer.values.IsEmpty());
    }
  }
}

TEST_P(ValidatorTest, SavedConditionNamesAreCheckedPerUserAndProgram) {
  writer_->Execute(
      "INSERT INTO DOCUS (NCONDITION, PROGRAMME, VCONDITION, ActivePage, COMPANY, CREATOR) VALUES (?, ?, ?, ?, ?, ?)",
      {Variant("高分因素"), Variant("PEVF07"), Variant("MF005>=80"), Variant(1), Variant(kCompanyA),
       Variant("ZHANGWEI")});
  Variant service = NewService();
  Answer mine = Call(service, "CheckValue", "DOCUS", "01", Keys({"高分因素", "ZHANGWEI", "PEVF07"}));
  EXPECT_TRUE(mine.found);
  EXPECT_EQ(Texts(mine.values), (Row{"高分因素", "PEVF07", "1"}));
  EXPECT_FALSE(Call(service, "CheckValue", "DOCUS", "01", Keys({"高分因素", "LIFANG", "PEVF07"})).found);
  EXPECT_FALSE(Call(service, "CheckValue", "DOCUS", "01", Keys({"高分因素", "ZHANGWEI", "PEVI08"})).found);
  EXPECT_FALSE(Call(NewService(kCompanyB), "CheckValue", "DOCUS", "01", Keys({"高分因素", "ZHANGWEI", "PEVF07"})).found);
}

TEST_P(ValidatorTest, QueryDataAnswersEveryRow) {
  Variant service = NewService();
  // The user-field labels of a table.
  Answer labels = Call(service, "QueryData", "ADMMD", "03", Keys({"HRSMF"}));
  ASSERT_TRUE(labels.found);
  ASSERT_EQ(labels.values.Count(), 2);
  EXPECT_EQ(Texts(labels.values[0]), (Row{"UDF01", "考核部门", "Department"}));
  EXPECT_EQ(Texts(labels.values[1]), (Row{"UDF51", "权重", "Weight"}));
  EXPECT_FALSE(Call(service, "QueryData", "ADMMD", "03", Keys({"COPMA"})).found);

  // Number ranges: names as one list, as separate keys, or none for all;
  // a table's name (programs load the ranges of M11_TABLE, D11_TABLE ...)
  // stands for its columns.
  for (const Variant& keys : {Keys({"MF001,MF005,UDF51,"}), Keys({"UDF51", "MF005"}), Keys({}), Variant(),
                              Keys({"HRSMF"}), Keys({"hrsmf", ""})}) {
    Answer ranges = Call(service, "QueryData", "NUMFD", "01", keys);
    ASSERT_TRUE(ranges.found);
    ASSERT_EQ(ranges.values.Count(), 2);
    EXPECT_EQ(Texts(ranges.values[0]), (Row{"MF005", "5", "1"}));
    EXPECT_EQ(Texts(ranges.values[1]), (Row{"UDF51", "3", "2"}));
  }
  Answer one = Call(service, "QueryData", "NUMFD", "01", Keys({"UDF51"}));
  ASSERT_EQ(one.values.Count(), 1);
  EXPECT_FALSE(Call(service, "QueryData", "NUMFD", "01", Keys({"COPMA"})).found);
  // A long field list is asked in parts; every part's rows come back.
  std::vector<Variant> many;
  for (int i = 0; i < 450; ++i) many.emplace_back("X" + std::to_string(i));
  many.insert(many.begin() + 10, Variant("MF005"));
  many.emplace_back("UDF51");
  Answer parts = Call(service, "QueryData", "NUMFD", "01", Variant::ArrayOf(many));
  ASSERT_EQ(parts.values.Count(), 2);
  EXPECT_EQ(Texts(parts.values[1])[0], "UDF51");
  EXPECT_FALSE(Call(NewService(kCompanyB), "QueryData", "NUMFD", "01", Keys({"MF005"})).found);

  // CheckValue's single row is QueryData's first.
  Answer documents = Call(service, "QueryData", "CMSMV", "07", Keys({"DOC-P1001"}));
  ASSERT_EQ(documents.values.Count(), 2);
  EXPECT_EQ(Texts(documents.values[1])[1], "A");
}

TEST_P(ValidatorTest, QueryMaxSeqCountsOnWithinGroupDateAndCompany) {
  // Factor numbers as date-and-serial numbers grouped by category:
  // MF001 is six characters, so a two-digit date leaves four serial digits.
  auto insert = [this](const char* number, const char* category, const char* company) {
    writer_->Execute("INSERT INTO HRSMF (MF001, MF002, MF004, COMPANY) VALUES (?, '', ?, ?)",
                     {Variant(number), Variant(category), Variant(company)});
  };
  insert("240007", "1", kCompanyA);
  insert("240003", "1", kCompanyA);
  insert("24A999", "1", kCompanyA);  // not a serial
  insert("230050", "1", kCompanyA);  // another date
  insert("240900", "2", kCompanyA);  // another group
  insert("240500", "1", kCompanyB);  // another company
  Variant service = NewService();
  struct Case {
    const char* table;
    const char* fields;
    Variant keys;
    const char* date;
    bool ok;
    const char* number;
  };
  const std::vector<Case> cases = {
      {"HRSMF", "MF004,MF001", Keys({"1", ""}), "24", true, "240008"},
      {"HRSMF", "MF004,MF001,", Keys({"1", "", ""}), "24", true, "240008"},
      {"HRSMF", "MF004,MF001", Keys({"2", ""}), "24", true, "240901"},
      {"HRSMF", "MF004,MF001", Keys({"1", ""}), "25", true, "250001"},
      {"hrsmf", "mf004, mf001", Keys({"1"}), "24", true, "240008"},
      // Without a group, every category counts.
      {"HRSMF", "MF001", Keys({""}), "24", true, "240901"},
      // Not digits, too long for the field, unknown names, a number field
      // that is no text, a table client SQL may not count in.
      {"HRSMF", "MF004,MF001", Keys({"1", ""}), "2a", false, ""},
      {"HRSMF", "MF004,MF001", Keys({"1", ""}), "240115", false, ""},
      {"HRSMF", "MF004,MF999", Keys({"1", ""}), "24", false, ""},
      {"NOSUCH", "MF001", Keys({""}), "24", false, ""},
      {"HRSMF", "MF001,MF005", Keys({""}), "24", false, ""},
      {"ADMMB", "MB001", Keys({""}), "24", false, ""},
      {"HRSMF", ",", Keys({""}), "24", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.table) + " " + c.fields + " " + c.date);
    Answer answer = MaxSeq(service, c.table, c.fields, c.keys, c.date);
    EXPECT_EQ(answer.found, c.ok);
    EXPECT_EQ(pellor::VarToStr(answer.values), c.number);
  }

  // An exhausted serial is a failure, not a wrap-around.
  insert("249999", "1", kCompanyA);
  EXPECT_FALSE(MaxSeq(service, "HRSMF", "MF004,MF001", Keys({"1", ""}), "24").found);

  // A number range of the field sets the serial's width.
  writer_->Execute("INSERT INTO NUMFD (FD001, FD002, FD003, COMPANY) VALUES ('MF001', 3, 0, ?)",
                   {Variant(kCompanyA)});
  insert("24012", "2", kCompanyA);
  Answer ranged = MaxSeq(service, "HRSMF", "MF004,MF001", Keys({"2", ""}), "24");
  EXPECT_TRUE(ranged.found);
  EXPECT_EQ(pellor::VarToStr(ranged.values), "24013");
}

// ZHAOLEI may work only on written-test factors, but whether a key is taken
// and which number is next must count every row: otherwise he could enter
// an interview factor's key only to have the save refused, or be handed a
// number in use.
TEST_P(ValidatorTest, ALimitedUsersChecksStillCountEveryRow) {
  auto context = std::make_shared<ServiceContext>();
  context->writer = Open();
  context->gateway = OpenGateway();
  context->company = kCompanyA;
  context->userId = "ZHAOLEI";
  Variant service(CreateValidatorService(context));
  pellor::DispatchSet(service, "BaseLimited", Variant("Y"));
  Answer taken = Call(service, "CheckValue", "HRSMF", "01", Keys({"B01", "2", ""}));
  EXPECT_TRUE(taken.found);
  EXPECT_EQ(Texts(taken.values), (Row{"B01", "2", "仪表仪态"}));
  writer_->Execute("INSERT INTO HRSMF (MF001, MF002, MF004, COMPANY) VALUES ('240900', '', '2', ?)",
                   {Variant(kCompanyA)});
  EXPECT_EQ(pellor::VarToStr(MaxSeq(service, "HRSMF", "MF001", Keys({""}), "24").values), "240901");
}

TEST_P(ValidatorTest, HostileValuesAreBoundAndBadArgumentsRefused) {
  Variant service = NewService();
  // Quotes and SQL in keys and names are values, never SQL.
  EXPECT_FALSE(Call(service, "CheckValue", "HRSMF", "01", Keys({"A01' OR '1'='1", "1"})).found);
  EXPECT_FALSE(Call(service, "CheckValue", "HRSMF; DROP TABLE HRSMF", "01", Keys({"A01", "1"})).found);
  EXPECT_FALSE(MaxSeq(service, "HRSMF", "MF004,MF001 FROM HRSMF;--", Keys({"1", ""}), "24").found);
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM HRSMF").AsInteger(), 26);

  auto refused = [&](const char* method, VarArgs args) {
    SCOPED_TRACE(method);
    EXPECT_THROW(DispatchInvoke(service, method, args), pellor::EDispatchError);
  };
  refused("CheckValue", {Variant("HRSMF"), Variant("01"), Variant(""), Keys({"A01"})});
  refused("CheckValue", {Variant("HRSMF"), Variant("01"), Variant(""), Variant("A01"), Variant()});
  refused("QueryData", {Variant("HRSMF"), Variant("01"), Variant(""), Variant::Array2(1, 1), Variant()});
  refused("CheckValue", {Variant("HRSMF"), Variant("01"), Variant(""), Variant::ArrayOf({Keys({"A01"})}), Variant()});
  refused("CheckValue", {Keys({"HRSMF"}), Variant("01"), Variant(""), Keys({"A01"}), Variant()});
  refused("QueryMaxSeq", {Variant("HRSMF"), Variant("MF001"), Keys({""}), Variant("24"), Variant(""), Variant("")});
  refused("QueryMaxSeq",
          {Variant("HRSMF"), Variant("MF001"), Variant(7), Variant("24"), Variant(""), Variant(""), Variant()});

  // The base-data permission is taken as the module sets it before a call.
  pellor::DispatchSet(service, "BaseLimited", Variant("Y"));
  EXPECT_EQ(pellor::VarToStr(pellor::DispatchGet(service, "BaseLimited")), "Y");
  EXPECT_THROW(pellor::DispatchSet(service, "BaseLimited", Keys({"Y"})), pellor::EDispatchError);
}

PELLOR_DB_BACKENDS(ValidatorTest);

}  // namespace
}  // namespace suite::testing
