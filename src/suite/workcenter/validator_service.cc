// The validator service (Com_Validator): checks and small queries against
// the master tables, and the next free number of a key.
//
// CheckValue and QueryData (table, kind, database name, key values, out
// values) → found. Both run the same check, chosen by table and kind from
// the list below; CheckValue answers the first row found as an array of its
// values, QueryData every row found as an array of such rows. Not found: the
// out value becomes unassigned. A table or kind not in the list answers
// false: the module treats "not found" as "nothing to object to".
//
//   table  kind  keys                              values of a row
//   ADMMB  06    program ID (database name)        MB002, MB003, MB004..MB008, MB009, MB010, MB011
//   HRSMF  01    factor number, category           MF001, MF004, MF002
//   DOCUS  01    condition name, user, program     NCONDITION, PROGRAMME, ActivePage
//   F2LINK 01    kind, the two halves of RefFileID LK004, LK005
//   ADMMD  03    table name                        MD002, MD003, MD004, one row per user field
//   NUMFD  01    field or table names (texts,      FD001, FD002, FD003, one row per field;
//                each may be a comma-separated     a table name stands for its columns;
//                list)                             no names: every field
//   CMSMV  07    document number (version)         MV001, MV002, MV003, MV004, newest version first
//   INVMB  12    item code                         MV001, MV002, MV003, MV004 of the item's newest
//                                                  document, all empty when it has none
//   COPMA  01    customer code                     MA001, MA002, MA003
//   PURMA  01    supplier code                     MA001, MA002, MA003
//   ACTMA  01    cost centre code                  MA001, MA002, MA003
//   INVMB  01    item code                         MB001, MB002, MB003, MB004
//   INVMH  01    bar code                          MH001, MH002
//
// Key values compare exactly, after trailing blanks are dropped (the module
// pads some keys to their field's size). Keys beyond the ones a check knows
// are ignored (callers append an empty element); a check given fewer keys
// than it knows matches on the ones given, as long as it has its minimum.
//
// QueryMaxSeq (table, key field list, key values, date text, program ID,
// database name, out text) → success. The last name of the comma-separated
// list is the number field; the names before it group the numbers, each
// taking the key value at its position (missing: empty). The number is the
// date text followed by a serial of fixed width: the integer digits of the
// number field's NUMFD row (FD002 - FD003) when it has one, else what is left
// of the field's size after the date, at most ten digits. It is one above the highest number of
// that group, date and width, or 1. A table or field the schema does not
// know, a date text that is not digits, a number field that is not a text
// or is too short, and an exhausted serial answer false.
//
// Everything is read through the SQL gateway's confined connection, with the
// context's company in the condition and every value bound; table and
// column names in the SQL come from this file or from the schema catalogue,
// never from the caller. The database name argument is accepted and not
// used: the company decides which rows a caller sees.
//
// BaseLimited (text): the user's base-data permission, set by the module
// before each call and readable back. None of the checks above narrows its
// answer by it, on purpose. The checks a program makes ask whether a key is
// taken (HRSMF 01 before a new factor is saved), read configuration
// (ADMMB, DOCUS, F2LINK, ADMMD, NUMFD) or the documents of a record the
// user already holds (CMSMV 07, INVMB 12), and QueryMaxSeq must count every
// number: hiding the rows outside a limited user's permitted ones would let
// him enter a key that exists, only to have the save refused, or hand him
// a number already in use. Choosing among base data is the look-up window's
// business, and it applies the limit (suite/db/base_data_limit.h); the
// application server's GetBaseLimitedRecs guards changes.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/dispatch/dispatch.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/db/schema.h"
#include "suite/workcenter/service_context.h"

