#include "platform/db/client_dataset.h"

#include <algorithm>
#include <numeric>
#include <unordered_set>

#include "platform/db/socket_connection.h"
#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

// Rows asked for at once when "all" is wanted: big enough for few round
// trips, small enough that no packet grows with the table.
constexpr int kPieceRows = 4096;

ColumnKind KindOf(VarType type) {
  switch (type) {
    case VarType::kString: return ColumnKind::kText;
    case VarType::kWideString: return ColumnKind::kWide;
    case VarType::kInteger: return ColumnKind::kInteger;
    case VarType::kBoolean: return ColumnKind::kBoolean;
    case VarType::kFloat: return ColumnKind::kFloat;
    case VarType::kDate: return ColumnKind::kDate;
    default: return ColumnKind::kVariant;
  }
}

}  // namespace

PELLOR_DEFINE_CLASS(TClientDataSet, TDataSet);

void TClientDataSet::DefineProperties(PropertyBuilder<TClientDataSet>& p) {
  p.Text("ProviderName", &TClientDataSet::ProviderName, &TClientDataSet::SetProviderName)
      .Reference("RemoteServer", &TClientDataSet::RemoteServer, &TClientDataSet::SetRemoteServer)
      .Integer("PacketRecords", &TClientDataSet::PacketRecords, &TClientDataSet::SetPacketRecords)
      .Bool("FetchOnDemand", &TClientDataSet::FetchOnDemand, &TClientDataSet::SetFetchOnDemand)
      .Bool("ReadOnly", &TClientDataSet::ReadOnly, &TClientDataSet::SetReadOnly)
      .Bool("LogChanges", &TClientDataSet::LogChanges, &TClientDataSet::SetLogChanges)
      .Bool("AggregatesActive", &TClientDataSet::AggregatesActive, &TClientDataSet::SetAggregatesActive)
      .Text("IndexFieldNames", &TClientDataSet::IndexFieldNames, &TClientDataSet::SetIndexFieldNames)
      .Text("IndexName", &TClientDataSet::IndexName, &TClientDataSet::SetIndexName)
      .Event("OnReconcileError", &TClientDataSet::OnReconcileError);
}

TClientDataSet::TClientDataSet(TComponent* owner) : TDataSet(owner) {}

TClientDataSet::~TClientDataSet() { DestroyClose(); }

// ---- provider ----------------------------------------------------------------------------

void TClientDataSet::SetProviderName(const std::string& name) {
  if (name == providerName_) return;
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset", this);
  providerName_ = name;
}

void TClientDataSet::SetRemoteServer(TComponent* server) {
  if (server == remoteServer_.Get()) return;
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset", this);
  if (server != nullptr && dynamic_cast<TCustomRemoteServer*>(server) == nullptr &&
      dynamic_cast<TSocketConnection*>(server) == nullptr) {
    DatabaseError("'" + server->Name() + "' is no connection to an application server", this);
  }
  remoteServer_.Set(server);
}

void TClientDataSet::SetPacketRecords(int count) { packetRecords_ = count < -1 ? -1 : count; }

IProvider& TClientDataSet::Provider() {
  if (provider_ != nullptr) return *provider_;
  if (providerName_.empty() || remoteServer_.Get() == nullptr) {
    DatabaseError("Missing data provider or data packet", this);
  }
  Variant server;
  if (auto* remote = dynamic_cast<TCustomRemoteServer*>(remoteServer_.Get())) {
    server = remote->GetServer();
  } else if (auto* socket = dynamic_cast<TSocketConnection*>(remoteServer_.Get())) {
    if (!socket->Connected()) socket->Open();
    server = socket->AppServer();
  }
  provider_ = std::make_unique<TRemoteProvider>(server, providerName_);
  return *provider_;
}

void TClientDataSet::CloseProvider() {
  if (provider_ != nullptr && cursor_ != 0) {
    try {
      provider_->CloseCursor(cursor_);
    } catch (const Exception&) {
      // The server may be gone already; its cursor goes with it.
    }
  }
  provider_.reset();
  cursor_ = 0;
}

