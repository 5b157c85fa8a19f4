// The base-data limit of a user on a table: one rule for the application
// server (GetBaseLimitedRecs) and the look-up windows.
//
// A user whose base data are limited may work only on the rows of a table
// that meet the condition kept for him in ADMBL (data/schema.sql): his own
// row for the table, else that of his primary group, else that of another
// of his groups (in order of the group's name). A table without such a row,
// or whose row holds an empty condition, is not limited.
//
// Whether the user's base data are limited at all is decided elsewhere: the
// application server reads the user's rights row, the look-up service takes
// the "BaseLimited" setting the program sends. This file only finds the
// condition.
#ifndef PELLOR_SUITE_DB_BASE_DATA_LIMIT_H_
#define PELLOR_SUITE_DB_BASE_DATA_LIMIT_H_

#include <string>

#include "platform/rtl/variant.h"
#include "suite/db/database.h"

namespace suite::db {

// True for the "BaseLimited" setting of a limited user: "Y" in either case,
// blanks around it ignored.
bool IsBaseLimited(const pellor::Variant& setting, int codePage);

// The condition (UTF-8, the suite's SQL dialect, not yet rewritten) of the
// rows of `table` that `user` may work on in `company`; empty when the user
// is not limited on that table. Read on the server's trusted connection
// `db`, every value bound. Database errors propagate.
std::string BaseDataLimit(Connection& db, const std::string& company, const std::string& user,
                          const std::string& table);

}  // namespace suite::db

#endif  // PELLOR_SUITE_DB_BASE_DATA_LIMIT_H_