namespace suite {

namespace {

using pellor::EDispatchError;
using pellor::VarArgs;
using pellor::Variant;
using pellor::VarType;

constexpr char kValidatorClassName[] = "TamloWorkCenter.Validator";

struct CheckDef {
  const char* table;
  const char* kind;
  // SELECT ... FROM ... up to the WHERE.
  const char* select;
  // The company column of the table the keys belong to; empty for a shared
  // table.
  const char* companyColumn;
  std::vector<const char*> keyColumns;
  int minKeys;
  const char* orderBy;
  bool upperCaseKeys = false;
  bool nameList = false;  // NUMFD: the keys are lists of names
};

const std::vector<CheckDef>& Checks() {
  static const std::vector<CheckDef> checks = {
      {"ADMMB", "06",
       "SELECT MB002, MB003, MB004, MB005, MB006, MB007, MB008, MB009, MB010, MB011 FROM ADMMB", "",
       {"MB001"}, 1, "MB001", true},
      {"HRSMF", "01", "SELECT MF001, MF004, MF002 FROM HRSMF", "COMPANY", {"MF001", "MF004"}, 1, "MF001, MF004"},
      {"DOCUS", "01", "SELECT NCONDITION, PROGRAMME, ActivePage FROM DOCUS", "COMPANY",
       {"NCONDITION", "CREATOR", "PROGRAMME"}, 3, "NCONDITION"},
      {"F2LINK", "01", "SELECT LK004, LK005 FROM F2LINK", "COMPANY", {"LK001", "LK002", "LK003"}, 2,
       "LK001, LK002, LK003"},
      {"ADMMD", "03", "SELECT MD002, MD003, MD004 FROM ADMMD", "COMPANY", {"MD001"}, 1, "MD002"},
      {"NUMFD", "01", "SELECT FD001, FD002, FD003 FROM NUMFD", "COMPANY", {"FD001"}, 0, "FD001", false, true},
      {"CMSMV", "07", "SELECT MV001, MV002, MV003, MV004 FROM CMSMV", "COMPANY", {"MV001", "MV002"}, 1,
       "MV002 DESC"},
      {"INVMB", "12",
       "SELECT COALESCE(CMSMV.MV001, ''), COALESCE(CMSMV.MV002, ''), COALESCE(CMSMV.MV003, ''), "
       "COALESCE(CMSMV.MV004, '') FROM INVMB LEFT JOIN CMSMV ON CMSMV.COMPANY = INVMB.COMPANY "
       "AND CMSMV.MV005 = INVMB.MB001",
       "INVMB.COMPANY", {"INVMB.MB001"}, 1, "CMSMV.MV002 DESC"},
      {"COPMA", "01", "SELECT MA001, MA002, MA003 FROM COPMA", "COMPANY", {"MA001"}, 1, "MA001"},
      {"PURMA", "01", "SELECT MA001, MA002, MA003 FROM PURMA", "COMPANY", {"MA001"}, 1, "MA001"},
      {"ACTMA", "01", "SELECT MA001, MA002, MA003 FROM ACTMA", "COMPANY", {"MA001"}, 1, "MA001"},
      {"INVMB", "01", "SELECT MB001, MB002, MB003, MB004 FROM INVMB", "COMPANY", {"MB001"}, 1, "MB001"},
      {"INVMH", "01", "SELECT MH001, MH002 FROM INVMH", "COMPANY", {"MH001"}, 1, "MH001"},
  };
  return checks;
}

const CheckDef* FindCheck(const std::string& table, const std::string& kind) {
  for (const CheckDef& check : Checks()) {
    if (pellor::SameText(check.table, table) && kind == check.kind) return &check;
  }
  return nullptr;
}

// NUMFD answers many names at once; the bound values of one statement stay
// well below what either backend accepts.
constexpr size_t kNamesPerStatement = 200;
// A serial longer than this would not fit a 64-bit integer.
constexpr int kMaxSerialDigits = 18;
// Without a number range the serial fills the field after the date, up to
// this many digits.
constexpr int kDefaultMaxSerialDigits = 10;

class TValidatorService : public pellor::TDispatchObject {
 public:
  explicit TValidatorService(std::shared_ptr<ServiceContext> context)
      : pellor::TDispatchObject(kValidatorClassName), context_(std::move(context)) {
    AddProperty(
        "BaseLimited", [this] { return context_->ToClient(Variant(baseLimited_)); },
        [this](const Variant& value) { baseLimited_ = Text(value, "BaseLimited", "the value"); });
    AddMethod("CheckValue", 5, 5, [this](VarArgs& args) { return Lookup(args, "CheckValue", false); });
    AddMethod("QueryData", 5, 5, [this](VarArgs& args) { return Lookup(args, "QueryData", true); });
    AddMethod("QueryMaxSeq", 7, 7, [this](VarArgs& args) { return QueryMaxSeq(args); });
  }

 private:
  static void Refuse(const std::string& method, const std::string& problem) {
    throw EDispatchError(std::string(kValidatorClassName) + "." + method + ": " + problem);
  }

  static void RequireScalar(const Variant& value, const std::string& method, const std::string& what) {
    if (value.IsArray() || value.Type() == VarType::kDispatch) {
      Refuse(method, what + " must be a text, not " + pellor::VarTypeName(value.Type()));
    }
  }

