#include "module/config/pellor_ini.h"

#include <cctype>
#include <vector>

#include "module/config/sql_password.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/inifile.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/sysutils.h"

namespace pevf {

namespace {

bool IsDelimiter(char ch) { return ch == '\\' || ch == '/'; }

// "\\server\share..." (either delimiter): two delimiters, a server name, a
// delimiter and a share name.
bool IsUncPath(std::string_view path) {
  if (path.size() < 5 || !IsDelimiter(path[0]) || !IsDelimiter(path[1])) return false;
  size_t serverEnd = 2;
  while (serverEnd < path.size() && !IsDelimiter(path[serverEnd])) ++serverEnd;
  if (serverEnd == 2 || serverEnd + 1 >= path.size()) return false;
  return !IsDelimiter(path[serverEnd + 1]);
}

bool IsTrueText(const std::string& value) {
  std::string upper = pellor::UpperCase(value);
  return upper == "1" || upper == "Y" || upper == "YES" || upper == "TRUE";
}

// Steps that the client and the server profile share. `Ini` is TPellorIniC or
// TPellorIniS, whose common fields carry the same names.
template <class Ini>
void ResetDefaults(Ini& ini, std::string& root) {
  ini.ErrorCode.clear();
  root.clear();
  ini.ProfilePath.clear();
  ini.ProfileType = "0";
  ini.UserName = "Default";
  ini.UICodePage = "936";
  ini.DBCodePage = "936";
  int systemCodePage = pellor::SystemCodePage();
  if (systemCodePage != 936 && systemCodePage != 950) systemCodePage = 437;
  ini.SystemCodePage = std::to_string(systemCodePage);
  ini.UICodePage = ini.SystemCodePage;
  ini.SupportCallBack = false;
  ini.IniFileName.clear();
  ini.WorkDLLPaths.Clear();
  ini.UIConvertKind = UIConvertKindOf(ini.UICodePage, ini.SystemCodePage);
  ini.DBConvertKind = DBConvertKindOf(ini.UICodePage, ini.DBCodePage);
}

// Reads the root and the profile type from the store and finds the profile
// file. False when the store has no key (ErrorCode set) or names no root.
template <class Ini>
bool LocateProfile(Ini& ini, std::string& root, const char* rootValueName,
                   const char* profileFileName) {
  pellor::TRegistry registry;
  if (!registry.OpenKeyReadOnly(pellor::kPellorRegistryKey)) {
    ini.ErrorCode = kErrorNoRegistryKey;
    return false;
  }
  std::string rootValue = registry.ReadString(rootValueName);
  ini.ProfileType = registry.ReadString("ProfileType");
  registry.CloseKey();

  if (rootValue.empty()) return false;
  root = pellor::IncludeTrailingPathDelimiter(pellor::NormalizePath(rootValue));

  if (!ini.ProfileType.empty() && ini.ProfileType != "0") {
    std::string name = pellor::LogonUserName();
    ini.ProfilePath = root + "Profile/" + name + "/";
    ini.UserName = name;
  } else {
    ini.ProfilePath = root;
  }
  ini.IniFileName = ini.ProfilePath + profileFileName;
  if (!pellor::FileExists(ini.IniFileName)) {
    // No profile of the user's own: the shared one at the root.
    ini.ProfilePath = root;
    ini.IniFileName = root + profileFileName;
  }
  return true;
}

template <class Ini>
void ReadCodePages(Ini& ini, const pellor::TIniFile& file, const char* callBackSection) {
  ini.ProductVersion = file.ReadString("ProductVersion", "Version", "");
  ini.UICodePage = file.ReadString("CodePage", "UICodePage", ini.SystemCodePage);
  ini.DBCodePage = file.ReadString("CodePage", "DBCodePage", "936");
  ini.SupportCallBack = IsTrueText(file.ReadString(callBackSection, "SupportCallBack", "0"));
  ini.UIConvertKind = UIConvertKindOf(ini.UICodePage, ini.SystemCodePage);
  ini.DBConvertKind = DBConvertKindOf(ini.UICodePage, ini.DBCodePage);
}

// Every line of section "WorkDLLPath" becomes its folder, absolute and ending
// in "/"; an empty section means the one default package folder.
void ReadWorkDLLPaths(pellor::TStringList& paths, const pellor::TIniFile& file,
                      const std::string& root, const char* defaultFolder) {
  file.ReadSectionValues("WorkDLLPath", paths);
  if (paths.Empty()) {
    paths.Add(root + defaultFolder);
    return;
  }
  for (int i = 0; i < paths.Count(); ++i) {
    paths.Set(i, pellor::IncludeTrailingPathDelimiter(
                     MakeAbsolutePath(paths.ValueFromIndex(i), root)));
  }
}

}  // namespace

std::string MakeAbsolutePath(std::string_view path, std::string_view base) {
  bool driveLetter =
      path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
  if (driveLetter || IsUncPath(path) || (!path.empty() && path[0] == '/')) {
    return pellor::NormalizePath(path);
  }
  if (!path.empty() && path[0] == '\\') path.remove_prefix(1);
  return std::string(base) + pellor::NormalizePath(path);
}

uint8_t UIConvertKindOf(std::string_view uiCodePage, std::string_view systemCodePage) {
  if (uiCodePage == "950") return 2;
  if (uiCodePage == "936" && systemCodePage == "950") return 4;
  return 0;
}

uint8_t DBConvertKindOf(std::string_view uiCodePage, std::string_view dbCodePage) {
  if (uiCodePage == "950" && dbCodePage == "936") return 2;
  if (uiCodePage == "936" && dbCodePage == "950") return 1;
  return 0;
}

TPellorIniC::TPellorIniC() { LoadProfile(); }

bool TPellorIniC::LoadProfile() {
  ResetDefaults(*this, ClientPath);
  ServerAddresses = pellor::Variant();
  LangType = "ENG";
  ProductVersion.clear();
  CreateGifBeforeSendEF = "Y";
  TaskMessageSettings = TTaskMessageSettings();
  if (!LocateProfile(*this, ClientPath, "ClientPath", "PellorC.ini")) return false;

  pellor::TIniFile file(IniFileName);
  LangType = file.ReadString("Client Components", "LangType", "ENG");
  CreateGifBeforeSendEF = file.ReadString("UserDefine", "CreateGifBeforeSendEF", "Y");
  ReadCodePages(*this, file, "Server Information");
  const char* kTask = "TaskMessageCenter Setting";
  TaskMessageSettings.AutoCheckNewMsg = file.ReadString(kTask, "AutoCheckNewMsg", "1");
  TaskMessageSettings.CheckInterval = file.ReadString(kTask, "CheckInterval", "1");
  TaskMessageSettings.PopupMsg = file.ReadString(kTask, "PopupMsg", "1");
  TaskMessageSettings.LoginCheck = file.ReadString(kTask, "LoginCheck", "0");

  std::string hosts =
      pellor::Trim(file.ReadString("Server Information", "ComputerName", "127.0.0.1"));
  int port = file.ReadInteger("Server Information", "ServerPort", 211);
  if (!hosts.empty() && hosts.back() == ';') hosts.pop_back();
  if (hosts.empty()) {
    ErrorCode = kErrorNoServerHost;
    return false;
  }
  std::vector<std::string> names = pellor::SplitString(hosts, ";");
  ServerAddresses = pellor::Variant::Array2(1, static_cast<int>(names.size()) - 1);
  for (size_t i = 0; i < names.size(); ++i) {
    ServerAddresses.At(0, static_cast<int>(i)) = pellor::Variant(names[i]);
    ServerAddresses.At(1, static_cast<int>(i)) = pellor::Variant(port);
  }

  ReadWorkDLLPaths(WorkDLLPaths, file, ClientPath, "C_PKG/");
  return true;
}

TPellorIniS::TPellorIniS() { LoadProfile(); }

bool TPellorIniS::LoadProfile() {
  ResetDefaults(*this, ServerPath);
  DBSettings = pellor::Variant();
  DBKind = 0;
  ProductVersion.clear();
  SystemControlAddress.clear();
  OtherSystemControlAddress.clear();
  if (!LocateProfile(*this, ServerPath, "ServerPath", "PellorS.ini")) return false;

  pellor::TIniFile file(IniFileName);
  ReadCodePages(*this, file, "DBPasswordCtrl");

  const char* kDbe = "DBE Setting";
  const char* kCtrl = "DBPasswordCtrl";
  DBSettings = pellor::Variant::Array2(3, 7);
  auto text = [&](int row, int column, const char* section, const char* key, const char* fallback) {
    DBSettings.At(row, column) = pellor::Variant(file.ReadString(section, key, fallback));
  };
  auto number = [&](int row, int column, const char* section, const char* key, int fallback) {
    DBSettings.At(row, column) = pellor::Variant(file.ReadInteger(section, key, fallback));
  };
  text(0, 0, kDbe, "MainAlias", "Tamlo");
  text(0, 1, kDbe, "MainUserName", "sa");
  DBSettings.At(0, 2) = pellor::Variant(DecodeSQLSa(file.ReadString(kDbe, "XXXXXX", "")));
  text(0, 3, kDbe, "MainDBType", "MSSQL");
  text(0, 4, kDbe, "MainDBName", "");
  text(0, 5, kDbe, "MainServerName", "");
  number(0, 6, kDbe, "MainConnectionTimeOut", 300);
  number(0, 7, kDbe, "MainCommandTimeOut", 3000);
  text(1, 0, kDbe, "TempAlias", "TamloTemp");
  text(1, 1, kDbe, "TempUserName", "sa");
  DBSettings.At(1, 2) = pellor::Variant(DecodeSQLSa(file.ReadString(kDbe, "TempPassword", "")));
  text(1, 3, kDbe, "TempDBType", "PARADOX");
  text(1, 4, kDbe, "TempDBName", "");
  text(1, 5, kDbe, "TempDriverName", "PostgreSQL");
  number(1, 6, kDbe, "TempConnectionTimeOut", 300);
  number(1, 7, kDbe, "TempCommandTimeOut", 3000);
  DBSettings.At(2, 0) = pellor::Variant(pellor::Trim(file.ReadString(kCtrl, "ComputerName", "")));
  number(2, 1, kCtrl, "ServerPort", 211);
  number(2, 2, kCtrl, "ClientSocketPort", 1024);
  text(2, 3, kDbe, "DataBaseCodeOrder", "Chinese_Taiwan_Stroke_BIN");
  text(3, 0, kDbe, "EctAlias", "EDIDATA");
  text(3, 1, kDbe, "EctUserName", "sa");
  text(3, 2, kDbe, "EctPassword", "");

  std::string dbType = DBSettings.At(0, 3).RawString();
  if (pellor::SameText(dbType, "ORACLE")) {
    DBKind = 1;
  } else if (pellor::SameText(dbType, "DB2")) {
    DBKind = 2;
  }
  std::string mainServer = DBSettings.At(0, 5).RawString();
  SystemControlAddress = file.ReadString(kDbe, "SystemControlAddress", "");
  if (pellor::Trim(SystemControlAddress).empty()) SystemControlAddress = mainServer;
  OtherSystemControlAddress = file.ReadString(kDbe, "OtherSystemControlAddress", "");
  if (pellor::Trim(OtherSystemControlAddress).empty()) OtherSystemControlAddress = mainServer;

  ReadWorkDLLPaths(WorkDLLPaths, file, ServerPath, "S_PKG/");
  return true;
}

}  // namespace pevf
