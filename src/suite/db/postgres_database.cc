#include "suite/db/postgres_database.h"

#include <cstdio>
#include <cstdlib>

#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/db/sql_lexer.h"

namespace suite::db {

namespace {

// Type OIDs of the built-in types whose values are not read as text.
constexpr Oid kBoolOid = 16;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kOidOid = 26;
constexpr Oid kFloat4Oid = 700;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kNumericOid = 1700;

using ResultPtr = std::unique_ptr<PGresult, void (*)(PGresult*)>;

std::string ResultError(const PGresult* result, PGconn* conn) {
  std::string message = result ? PQresultErrorMessage(result) : PQerrorMessage(conn);
  if (message.empty()) message = PQerrorMessage(conn);
  return pellor::Trim(message);
}

class PostgresCursor : public Cursor {
 public:
  explicit PostgresCursor(ResultPtr result) : result_(std::move(result)) {
    PGresult* r = result_.get();
    rows_ = PQntuples(r);
    for (int i = 0; i < PQnfields(r); ++i) {
      names_.emplace_back(PQfname(r, i));
      types_.push_back(PQftype(r, i));
    }
  }

  bool Next() override { return ++row_ < rows_; }
  int ColumnCount() const override { return static_cast<int>(names_.size()); }
  const std::string& ColumnName(int column) const override { return names_.at(column); }
  pellor::Variant Value(int column) const override {
    PGresult* r = result_.get();
    if (row_ < 0 || row_ >= rows_) throw pellor::EDatabaseError("no current row");
    if (PQgetisnull(r, row_, column)) return pellor::Variant::Null();
    const char* text = PQgetvalue(r, row_, column);
    switch (types_.at(column)) {
      case kBoolOid:
        // SQLite has no booleans and answers 1 or 0; so does this side.
        return pellor::Variant(static_cast<int64_t>(text[0] == 't' ? 1 : 0));
      case kInt2Oid:
      case kInt4Oid:
      case kInt8Oid:
      case kOidOid:
        return pellor::Variant(static_cast<int64_t>(std::strtoll(text, nullptr, 10)));
      case kFloat4Oid:
      case kFloat8Oid:
        return pellor::Variant(std::strtod(text, nullptr));
      case kNumericOid: {
        // Sums of integers come back as numeric; keep them integers as
        // SQLite does.
        if (auto integer = pellor::TryStrToInt64(text)) return pellor::Variant(*integer);
        return pellor::Variant(std::strtod(text, nullptr));
      }
      default:
        return pellor::Variant(std::string(text, PQgetlength(r, row_, column)));
    }
  }

 private:
  ResultPtr result_;
  int rows_ = 0;
  int row_ = -1;
  std::vector<std::string> names_;
  std::vector<Oid> types_;
};

class PostgresStatement : public Statement {
 public:
  PostgresStatement(PostgresConnection& connection, std::string sql, int paramCount)
      : connection_(connection), sql_(std::move(sql)), values_(paramCount), isNull_(paramCount, 1) {}

  void Bind(int index, const pellor::Variant& value) override {
    if (index < 1 || index > static_cast<int>(values_.size())) {
      throw pellor::EDatabaseError("parameter " + std::to_string(index) + " does not exist (" +
                                   std::to_string(values_.size()) + " in the statement)");
    }
    size_t i = index - 1;
    isNull_[i] = 0;
    switch (value.Type()) {
      case pellor::VarType::kEmpty:
      case pellor::VarType::kNull:
        isNull_[i] = 1;
        values_[i].clear();
        break;
      case pellor::VarType::kInteger:
        values_[i] = std::to_string(value.AsInt64());
        break;
      case pellor::VarType::kFloat:
      case pellor::VarType::kDate: {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.17g", value.AsFloat());
        values_[i] = buffer;
        break;
      }
      case pellor::VarType::kBoolean:
        values_[i] = value.AsBoolean() ? "1" : "0";
        break;
      case pellor::VarType::kString:
        values_[i] = value.RawString();
        break;
      case pellor::VarType::kWideString:
        values_[i] = pellor::WideToUtf8(value.RawWideString());
        break;
      default:
        throw pellor::EDatabaseError(std::string("cannot bind a value of type ") +
                                     pellor::VarTypeName(value.Type()) + " to parameter " +
                                     std::to_string(index));
    }
    // libpq takes texts up to their first NUL; a value that holds one
    // would arrive cut short.
    if (!isNull_[i] && values_[i].find('\0') != std::string::npos) {
      throw pellor::EDatabaseError("parameter " + std::to_string(index) + " holds a NUL byte");
    }
  }