Variant TClientDataSet::DataRequest(const Variant& data) { return Provider().DataRequest(data); }

int64_t TClientDataSet::ProviderRecordCount() {
  CheckActive();
  if (localData_ || provider_ == nullptr) return RecordCount();
  return provider_->GetRecordCount(cursor_);
}

void TClientDataSet::InternalOpen() {
  provider_.reset();
  cursor_ = 0;
  ProviderOpenResult opened;
  if (!localData_) {
    int first = packetRecords_ < 0 ? kPieceRows : packetRecords_;
    opened = Provider().Open(Variant(), Variant(), first);
    cursor_ = opened.cursor;
    FieldDefs().Clear();
    for (const TFieldDef& def : opened.fieldDefs) FieldDefs().Add(def.name, def.dataType, def.size, def.required).precision = def.precision;
  }
  PrepareFields();
  std::vector<ColumnKind> kinds;
  for (int i = 0; i < ColumnCount(); ++i) kinds.push_back(KindOf(ColumnField(i).StorageType()));
  codec_ = RowCodec(std::move(kinds));
  store_.Clear();
  slots_.clear();
  natural_.clear();
  sorted_.clear();
  changeLog_.clear();
  ResolveOrder();
  if (localData_) {
    allFetched_ = true;
    return;
  }
  allFetched_ = opened.packet.allFetched;
  int added = AddPacket(opened.packet.rows);
  if (added == 0 && packetRecords_ != 0) allFetched_ = true;
  if (packetRecords_ < 0) FetchRowsQuietly(true);
}

void TClientDataSet::InternalClose() {
  CloseProvider();
  store_.Clear();
  slots_.clear();
  natural_.clear();
  sorted_.clear();
  changeLog_.clear();
  sortColumns_.clear();
  allFetched_ = true;
  localData_ = false;
}

int TClientDataSet::FetchRowsQuietly(bool all) {
  if (allFetched_ || provider_ == nullptr) return 0;
  int want = all ? std::max(packetRecords_, 1024) : (packetRecords_ > 0 ? packetRecords_ : kPieceRows);
  bool loop = all || packetRecords_ <= 0;
  int added = 0;
  do {
    ProviderPacket packet = provider_->GetRecords(cursor_, want);
    int n = AddPacket(packet.rows);
    added += n;
    allFetched_ = packet.allFetched || n == 0;  // a server that sends nothing has nothing more
  } while (loop && !allFetched_);
  return added;
}

int TClientDataSet::GetNextPacket() {
  CheckActive();
  int added = FetchRowsQuietly(false);
  if (added > 0) Resync();
  return added;
}

void TClientDataSet::FetchAll() {
  CheckActive();
  if (FetchRowsQuietly(true) > 0) Resync();
}

bool TClientDataSet::InternalFetchMore(bool all) {
  if (!fetchOnDemand_) return false;
  return FetchRowsQuietly(all) > 0;
}

int TClientDataSet::AddPacket(const Variant& rows) {
  if (!rows.IsArray()) return 0;
  int count = rows.Count();
  size_t before = natural_.size();
  for (int i = 0; i < count; ++i) AppendRow(rows[i]);
  if (!sortColumns_.empty() && count > 0) {
    if (static_cast<size_t>(count) * 8 > before) {
      ApplyOrder();
    } else {
      for (size_t i = before; i < natural_.size(); ++i) PlaceSorted(natural_[i]);
    }
  }
  return count;
}

void TClientDataSet::AppendRow(const Variant& row) {
  int columns = ColumnCount();
  if (!row.IsArray() || row.Dims() != 1 || row.Count() != columns) {
    DatabaseError("Malformed provider data: a row does not hold " + IntToStr(columns) + " values", this);
  }
  scratch_.resize(columns);
  for (int c = 0; c < columns; ++c) scratch_[c] = ColumnField(c).ConvertValue(row[c]);
  uint32_t id = store_.Add(EncodeRow(scratch_));
  slots_.push_back(Slot{id, RowStore::kNone, kUnmodified});
  natural_.push_back(static_cast<uint32_t>(slots_.size() - 1));
}

