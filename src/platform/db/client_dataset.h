// TClientDataSet: rows kept on the client, fetched from a provider in
// packets, changed locally and sent back as one delta.
//
// Rows are held encoded (row_store.h), so a table costs little more than its
// raw bytes. Every row has a slot whose index is its bookmark. A change log
// in the manner of a table model's cache keeps, per changed row, the kind of
// change and the row's original values apart from its current ones:
//
//   slot   current values   original values   status
//   fetched, untouched       —                  unmodified
//   edited   new             as fetched         modified
//   new      new             —                  inserted
//   deleted  —               as fetched         deleted
//
// ChangeCount is the number of rows with a pending change; Delta builds the
// provider's delta from the log (in the order the rows were first changed);
// CancelUpdates restores every row; ApplyUpdates sends the delta and merges
// the rows the server took, leaving refused rows in the log unless the
// OnReconcileError handler decides otherwise.
//
// Fetching: PacketRecords rows come with Open (-1: all, fetched in bounded
// pieces; 0: definitions only); GetNextPacket fetches the next packet; with
// FetchOnDemand navigation past the last fetched row fetches by itself.
//
// Orders: IndexFieldNames ("A;B", ascending) or a named index (AddIndex, with
// descending and case-insensitive options) orders the view; a posted row
// moves to its place in the order. Texts order by their bytes.
#ifndef PELLOR_DB_CLIENT_DATASET_H_
#define PELLOR_DB_CLIENT_DATASET_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/provider.h"
#include "platform/db/row_store.h"

namespace pellor {

class TClientDataSet;

// A row the server refused, handed to OnReconcileError.
class EReconcileError : public EDatabaseError {
 public:
  EReconcileError(const std::string& message, int errorCode, int previousError, std::string context)
      : EDatabaseError(message), errorCode_(errorCode), previousError_(previousError), context_(std::move(context)) {}
  const char* ClassName() const override { return "EReconcileError"; }
  int ErrorCode() const { return errorCode_; }
  int PreviousError() const { return previousError_; }
  const std::string& Context() const { return context_; }

 private:
  int errorCode_;
  int previousError_;
  std::string context_;
};

// What becomes of a refused row:
//   raSkip    keep the change in the log (the default)
//   raAbort   keep it, and leave the remaining errors unreconciled (kept too)
//   raMerge   take the change as applied (drop it from the log, keep the values)
//   raCorrect as raMerge
//   raCancel  undo the change locally
//   raRefresh take the server's current values (or drop a row the server lacks)
enum TReconcileAction : uint8_t { raSkip, raAbort, raMerge, raCorrect, raCancel, raRefresh };

enum TUpdateStatus : uint8_t { usUnmodified, usModified, usInserted, usDeleted };

// `dataSet` is the dataset being applied; it is not moved to the refused row.
using TReconcileErrorEvent = std::function<void(TClientDataSet* dataSet, EReconcileError& error,
                                                TUpdateKind updateKind, TReconcileAction& action)>;

enum TIndexOption : uint8_t { ixDescending, ixCaseInsensitive };
using TIndexOptions = TSet<TIndexOption>;

struct TIndexDef {
  std::string name;
  std::string fields;       // "A;B"
  TIndexOptions options;
  std::string descFields;   // fields sorted descending when the whole index is not
  std::string caseInsFields;
};

class TClientDataSet : public TDataSet {
  PELLOR_CLASS(TClientDataSet);

 public:
  explicit TClientDataSet(TComponent* owner);
  ~TClientDataSet() override;

  // ---- provider ----
  const std::string& ProviderName() const { return providerName_; }
  void SetProviderName(const std::string& name);
  // The connection to the application server: a TSocketConnection (opened
  // when needed) or any TCustomRemoteServer. Another kind of component is
  // refused.
  TComponent* RemoteServer() const { return remoteServer_.Get(); }
  void SetRemoteServer(TComponent* server);
  // Rows per packet: -1 all (the default), 0 definitions only.
  int PacketRecords() const { return packetRecords_; }
  void SetPacketRecords(int count);
  bool FetchOnDemand() const { return fetchOnDemand_; }
  void SetFetchOnDemand(bool on) { fetchOnDemand_ = on; }
  // Sends the provider an application-defined request and returns its answer
  // (DataRequest of provider.h); the dataset may be closed.
  Variant DataRequest(const Variant& data);
  // Fetches the next packet (PacketRecords rows; when that is not positive,
  // all outstanding rows in bounded pieces) and returns the number of rows
  // added; 0 when all were fetched. The cursor stays on its row.
  int GetNextPacket();
  // Fetches every outstanding row, in pieces of at most
  // max(PacketRecords, 1024) rows, so that no packet grows with the table.
  void FetchAll();
  bool AllFetched() const { return allFetched_; }
  // The provider's count of rows matching the query this dataset opened.
  int64_t ProviderRecordCount();

  // A dataset without a provider: the rows live only here. Uses FieldDefs,
  // or the data fields' types when FieldDefs is empty; opens the dataset.
  void CreateDataSet();
  // Removes every row and the change log (nothing is sent anywhere).
  void EmptyDataSet();
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  // When off, posts change the rows without logging (local tables).
  bool LogChanges() const { return logChanges_; }
  void SetLogChanges(bool on) { logChanges_ = on; }

