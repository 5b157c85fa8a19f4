#include "platform/db/memory_provider.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/codepage.h"
#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

constexpr size_t kMaxCursors = 64;
const char kChangedMessage[] = "Record not found or changed by another user";

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

bool SameValue(const Variant& a, const Variant& b) {
  if (a.IsBlank() || b.IsBlank()) return a.IsBlank() && b.IsBlank();
  bool na = a.IsNumeric() || a.Type() == VarType::kDate || a.Type() == VarType::kBoolean;
  bool nb = b.IsNumeric() || b.Type() == VarType::kDate || b.Type() == VarType::kBoolean;
  if (na && nb) {
    double x = a.Type() == VarType::kDate ? a.AsDate() : a.AsFloat();
    double y = b.Type() == VarType::kDate ? b.AsDate() : b.AsFloat();
    return x == y;
  }
  if (a.IsText() && b.IsText() && a.Type() == b.Type()) {
    if (a.Type() == VarType::kString) return TrimRight(a.RawString()) == TrimRight(b.RawString());
  }
  return a == b;
}

// A row the transaction refuses.
struct Refusal {
  int code;
  std::string message;
  Variant current;
};

}  // namespace

struct TMemoryProvider::Undo {
  enum Kind { kInsert, kModify, kDelete } kind;
  uint32_t index;
  uint32_t storeId;
  std::vector<Variant> oldValues;
  std::string oldKey;
  std::string newKey;
};

TMemoryProvider::TMemoryProvider(std::vector<TFieldDef> defs, std::string keyFields, std::string versionField)
    : defs_(std::move(defs)) {
  std::vector<ColumnKind> kinds;
  for (const TFieldDef& def : defs_) {
    std::unique_ptr<TField> field(CreateFieldOfType(def.dataType, nullptr));
    field->SetFieldName(def.name);
    if (def.size > 0 || IsStringFieldType(def.dataType)) field->SetSize(def.size);
    kinds.push_back(KindOf(field->StorageType()));
    converters_.push_back(std::move(field));
  }
  codec_ = RowCodec(std::move(kinds));
  for (const std::string& name : SplitFieldNames(keyFields)) {
    int column = ColumnOf(name);
    if (column < 0) throw EDatabaseError("Key field '" + name + "' is not a column of the table");
    keyColumns_.push_back(column);
  }
  if (keyColumns_.empty()) throw EDatabaseError("A table provider needs key fields");
  if (!Trim(versionField).empty()) versionColumn_ = ColumnOf(Trim(versionField));
}

TMemoryProvider::~TMemoryProvider() = default;

int TMemoryProvider::ColumnOf(std::string_view name) const {
  for (size_t i = 0; i < defs_.size(); ++i)
    if (SameText(defs_[i].name, name)) return static_cast<int>(i);
  return -1;
}

std::string TMemoryProvider::TextOf(const Variant& v) const {
  if (v.IsBlank()) return "";
  if (v.Type() == VarType::kString) return v.RawString();
  if (v.Type() == VarType::kWideString) return WideToAnsi(v.RawWideString(), codePage_);
  if (v.IsArray() || v.IsDispatch()) throw EDatabaseError("A condition or order must be a text");
  return v.AsString();
}

std::vector<Variant> TMemoryProvider::ConvertRow(const std::vector<Variant>& values) const {
  std::vector<Variant> row(defs_.size());
  for (size_t c = 0; c < defs_.size(); ++c) {
    row[c] = converters_[c]->ConvertValue(c < values.size() ? values[c] : Variant::Null());
  }
  return row;
}

std::vector<Variant> TMemoryProvider::Decode(uint32_t index) const {
  std::vector<Variant> values;
  codec_.Decode(store_.Get(rows_[index]), values);
  return values;
}

std::string TMemoryProvider::KeyOf(const std::vector<Variant>& values, const std::vector<int>& map) const {
  std::string key;
  for (int column : keyColumns_) {
    RowCodec::AppendSortKey(key, values[column], codec_.Kind(column), false, false);
  }
  return key;
}

void TMemoryProvider::AddRow(const std::vector<Variant>& values) {
  std::vector<Variant> row = ConvertRow(values);
  std::string encoded;
  codec_.Encode(row, encoded);
  std::lock_guard<std::mutex> lock(mutex_);
  uint32_t id = store_.Add(encoded);
  rows_.push_back(id);
  ++liveRows_;
  if (keyIndexBuilt_) {
    std::string key = KeyOf(row, {});
    if (!keyIndex_.emplace(key, static_cast<uint32_t>(rows_.size() - 1)).second) {
      rows_.pop_back();
      store_.Free(id);
      --liveRows_;
      throw EDatabaseError("Key violation: the table already holds a row with this key");
    }
  }
}

