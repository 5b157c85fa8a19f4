// Saves through the application server's provider against the database's
// own speed: rows inserted per second by AS_ApplyUpdates on "pvdMain" of an
// in-process TAppServer (delta decoding, code-page conversion, key and
// company checks, a savepoint per row, one transaction per apply), and by a
// prepared INSERT in one transaction per batch straight on SQLite. Batches of
// 1 and 100 rows; the ratio of the two rates is printed at the end.
//
// Each side writes to a SQLite file of its own in a temporary folder,
// removed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/db/provider.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/codepage.h"
#include "suite/appserver/app_server.h"
#include "suite/db/database.h"
#include "suite/db/schema.h"

namespace {

using pellor::Variant;

constexpr const char* kCompany = "CSOqrl54";

// Six characters of base 36: more distinct keys than any run inserts.
std::string KeyOf(long n) {
  static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string key(6, '0');
  for (int i = 5; i >= 0; --i, n /= 36) key[i] = kDigits[n % 36];
  return key;
}

struct Fixture {
  std::filesystem::path dir;
  Variant server;
  std::unique_ptr<suite::db::Connection> direct;
  std::unique_ptr<suite::db::Statement> insert;
  long nextKey = 0;
  const std::string name936 = pellor::Cp936("评价因素");

  Fixture() {
    char pattern[] = "/tmp/pellor-save-bench.XXXXXX";
    dir = mkdtemp(pattern);
    std::filesystem::create_directories(dir / "server");
    server = Variant(pellor::DispatchPtr(
        std::make_shared<suite::TAppServer>(suite::AppServerOptions{(dir / "server").string()})));
    pellor::DispatchCall(server, "Connect",
                         {Variant::ArrayOf({Variant("PEVF07"), Variant("ZHANGWEI"), Variant(kCompany),
                                            Variant(kCompany), Variant("True"), Variant("N")})});
    direct = suite::db::OpenSqlite((dir / "direct.db").string());
    suite::db::EnsureSchema(*direct);
    insert = direct->Prepare(
        "INSERT INTO HRSMF (MF001, MF002, MF004, MF005, MF006, COMPANY) VALUES (?, ?, '1', ?, ?, ?)");
  }
  ~Fixture() {
    server = Variant();
    insert.reset();
    direct.reset();
    std::filesystem::remove_all(dir);
  }
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

// Rows per second of the last run of each benchmark, by kind and batch.
std::map<std::pair<std::string, int>, double>& Rates() {
  static std::map<std::pair<std::string, int>, double> rates;
  return rates;
}

void ApplyThroughProvider(benchmark::State& state) {
  Fixture& f = TheFixture();
  const int batch = static_cast<int>(state.range(0));
  pellor::Delta delta;
  delta.fieldNames = {"MF001", "MF002", "MF004", "MF005", "MF006"};
  delta.changes.resize(batch);
  long rows = 0;
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (int i = 0; i < batch; ++i) {
      pellor::DeltaChange& change = delta.changes[i];
      change.kind = pellor::ukInsert;
      change.rowId = i + 1;
      change.values = {Variant(KeyOf(f.nextKey++)), Variant(f.name936), Variant("1"), Variant(60.0),
                       Variant(pellor::Cp936("满分100分"))};
    }
    Variant answer = pellor::DispatchCall(f.server, pellor::kAsApplyUpdates,
                                          {Variant("pvdMain"), pellor::DeltaToVariant(delta), Variant(0)});
    if (pellor::ApplyResultFromVariant(answer).errorCount != 0) state.SkipWithError("the provider refused a row");
    rows += batch;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Rates()[{"apply", batch}] = rows / seconds;
  state.SetItemsProcessed(rows);
}

void DirectInsert(benchmark::State& state) {
  Fixture& f = TheFixture();
  const int batch = static_cast<int>(state.range(0));
  const std::string name = "评价因素";
  long rows = 0;
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    suite::db::WriteTransaction transaction(*f.direct);
    for (int i = 0; i < batch; ++i) {
      f.insert->BindAll({Variant(KeyOf(f.nextKey++)), Variant(name), Variant(60.0), Variant("满分100分"),
                         Variant(kCompany)});
      f.insert->Execute();
    }
    transaction.Commit();
    rows += batch;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Rates()[{"direct", batch}] = rows / seconds;
  state.SetItemsProcessed(rows);
}

BENCHMARK(ApplyThroughProvider)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(DirectInsert)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (int batch : {1, 100}) {
    auto apply = Rates().find({"apply", batch});
    auto direct = Rates().find({"direct", batch});
    if (apply == Rates().end() || direct == Rates().end()) continue;
    std::printf("batch %3d: provider apply %.0f rows/s, direct INSERT %.0f rows/s, apply/direct %.3f\n", batch,
                apply->second, direct->second, apply->second / direct->second);
  }
  return 0;
}
