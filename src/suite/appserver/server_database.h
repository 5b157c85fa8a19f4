// Opening the server's database.
//
// The application server, the server program and the work-center manager's
// services all answer from one database; this is the one place that decides
// which and how it is opened, so that they never disagree.
#ifndef PELLOR_SUITE_APPSERVER_SERVER_DATABASE_H_
#define PELLOR_SUITE_APPSERVER_SERVER_DATABASE_H_

#include <memory>
#include <string>

#include "suite/db/database.h"

namespace suite {

struct AppServerOptions {
  // The folder the server keeps its database in; created when missing.
  // Empty: the settings store's "ServerPath" (rtl/registry.h).
  std::string serverRoot;
  // The SQLite file under serverRoot. On the first start it is created with
  // the schema and the seed data.
  std::string databaseFile = "pellor.db";
};

// Two connections to the server's database, both holding the schema:
// `writer` for the server's own reads and writes, `confined` for the SQL
// gateway (suite/db/sql_gateway.h), which nobody else may use.
struct ServerDatabase {
  std::unique_ptr<db::Connection> writer;
  std::unique_ptr<db::Connection> confined;
  // The code page of the narrow texts clients exchange with this database.
  int clientCodePage = 936;
};

// Opens the database of `options`, creating and seeding it on the first
// start. Raises EDatabaseError when there is no server root (neither given
// nor in the settings store) or the database cannot be opened.
ServerDatabase OpenServerDatabase(const AppServerOptions& options);

}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_SERVER_DATABASE_H_
