#include "suite/db/schema.h"

#include <algorithm>

#include "platform/rtl/datetime.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/db/embedded_data.h"
#include "suite/db/sql_lexer.h"

namespace suite::db {

namespace {

constexpr std::string_view kDirective = "pellor:";
constexpr const char* kVersionTable = "PELLOR_SCHEMA";

// The directive of a comment token ("shared", "schema version 1"), or empty.
std::string DirectiveOf(const Token& token) {
  if (token.kind != TokenKind::kComment || !token.text.starts_with("--")) return "";
  std::string body = pellor::Trim(token.text.substr(2));
  if (!pellor::StartsText(kDirective, body)) return "";
  return pellor::LowerCase(pellor::Trim(std::string_view(body).substr(kDirective.size())));
}

// Walks the meaningful tokens of one statement.
class Parser {
 public:
  explicit Parser(std::string_view statement) : statement_(statement) {
    for (const Token& token : LexSql(statement)) {
      if (IsTrivia(token)) {
        if (std::string directive = DirectiveOf(token); !directive.empty()) {
          directives_.push_back(directive);
        }
      } else {
        tokens_.push_back(token);
      }
    }
  }

  const std::vector<std::string>& Directives() const { return directives_; }
  bool AtEnd() const { return pos_ >= tokens_.size(); }
  const Token* Peek() const { return AtEnd() ? nullptr : &tokens_[pos_]; }

