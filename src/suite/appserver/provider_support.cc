#include "suite/appserver/provider_support.h"

#include <algorithm>
#include <utility>

#include "suite/db/client_text.h"

namespace suite {

pellor::TFieldDef FieldDefOf(const db::ColumnDef& column) {
  pellor::TFieldDef def;
  def.name = column.name;
  switch (column.type) {
    case db::ColumnType::kVarchar:
      def.dataType = pellor::ftString;
      def.size = column.size;
      break;
    case db::ColumnType::kText: def.dataType = pellor::ftMemo; break;
    case db::ColumnType::kInteger: def.dataType = pellor::ftInteger; break;
    case db::ColumnType::kDouble: def.dataType = pellor::ftFloat; break;
  }
  return def;
}

pellor::Variant ClientRow(std::vector<pellor::Variant> values, int codePage) {
  for (pellor::Variant& value : values) value = Utf8ToClient(value, codePage);
  return pellor::Variant::ArrayOf(std::move(values));
}

pellor::Variant ClientRow(const db::Cursor& cursor, int codePage) {
  std::vector<pellor::Variant> row;
  row.reserve(static_cast<size_t>(cursor.ColumnCount()));
  for (int i = 0; i < cursor.ColumnCount(); ++i) row.push_back(Utf8ToClient(cursor.Value(i), codePage));
  return pellor::Variant::ArrayOf(std::move(row));
}

ConfiguredTable ReadConfiguredTable(const AppSession& session) {
  session.RequireConnected();
  const std::string name = session.Setting("M11_TABLE");
  if (name.empty()) {
    throw pellor::EDatabaseError("Program '" + session.programId + "' has no main table configured (M11_TABLE)");
  }
  ConfiguredTable table;
  table.def = session.gateway->GetCatalogue().FindTable(name);
  if (table.def == nullptr) throw pellor::EDatabaseError("The main table '" + name + "' does not exist");
  if (table.def->scope != db::TableScope::kCompany) {
    throw pellor::EDatabaseError("The main table '" + name + "' is not a company table");
  }
  std::string keyText = session.Setting("M11_KEY");
  std::replace(keyText.begin(), keyText.end(), ';', ',');
  for (const std::string& part : pellor::SplitString(keyText, ",")) {
    std::string field = pellor::Trim(part);
    if (field.empty()) continue;
    const db::ColumnDef* column = table.def->FindColumn(field);
    if (column == nullptr) throw pellor::EDatabaseError("The key field '" + field + "' is not a column of " + name);
    table.key.push_back(column);
  }
  if (table.key.empty()) throw pellor::EDatabaseError("Program '" + session.programId + "' has no key (M11_KEY)");
  return table;
}

}  // namespace suite