std::string TClientDataSet::EncodeRow(const std::vector<Variant>& values) const {
  std::string out;
  codec_.Encode(values, out);
  return out;
}

void TClientDataSet::CreateDataSet() {
  if (Active()) Close();
  if (FieldDefs().Count() == 0) {
    for (TField* field : FieldList()) {
      if (field->FieldKind() != fkData) continue;
      FieldDefs().Add(field->FieldName(), field->DataType(), field->Size(), field->Required());
    }
  }
  if (FieldDefs().Count() == 0) DatabaseError("Field definitions are missing", this);
  localData_ = true;
  try {
    Open();
  } catch (...) {
    localData_ = false;
    throw;
  }
}

void TClientDataSet::EmptyDataSet() {
  CheckActive();
  if (State() == dsEdit || State() == dsInsert) Cancel();
  store_.Clear();
  slots_.clear();
  natural_.clear();
  sorted_.clear();
  changeLog_.clear();
  Resync();
}

bool TClientDataSet::CanModify() const { return Active() && !readOnly_; }

// ---- rows ----------------------------------------------------------------------------------

void TClientDataSet::InternalReadRow(int row, std::vector<Variant>& values) const {
  codec_.Decode(store_.Get(slots_[View().at(row)].current), values);
}

Variant TClientDataSet::InternalReadColumn(int row, int column) const {
  return codec_.DecodeColumn(store_.Get(slots_[View().at(row)].current), column);
}

Variant TClientDataSet::InternalOldValue(int row, int column) const {
  const Slot& slot = slots_[View().at(row)];
  switch (slot.status) {
    case kInserted: return Variant::Null();
    case kModified: return codec_.DecodeColumn(store_.Get(slot.original), column);
    default: return codec_.DecodeColumn(store_.Get(slot.current), column);
  }
}

int TClientDataSet::InternalFindBookmark(int64_t id) const {
  if (id < 0 || id >= static_cast<int64_t>(slots_.size())) return -1;
  Status status = slots_[id].status;
  if (status == kDeleted || status == kGone) return -1;
  const std::vector<uint32_t>& view = View();
  auto it = std::find(view.begin(), view.end(), static_cast<uint32_t>(id));
  return it == view.end() ? -1 : static_cast<int>(it - view.begin());
}

int TClientDataSet::InternalPost(int row, int insertBefore, const std::vector<Variant>& values) {
  std::string encoded = EncodeRow(values);
  uint32_t slot;
  if (row < 0) {
    uint32_t id = store_.Add(encoded);
    slot = static_cast<uint32_t>(slots_.size());
    slots_.push_back(Slot{id, RowStore::kNone, logChanges_ ? kInserted : kUnmodified});
    if (logChanges_) LogChange(slot);
    const std::vector<uint32_t>& view = View();
    size_t naturalAt = natural_.size();
    if (insertBefore >= 0 && insertBefore < static_cast<int>(view.size())) {
      auto it = std::find(natural_.begin(), natural_.end(), view[insertBefore]);
      naturalAt = static_cast<size_t>(it - natural_.begin());
    }
    natural_.insert(natural_.begin() + static_cast<std::ptrdiff_t>(naturalAt), slot);
    if (sortColumns_.empty()) return static_cast<int>(naturalAt);
  } else {
    slot = View().at(row);
    Slot& s = slots_[slot];
    if (!logChanges_ || s.status == kInserted || s.status == kModified) {
      store_.Replace(s.current, encoded);
    } else {
      s.original = s.current;
      s.current = store_.Add(encoded);
      s.status = kModified;
      LogChange(slot);
    }
    if (sortColumns_.empty()) return row;
    sorted_.erase(std::find(sorted_.begin(), sorted_.end(), slot));
  }
  PlaceSorted(slot);
  return InternalFindBookmark(slot);
}

