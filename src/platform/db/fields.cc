#include "platform/db/fields.h"

#include <cmath>
#include <cstdio>

#include "platform/db/dataset.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strutils.h"

namespace pellor {

// ---- type names and classes ---------------------------------------------------

std::string_view FieldTypeName(TFieldType type) {
  size_t i = static_cast<size_t>(type);
  return i < std::size(kFieldTypeNames) ? kFieldTypeNames[i] : kFieldTypeNames[0];
}

std::optional<TFieldType> FieldTypeFromName(std::string_view name) {
  int ordinal = kFieldTypeInfo.Ordinal(Trim(name));
  if (ordinal < 0) return std::nullopt;
  return static_cast<TFieldType>(ordinal);
}

bool IsStringFieldType(TFieldType t) {
  return t == ftString || t == ftFixedChar || t == ftWideString || t == ftMemo;
}
bool IsIntegerFieldType(TFieldType t) {
  return t == ftSmallint || t == ftInteger || t == ftWord || t == ftLargeint;
}
bool IsFloatFieldType(TFieldType t) { return t == ftFloat || t == ftCurrency || t == ftBCD; }
bool IsNumericFieldType(TFieldType t) { return IsIntegerFieldType(t) || IsFloatFieldType(t); }
bool IsDateTimeFieldType(TFieldType t) { return t == ftDate || t == ftTime || t == ftDateTime; }
bool IsBlobFieldType(TFieldType t) { return t == ftBlob || t == ftMemo; }

std::vector<std::string> SplitFieldNames(std::string_view names) {
  std::vector<std::string> result;
  std::string current;
  auto flush = [&] {
    std::string name = Trim(current);
    if (!name.empty()) result.push_back(name);
    current.clear();
  };
  for (char c : names) {
    if (c == ';' || c == ',') {
      flush();
    } else {
      current.push_back(c);
    }
  }
  flush();
  return result;
}

namespace {

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Date and time texts: the short date format's order of year, month and day,
// parts separated by any non-digit; or eight digits YYYYMMDD; then a time
// hh:nn[:ss[.zzz]] after a blank.
bool ParseDatePart(std::string_view text, TDateTime& out) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      cur.push_back(c);
    } else if (!cur.empty()) {
      parts.push_back(cur);
      cur.clear();
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  int y = 0, m = 0, d = 0;
  if (parts.size() == 1 && parts[0].size() == 8) {
    y = std::stoi(parts[0].substr(0, 4));
    m = std::stoi(parts[0].substr(4, 2));
    d = std::stoi(parts[0].substr(6, 2));
  } else if (parts.size() == 3) {
    for (const std::string& p : parts)
      if (p.size() > 4) return false;
    std::string order;
    for (char c : CurrentFormatSettings().shortDateFormat) {
      char lower = static_cast<char>(c | 0x20);
      if ((lower == 'y' || lower == 'm' || lower == 'd') && order.find(lower) == std::string::npos) order.push_back(lower);
    }
    if (order.size() != 3) order = "ymd";
    for (int i = 0; i < 3; ++i) {
      int v = std::stoi(parts[i]);
      if (order[i] == 'y') {
        y = v;
        if (parts[i].size() <= 2) y += y < 50 ? 2000 : 1900;
      } else if (order[i] == 'm') {
        m = v;
      } else {
        d = v;
      }
    }
  } else {
    return false;
  }
  return TryEncodeDate(y, m, d, out);
}

bool ParseTimePart(std::string_view text, TDateTime& out) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      cur.push_back(c);
    } else if (c == ':' || c == '.') {
      parts.push_back(cur);
      cur.clear();
    } else if (c != ' ') {
      return false;
    }
  }
  parts.push_back(cur);
  if (parts.size() < 2 || parts.size() > 4) return false;
  int v[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].empty() || parts[i].size() > 3) return false;
    v[i] = std::stoi(parts[i]);
  }
  return TryEncodeTime(v[0], v[1], v[2], v[3], out);
}

std::optional<TDateTime> ParseDateTimeText(std::string_view raw, TFieldType type) {
  std::string text = Trim(raw);
  TDateTime date = 0, time = 0;
  if (type == ftTime) {
    if (!ParseTimePart(text, time)) return std::nullopt;
    return time;
  }
  size_t blank = text.find(' ');
  std::string datePart = blank == std::string::npos ? text : text.substr(0, blank);
  std::string timePart = blank == std::string::npos ? "" : Trim(text.substr(blank + 1));
  if (blank == std::string::npos && datePart.find(':') != std::string::npos && type == ftDateTime) {
    if (!ParseTimePart(datePart, time)) return std::nullopt;
    return time;
  }
  if (!ParseDatePart(datePart, date)) return std::nullopt;
  if (!timePart.empty()) {
    if (type == ftDate) return std::nullopt;
    if (!ParseTimePart(timePart, time)) return std::nullopt;
  }
  return date < 0 ? date - time : date + time;
}

