#include "suite/db/sql_gateway.h"

#include <chrono>
#include <set>

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/db/postgres_database.h"
#include "suite/db/sqlite_database.h"

namespace suite::db {

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Refuse(const std::string& what) { throw ESqlRefused("SQL refused: " + what); }

bool InSet(const std::set<std::string>& set, std::string_view word) {
  return set.count(pellor::UpperCase(word)) > 0;
}

// Functions client SQL may call. Each exists in both backends with the same
// meaning; none runs SQL, reads files or changes settings.
const std::set<std::string>& AllowedFunctions() {
  static const std::set<std::string> kSet = {
      "COALESCE", "NULLIF", "SUBSTRING", "SUBSTR", "UPPER", "LOWER", "TRIM", "LTRIM", "RTRIM",
      "LENGTH",   "ABS",    "ROUND",     "REPLACE", "COUNT", "SUM",  "MIN",  "MAX",   "AVG"};
  return kSet;
}

// Keywords that stand before "(" without being a function call.
const std::set<std::string>& KeywordsBeforeParen() {
  static const std::set<std::string> kSet = {
      "IN",      "EXISTS",  "AND",      "OR",      "NOT",    "ON",      "FROM",   "JOIN",
      "SELECT",  "WHERE",   "AS",       "BY",      "HAVING", "UNION",   "ALL",    "DISTINCT",
      "INTERSECT", "EXCEPT", "CASE",    "WHEN",    "THEN",   "ELSE",    "BETWEEN", "LIKE",
      "ILIKE",   "IS",      "ESCAPE",   "CAST",    "ANY",    "SOME",    "USING",  "LIMIT",
      "OFFSET",  "VARCHAR", "CHAR",     "CHARACTER", "DECIMAL", "NUMERIC", "TOP"};
  return kSet;
}

// Words that write, change the schema or the session, or reach outside the
// query; refused wherever they stand in client SQL. ATTACH is missing on
// purpose: it is the attachment table's name. The ATTACH statement cannot
// pass anyway, since a statement must begin with SELECT, and SQLite's
// authorizer denies it.
const std::set<std::string>& ForbiddenWords() {
  static const std::set<std::string> kSet = {
      "INSERT",   "UPDATE",   "DELETE",   "MERGE",     "UPSERT",   "DROP",     "CREATE",
      "ALTER",    "TRUNCATE", "DETACH",    "PRAGMA",   "VACUUM",   "REINDEX",
      "ANALYZE",  "GRANT",    "REVOKE",   "COPY",      "INTO",     "EXECUTE",  "EXEC",
      "CALL",     "DO",       "LOCK",     "SET",       "RESET",    "WITH",     "RETURNING",
      "LISTEN",   "NOTIFY",   "UNLISTEN", "SAVEPOINT", "RELEASE",  "BEGIN",    "COMMIT",
      "ROLLBACK", "TRANSACTION", "DECLARE", "FETCH",   "PREPARE",  "DEALLOCATE", "DISCARD",
      "LOAD",     "CHECKPOINT", "CLUSTER", "REFRESH",  "IMPORT",   "FOR",      "OVER",
      "WINDOW",   "LATERAL",  "TABLESAMPLE"};
  return kSet;
}

// Qualifiers that name a schema rather than a table.
const std::set<std::string>& SchemaNames() {
  static const std::set<std::string> kSet = {"MAIN",   "TEMP",     "TEMPORARY",          "PUBLIC",
                                             "PG_CATALOG", "PG_TEMP", "INFORMATION_SCHEMA", "PG_TOAST"};
  return kSet;
}

// Words that end a condition or an order when they stand outside
// parentheses.
const std::set<std::string>& ClauseWords() {
  static const std::set<std::string> kSet = {"SELECT", "FROM",      "WHERE",  "GROUP", "HAVING", "ORDER",
                                             "LIMIT",  "OFFSET",    "UNION",  "INTERSECT", "EXCEPT"};
  return kSet;
}

bool IsPlainName(std::string_view text) {
  if (text.empty()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    bool digit = c >= '0' && c <= '9';
    if (!letter && !(digit && i > 0)) return false;
  }
  return true;
}

bool IsPunct(const Token& token, std::string_view text) {
  return token.kind == TokenKind::kPunct && token.text == text;
}

bool IsCompoundWord(const Token& token) {
  return IsWord(token, "UNION") || IsWord(token, "INTERSECT") || IsWord(token, "EXCEPT");
}

// Rows read whole, so that a confined statement is over when the gateway
// returns and a later call (another company) cannot disturb it.
class BufferedCursor : public Cursor {
 public:
  bool Next() override { return ++row_ < static_cast<int64_t>(rows_.size()); }
  int ColumnCount() const override { return static_cast<int>(names_.size()); }
  const std::string& ColumnName(int column) const override { return names_.at(column); }
  pellor::Variant Value(int column) const override {
    if (row_ < 0 || row_ >= static_cast<int64_t>(rows_.size())) {
      throw pellor::EDatabaseError("no current row");
    }
    return rows_[row_].at(column);
  }

