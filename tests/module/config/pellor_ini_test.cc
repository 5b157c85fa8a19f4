#include "module/config/pellor_ini.h"

#include <gtest/gtest.h>

#include "module/config/config_test_support.h"
#include "module/config/sql_password.h"
#include "platform/rtl/sysutils.h"

namespace pevf {
namespace {

using pellor::Variant;
using testing::TempInstallation;

TEST(MakeAbsolutePathTest, ResolvesAgainstTheRoot) {
  struct Case {
    const char* path;
    const char* absolute;
  } cases[] = {
      {"D:\\Pkg", "D:/Pkg"},
      {"d:pkg", "d:pkg"},
      {"\\\\server\\share\\pkg", "//server/share/pkg"},
      {"/opt/pkg", "/opt/pkg"},
      {"\\pkg\\sub", "/root/pkg/sub"},
      {"pkg\\sub", "/root/pkg/sub"},
      {"", "/root/"},
      // "\\server" without a share is no UNC name: one backslash is dropped.
      {"\\\\server", "/root//server"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeAbsolutePath(c.path, "/root/"), c.absolute) << c.path;
  }
}

TEST(ConvertKindTest, FollowsTheCodePages) {
  struct Case {
    const char* ui;
    const char* system;
    const char* db;
    int uiKind;
    int dbKind;
  } cases[] = {
      {"936", "936", "936", 0, 0}, {"950", "950", "950", 2, 0}, {"950", "936", "936", 2, 2},
      {"936", "950", "936", 4, 0}, {"936", "437", "950", 0, 1}, {"437", "437", "950", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UIConvertKindOf(c.ui, c.system), c.uiKind) << c.ui << "/" << c.system;
    EXPECT_EQ(DBConvertKindOf(c.ui, c.db), c.dbKind) << c.ui << "/" << c.db;
  }
}

class PellorIniTest : public ::testing::Test {
 protected:
  // A client root with the given profile text, and the store announcing it.
  void Install(const std::string& profile, std::vector<std::string> registry = {}) {
    registry.push_back("ClientPath=" + install_.Path("client"));
    install_.SetRegistry(registry);
    if (!profile.empty()) install_.WriteFile("client/PellorC.ini", profile);
  }
  std::string Root() const { return install_.Path("client/"); }