  std::string Text(const Variant& value, const std::string& method, const std::string& what) const {
    RequireScalar(value, method, what);
    return context_->ToUtf8(value);
  }

  // The key values as UTF-8 texts, trailing blanks dropped.
  std::vector<std::string> Keys(const Variant& keys, const std::string& method) const {
    std::vector<std::string> texts;
    if (keys.IsBlank()) return texts;
    if (!keys.IsArray() || keys.Dims() != 1) {
      Refuse(method, std::string("the key values must be a one-dimensional array, not ") +
                         (keys.IsArray() ? "a two-dimensional one" : pellor::VarTypeName(keys.Type())));
    }
    for (int i = 0; i < keys.Count(); ++i) {
      texts.push_back(pellor::TrimRight(Text(keys[i], method, "key value " + std::to_string(i))));
    }
    return texts;
  }

  Variant RowValues(db::Cursor& cursor) const {
    std::vector<Variant> values;
    for (int i = 0; i < cursor.ColumnCount(); ++i) values.push_back(context_->ToClient(cursor.Value(i)));
    return Variant::ArrayOf(values);
  }

  Variant Lookup(VarArgs& args, const std::string& method, bool allRows) {
    const std::string table = pellor::Trim(Text(args[0], method, "the table name"));
    const std::string kind = pellor::Trim(Text(args[1], method, "the check kind"));
    RequireScalar(args[2], method, "the database name");
    std::vector<std::string> keys = Keys(args[3], method);
    args[4] = Variant();

    const CheckDef* check = FindCheck(table, kind);
    if (!check) return Variant(false);
    std::vector<Variant> rows = check->nameList ? RunNameList(*check, keys) : Run(*check, keys, allRows);
    if (rows.empty()) return Variant(false);
    args[4] = allRows ? Variant::ArrayOf(rows) : rows.front();
    return Variant(true);
  }

  std::string Where(const CheckDef& check, std::vector<Variant>& params) const {
    std::string where;
    if (*check.companyColumn) {
      where = std::string(" WHERE ") + check.companyColumn + " = ?";
      params.push_back(Variant(context_->company));
    }
    return where;
  }

  std::vector<Variant> Query(const std::string& sql, const std::vector<Variant>& params, bool allRows) {
    std::vector<Variant> rows;
    std::lock_guard<std::mutex> lock(context_->mutex);
    std::unique_ptr<db::Cursor> cursor = context_->gateway->QueryComposed(sql, params, context_->company);
    while (cursor->Next()) {
      rows.push_back(RowValues(*cursor));
      if (!allRows) break;
    }
    return rows;
  }

  std::vector<Variant> Run(const CheckDef& check, std::vector<std::string> keys, bool allRows) {
    const size_t used = std::min(keys.size(), check.keyColumns.size());
    if (static_cast<int>(used) < check.minKeys) return {};
    std::vector<Variant> params;
    std::string sql = std::string(check.select) + Where(check, params);
    for (size_t i = 0; i < used; ++i) {
      sql += std::string(params.empty() ? " WHERE " : " AND ") + check.keyColumns[i] + " = ?";
      params.push_back(Variant(check.upperCaseKeys ? pellor::UpperCase(keys[i]) : keys[i]));
    }
    sql += std::string(" ORDER BY ") + check.orderBy;
    return Query(sql, params, allRows);
  }

  std::vector<Variant> RunNameList(const CheckDef& check, const std::vector<std::string>& keys) {
    std::vector<std::string> names;
    auto add = [&names](const std::string& name) {
      if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    };
    const db::Catalogue& catalogue = context_->gateway->GetCatalogue();
    for (const std::string& key : keys) {
      for (const std::string& part : pellor::SplitString(key, ",")) {
        const std::string name = pellor::Trim(part);
        // Programs load the ranges of their tables by table name (the
        // server's M11_TABLE, D11_TABLE ...).
        const db::TableDef* table = name.empty() ? nullptr : catalogue.FindTable(name);
        if (table && table->scope != db::TableScope::kPrivate) {
          for (const db::ColumnDef& column : table->columns) add(column.name);
        } else {
          add(name);
        }
      }
    }
    // No names: every field of the company.
    std::vector<std::vector<std::string>> batches;
    for (size_t first = 0; first < names.size(); first += kNamesPerStatement) {
      batches.emplace_back(names.begin() + first, names.begin() + std::min(names.size(), first + kNamesPerStatement));
    }
    if (batches.empty()) batches.emplace_back();
    std::vector<Variant> rows;
    for (const std::vector<std::string>& batch : batches) {
      std::vector<Variant> params;
      std::string sql = std::string(check.select) + Where(check, params);
      if (!batch.empty()) {
        sql += std::string(params.empty() ? " WHERE " : " AND ") + check.keyColumns[0] + " IN (";
        for (size_t i = 0; i < batch.size(); ++i) {
          sql += i == 0 ? "?" : ", ?";
          params.push_back(Variant(batch[i]));
        }
        sql += ")";
      }
      sql += std::string(" ORDER BY ") + check.orderBy;
      std::vector<Variant> part = Query(sql, params, true);
      rows.insert(rows.end(), part.begin(), part.end());
    }
    return rows;
  }

