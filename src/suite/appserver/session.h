// The state one application server object shares with its providers.
// Internal to the application server.
#ifndef PELLOR_SUITE_APPSERVER_SESSION_H_
#define PELLOR_SUITE_APPSERVER_SESSION_H_

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/codepage.h"
#include "platform/rtl/variant.h"
#include "suite/db/client_text.h"
#include "suite/db/database.h"
#include "suite/db/sql_gateway.h"

namespace suite {

struct AppSession {
  // One lock for everything below: the connections serve one call at a
  // time, whichever thread of the dispatch server makes it.
  std::mutex mutex;
  std::unique_ptr<db::Connection> writer;
  std::unique_ptr<db::SqlGateway> gateway;
  // The code page of the narrow texts this server's clients send and read
  // (the server profile's "DBCodePage"); every conversion at the boundary
  // uses it, so a 950 site never sees its texts read as 936.
  int clientCodePage = pellor::kCodePageGB;

  bool connected = false;
  // UTF-8, as the database holds them.
  std::string programId;
  std::string userId;
  std::string company;
  std::string databaseName;
  // The program's server configuration (name, value), in name order.
  std::vector<std::pair<std::string, std::string>> settings;
  // Rows the next opening of the main provider may deliver; 0 no limit.
  int topRow = 0;

  // Raises EDispatchError "not connected" unless a Connect was accepted.
  void RequireConnected() const;
  // The configuration value of `name` (case ignored); empty when missing.
  std::string Setting(std::string_view name) const;
};


}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_SESSION_H_
