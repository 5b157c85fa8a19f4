#include "platform/db/dataset.h"

#include <algorithm>
#include <cmath>

#include "platform/db/data_source.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/strutils.h"

namespace pellor {

void DatabaseError(const std::string& message, const TComponent* component) {
  if (component != nullptr && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
  throw EDatabaseError(message);
}

namespace {

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

bool Editing(TDataSetState state) { return state == dsEdit || state == dsInsert; }

}  // namespace

// ---- TFieldDefs -------------------------------------------------------------------

TFieldDef& TFieldDefs::Add(std::string name, TFieldType type, int size, bool required) {
  TFieldDef def;
  def.name = std::move(name);
  def.dataType = type;
  def.size = size;
  def.required = required;
  defs_.push_back(std::move(def));
  return defs_.back();
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < defs_.size(); ++i)
    if (SameText(defs_[i].name, name)) return static_cast<int>(i);
  return -1;
}

const TFieldDef* TFieldDefs::Find(std::string_view name) const {
  int i = IndexOf(name);
  return i < 0 ? nullptr : &defs_[i];
}

// ---- TDataSet: construction and fields --------------------------------------------

PELLOR_DEFINE_CLASS(TDataSet, TComponent);

void TDataSet::DefineProperties(PropertyBuilder<TDataSet>& p) {
  p.Bool("Active", &TDataSet::Active, &TDataSet::SetActive)
      .Integer("CodePage", &TDataSet::CodePage, &TDataSet::SetCodePage)
      .Event("BeforeOpen", &TDataSet::BeforeOpen)
      .Event("AfterOpen", &TDataSet::AfterOpen)
      .Event("BeforeClose", &TDataSet::BeforeClose)
      .Event("AfterClose", &TDataSet::AfterClose)
      .Event("BeforeInsert", &TDataSet::BeforeInsert)
      .Event("AfterInsert", &TDataSet::AfterInsert)
      .Event("BeforeEdit", &TDataSet::BeforeEdit)
      .Event("AfterEdit", &TDataSet::AfterEdit)
      .Event("BeforePost", &TDataSet::BeforePost)
      .Event("AfterPost", &TDataSet::AfterPost)
      .Event("BeforeCancel", &TDataSet::BeforeCancel)
      .Event("AfterCancel", &TDataSet::AfterCancel)
      .Event("BeforeDelete", &TDataSet::BeforeDelete)
      .Event("AfterDelete", &TDataSet::AfterDelete)
      .Event("BeforeScroll", &TDataSet::BeforeScroll)
      .Event("AfterScroll", &TDataSet::AfterScroll)
      .Event("OnNewRecord", &TDataSet::OnNewRecord)
      .Event("OnCalcFields", &TDataSet::OnCalcFields)
      .Event("OnPostError", &TDataSet::OnPostError)
      .Event("OnDeleteError", &TDataSet::OnDeleteError);
}

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

TDataSet::~TDataSet() {
  MarkDestroying();
  // A storage class closes in its own destructor (DestroyClose); whatever is
  // left here is only bookkeeping.
  state_ = dsInactive;
  std::vector<TDataSource*> sources = dataSources_;
  dataSources_.clear();
  for (TDataSource* source : sources) source->DataSetGone(this);
  for (TField* field : fields_) {
    field->dataSet_ = nullptr;
    field->fieldNo_ = 0;
    field->calcSlot_ = -1;
  }
  fields_.clear();
  for (auto& hidden : hiddenColumnFields_) hidden->dataSet_ = nullptr;
}

void TDataSet::DestroyClose() {
  if (state_ == dsInactive) return;
  try {
    InternalClose();
  } catch (...) {
  }
  state_ = dsInactive;
  UnbindFields();
}

void TDataSet::AddField(TField* field) {
  fields_.push_back(field);
}

void TDataSet::RemoveField(TField* field) {
  auto it = std::find(fields_.begin(), fields_.end(), field);
  if (it == fields_.end()) return;
  fields_.erase(it);
  // A field freed while the dataset is open (its owner going first): its
  // column keeps converting through a hidden field of the same type.
  for (auto& column : columnFields_) {
    if (column != field) continue;
    std::unique_ptr<TField> hidden(CreateFieldOfType(field->DataType(), nullptr));
    hidden->SetFieldName(field->FieldName());
    hidden->size_ = field->Size();
    hidden->dataSet_ = this;
    column = hidden.get();
    hiddenColumnFields_.push_back(std::move(hidden));
  }
  if (Active() && !Destroying()) DataEvent(deLayoutChange);
}

void TDataSet::MoveField(TField* field, int index) {
  auto it = std::find(fields_.begin(), fields_.end(), field);
  if (it == fields_.end()) return;
  fields_.erase(it);
  index = std::clamp(index, 0, static_cast<int>(fields_.size()));
  fields_.insert(fields_.begin() + index, field);
  if (Active()) DataEvent(deLayoutChange);
}

TField* TDataSet::FindField(std::string_view fieldName) const {
  for (TField* field : fields_)
    if (SameText(field->FieldName(), fieldName)) return field;
  return nullptr;
}

TField* TDataSet::FieldByName(std::string_view fieldName) const {
  TField* field = FindField(fieldName);
  if (field == nullptr) DatabaseError("Field " + Quoted(std::string(fieldName)) + " not found", this);
  return field;
}

std::vector<std::string> TDataSet::GetFieldNames() const {
  std::vector<std::string> names;
  for (TField* field : fields_) names.push_back(field->FieldName());
  return names;
}

Variant TDataSet::FieldValues(std::string_view fieldNames) const {
  std::vector<std::string> names = SplitFieldNames(fieldNames);
  if (names.size() == 1) return FieldByName(names[0])->Value();
  Variant result = Variant::Array(static_cast<int>(names.size()) - 1);
  for (size_t i = 0; i < names.size(); ++i) result[static_cast<int>(i)] = FieldByName(names[i])->Value();
  return result;
}

void TDataSet::SetFieldValues(std::string_view fieldNames, const Variant& values) {
  std::vector<std::string> names = SplitFieldNames(fieldNames);
  if (names.size() == 1 && !values.IsArray()) {
    FieldByName(names[0])->SetValue(values);
    return;
  }
  if (!values.IsArray() || values.Count() != static_cast<int>(names.size())) {
    DatabaseError("The values do not match the fields " + Quoted(std::string(fieldNames)), this);
  }
  for (size_t i = 0; i < names.size(); ++i) FieldByName(names[i])->SetValue(values[static_cast<int>(i)]);
}

void TDataSet::PrepareFields() {
  defaultFields_ = fields_.empty();
  if (defaultFields_) {
    for (const TFieldDef& def : fieldDefs_.Items()) {
      TField* field = CreateFieldOfType(def.dataType, this);
      field->fieldName_ = def.name;
      if (def.size > 0 || IsStringFieldType(def.dataType)) field->size_ = def.size;
      if (auto* bcd = dynamic_cast<TBCDField*>(field); bcd != nullptr && def.precision > 0) bcd->SetPrecision(def.precision);
      field->required_ = def.required;
      field->dataSet_ = this;
      fields_.push_back(field);
    }
  }
  columnFields_.assign(fieldDefs_.Count(), nullptr);
  hiddenColumnFields_.clear();
  calcCount_ = 0;
  for (TField* field : fields_) {
    field->fieldNo_ = 0;
    field->calcSlot_ = -1;
    switch (field->FieldKind()) {
      case fkData: {
        int column = fieldDefs_.IndexOf(field->FieldName());
        if (column < 0) DatabaseError("Field " + Quoted(field->FieldName()) + " not found", this);
        field->fieldNo_ = column + 1;
        columnFields_[column] = field;
        break;
      }
      case fkCalculated:
      case fkInternalCalc:
      case fkLookup: field->calcSlot_ = calcCount_++; break;
      case fkAggregate: break;
    }
  }
  for (int i = 0; i < fieldDefs_.Count(); ++i) {
    if (columnFields_[i] != nullptr) continue;
    const TFieldDef& def = fieldDefs_[i];
    std::unique_ptr<TField> hidden(CreateFieldOfType(def.dataType, nullptr));
    hidden->fieldName_ = def.name;
    hidden->size_ = def.size;
    hidden->dataSet_ = this;
    columnFields_[i] = hidden.get();
    hiddenColumnFields_.push_back(std::move(hidden));
  }
}

void TDataSet::UnbindFields() {
  for (TField* field : fields_) {
    field->fieldNo_ = 0;
    field->calcSlot_ = -1;
  }
  for (auto& hidden : hiddenColumnFields_) hidden->dataSet_ = nullptr;
  hiddenColumnFields_.clear();
  columnFields_.clear();
  calcCount_ = 0;
  if (defaultFields_) {
    defaultFields_ = false;
    std::vector<TField*> own;
    for (TField* field : fields_)
      if (field->Owner() == this) own.push_back(field);
    for (TField* field : own) delete field;  // leaves fields_ through RemoveField
  }
  current_ = RecordBuffer();
  edit_ = RecordBuffer();
}

// ---- open and close ----------------------------------------------------------------

void TDataSet::SetActive(bool active) {
  if (active == Active()) return;
  if (active) {
    OpenCursor();
  } else {
    CloseCursor();
  }
}

void TDataSet::OpenCursor() {
  Fire(BeforeOpen);
  state_ = dsOpening;
  try {
    InternalOpen();
  } catch (...) {
    try {
      InternalClose();
    } catch (...) {
    }
    UnbindFields();
    state_ = dsInactive;
    throw;
  }
  int count = InternalRowCount();
  SetCurrent(count > 0 ? 0 : -1);
  bof_ = true;
  eof_ = count == 0;
  insertPos_ = -1;
  modified_ = false;
  SetState(dsBrowse);
  Fire(AfterOpen);
  if (!IsEmpty()) Fire(AfterScroll);
}

void TDataSet::CloseCursor() {
  Fire(BeforeClose);
  SetState(dsInactive);
  try {
    InternalClose();
  } catch (...) {
    UnbindFields();
    throw;
  }
  UnbindFields();
  cur_ = -1;
  curId_ = -1;
  bof_ = eof_ = true;
  insertPos_ = -1;
  modified_ = false;
  Fire(AfterClose);
}

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  DataEvent(deUpdateState);
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset", this);
}

