// The application server's base-data permission check, GetBaseLimitedRecs.
// Internal to the application server; app_server.h describes the method.
//
// A user may be limited to part of a table's rows (the user's rights row
// sets BaseLimited, and table ADMBL holds the condition of the permitted
// rows, see data/schema.sql). Before the client lets the user change rows it
// asks which of them the limit permits: it sends the table's prefix in the
// server configuration ("M11_" names M11_TABLE and M11_KEY) and a condition
// selecting the rows, and compares the answer with what it holds.
#ifndef PELLOR_SUITE_APPSERVER_BASE_LIMITED_H_
#define PELLOR_SUITE_APPSERVER_BASE_LIMITED_H_

#include "platform/dispatch/dispatch.h"
#include "platform/rtl/variant.h"
#include "suite/appserver/session.h"

namespace suite {

// args: key prefix, condition, out row count. Called under the session's
// lock. See app_server.h for the answer.
pellor::Variant GetBaseLimitedRecs(AppSession& session, pellor::VarArgs& args);

}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_BASE_LIMITED_H_