void TClientDataSet::InternalDelete(int row) {
  uint32_t slot = View().at(row);
  Slot& s = slots_[slot];
  switch (s.status) {
    case kInserted:
      store_.Free(s.current);
      s.current = RowStore::kNone;
      s.status = kGone;
      UnlogChange(slot);
      break;
    case kModified:
      store_.Free(s.current);
      s.current = RowStore::kNone;
      s.status = kDeleted;
      break;
    case kUnmodified:
      if (logChanges_) {
        s.original = s.current;
        s.current = RowStore::kNone;
        s.status = kDeleted;
        LogChange(slot);
      } else {
        store_.Free(s.current);
        s.current = RowStore::kNone;
        s.status = kGone;
      }
      break;
    default: break;
  }
  RemoveFromViews(slot);
}

void TClientDataSet::RemoveFromViews(uint32_t slot) {
  auto it = std::find(natural_.begin(), natural_.end(), slot);
  if (it != natural_.end()) natural_.erase(it);
  auto st = std::find(sorted_.begin(), sorted_.end(), slot);
  if (st != sorted_.end()) sorted_.erase(st);
}

void TClientDataSet::RestoreToViews(uint32_t slot) {
  // Back among the fetched rows at the place it was fetched in.
  auto it = std::find_if(natural_.begin(), natural_.end(),
                         [&](uint32_t other) { return other > slot && slots_[other].status != kInserted; });
  natural_.insert(it, slot);
  if (!sortColumns_.empty()) PlaceSorted(slot);
}

// ---- change log ------------------------------------------------------------------------------

void TClientDataSet::LogChange(uint32_t slot) {
  if (std::find(changeLog_.begin(), changeLog_.end(), slot) == changeLog_.end()) changeLog_.push_back(slot);
}

void TClientDataSet::UnlogChange(uint32_t slot) {
  auto it = std::find(changeLog_.begin(), changeLog_.end(), slot);
  if (it != changeLog_.end()) changeLog_.erase(it);
}

std::vector<Variant> TClientDataSet::SlotValues(uint32_t slot, bool original) const {
  std::vector<Variant> values;
  uint32_t id = original ? slots_[slot].original : slots_[slot].current;
  codec_.Decode(store_.Get(id), values);
  return values;
}

TUpdateStatus TClientDataSet::UpdateStatus() const {
  CheckActive();
  if (State() == dsInsert) return usInserted;
  int recNo = RecNo();
  if (recNo < 1) return usUnmodified;
  switch (slots_[View()[recNo - 1]].status) {
    case kModified: return usModified;
    case kInserted: return usInserted;
    default: return usUnmodified;
  }
}

Delta TClientDataSet::GetDelta() const {
  Delta delta;
  for (const TFieldDef& def : FieldDefs().Items()) delta.fieldNames.push_back(def.name);
  for (uint32_t slot : changeLog_) {
    DeltaChange change;
    change.rowId = slot;
    switch (slots_[slot].status) {
      case kInserted:
        change.kind = ukInsert;
        change.values = SlotValues(slot, false);
        break;
      case kModified:
        change.kind = ukModify;
        change.originals = SlotValues(slot, true);
        change.values = SlotValues(slot, false);
        for (size_t i = 0; i < change.values.size(); ++i) {
          change.changed.push_back(!(change.values[i] == change.originals[i]));
        }
        break;
      case kDeleted:
        change.kind = ukDelete;
        change.originals = SlotValues(slot, true);
        break;
      default: continue;
    }
    delta.changes.push_back(std::move(change));
  }
  return delta;
}

void TClientDataSet::MergeSlot(uint32_t slot) {
  Slot& s = slots_[slot];
  switch (s.status) {
    case kInserted: s.status = kUnmodified; break;
    case kModified:
      store_.Free(s.original);
      s.original = RowStore::kNone;
      s.status = kUnmodified;
      break;
    case kDeleted:
      store_.Free(s.original);
      s.original = RowStore::kNone;
      s.status = kGone;
      break;
    default: break;
  }
  UnlogChange(slot);
}

