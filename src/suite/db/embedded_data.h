// The data files the server carries inside itself, so that a server root
// needs nothing but the database file: data/schema.sql and data/seed.sql as
// they were at build time (the build generates the definitions).
#ifndef PELLOR_SUITE_DB_EMBEDDED_DATA_H_
#define PELLOR_SUITE_DB_EMBEDDED_DATA_H_

#include <string_view>

namespace suite::db {

std::string_view BuiltinSchemaSql();
std::string_view BuiltinSeedSql();

}  // namespace suite::db

#endif  // PELLOR_SUITE_DB_EMBEDDED_DATA_H_
