#include "suite/appserver/connect_check.h"

namespace suite {

int CheckConnect(db::Connection& writer, const std::string& user, const std::string& company) {
  using pellor::Variant;
  if (writer.QueryValue("SELECT MA001 FROM QRNMA WHERE MA001 = ? AND MA004 = 'Y'", {Variant(user)}).IsBlank()) {
    return kConnectUnknownUser;
  }
  if (writer.QueryValue("SELECT MB001 FROM QRNMB WHERE MB001 = ?", {Variant(company)}).IsBlank()) {
    return kConnectUnknownCompany;
  }
  return kConnectAccepted;
}

}  // namespace suite
