// TDataSet: a cursor over rows, with states, events and fields.
//
// The program's data layer is written as reactions to dataset events: a new
// record is stamped in OnNewRecord, a post is stopped in BeforePost by the
// silent abort, the form follows the cursor in AfterScroll. The order in
// which these events fire is therefore part of the behaviour, and it is fixed
// here once; the storage behind the cursor (TClientDataSet) only supplies
// rows through the Internal* operations.
//
// States and the operations that move between them (the function that does
// the transition, in dataset.cc, in brackets):
//
//                      Open [Open]                     Edit [Edit]
//   +------------+ ---------------------> +----------+ ------------------> +--------+
//   | dsInactive |                        | dsBrowse |                     | dsEdit |
//   +------------+ <--------------------- +----------+ <------------------ +--------+
//                      Close [Close]        |  ^   ^   Post [Post] /
//                                           |  |   |   Cancel [Cancel] /
//              Insert, Append [BeginInsert] |  |   |   Delete [Delete] /
//              Edit on an empty dataset     |  |   |   navigation [CheckBrowseMode]
//                                           v  |   |
//                                      +----------+
//                                      | dsInsert | -- Post / Cancel / Delete /
//                                      +----------+    navigation [CheckBrowseMode]
//
//   dsCalcFields is a passing state: while OnCalcFields runs for a record
//   [CalculateFields], and it is not reported to data sources.
//   Close from dsEdit or dsInsert drops the pending record without events.
//   Navigation while editing posts a modified record and cancels an
//   unmodified one (a new record that only OnNewRecord filled counts as
//   unmodified).
//
// Event order of each operation (a handler that raises stops the operation
// where it stands; the silent abort EAbort does so without a message):
//
//   Open      BeforeOpen · rows fetched, fields bound · (browse) · AfterOpen ·
//             AfterScroll when not empty
//   Close     BeforeClose · (inactive) · AfterClose
//   Insert    [pending edit posted or cancelled] · BeforeInsert · BeforeScroll ·
//   Append      (insert) · OnNewRecord · AfterInsert · AfterScroll
//             A failing OnNewRecord returns to browse and passes the error on.
//   Edit      [pending edit posted or cancelled] · BeforeEdit · (edit) · AfterEdit
//   Post      data links write their pending text · BeforePost · required data
//             fields checked ("Field 'X' must have a value") · row stored ·
//             (browse) · AfterPost. OnPostError may retry or abort a failed store.
//   Cancel    BeforeCancel · [BeforeScroll for an insert] · (browse) ·
//             AfterCancel · [AfterScroll for an insert]
//   Delete    BeforeDelete · BeforeScroll · row removed · (browse) · AfterDelete ·
//             AfterScroll (a pending insert is cancelled instead)
//   First, Last, Next, Prior, MoveBy, RecNo, GotoBookmark, Locate
//             [pending edit posted or cancelled] · BeforeScroll · move ·
//             AfterScroll. BeforeScroll fires even at the end of the rows (a
//             handler may fetch more there); AfterScroll only when the cursor
//             could try to move (Next at Eof does nothing after BeforeScroll).
//   Field     see fields.h: OnSetText · conversion · OnValidate · store ·
//             calculated fields · OnChange · data links
//
// Data sources are told of every state change and every data change, unless
// the controls are disabled (DisableControls), after which EnableControls
// reports what was missed in one notification.
#ifndef PELLOR_DB_DATASET_H_
#define PELLOR_DB_DATASET_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/fields.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/variant.h"
#include "platform/ui/component.h"

namespace pellor {

class TDataSource;

enum TDataSetState : uint8_t { dsInactive, dsBrowse, dsEdit, dsInsert, dsCalcFields, dsOpening };
inline constexpr std::string_view kDataSetStateNames[] = {"dsInactive", "dsBrowse",     "dsEdit",
                                                          "dsInsert",   "dsCalcFields", "dsOpening"};
inline constexpr TEnumInfo kDataSetStateInfo{"TDataSetState", kDataSetStateNames};

// What a dataset tells its data sources.
enum TDataEvent : uint8_t {
  deFieldChange,      // info: the field
  deRecordChange,     // the current record was reloaded (Edit)
  deDataSetChange,    // rows or the current record changed
  deDataSetScroll,    // info: distance moved
  deLayoutChange,     // fields added, moved, shown or hidden
  deUpdateRecord,     // controls: write your pending text now (before Post)
  deUpdateState,      // the state changed
  deCheckBrowseMode,  // leaving edit or insert
  deFocusControl,     // info: the field whose control should take the focus
};

enum TDataAction : uint8_t { daFail, daAbort, daRetry };

enum TLocateOption : uint8_t { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;

using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
using TDataSetErrorEvent = std::function<void(TDataSet* dataSet, EDatabaseError& error, TDataAction& action)>;

// A row identity that survives sorting, fetching and other rows' inserts and
// deletes; invalid after the row itself is deleted or the dataset closed.
struct TBookmark {
  int64_t id = -1;
  bool Valid() const { return id >= 0; }
  bool operator==(const TBookmark& other) const = default;
};

// One column as the storage or the provider describes it.
struct TFieldDef {
  std::string name;
  TFieldType dataType = ftUnknown;
  int size = 0;        // bytes of a string, characters of a wide string, scale of a BCD
  bool required = false;
  int precision = 0;   // total digits of a BCD
};

class TFieldDefs {
 public:
  int Count() const { return static_cast<int>(defs_.size()); }
  const TFieldDef& operator[](int index) const { return defs_.at(index); }
  TFieldDef& operator[](int index) { return defs_.at(index); }
  TFieldDef& Add(std::string name, TFieldType type, int size = 0, bool required = false);
  // Index of the definition with that name (case ignored), or -1.
  int IndexOf(std::string_view name) const;
  const TFieldDef* Find(std::string_view name) const;
  void Clear() { defs_.clear(); }
  const std::vector<TFieldDef>& Items() const { return defs_; }

