#include "platform/rtl/variant.h"

#include <cmath>
#include <limits>

#include "platform/rtl/codepage.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

const std::string& EmptyString() {
  static const std::string empty;
  return empty;
}

const std::u16string& EmptyWide() {
  static const std::u16string empty;
  return empty;
}

[[noreturn]] void CannotConvert(VarType from, const char* to) {
  throw EVariantError(std::string("Could not convert variant of type (") + VarTypeName(from) +
                      ") into type (" + to + ")");
}

[[noreturn]] void BadTextConversion(const std::string& text, const char* to) {
  throw EConvertError("Could not convert variant of type (String) into type (" + std::string(to) +
                      "): '" + text + "'");
}

}  // namespace

const char* VarTypeName(VarType type) {
  switch (type) {
    case VarType::kEmpty: return "Empty";
    case VarType::kNull: return "Null";
    case VarType::kInteger: return "Integer";
    case VarType::kFloat: return "Double";
    case VarType::kBoolean: return "Boolean";
    case VarType::kString: return "String";
    case VarType::kWideString: return "OleStr";
    case VarType::kDate: return "Date";
    case VarType::kDispatch: return "Dispatch";
    case VarType::kArray: return "Array";
  }
  return "Unknown";
}

Variant::Variant() : int_(0) {}
Variant::Variant(int value) : type_(VarType::kInteger), int_(value) {}
Variant::Variant(int64_t value) : type_(VarType::kInteger), int_(value) {}
Variant::Variant(unsigned value) : type_(VarType::kInteger), int_(value) {}
Variant::Variant(double value) : type_(VarType::kFloat), float_(value) {}
Variant::Variant(bool value) : type_(VarType::kBoolean), int_(0) { bool_ = value; }

Variant::Variant(const char* text)
    : type_(VarType::kString), int_(0),
      text_(std::make_shared<const std::string>(text ? text : "")) {}

Variant::Variant(std::string text)
    : type_(VarType::kString), int_(0), text_(std::make_shared<const std::string>(std::move(text))) {}

Variant::Variant(std::u16string text)
    : type_(VarType::kWideString), int_(0),
      wide_(std::make_shared<const std::u16string>(std::move(text))) {}

Variant::Variant(const char16_t* text)
    : type_(VarType::kWideString), int_(0),
      wide_(std::make_shared<const std::u16string>(text ? text : u"")) {}

Variant::Variant(DispatchPtr object) : int_(0) {
  if (object) {
    type_ = VarType::kDispatch;
    dispatch_ = std::move(object);
  }
}

Variant::Variant(const Variant& other) : int_(0) { CopyFrom(other); }

Variant::Variant(Variant&& other) noexcept
    : type_(other.type_),
      int_(other.int_),
      text_(std::move(other.text_)),
      wide_(std::move(other.wide_)),
      array_(std::move(other.array_)),
      dispatch_(std::move(other.dispatch_)) {
  other.type_ = VarType::kEmpty;
  other.int_ = 0;
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    // Copy first: `other` may live inside this Variant's own array.
    Variant copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    // Keep the old payload alive until the move is done: `other` may be an
    // element of the array this Variant is about to drop.
    auto oldArray = std::move(array_);
    type_ = other.type_;
    int_ = other.int_;
    text_ = std::move(other.text_);
    wide_ = std::move(other.wide_);
    array_ = std::move(other.array_);
    dispatch_ = std::move(other.dispatch_);
    other.type_ = VarType::kEmpty;
    other.int_ = 0;
  }
  return *this;
}

Variant::~Variant() = default;

void Variant::CopyFrom(const Variant& other) {
  type_ = other.type_;
  int_ = other.int_;
  text_ = other.text_;
  wide_ = other.wide_;
  array_ = other.array_;
  dispatch_ = other.dispatch_;
}

Variant Variant::Null() {
  Variant v;
  v.type_ = VarType::kNull;
  return v;
}

Variant Variant::Date(double dayCount) {
  Variant v;
  v.type_ = VarType::kDate;
  v.float_ = dayCount;
  return v;
}

Variant Variant::Array(int high) {
  if (high < -1) throw EVariantError("Variant array bounds error: high bound " + IntToStr(high));
  Variant v;
  v.type_ = VarType::kArray;
  auto data = std::make_shared<VarArrayData>();
  data->dims = 1;
  data->high1 = high;
  data->items.resize(static_cast<size_t>(high + 1));
  v.array_ = std::move(data);
  return v;
}

Variant Variant::Array2(int high1, int high2) {
  if (high1 < -1 || high2 < -1) {
    throw EVariantError("Variant array bounds error: high bounds " + IntToStr(high1) + ", " +
                        IntToStr(high2));
  }
  Variant v;
  v.type_ = VarType::kArray;
  auto data = std::make_shared<VarArrayData>();
  data->dims = 2;
  data->high1 = high1;
  data->high2 = high2;
  data->items.resize(static_cast<size_t>(high1 + 1) * static_cast<size_t>(high2 + 1));
  v.array_ = std::move(data);
  return v;
}

