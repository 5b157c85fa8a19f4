#include "suite/lookup/calc_expression.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/codepage.h"
#include "suite/lookup/calculator_window.h"

namespace suite::lookup {
namespace {

struct Good {
  const char* expression;
  const char* value;  // as the calculator answers it
};

TEST(CalcExpressionTest, Evaluates) {
  const Good cases[] = {
      {"1+2*3", "7"},               // * before +
      {"(1+2)*3", "9"},
      {"8/2/2", "2"},               // left to right
      {"10-4-3", "3"},
      {" 12.5 +\t3 ", "15.5"},      // blanks anywhere
      {"-3*-2", "6"},               // unary minus on both sides
      {"-(2+3)", "-5"},
      {"--4", "4"},
      {"+4", "4"},
      {"2*-(3-5)", "4"},
      {".5+5.", "5.5"},             // digits on one side of the point suffice
      {"1/3", "0.333333333333333"}, // 15 significant digits
      {"0.1+0.2", "0.3"},
      {"-0*5", "0"},                // no minus zero
      {"1E20*10", "1E21"},          // the calculator's own exponent form reads back
      {"2.5e-3*1000", "2.5"},
      {"0.0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "0000000000000000000000000000000000000000000000000000000000000001+1",
       "1"},                        // a fraction too fine for a double is zero
  };
  for (const Good& c : cases) {
    SCOPED_TRACE(c.expression);
    EXPECT_EQ(FormatCalcValue(EvaluateExpression(c.expression)), c.value);
  }
}

struct Bad {
  std::string expression;
  CalcFault fault;
  size_t position;
};

TEST(CalcExpressionTest, RefusesWithTheFaultAndWhereItIs) {
  const Bad cases[] = {
      {"", CalcFault::kEmpty, 0},
      {"   ", CalcFault::kEmpty, 3},
      {"1/0", CalcFault::kDivisionByZero, 1},
      {"5/(2-2)", CalcFault::kDivisionByZero, 1},
      {"0/0", CalcFault::kDivisionByZero, 1},
      {"1+", CalcFault::kUnexpectedEnd, 2},
      {"2*", CalcFault::kUnexpectedEnd, 2},
      {"(1+2", CalcFault::kMissingParen, 0},
      {"1+2)", CalcFault::kUnmatchedParen, 3},
      {"()", CalcFault::kUnmatchedParen, 1},
      {"1.2.3", CalcFault::kUnexpectedChar, 3},
      {"2 3", CalcFault::kUnexpectedChar, 2},
      {"2(3)", CalcFault::kUnexpectedChar, 1},
      {"(1 2)", CalcFault::kUnexpectedChar, 3},
      {"abc", CalcFault::kUnexpectedChar, 0},
      {"1+x", CalcFault::kUnexpectedChar, 2},
      {".", CalcFault::kUnexpectedChar, 0},
      {"1e", CalcFault::kUnexpectedEnd, 2},
      {"1e+x", CalcFault::kUnexpectedChar, 3},
      {"1e400", CalcFault::kOutOfRange, 0},
      {std::string(400, '9'), CalcFault::kOutOfRange, 0},
      {"1e300*1e300", CalcFault::kOutOfRange, 11},
      {std::string(kMaxCalcDepth + 1, '(') + "1" + std::string(kMaxCalcDepth + 1, ')'), CalcFault::kTooDeep,
       kMaxCalcDepth},
      {std::string(100000, '-') + "1", CalcFault::kTooDeep, kMaxCalcDepth},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.expression.substr(0, 40));
    try {
      EvaluateExpression(c.expression);
      ADD_FAILURE() << "no error";
    } catch (const ECalcError& e) {
      EXPECT_EQ(e.Fault(), c.fault) << e.what();
      EXPECT_EQ(e.Position(), c.position) << e.what();
    }
  }
  // Nesting just inside the bound works.
  const int depth = kMaxCalcDepth - 1;
  EXPECT_EQ(EvaluateExpression(std::string(depth, '(') + "7" + std::string(depth, ')')), 7);
}

TEST(CalcExpressionTest, CalculatorInputTakesFullWidthFormsAndMarksOtherCharacters) {
  // "１２×（３＋４）÷２" typed with a Chinese input method, in code page 936.
  const std::string typed = pellor::Cp936("１２×（３＋４）÷２");
  EXPECT_EQ(CalculatorInput(typed, pellor::kCodePageGB), "12*(3+4)/2");
  EXPECT_EQ(EvaluateExpression(CalculatorInput(typed, pellor::kCodePageGB)), 42);
  // Any other character is one "?" so positions count characters.
  EXPECT_EQ(CalculatorInput(pellor::Cp936("1+元"), pellor::kCodePageGB), "1+?");
}

}  // namespace
}  // namespace suite::lookup