void TDataSet::CheckEditing() const {
  if (!Editing(state_)) DatabaseError("Dataset not in edit or insert mode", this);
}

bool TDataSet::CanModify() const { return InternalCanModify(); }

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
}

// ---- record buffers -----------------------------------------------------------------

void TDataSet::SetCurrent(int row) {
  cur_ = row;
  curId_ = row >= 0 ? InternalBookmark(row) : -1;
  InvalidateCurrent();
}

void TDataSet::RefreshPosition() {
  if (curId_ < 0) return;
  if (cur_ >= 0 && cur_ < InternalRowCount() && InternalBookmark(cur_) == curId_) return;
  int pos = InternalFindBookmark(curId_);
  if (pos >= 0 && pos != cur_) {
    cur_ = pos;
    InvalidateCurrent();
  }
}

void TDataSet::Resync() {
  if (!Active()) return;
  int count = InternalRowCount();
  bool wasEmpty = cur_ < 0;
  int pos = -1;
  if (curId_ >= 0) {
    pos = cur_ >= 0 && cur_ < count && InternalBookmark(cur_) == curId_ ? cur_ : InternalFindBookmark(curId_);
  }
  if (pos < 0 && state_ != dsInsert) {
    pos = count == 0 ? -1 : std::clamp(cur_, 0, count - 1);
    SetCurrent(pos);
  } else {
    cur_ = pos;
    InvalidateCurrent();
  }
  if (count == 0) {
    bof_ = eof_ = true;
  } else if (wasEmpty && state_ != dsInsert) {
    bof_ = true;
    eof_ = false;
  } else if (cur_ < count - 1) {
    eof_ = false;  // rows arrived after the current one
  }
  DataEvent(deDataSetChange);
}

