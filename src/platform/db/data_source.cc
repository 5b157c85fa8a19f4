#include "platform/db/data_source.h"

#include <algorithm>

namespace pellor {

namespace {

bool StateIsEditing(TDataSetState state) { return state == dsEdit || state == dsInsert; }

template <class F>
void ForEachLink(const std::vector<TDataLink*>& live, F&& f) {
  // A link may unlink itself or others while being told.
  std::vector<TDataLink*> copy = live;
  for (TDataLink* link : copy) {
    if (std::find(live.begin(), live.end(), link) == live.end()) continue;
    f(link);
  }
}

}  // namespace

// ---- TDataSource ----------------------------------------------------------------

PELLOR_DEFINE_CLASS(TDataSource, TComponent);

void TDataSource::DefineProperties(PropertyBuilder<TDataSource>& p) {
  p.Reference("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet)
      .Bool("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled)
      .Bool("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit)
      .Event("OnStateChange", &TDataSource::OnStateChange)
      .Event("OnDataChange", &TDataSource::OnDataChange)
      .Event("OnUpdateData", &TDataSource::OnUpdateData);
}

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  MarkDestroying();
  if (TDataSet* dataSet = DataSet()) dataSet->RemoveDataSource(this);
  dataSet_.Set(nullptr);
  std::vector<TDataLink*> links = links_;
  links_.clear();
  for (TDataLink* link : links) {
    link->dataSource_ = nullptr;
    link->StateChanged();
  }
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == DataSet()) return;
  if (TDataSet* old = DataSet()) old->RemoveDataSource(this);
  dataSet_.Set(dataSet);
  if (DataSet() != nullptr) DataSet()->AddDataSource(this);
  lastState_ = State();
  NotifyLinksActive();
}

void TDataSource::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  lastState_ = State();
  NotifyLinksActive();
}

TDataSetState TDataSource::State() const {
  TDataSet* dataSet = DataSet();
  return dataSet != nullptr && enabled_ ? dataSet->State() : dsInactive;
}

void TDataSource::Edit() {
  TDataSet* dataSet = DataSet();
  if (autoEdit_ && State() == dsBrowse) dataSet->Edit();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && DataSet() == nullptr && !Destroying()) NotifyLinksActive();
}

void TDataSource::DataSetGone(TDataSet* dataSet) {
  if (DataSet() != dataSet) return;
  dataSet_.Set(nullptr);
  lastState_ = dsInactive;
  NotifyLinksActive();
}

void TDataSource::NotifyLinksActive() {
  ForEachLink(links_, [](TDataLink* link) { link->StateChanged(); });
}

void TDataSource::AddLink(TDataLink* link) {
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TDataSource::RemoveLink(TDataLink* link) { links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end()); }

void TDataSource::DataEvent(TDataEvent event, const void* info) {
  if (!enabled_) return;
  switch (event) {
    case deUpdateState: {
      TDataSetState state = State();
      if (state == lastState_) return;
      lastState_ = state;
      NotifyLinksActive();
      if (OnStateChange) OnStateChange(this);
      return;
    }
    case deFieldChange:
    case deRecordChange: {
      auto* field = const_cast<TField*>(static_cast<const TField*>(info));
      ForEachLink(links_, [field](TDataLink* link) { link->RecordChanged(field); });
      if (OnDataChange) OnDataChange(this, field);
      return;
    }
    case deDataSetChange:
      ForEachLink(links_, [](TDataLink* link) { link->DataSetChanged(); });
      if (OnDataChange) OnDataChange(this, nullptr);
      return;
    case deDataSetScroll: {
      int distance = info != nullptr ? *static_cast<const int*>(info) : 0;
      ForEachLink(links_, [distance](TDataLink* link) { link->DataSetScrolled(distance); });
      if (OnDataChange) OnDataChange(this, nullptr);
      return;
    }
    case deLayoutChange:
      ForEachLink(links_, [](TDataLink* link) { link->LayoutChanged(); });
      if (OnDataChange) OnDataChange(this, nullptr);
      return;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      ForEachLink(links_, [](TDataLink* link) {
        if (!link->updating_) link->UpdateData();
      });
      return;
    case deCheckBrowseMode:
      ForEachLink(links_, [](TDataLink* link) { link->CheckBrowseMode(); });
      return;
    case deFocusControl: {
      auto* field = const_cast<TField*>(static_cast<const TField*>(info));
      bool handled = false;
      std::vector<TDataLink*> copy = links_;
      for (TDataLink* link : copy) {
        if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
        link->FocusControl(field, handled);
        if (handled) break;
      }
      return;
    }
  }
}

// ---- TDataLink ----------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  if (dataSource_ != nullptr) dataSource_->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == dataSource_) return;
  if (dataSource_ != nullptr) dataSource_->RemoveLink(this);
  dataSource_ = source;
  if (dataSource_ != nullptr) dataSource_->AddLink(this);
  // Another source is another dataset: tell the link even when both are open.
  bool wasActive = active_;
  active_ = false;
  editing_ = false;
  if (wasActive && !Active()) {
    ActiveChanged();
    EditingChanged();
    return;
  }
  StateChanged();
}

