#include "suite/appserver/server_database.h"

#include <filesystem>

#include "platform/rtl/errors.h"
#include "platform/rtl/registry.h"
#include "suite/db/schema.h"

namespace suite {

ServerDatabase OpenServerDatabase(const AppServerOptions& options) {
  std::string root = options.serverRoot.empty() ? pellor::ReadPellorRegistryValue("ServerPath").value_or("")
                                                : options.serverRoot;
  // The store keeps the path the way the profiles write it, with a
  // trailing separator.
  while (root.size() > 1 && (root.back() == '\\' || root.back() == '/')) root.pop_back();
  if (root.empty()) throw pellor::EDatabaseError("The application server has no server root (ServerPath)");
  std::error_code error;
  std::filesystem::create_directories(root, error);
  if (error) throw pellor::EDatabaseError("Cannot create the server root '" + root + "': " + error.message());
  std::string path = (std::filesystem::path(root) / options.databaseFile).string();
  ServerDatabase database;
  database.writer = db::OpenSqlite(path);
  db::EnsureSchema(*database.writer);
  database.confined = db::OpenSqlite(path, true);
  return database;
}

}  // namespace suite