  std::vector<std::string> names_;
  std::vector<std::vector<pellor::Variant>> rows_;

 private:
  int64_t row_ = -1;
};

std::unique_ptr<Cursor> ReadAll(Cursor& cursor, const Catalogue& catalogue, int maxRows) {
  auto buffered = std::make_unique<BufferedCursor>();
  for (int i = 0; i < cursor.ColumnCount(); ++i) {
    buffered->names_.push_back(catalogue.CanonicalColumnName(cursor.ColumnName(i)));
  }
  while (cursor.Next()) {
    if (static_cast<int>(buffered->rows_.size()) >= maxRows) {
      throw pellor::EDatabaseError("the query delivers more than " + std::to_string(maxRows) +
                                   " rows; narrow its condition");
    }
    std::vector<pellor::Variant> row;
    row.reserve(buffered->names_.size());
    for (int i = 0; i < cursor.ColumnCount(); ++i) row.push_back(cursor.Value(i));
    buffered->rows_.push_back(std::move(row));
  }
  return buffered;
}

const char* SqliteActionName(int action) {
  switch (action) {
    case SQLITE_INSERT: return "writing (INSERT)";
    case SQLITE_UPDATE: return "writing (UPDATE)";
    case SQLITE_DELETE: return "writing (DELETE)";
    case SQLITE_PRAGMA: return "PRAGMA";
    case SQLITE_ATTACH: return "ATTACH";
    case SQLITE_DETACH: return "DETACH";
    case SQLITE_TRANSACTION: return "a transaction statement";
    case SQLITE_RECURSIVE: return "a recursive query";
    default: return "a statement that changes the database";
  }
}

}  // namespace

// What the SQLite authorizer and progress handler consult while a confined
// statement is prepared and run.
class SqlGateway::Guard {
 public:
  bool active = false;
  std::string denied;
  Clock::time_point deadline;
  bool timedOut = false;
  std::set<std::string> views;   // upper-case names of the confinement views
  std::set<std::string> shared;  // those of them that show every row

  static int Authorize(void* self, int action, const char* a1, const char* a2, const char* db,
                       const char* view) {
    auto* guard = static_cast<Guard*>(self);
    if (!guard->active) return SQLITE_OK;
    switch (action) {
      case SQLITE_SELECT:
        return SQLITE_OK;
      case SQLITE_READ: {
        std::string_view schema = db ? db : "";
        if (schema == "temp") return SQLITE_OK;
        if (schema == "main" && view && guard->views.count(pellor::UpperCase(view))) {
          return SQLITE_OK;
        }
        // count(*) over a shared view is answered from the table's own
        // row count, announced as a read of no column outside the view.
        // Company views always filter, so this never happens for them.
        if (schema == "main" && !view && a2 && !*a2 && a1 && guard->shared.count(pellor::UpperCase(a1))) {
          return SQLITE_OK;
        }
        return guard->Deny("reading table " + std::string(a1 ? a1 : "?") +
                           " outside the company's view");
      }
      case SQLITE_FUNCTION:
        if (a2 && (InSet(AllowedFunctions(), a2) || pellor::SameText(a2, "like"))) return SQLITE_OK;
        return guard->Deny("function " + std::string(a2 ? a2 : "?"));
      default:
        return guard->Deny(SqliteActionName(action));
    }
  }