Variant Variant::ArrayOf(std::initializer_list<Variant> items) {
  return ArrayOf(std::vector<Variant>(items));
}

Variant Variant::ArrayOf(const std::vector<Variant>& items) {
  Variant v = Array(static_cast<int>(items.size()) - 1);
  v.array_->items = items;
  return v;
}

Variant Variant::ArrayOf(std::vector<Variant>&& items) {
  Variant v = Array(-1);
  v.array_->high1 = static_cast<int>(items.size()) - 1;
  v.array_->items = std::move(items);
  return v;
}

const VarArrayData& Variant::ArrayData() const {
  if (type_ != VarType::kArray) throw EVariantError("Variant is not an array");
  return *array_;
}

VarArrayData& Variant::MutableArray() {
  if (type_ != VarType::kArray) throw EVariantError("Variant is not an array");
  if (array_.use_count() > 1) array_ = std::make_shared<VarArrayData>(*array_);
  return *array_;
}

int Variant::Dims() const { return type_ == VarType::kArray ? array_->dims : 0; }

int Variant::HighBound(int dim) const {
  const VarArrayData& data = ArrayData();
  if (dim == 1) return data.high1;
  if (dim == 2 && data.dims == 2) return data.high2;
  throw EVariantError("Variant array has no dimension " + IntToStr(dim));
}

int Variant::Count() const {
  if (type_ != VarType::kArray) return 0;
  return array_->dims == 1 ? array_->high1 + 1 : static_cast<int>(array_->items.size());
}

static void CheckIndex(const VarArrayData& data, int dims, int i, int j) {
  if (data.dims != dims) {
    throw EVariantError("Variant array has " + IntToStr(data.dims) + " dimension(s), accessed with " +
                        IntToStr(dims) + " index(es)");
  }
  if (i < 0 || i > data.high1 || (dims == 2 && (j < 0 || j > data.high2))) {
    throw EVariantError("Variant array index out of bounds: " + IntToStr(i) +
                        (dims == 2 ? ", " + IntToStr(j) : std::string()));
  }
}

const Variant& Variant::operator[](int i) const {
  const VarArrayData& data = ArrayData();
  CheckIndex(data, 1, i, 0);
  return data.items[static_cast<size_t>(i)];
}

Variant& Variant::operator[](int i) {
  CheckIndex(ArrayData(), 1, i, 0);
  return MutableArray().items[static_cast<size_t>(i)];
}

const Variant& Variant::At(int i, int j) const {
  const VarArrayData& data = ArrayData();
  CheckIndex(data, 2, i, j);
  return data.items[static_cast<size_t>(i) * static_cast<size_t>(data.high2 + 1) +
                    static_cast<size_t>(j)];
}

Variant& Variant::At(int i, int j) {
  CheckIndex(ArrayData(), 2, i, j);
  VarArrayData& data = MutableArray();
  return data.items[static_cast<size_t>(i) * static_cast<size_t>(data.high2 + 1) +
                    static_cast<size_t>(j)];
}

void Variant::RedimPreserve(int newHigh) {
  if (newHigh < -1) throw EVariantError("Variant array bounds error: high bound " + IntToStr(newHigh));
  VarArrayData& data = MutableArray();
  if (data.dims == 1) {
    data.high1 = newHigh;
    data.items.resize(static_cast<size_t>(newHigh + 1));
    return;
  }
  // Row-major storage: growing the last dimension moves every row.
  const size_t oldWidth = static_cast<size_t>(data.high2 + 1);
  const size_t newWidth = static_cast<size_t>(newHigh + 1);
  const size_t rows = static_cast<size_t>(data.high1 + 1);
  std::vector<Variant> items(rows * newWidth);
  for (size_t r = 0; r < rows; ++r) {
    for (size_t c = 0; c < std::min(oldWidth, newWidth); ++c) {
      items[r * newWidth + c] = std::move(data.items[r * oldWidth + c]);
    }
  }
  data.items = std::move(items);
  data.high2 = newHigh;
}

std::vector<Variant> Variant::Elements() const {
  const VarArrayData& data = ArrayData();
  if (data.dims != 1) throw EVariantError("Variant array is not one-dimensional");
  return data.items;
}

const std::string& Variant::RawString() const {
  return type_ == VarType::kString ? *text_ : EmptyString();
}

const std::u16string& Variant::RawWideString() const {
  return type_ == VarType::kWideString ? *wide_ : EmptyWide();
}

