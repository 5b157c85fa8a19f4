#include "module/session/outside_calls.h"

#include "platform/dispatch/dispatch.h"

namespace pevf {

using pellor::DispatchCall;
using pellor::DispatchInvoke;
using pellor::VarArgs;
using pellor::Variant;

int DependencyVersion(const Variant& workCenter) {
  return DispatchCall(workCenter, workcenter::kDependencyVersion).AsInteger();
}

Variant GetServiceObject(const Variant& workCenter, const char* serviceMethod) {
  return DispatchCall(workCenter, serviceMethod);
}

std::string GetMessageText(const Variant& workCenter, const std::string& type,
                           const std::string& code) {
  return pellor::VarToStr(DispatchCall(workCenter, workcenter::kGetMessage, {type, code}));
}

int ExecWork(const Variant& workCenter, const Variant& caller, const Variant& parameter,
             const Variant& options, Variant& result) {
  VarArgs args{caller, parameter, options, workcenter::kExecWorkMode, result};
  const int answer = DispatchInvoke(workCenter, workcenter::kExecWork, args).AsInteger();
  result = args[4];
  return answer;
}

bool ValidatorLookup(const Variant& validatorService, const char* method, const Variant& table,
                     const Variant& kind, const std::string& databaseName,
                     const Variant& keyValues, Variant& values) {
  VarArgs args{table, kind, databaseName, keyValues, values};
  const bool found = DispatchInvoke(validatorService, method, args).AsBoolean();
  values = args[4];
  return found;
}

bool QueryMaxSeq(const Variant& validatorService, const std::string& table,
                 const std::string& keyFields, const Variant& keyValues,
                 const std::string& dateText, const std::string& programID,
                 const std::string& databaseName, std::string& nextNumber) {
  VarArgs args{table, keyFields, keyValues, dateText, programID, databaseName, nextNumber};
  const bool ok = DispatchInvoke(validatorService, validator::kQueryMaxSeq, args).AsBoolean();
  nextNumber = pellor::VarToStr(args[6]);
  return ok;
}

Variant GetCounter(const Variant& counterService, const std::string& operation,
                   const Variant& arguments, const std::string& companyID,
                   const std::string& databaseName) {
  return DispatchCall(counterService, counter::kGetCounter,
                      {operation, arguments, Variant::ArrayOf({companyID, databaseName})});
}

Variant GetSysInfo(const Variant& counterService, const std::string& companyID) {
  return DispatchCall(counterService, counter::kGetSysInfo, {companyID});
}

}  // namespace pevf