  std::unique_ptr<Cursor> Query() override {
    ResultPtr result = Run();
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK &&
        PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
      throw pellor::EDatabaseError(ResultError(result.get(), connection_.Handle()));
    }
    return std::make_unique<PostgresCursor>(std::move(result));
  }

  int64_t Execute() override {
    ResultPtr result = Run();
    ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      throw pellor::EDatabaseError(ResultError(result.get(), connection_.Handle()));
    }
    return pellor::TryStrToInt64(PQcmdTuples(result.get())).value_or(0);
  }

 private:
  ResultPtr Run() {
    std::vector<const char*> pointers(values_.size());
    for (size_t i = 0; i < values_.size(); ++i) pointers[i] = isNull_[i] ? nullptr : values_[i].c_str();
    PGresult* result = PQexecParams(connection_.Handle(), sql_.c_str(),
                                    static_cast<int>(values_.size()), nullptr, pointers.data(),
                                    nullptr, nullptr, 0);
    if (!result) throw pellor::EDatabaseError(ResultError(nullptr, connection_.Handle()));
    return ResultPtr(result, PQclear);
  }

  PostgresConnection& connection_;
  std::string sql_;
  std::vector<std::string> values_;
  std::vector<char> isNull_;
};

void IgnoreNotice(void*, const char*) {}

}  // namespace

std::string TranslatePlaceholders(std::string_view sql, int* count) {
  std::string out;
  int n = 0;
  for (const Token& token : LexSql(sql)) {
    if (token.kind == TokenKind::kParameter) {
      if (token.text != "?") {
        throw ESqlRefused("SQL refused: placeholder " + std::string(token.text) +
                          " (only ? is used)");
      }
      out += "$" + std::to_string(++n);
    } else {
      out += token.text;
    }
  }
  if (count) *count = n;
  return out;
}

PostgresConnection::PostgresConnection(const PostgresParams& params) {
  std::string port = std::to_string(params.port);
  std::string timeout = std::to_string(params.connectTimeoutSeconds);
  const char* keys[] = {"host",           "port",           "dbname",
                        "user",           "password",       "connect_timeout",
                        "client_encoding", "application_name", "options",
                        nullptr};
  const char* values[] = {params.host.c_str(),
                          port.c_str(),
                          params.database.c_str(),
                          params.user.c_str(),
                          params.password.c_str(),
                          timeout.c_str(),
                          "UTF8",
                          "pellor-appserver",
                          // Backslashes in strings are ordinary characters, as
                          // in SQLite; the gateway's lexer relies on it.
                          "-c standard_conforming_strings=on -c DateStyle=ISO",
                          nullptr};
  conn_ = PQconnectdbParams(keys, values, 0);
  if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
    std::string message = conn_ ? pellor::Trim(PQerrorMessage(conn_)) : "out of memory";
    PQfinish(conn_);
    conn_ = nullptr;
    throw pellor::EDatabaseError("cannot connect to PostgreSQL database \"" + params.database +
                                 "\": " + message);
  }
  PQsetNoticeProcessor(conn_, IgnoreNotice, nullptr);
}

PostgresConnection::~PostgresConnection() { PQfinish(conn_); }

std::unique_ptr<Statement> PostgresConnection::Prepare(std::string_view sql) {
  int count = 0;
  std::string translated = TranslatePlaceholders(sql, &count);
  return std::make_unique<PostgresStatement>(*this, std::move(translated), count);
}

void PostgresConnection::BeginWrite() { Execute("BEGIN"); }
void PostgresConnection::Commit() {
  // After a failed statement PostgreSQL answers COMMIT by rolling back and
  // reporting success; that must not pass for a commit.
  if (PQtransactionStatus(conn_) == PQTRANS_INERROR) {
    Execute("ROLLBACK");
    throw pellor::EDatabaseError("the transaction was rolled back: a statement in it failed");
  }
  Execute("COMMIT");
}
void PostgresConnection::Rollback() { Execute("ROLLBACK"); }

bool PostgresConnection::InTransaction() const {
  return PQtransactionStatus(conn_) != PQTRANS_IDLE;
}

std::string PostgresConnection::SessionUser() { return QueryValue("SELECT session_user").AsString(); }

std::unique_ptr<Connection> OpenPostgres(const PostgresParams& params) {
  return std::make_unique<PostgresConnection>(params);
}

}  // namespace suite::db
