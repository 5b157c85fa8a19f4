// Operating-system services: the logon name, folders and files, the file of
// the running module.
#ifndef PELLOR_RTL_SYSUTILS_H_
#define PELLOR_RTL_SYSUTILS_H_

#include <string>
#include <string_view>

namespace pellor {

// Name of the user this process runs for ("" when none can be found).
std::string LogonUserName();
// The temporary folder (TMPDIR, else /tmp), with a trailing "/".
std::string TempFolder();
// Full path of the shared library or program that contains `address`.
std::string ModuleFileName(const void* address);
// Full path of the running program.
std::string HostProgramFileName();

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the folder and its parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
bool DeleteFileAt(const std::string& path);

// Paths: backslashes from profile values become "/".
std::string NormalizePath(std::string_view path);
std::string IncludeTrailingPathDelimiter(std::string_view path);  // adds "/"
std::string ExtractFilePath(std::string_view path);  // up to and including the last "/"
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);   // with the dot, or ""

}  // namespace pellor

#endif  // PELLOR_RTL_SYSUTILS_H_