const TDataSet::RecordBuffer& TDataSet::ActiveBuffer() const {
  if (reading_ != nullptr) return *reading_;
  if (Editing(state_)) return edit_;
  if (!current_.loaded) const_cast<TDataSet*>(this)->LoadBuffer(current_, cur_);
  return current_;
}

void TDataSet::LoadBuffer(RecordBuffer& buffer, int row) const {
  buffer.row = row;
  if (row >= 0) {
    InternalReadRow(row, buffer.values);
  } else {
    buffer.values.assign(ColumnCount(), Variant::Null());
  }
  buffer.calc.assign(calcCount_, Variant::Null());
  buffer.loaded = true;
  if (calcCount_ > 0) CalculateFields(buffer);
}

void TDataSet::CalculateFields(RecordBuffer& buffer) const {
  auto* self = const_cast<TDataSet*>(this);
  const RecordBuffer* savedReading = reading_;
  RecordBuffer* savedTarget = calcTarget_;
  TDataSetState savedState = state_;
  reading_ = &buffer;
  calcTarget_ = &buffer;
  self->state_ = dsCalcFields;
  auto restore = [&] {
    reading_ = savedReading;
    calcTarget_ = savedTarget;
    self->state_ = savedState;
  };
  try {
    std::fill(buffer.calc.begin(), buffer.calc.end(), Variant::Null());
    for (TField* field : fields_) {
      if (field->FieldKind() != fkLookup || field->LookupDataSet() == nullptr || field->calcSlot_ < 0) continue;
      TDataSet* lookup = field->LookupDataSet();
      if (!lookup->Active()) continue;
      try {
        Variant keys = FieldValues(field->KeyFields());
        buffer.calc[field->calcSlot_] = lookup->Lookup(field->LookupKeyFields(), keys, field->LookupResultField());
      } catch (const EDatabaseError&) {
        // A look-up that cannot be resolved shows nothing, as a missing key does.
      }
    }
    if (OnCalcFields) OnCalcFields(self);
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

Variant TDataSet::GetFieldValue(const TField& field) const {
  if (field.validating_) return field.validatingValue_;
  CheckActive();
  if (field.FieldKind() == fkAggregate) return ComputeAggregate(static_cast<const TAggregateField&>(field));
  const RecordBuffer& buffer = ActiveBuffer();
  if (field.fieldKind_ != fkData) {
    if (field.calcSlot_ < 0 || field.calcSlot_ >= static_cast<int>(buffer.calc.size())) return Variant::Null();
    return buffer.calc[field.calcSlot_];
  }
  int column = field.fieldNo_ - 1;
  if (column < 0) DatabaseError("Field " + Quoted(field.FieldName()) + " is not bound to a column", this);
  if (column >= static_cast<int>(buffer.values.size())) return Variant::Null();
  return buffer.values[column];
}

Variant TDataSet::GetFieldOldValue(const TField& field) const {
  CheckActive();
  if (field.fieldKind_ != fkData) return GetFieldValue(field);
  int column = field.fieldNo_ - 1;
  if (column < 0 || state_ == dsInsert || cur_ < 0) return Variant::Null();
  return InternalOldValue(cur_, column);
}

void TDataSet::SetFieldValue(TField& field, const Variant& value) {
  CheckActive();
  if (field.fieldKind_ == fkAggregate) DatabaseError("Field " + Quoted(field.DisplayName()) + " cannot be modified", this);
  if (field.fieldKind_ != fkData) {
    int slot = field.calcSlot_;
    if (slot < 0) DatabaseError("Field " + Quoted(field.FieldName()) + " is not bound", this);
    if (state_ == dsCalcFields) {
      calcTarget_->calc[slot] = value;
      return;
    }
    CheckEditing();
    edit_.calc[slot] = value;
    if (field.OnChange) field.OnChange(&field);
    DataEvent(deFieldChange, &field);
    return;
  }
  int column = field.fieldNo_ - 1;
  if (column < 0) DatabaseError("Field " + Quoted(field.FieldName()) + " is not bound to a column", this);
  CheckEditing();
  if (field.ReadOnly()) DatabaseError("Field " + Quoted(field.DisplayName()) + " cannot be modified", this);
  if (field.OnValidate) {
    field.validating_ = true;
    field.validatingValue_ = value;
    try {
      field.OnValidate(&field);
    } catch (...) {
      field.validating_ = false;
      field.validatingValue_ = Variant();
      throw;
    }
    field.validating_ = false;
    field.validatingValue_ = Variant();
  }
  edit_.values[column] = value;
  modified_ = true;
  if (calcCount_ > 0) CalculateFields(edit_);
  if (field.OnChange) field.OnChange(&field);
  DataEvent(deFieldChange, &field);
}

// ---- navigation ------------------------------------------------------------------------

bool TDataSet::IsEmpty() const { return !Active() || (InternalRowCount() == 0 && state_ != dsInsert); }

int TDataSet::RecordCount() const {
  CheckActive();
  return InternalRowCount();
}

int TDataSet::RecNo() const {
  CheckActive();
  if (state_ == dsInsert || cur_ < 0) return -1;
  return cur_ + 1;
}

void TDataSet::First() {
  CheckBrowseMode();
  Fire(BeforeScroll);
  int count = InternalRowCount();
  SetCurrent(count > 0 ? 0 : -1);
  bof_ = true;
  eof_ = count == 0;
  DataEvent(deDataSetChange);
  Fire(AfterScroll);
}

void TDataSet::Last() {
  CheckBrowseMode();
  Fire(BeforeScroll);
  InternalFetchMore(true);
  int count = InternalRowCount();
  SetCurrent(count - 1);
  eof_ = true;
  bof_ = count == 0;
  DataEvent(deDataSetChange);
  Fire(AfterScroll);
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  Fire(BeforeScroll);
  // The handler may have fetched rows; an order may have moved ours.
  RefreshPosition();
  if (!((distance > 0 && !eof_) || (distance < 0 && !bof_))) return 0;
  bof_ = eof_ = false;
  int moved = 0;
  int pos = cur_;
  while (distance > 0) {
    if (pos + 1 >= InternalRowCount()) {
      if (!InternalFetchMore(false)) {
        eof_ = true;
        break;
      }
      // Fetching into an ordered view may move the current row.
      if (curId_ >= 0) pos = InternalFindBookmark(curId_) + moved;
      if (pos + 1 >= InternalRowCount()) {
        eof_ = true;
        break;
      }
    }
    ++pos;
    ++moved;
    --distance;
  }
  while (distance < 0) {
    if (pos <= 0) {
      bof_ = true;
      break;
    }
    --pos;
    --moved;
    ++distance;
  }
  if (InternalRowCount() == 0) {
    bof_ = eof_ = true;
    pos = -1;
  }
  SetCurrent(pos);
  DataEvent(deDataSetScroll, &moved);
  Fire(AfterScroll);
  return moved;
}

void TDataSet::SetRecNo(int recNo) {
  CheckBrowseMode();
  int count = InternalRowCount();
  if (recNo < 1 || recNo > count || recNo - 1 == cur_) return;
  Fire(BeforeScroll);
  RefreshPosition();
  SetCurrent(std::min(recNo, InternalRowCount()) - 1);
  bof_ = eof_ = false;
  DataEvent(deDataSetChange);
  Fire(AfterScroll);
}

// ---- editing -------------------------------------------------------------------------------

void TDataSet::Edit() {
  if (Editing(state_)) return;
  CheckActive();
  if (InternalRowCount() == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeEdit);
  edit_ = ActiveBuffer();
  modified_ = false;
  SetState(dsEdit);
  DataEvent(deRecordChange);
  Fire(AfterEdit);
}

void TDataSet::Append() { BeginInsert(true); }
void TDataSet::Insert() { BeginInsert(false); }

void TDataSet::BeginInsert(bool append) {
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeInsert);
  Fire(BeforeScroll);
  RefreshPosition();
  beforeInsert_ = cur_;
  beforeInsertId_ = curId_;
  int count = InternalRowCount();
  insertPos_ = append ? count : (cur_ < 0 ? 0 : cur_);
  edit_ = RecordBuffer();
  edit_.values.assign(ColumnCount(), Variant::Null());
  edit_.calc.assign(calcCount_, Variant::Null());
  edit_.loaded = true;
  modified_ = false;
  bof_ = eof_ = false;
  SetState(dsInsert);
  try {
    if (calcCount_ > 0) CalculateFields(edit_);
    Fire(OnNewRecord);
  } catch (...) {
    insertPos_ = -1;
    SetState(dsBrowse);
    int pos = beforeInsertId_ >= 0 ? InternalFindBookmark(beforeInsertId_) : -1;
    SetCurrent(pos);
    if (InternalRowCount() == 0) bof_ = eof_ = true;
    DataEvent(deDataSetChange);
    throw;
  }
  // What OnNewRecord filled in is not the user's change: leaving the record
  // untouched cancels it.
  modified_ = false;
  DataEvent(deDataSetChange);
  Fire(AfterInsert);
  Fire(AfterScroll);
}

void TDataSet::UpdateRecord() {
  CheckEditing();
  DataEvent(deUpdateRecord);
}

void TDataSet::CheckRequiredFields() {
  for (TField* field : fields_) {
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
      field->FocusControl();
      DatabaseError("Field " + Quoted(field->DisplayName()) + " must have a value");
    }
  }
}

