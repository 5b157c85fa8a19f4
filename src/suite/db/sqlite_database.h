// The SQLite implementation of the database interface.
//
// Exposed as a class only for the SQL gateway, which installs an authorizer
// and a progress handler on its own connection; everything else uses
// `Connection` through OpenSqlite.
#ifndef PELLOR_SUITE_DB_SQLITE_DATABASE_H_
#define PELLOR_SUITE_DB_SQLITE_DATABASE_H_

#include <sqlite3.h>

#include <string>

#include "suite/db/database.h"

namespace suite::db {

class SqliteConnection : public Connection {
 public:
  SqliteConnection(const std::string& path, bool readOnly);
  ~SqliteConnection() override;

  Backend GetBackend() const override { return Backend::kSqlite; }
  std::unique_ptr<Statement> Prepare(std::string_view sql) override;
  void BeginWrite() override;
  void Commit() override;
  void Rollback() override;
  bool InTransaction() const override;

  sqlite3* Handle() const { return db_; }
  const std::string& Path() const { return path_; }

  // Raises EDatabaseError with the connection's last error message.
  [[noreturn]] void Fail(const std::string& context) const;

 private:
  sqlite3* db_ = nullptr;
  std::string path_;
};

}  // namespace suite::db

#endif  // PELLOR_SUITE_DB_SQLITE_DATABASE_H_
