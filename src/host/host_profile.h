// Where the host looks for program modules.
//
// The client profile of the installation names the package folders: section
// "WorkDLLPath" of PellorC.ini. The host reads that much of the profile
// itself, since the module's own profile reader lives inside the module and
// the host links none of the module's code; it finds the file the way the
// module does, or a program would be looked up in folders its own module
// never reads: with "ProfileType" other than "0" in the settings store, the
// logon user's own ClientPath/Profile/<user>/PellorC.ini when it exists, else
// the shared ClientPath/PellorC.ini.
#ifndef PELLOR_HOST_HOST_PROFILE_H_
#define PELLOR_HOST_HOST_PROFILE_H_

#include <string>
#include <string_view>
#include <vector>

namespace tamlo {

struct PackageFolders {
  // The client root, ending in "/"; empty when the settings store names none.
  std::string clientPath;
  // The folder of the profile file used: the user's profile folder or the
  // client root.
  std::string profilePath;
  // The profile file read (it may not exist: then every folder is the default).
  std::string iniFileName;
  // Absolute folders ending in "/", in profile order. Without a "WorkDLLPath"
  // section, the one folder ClientPath + "C_PKG/".
  std::vector<std::string> folders;
};

// Reads the settings store (PELLOR_REGISTRY or the machine-wide default) and
// the client profile. Never raises for missing files: an installation without
// a client root simply has no package folders.
PackageFolders ReadPackageFolders();

// The module file of a program code: lib<CODE>C.so.
std::string ModuleFileNameOf(std::string_view programCode);

// The first folder holding `fileName`, joined with it; empty when none does.
std::string FindModule(const PackageFolders& packages, const std::string& fileName);

}  // namespace tamlo

#endif  // PELLOR_HOST_HOST_PROFILE_H_
