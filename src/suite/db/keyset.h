// Reading a query in pages by key (keyset paging).
//
// A provider opens its table with the client's condition and order and then
// hands out packets. Re-running the query with OFFSET for each packet costs
// the more the further the user scrolls (every skipped row is read again);
// here each page starts where the previous one ended: the values of the
// order expressions of the last row delivered are kept, and the next page
// asks for the rows after them, which an index on the order finds directly.
//
// The order is the client's order followed by the table's key as the
// tie-breaker, so that rows with equal order values keep a fixed sequence
// and none is delivered twice or skipped. NULLs sort as the smallest value
// in both backends (first when ascending, last when descending), as SQLite
// does by itself.
//
// Everything runs through the SQL gateway: the client's condition and order
// are checked and rewritten there, and every page is a confined, read-only
// statement with the positions bound as parameters.
#ifndef PELLOR_SUITE_DB_KEYSET_H_
#define PELLOR_SUITE_DB_KEYSET_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/variant.h"
#include "suite/db/sql_gateway.h"

namespace suite::db {

struct KeysetSpec {
  // The main table, as the catalogue names it; its NOT NULL columns let the
  // pages use plain comparisons (and so the table's indexes).
  std::string table;
  // The server's select list and FROM clause; they are the server's own
  // text, not a client's. `from` defaults to the table.
  std::string selectList = "*";
  std::string from;
  // Columns whose values identify a row within a company, e.g. MF001, MF004.
  std::vector<std::string> key;
  // The client's WHERE text and ORDER BY text in the suite's dialect; an
  // empty order sorts by the key.
  std::string condition;
  std::string order;
};

struct Page {
  std::vector<std::string> columns;
  std::vector<std::vector<pellor::Variant>> rows;
};

class KeysetCursor {
 public:
  // Checks and rewrites the client's parts; raises ESqlRefused for a text
  // the gateway refuses and EDatabaseError for an unknown table or key.
  KeysetCursor(SqlGateway& gateway, KeysetSpec spec, std::string company);

  // The next page of at most `rows` rows; empty once every row was read.
  Page NextPage(int rows);
  bool AtEnd() const { return atEnd_; }
  // How many rows the condition selects.
  int64_t Count();
  // The statement the next page runs (for diagnostics and tests).
  std::string NextPageSql() const;

 private:
  struct Item {
    std::string expression;
    bool descending = false;
    bool nullable = true;
  };
  std::string Compose(std::vector<pellor::Variant>* params) const;

  SqlGateway& gateway_;
  KeysetSpec spec_;
  std::string company_;
  std::string condition_;
  std::vector<Item> items_;
  bool rowValues_ = false;  // every item NOT NULL and all in one direction
  bool started_ = false;
  bool atEnd_ = false;
  std::vector<pellor::Variant> last_;  // order values of the last row delivered
};

}  // namespace suite::db

#endif  // PELLOR_SUITE_DB_KEYSET_H_
