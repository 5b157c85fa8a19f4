// TMemoryProvider: a provider over a table held in memory.
//
// A real implementation of the provider protocol (provider.h), used where no
// database is wanted: tests of everything above the datasets, benchmarks, and
// small fixed tables. Rows are held encoded (row_store.h) in insertion order.
//
// Queries: the condition and order of SQL (sql_condition.h). A query without
// an order streams: a packet reads only as many rows as it needs, so the
// first packet of a million-row table is quick and reads little. A query with
// an order reads every row once at Open to sort the matches.
//
// Applying: one transaction per delta. A modified or deleted row is found by
// the original values of its key fields and must still carry its original
// version value (the version field, "FLAG" by default; without one, all its
// original values) — otherwise it is refused with "Record not found or
// changed by another user". An insert or a key change that would repeat a
// key is refused with "Key violation". Past maxErrors refusals everything is
// rolled back.
#ifndef PELLOR_DB_MEMORY_PROVIDER_H_
#define PELLOR_DB_MEMORY_PROVIDER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/db/fields.h"
#include "platform/db/provider.h"
#include "platform/db/row_store.h"
#include "platform/db/sql_condition.h"

namespace pellor {

// Error codes of refused rows.
inline constexpr int kApplyErrorChanged = 1;       // not found or changed by another user
inline constexpr int kApplyErrorKeyViolation = 2;  // the key exists already
inline constexpr int kApplyErrorInvalid = 3;       // a value the column cannot hold

class TMemoryProvider : public IProvider {
 public:
  // `keyFields` name the columns that identify a row ("MF001;MF004");
  // `versionField` the optimistic version column, or "" for none.
  TMemoryProvider(std::vector<TFieldDef> defs, std::string keyFields, std::string versionField = "FLAG");
  ~TMemoryProvider() override;

  // Loads a row (values in definition order, converted to the column types).
  // Keys are checked when the first delta is applied.
  void AddRow(const std::vector<Variant>& values);
  // Live rows.
  int64_t RowCount() const;
  // The row with these key values (definition order), if any.
  std::optional<std::vector<Variant>> FindRow(const std::vector<Variant>& keyValues) const;
  // Every live row in stored order (small tables).
  std::vector<std::vector<Variant>> Rows() const;

  // Rows examined by queries and counts since creation or the last reset.
  uint64_t RowsRead() const;
  void ResetRowsRead();
  int OpenCursors() const;
  // Texts of wide conditions become narrow in this code page (936).
  void SetCodePage(int codePage);
  // Requests DataRequest does not know itself ([condition, order]) go here;
  // without a handler they are refused.
  std::function<Variant(const Variant& data)> OnDataRequest;

  std::vector<TFieldDef> GetFieldDefs() override;
  Variant DataRequest(const Variant& data) override;
  ProviderOpenResult Open(const Variant& condition, const Variant& order, int packetRecords) override;
  ProviderPacket GetRecords(int64_t cursor, int count) override;
  int64_t GetRecordCount(int64_t cursor) override;
  ApplyResult ApplyUpdates(const Delta& delta, int maxErrors) override;
  void CloseCursor(int64_t cursor) override;

 private:
  struct Cursor {
    std::shared_ptr<const SqlCondition> condition;
    bool ordered = false;
    std::vector<uint32_t> matches;  // ordered: row indices in order
    size_t next = 0;                // next row index (streaming) or match position (ordered)
    size_t end = 0;                 // rows existing at open (streaming)
  };
  struct Undo;

  int ColumnOf(std::string_view name) const;
  std::string TextOf(const Variant& v) const;
  std::vector<Variant> Decode(uint32_t index) const;
  std::string KeyOf(const std::vector<Variant>& values, const std::vector<int>& map) const;
  void BuildKeyIndex();
  ProviderPacket Fetch(Cursor& cursor, int count);
  Cursor& CursorOf(int64_t id);
  std::vector<Variant> ConvertRow(const std::vector<Variant>& values) const;
  void ApplyOne(const DeltaChange& change, const std::vector<int>& map, std::vector<Undo>& undo);
  void Rollback(std::vector<Undo>& undo);

  mutable std::mutex mutex_;
  std::vector<TFieldDef> defs_;
  std::vector<std::unique_ptr<TField>> converters_;
  std::vector<int> keyColumns_;
  int versionColumn_ = -1;
  int codePage_ = 936;
  RowCodec codec_;
  RowStore store_;
  std::vector<uint32_t> rows_;  // store ids in insertion order; kNone for a deleted row
  int64_t liveRows_ = 0;
  bool keyIndexBuilt_ = false;
  std::unordered_map<std::string, uint32_t> keyIndex_;  // key → row index
  std::map<int64_t, Cursor> cursors_;
  int64_t nextCursor_ = 1;
  int64_t lastCursor_ = 0;
  std::string pendingCondition_;
  std::string pendingOrder_;
  mutable uint64_t rowsRead_ = 0;
};

}  // namespace pellor

#endif  // PELLOR_DB_MEMORY_PROVIDER_H_
