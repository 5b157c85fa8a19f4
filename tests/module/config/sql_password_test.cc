#include "module/config/sql_password.h"

#include <gtest/gtest.h>

#include "module/config/config_test_support.h"
#include "platform/rtl/datetime.h"

namespace pevf {
namespace {

TEST(SqlPasswordTest, EncodesByRotatingEachByte) {
  // 's' 0x73 rotated right by 1 is 0xB9, 'a' 0x61 rotated right by 2 is 0x58.
  EXPECT_EQ(EncodeSQLSa("sa"), "B958");
  EXPECT_EQ(DecodeSQLSa("b958"), "sa");
  EXPECT_EQ(DecodeSQLSa("B958"), "sa");
  // Position 8 is not rotated at all.
  EXPECT_EQ(EncodeSQLSa("aaaaaaaa").substr(14), "61");
}

TEST(SqlPasswordTest, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int byte = 255; byte >= 0; --byte) all.push_back(static_cast<char>(byte));
  std::string encoded = EncodeSQLSa(all);
  EXPECT_EQ(encoded.size(), 512u);
  EXPECT_EQ(DecodeSQLSa(encoded), all);
  EXPECT_EQ(DecodeSQLSa(EncodeSQLSa("\xB9\xFA\x80")), "\xB9\xFA\x80");
}

TEST(SqlPasswordTest, EmptyPasswordTravelsAsTheMarker) {
  std::string encoded = EncodeSQLSa("");
  EXPECT_EQ(encoded.size(), 2 * std::string("KV_Say_NoPassWord_ThePassWordIsEmpty").size());
  EXPECT_EQ(DecodeSQLSa(encoded), "");
  EXPECT_EQ(DecodeSQLSa(""), "");
  // A trailing odd character is ignored.
  EXPECT_EQ(DecodeSQLSa("B958f"), "sa");
  EXPECT_EQ(DecodeSQLSa(encoded + "7"), "");
}

TEST(SqlPasswordTest, UndecodableTextIsLoggedAndMarked) {
  testing::TempInstallation install;
  install.SetRegistry({"ClientPath=" + install.Path("root/")});
  EXPECT_EQ(DecodeSQLSa("b9zz"), kSqlPasswordError);
  EXPECT_EQ(DecodeSQLSa("-1"), kSqlPasswordError);

  std::string text = install.ReadFile("root/Log/Alert_VelmoraGenerator_" +
                                      pellor::DateToStr8(pellor::Today()) + ".log");
  std::vector<std::string> lines = testing::LogMessages(text);
  ASSERT_GE(lines.size(), 6u);
  const std::string rule = "----------------------------------";
  EXPECT_EQ(lines[0], rule + " on DecodeSQLSa " + rule);
  EXPECT_EQ(lines[2], "Exception is EConvertError");
  EXPECT_EQ(lines[3], "Message 01: '$zz' is not a valid integer value");
  EXPECT_EQ(lines[4], "ErrorMessage Count: 1");
  // 解析 Sa 时发生错误!
  EXPECT_EQ(lines[5],
            "Programer Message: \xBD\xE2\xCE\xF6 Sa \xCA\xB1\xB7\xA2\xC9\xFA\xB4\xED\xCE\xF3!");
}

}  // namespace
}  // namespace pevf
