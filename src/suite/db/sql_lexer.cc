#include "suite/db/sql_lexer.h"

#include <cstdio>

#include "platform/rtl/strutils.h"

namespace suite::db {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Letters, "_" and every byte of a multi-byte UTF-8 character may start an
// identifier in both backends.
bool IsWordStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool IsWordPart(char c) { return IsWordStart(c) || IsDigit(c); }

[[noreturn]] void Refuse(std::string_view sql, size_t offset, const std::string& what) {
  std::string near(sql.substr(offset, 20));
  throw ESqlRefused("SQL refused: " + what + " at offset " + std::to_string(offset) + " (near \"" +
                    near + "\")");
}

// End of a quoted run that starts at `start` with `quote`; a doubled quote
// stands for itself. Returns the offset just past the closing quote.
size_t ScanQuoted(std::string_view sql, size_t start, char quote, const char* what) {
  size_t i = start + 1;
  while (true) {
    if (i >= sql.size()) Refuse(sql, start, std::string("unterminated ") + what);
    if (sql[i] == quote) {
      if (i + 1 < sql.size() && sql[i + 1] == quote) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
}

}  // namespace

std::vector<Token> LexSql(std::string_view sql) {
  std::vector<Token> tokens;
  // Both backends take a text as ending at its first NUL byte.
  if (size_t nul = sql.find('\0'); nul != std::string_view::npos) Refuse(sql, nul, "NUL byte");
  size_t i = 0;
  auto push = [&](TokenKind kind, size_t start, size_t end) {
    tokens.push_back(Token{kind, sql.substr(start, end - start), start});
    i = end;
  };
  while (i < sql.size()) {
    const size_t start = i;
    const char c = sql[i];
    const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
    if (IsSpace(c)) {
      size_t j = i;
      while (j < sql.size() && IsSpace(sql[j])) ++j;
      push(TokenKind::kSpace, start, j);
    } else if (c == '-' && next == '-') {
      size_t j = i;
      while (j < sql.size() && sql[j] != '\n') ++j;
      push(TokenKind::kComment, start, j);
    } else if (c == '/' && next == '*') {
      // PostgreSQL nests block comments and SQLite does not; refusing a
      // nested opener keeps both readings identical.
      size_t j = i + 2;
      while (true) {
        if (j + 1 >= sql.size()) Refuse(sql, start, "unterminated comment");
        if (sql[j] == '/' && sql[j + 1] == '*') Refuse(sql, j, "nested comment");
        if (sql[j] == '*' && sql[j + 1] == '/') break;
        ++j;
      }
      push(TokenKind::kComment, start, j + 2);
    } else if (c == '\'') {
      push(TokenKind::kString, start, ScanQuoted(sql, i, '\'', "string"));
    } else if (c == '"') {
      push(TokenKind::kQuotedName, start, ScanQuoted(sql, i, '"', "quoted name"));
    } else if (c == '`') {
      push(TokenKind::kQuotedName, start, ScanQuoted(sql, i, '`', "quoted name"));
    } else if (c == '[') {
      size_t j = sql.find(']', i + 1);
      if (j == std::string_view::npos) Refuse(sql, start, "unterminated [name]");
      push(TokenKind::kQuotedName, start, j + 1);
    } else if (IsWordStart(c)) {
      size_t j = i;
      while (j < sql.size() && IsWordPart(sql[j])) ++j;
      std::string_view word = sql.substr(i, j - i);
      if (j < sql.size() && sql[j] == '\'') {
        if (pellor::SameText(word, "N") || pellor::SameText(word, "X") ||
            pellor::SameText(word, "B")) {
          push(TokenKind::kString, start, ScanQuoted(sql, j, '\'', "string"));
          continue;
        }
        // E'..' reads backslash escapes in PostgreSQL only.
        Refuse(sql, start, "prefixed string " + std::string(word) + "'...'");
      }
      if (j < sql.size() && sql[j] == '&' && pellor::SameText(word, "U")) {
        Refuse(sql, start, "Unicode escape string U&");
      }
      push(TokenKind::kWord, start, j);
    } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
      size_t j = i;
      while (j < sql.size() && IsDigit(sql[j])) ++j;
      if (j < sql.size() && sql[j] == '.') {
        ++j;
        while (j < sql.size() && IsDigit(sql[j])) ++j;
      }
      if (j < sql.size() && (sql[j] == 'e' || sql[j] == 'E')) {
        size_t k = j + 1;
        if (k < sql.size() && (sql[k] == '+' || sql[k] == '-')) ++k;
        if (k < sql.size() && IsDigit(sql[k])) {
          while (k < sql.size() && IsDigit(sql[k])) ++k;
          j = k;
        }
      }
      push(TokenKind::kNumber, start, j);
    } else if (c == '$') {
      if (next == '$') {
        size_t j = i + 2;
        if (j < sql.size() && IsWordStart(sql[j])) {
          while (j < sql.size() && IsWordPart(sql[j])) ++j;
          push(TokenKind::kDollarName, start, j);
          continue;
        }
        Refuse(sql, start, "dollar quoting");
      }
      if (IsDigit(next)) {
        size_t j = i + 1;
        while (j < sql.size() && IsDigit(sql[j])) ++j;
        push(TokenKind::kParameter, start, j);
        continue;
      }
      Refuse(sql, start, "dollar quoting");
    } else if (c == '?') {
      size_t j = i + 1;
      while (j < sql.size() && IsDigit(sql[j])) ++j;
      push(TokenKind::kParameter, start, j);
    } else if ((c == ':' || c == '@') && IsWordStart(next)) {
      size_t j = i + 1;
      while (j < sql.size() && IsWordPart(sql[j])) ++j;
      push(TokenKind::kParameter, start, j);
    } else {
      static const char* const kLong[] = {"<>", "<=", ">=", "!=", "||", "::", "==", "<<", ">>"};
      size_t len = 1;
      for (const char* op : kLong) {
        if (c == op[0] && next == op[1]) {
          len = 2;
          break;
        }
      }
      if (static_cast<unsigned char>(c) < 0x20) Refuse(sql, start, "control character");
      push(TokenKind::kPunct, start, i + len);
    }
  }
  return tokens;
}

bool IsWord(const Token& token, std::string_view word) {
  return token.kind == TokenKind::kWord && pellor::SameText(token.text, word);
}

std::vector<std::string> SplitStatements(std::string_view script) {
  std::vector<std::string> statements;
  std::vector<Token> tokens = LexSql(script);
  size_t begin = 0;
  bool meaningful = false;
  auto flush = [&](size_t end) {
    if (meaningful) statements.emplace_back(script.substr(begin, end - begin));
    meaningful = false;
  };
  for (const Token& token : tokens) {
    if (token.kind == TokenKind::kPunct && token.text == ";") {
      flush(token.offset);
      begin = token.offset + 1;
    } else if (!IsTrivia(token)) {
      meaningful = true;
    }
  }
  flush(script.size());
  return statements;
}

std::string StringTokenValue(const Token& token) {
  std::string_view text = token.text;
  size_t open = text.find('\'');
  std::string value;
  for (size_t i = open + 1; i + 1 < text.size(); ++i) {
    value += text[i];
    if (text[i] == '\'') ++i;  // the second of a doubled quote
  }
  return value;
}

}  // namespace suite::db
