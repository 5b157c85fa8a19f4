// The host shell as a user runs it: the built tamlo binary, started as a
// process against a settings store and a client root of the test's own.
#include <stdlib.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char ch : text) {
    if (ch == '\'') {
      quoted += "'\\''";
    } else {
      quoted += ch;
    }
  }
  return quoted + "'";
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

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

  void WriteStore(bool withWorkCenter) {
    std::ofstream store(root_ / "registry.ini", std::ios::trunc);
    store << "[Software\\QRN\\Pellor]\nClientPath=" << (root_ / "client").string() << "\n";
    if (withWorkCenter) {
      store << "[Software\\Classes]\nTamloWorkCenter.Manager=" << PELLOR_TEST_WORKCENTER << "\n";
    }
  }

  RunResult Run(const std::vector<std::string>& args) {
    std::string command = "PELLOR_REGISTRY=" + Quote((root_ / "registry.ini").string()) + " " +
                          Quote(TAMLO_FILE);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " >" + Quote((root_ / "out").string()) + " 2>" + Quote((root_ / "err").string());
    int status = std::system(command.c_str());
    RunResult result;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.out = ReadAll(root_ / "out");
    result.err = ReadAll(root_ / "err");
    return result;
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

TEST_F(TamloTest, WithoutAWorkCenterManagerTheProgramRefusesToStart) {
  WriteStore(false);
  RunResult run = Run({"--program", "TESTPRG", "--user", "DS"});
  EXPECT_EQ(run.exitCode, 5) << run.out << run.err;
  EXPECT_NE(run.err.find("no work-center manager (TamloWorkCenter.Manager)"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("TamloWorkCenter version too old,please update!"), std::string::npos)
      << run.err;
  // The user saw the notice; the form was made but never created for the
  // host (no 256), and goes with the controller.
  EXPECT_NE(run.out.find("dialog (plain): TamloWorkCenter version too old,please update!\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(Events(run.out), (std::vector<int>{320, 304})) << run.out;
}

TEST_F(TamloTest, HelpListsTheExitCodes) {
  RunResult run = Run({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("  5  the program raised an error while starting"), std::string::npos);
  EXPECT_NE(run.out.find("TamloWorkCenter.Manager"), std::string::npos);
}

}  // namespace
