// The look-up server object "F2WindowS.Class1".
//
// The client opens it beside the application server, on the same address
// and port (created in process when that address is 127.0.0.1), for the
// data its look-up controls show. The look-up windows themselves belong to
// the work-center manager's look-up service; what this object offers is
// the data, read-only, for one user in one company:
//
//   Connect (array: program ID, user ID, company ID, database name, flag,
//            audit flag) → 0 accepted; 1 the argument is not such an array,
//            2 no active user of that ID, 3 no company of that ID. A refused
//            Connect ends the session opened before. The same answers as
//            the application server's Connect.
//   SimpleSql (SQL text, field list, database name, flag) → array of rows,
//            each an array of values in field-list order (every column of
//            the SELECT in its order when the list is empty). The SQL is a
//            client's SELECT in the suite's dialect and runs through the
//            SQL gateway: read-only and confined to the connected company.
//            A field of the list that the SELECT does not deliver, or an SQL
//            text the gateway refuses, raises. The database name and flag
//            are accepted as the suite's other SimpleSql takes them.
// Both methods but Connect raise EDispatchError "not connected" before a
// Connect has been accepted.
//
// Texts cross in the database's client code page (936 unless the server
// database says otherwise) or wide; the database holds UTF-8.
#ifndef PELLOR_SUITE_APPSERVER_LOOKUP_SERVER_H_
#define PELLOR_SUITE_APPSERVER_LOOKUP_SERVER_H_

#include <memory>
#include <mutex>
#include <string>

#include "platform/dispatch/dispatch.h"
#include "platform/rtl/codepage.h"
#include "suite/appserver/server_database.h"
#include "suite/db/database.h"
#include "suite/db/sql_gateway.h"

namespace suite {

inline constexpr char kLookupServerClassName[] = "F2WindowS.Class1";

class TLookupServer : public pellor::TDispatchObject {
 public:
  // Opens the server's database as the application server does.
  explicit TLookupServer(const AppServerOptions& options);
  explicit TLookupServer(ServerDatabase database);
  // `writer` answers the server's own questions (who the user is), the
  // gateway runs on `confined`; nobody else may use either.
  TLookupServer(std::unique_ptr<db::Connection> writer, std::unique_ptr<db::Connection> confined,
                int clientCodePage = pellor::kCodePageGB);
  ~TLookupServer() override;

 private:
  pellor::Variant Connect(const pellor::Variant& args);
  pellor::Variant SimpleSql(const pellor::Variant& sql, const pellor::Variant& fields);

  std::mutex mutex_;  // one call at a time on the connections
  std::unique_ptr<db::Connection> writer_;
  std::unique_ptr<db::SqlGateway> gateway_;
  int clientCodePage_;
  bool connected_ = false;
  std::string userId_;   // UTF-8
  std::string company_;
};

}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_LOOKUP_SERVER_H_
