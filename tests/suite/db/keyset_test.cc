#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "db_test_support.h"
#include "platform/rtl/errors.h"
#include "suite/db/keyset.h"

namespace suite::db::testing {
namespace {

using KeysetTest = DbTest;

struct SortKey {
  std::string column;
  bool descending;
};

// -1, 0, 1 comparing two values the way the pages must be ordered: NULL
// smallest, numbers by value, texts by their bytes.
int Compare(const pellor::Variant& a, const pellor::Variant& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : a.IsNull() ? -1 : 1;
  if (a.IsNumeric() && b.IsNumeric()) return a.AsFloat() < b.AsFloat() ? -1 : a.AsFloat() > b.AsFloat();
  std::string x = a.AsString(), y = b.AsString();
  return x < y ? -1 : x > y;
}

std::vector<std::vector<pellor::Variant>> ReadAllPages(KeysetCursor& cursor, int pageSize,
                                                       std::vector<std::string>* columns) {
  std::vector<std::vector<pellor::Variant>> rows;
  for (int guard = 0; guard < 1000; ++guard) {
    Page page = cursor.NextPage(pageSize);
    if (page.rows.empty()) break;
    EXPECT_LE(static_cast<int>(page.rows.size()), pageSize);
    *columns = page.columns;
    rows.insert(rows.end(), page.rows.begin(), page.rows.end());
  }
  EXPECT_TRUE(cursor.AtEnd());
  return rows;
}

class KeysetData : public KeysetTest {
 protected:
  void SetUp() override {
    KeysetTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // Many equal values and NULLs in the order columns.
    WriteTransaction transaction(*writer_);
    for (int i = 0; i < 60; ++i) {
      char key[8];
      std::snprintf(key, sizeof key, "K%02d", i);
      pellor::Variant weight = i % 4 == 0 ? pellor::Variant::Null() : pellor::Variant((i % 3) * 0.25);
      pellor::Variant department = i % 5 == 0 ? pellor::Variant::Null() : pellor::Variant(i % 2 ? "生产部" : "财务部");
      writer_->Execute(
          "INSERT INTO HRSMF (MF001, MF002, MF004, MF005, COMPANY, UDF01, UDF51) VALUES (?, ?, ?, ?, ?, ?, ?)",
          {key, i % 7 ? "同名因素" : "另一因素", i % 2 ? "1" : "2", 60 + i % 3 * 5, kCompanyA, department, weight});
    }
    transaction.Commit();
  }
};

TEST_P(KeysetData, PagesReadEveryRowOnceInTheUsersOrder) {
  struct Case {
    std::string order;
    std::vector<SortKey> keys;  // the full order, key included
    std::string condition;
  } cases[] = {
      {"", {{"MF001", false}, {"MF004", false}}, ""},
      {"MF004", {{"MF004", false}, {"MF001", false}}, ""},
      {"HRSMF.MF005 asc,HRSMF.MF001 desc", {{"MF005", false}, {"MF001", true}, {"MF004", false}}, ""},
      {"MF002 DESC, MF005", {{"MF002", true}, {"MF005", false}, {"MF001", false}, {"MF004", false}}, ""},
      {"UDF51", {{"UDF51", false}, {"MF001", false}, {"MF004", false}}, ""},
      {"UDF51 desc, UDF01", {{"UDF51", true}, {"UDF01", false}, {"MF001", false}, {"MF004", false}}, ""},
      {"UDF01 DESC, MF001 DESC, MF004 DESC", {{"UDF01", true}, {"MF001", true}, {"MF004", true}},
       "HRSMF.MF001 like 'K%'"},
  };
  for (const Case& c : cases) {
    KeysetSpec spec;
    spec.table = "HRSMF";
    spec.key = {"MF001", "MF004"};
    spec.order = c.order;
    spec.condition = c.condition;
    int64_t expected = KeysetCursor(Gateway(), spec, kCompanyA).Count();
    for (int pageSize : {1, 4, 7, 100}) {
      SCOPED_TRACE("order \"" + c.order + "\", pages of " + std::to_string(pageSize));
      KeysetCursor cursor(Gateway(), spec, kCompanyA);
      std::vector<std::string> columns;
      auto rows = ReadAllPages(cursor, pageSize, &columns);
      ASSERT_EQ(static_cast<int64_t>(rows.size()), expected);
      std::vector<int> index;
      for (const SortKey& key : c.keys) {
        auto found = std::find(columns.begin(), columns.end(), key.column);
        ASSERT_NE(found, columns.end()) << key.column;
        index.push_back(static_cast<int>(found - columns.begin()));
      }
      // Strictly ascending in the full order: sorted, and no row twice.
      for (size_t r = 1; r < rows.size(); ++r) {
        int order = 0;
        for (size_t k = 0; k < c.keys.size() && order == 0; ++k) {
          order = Compare(rows[r - 1][index[k]], rows[r][index[k]]);
          if (c.keys[k].descending) order = -order;
        }
        ASSERT_LT(order, 0) << "rows " << r - 1 << " and " << r << " out of order";
      }
    }
  }
}

// Unlike OFFSET, a page after a change elsewhere neither repeats nor skips
// a row: it starts after the last row delivered.
TEST_P(KeysetData, ChangesBetweenPagesNeitherRepeatNorSkipRows) {
  KeysetSpec spec;
  spec.table = "HRSMF";
  spec.selectList = "MF001, MF004, MF002";
  spec.key = {"MF001", "MF004"};
  KeysetCursor cursor(Gateway(), spec, kCompanyA);
  Page first = cursor.NextPage(5);
  ASSERT_EQ(first.rows.size(), 5u);
  EXPECT_EQ(first.columns, (std::vector<std::string>{"MF001", "MF004", "MF002"}));
  EXPECT_EQ(first.rows[0][0].AsString(), "A01");
  EXPECT_EQ(first.rows[4][0].AsString(), "A05");
  // Two rows before the position go, one after it arrives.
  writer_->Execute("DELETE FROM HRSMF WHERE COMPANY = ? AND MF001 IN ('A01', 'A02')", {kCompanyA});
  writer_->Execute("INSERT INTO HRSMF (MF001, MF004, COMPANY) VALUES ('A055', '1', ?)", {kCompanyA});
  Page second = cursor.NextPage(3);
  ASSERT_EQ(second.rows.size(), 3u);
  EXPECT_EQ(second.rows[0][0].AsString(), "A055");
  EXPECT_EQ(second.rows[1][0].AsString(), "A06");
  EXPECT_EQ(second.rows[2][0].AsString(), "A07");
}

TEST_P(KeysetData, PagesKeepToTheCompanyAndTheGatewaysRules) {
  KeysetSpec spec;
  spec.table = "HRSMF";
  spec.key = {"MF001", "MF004"};
  spec.order = "MF002";
  KeysetCursor other(Gateway(), spec, kCompanyB);
  std::vector<std::string> columns;
  auto rows = ReadAllPages(other, 3, &columns);
  ASSERT_EQ(rows.size(), 4u);
  auto company = std::find(columns.begin(), columns.end(), "COMPANY") - columns.begin();
  for (const auto& row : rows) EXPECT_EQ(row[company].AsString(), kCompanyB);

  spec.condition = "1=1) OR (1=1";
  EXPECT_THROW(KeysetCursor(Gateway(), spec, kCompanyA), ESqlRefused);
  spec.condition = "";
  spec.order = "MF001; DROP TABLE HRSMF";
  EXPECT_THROW(KeysetCursor(Gateway(), spec, kCompanyA), ESqlRefused);
  spec.order = "";
  spec.key = {"NOPE"};
  EXPECT_THROW(KeysetCursor(Gateway(), spec, kCompanyA), pellor::EDatabaseError);
}

PELLOR_DB_BACKENDS(KeysetData);

}  // namespace
}  // namespace suite::db::testing
