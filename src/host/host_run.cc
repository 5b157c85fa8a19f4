#include "host/host_run.h"

#include <dlfcn.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "host/host_profile.h"
#include "host/script_runner.h"
#include "module/entry/dll_controller.h"
#include "platform/dispatch/class_factory.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"
#include "platform/ui/forms.h"
#include "platform/ui/platform.h"
#include "suite/workcenter/work_center.h"

namespace tamlo {
namespace {

constexpr const char* kWorkCenterClass = suite::kWorkCenterClassName;

// How many rounds of message delivery a modeless program gets to close
// itself before the headless user closes its window.
constexpr int kSettleRounds = 100;

const char* EventName(int32_t code) {
  switch (code) {
    case pevf::kEventCreated: return "created";
    case pevf::kEventShow: return "shown";
    case pevf::kEventHide: return "hidden";
    case pevf::kEventDestroy: return "destroyed";
    case pevf::kEventClose: return "closed";
  }
  return "unknown";
}

// The context of a program that another program started is its code, so
// that its events are told apart from those of the program tamlo started.
void PrintEvent(void* context, int32_t code, pevf::TDLLBaseController* sender) {
  if (context != nullptr) {
    std::printf("program %s ", static_cast<const std::string*>(context)->c_str());
  }
  std::printf("event %d %s\n", static_cast<int>(code), EventName(code));
  std::fflush(stdout);
}

std::string ErrorText(const std::exception& error) {
  std::string text = error.what();
  // The module joins the lines of its internal errors with a carriage
  // return, which a terminal would overprint.
  for (char& ch : text) {
    if (ch == '\r') ch = '\n';
  }
  return text;
}

std::string ValueText(const pellor::Variant& value) {
  if (value.IsEmpty()) return "(empty)";
  if (value.IsNull()) return "(null)";
  if (value.IsArray()) return "(array of " + std::to_string(value.Count()) + ")";
  if (value.IsDispatch()) return "(object)";
  try {
    return value.AsString();
  } catch (const std::exception&) {
    return "(a value without text)";
  }
}

// Finds the module of a program code in the package folders; on failure
// `problem` says why.
std::string FindProgramModule(const std::string& programCode, std::string& problem) {
  PackageFolders packages = ReadPackageFolders();
  std::string fileName = ModuleFileNameOf(programCode);
  if (packages.clientPath.empty()) {
    problem = "cannot find program " + programCode + ": the settings store " +
              pellor::RegistryFileName() + " names no ClientPath";
    return "";
  }
  std::string path = FindModule(packages, fileName);
  if (path.empty()) {
    std::string searched;
    for (const std::string& folder : packages.folders) {
      searched += (searched.empty() ? "" : ", ") + folder;
    }
    problem = "cannot find program " + programCode + ": no " + fileName +
              " in the package folders of " + packages.iniFileName + " (" + searched + ")";
  }
  return path;
}

std::string ResolveModule(const HostOptions& options) {
  if (!options.modulePath.empty()) {
    if (pellor::FileExists(options.modulePath)) return options.modulePath;
    std::fprintf(stderr, "tamlo: module file %s does not exist\n", options.modulePath.c_str());
    return "";
  }
  std::string problem;
  std::string path = FindProgramModule(options.programCode, problem);
  if (path.empty()) std::fprintf(stderr, "tamlo: %s\n", problem.c_str());
  return path;
}

// Lets a modeless program settle and closes it, the way a user ends a
// session: a program may close itself (it posts itself a close request when
// it cannot start); when it does not, the headless user closes its window
// the way a window system would, and as a last resort the host closes the
// program.
void SettleAndClose(pevf::TDLLBaseController& controller) {
  for (int round = 0; round < kSettleRounds && !controller.IsFormFreed(); ++round) {
    pellor::Application().ProcessMessages();
    if (pellor::PendingMessageCount() == 0) break;
  }
  if (controller.IsFormFreed()) return;
  pellor::WindowHandle window = controller.GetHandle();
  if (window != 0) {
    pellor::PostMessage(window, pellor::WM_CLOSE, 0, 0);
    for (int round = 0; round < kSettleRounds && !controller.IsFormFreed(); ++round) {
      pellor::Application().ProcessMessages();
      if (pellor::PendingMessageCount() == 0 && round > 0) break;
    }
  }
  if (!controller.IsFormFreed()) controller.CloseProgram(false);
}

// The start extra is required inside a host: an array of five that the
// module keeps and never reads.
pellor::Variant StartParams(const std::string& user, const std::string& company,
                            const std::string& database) {
  return pellor::Variant::ArrayOf({user, company, database, 0, pellor::Variant::Array(4)});
}

// The programs of one tamlo process: the one started from the command line,
// and those it (or they) start through the work-center manager's ExecWork.
// They share the process, the platform and the screen, as the programs of
// one desktop session do.
class ProgramHost {
 public:
  explicit ProgramHost(const HostOptions& options) : options_(options) {}
  // Programs started through ExecWork are closed with the host, newest first.
  ~ProgramHost() { CloseStarted(); }