std::string NarrowText(const Variant& v, int codePage) {
  switch (v.Type()) {
    case VarType::kString: return v.RawString();
    case VarType::kWideString: return WideToAnsi(v.RawWideString(), codePage);
    default: return v.AsString();
  }
}

bool BlankText(const Variant& v) {
  if (v.Type() == VarType::kString) return Trim(v.RawString()).empty();
  if (v.Type() == VarType::kWideString) return v.RawWideString().find_first_not_of(u' ') == std::u16string::npos;
  return false;
}

}  // namespace

// ---- TField ---------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TField, TComponent);

void TField::DefineProperties(PropertyBuilder<TField>& p) {
  p.Text("FieldName", &TField::FieldName, &TField::SetFieldName)
      .Text("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel)
      .Integer("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth)
      .Bool("Visible", &TField::Visible, &TField::SetVisible)
      .Bool("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly)
      .Bool("Required", &TField::Required, &TField::SetRequired)
      .Text("EditMask", &TField::EditMask, &TField::SetEditMask)
      .Integer("Index", &TField::Index, &TField::SetIndex)
      .Integer("Size", &TField::Size, &TField::SetSize)
      .Enum("FieldKind", kFieldKindInfo, &TField::FieldKind, &TField::SetFieldKind)
      .Enum("Alignment", kAlignmentInfo, &TField::Alignment, &TField::SetAlignment)
      .Reference("DataSet", &TField::DataSet, &TField::SetDataSet)
      .Reference("LookupDataSet", &TField::LookupDataSet, &TField::SetLookupDataSet)
      .Text("KeyFields", &TField::KeyFields, &TField::SetKeyFields)
      .Text("LookupKeyFields", &TField::LookupKeyFields, &TField::SetLookupKeyFields)
      .Text("LookupResultField", &TField::LookupResultField, &TField::SetLookupResultField)
      .Event("OnChange", &TField::OnChange)
      .Event("OnValidate", &TField::OnValidate)
      .Event("OnGetText", &TField::OnGetText)
      .Event("OnSetText", &TField::OnSetText);
}

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
  if (dataSet_ != nullptr) dataSet_->RemoveField(this);
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if ((dataSet_ != nullptr && dataSet_->Active()) || (dataSet != nullptr && dataSet->Active())) {
    DatabaseError("Cannot perform this operation on an open dataset", dataSet_ != nullptr ? dataSet_ : dataSet);
  }
  if (dataSet != nullptr && !fieldName_.empty() && dataSet->FindField(fieldName_) != nullptr) {
    DatabaseError("Duplicate field name " + Quoted(fieldName_), dataSet);
  }
  if (dataSet_ != nullptr) dataSet_->RemoveField(this);
  dataSet_ = nullptr;
  if (dataSet != nullptr) dataSet->AddField(this);
  dataSet_ = dataSet;
}

void TField::SetFieldName(const std::string& name) {
  if (name == fieldName_) return;
  if (dataSet_ != nullptr) {
    if (dataSet_->Active()) DatabaseError("Cannot perform this operation on an open dataset", dataSet_);
    TField* other = dataSet_->FindField(name);
    if (other != nullptr && other != this) DatabaseError("Duplicate field name " + Quoted(name), dataSet_);
  }
  fieldName_ = name;
}

void TField::SetFieldKind(TFieldKind kind) {
  if (kind == fieldKind_) return;
  if (dataSet_ != nullptr && dataSet_->Active()) DatabaseError("Cannot perform this operation on an open dataset", dataSet_);
  fieldKind_ = kind;
}

int TField::Index() const {
  if (dataSet_ == nullptr) return -1;
  const auto& list = dataSet_->FieldList();
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == this) return static_cast<int>(i);
  return -1;
}

void TField::SetIndex(int index) {
  if (dataSet_ != nullptr) dataSet_->MoveField(this, index);
}

void TField::SetSize(int size) {
  if (size == size_) return;
  if (dataSet_ != nullptr && dataSet_->Active()) DatabaseError("Cannot perform this operation on an open dataset", dataSet_);
  size_ = size < 0 ? 0 : size;
}

void TField::LayoutChanged() {
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->DataEvent(deLayoutChange);
}

void TField::SetDisplayLabel(const std::string& label) {
  if (label == displayLabel_) return;
  displayLabel_ = label;
  Changed("DisplayLabel");
  LayoutChanged();
}

int TField::DisplayWidth() const {
  if (displayWidth_ >= 0) return displayWidth_;
  switch (dataType_) {
    case ftString:
    case ftFixedChar:
    case ftWideString: return size_ > 0 ? size_ : 20;
    case ftSmallint: return 6;
    case ftInteger: return 11;
    case ftWord: return 5;
    case ftLargeint: return 15;
    case ftBoolean: return 5;
    case ftDate:
    case ftTime: return 10;
    case ftDateTime: return 18;
    default: return 10;
  }
}

void TField::SetDisplayWidth(int width) {
  if (width == displayWidth_) return;
  displayWidth_ = width < 0 ? 0 : width;
  Changed("DisplayWidth");
  LayoutChanged();
}

void TField::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Changed("Visible");
  LayoutChanged();
}