void TDataSet::Post() {
  CheckActive();
  UpdateRecord();
  DataEvent(deCheckBrowseMode);
  Fire(BeforePost);
  RefreshPosition();  // the handler may have fetched rows into an ordered view
  int pos;
  for (;;) {
    try {
      CheckRequiredFields();
      pos = InternalPost(state_ == dsEdit ? cur_ : -1, insertPos_, edit_.values);
      break;
    } catch (EDatabaseError& error) {
      TDataAction action = daFail;
      if (OnPostError) OnPostError(this, error, action);
      if (action == daFail) throw;
      if (action == daAbort) throw EAbort();
    }
  }
  insertPos_ = -1;
  SetCurrent(pos);
  bof_ = eof_ = false;
  modified_ = false;
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  Fire(AfterPost);
}

void TDataSet::Cancel() {
  if (!Editing(state_)) return;
  DataEvent(deCheckBrowseMode);
  Fire(BeforeCancel);
  bool wasInsert = state_ == dsInsert;
  if (wasInsert) Fire(BeforeScroll);
  if (wasInsert) {
    insertPos_ = -1;
    SetCurrent(beforeInsertId_ >= 0 ? InternalFindBookmark(beforeInsertId_) : -1);
    if (cur_ < 0 && InternalRowCount() > 0) SetCurrent(0);
    bool empty = InternalRowCount() == 0;
    bof_ = eof_ = empty;
  } else {
    RefreshPosition();
    InvalidateCurrent();
  }
  modified_ = false;
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  Fire(AfterCancel);
  if (wasInsert) Fire(AfterScroll);
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert) {
    Cancel();
    return;
  }
  if (InternalRowCount() == 0) DatabaseError("Cannot perform this operation on an empty dataset", this);
  CheckCanModify();
  DataEvent(deCheckBrowseMode);
  Fire(BeforeDelete);
  Fire(BeforeScroll);
  RefreshPosition();
  for (;;) {
    try {
      InternalDelete(cur_);
      break;
    } catch (EDatabaseError& error) {
      TDataAction action = daFail;
      if (OnDeleteError) OnDeleteError(this, error, action);
      if (action == daFail) throw;
      if (action == daAbort) throw EAbort();
    }
  }
  int count = InternalRowCount();
  SetCurrent(count == 0 ? -1 : std::min(cur_, count - 1));
  bof_ = count == 0;
  eof_ = count == 0;
  modified_ = false;
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  Fire(AfterDelete);
  Fire(AfterScroll);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  if (Editing(state_)) {
    UpdateRecord();
    if (modified_) {
      Post();
    } else {
      Cancel();
    }
  }
}

