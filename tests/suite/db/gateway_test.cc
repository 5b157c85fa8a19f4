#include <gtest/gtest.h>

#include <chrono>

#include "db_test_support.h"
#include "platform/rtl/errors.h"
#include "suite/db/keyset.h"
#include "suite/db/sql_gateway.h"

namespace suite::db::testing {
namespace {

using GatewayTest = DbTest;

// All rows of a gateway query, values as texts ("NULL" for null).
std::vector<std::vector<std::string>> Rows(std::unique_ptr<Cursor> cursor) {
  std::vector<std::vector<std::string>> rows;
  while (cursor->Next()) {
    std::vector<std::string> row;
    for (int i = 0; i < cursor->ColumnCount(); ++i) {
      pellor::Variant value = cursor->Value(i);
      row.push_back(value.IsNull() ? "NULL" : value.AsString());
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string RefusalOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESqlRefused& error) {
    return error.what();
  } catch (const std::exception& error) {
    return std::string("not a refusal: ") + error.what();
  }
  return "nothing refused";
}

TEST_P(GatewayTest, RewritesTheSuiteDialect) {
  const bool pg = GetParam() == Backend::kPostgres;
  struct Case {
    const char* client;
    std::string expected;
  } statements[] = {
      {"select top 1 MF001,MF003,MF004,MF005,MF006 from $$CMSMF CMSMF where MF001='RMB'",
       "select MF001,MF003,MF004,MF005,MF006 from CMSMF CMSMF where MF001='RMB' LIMIT 1"},
      {" SELECT top  1  MQ003,MQ004 \r FROM  $$ADMMQ  \r WHERE MQ001='A' \r ORDER  BY  MQ002 DESC  ;",
       "SELECT MQ003,MQ004 FROM ADMMQ WHERE MQ001='A' ORDER BY MQ002 DESC LIMIT 1"},
      {"SELECT DISTINCT TOP (5) MF002 FROM CSOqrl54..HRSMF HRSMF WHERE [MF003] = N'备注'",
       "SELECT DISTINCT MF002 FROM HRSMF HRSMF WHERE MF003 = '备注' LIMIT 5"},
      {"SELECT MF001 FROM HRSMF WHERE MF001 IN (SELECT TOP 2 MF001 FROM HRSMF ORDER BY MF005 DESC) "
       "AND ISNULL(UDF01, '') = '' AND LEN(MF002) > 1",
       "SELECT MF001 FROM HRSMF WHERE MF001 IN (SELECT MF001 FROM HRSMF ORDER BY MF005 DESC LIMIT 2 ) "
       "AND COALESCE(UDF01, '') = '' AND LENGTH(MF002) > 1"},
      {"SELECT TOP 1 MF002 FROM HRSMF UNION ALL SELECT TOP 1 MA002 FROM ACTMA",
       "SELECT * FROM (SELECT MF002 FROM HRSMF LIMIT 1) AS pellor_top1 UNION ALL "
       "SELECT * FROM (SELECT MA002 FROM ACTMA LIMIT 1) AS pellor_top2"},
      {"select NT001,NT002 from WARRANT where UPPER(NT001) like '%HRF07%' -- formats\norder by NT002",
       std::string("select NT001,NT002 from WARRANT where UPPER(NT001) ") +
           (pg ? "ILIKE '%HRF07%' ESCAPE ''" : "like '%HRF07%'") + " order by NT002"},
  };
  for (const Case& c : statements) {
    EXPECT_EQ(Squeeze(Gateway().RewriteStatement(c.client)), c.expected) << c.client;
  }
  EXPECT_EQ(Squeeze(Gateway().RewriteCondition("( (HRSMF.MF001 = 'A01') ) and ( ( CSOqrl54..HRSMF.MF004='1' ) )")),
            "( (HRSMF.MF001 = 'A01') ) and ( ( HRSMF.MF004='1' ) )");
  std::vector<OrderItem> order = Gateway().RewriteOrder("HRSMF.MF001 asc,HRSMF.MF005 desc, SUBSTRING(MF002, 1, 2)");
  ASSERT_EQ(order.size(), 3u);
  EXPECT_EQ(order[0].expression, "HRSMF.MF001");
  EXPECT_FALSE(order[0].descending);
  EXPECT_EQ(order[1].expression, "HRSMF.MF005");
  EXPECT_TRUE(order[1].descending);
  EXPECT_EQ(order[2].expression, "SUBSTRING(MF002, 1, 2)");
  EXPECT_EQ(Gateway().SqlType(), 1);
}

// Every statement form the module composes, run on the seeded database.
TEST_P(GatewayTest, StatementsTheModuleComposesRun) {
  struct Case {
    std::string sql;
    size_t rows;
    std::string first;  // first column of the first row
  } cases[] = {
      {"SELECT MB002,MB011,MB012,MB013 FROM ADMMB WHERE MB001='PEVF07'", 1, "评价因素建立作业"},
      {"select top 1 MF001,MF003,MF004,MF005,MF006 from $$CMSMF CMSMF where MF001='USD'", 1, "USD"},
      {" SELECT TL006,TL013,TL012 FROM $$ADMTK ADMTK  LEFT JOIN $$ADMTL ADMTL ON TK001 = TL001 AND TL010 = 'Y'  "
       "WHERE  TL012 <> ''  AND TK003 = 'Y' AND TL005 = 'Z01' AND TL003 = 'PEVF07' ORDER BY TL011 ",
       1, "UDF51"},
      {" SELECT TL006,TL013,TL012 FROM $$ADMTK ADMTK  LEFT JOIN $$ADMTL ADMTL ON TK001 = TL001 AND TL010 = 'Y'  "
       "WHERE  1=1  AND TK003 = 'Y' AND TL005 = 'Z01' AND TL003 = 'PEVF07' ORDER BY TL011 ",
       2, "UDF01"},
      {"SELECT MR004,MR005 FROM ADMMR WHERE MR001= 'PEVF07'", 1, "MF001"},
      {"SELECT * FROM ADMMR AS ADMMR  WHERE MR001='PEVF07' and (MR004='MF001' or MR005='MF001')  order by MR011",
       1, "PEVF07"},
      {"SELECT NH003 FROM $$ADMNH WHERE NH001 = 'PEVF07'", 1, "<colormanager>"},
      {"select NT001,NT002 from WARRANT where UPPER(NT001) like '%HRF07%' order by NT002", 2, "HRF07"},
      {" SELECT DISTINCT KeyValues FROM ATTACH WHERE Parent = 'PEVF07' AND CompanyID = 'CSOqrl54'", 1, "A08||1"},
      {" SELECT MQ001,MQ002,MQ003 \r FROM $$ADMMQ AS ADMMQ   \r WHERE MQ001='PEVF07' AND (MQ002='X' OR MQ002='****') ",
       1, "PEVF07"},
      {" SELECT top  1  MQ003,MQ004 \r FROM  $$ADMMQ  \r WHERE MQ001='PEVF07' AND (MQ002='X' OR MQ002='****') \r"
       " ORDER  BY  MQ002 DESC  ",
       1, "1"},
      {" SELECT MC001,MC002,MC006 \r FROM $$EFSMC AS EFSMC    \r WHERE MC001='PEVF07' AND (MC002='X' OR MC002='****') ",
       1, "PEVF07"},
      {" SELECT top  1  MC006,MC009 \r FROM  $$EFSMC \r WHERE MC001='PEVF07' AND (MC002='X' OR MC002='****') \r"
       " ORDER  BY  MC002 DESC  ",
       1, "1"},
      {"  SELECT  MR005,MR004,MR007 \r  FROM $$ADMMR \r  WHERE  MR001='PEVF07' AND MR002='1'", 1, "MF001"},
      {" SELECT   MF002 FROM  CSOqrl54..HRSMF  HRSMF  WHERE MF001='A01' AND MF004='1'", 1, "专业知识"},
      {"SELECT MA001, MA002 FROM COPMA ORDER BY MA001", 3, "C0001"},
  };
  for (const Case& c : cases) {
    auto rows = Rows(Gateway().Query(c.sql, kCompanyA));
    ASSERT_EQ(rows.size(), c.rows) << c.sql;
    EXPECT_TRUE(rows[0][0].starts_with(c.first)) << c.sql << " gave " << rows[0][0];
  }
  // The named value query of a user field, with the server's value bound.
  auto weight = Rows(Gateway().Query("SELECT CASE WHEN ? = '1' THEN 0.4 ELSE 0.6 END", kCompanyA, {"2"}));
  EXPECT_EQ(weight[0][0], "0.6");
}

// Conditions as the query dialog, the free-condition tab, the colour filter
// and the links compose them, opened as the main query.
TEST_P(GatewayTest, ConditionsTheModuleComposesSelectTheSameRows) {
  struct Case {
    std::string condition;
    int64_t count;
  } cases[] = {
      {" (HRSMF.MF001 = 'A01') ", 1},
      {" (HRSMF.MF001 = 'A01') AND (HRSMF.MF003 like 'abc%') ", 0},
      {" (HRSMF.MF005 >= 75)  OR (HRSMF.MF004 IN ('1')) AND (HRSMF.MF005 > 10) ", 14},
      {"(HRSMF.MF002 like '%安全%')\r\n  AND (HRSMF.MF004 = '1')", 1},
      {"(HRSMF.MF006 like '%iso%')", 1},  // letter case does not matter in either backend
      {"( (HRSMF.MF004 = '2') ) and ( ( MF005>=75 ) or  ( CSOqrl54..HRSMF.MF005=70 ) )", 10},
      {"(SUBSTRING(HRSMF.CREATE_DATE ,1,8 ) >= '20240112')", 8},
      {"MF001||MF004='C012'", 1},
      {"HRSMF.MF001 like '%1' -- a remark", 4},
      {"ISNULL(UDF01, '') <> '' AND UDF51 IS NOT NULL", 6},
      {"MF001 IN (SELECT TOP 3 MF001 FROM HRSMF WHERE MF004 = '2' ORDER BY MF005 DESC, MF001)", 3},
  };
  for (const Case& c : cases) {
    KeysetSpec spec;
    spec.table = "HRSMF";
    spec.key = {"MF001", "MF004"};
    spec.condition = c.condition;
    EXPECT_EQ(KeysetCursor(Gateway(), spec, kCompanyA).Count(), c.count) << c.condition;
  }
}

TEST_P(GatewayTest, RefusesWhatIsNotOneReadOnlySelect) {
  struct Case {
    std::string sql;
    std::string refusal;
  } statements[] = {
      {"SELECT 1; DELETE FROM HRSMF", "more than one statement"},
      {"SELECT 1; SELECT 2", "more than one statement"},
      {"DELETE FROM HRSMF", "only SELECT"},
      {"PRAGMA writable_schema = 1", "only SELECT"},
      {"ATTACH DATABASE '/tmp/other.db' AS other", "only SELECT"},
      {"SELECT MF001 INTO copy FROM HRSMF", "INTO"},
      {"SELECT * FROM main.HRSMF", "schema-qualified"},
      {"SELECT * FROM public.hrsmf", "schema-qualified"},
      {"SELECT name FROM sqlite_master", "system object"},
      {"SELECT * FROM pg_stats", "system object"},
      {"SELECT set_config('role', 'postgres', false)", "function set_config"},
      {"SELECT query_to_xml('select * from hrsmf', false, false, '')", "function query_to_xml"},
      {"SELECT load_extension('/tmp/x.so')", "function load_extension"},
      // Pieces that a backend would read as one name no check saw.
      {"SELECT set_con$$fig('role', 'postgres', false)", "joined to another name"},
      {"SELECT query_to[_xml]('select 1', false, false, '')", "joined to another name"},
      {"SELECT $$pg_stats.x FROM HRSMF", "system object"},
      {"SELECT E'\\'' FROM HRSMF", "prefixed string"},
      {"SELECT $a$ ; $a$", "dollar quoting"},
      {"SELECT \"MF001\" FROM HRSMF", "quoted name"},
      {"SELECT * FROM HRSMF WHERE MF001 = ?", "parameter"},
      {"SELECT MF005::text FROM HRSMF", "::"},
      {"SELECT 1 /* a /* b */ */", "nested comment"},
      {"SELECT 'abc", "unterminated string"},
      {"SELECT * FROM HRSMF WHERE MF001 = 'A' FOR UPDATE", "FOR"},
      {"WITH x AS (DELETE FROM HRSMF RETURNING *) SELECT * FROM x", "only SELECT"},
  };
  for (const Case& c : statements) {
    std::string refusal = RefusalOf([&] { Gateway().Query(c.sql, kCompanyA); });
    EXPECT_NE(refusal.find(c.refusal), std::string::npos) << c.sql << " → " << refusal;
  }
  std::string conditions[][2] = {
      {"1=1) OR (1=1", "unbalanced"},
      {"1=1; DROP TABLE HRSMF", "\";\""},
      {"1=1 UNION SELECT MB002 FROM ADMMB", "UNION outside parentheses"},
      {"MF001 = 'A' ORDER BY MF002", "ORDER outside parentheses"},
      {"MF001 IN (SELECT MF001 FROM HRSMF LIMIT 1) OR pg_sleep(10) IS NULL", "pg_sleep"},
  };
  for (auto& c : conditions) {
    std::string refusal = RefusalOf([&] { Gateway().RewriteCondition(c[0]); });
    EXPECT_NE(refusal.find(c[1]), std::string::npos) << c[0] << " → " << refusal;
  }
  std::string orders[][2] = {
      {"MF001 NULLS FIRST", "NULLS"},
      {"2", "column position"},
      {"MF001,,MF002", "empty item"},
      {"MF001 LIMIT 1", "LIMIT outside parentheses"},
  };
  for (auto& c : orders) {
    std::string refusal = RefusalOf([&] { Gateway().RewriteOrder(c[0]); });
    EXPECT_NE(refusal.find(c[1]), std::string::npos) << c[0] << " → " << refusal;
  }
  EXPECT_EQ(writer_->QueryValue("SELECT count(*) FROM HRSMF").AsInt64(), 26);
}

// Composed statements skip the lexical checks; the backend itself must still
// refuse writes and reads past the company's views.
TEST_P(GatewayTest, TheBackendRefusesWritesAndDirectReadsOnItsOwn) {
  const bool pg = GetParam() == Backend::kPostgres;
  std::vector<std::string> forbidden = {
      "DELETE FROM HRSMF",
      "UPDATE HRSMF SET MF003 = 'x'",
      "INSERT INTO HRSMF (MF001, MF004, COMPANY) VALUES ('Z1', '1', 'CSOqrl54')",
      "CREATE TABLE stolen (a INTEGER)",
      pg ? "SELECT * FROM public.hrsmf" : "SELECT * FROM main.HRSMF",
      "SELECT count(*) FROM PELLOR_SCHEMA",
  };
  if (pg) {
    // A function that runs SQL of its own still runs as the reader role.
    forbidden.push_back("SELECT query_to_xml('select * from public.hrsmf', false, false, '')");
  } else {
    forbidden.push_back("PRAGMA journal_mode = DELETE");
    forbidden.push_back("ATTACH DATABASE ':memory:' AS other");
    forbidden.push_back("SELECT writefile('/tmp/x', 'y')");
  }
  for (const std::string& sql : forbidden) {
    EXPECT_THROW(Gateway().QueryComposed(sql, {}, kCompanyA), pellor::EDatabaseError) << sql;
  }
  EXPECT_EQ(writer_->QueryValue("SELECT count(*) FROM HRSMF").AsInt64(), 26);
  // The gateway keeps working after a refusal.
  EXPECT_EQ(Rows(Gateway().Query("SELECT count(*) FROM HRSMF", kCompanyA))[0][0], "22");
}

TEST_P(GatewayTest, ClientSqlSeesOnlyItsCompanysRows) {
  SqlGateway& g = Gateway();
  EXPECT_EQ(Rows(g.Query("SELECT count(*) FROM HRSMF", kCompanyA))[0][0], "22");
  EXPECT_EQ(Rows(g.Query("SELECT count(*) FROM HRSMF", kCompanyB))[0][0], "4");
  EXPECT_EQ(Rows(g.Query("SELECT count(*) FROM HRSMF", kCompanyA))[0][0], "22");
  struct Case {
    std::string sql;
    std::vector<std::vector<std::string>> rows;
  } cases[] = {
      {"SELECT MF002 FROM HRSMF WHERE COMPANY = 'HZ0002'", {}},
      {"SELECT MF002 FROM HZ0002..HRSMF WHERE MF001 = 'A02'", {{"英语能力"}}},
      {"SELECT MB001 FROM ADMMB WHERE MB001 = 'PEVF07' AND EXISTS "
       "(SELECT 1 FROM HRSMF WHERE MF002 = '外贸英语')",
       {}},
      {"SELECT MF002 FROM HRSMF WHERE MF001 = 'A02' UNION SELECT MF002 FROM HRSMF WHERE MF002 = '外贸英语'",
       {{"英语能力"}}},
      {"SELECT x.MF002 FROM (SELECT * FROM HRSMF) x JOIN ACTMA a ON a.MA002 = '人事行政部' "
       "WHERE x.MF001 = 'A01'",
       {}},
      {"SELECT MP002 FROM ADMMP WHERE MP001 = 'QRN002'", {{"青岚精密"}}},
      // Shared tables are read by every company.
      {"SELECT count(*) FROM QRNMB", {{"2"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Rows(g.Query(c.sql, kCompanyA)), c.rows) << c.sql;

  KeysetSpec spec;
  spec.table = "HRSMF";
  spec.key = {"MF001", "MF004"};
  spec.condition = "MF002 IN (SELECT MF002 FROM HRSMF WHERE COMPANY = 'HZ0002') OR COMPANY <> 'CSOqrl54'";
  EXPECT_EQ(KeysetCursor(g, spec, kCompanyA).Count(), 0);
  EXPECT_THROW(g.Query("SELECT count(*) FROM HRSMF", ""), pellor::EDatabaseError);
}

TEST_P(GatewayTest, ChineseTextComesBackByteForByte) {
  // Simplified and traditional characters, CJK Extension A, the euro sign,
  // a box-drawing character and an emoji: none of them is safe in every
  // code page a client may use, all of them are UTF-8 in the database.
  const std::string text = "评价因素 評價因素 㐀㐁 € ╔ 😀 O'Neil";
  writer_->Execute("INSERT INTO HRSMF (MF001, MF002, MF004, MF006, COMPANY) VALUES (?, ?, '1', ?, ?)",
                   {"Z01", std::string("测试"), text, kCompanyA});
  writer_->Execute("INSERT INTO HRSMF (MF001, MF002, MF004, MF006, COMPANY) VALUES (?, ?, '1', ?, ?)",
                   {"Z02", pellor::Variant(u"宽字符文本"), "", kCompanyA});
  auto rows = Rows(Gateway().Query("SELECT MF006, MF002, length(MF006) FROM HRSMF WHERE MF001 = 'Z01'", kCompanyA));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], text);
  EXPECT_EQ(rows[0][1], "测试");
  EXPECT_EQ(rows[0][2], "25");  // characters, not bytes, in both backends
  EXPECT_EQ(Rows(Gateway().Query("SELECT MF002 FROM HRSMF WHERE MF001 = 'Z02'", kCompanyA))[0][0], "宽字符文本");
  EXPECT_EQ(Rows(Gateway().Query("SELECT MF001 FROM HRSMF WHERE MF006 LIKE N'%㐀㐁%'", kCompanyA))[0][0], "Z01");
}

TEST_P(GatewayTest, ClientWritesChangeOnlyTheCompanysRows) {
  SqlGateway& g = Gateway();
  EXPECT_EQ(g.ExecuteWrite(*writer_,
                           " DELETE FROM ATTACH  WHERE Parent = 'PEVF07'        AND CompanyID = 'CSOqrl54' "
                           "       AND KeyValues = 'A08||1' ",
                           kCompanyA),
            1);
  EXPECT_EQ(writer_->QueryValue("SELECT count(*) FROM ATTACH").AsInt64(), 0);

  // A01 exists in both companies; only the caller's changes.
  EXPECT_EQ(g.ExecuteWrite(*writer_, "UPDATE $$HRSMF SET MF003 = N'已停用', UDF51 = -1.5, UDF01 = NULL "
                                     "WHERE MF001 = 'A01';",
                           kCompanyA),
            1);
  auto rows = Rows(writer_->Query("SELECT COMPANY, MF003, UDF51, UDF01 FROM HRSMF WHERE MF001 = 'A01' ORDER BY COMPANY"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"CSOqrl54", "已停用", "-1.5", "NULL"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"HZ0002", "贸易公司", "NULL", "NULL"}));

  // Joining the caller's transaction: rolled back with it.
  writer_->BeginWrite();
  EXPECT_EQ(g.ExecuteWrite(*writer_, "DELETE FROM HRSMF WHERE MF004 = '2'", kCompanyB), 2);
  writer_->Rollback();
  EXPECT_EQ(writer_->QueryValue("SELECT count(*) FROM HRSMF").AsInt64(), 26);

  std::string refused[][2] = {
      {"UPDATE HRSMF SET COMPANY = 'HZ0002'", "another company"},
      {"UPDATE HRSMF SET MF003 = MF002", "only literal values"},
      {"DELETE FROM ADMMB WHERE MB001 = 'PEVF07'", "cannot be written"},
      {"DELETE FROM PELLOR_SCHEMA", "cannot be written"},
      {"INSERT INTO HRSMF (MF001) VALUES ('X')", "only DELETE and UPDATE"},
      {"DELETE FROM HRSMF WHERE 1=1; DELETE FROM ADMMG", "\";\""},
      {"DELETE FROM HRSMF WHERE MF001 IN (SELECT MB001 FROM main.ADMMB)", "schema-qualified"},
      {"UPDATE HRSMF SET NOPE = 1", "unknown column NOPE"},
  };
  for (auto& c : refused) {
    std::string refusal = RefusalOf([&] { g.ExecuteWrite(*writer_, c[0], kCompanyA); });
    EXPECT_NE(refusal.find(c[1]), std::string::npos) << c[0] << " → " << refusal;
  }
  EXPECT_FALSE(writer_->InTransaction());
  EXPECT_EQ(writer_->QueryValue("SELECT count(*) FROM HRSMF").AsInt64(), 26);
}

TEST_P(GatewayTest, RunawayAndOversizedQueriesAreStopped) {
  GatewayOptions options;
  options.timeoutMs = 200;
  options.maxRows = 5;
  std::unique_ptr<SqlGateway> g = OpenGateway(options);
  // 22 to the sixth power rows to count: far longer than the limit.
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(g->Query("SELECT count(*) FROM HRSMF a, HRSMF b, HRSMF c, HRSMF d, HRSMF e, HRSMF f", kCompanyA),
               pellor::EDatabaseError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_THROW(g->Query("SELECT MF001 FROM HRSMF", kCompanyA), pellor::EDatabaseError);
  EXPECT_EQ(Rows(g->Query("SELECT MF001 FROM HRSMF WHERE MF004 = '2' AND MF001 < 'B04'", kCompanyA)).size(), 3u);
}

PELLOR_DB_BACKENDS(GatewayTest);

}  // namespace
}  // namespace suite::db::testing
