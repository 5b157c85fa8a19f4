#include "host/host_run.h"

#include <dlfcn.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "host/host_profile.h"
#include "module/entry/dll_controller.h"
#include "platform/dispatch/class_factory.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"
#include "platform/ui/forms.h"
#include "platform/ui/platform.h"

namespace tamlo {
namespace {

constexpr const char kWorkCenterClass[] = "TamloWorkCenter.Manager";

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

void PrintEvent(void* context, int32_t code, pevf::TDLLBaseController* sender) {
  std::printf("event %d %s\n", static_cast<int>(code), EventName(code));
  std::fflush(stdout);
}

// The headless platform, telling on stdout what a user would have read in the
// program's message dialogs; each dialog takes its default answer.
class TReportingPlatform : public pellor::THeadlessPlatform {
 public:
  int MessageDialog(const pellor::MessageDialogRequest& request) override {
    std::printf("dialog (%s): %s\n", pellor::DialogKindName(request.kind), request.text.c_str());
    std::fflush(stdout);
    return THeadlessPlatform::MessageDialog(request);
  }
};

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

// The work-center manager the program gets: whatever the class factory makes
// of the manager's class name, or nothing when no such class is registered.
pellor::Variant CreateWorkCenter() {
  try {
    return pellor::Variant(pellor::CreateObject(kWorkCenterClass));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tamlo: no work-center manager (%s): %s; the program gets none\n",
                 kWorkCenterClass, ErrorText(error).c_str());
    return pellor::Variant();
  }
}

std::string ResolveModule(const HostOptions& options) {
  if (!options.modulePath.empty()) {
    if (pellor::FileExists(options.modulePath)) return options.modulePath;
    std::fprintf(stderr, "tamlo: module file %s does not exist\n", options.modulePath.c_str());
    return "";
  }
  PackageFolders packages = ReadPackageFolders();
  std::string fileName = ModuleFileNameOf(options.programCode);
  if (packages.clientPath.empty()) {
    std::fprintf(stderr,
                 "tamlo: cannot find program %s: the settings store %s names no ClientPath\n",
                 options.programCode.c_str(), pellor::RegistryFileName().c_str());
    return "";
  }
  std::string path = FindModule(packages, fileName);
  if (path.empty()) {
    std::string searched;
    for (const std::string& folder : packages.folders) {
      searched += (searched.empty() ? "" : ", ") + folder;
    }
    std::fprintf(stderr, "tamlo: cannot find program %s: no %s in the package folders of %s (%s)\n",
                 options.programCode.c_str(), fileName.c_str(), packages.iniFileName.c_str(),
                 searched.c_str());
  }
  return path;
}

// Shows the program modelessly and waits until it is gone. A program may
// close itself (it posts itself a close request when it cannot start); when
// it does not, the headless user closes its window the way a window system
// would, and as a last resort the host closes the program.
void ShowModeless(pevf::TDLLBaseController& controller) {
  controller.SetVisible(1);
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

// The controller closes a program that is still open as it goes, so the
// host still receives the close and destroy events.
void DestroyController(std::unique_ptr<pevf::TDLLBaseController>& controller) {
  controller.reset();
}

int RunLoaded(pevf::GetControllerProc getController, const HostOptions& options) {
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

  // The start extra is required inside a host: an array of five that the
  // module keeps and never reads.
  pellor::Variant params = pellor::Variant::ArrayOf(
      {options.user, options.company, options.database, 0, pellor::Variant::Array(4)});
  int32_t initialized = -1;
  try {
    initialized = controller->Initialize(params);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tamlo: the program could not start: %s\n", ErrorText(error).c_str());
    DestroyController(controller);
    return kExitInitializeRaised;
  } catch (...) {
    std::fprintf(stderr, "tamlo: the program could not start: unknown error\n");
    DestroyController(controller);
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
    DestroyController(controller);
    return kExitInitializeRefused;
  }

  int exitCode = kExitOk;
  try {
    if (options.condition.has_value()) {
      if (controller->SetCondition(pellor::Variant::ArrayOf({0, *options.condition})) != 0) {
        std::fprintf(stderr, "tamlo: the program did not take the condition\n");
      }
    }
    controller->Execute(options.action, options.rights, pellor::Variant());
    if (options.modal) {
      pellor::Variant result;
      controller->ShowModal(result);
    } else {
      ShowModeless(*controller);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tamlo: the program failed: %s\n", ErrorText(error).c_str());
    exitCode = kExitProgramRaised;
  } catch (...) {
    std::fprintf(stderr, "tamlo: the program failed: unknown error\n");
    exitCode = kExitProgramRaised;
  }
  if (exitCode == kExitOk) {
    std::printf("result code %d\n", static_cast<int>(controller->ResultCode));
    std::printf("result value %s\n", ValueText(controller->ResultValue).c_str());
    std::fflush(stdout);
  }
  DestroyController(controller);
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

  TReportingPlatform platform;
  // Nobody sits at a headless modal window: the user closes it at once.
  platform.SetDefaultModalAction(
      [](pellor::IModalWindow& window) { window.SetModalResult(pellor::kModalCancel); });
  pellor::ScopedPlatform scoped(platform);
  return RunLoaded(getController, options);
}

}  // namespace tamlo
