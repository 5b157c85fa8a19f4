// The machine-wide settings store, in place of the registry of the original
// platform.
//
// It is an INI file: the section is the key path as the original wrote it
// ("Software\QRN\Pellor"), the keys are the value names ("ClientPath",
// "ServerPath", "ProfileType", "UseKBIG5" ...). The file is named by the
// environment variable PELLOR_REGISTRY, else it is /etc/pellor/registry.ini.
#ifndef PELLOR_RTL_REGISTRY_H_
#define PELLOR_RTL_REGISTRY_H_

#include <optional>
#include <string>
#include <string_view>

namespace pellor {

// The key path of the suite's settings.
inline constexpr const char* kPellorRegistryKey = "Software\\QRN\\Pellor";
// The section of the class table: class name = shared library path.
inline constexpr const char* kClassesRegistryKey = "Software\\Classes";

// The machine-wide store every process reads when PELLOR_REGISTRY is unset.
inline constexpr const char* kMachineRegistryFileName = "/etc/pellor/registry.ini";

// Path of the store's file (PELLOR_REGISTRY or the machine-wide default).
std::string RegistryFileName();

class TRegistry {
 public:
  TRegistry();  // the store named by RegistryFileName()
  explicit TRegistry(std::string fileName);

  // True when the key exists (a section of that name, compared without case).
  // A missing store file means no key exists.
  bool OpenKeyReadOnly(std::string_view key);
  // Opens the key, creating it on the first write.
  void OpenKey(std::string_view key);
  void CloseKey();

  // Value of the open key; a missing value reads as "".
  std::string ReadString(std::string_view name) const;
  bool ValueExists(std::string_view name) const;
  // Raises EInOutError when the store cannot be written.
  void WriteString(std::string_view name, std::string_view value);

 private:
  std::string fileName_;
  std::string key_;
  bool open_ = false;
};

// One value of "Software\QRN\Pellor"; nullopt when the store or the key is
// missing.
std::optional<std::string> ReadPellorRegistryValue(std::string_view name);

}  // namespace pellor

#endif  // PELLOR_RTL_REGISTRY_H_
