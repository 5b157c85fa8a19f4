#include "platform/rtl/registry.h"

#include <cerrno>
#include <cstdlib>

#include "platform/rtl/errors.h"
#include "platform/rtl/inifile.h"

namespace pellor {

namespace {

// "\Software\QRN\Pellor\" and "Software\QRN\Pellor" name the same key.
std::string_view KeyPath(std::string_view key) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  return key;
}

}  // namespace

std::string RegistryFileName() {
  const char* path = std::getenv("PELLOR_REGISTRY");
  if (path != nullptr && *path != '\0') return path;
  return kMachineRegistryFileName;
}

TRegistry::TRegistry() : TRegistry(RegistryFileName()) {}

TRegistry::TRegistry(std::string fileName) : fileName_(std::move(fileName)) {}

bool TRegistry::OpenKeyReadOnly(std::string_view key) {
  key_ = std::string(KeyPath(key));
  open_ = !key_.empty() && TIniFile(fileName_).SectionExists(key_);
  return open_;
}

void TRegistry::OpenKey(std::string_view key) {
  key_ = std::string(KeyPath(key));
  open_ = true;
}

void TRegistry::CloseKey() {
  key_.clear();
  open_ = false;
}

std::string TRegistry::ReadString(std::string_view name) const {
  if (!open_) return "";
  return TIniFile(fileName_).ReadString(key_, name, "");
}

bool TRegistry::ValueExists(std::string_view name) const {
  return open_ && TIniFile(fileName_).ValueExists(key_, name);
}

void TRegistry::WriteString(std::string_view name, std::string_view value) {
  if (!open_ || key_.empty()) {
    throw EInOutError("Cannot write value " + std::string(name) + " to " + fileName_ +
                          ": no key is open",
                      EINVAL);
  }
  TIniFile(fileName_).WriteString(key_, name, value);
}

std::optional<std::string> ReadPellorRegistryValue(std::string_view name) {
  TRegistry registry;
  if (!registry.OpenKeyReadOnly(kPellorRegistryKey)) return std::nullopt;
  return registry.ReadString(name);
}

}  // namespace pellor