void TClientDataSet::RevertSlot(uint32_t slot) {
  Slot& s = slots_[slot];
  switch (s.status) {
    case kInserted:
      RemoveFromViews(slot);
      store_.Free(s.current);
      s.current = RowStore::kNone;
      s.status = kGone;
      break;
    case kModified:
      store_.Free(s.current);
      s.current = s.original;
      s.original = RowStore::kNone;
      s.status = kUnmodified;
      if (!sortColumns_.empty()) {
        sorted_.erase(std::find(sorted_.begin(), sorted_.end(), slot));
        PlaceSorted(slot);
      }
      break;
    case kDeleted:
      s.current = s.original;
      s.original = RowStore::kNone;
      s.status = kUnmodified;
      RestoreToViews(slot);
      break;
    default: break;
  }
  UnlogChange(slot);
}

void TClientDataSet::SetSlotValues(uint32_t slot, const std::vector<Variant>& values) {
  Slot& s = slots_[slot];
  std::vector<Variant> converted(ColumnCount());
  for (int c = 0; c < ColumnCount(); ++c) {
    converted[c] = c < static_cast<int>(values.size()) ? ColumnField(c).ConvertValue(values[c]) : Variant::Null();
  }
  std::string encoded = EncodeRow(converted);
  bool wasDeleted = s.status == kDeleted;
  if (s.original != RowStore::kNone) store_.Free(s.original);
  s.original = RowStore::kNone;
  if (s.current != RowStore::kNone) {
    store_.Replace(s.current, encoded);
  } else {
    s.current = store_.Add(encoded);
  }
  s.status = kUnmodified;
  UnlogChange(slot);
  if (wasDeleted) {
    RestoreToViews(slot);
  } else if (!sortColumns_.empty()) {
    sorted_.erase(std::find(sorted_.begin(), sorted_.end(), slot));
    PlaceSorted(slot);
  }
}

void TClientDataSet::CancelUpdates() {
  CheckActive();
  if (State() == dsEdit || State() == dsInsert) Cancel();
  std::vector<uint32_t> log = changeLog_;
  for (auto it = log.rbegin(); it != log.rend(); ++it) RevertSlot(*it);
  Resync();
}

void TClientDataSet::RevertRecord() {
  CheckActive();
  if (State() == dsEdit || State() == dsInsert) Cancel();
  int recNo = RecNo();
  if (recNo < 1) return;
  uint32_t slot = View()[recNo - 1];
  if (std::find(changeLog_.begin(), changeLog_.end(), slot) == changeLog_.end()) return;
  RevertSlot(slot);
  Resync();
}

void TClientDataSet::MergeChangeLog() {
  CheckActive();
  std::vector<uint32_t> log = changeLog_;
  for (uint32_t slot : log) MergeSlot(slot);
}

int TClientDataSet::ApplyUpdates(int maxErrors) {
  CheckActive();
  CheckBrowseMode();
  if (changeLog_.empty()) return 0;
  if (localData_) DatabaseError("Missing data provider or data packet", this);
  Delta delta = GetDelta();
  ApplyResult result = Provider().ApplyUpdates(delta, maxErrors);

  std::vector<uint32_t> sent = changeLog_;
  std::unordered_set<uint32_t> sentSet(sent.begin(), sent.end());
  std::unordered_set<uint32_t> refused;
  bool abort = false;
  for (ApplyError& error : result.errors) {
    if (error.rowId < 0 || error.rowId >= static_cast<int64_t>(slots_.size())) continue;
    uint32_t slot = static_cast<uint32_t>(error.rowId);
    if (sentSet.count(slot) == 0 || refused.count(slot) != 0) continue;
    refused.insert(slot);
    if (abort) continue;
    TUpdateKind kind = slots_[slot].status == kInserted ? ukInsert
                       : slots_[slot].status == kDeleted ? ukDelete
                                                         : ukModify;
    EReconcileError reconcile(error.message, error.errorCode, error.previousError, error.context);
    TReconcileAction action = raSkip;
    if (OnReconcileError) OnReconcileError(this, reconcile, kind, action);
    switch (action) {
      case raSkip: break;
      case raAbort: abort = true; break;
      case raMerge:
      case raCorrect: MergeSlot(slot); break;
      case raCancel: RevertSlot(slot); break;
      case raRefresh:
        if (error.currentValues.IsArray() && error.currentValues.Count() == ColumnCount()) {
          SetSlotValues(slot, error.currentValues.Elements());
        } else if (slots_[slot].status == kDeleted) {
          MergeSlot(slot);  // the server has no such row any more: the delete stands
        } else {
          // The row is gone on the server: it goes here too.
          RemoveFromViews(slot);
          Slot& s = slots_[slot];
          if (s.current != RowStore::kNone) store_.Free(s.current);
          if (s.original != RowStore::kNone) store_.Free(s.original);
          s.current = s.original = RowStore::kNone;
          s.status = kGone;
          UnlogChange(slot);
        }
        break;
    }
  }
  if (result.committed) {
    for (uint32_t slot : sent) {
      if (refused.count(slot) == 0) MergeSlot(slot);
    }
  }
  Resync();
  return result.errorCount;
}

