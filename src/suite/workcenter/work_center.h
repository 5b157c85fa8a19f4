// The work-center manager "TamloWorkCenter.Manager".
//
// The host creates one manager per program it runs and hands it to the
// program module, which reaches through it everything that lives outside the
// module: the message catalogue, starting another program, the help, and
// the validator, counter and look-up services. The services share the
// manager's ServiceContext, so every answer is confined to the company the
// host started the program for.
#ifndef PELLOR_SUITE_WORKCENTER_WORK_CENTER_H_
#define PELLOR_SUITE_WORKCENTER_WORK_CENTER_H_

#include <functional>
#include <memory>
#include <string>

#include "platform/dispatch/dispatch.h"
#include "platform/rtl/variant.h"
#include "suite/appserver/server_database.h"
#include "suite/workcenter/service_context.h"

namespace suite {

inline constexpr char kWorkCenterClassName[] = "TamloWorkCenter.Manager";

// The dependency version the manager reports; the module accepts no other.
inline constexpr int kWorkCenterDependencyVersion = 8000;

// What ExecWork asks the host to start.
struct ExecWorkRequest {
  pellor::Variant caller;     // as the module sent it: (user ID, company ID, program ID, window handle)
  std::string programId;      // UTF-8, upper case, trimmed
  pellor::Variant parameter;  // handed to the started program as its start value
  pellor::Variant options;    // (action, rights, condition) as the module sent them, default (0, 4, unassigned)
  int mode = 2;
};

// Supplied by the host that owns the manager: starts the program and answers
// 0 or more when it ran, or one of the failure codes -1..-7 (-1 module file
// missing, -2 load failed, -3 no controller, -4 rights error, -5 no right to
// run, -6 Initialize failed, -7 anything else); `result` gets the program's
// result value.
using ProgramStarter = std::function<int(const ExecWorkRequest& request, pellor::Variant& result)>;

struct WorkCenterOptions {
  AppServerOptions server;    // where the database is (empty root: the settings store's ServerPath)
  std::string userId;         // UTF-8; who works (from the host's start-up array)
  std::string company;        // UTF-8
  ProgramStarter starter;     // null: ExecWork answers -1
};

class TWorkCenterManager : public pellor::TDispatchObject {
 public:
  // Opens nothing yet: the database is opened on the first call that needs it,
  // so a host can hand the manager over before it knows whether a site exists.
  explicit TWorkCenterManager(WorkCenterOptions options);
  // On a context opened by the caller (tests, the server program).
  TWorkCenterManager(std::shared_ptr<ServiceContext> context, ProgramStarter starter);

 private:
  void RegisterMembers();
  // The context, opened on first use when the manager was made on options.
  ServiceContext& Context();
  std::shared_ptr<ServiceContext> SharedContext();

  WorkCenterOptions options_;
  std::shared_ptr<ServiceContext> context_;
  ProgramStarter starter_;
  pellor::DispatchPtr validator_;
  pellor::DispatchPtr counter_;
  pellor::DispatchPtr f2Window_;
};

// Registers "TamloWorkCenter.Manager" in the class factory (each creation a new manager on `options`).
void RegisterWorkCenterClass(WorkCenterOptions options);

}  // namespace suite

#endif  // PELLOR_SUITE_WORKCENTER_WORK_CENTER_H_
