// The server profile "PellorS.ini" as the application server reads it.
//
// The program module has its own reader of this file for its settings; the
// server reads the few keys that decide how it reaches its database, which
// code page its clients speak and where it listens. Keys, sections and
// defaults are the same as the module's, so both read one file alike:
//
//   [CodePage]        DBCodePage   936 or 950; any other value counts as 936
//   [DBE Setting]     MainDBType   POSTGRESQL (POSTGRES, PGSQL) chooses
//                                  PostgreSQL; every other value, the
//                                  default "MSSQL" included, the embedded
//                                  SQLite file
//                     MainDBName   the PostgreSQL database
//                     MainServerName
//                                  where PostgreSQL listens: "host",
//                                  "host:port" or "host,port"; the host may
//                                  be a name, an address ("[::1]:5433" for
//                                  IPv6 with a port) or a socket folder
//                                  ("/run/postgresql"); no port means 5432,
//                                  an empty value the default local socket
//                     MainUserName the PostgreSQL user (default "sa")
//                     XXXXXX       that user's password, scrambled the way
//                                  the suite stores passwords (see below)
//                     MainConnectionTimeOut
//                                  seconds to wait for PostgreSQL to answer
//   [DBPasswordCtrl]  ServerPort   the port tamlo-appserver listens on (211)
//
// The profile is ROOT/PellorS.ini; a missing file or key reads as its
// default, so a server root without a profile runs on SQLite in code page
// 936.
#ifndef PELLOR_SUITE_APPSERVER_SERVER_PROFILE_H_
#define PELLOR_SUITE_APPSERVER_SERVER_PROFILE_H_

#include <string>
#include <string_view>

#include "suite/db/database.h"

namespace suite {

inline constexpr char kServerProfileName[] = "PellorS.ini";
// The key of the main database's password in section "DBE Setting".
inline constexpr char kMainPasswordKey[] = "XXXXXX";
// The port of the application server when the profile names none.
inline constexpr int kDefaultServerPort = 211;

struct ServerProfile {
  std::string fileName;  // the profile read, whether it exists or not
  std::string mainDbType = "MSSQL";
  db::Backend backend = db::Backend::kSqlite;
  std::string mainDbName;
  std::string mainServerName;
  std::string mainUserName = "sa";
  std::string mainPassword;  // decoded
  int mainConnectionTimeOut = 0;  // seconds; 0 when the profile names none
  int dbCodePage = 936;
  int serverPort = kDefaultServerPort;
};

// Reads ROOT/PellorS.ini. Raises EDatabaseError naming the key when the
// stored password cannot be decoded: connecting with a garbled password
// would only hide the cause behind the database's refusal.
ServerProfile ReadServerProfile(const std::string& serverRoot);

// Where the profile's PostgreSQL database is. Raises EDatabaseError when
// MainDBName is empty or MainServerName carries a port that is no number
// from 1 to 65535.
db::PostgresParams PostgresParamsOf(const ServerProfile& profile);

// The stored passwords of the profile, scrambled as
// platform/rtl/sql_password.h describes (the module reads them alike).
// Decoding is false when a pair is not hexadecimal.
std::string EncodeProfilePassword(std::string_view plain);
bool DecodeProfilePassword(std::string_view encoded, std::string& plain);

}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_SERVER_PROFILE_H_
