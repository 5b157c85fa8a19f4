#include "host/host_profile.h"

#include <cctype>

#include "platform/rtl/inifile.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/sysutils.h"

namespace tamlo {
namespace {

// A profile value is absolute when it has a drive part or starts at "/";
// otherwise it hangs below the client root (a leading backslash included, as
// profiles written on the original platform have it).
std::string AbsoluteFolder(std::string_view value, const std::string& root) {
  bool driveLetter =
      value.size() >= 2 && std::isalpha(static_cast<unsigned char>(value[0])) && value[1] == ':';
  bool unc = value.size() >= 2 && (value[0] == '\\' || value[0] == '/') && value[1] == value[0];
  std::string folder;
  if (driveLetter || unc || (!value.empty() && value[0] == '/')) {
    folder = pellor::NormalizePath(value);
  } else {
    if (!value.empty() && value[0] == '\\') value.remove_prefix(1);
    folder = root + pellor::NormalizePath(value);
  }
  return pellor::IncludeTrailingPathDelimiter(folder);
}

}  // namespace

PackageFolders ReadPackageFolders() {
  PackageFolders packages;
  std::string root = pellor::ReadPellorRegistryValue("ClientPath").value_or("");
  if (root.empty()) return packages;
  packages.clientPath = pellor::IncludeTrailingPathDelimiter(pellor::NormalizePath(root));
  packages.profilePath = packages.clientPath;
  // An empty "ProfileType" counts as "0", as it does for the module.
  std::string profileType = pellor::ReadPellorRegistryValue("ProfileType").value_or("");
  if (!profileType.empty() && profileType != "0") {
    std::string userFolder = packages.clientPath + "Profile/" + pellor::LogonUserName() + "/";
    if (pellor::FileExists(userFolder + "PellorC.ini")) packages.profilePath = userFolder;
  }
  packages.iniFileName = packages.profilePath + "PellorC.ini";

  pellor::TIniFile file(packages.iniFileName);
  pellor::TStringList lines;
  file.ReadSectionValues("WorkDLLPath", lines);
  if (lines.Empty()) {
    packages.folders.push_back(packages.clientPath + "C_PKG/");
    return packages;
  }
  for (int i = 0; i < lines.Count(); ++i) {
    packages.folders.push_back(AbsoluteFolder(lines.ValueFromIndex(i), packages.clientPath));
  }
  return packages;
}

std::string ModuleFileNameOf(std::string_view programCode) {
  return "lib" + std::string(programCode) + "C.so";
}

std::string FindModule(const PackageFolders& packages, const std::string& fileName) {
  for (const std::string& folder : packages.folders) {
    std::string path = folder + fileName;
    if (pellor::FileExists(path)) return path;
  }
  return "";
}

}  // namespace tamlo