int64_t TMemoryProvider::RowCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return liveRows_;
}

std::optional<std::vector<Variant>> TMemoryProvider::FindRow(const std::vector<Variant>& keyValues) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Variant> probe(defs_.size(), Variant::Null());
  for (size_t i = 0; i < keyColumns_.size() && i < keyValues.size(); ++i) {
    probe[keyColumns_[i]] = converters_[keyColumns_[i]]->ConvertValue(keyValues[i]);
  }
  std::string key = KeyOf(probe, {});
  for (uint32_t index = 0; index < rows_.size(); ++index) {
    if (rows_[index] == RowStore::kNone) continue;
    std::vector<Variant> values = Decode(index);
    if (KeyOf(values, {}) == key) return values;
  }
  return std::nullopt;
}

std::vector<std::vector<Variant>> TMemoryProvider::Rows() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::vector<Variant>> result;
  for (uint32_t index = 0; index < rows_.size(); ++index) {
    if (rows_[index] != RowStore::kNone) result.push_back(Decode(index));
  }
  return result;
}

uint64_t TMemoryProvider::RowsRead() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rowsRead_;
}

void TMemoryProvider::ResetRowsRead() {
  std::lock_guard<std::mutex> lock(mutex_);
  rowsRead_ = 0;
}

int TMemoryProvider::OpenCursors() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(cursors_.size());
}

void TMemoryProvider::SetCodePage(int codePage) {
  std::lock_guard<std::mutex> lock(mutex_);
  codePage_ = codePage;
}

std::vector<TFieldDef> TMemoryProvider::GetFieldDefs() { return defs_; }

Variant TMemoryProvider::DataRequest(const Variant& data) {
  std::function<Variant(const Variant&)> handler;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (data.IsArray() && data.Dims() == 1 && data.Count() == 2 && !data[0].IsArray() && !data[1].IsArray()) {
      pendingCondition_ = TextOf(data[0]);
      pendingOrder_ = TextOf(data[1]);
      return Variant();
    }
    handler = OnDataRequest;
  }
  if (!handler) throw EDatabaseError("The provider does not understand this data request");
  return handler(data);
}

ProviderOpenResult TMemoryProvider::Open(const Variant& condition, const Variant& order, int packetRecords) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string conditionText = TextOf(condition);
  std::string orderText = TextOf(order);
  if (Trim(conditionText).empty() && Trim(orderText).empty()) {
    conditionText = pendingCondition_;
    orderText = pendingOrder_;
  }
  ColumnResolver resolve = [this](std::string_view name) { return ColumnOf(name); };
  Cursor cursor;
  cursor.condition = SqlCondition::Parse(conditionText, resolve, codePage_);
  std::vector<SqlOrderColumn> orderColumns = ParseSqlOrder(orderText, resolve);
  if (!orderColumns.empty()) {
    cursor.ordered = true;
    std::vector<std::pair<std::string, uint32_t>> keyed;
    std::vector<Variant> values;
    for (uint32_t index = 0; index < rows_.size(); ++index) {
      if (rows_[index] == RowStore::kNone) continue;
      ++rowsRead_;
      codec_.Decode(store_.Get(rows_[index]), values);
      if (!cursor.condition->Matches([&](int c) { return values[c]; })) continue;
      std::string key;
      for (const SqlOrderColumn& o : orderColumns) {
        RowCodec::AppendSortKey(key, values[o.column], codec_.Kind(o.column), o.descending, false);
      }
      keyed.emplace_back(std::move(key), index);
    }
    std::sort(keyed.begin(), keyed.end());
    for (const auto& k : keyed) cursor.matches.push_back(k.second);
  } else {
    cursor.end = rows_.size();
  }
  while (cursors_.size() >= kMaxCursors) cursors_.erase(cursors_.begin());
  int64_t id = nextCursor_++;
  Cursor& stored = cursors_[id] = std::move(cursor);
  lastCursor_ = id;
  ProviderOpenResult result;
  result.cursor = id;
  result.fieldDefs = defs_;
  if (packetRecords == 0) {
    result.packet.rows = Variant::Array(-1);
    result.packet.allFetched = stored.ordered ? stored.matches.empty() : stored.end == 0;
  } else {
    result.packet = Fetch(stored, packetRecords);
  }
  return result;
}

TMemoryProvider::Cursor& TMemoryProvider::CursorOf(int64_t id) {
  auto it = cursors_.find(id);
  if (it == cursors_.end()) throw EDatabaseError("Cursor " + IntToStr(id) + " is not open");
  return it->second;
}

