// The reversible scrambling of database passwords kept in the server
// profile. It only keeps passwords from being read at a glance; it is no
// protection against anyone who has the file.
//
// Each byte at position i (from 1) is rotated right by i mod 8 bits within
// the byte and written as two hexadecimal digits (upper case, as Format's
// "%.2x" writes them; either case decodes). An empty
// password is stored as the scrambled marker
// "KV_Say_NoPassWord_ThePassWordIsEmpty", so that "no password" and "no
// value" stay apart in the file.
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
