// Data sources and data links: how controls follow a dataset.
//
// A TDataSource sits between one dataset and any number of data links. The
// dataset reports each state and data change to its data sources; a data
// source fires its own events (OnStateChange, OnDataChange, OnUpdateData) and
// passes the change on to its links. Programs switch a source's notifications
// off for a while by clearing those event slots and restoring them, or
// switch the whole source off with `Enabled`.
//
// A TDataLink is the part of a control (grid, edit, check box ...) that
// listens; controls derive from it, or use TNotifyDataLink with callbacks.
// TFieldDataLink follows one field of the current record, and
// TDBFieldControl bundles what every data-aware editor has in common: the
// published DataSource, DataField and ReadOnly properties, the text to show
// (the field's display text while browsing, its edit text while the record
// is edited) and the writing of typed text through the field's text setter
// and validation, where a refusal leaves the field's old value in place.
#ifndef PELLOR_DB_DATA_SOURCE_H_
#define PELLOR_DB_DATA_SOURCE_H_

#include <functional>
#include <string>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/ui/component.h"

namespace pellor {

class TDataLink;

// (sender, field): field is the changed field for a field change, else null.
using TDataChangeEvent = std::function<void(TObject* sender, TField* field)>;

class TDataSource : public TComponent {
  PELLOR_CLASS(TDataSource);

 public:
  explicit TDataSource(TComponent* owner);
  ~TDataSource() override;

  TDataSet* DataSet() const { return dataSet_.Get(); }
  void SetDataSet(TDataSet* dataSet);
  // A disabled source looks inactive to its links.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Links may put the dataset into edit when the user starts typing.
  bool AutoEdit() const { return autoEdit_; }
  void SetAutoEdit(bool autoEdit) { autoEdit_ = autoEdit; }
  // The dataset's state, dsInactive without an enabled, open dataset.
  TDataSetState State() const;
  // Puts a browsing dataset into edit when AutoEdit is set.
  void Edit();
  bool IsLinkedTo(const TDataSet* dataSet) const { return dataSet != nullptr && DataSet() == dataSet; }
  int LinkCount() const { return static_cast<int>(links_.size()); }

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

  // Called by the dataset.
  void DataEvent(TDataEvent event, const void* info);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataLink;
  friend class TDataSet;
  static void DefineProperties(PropertyBuilder<TDataSource>& p);

  // The dataset is being destroyed.
  void DataSetGone(TDataSet* dataSet);
  void NotifyLinksActive();
  void AddLink(TDataLink* link);
  void RemoveLink(TDataLink* link);

  TComponentRef<TDataSet> dataSet_{this};
  bool enabled_ = true;
  bool autoEdit_ = true;
  TDataSetState lastState_ = dsInactive;
  std::vector<TDataLink*> links_;
};

class TDataLink {
 public:
  TDataLink();
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // An enabled source with an open dataset.
  bool Active() const;
  // The dataset is in edit or insert (and the link is active and not read-only).
  bool Editing() const;
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  // Puts the dataset into edit when the source allows it; true when editing
  // afterwards. Errors of the dataset's Edit pass through.
  bool Edit();
  // Makes the dataset write pending control texts (UpdateRecord).
  void UpdateRecord();

 protected:
  friend class TDataSource;
  virtual void ActiveChanged() {}
  virtual void EditingChanged() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance) { DataSetChanged(); }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* field) {}
  virtual void UpdateData() {}
  virtual void CheckBrowseMode() {}
  // Set `handled` when this link's control took the focus for `field`.
  virtual void FocusControl(TField* field, bool& handled) {}

 private:
  void StateChanged();

  TDataSource* dataSource_ = nullptr;
  bool readOnly_ = false;
  bool active_ = false;
  bool editing_ = false;
  bool updating_ = false;
};

// A link that calls the callbacks it is given; for grids and other controls
// that do not derive from TDataLink.
class TNotifyDataLink : public TDataLink {
 public:
  std::function<void()> OnActiveChanged;
  std::function<void()> OnEditingChanged;
  std::function<void()> OnDataSetChanged;
  std::function<void(int distance)> OnDataSetScrolled;
  std::function<void()> OnLayoutChanged;
  std::function<void(TField* field)> OnRecordChanged;
  std::function<void()> OnUpdateData;
  std::function<void()> OnCheckBrowseMode;
  std::function<bool(TField* field)> OnFocusControl;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;
  void CheckBrowseMode() override;
  void FocusControl(TField* field, bool& handled) override;
};