  TempInstallation install_;
};

TEST_F(PellorIniTest, MissingKeyLeavesUsableDefaults) {
  TPellorIniC ini;
  EXPECT_EQ(ini.ErrorCode, "E;000015");
  EXPECT_FALSE(ini.LoadProfile());
  EXPECT_TRUE(ini.ServerAddresses.IsEmpty());
  EXPECT_TRUE(ini.WorkDLLPaths.Empty());
  EXPECT_EQ(ini.ClientPath, "");
  EXPECT_EQ(ini.IniFileName, "");
  EXPECT_EQ(ini.UICodePage, ini.SystemCodePage);
  EXPECT_EQ(ini.DBCodePage, "936");
  EXPECT_EQ(ini.UIConvertKind, UIConvertKindOf(ini.UICodePage, ini.SystemCodePage));

  TPellorIniS server;
  EXPECT_EQ(server.ErrorCode, "E;000015");
  EXPECT_TRUE(server.DBSettings.IsEmpty());
}

TEST_F(PellorIniTest, EmptyRootStopsWithoutError) {
  install_.SetRegistry({"ProfileType=0"});
  TPellorIniC ini;
  EXPECT_EQ(ini.ErrorCode, "");
  EXPECT_FALSE(ini.LoadProfile());
  EXPECT_EQ(ini.IniFileName, "");
  EXPECT_TRUE(ini.ServerAddresses.IsEmpty());
}

TEST_F(PellorIniTest, MissingFileGivesDefaults) {
  Install("");
  TPellorIniC ini;
  EXPECT_TRUE(ini.LoadProfile());
  EXPECT_EQ(ini.ErrorCode, "");
  EXPECT_EQ(ini.ClientPath, Root());
  EXPECT_EQ(ini.ProfilePath, Root());
  EXPECT_EQ(ini.IniFileName, Root() + "PellorC.ini");
  EXPECT_EQ(ini.ProfileType, "");  // a missing value replaces the default "0"
  EXPECT_EQ(ini.UserName, "Default");
  EXPECT_EQ(ini.LangType, "ENG");
  EXPECT_EQ(ini.ProductVersion, "");
  EXPECT_EQ(ini.CreateGifBeforeSendEF, "Y");
  EXPECT_FALSE(ini.SupportCallBack);
  Variant expected = Variant::Array2(1, 0);
  expected.At(0, 0) = Variant("127.0.0.1");
  expected.At(1, 0) = Variant(211);
  EXPECT_EQ(ini.ServerAddresses, expected);
  EXPECT_EQ(ini.WorkDLLPaths.Lines(), std::vector<std::string>{Root() + "C_PKG/"});
  EXPECT_EQ(ini.TaskMessageSettings.AutoCheckNewMsg, "1");
  EXPECT_EQ(ini.TaskMessageSettings.CheckInterval, "1");
  EXPECT_EQ(ini.TaskMessageSettings.PopupMsg, "1");
  EXPECT_EQ(ini.TaskMessageSettings.LoginCheck, "0");
}

TEST_F(PellorIniTest, ReadsTheClientProfile) {
  Install(
      "[Client Components]\nLangType=CHT\n"
      "[ProductVersion]\nVersion=8.0.1\n"
      "[UserDefine]\nCreateGifBeforeSendEF=N\n"
      "[Server Information]\nComputerName= hostA;hostB; \nServerPort=2000\nSupportCallBack=yes\n"
      "[TaskMessageCenter Setting]\nAutoCheckNewMsg=0\nCheckInterval=5\nPopupMsg=0\nLoginCheck=1\n"
      "[WorkDLLPath]\nP1=D:\\Pkg\nP2=\\pkg\\sub\nP3=rel\nP4=/opt/pkg/\nP5=\\\\srv\\share\\x\n");
  TPellorIniC ini;
  EXPECT_EQ(ini.ErrorCode, "");
  EXPECT_EQ(ini.LangType, "CHT");
  EXPECT_EQ(ini.ProductVersion, "8.0.1");
  EXPECT_EQ(ini.CreateGifBeforeSendEF, "N");
  EXPECT_TRUE(ini.SupportCallBack);
  EXPECT_EQ(ini.TaskMessageSettings.AutoCheckNewMsg, "0");
  EXPECT_EQ(ini.TaskMessageSettings.CheckInterval, "5");
  EXPECT_EQ(ini.TaskMessageSettings.PopupMsg, "0");
  EXPECT_EQ(ini.TaskMessageSettings.LoginCheck, "1");

  Variant expected = Variant::Array2(1, 1);
  expected.At(0, 0) = Variant("hostA");
  expected.At(1, 0) = Variant(2000);
  expected.At(0, 1) = Variant("hostB");
  expected.At(1, 1) = Variant(2000);
  EXPECT_EQ(ini.ServerAddresses, expected);

  EXPECT_EQ(ini.WorkDLLPaths.Lines(),
            (std::vector<std::string>{"D:/Pkg/", Root() + "pkg/sub/", Root() + "rel/",
                                      "/opt/pkg/", "//srv/share/x/"}));
}

TEST_F(PellorIniTest, SupportCallBackValues) {
  struct Case {
    const char* value;
    bool on;
  } cases[] = {{"1", true}, {"Y", true}, {"yes", true}, {"True", true},
               {"0", false}, {"on", false}, {"2", false}, {"", false}};
  for (const Case& c : cases) {
    Install(std::string("[Server Information]\nSupportCallBack=") + c.value + "\n");
    EXPECT_EQ(TPellorIniC().SupportCallBack, c.on) << c.value;
  }
}

TEST_F(PellorIniTest, BlankComputerNameIsAnError) {
  for (const char* hosts : {" ", ";", " ; "}) {
    Install(std::string("[Server Information]\nComputerName=") + hosts + "\n");
    TPellorIniC ini;
    EXPECT_EQ(ini.ErrorCode, "E;000016") << '"' << hosts << '"';
    EXPECT_TRUE(ini.ServerAddresses.IsEmpty());
    EXPECT_TRUE(ini.WorkDLLPaths.Empty());  // package folders are not resolved
  }
  Install("[Server Information]\nComputerName=10.0.0.1\nServerPort=abc\n");
  TPellorIniC ini;
  EXPECT_EQ(ini.ServerAddresses.At(1, 0), Variant(211));
}

TEST_F(PellorIniTest, PerUserProfile) {
  const std::string user = pellor::LogonUserName();
  ASSERT_FALSE(user.empty());
  Install("[Client Components]\nLangType=CHS\n", {"ProfileType=1"});
  {
    // No profile of the user's own: the shared one, but the user's name.
    TPellorIniC ini;
    EXPECT_EQ(ini.ProfileType, "1");
    EXPECT_EQ(ini.ProfilePath, Root());
    EXPECT_EQ(ini.IniFileName, Root() + "PellorC.ini");
    EXPECT_EQ(ini.UserName, user);
    EXPECT_EQ(ini.LangType, "CHS");
  }
  install_.WriteFile("client/Profile/" + user + "/PellorC.ini",
                     "[Client Components]\nLangType=CHT\n");
  TPellorIniC ini;
  EXPECT_EQ(ini.ProfilePath, Root() + "Profile/" + user + "/");
  EXPECT_EQ(ini.IniFileName, Root() + "Profile/" + user + "/PellorC.ini");
  EXPECT_EQ(ini.LangType, "CHT");
  // Package folders stay relative to the installation root.
  EXPECT_EQ(ini.WorkDLLPaths.Lines(), std::vector<std::string>{Root() + "C_PKG/"});
}

TEST_F(PellorIniTest, CodePagesAndConversionKinds) {
  Install("", {"SystemCodePage=1252"});
  {
    TPellorIniC ini;
    EXPECT_EQ(ini.SystemCodePage, "437");
    EXPECT_EQ(ini.UICodePage, "437");
    EXPECT_EQ(ini.UIConvertKind, 0);
    EXPECT_EQ(ini.DBConvertKind, 0);
  }
  Install("[CodePage]\nUICodePage=936\nDBCodePage=950\n", {"SystemCodePage=1252"});
  {
    TPellorIniC ini;
    EXPECT_EQ(ini.SystemCodePage, "437");
    EXPECT_EQ(ini.DBConvertKind, 1);
    EXPECT_EQ(ini.UIConvertKind, 0);
  }
  Install("[CodePage]\nUICodePage=936\n", {"SystemCodePage=950"});
  {
    TPellorIniC ini;
    EXPECT_EQ(ini.SystemCodePage, "950");
    EXPECT_EQ(ini.UIConvertKind, 4);
    EXPECT_EQ(ini.DBConvertKind, 0);
  }
  Install("[CodePage]\n", {"SystemCodePage=950"});
  TPellorIniC ini;
  EXPECT_EQ(ini.UICodePage, "950");
  EXPECT_EQ(ini.UIConvertKind, 2);
  EXPECT_EQ(ini.DBConvertKind, 2);  // a Big5 interface on the default GB database
}

class PellorIniServerTest : public ::testing::Test {
 protected:
  void Install(const std::string& profile) {
    install_.SetRegistry({"ServerPath=" + install_.Path("server"), "ProfileType=0"});
    if (!profile.empty()) install_.WriteFile("server/PellorS.ini", profile);
  }
  std::string Root() const { return install_.Path("server/"); }