  static int Progress(void* self) {
    auto* guard = static_cast<Guard*>(self);
    if (guard->active && Clock::now() > guard->deadline) {
      guard->timedOut = true;
      return 1;
    }
    return 0;
  }

 private:
  int Deny(std::string reason) {
    if (denied.empty()) denied = std::move(reason);
    return SQLITE_DENY;
  }
};

SqlGateway::SqlGateway(std::unique_ptr<Connection> confined, const Catalogue& catalogue,
                       GatewayOptions options)
    : connection_(std::move(confined)),
      catalogue_(catalogue),
      options_(options),
      guard_(std::make_unique<Guard>()) {
  if (connection_->GetBackend() == Backend::kSqlite) {
    SetUpSqlite();
  } else {
    SetUpPostgres();
  }
}

SqlGateway::~SqlGateway() {
  if (auto* sqlite = dynamic_cast<SqliteConnection*>(connection_.get())) {
    sqlite3_set_authorizer(sqlite->Handle(), nullptr, nullptr);
    sqlite3_progress_handler(sqlite->Handle(), 0, nullptr, nullptr);
  }
}

Backend SqlGateway::GetBackend() const { return connection_->GetBackend(); }

void SqlGateway::SetUpSqlite() {
  auto* sqlite = dynamic_cast<SqliteConnection*>(connection_.get());
  if (!sqlite) throw pellor::EDatabaseError("the SQL gateway needs its own SQLite connection");
  connection_->Execute("CREATE TEMP TABLE pellor_ctx (company TEXT NOT NULL)");
  connection_->Execute("INSERT INTO temp.pellor_ctx (company) VALUES ('')");
  for (const TableDef& table : catalogue_.Tables()) {
    if (table.scope == TableScope::kPrivate) continue;
    std::string sql = "CREATE TEMP VIEW " + table.name + " AS SELECT * FROM main." + table.name;
    if (table.scope == TableScope::kCompany) {
      sql += " WHERE COMPANY = (SELECT company FROM temp.pellor_ctx)";
    }
    connection_->Execute(sql);
    guard_->views.insert(pellor::UpperCase(table.name));
    if (table.scope == TableScope::kShared) guard_->shared.insert(pellor::UpperCase(table.name));
  }
  sqlite3_set_authorizer(sqlite->Handle(), &Guard::Authorize, guard_.get());
  sqlite3_progress_handler(sqlite->Handle(), 1000, &Guard::Progress, guard_.get());
}

void SqlGateway::SetUpPostgres() {
  Connection& c = *connection_;
  std::string role = kReaderRole;
  auto advice = [&](const std::string& what, const std::exception& error) {
    return pellor::EDatabaseError(what + ": " + error.what() + ". A database administrator can do it once: CREATE ROLE " +
                                  role + " NOLOGIN; GRANT " + role + " TO " +
                                  c.QueryValue("SELECT current_user").AsString() + ";");
  };
  if (c.QueryValue("SELECT count(*) FROM pg_roles WHERE rolname = ?", {role}).AsInteger() == 0) {
    try {
      c.Execute("CREATE ROLE " + role + " NOLOGIN");
    } catch (const pellor::EDatabaseError& error) {
      // Another server may have created it meanwhile.
      if (c.QueryValue("SELECT count(*) FROM pg_roles WHERE rolname = ?", {role}).AsInteger() == 0) {
        throw advice("cannot create the role " + role + " that client SQL runs as", error);
      }
    }
  }
  if (c.QueryValue("SELECT pg_has_role(current_user, ?, 'MEMBER')", {role}).AsInteger() == 0) {
    try {
      c.Execute("GRANT " + role + " TO CURRENT_USER");
    } catch (const pellor::EDatabaseError& error) {
      throw advice("cannot make the server's user a member of " + role, error);
    }
  }
  std::string schema = c.QueryValue("SELECT quote_ident(current_schema())").AsString();
  c.Execute("CREATE TEMP TABLE pellor_ctx (company VARCHAR(10) COLLATE \"C\" NOT NULL)");
  c.Execute("INSERT INTO pg_temp.pellor_ctx (company) VALUES ('')");
  for (const TableDef& table : catalogue_.Tables()) {
    if (table.scope == TableScope::kPrivate) continue;
    std::string sql = "CREATE TEMP VIEW " + table.name + " AS SELECT * FROM " + schema + "." + table.name;
    if (table.scope == TableScope::kCompany) {
      sql += " WHERE COMPANY = (SELECT company FROM pg_temp.pellor_ctx)";
    }
    c.Execute(sql);
    c.Execute("GRANT SELECT ON pg_temp." + table.name + " TO " + role);
  }
}

