// The one gateway for SQL that arrives from a client.
//
// The module composes SQL itself: whole look-up statements ("SimpleSql"),
// the WHERE and ORDER BY texts of its queries, and a few writes
// ("TransactionSQL"). All of it passes through here, and nothing a client
// sends reaches a connection another way.
//
// Dialect. The suite writes "$$TABLE" and "db..TABLE" for a table of the
// current database, "SELECT TOP n", N'...' literals, ISNULL(a, b), LEN(x)
// and [name]. These become TABLE, LIMIT n (at the end of the SELECT they
// belong to, subqueries and UNION members included), '...', COALESCE,
// LENGTH and name. On PostgreSQL, LIKE becomes ILIKE with escaping off, so
// that a pattern matches as it does in SQLite (letter case aside for ASCII,
// backslash an ordinary character). "+" is not rewritten: the server
// answers "SQLTYPE" with 1, the dialect whose string concatenation is "||",
// which both backends speak, and the module then composes "||" itself.
//
// Checks, before a text reaches a backend. One statement (a trailing ";" is
// allowed), and a statement must be a SELECT. No double-quoted names,
// parameters, "::" casts, schema-qualified names (main., public.,
// pg_catalog. ...) or system objects (sqlite_*, pg_*); a $$NAME or [NAME]
// must not touch another name, which the backend would read as one. Only
// the functions of a short list (COALESCE, SUBSTRING, UPPER, COUNT ...) may
// be called, because a function is the one way a SELECT could run other SQL
// or change a setting. Words that write or change the session (INSERT,
// DROP, PRAGMA, SET, INTO ...) are refused wherever they stand. A
// condition or an order is a
// fragment: balanced parentheses, no ";", and no FROM, UNION, LIMIT ... at
// its top level, so that it cannot step out of the place it is put in.
// Refusals raise ESqlRefused naming what was refused.
//
// Confinement, enforced by the backend itself. The gateway owns a second
// connection of its own to the same database. On it, every company table is
// hidden behind a temporary view of the same name that shows only the rows
// whose COMPANY is the caller's (kept in a temporary one-row table), shared
// tables behind a view showing all rows, and private tables behind nothing.
// Unqualified names resolve to temporary objects first in both backends, so
// a condition, its sub-selects and its UNION members all see the views.
//   SQLite: an authorizer on this connection allows a statement only to
//   select, to read temporary objects, to read a main table through one of
//   the views, and to call listed functions; writes, PRAGMA, ATTACH and a
//   direct read of a main table ("main.HRSMF") are denied while preparing.
//   A progress handler stops a statement that runs past the time limit.
//   PostgreSQL: each statement runs in a READ ONLY transaction as the role
//   "pellor_reader", which holds no right on any table; it may select only
//   from the session's views, which read the tables with the rights of the
//   session's own user. A statement timeout bounds it.
// So client SQL never writes, and never sees a row of another company even
// when it names a table in a sub-select or a UNION.
//
// Writes from a client (TransactionSQL) are DELETE or UPDATE ... SET column
// = literal of a company table. Their rows are first chosen by a confined,
// read-only SELECT of the primary keys; then the trusted connection changes
// exactly those rows by key with bound values, in one transaction.
//
// A gateway and its connection are used by one thread at a time. The
// database must hold its schema (EnsureSchema) before the gateway is made.
#ifndef PELLOR_SUITE_DB_SQL_GATEWAY_H_
#define PELLOR_SUITE_DB_SQL_GATEWAY_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "suite/db/database.h"
#include "suite/db/schema.h"
#include "suite/db/sql_lexer.h"

namespace suite::db {

// The PostgreSQL role client SQL runs as. The gateway creates it when it is
// missing (the database user then needs CREATEROLE once) and makes its own
// user a member.
constexpr const char* kReaderRole = "pellor_reader";

// The answer to the application server's WhatIs("SQLTYPE"): the dialect
// with "||" concatenation.
constexpr int kSqlTypePipes = 1;

struct GatewayOptions {
  // A statement of client SQL running longer is stopped.
  int timeoutMs = 30000;
  // A client query delivering more rows is refused; look-ups are small, and
  // large results are read in keyset pages.
  int maxRows = 100000;
};

struct OrderItem {
  std::string expression;  // rewritten for the backend
  bool descending = false;
};

class SqlGateway {
 public:
  // Takes a connection that nobody else uses; see above.
  SqlGateway(std::unique_ptr<Connection> confined, const Catalogue& catalogue = Catalogue::Builtin(),
             GatewayOptions options = {});
  ~SqlGateway();
  SqlGateway(const SqlGateway&) = delete;
  SqlGateway& operator=(const SqlGateway&) = delete;

  Backend GetBackend() const;
  int SqlType() const { return kSqlTypePipes; }
  const Catalogue& GetCatalogue() const { return catalogue_; }

  // Checks and rewrites a whole SELECT for the backend. With
  // `allowPlaceholders` the text may carry "?" for values the server binds
  // (the named value queries of user-defined fields).
  std::string RewriteStatement(std::string_view clientSql, bool allowPlaceholders = false) const;
  // Checks and rewrites a WHERE text (without the word WHERE).
  std::string RewriteCondition(std::string_view clientCondition) const;
  // Checks and rewrites an ORDER BY text (without ORDER BY) into its items.
  std::vector<OrderItem> RewriteOrder(std::string_view clientOrder) const;

  // A client's SELECT (look-ups: "SimpleSql"), read-only and confined to
  // `company`. The rows are read before the call returns; column names take
  // the catalogue's spelling.
  std::unique_ptr<Cursor> Query(std::string_view clientSql, std::string_view company,
                                const std::vector<pellor::Variant>& params = {});
  // A SELECT the server composed around rewritten client fragments (the
  // keyset pages, counts): no rewriting, the server's values bound, and the
  // same read-only confined run.
  std::unique_ptr<Cursor> QueryComposed(std::string_view sql, const std::vector<pellor::Variant>& params,
                                        std::string_view company);
  // A client's write ("TransactionSQL"), carried out on `writer` (the
  // server's trusted connection to the same database); see above. Joins a
  // transaction open on `writer`, else runs in one of its own. Returns the
  // number of rows changed.
  int64_t ExecuteWrite(Connection& writer, std::string_view clientSql, std::string_view company);

 private:
  class Guard;
  enum class Mode { kStatement, kCondition, kOrder };
  std::string Rewrite(std::string_view text, Mode mode, bool allowPlaceholders) const;
  void SetCompany(std::string_view company);
  void SetUpSqlite();
  void SetUpPostgres();

  std::unique_ptr<Connection> connection_;
  const Catalogue& catalogue_;
  GatewayOptions options_;
  std::string company_;
  std::unique_ptr<Guard> guard_;
};

}  // namespace suite::db

#endif  // PELLOR_SUITE_DB_SQL_GATEWAY_H_
