// The base-data limit of a user on a table, as the look-up windows apply it.
//
// A user whose base data are limited may work only on the rows of a table
// that meet the condition kept for him in ADMBL (data/schema.sql): his own
// row for the table, else that of his primary group, else that of another
// of his groups (in order of the group's name). A table without such a row,
// or whose row holds an empty condition, is not limited.
//
// Whether the user's base data are limited at all is the program's "BaseLimited"
// server setting, which the program hands to the look-up service with each
// request; this file only finds the condition.
#ifndef PELLOR_SUITE_LOOKUP_BASE_DATA_LIMIT_H_
#define PELLOR_SUITE_LOOKUP_BASE_DATA_LIMIT_H_

#include <string>

#include "platform/rtl/variant.h"
#include "suite/db/sql_gateway.h"

namespace suite::lookup {

// True for the "BaseLimited" setting of a limited user: "Y" in either case,
// blanks around it ignored.
bool IsBaseLimited(const pellor::Variant& setting, int codePage);

// The condition (UTF-8, the suite's SQL dialect, not yet rewritten) of the
// rows of `table` that `user` may work on in `company`; empty when the user
// is not limited on that table. Read through the gateway, every value bound.
// Database errors propagate.
std::string BaseDataLimit(db::SqlGateway& gateway, const std::string& company, const std::string& user,
                          const std::string& table);

}  // namespace suite::lookup

#endif  // PELLOR_SUITE_LOOKUP_BASE_DATA_LIMIT_H_