void TField::SetReadOnly(bool readOnly) {
  if (readOnly == readOnly_) return;
  readOnly_ = readOnly;
  Changed("ReadOnly");
  // Controls bound to the field follow its read-only state.
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->DataEvent(deDataSetChange);
}

void TField::SetEditMask(const std::string& mask) {
  if (mask == editMask_) return;
  editMask_ = mask;
  Changed("EditMask");
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->DataEvent(deDataSetChange);
}

void TField::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Changed("Alignment");
  LayoutChanged();
}

void TField::SetLookupDataSet(TDataSet* dataSet) { lookupDataSet_.Set(dataSet); }

bool TField::CanModify() const {
  if (readOnly_ || dataSet_ == nullptr || !dataSet_->Active()) return false;
  switch (fieldKind_) {
    case fkData: return dataSet_->CanModify();
    case fkCalculated:
    case fkInternalCalc: return true;
    default: return false;
  }
}

int TField::CodePage() const { return dataSet_ != nullptr ? dataSet_->CodePage() : kCodePageGB; }

std::string TField::CutToSize(const std::string& text, int size) const {
  if (size <= 0 || text.size() <= static_cast<size_t>(size)) return text;
  int cp = CodePage();
  size_t i = 0;
  size_t limit = static_cast<size_t>(size);
  while (i < limit) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]), cp) && i + 1 < text.size()) {
      if (i + 2 > limit) break;  // the character would be split: leave it out whole
      i += 2;
    } else {
      ++i;
    }
  }
  return text.substr(0, i);
}

void TField::AccessError(const char* typeName) const {
  DatabaseError("Cannot access field " + Quoted(DisplayName()) + " as type " + typeName);
}

bool TField::IsNull() const { return Value().IsBlank(); }

Variant TField::Value() const {
  if (validating_) return validatingValue_;
  if (dataSet_ == nullptr) DatabaseError("Field " + Quoted(DisplayName()) + " has no dataset");
  return dataSet_->GetFieldValue(*this);
}

void TField::SetValue(const Variant& value) {
  if (dataSet_ == nullptr) DatabaseError("Field " + Quoted(DisplayName()) + " has no dataset");
  dataSet_->SetFieldValue(*this, ConvertValue(value));
}

Variant TField::OldValue() const {
  if (dataSet_ == nullptr) DatabaseError("Field " + Quoted(DisplayName()) + " has no dataset");
  return dataSet_->GetFieldOldValue(*this);
}

Variant TField::ConvertValue(const Variant& value) const {
  if (value.IsBlank()) return Variant::Null();
  if (value.IsDispatch()) AccessError("Object");
  return value;
}

VarType TField::StorageType() const { return VarType::kEmpty; }

std::string TField::AsString() const {
  Variant v = Value();
  if (v.IsBlank()) return "";
  if (v.Type() == VarType::kWideString) return WideToAnsi(v.RawWideString(), CodePage());
  if (v.IsArray() || v.IsDispatch()) AccessError("String");
  return v.AsString();
}

void TField::SetAsString(const std::string& text) { SetValue(Variant(text)); }

std::u16string TField::AsWideString() const {
  Variant v = Value();
  if (v.IsBlank()) return u"";
  if (v.Type() == VarType::kWideString) return v.RawWideString();
  return AnsiToWide(AsString(), CodePage());
}

void TField::SetAsWideString(const std::u16string& text) { SetValue(Variant(text)); }

