// A lexer for the SQL that reaches the database layer.
//
// Everything that checks or rewrites SQL text (the gateway, the schema
// loader, the PostgreSQL placeholder translation) must agree with the
// backends on where a string, a comment or a quoted name begins and ends;
// otherwise a check could see a harmless string where the backend sees a
// second statement. So this lexer is strict: it refuses the constructs on
// which SQLite and PostgreSQL lex differently or which hide text from a
// reader (escape strings E'..', Unicode strings U&'..', dollar quoting,
// nested block comments, unterminated strings and comments).
#ifndef PELLOR_SUITE_DB_SQL_LEXER_H_
#define PELLOR_SUITE_DB_SQL_LEXER_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/errors.h"

namespace suite::db {

// A text the lexer or the gateway would not pass on; the message names what
// was refused and where.
PELLOR_DECLARE_ERROR(ESqlRefused, pellor::EDatabaseError);

enum class TokenKind {
  kSpace,       // blanks and line breaks
  kComment,     // -- to the end of the line, or /* ... */
  kWord,        // a bare identifier or keyword
  kQuotedName,  // "name", [name] or `name`
  kString,      // '...', also with a prefix N, X or B (N'...')
  kNumber,
  kParameter,   // ?, ?NNN, :name, @name, $NNN
  kDollarName,  // $$NAME: the suite's table prefix
  kPunct,       // operators and punctuation; multi-character ones are one token
};

struct Token {
  TokenKind kind;
  std::string_view text;  // a view into the lexed text
  size_t offset;          // byte offset of the token in the lexed text
};

// Splits `sql` into tokens covering every byte. Raises ESqlRefused for the
// constructs listed above.
std::vector<Token> LexSql(std::string_view sql);

// True for tokens that carry no meaning (blanks and comments).
inline bool IsTrivia(const Token& token) {
  return token.kind == TokenKind::kSpace || token.kind == TokenKind::kComment;
}

// True when `token` is the bare word `word`, compared without regard to case.
bool IsWord(const Token& token, std::string_view word);

// The statements of a script, split at semicolons outside strings and
// comments; each statement keeps its text without the semicolon, and blank
// statements (only trivia) are dropped.
std::vector<std::string> SplitStatements(std::string_view script);

// The text of a string token without its quotes and prefix, with doubled
// quotes undone.
std::string StringTokenValue(const Token& token);

}  // namespace suite::db

#endif  // PELLOR_SUITE_DB_SQL_LEXER_H_
