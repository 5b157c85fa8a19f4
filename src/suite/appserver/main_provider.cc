#include "suite/appserver/main_provider.h"

#include <algorithm>

#include "platform/db/memory_provider.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/appserver/provider_support.h"

namespace suite {

using pellor::Variant;
using pellor::VarType;

namespace {

// Cursors a client may keep open at once; the oldest goes first.
constexpr size_t kMaxCursors = 16;
// Rows per page when a client asks for everything outstanding.
constexpr int kAllPageRows = 1000;

constexpr char kChangedMessage[] = "Record not found or changed by another user";
constexpr char kKeyViolationMessage[] = "Key violation: a row with this key exists";

struct Refusal {
  int code;
  std::string message;
  Variant current;
};

// A client's value as the database is to hold it in `column`.
Variant ToDatabase(const Variant& value, const db::ColumnDef& column, int codePage) {
  if (value.IsBlank()) return Variant::Null();
  switch (column.type) {
    case db::ColumnType::kVarchar:
    case db::ColumnType::kText: {
      std::string text = value.IsText() ? ClientTextToUtf8(value, codePage) : value.AsString();
      if (column.type == db::ColumnType::kVarchar && Utf8CharacterCount(text) > static_cast<size_t>(column.size)) {
        throw Refusal{pellor::kApplyErrorInvalid,
                      "The value of " + column.name + " is longer than " + pellor::IntToStr(column.size) +
                          " characters",
                      Variant()};
      }
      return Variant(text);
    }
    case db::ColumnType::kInteger:
      try {
        return Variant(value.AsInt64());
      } catch (const pellor::Exception& e) {
        throw Refusal{pellor::kApplyErrorInvalid, column.name + ": " + e.Message(), Variant()};
      }
    case db::ColumnType::kDouble:
      try {
        return Variant(value.AsFloat());
      } catch (const pellor::Exception& e) {
        throw Refusal{pellor::kApplyErrorInvalid, column.name + ": " + e.Message(), Variant()};
      }
  }
  return value;
}

// Two values of one column as the database and the client hold them are the
// same version of a row: numbers by value, texts without trailing blanks.
bool SameValue(const Variant& stored, const Variant& original, int codePage) {
  if (stored.IsBlank() || original.IsBlank()) return stored.IsBlank() && original.IsBlank();
  if (stored.IsNumeric() || original.IsNumeric()) {
    try {
      return stored.AsFloat() == original.AsFloat();
    } catch (const pellor::Exception&) {
      return false;
    }
  }
  return pellor::TrimRight(ClientTextToUtf8(stored, codePage)) ==
         pellor::TrimRight(ClientTextToUtf8(original, codePage));
}

pellor::TFieldDef ClientFieldDef(const db::ColumnDef& column) {
  pellor::TFieldDef def = FieldDefOf(column);
  // COMPANY is the server's to fill; other columns without a default must
  // be given by the client.
  def.required = column.notNull && column.defaultSql.empty() && !pellor::SameText(column.name, "COMPANY");
  return def;
}

std::string ColumnList(const db::TableDef& def) {
  std::string list;
  for (const db::ColumnDef& c : def.columns) list += (list.empty() ? "" : ", ") + c.name;
  return list;
}

}  // namespace

TMainProvider::TMainProvider(std::shared_ptr<AppSession> session)
    : session_(std::move(session)), cursors_(kMaxCursors) {}
TMainProvider::~TMainProvider() = default;

TMainProvider::Table TMainProvider::MainTable() const {
  ConfiguredTable configured = ReadConfiguredTable(*session_);
  Table table;
  table.def = configured.def;
  auto indexOf = [&](const db::ColumnDef* column) {
    return column == nullptr ? -1 : static_cast<int>(column - table.def->columns.data());
  };
  for (const db::ColumnDef* column : configured.key) table.key.push_back(indexOf(column));
  table.flag = indexOf(table.def->FindColumn("FLAG"));
  table.company = indexOf(table.def->FindColumn("COMPANY"));
  return table;
}

std::vector<pellor::TFieldDef> TMainProvider::GetFieldDefs() {
  std::lock_guard<std::mutex> lock(session_->mutex);
  Table table = MainTable();
  std::vector<pellor::TFieldDef> defs;
  for (const db::ColumnDef& c : table.def->columns) defs.push_back(ClientFieldDef(c));
  return defs;
}

Variant TMainProvider::DataRequest(const Variant& data) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  if (data.IsArray() && data.Dims() == 1 && data.Count() == 2 && !data[0].IsArray() && !data[1].IsArray()) {
    pendingCondition_ = ClientTextToUtf8(data[0], session_->clientCodePage);
    pendingOrder_ = ClientTextToUtf8(data[1], session_->clientCodePage);
    return Variant();
  }
  throw pellor::EDatabaseError("The provider does not understand this data request");
}

