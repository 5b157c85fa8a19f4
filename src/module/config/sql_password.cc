#include "module/config/sql_password.h"

#include "module/config/alert_log.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/sql_password.h"

namespace pevf {

std::string EncodeSQLSa(std::string_view plain) { return pellor::EncodeSqlPassword(plain); }

std::string DecodeSQLSa(std::string_view encoded) {
  std::string plain;
  std::string badPair;
  if (!pellor::DecodeSqlPassword(encoded, plain, &badPair)) {
    // The text the original's hexadecimal conversion raised with.
    pellor::EConvertError error("'$" + badPair + "' is not a valid integer value");
    LogException(&error, "DecodeSQLSa", pellor::Cp936("解析 Sa 时发生错误!"));
    return kSqlPasswordError;
  }
  return plain;
}

}  // namespace pevf
