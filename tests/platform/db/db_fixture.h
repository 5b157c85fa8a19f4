// Shared pieces of the dataset tests: a factor table (the shape of HRSMF)
// served by an in-memory provider through a provider server, and a data
// module-like owner holding a client dataset on it.
#ifndef PELLOR_TESTS_DB_FIXTURE_H_
#define PELLOR_TESTS_DB_FIXTURE_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/db/client_dataset.h"
#include "platform/db/memory_provider.h"
#include "platform/db/provider.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/strutils.h"

namespace pellor::testing {

inline std::vector<TFieldDef> FactorDefs() {
  TFieldDefs defs;
  defs.Add("MF001", ftString, 6, true);
  defs.Add("MF002", ftString, 20);
  defs.Add("MF004", ftString, 1, true);
  defs.Add("MF005", ftFloat);
  defs.Add("FLAG", ftFloat);
  return defs.Items();
}

// Row i: MF001 "F0000i" style numbers, category 1 or 2, score i, FLAG 1.
inline std::vector<Variant> FactorRow(int i) {
  char number[16];
  std::snprintf(number, sizeof number, "F%05d", i);
  return {Variant(std::string(number)), Variant("Factor " + IntToStr(i)), Variant(i % 2 == 0 ? "1" : "2"),
          Variant(static_cast<double>(i)), Variant(1.0)};
}

struct FactorServer {
  std::shared_ptr<TMemoryProvider> provider;
  std::shared_ptr<TProviderServer> server;

  explicit FactorServer(int rows) {
    provider = std::make_shared<TMemoryProvider>(FactorDefs(), "MF001;MF004", "FLAG");
    for (int i = 0; i < rows; ++i) provider->AddRow(FactorRow(i));
    server = std::make_shared<TProviderServer>("ZEVUD01E.Class1");
    server->RegisterProvider("pvdMain", provider);
  }
  Variant AppServer() const { return Variant(std::static_pointer_cast<IDispatchObject>(server)); }
};

// An owner with a connection and a client dataset "cdsMain" on "pvdMain".
struct FactorModule {
  std::unique_ptr<TComponent> owner = TComponent::CreateUnowned<TComponent>();
  TLocalConnection* connection;
  TClientDataSet* cds;

  explicit FactorModule(const FactorServer& server) {
    owner->SetName("dmTest");
    connection = TComponent::Create<TLocalConnection>(owner.get());
    connection->SetName("MIDAS");
    connection->SetAppServer(server.AppServer());
    cds = TComponent::Create<TClientDataSet>(owner.get());
    cds->SetName("cdsMain");
    cds->SetProviderName("pvdMain");
    cds->SetRemoteServer(connection);
  }
};

}  // namespace pellor::testing

#endif  // PELLOR_TESTS_DB_FIXTURE_H_
