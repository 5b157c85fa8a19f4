// The tables of the application server's database, as data/schema.sql
// describes them, and the first start of a database.
//
// data/schema.sql is the one description of the tables: it is built into the
// server (see embedded_data.h), read here into a `Catalogue`, and turned into
// the CREATE statements of either backend. The catalogue also tells the rest
// of the server what it must know about a table: its columns with their
// declared spelling, its primary key, and its scope (whether client SQL sees
// only the caller's company's rows, every row, or nothing).
#ifndef PELLOR_SUITE_DB_SCHEMA_H_
#define PELLOR_SUITE_DB_SCHEMA_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "suite/db/database.h"

namespace suite::db {

enum class ColumnType { kVarchar, kText, kInteger, kDouble };

struct ColumnDef {
  std::string name;         // as declared, e.g. "MF001", "KeyValues"
  ColumnType type = ColumnType::kText;
  int size = 0;             // characters of a VARCHAR
  bool notNull = false;
  std::string defaultSql;   // the DEFAULT literal as written, empty for none
};

enum class TableScope {
  kCompany,  // client SQL sees the rows of the caller's company only
  kShared,   // client SQL sees every row (programs, users, messages)
  kPrivate,  // client SQL sees nothing
};

struct TableDef {
  std::string name;
  TableScope scope = TableScope::kCompany;
  std::vector<ColumnDef> columns;
  std::vector<std::string> primaryKey;

  // Column by name, compared without regard to case; nullptr when missing.
  const ColumnDef* FindColumn(std::string_view column) const;
};

struct IndexDef {
  std::string name;
  std::string table;
  bool unique = false;
  std::vector<std::string> columns;
};

// The seven stamps every table carries.
const std::vector<std::string>& StampColumns();

class Catalogue {
 public:
  // Reads a schema description. Raises EDatabaseError naming the statement
  // when the text leaves the forms described in data/schema.sql, or when a
  // table lacks a primary key or a stamp, or a company table's key does not
  // begin with COMPANY.
  static Catalogue Parse(std::string_view schemaSql);
  // The description built into the server.
  static const Catalogue& Builtin();

  int Version() const { return version_; }
  const std::vector<TableDef>& Tables() const { return tables_; }
  const std::vector<IndexDef>& Indexes() const { return indexes_; }
  // Table by name, compared without regard to case; nullptr when missing.
  const TableDef* FindTable(std::string_view name) const;
  // The declared spelling of a column name found in any table without
  // regard to case (PostgreSQL reports "mf001" for MF001); the name itself
  // when no table declares it.
  std::string CanonicalColumnName(std::string_view name) const;

  // CREATE TABLE and CREATE INDEX statements for a backend, in order.
  std::vector<std::string> CreateStatements(Backend backend) const;
  // Only the tables `wanted` accepts, with their indexes.
  std::vector<std::string> CreateStatementsFor(Backend backend,
                                               const std::function<bool(const std::string& table)>& wanted) const;

 private:
  int version_ = 0;
  std::vector<TableDef> tables_;
  std::vector<IndexDef> indexes_;
};

enum class SchemaState {
  kCreated,  // the tables were created and seeded now
  kReused,   // the database already held this schema version
  kUpgraded, // an older version got the tables it lacked
};

// Brings a database to the catalogue's schema on the first start: in one
// write transaction it creates every table, runs the seed script and
// records the version in PELLOR_SCHEMA. Later starts find the version and
// change nothing; a database of an older version gets the tables it lacks
// (empty) and the new version. A database of a newer version raises
// EDatabaseError.
SchemaState EnsureSchema(Connection& writer, const Catalogue& catalogue, std::string_view seedSql);

// The same with the built-in description and seed data.
SchemaState EnsureSchema(Connection& writer);

}  // namespace suite::db

#endif  // PELLOR_SUITE_DB_SCHEMA_H_