 private:
  std::vector<TFieldDef> defs_;
};

class TDataSet : public TComponent {
  PELLOR_CLASS(TDataSet);

 public:
  explicit TDataSet(TComponent* owner);
  // Closes without events, lets go of its fields and tells its data sources.
  ~TDataSet() override;

  // ---- open and close ----
  bool Active() const { return state_ != dsInactive && state_ != dsOpening; }
  void SetActive(bool active);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }

  // ---- fields ----
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField* Fields(int index) const { return fields_.at(index); }
  const std::vector<TField*>& FieldList() const { return fields_; }
  // Case ignored; FieldByName raises EDatabaseError "<dataset>: Field 'X' not found".
  TField* FindField(std::string_view fieldName) const;
  TField* FieldByName(std::string_view fieldName) const;
  std::vector<std::string> GetFieldNames() const;
  TFieldDefs& FieldDefs() { return fieldDefs_; }
  const TFieldDefs& FieldDefs() const { return fieldDefs_; }
  // Values of "A;B" as one value or an array; setting writes each field.
  Variant FieldValues(std::string_view fieldNames) const;
  void SetFieldValues(std::string_view fieldNames, const Variant& values);
  // Code page of the texts in this dataset's string fields (936 by default).
  int CodePage() const { return codePage_; }
  void SetCodePage(int codePage) { codePage_ = codePage; }

  // ---- navigation ----
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Returns the distance actually moved.
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const;
  // Rows in the cursor's view (the fetched rows); a pending insert is not
  // counted until posted.
  int RecordCount() const;
  // Position of the current row from 1; -1 when empty or inserting.
  int RecNo() const;
  void SetRecNo(int recNo);

  // ---- editing ----
  void Append();
  void Insert();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  // Leaves edit or insert: posts a modified record, cancels an unmodified one.
  void CheckBrowseMode();
  // Tells the data links to write what the user typed into the fields.
  void UpdateRecord();
  bool Modified() const { return modified_; }
  virtual bool CanModify() const;
  // Sets every field of the record being edited to null.
  void ClearFields();

  // ---- bookmarks ----
  TBookmark GetBookmark() const;
  // Raises EDatabaseError "Record not found" when the row is gone.
  void GotoBookmark(const TBookmark& bookmark);
  bool BookmarkValid(const TBookmark& bookmark) const;
  // <0, 0, >0 by the rows' positions in the current order (invalid first).
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;

  // ---- searching ----
  // Moves to the first row, in the current order, whose fields "A;B" hold the
  // values (one value, or an array of one per field). Texts compare as texts
  // (loCaseInsensitive ignores ASCII case, loPartialKey matches a prefix),
  // numbers as numbers, null only null. Fetches every outstanding row first
  // when the dataset fetches on demand. BeforeScroll fires in any case,
  // AfterScroll only when a row was found; not found leaves the cursor.
  bool Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options = {});
  // The value(s) of `resultFields` in the first matching row, without moving;
  // null when none matches.
  Variant Lookup(std::string_view keyFields, const Variant& keyValues, std::string_view resultFields);