// ---- orders --------------------------------------------------------------------------------

const TIndexDef* TClientDataSet::FindIndexDef(std::string_view name) const {
  for (const TIndexDef& def : indexDefs_)
    if (SameText(def.name, name)) return &def;
  return nullptr;
}

void TClientDataSet::AddIndex(const std::string& name, const std::string& fields, TIndexOptions options,
                              const std::string& descFields, const std::string& caseInsFields) {
  if (Trim(name).empty()) DatabaseError("An index needs a name", this);
  if (FindIndexDef(name) != nullptr) DatabaseError("Duplicate index name '" + name + "'", this);
  if (SplitFieldNames(fields).empty()) DatabaseError("Index '" + name + "' names no fields", this);
  indexDefs_.push_back(TIndexDef{name, fields, options, descFields, caseInsFields});
}

void TClientDataSet::DeleteIndex(const std::string& name) {
  auto it = std::find_if(indexDefs_.begin(), indexDefs_.end(), [&](const TIndexDef& d) { return SameText(d.name, name); });
  if (it == indexDefs_.end()) DatabaseError("Index '" + name + "' not found", this);
  bool current = SameText(indexName_, name);
  indexDefs_.erase(it);
  if (current) SetIndexName("");
}

void TClientDataSet::SetIndexFieldNames(const std::string& names) {
  if (Active()) CheckBrowseMode();
  ChangeOrder(names, std::string());
}

void TClientDataSet::SetIndexName(const std::string& name) {
  if (!name.empty() && FindIndexDef(name) == nullptr) DatabaseError("Index '" + name + "' not found", this);
  if (Active()) CheckBrowseMode();
  ChangeOrder(std::string(), name);
}

// Field names and index name exclude each other. An order that cannot be
// resolved leaves the previous one in force.
void TClientDataSet::ChangeOrder(const std::string& fieldNames, const std::string& indexName) {
  std::string oldNames = indexFieldNames_, oldName = indexName_;
  indexFieldNames_ = fieldNames;
  indexName_ = indexName;
  if (!Active()) return;
  try {
    ResolveOrder();
  } catch (...) {
    indexFieldNames_ = oldNames;
    indexName_ = oldName;
    ResolveOrder();
    throw;
  }
  ApplyOrder();
  Resync();
}

