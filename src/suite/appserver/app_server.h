// The application server object "ZEVUD01E.Class1".
//
// One object serves one client program of one user in one company: the
// client creates it (in process, or on the server behind a socket
// connection), calls `Connect` with its program, user and company, and from
// then on reads its settings (`SvrData`, `WhatIs`) and its main table
// through the provider "pvdMain" (the AS_* calls of platform/db/provider.h),
// the colours of its records through "pvdColor" (color_provider.h) and its
// saved conditions through "pvdConSave".
//
// Every object holds its own two connections to the server's database: a
// trusted one that writes the changes a client sends, and the SQL gateway's
// confined one on which every condition and order a client composed runs,
// read-only and limited to the client's company (suite/db/sql_gateway.h).
//
// Texts cross to the client in the server profile's "DBCodePage" (936 or
// 950; or wide); the database holds UTF-8. The conversion happens here and
// in the providers, nowhere else.
//
// Methods (names compare without case):
//   Connect (array: program ID, user ID, company ID, database name, flag,
//            audit flag) → 0 accepted; 1 the argument is not such an array,
//            2 no active user of that ID, 3 no company of that ID. A refused
//            Connect also ends a session opened before.
//   SvrData () → name=value lines, CR LF separated: the program's server
//            configuration, then USER_GROUP, GROUP_LIST ('G1','G2'),
//            POWER_DATA, EX_POWER and BaseLimited of the user in the company
//            (the user's own rights row wins over the rows of the groups,
//            the primary group's over the others).
//   WhatIs (name) → "TODAY": the server's local date "YYYYMMDD"; "SQLTYPE":
//            the SQL dialect number of the gateway; any other name: empty.
//   GetRecCount () → rows matching the last query opened on "pvdMain".
//   GetBaseLimitedRecs (key prefix, condition, out row count) → the keys
//            of the permitted rows: base-data permission. The prefix ("M11"
//            or "M11_") names a table of the program's configuration
//            (M11_TABLE, keyed by M11_KEY); the condition (suite dialect,
//            empty for all rows) selects rows of it in the connected
//            company. A user is limited when the rights row chosen as for
//            SvrData has BaseLimited 'Y' and a base-data limit (table ADMBL:
//            the user's own, else the primary group's, else another
//            group's) names the table: then the answer lists, in key order,
//            the key text of every selected row the limit permits (each key
//            value in the client's code page, filled with blanks on the
//            right to its column's size, joined by "-"), and the row count
//            is their number (0: none permitted). Not limited: an empty
//            list and the row count -1. The condition runs through the SQL
//            gateway, read-only and confined; one it refuses raises, as do
//            a prefix that is not a name and a table or key that is not
//            configured.
//   SetTopRow (n) → the next opening of "pvdMain" delivers at most n rows
//            (n ≤ 0: no limit).
//   GetFormat (company ID, program ID) → the settings document (MT_User
//            XML) of the connected user for the program, else the program's
//            default for everyone, else empty. Another company than the
//            connected one raises EDispatchError.
//   LoadTable (array: user ID, program ID) → nothing; later openings of
//            "pvdConSave" deliver that user's saved conditions of the program
//            (table DOCUS, ordered by name). The user must be the connected
//            one: saved conditions are private to their owner.
//   InsertConTable (array: name, user ID, date "YYYYMMDD", program ID,
//            condition text, tab index 0-2, replace flag),
//   DeleteConTable (array: name, user ID, program ID),
//   ChangeConName (array: old name, user ID, program ID; array: new name,
//            user ID, program ID) → "" when done, else the reason: a blank
//            name or one over 20 bytes in the client's code page, another user, an
//            existing name (unless Insert's replace flag is set, which then
//            rewrites that condition), a missing condition, a rename across
//            users or programs. All confined to the connected company.
// Every method but Connect, and every provider call, raises EDispatchError
// "not connected" before a Connect has been accepted.
#ifndef PELLOR_SUITE_APPSERVER_APP_SERVER_H_
#define PELLOR_SUITE_APPSERVER_APP_SERVER_H_

#include <memory>
#include <string>

#include "platform/db/provider.h"
#include "suite/appserver/server_database.h"
#include "suite/db/database.h"

namespace suite {

// The class name the module creates the server by.
inline constexpr char kAppServerClassName[] = "ZEVUD01E.Class1";

struct AppSession;

class TAppServer : public pellor::TProviderServer {
 public:
  // Opens (creating and seeding on the first start) the database the server
  // profile under the options' server root chooses (server_database.h), and
  // takes the profile's code page. Raises EDatabaseError when there is no
  // root (neither given nor in the settings store) or the database cannot be
  // opened.
  explicit TAppServer(const AppServerOptions& options);
  explicit TAppServer(ServerDatabase database);
  // On two connections to a database that holds the schema: `writer` for
  // the server's own reads and writes, `confined` for the SQL gateway. They
  // must not be used by anybody else.
  TAppServer(std::unique_ptr<db::Connection> writer, std::unique_ptr<db::Connection> confined);
  ~TAppServer() override;

 private:
  void AddMethods();

  std::shared_ptr<AppSession> session_;
};

// Registers "ZEVUD01E.Class1" and the look-up server "F2WindowS.Class1"
// (lookup_server.h) in the class factory: each creation makes a
// new server object on the database of `options`. Called by whoever hosts the
// server (the server program, a test, or an in-process client) before the
// module creates the object; a library-level static registration would tie
// the class to a server root nobody chose. A second call replaces the first.
void RegisterSuiteClasses(const AppServerOptions& options);
void UnregisterSuiteClasses();

}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_APP_SERVER_H_