  // ---- data sources ----
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }

  // ---- rows for grids ----
  // A grid shows the fetched rows plus the pending new record at its place.
  int BrowseRowCount() const;
  // The row of the current record among those, -1 when there is none.
  int BrowseActiveRow() const;
  // Runs `read` with the fields reading row `row` (0 .. BrowseRowCount-1),
  // calculated fields included, without moving the cursor or firing events.
  void WithBrowseRow(int row, const std::function<void()>& read);

  // ---- events ----
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent OnNewRecord, OnCalcFields;
  TDataSetErrorEvent OnPostError, OnDeleteError;

  // ---- used by fields ----
  Variant GetFieldValue(const TField& field) const;
  void SetFieldValue(TField& field, const Variant& value);
  Variant GetFieldOldValue(const TField& field) const;
  void DataEvent(TDataEvent event, const void* info = nullptr);
  // Raises EDatabaseError "<name>: Cannot perform this operation on a closed dataset".
  void CheckActive() const;
  // Raises "<name>: Dataset not in edit or insert mode".
  void CheckEditing() const;

 protected:
  // ---- the storage behind the cursor ----
  // InternalOpen fills FieldDefs, calls PrepareFields and loads the first
  // rows; InternalClose frees them.
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual int InternalRowCount() const = 0;
  // More rows wanted by navigation: the next packet, or all outstanding rows
  // when `all`; true when rows were added. Datasets that fetch only when told
  // to answer false.
  virtual bool InternalFetchMore(bool all) { return false; }
  virtual void InternalReadRow(int row, std::vector<Variant>& values) const = 0;
  virtual Variant InternalReadColumn(int row, int column) const = 0;
  virtual Variant InternalOldValue(int row, int column) const { return InternalReadColumn(row, column); }
  // Stores the record: `row` -1 for a new row, to be placed before view
  // position `insertBefore` (RecordCount() appends) unless an order places it.
  // Returns its view position.
  virtual int InternalPost(int row, int insertBefore, const std::vector<Variant>& values) = 0;
  virtual void InternalDelete(int row) = 0;
  virtual int64_t InternalBookmark(int row) const = 0;
  // View position of a bookmark id, -1 when the row is gone.
  virtual int InternalFindBookmark(int64_t id) const = 0;
  virtual bool InternalCanModify() const { return true; }
  // Value of an aggregate over all rows.
  virtual Variant InternalAggregate(const std::string& function, int column) const;

  // Creates the default fields (when the dataset has none) and binds each
  // data field to its column by name; raises for a data field without one.
  void PrepareFields();
  // The field that converts values of `column` (its bound field, or a
  // hidden one of the definition's type).
  const TField& ColumnField(int column) const { return *columnFields_.at(column); }
  int ColumnCount() const { return static_cast<int>(columnFields_.size()); }
  // After the storage changed the rows on its own (fetch, order, cancel of
  // updates): finds the current row again and tells the data sources.
  void Resync();
  bool HasCalcFields() const { return calcCount_ > 0; }
  // For the destructor of a storage class: closes without events while the
  // Internal* operations still exist.
  void DestroyClose();

  static void DefineProperties(PropertyBuilder<TDataSet>& p);

 private:
  friend class TField;
  friend class TDataSource;

  struct RecordBuffer {
    std::vector<Variant> values;
    std::vector<Variant> calc;
    int row = -1;  // view position loaded, -1 none
    bool loaded = false;
  };

  void Fire(const TDataSetNotifyEvent& event) {
    if (event) event(this);
  }
  void SetState(TDataSetState state);
  void CheckCanModify() const;
  void CheckRequiredFields();
  void BeginInsert(bool append);
  void OpenCursor();
  void CloseCursor();
  void UnbindFields();
  void RefreshPosition();
  void AddField(TField* field);
  void RemoveField(TField* field);
  void MoveField(TField* field, int index);
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);

  const RecordBuffer& ActiveBuffer() const;
  void LoadBuffer(RecordBuffer& buffer, int row) const;
  void CalculateFields(RecordBuffer& buffer) const;
  void InvalidateCurrent() const { current_.loaded = false; }
  void SetCurrent(int row);
  bool RowMatches(int row, const std::vector<TField*>& fields, const std::vector<Variant>& keys,
                  TLocateOptions options) const;
  int FindRow(std::string_view keyFields, const Variant& keyValues, TLocateOptions options,
              std::vector<TField*>* fieldsOut);
  Variant ComputeAggregate(const TAggregateField& field) const;
  int StorageRowOfBrowseRow(int row) const;

  TDataSetState state_ = dsInactive;
  std::vector<TField*> fields_;
  TFieldDefs fieldDefs_;
  std::vector<const TField*> columnFields_;
  std::vector<std::unique_ptr<TField>> hiddenColumnFields_;
  bool defaultFields_ = false;
  int calcCount_ = 0;
  int codePage_ = 936;

  int cur_ = -1;         // view position of the current row
  int64_t curId_ = -1;   // its bookmark id
  bool bof_ = true;
  bool eof_ = true;
  int insertPos_ = -1;   // view position of a pending insert
  int beforeInsert_ = -1;
  int64_t beforeInsertId_ = -1;
  bool modified_ = false;

  mutable RecordBuffer current_;
  RecordBuffer edit_;
  mutable const RecordBuffer* reading_ = nullptr;  // WithBrowseRow / calculating
  mutable RecordBuffer* calcTarget_ = nullptr;     // the record OnCalcFields fills

  int disableCount_ = 0;
  bool missedState_ = false;
  bool missedChange_ = false;
  std::vector<TDataSource*> dataSources_;
};

// Raises EDatabaseError with the dataset's name in front, the way the
// original platform reported dataset errors ("cdsMain: Field 'X' not found").
[[noreturn]] void DatabaseError(const std::string& message, const TComponent* component = nullptr);

}  // namespace pellor

#endif  // PELLOR_DB_DATASET_H_