void TClientDataSet::ResolveOrder() {
  sortColumns_.clear();
  std::vector<std::string> names;
  std::vector<std::string> desc, caseIns;
  bool allDesc = false, allCaseIns = false;
  if (!indexName_.empty()) {
    const TIndexDef* def = FindIndexDef(indexName_);
    if (def == nullptr) DatabaseError("Index '" + indexName_ + "' not found", this);
    names = SplitFieldNames(def->fields);
    desc = SplitFieldNames(def->descFields);
    caseIns = SplitFieldNames(def->caseInsFields);
    allDesc = def->options.Contains(ixDescending);
    allCaseIns = def->options.Contains(ixCaseInsensitive);
  } else {
    names = SplitFieldNames(indexFieldNames_);
  }
  auto listed = [](const std::vector<std::string>& list, const std::string& name) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& n) { return SameText(n, name); });
  };
  std::vector<SortColumn> columns;
  for (const std::string& name : names) {
    TField* field = FieldByName(name);
    if (field->FieldKind() != fkData || field->FieldNo() <= 0) {
      DatabaseError("Field '" + name + "' cannot be used in an index", this);
    }
    columns.push_back(SortColumn{field->FieldNo() - 1, allDesc || listed(desc, name), allCaseIns || listed(caseIns, name)});
  }
  sortColumns_ = std::move(columns);
}

std::string TClientDataSet::SortKey(uint32_t slot) const {
  std::string key;
  const uint8_t* row = store_.Get(slots_[slot].current);
  for (const SortColumn& c : sortColumns_) {
    RowCodec::AppendSortKey(key, codec_.DecodeColumn(row, c.column), codec_.Kind(c.column), c.descending,
                            c.caseInsensitive);
  }
  return key;
}

void TClientDataSet::ApplyOrder() {
  sorted_.clear();
  if (sortColumns_.empty()) return;
  // Keys are built once per row for the sort, then dropped.
  std::vector<std::pair<std::string, uint32_t>> keyed;
  keyed.reserve(natural_.size());
  for (uint32_t i = 0; i < natural_.size(); ++i) keyed.emplace_back(SortKey(natural_[i]), i);
  std::sort(keyed.begin(), keyed.end());  // ties keep the fetched order by the second member
  sorted_.reserve(keyed.size());
  for (const auto& k : keyed) sorted_.push_back(natural_[k.second]);
}

void TClientDataSet::PlaceSorted(uint32_t slot) {
  std::string key = SortKey(slot);
  size_t lo = 0, hi = sorted_.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (SortKey(sorted_[mid]) <= key) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  sorted_.insert(sorted_.begin() + static_cast<std::ptrdiff_t>(lo), slot);
}

// ---- aggregates ------------------------------------------------------------------------------

Variant TClientDataSet::InternalAggregate(const std::string& function, int column) const {
  if (!aggregatesActive_) return Variant::Null();
  const std::vector<uint32_t>& view = View();
  if (column < 0) return Variant(static_cast<int64_t>(view.size()));  // COUNT(*)
  int64_t count = 0;
  double sum = 0;
  Variant best;
  for (uint32_t slot : view) {
    Variant v = codec_.DecodeColumn(store_.Get(slots_[slot].current), column);
    if (v.IsBlank()) continue;
    ++count;
    if (function == "SUM" || function == "AVG") {
      sum += v.Type() == VarType::kDate ? v.AsDate() : v.AsFloat();
    } else if (function == "MIN" || function == "MAX") {
      if (best.IsBlank()) {
        best = v;
        continue;
      }
      bool less;
      if (v.IsText()) {
        less = v.AsString() < best.AsString();
      } else {
        less = (v.Type() == VarType::kDate ? v.AsDate() : v.AsFloat()) <
               (best.Type() == VarType::kDate ? best.AsDate() : best.AsFloat());
      }
      if ((function == "MIN") == less) best = v;
    }
  }
  if (function == "COUNT") return Variant(count);
  if (count == 0) return Variant::Null();
  if (function == "SUM") return Variant(sum);
  if (function == "AVG") return Variant(sum / static_cast<double>(count));
  if (function == "MIN" || function == "MAX") return best;
  return Variant::Null();
}

size_t TClientDataSet::MemoryUsage() const {
  return store_.MemoryUsage() + slots_.capacity() * sizeof(Slot) + natural_.capacity() * sizeof(uint32_t) +
         sorted_.capacity() * sizeof(uint32_t) + changeLog_.capacity() * sizeof(uint32_t);
}

}  // namespace pellor
