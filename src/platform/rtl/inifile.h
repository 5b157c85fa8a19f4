// TIniFile: "[section]" headers and "key=value" lines.
//
// Sections and keys compare without regard to ASCII case. A missing file reads
// as empty; a line that is neither a header, a key line, a comment (";" or
// "#") nor blank is skipped. Every write re-reads the file, changes it and
// writes it back whole (through a temporary file and a rename), so that two
// objects on one file never lose each other's keys.
#ifndef PELLOR_RTL_INIFILE_H_
#define PELLOR_RTL_INIFILE_H_

#include <string>
#include <string_view>

#include "platform/rtl/stringlist.h"

namespace pellor {

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return fileName_; }

  // Reading: each call sees the file as it is on disk now.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // A value that is not a decimal integer yields the fallback.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  // "1"/"0" as the original wrote them; other numbers count as true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // The section's key names in file order (replaces the list's content).
  void ReadSection(std::string_view section, TStringList& keys) const;
  // The section's lines as "name=value", in file order.
  void ReadSectionValues(std::string_view section, TStringList& lines) const;
  // All section names in file order.
  void ReadSections(TStringList& sections) const;

  // Writing: raise EInOutError when the file cannot be written. Values are
  // stored as given; a new section is appended at the end of the file.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);

 private:
  std::string fileName_;
};

}  // namespace pellor

#endif  // PELLOR_RTL_INIFILE_H_
