// Client datasets over the in-memory provider: the first packet of a large
// table, fetching and walking all of it, and what the rows cost in memory.
//
//   cmake --build build --target dataset_bench && build/bin/dataset_bench
//
// Counters: rows_read (rows the provider examined), bytes_per_row (the
// dataset's own accounting), raw_bytes_per_row (the values' bytes: text
// lengths, 8 per number), ratio (the two divided), rss_mb (growth of the
// process's resident memory while the dataset was filled).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/client_dataset.h"
#include "platform/db/memory_provider.h"
#include "platform/db/provider.h"

namespace pellor {
namespace {

size_t ResidentBytes() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (f == nullptr) return 0;
  long pages = 0, resident = 0;
  if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(f);
  return static_cast<size_t>(resident) * 4096;
}

// The columns of the evaluation-factor table: the factor, the record stamps
// and twenty-four user-defined columns, as the program declares them.
std::vector<TFieldDef> HrsmfDefs() {
  TFieldDefs d;
  d.Add("MF001", ftString, 6, true);
  d.Add("MF002", ftString, 20);
  d.Add("MF004", ftString, 1, true);
  d.Add("MF005", ftFloat);
  d.Add("MF006", ftString, 255);
  d.Add("MF003", ftString, 255);
  d.Add("COMPANY", ftString, 10);
  d.Add("CREATOR", ftString, 10);
  d.Add("USR_GROUP", ftString, 10);
  d.Add("CREATE_DATE", ftString, 17);
  d.Add("MODIFIER", ftString, 10);
  d.Add("MODI_DATE", ftString, 17);
  d.Add("FLAG", ftFloat);
  for (int i = 1; i <= 6; ++i) d.Add("UDF0" + std::to_string(i), ftString, 255);
  for (int i = 51; i <= 56; ++i) d.Add("UDF" + std::to_string(i), ftFloat);
  for (int i = 7; i <= 12; ++i) d.Add((i < 10 ? "UDF0" : "UDF") + std::to_string(i), ftString, 255);
  for (int i = 57; i <= 62; ++i) d.Add("UDF" + std::to_string(i), ftFloat);
  return d.Items();
}

std::vector<Variant> HrsmfRow(int i, size_t& rawBytes) {
  char number[8];
  std::snprintf(number, sizeof number, "%06d", i % 1000000);
  std::vector<Variant> row;
  auto text = [&](std::string s) {
    rawBytes += s.size();
    row.emplace_back(std::move(s));
  };
  auto num = [&](double v) {
    rawBytes += 8;
    row.emplace_back(v);
  };
  text(number);
  text("Factor name " + std::to_string(i % 997));
  text(i % 2 ? "1" : "2");
  num(60 + i % 40);
  text("Scored by the panel from 0 to 100");
  text(i % 10 == 0 ? "checked yearly" : "");
  text("C01");
  text("U0001");
  text("G01");
  text("20080501");
  text(i % 3 == 0 ? "U0002" : "");
  text(i % 3 == 0 ? "20090101" : "");
  num(1 + i % 5);
  for (int k = 0; k < 6; ++k) text("");
  for (int k = 0; k < 6; ++k) num(0);
  for (int k = 0; k < 6; ++k) text("");
  for (int k = 0; k < 6; ++k) num(0);
  return row;
}

struct Table {
  std::shared_ptr<TMemoryProvider> provider;
  std::shared_ptr<TProviderServer> server;
  size_t rawBytes = 0;
  int rows = 0;
};

Table& BigTable(int rows) {
  static std::vector<std::unique_ptr<Table>> tables;
  for (auto& t : tables)
    if (t->rows == rows) return *t;
  auto t = std::make_unique<Table>();
  t->rows = rows;
  t->provider = std::make_shared<TMemoryProvider>(HrsmfDefs(), "MF001;MF004", "FLAG");
  for (int i = 0; i < rows; ++i) t->provider->AddRow(HrsmfRow(i, t->rawBytes));
  t->server = std::make_shared<TProviderServer>("ZEVUD01E.Class1");
  t->server->RegisterProvider("pvdMain", t->provider);
  tables.push_back(std::move(t));
  return *tables.back();
}

struct Module {
  std::unique_ptr<TComponent> owner = TComponent::CreateUnowned<TComponent>();
  TClientDataSet* cds;
  explicit Module(Table& table) {
    auto* connection = TComponent::Create<TLocalConnection>(owner.get());
    connection->SetAppServer(Variant(std::static_pointer_cast<IDispatchObject>(table.server)));
    cds = TComponent::Create<TClientDataSet>(owner.get());
    cds->SetName("cdsMain");
    cds->SetProviderName("pvdMain");
    cds->SetRemoteServer(connection);
    cds->SetPacketRecords(40);
    cds->SetFetchOnDemand(false);
  }
};

// Opening shows the first 40 rows of a million without reading the rest.
void BM_OpenFirstPacketOfAMillion(benchmark::State& state) {
  Table& table = BigTable(1000000);
  uint64_t read = 0;
  for (auto _ : state) {
    Module m(table);
    table.provider->ResetRowsRead();
    m.cds->Open();
    read = table.provider->RowsRead();
    benchmark::DoNotOptimize(m.cds->FieldByName("MF001")->AsString());
  }
  state.counters["rows_read"] = static_cast<double>(read);
}
BENCHMARK(BM_OpenFirstPacketOfAMillion)->Unit(benchmark::kMillisecond);

// Fetches every row, then walks all of them reading every field's display
// text, as an export does.
void BM_FetchAllAndWalk(benchmark::State& state) {
  int rows = static_cast<int>(state.range(0));
  Table& table = BigTable(rows);
  size_t memory = 0, rss = 0;
  for (auto _ : state) {
    Module m(table);
    size_t before = ResidentBytes();
    m.cds->Open();
    m.cds->FetchAll();
    size_t afterFetch = ResidentBytes();
    size_t chars = 0;
    for (m.cds->First(); !m.cds->Eof(); m.cds->Next()) {
      for (TField* f : m.cds->FieldList()) chars += f->DisplayText().size();
    }
    benchmark::DoNotOptimize(chars);
    memory = m.cds->MemoryUsage();
    rss = afterFetch > before ? afterFetch - before : 0;
    // The walk itself must not grow memory.
    size_t afterWalk = ResidentBytes();
    state.counters["walk_growth_mb"] = afterWalk > afterFetch ? (afterWalk - afterFetch) / 1048576.0 : 0.0;
  }
  state.counters["bytes_per_row"] = static_cast<double>(memory) / rows;
  state.counters["raw_bytes_per_row"] = static_cast<double>(table.rawBytes) / rows;
  state.counters["ratio"] = static_cast<double>(memory) / static_cast<double>(table.rawBytes);
  state.counters["rss_mb"] = rss / 1048576.0;
}
BENCHMARK(BM_FetchAllAndWalk)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Two hundred edits applied in one delta.
void BM_ApplyUpdates(benchmark::State& state) {
  Table& table = BigTable(100000);
  for (auto _ : state) {
    state.PauseTiming();
    Module m(table);
    m.cds->Open();
    for (int i = 0; i < 200; ++i) {
      m.cds->Edit();
      m.cds->FieldByName("MF002")->SetAsString("edited");
      m.cds->FieldByName("FLAG")->SetAsFloat(m.cds->FieldByName("FLAG")->AsFloat() + 1);
      m.cds->Post();
      if (m.cds->RecNo() == m.cds->RecordCount()) m.cds->GetNextPacket();
      m.cds->Next();
    }
    state.ResumeTiming();
    if (m.cds->ApplyUpdates(0) != 0) state.SkipWithError("refused");
  }
}
BENCHMARK(BM_ApplyUpdates)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pellor

BENCHMARK_MAIN();