  Variant QueryMaxSeq(VarArgs& args) {
    const std::string method = "QueryMaxSeq";
    const std::string tableName = pellor::Trim(Text(args[0], method, "the table name"));
    const std::string fieldList = Text(args[1], method, "the key field list");
    std::vector<std::string> keys = Keys(args[2], method);
    const std::string date = pellor::Trim(Text(args[3], method, "the date text"));
    RequireScalar(args[4], method, "the program ID");
    RequireScalar(args[5], method, "the database name");
    args[6] = Variant(std::string());

    const db::TableDef* table = context_->gateway->GetCatalogue().FindTable(tableName);
    if (!table || table->scope != db::TableScope::kCompany) return Variant(false);
    std::vector<const db::ColumnDef*> fields;
    for (const std::string& part : pellor::SplitString(fieldList, ",")) {
      const std::string name = pellor::Trim(part);
      if (name.empty()) continue;
      const db::ColumnDef* column = table->FindColumn(name);
      if (!column) return Variant(false);
      fields.push_back(column);
    }
    if (fields.empty()) return Variant(false);
    const db::ColumnDef& number = *fields.back();
    if (number.type != db::ColumnType::kVarchar) return Variant(false);
    if (!std::all_of(date.begin(), date.end(), [](char c) { return c >= '0' && c <= '9'; })) return Variant(false);
    const int room = number.size - static_cast<int>(date.size());

    std::lock_guard<std::mutex> lock(context_->mutex);
    int width = std::min(room, kDefaultMaxSerialDigits);
    {
      std::unique_ptr<db::Cursor> range = context_->gateway->QueryComposed(
          "SELECT FD002, FD003 FROM NUMFD WHERE COMPANY = ? AND FD001 = ?",
          {Variant(context_->company), Variant(number.name)}, context_->company);
      if (range->Next()) width = range->Value(0).AsInteger() - range->Value(1).AsInteger();
    }
    if (width < 1 || width > room || width > kMaxSerialDigits) return Variant(false);

    std::vector<Variant> params{Variant(context_->company)};
    std::string sql = "SELECT " + number.name + " FROM " + table->name + " WHERE COMPANY = ?";
    for (size_t i = 0; i + 1 < fields.size(); ++i) {
      sql += " AND " + fields[i]->name + " = ?";
      params.push_back(Variant(i < keys.size() ? keys[i] : std::string()));
    }
    // The width is ours and the date only digits, so neither needs binding
    // to be safe, but both are bound all the same.
    sql += " AND LENGTH(" + number.name + ") = ? AND " + number.name + " LIKE ?";
    params.push_back(Variant(static_cast<int>(date.size()) + width));
    params.push_back(Variant(date + "%"));
    int64_t highest = 0;
    std::unique_ptr<db::Cursor> cursor = context_->gateway->QueryComposed(sql, params, context_->company);
    while (cursor->Next()) {
      const std::string value = pellor::VarToStr(cursor->Value(0));
      if (value.size() != date.size() + width || value.compare(0, date.size(), date) != 0) continue;
      const std::string serial = value.substr(date.size());
      if (!std::all_of(serial.begin(), serial.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
      highest = std::max<int64_t>(highest, std::stoll(serial));
    }
    std::string next = std::to_string(highest + 1);
    if (static_cast<int>(next.size()) > width) return Variant(false);
    next.insert(0, width - next.size(), '0');
    args[6] = context_->ToClient(Variant(date + next));
    return Variant(true);
  }

  std::shared_ptr<ServiceContext> context_;
  std::string baseLimited_;
};

}  // namespace

pellor::DispatchPtr CreateValidatorService(std::shared_ptr<ServiceContext> context) {
  if (!context || !context->gateway) throw EDispatchError("The validator service needs an open service context");
  return std::make_shared<TValidatorService>(std::move(context));
}

}  // namespace suite
