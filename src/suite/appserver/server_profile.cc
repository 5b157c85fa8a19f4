#include "suite/appserver/server_profile.h"

#include <algorithm>
#include <filesystem>

#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/inifile.h"
#include "platform/rtl/sql_password.h"
#include "platform/rtl/strutils.h"

namespace suite {

namespace {

constexpr int kDefaultPostgresPort = 5432;

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char ch : text)
    if (ch < '0' || ch > '9') return false;
  return true;
}

int PortOf(std::string_view text, const ServerProfile& profile) {
  std::string trimmed = pellor::Trim(std::string(text));
  if (AllDigits(trimmed) && trimmed.size() <= 5) {
    int port = std::stoi(trimmed);
    if (port >= 1 && port <= 65535) return port;
  }
  throw pellor::EDatabaseError("MainServerName '" + profile.mainServerName + "' in " + profile.fileName +
                               " names the port '" + trimmed + "', which is no number from 1 to 65535");
}

}  // namespace

std::string EncodeProfilePassword(std::string_view plain) { return pellor::EncodeSqlPassword(plain); }

bool DecodeProfilePassword(std::string_view encoded, std::string& plain) {
  return pellor::DecodeSqlPassword(encoded, plain);
}

ServerProfile ReadServerProfile(const std::string& serverRoot) {
  ServerProfile profile;
  profile.fileName = (std::filesystem::path(serverRoot) / kServerProfileName).string();
  pellor::TIniFile file(profile.fileName);
  const char* kDbe = "DBE Setting";

  std::string codePage = pellor::Trim(file.ReadString("CodePage", "DBCodePage", "936"));
  profile.dbCodePage = codePage == "950" ? pellor::kCodePageBig5 : pellor::kCodePageGB;

  profile.mainDbType = file.ReadString(kDbe, "MainDBType", "MSSQL");
  profile.backend = db::BackendForMainDBType(pellor::Trim(profile.mainDbType));
  profile.mainDbName = pellor::Trim(file.ReadString(kDbe, "MainDBName", ""));
  profile.mainServerName = pellor::Trim(file.ReadString(kDbe, "MainServerName", ""));
  profile.mainUserName = pellor::Trim(file.ReadString(kDbe, "MainUserName", "sa"));
  std::string stored = file.ReadString(kDbe, kMainPasswordKey, "");
  if (!DecodeProfilePassword(stored, profile.mainPassword)) {
    throw pellor::EDatabaseError(std::string("The password (key ") + kMainPasswordKey + " of [" + kDbe + "]) in " +
                                 profile.fileName + " cannot be decoded: it is not a stored password");
  }
  profile.mainConnectionTimeOut = std::max(0, file.ReadInteger(kDbe, "MainConnectionTimeOut", 0));
  profile.serverPort = file.ReadInteger("DBPasswordCtrl", "ServerPort", kDefaultServerPort);
  return profile;
}

db::PostgresParams PostgresParamsOf(const ServerProfile& profile) {
  if (profile.mainDbName.empty()) {
    throw pellor::EDatabaseError("MainDBType " + profile.mainDbType + " in " + profile.fileName +
                                 " asks for PostgreSQL, but MainDBName names no database");
  }
  db::PostgresParams params;
  params.database = profile.mainDbName;
  params.user = profile.mainUserName;
  params.password = profile.mainPassword;
  params.port = kDefaultPostgresPort;
  if (profile.mainConnectionTimeOut > 0) params.connectTimeoutSeconds = profile.mainConnectionTimeOut;

  const std::string& server = profile.mainServerName;
  size_t comma = server.rfind(',');
  if (comma != std::string::npos) {
    params.host = pellor::Trim(server.substr(0, comma));
    params.port = PortOf(server.substr(comma + 1), profile);
  } else if (!server.empty() && server[0] == '[') {
    size_t close = server.find(']');
    if (close == std::string::npos) {
      throw pellor::EDatabaseError("MainServerName '" + server + "' in " + profile.fileName + " lacks its ']'");
    }
    params.host = server.substr(1, close - 1);
    std::string rest = server.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') {
        throw pellor::EDatabaseError("MainServerName '" + server + "' in " + profile.fileName +
                                     " has text after ']' that is no ':port'");
      }
      params.port = PortOf(rest.substr(1), profile);
    }
  } else if (size_t colon = server.find(':');
             colon != std::string::npos && server.find(':', colon + 1) == std::string::npos) {
    params.host = pellor::Trim(server.substr(0, colon));
    params.port = PortOf(server.substr(colon + 1), profile);
  } else {
    // No port, or a bare IPv6 address whose colons are no port separator.
    params.host = server;
  }
  return params;
}

}  // namespace suite
