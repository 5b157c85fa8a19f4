// Reading a 1 000 000-row HRSMF through the application server's provider
// "pvdMain" (in process: gateway, confinement view, keyset pages, code-page
// conversion, packets as Variants) against the same keyset statement run
// straight on SQLite: the first packet, the last packet and the full fetch,
// with the ratio of the two sides.
//
//   cmake --build build --target fetch_bench && build/bin/fetch_bench
//
// Packets of 40 rows for the first and the last packet (what a grid asks
// for), packets of 1000 for the full fetch. The first packet is the median of
// 21 openings; the last packet is the final call of a walk through all
// packets. The database is built once in a temporary folder (about 15 s) and
// removed at the end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/provider.h"
#include "platform/dispatch/dispatch.h"
#include "suite/appserver/app_server.h"
#include "suite/db/database.h"

namespace {

using pellor::Variant;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 1000000;
constexpr int kPacket = 40;
constexpr int kBulkPacket = 1000;
constexpr const char* kCompany = "CSOqrl54";

double MicrosSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Walk {
  double firstMicros = 0;
  double lastMicros = 0;
  double totalMicros = 0;
  long rows = 0;
};

// The provider side: opening delivers the first packet, then GetRecords
// until the provider says all rows are fetched.
Walk WalkProvider(const Variant& server, int packet) {
  Walk walk;
  auto start = Clock::now();
  pellor::ProviderOpenResult open = pellor::OpenResultFromVariant(
      pellor::DispatchCall(server, pellor::kAsOpen, {Variant("pvdMain"), Variant(""), Variant(""), Variant(packet)}));
  walk.firstMicros = MicrosSince(start);
  walk.rows = open.packet.rows.Count();
  bool done = open.packet.allFetched;
  while (!done) {
    auto call = Clock::now();
    pellor::ProviderPacket next = pellor::PacketFromVariant(
        pellor::DispatchCall(server, pellor::kAsGetRecords, {Variant("pvdMain"), Variant(open.cursor), Variant(packet)}));
    walk.lastMicros = MicrosSince(call);
    walk.rows += next.rows.Count();
    done = next.allFetched;
  }
  walk.totalMicros = MicrosSince(start);
  pellor::DispatchCall(server, pellor::kAsClose, {Variant("pvdMain"), Variant(open.cursor)});
  return walk;
}

// The same pages by the keyset statement on the table itself.
Walk WalkDirect(suite::db::Connection& db, int packet) {
  auto first = db.Prepare("SELECT * FROM HRSMF WHERE COMPANY = ? ORDER BY MF001, MF004 LIMIT ?");
  auto next = db.Prepare(
      "SELECT * FROM HRSMF WHERE COMPANY = ? AND (MF001, MF004) > (?, ?) ORDER BY MF001, MF004 LIMIT ?");
  Walk walk;
  auto start = Clock::now();
  std::string key0, key1;
  bool firstPage = true;
  for (;;) {
    auto call = Clock::now();
    suite::db::Statement& statement = firstPage ? *first : *next;
    if (firstPage) {
      statement.BindAll({Variant(kCompany), Variant(packet + 1)});
    } else {
      statement.BindAll({Variant(kCompany), Variant(key0), Variant(key1), Variant(packet + 1)});
    }
    auto cursor = statement.Query();
    int read = 0;
    std::vector<Variant> row;
    while (read < packet && cursor->Next()) {
      row.clear();
      for (int i = 0; i < cursor->ColumnCount(); ++i) row.push_back(cursor->Value(i));
      key0 = row[0].AsString();
      for (int i = 0; i < cursor->ColumnCount(); ++i) {
        if (cursor->ColumnName(i) == "MF004") key1 = row[i].AsString();
      }
      ++read;
    }
    bool more = read == packet && cursor->Next();
    double micros = MicrosSince(call);
    if (firstPage) walk.firstMicros = micros; else walk.lastMicros = micros;
    walk.rows += read;
    firstPage = false;
    if (!more) break;
  }
  walk.totalMicros = MicrosSince(start);
  return walk;
}

}  // namespace

