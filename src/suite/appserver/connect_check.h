// Who may connect to the application server and the look-up server: both
// answer Connect alike, so that a user refused by one is refused by the
// other. Internal to the application server.
#ifndef PELLOR_SUITE_APPSERVER_CONNECT_CHECK_H_
#define PELLOR_SUITE_APPSERVER_CONNECT_CHECK_H_

#include <string>

#include "suite/db/database.h"

namespace suite {

// Connect's answers.
inline constexpr int kConnectAccepted = 0;
inline constexpr int kConnectBadArguments = 1;
inline constexpr int kConnectUnknownUser = 2;
inline constexpr int kConnectUnknownCompany = 3;

// The answer to a Connect by `user` of `company` (UTF-8, not empty):
// kConnectUnknownUser unless the user exists and is active,
// kConnectUnknownCompany unless the company exists, else kConnectAccepted.
int CheckConnect(db::Connection& writer, const std::string& user, const std::string& company);

}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_CONNECT_CHECK_H_
