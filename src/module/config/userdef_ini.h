// Voucher format defaults of this workstation.
//
// The user may mark one voucher format as the default for a record of a
// program; the choice lives in "UserDef.ini" in the client folder, section
// "VoucherFormatDef", key <alias>_<record key value>, value the caption of
// the format. An "=" in the record key value is written "$EQUAL$" so that the
// key survives the INI file and the name=value list.
#ifndef PEVF_CONFIG_USERDEF_INI_H_
#define PEVF_CONFIG_USERDEF_INI_H_

#include <string>
#include <string_view>

#include "platform/rtl/inifile.h"
#include "platform/rtl/stringlist.h"

namespace pevf {

// What DefaultFormat answers when no format is marked, and what
// SetDefaultFormat takes (in any letter case) as "remove the mark".
inline constexpr const char* kNoVoucherFormat = "<New>";

class TUserDefIni {
 public:
  // Finds the file through the client profile's ClientPath and reads the
  // section when the file exists.
  TUserDefIni();
  // The same for a file in `clientFolder`. Without a folder (no client root
  // is known) nothing is marked and every write raises EInOutError, rather
  // than putting the file at the root of the file system.
  explicit TUserDefIni(std::string_view clientFolder);

  // Empty when no client folder is known.
  const std::string& FileName() const { return fileName_; }

  // The marked format, or "<New>" when there is none.
  std::string DefaultFormat(std::string_view alias, std::string_view keyValue) const;
  // Marks `format`, or removes the mark when it is "<New>" (any case). Raises
  // EInOutError when the file cannot be written.
  void SetDefaultFormat(std::string_view alias, std::string_view keyValue,
                        std::string_view format);
  // Removes the mark. Raises EInOutError when the file cannot be written.
  void RemoveDefault(std::string_view alias, std::string_view keyValue);

  // alias + "_" + key value with every "=" written "$EQUAL$".
  static std::string EntryKey(std::string_view alias, std::string_view keyValue);

 private:
  void ReadEntries();
  pellor::TIniFile WritableFile() const;

  std::string fileName_;
  pellor::TStringList entries_;  // "key=format" lines of the section
};

}  // namespace pevf

#endif  // PEVF_CONFIG_USERDEF_INI_H_
