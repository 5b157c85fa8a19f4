#include "platform/db/sql_condition.h"

#include <cmath>

#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

enum class Tri { kFalse, kTrue, kUnknown };

Tri Not(Tri t) { return t == Tri::kUnknown ? t : (t == Tri::kTrue ? Tri::kFalse : Tri::kTrue); }

// ---- tokens ------------------------------------------------------------------

enum class Tok { kEnd, kIdent, kNumber, kString, kOp, kLParen, kRParen, kComma };

struct Token {
  Tok kind = Tok::kEnd;
  std::string text;  // identifier / keyword (as written), operator, string contents
  double number = 0;
  bool integral = false;
  size_t pos = 0;
};

class Lexer {
 public:
  Lexer(std::string_view text, int codePage) : text_(text), codePage_(codePage) {}

  std::vector<Token> Tokens() {
    std::vector<Token> tokens;
    while (true) {
      Token t = Next();
      tokens.push_back(t);
      if (t.kind == Tok::kEnd) return tokens;
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& what) {
    throw EDatabaseError("Syntax error in condition at position " + IntToStr(static_cast<int64_t>(pos_ + 1)) + ": " +
                         what);
  }

  Token Next() {
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ') ++pos_;
    Token t;
    t.pos = pos_;
    if (pos_ >= text_.size()) return t;
    char c = text_[pos_];
    if (c == '(') {
      ++pos_;
      t.kind = Tok::kLParen;
      return t;
    }
    if (c == ')') {
      ++pos_;
      t.kind = Tok::kRParen;
      return t;
    }
    if (c == ',') {
      ++pos_;
      t.kind = Tok::kComma;
      return t;
    }
    if (c == '\'' || ((c == 'N' || c == 'n') && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'')) {
      if (c != '\'') ++pos_;
      ++pos_;
      t.kind = Tok::kString;
      while (true) {
        if (pos_ >= text_.size()) Fail("unterminated text");
        char d = text_[pos_];
        if (IsLeadByte(static_cast<unsigned char>(d), codePage_) && pos_ + 1 < text_.size()) {
          t.text.append(text_.substr(pos_, 2));
          pos_ += 2;
          continue;
        }
        ++pos_;
        if (d == '\'') {
          if (pos_ < text_.size() && text_[pos_] == '\'') {
            t.text.push_back('\'');
            ++pos_;
            continue;
          }
          return t;
        }
        t.text.push_back(d);
      }
    }
    if ((c >= '0' && c <= '9') || (c == '.' && pos_ + 1 < text_.size() && text_[pos_ + 1] >= '0' && text_[pos_ + 1] <= '9')) {
      size_t start = pos_;
      while (pos_ < text_.size() && ((text_[pos_] >= '0' && text_[pos_] <= '9') || text_[pos_] == '.')) ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
        size_t save = pos_++;
        if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
        if (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
          while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
        } else {
          pos_ = save;
        }
      }
      std::string number(text_.substr(start, pos_ - start));
      auto value = TryStrToFloat(number);
      if (!value) Fail("bad number '" + number + "'");
      t.kind = Tok::kNumber;
      t.number = *value;
      t.integral = number.find_first_of(".eE") == std::string::npos;
      t.text = number;
      return t;
    }
    if (c == '[' || c == '"') {
      char close = c == '[' ? ']' : '"';
      size_t end = text_.find(close, pos_ + 1);
      if (end == std::string_view::npos) Fail("unterminated name");
      t.kind = Tok::kIdent;
      t.text = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      return ContinueDotted(t);
    }
    if (IsIdentStart(c)) {
      size_t start = pos_;
      while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
      t.kind = Tok::kIdent;
      t.text = std::string(text_.substr(start, pos_ - start));
      return ContinueDotted(t);
    }
    static const char* const kOps[] = {"<>", "!=", ">=", "<=", "=", "<", ">", "-"};
    for (const char* op : kOps) {
      std::string_view o(op);
      if (text_.substr(pos_, o.size()) == o) {
        pos_ += o.size();
        t.kind = Tok::kOp;
        t.text = std::string(o);
        return t;
      }
    }
    Fail(std::string("unexpected character '") + c + "'");
  }

