#include "module/config/alert_log.h"

#include <gtest/gtest.h>

#include <regex>

#include "module/config/config_test_support.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/errors.h"

namespace pevf {
namespace {

using testing::LogMessages;
using testing::TempInstallation;

std::string Today8() { return pellor::DateToStr8(pellor::Today()); }

TEST(AlertLogTest, RootPathComesFromTheStore) {
  TempInstallation install;
  EXPECT_EQ(GetRootPath(), "");  // no store file at all
  install.SetRegistry({});
  EXPECT_EQ(GetRootPath(), "");
  install.SetRegistry({"ServerPath=/srv/pellor/"});
  EXPECT_EQ(GetRootPath(), "/srv/pellor/");
  install.SetRegistry({"ClientPath=\\opt\\pellor\\", "ServerPath=/srv/pellor/"});
  EXPECT_EQ(GetRootPath(), "/opt/pellor/");
  EXPECT_EQ(GetLogRoot(), "/opt/pellor/");
}

TEST(AlertLogTest, LogRootFallsBackToTheTemporaryFolder) {
  TempInstallation install;
  testing::ScopedEnv tmp("TMPDIR", install.Path("tmp"));
  EXPECT_EQ(GetLogRoot(), install.Path("tmp/"));
  EXPECT_TRUE(WriteGeneratorLog("no root"));
  EXPECT_TRUE(install.Exists("tmp/Log/Alert_VelmoraGenerator_" + Today8() + ".log"));
}

TEST(AlertLogTest, WriteAlertLogNamesFilesByRotation) {
  TempInstallation install;
  install.SetRegistry({"ClientPath=" + install.Path("client")});
  testing::ScopedFormatSettings settings({'-', '.', "yyyy-mm-dd", "hh.nn.ss"});
  const std::string day = Today8();

  struct Case {
    const char* name;
    char rotation;
    std::string file;
  } cases[] = {
      {"libstrs", 'M', "Alert_libstrs_" + day.substr(0, 6) + ".log"},
      {"libstrs", 'Y', "Alert_libstrs_" + day.substr(0, 4) + ".log"},
      {"knlBase-103", 'D', "Alert_knlBase-103_" + day + ".log"},
      {"Class BaseCD-302", 'x', "Alert_Class BaseCD-302_" + day + ".log"},
      {"prog.txt", 'D', "Alert_prog.txt_" + day},
      {"../escape", 'D', "Alert_.._escape_" + day},  // stays in the folder
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteAlertLog(c.name, "first", c.rotation)) << c.name;
    ASSERT_TRUE(WriteAlertLog(c.name, "second", c.rotation)) << c.name;
    std::string text = install.ReadFile("client/Log/" + c.file);
    EXPECT_EQ(LogMessages(text), (std::vector<std::string>{"first", "second"})) << c.file;
    // The stamp uses the user's separators and carries milliseconds.
    EXPECT_TRUE(std::regex_search(
        text, std::regex(R"(^\[\d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.\d{3}\] first\r\n)")))
        << text;
  }
}

TEST(AlertLogTest, WritersReportFailureInsteadOfRaising) {
  TempInstallation install;
  install.WriteFile("plain-file", "x");
  // The root is a file, so no Log folder can be made below it.
  install.SetRegistry({"ClientPath=" + install.Path("plain-file")});
  EXPECT_FALSE(WriteAlertLog("libstrs", "lost", 'D'));
  EXPECT_FALSE(WriteGeneratorLog("lost"));
  EXPECT_NO_THROW(LogException(nullptr, "here", "nothing raised"));
}

TEST(AlertLogTest, GeneratorLogUsesShortDateAndLongTime) {
  TempInstallation install;
  install.SetRegistry({"ServerPath=" + install.Path("server/")});
  testing::ScopedFormatSettings settings({'.', ':', "dd.mm.yyyy", "hh:nn:ss"});
  ASSERT_TRUE(WriteGeneratorLog("line"));
  std::string text = install.ReadFile("server/Log/Alert_VelmoraGenerator_" + Today8() + ".log");
  EXPECT_TRUE(std::regex_match(
      text, std::regex(R"(\[\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\] line\r\n)")))
      << text;
}

std::vector<std::string> LoggedLines(const TempInstallation& install,
                                     const std::exception* error, const char* location,
                                     const char* note) {
  std::string file = "root/Log/Alert_VelmoraGenerator_" + Today8() + ".log";
  std::string before = install.ReadFile(file);
  LogException(error, location, note);
  return LogMessages(install.ReadFile(file).substr(before.size()));
}

TEST(AlertLogTest, LogExceptionWritesOneBlockPerError) {
  TempInstallation install;
  install.SetRegistry({"ClientPath=" + install.Path("root/")});
  const std::string rule = "----------------------------------";
  const std::string heading = "\xD1\xB6\xCF\xA2\xD0\xC5\xCF\xA2:";  // 讯息信息:

  pellor::EDatabaseError database("table locked");
  pellor::EOSError os("access denied", 13);
  pellor::EInOutError io("disk full", 28);
  pellor::EConvertError convert("'x' is not a valid integer value");
  std::runtime_error plain("plain failure");
  struct Case {
    const std::exception* error;
    std::vector<std::string> lines;
  } cases[] = {
      {&database, {"EDBEngineError Error 01: Code: 0, Message: table locked"}},
      {&os, {"EWin32Error Error 01: Code: 13, Message: access denied"}},
      {&io, {"EInOutError Error 01: Code: 28, Message: disk full"}},
      {&convert, {"Exception is EConvertError", "Message 01: 'x' is not a valid integer value"}},
      {&plain, {"Exception is Exception", "Message 01: plain failure"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> expected = {rule + " on Class BaseCD-302 " + rule, heading};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    expected.push_back("ErrorMessage Count: 1");
    expected.push_back("Programer Message: check the provider");
    EXPECT_EQ(LoggedLines(install, c.error, "Class BaseCD-302", "check the provider"), expected);
  }

  EXPECT_EQ(LoggedLines(install, nullptr, "  ", " "),
            (std::vector<std::string>{rule + rule}));
}

}  // namespace
}  // namespace pevf
