// The PostgreSQL implementation of the database interface (libpq).
//
// Statements go through the extended protocol with text-format parameters
// whose types the server infers from their place, so one "?" compares with a
// text column as text and with a number column as a number. The extended
// protocol also refuses a text of two statements on the server's side.
//
// Results are read whole into memory; the queries of this system are paged
// by key (see keyset.h), so a result is a page, not a table.
#ifndef PELLOR_SUITE_DB_POSTGRES_DATABASE_H_
#define PELLOR_SUITE_DB_POSTGRES_DATABASE_H_

#include <libpq-fe.h>

#include <string>

#include "suite/db/database.h"

namespace suite::db {

class PostgresConnection : public Connection {
 public:
  explicit PostgresConnection(const PostgresParams& params);
  ~PostgresConnection() override;

  Backend GetBackend() const override { return Backend::kPostgres; }
  std::unique_ptr<Statement> Prepare(std::string_view sql) override;
  void BeginWrite() override;
  void Commit() override;
  void Rollback() override;
  bool InTransaction() const override;

  PGconn* Handle() const { return conn_; }
  // The role this session logged in as.
  std::string SessionUser();

 private:
  PGconn* conn_ = nullptr;
};

// "?" placeholders → "$1", "$2" ...; other placeholder forms are refused.
// Exposed for tests.
std::string TranslatePlaceholders(std::string_view sql, int* count);

}  // namespace suite::db

#endif  // PELLOR_SUITE_DB_POSTGRES_DATABASE_H_
