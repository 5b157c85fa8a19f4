// The module's names for the scrambling of database passwords kept in the
// server profile (platform/rtl/sql_password.h describes it); the module adds
// its own handling of a password that cannot be decoded.
#ifndef PEVF_CONFIG_SQL_PASSWORD_H_
#define PEVF_CONFIG_SQL_PASSWORD_H_

#include <string>
#include <string_view>

namespace pevf {

// The text a profile cell holds when its stored password cannot be decoded.
inline constexpr const char* kSqlPasswordError = "KV_Say_Password_Error";

std::string EncodeSQLSa(std::string_view plain);

// Reverses EncodeSQLSa; a trailing odd character is ignored and the empty
// marker decodes to an empty text. A pair that is not hexadecimal gives
// kSqlPasswordError and is written to the generator log.
std::string DecodeSQLSa(std::string_view encoded);

}  // namespace pevf

#endif  // PEVF_CONFIG_SQL_PASSWORD_H_