pellor::ProviderOpenResult TMainProvider::Open(const Variant& condition, const Variant& order, int packetRecords) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  Table table = MainTable();
  db::KeysetSpec spec;
  spec.table = table.def->name;
  spec.selectList = ColumnList(*table.def);
  for (int k : table.key) spec.key.push_back(table.def->columns[k].name);
  spec.condition = ClientTextToUtf8(condition, session_->clientCodePage);
  spec.order = ClientTextToUtf8(order, session_->clientCodePage);
  if (pellor::Trim(spec.condition).empty() && pellor::Trim(spec.order).empty()) {
    spec.condition = pendingCondition_;
    spec.order = pendingOrder_;
  }
  Query query{spec.condition, spec.order};
  OpenCursor cursor;
  cursor.keyset = std::make_unique<db::KeysetCursor>(*session_->gateway, std::move(spec), session_->company);
  lastQuery_ = std::move(query);
  if (session_->topRow > 0) cursor.remaining = session_->topRow;
  session_->topRow = 0;  // the limit holds for one opening

  int64_t id = cursors_.Add(std::move(cursor));
  OpenCursor& stored = cursors_.Get(id);

  pellor::ProviderOpenResult result;
  result.cursor = id;
  for (const db::ColumnDef& c : table.def->columns) result.fieldDefs.push_back(ClientFieldDef(c));
  if (packetRecords == 0) {
    result.packet.rows = Variant::Array(-1);
    result.packet.allFetched = stored.remaining == 0;
  } else {
    result.packet = Fetch(table, stored, packetRecords);
  }
  return result;
}

pellor::ProviderPacket TMainProvider::Fetch(const Table& table, OpenCursor& cursor, int count) {
  std::vector<Variant> rows;
  int64_t wanted = count < 0 ? INT64_MAX : count;
  if (cursor.remaining >= 0) wanted = std::min(wanted, cursor.remaining);
  while (wanted > 0 && !cursor.keyset->AtEnd()) {
    int pageRows = static_cast<int>(std::min<int64_t>(wanted, kAllPageRows));
    db::Page page = cursor.keyset->NextPage(pageRows);
    if (page.columns.size() != table.def->columns.size()) {
      throw pellor::EDatabaseError("The query of " + table.def->name + " answered an unexpected column list");
    }
    for (auto& row : page.rows) rows.push_back(ClientRow(std::move(row), session_->clientCodePage));
    wanted -= static_cast<int64_t>(page.rows.size());
    if (cursor.remaining >= 0) cursor.remaining -= static_cast<int64_t>(page.rows.size());
    if (page.rows.empty()) break;
  }
  pellor::ProviderPacket packet;
  packet.rows = Variant::ArrayOf(std::move(rows));
  packet.allFetched = cursor.keyset->AtEnd() || cursor.remaining == 0;
  return packet;
}

pellor::ProviderPacket TMainProvider::GetRecords(int64_t cursor, int count) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  Table table = MainTable();
  return Fetch(table, cursors_.Get(cursor), count);
}

int64_t TMainProvider::GetRecordCount(int64_t cursor) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  if (cursor == 0) cursor = cursors_.Last();
  return cursors_.Get(cursor).keyset->Count();
}

int64_t TMainProvider::LastQueryCount() {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  OpenCursor* last = cursors_.Find(cursors_.Last());
  return last == nullptr ? 0 : last->keyset->Count();
}