ProviderPacket TMemoryProvider::Fetch(Cursor& cursor, int count) {
  size_t limit = count < 0 ? SIZE_MAX : static_cast<size_t>(count);
  std::vector<Variant> out;
  std::vector<Variant> values;
  if (cursor.ordered) {
    while (cursor.next < cursor.matches.size() && out.size() < limit) {
      uint32_t index = cursor.matches[cursor.next++];
      if (rows_[index] == RowStore::kNone) continue;
      codec_.Decode(store_.Get(rows_[index]), values);
      out.push_back(Variant::ArrayOf(values));
    }
  } else {
    while (cursor.next < cursor.end && out.size() < limit) {
      uint32_t index = static_cast<uint32_t>(cursor.next++);
      if (rows_[index] == RowStore::kNone) continue;
      ++rowsRead_;
      codec_.Decode(store_.Get(rows_[index]), values);
      if (cursor.condition->Matches([&](int c) { return values[c]; })) out.push_back(Variant::ArrayOf(values));
    }
  }
  ProviderPacket packet;
  packet.rows = Variant::ArrayOf(out);
  packet.allFetched = cursor.ordered ? cursor.next >= cursor.matches.size() : cursor.next >= cursor.end;
  return packet;
}

ProviderPacket TMemoryProvider::GetRecords(int64_t cursor, int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Fetch(CursorOf(cursor), count);
}

int64_t TMemoryProvider::GetRecordCount(int64_t cursorId) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (cursorId == 0) cursorId = lastCursor_;
  if (cursorId == 0 || cursors_.count(cursorId) == 0) {
    if (cursorId != 0 && cursorId != lastCursor_) CursorOf(cursorId);  // raises
    return liveRows_;
  }
  const Cursor& cursor = cursors_.at(cursorId);
  int64_t count = 0;
  std::vector<Variant> values;
  for (uint32_t index = 0; index < rows_.size(); ++index) {
    if (rows_[index] == RowStore::kNone) continue;
    ++rowsRead_;
    codec_.Decode(store_.Get(rows_[index]), values);
    if (cursor.condition->Matches([&](int c) { return values[c]; })) ++count;
  }
  return count;
}

void TMemoryProvider::CloseCursor(int64_t cursor) {
  std::lock_guard<std::mutex> lock(mutex_);
  cursors_.erase(cursor);
}

// ---- applying -------------------------------------------------------------------------

void TMemoryProvider::BuildKeyIndex() {
  if (keyIndexBuilt_) return;
  keyIndex_.clear();
  keyIndex_.reserve(rows_.size());
  for (uint32_t index = 0; index < rows_.size(); ++index) {
    if (rows_[index] == RowStore::kNone) continue;
    if (!keyIndex_.emplace(KeyOf(Decode(index), {}), index).second) {
      keyIndex_.clear();
      throw EDatabaseError("The table holds two rows with the same key");
    }
  }
  keyIndexBuilt_ = true;
}

ApplyResult TMemoryProvider::ApplyUpdates(const Delta& delta, int maxErrors) {
  std::lock_guard<std::mutex> lock(mutex_);
  BuildKeyIndex();
  std::vector<int> map;
  for (const std::string& name : delta.fieldNames) {
    int column = ColumnOf(name);
    if (column < 0) throw EDatabaseError("The delta names the unknown field '" + name + "'");
    map.push_back(column);
  }
  for (int key : keyColumns_) {
    if (std::find(map.begin(), map.end(), key) == map.end()) {
      throw EDatabaseError("The delta lacks the key field '" + defs_[key].name + "'");
    }
  }
  ApplyResult result;
  std::vector<Undo> undo;
  for (const DeltaChange& change : delta.changes) {
    try {
      try {
        ApplyOne(change, map, undo);
      } catch (const EDatabaseError& e) {
        throw Refusal{kApplyErrorInvalid, e.Message(), Variant()};
      } catch (const EConvertError& e) {
        throw Refusal{kApplyErrorInvalid, e.Message(), Variant()};
      }
    } catch (const Refusal& refusal) {
      ApplyError error;
      error.rowId = change.rowId;
      error.message = refusal.message;
      error.errorCode = refusal.code;
      error.context = change.kind == ukInsert ? "Insert" : change.kind == ukDelete ? "Delete" : "Modify";
      error.currentValues = refusal.current;
      result.errors.push_back(std::move(error));
      if (maxErrors >= 0 && static_cast<int>(result.errors.size()) > maxErrors) {
        Rollback(undo);
        result.committed = false;
        break;
      }
    }
  }
  result.errorCount = static_cast<int>(result.errors.size());
  if (result.committed) {
    for (const Undo& u : undo)
      if (u.kind == Undo::kDelete) store_.Free(u.storeId);
  }
  return result;
}

