#include "platform/db/provider.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db_fixture.h"
#include "platform/db/memory_provider.h"
#include "platform/db/sql_condition.h"

namespace pellor {
namespace {

using testing::FactorServer;

void ExpectMalformed(const std::function<void()>& f, const std::string& part) {
  try {
    f();
    ADD_FAILURE() << "no error for " << part;
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
  }
}

TEST(ProviderShapes, RoundTripThroughVariants) {
  std::vector<TFieldDef> defs = testing::FactorDefs();
  defs[3].precision = 10;
  std::vector<TFieldDef> back = FieldDefsFromVariant(FieldDefsToVariant(defs));
  ASSERT_EQ(back.size(), defs.size());
  EXPECT_EQ(back[0].name, "MF001");
  EXPECT_EQ(back[0].dataType, ftString);
  EXPECT_EQ(back[0].size, 6);
  EXPECT_TRUE(back[0].required);
  EXPECT_EQ(back[3].precision, 10);

  ApplyResult result;
  result.errorCount = 1;
  result.committed = false;
  result.errors.push_back(ApplyError{7, "refused", 1, 0, "Modify", Variant::ArrayOf({Variant("x")})});
  ApplyResult r2 = ApplyResultFromVariant(ApplyResultToVariant(result));
  EXPECT_EQ(r2.errorCount, 1);
  EXPECT_FALSE(r2.committed);
  ASSERT_EQ(r2.errors.size(), 1u);
  EXPECT_EQ(r2.errors[0].rowId, 7);
  EXPECT_EQ(r2.errors[0].message, "refused");
  EXPECT_EQ(r2.errors[0].currentValues, Variant::ArrayOf({Variant("x")}));

  ProviderOpenResult open;
  open.cursor = 3;
  open.fieldDefs = defs;
  open.packet.rows = Variant::ArrayOf({Variant::ArrayOf({Variant("a")})});
  ProviderOpenResult o2 = OpenResultFromVariant(OpenResultToVariant(open));
  EXPECT_EQ(o2.cursor, 3);
  EXPECT_EQ(o2.packet.rows, open.packet.rows);
  EXPECT_FALSE(o2.packet.allFetched);
}

TEST(ProviderShapes, HostileInputIsRefusedWithAReason) {
  auto def = [](Variant name, Variant type, Variant size) {
    return Variant::ArrayOf({Variant::ArrayOf({name, type, size})});
  };
  ExpectMalformed([] { FieldDefsFromVariant(Variant("x")); }, "field definitions is not");
  ExpectMalformed([&] { FieldDefsFromVariant(def(Variant(""), Variant("ftString"), Variant(1))); }, "has no name");
  ExpectMalformed([&] { FieldDefsFromVariant(def(Variant("A"), Variant("ftNope"), Variant(1))); }, "unknown type 'ftNope'");
  ExpectMalformed([&] { FieldDefsFromVariant(def(Variant("A"), Variant("ftString"), Variant(-1))); }, "has the size -1");
  ExpectMalformed([&] { FieldDefsFromVariant(def(Variant("A"), Variant("ftString"), Variant("big"))); }, "is not an integer");
  ExpectMalformed(
      [] {
        Variant twice = Variant::ArrayOf({Variant::ArrayOf({Variant("A"), Variant("ftString"), Variant(1)}),
                                          Variant::ArrayOf({Variant("a"), Variant("ftString"), Variant(1)})});
        FieldDefsFromVariant(twice);
      },
      "defined twice");
  Variant names = Variant::ArrayOf({Variant("A"), Variant("B")});
  auto delta = [&](Variant change) { return Variant::ArrayOf({names, Variant::ArrayOf({change})}); };
  ExpectMalformed([&] { DeltaFromVariant(delta(Variant::ArrayOf({Variant(9), Variant(1), Variant(), Variant(), Variant()}))); },
                  "unknown kind 9");
  ExpectMalformed(
      [&] {
        DeltaFromVariant(delta(Variant::ArrayOf({Variant(kDeltaInsert), Variant(1), Variant(),
                                                 Variant::ArrayOf({Variant(1)}), Variant()})));
      },
      "has 1 values for 2 fields");
  ExpectMalformed(
      [&] { DeltaFromVariant(delta(Variant::ArrayOf({Variant(kDeltaDelete), Variant(1), Variant()}))); },
      "too few elements");
  ExpectMalformed([] { ApplyResultFromVariant(Variant::ArrayOf({Variant(-1), Variant::Array(-1), Variant(true)})); },
                  "error count -1");
  ExpectMalformed([] { PacketFromVariant(Variant::ArrayOf({Variant(5), Variant(true)})); }, "packet rows");
}

TEST(ProviderServer, ServesRegisteredProvidersByName) {
  FactorServer server(3);
  Variant app = server.AppServer();
  EXPECT_EQ(DispatchCall(app, kAsGetProviderNames), Variant::ArrayOf({Variant("pvdMain")}));
  Variant open = DispatchCall(app, "as_open", {Variant("PVDMAIN"), Variant("MF005 > 0"), Variant(""), Variant(1)});
  ProviderOpenResult r = OpenResultFromVariant(open);
  EXPECT_EQ(r.packet.rows.Count(), 1);
  EXPECT_FALSE(r.packet.allFetched);
  ProviderPacket rest = PacketFromVariant(DispatchCall(app, kAsGetRecords, {Variant("pvdMain"), Variant(r.cursor), Variant(-1)}));
  EXPECT_EQ(rest.rows.Count(), 1);
  EXPECT_TRUE(rest.allFetched);
  EXPECT_EQ(DispatchCall(app, kAsGetRecordCount, {Variant("pvdMain"), Variant(0)}), Variant(int64_t{2}));
  EXPECT_EQ(server.provider->OpenCursors(), 1);
  DispatchCall(app, kAsClose, {Variant("pvdMain"), Variant(r.cursor)});
  EXPECT_EQ(server.provider->OpenCursors(), 0);
  try {
    DispatchCall(app, kAsOpen, {Variant("pvdNone"), Variant(), Variant(), Variant(1)});
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Provider 'pvdNone' not found");
  }
  EXPECT_THROW(DispatchCall(app, kAsOpen, {Variant("pvdMain"), Variant(), Variant(), Variant(-5)}), EDatabaseError);
  EXPECT_THROW(DispatchCall(app, kAsGetRecords, {Variant("pvdMain"), Variant(999), Variant(1)}), EDatabaseError);
}

TEST(MemoryProvider, CursorsAreBounded) {
  FactorServer server(2);
  for (int i = 0; i < 100; ++i) server.provider->Open(Variant(), Variant(), 1);
  EXPECT_EQ(server.provider->OpenCursors(), 64);
}

class SqlConditionTest : public ::testing::Test {
 protected:
  std::vector<std::string> names{"MF001", "MF002", "MF005", "MF004"};
  ColumnResolver resolve = [this](std::string_view name) {
    for (size_t i = 0; i < names.size(); ++i)
      if (SameText(names[i], name)) return static_cast<int>(i);
    return -1;
  };
  bool Eval(const std::string& condition, const std::vector<Variant>& row) {
    return SqlCondition::Parse(condition, resolve)->Matches([&](int c) { return row[c]; });
  }
};

TEST_F(SqlConditionTest, ConditionsEvaluateAsSql) {
  std::vector<Variant> row{Variant("A01"), Variant::Null(), Variant(15.5), Variant("1")};
  struct Case {
    const char* condition;
    bool result;
  } cases[] = {
      {"", true},
      {"1=1", true},
      {"1=2", false},
      {"MF001 = 'A01'", true},
      {"mf001 <> 'A01'", false},
      {"MF001 = 'A01  '", true},  // trailing blanks do not count
      {"MF002 = 'x'", false},     // null compares unknown
      {"NOT MF002 = 'x'", false},
      {"NOT (MF002 = 'x') OR 1=1", true},
      {"MF002 IS NULL", true},
      {"MF002 IS NOT NULL", false},
      {"MF005 BETWEEN 10 AND 20", true},
      {"MF005 NOT BETWEEN 10 AND 20", false},
      {"MF005 > '9'", true},  // a numeric text compares as a number
      {"MF005 = -15.5", false},
      {"MF005 >= 15.5", true},
      {"MF001 LIKE 'A%'", true},
      {"MF001 LIKE '_01'", true},
      {"MF001 LIKE '%0'", false},
      {"MF001 NOT LIKE 'B%'", true},
      {"MF004 IN ('1', '2')", true},
      {"MF004 NOT IN ('2', '3')", true},
      {"(MF004 = '2' OR MF005 >= 15.5) AND HRSMF.MF001 = N'A01'", true},
      {"MF004 = '2' OR MF005 >= 15.5 AND MF001 = 'B'", false},  // AND binds tighter
      {"[MF001] = 'A01' and (MF005) > 1", true},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.condition, row), c.result) << c.condition;

