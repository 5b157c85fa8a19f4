// Variant: the tagged value that crosses every boundary of the system.
//
// Host parameters, outside calls and their results, dataset field values and
// the cells of profile tables are all Variants. A Variant is empty, null, an
// integer, a float, a boolean, a narrow text (bytes in some code page), a wide
// text (UTF-16), a date (day count from 1899-12-30, time as fraction), a
// dispatch object, or an array of one or two dimensions whose indices start
// at 0.
//
// Copying is cheap: texts and arrays are shared and copied on the first write,
// so arrays behave as values (changing a copy never changes the original).
#ifndef PELLOR_RTL_VARIANT_H_
#define PELLOR_RTL_VARIANT_H_

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace pellor {

class IDispatchObject;
using DispatchPtr = std::shared_ptr<IDispatchObject>;

enum class VarType : uint8_t {
  kEmpty,
  kNull,
  kInteger,   // 64-bit signed
  kFloat,     // double
  kBoolean,
  kString,    // narrow text
  kWideString,
  kDate,      // double day count
  kDispatch,
  kArray,
};

// Name of a type as error messages show it ("String", "Array" ...).
const char* VarTypeName(VarType type);

class Variant;

// The element store of an array Variant. Row-major for two dimensions:
// element (i, j) sits at i * (high2 + 1) + j.
struct VarArrayData {
  int dims = 1;
  int high1 = -1;  // -1: no elements
  int high2 = -1;  // only for two dimensions
  std::vector<Variant> items;
};

class Variant {
 public:
  Variant();  // empty
  Variant(int value);
  Variant(int64_t value);
  Variant(unsigned value);
  Variant(double value);
  Variant(bool value);
  Variant(const char* text);  // narrow text; nullptr gives an empty text
  Variant(std::string text);
  Variant(std::u16string text);
  Variant(const char16_t* text);
  Variant(DispatchPtr object);  // a null pointer gives an empty Variant

  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  static Variant Null();
  static Variant Date(double dayCount);
  // One dimension, indices 0..high (high -1 gives no elements).
  static Variant Array(int high);
  // Two dimensions, indices 0..high1 × 0..high2.
  static Variant Array2(int high1, int high2);
  // A one-dimensional array holding the given values in order.
  static Variant ArrayOf(std::initializer_list<Variant> items);
  static Variant ArrayOf(const std::vector<Variant>& items);
  // Takes the items over without copying them (packets of many rows).
  static Variant ArrayOf(std::vector<Variant>&& items);

  VarType Type() const { return type_; }
  bool IsEmpty() const { return type_ == VarType::kEmpty; }
  bool IsNull() const { return type_ == VarType::kNull; }
  // Empty or null: "no value".
  bool IsBlank() const { return IsEmpty() || IsNull(); }
  bool IsArray() const { return type_ == VarType::kArray; }
  bool IsText() const { return type_ == VarType::kString || type_ == VarType::kWideString; }
  bool IsNumeric() const { return type_ == VarType::kInteger || type_ == VarType::kFloat; }
  bool IsDispatch() const { return type_ == VarType::kDispatch && dispatch_ != nullptr; }

  // Array shape. Dims() is 0 for a non-array. HighBound(dim) counts dims
  // from 1 and raises EVariantError for a non-array or a dimension it lacks.
  int Dims() const;
  int HighBound(int dim = 1) const;
  // Element count of a one-dimensional array (HighBound + 1); 0 for a non-array.
  int Count() const;

  // Element access; indices out of range or the wrong number of indices
  // raise EVariantError. The writable forms unshare the array first.
  const Variant& operator[](int i) const;
  Variant& operator[](int i);
  const Variant& At(int i, int j) const;
  Variant& At(int i, int j);
  // Grows or shrinks the last dimension, keeping what fits.
  void RedimPreserve(int newHigh);
  // The elements of a one-dimensional array, in order.
  std::vector<Variant> Elements() const;

  // Conversions in the manner of the original platform. Each raises
  // EVariantError (wrong type) or EConvertError (a text that is no number)
  // when the value cannot be converted.
  //   AsString: empty → "", numbers in decimal (floats with up to 15
  //   significant digits), booleans "True"/"False", dates in the user's short
  //   date and long time format (time dropped when zero), wide text narrowed
  //   through the machine code page. Null, arrays and objects raise.
  //   AsInteger: empty → 0, floats rounded half to even, booleans -1/0,
  //   texts parsed as decimal integers (surrounding blanks allowed).
  //   AsFloat: as AsInteger without rounding.
  //   AsBoolean: numbers non-zero, texts "True"/"False" (any case) or numbers.
  std::string AsString() const;
  std::u16string AsWideString() const;
  int64_t AsInt64() const;
  int AsInteger() const;
  double AsFloat() const;
  bool AsBoolean() const;
  double AsDate() const;
  DispatchPtr AsDispatch() const;

  // Direct views of the stored value for a caller that checked Type().
  const std::string& RawString() const;
  const std::u16string& RawWideString() const;

  // Equality by type and value; arrays compare element by element, objects by
  // identity. Integer 1 and float 1.0 are equal; a narrow and a wide text are
  // not compared across code pages and are unequal.
  bool operator==(const Variant& other) const;
  bool operator!=(const Variant& other) const { return !(*this == other); }

 private:
  void CopyFrom(const Variant& other);
  VarArrayData& MutableArray();
  const VarArrayData& ArrayData() const;

  VarType type_ = VarType::kEmpty;
  union {
    int64_t int_;
    double float_;
    bool bool_;
  };
  std::shared_ptr<const std::string> text_;
  std::shared_ptr<const std::u16string> wide_;
  std::shared_ptr<VarArrayData> array_;
  DispatchPtr dispatch_;
};

// Text of a value where null and empty read as "" (the original VarToStr).
std::string VarToStr(const Variant& value);

}  // namespace pellor

#endif  // PELLOR_RTL_VARIANT_H_
