#include "module/config/userdef_ini.h"

#include <cerrno>

#include "module/config/pellor_ini.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/inifile.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/sysutils.h"

namespace pevf {

namespace {

const char kSection[] = "VoucherFormatDef";

std::string ClientFolder() {
  TPellorIniC profile;
  return profile.ClientPath;
}

}  // namespace

TUserDefIni::TUserDefIni() : TUserDefIni(ClientFolder()) {}

TUserDefIni::TUserDefIni(std::string_view clientFolder) {
  if (!clientFolder.empty()) {
    fileName_ = pellor::IncludeTrailingPathDelimiter(clientFolder) + "UserDef.ini";
  }
  ReadEntries();
}

pellor::TIniFile TUserDefIni::WritableFile() const {
  if (fileName_.empty()) {
    throw pellor::EInOutError(
        "Cannot keep the default voucher format: the client folder is not known", ENOENT);
  }
  return pellor::TIniFile(fileName_);
}

std::string TUserDefIni::EntryKey(std::string_view alias, std::string_view keyValue) {
  return std::string(alias) + "_" + pellor::StringReplaceAll(keyValue, "=", "$EQUAL$");
}

void TUserDefIni::ReadEntries() {
  entries_.Clear();
  if (fileName_.empty() || !pellor::FileExists(fileName_)) return;
  pellor::TIniFile file(fileName_);
  pellor::TStringList keys;
  file.ReadSection(kSection, keys);
  for (const std::string& key : keys.Lines()) {
    entries_.Add(key + "=" + file.ReadString(kSection, key, ""));
  }
}

std::string TUserDefIni::DefaultFormat(std::string_view alias, std::string_view keyValue) const {
  std::string format = entries_.Values(EntryKey(alias, keyValue));
  return format.empty() ? std::string(kNoVoucherFormat) : format;
}

void TUserDefIni::SetDefaultFormat(std::string_view alias, std::string_view keyValue,
                                   std::string_view format) {
  pellor::TIniFile file = WritableFile();
  if (pellor::SameText(format, kNoVoucherFormat)) {
    file.DeleteKey(kSection, EntryKey(alias, keyValue));
  } else {
    file.WriteString(kSection, EntryKey(alias, keyValue), format);
  }
  ReadEntries();
}

void TUserDefIni::RemoveDefault(std::string_view alias, std::string_view keyValue) {
  WritableFile().DeleteKey(kSection, EntryKey(alias, keyValue));
  ReadEntries();
}

}  // namespace pevf