int64_t TField::AsLargeInt() const {
  Variant v = Value();
  if (v.IsBlank()) return 0;
  if (v.IsArray() || v.IsDispatch()) AccessError("LargeInt");
  if (v.Type() == VarType::kWideString) return Variant(AsString()).AsInt64();
  return v.AsInt64();
}

int TField::AsInteger() const {
  Variant v = Value();
  if (v.IsBlank()) return 0;
  if (v.IsArray() || v.IsDispatch()) AccessError("Integer");
  if (v.Type() == VarType::kWideString) return Variant(AsString()).AsInteger();
  return v.AsInteger();
}

double TField::AsFloat() const {
  Variant v = Value();
  if (v.IsBlank()) return 0.0;
  if (v.IsArray() || v.IsDispatch()) AccessError("Float");
  if (v.IsText()) {
    std::string text = Trim(AsString());
    auto parsed = TryStrToFloat(text);
    if (!parsed) throw EConvertError(Quoted(text) + " is not a valid floating point value");
    return *parsed;
  }
  return v.AsFloat();
}

bool TField::AsBoolean() const {
  Variant v = Value();
  if (v.IsBlank()) return false;
  if (v.IsArray() || v.IsDispatch()) AccessError("Boolean");
  if (v.IsText()) {
    std::string text = Trim(AsString());
    if (!text.empty()) {
      char c = static_cast<char>(text[0] & ~0x20);
      if (c == 'T' || c == 'Y') return true;
      if (c == 'F' || c == 'N') return false;
    }
  }
  return v.AsBoolean();
}

TDateTime TField::AsDateTime() const {
  Variant v = Value();
  if (v.IsBlank()) return 0.0;
  if (v.IsArray() || v.IsDispatch()) AccessError("DateTime");
  if (v.IsText()) {
    std::string text = AsString();
    auto parsed = ParseDateTimeText(text, ftDateTime);
    if (!parsed) throw EConvertError(Quoted(text) + " is not a valid date and time");
    return *parsed;
  }
  return v.AsDate();
}

std::string TField::GetText(bool displayText) const { return AsString(); }

std::string TField::Text() const {
  if (OnGetText) {
    std::string text;
    OnGetText(const_cast<TField*>(this), text, false);
    return text;
  }
  return GetText(false);
}

std::string TField::DisplayText() const {
  if (OnGetText) {
    std::string text;
    OnGetText(const_cast<TField*>(this), text, true);
    return text;
  }
  return GetText(true);
}

void TField::SetText(const std::string& text) {
  if (OnSetText) {
    OnSetText(this, text);
  } else {
    SetAsString(text);
  }
}

void TField::FocusControl() {
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->DataEvent(deFocusControl, this);
}

// ---- text fields -------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TStringField, TField);

void TStringField::DefineProperties(PropertyBuilder<TStringField>& p) {
  p.Bool("FixedChar", &TStringField::FixedChar, &TStringField::SetFixedChar);
}

TStringField::TStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftString);
  SetSize(20);
}

std::string TStringField::AsString() const {
  std::string text = TField::AsString();
  return FixedChar() ? TrimRight(text) : text;
}

Variant TStringField::ConvertValue(const Variant& value) const {
  if (value.IsBlank()) return Variant::Null();
  if (value.IsArray() || value.IsDispatch()) AccessError("String");
  return Variant(CutToSize(NarrowText(value, CodePage()), Size()));
}

PELLOR_DEFINE_CLASS(TWideStringField, TField);

TWideStringField::TWideStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftWideString);
  SetSize(20);
}