  int RunMain(pevf::GetControllerProc getController, THostPlatform& platform);

 private:
  struct Started {
    std::string code;  // outlives the controller: its events carry it
    std::unique_ptr<pevf::TDLLBaseController> controller;
  };

  pellor::Variant CreateWorkCenter();
  int StartProgram(const suite::ExecWorkRequest& request, pellor::Variant& result);
  void CloseStarted();

  const HostOptions& options_;
  std::vector<std::unique_ptr<Started>> started_;
};

// The work-center manager a program gets: whatever the class factory makes
// of the manager's class name (a registration in the process, or the class
// table of the settings store), else the suite's own manager for the
// start-up user and company, which starts programs in this host.
pellor::Variant ProgramHost::CreateWorkCenter() {
  std::string problem;
  try {
    return pellor::Variant(pellor::CreateObject(kWorkCenterClass));
  } catch (const std::exception& error) {
    problem = ErrorText(error);
  }
  try {
    suite::WorkCenterOptions managerOptions;
    managerOptions.userId = options_.user;
    managerOptions.company = options_.company;
    managerOptions.starter = [this](const suite::ExecWorkRequest& request, pellor::Variant& result) {
      return StartProgram(request, result);
    };
    return pellor::Variant(pellor::DispatchPtr(new suite::TWorkCenterManager(std::move(managerOptions))));
  } catch (const std::exception& error) {
    problem = ErrorText(error);
  }
  std::fprintf(stderr, "tamlo: no work-center manager (%s): %s; the program gets none\n",
               kWorkCenterClass, problem.c_str());
  return pellor::Variant();
}

// ExecWork's way into the host: loads and starts the program as tamlo starts
// its first one, and shows it modelessly beside the caller. The failure
// codes are the manager's (work_center.h); what went wrong goes to stderr as
// well, since the calling program only learns the code. The host keeps no
// rights of its own: it hands on the rights of the run options (-4 when they
// are no number), and whether a user may run a program at all (-5) is the
// manager's to decide before it asks. A program shown modelessly has no
// result yet: `result` is its result value at the time it was shown.
int ProgramHost::StartProgram(const suite::ExecWorkRequest& request, pellor::Variant& result) {
  const std::string& code = request.programId;
  auto failed = [&code](int answer, const std::string& why) {
    std::fprintf(stderr, "tamlo: ExecWork %s: %s\n", code.c_str(), why.c_str());
    return answer;
  };
  if (code.empty() || code.find('/') != std::string::npos) return failed(-1, "no program code");
  std::string problem;
  std::string path = FindProgramModule(code, problem);
  if (path.empty()) return failed(-1, problem);
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return failed(-2, std::string("cannot load ") + path + ": " + dlerror());
  auto getController =
      reinterpret_cast<pevf::GetControllerProc>(dlsym(library, pevf::kGetControllerSymbol));
  if (getController == nullptr) return failed(-3, path + " exports no GetController");

  auto started = std::make_unique<Started>();
  started->code = code;
  try {
    started->controller.reset(getController());
  } catch (const std::exception& error) {
    return failed(-3, "GetController raised: " + ErrorText(error));
  }
  if (started->controller == nullptr) return failed(-3, "GetController returned no controller");
  pevf::TDLLBaseController& controller = *started->controller;
  // Kept from here on, so that the program's events always find its code.
  started_.push_back(std::move(started));
  controller.WorkCenter = CreateWorkCenter();
  controller.OnEvent = &PrintEvent;
  controller.OnEventContext = &started_.back()->code;

  // The caller's user and company carry over; the database is the host's.
  const pellor::Variant& caller = request.caller;
  std::string user = options_.user;
  std::string company = options_.company;
  if (caller.IsArray() && caller.Count() >= 2) {
    user = pellor::VarToStr(caller[0]);
    company = pellor::VarToStr(caller[1]);
  }
  try {
    if (controller.Initialize(StartParams(user, company, options_.database)) != 0) {
      return failed(-6, "the program refused its start parameters");
    }
  } catch (const std::exception& error) {
    return failed(-6, "the program could not start: " + ErrorText(error));
  }

  int32_t action = 0;
  uint32_t rights = 0xFF;
  const pellor::Variant& runOptions = request.options;
  try {
    if (runOptions.IsArray() && runOptions.Count() >= 2) {
      action = runOptions[0].AsInteger();
      rights = static_cast<uint32_t>(runOptions[1].AsInteger());
    }
  } catch (const std::exception& error) {
    return failed(-4, "the rights of the run options are no number: " + ErrorText(error));
  }
  try {
    if (runOptions.IsArray() && runOptions.Count() >= 3 && !runOptions[2].IsEmpty() &&
        !runOptions[2].IsNull()) {
      controller.SetCondition(pellor::Variant::ArrayOf({0, runOptions[2]}));
    }
    controller.Execute(action, rights, request.parameter);
    controller.SetVisible(1);
  } catch (const std::exception& error) {
    return failed(-7, "the program failed: " + ErrorText(error));
  }
  result = controller.ResultValue;
  return 0;
}

void ProgramHost::CloseStarted() {
  while (!started_.empty()) {
    try {
      if (!started_.back()->controller->IsFormFreed()) SettleAndClose(*started_.back()->controller);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "tamlo: closing program %s failed: %s\n", started_.back()->code.c_str(),
                   ErrorText(error).c_str());
    }
    started_.back()->controller.reset();
    started_.pop_back();
  }
}

int ProgramHost::RunMain(pevf::GetControllerProc getController, THostPlatform& platform) {
  std::unique_ptr<pevf::TDLLBaseController> controller;
  try {
    controller.reset(getController());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tamlo: GetController raised: %s\n", ErrorText(error).c_str());
    return kExitNoController;
  } catch (...) {
    std::fprintf(stderr, "tamlo: GetController raised an unknown error\n");
    return kExitNoController;
  }
  if (controller == nullptr) {
    std::fprintf(stderr, "tamlo: GetController returned no controller\n");
    return kExitNoController;
  }

  controller->WorkCenter = CreateWorkCenter();
  controller->OnEvent = &PrintEvent;
  controller->OnEventContext = nullptr;

  int32_t initialized = -1;
  try {
    initialized =
        controller->Initialize(StartParams(options_.user, options_.company, options_.database));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tamlo: the program could not start: %s\n", ErrorText(error).c_str());
    return kExitInitializeRaised;
  } catch (...) {
    std::fprintf(stderr, "tamlo: the program could not start: unknown error\n");
    return kExitInitializeRaised;
  }
  if (initialized != 0) {
    std::fprintf(stderr, "tamlo: the program refused its start parameters (Initialize returned %d)\n",
                 static_cast<int>(initialized));
    // It may have posted itself a close request; let it act on it.
    try {
      pellor::Application().ProcessMessages();
    } catch (const std::exception&) {
    }
    return kExitInitializeRefused;
  }

  std::unique_ptr<ScriptRunner> runner;
  if (options_.script.has_value()) runner = std::make_unique<ScriptRunner>(*options_.script, platform, stdout);
  int exitCode = kExitOk;
  try {
    if (options_.condition.has_value()) {
      if (controller->SetCondition(pellor::Variant::ArrayOf({0, *options_.condition})) != 0) {
        std::fprintf(stderr, "tamlo: the program did not take the condition\n");
      }
    }
    controller->Execute(options_.action, options_.rights, pellor::Variant());
    if (options_.modal) {
      // With a script, the script acts inside the program's modal loop.
      pellor::Variant result;
      controller->ShowModal(result);
      if (runner) runner->RunToEnd();
    } else {
      controller->SetVisible(1);
      if (runner) runner->RunToEnd();
    }
    // Whatever closes now closes without the script: a dialog that the
    // closing shows is cancelled by the headless user.
    runner.reset();
    if (!options_.modal) SettleAndClose(*controller);
  } catch (const ScriptFailure& failure) {
    std::fflush(stdout);
    std::fprintf(stderr, "tamlo: %s\n", failure.message.c_str());
    exitCode = kExitScriptFailed;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tamlo: the program failed: %s\n", ErrorText(error).c_str());
    exitCode = kExitProgramRaised;
  } catch (...) {
    std::fprintf(stderr, "tamlo: the program failed: unknown error\n");
    exitCode = kExitProgramRaised;
  }
  runner.reset();
  if (exitCode == kExitOk) {
    std::printf("result code %d\n", static_cast<int>(controller->ResultCode));
    std::printf("result value %s\n", ValueText(controller->ResultValue).c_str());
    std::fflush(stdout);
  }
  // The programs it started go first, the way a session closes its windows;
  // the controller closes a program that is still open as it goes, so the
  // host still receives the close and destroy events.
  CloseStarted();
  controller.reset();
  return exitCode;
}

}  // namespace

int RunProgram(const HostOptions& options) {
  std::string modulePath = ResolveModule(options);
  if (modulePath.empty()) return kExitModuleNotFound;

  // The module stays loaded until the process ends: the platform library may
  // still hold objects and registrations of it.
  void* library = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "tamlo: cannot load %s: %s\n", modulePath.c_str(), dlerror());
    return kExitModuleNotFound;
  }
  auto getController =
      reinterpret_cast<pevf::GetControllerProc>(dlsym(library, pevf::kGetControllerSymbol));
  if (getController == nullptr) {
    std::fprintf(stderr, "tamlo: %s exports no %s\n", modulePath.c_str(),
                 pevf::kGetControllerSymbol);
    return kExitNoController;
  }

  THostPlatform platform(stdout);
  // Nobody sits at a headless modal window that no script drives: the user
  // closes it at once.
  platform.SetDefaultModalAction(
      [](pellor::IModalWindow& window) { window.SetModalResult(pellor::kModalCancel); });
  pellor::ScopedPlatform scoped(platform);
  ProgramHost host(options);
  return host.RunMain(getController, platform);
}

}  // namespace tamlo
