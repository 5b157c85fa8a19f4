#include "module/config/userdef_ini.h"

#include <gtest/gtest.h>

#include <regex>

#include "module/config/config_test_support.h"
#include "platform/rtl/errors.h"

namespace pevf {
namespace {

class UserDefIniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install_.SetRegistry({"ClientPath=" + install_.Path("client")});
    std::filesystem::create_directories(install_.Path("client"));
  }

  testing::TempInstallation install_;
};

TEST_F(UserDefIniTest, KeyEscapesEqualSigns) {
  EXPECT_EQ(TUserDefIni::EntryKey("ABC", "K=1"), "ABC_K$EQUAL$1");
  EXPECT_EQ(TUserDefIni::EntryKey("ABC", "a=b=c"), "ABC_a$EQUAL$b$EQUAL$c");
}

TEST_F(UserDefIniTest, MissingFileMarksNothing) {
  TUserDefIni ini;
  EXPECT_EQ(ini.FileName(), install_.Path("client/UserDef.ini"));
  EXPECT_EQ(ini.DefaultFormat("ABC", "K=1"), "<New>");
}

TEST_F(UserDefIniTest, WritesAreSeenByLaterReaders) {
  TUserDefIni ini;
  ini.SetDefaultFormat("ABC", "K=1", "Format A");
  ini.SetDefaultFormat("ABC", "K2", "Format B");
  EXPECT_EQ(ini.DefaultFormat("ABC", "K=1"), "Format A");
  EXPECT_EQ(ini.DefaultFormat("abc", "K=1"), "Format A");  // keys ignore letter case
  std::string file = install_.ReadFile("client/UserDef.ini");
  EXPECT_TRUE(std::regex_search(
      file, std::regex(R"(\[VoucherFormatDef\]\r?\nABC_K\$EQUAL\$1=Format A\r?\n)")))
      << file;

  TUserDefIni later;
  EXPECT_EQ(later.DefaultFormat("ABC", "K=1"), "Format A");
  EXPECT_EQ(later.DefaultFormat("ABC", "K2"), "Format B");

  // "<New>" in any case removes the mark.
  later.SetDefaultFormat("ABC", "K=1", "<new>");
  EXPECT_EQ(later.DefaultFormat("ABC", "K=1"), "<New>");
  EXPECT_EQ(TUserDefIni().DefaultFormat("ABC", "K=1"), "<New>");

  later.RemoveDefault("ABC", "K2");
  EXPECT_EQ(later.DefaultFormat("ABC", "K2"), "<New>");
  EXPECT_EQ(TUserDefIni().DefaultFormat("ABC", "K2"), "<New>");
}

TEST_F(UserDefIniTest, WithoutClientFolderWritesFail) {
  install_.SetRegistry({});
  TUserDefIni ini;
  EXPECT_EQ(ini.FileName(), "");
  EXPECT_EQ(ini.DefaultFormat("ABC", "K"), "<New>");
  EXPECT_THROW(ini.SetDefaultFormat("ABC", "K", "Format A"), pellor::EInOutError);
  EXPECT_THROW(ini.RemoveDefault("ABC", "K"), pellor::EInOutError);
}

TEST_F(UserDefIniTest, UnwritableFileRaises) {
  install_.WriteFile("client/UserDef.ini/blocker", "");  // a folder in the file's place
  TUserDefIni ini;
  EXPECT_THROW(ini.SetDefaultFormat("ABC", "K", "Format A"), pellor::EInOutError);
}

}  // namespace
}  // namespace pevf
