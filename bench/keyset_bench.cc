// Keyset pages of a 1 000 000-row HRSMF in SQLite: the first page and a page
// at row 999 960, read through the keyset helper (gateway, confinement view,
// authorizer, rows read whole) and by the same statement run raw on the
// table, with the OFFSET page for comparison.
//
// The database is built once in a temporary folder (about 10 s) and removed
// at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "suite/db/database.h"
#include "suite/db/keyset.h"
#include "suite/db/schema.h"
#include "suite/db/sql_gateway.h"

namespace {

using suite::db::Connection;
using suite::db::KeysetCursor;
using suite::db::KeysetSpec;
using suite::db::SqlGateway;

constexpr int kRows = 1000000;
constexpr int kPage = 40;
constexpr int kDeepRow = 999960;
constexpr const char* kCompany = "BENCH";

struct Fixture {
  std::filesystem::path dir;
  std::unique_ptr<Connection> writer;
  std::unique_ptr<SqlGateway> gateway;
  std::unique_ptr<KeysetCursor> deep;  // positioned after row kDeepRow
  std::string lastKey;                 // MF001 of row kDeepRow - 1

  Fixture() {
    char pattern[] = "/tmp/pellor-bench.XXXXXX";
    dir = mkdtemp(pattern);
    std::string path = (dir / "pellor.db").string();
    writer = suite::db::OpenSqlite(path);
    suite::db::EnsureSchema(*writer);
    {
      suite::db::WriteTransaction transaction(*writer);
      auto insert = writer->Prepare(
          "INSERT INTO HRSMF (MF001, MF002, MF004, MF005, MF006, MF003, COMPANY, CREATOR, CREATE_DATE) "
          "VALUES (?, ?, '1', ?, '满分100分', '', ?, 'BENCH', '20240101')");
      char key[16];
      for (int i = 0; i < kRows; ++i) {
        std::snprintf(key, sizeof key, "%06d", i);
        insert->BindAll({std::string(key), std::string("评价因素") + key, 60.0 + i % 40, kCompany});
        insert->Execute();
      }
      transaction.Commit();
    }
    gateway = std::make_unique<SqlGateway>(suite::db::OpenSqlite(path, true));
    deep = MakeCursor();
    for (int read = 0; read < kDeepRow;) {
      int rows = std::min(1000, kDeepRow - read);
      read += static_cast<int>(deep->NextPage(rows).rows.size());
    }
    char key[16];
    std::snprintf(key, sizeof key, "%06d", kDeepRow - 1);
    lastKey = key;
  }
  ~Fixture() {
    deep.reset();
    gateway.reset();
    writer.reset();
    std::filesystem::remove_all(dir);
  }
  std::unique_ptr<KeysetCursor> MakeCursor() {
    KeysetSpec spec;
    spec.table = "HRSMF";
    spec.key = {"MF001", "MF004"};
    return std::make_unique<KeysetCursor>(*gateway, spec, kCompany);
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void CheckPage(benchmark::State& state, size_t rows) {
  if (rows != kPage) state.SkipWithError("page of the wrong size");
}

void BM_HelperFirstPage(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    auto cursor = f.MakeCursor();
    suite::db::Page page = cursor->NextPage(kPage);
    CheckPage(state, page.rows.size());
  }
}

void BM_HelperPageAtRow999960(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    KeysetCursor cursor = *f.deep;  // the same position each round
    suite::db::Page page = cursor.NextPage(kPage);
    CheckPage(state, page.rows.size());
  }
}

// The statement the helper runs, on the table itself, without the gateway.
void RawPage(benchmark::State& state, bool deep) {
  Fixture& f = Shared();
  std::string sql = "SELECT *, MF001 AS pellor_k0, MF004 AS pellor_k1 FROM HRSMF WHERE COMPANY = ?";
  if (deep) sql += " AND (MF001, MF004) > (?, ?)";
  sql += " ORDER BY MF001, MF004 LIMIT ?";
  auto statement = f.writer->Prepare(sql);
  for (auto _ : state) {
    if (deep) {
      statement->BindAll({kCompany, f.lastKey, "1", kPage + 1});
    } else {
      statement->BindAll({kCompany, kPage + 1});
    }
    auto cursor = statement->Query();
    size_t rows = 0;
    while (cursor->Next()) {
      for (int i = 0; i < cursor->ColumnCount(); ++i) benchmark::DoNotOptimize(cursor->Value(i));
      ++rows;
    }
    // The first page finds the 41st row that tells it is not the last; the
    // page at row 999 960 is the last one.
    CheckPage(state, deep ? rows : rows - 1);
  }
}

void BM_RawFirstPage(benchmark::State& state) { RawPage(state, false); }
void BM_RawPageAtRow999960(benchmark::State& state) { RawPage(state, true); }

void BM_RawOffsetPageAtRow999960(benchmark::State& state) {
  Fixture& f = Shared();
  auto statement = f.writer->Prepare(
      "SELECT * FROM HRSMF WHERE COMPANY = ? ORDER BY MF001, MF004 LIMIT ? OFFSET ?");
  for (auto _ : state) {
    statement->BindAll({kCompany, kPage, kDeepRow});
    auto cursor = statement->Query();
    size_t rows = 0;
    while (cursor->Next()) ++rows;
    CheckPage(state, rows);
  }
}

BENCHMARK(BM_HelperFirstPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HelperPageAtRow999960)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawFirstPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawPageAtRow999960)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawOffsetPageAtRow999960)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
