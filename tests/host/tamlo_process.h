// Running the built tamlo as a user does: a process with a settings store of
// the test's own, its output collected.
#ifndef PELLOR_TESTS_HOST_TAMLO_PROCESS_H_
#define PELLOR_TESTS_HOST_TAMLO_PROCESS_H_

#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tamlo_test {

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string Quote(const std::string& text) {
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

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Runs tamlo with PELLOR_REGISTRY=`store`, in folder `workDir`, and `input`
// (a file, or empty for none) as its standard input.
inline RunResult RunTamlo(const std::filesystem::path& store, const std::filesystem::path& workDir,
                          const std::vector<std::string>& args, const std::string& input = "") {
  std::string command = "cd " + Quote(workDir.string()) + " && PELLOR_REGISTRY=" +
                        Quote(store.string()) + " " + Quote(TAMLO_FILE);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " <" + (input.empty() ? std::string("/dev/null") : Quote(input));
  command += " >" + Quote((workDir / "out").string()) + " 2>" + Quote((workDir / "err").string());
  int status = std::system(command.c_str());
  RunResult result;
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.out = ReadAll(workDir / "out");
  result.err = ReadAll(workDir / "err");
  return result;
}

}  // namespace tamlo_test

#endif  // PELLOR_TESTS_HOST_TAMLO_PROCESS_H_
