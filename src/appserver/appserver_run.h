// Running tamlo-appserver: open the database once, listen, serve until
// SIGINT or SIGTERM, stop cleanly.
#ifndef PELLOR_APPSERVER_APPSERVER_RUN_H_
#define PELLOR_APPSERVER_APPSERVER_RUN_H_

#include <cstdio>

#include "appserver/appserver_options.h"

namespace appserver {

// Serves until SIGINT or SIGTERM and returns the exit code. The line
// "listening on ADDRESS:PORT" goes to `out` (flushed at once, so that a
// parent process can wait for it); everything else, connections and
// failures included, to `err`. Must be called before any other thread of
// the process starts: it blocks the two signals for every thread it makes.
int Serve(const ServeOptions& options, std::FILE* out, std::FILE* err);

}  // namespace appserver

#endif  // PELLOR_APPSERVER_APPSERVER_RUN_H_
