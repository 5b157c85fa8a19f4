// The command line of tamlo-appserver.
#ifndef PELLOR_APPSERVER_APPSERVER_OPTIONS_H_
#define PELLOR_APPSERVER_APPSERVER_OPTIONS_H_

#include <optional>
#include <string>

namespace appserver {

// Exit codes.
constexpr int kExitOk = 0;       // served, then stopped by SIGINT or SIGTERM
constexpr int kExitFailed = 1;   // could not start (database, address, port)
constexpr int kExitUsage = 2;    // wrong command line

// Each client holds a thread and two database connections; PostgreSQL's
// default of 100 connections leaves room for this many and for others.
constexpr int kDefaultMaxClients = 32;
constexpr int kMaxMaxClients = 1000;

struct ServeOptions {
  // Empty: the settings store's ServerPath.
  std::string serverRoot;
  // Unset: the server profile's ServerPort ([DBPasswordCtrl], default 211).
  std::optional<int> port;
  std::string bindAddress = "127.0.0.1";
  int maxClients = kDefaultMaxClients;
  bool help = false;
};

extern const char kUsage[];

// Reads argv[1..]. Empty when the line is good, else what is wrong with it.
std::string ParseServeOptions(int argc, char** argv, ServeOptions& options);

}  // namespace appserver

#endif  // PELLOR_APPSERVER_APPSERVER_OPTIONS_H_
