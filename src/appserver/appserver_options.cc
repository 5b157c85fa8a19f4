#include "appserver/appserver_options.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace appserver {

const char kUsage[] =
    "usage: tamlo-appserver [options]\n"
    "\n"
    "Serves the application server \"ZEVUD01E.Class1\" and the suite's other server\n"
    "objects to the suite's programs over TCP. Each client gets a server object\n"
    "and a database connection of its own. The database is the one the server\n"
    "profile PellorS.ini under the server root chooses: the SQLite file\n"
    "pellor.db there (the default), or PostgreSQL with [DBE Setting]\n"
    "MainDBType=POSTGRESQL, MainDBName, MainServerName (host, host:port or\n"
    "host,port), MainUserName and the stored password. It is created and seeded\n"
    "on the first start.\n"
    "\n"
    "  --server-root DIR  the server root (default: ServerPath of the settings store,\n"
    "                     PELLOR_REGISTRY, else /etc/pellor/registry.ini)\n"
    "  --site DIR         the site folder of tamlo init: the server root is DIR/server\n"
    "  --port N           the port (default: [DBPasswordCtrl] ServerPort of the\n"
    "                     profile, else 211); 0 lets the system choose a free one.\n"
    "                     On Linux a port below 1024 needs root\n"
    "  --bind ADDRESS     the address to listen on (default 127.0.0.1; 0.0.0.0 for\n"
    "                     every IPv4 address, :: for every address)\n"
    "  --max-clients N    clients served at once, 1 to 1000 (default 32); one more\n"
    "                     gets the answer \"Server busy\" and is closed\n"
    "  --help             this text\n"
    "\n"
    "When it listens it prints \"listening on ADDRESS:PORT\". SIGINT or SIGTERM stop\n"
    "it: it stops accepting, lets the calls in progress finish, closes every\n"
    "connection and exits with 0.\n"
    "\n"
    "Exit codes:\n"
    "  0  stopped by SIGINT or SIGTERM\n"
    "  1  could not start: no server root, a database it cannot open, an address\n"
    "     or port it cannot listen on\n"
    "  2  wrong usage\n";

namespace {

bool ParseNumber(const char* text, long low, long high, int& value) {
  if (*text == '\0') return false;
  errno = 0;
  char* end = nullptr;
  long parsed = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
  value = static_cast<int>(parsed);
  return true;
}

}  // namespace

std::string ParseServeOptions(int argc, char** argv, ServeOptions& options) {
  bool site = false;
  bool root = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    if (arg != "--server-root" && arg != "--site" && arg != "--port" && arg != "--bind" &&
        arg != "--max-clients") {
      return "unknown option " + std::string(arg);
    }
    if (i + 1 >= argc || argv[i + 1][0] == '\0') return "option " + std::string(arg) + " needs a value";
    const char* value = argv[++i];
    if (arg == "--server-root") {
      options.serverRoot = value;
      root = true;
    } else if (arg == "--site") {
      std::string folder = value;
      while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
      options.serverRoot = folder + "/server";
      site = true;
    } else if (arg == "--port") {
      int port = 0;
      if (!ParseNumber(value, 0, 65535, port)) return "--port " + std::string(value) + " is no port from 0 to 65535";
      options.port = port;
    } else if (arg == "--bind") {
      options.bindAddress = value;
    } else {
      if (!ParseNumber(value, 1, kMaxMaxClients, options.maxClients)) {
        return "--max-clients " + std::string(value) + " is no number from 1 to " + std::to_string(kMaxMaxClients);
      }
    }
  }
  if (site && root) return "give --site or --server-root, not both";
  return std::string();
}

}  // namespace appserver
