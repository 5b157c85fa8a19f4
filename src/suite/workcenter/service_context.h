// What the work-center manager shares with the services it hands out.
//
// The manager lives in the host's process, next to the program module. Its
// validator, counter and look-up services answer from the same database as
// the application server (suite/appserver/server_database.h), each call
// confined to the company the host started the program for. Client SQL
// (look-ups, "SimpleSql", "TransactionSQL") goes through the SQL gateway,
// never straight to the trusted connection.
#ifndef PELLOR_SUITE_WORKCENTER_SERVICE_CONTEXT_H_
#define PELLOR_SUITE_WORKCENTER_SERVICE_CONTEXT_H_

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/dispatch/dispatch.h"
#include "platform/rtl/variant.h"
#include "suite/appserver/server_database.h"
#include "suite/db/client_text.h"
#include "suite/db/sql_gateway.h"

namespace suite {

struct ServiceContext {
  // One call at a time on the connections below.
  std::mutex mutex;
  std::unique_ptr<db::Connection> writer;
  std::unique_ptr<db::SqlGateway> gateway;
  // The code page of the narrow texts the module sends and reads.
  int clientCodePage = pellor::kCodePageGB;
  // Who works, as UTF-8: set by whoever creates the manager (the host from
  // its start-up array).
  std::string userId;
  std::string company;

  std::string ToUtf8(const pellor::Variant& value) const { return ClientTextToUtf8(value, clientCodePage); }
  pellor::Variant ToClient(const pellor::Variant& value) const { return Utf8ToClient(value, clientCodePage); }
};

// Opens the context's connections on the server database of `options`.
std::shared_ptr<ServiceContext> OpenServiceContext(const AppServerOptions& options);

// The three services; each holds the context for as long as it lives.
pellor::DispatchPtr CreateValidatorService(std::shared_ptr<ServiceContext> context);
pellor::DispatchPtr CreateCounterService(std::shared_ptr<ServiceContext> context);
pellor::DispatchPtr CreateF2WindowService(std::shared_ptr<ServiceContext> context);

}  // namespace suite

#endif  // PELLOR_SUITE_WORKCENTER_SERVICE_CONTEXT_H_