Variant TWideStringField::ConvertValue(const Variant& value) const {
  if (value.IsBlank()) return Variant::Null();
  if (value.IsArray() || value.IsDispatch()) AccessError("WideString");
  std::u16string text = value.Type() == VarType::kWideString ? value.RawWideString()
                                                               : AnsiToWide(NarrowText(value, CodePage()), CodePage());
  if (Size() > 0 && text.size() > static_cast<size_t>(Size())) {
    size_t n = static_cast<size_t>(Size());
    if (text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;  // never half a surrogate pair
    text.resize(n);
  }
  return Variant(std::move(text));
}

// ---- numbers --------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TNumericField, TField);

void TNumericField::DefineProperties(PropertyBuilder<TNumericField>& p) {
  p.Text("DisplayFormat", &TNumericField::DisplayFormat, &TNumericField::SetDisplayFormat)
      .Text("EditFormat", &TNumericField::EditFormat, &TNumericField::SetEditFormat);
}

TNumericField::TNumericField(TComponent* owner) : TField(owner) { SetAlignment(taRightJustify); }

void TNumericField::SetDisplayFormat(const std::string& format) {
  if (format == displayFormat_) return;
  displayFormat_ = format;
  Changed("DisplayFormat");
  LayoutChanged();
}

void TNumericField::SetEditFormat(const std::string& format) {
  if (format == editFormat_) return;
  editFormat_ = format;
  Changed("EditFormat");
}

std::string TNumericField::FormatNumber(double value, bool displayText, bool integral) const {
  // The editor falls back to the display format when it has none of its own.
  const std::string& format = (displayText || editFormat_.empty()) ? displayFormat_ : editFormat_;
  if (!format.empty()) return FormatFloat(format, value);
  return integral ? IntToStr(static_cast<int64_t>(value)) : FloatToStr(value);
}

PELLOR_DEFINE_CLASS(TIntegerField, TNumericField);

void TIntegerField::DefineProperties(PropertyBuilder<TIntegerField>& p) {
  p.Integer("MinValue", &TIntegerField::MinValue, &TIntegerField::SetMinValue)
      .Integer("MaxValue", &TIntegerField::MaxValue, &TIntegerField::SetMaxValue);
}

TIntegerField::TIntegerField(TComponent* owner) : TNumericField(owner) { SetDataType(ftInteger); }

void TIntegerField::SetAsString(const std::string& text) {
  SetValue(Trim(text).empty() ? Variant::Null() : Variant(text));
}

Variant TIntegerField::ConvertValue(const Variant& value) const {
  if (value.IsBlank() || BlankText(value)) return Variant::Null();
  if (value.IsArray() || value.IsDispatch()) AccessError("Integer");
  int64_t v;
  if (value.IsText()) {
    std::string text = Trim(NarrowText(value, CodePage()));
    auto parsed = TryStrToInt64(text);
    if (!parsed) DatabaseError(Quoted(text) + " is not a valid integer value for field " + Quoted(DisplayName()));
    v = *parsed;
  } else if (value.Type() == VarType::kFloat || value.Type() == VarType::kDate) {
    double d = value.AsFloat();
    if (!std::isfinite(d) || std::fabs(d) > 9.2e18) {
      DatabaseError(FloatToStr(d) + " is not a valid value for field " + Quoted(DisplayName()));
    }
    v = value.AsInt64();
  } else {
    v = value.AsInt64();
  }
  int64_t lo = typeMin_, hi = typeMax_;
  if (minValue_ != 0 || maxValue_ != 0) {
    lo = minValue_;
    hi = maxValue_;
  }
  if (v < lo || v > hi) {
    DatabaseError(IntToStr(v) + " is not a valid value for field " + Quoted(DisplayName()) +
                  ". The allowed range is " + IntToStr(lo) + " to " + IntToStr(hi));
  }
  return Variant(v);
}

std::string TIntegerField::GetText(bool displayText) const {
  Variant v = Value();
  if (v.IsBlank()) return "";
  return FormatNumber(static_cast<double>(v.AsInt64()), displayText, true);
}

PELLOR_DEFINE_CLASS(TSmallintField, TIntegerField);
TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(ftSmallint);
  typeMin_ = -32768;
  typeMax_ = 32767;
}

PELLOR_DEFINE_CLASS(TWordField, TIntegerField);
TWordField::TWordField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(ftWord);
  typeMin_ = 0;
  typeMax_ = 65535;
}

PELLOR_DEFINE_CLASS(TLargeintField, TIntegerField);
TLargeintField::TLargeintField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(ftLargeint);
  typeMin_ = INT64_MIN;
  typeMax_ = INT64_MAX;
}

PELLOR_DEFINE_CLASS(TFloatField, TNumericField);

void TFloatField::DefineProperties(PropertyBuilder<TFloatField>& p) {
  p.Bool("Currency", &TFloatField::Currency, &TFloatField::SetCurrency)
      .Integer("Precision", &TFloatField::Precision, &TFloatField::SetPrecision)
      .Float("MinValue", &TFloatField::MinValue, &TFloatField::SetMinValue)
      .Float("MaxValue", &TFloatField::MaxValue, &TFloatField::SetMaxValue);
}

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) { SetDataType(ftFloat); }

void TFloatField::SetCurrency(bool currency) {
  if (currency == currency_) return;
  currency_ = currency;
  LayoutChanged();
}

void TFloatField::SetAsString(const std::string& text) {
  SetValue(Trim(text).empty() ? Variant::Null() : Variant(text));
}

