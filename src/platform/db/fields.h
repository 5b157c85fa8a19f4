// Fields: the typed columns of a dataset as the program sees them.
//
// A field is a component. Templates create it owned by the dataset's owner
// (the data module or form) and named after dataset and column
// ("cdsMainMF001"), so that handlers and settings documents find it by name;
// fields a dataset makes by itself from the provider's field definitions are
// owned by the dataset and go when it closes. `SetDataSet` adds a field to a
// dataset's field list, whose order is the column order a grid shows
// (`Index`).
//
// A field holds no value of its own: it reads and writes the dataset's
// current record. Every way of reading or writing goes through the field, so
// that the events run where the program expects them:
//
//   reading   DisplayText  OnGetText(sender, text, true)  or the display format
//             Text         OnGetText(sender, text, false) or the edit format
//             AsString, AsInteger, AsFloat, AsDateTime ... plain conversions
//   writing   SetText      OnSetText(sender, text)        or SetAsString
//             SetAsString, SetAsFloat, SetValue ...
//                          → conversion to the field's type (size and range)
//                          → the dataset refuses unless editing or inserting,
//                            and refuses read-only data fields
//                          → OnValidate(sender), reading the new value; when
//                            it raises, the old value stays
//                          → the value is stored, the record marked modified,
//                            calculated fields recomputed
//                          → OnChange(sender), then the data links are told
//
// Texts are byte strings in the dataset's code page. A string field's Size is
// in bytes: a longer text is cut to Size bytes, one byte less when the cut
// would split a double-byte character, so no half character is ever stored.
#ifndef PELLOR_DB_FIELDS_H_
#define PELLOR_DB_FIELDS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/datetime.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/variant.h"
#include "platform/ui/component.h"

namespace pellor {

class TDataSet;
class TField;

enum TFieldType : uint8_t {
  ftUnknown,
  ftString,      // narrow text, Size bytes
  ftSmallint,    // 16-bit integer
  ftInteger,     // 32-bit integer
  ftWord,        // 16-bit unsigned
  ftBoolean,
  ftFloat,
  ftCurrency,    // float shown as money
  ftBCD,         // decimal held as float; Size = digits after the point
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,       // fixed-length bytes
  ftVarBytes,    // variable-length bytes
  ftBlob,
  ftMemo,        // long narrow text, no size limit
  ftFixedChar,   // narrow text padded to Size; read without trailing blanks
  ftWideString,  // UTF-16 text, Size characters
  ftLargeint,    // 64-bit integer
  ftADT,         // object field
  ftDataSet,     // nested dataset
  ftVariant,
  ftAggregate,   // maintained aggregate
};
inline constexpr std::string_view kFieldTypeNames[] = {
    "ftUnknown", "ftString",   "ftSmallint", "ftInteger",   "ftWord",       "ftBoolean",
    "ftFloat",   "ftCurrency", "ftBCD",      "ftDate",      "ftTime",       "ftDateTime",
    "ftBytes",   "ftVarBytes", "ftBlob",     "ftMemo",      "ftFixedChar",  "ftWideString",
    "ftLargeint", "ftADT",     "ftDataSet",  "ftVariant",   "ftAggregate"};
inline constexpr TEnumInfo kFieldTypeInfo{"TFieldType", kFieldTypeNames};

// "ftString" ...; and back (case ignored), nullopt for an unknown name.
std::string_view FieldTypeName(TFieldType type);
std::optional<TFieldType> FieldTypeFromName(std::string_view name);

// Type classes the program asks about.
bool IsStringFieldType(TFieldType type);   // string, fixed char, wide string, memo
bool IsIntegerFieldType(TFieldType type);  // small, integer, word, large integer
bool IsFloatFieldType(TFieldType type);    // float, currency, BCD
bool IsNumericFieldType(TFieldType type);  // integer or float types
bool IsDateTimeFieldType(TFieldType type); // date, time, date-time
bool IsBlobFieldType(TFieldType type);     // blob, memo

enum TFieldKind : uint8_t { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
inline constexpr std::string_view kFieldKindNames[] = {"fkData", "fkCalculated", "fkLookup", "fkInternalCalc",
                                                       "fkAggregate"};
inline constexpr TEnumInfo kFieldKindInfo{"TFieldKind", kFieldKindNames};

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
inline constexpr std::string_view kAlignmentNames[] = {"taLeftJustify", "taRightJustify", "taCenter"};
inline constexpr TEnumInfo kAlignmentInfo{"TAlignment", kAlignmentNames};

using TFieldNotifyEvent = std::function<void(TField* sender)>;
// `displayText` is true for the text a grid or a label shows, false for the
// text an editor shows while the user edits.
using TFieldGetTextEvent = std::function<void(TField* sender, std::string& text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField* sender, const std::string& text)>;

class TField : public TComponent {
  PELLOR_CLASS(TField);