void SqlGateway::SetCompany(std::string_view company) {
  if (pellor::Trim(company).empty()) throw pellor::EDatabaseError("client SQL needs a company");
  if (company == company_) return;
  const char* sql = GetBackend() == Backend::kSqlite ? "UPDATE temp.pellor_ctx SET company = ?"
                                                     : "UPDATE pg_temp.pellor_ctx SET company = ?";
  connection_->Execute(sql, {std::string(company)});
  company_ = std::string(company);
}

std::string SqlGateway::Rewrite(std::string_view text, Mode mode, bool allowPlaceholders) const {
  std::vector<Token> tokens = LexSql(text);
  struct Piece {
    std::string out;
    std::string prefix;
  };
  std::vector<Piece> pieces(tokens.size() + 1);  // the last one marks the end of the text
  std::vector<size_t> sig;                       // indexes of the meaningful tokens
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    // A comment is read as a blank: a "--" left in a fragment would hide
    // the rest of the line of the statement it is put into.
    pieces[i].out = token.kind == TokenKind::kComment ? " " : std::string(token.text);
    if (!IsTrivia(token)) sig.push_back(i);
  }
  const bool postgres = GetBackend() == Backend::kPostgres;
  auto at = [&](size_t k) -> const Token& { return tokens[sig[k]]; };
  auto out = [&](size_t k) -> std::string& { return pieces[sig[k]].out; };
  const size_t n = sig.size();

  if (n == 0) {
    if (mode == Mode::kStatement) Refuse("an empty statement");
    return "";
  }
  if (mode == Mode::kStatement && !IsWord(at(0), "SELECT")) {
    Refuse("\"" + std::string(at(0).text) + "\": only SELECT statements are accepted here");
  }

  std::vector<int> depthAt(n);
  int depth = 0;
  // A $$NAME or [NAME] written against another name would reach the
  // backend as one name ("set_con$$fig" as set_config) that no check saw.
  auto GluedCheck = [&](size_t k) {
    size_t i = sig[k];
    auto wordByte = [](char c) {
      return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
             static_cast<unsigned char>(c) >= 0x80;
    };
    bool before = i > 0 && !IsTrivia(tokens[i - 1]) && wordByte(tokens[i - 1].text.back());
    bool after = i + 1 < tokens.size() && !IsTrivia(tokens[i + 1]) && wordByte(tokens[i + 1].text.front());
    if (before || after) Refuse("the name " + std::string(tokens[i].text) + " joined to another name");
  };
  // The checks of a bare name (a word, or what $$NAME and [NAME] become).
  auto CheckName = [&](size_t k, const std::string& name) {
    std::string word = pellor::UpperCase(name);
    if (k + 1 < n && IsPunct(at(k + 1), ".") && InSet(SchemaNames(), word)) {
      Refuse("the schema-qualified name " + name + ".");
    }
    if (word.starts_with("SQLITE_") || word.starts_with("PG_")) Refuse("the system object " + name);
    if (InSet(ForbiddenWords(), word)) Refuse(word + " is not allowed in client SQL");
    if (mode != Mode::kStatement && depth == 0 && InSet(ClauseWords(), word)) {
      Refuse(word + " outside parentheses in a condition or an order");
    }
    if (k + 1 < n && IsPunct(at(k + 1), "(")) {
      if (word == "ISNULL") {
        out(k) = "COALESCE";
      } else if (word == "LEN") {
        out(k) = "LENGTH";
      } else if (!InSet(AllowedFunctions(), word) && !InSet(KeywordsBeforeParen(), word)) {
        Refuse("the function " + name);
      }
    }
    if (postgres && word == "LIKE") {
      out(k) = "ILIKE";
      if (k + 1 < n && at(k + 1).kind == TokenKind::kString && !(k + 2 < n && IsWord(at(k + 2), "ESCAPE"))) {
        out(k + 1) += " ESCAPE ''";
      }
    }
  };
  for (size_t k = 0; k < n; ++k) {
    const Token& token = at(k);
    depthAt[k] = depth;
    switch (token.kind) {
      case TokenKind::kQuotedName:
        if (token.text[0] == '[' && IsPlainName(token.text.substr(1, token.text.size() - 2))) {
          out(k) = std::string(token.text.substr(1, token.text.size() - 2));
          GluedCheck(k);
          CheckName(k, out(k));
          break;
        }
        Refuse("the quoted name " + std::string(token.text));
      case TokenKind::kParameter:
        if (allowPlaceholders && token.text == "?") break;
        Refuse("the parameter " + std::string(token.text));
      case TokenKind::kDollarName:
        out(k) = std::string(token.text.substr(2));
        GluedCheck(k);
        CheckName(k, out(k));
        break;
      case TokenKind::kString:
        if (token.text[0] == 'N' || token.text[0] == 'n') out(k) = std::string(token.text.substr(1));
        break;
      case TokenKind::kPunct:
        if (token.text == "(") {
          ++depth;
        } else if (token.text == ")") {
          if (--depth < 0) Refuse("unbalanced parentheses");
        } else if (token.text == "::") {
          Refuse("the cast operator ::");
        } else if (token.text == ";") {
          if (mode != Mode::kStatement) Refuse("\";\" in a condition or an order");
          for (size_t m = k; m < n; ++m) {
            if (!IsPunct(at(m), ";")) Refuse("more than one statement");
            out(m).clear();
          }
          k = n;
        }
        break;
      case TokenKind::kWord: {
        // db..TABLE: the current database's table.
        if (k + 3 < n && IsPunct(at(k + 1), ".") && IsPunct(at(k + 2), ".") &&
            at(k + 3).kind == TokenKind::kWord) {
          out(k).clear();
          out(k + 1).clear();
          out(k + 2).clear();
          depthAt[k + 1] = depthAt[k + 2] = depth;
          k += 2;
          break;
        }
        CheckName(k, std::string(token.text));
        break;
      }
      default:
        break;
    }
  }
  if (depth != 0) Refuse("unbalanced parentheses");

  // SELECT [DISTINCT|ALL] TOP n → LIMIT n at the end of that SELECT.
  int topCount = 0;
  for (size_t k = 0; k < n; ++k) {
    if (!IsWord(at(k), "SELECT")) continue;
    size_t j = k + 1;
    if (j < n && (IsWord(at(j), "DISTINCT") || IsWord(at(j), "ALL"))) ++j;
    if (j >= n || !IsWord(at(j), "TOP")) continue;
    size_t topIndex = j++;
    bool parenthesised = j < n && IsPunct(at(j), "(");
    if (parenthesised) ++j;
    if (j >= n || at(j).kind != TokenKind::kNumber || !pellor::TryStrToInt64(at(j).text)) {
      Refuse("TOP without a whole number");
    }
    std::string count = std::string(at(j).text);
    size_t last = j;
    if (parenthesised) {
      if (j + 1 >= n || !IsPunct(at(j + 1), ")")) Refuse("TOP ( without )");
      last = j + 1;
    }
    if (last + 1 < n && IsWord(at(last + 1), "PERCENT")) Refuse("TOP n PERCENT");
    for (size_t m = topIndex; m <= last; ++m) out(m).clear();

    const int d = depthAt[k];
    size_t end = n;
    bool compound = k > 0 && (IsCompoundWord(at(k - 1)) ||
                              (k > 1 && (IsWord(at(k - 1), "ALL") || IsWord(at(k - 1), "DISTINCT")) &&
                               IsCompoundWord(at(k - 2))));
    for (size_t m = last + 1; m < n; ++m) {
      if (depthAt[m] != d) continue;
      if (IsPunct(at(m), ")") || IsPunct(at(m), ";")) {
        end = m;
        break;
      }
      if (IsCompoundWord(at(m))) {
        end = m;
        compound = true;
        break;
      }
      if (IsWord(at(m), "LIMIT")) Refuse("TOP together with LIMIT");
    }
    Piece& endPiece = end < n ? pieces[sig[end]] : pieces.back();
    if (compound) {
      // A member of a UNION cannot carry its own LIMIT in SQLite; as a
      // sub-select it can, in both backends.
      pieces[sig[k]].prefix += "SELECT * FROM (";
      endPiece.prefix = " LIMIT " + count + ") AS pellor_top" + std::to_string(++topCount) + " " +
                        endPiece.prefix;
    } else {
      endPiece.prefix = " LIMIT " + count + " " + endPiece.prefix;
    }
  }

  std::string result;
  for (const Piece& piece : pieces) result += piece.prefix + piece.out;
  return result;
}

