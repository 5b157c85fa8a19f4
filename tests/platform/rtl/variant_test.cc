#include "platform/rtl/variant.h"

#include <gtest/gtest.h>

#include "platform/rtl/errors.h"

namespace pellor {
namespace {

TEST(VariantTest, ScalarsConvertAsTheOriginalDid) {
  EXPECT_EQ(Variant().AsString(), "");
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant(42).AsString(), "42");
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(" 17 ").AsInteger(), 17);
  EXPECT_EQ(Variant("2.5").AsFloat(), 2.5);
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // half to even
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_EQ(VarToStr(Variant::Null()), "");
}

TEST(VariantTest, ImpossibleConversionsRaiseTypedErrors) {
  EXPECT_THROW(Variant("abc").AsInteger(), EConvertError);
  EXPECT_THROW(Variant("abc").AsBoolean(), EConvertError);
  EXPECT_THROW(Variant::Null().AsString(), EVariantError);
  EXPECT_THROW(Variant::Array(1).AsString(), EVariantError);
  EXPECT_THROW(Variant(1e30).AsInteger(), EVariantError);
  EXPECT_THROW(Variant(int64_t{1} << 40).AsInteger(), EVariantError);
}

TEST(VariantTest, BlankAndNullAreDistinct) {
  EXPECT_TRUE(Variant().IsBlank());
  EXPECT_TRUE(Variant::Null().IsBlank());
  EXPECT_FALSE(Variant("").IsBlank());
  EXPECT_FALSE(Variant(DispatchPtr()).IsDispatch());
  EXPECT_TRUE(Variant(DispatchPtr()).IsEmpty());
}

TEST(VariantTest, OneDimensionalArraysAreValues) {
  Variant a = Variant::ArrayOf({"u1", "c1", 3});
  EXPECT_EQ(a.Dims(), 1);
  EXPECT_EQ(a.HighBound(), 2);
  EXPECT_EQ(a.Count(), 3);
  Variant copy = a;
  copy[0] = "changed";
  EXPECT_EQ(a[0].AsString(), "u1");
  EXPECT_EQ(copy[0].AsString(), "changed");
  EXPECT_NE(a, copy);
  EXPECT_THROW(a[3], EVariantError);
  EXPECT_THROW(a[-1], EVariantError);
  EXPECT_THROW(a.At(0, 0), EVariantError);
  EXPECT_THROW(a.HighBound(2), EVariantError);
  EXPECT_EQ(Variant::Array(-1).Count(), 0);
}

TEST(VariantTest, TwoDimensionalArraysGrowTheLastDimensionKeepingCells) {
  Variant table = Variant::Array2(1, 0);
  table.At(0, 0) = "host1";
  table.At(1, 0) = 2000;
  table.RedimPreserve(1);
  table.At(0, 1) = "host2";
  table.At(1, 1) = 2000;
  EXPECT_EQ(table.HighBound(1), 1);
  EXPECT_EQ(table.HighBound(2), 1);
  EXPECT_EQ(table.At(0, 0).AsString(), "host1");
  EXPECT_EQ(table.At(1, 0).AsInteger(), 2000);
  EXPECT_EQ(table.At(0, 1).AsString(), "host2");
  EXPECT_THROW(table[0], EVariantError);
  EXPECT_THROW(table.At(2, 0), EVariantError);
}

TEST(VariantTest, AssigningAnElementOfItselfIsSafe) {
  Variant nested = Variant::ArrayOf({Variant::ArrayOf({"inner", 5}), 1});
  nested = nested[0];
  EXPECT_EQ(nested[0].AsString(), "inner");
  Variant other = Variant::ArrayOf({Variant::ArrayOf({"x"})});
  other = std::move(other[0]);
  EXPECT_EQ(other[0].AsString(), "x");
}

TEST(VariantTest, EqualityComparesNumbersByValue) {
  EXPECT_EQ(Variant(1), Variant(1.0));
  EXPECT_NE(Variant("1"), Variant(1));
  EXPECT_EQ(Variant::ArrayOf({1, "a"}), Variant::ArrayOf({1, "a"}));
  EXPECT_EQ(Variant::Null(), Variant::Null());
  EXPECT_NE(Variant::Null(), Variant());
}

}  // namespace
}  // namespace pellor