  // "alias.name" and "db..table.name" keep only the last part.
  Token ContinueDotted(Token t) {
    while (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      if (pos_ < text_.size() && text_[pos_] == '.') continue;
      if (pos_ < text_.size() && (text_[pos_] == '[' || text_[pos_] == '"')) {
        char close = text_[pos_] == '[' ? ']' : '"';
        size_t end = text_.find(close, pos_ + 1);
        if (end == std::string_view::npos) Fail("unterminated name");
        t.text = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
        pos_ = end + 1;
      } else {
        size_t start = pos_;
        while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
        if (start == pos_) Fail("a name must follow '.'");
        t.text = std::string(text_.substr(start, pos_ - start));
      }
    }
    return t;
  }

  static bool IsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$' || c == '#' || c == '@';
  }
  static bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

  std::string_view text_;
  int codePage_;
  size_t pos_ = 0;
};

// ---- expression tree -------------------------------------------------------------

struct Operand {
  int column = -1;  // -1: literal
  Variant literal;
  Variant Value(const ColumnReader& row) const { return column >= 0 ? row(column) : literal; }
};

std::string TextValue(const Variant& v) {
  if (v.Type() == VarType::kString) return v.RawString();
  return v.AsString();
}

bool IsNumberLike(const Variant& v) {
  return v.IsNumeric() || v.Type() == VarType::kDate || v.Type() == VarType::kBoolean;
}

double NumberOf(const Variant& v) { return v.Type() == VarType::kDate ? v.AsDate() : v.AsFloat(); }

