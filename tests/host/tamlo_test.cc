// The host shell as a user runs it: the built tamlo binary, started as a
// process against a settings store and a client root of the test's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/tamlo_process.h"
#include "platform/rtl/sysutils.h"

namespace {

namespace fs = std::filesystem;

using tamlo_test::RunResult;
using tamlo_test::WriteFile;

// The numbers of the "event N ..." lines, in order.
std::vector<int> Events(const std::string& out) {
  std::vector<int> codes;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("event ", 0) == 0) codes.push_back(std::stoi(line.substr(6)));
  }
  return codes;
}

class TamloTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tamlo_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "client");
    // The package folder is where the build puts the modules: the real
    // program module and the test program module sit side by side.
    std::string packages = fs::path(PELLOR_TEST_PROGRAM_MODULE).parent_path().string();
    WriteStore(true);
    std::ofstream(root_ / "client" / "PellorC.ini")
        << "[Server Information]\nComputerName=127.0.0.1\n"
        << "[WorkDLLPath]\nBuild=" << packages << "\n";
  }
  void TearDown() override { fs::remove_all(root_); }

  void WriteStore(bool withWorkCenter, const std::string& profileType = "") {
    std::ofstream store(root_ / "registry.ini", std::ios::trunc);
    store << "[Software\\QRN\\Pellor]\nClientPath=" << (root_ / "client").string() << "\n";
    if (!profileType.empty()) store << "ProfileType=" << profileType << "\n";
    if (withWorkCenter) {
      store << "[Software\\Classes]\nTamloWorkCenter.Manager=" << PELLOR_TEST_WORKCENTER << "\n";
    }
  }

  RunResult Run(const std::vector<std::string>& args) {
    return tamlo_test::RunTamlo(root_ / "registry.ini", root_, args);
  }

  fs::path root_;
};

TEST_F(TamloTest, RunsAProgramModelessUntilItsWindowIsClosed) {
  // Rights 0x0D keep add, query and edit: the form loses delete (0x08),
  // print (0x10) and the three kept bits, leaving 0x107.
  RunResult run = Run({"--program", "TESTPRG", "--user", "DS", "--company", "QRN01", "--database",
                       "QRNDB", "--condition", "MF001='A'", "--action", "1", "--rights", "0x0D"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(Events(run.out), (std::vector<int>{256, 272, 320, 304})) << run.out;
  EXPECT_NE(run.out.find("event 256 created\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("result code 1\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("result value condition [MF001='A'] mode 1 commands 263\n"),
            std::string::npos)
      << run.out;
}

TEST_F(TamloTest, RunsAProgramModally) {
  RunResult run = Run({"--module", PELLOR_TEST_PROGRAM_MODULE, "--user", "DS", "--modal"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(Events(run.out), (std::vector<int>{256, 272, 288, 320, 304})) << run.out;
  EXPECT_NE(run.out.find("result value condition [] mode 0 commands 511\n"), std::string::npos)
      << run.out;
}

TEST_F(TamloTest, FailuresHaveTheirOwnExitCodesAndSayWhatWentWrong) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string message;  // expected in stderr
  };
  const Case cases[] = {
      {{"--program", "NOSUCH"}, 3, "no libNOSUCHC.so in the package folders"},
      {{"--module", "/nonexistent/libX.so"}, 3, "module file /nonexistent/libX.so does not exist"},
      {{"--module", PELLOR_TEST_WORKCENTER}, 4, "exports no GetController"},
      {{"--program", "PEVF07"},
       5,
       "the program could not start: QRN DLL Internal Error :\nNot Assign \"frmRadicalClass\" "
       "varible"},
      {{"--program", "TESTPRG", "--user", "nobody"}, 6, "Initialize returned -1"},
      {{"--frobnicate"}, 2, "unknown option --frobnicate"},
      {{"--action"}, 2, "option --action needs a value"},
      {{"--rights", "-1"}, 2, "--rights needs a non-negative integer"},
  };
  for (const Case& c : cases) {
    RunResult run = Run(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args[0] << "\n" << run.out << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args[0] << "\n" << run.err;
  }
}

TEST_F(TamloTest, WithoutARegisteredManagerTheProgramGetsTheSuitesOwn) {
  // The module checks its manager's version before anything else: had it no
  // manager, or a wrong one, it would refuse to start.
  WriteStore(false);
  RunResult run = Run({"--program", "TESTPRG", "--user", "DS", "--company", "CSOqrl54"});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(run.err.find("no work-center manager"), std::string::npos) << run.err;
  EXPECT_EQ(Events(run.out), (std::vector<int>{256, 272, 320, 304})) << run.out;
}

// The host looks for modules in the folders of the profile the module reads:
// the logon user's own when per-user profiles are on and the user has one.
TEST_F(TamloTest, FindsModulesThroughTheProfileTheModuleReads) {
  const std::string packages = fs::path(PELLOR_TEST_PROGRAM_MODULE).parent_path().string();
  const fs::path shared = root_ / "client" / "PellorC.ini";
  const fs::path own = root_ / "client" / "Profile" / pellor::LogonUserName() / "PellorC.ini";
  fs::create_directories(root_ / "empty");
  struct Case {
    const char* what;
    std::string profileType;
    bool ownFile;
    int exitCode;
    std::string searched;  // the profile named in the failure
  };
  const Case cases[] = {
      {"per-user profile present", "1", true, 0, ""},
      {"per-user profile absent", "1", false, 3, shared.string()},
      {"shared profiles", "0", true, 3, shared.string()},
      {"empty ProfileType counts as 0", "", true, 3, shared.string()},
  };
  // The shared profile names a folder without modules, the user's own the
  // build's: the program is found exactly when the user's file is read.
  WriteFile(shared, "[WorkDLLPath]\nNone=" + (root_ / "empty").string() + "\n");
  for (const Case& c : cases) {
    WriteStore(true, c.profileType);
    fs::remove(own);
    if (c.ownFile) WriteFile(own, "[WorkDLLPath]\nBuild=" + packages + "\n");
    RunResult run = Run({"--program", "TESTPRG", "--user", "DS"});
    EXPECT_EQ(run.exitCode, c.exitCode) << c.what << "\n" << run.out << run.err;
    if (!c.searched.empty()) {
      EXPECT_NE(run.err.find("no libTESTPRGC.so in the package folders of " + c.searched + " (" +
                             (root_ / "empty").string() + "/)"),
                std::string::npos)
          << c.what << "\n" << run.err;
    }
  }
}

TEST_F(TamloTest, HelpListsTheExitCodes) {
  RunResult run = Run({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("  5  the program raised an error while starting"), std::string::npos);
  EXPECT_NE(run.out.find("  8  the script cannot be read"), std::string::npos);
  EXPECT_NE(run.out.find("TamloWorkCenter.Manager"), std::string::npos);
}

}  // namespace