  // ---- change log ----
  int ChangeCount() const { return static_cast<int>(changeLog_.size()); }
  TUpdateStatus UpdateStatus() const;
  Delta GetDelta() const;
  Variant DeltaPacket() const { return DeltaToVariant(GetDelta()); }
  // Drops every pending change; the pending edit is cancelled first.
  void CancelUpdates();
  // Undoes the pending change of the current row.
  void RevertRecord();
  // Takes every pending change as the rows' original state.
  void MergeChangeLog();
  // Posts a pending edit, sends the delta and reconciles refused rows;
  // returns the number of errors. With no changes nothing is sent.
  int ApplyUpdates(int maxErrors);
  TReconcileErrorEvent OnReconcileError;

  // ---- orders ----
  const std::string& IndexFieldNames() const { return indexFieldNames_; }
  void SetIndexFieldNames(const std::string& names);
  const std::string& IndexName() const { return indexName_; }
  // An empty name returns to the fetched order.
  void SetIndexName(const std::string& name);
  void AddIndex(const std::string& name, const std::string& fields, TIndexOptions options = {},
                const std::string& descFields = "", const std::string& caseInsFields = "");
  void DeleteIndex(const std::string& name);
  const std::vector<TIndexDef>& IndexDefs() const { return indexDefs_; }
  const TIndexDef* FindIndexDef(std::string_view name) const;

  // ---- aggregates ----
  bool AggregatesActive() const { return aggregatesActive_; }
  void SetAggregatesActive(bool active) { aggregatesActive_ = active; }

  bool CanModify() const override;

  // Bytes held by the rows and their bookkeeping, for memory figures.
  size_t MemoryUsage() const;

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  int InternalRowCount() const override { return static_cast<int>(View().size()); }
  bool InternalFetchMore(bool all) override;
  void InternalReadRow(int row, std::vector<Variant>& values) const override;
  Variant InternalReadColumn(int row, int column) const override;
  Variant InternalOldValue(int row, int column) const override;
  int InternalPost(int row, int insertBefore, const std::vector<Variant>& values) override;
  void InternalDelete(int row) override;
  int64_t InternalBookmark(int row) const override { return View().at(row); }
  int InternalFindBookmark(int64_t id) const override;
  bool InternalCanModify() const override { return !readOnly_; }
  Variant InternalAggregate(const std::string& function, int column) const override;

 private:
  enum Status : uint8_t { kUnmodified, kModified, kInserted, kDeleted, kGone };
  struct Slot {
    uint32_t current = RowStore::kNone;
    uint32_t original = RowStore::kNone;
    Status status = kUnmodified;
  };
  struct SortColumn {
    int column;
    bool descending;
    bool caseInsensitive;
  };

  static void DefineProperties(PropertyBuilder<TClientDataSet>& p);

  IProvider& Provider();
  void CloseProvider();
  // Fetches without telling anyone: the next packet, or everything left.
  int FetchRowsQuietly(bool all);
  int AddPacket(const Variant& rows);
  void AppendRow(const Variant& row);
  std::string EncodeRow(const std::vector<Variant>& values) const;
  const std::vector<uint32_t>& View() const { return sortColumns_.empty() ? natural_ : sorted_; }
  void LogChange(uint32_t slot);
  void UnlogChange(uint32_t slot);
  void MergeSlot(uint32_t slot);
  void RevertSlot(uint32_t slot);
  void SetSlotValues(uint32_t slot, const std::vector<Variant>& values);
  void RemoveFromViews(uint32_t slot);
  void RestoreToViews(uint32_t slot);
  std::string SortKey(uint32_t slot) const;
  void ApplyOrder();
  void PlaceSorted(uint32_t slot);
  void ChangeOrder(const std::string& fieldNames, const std::string& indexName);
  void ResolveOrder();
  std::vector<Variant> SlotValues(uint32_t slot, bool original) const;

  std::string providerName_;
  TComponentRef<TComponent> remoteServer_{this};
  int packetRecords_ = -1;
  bool fetchOnDemand_ = true;
  bool readOnly_ = false;
  bool logChanges_ = true;
  bool aggregatesActive_ = false;

  std::unique_ptr<IProvider> provider_;
  int64_t cursor_ = 0;
  bool allFetched_ = true;
  bool localData_ = false;  // CreateDataSet

  RowCodec codec_;
  RowStore store_;
  std::vector<Slot> slots_;
  std::vector<uint32_t> natural_;  // the fetched order, with inserts where they were made
  std::vector<uint32_t> sorted_;   // the view when an order is active
  std::vector<uint32_t> changeLog_;

  std::string indexFieldNames_;
  std::string indexName_;
  std::vector<TIndexDef> indexDefs_;
  std::vector<SortColumn> sortColumns_;
  std::vector<Variant> scratch_;
};

}  // namespace pellor

#endif  // PELLOR_DB_CLIENT_DATASET_H_
