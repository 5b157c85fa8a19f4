#include "platform/rtl/sql_password.h"

#include <gtest/gtest.h>

#include <string>

namespace pellor {
namespace {

TEST(SqlPasswordTest, RoundTripsEveryByteAndTheEmptyPassword) {
  // 's' 0x73 rotated right by 1 is 0xB9, 'a' 0x61 rotated right by 2 is 0x58.
  EXPECT_EQ(EncodeSqlPassword("sa"), "B958");
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  std::string plain;
  ASSERT_TRUE(DecodeSqlPassword(EncodeSqlPassword(all), plain));
  EXPECT_EQ(plain, all);
  ASSERT_TRUE(DecodeSqlPassword(EncodeSqlPassword(""), plain));
  EXPECT_EQ(plain, "");
  ASSERT_TRUE(DecodeSqlPassword("b958f", plain));  // lower case, odd tail ignored
  EXPECT_EQ(plain, "sa");
}

TEST(SqlPasswordTest, ANonHexPairIsNamedAndLeavesThePlainTextAlone) {
  std::string plain = "before";
  std::string badPair;
  EXPECT_FALSE(DecodeSqlPassword("B958zZ61", plain, &badPair));
  EXPECT_EQ(badPair, "zZ");
  EXPECT_EQ(plain, "before");
  EXPECT_FALSE(DecodeSqlPassword("-1", plain));
}

}  // namespace
}  // namespace pellor
