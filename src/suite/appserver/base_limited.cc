#include "suite/appserver/base_limited.h"

#include <utility>
#include <vector>

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/db/base_data_limit.h"
#include "suite/db/client_text.h"
#include "suite/db/schema.h"

namespace suite {

using pellor::Variant;

namespace {

constexpr char kMethod[] = "GetBaseLimitedRecs";

[[noreturn]] void Refuse(const std::string& what) { throw pellor::EDispatchError(std::string(kMethod) + ": " + what); }

// Who the user's rights come from, in the order they win: the user, then the
// groups with the primary one first (as SvrData chooses the rights row).
std::vector<std::pair<std::string, std::string>> RightsOwners(AppSession& session) {
  std::vector<std::pair<std::string, std::string>> owners{{session.userId, "U"}};
  auto groups = session.writer->Query(
      "SELECT MD002 FROM QRNMD WHERE MD001 = ? ORDER BY CASE WHEN MD003 = 'Y' THEN 0 ELSE 1 END, MD002",
      {Variant(session.userId)});
  while (groups->Next()) owners.emplace_back(groups->Value(0).AsString(), "G");
  return owners;
}

// The condition of the rows of `table` the user may work on (UTF-8, the
// suite's dialect); empty when the user is not limited on that table.
std::string LimitCondition(AppSession& session, const std::string& table) {
  db::Connection& connection = *session.writer;
  const auto owners = RightsOwners(session);
  bool limited = false;
  for (const auto& [owner, kind] : owners) {
    auto rights = connection.Query("SELECT MF006 FROM ADMMF WHERE COMPANY = ? AND MF001 = ? AND MF002 = ? AND MF003 = ?",
                           {Variant(session.company), Variant(owner), Variant(kind), Variant(session.programId)});
    if (rights->Next()) {
      limited = pellor::SameText(pellor::Trim(rights->Value(0).AsString()), "Y");
      break;
    }
  }
  if (!limited) return std::string();
  return db::BaseDataLimit(connection, session.company, session.userId, table);
}

std::string TextArgument(const Variant& value, const char* what, int codePage) {
  if (value.IsBlank()) return std::string();
  if (!value.IsText()) Refuse(std::string(what) + " is not a text");
  return ClientTextToUtf8(value, codePage);
}

// Blanks on the right up to `size` bytes, as the client pads a key field's
// text to the field's size.
std::string PadRight(std::string text, int size) {
  if (static_cast<int>(text.size()) < size) text.append(static_cast<size_t>(size) - text.size(), ' ');
  return text;
}

}  // namespace

Variant GetBaseLimitedRecs(AppSession& session, pellor::VarArgs& args) {
  session.RequireConnected();
  if (args.size() < 3) Refuse("expects a key prefix, a condition and an out row count");

  // The prefix names the table in the program's configuration: "M11" or
  // "M11_" → M11_TABLE and M11_KEY.
  std::string prefix = pellor::UpperCase(pellor::Trim(TextArgument(args[0], "the key prefix", session.clientCodePage)));
  if (!prefix.empty() && prefix.back() != '_') prefix += '_';
  bool wellFormed = prefix.size() > 1;
  for (char c : prefix) wellFormed = wellFormed && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
  if (!wellFormed) Refuse("the key prefix '" + prefix + "' is not a name like M11_");
  const std::string condition = TextArgument(args[1], "the condition", session.clientCodePage);

  const std::string tableName = session.Setting(prefix + "TABLE");
  if (tableName.empty()) {
    throw pellor::EDatabaseError("Program '" + session.programId + "' has no table " + prefix + "TABLE configured");
  }
  const db::TableDef* table = session.gateway->GetCatalogue().FindTable(tableName);
  if (table == nullptr || table->scope == db::TableScope::kPrivate) {
    throw pellor::EDatabaseError("The table '" + tableName + "' of " + prefix + "TABLE does not exist");
  }
  std::vector<const db::ColumnDef*> keys;
  std::string keyText = session.Setting(prefix + "KEY");
  for (char& c : keyText) {
    if (c == ';') c = ',';
  }
  for (const std::string& part : pellor::SplitString(keyText, ",")) {
    std::string name = pellor::Trim(part);
    if (size_t dot = name.rfind('.'); dot != std::string::npos) name = name.substr(dot + 1);
    if (name.empty()) continue;
    const db::ColumnDef* column = table->FindColumn(name);
    if (column == nullptr) {
      throw pellor::EDatabaseError("The key field '" + name + "' is not a column of " + table->name);
    }
    keys.push_back(column);
  }
  if (keys.empty()) {
    throw pellor::EDatabaseError("Program '" + session.programId + "' has no key " + prefix + "KEY configured");
  }

  // The client's condition is checked whether or not a limit applies, so a
  // text that tries to write is always refused.
  const std::string where = session.gateway->RewriteCondition(condition);
  const std::string limit = LimitCondition(session, table->name);
  if (limit.empty()) {
    args[2] = Variant(-1);
    return Variant::Array(-1);
  }
  std::string limitWhere;
  try {
    limitWhere = session.gateway->RewriteCondition(limit);
  } catch (const pellor::Exception& e) {
    throw pellor::EDatabaseError("The base-data limit of user '" + session.userId + "' on " + table->name +
                                 " is not a usable condition: " + e.Message());
  }

  std::string columns;
  for (const db::ColumnDef* key : keys) columns += (columns.empty() ? "" : ", ") + key->name;
  std::string sql = "SELECT " + columns + " FROM " + table->name + " WHERE ";
  if (!pellor::Trim(where).empty()) sql += "(" + where + ") AND ";
  sql += "(" + limitWhere + ") ORDER BY " + columns;
  auto cursor = session.gateway->QueryComposed(sql, {}, session.company);

  std::vector<Variant> permitted;
  while (cursor->Next()) {
    std::string text;
    for (size_t i = 0; i < keys.size(); ++i) {
      Variant value = cursor->Value(static_cast<int>(i));
      std::string clientText =
          value.IsNull() ? std::string() : Utf8ToClient(value, session.clientCodePage).AsString();
      int size = keys[i]->type == db::ColumnType::kVarchar ? keys[i]->size : 0;
      text += (i ? "-" : "") + PadRight(std::move(clientText), size);
    }
    permitted.emplace_back(text);
  }
  args[2] = Variant(static_cast<int>(permitted.size()));
  return Variant::ArrayOf(permitted);
}

}  // namespace suite
