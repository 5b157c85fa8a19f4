#include "suite/db/sqlite_database.h"

#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "suite/db/sql_lexer.h"

namespace suite::db {

namespace {

// How long a connection waits for another writer before giving up.
constexpr int kBusyTimeoutMs = 5000;

// The prepared statement is shared by the statement object and its cursor,
// so that a cursor outlives the statement that made it.
using StmtPtr = std::shared_ptr<sqlite3_stmt>;

class SqliteCursor : public Cursor {
 public:
  SqliteCursor(const SqliteConnection& connection, StmtPtr stmt)
      : connection_(connection), stmt_(std::move(stmt)) {
    int count = sqlite3_column_count(stmt_.get());
    for (int i = 0; i < count; ++i) {
      const char* name = sqlite3_column_name(stmt_.get(), i);
      names_.emplace_back(name ? name : "");
    }
  }
  ~SqliteCursor() override { sqlite3_reset(stmt_.get()); }

  bool Next() override {
    if (done_) return false;
    int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW) return true;
    done_ = true;
    if (rc == SQLITE_DONE) return false;
    connection_.Fail("query");
  }
  int ColumnCount() const override { return static_cast<int>(names_.size()); }
  const std::string& ColumnName(int column) const override { return names_.at(column); }
  pellor::Variant Value(int column) const override {
    sqlite3_stmt* stmt = stmt_.get();
    switch (sqlite3_column_type(stmt, column)) {
      case SQLITE_INTEGER:
        return pellor::Variant(static_cast<int64_t>(sqlite3_column_int64(stmt, column)));
      case SQLITE_FLOAT:
        return pellor::Variant(sqlite3_column_double(stmt, column));
      case SQLITE_NULL:
        return pellor::Variant::Null();
      default: {
        const unsigned char* text = sqlite3_column_text(stmt, column);
        int size = sqlite3_column_bytes(stmt, column);
        return pellor::Variant(std::string(reinterpret_cast<const char*>(text), size));
      }
    }
  }

 private:
  const SqliteConnection& connection_;
  StmtPtr stmt_;
  std::vector<std::string> names_;
  bool done_ = false;
};

class SqliteStatement : public Statement {
 public:
  SqliteStatement(const SqliteConnection& connection, StmtPtr stmt)
      : connection_(connection), stmt_(std::move(stmt)) {}

  void Bind(int index, const pellor::Variant& value) override {
    sqlite3_stmt* stmt = stmt_.get();
    sqlite3_reset(stmt);
    if (index < 1 || index > sqlite3_bind_parameter_count(stmt)) {
      throw pellor::EDatabaseError("parameter " + std::to_string(index) + " does not exist (" +
                                   std::to_string(sqlite3_bind_parameter_count(stmt)) +
                                   " in the statement)");
    }
    int rc = SQLITE_OK;
    switch (value.Type()) {
      case pellor::VarType::kEmpty:
      case pellor::VarType::kNull:
        rc = sqlite3_bind_null(stmt, index);
        break;
      case pellor::VarType::kInteger:
        rc = sqlite3_bind_int64(stmt, index, value.AsInt64());
        break;
      case pellor::VarType::kFloat:
      case pellor::VarType::kDate:
        rc = sqlite3_bind_double(stmt, index, value.AsFloat());
        break;
      case pellor::VarType::kBoolean:
        rc = sqlite3_bind_int(stmt, index, value.AsBoolean() ? 1 : 0);
        break;
      case pellor::VarType::kString: {
        const std::string& text = value.RawString();
        rc = sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
        break;
      }
      case pellor::VarType::kWideString: {
        std::string text = pellor::WideToUtf8(value.RawWideString());
        rc = sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
        break;
      }
      default:
        throw pellor::EDatabaseError(std::string("cannot bind a value of type ") +
                                     pellor::VarTypeName(value.Type()) + " to parameter " +
                                     std::to_string(index));
    }
    if (rc != SQLITE_OK) connection_.Fail("bind");
  }

  std::unique_ptr<Cursor> Query() override {
    sqlite3_reset(stmt_.get());
    return std::make_unique<SqliteCursor>(connection_, stmt_);
  }

  int64_t Execute() override {
    sqlite3_stmt* stmt = stmt_.get();
    sqlite3_reset(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) connection_.Fail("execute");
    return sqlite3_changes64(connection_.Handle());
  }

 private:
  const SqliteConnection& connection_;
  StmtPtr stmt_;
};

}  // namespace

SqliteConnection::SqliteConnection(const std::string& path, bool readOnly) : path_(path) {
  int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE |
              (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw pellor::EDatabaseError("cannot open the database file " + path + ": " + message);
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  // Refuses the few statements that could corrupt the file even when they
  // are "allowed" (writable_schema and the like).
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  if (!readOnly) {
    pellor::Variant mode = QueryValue("PRAGMA journal_mode=WAL");
    if (mode.IsText() && mode.AsString() != "wal") {
      throw pellor::EDatabaseError("the database file " + path +
                                   " cannot be switched to WAL journal mode (it reports " +
                                   mode.AsString() + ")");
    }
  }
}

SqliteConnection::~SqliteConnection() { sqlite3_close_v2(db_); }

void SqliteConnection::Fail(const std::string& context) const {
  throw pellor::EDatabaseError(sqlite3_errmsg(db_));
}

std::unique_ptr<Statement> SqliteConnection::Prepare(std::string_view sql) {
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), 0, &raw, &tail);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(raw);
    Fail("prepare");
  }
  StmtPtr stmt(raw, sqlite3_finalize);
  if (!raw) throw pellor::EDatabaseError("the SQL text holds no statement");
  // SQLite compiles only the first statement of a text and hands back the
  // rest; anything there but blanks, comments and semicolons is a second
  // statement, which is refused rather than ignored.
  std::string_view rest = sql.substr(static_cast<size_t>(tail - sql.data()));
  for (const Token& token : LexSql(rest)) {
    if (!IsTrivia(token) && !(token.kind == TokenKind::kPunct && token.text == ";")) {
      throw ESqlRefused("SQL refused: more than one statement");
    }
  }
  return std::make_unique<SqliteStatement>(*this, std::move(stmt));
}

void SqliteConnection::BeginWrite() { Execute("BEGIN IMMEDIATE"); }
void SqliteConnection::Commit() { Execute("COMMIT"); }
void SqliteConnection::Rollback() { Execute("ROLLBACK"); }
bool SqliteConnection::InTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

std::unique_ptr<Connection> OpenSqlite(const std::string& path, bool readOnly) {
  return std::make_unique<SqliteConnection>(path, readOnly);
}

}  // namespace suite::db