void TDataSet::ClearFields() {
  CheckEditing();
  for (Variant& value : edit_.values) value = Variant::Null();
  modified_ = true;
  if (calcCount_ > 0) CalculateFields(edit_);
  DataEvent(deRecordChange);
}

// ---- bookmarks -------------------------------------------------------------------------------

TBookmark TDataSet::GetBookmark() const {
  if (!Active() || cur_ < 0 || state_ == dsInsert) return {};
  return TBookmark{curId_};
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const {
  return Active() && bookmark.Valid() && InternalFindBookmark(bookmark.id) >= 0;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  CheckBrowseMode();
  if (!BookmarkValid(bookmark)) DatabaseError("Record not found", this);
  Fire(BeforeScroll);
  int pos = InternalFindBookmark(bookmark.id);
  if (pos < 0) DatabaseError("Record not found", this);
  SetCurrent(pos);
  bof_ = eof_ = false;
  DataEvent(deDataSetChange);
  Fire(AfterScroll);
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  int pa = a.Valid() && Active() ? InternalFindBookmark(a.id) : -1;
  int pb = b.Valid() && Active() ? InternalFindBookmark(b.id) : -1;
  return pa < pb ? -1 : pa > pb ? 1 : 0;
}

// ---- searching ---------------------------------------------------------------------------------

namespace {

std::string TextOf(const Variant& v, int codePage) {
  if (v.Type() == VarType::kString) return v.RawString();
  if (v.Type() == VarType::kWideString) return WideToAnsi(v.RawWideString(), codePage);
  return v.AsString();
}

bool MatchValue(const TField& field, const Variant& value, const Variant& key, TLocateOptions options,
                int codePage) {
  if (key.IsBlank()) return value.IsBlank();
  if (value.IsBlank()) return false;
  try {
    if (value.IsText()) {
      std::string a = TextOf(value, codePage);
      std::string b = key.IsText() ? TextOf(key, codePage) : key.AsString();
      if (field.DataType() == ftFixedChar) {
        a = TrimRight(a);
        b = TrimRight(b);
      }
      if (options.Contains(loPartialKey)) {
        if (b.size() > a.size()) return false;
        a.resize(b.size());
      }
      return options.Contains(loCaseInsensitive) ? SameText(a, b) : a == b;
    }
    if (value.Type() == VarType::kBoolean) {
      if (key.IsText()) {
        std::string t = Trim(TextOf(key, codePage));
        if (t.empty()) return false;
        char c = static_cast<char>(t[0] & ~0x20);
        return value.AsBoolean() == (c == 'T' || c == 'Y' || (c >= '1' && c <= '9'));
      }
      return value.AsBoolean() == key.AsBoolean();
    }
    if (value.Type() == VarType::kInteger && key.Type() == VarType::kInteger) return value.AsInt64() == key.AsInt64();
    if (value.IsNumeric() || value.Type() == VarType::kDate) {
      double a = value.Type() == VarType::kDate ? value.AsDate() : value.AsFloat();
      double b;
      if (key.IsText()) {
        auto parsed = TryStrToFloat(Trim(TextOf(key, codePage)));
        if (!parsed) return false;
        b = *parsed;
      } else {
        b = key.Type() == VarType::kDate ? key.AsDate() : key.AsFloat();
      }
      return a == b;
    }
    return value == key;
  } catch (const Exception&) {
    return false;  // a key of a kind the field cannot compare with matches nothing
  }
}

}  // namespace

bool TDataSet::RowMatches(int row, const std::vector<TField*>& fields, const std::vector<Variant>& keys,
                          TLocateOptions options) const {
  bool needBuffer = std::any_of(fields.begin(), fields.end(), [](TField* f) { return f->FieldKind() != fkData; });
  RecordBuffer buffer;
  if (needBuffer) LoadBuffer(buffer, row);
  for (size_t i = 0; i < fields.size(); ++i) {
    const TField& field = *fields[i];
    Variant value;
    if (field.FieldKind() == fkData) {
      value = InternalReadColumn(row, field.fieldNo_ - 1);
    } else if (field.FieldKind() == fkAggregate) {
      value = ComputeAggregate(static_cast<const TAggregateField&>(field));
    } else {
      value = buffer.calc[field.calcSlot_];
    }
    if (!MatchValue(field, value, keys[i], options, codePage_)) return false;
  }
  return true;
}

int TDataSet::FindRow(std::string_view keyFields, const Variant& keyValues, TLocateOptions options,
                      std::vector<TField*>* fieldsOut) {
  std::vector<std::string> names = SplitFieldNames(keyFields);
  if (names.empty()) DatabaseError("No key fields given", this);
  std::vector<TField*> fields;
  for (const std::string& name : names) fields.push_back(FieldByName(name));
  std::vector<Variant> keys;
  if (names.size() == 1) {
    keys.push_back(keyValues.IsArray() && keyValues.Dims() == 1 && keyValues.Count() == 1 ? keyValues[0] : keyValues);
  } else {
    if (!keyValues.IsArray() || keyValues.Dims() != 1 || keyValues.Count() != static_cast<int>(names.size())) {
      DatabaseError("The key values do not match the key fields " + Quoted(std::string(keyFields)), this);
    }
    keys = keyValues.Elements();
  }
  if (fieldsOut != nullptr) *fieldsOut = fields;
  int count = InternalRowCount();
  for (int row = 0; row < count; ++row)
    if (RowMatches(row, fields, keys, options)) return row;
  return -1;
}

bool TDataSet::Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  Fire(BeforeScroll);
  InternalFetchMore(true);
  RefreshPosition();
  int row = FindRow(keyFields, keyValues, options, nullptr);
  if (row < 0) return false;
  SetCurrent(row);
  bof_ = eof_ = false;
  DataEvent(deDataSetChange);
  Fire(AfterScroll);
  return true;
}

