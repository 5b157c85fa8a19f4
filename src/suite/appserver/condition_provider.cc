#include "suite/appserver/condition_provider.h"

#include <algorithm>

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/db/schema.h"

namespace suite {

using pellor::Variant;

namespace {

constexpr char kTable[] = "DOCUS";
// A client that never closes its cursors keeps at most this many snapshots.
constexpr size_t kMaxCursors = 8;

const db::TableDef& ConditionTable() {
  const db::TableDef* def = db::Catalogue::Builtin().FindTable(kTable);
  if (def == nullptr) throw pellor::EDatabaseError("The table DOCUS of saved conditions does not exist");
  return *def;
}

}  // namespace

TConditionProvider::TConditionProvider(std::shared_ptr<AppSession> session) : session_(std::move(session)) {}
TConditionProvider::~TConditionProvider() = default;

std::vector<pellor::TFieldDef> TConditionProvider::FieldDefs() const {
  std::vector<pellor::TFieldDef> defs;
  for (const db::ColumnDef& column : ConditionTable().columns) {
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
    defs.push_back(def);
  }
  return defs;
}

std::vector<pellor::TFieldDef> TConditionProvider::GetFieldDefs() {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  return FieldDefs();
}

Variant TConditionProvider::DataRequest(const Variant&) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  throw pellor::EDatabaseError("pvdConSave takes no data request; LoadTable chooses its rows");
}

pellor::ProviderOpenResult TConditionProvider::Open(const Variant& condition, const Variant& order,
                                                    int packetRecords) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  // The rows are those LoadTable chose; a condition would be silently
  // ignored otherwise.
  auto blank = [this](const Variant& v) {
    return v.IsBlank() || pellor::Trim(ClientTextToUtf8(v, session_->clientCodePage)).empty();
  };
  if (!blank(condition) || !blank(order)) {
    throw pellor::EDatabaseError("pvdConSave takes no condition or order; LoadTable chooses its rows");
  }
  const db::TableDef& def = ConditionTable();
  Snapshot snapshot;
  if (selected_) {
    std::string columns;
    for (const db::ColumnDef& c : def.columns) columns += (columns.empty() ? "" : ", ") + c.name;
    auto cursor = session_->writer->Query(
        "SELECT " + columns + " FROM DOCUS WHERE COMPANY = ? AND CREATOR = ? AND PROGRAMME = ? ORDER BY NCONDITION",
        {Variant(session_->company), Variant(user_), Variant(program_)});
    while (cursor->Next()) {
      std::vector<Variant> row;
      for (int i = 0; i < cursor->ColumnCount(); ++i) {
        row.push_back(Utf8ToClient(cursor->Value(i), session_->clientCodePage));
      }
      snapshot.rows.push_back(Variant::ArrayOf(row));
    }
  }
  while (cursors_.size() >= kMaxCursors) cursors_.erase(cursors_.begin());
  int64_t id = nextCursor_++;
  Snapshot& stored = cursors_[id] = std::move(snapshot);

  pellor::ProviderOpenResult result;
  result.cursor = id;
  result.fieldDefs = FieldDefs();
  if (packetRecords == 0) {
    result.packet.rows = Variant::Array(-1);
    result.packet.allFetched = stored.rows.empty();
  } else {
    result.packet = Fetch(stored, packetRecords);
  }
  return result;
}

pellor::ProviderPacket TConditionProvider::Fetch(Snapshot& snapshot, int count) {
  size_t wanted = count < 0 ? snapshot.rows.size() : static_cast<size_t>(count);
  size_t end = std::min(snapshot.rows.size(), snapshot.next + wanted);
  std::vector<Variant> rows(snapshot.rows.begin() + static_cast<std::ptrdiff_t>(snapshot.next),
                            snapshot.rows.begin() + static_cast<std::ptrdiff_t>(end));
  snapshot.next = end;
  pellor::ProviderPacket packet;
  packet.rows = Variant::ArrayOf(rows);
  packet.allFetched = snapshot.next >= snapshot.rows.size();
  return packet;
}

TConditionProvider::Snapshot& TConditionProvider::SnapshotOf(int64_t cursor) {
  auto it = cursors_.find(cursor);
  if (it == cursors_.end()) throw pellor::EDatabaseError("Cursor " + pellor::IntToStr(cursor) + " is not open");
  return it->second;
}

pellor::ProviderPacket TConditionProvider::GetRecords(int64_t cursor, int count) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  return Fetch(SnapshotOf(cursor), count);
}

int64_t TConditionProvider::GetRecordCount(int64_t cursor) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  return static_cast<int64_t>(SnapshotOf(cursor).rows.size());
}

pellor::ApplyResult TConditionProvider::ApplyUpdates(const pellor::Delta&, int) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  throw pellor::EDatabaseError(
      "pvdConSave is read-only; saved conditions change through InsertConTable, DeleteConTable and ChangeConName");
}

void TConditionProvider::CloseCursor(int64_t cursor) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  cursors_.erase(cursor);
}

void TConditionProvider::Select(std::string user, std::string program) {
  selected_ = true;
  user_ = std::move(user);
  program_ = std::move(program);
}

void TConditionProvider::Reset() {
  selected_ = false;
  user_.clear();
  program_.clear();
  cursors_.clear();
}

}  // namespace suite