// <0, 0, >0; nullopt when the values cannot be compared.
std::optional<int> Compare(const Variant& a, const Variant& b) {
  if (IsNumberLike(a) || IsNumberLike(b)) {
    std::optional<double> x, y;
    if (IsNumberLike(a)) {
      x = NumberOf(a);
    } else if (a.IsText()) {
      x = TryStrToFloat(Trim(TextValue(a)));
    }
    if (IsNumberLike(b)) {
      y = NumberOf(b);
    } else if (b.IsText()) {
      y = TryStrToFloat(Trim(TextValue(b)));
    }
    if (x && y) return *x < *y ? -1 : *x > *y ? 1 : 0;
  }
  if (a.IsArray() || b.IsArray() || a.IsDispatch() || b.IsDispatch()) return std::nullopt;
  std::string s = TrimRight(TextValue(a));
  std::string t = TrimRight(TextValue(b));
  int c = s.compare(t);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

class Node : public SqlCondition {
 public:
  virtual Tri Eval(const ColumnReader& row) const = 0;
  bool Matches(const ColumnReader& row) const override { return Eval(row) == Tri::kTrue; }
};

using NodePtr = std::shared_ptr<const Node>;

class ConstNode : public Node {
 public:
  explicit ConstNode(Tri value) : value_(value) {}
  Tri Eval(const ColumnReader&) const override { return value_; }

 private:
  Tri value_;
};

class LogicNode : public Node {
 public:
  LogicNode(bool isAnd, NodePtr a, NodePtr b) : isAnd_(isAnd), a_(std::move(a)), b_(std::move(b)) {}
  Tri Eval(const ColumnReader& row) const override {
    Tri x = a_->Eval(row);
    if (isAnd_ && x == Tri::kFalse) return Tri::kFalse;
    if (!isAnd_ && x == Tri::kTrue) return Tri::kTrue;
    Tri y = b_->Eval(row);
    if (isAnd_) {
      if (y == Tri::kFalse) return Tri::kFalse;
      return x == Tri::kTrue && y == Tri::kTrue ? Tri::kTrue : Tri::kUnknown;
    }
    if (y == Tri::kTrue) return Tri::kTrue;
    return x == Tri::kFalse && y == Tri::kFalse ? Tri::kFalse : Tri::kUnknown;
  }

 private:
  bool isAnd_;
  NodePtr a_, b_;
};

class NotNode : public Node {
 public:
  explicit NotNode(NodePtr a) : a_(std::move(a)) {}
  Tri Eval(const ColumnReader& row) const override { return Not(a_->Eval(row)); }

 private:
  NodePtr a_;
};

class CompareNode : public Node {
 public:
  CompareNode(std::string op, Operand a, Operand b) : op_(std::move(op)), a_(std::move(a)), b_(std::move(b)) {}
  Tri Eval(const ColumnReader& row) const override {
    Variant x = a_.Value(row), y = b_.Value(row);
    if (x.IsBlank() || y.IsBlank()) return Tri::kUnknown;
    auto c = Compare(x, y);
    if (!c) return Tri::kUnknown;
    bool r;
    if (op_ == "=") {
      r = *c == 0;
    } else if (op_ == "<>" || op_ == "!=") {
      r = *c != 0;
    } else if (op_ == "<") {
      r = *c < 0;
    } else if (op_ == "<=") {
      r = *c <= 0;
    } else if (op_ == ">") {
      r = *c > 0;
    } else {
      r = *c >= 0;
    }
    return r ? Tri::kTrue : Tri::kFalse;
  }

 private:
  std::string op_;
  Operand a_, b_;
};

bool LikeMatch(std::string_view s, std::string_view p, int codePage) {
  // Iterative matching with backtracking on the last "%".
  size_t si = 0, pi = 0, starP = std::string_view::npos, starS = 0;
  auto charLen = [codePage](std::string_view t, size_t i) {
    return IsLeadByte(static_cast<unsigned char>(t[i]), codePage) && i + 1 < t.size() ? 2 : 1;
  };
  while (si < s.size()) {
    if (pi < p.size() && p[pi] == '%') {
      starP = ++pi;
      starS = si;
      continue;
    }
    if (pi < p.size()) {
      size_t pl = charLen(p, pi), sl = charLen(s, si);
      if (p[pi] == '_' || (pl == sl && s.substr(si, sl) == p.substr(pi, pl))) {
        si += sl;
        pi += p[pi] == '_' ? 1 : pl;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    starS += charLen(s, starS);
    si = starS;
    pi = starP;
  }
  while (pi < p.size() && p[pi] == '%') ++pi;
  return pi == p.size();
}

class LikeNode : public Node {
 public:
  LikeNode(Operand a, Operand pattern, int codePage) : a_(std::move(a)), p_(std::move(pattern)), codePage_(codePage) {}
  Tri Eval(const ColumnReader& row) const override {
    Variant x = a_.Value(row), p = p_.Value(row);
    if (x.IsBlank() || p.IsBlank()) return Tri::kUnknown;
    return LikeMatch(TrimRight(TextValue(x)), TextValue(p), codePage_) ? Tri::kTrue : Tri::kFalse;
  }

 private:
  Operand a_, p_;
  int codePage_;
};

class InNode : public Node {
 public:
  InNode(Operand a, std::vector<Operand> list) : a_(std::move(a)), list_(std::move(list)) {}
  Tri Eval(const ColumnReader& row) const override {
    Variant x = a_.Value(row);
    if (x.IsBlank()) return Tri::kUnknown;
    bool unknown = false;
    for (const Operand& o : list_) {
      Variant y = o.Value(row);
      if (y.IsBlank()) {
        unknown = true;
        continue;
      }
      auto c = Compare(x, y);
      if (c && *c == 0) return Tri::kTrue;
    }
    return unknown ? Tri::kUnknown : Tri::kFalse;
  }

 private:
  Operand a_;
  std::vector<Operand> list_;
};

class IsNullNode : public Node {
 public:
  explicit IsNullNode(Operand a) : a_(std::move(a)) {}
  Tri Eval(const ColumnReader& row) const override { return a_.Value(row).IsBlank() ? Tri::kTrue : Tri::kFalse; }

 private:
  Operand a_;
};

// ---- parser --------------------------------------------------------------------------

class Parser {
 public:
  Parser(std::vector<Token> tokens, const ColumnResolver& resolve, int codePage)
      : tokens_(std::move(tokens)), resolve_(resolve), codePage_(codePage) {}

  NodePtr ParseAll() {
    NodePtr node = ParseOr();
    if (Peek().kind != Tok::kEnd) Fail("unexpected '" + Describe(Peek()) + "'");
    return node;
  }

 private:
  const Token& Peek() const { return tokens_[i_]; }
  Token Take() { return tokens_[i_ < tokens_.size() - 1 ? i_++ : i_]; }
  bool IsKeyword(const Token& t, const char* word) const { return t.kind == Tok::kIdent && SameText(t.text, word); }
  bool TakeKeyword(const char* word) {
    if (!IsKeyword(Peek(), word)) return false;
    ++i_;
    return true;
  }
  static std::string Describe(const Token& t) {
    switch (t.kind) {
      case Tok::kEnd: return "end of text";
      case Tok::kLParen: return "(";
      case Tok::kRParen: return ")";
      case Tok::kComma: return ",";
      default: return t.text;
    }
  }
  [[noreturn]] void Fail(const std::string& what) const {
    throw EDatabaseError("Syntax error in condition at position " + IntToStr(static_cast<int64_t>(Peek().pos + 1)) +
                         ": " + what);
  }
  void Expect(Tok kind, const char* what) {
    if (Peek().kind != kind) Fail(std::string("expected ") + what + " instead of '" + Describe(Peek()) + "'");
    ++i_;
  }

  NodePtr ParseOr() {
    NodePtr left = ParseAnd();
    while (TakeKeyword("OR")) left = std::make_shared<LogicNode>(false, left, ParseAnd());
    return left;
  }
  NodePtr ParseAnd() {
    NodePtr left = ParseNot();
    while (TakeKeyword("AND")) left = std::make_shared<LogicNode>(true, left, ParseNot());
    return left;
  }
  NodePtr ParseNot() {
    if (TakeKeyword("NOT")) return std::make_shared<NotNode>(ParseNot());
    return ParsePredicate();
  }

  NodePtr ParsePredicate() {
    // A parenthesis opens a nested condition unless it holds a plain operand.
    if (Peek().kind == Tok::kLParen) {
      size_t save = i_;
      try {
        ++i_;
        NodePtr inner = ParseOr();
        if (Peek().kind == Tok::kRParen) {
          ++i_;
          return inner;
        }
      } catch (const EDatabaseError&) {
        // Not a nested condition: read it as an operand in parentheses.
      }
      i_ = save;
    }
    Operand left = ParseOperand();
    bool negated = TakeKeyword("NOT");
    if (Peek().kind == Tok::kOp && Peek().text != "-" && !negated) {
      std::string op = Take().text;
      Operand right = ParseOperand();
      return std::make_shared<CompareNode>(op, left, right);
    }
    if (TakeKeyword("LIKE")) {
      NodePtr node = std::make_shared<LikeNode>(left, ParseOperand(), codePage_);
      return negated ? std::make_shared<NotNode>(node) : node;
    }
    if (TakeKeyword("IN")) {
      Expect(Tok::kLParen, "(");
      std::vector<Operand> list;
      list.push_back(ParseOperand());
      while (Peek().kind == Tok::kComma) {
        ++i_;
        list.push_back(ParseOperand());
      }
      Expect(Tok::kRParen, ")");
      NodePtr node = std::make_shared<InNode>(left, std::move(list));
      return negated ? std::make_shared<NotNode>(node) : node;
    }
    if (TakeKeyword("BETWEEN")) {
      Operand lo = ParseOperand();
      if (!TakeKeyword("AND")) Fail("expected AND in BETWEEN");
      Operand hi = ParseOperand();
      NodePtr node = std::make_shared<LogicNode>(true, std::make_shared<CompareNode>(">=", left, lo),
                                                 std::make_shared<CompareNode>("<=", left, hi));
      return negated ? std::make_shared<NotNode>(node) : node;
    }
    if (!negated && TakeKeyword("IS")) {
      bool isNot = TakeKeyword("NOT");
      if (!TakeKeyword("NULL")) Fail("expected NULL after IS");
      NodePtr node = std::make_shared<IsNullNode>(left);
      return isNot ? std::make_shared<NotNode>(node) : node;
    }
    Fail("expected a comparison instead of '" + Describe(Peek()) + "'");
  }

  Operand ParseOperand() {
    size_t at = i_;
    Token t = Take();
    Operand o;
    switch (t.kind) {
      case Tok::kNumber:
        o.literal = t.integral && std::fabs(t.number) < 9.0e15 ? Variant(static_cast<int64_t>(t.number)) : Variant(t.number);
        return o;
      case Tok::kString: o.literal = Variant(t.text); return o;
      case Tok::kOp:
        if (t.text == "-" && Peek().kind == Tok::kNumber) {
          Token n = Take();
          o.literal = n.integral && std::fabs(n.number) < 9.0e15 ? Variant(-static_cast<int64_t>(n.number))
                                                                  : Variant(-n.number);
          return o;
        }
        break;
      case Tok::kIdent: {
        if (SameText(t.text, "NULL")) {
          o.literal = Variant::Null();
          return o;
        }
        static const char* const kReserved[] = {"AND", "OR", "NOT", "LIKE", "IN", "IS", "BETWEEN"};
        for (const char* word : kReserved)
          if (SameText(t.text, word)) {
            i_ = at;
            Fail("expected a value instead of '" + t.text + "'");
          }
        int column = resolve_(t.text);
        if (column < 0) throw EDatabaseError("Invalid column name '" + t.text + "'");
        o.column = column;
        return o;
      }
      case Tok::kLParen: {
        Operand inner = ParseOperand();
        Expect(Tok::kRParen, ")");
        return inner;
      }
      default: break;
    }
    i_ = at;
    Fail("expected a value instead of '" + Describe(t) + "'");
  }

  std::vector<Token> tokens_;
  const ColumnResolver& resolve_;
  int codePage_;
  size_t i_ = 0;
};

}  // namespace

std::shared_ptr<const SqlCondition> SqlCondition::Parse(std::string_view text, const ColumnResolver& resolve,
                                                        int codePage) {
  if (Trim(text).empty()) return std::make_shared<ConstNode>(Tri::kTrue);
  std::vector<Token> tokens = Lexer(text, codePage).Tokens();
  Parser parser(std::move(tokens), resolve, codePage);
  return parser.ParseAll();
}

std::vector<SqlOrderColumn> ParseSqlOrder(std::string_view text, const ColumnResolver& resolve) {
  std::vector<SqlOrderColumn> result;
  for (const std::string& part : SplitString(text, ",")) {
    std::string item = Trim(part);
    if (item.empty()) continue;
    SqlOrderColumn column;
    std::vector<std::string> words;
    for (const std::string& w : SplitString(item, " "))
      if (!Trim(w).empty()) words.push_back(Trim(w));
    if (words.size() == 2 && SameText(words[1], "DESC")) {
      column.descending = true;
    } else if (words.size() == 2 && SameText(words[1], "ASC")) {
    } else if (words.size() != 1) {
      throw EDatabaseError("Syntax error in order '" + item + "'");
    }
    std::string name = words[0];
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name = name.substr(dot + 1);
    if (name.size() >= 2 && (name.front() == '[' || name.front() == '"')) name = name.substr(1, name.size() - 2);
    column.column = resolve(name);
    if (column.column < 0) throw EDatabaseError("Invalid column name '" + name + "'");
    result.push_back(column);
  }
  return result;
}

}  // namespace pellor
