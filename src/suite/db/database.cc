#include "suite/db/database.h"

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/db/sql_lexer.h"

namespace suite::db {

const char* BackendName(Backend backend) {
  return backend == Backend::kSqlite ? "SQLite" : "PostgreSQL";
}

Backend BackendForMainDBType(std::string_view mainDbType) {
  std::string type = pellor::UpperCase(pellor::Trim(mainDbType));
  if (type == "POSTGRESQL" || type == "POSTGRES" || type == "PGSQL") return Backend::kPostgres;
  return Backend::kSqlite;
}

void Statement::BindAll(const std::vector<pellor::Variant>& values) {
  for (size_t i = 0; i < values.size(); ++i) Bind(static_cast<int>(i) + 1, values[i]);
}

int64_t Connection::Execute(std::string_view sql, const std::vector<pellor::Variant>& params) {
  std::unique_ptr<Statement> statement = Prepare(sql);
  statement->BindAll(params);
  return statement->Execute();
}

std::unique_ptr<Cursor> Connection::Query(std::string_view sql,
                                          const std::vector<pellor::Variant>& params) {
  std::unique_ptr<Statement> statement = Prepare(sql);
  statement->BindAll(params);
  // The cursor of both implementations owns what it needs; the statement may go.
  return statement->Query();
}

pellor::Variant Connection::QueryValue(std::string_view sql,
                                       const std::vector<pellor::Variant>& params) {
  std::unique_ptr<Cursor> cursor = Query(sql, params);
  if (!cursor->Next() || cursor->ColumnCount() == 0) return pellor::Variant();
  return cursor->Value(0);
}

void Connection::ExecuteScript(std::string_view script) {
  for (const std::string& statement : SplitStatements(script)) Execute(statement);
}

WriteTransaction::WriteTransaction(Connection& connection) : connection_(connection) {
  connection_.BeginWrite();
}

WriteTransaction::~WriteTransaction() {
  if (done_) return;
  try {
    connection_.Rollback();
  } catch (...) {
    // A failed rollback leaves nothing to undo: the backend dropped the
    // transaction already.
  }
}

void WriteTransaction::Commit() {
  connection_.Commit();
  done_ = true;
}

}  // namespace suite::db