TDataSet* TDataLink::DataSet() const { return dataSource_ != nullptr ? dataSource_->DataSet() : nullptr; }

bool TDataLink::Active() const { return dataSource_ != nullptr && dataSource_->State() != dsInactive; }

bool TDataLink::Editing() const { return Active() && !readOnly_ && StateIsEditing(dataSource_->State()); }

void TDataLink::SetReadOnly(bool readOnly) {
  if (readOnly == readOnly_) return;
  readOnly_ = readOnly;
  StateChanged();
}

void TDataLink::StateChanged() {
  bool active = Active();
  if (active != active_) {
    active_ = active;
    ActiveChanged();
  }
  bool editing = Editing();
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

bool TDataLink::Edit() {
  if (!readOnly_ && dataSource_ != nullptr) dataSource_->Edit();
  return Editing();
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

// ---- TNotifyDataLink ----------------------------------------------------------------------

void TNotifyDataLink::ActiveChanged() {
  if (OnActiveChanged) OnActiveChanged();
}
void TNotifyDataLink::EditingChanged() {
  if (OnEditingChanged) OnEditingChanged();
}
void TNotifyDataLink::DataSetChanged() {
  if (OnDataSetChanged) OnDataSetChanged();
}
void TNotifyDataLink::DataSetScrolled(int distance) {
  if (OnDataSetScrolled) {
    OnDataSetScrolled(distance);
  } else {
    DataSetChanged();
  }
}
void TNotifyDataLink::LayoutChanged() {
  if (OnLayoutChanged) {
    OnLayoutChanged();
  } else {
    DataSetChanged();
  }
}
void TNotifyDataLink::RecordChanged(TField* field) {
  if (OnRecordChanged) OnRecordChanged(field);
}
void TNotifyDataLink::UpdateData() {
  if (OnUpdateData) OnUpdateData();
}
void TNotifyDataLink::CheckBrowseMode() {
  if (OnCheckBrowseMode) OnCheckBrowseMode();
}
void TNotifyDataLink::FocusControl(TField* field, bool& handled) {
  if (OnFocusControl && OnFocusControl(field)) handled = true;
}

// ---- TFieldDataLink ------------------------------------------------------------------------

void TFieldDataLink::SetFieldName(const std::string& name) {
  if (name == fieldName_) return;
  fieldName_ = name;
  UpdateField();
}

void TFieldDataLink::UpdateField() {
  TField* field = nullptr;
  if (Active() && !fieldName_.empty()) field = DataSet()->FindField(fieldName_);
  if (field != field_) {
    field_ = field;
    modified_ = false;
    if (OnEditingChange) OnEditingChange();
  }
  RecordChanged(nullptr);
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && field_ != nullptr && field_->CanModify(); }

bool TFieldDataLink::Edit() {
  if (CanModify()) TDataLink::Edit();
  return Editing();
}

void TFieldDataLink::Reset() { RecordChanged(nullptr); }

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::EditingChanged() {
  if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* field) {
  if (field != nullptr && field != field_) return;
  modified_ = false;
  if (OnDataChange) OnDataChange();
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (field_ != nullptr && OnUpdateData) OnUpdateData();
  modified_ = false;
}

void TFieldDataLink::FocusControl(TField* field, bool& handled) {
  if (field != nullptr && field == field_ && OnFocusControl && OnFocusControl()) handled = true;
}

// ---- TDBFieldControl ---------------------------------------------------------------------------

std::string TDBFieldControl::FieldText() const {
  TField* field = Field();
  if (field == nullptr) return "";
  TDataSet* dataSet = field->DataSet();
  if (dataSet != nullptr && StateIsEditing(dataSet->State())) return field->Text();
  return field->DisplayText();
}

std::string TDBFieldControl::FieldEditMask() const {
  TField* field = Field();
  return field != nullptr ? field->EditMask() : std::string();
}

int TDBFieldControl::FieldMaxLength() const {
  TField* field = Field();
  if (field == nullptr) return 0;
  switch (field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString: return field->Size();
    default: return 0;
  }
}

bool TDBFieldControl::BeginEdit() {
  if (!Edit()) return false;
  SetModified();
  return true;
}

void TDBFieldControl::WriteText(const std::string& text) {
  TField* field = Field();
  if (field == nullptr) DatabaseError("No field " + std::string(DataField().empty() ? "" : "'" + DataField() + "' ") + "to write to");
  if (!Editing() && !Edit()) DatabaseError("Field '" + field->DisplayName() + "' cannot be modified");
  SetModified();
  field->SetText(text);  // a refusal leaves the old value and the typed text pending
}

void TDBFieldControl::WriteValue(const Variant& value) {
  TField* field = Field();
  if (field == nullptr) DatabaseError("No field " + std::string(DataField().empty() ? "" : "'" + DataField() + "' ") + "to write to");
  if (!Editing() && !Edit()) DatabaseError("Field '" + field->DisplayName() + "' cannot be modified");
  SetModified();
  field->SetValue(value);
}

}  // namespace pellor