 public:
  explicit TField(TComponent* owner);
  ~TField() override;

  // ---- binding ----
  TDataSet* DataSet() const { return dataSet_; }
  // Moves the field into `dataSet`'s field list (nullptr: out of any list).
  // Refused (EDatabaseError) while the old or the new dataset is open, and
  // when the new one already has a field of that name.
  void SetDataSet(TDataSet* dataSet);
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& name);
  TFieldType DataType() const { return dataType_; }
  TFieldKind FieldKind() const { return fieldKind_; }
  void SetFieldKind(TFieldKind kind);
  bool Calculated() const { return fieldKind_ == fkCalculated || fieldKind_ == fkInternalCalc; }
  bool Lookup() const { return fieldKind_ == fkLookup; }
  // Column number (from 1) of a data field bound to an open dataset, else 0.
  int FieldNo() const { return fieldNo_; }
  // Position in the dataset's field list (the column a grid shows it in);
  // -1 without a dataset. Setting moves it there (clamped to the list).
  int Index() const;
  void SetIndex(int index);

  // ---- attributes ----
  int Size() const { return size_; }
  void SetSize(int size);
  // DisplayLabel reads as the field name when none was set.
  std::string DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
  void SetDisplayLabel(const std::string& label);
  std::string DisplayName() const { return DisplayLabel(); }
  // Characters a grid column shows; a default derived from the type until set.
  int DisplayWidth() const;
  void SetDisplayWidth(int width);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool Required() const { return required_; }
  void SetRequired(bool required) { required_ = required; }
  const std::string& EditMask() const { return editMask_; }
  void SetEditMask(const std::string& mask);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  // True when the program may write the field now: a dataset that can be
  // modified, the field not read-only, and a data field unless calculating.
  bool CanModify() const;

  // ---- value access ----
  bool IsNull() const;
  // The stored value: null, or a Variant of the field's type (narrow text,
  // wide text, integer, float, boolean, date).
  Variant Value() const;
  void SetValue(const Variant& value);
  void Clear() { SetValue(Variant::Null()); }
  // The value the row had before its pending change (fetched value); null for
  // a new row.
  Variant OldValue() const;

  virtual std::string AsString() const;
  virtual void SetAsString(const std::string& text);
  std::u16string AsWideString() const;
  void SetAsWideString(const std::u16string& text);
  int64_t AsLargeInt() const;
  void SetAsLargeInt(int64_t value) { SetValue(Variant(value)); }
  int AsInteger() const;
  void SetAsInteger(int value) { SetValue(Variant(value)); }
  double AsFloat() const;
  void SetAsFloat(double value) { SetValue(Variant(value)); }
  double AsCurrency() const { return AsFloat(); }
  bool AsBoolean() const;
  void SetAsBoolean(bool value) { SetValue(Variant(value)); }
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime value) { SetValue(Variant::Date(value)); }

  // The text an editor shows (OnGetText with displayText false) and the text
  // a grid shows (displayText true).
  std::string Text() const;
  std::string DisplayText() const;
  // Typed text: OnSetText when assigned, else the field's own parsing
  // (SetAsString; an empty text clears a non-text field).
  void SetText(const std::string& text);

  // Asks the data links bound to this field to focus their control.
  void FocusControl();