Variant TDataSet::Lookup(std::string_view keyFields, const Variant& keyValues, std::string_view resultFields) {
  CheckActive();
  if (!Editing(state_)) {
    InternalFetchMore(true);
    RefreshPosition();
  }
  int row = FindRow(keyFields, keyValues, {}, nullptr);
  if (row < 0) return Variant::Null();
  std::vector<std::string> names = SplitFieldNames(resultFields);
  std::vector<TField*> fields;
  for (const std::string& name : names) fields.push_back(FieldByName(name));
  RecordBuffer buffer;
  LoadBuffer(buffer, row);
  const RecordBuffer* saved = reading_;
  reading_ = &buffer;
  Variant result;
  try {
    if (fields.size() == 1) {
      result = fields[0]->Value();
    } else {
      result = Variant::Array(static_cast<int>(fields.size()) - 1);
      for (size_t i = 0; i < fields.size(); ++i) result[static_cast<int>(i)] = fields[i]->Value();
    }
  } catch (...) {
    reading_ = saved;
    throw;
  }
  reading_ = saved;
  return result;
}

// ---- aggregates ----------------------------------------------------------------------------------

Variant TDataSet::InternalAggregate(const std::string& function, int column) const { return Variant::Null(); }

Variant TDataSet::ComputeAggregate(const TAggregateField& field) const {
  if (!field.Active()) return Variant::Null();
  std::string expr = Trim(field.Expression());
  size_t open = expr.find('(');
  size_t close = expr.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return Variant::Null();
  std::string function = UpperCase(Trim(expr.substr(0, open)));
  std::string argument = Trim(expr.substr(open + 1, close - open - 1));
  int column = -1;
  if (argument != "*") {
    TField* target = FindField(argument);
    if (target == nullptr || target->FieldKind() != fkData || target->FieldNo() <= 0) return Variant::Null();
    column = target->FieldNo() - 1;
  } else if (function != "COUNT") {
    return Variant::Null();
  }
  return InternalAggregate(function, column);
}

