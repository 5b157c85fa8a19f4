// tamlo-appserver: the application server as a network process.
#include <cstdio>
#include <string>

#include "appserver/appserver_options.h"
#include "appserver/appserver_run.h"

int main(int argc, char** argv) {
  appserver::ServeOptions options;
  std::string problem = appserver::ParseServeOptions(argc, argv, options);
  if (options.help) {
    std::fputs(appserver::kUsage, stdout);
    return appserver::kExitOk;
  }
  if (!problem.empty()) {
    std::fprintf(stderr, "tamlo-appserver: %s\n(tamlo-appserver --help lists the options)\n", problem.c_str());
    return appserver::kExitUsage;
  }
  return appserver::Serve(options, stdout, stderr);
}
