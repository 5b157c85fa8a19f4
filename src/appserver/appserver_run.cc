#include "appserver/appserver_run.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "platform/dispatch/class_factory.h"
#include "platform/dispatch/server.h"
#include "suite/appserver/app_server.h"
#include "suite/appserver/lookup_server.h"
#include "suite/appserver/server_database.h"
#include "suite/appserver/server_profile.h"

namespace appserver {

namespace {

// The suite's classes a client may ask for, when the suite registers them.
// Nothing else the class factory could make (the settings store's class
// table names libraries of every kind) is reachable over the network.
const char* const kServedClasses[] = {suite::kAppServerClassName, suite::kLookupServerClassName};

std::string Endpoint(const std::string& address, int port) {
  bool v6 = address.find(':') != std::string::npos;
  return (v6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

std::string DatabaseText(const suite::ServerProfile& profile, const std::string& root) {
  if (profile.backend == suite::db::Backend::kSqlite) return "SQLite " + root + "/pellor.db";
  suite::db::PostgresParams params = suite::PostgresParamsOf(profile);
  return "PostgreSQL database " + params.database + " on " + (params.host.empty() ? "the local socket" : params.host) +
         " port " + std::to_string(params.port);
}

}  // namespace

int Serve(const ServeOptions& options, std::FILE* out, std::FILE* err) {
  // The signals are taken by sigwait below, never by a handler: every thread
  // the server starts inherits this mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  // A client that vanishes mid-answer must not end the process.
  signal(SIGPIPE, SIG_IGN);

  suite::AppServerOptions serverOptions;
  serverOptions.serverRoot = options.serverRoot;
  int port = 0;
  std::string database;
  try {
    serverOptions.serverRoot = suite::ResolveServerRoot(serverOptions);
    suite::ServerProfile profile = suite::ReadServerProfile(serverOptions.serverRoot);
    port = options.port ? *options.port : profile.serverPort;
    if (port < 0 || port > 65535) {
      std::fprintf(err, "tamlo-appserver: ServerPort %d in %s is no port\n", port, profile.fileName.c_str());
      return kExitFailed;
    }
    database = DatabaseText(profile, serverOptions.serverRoot);
    // The first start creates and seeds the database here, once, before any
    // client can race another to it; a database that cannot be reached stops
    // the server now instead of failing every client.
    suite::OpenServerDatabase(serverOptions);
  } catch (const std::exception& e) {
    std::fprintf(err, "tamlo-appserver: %s\n", e.what());
    return kExitFailed;
  }

  suite::RegisterSuiteClasses(serverOptions);
  pellor::TDispatchServerOptions serverSetup;
  serverSetup.bindAddress = options.bindAddress;
  serverSetup.port = port;
  serverSetup.maxClients = options.maxClients;
  for (const char* name : kServedClasses) {
    if (pellor::IsClassRegistered(name)) serverSetup.classes.push_back(name);
  }
  serverSetup.log = [err](const std::string& line) {
    std::fprintf(err, "tamlo-appserver: %s\n", line.c_str());
    std::fflush(err);
  };

  {
    pellor::TDispatchServer server(serverSetup);
    try {
      server.Start();
    } catch (const std::exception& e) {
      // The server's message names the address, the port and the reason.
      std::fprintf(err, "tamlo-appserver: %s\n", e.what());
      if (port > 0 && port < 1024 && geteuid() != 0) {
        std::fprintf(err,
                     "tamlo-appserver: on Linux only root may listen on a port below 1024; run it as root, or "
                     "give --port 1024 or above (and the same ServerPort in the clients' PellorC.ini)\n");
      }
      suite::UnregisterSuiteClasses();
      return kExitFailed;
    }
    std::fprintf(err, "tamlo-appserver: serving %s from %s, at most %d clients\n", serverOptions.serverRoot.c_str(),
                 database.c_str(), options.maxClients);
    std::fprintf(out, "listening on %s\n", Endpoint(options.bindAddress, server.Port()).c_str());
    std::fflush(out);
    std::fflush(err);

    int signalNumber = 0;
    while (sigwait(&stopSignals, &signalNumber) != 0) {
    }
    std::fprintf(err, "tamlo-appserver: %s, stopping\n", signalNumber == SIGINT ? "SIGINT" : "SIGTERM");
    std::fflush(err);
    server.Stop();
  }
  suite::UnregisterSuiteClasses();
  std::fprintf(err, "tamlo-appserver: stopped\n");
  return kExitOk;
}

}  // namespace appserver
