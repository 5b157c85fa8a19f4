// Running one program module: load it, start it through its controller, show
// it until it is closed, report its result.
#ifndef PELLOR_HOST_HOST_RUN_H_
#define PELLOR_HOST_HOST_RUN_H_

#include <cstdint>
#include <optional>
#include <string>

#include "host/script_parser.h"

namespace tamlo {

// The exit codes of tamlo; the help text lists them.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,            // an error of the host itself
  kExitUsage = 2,
  kExitModuleNotFound = 3,    // no module file, or it cannot be loaded
  kExitNoController = 4,      // no GetController, or it gave no controller
  kExitInitializeRaised = 5,
  kExitInitializeRefused = 6, // Initialize returned -1
  kExitProgramRaised = 7,     // an error while the program was conditioned, started or shown
  kExitScriptFailed = 8,      // the script cannot be read, or one of its steps failed
};

struct HostOptions {
  std::string programCode = "PEVF07";
  // A module file given directly; empty: look the program code up.
  std::string modulePath;
  std::string user;
  std::string company;
  std::string database;
  std::optional<std::string> condition;
  int32_t action = 0;
  uint32_t rights = 0xFF;
  bool modal = false;
  // Drives the program's windows once it is shown (script_runner.h); without
  // one, message dialogs take their default answer and every window is
  // closed as soon as it waits for a user.
  std::optional<Script> script;
};

// Runs the program and returns the process's exit code. Messages go to
// stdout (events, results) and stderr (failures); nothing escapes as an
// exception.
int RunProgram(const HostOptions& options);

}  // namespace tamlo

#endif  // PELLOR_HOST_HOST_RUN_H_