Variant TFloatField::ConvertValue(const Variant& value) const {
  if (value.IsBlank() || BlankText(value)) return Variant::Null();
  if (value.IsArray() || value.IsDispatch()) AccessError("Float");
  double v;
  if (value.IsText()) {
    std::string text = Trim(NarrowText(value, CodePage()));
    auto parsed = TryStrToFloat(text);
    if (!parsed) DatabaseError(Quoted(text) + " is not a valid floating point value for field " + Quoted(DisplayName()));
    v = *parsed;
  } else if (value.Type() == VarType::kDate) {
    v = value.AsDate();
  } else {
    v = value.AsFloat();
  }
  if (!std::isfinite(v)) DatabaseError("Invalid floating point value for field " + Quoted(DisplayName()));
  if ((minValue_ != 0 || maxValue_ != 0) && (v < minValue_ || v > maxValue_)) {
    DatabaseError(FloatToStr(v) + " is not a valid value for field " + Quoted(DisplayName()) +
                  ". The allowed range is " + FloatToStr(minValue_) + " to " + FloatToStr(maxValue_));
  }
  return Variant(v);
}

std::string TFloatField::GetText(bool displayText) const {
  Variant v = Value();
  if (v.IsBlank()) return "";
  double d = v.AsFloat();
  const std::string& format = (displayText || EditFormat().empty()) ? DisplayFormat() : EditFormat();
  if (!format.empty()) return FormatFloat(format, d);
  if (currency_) return FormatFloat(displayText ? "#,##0.00" : "0.00", d);
  if (precision_ > 0 && precision_ < 15) return Format("%." + IntToStr(precision_) + "g", {Variant(d)});
  return FloatToStr(d);
}

PELLOR_DEFINE_CLASS(TCurrencyField, TFloatField);
TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

PELLOR_DEFINE_CLASS(TBCDField, TFloatField);
TBCDField::TBCDField(TComponent* owner) : TFloatField(owner) {
  SetDataType(ftBCD);
  SetSize(4);
}

// ---- booleans -----------------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TBooleanField, TField);

void TBooleanField::DefineProperties(PropertyBuilder<TBooleanField>& p) {
  p.Text("DisplayValues", &TBooleanField::DisplayValues, &TBooleanField::SetDisplayValues);
}

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { SetDataType(ftBoolean); }

namespace {

std::pair<std::string, std::string> BoolTexts(const std::string& displayValues) {
  size_t semi = displayValues.find(';');
  if (semi == std::string::npos) return {displayValues, ""};
  return {displayValues.substr(0, semi), displayValues.substr(semi + 1)};
}

bool PrefixOf(const std::string& typed, const std::string& full) {
  return !typed.empty() && typed.size() <= full.size() && SameText(typed, std::string_view(full).substr(0, typed.size()));
}

}  // namespace

void TBooleanField::SetDisplayValues(const std::string& values) {
  if (values == displayValues_) return;
  displayValues_ = values;
  LayoutChanged();
}

void TBooleanField::SetAsString(const std::string& text) {
  SetValue(text.empty() ? Variant::Null() : Variant(text));
}

Variant TBooleanField::ConvertValue(const Variant& value) const {
  if (value.IsBlank()) return Variant::Null();
  if (value.IsArray() || value.IsDispatch()) AccessError("Boolean");
  if (value.IsText()) {
    std::string text = Trim(NarrowText(value, CodePage()));
    if (text.empty()) return Variant::Null();
    auto [trueText, falseText] = BoolTexts(displayValues_);
    if (PrefixOf(text, falseText) || PrefixOf(text, "False")) return Variant(false);
    if (PrefixOf(text, trueText) || PrefixOf(text, "True")) return Variant(true);
    if (auto n = TryStrToFloat(text)) return Variant(*n != 0.0);
    DatabaseError(Quoted(text) + " is not a valid boolean value for field " + Quoted(DisplayName()));
  }
  return Variant(value.AsBoolean());
}

std::string TBooleanField::GetText(bool displayText) const {
  Variant v = Value();
  if (v.IsBlank()) return "";
  auto [trueText, falseText] = BoolTexts(displayValues_);
  return v.AsBoolean() ? trueText : falseText;
}

// ---- dates and times -------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TDateTimeField, TField);

void TDateTimeField::DefineProperties(PropertyBuilder<TDateTimeField>& p) {
  p.Text("DisplayFormat", &TDateTimeField::DisplayFormat, &TDateTimeField::SetDisplayFormat);
}

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { SetDataType(ftDateTime); }