// Follows one field of the current record.
class TFieldDataLink : public TDataLink {
 public:
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& name);
  // The field of that name in the open dataset, or null.
  TField* Field() const { return field_; }
  // The control that owns the link (for the control's own bookkeeping).
  TComponent* Control() const { return control_; }
  void SetControl(TComponent* control) { control_ = control; }
  // Not read-only, a field that can be modified, a dataset that can be.
  bool CanModify() const;
  // As TDataLink::Edit, and only when the field can be modified.
  bool Edit();
  // The control holds typed text not yet written to the field.
  bool Modified() const { return modified_; }
  void SetModified() { modified_ = true; }
  // Forgets the typed text and shows the field again.
  void Reset();

  std::function<void()> OnDataChange;     // show the field's value
  std::function<void()> OnEditingChange;  // editing began or ended
  std::function<void()> OnUpdateData;     // write the typed text now
  std::function<void()> OnActiveChange;   // dataset opened, closed, field rebound
  std::function<bool()> OnFocusControl;   // take the focus; true when done

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;
  void FocusControl(TField* field, bool& handled) override;

 private:
  void UpdateField();

  std::string fieldName_;
  TField* field_ = nullptr;
  TComponent* control_ = nullptr;
  bool modified_ = false;
};

// What the data-aware editors (edits, combo boxes, check boxes, radio groups)
// have in common. A control keeps one as a member and publishes its
// properties with DefineDBControlProperties:
//
//   class TKvDBEdit : public TEdit {
//     ...
//     TDBFieldControl& DataLink() { return dataLink_; }
//     TDBFieldControl dataLink_{this};
//     static void DefineProperties(PropertyBuilder<TKvDBEdit>& p) {
//       DefineDBControlProperties(p, &TKvDBEdit::DataLink);
//     }
//   };
//
// and sets OnDataChange to refresh what it shows.
class TDBFieldControl : public TFieldDataLink {
 public:
  explicit TDBFieldControl(TComponent* control) { SetControl(control); }

  const std::string& DataField() const { return FieldName(); }
  void SetDataField(const std::string& name) { SetFieldName(name); }
  // The control's own read-only switch (the link's).
  bool ControlReadOnly() const { return ReadOnly(); }
  void SetControlReadOnly(bool readOnly) { SetReadOnly(readOnly); }

  // The text to show: empty without a field; the field's edit text while
  // the dataset edits or inserts, else its display text.
  std::string FieldText() const;
  // The field's edit mask and its size (0 = no limit) for an editor.
  std::string FieldEditMask() const;
  int FieldMaxLength() const;

  // The user began to type: puts the dataset into edit (AutoEdit); false
  // when the field cannot be changed now, and the keystroke is to be refused.
  bool BeginEdit();
  // Writes typed text: the field's SetText (its OnSetText handler or its own
  // parsing), then OnValidate. When the field refuses, the error passes on
  // and the field keeps its old value, and the typed text stays pending so
  // the control can keep it for correction.
  void WriteText(const std::string& text);
  // Writes a value directly (check boxes, radio groups); same rules.
  void WriteValue(const Variant& value);
};

// Publishes DataSource, DataField and ReadOnly of a control class T whose
// `link` member function returns its TDBFieldControl.
template <class T>
void DefineDBControlProperties(PropertyBuilder<T>& p, TDBFieldControl& (T::*link)()) {
  p.Reference(
       "DataSource", [link](T& c) { return (c.*link)().DataSource(); },
       [link](T& c, TDataSource* s) { (c.*link)().SetDataSource(s); })
      .Text(
          "DataField", [link](T& c) { return (c.*link)().DataField(); },
          [link](T& c, const std::string& v) { (c.*link)().SetDataField(v); })
      .Bool(
          "ReadOnly", [link](T& c) { return (c.*link)().ControlReadOnly(); },
          [link](T& c, bool v) { (c.*link)().SetControlReadOnly(v); });
}

}  // namespace pellor

#endif  // PELLOR_DB_DATA_SOURCE_H_
