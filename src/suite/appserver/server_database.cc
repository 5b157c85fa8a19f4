#include "suite/appserver/server_database.h"

#include <filesystem>

#include "platform/rtl/errors.h"
#include "platform/rtl/registry.h"
#include "suite/appserver/server_profile.h"
#include "suite/db/schema.h"

namespace suite {

namespace {

std::string PostgresPlace(const db::PostgresParams& params) {
  std::string host = params.host.empty() ? "the local socket" : params.host;
  return "database '" + params.database + "' on " + host + " port " + std::to_string(params.port) + " as user '" +
         params.user + "'";
}

}  // namespace

std::string ResolveServerRoot(const AppServerOptions& options) {
  std::string root = options.serverRoot.empty() ? pellor::ReadPellorRegistryValue("ServerPath").value_or("")
                                                : options.serverRoot;
  // The store keeps the path the way the profiles write it, with a
  // trailing separator.
  while (root.size() > 1 && (root.back() == '\\' || root.back() == '/')) root.pop_back();
  if (root.empty()) throw pellor::EDatabaseError("The application server has no server root (ServerPath)");
  return root;
}

ServerDatabase OpenServerDatabase(const AppServerOptions& options) {
  std::string root = ResolveServerRoot(options);
  std::error_code error;
  std::filesystem::create_directories(root, error);
  if (error) throw pellor::EDatabaseError("Cannot create the server root '" + root + "': " + error.message());
  ServerProfile profile = ReadServerProfile(root);
  ServerDatabase database;
  database.clientCodePage = profile.dbCodePage;

  if (profile.backend == db::Backend::kSqlite) {
    std::string path = (std::filesystem::path(root) / options.databaseFile).string();
    database.writer = db::OpenSqlite(path);
    db::EnsureSchema(*database.writer);
    database.confined = db::OpenSqlite(path, true);
    return database;
  }

  db::PostgresParams params = PostgresParamsOf(profile);
  try {
    database.writer = db::OpenPostgres(params);
    db::EnsureSchema(*database.writer);
    database.confined = db::OpenPostgres(params);
  } catch (const pellor::Exception& e) {
    throw pellor::EDatabaseError("PostgreSQL " + PostgresPlace(params) + " (from " + profile.fileName +
                                 "): " + e.Message());
  }
  return database;
}

}  // namespace suite
