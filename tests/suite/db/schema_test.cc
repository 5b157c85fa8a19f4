#include <gtest/gtest.h>

#include "db_test_support.h"
#include "platform/rtl/errors.h"
#include "suite/db/embedded_data.h"
#include "suite/db/schema.h"

namespace suite::db::testing {
namespace {

using SchemaTest = DbTest;

int64_t CountRows(Connection& connection, const std::string& table) {
  return connection.QueryValue("SELECT count(*) FROM " + table).AsInt64();
}

TEST_P(SchemaTest, FirstStartCreatesAndSeedsLaterStartsReuse) {
  // Seeded by SetUp: a believable company and a second one.
  EXPECT_EQ(CountRows(*writer_, "HRSMF"), 26);
  EXPECT_GE(writer_->QueryValue("SELECT count(*) FROM HRSMF WHERE COMPANY = ? AND MF004 = '2'",
                                {kCompanyA})
                .AsInt64(),
            10);
  EXPECT_EQ(writer_->QueryValue("SELECT MG003 FROM ADMMG WHERE MG001 = 'E' AND MG002 = '000002'")
                .AsString(),
            "[%s]资料已存在，不可重复!");
  writer_->Execute("UPDATE HRSMF SET MF003 = 'kept' WHERE COMPANY = ? AND MF001 = 'A01'", {kCompanyA});

  // A second start on the same database: nothing is created or seeded again.
  std::unique_ptr<Connection> again = Open();
  EXPECT_EQ(EnsureSchema(*again), SchemaState::kReused);
  EXPECT_EQ(CountRows(*again, "HRSMF"), 26);
  EXPECT_EQ(CountRows(*again, "PELLOR_SCHEMA"), 1);
  EXPECT_EQ(again->QueryValue("SELECT MF003 FROM HRSMF WHERE COMPANY = ? AND MF001 = 'A01'", {kCompanyA})
                .AsString(),
            "kept");
  if (GetParam() == Backend::kSqlite) {
    EXPECT_EQ(again->QueryValue("PRAGMA journal_mode").AsString(), "wal");
  }
}

TEST_P(SchemaTest, ADatabaseOfAnotherVersionIsRefused) {
  writer_->Execute("UPDATE PELLOR_SCHEMA SET SV001 = 99");
  try {
    EnsureSchema(*Open());
    FAIL() << "a version 99 database was accepted";
  } catch (const pellor::EDatabaseError& error) {
    EXPECT_NE(std::string(error.what()).find("schema version 99"), std::string::npos) << error.what();
  }
}

TEST_P(SchemaTest, AnOlderDatabaseGetsTheTablesItLacksAndKeepsItsRows) {
  writer_->Execute("DROP TABLE CMSMV");
  writer_->Execute("UPDATE HRSMF SET MF003 = 'kept' WHERE COMPANY = ? AND MF001 = 'A01'", {kCompanyA});
  writer_->Execute("UPDATE PELLOR_SCHEMA SET SV001 = ?", {Catalogue::Builtin().Version() - 1});

  std::unique_ptr<Connection> again = Open();
  EXPECT_EQ(EnsureSchema(*again), SchemaState::kUpgraded);
  EXPECT_EQ(CountRows(*again, "CMSMV"), 0);  // created, but seed rows are not the site's data
  EXPECT_EQ(again->QueryValue("SELECT MF003 FROM HRSMF WHERE COMPANY = ? AND MF001 = 'A01'", {kCompanyA})
                .AsString(),
            "kept");
  EXPECT_EQ(EnsureSchema(*again), SchemaState::kReused);
}

TEST_P(SchemaTest, AFailingSeedLeavesNoHalfMadeDatabase) {
  std::unique_ptr<Connection> fresh = NewDatabase();
  EXPECT_THROW(EnsureSchema(*fresh, Catalogue::Builtin(),
                            "INSERT INTO HRSMF (MF001, MF004, COMPANY) VALUES ('X1', '1', 'C1');\n"
                            "INSERT INTO NO_SUCH_TABLE VALUES (1);"),
               pellor::EDatabaseError);
  // Nothing of the first try is left, so the next start begins afresh.
  EXPECT_EQ(EnsureSchema(*fresh), SchemaState::kCreated);
  EXPECT_EQ(CountRows(*fresh, "HRSMF"), 26);
}

PELLOR_DB_BACKENDS(SchemaTest);

TEST(CatalogueTest, EvaluationFactorTableIsDeclaredAsTheProgramSeesIt) {
  const TableDef* table = Catalogue::Builtin().FindTable("hrsmf");
  ASSERT_NE(table, nullptr);
  std::vector<std::string> names;
  for (const ColumnDef& column : table->columns) names.push_back(column.name);
  std::vector<std::string> expected = {"MF001", "MF002", "MF004", "MF005", "MF006", "MF003", "COMPANY",
                                       "CREATOR", "USR_GROUP", "CREATE_DATE", "MODIFIER", "MODI_DATE",
                                       "FLAG"};
  for (auto [first, last] : {std::pair{1, 6}, {51, 56}, {7, 12}, {57, 62}}) {
    for (int i = first; i <= last; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "UDF%02d", i);
      expected.push_back(name);
    }
  }
  EXPECT_EQ(names, expected);
  EXPECT_EQ(table->primaryKey, (std::vector<std::string>{"COMPANY", "MF001", "MF004"}));
  EXPECT_EQ(table->FindColumn("mf002")->size, 20);
  EXPECT_EQ(table->FindColumn("MF005")->type, ColumnType::kDouble);
  EXPECT_EQ(Catalogue::Builtin().FindTable("ADMMB")->scope, TableScope::kShared);
  EXPECT_EQ(Catalogue::Builtin().FindTable("PELLOR_SCHEMA")->scope, TableScope::kPrivate);
  EXPECT_EQ(Catalogue::Builtin().CanonicalColumnName("keyvalues"), "KeyValues");
}

TEST(CatalogueTest, RefusesDescriptionsThatBreakItsRules) {
  const std::string stamps =
      "COMPANY VARCHAR(10) NOT NULL, CREATOR VARCHAR(10), USR_GROUP VARCHAR(10), "
      "CREATE_DATE VARCHAR(17), MODIFIER VARCHAR(10), MODI_DATE VARCHAR(17), FLAG DOUBLE PRECISION";
  const std::string version = "-- pellor: schema version 3\n";
  const std::string versionTable =
      "-- pellor: private\nCREATE TABLE PELLOR_SCHEMA (SV001 INTEGER, " + stamps + ", PRIMARY KEY (SV001));\n";
  struct Case {
    std::string text;
    std::string error;
  } cases[] = {
      {versionTable, "no \"pellor: schema version\""},
      {version + versionTable + "CREATE TABLE T1 (A INTEGER, " + stamps + ");", "T1 has no primary key"},
      {version + versionTable + "CREATE TABLE T1 (A INTEGER, PRIMARY KEY (A));", "lacks the stamp column COMPANY"},
      {version + versionTable + "CREATE TABLE T1 (A INTEGER, " + stamps + ", PRIMARY KEY (A));",
       "primary key does not begin with COMPANY"},
      {version + versionTable + "CREATE TABLE T1 (A BLOB, " + stamps + ", PRIMARY KEY (COMPANY));",
       "unknown type of column A"},
      {version + versionTable + "CREATE INDEX I1 ON T9 (A);", "unknown table T9"},
      {version + "CREATE TABLE T1 (" + stamps + ", PRIMARY KEY (COMPANY));", "no table PELLOR_SCHEMA"},
  };
  for (const Case& c : cases) {
    try {
      Catalogue::Parse(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const pellor::EDatabaseError& error) {
      EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos)
          << "expected \"" << c.error << "\", got: " << error.what();
    }
  }
  Catalogue ok = Catalogue::Parse(version + versionTable + "CREATE TABLE T1 (A INTEGER, " + stamps +
                                  ", PRIMARY KEY (COMPANY, A));");
  EXPECT_EQ(ok.Version(), 3);
  EXPECT_EQ(ok.FindTable("T1")->scope, TableScope::kCompany);
}

}  // namespace
}  // namespace suite::db::testing
