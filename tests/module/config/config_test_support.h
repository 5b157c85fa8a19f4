// A throwaway installation for the configuration tests: a temporary folder
// and a settings store of its own (PELLOR_REGISTRY), both undone when the
// object goes away, so that no test reads or writes the machine's state.
#ifndef PEVF_TESTS_CONFIG_TEST_SUPPORT_H_
#define PEVF_TESTS_CONFIG_TEST_SUPPORT_H_

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/datetime.h"

namespace pevf::testing {

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Restores the user's date and time conventions when it goes away.
class ScopedFormatSettings {
 public:
  explicit ScopedFormatSettings(const pellor::FormatSettings& settings)
      : old_(pellor::CurrentFormatSettings()) {
    pellor::SetFormatSettings(settings);
  }
  ~ScopedFormatSettings() { pellor::SetFormatSettings(old_); }

 private:
  pellor::FormatSettings old_;
};

class TempInstallation {
 public:
  TempInstallation()
      : dir_(MakeDir()), registry_("PELLOR_REGISTRY", dir_ + "registry.ini") {}
  ~TempInstallation() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TempInstallation(const TempInstallation&) = delete;
  TempInstallation& operator=(const TempInstallation&) = delete;

  // The folder, ending in "/".
  const std::string& Dir() const { return dir_; }
  std::string Path(const std::string& relative) const { return dir_ + relative; }

  // The store holds the key with these "name=value" lines; without lines
  // the key exists but is empty.
  void SetRegistry(const std::vector<std::string>& values) const {
    std::string text = "[Software\\QRN\\Pellor]\n";
    for (const std::string& line : values) text += line + "\n";
    WriteFile("registry.ini", text);
  }

  void WriteFile(const std::string& relative, const std::string& text) const {
    std::filesystem::path path(dir_ + relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }

  std::string ReadFile(const std::string& relative) const {
    std::ifstream in(dir_ + relative, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  bool Exists(const std::string& relative) const {
    return std::filesystem::exists(dir_ + relative);
  }

 private:
  static std::string MakeDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pevf_config_XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* made = mkdtemp(buffer.data());
    if (made == nullptr) throw std::runtime_error("cannot create a temporary folder");
    return std::string(made) + "/";
  }

  std::string dir_;
  ScopedEnv registry_;
};

// The lines of a log file without their "[time stamp] " prefixes. Lines end
// in CR LF; a line that holds a CR LF of its own counts as two here.
inline std::vector<std::string> LogMessages(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.front() == '[') {
      size_t close = line.find("] ");
      if (close != std::string::npos) line.erase(0, close + 2);
    }
    lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

}  // namespace pevf::testing

#endif  // PEVF_TESTS_CONFIG_TEST_SUPPORT_H_
