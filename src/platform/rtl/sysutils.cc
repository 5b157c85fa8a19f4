#include "platform/rtl/sysutils.h"

#include <dlfcn.h>
#include <link.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/rtl/codepage.h"

namespace pellor {

namespace {

std::string RealPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string result(resolved);
  free(resolved);
  return result;
}

// Positions of the path separators of `path`. A backslash can be the second
// byte of a double-byte character in code pages 936 and 950 (Big5 "許" is
// B3 5C), so when the text has backslashes it is read character by character
// in the machine's code page; "/" never occurs inside a character.
std::vector<size_t> SeparatorPositions(std::string_view path) {
  std::vector<size_t> positions;
  const bool hasBackslash = path.find('\\') != std::string_view::npos;
  const int codePage = hasBackslash ? SystemCodePage() : kCodePageEnglish;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (c == '/' || c == '\\') {
      positions.push_back(i);
    } else if (IsLeadByte(c, codePage) && i + 1 < path.size()) {
      ++i;
    }
  }
  return positions;
}

}  // namespace

std::string LogonUserName() {
  long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  while (true) {
    int rc = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    break;
  }
  if (found != nullptr && found->pw_name != nullptr && found->pw_name[0] != '\0') {
    return found->pw_name;
  }
  // Containers often run with a user id that has no passwd entry.
  for (const char* name : {"USER", "LOGNAME"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "";
}

std::string TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

std::string ModuleFileName(const void* address) {
  Dl_info info;
  struct link_map* map = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) {
    return "";
  }
  // The program itself has an empty link-map name; dli_fname is then argv[0],
  // which is relative to a working folder that may have changed since.
  if (map != nullptr && (map->l_name == nullptr || map->l_name[0] == '\0')) {
    return HostProgramFileName();
  }
  if (info.dli_fname == nullptr || info.dli_fname[0] == '\0') return "";
  return RealPath(info.dli_fname);
}

std::string HostProgramFileName() {
  std::vector<char> buffer(PATH_MAX);
  while (true) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return "";
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;
  // Create each prefix in turn; one that exists already (perhaps made by
  // another process a moment ago) is fine as long as it is a folder.
  for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    std::string prefix = path.substr(0, end);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (end == std::string::npos) break;
  }
  return DirectoryExists(path);
}

bool DeleteFileAt(const std::string& path) {
  return !path.empty() && unlink(path.c_str()) == 0;
}

std::string NormalizePath(std::string_view path) {
  std::string result(path);
  for (size_t position : SeparatorPositions(path)) result[position] = '/';
  return result;
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string result = NormalizePath(path);
  if (result.empty() || result.back() != '/') result.push_back('/');
  return result;
}

std::string ExtractFilePath(std::string_view path) {
  std::vector<size_t> separators = SeparatorPositions(path);
  if (separators.empty()) return "";
  return NormalizePath(path.substr(0, separators.back() + 1));
}

std::string ExtractFileName(std::string_view path) {
  std::vector<size_t> separators = SeparatorPositions(path);
  if (separators.empty()) return std::string(path);
  return std::string(path.substr(separators.back() + 1));
}

std::string ExtractFileExt(std::string_view path) {
  std::string name = ExtractFileName(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return "";
  return name.substr(dot);
}

}  // namespace pellor