void TMemoryProvider::ApplyOne(const DeltaChange& change, const std::vector<int>& map, std::vector<Undo>& undo) {
  auto toColumns = [&](const std::vector<Variant>& deltaValues, std::vector<Variant> base) {
    for (size_t j = 0; j < map.size() && j < deltaValues.size(); ++j) base[map[j]] = deltaValues[j];
    return ConvertRow(base);
  };
  auto inDeltaOrder = [&](const std::vector<Variant>& values) {
    std::vector<Variant> out;
    for (int column : map) out.push_back(values[column]);
    return Variant::ArrayOf(out);
  };
  std::vector<Variant> nulls(defs_.size(), Variant::Null());
  std::string encoded;

  if (change.kind == ukInsert) {
    std::vector<Variant> values = toColumns(change.values, nulls);
    std::string key = KeyOf(values, map);
    auto existing = keyIndex_.find(key);
    if (existing != keyIndex_.end()) {
      throw Refusal{kApplyErrorKeyViolation, "Key violation: a row with this key exists",
                    inDeltaOrder(Decode(existing->second))};
    }
    codec_.Encode(values, encoded);
    uint32_t id = store_.Add(encoded);
    rows_.push_back(id);
    uint32_t index = static_cast<uint32_t>(rows_.size() - 1);
    keyIndex_[key] = index;
    ++liveRows_;
    undo.push_back(Undo{Undo::kInsert, index, id, {}, key, key});
    return;
  }

  std::vector<Variant> originals = toColumns(change.originals, nulls);
  std::string oldKey = KeyOf(originals, map);
  auto found = keyIndex_.find(oldKey);
  if (found == keyIndex_.end()) throw Refusal{kApplyErrorChanged, kChangedMessage, Variant()};
  uint32_t index = found->second;
  std::vector<Variant> stored = Decode(index);
  bool versionInDelta = versionColumn_ >= 0 && std::find(map.begin(), map.end(), versionColumn_) != map.end();
  bool same = true;
  if (versionInDelta) {
    same = SameValue(stored[versionColumn_], originals[versionColumn_]);
  } else {
    for (int column : map) same = same && SameValue(stored[column], originals[column]);
  }
  if (!same) throw Refusal{kApplyErrorChanged, kChangedMessage, inDeltaOrder(stored)};

  if (change.kind == ukDelete) {
    undo.push_back(Undo{Undo::kDelete, index, rows_[index], {}, oldKey, oldKey});
    rows_[index] = RowStore::kNone;
    keyIndex_.erase(oldKey);
    --liveRows_;
    return;
  }

  std::vector<Variant> values = stored;
  for (size_t j = 0; j < map.size() && j < change.values.size(); ++j) {
    if (j < change.changed.size() && change.changed[j]) values[map[j]] = change.values[j];
  }
  values = ConvertRow(values);
  std::string newKey = KeyOf(values, map);
  if (newKey != oldKey) {
    auto clash = keyIndex_.find(newKey);
    if (clash != keyIndex_.end()) {
      throw Refusal{kApplyErrorKeyViolation, "Key violation: a row with this key exists", inDeltaOrder(stored)};
    }
  }
  codec_.Encode(values, encoded);
  store_.Replace(rows_[index], encoded);
  if (newKey != oldKey) {
    keyIndex_.erase(oldKey);
    keyIndex_[newKey] = index;
  }
  undo.push_back(Undo{Undo::kModify, index, rows_[index], std::move(stored), oldKey, newKey});
}

void TMemoryProvider::Rollback(std::vector<Undo>& undo) {
  for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
    switch (it->kind) {
      case Undo::kInsert:
        keyIndex_.erase(it->newKey);
        store_.Free(it->storeId);
        rows_[it->index] = RowStore::kNone;
        if (it->index + 1 == rows_.size()) rows_.pop_back();
        --liveRows_;
        break;
      case Undo::kModify: {
        std::string encoded;
        codec_.Encode(it->oldValues, encoded);
        store_.Replace(rows_[it->index], encoded);
        if (it->newKey != it->oldKey) {
          keyIndex_.erase(it->newKey);
          keyIndex_[it->oldKey] = it->index;
        }
        break;
      }
      case Undo::kDelete:
        rows_[it->index] = it->storeId;
        keyIndex_[it->oldKey] = it->index;
        ++liveRows_;
        break;
    }
  }
  undo.clear();
}

}  // namespace pellor