void TDateTimeField::SetDisplayFormat(const std::string& format) {
  if (format == displayFormat_) return;
  displayFormat_ = format;
  Changed("DisplayFormat");
  LayoutChanged();
}

void TDateTimeField::SetAsString(const std::string& text) {
  SetValue(Trim(text).empty() ? Variant::Null() : Variant(text));
}

std::string TDateTimeField::AsString() const { return GetText(false); }

Variant TDateTimeField::ConvertValue(const Variant& value) const {
  if (value.IsBlank() || BlankText(value)) return Variant::Null();
  if (value.IsArray() || value.IsDispatch()) AccessError("DateTime");
  double d;
  if (value.IsText()) {
    std::string text = NarrowText(value, CodePage());
    auto parsed = ParseDateTimeText(text, DataType());
    if (!parsed) {
      const char* what = DataType() == ftDate ? "date" : DataType() == ftTime ? "time" : "date and time";
      throw EConvertError(Quoted(Trim(text)) + " is not a valid " + what);
    }
    d = *parsed;
  } else if (value.Type() == VarType::kBoolean) {
    AccessError("DateTime");
  } else {
    d = value.Type() == VarType::kDate ? value.AsDate() : value.AsFloat();
  }
  if (!std::isfinite(d)) DatabaseError("Invalid date for field " + Quoted(DisplayName()));
  if (DataType() == ftDate) d = std::trunc(d);
  if (DataType() == ftTime) d = std::fabs(d - std::trunc(d));
  return Variant::Date(d);
}

std::string TDateTimeField::GetText(bool displayText) const {
  Variant v = Value();
  if (v.IsBlank()) return "";
  double d = v.Type() == VarType::kDate ? v.AsDate() : v.AsFloat();
  std::string format;
  if (displayText && !displayFormat_.empty()) {
    format = displayFormat_;
  } else if (DataType() == ftDate) {
    format = CurrentFormatSettings().shortDateFormat;
  } else if (DataType() == ftTime) {
    format = CurrentFormatSettings().longTimeFormat;
  } else {
    format = "c";
  }
  return FormatDateTime(format, d);
}

PELLOR_DEFINE_CLASS(TDateField, TDateTimeField);
TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftDate); }

PELLOR_DEFINE_CLASS(TTimeField, TDateTimeField);
TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTime); }

// ---- bytes, blobs, memos ----------------------------------------------------------------

PELLOR_DEFINE_CLASS(TBinaryField, TField);

TBinaryField::TBinaryField(TComponent* owner) : TField(owner) {
  SetDataType(ftVarBytes);
  SetSize(16);
}

Variant TBinaryField::ConvertValue(const Variant& value) const {
  if (value.IsBlank()) return Variant::Null();
  if (value.Type() != VarType::kString) AccessError("Bytes");
  std::string bytes = value.RawString();
  if (Size() > 0 && bytes.size() > static_cast<size_t>(Size())) bytes.resize(Size());
  return Variant(std::move(bytes));
}

std::string TBinaryField::GetText(bool displayText) const {
  return DataType() == ftBytes ? "(BYTES)" : "(VARBYTES)";
}

PELLOR_DEFINE_CLASS(TBytesField, TBinaryField);
TBytesField::TBytesField(TComponent* owner) : TBinaryField(owner) { SetDataType(ftBytes); }

PELLOR_DEFINE_CLASS(TVarBytesField, TBinaryField);
TVarBytesField::TVarBytesField(TComponent* owner) : TBinaryField(owner) { SetDataType(ftVarBytes); }

PELLOR_DEFINE_CLASS(TBlobField, TField);

TBlobField::TBlobField(TComponent* owner) : TField(owner) { SetDataType(ftBlob); }

Variant TBlobField::ConvertValue(const Variant& value) const {
  if (value.IsBlank()) return Variant::Null();
  if (value.IsArray() || value.IsDispatch()) AccessError("Blob");
  return Variant(NarrowText(value, CodePage()));
}

std::string TBlobField::GetText(bool displayText) const {
  bool null = Value().IsBlank();
  if (DataType() == ftMemo) return null ? "(memo)" : "(MEMO)";
  return null ? "(blob)" : "(BLOB)";
}

PELLOR_DEFINE_CLASS(TMemoField, TBlobField);
TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftMemo); }

// ---- variants, objects, nested datasets, aggregates ------------------------------------

PELLOR_DEFINE_CLASS(TVariantField, TField);
TVariantField::TVariantField(TComponent* owner) : TField(owner) { SetDataType(ftVariant); }