  // ---- look-up fields ----
  TDataSet* LookupDataSet() const { return lookupDataSet_.Get(); }
  void SetLookupDataSet(TDataSet* dataSet);
  const std::string& KeyFields() const { return keyFields_; }
  void SetKeyFields(const std::string& names) { keyFields_ = names; }
  const std::string& LookupKeyFields() const { return lookupKeyFields_; }
  void SetLookupKeyFields(const std::string& names) { lookupKeyFields_ = names; }
  const std::string& LookupResultField() const { return lookupResultField_; }
  void SetLookupResultField(const std::string& name) { lookupResultField_ = name; }

  // ---- events ----
  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  // ---- used by the dataset ----
  // Converts any Variant to the stored form of this field (null for null or
  // empty), applying size and range. Raises EDatabaseError / EConvertError.
  virtual Variant ConvertValue(const Variant& value) const;
  // The Variant type values are held as (for the row storage).
  virtual VarType StorageType() const;
  int CalcSlot() const { return calcSlot_; }

 protected:
  // Sets the type; subclasses call it from their constructors.
  void SetDataType(TFieldType type) { dataType_ = type; }
  // The text without the OnGetText event: `displayText` selects the display
  // format over the edit format.
  virtual std::string GetText(bool displayText) const;
  // Raised for a conversion the field does not offer.
  [[noreturn]] void AccessError(const char* typeName) const;
  // Cuts a text to `size` bytes at a character boundary of the dataset's code page.
  std::string CutToSize(const std::string& text, int size) const;
  int CodePage() const;
  void LayoutChanged();

  static void DefineProperties(PropertyBuilder<TField>& p);

 private:
  friend class TDataSet;

  TDataSet* dataSet_ = nullptr;
  std::string fieldName_;
  TFieldType dataType_ = ftUnknown;
  TFieldKind fieldKind_ = fkData;
  int fieldNo_ = 0;
  int calcSlot_ = -1;
  int size_ = 0;
  std::string displayLabel_;
  int displayWidth_ = -1;
  bool visible_ = true;
  bool readOnly_ = false;
  bool required_ = false;
  std::string editMask_;
  TAlignment alignment_ = taLeftJustify;
  // While OnValidate runs, the field reads the value about to be stored.
  bool validating_ = false;
  Variant validatingValue_;
  TComponentRef<TDataSet> lookupDataSet_{this};
  std::string keyFields_;
  std::string lookupKeyFields_;
  std::string lookupResultField_;
};

// ---- text fields ----

class TStringField : public TField {
  PELLOR_CLASS(TStringField);

 public:
  explicit TStringField(TComponent* owner);
  // A fixed-length field pads on the server side and is read without
  // trailing blanks.
  bool FixedChar() const { return DataType() == ftFixedChar; }
  void SetFixedChar(bool fixed) { SetDataType(fixed ? ftFixedChar : ftString); }
  std::string AsString() const override;
  Variant ConvertValue(const Variant& value) const override;
  VarType StorageType() const override { return VarType::kString; }

 private:
  static void DefineProperties(PropertyBuilder<TStringField>& p);
};

class TWideStringField : public TField {
  PELLOR_CLASS(TWideStringField);

 public:
  explicit TWideStringField(TComponent* owner);
  Variant ConvertValue(const Variant& value) const override;
  VarType StorageType() const override { return VarType::kWideString; }
};

// ---- numbers ----

class TNumericField : public TField {
  PELLOR_CLASS(TNumericField);

 public:
  explicit TNumericField(TComponent* owner);
  // FormatFloat patterns for the grid and the editor; empty means the plain
  // number.
  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const std::string& format);
  const std::string& EditFormat() const { return editFormat_; }
  void SetEditFormat(const std::string& format);

 protected:
  std::string FormatNumber(double value, bool displayText, bool integral) const;

 private:
  static void DefineProperties(PropertyBuilder<TNumericField>& p);
  std::string displayFormat_;
  std::string editFormat_;
};

class TIntegerField : public TNumericField {
  PELLOR_CLASS(TIntegerField);

