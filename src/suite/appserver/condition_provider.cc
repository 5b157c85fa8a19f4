#include "suite/appserver/condition_provider.h"

#include <algorithm>

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/appserver/provider_support.h"
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

TConditionProvider::TConditionProvider(std::shared_ptr<AppSession> session)
    : session_(std::move(session)), cursors_(kMaxCursors) {}
TConditionProvider::~TConditionProvider() = default;

std::vector<pellor::TFieldDef> TConditionProvider::FieldDefs() const {
  std::vector<pellor::TFieldDef> defs;
  for (const db::ColumnDef& column : ConditionTable().columns) defs.push_back(FieldDefOf(column));
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
    while (cursor->Next()) snapshot.rows.push_back(ClientRow(*cursor, session_->clientCodePage));
  }
  int64_t id = cursors_.Add(std::move(snapshot));
  Snapshot& stored = cursors_.Get(id);

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

pellor::ProviderPacket TConditionProvider::GetRecords(int64_t cursor, int count) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  return Fetch(cursors_.Get(cursor), count);
}

int64_t TConditionProvider::GetRecordCount(int64_t cursor) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  return static_cast<int64_t>(cursors_.Get(cursor).rows.size());
}

pellor::ApplyResult TConditionProvider::ApplyUpdates(const pellor::Delta&, int) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  throw pellor::EDatabaseError(
      "pvdConSave is read-only; saved conditions change through InsertConTable, DeleteConTable and ChangeConName");
}

void TConditionProvider::CloseCursor(int64_t cursor) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  cursors_.Close(cursor);
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
  cursors_.Clear();
}

}  // namespace suite