void TMainProvider::CloseCursor(int64_t cursor) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  cursors_.Close(cursor);
}

void TMainProvider::Reset() {
  cursors_.Clear();
  pendingCondition_.clear();
  pendingOrder_.clear();
  lastQuery_ = Query{};
}

pellor::ApplyResult TMainProvider::ApplyUpdates(const pellor::Delta& delta, int maxErrors) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  Table table = MainTable();
  const db::TableDef& def = *table.def;
  const std::string& company = session_->company;
  db::Connection& writer = *session_->writer;
  const int codePage = session_->clientCodePage;

  std::vector<int> map;  // delta position → column index
  for (const std::string& name : delta.fieldNames) {
    const db::ColumnDef* column = def.FindColumn(name);
    if (column == nullptr) throw pellor::EDatabaseError("The delta names the unknown field '" + name + "'");
    map.push_back(static_cast<int>(column - def.columns.data()));
  }
  auto positionOf = [&](int column) {
    auto it = std::find(map.begin(), map.end(), column);
    return it == map.end() ? -1 : static_cast<int>(it - map.begin());
  };
  for (int k : table.key) {
    if (positionOf(k) < 0) throw pellor::EDatabaseError("The delta lacks the key field '" + def.columns[k].name + "'");
  }
  const int flagPos = table.flag >= 0 ? positionOf(table.flag) : -1;
  const int companyPos = table.company >= 0 ? positionOf(table.company) : -1;

  std::string deltaColumns;
  for (int c : map) deltaColumns += (deltaColumns.empty() ? "" : ", ") + def.columns[c].name;
  std::string keyWhere = "COMPANY = ?";
  for (int k : table.key) keyWhere += " AND " + def.columns[k].name + " = ?";

  // The key values (in database form) of a delta value list.
  auto keyOf = [&](const std::vector<Variant>& values) {
    std::vector<Variant> key{Variant(company)};
    for (int k : table.key) {
      size_t pos = static_cast<size_t>(positionOf(k));
      Variant v = pos < values.size() ? ToDatabase(values[pos], def.columns[k], codePage) : Variant::Null();
      if (v.IsNull()) throw Refusal{pellor::kApplyErrorInvalid, "The key field " + def.columns[k].name + " is empty", Variant()};
      key.push_back(v);
    }
    return key;
  };
  // The stored row in delta order, as the client reads it; empty when none.
  auto currentRow = [&](const std::vector<Variant>& key) -> Variant {
    auto cursor = writer.Query("SELECT " + deltaColumns + " FROM " + def.name + " WHERE " + keyWhere, key);
    return cursor->Next() ? ClientRow(*cursor, codePage) : Variant();
  };
  // A row given for another company is refused rather than silently moved.
  auto checkCompany = [&](const std::vector<Variant>& values) {
    if (companyPos < 0 || static_cast<size_t>(companyPos) >= values.size()) return;
    const Variant& given = values[companyPos];
    if (!given.IsBlank() && pellor::Trim(ClientTextToUtf8(given, codePage)) != company) {
      throw Refusal{pellor::kApplyErrorInvalid, "The row belongs to another company", Variant()};
    }
  };

  auto applyOne = [&](const pellor::DeltaChange& change) {
    if (change.kind == pellor::ukInsert) {
      checkCompany(change.values);
      std::vector<Variant> key = keyOf(change.values);
      Variant existing = currentRow(key);
      if (!existing.IsEmpty()) throw Refusal{pellor::kApplyErrorKeyViolation, kKeyViolationMessage, existing};
      std::string columns = "COMPANY", marks = "?";
      std::vector<Variant> params{Variant(company)};
      for (size_t j = 0; j < map.size() && j < change.values.size(); ++j) {
        const db::ColumnDef& column = def.columns[map[j]];
        if (map[j] == table.company) continue;
        Variant v = ToDatabase(change.values[j], column, codePage);
        // A NOT NULL column left empty takes its default.
        if (v.IsNull() && column.notNull) {
          if (!column.defaultSql.empty()) continue;
          throw Refusal{pellor::kApplyErrorInvalid, "The field " + column.name + " needs a value", Variant()};
        }
        columns += ", " + column.name;
        marks += ", ?";
        params.push_back(v);
      }
      writer.Execute("INSERT INTO " + def.name + " (" + columns + ") VALUES (" + marks + ")", params);
      return;
    }

    std::vector<Variant> key = keyOf(change.originals);
    Variant stored = currentRow(key);
    if (stored.IsEmpty()) throw Refusal{pellor::kApplyErrorChanged, kChangedMessage, Variant()};
    bool same = true;
    if (flagPos >= 0) {
      same = static_cast<size_t>(flagPos) < change.originals.size() &&
             SameValue(stored[flagPos], change.originals[flagPos], codePage);
    } else {
      for (size_t j = 0; j < map.size() && j < change.originals.size(); ++j)
        same = same && SameValue(stored[static_cast<int>(j)], change.originals[j], codePage);
    }
    if (!same) throw Refusal{pellor::kApplyErrorChanged, kChangedMessage, stored};

    if (change.kind == pellor::ukDelete) {
      writer.Execute("DELETE FROM " + def.name + " WHERE " + keyWhere, key);
      return;
    }

    checkCompany(change.values);
    std::string sets;
    std::vector<Variant> params;
    std::vector<Variant> newValues = change.originals;
    newValues.resize(map.size());
    bool keyChanged = false;
    for (size_t j = 0; j < map.size() && j < change.values.size(); ++j) {
      if (j >= change.changed.size() || !change.changed[j] || map[j] == table.company) continue;
      const db::ColumnDef& column = def.columns[map[j]];
      Variant v = ToDatabase(change.values[j], column, codePage);
      if (v.IsNull() && column.notNull) {
        throw Refusal{pellor::kApplyErrorInvalid, "The field " + column.name + " needs a value", stored};
      }
      newValues[j] = change.values[j];
      if (std::find(table.key.begin(), table.key.end(), map[j]) != table.key.end()) keyChanged = true;
      sets += (sets.empty() ? "" : ", ") + column.name + " = ?";
      params.push_back(v);
    }
    if (sets.empty()) return;
    if (keyChanged) {
      std::vector<Variant> newKey = keyOf(newValues);
      if (newKey != key && !currentRow(newKey).IsEmpty()) {
        throw Refusal{pellor::kApplyErrorKeyViolation, kKeyViolationMessage, stored};
      }
    }
    params.insert(params.end(), key.begin(), key.end());
    writer.Execute("UPDATE " + def.name + " SET " + sets + " WHERE " + keyWhere, params);
  };

  pellor::ApplyResult result;
  db::WriteTransaction transaction(writer);
  for (const pellor::DeltaChange& change : delta.changes) {
    // Each row in a savepoint of its own: a row the backend refuses takes
    // back only its own statements, and the transaction stays usable.
    writer.Execute("SAVEPOINT pellor_row");
    try {
      try {
        applyOne(change);
      } catch (const pellor::EDatabaseError& e) {
        throw Refusal{pellor::kApplyErrorInvalid, e.Message(), Variant()};
      } catch (const pellor::EConvertError& e) {
        throw Refusal{pellor::kApplyErrorInvalid, e.Message(), Variant()};
      }
      writer.Execute("RELEASE SAVEPOINT pellor_row");
    } catch (const Refusal& refusal) {
      writer.Execute("ROLLBACK TO SAVEPOINT pellor_row");
      writer.Execute("RELEASE SAVEPOINT pellor_row");
      pellor::ApplyError error;
      error.rowId = change.rowId;
      error.message = refusal.message;
      error.errorCode = refusal.code;
      error.context = change.kind == pellor::ukInsert ? "Insert" : change.kind == pellor::ukDelete ? "Delete" : "Modify";
      error.currentValues = refusal.current;
      result.errors.push_back(std::move(error));
      if (maxErrors >= 0 && static_cast<int>(result.errors.size()) > maxErrors) {
        result.committed = false;
        break;
      }
    }
  }
  result.errorCount = static_cast<int>(result.errors.size());
  if (result.committed) transaction.Commit();  // otherwise the destructor rolls back
  return result;
}

}  // namespace suite