std::string Variant::AsString() const {
  switch (type_) {
    case VarType::kEmpty: return std::string();
    case VarType::kInteger: return IntToStr(int_);
    case VarType::kFloat: return FloatToStr(float_);
    case VarType::kBoolean: return bool_ ? "True" : "False";
    case VarType::kString: return *text_;
    case VarType::kWideString: return WideToAnsi(*wide_, SystemCodePage());
    case VarType::kDate: return FormatDateTime("c", float_);
    default: CannotConvert(type_, "String");
  }
}

std::u16string Variant::AsWideString() const {
  switch (type_) {
    case VarType::kWideString: return *wide_;
    case VarType::kString: return AnsiToWide(*text_, SystemCodePage());
    default: return AnsiToWide(AsString(), SystemCodePage());
  }
}

int64_t Variant::AsInt64() const {
  switch (type_) {
    case VarType::kEmpty: return 0;
    case VarType::kInteger: return int_;
    case VarType::kBoolean: return bool_ ? -1 : 0;
    case VarType::kFloat:
    case VarType::kDate: {
      double rounded = std::nearbyint(float_);  // half to even, as the original
      if (!(rounded >= -9.2233720368547758e18 && rounded < 9.2233720368547758e18)) {
        throw EVariantError("Variant overflow: " + FloatToStr(float_) + " is not an integer value");
      }
      return static_cast<int64_t>(rounded);
    }
    case VarType::kString:
    case VarType::kWideString: {
      std::string text = AsString();
      if (auto value = TryStrToInt64(text)) return *value;
      // The original accepted "1.0"-style texts for integers by way of floats.
      if (auto f = TryStrToFloat(text)) return Variant(*f).AsInt64();
      BadTextConversion(text, "Integer");
    }
    default: CannotConvert(type_, "Integer");
  }
}

int Variant::AsInteger() const {
  int64_t value = AsInt64();
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
    throw EVariantError("Variant overflow: " + IntToStr(value) + " does not fit an Integer");
  }
  return static_cast<int>(value);
}

double Variant::AsFloat() const {
  switch (type_) {
    case VarType::kEmpty: return 0.0;
    case VarType::kInteger: return static_cast<double>(int_);
    case VarType::kBoolean: return bool_ ? -1.0 : 0.0;
    case VarType::kFloat:
    case VarType::kDate: return float_;
    case VarType::kString:
    case VarType::kWideString: {
      std::string text = AsString();
      if (auto value = TryStrToFloat(text)) return *value;
      BadTextConversion(text, "Double");
    }
    default: CannotConvert(type_, "Double");
  }
}

bool Variant::AsBoolean() const {
  switch (type_) {
    case VarType::kEmpty: return false;
    case VarType::kBoolean: return bool_;
    case VarType::kInteger: return int_ != 0;
    case VarType::kFloat:
    case VarType::kDate: return float_ != 0.0;
    case VarType::kString:
    case VarType::kWideString: {
      std::string text = Trim(AsString());
      if (SameText(text, "True")) return true;
      if (SameText(text, "False")) return false;
      if (auto value = TryStrToFloat(text)) return *value != 0.0;
      BadTextConversion(text, "Boolean");
    }
    default: CannotConvert(type_, "Boolean");
  }
}

double Variant::AsDate() const {
  switch (type_) {
    case VarType::kEmpty: return 0.0;
    case VarType::kDate:
    case VarType::kFloat: return float_;
    case VarType::kInteger: return static_cast<double>(int_);
    default: CannotConvert(type_, "Date");
  }
}

DispatchPtr Variant::AsDispatch() const {
  if (type_ == VarType::kDispatch) return dispatch_;
  if (type_ == VarType::kEmpty) return nullptr;
  CannotConvert(type_, "Dispatch");
}

bool Variant::operator==(const Variant& other) const {
  if (IsNumeric() && other.IsNumeric()) {
    if (type_ == VarType::kInteger && other.type_ == VarType::kInteger) return int_ == other.int_;
    return AsFloat() == other.AsFloat();
  }
  if (type_ != other.type_) return false;
  switch (type_) {
    case VarType::kEmpty:
    case VarType::kNull: return true;
    case VarType::kBoolean: return bool_ == other.bool_;
    case VarType::kDate: return float_ == other.float_;
    case VarType::kString: return *text_ == *other.text_;
    case VarType::kWideString: return *wide_ == *other.wide_;
    case VarType::kDispatch: return dispatch_ == other.dispatch_;
    case VarType::kArray:
      return array_ == other.array_ ||
             (array_->dims == other.array_->dims && array_->high1 == other.array_->high1 &&
              array_->high2 == other.array_->high2 && array_->items == other.array_->items);
    default: return false;
  }
}

std::string VarToStr(const Variant& value) {
  if (value.IsNull()) return std::string();
  return value.AsString();
}

}  // namespace pellor
