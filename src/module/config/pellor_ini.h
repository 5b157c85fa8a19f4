// Parsed views of the installation's profile files.
//
// The settings store (pellor::TRegistry, key "Software\QRN\Pellor") names the
// client root ("ClientPath") and the server root ("ServerPath"); each root
// holds a profile INI file, "PellorC.ini" or "PellorS.ini", telling which
// application server to reach, which code pages are in force for the user
// interface and for the database, where the program packages lie and, on the
// server, how the databases are reached. With a "ProfileType" other than "0"
// each logon user may have a profile of his own under root/Profile/<user>/.
//
// Both classes read everything in their constructor and never write; users
// create one, copy the fields they need and drop it. A failed load still
// leaves usable defaults (code pages, conversion kinds): callers judge
// success by ErrorCode being empty and, for the client, by ServerAddresses
// being an array.
//
// Paths use "/": a root from the store gets a trailing "/", and folder values
// read from the profile may be written with backslashes, which are turned
// into "/".
#ifndef PEVF_CONFIG_PELLOR_INI_H_
#define PEVF_CONFIG_PELLOR_INI_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/stringlist.h"
#include "platform/rtl/variant.h"

namespace pevf {

// Message codes of a failed load.
inline constexpr const char* kErrorNoRegistryKey = "E;000015";
inline constexpr const char* kErrorNoServerHost = "E;000016";

// Resolves a folder value of a profile against `base` (a folder ending in
// "/"). Absolute values come back unchanged apart from backslashes turned
// into "/": a drive letter "X:...", a UNC name "\\server\share..." and a
// Linux path starting with "/". A value starting with one backslash is
// relative to `base` (the root of the installation, as a drive root was
// once); anything else is appended to `base`. The leading backslash is
// judged on the value as written, before normalising, since "\pkg" and
// "/pkg" mean different things here.
std::string MakeAbsolutePath(std::string_view path, std::string_view base);

// UIConvertKind: 2 when the user interface is Big5; 4 when it is GB on a
// Big5 machine; else 0.
uint8_t UIConvertKindOf(std::string_view uiCodePage, std::string_view systemCodePage);
// DBConvertKind: 2 for a Big5 interface on a GB database; 1 for a GB
// interface on a Big5 database; else 0.
uint8_t DBConvertKindOf(std::string_view uiCodePage, std::string_view dbCodePage);

struct TTaskMessageSettings {
  std::string AutoCheckNewMsg = "1";
  std::string CheckInterval = "1";
  std::string PopupMsg = "1";
  std::string LoginCheck = "0";
};

// The client profile "PellorC.ini".
class TPellorIniC {
 public:
  TPellorIniC();  // runs LoadProfile

  // True when the store key was found, the file was read to the end and at
  // least one server host was given.
  bool LoadProfile();

  std::string ClientPath;  // ends in "/"; empty when no root is known
  std::string ProfilePath;  // folder of the profile actually read
  std::string ProfileType = "0";
  std::string UserName = "Default";
  std::string UICodePage = "936";
  std::string DBCodePage = "936";
  std::string SystemCodePage;  // "936", "950" or "437"
  uint8_t UIConvertKind = 0;
  uint8_t DBConvertKind = 0;
  bool SupportCallBack = false;
  std::string IniFileName;
  // Rows 0 (host text) and 1 (port integer), one column per host in file
  // order; empty (not an array) when loading stopped early.
  pellor::Variant ServerAddresses;
  std::string ErrorCode;
  std::string LangType = "ENG";
  pellor::TStringList WorkDLLPaths;  // absolute package folders ending in "/"
  std::string ProductVersion;
  std::string CreateGifBeforeSendEF = "Y";
  TTaskMessageSettings TaskMessageSettings;
};

// The server profile "PellorS.ini".
class TPellorIniS {
 public:
  TPellorIniS();  // runs LoadProfile

  // True when the store key was found and the file was read to the end.
  bool LoadProfile();

  std::string ServerPath;  // ends in "/"; empty when no root is known
  std::string ProfilePath;
  std::string ProfileType = "0";
  std::string UserName = "Default";
  std::string UICodePage = "936";
  std::string DBCodePage = "936";
  std::string SystemCodePage;
  uint8_t UIConvertKind = 0;
  uint8_t DBConvertKind = 0;
  bool SupportCallBack = false;
  std::string IniFileName;
  // 4 × 8 table of database settings: row 0 the main database (alias, user,
  // decoded password, type, name, server, connection and command time-outs),
  // row 1 the temporary database (alias, user, decoded password, type, name,
  // driver, time-outs), row 2 the password control (computer, server port,
  // client socket port) and the collation name, row 3 the EDI database
  // (alias, user, password as stored). Cells without a setting stay empty;
  // the whole value is empty when loading stopped early.
  pellor::Variant DBSettings;
  std::string ErrorCode;
  pellor::TStringList WorkDLLPaths;
  std::string ProductVersion;
  uint8_t DBKind = 0;  // 1 ORACLE, 2 DB2, else 0
  std::string SystemControlAddress;
  std::string OtherSystemControlAddress;
};

}  // namespace pevf

#endif  // PEVF_CONFIG_PELLOR_INI_H_
