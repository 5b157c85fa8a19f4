#include "suite/db/base_data_limit.h"

#include <memory>

#include "platform/rtl/strutils.h"
#include "suite/db/client_text.h"

namespace suite::db {

using pellor::Variant;

bool IsBaseLimited(const Variant& setting, int codePage) {
  if (!setting.IsText()) return false;
  return pellor::SameText(pellor::Trim(ClientTextToUtf8(setting, codePage)), "Y");
}

std::string BaseDataLimit(Connection& db, const std::string& company, const std::string& user,
                          const std::string& table) {
  if (user.empty() || table.empty()) return std::string();
  // One row wins: the user's own, then the primary group's, then the other
  // groups' by name. A group row counts only for a group the user is in.
  std::unique_ptr<Cursor> cursor = db.Query(
      "SELECT ADMBL.BL004 FROM ADMBL LEFT JOIN QRNMD ON ADMBL.BL002 = 'G' AND QRNMD.MD002 = ADMBL.BL001 "
      "AND QRNMD.MD001 = ? "
      "WHERE ADMBL.COMPANY = ? AND UPPER(ADMBL.BL003) = ? "
      "AND ((ADMBL.BL002 = 'U' AND ADMBL.BL001 = ?) OR QRNMD.MD001 IS NOT NULL) "
      "ORDER BY CASE WHEN ADMBL.BL002 = 'U' THEN 0 WHEN QRNMD.MD003 = 'Y' THEN 1 ELSE 2 END, ADMBL.BL001",
      {Variant(user), Variant(company), Variant(pellor::UpperCase(table)), Variant(user)});
  if (!cursor->Next()) return std::string();
  const Variant condition = cursor->Value(0);
  return condition.IsBlank() ? std::string() : pellor::Trim(condition.AsString());
}

}  // namespace suite::db
