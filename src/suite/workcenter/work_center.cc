#include "suite/workcenter/work_center.h"

#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>
#include <utility>

#include "platform/dispatch/class_factory.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/strutils.h"
#include "platform/ui/platform.h"

namespace suite {

using pellor::EDispatchError;
using pellor::VarArgs;
using pellor::Variant;

namespace {

// ExecWork's answer when the program cannot be found (no program record, no
// module, or no host to start it).
constexpr int kExecWorkNoProgram = -1;
// ExecWork's answer when the host failed in a way it did not classify.
constexpr int kExecWorkUnexpected = -7;

void CheckArgument(bool ok, const std::string& method, const std::string& problem) {
  if (!ok) throw EDispatchError(std::string(kWorkCenterClassName) + "." + method + ": " + problem);
}

// A scalar argument the module sends as text; arrays and objects are refused.
std::string ScalarText(const ServiceContext& context, const Variant& value, const std::string& method,
                       const std::string& what) {
  CheckArgument(!value.IsArray() && value.Type() != pellor::VarType::kDispatch, method,
                what + " must be a text, not " + pellor::VarTypeName(value.Type()));
  return context.ToUtf8(value);
}

// Help file and page names come from the client and the database and become
// parts of a path: only plain names may, so that nothing leads out of the
// help folder.
bool IsPlainName(const std::string& name, bool allowDot) {
  if (name.empty() || name.size() > 64 || name[0] == '.') return false;
  for (char c : name) {
    const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
                    c == '-' || (allowDot && c == '.');
    if (!ok) return false;
  }
  return true;
}

bool IsFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

TWorkCenterManager::TWorkCenterManager(WorkCenterOptions options)
    : pellor::TDispatchObject(kWorkCenterClassName), options_(std::move(options)), starter_(options_.starter) {
  RegisterMembers();
}

TWorkCenterManager::TWorkCenterManager(std::shared_ptr<ServiceContext> context, ProgramStarter starter)
    : pellor::TDispatchObject(kWorkCenterClassName), context_(std::move(context)), starter_(std::move(starter)) {
  if (!context_) throw EDispatchError(std::string(kWorkCenterClassName) + ": no service context");
  RegisterMembers();
}

std::shared_ptr<ServiceContext> TWorkCenterManager::SharedContext() {
  if (!context_) {
    std::shared_ptr<ServiceContext> context = OpenServiceContext(options_.server);
    context->userId = options_.userId;
    context->company = options_.company;
    context_ = std::move(context);
  }
  return context_;
}

ServiceContext& TWorkCenterManager::Context() { return *SharedContext(); }

void TWorkCenterManager::RegisterMembers() {
  AddMethod("DependencyVersion", 0, 0, [](VarArgs&) -> Variant { return Variant(kWorkCenterDependencyVersion); });

  // The stand-alone start creates the manager itself and calls this first:
  // the database is opened here, so that a site without one fails at once
  // with the reason instead of at the first message.
  AddMethod("Connect", 0, 0, [this](VarArgs&) -> Variant {
    SharedContext();
    return Variant();
  });

  AddMethod("GetMessage", 2, 2, [this](VarArgs& args) -> Variant {
    ServiceContext& context = Context();
    const std::string type = pellor::Trim(ScalarText(context, args[0], "GetMessage", "the type letter"));
    const std::string code = pellor::Trim(ScalarText(context, args[1], "GetMessage", "the message code"));
    std::lock_guard<std::mutex> lock(context.mutex);
    // ADMMG is shared by every company; the gateway reads it read-only.
    std::unique_ptr<db::Cursor> cursor = context.gateway->QueryComposed(
        "SELECT MG003 FROM ADMMG WHERE MG001 = ? AND MG002 = ?", {Variant(type), Variant(code)}, context.company);
    if (!cursor->Next()) return Variant(std::string());
    return context.ToClient(Variant(pellor::VarToStr(cursor->Value(0))));
  });

  AddMethod("ExecWork", 4, 5, [this](VarArgs& args) -> Variant {
    ServiceContext& context = Context();
    const Variant& caller = args[0];
    CheckArgument(caller.IsArray() && caller.Dims() == 1 && caller.Count() >= 3, "ExecWork",
                  "the caller must be an array (user ID, company ID, program ID, window handle)");
    ExecWorkRequest request;
    request.caller = caller;
    request.programId = pellor::UpperCase(pellor::Trim(ScalarText(context, caller[2], "ExecWork", "the program ID")));
    request.parameter = args[1];
    request.options = args[2].IsBlank() ? Variant::ArrayOf({Variant(0), Variant(4), Variant()}) : args[2];
    CheckArgument(!args[3].IsArray() && args[3].Type() != pellor::VarType::kDispatch, "ExecWork",
                  "the mode must be an integer");
    request.mode = args[3].IsBlank() ? 2 : args[3].AsInteger();
    if (args.size() > 4) args[4] = Variant();
    if (request.programId.empty() || !starter_) return Variant(kExecWorkNoProgram);
    {
      std::lock_guard<std::mutex> lock(context.mutex);
      std::unique_ptr<db::Cursor> cursor = context.gateway->QueryComposed(
          "SELECT MB001 FROM ADMMB WHERE MB001 = ?", {Variant(request.programId)}, context.company);
      if (!cursor->Next()) return Variant(kExecWorkNoProgram);
    }
    Variant result;
    int answer;
    try {
      answer = starter_(request, result);
    } catch (const std::exception&) {
      // The started program's failure is the caller's to show, by code; it
      // must not unwind into the program that asked.
      answer = kExecWorkUnexpected;
    }
    if (args.size() > 4) args[4] = result;
    return Variant(answer);
  });

  // The help of a program family: a page for the topic under
  // <client root>/Help/<prefix>/<help result>.html (or .htm); else the help
  // file its program records name (ADMMB.MB007) under <client root>/Help/;
  // else <client root>/Help/<prefix>.html, .htm or .pdf. The first that
  // exists is opened with the desktop's program for it; without any, or
  // without a client root in the settings store, nothing happens, as F1
  // does where no help is installed.
  AddMethod("CallHelp", 1, 1, [this](VarArgs& args) -> Variant {
    const Variant& request = args[0];
    CheckArgument(request.IsArray() && request.Dims() == 1 && request.Count() >= 1, "CallHelp",
                  "the argument must be an array (program code prefix, help result)");
    ServiceContext& context = Context();
    const std::string prefix = pellor::UpperCase(pellor::Trim(ScalarText(context, request[0], "CallHelp", "the prefix")));
    const std::string topic =
        request.Count() > 1 ? pellor::Trim(ScalarText(context, request[1], "CallHelp", "the help result")) : "";
    if (!IsPlainName(prefix, false)) return Variant();
    std::optional<std::string> clientPath = pellor::ReadPellorRegistryValue("ClientPath");
    if (!clientPath || pellor::Trim(*clientPath).empty()) return Variant();
    const std::filesystem::path help =
        std::filesystem::path(pellor::StringReplaceAll(pellor::Trim(*clientPath), "\\", "/")) / "Help";

    std::vector<std::filesystem::path> candidates;
    if (IsPlainName(topic, false)) {
      candidates.push_back(help / prefix / (topic + ".html"));
      candidates.push_back(help / prefix / (topic + ".htm"));
    }
    {
      std::lock_guard<std::mutex> lock(context.mutex);
      // The prefix is letters and digits only, so it needs no escaping in LIKE.
      std::unique_ptr<db::Cursor> cursor = context.gateway->QueryComposed(
          "SELECT MB007 FROM ADMMB WHERE MB001 LIKE ? ORDER BY MB001", {Variant(prefix + "%")}, context.company);
      while (cursor->Next()) {
        const std::string file = pellor::Trim(pellor::VarToStr(cursor->Value(0)));
        if (IsPlainName(file, true)) candidates.push_back(help / file);
      }
    }
    for (const char* extension : {".html", ".htm", ".pdf"}) candidates.push_back(help / (prefix + extension));
    for (const std::filesystem::path& candidate : candidates) {
      if (IsFile(candidate)) {
        pellor::CurrentPlatform().OpenDocument(candidate.string(), "open");
        break;
      }
    }
    return Variant();
  });

  AddMethod("Com_Validator", 0, 0, [this](VarArgs&) -> Variant {
    if (!validator_) validator_ = CreateValidatorService(SharedContext());
    return Variant(validator_);
  });
  AddMethod("Com_F2Window", 0, 0, [this](VarArgs&) -> Variant {
    if (!f2Window_) f2Window_ = CreateF2WindowService(SharedContext());
    return Variant(f2Window_);
  });
  AddMethod("Com_Counter", 0, 0, [this](VarArgs&) -> Variant {
    if (!counter_) counter_ = CreateCounterService(SharedContext());
    return Variant(counter_);
  });
}

void RegisterWorkCenterClass(WorkCenterOptions options) {
  pellor::RegisterClassFactory(kWorkCenterClassName, [options = std::move(options)]() -> pellor::DispatchPtr {
    return std::make_shared<TWorkCenterManager>(options);
  });
}

}  // namespace suite
