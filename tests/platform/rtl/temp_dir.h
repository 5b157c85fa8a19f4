// Test helpers for code that touches files and the environment: a fresh
// folder removed at the end of the test, and an environment variable set for
// the test's duration and restored afterwards.
#ifndef PELLOR_TESTS_RTL_TEMP_DIR_H_
#define PELLOR_TESTS_RTL_TEMP_DIR_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/rtl/sysutils.h"

namespace pellor::test {

class ScopedTempDir {
 public:
  ScopedTempDir() {
    std::string pattern = TempFolder() + "pellor-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
  }
  ~ScopedTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  // The folder, with a trailing "/".
  const std::string& Path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + std::string(name); }

 private:
  std::string path_;
};

// Sets (or with nullopt unsets) a variable; the old state comes back when the
// object goes away.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    Apply(value);
  }
  ~ScopedEnv() { Apply(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Apply(const std::optional<std::string>& value) {
    if (value) {
      setenv(name_.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  std::string name_;
  std::optional<std::string> old_;
};

inline void WriteTestFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string ReadTestFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace pellor::test

#endif  // PELLOR_TESTS_RTL_TEMP_DIR_H_
