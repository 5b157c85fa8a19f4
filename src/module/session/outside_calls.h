// The outside objects the module talks to, and what it calls on them.
//
// None of these objects is part of the module: it reaches each one through a
// dispatch object and calls members by name. The names below are the whole
// contract (member names compare without regard to case); the thin wrappers
// fix the argument order of the calls that several parts of the module make,
// so that it is written down once. Every wrapper passes the callee's errors
// on: what a failure means (an empty result, "unKnow", three beeps ...) is the
// caller's decision.
#ifndef PEVF_SESSION_OUTSIDE_CALLS_H_
#define PEVF_SESSION_OUTSIDE_CALLS_H_

#include <string>

#include "platform/rtl/variant.h"

namespace pevf {

// Class names by which the objects are created (CreateObject) or reached over
// a socket connection, with the identifiers of the two socket servers.
inline constexpr const char kWorkCenterClass[] = "TamloWorkCenter.Manager";
inline constexpr const char kAppServerClass[] = "ZEVUD01E.Class1";
inline constexpr const char kAppServerId[] = "{BB7E4B70-77C3-11D2-9FDC-0080C844E23B}";
inline constexpr const char kLookupServerClass[] = "F2WindowS.Class1";
inline constexpr const char kLookupServerId[] = "{BB19C8CE-93C6-11D2-B924-0080C8938389}";
inline constexpr const char kAttachmentClass[] = "DuroruV.Class1";
inline constexpr const char kDocumentClass[] = "DezU.DARIduvu1";

// The address at which the application server is created inside the process
// instead of over a socket.
inline constexpr const char kLocalServerAddress[] = "127.0.0.1";

// The work-center manager version this module was built against; the host's
// manager must report exactly this.
inline constexpr int kDependencyVersion = 8000;

// The work-center manager, handed over by the host.
namespace workcenter {
inline constexpr const char kDependencyVersion[] = "DependencyVersion";
inline constexpr const char kConnect[] = "Connect";  // stand-alone start only
inline constexpr const char kComValidator[] = "Com_Validator";
inline constexpr const char kComF2Window[] = "Com_F2Window";
inline constexpr const char kComCounter[] = "Com_Counter";
inline constexpr const char kGetMessage[] = "GetMessage";
inline constexpr const char kExecWork[] = "ExecWork";
inline constexpr const char kCallHelp[] = "CallHelp";
// The mode argument ExecWork is always given.
inline constexpr int kExecWorkMode = 2;
}  // namespace workcenter

// The validator service (Com_Validator).
namespace validator {
// Set to the user's base-data permission before every call below.
inline constexpr const char kBaseLimited[] = "BaseLimited";
inline constexpr const char kCheckValue[] = "CheckValue";
inline constexpr const char kQueryData[] = "QueryData";
inline constexpr const char kQueryMaxSeq[] = "QueryMaxSeq";
}  // namespace validator

// The counter service (Com_Counter), which carries the generic named calls.
namespace counter {
inline constexpr const char kGetCounter[] = "GETCOUNTER";
inline constexpr const char kGetSysInfo[] = "GetSysInfo";
// Operation names of GETCOUNTER. Both spellings of the simple query occur.
inline constexpr const char kSimpleSql[] = "SimpleSql";
inline constexpr const char kSimpleSQL[] = "SimpleSQL";
inline constexpr const char kTransactionSQL[] = "TransactionSQL";
inline constexpr const char kQueryUDFData[] = "QueryUDFData";
inline constexpr const char kGetUserDefine[] = "GetUserDefine";
inline constexpr const char kSetUserDefine[] = "SetUserDefine";
// The last argument of a simple query.
inline constexpr const char kSimpleSqlFlag[] = "N";
}  // namespace counter

// The look-up window service (Com_F2Window).
namespace lookup {
inline constexpr const char kF2GetData[] = "F2GetData";
inline constexpr const char kGetPhrase2[] = "GetPhrase2";
inline constexpr const char kShowCharaters[] = "ShowCharaters";
inline constexpr const char kGetCalcValue[] = "GetCalcValue";
// Element count of the F2GetData request array.
inline constexpr int kF2RequestSize = 19;
}  // namespace lookup

// The application server.
namespace appserver {
inline constexpr const char kConnect[] = "Connect";
inline constexpr const char kSvrData[] = "SvrData";
inline constexpr const char kWhatIs[] = "WhatIs";
inline constexpr const char kGetRecCount[] = "GetRecCount";
inline constexpr const char kSetTopRow[] = "SetTopRow";
inline constexpr const char kGetFormat[] = "GetFormat";
inline constexpr const char kGetBaseLimitedRecs[] = "GetBaseLimitedRecs";
inline constexpr const char kLoadTable[] = "LoadTable";
inline constexpr const char kInsertConTable[] = "InsertConTable";
inline constexpr const char kDeleteConTable[] = "DeleteConTable";
inline constexpr const char kChangeConName[] = "ChangeConName";
// Questions of WhatIs.
inline constexpr const char kWhatIsToday[] = "TODAY";
inline constexpr const char kWhatIsSqlType[] = "SQLTYPE";
// Data providers.
inline constexpr const char kProviderMain[] = "pvdMain";
inline constexpr const char kProviderConSave[] = "pvdConSave";
inline constexpr const char kProviderColor[] = "pvdColor";
}  // namespace appserver

// The attachment object.
namespace attachment {
inline constexpr const char kInit[] = "Init";
inline constexpr const char kParentHandle[] = "ParentHandle";
inline constexpr const char kShowModal[] = "ShowModal";
}  // namespace attachment

// The document object.
namespace document {
inline constexpr const char kCheckOut[] = "CheckOut";
inline constexpr const char kCheckOutRead[] = "R";
}  // namespace document

// --- Typed calls -----------------------------------------------------------

// DependencyVersion on the work-center manager.
int DependencyVersion(const pellor::Variant& workCenter);

// One of the three service objects (workcenter::kComValidator, kComF2Window,
// kComCounter).
pellor::Variant GetServiceObject(const pellor::Variant& workCenter, const char* serviceMethod);

// GetMessage (type letter, six-digit code) → the message text.
std::string GetMessageText(const pellor::Variant& workCenter, const std::string& type,
                           const std::string& code);

// ExecWork (caller array, parameter, options, 2, out result) → its integer
// result; `result` receives the out value.
int ExecWork(const pellor::Variant& workCenter, const pellor::Variant& caller,
             const pellor::Variant& parameter, const pellor::Variant& options,
             pellor::Variant& result);

// CheckValue or QueryData (validator::kCheckValue / kQueryData) with (table,
// kind, database name, key values, out values) → found; `values` receives the
// out values.
bool ValidatorLookup(const pellor::Variant& validatorService, const char* method,
                     const pellor::Variant& table, const pellor::Variant& kind,
                     const std::string& databaseName, const pellor::Variant& keyValues,
                     pellor::Variant& values);

// QueryMaxSeq (table, key field list, key values, date text, program ID,
// database name, out text) → success; `nextNumber` receives the text.
bool QueryMaxSeq(const pellor::Variant& validatorService, const std::string& table,
                 const std::string& keyFields, const pellor::Variant& keyValues,
                 const std::string& dateText, const std::string& programID,
                 const std::string& databaseName, std::string& nextNumber);

// GETCOUNTER (operation, arguments, [company ID, database name]).
pellor::Variant GetCounter(const pellor::Variant& counterService, const std::string& operation,
                           const pellor::Variant& arguments, const std::string& companyID,
                           const std::string& databaseName);

// GetSysInfo (company ID) → the table of name/value rows.
pellor::Variant GetSysInfo(const pellor::Variant& counterService, const std::string& companyID);

}  // namespace pevf

#endif  // PEVF_SESSION_OUTSIDE_CALLS_H_
