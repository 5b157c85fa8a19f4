// The reversible scrambling of database passwords kept in the server
// profile, shared by the program module (which shows and edits the profile)
// and the application server (which connects with it), so that both always
// read one file alike. It only keeps passwords from being read at a glance;
// it is no protection against anyone who has the file.
//
// Each byte at position i (from 1) is rotated right by i mod 8 bits within
// the byte and written as two upper-case hexadecimal digits (either case
// decodes). An empty password is stored as the scrambled marker
// "KV_Say_NoPassWord_ThePassWordIsEmpty", so that "no password" and "no
// value" stay apart in the file.
#ifndef PELLOR_RTL_SQL_PASSWORD_H_
#define PELLOR_RTL_SQL_PASSWORD_H_

#include <string>
#include <string_view>

namespace pellor {

std::string EncodeSqlPassword(std::string_view plain);

// Reverses EncodeSqlPassword into `plain`: a trailing odd character is
// ignored and the empty marker decodes to an empty text. Returns false,
// leaving `plain` as it was, when a pair is not hexadecimal; `badPair`
// (when given) then receives that pair, for the caller's message.
bool DecodeSqlPassword(std::string_view encoded, std::string& plain, std::string* badPair = nullptr);

}  // namespace pellor

#endif  // PELLOR_RTL_SQL_PASSWORD_H_