Variant TVariantField::ConvertValue(const Variant& value) const {
  if (value.IsBlank()) return Variant::Null();
  if (value.IsDispatch()) AccessError("Object");
  return value;
}

PELLOR_DEFINE_CLASS(TObjectField, TVariantField);
TObjectField::TObjectField(TComponent* owner) : TVariantField(owner) { SetDataType(ftADT); }
std::string TObjectField::GetText(bool displayText) const { return "(ADT)"; }

PELLOR_DEFINE_CLASS(TDataSetField, TObjectField);
TDataSetField::TDataSetField(TComponent* owner) : TObjectField(owner) { SetDataType(ftDataSet); }
std::string TDataSetField::GetText(bool displayText) const { return "(DATASET)"; }

PELLOR_DEFINE_CLASS(TAggregateField, TField);

void TAggregateField::DefineProperties(PropertyBuilder<TAggregateField>& p) {
  p.Text("Expression", &TAggregateField::Expression, &TAggregateField::SetExpression)
      .Bool("Active", &TAggregateField::Active, &TAggregateField::SetActive)
      .Text("DisplayFormat", &TAggregateField::DisplayFormat, &TAggregateField::SetDisplayFormat);
}

TAggregateField::TAggregateField(TComponent* owner) : TField(owner) {
  SetDataType(ftAggregate);
  SetFieldKind(fkAggregate);
  SetAlignment(taRightJustify);
}

Variant TAggregateField::ConvertValue(const Variant& value) const {
  DatabaseError("Field " + Quoted(DisplayName()) + " cannot be modified");
}

std::string TAggregateField::GetText(bool displayText) const {
  Variant v = Value();
  if (v.IsBlank()) return "";
  if (v.IsNumeric() && !displayFormat_.empty()) return FormatFloat(displayFormat_, v.AsFloat());
  return v.AsString();
}

// ---- creation by type and class name ------------------------------------------------------

TField* CreateFieldOfType(TFieldType type, TComponent* owner) {
  switch (type) {
    case ftString: return new TStringField(owner);
    case ftFixedChar: {
      auto* f = new TStringField(owner);
      f->SetFixedChar(true);
      return f;
    }
    case ftWideString: return new TWideStringField(owner);
    case ftSmallint: return new TSmallintField(owner);
    case ftInteger: return new TIntegerField(owner);
    case ftWord: return new TWordField(owner);
    case ftLargeint: return new TLargeintField(owner);
    case ftBoolean: return new TBooleanField(owner);
    case ftFloat: return new TFloatField(owner);
    case ftCurrency: return new TCurrencyField(owner);
    case ftBCD: return new TBCDField(owner);
    case ftDate: return new TDateField(owner);
    case ftTime: return new TTimeField(owner);
    case ftDateTime: return new TDateTimeField(owner);
    case ftBytes: return new TBytesField(owner);
    case ftVarBytes: return new TVarBytesField(owner);
    case ftBlob: return new TBlobField(owner);
    case ftMemo: return new TMemoField(owner);
    case ftADT: return new TObjectField(owner);
    case ftDataSet: return new TDataSetField(owner);
    case ftAggregate: return new TAggregateField(owner);
    case ftVariant:
    case ftUnknown: return new TVariantField(owner);
  }
  return new TVariantField(owner);
}

TField* CreateFieldByClassName(std::string_view className, TComponent* owner) {
  struct Entry {
    std::string_view name;
    TFieldType type;
  };
  static constexpr Entry kClasses[] = {
      {"TStringField", ftString},       {"TWideStringField", ftWideString}, {"TSmallintField", ftSmallint},
      {"TIntegerField", ftInteger},     {"TWordField", ftWord},             {"TLargeintField", ftLargeint},
      {"TBooleanField", ftBoolean},     {"TFloatField", ftFloat},           {"TCurrencyField", ftCurrency},
      {"TBCDField", ftBCD},             {"TDateField", ftDate},             {"TTimeField", ftTime},
      {"TDateTimeField", ftDateTime},   {"TBytesField", ftBytes},           {"TVarBytesField", ftVarBytes},
      {"TBlobField", ftBlob},           {"TMemoField", ftMemo},             {"TObjectField", ftADT},
      {"TADTField", ftADT},             {"TDataSetField", ftDataSet},       {"TVariantField", ftVariant},
      {"TAggregateField", ftAggregate},
  };
  for (const Entry& e : kClasses)
    if (SameText(e.name, className)) return CreateFieldOfType(e.type, owner);
  return nullptr;
}

}  // namespace pellor