int main() {
  char pattern[] = "/tmp/pellor-fetch-bench.XXXXXX";
  std::filesystem::path dir = mkdtemp(pattern);
  {
    Variant server(pellor::DispatchPtr(std::make_shared<suite::TAppServer>(suite::AppServerOptions{dir.string()})));
    auto writer = suite::db::OpenSqlite((dir / "pellor.db").string());
    {
      suite::db::WriteTransaction transaction(*writer);
      writer->Execute("DELETE FROM HRSMF WHERE COMPANY = ?", {Variant(kCompany)});
      auto insert = writer->Prepare(
          "INSERT INTO HRSMF (MF001, MF002, MF004, MF005, MF006, MF003, COMPANY, CREATOR, CREATE_DATE) "
          "VALUES (?, ?, '1', ?, '满分100分', '', ?, 'BENCH', '20240101')");
      char key[16];
      for (int i = 0; i < kRows; ++i) {
        std::snprintf(key, sizeof key, "%07d", i);
        insert->BindAll({Variant(std::string(key)), Variant(std::string("评价因素") + key), Variant(60.0 + i % 40),
                         Variant(kCompany)});
        insert->Execute();
      }
      transaction.Commit();
    }
    pellor::DispatchCall(server, "Connect",
                         {Variant::ArrayOf({Variant("PEVF07"), Variant("ZHANGWEI"), Variant(kCompany),
                                            Variant(kCompany), Variant("True"), Variant("N")})});

    std::vector<double> providerFirst, directFirst;
    for (int i = 0; i < 21; ++i) {
      auto start = Clock::now();
      pellor::ProviderOpenResult open = pellor::OpenResultFromVariant(pellor::DispatchCall(
          server, pellor::kAsOpen, {Variant("pvdMain"), Variant(""), Variant(""), Variant(kPacket)}));
      providerFirst.push_back(MicrosSince(start));
      pellor::DispatchCall(server, pellor::kAsClose, {Variant("pvdMain"), Variant(open.cursor)});
      auto direct = writer->Prepare("SELECT * FROM HRSMF WHERE COMPANY = ? ORDER BY MF001, MF004 LIMIT ?");
      start = Clock::now();
      direct->BindAll({Variant(kCompany), Variant(kPacket + 1)});
      auto cursor = direct->Query();
      while (cursor->Next()) {
        for (int c = 0; c < cursor->ColumnCount(); ++c) (void)cursor->Value(c);
      }
      directFirst.push_back(MicrosSince(start));
    }
    Walk providerWalk = WalkProvider(server, kPacket);
    Walk directWalk = WalkDirect(*writer, kPacket);
    Walk providerBulk = WalkProvider(server, kBulkPacket);
    Walk directBulk = WalkDirect(*writer, kBulkPacket);

    std::printf("HRSMF rows read: provider %ld, direct %ld\n", providerBulk.rows, directBulk.rows);
    std::printf("first packet (%d rows): provider %8.0f us, direct %8.0f us, ratio %.2f\n", kPacket,
                Median(providerFirst), Median(directFirst), Median(providerFirst) / Median(directFirst));
    std::printf("last packet  (%d rows): provider %8.0f us, direct %8.0f us, ratio %.2f\n", kPacket,
                providerWalk.lastMicros, directWalk.lastMicros, providerWalk.lastMicros / directWalk.lastMicros);
    std::printf("full fetch (packets of %d): provider %6.2f s, direct %6.2f s, ratio %.2f\n", kBulkPacket,
                providerBulk.totalMicros / 1e6, directBulk.totalMicros / 1e6,
                providerBulk.totalMicros / directBulk.totalMicros);
    std::printf("full fetch (packets of %d): provider %6.2f s, direct %6.2f s, ratio %.2f\n", kPacket,
                providerWalk.totalMicros / 1e6, directWalk.totalMicros / 1e6,
                providerWalk.totalMicros / directWalk.totalMicros);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
