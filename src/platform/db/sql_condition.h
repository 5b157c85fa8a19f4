// Conditions and orders in the SQL the module composes, evaluated over rows
// held in memory (the in-memory provider).
//
// Conditions: comparisons (=, <>, !=, <, <=, >, >=), LIKE with "%" and "_"
// (a double-byte character counts as one), IN (list), IS [NOT] NULL,
// BETWEEN a AND b, each optionally negated, joined by AND, OR, NOT and
// parentheses. Operands are column names (an alias before "." is dropped,
// "[name]" and "\"name\"" quoting allowed), numbers, texts in single quotes
// ('' for a quote, N'...' allowed) and NULL. Constant comparisons such as
// "1=1" and "1=2" work, so the module's "no rows" condition does too.
// Comparisons follow SQL: null compares unknown, and only a true condition
// passes; texts compare by bytes without trailing blanks; a number and a
// numeric text compare as numbers.
//
// Orders: "a, b DESC, alias.c ASC".
#ifndef PELLOR_DB_SQL_CONDITION_H_
#define PELLOR_DB_SQL_CONDITION_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/variant.h"

namespace pellor {

// Maps a column name to its index; -1 when there is none (the parser then
// raises EDatabaseError "Invalid column name 'x'").
using ColumnResolver = std::function<int(std::string_view name)>;
// Gives the value of a column of the row being tested.
using ColumnReader = std::function<Variant(int column)>;

class SqlCondition {
 public:
  // Raises EDatabaseError naming the position of a syntax error. An empty or
  // blank text is the condition that every row passes.
  static std::shared_ptr<const SqlCondition> Parse(std::string_view text, const ColumnResolver& resolve,
                                                   int codePage = 936);
  virtual ~SqlCondition() = default;
  // True only when the condition is true for the row (not false, not unknown).
  virtual bool Matches(const ColumnReader& row) const = 0;
};

struct SqlOrderColumn {
  int column = 0;
  bool descending = false;
};

std::vector<SqlOrderColumn> ParseSqlOrder(std::string_view text, const ColumnResolver& resolve);

}  // namespace pellor

#endif  // PELLOR_DB_SQL_CONDITION_H_