std::string SqlGateway::RewriteStatement(std::string_view clientSql, bool allowPlaceholders) const {
  return pellor::Trim(Rewrite(clientSql, Mode::kStatement, allowPlaceholders));
}

std::string SqlGateway::RewriteCondition(std::string_view clientCondition) const {
  return pellor::Trim(Rewrite(clientCondition, Mode::kCondition, false));
}

std::vector<OrderItem> SqlGateway::RewriteOrder(std::string_view clientOrder) const {
  std::string text = Rewrite(clientOrder, Mode::kOrder, false);
  std::vector<OrderItem> items;
  std::vector<Token> tokens = LexSql(text);
  size_t begin = 0;
  int depth = 0;
  auto flush = [&](size_t endOffset) {
    std::string_view piece = std::string_view(text).substr(begin, endOffset - begin);
    std::vector<Token> own;
    for (const Token& token : LexSql(piece)) {
      if (!IsTrivia(token)) own.push_back(token);
    }
    if (own.empty()) Refuse("an empty item in the order \"" + std::string(clientOrder) + "\"");
    OrderItem item;
    size_t exprEnd = piece.size();
    if (IsWord(own.back(), "ASC") || IsWord(own.back(), "DESC")) {
      item.descending = IsWord(own.back(), "DESC");
      exprEnd = own.back().offset;
      own.pop_back();
    }
    if (own.empty()) Refuse("a sort direction without an expression");
    for (const Token& token : own) {
      if (IsWord(token, "NULLS")) Refuse("NULLS FIRST/LAST in an order");
    }
    if (own.size() == 1 && own[0].kind == TokenKind::kNumber) {
      Refuse("sorting by column position " + std::string(own[0].text));
    }
    item.expression = pellor::Trim(piece.substr(0, exprEnd));
    items.push_back(std::move(item));
  };
  bool any = false;
  for (const Token& token : tokens) {
    if (!IsTrivia(token)) any = true;
    if (IsPunct(token, "(")) ++depth;
    if (IsPunct(token, ")")) --depth;
    if (depth == 0 && IsPunct(token, ",")) {
      flush(token.offset);
      begin = token.offset + 1;
    }
  }
  if (any) flush(text.size());
  return items;
}

