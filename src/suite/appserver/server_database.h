// Opening the server's database.
//
// The application server, the server program and the work-center manager's
// services all answer from one database; this is the one place that decides
// which and how it is opened, so that they never disagree.
//
// The server profile under the server root (ROOT/PellorS.ini, read as
// server_profile.h describes) chooses the database: by default the SQLite
// file ROOT/<databaseFile>; with "MainDBType" POSTGRESQL the PostgreSQL
// database its "MainDBName", "MainServerName" ("host", "host:port" or
// "host,port"), "MainUserName" and stored password name. Its "DBCodePage"
// (936 or 950) is the code page of the narrow texts clients exchange.
#ifndef PELLOR_SUITE_APPSERVER_SERVER_DATABASE_H_
#define PELLOR_SUITE_APPSERVER_SERVER_DATABASE_H_

#include <memory>
#include <string>

#include "suite/db/database.h"

namespace suite {

struct AppServerOptions {
  // The folder the server keeps its profile and its database in; created
  // when missing. Empty: the settings store's "ServerPath" (rtl/registry.h).
  std::string serverRoot;
  // The SQLite file under serverRoot, when the profile chooses SQLite. On
  // the first start it is created with the schema and the seed data.
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

// The server root of `options` without a trailing separator: the one given,
// else the settings store's "ServerPath". Raises EDatabaseError when there
// is neither.
std::string ResolveServerRoot(const AppServerOptions& options);

// Opens the database the server profile chooses, creating and seeding it on
// the first start (for PostgreSQL the database itself must exist; its
// tables are made). Raises EDatabaseError when there is no server root, the
// profile is unusable or the database cannot be opened, saying which
// database and why.
ServerDatabase OpenServerDatabase(const AppServerOptions& options);

}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_SERVER_DATABASE_H_