 public:
  explicit TIntegerField(TComponent* owner);
  // A range that assignment enforces; 0..0 means the type's own range.
  int64_t MinValue() const { return minValue_; }
  void SetMinValue(int64_t v) { minValue_ = v; }
  int64_t MaxValue() const { return maxValue_; }
  void SetMaxValue(int64_t v) { maxValue_ = v; }
  void SetAsString(const std::string& text) override;
  Variant ConvertValue(const Variant& value) const override;
  VarType StorageType() const override { return VarType::kInteger; }

 protected:
  std::string GetText(bool displayText) const override;
  // The range of the type (32 bits here).
  int64_t typeMin_ = INT32_MIN;
  int64_t typeMax_ = INT32_MAX;

 private:
  static void DefineProperties(PropertyBuilder<TIntegerField>& p);
  int64_t minValue_ = 0;
  int64_t maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
  PELLOR_CLASS(TSmallintField);

 public:
  explicit TSmallintField(TComponent* owner);
};

class TWordField : public TIntegerField {
  PELLOR_CLASS(TWordField);

 public:
  explicit TWordField(TComponent* owner);
};

class TLargeintField : public TIntegerField {
  PELLOR_CLASS(TLargeintField);

 public:
  explicit TLargeintField(TComponent* owner);
};

class TFloatField : public TNumericField {
  PELLOR_CLASS(TFloatField);

 public:
  explicit TFloatField(TComponent* owner);
  // Shown as money ("#,##0.00") when no display format is set.
  bool Currency() const { return currency_; }
  void SetCurrency(bool currency);
  // Significant digits of the plain text (15).
  int Precision() const { return precision_; }
  void SetPrecision(int precision) { precision_ = precision; }
  // A range that assignment enforces; 0..0 means none.
  double MinValue() const { return minValue_; }
  void SetMinValue(double v) { minValue_ = v; }
  double MaxValue() const { return maxValue_; }
  void SetMaxValue(double v) { maxValue_ = v; }
  void SetAsString(const std::string& text) override;
  Variant ConvertValue(const Variant& value) const override;
  VarType StorageType() const override { return VarType::kFloat; }

 protected:
  std::string GetText(bool displayText) const override;

 private:
  static void DefineProperties(PropertyBuilder<TFloatField>& p);
  bool currency_ = false;
  int precision_ = 15;
  double minValue_ = 0;
  double maxValue_ = 0;
};

class TCurrencyField : public TFloatField {
  PELLOR_CLASS(TCurrencyField);

 public:
  explicit TCurrencyField(TComponent* owner);
};

// A decimal column. Held as a float, which carries 15 significant digits:
// enough for the money and score columns of the suite.
class TBCDField : public TFloatField {
  PELLOR_CLASS(TBCDField);

 public:
  explicit TBCDField(TComponent* owner);
};

// ---- other scalar types ----

class TBooleanField : public TField {
  PELLOR_CLASS(TBooleanField);

 public:
  explicit TBooleanField(TComponent* owner);
  // "True text;False text" (default "True;False"): shown, and accepted as
  // input (case ignored; a unique prefix is enough).
  const std::string& DisplayValues() const { return displayValues_; }
  void SetDisplayValues(const std::string& values);
  void SetAsString(const std::string& text) override;
  Variant ConvertValue(const Variant& value) const override;
  VarType StorageType() const override { return VarType::kBoolean; }

 protected:
  std::string GetText(bool displayText) const override;

 private:
  static void DefineProperties(PropertyBuilder<TBooleanField>& p);
  std::string displayValues_ = "True;False";
};

// Date, time and date-time values as day counts (datetime.h). Texts are read
// as the short date format's order with any of "/", "-", "." or the date
// separator between the parts, or as eight digits "YYYYMMDD", optionally
// followed by a time "hh:nn[:ss[.zzz]]".
class TDateTimeField : public TField {
  PELLOR_CLASS(TDateTimeField);

 public:
  explicit TDateTimeField(TComponent* owner);
  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const std::string& format);
  void SetAsString(const std::string& text) override;
  std::string AsString() const override;
  Variant ConvertValue(const Variant& value) const override;
  VarType StorageType() const override { return VarType::kDate; }

 protected:
  std::string GetText(bool displayText) const override;

 private:
  static void DefineProperties(PropertyBuilder<TDateTimeField>& p);
  std::string displayFormat_;
};