  TempInstallation install_;
};

TEST_F(PellorIniServerTest, DefaultsOfAMissingFile) {
  Install("");
  TPellorIniS ini;
  EXPECT_TRUE(ini.LoadProfile());
  EXPECT_EQ(ini.ErrorCode, "");
  EXPECT_EQ(ini.ServerPath, Root());
  EXPECT_EQ(ini.IniFileName, Root() + "PellorS.ini");
  EXPECT_EQ(ini.DBKind, 0);
  EXPECT_EQ(ini.SystemControlAddress, "");
  EXPECT_EQ(ini.WorkDLLPaths.Lines(), std::vector<std::string>{Root() + "S_PKG/"});

  const Variant& db = ini.DBSettings;
  ASSERT_EQ(db.Dims(), 2);
  EXPECT_EQ(db.HighBound(1), 3);
  EXPECT_EQ(db.HighBound(2), 7);
  struct Cell {
    int row, column;
    Variant value;
  } cells[] = {
      {0, 0, "Tamlo"},     {0, 1, "sa"},         {0, 2, ""},       {0, 3, "MSSQL"},
      {0, 4, ""},          {0, 5, ""},           {0, 6, 300},      {0, 7, 3000},
      {1, 0, "TamloTemp"}, {1, 1, "sa"},         {1, 2, ""},       {1, 3, "PARADOX"},
      {1, 4, ""},          {1, 5, "PostgreSQL"}, {1, 6, 300},      {1, 7, 3000},
      {2, 0, ""},          {2, 1, 211},          {2, 2, 1024},
      {2, 3, "Chinese_Taiwan_Stroke_BIN"},
      {3, 0, "EDIDATA"},   {3, 1, "sa"},         {3, 2, ""},
  };
  for (const Cell& cell : cells) {
    EXPECT_EQ(db.At(cell.row, cell.column), cell.value) << cell.row << "," << cell.column;
    EXPECT_EQ(db.At(cell.row, cell.column).Type(), cell.value.Type())
        << cell.row << "," << cell.column;
  }
  for (int column = 4; column <= 7; ++column) EXPECT_TRUE(db.At(2, column).IsEmpty());
  for (int column = 3; column <= 7; ++column) EXPECT_TRUE(db.At(3, column).IsEmpty());
}

TEST_F(PellorIniServerTest, ReadsTheServerProfile) {
  Install("[ProductVersion]\nVersion=8.1\n"
          "[CodePage]\nUICodePage=950\nDBCodePage=936\n"
          "[DBE Setting]\nMainDBType=oracle\nMainServerName=dbhost\nSystemControlAddress= \n"
          "OtherSystemControlAddress=ctl2\n"
          "XXXXXX=" + EncodeSQLSa("secret") + "\nTempPassword=zz\nEctPassword=" +
          EncodeSQLSa("edi") + "\nMainConnectionTimeOut=abc\nMainCommandTimeOut=60\n"
          "[DBPasswordCtrl]\nComputerName=  pwhost  \nServerPort=300\nSupportCallBack=TRUE\n"
          "[WorkDLLPath]\nA=\\s_pkg2\n");
  TPellorIniS ini;
  EXPECT_EQ(ini.ProductVersion, "8.1");
  EXPECT_EQ(ini.UIConvertKind, 2);
  EXPECT_EQ(ini.DBConvertKind, 2);
  EXPECT_TRUE(ini.SupportCallBack);
  EXPECT_EQ(ini.DBKind, 1);
  EXPECT_EQ(ini.SystemControlAddress, "dbhost");
  EXPECT_EQ(ini.OtherSystemControlAddress, "ctl2");
  EXPECT_EQ(ini.DBSettings.At(0, 2), Variant("secret"));
  EXPECT_EQ(ini.DBSettings.At(1, 2), Variant(kSqlPasswordError));
  EXPECT_EQ(ini.DBSettings.At(3, 2), Variant(EncodeSQLSa("edi")));  // kept as stored
  EXPECT_EQ(ini.DBSettings.At(0, 6), Variant(300));
  EXPECT_EQ(ini.DBSettings.At(0, 7), Variant(60));
  EXPECT_EQ(ini.DBSettings.At(2, 0), Variant("pwhost"));
  EXPECT_EQ(ini.DBSettings.At(2, 1), Variant(300));
  EXPECT_EQ(ini.WorkDLLPaths.Lines(), std::vector<std::string>{Root() + "s_pkg2/"});
}

TEST_F(PellorIniServerTest, DatabaseKinds) {
  struct Case {
    const char* type;
    int kind;
  } cases[] = {{"ORACLE", 1}, {"Oracle", 1}, {"db2", 2}, {"MSSQL", 0}, {"ORACLE8", 0}};
  for (const Case& c : cases) {
    Install(std::string("[DBE Setting]\nMainDBType=") + c.type + "\n");
    EXPECT_EQ(TPellorIniS().DBKind, c.kind) << c.type;
  }
}

}  // namespace
}  // namespace pevf
