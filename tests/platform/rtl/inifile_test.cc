#include "platform/rtl/inifile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "platform/rtl/errors.h"
#include "platform/rtl/temp_dir.h"

namespace pellor {
namespace {

// "评核" in code page 936 and "因素" in code page 950 (whose first character
// ends in 0x5D, the byte of "]").
const std::string kGb = "\xC6\xC0\xBA\xCB";
const std::string kBig5 = "\xA6\x5D\xAF\xC0";

class IniFileTest : public testing::Test {
 protected:
  std::string Write(std::string_view content) {
    test::WriteTestFile(file_, content);
    return file_;
  }
  std::string Content() const { return test::ReadTestFile(file_); }

  test::ScopedTempDir dir_;
  std::string file_ = dir_.File("PellorC.ini");
};

TEST_F(IniFileTest, ReadsWithoutCaseAndTrimmed) {
  Write("; installed by setup\r\n"
        "[Server Information]\r\n"
        "  ComputerName = 10.0.0.1;10.0.0.2; \r\n"
        "ServerPort=2000\r\n"
        "Expr=a=b\r\n"
        "serverport=9999\r\n"  // a second line of a key is never seen
        "Empty=\r\n"
        "\r\n"
        "[CodePage]\r\n"
        "UICodePage=950\r\n");
  TIniFile ini(file_);
  EXPECT_EQ(ini.ReadString("server information", "COMPUTERNAME", "x"), "10.0.0.1;10.0.0.2;");
  EXPECT_EQ(ini.ReadString("Server Information", "Expr", ""), "a=b");
  EXPECT_EQ(ini.ReadString("Server Information", "Empty", "fallback"), "");
  EXPECT_EQ(ini.ReadInteger("Server Information", "ServerPort", 211), 2000);
  EXPECT_EQ(ini.ReadString("CODEPAGE", "uicodepage", ""), "950");
  EXPECT_EQ(ini.ReadString("CodePage", "ServerPort", "none"), "none");
  EXPECT_EQ(ini.ReadString("Nothing", "UICodePage", "none"), "none");
  EXPECT_TRUE(ini.SectionExists("codepage"));
  EXPECT_FALSE(ini.SectionExists("Code"));
  EXPECT_TRUE(ini.ValueExists("server information", "empty"));
  EXPECT_FALSE(ini.ValueExists("CodePage", "DBCodePage"));
}

TEST_F(IniFileTest, MissingFileReadsAsEmpty) {
  TIniFile ini(dir_.File("none/PellorC.ini"));
  EXPECT_EQ(ini.ReadString("CodePage", "UICodePage", "936"), "936");
  EXPECT_EQ(ini.ReadInteger("Server Information", "ServerPort", 211), 211);
  EXPECT_TRUE(ini.ReadBool("UserDefine", "Flag", true));
  EXPECT_FALSE(ini.SectionExists("CodePage"));
  TStringList lines({"stale"});
  ini.ReadSectionValues("WorkDLLPath", lines);
  EXPECT_TRUE(lines.Empty());
}

TEST_F(IniFileTest, NumbersAndFlags) {
  Write("[N]\nA=12\nB= -3 \nC=0x10\nD=12abc\nE=\nF=99999999999\nT=1\nZ=0\nTwo=2\nYes=yes\n");
  TIniFile ini(file_);
  const std::pair<const char*, int> integers[] = {
      {"A", 12}, {"B", -3}, {"C", 7}, {"D", 7}, {"E", 7}, {"F", 7}, {"Missing", 7}};
  for (const auto& [key, expected] : integers) {
    EXPECT_EQ(ini.ReadInteger("N", key, 7), expected) << key;
  }
  EXPECT_TRUE(ini.ReadBool("N", "T", false));
  EXPECT_FALSE(ini.ReadBool("N", "Z", true));
  EXPECT_TRUE(ini.ReadBool("N", "Two", false));
  EXPECT_FALSE(ini.ReadBool("N", "Yes", false));  // not a number: the fallback
  EXPECT_TRUE(ini.ReadBool("N", "Yes", true));
}

TEST_F(IniFileTest, SkipsCommentsAndMalformedLines) {
  Write("orphan=before any section\n"
        "[S]\n"
        "; Commented=1\n"
        "# Hashed=1\n"
        "just some words\n"
        "=no name\n"
        "[unclosed\n"
        "Key=value\n"
        "[T]\n"
        "Other=1\n");
  TIniFile ini(file_);
  TStringList lines;
  ini.ReadSectionValues("S", lines);
  EXPECT_EQ(lines.Lines(), std::vector<std::string>({"Key=value"}));
  EXPECT_FALSE(ini.ValueExists("S", "Commented"));
  EXPECT_FALSE(ini.ValueExists("S", "orphan"));
  TStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(sections.Lines(), std::vector<std::string>({"S", "T"}));
}

TEST_F(IniFileTest, ReadsSectionsAsOrderedLines) {
  Write("[WorkDLLPath]\n"
        "Pkg2 = D:\\Pkg\\Two\n"
        "Pkg1=\\Pkg\n"
        "\n"
        "[Other]\n"
        "X=1\n"
        "[workdllpath]\n"  // the same section once more
        "Pkg3=C_PKG\n");
  TIniFile ini(file_);
  TStringList lines;
  ini.ReadSectionValues("WorkDLLPath", lines);
  EXPECT_EQ(lines.Lines(),
            std::vector<std::string>({"Pkg2=D:\\Pkg\\Two", "Pkg1=\\Pkg", "Pkg3=C_PKG"}));
  TStringList keys;
  ini.ReadSection("WORKDLLPATH", keys);
  EXPECT_EQ(keys.Lines(), std::vector<std::string>({"Pkg2", "Pkg1", "Pkg3"}));
  TStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(sections.Lines(), std::vector<std::string>({"WorkDLLPath", "Other"}));
}

TEST_F(IniFileTest, ChineseBytesPassThrough) {
  const std::string content = "[" + kBig5 + "]\r\n" + kGb + "=" + kBig5 + "\r\n" + "; " + kGb +
                              "\r\n[" + kGb + "]\r\nName=" + kGb + "\r\n";
  Write(content);
  TIniFile ini(file_);
  EXPECT_EQ(ini.ReadString(kBig5, kGb, ""), kBig5);
  EXPECT_EQ(ini.ReadString(kGb, "name", ""), kGb);
  ini.WriteString(kGb, "New", kBig5);
  EXPECT_EQ(Content(), content + "New=" + kBig5 + "\r\n");
  EXPECT_EQ(ini.ReadString(kGb, "New", ""), kBig5);
}

TEST_F(IniFileTest, SecondBytesOfChineseCharactersKeepTheirCase) {
  // 0x81 0x61 and 0x81 0x41 are two different GBK characters.
  Write("[S]\n\x81\x61=lower\n\x81\x41=upper\n");
  TIniFile ini(file_);
  EXPECT_EQ(ini.ReadString("S", "\x81\x41", ""), "upper");
  EXPECT_EQ(ini.ReadString("s", "\x81\x61", ""), "lower");
}

TEST_F(IniFileTest, WritesKeepEverythingElse) {
  Write("; profile written by setup\n"
        "[CodePage]\n"
        "UICodePage = 936\n"
        "; keep this comment\n"
        "DBCodePage=936\n"
        "\n"
        "; Server part\n"
        "[Server Information]\n"
        "ComputerName=127.0.0.1\n"
        "Dup=first\n"
        "Dup=second\n"
        "\n"
        "\n"
        "[Last]\n"
        "X=1");  // no line break at the end
  TIniFile ini(file_);
  ini.WriteString("codepage", "uicodepage", "950");  // keeps the key's own spelling
  ini.WriteString("CodePage", "Extra", "yes");       // after the section's last key
  ini.WriteString("Server Information", "dup", "changed");
  ini.WriteInteger("Server Information", "ServerPort", 2000);
  ini.WriteBool("New Section", "Flag", true);
  ini.DeleteKey("Last", "X");
  EXPECT_EQ(Content(),
            "; profile written by setup\r\n"
            "[CodePage]\r\n"
            "UICodePage=950\r\n"
            "; keep this comment\r\n"
            "DBCodePage=936\r\n"
            "Extra=yes\r\n"
            "\r\n"
            "; Server part\r\n"
            "[Server Information]\r\n"
            "ComputerName=127.0.0.1\r\n"
            "Dup=changed\r\n"
            "Dup=second\r\n"
            "ServerPort=2000\r\n"
            "\r\n"
            "\r\n"
            "[Last]\r\n"
            "\r\n"
            "[New Section]\r\n"
            "Flag=1\r\n");
  EXPECT_TRUE(ini.ReadBool("new section", "flag", false));

  ini.DeleteKey("Server Information", "Dup");  // every line of it
  EXPECT_FALSE(ini.ValueExists("Server Information", "Dup"));
  ini.EraseSection("codepage");
  ini.EraseSection("Last");
  EXPECT_EQ(Content(),
            "; profile written by setup\r\n"
            "; Server part\r\n"
            "[Server Information]\r\n"
            "ComputerName=127.0.0.1\r\n"
            "ServerPort=2000\r\n"
            "\r\n"
            "\r\n"
            "[New Section]\r\n"
            "Flag=1\r\n");
}

TEST_F(IniFileTest, WritingCreatesTheFile) {
  TIniFile ini(file_);
  ini.DeleteKey("S", "K");  // nothing to delete: no file appears
  ini.EraseSection("S");
  EXPECT_FALSE(FileExists(file_));
  ini.WriteString("S", "K", "v");
  ini.WriteString("T", "K", "w");
  EXPECT_EQ(Content(), "[S]\r\nK=v\r\n\r\n[T]\r\nK=w\r\n");
}

TEST_F(IniFileTest, TwoObjectsKeepEachOthersWrites) {
  TIniFile first(file_);
  TIniFile second(file_);
  first.WriteString("S", "A", "1");
  second.WriteString("S", "B", "2");
  first.WriteString("T", "C", "3");
  second.DeleteKey("S", "A");
  EXPECT_EQ(first.ReadString("S", "B", ""), "2");
  EXPECT_EQ(second.ReadString("T", "C", ""), "3");
  EXPECT_FALSE(first.ValueExists("S", "A"));
}

TEST_F(IniFileTest, WritersInThreadsLoseNothing) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      TIniFile ini(file_);
      for (int i = 0; i < 20; ++i) {
        ini.WriteInteger("T" + std::to_string(t), "K" + std::to_string(i), i);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  TIniFile ini(file_);
  for (int t = 0; t < 4; ++t) {
    TStringList keys;
    ini.ReadSection("T" + std::to_string(t), keys);
    EXPECT_EQ(keys.Count(), 20) << "thread " << t;
  }
}

TEST_F(IniFileTest, WriteFailuresRaise) {
  std::string missing = dir_.File("no/such/folder/PellorC.ini");
  TIniFile ini(missing);
  try {
    ini.WriteString("S", "K", "v");
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Code(), ENOENT);
    EXPECT_NE(e.Message().find(missing), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("No such file or directory"), std::string::npos) << e.Message();
  }

  // A file name that is a folder is not taken for an empty file.
  TIniFile folder(dir_.Path() + "sub");
  ASSERT_TRUE(ForceDirectories(dir_.Path() + "sub"));
  EXPECT_THROW(folder.WriteString("S", "K", "v"), EInOutError);
}

TEST_F(IniFileTest, RefusesTextThatWouldChangeTheFileLayout) {
  const std::string content = "[S]\r\nK=v\r\n";
  Write(content);
  TIniFile ini(file_);
  EXPECT_THROW(ini.WriteString("S", "K", "v\r\n[Injected]\r\nX=1"), EInOutError);
  EXPECT_THROW(ini.WriteString("S\nT", "K", "v"), EInOutError);
  EXPECT_THROW(ini.WriteString("S", "A=B", "v"), EInOutError);
  EXPECT_THROW(ini.WriteString("S", "", "v"), EInOutError);
  EXPECT_THROW(ini.WriteString("S", ";K", "v"), EInOutError);
  EXPECT_THROW(ini.WriteString("", "K", "v"), EInOutError);
  EXPECT_EQ(Content(), content);
}

}  // namespace
}  // namespace pellor