class TDateField : public TDateTimeField {
  PELLOR_CLASS(TDateField);

 public:
  explicit TDateField(TComponent* owner);
};

class TTimeField : public TDateTimeField {
  PELLOR_CLASS(TTimeField);

 public:
  explicit TTimeField(TComponent* owner);
};

// Bytes held as a narrow text of raw bytes.
class TBinaryField : public TField {
  PELLOR_CLASS(TBinaryField);

 public:
  explicit TBinaryField(TComponent* owner);
  Variant ConvertValue(const Variant& value) const override;
  VarType StorageType() const override { return VarType::kString; }

 protected:
  std::string GetText(bool displayText) const override;
};

class TBytesField : public TBinaryField {
  PELLOR_CLASS(TBytesField);

 public:
  explicit TBytesField(TComponent* owner);
};

class TVarBytesField : public TBinaryField {
  PELLOR_CLASS(TVarBytesField);

 public:
  explicit TVarBytesField(TComponent* owner);
};

// Long bytes. Its display text is "(BLOB)", or "(blob)" when null; AsString
// gives the bytes.
class TBlobField : public TField {
  PELLOR_CLASS(TBlobField);

 public:
  explicit TBlobField(TComponent* owner);
  Variant ConvertValue(const Variant& value) const override;
  VarType StorageType() const override { return VarType::kString; }

 protected:
  std::string GetText(bool displayText) const override;
};

// Long text without a size limit; display text "(MEMO)" / "(memo)".
class TMemoField : public TBlobField {
  PELLOR_CLASS(TMemoField);

 public:
  explicit TMemoField(TComponent* owner);
};

// Any tagged value, held as it is (dispatch objects excepted).
class TVariantField : public TField {
  PELLOR_CLASS(TVariantField);

 public:
  explicit TVariantField(TComponent* owner);
  Variant ConvertValue(const Variant& value) const override;
  VarType StorageType() const override { return VarType::kEmpty; }
};

// An object (structured) column, held as a one-dimensional array of its
// member values; display text "(ADT)".
class TObjectField : public TVariantField {
  PELLOR_CLASS(TObjectField);

 public:
  explicit TObjectField(TComponent* owner);

 protected:
  std::string GetText(bool displayText) const override;
};

// A nested dataset column, held as an array of rows (each an array of
// values); display text "(DATASET)".
class TDataSetField : public TObjectField {
  PELLOR_CLASS(TDataSetField);

 public:
  explicit TDataSetField(TComponent* owner);

 protected:
  std::string GetText(bool displayText) const override;
};

// A value maintained over all rows of the dataset: `Expression` is one of
// SUM(f), AVG(f), MIN(f), MAX(f) or COUNT(f) / COUNT(*), f a field name.
// Only calculated while `Active` and the dataset's aggregates are active.
class TAggregateField : public TField {
  PELLOR_CLASS(TAggregateField);

 public:
  explicit TAggregateField(TComponent* owner);
  const std::string& Expression() const { return expression_; }
  void SetExpression(const std::string& expression) { expression_ = expression; }
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const std::string& format) { displayFormat_ = format; }
  Variant ConvertValue(const Variant& value) const override;
  VarType StorageType() const override { return VarType::kEmpty; }

 protected:
  std::string GetText(bool displayText) const override;

 private:
  static void DefineProperties(PropertyBuilder<TAggregateField>& p);
  std::string expression_;
  bool active_ = false;
  std::string displayFormat_;
};

// Creates the field class that holds `type` (TStringField for ftString ...),
// owned by `owner`.
TField* CreateFieldOfType(TFieldType type, TComponent* owner);
// Creates a field by class name ("TStringField", "TFloatField" ...), the way
// a template names them; nullptr for a name that is no field class.
TField* CreateFieldByClassName(std::string_view className, TComponent* owner);

// Splits a field list "A;B;C" (also "," separated), trimming names and
// dropping empty ones.
std::vector<std::string> SplitFieldNames(std::string_view names);

}  // namespace pellor

#endif  // PELLOR_DB_FIELDS_H_
