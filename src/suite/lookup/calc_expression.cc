#include "suite/lookup/calc_expression.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

#include "platform/rtl/strutils.h"

namespace suite::lookup {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  double Run() {
    SkipBlanks();
    if (pos_ == text_.size()) Fail(CalcFault::kEmpty, "The expression is empty");
    double value = Expression(0);
    SkipBlanks();
    if (pos_ < text_.size()) {
      if (text_[pos_] == ')') Fail(CalcFault::kUnmatchedParen, "\")\" without \"(\"");
      Fail(CalcFault::kUnexpectedChar, Unexpected());
    }
    return value;
  }

 private:
  [[noreturn]] void Fail(CalcFault fault, const std::string& what) const {
    throw ECalcError(fault, pos_, what + " at position " + std::to_string(pos_ + 1));
  }
  std::string Unexpected() const { return "Unexpected character '" + std::string(1, text_[pos_]) + "'"; }

  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }
  // The next non-blank character, or 0 at the end.
  char Peek() {
    SkipBlanks();
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }

  double Checked(double value) const {
    if (!std::isfinite(value)) Fail(CalcFault::kOutOfRange, "The result is out of range");
    return value;
  }

  double Expression(int depth) {
    double value = Term(depth);
    for (char op = Peek(); op == '+' || op == '-'; op = Peek()) {
      ++pos_;
      double right = Term(depth);
      value = Checked(op == '+' ? value + right : value - right);
    }
    return value;
  }

  double Term(int depth) {
    double value = Factor(depth);
    for (char op = Peek(); op == '*' || op == '/'; op = Peek()) {
      const size_t at = pos_;
      ++pos_;
      double right = Factor(depth);
      if (op == '/' && right == 0) {
        pos_ = at;
        Fail(CalcFault::kDivisionByZero, "Division by zero");
      }
      value = Checked(op == '*' ? value * right : value / right);
    }
    return value;
  }

  double Factor(int depth) {
    if (depth >= kMaxCalcDepth) Fail(CalcFault::kTooDeep, "The expression is nested too deeply");
    const char c = Peek();
    if (c == '\0') Fail(CalcFault::kUnexpectedEnd, "The expression ends too early");
    if (c == '+' || c == '-') {
      ++pos_;
      double operand = Factor(depth + 1);
      return c == '-' ? -operand : operand;
    }
    if (c == '(') {
      const size_t open = pos_;
      ++pos_;
      double value = Expression(depth + 1);
      if (Peek() != ')') {
        if (pos_ < text_.size()) Fail(CalcFault::kUnexpectedChar, Unexpected());
        pos_ = open;
        Fail(CalcFault::kMissingParen, "\"(\" without \")\"");
      }
      ++pos_;
      return value;
    }
    if (IsDigit(c) || c == '.') return Number();
    if (c == ')') Fail(CalcFault::kUnmatchedParen, "\")\" without \"(\"");
    Fail(CalcFault::kUnexpectedChar, Unexpected());
  }

  double Number() {
    const size_t start = pos_;
    size_t end = pos_;
    auto digits = [&] {
      const size_t from = end;
      while (end < text_.size() && IsDigit(text_[end])) ++end;
      return std::string_view(text_.data() + from, end - from);
    };
    const std::string_view whole = digits();
    std::string_view fraction;
    if (end < text_.size() && text_[end] == '.') {
      ++end;
      fraction = digits();
    }
    if (whole.empty() && fraction.empty()) Fail(CalcFault::kUnexpectedChar, Unexpected());
    // The calculator writes large and tiny values with an exponent ("1E20"),
    // so it reads them back.
    long exponent = 0;
    if (end < text_.size() && (text_[end] == 'e' || text_[end] == 'E')) {
      size_t at = end + 1;
      if (at < text_.size() && (text_[at] == '+' || text_[at] == '-')) ++at;
      if (at == text_.size() || !IsDigit(text_[at])) {
        pos_ = at;
        if (at == text_.size()) Fail(CalcFault::kUnexpectedEnd, "The exponent has no digits");
        Fail(CalcFault::kUnexpectedChar, Unexpected());
      }
      end = at;
      const std::string_view expDigits = digits();
      exponent = expDigits.size() > 6 ? 1000000 : std::stol(std::string(expDigits));
      if (text_[at - 1] == '-') exponent = -exponent;
    }
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text_.data() + start, text_.data() + end, value);
    if (ec == std::errc::result_out_of_range) {
      // Too large, or merely too small, which is a plain zero: the decimal
      // magnitude of the leading digit tells.
      const size_t lead = whole.find_first_not_of('0');
      const long magnitude = lead != std::string_view::npos
                                 ? static_cast<long>(whole.size() - lead) + exponent
                                 : exponent - static_cast<long>(std::min(fraction.find_first_not_of('0'), fraction.size()));
      if (magnitude > 0) Fail(CalcFault::kOutOfRange, "The number is out of range");
      value = 0;
    } else if (ec != std::errc() || ptr != text_.data() + end) {
      Fail(CalcFault::kUnexpectedChar, Unexpected());
    }
    pos_ = end;
    return Checked(value);
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

double EvaluateExpression(std::string_view expression) { return Parser(expression).Run(); }

std::string FormatCalcValue(double value) {
  if (value == 0) value = 0;  // no "-0"
  return pellor::FloatToStr(value);
}

}  // namespace suite::lookup
