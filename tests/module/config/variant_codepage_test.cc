#include "module/config/variant_codepage.h"

#include <gtest/gtest.h>

#include "module/config/config_test_support.h"

namespace pevf {
namespace {

using pellor::Variant;

const std::u16string kWide = u"中文";
const std::string kGb = "\xD6\xD0\xCE\xC4";
const std::string kBig5 = "\xA4\xA4\xA4\xE5";

class VariantCodePageTest : public ::testing::Test {
 protected:
  // Pin the machine code page, which the fallback of unknown pages uses.
  void SetUp() override { install_.SetRegistry({"SystemCodePage=936"}); }

  testing::TempInstallation install_;
};

TEST_F(VariantCodePageTest, TextConversions) {
  EXPECT_EQ(WideToAnsiCP(kWide, 936), kGb);
  EXPECT_EQ(WideToAnsiCP(kWide, 950), kBig5);
  EXPECT_EQ(AnsiToWideCP(kGb, 936), kWide);
  EXPECT_EQ(AnsiToWideCP(kBig5, 950), kWide);
  EXPECT_EQ(WideToAnsiCP(u"", 936), "");
  // A character the code page lacks is replaced, the rest stays in that page.
  EXPECT_EQ(WideToAnsiCP(u"a中", 437), "a?");
  EXPECT_EQ(AnsiToWideCP("a\xFF", 936), u"a\uFFFD");
  // A code page nobody knows falls back to the machine's.
  EXPECT_EQ(WideToAnsiCP(kWide, 12345), kGb);
  EXPECT_EQ(AnsiToWideCP(kGb, 12345), kWide);
}

TEST_F(VariantCodePageTest, ScalarsAndBlanks) {
  EXPECT_EQ(VarWideToAnsi(Variant(kWide), 950), Variant(kBig5));
  EXPECT_EQ(VarAnsiToWide(Variant(kBig5), 950), Variant(kWide));
  // A text already of the wanted kind is not sent through the machine code
  // page (936 here), which would garble it for page 950.
  EXPECT_EQ(VarWideToAnsi(Variant(kGb), 950), Variant(kGb));
  EXPECT_EQ(VarAnsiToWide(Variant(kWide), 950), Variant(kWide));
  EXPECT_TRUE(VarWideToAnsi(Variant(), 936).IsEmpty());
  EXPECT_TRUE(VarAnsiToWide(Variant::Null(), 936).IsNull());
  EXPECT_EQ(VarWideToAnsi(Variant(12), 936), Variant(12));
}

TEST_F(VariantCodePageTest, OneDimensionalArraysRecurse) {
  Variant nested = Variant::ArrayOf({Variant(kWide), Variant(kGb)});
  Variant value = Variant::ArrayOf({Variant(kWide), Variant(5), Variant(kGb), nested});
  Variant narrow = VarWideToAnsi(value, 950);
  EXPECT_EQ(narrow, Variant::ArrayOf({Variant(kBig5), Variant(5), Variant(kGb),
                                      Variant::ArrayOf({Variant(kBig5), Variant(kGb)})}));
  // The input is a value: converting a copy leaves it alone.
  EXPECT_EQ(value[0], Variant(kWide));

  Variant wide = VarAnsiToWide(Variant::ArrayOf({Variant(kBig5), Variant(kWide),
                                                 Variant::ArrayOf({Variant(kBig5)})}),
                               950);
  EXPECT_EQ(wide, Variant::ArrayOf({Variant(kWide), Variant(kWide),
                                    Variant::ArrayOf({Variant(kWide)})}));
}

TEST_F(VariantCodePageTest, TwoDimensionalArraysConvertCellsOnly) {
  Variant table = Variant::Array2(1, 1);
  table.At(0, 0) = Variant(kWide);
  table.At(0, 1) = Variant(kGb);
  table.At(1, 0) = Variant::ArrayOf({Variant(kWide)});
  table.At(1, 1) = Variant(3.5);
  Variant narrow = VarWideToAnsi(table, 950);
  EXPECT_EQ(narrow.At(0, 0), Variant(kBig5));
  EXPECT_EQ(narrow.At(0, 1), Variant(kGb));
  EXPECT_EQ(narrow.At(1, 0), Variant::ArrayOf({Variant(kWide)}));  // no recursion
  EXPECT_EQ(narrow.At(1, 1), Variant(3.5));

  Variant back = VarAnsiToWide(narrow, 950);
  EXPECT_EQ(back.At(0, 0), Variant(kWide));
  EXPECT_EQ(back.At(0, 1), Variant(AnsiToWideCP(kGb, 950)));
}

}  // namespace
}  // namespace pevf