// ---- data sources ---------------------------------------------------------------------------------

void TDataSet::AddDataSource(TDataSource* source) {
  if (std::find(dataSources_.begin(), dataSources_.end(), source) == dataSources_.end()) {
    dataSources_.push_back(source);
  }
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source), dataSources_.end());
}

void TDataSet::DataEvent(TDataEvent event, const void* info) {
  if (disableCount_ > 0 && event != deUpdateRecord && event != deFocusControl && event != deCheckBrowseMode) {
    if (event == deUpdateState) {
      missedState_ = true;
    } else {
      missedChange_ = true;
    }
    return;
  }
  std::vector<TDataSource*> sources = dataSources_;
  for (TDataSource* source : sources) {
    if (std::find(dataSources_.begin(), dataSources_.end(), source) == dataSources_.end()) continue;
    source->DataEvent(event, info);
  }
}

void TDataSet::DisableControls() { ++disableCount_; }

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ > 0) return;
  bool state = missedState_;
  missedState_ = missedChange_ = false;
  if (state) DataEvent(deUpdateState);
  if (Active()) DataEvent(deDataSetChange);
}

// ---- rows for grids ----------------------------------------------------------------------------------

int TDataSet::BrowseRowCount() const {
  if (!Active()) return 0;
  return InternalRowCount() + (state_ == dsInsert ? 1 : 0);
}

int TDataSet::BrowseActiveRow() const {
  if (!Active()) return -1;
  return state_ == dsInsert ? insertPos_ : cur_;
}

int TDataSet::StorageRowOfBrowseRow(int row) const {
  if (state_ != dsInsert) return row;
  if (row == insertPos_) return -2;
  return row > insertPos_ ? row - 1 : row;
}

void TDataSet::WithBrowseRow(int row, const std::function<void()>& read) {
  CheckActive();
  if (row < 0 || row >= BrowseRowCount()) DatabaseError("Row " + IntToStr(row) + " out of range", this);
  int storage = StorageRowOfBrowseRow(row);
  RecordBuffer temp;
  const RecordBuffer* buffer;
  if (storage == -2 || (storage == cur_ && state_ == dsEdit)) {
    buffer = &edit_;
  } else if (storage == cur_ && state_ == dsBrowse) {
    buffer = &ActiveBuffer();
  } else {
    LoadBuffer(temp, storage);
    buffer = &temp;
  }
  const RecordBuffer* saved = reading_;
  reading_ = buffer;
  try {
    read();
  } catch (...) {
    reading_ = saved;
    throw;
  }
  reading_ = saved;
}

}  // namespace pellor