std::unique_ptr<Cursor> SqlGateway::Query(std::string_view clientSql, std::string_view company,
                                          const std::vector<pellor::Variant>& params) {
  return QueryComposed(RewriteStatement(clientSql, !params.empty()), params, company);
}

std::unique_ptr<Cursor> SqlGateway::QueryComposed(std::string_view sql,
                                                  const std::vector<pellor::Variant>& params,
                                                  std::string_view company) {
  SetCompany(company);
  Connection& c = *connection_;
  if (GetBackend() == Backend::kSqlite) {
    Guard& guard = *guard_;
    guard.denied.clear();
    guard.timedOut = false;
    guard.deadline = Clock::now() + std::chrono::milliseconds(options_.timeoutMs);
    guard.active = true;
    struct Off {
      Guard& g;
      ~Off() { g.active = false; }
    } off{guard};
    try {
      std::unique_ptr<Statement> statement = c.Prepare(sql);
      statement->BindAll(params);
      std::unique_ptr<Cursor> cursor = statement->Query();
      return ReadAll(*cursor, catalogue_, options_.maxRows);
    } catch (const ESqlRefused&) {
      throw;
    } catch (const pellor::EDatabaseError& error) {
      if (!guard.denied.empty()) Refuse(guard.denied);
      if (guard.timedOut) {
        throw pellor::EDatabaseError("client SQL stopped after " + std::to_string(options_.timeoutMs) +
                                     " ms");
      }
      throw;
    }
  }
  c.Execute("BEGIN READ ONLY");
  try {
    c.Execute(std::string("SET LOCAL ROLE ") + kReaderRole);
    c.Execute("SET LOCAL statement_timeout = " + std::to_string(options_.timeoutMs));
    std::unique_ptr<Statement> statement = c.Prepare(sql);
    statement->BindAll(params);
    std::unique_ptr<Cursor> cursor = statement->Query();
    std::unique_ptr<Cursor> rows = ReadAll(*cursor, catalogue_, options_.maxRows);
    c.Execute("COMMIT");
    return rows;
  } catch (...) {
    try {
      c.Execute("ROLLBACK");
    } catch (...) {
      // The connection is gone; the error that matters is the first.
    }
    throw;
  }
}

