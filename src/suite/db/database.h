// The database interface of the application server.
//
// One small interface with two implementations: SQLite, the embedded default
// (one file under the server root), and PostgreSQL for sites with many users.
// Everything above this layer is written once against `Connection`.
//
// Texts cross this interface as UTF-8: the database stores UTF-8 and the
// application server converts to and from the client's code page at its own
// boundary. A wide text bound as a parameter is turned into UTF-8 here.
//
// Statements carry "?" placeholders, numbered from 1 in order of appearance;
// the PostgreSQL connection translates them into $1, $2 ... itself. A
// statement text holds exactly one statement; a second one is refused by the
// backend's own parser, not only by a check of ours.
//
// Errors of the backend raise pellor::EDatabaseError with the backend's
// message. Connections are not thread-safe: one thread uses one connection,
// and its statements and cursors do not outlive it.
#ifndef PELLOR_SUITE_DB_DATABASE_H_
#define PELLOR_SUITE_DB_DATABASE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/variant.h"

namespace suite::db {

enum class Backend { kSqlite, kPostgres };

const char* BackendName(Backend backend);  // "SQLite", "PostgreSQL"

// The backend a server profile asks for with its "MainDBType" value:
// "POSTGRESQL", "POSTGRES" or "PGSQL" (any case) choose PostgreSQL; every
// other value, the profile's default "MSSQL" included, the embedded SQLite.
Backend BackendForMainDBType(std::string_view mainDbType);

// Rows of a query, read forward once.
class Cursor {
 public:
  virtual ~Cursor() = default;
  // Moves to the next row; false after the last one.
  virtual bool Next() = 0;
  virtual int ColumnCount() const = 0;
  virtual const std::string& ColumnName(int column) const = 0;
  // Value of a column of the current row: Null for SQL NULL, an integer,
  // a float or a UTF-8 narrow text.
  virtual pellor::Variant Value(int column) const = 0;
};

class Statement {
 public:
  virtual ~Statement() = default;
  // Binds placeholder `index` (from 1). Empty and null bind NULL; booleans
  // bind 1 or 0; dates bind their day count; narrow texts are taken as UTF-8
  // and wide texts are converted to it. Arrays and objects raise.
  virtual void Bind(int index, const pellor::Variant& value) = 0;
  void BindAll(const std::vector<pellor::Variant>& values);
  // Runs the statement and returns its rows. A statement may be run again
  // after its cursor is gone; bindings stay until replaced.
  virtual std::unique_ptr<Cursor> Query() = 0;
  // Runs a statement that returns no rows; the result is the number of rows
  // it changed.
  virtual int64_t Execute() = 0;
};

class Connection {
 public:
  virtual ~Connection() = default;
  virtual Backend GetBackend() const = 0;
  virtual std::unique_ptr<Statement> Prepare(std::string_view sql) = 0;

  // Transactions do not nest. `BeginWrite` takes the write lock at once
  // (SQLite: BEGIN IMMEDIATE), so that a transaction that reads before it
  // writes cannot fail half-way for another writer.
  virtual void BeginWrite() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  virtual bool InTransaction() const = 0;

  // Convenience: prepare, bind, run.
  int64_t Execute(std::string_view sql, const std::vector<pellor::Variant>& params = {});
  std::unique_ptr<Cursor> Query(std::string_view sql,
                                const std::vector<pellor::Variant>& params = {});
  // The first column of the first row; empty when there is no row.
  pellor::Variant QueryValue(std::string_view sql, const std::vector<pellor::Variant>& params = {});
  // Runs each statement of a script (split at semicolons) in order.
  void ExecuteScript(std::string_view script);
};

// A write transaction that rolls back unless committed; one per apply.
class WriteTransaction {
 public:
  explicit WriteTransaction(Connection& connection);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  void Commit();

 private:
  Connection& connection_;
  bool done_ = false;
};

// Opens (creating when missing) the SQLite database file at `path`, in WAL
// mode with a busy timeout. With `readOnly` the file must exist and the
// connection never writes it (its temporary schema stays writable).
std::unique_ptr<Connection> OpenSqlite(const std::string& path, bool readOnly = false);

// Where a PostgreSQL database is. An empty host means the default unix
// socket; a host beginning with "/" is a socket directory.
struct PostgresParams {
  std::string host;
  int port = 5432;
  std::string database;
  std::string user;
  std::string password;
  int connectTimeoutSeconds = 10;
};

// Connects with UTF-8 as the client encoding and standard-conforming strings.
std::unique_ptr<Connection> OpenPostgres(const PostgresParams& params);

}  // namespace suite::db

#endif  // PELLOR_SUITE_DB_DATABASE_H_