  bool TakeWord(std::string_view word) {
    if (!AtEnd() && IsWord(tokens_[pos_], word)) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool TakePunct(std::string_view punct) {
    if (!AtEnd() && tokens_[pos_].kind == TokenKind::kPunct && tokens_[pos_].text == punct) {
      ++pos_;
      return true;
    }
    return false;
  }
  void ExpectWord(std::string_view word) {
    if (!TakeWord(word)) Fail("expected " + std::string(word));
  }
  void ExpectPunct(std::string_view punct) {
    if (!TakePunct(punct)) Fail("expected \"" + std::string(punct) + "\"");
  }
  std::string Name() {
    if (AtEnd() || tokens_[pos_].kind != TokenKind::kWord) Fail("expected a name");
    return std::string(tokens_[pos_++].text);
  }
  int Integer() {
    if (AtEnd() || tokens_[pos_].kind != TokenKind::kNumber) Fail("expected a number");
    auto value = pellor::TryStrToInt(tokens_[pos_].text);
    if (!value) Fail("expected a whole number");
    ++pos_;
    return *value;
  }
  // A DEFAULT literal: a string, a number or a negative number.
  std::string Literal() {
    std::string sign;
    if (TakePunct("-")) sign = "-";
    if (AtEnd() || (tokens_[pos_].kind != TokenKind::kString &&
                    tokens_[pos_].kind != TokenKind::kNumber)) {
      Fail("expected a literal after DEFAULT");
    }
    if (!sign.empty() && tokens_[pos_].kind != TokenKind::kNumber) Fail("expected a number");
    return sign + std::string(tokens_[pos_++].text);
  }
  std::vector<std::string> NameList() {
    ExpectPunct("(");
    std::vector<std::string> names;
    do {
      names.push_back(Name());
    } while (TakePunct(","));
    ExpectPunct(")");
    return names;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    std::string near = AtEnd() ? "the end" : "\"" + std::string(tokens_[pos_].text) + "\"";
    size_t start = tokens_.empty() ? 0 : tokens_[0].offset;
    std::string head = pellor::Trim(statement_.substr(start, 60));
    throw pellor::EDatabaseError("schema description: " + what + " at " + near + " in \"" + head +
                                 "...\"");
  }

 private:
  std::string_view statement_;
  std::vector<Token> tokens_;
  std::vector<std::string> directives_;
  size_t pos_ = 0;
};

ColumnDef ParseColumn(Parser& parser, std::string name) {
  ColumnDef column;
  column.name = std::move(name);
  if (parser.TakeWord("VARCHAR")) {
    column.type = ColumnType::kVarchar;
    parser.ExpectPunct("(");
    column.size = parser.Integer();
    parser.ExpectPunct(")");
  } else if (parser.TakeWord("TEXT")) {
    column.type = ColumnType::kText;
  } else if (parser.TakeWord("INTEGER")) {
    column.type = ColumnType::kInteger;
  } else if (parser.TakeWord("DOUBLE")) {
    parser.ExpectWord("PRECISION");
    column.type = ColumnType::kDouble;
  } else {
    parser.Fail("unknown type of column " + column.name);
  }
  while (true) {
    if (parser.TakeWord("NOT")) {
      parser.ExpectWord("NULL");
      column.notNull = true;
    } else if (parser.TakeWord("DEFAULT")) {
      column.defaultSql = parser.Literal();
    } else {
      break;
    }
  }
  return column;
}

TableDef ParseTable(Parser& parser) {
  TableDef table;
  table.name = parser.Name();
  for (const std::string& directive : parser.Directives()) {
    if (directive == "shared") table.scope = TableScope::kShared;
    if (directive == "private") table.scope = TableScope::kPrivate;
  }
  parser.ExpectPunct("(");
  do {
    if (parser.TakeWord("PRIMARY")) {
      parser.ExpectWord("KEY");
      if (!table.primaryKey.empty()) parser.Fail("second primary key");
      table.primaryKey = parser.NameList();
    } else {
      std::string name = parser.Name();
      if (table.FindColumn(name)) parser.Fail("column " + name + " declared twice");
      table.columns.push_back(ParseColumn(parser, std::move(name)));
    }
  } while (parser.TakePunct(","));
  parser.ExpectPunct(")");
  if (!parser.AtEnd()) parser.Fail("unexpected text after the table");

  auto fail = [&](const std::string& what) {
    throw pellor::EDatabaseError("schema description: table " + table.name + " " + what);
  };
  if (table.primaryKey.empty()) fail("has no primary key");
  for (const std::string& key : table.primaryKey) {
    if (!table.FindColumn(key)) fail("has the unknown key column " + key);
  }
  for (const std::string& stamp : StampColumns()) {
    if (!table.FindColumn(stamp)) fail("lacks the stamp column " + stamp);
  }
  if (table.scope == TableScope::kCompany && !pellor::SameText(table.primaryKey[0], "COMPANY")) {
    fail("is a company table but its primary key does not begin with COMPANY");
  }
  return table;
}

std::string ColumnSql(const ColumnDef& column, Backend backend) {
  // PostgreSQL sorts and compares texts by the database's collation unless
  // told otherwise; "C" is byte order, which is what SQLite does.
  const char* collate = backend == Backend::kPostgres ? " COLLATE \"C\"" : "";
  std::string sql = column.name + " ";
  switch (column.type) {
    case ColumnType::kVarchar:
      sql += "VARCHAR(" + std::to_string(column.size) + ")" + collate;
      break;
    case ColumnType::kText:
      sql += std::string("TEXT") + collate;
      break;
    case ColumnType::kInteger:
      sql += "INTEGER";
      break;
    case ColumnType::kDouble:
      sql += "DOUBLE PRECISION";
      break;
  }
  if (column.notNull) sql += " NOT NULL";
  if (!column.defaultSql.empty()) sql += " DEFAULT " + column.defaultSql;
  return sql;
}

std::string Join(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

bool TableExists(Connection& connection, const char* table) {
  if (connection.GetBackend() == Backend::kSqlite) {
    return connection
               .QueryValue("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ? "
                           "COLLATE NOCASE",
                           {table})
               .AsInteger() > 0;
  }
  return connection
             .QueryValue("SELECT count(*) FROM information_schema.tables "
                         "WHERE table_schema = current_schema() AND table_name = lower(?)",
                         {table})
             .AsInteger() > 0;
}

// Notes that the database now holds `catalogue`'s version, and since when
// (SV002 the 17-digit time, CREATE_DATE its day).
void RecordVersion(Connection& writer, const Catalogue& catalogue) {
  const std::string now = pellor::DateTimeToStr17(pellor::Now());
  writer.Execute(std::string("INSERT INTO ") + kVersionTable +
                     " (SV001, SV002, CREATOR, CREATE_DATE, FLAG) VALUES (?, ?, 'SYSTEM', ?, 1)",
                 {catalogue.Version(), now, now.substr(0, 8)});
}

}  // namespace

const std::vector<std::string>& StampColumns() {
  static const std::vector<std::string> kStamps = {"COMPANY",  "CREATOR",   "USR_GROUP", "CREATE_DATE",
                                                   "MODIFIER", "MODI_DATE", "FLAG"};
  return kStamps;
}

const ColumnDef* TableDef::FindColumn(std::string_view column) const {
  for (const ColumnDef& def : columns) {
    if (pellor::SameText(def.name, column)) return &def;
  }
  return nullptr;
}

Catalogue Catalogue::Parse(std::string_view schemaSql) {
  Catalogue catalogue;
  for (const Token& token : LexSql(schemaSql)) {
    std::string directive = DirectiveOf(token);
    if (directive.starts_with("schema version")) {
      auto version = pellor::TryStrToInt(pellor::Trim(directive.substr(14)));
      if (!version || *version <= 0) {
        throw pellor::EDatabaseError("schema description: bad version directive \"" +
                                     std::string(token.text) + "\"");
      }
      catalogue.version_ = *version;
    }
  }
  if (catalogue.version_ == 0) {
    throw pellor::EDatabaseError("schema description: no \"pellor: schema version\" directive");
  }
  for (const std::string& statement : SplitStatements(schemaSql)) {
    Parser parser(statement);
    parser.ExpectWord("CREATE");
    if (parser.TakeWord("TABLE")) {
      TableDef table = ParseTable(parser);
      if (catalogue.FindTable(table.name)) parser.Fail("table " + table.name + " declared twice");
      catalogue.tables_.push_back(std::move(table));
      continue;
    }
    IndexDef index;
    index.unique = parser.TakeWord("UNIQUE");
    parser.ExpectWord("INDEX");
    index.name = parser.Name();
    parser.ExpectWord("ON");
    index.table = parser.Name();
    index.columns = parser.NameList();
    if (!parser.AtEnd()) parser.Fail("unexpected text after the index");
    const TableDef* table = catalogue.FindTable(index.table);
    if (!table) parser.Fail("index on the unknown table " + index.table);
    for (const std::string& column : index.columns) {
      if (!table->FindColumn(column)) parser.Fail("index on the unknown column " + column);
    }
    catalogue.indexes_.push_back(std::move(index));
  }
  if (!catalogue.FindTable(kVersionTable)) {
    throw pellor::EDatabaseError(std::string("schema description: no table ") + kVersionTable);
  }
  return catalogue;
}

const Catalogue& Catalogue::Builtin() {
  static const Catalogue catalogue = Parse(BuiltinSchemaSql());
  return catalogue;
}

const TableDef* Catalogue::FindTable(std::string_view name) const {
  for (const TableDef& table : tables_) {
    if (pellor::SameText(table.name, name)) return &table;
  }
  return nullptr;
}

std::string Catalogue::CanonicalColumnName(std::string_view name) const {
  for (const TableDef& table : tables_) {
    if (const ColumnDef* column = table.FindColumn(name)) return column->name;
  }
  return std::string(name);
}

std::vector<std::string> Catalogue::CreateStatements(Backend backend) const {
  return CreateStatementsFor(backend, [](const std::string&) { return true; });
}

std::vector<std::string> Catalogue::CreateStatementsFor(
    Backend backend, const std::function<bool(const std::string& table)>& wanted) const {
  std::vector<std::string> statements;
  std::vector<std::string> created;
  for (const TableDef& table : tables_) {
    if (!wanted(table.name)) continue;
    created.push_back(table.name);
    std::string sql = "CREATE TABLE " + table.name + " (\n";
    for (const ColumnDef& column : table.columns) sql += "  " + ColumnSql(column, backend) + ",\n";
    sql += "  PRIMARY KEY (" + Join(table.primaryKey) + ")\n)";
    statements.push_back(std::move(sql));
  }
  for (const IndexDef& index : indexes_) {
    if (std::none_of(created.begin(), created.end(),
                     [&](const std::string& name) { return pellor::SameText(name, index.table); })) {
      continue;
    }
    statements.push_back(std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + "INDEX " +
                         index.name + " ON " + index.table + " (" + Join(index.columns) + ")");
  }
  return statements;
}

SchemaState EnsureSchema(Connection& writer, const Catalogue& catalogue, std::string_view seedSql) {
  WriteTransaction transaction(writer);
  if (writer.GetBackend() == Backend::kPostgres) {
    // Two servers starting together on a new database: the second waits
    // here and then finds the tables. (SQLite's BEGIN IMMEDIATE does the
    // same.)
    writer.QueryValue("SELECT pg_advisory_xact_lock(7305190)");
  }
  if (TableExists(writer, kVersionTable)) {
    int version = writer.QueryValue(std::string("SELECT max(SV001) FROM ") + kVersionTable).AsInteger();
    if (version > catalogue.Version()) {
      throw pellor::EDatabaseError("the database holds schema version " + std::to_string(version) +
                                   " but this server knows only version " +
                                   std::to_string(catalogue.Version()) + " (a newer server made it)");
    }
    if (version == catalogue.Version()) {
      transaction.Commit();
      return SchemaState::kReused;
    }
    // Versions so far only add tables: an older database gets the missing
    // ones, empty, and keeps every row it has. Seed rows are not added; a
    // site's data is its own.
    for (const std::string& statement : catalogue.CreateStatementsFor(writer.GetBackend(), [&](const std::string& table) {
           return !TableExists(writer, table.c_str());
         })) {
      writer.Execute(statement);
    }
    RecordVersion(writer, catalogue);
    transaction.Commit();
    return SchemaState::kUpgraded;
  }
  for (const std::string& statement : catalogue.CreateStatements(writer.GetBackend())) {
    writer.Execute(statement);
  }
  for (const std::string& statement : SplitStatements(seedSql)) {
    try {
      writer.Execute(statement);
    } catch (const pellor::EDatabaseError& error) {
      std::string head = pellor::Trim(std::string_view(statement).substr(0, 80));
      throw pellor::EDatabaseError(std::string("seed data: ") + error.what() + " in \"" + head +
                                   "...\"");
    }
  }
  RecordVersion(writer, catalogue);
  transaction.Commit();
  return SchemaState::kCreated;
}

SchemaState EnsureSchema(Connection& writer) {
  return EnsureSchema(writer, Catalogue::Builtin(), BuiltinSeedSql());
}

}  // namespace suite::db