int64_t SqlGateway::ExecuteWrite(Connection& writer, std::string_view clientSql,
                                 std::string_view company) {
  std::vector<Token> all = LexSql(clientSql);
  std::vector<Token> tokens;
  for (const Token& token : all) {
    if (!IsTrivia(token)) tokens.push_back(token);
  }
  while (!tokens.empty() && IsPunct(tokens.back(), ";")) tokens.pop_back();
  if (tokens.empty()) Refuse("an empty statement");
  size_t pos = 0;
  auto take = [&](std::string_view word) {
    if (pos < tokens.size() && IsWord(tokens[pos], word)) {
      ++pos;
      return true;
    }
    return false;
  };
  // The table: NAME, $$NAME, db..NAME or [NAME].
  auto tableName = [&]() -> std::string {
    if (pos >= tokens.size()) Refuse("a write without a table");
    const Token& token = tokens[pos];
    if (token.kind == TokenKind::kDollarName) {
      ++pos;
      return std::string(token.text.substr(2));
    }
    if (token.kind == TokenKind::kQuotedName && token.text[0] == '[') {
      ++pos;
      return std::string(token.text.substr(1, token.text.size() - 2));
    }
    if (token.kind != TokenKind::kWord) Refuse("\"" + std::string(token.text) + "\" as a table");
    if (pos + 3 < tokens.size() && IsPunct(tokens[pos + 1], ".") && IsPunct(tokens[pos + 2], ".")) {
      pos += 3;
    }
    if (tokens[pos].kind != TokenKind::kWord) Refuse("a write without a table");
    return std::string(tokens[pos++].text);
  };

  bool isDelete = false;
  std::string name;
  std::vector<std::string> setColumns;
  std::vector<pellor::Variant> setValues;
  if (take("DELETE")) {
    if (!take("FROM")) Refuse("DELETE without FROM");
    isDelete = true;
    name = tableName();
  } else if (take("UPDATE")) {
    name = tableName();
    if (!take("SET")) Refuse("UPDATE without SET");
    do {
      if (pos >= tokens.size() || tokens[pos].kind != TokenKind::kWord) Refuse("SET without a column");
      setColumns.emplace_back(tokens[pos++].text);
      if (pos >= tokens.size() || !IsPunct(tokens[pos], "=")) Refuse("SET column without =");
      ++pos;
      bool negative = pos < tokens.size() && IsPunct(tokens[pos], "-");
      if (negative) ++pos;
      if (pos >= tokens.size()) Refuse("SET column = without a value");
      const Token& value = tokens[pos++];
      if (value.kind == TokenKind::kString && !negative) {
        setValues.emplace_back(StringTokenValue(value));
      } else if (value.kind == TokenKind::kNumber) {
        std::string number = (negative ? "-" : "") + std::string(value.text);
        if (auto integer = pellor::TryStrToInt64(number)) {
          setValues.emplace_back(*integer);
        } else {
          setValues.emplace_back(pellor::StrToFloat(number));
        }
      } else if (IsWord(value, "NULL") && !negative) {
        setValues.push_back(pellor::Variant::Null());
      } else {
        Refuse("SET " + setColumns.back() + " to \"" + std::string(value.text) +
               "\": only literal values are accepted");
      }
    } while (pos < tokens.size() && IsPunct(tokens[pos], ",") && ++pos);
  } else {
    Refuse("\"" + std::string(tokens[0].text) + "\": only DELETE and UPDATE are accepted as writes");
  }

  const TableDef* table = catalogue_.FindTable(name);
  if (!table) Refuse("the unknown table " + name);
  if (table->scope != TableScope::kCompany) Refuse("table " + table->name + " cannot be written by client SQL");
  for (const std::string& column : setColumns) {
    if (!table->FindColumn(column)) Refuse("the unknown column " + column + " of " + table->name);
    if (pellor::SameText(column, "COMPANY")) Refuse("moving rows to another company");
  }
  std::string condition;
  if (pos < tokens.size()) {
    if (!take("WHERE")) Refuse("\"" + std::string(tokens[pos].text) + "\" after the table");
    size_t begin = tokens[pos - 1].offset + tokens[pos - 1].text.size();
    size_t end = tokens.back().offset + tokens.back().text.size();
    condition = RewriteCondition(clientSql.substr(begin, end - begin));
    if (condition.empty()) Refuse("WHERE without a condition");
  }

  std::string keyList;
  std::string keyMatch;
  for (const std::string& key : table->primaryKey) {
    keyList += (keyList.empty() ? "" : ", ") + key;
    keyMatch += (keyMatch.empty() ? "" : " AND ") + key + " = ?";
  }
  std::string change;
  if (isDelete) {
    change = "DELETE FROM " + table->name + " WHERE " + keyMatch;
  } else {
    std::string assignments;
    for (const std::string& column : setColumns) {
      assignments += (assignments.empty() ? "" : ", ") + table->FindColumn(column)->name + " = ?";
    }
    change = "UPDATE " + table->name + " SET " + assignments + " WHERE " + keyMatch;
  }

  // Taking the write lock first means no other writer commits between the
  // choice of the rows and their change.
  std::unique_ptr<WriteTransaction> own;
  if (!writer.InTransaction()) own = std::make_unique<WriteTransaction>(writer);
  std::unique_ptr<Cursor> keys = QueryComposed(
      "SELECT " + keyList + " FROM " + table->name + (condition.empty() ? "" : " WHERE (" + condition + ")"),
      {}, company);
  std::unique_ptr<Statement> statement = writer.Prepare(change);
  int64_t changed = 0;
  while (keys->Next()) {
    int index = 1;
    for (const pellor::Variant& value : setValues) statement->Bind(index++, value);
    for (int i = 0; i < keys->ColumnCount(); ++i) statement->Bind(index++, keys->Value(i));
    changed += statement->Execute();
  }
  if (own) own->Commit();
  return changed;
}

}  // namespace suite::db