  std::vector<Variant> chinese{Variant(Cp936("中文")), Variant("x"), Variant(1), Variant("1")};
  EXPECT_TRUE(Eval("MF001 LIKE '" + Cp936("_文") + "'", chinese));  // one character, two bytes
  EXPECT_TRUE(Eval("MF001 = '" + Cp936("中文") + "'", chinese));
}

TEST_F(SqlConditionTest, SyntaxErrorsAndUnknownColumnsAreReported) {
  ExpectMalformed([&] { SqlCondition::Parse("MF001 = ", resolve); }, "Syntax error in condition at position 9");
  ExpectMalformed([&] { SqlCondition::Parse("MF001 'x'", resolve); }, "expected a comparison");
  ExpectMalformed([&] { SqlCondition::Parse("MF001 = 'x", resolve); }, "unterminated text");
  ExpectMalformed([&] { SqlCondition::Parse("NOSUCH = 1", resolve); }, "Invalid column name 'NOSUCH'");
  ExpectMalformed([&] { SqlCondition::Parse("(MF001 = 'x'", resolve); }, "Syntax error");
  ExpectMalformed([&] { SqlCondition::Parse("MF001 = 1 ;", resolve); }, "unexpected character ';'");

  auto order = ParseSqlOrder("MF004, HRSMF.MF005 DESC, [MF001] asc", resolve);
  ASSERT_EQ(order.size(), 3u);
  EXPECT_EQ(order[1].column, 2);
  EXPECT_TRUE(order[1].descending);
  EXPECT_FALSE(order[2].descending);
  ExpectMalformed([&] { ParseSqlOrder("MF004 DOWN", resolve); }, "Syntax error in order");
  ExpectMalformed([&] { ParseSqlOrder("MF009", resolve); }, "Invalid column name");
}

}  // namespace
}  // namespace pellor
