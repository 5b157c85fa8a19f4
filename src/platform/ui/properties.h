// Published properties: an object's state read and written by name.
//
// Settings documents, language packages and the code-page converter reach
// components and their properties by name at run time ("edMF001" / "Caption",
// "Font.Charset", "Items"). Each class that takes part lists its published
// properties once, in a table of its own; a look-up walks the class chain from
// the most derived class upwards, so a class inherits its ancestors'
// properties and may redeclare one. Event slots ("OnClick") and the handler
// methods a form or data module offers ("miAddClick") sit in the same tables,
// so that a template binds `OnClick = miAddClick` by names.
//
// Registering a class (see PELLOR_CLASS in component.h for the class itself):
//
//   class TFoo : public TControl {
//     PELLOR_CLASS(TFoo);
//    public:
//     ...
//    private:
//     static void DefineProperties(pellor::PropertyBuilder<TFoo>& p);
//   };
//
//   void TFoo::DefineProperties(PropertyBuilder<TFoo>& p) {
//     p.Integer("Gap", &TFoo::Gap, &TFoo::SetGap)
//      .Enum("Pos", kPosInfo, &TFoo::Pos, &TFoo::SetPos)
//      .Event("OnChange", &TFoo::OnChange);
//   }
//
// A class without a DefineProperties of its own simply has no own entries.
// Tables are built on first use, so registration costs nothing at load time.
#ifndef PELLOR_UI_PROPERTIES_H_
#define PELLOR_UI_PROPERTIES_H_

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <vector>

#include "platform/rtl/errors.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/variant.h"

namespace pellor {

class TClassInfo;
class TComponent;
class TPersistent;

// A property name or value was refused: unknown name, read-only property,
// text that is no value of the property's type, unknown component or handler.
// Callers that apply outside documents decide whether to swallow it.
PELLOR_DECLARE_ERROR(EPropertyError, Exception);

// A set of enumeration values (at most 64), the way the original platform's
// "set of" types work: `TFontStyles{fsBold, fsItalic}`.
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E item : items) Include(item);
  }
  static constexpr TSet FromBits(uint64_t bits) {
    TSet set;
    set.bits_ = bits;
    return set;
  }
  constexpr uint64_t Bits() const { return bits_; }
  constexpr bool Contains(E item) const { return (bits_ & Bit(item)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TSet& Include(E item) {
    bits_ |= Bit(item);
    return *this;
  }
  constexpr TSet& Exclude(E item) {
    bits_ &= ~Bit(item);
    return *this;
  }
  constexpr TSet operator+(TSet other) const { return FromBits(bits_ | other.bits_); }
  constexpr TSet operator-(TSet other) const { return FromBits(bits_ & ~other.bits_); }
  constexpr TSet operator*(TSet other) const { return FromBits(bits_ & other.bits_); }
  constexpr bool operator==(const TSet& other) const = default;

 private:
  static constexpr uint64_t Bit(E item) { return uint64_t{1} << static_cast<unsigned>(item); }
  uint64_t bits_ = 0;
};

// The value names of an enumeration type, in ordinal order. Declare them as
// constants next to the enumeration:
//   inline constexpr std::string_view kAlignNames[] = {"alNone", "alTop", ...};
//   inline constexpr TEnumInfo kAlignInfo{"TAlign", kAlignNames};
struct TEnumInfo {
  std::string_view typeName;
  std::span<const std::string_view> names;

  // Ordinal of a value name (case ignored), or -1.
  int Ordinal(std::string_view name) const;
};

inline constexpr std::string_view kBooleanNames[] = {"False", "True"};
inline constexpr TEnumInfo kBooleanInfo{"Boolean", kBooleanNames};

// Integer values that have names of their own (character sets, cursors). An
// integer property with such a map takes the names as well as numbers and
// shows a value by its name when it has one.
struct TIdentEntry {
  int64_t value;
  std::string_view name;
};
struct TIdentMap {
  std::string_view typeName;
  std::span<const TIdentEntry> entries;

  std::optional<int64_t> ValueOf(std::string_view name) const;  // case ignored
  std::optional<std::string_view> NameOf(int64_t value) const;  // first entry wins
};

enum class PropKind : uint8_t {
  kInteger,    // integral value; optionally with an ident map
  kFloat,
  kText,       // byte string
  kChar,       // one byte
  kEnum,       // value names from a TEnumInfo; read as the name
  kBoolean,    // read as a Variant boolean; "True"/"False" as text
  kSet,        // TSet of an enumeration; text form "[a,b]"
  kColor,      // TColor; names (clRed) and "$00BBGGRR" hex as text
  kStrings,    // TStringList; read and written as its whole text
  kObject,     // owned sub-object (TPersistent); reached through dotted paths
  kFont,       // an owned TFont: kObject of the font type
  kReference,  // a component elsewhere, written as its name
};
const char* PropKindName(PropKind kind);

// What a class table knows of one published property. The accessors are
// filled by PropertyBuilder; only the ones of the property's kind are set,
// and a read-only property has no setter.
struct TPropInfo {
  std::string name;
  PropKind kind = PropKind::kInteger;
  const TEnumInfo* enumType = nullptr;      // kEnum, kBoolean, kSet
  const TIdentMap* idents = nullptr;        // kInteger (optional)
  const TClassInfo* objectClass = nullptr;  // kObject, kFont, kReference
  int64_t minValue = 0;                     // kInteger: range of the C++ type
  int64_t maxValue = 0;

  std::function<int64_t(TPersistent&)> getOrdinal;  // integer, char, enum, boolean, set bits, colour
  std::function<void(TPersistent&, int64_t)> setOrdinal;
  std::function<double(TPersistent&)> getFloat;
  std::function<void(TPersistent&, double)> setFloat;
  std::function<std::string(TPersistent&)> getText;
  std::function<void(TPersistent&, const std::string&)> setText;
  std::function<TStringList(TPersistent&)> getStrings;
  std::function<void(TPersistent&, const TStringList&)> setStrings;
  std::function<TPersistent*(TPersistent&)> getObject;  // object, font, reference
  // Reference setter; false when the component is not of the property's class.
  std::function<bool(TPersistent&, TComponent*)> setReference;

  bool ReadOnly() const;
};

// An event slot: a std::function member of the component.
struct TEventInfo {
  std::string name;
  std::type_index signature = typeid(void);  // typeid(std::function<Sig>)
  std::function<void(TPersistent&, const std::any&)> assign;  // any holds std::function<Sig>
  std::function<void(TPersistent&)> clear;
  std::function<bool(TPersistent&)> assigned;
};

// A handler method that a form or data module offers for binding by name.
struct THandlerInfo {
  std::string name;
  std::type_index signature = typeid(void);
  // A std::function<Sig> calling the method on `owner`, inside a std::any.
  std::function<std::any(TComponent& owner)> bind;
};

// The entries one class declares itself.
class TPropertyTable {
 public:
  // Each raises EPropertyError when the class already declared that name.
  void AddProperty(TPropInfo info);
  void AddEvent(TEventInfo info);
  void AddHandler(THandlerInfo info);

  const TPropInfo* FindProperty(std::string_view name) const;
  const TEventInfo* FindEvent(std::string_view name) const;
  const THandlerInfo* FindHandler(std::string_view name) const;
  const std::vector<std::unique_ptr<TPropInfo>>& Properties() const { return properties_; }

 private:
  std::vector<std::unique_ptr<TPropInfo>> properties_;
  std::vector<std::unique_ptr<TEventInfo>> events_;
  std::vector<std::unique_ptr<THandlerInfo>> handlers_;
};

// One class of the class chain: its name, its parent and its table. There is
// one per class, made by PELLOR_DEFINE_CLASS.
class TClassInfo {
 public:
  using Definer = void (*)(TPropertyTable& table);

  TClassInfo(std::string_view name, const TClassInfo* parent, Definer define);
  ~TClassInfo();
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const std::string& ClassName() const { return name_; }
  const TClassInfo* ClassParent() const { return parent_; }
  // True for this class and every class it derives from; names compare
  // without regard to case, as class names in packages and documents do.
  bool InheritsFrom(std::string_view className) const;
  bool InheritsFrom(const TClassInfo& other) const;

  // Look-ups walk from this class towards the root; nullptr when none.
  const TPropInfo* FindProperty(std::string_view name) const;
  const TEventInfo* FindEvent(std::string_view name) const;
  const THandlerInfo* FindHandler(std::string_view name) const;
  // Every published property, ancestors' first; a redeclared property is
  // listed once, in its first place, with the most derived declaration.
  std::vector<const TPropInfo*> Properties() const;

  // The table builder of T: its DefineProperties when T declares one itself.
  template <class T>
  static Definer DefinerOf();

 private:
  const TPropertyTable& Table() const;

  std::string name_;
  const TClassInfo* parent_;
  Definer define_;
  mutable std::once_flag built_;
  mutable std::unique_ptr<TPropertyTable> table_;
};

// Fills the table of class T. Getters are member functions (or callables
// taking T&); setters are member functions taking the value, or nullptr for a
// read-only property. Every call returns the builder, so calls chain.
template <class T>
class PropertyBuilder {
 public:
  explicit PropertyBuilder(TPropertyTable& table) : table_(table) {}

  template <class G, class S = std::nullptr_t>
  PropertyBuilder& Integer(std::string_view name, G get, S set = nullptr,
                           const TIdentMap* idents = nullptr) {
    using V = Value<G>;
    static_assert(std::is_integral_v<V> && !std::is_same_v<V, bool> && !std::is_same_v<V, char>,
                  "Integer properties have an integral type");
    TPropInfo info = Make(name, PropKind::kInteger);
    info.idents = idents;
    info.minValue = static_cast<int64_t>(std::numeric_limits<V>::min());
    info.maxValue = std::numeric_limits<V>::max() > static_cast<uint64_t>(INT64_MAX)
                        ? INT64_MAX
                        : static_cast<int64_t>(std::numeric_limits<V>::max());
    info.getOrdinal = [get](TPersistent& o) { return static_cast<int64_t>(std::invoke(get, Self(o))); };
    if constexpr (!std::is_null_pointer_v<S>) {
      info.setOrdinal = [set](TPersistent& o, int64_t v) { std::invoke(set, Self(o), static_cast<V>(v)); };
    }
    return Add(std::move(info));
  }

  template <class G, class S = std::nullptr_t>
  PropertyBuilder& Float(std::string_view name, G get, S set = nullptr) {
    static_assert(std::is_floating_point_v<Value<G>>, "Float properties have a floating type");
    TPropInfo info = Make(name, PropKind::kFloat);
    info.getFloat = [get](TPersistent& o) { return static_cast<double>(std::invoke(get, Self(o))); };
    if constexpr (!std::is_null_pointer_v<S>) {
      info.setFloat = [set](TPersistent& o, double v) { std::invoke(set, Self(o), static_cast<Value<G>>(v)); };
    }
    return Add(std::move(info));
  }

  template <class G, class S = std::nullptr_t>
  PropertyBuilder& Text(std::string_view name, G get, S set = nullptr) {
    TPropInfo info = Make(name, PropKind::kText);
    info.getText = [get](TPersistent& o) { return std::string(std::invoke(get, Self(o))); };
    if constexpr (!std::is_null_pointer_v<S>) {
      info.setText = [set](TPersistent& o, const std::string& v) { std::invoke(set, Self(o), v); };
    }
    return Add(std::move(info));
  }

  template <class G, class S = std::nullptr_t>
  PropertyBuilder& Char(std::string_view name, G get, S set = nullptr) {
    static_assert(std::is_same_v<Value<G>, char>, "Char properties have type char");
    TPropInfo info = Make(name, PropKind::kChar);
    info.getOrdinal = [get](TPersistent& o) {
      return static_cast<int64_t>(static_cast<unsigned char>(std::invoke(get, Self(o))));
    };
    if constexpr (!std::is_null_pointer_v<S>) {
      info.setOrdinal = [set](TPersistent& o, int64_t v) { std::invoke(set, Self(o), static_cast<char>(v)); };
    }
    return Add(std::move(info));
  }

  template <class G, class S = std::nullptr_t>
  PropertyBuilder& Enum(std::string_view name, const TEnumInfo& type, G get, S set = nullptr) {
    using V = Value<G>;
    static_assert(std::is_enum_v<V> || std::is_integral_v<V>, "Enum properties have an enumeration type");
    TPropInfo info = Make(name, PropKind::kEnum);
    info.enumType = &type;
    info.getOrdinal = [get](TPersistent& o) { return static_cast<int64_t>(std::invoke(get, Self(o))); };
    if constexpr (!std::is_null_pointer_v<S>) {
      info.setOrdinal = [set](TPersistent& o, int64_t v) { std::invoke(set, Self(o), static_cast<V>(v)); };
    }
    return Add(std::move(info));
  }

  template <class G, class S = std::nullptr_t>
  PropertyBuilder& Bool(std::string_view name, G get, S set = nullptr) {
    static_assert(std::is_same_v<Value<G>, bool>, "Bool properties have type bool");
    TPropInfo info = Make(name, PropKind::kBoolean);
    info.enumType = &kBooleanInfo;
    info.getOrdinal = [get](TPersistent& o) { return std::invoke(get, Self(o)) ? int64_t{1} : int64_t{0}; };
    if constexpr (!std::is_null_pointer_v<S>) {
      info.setOrdinal = [set](TPersistent& o, int64_t v) { std::invoke(set, Self(o), v != 0); };
    }
    return Add(std::move(info));
  }

  // A TSet<E> property whose element names are `type`.
  template <class G, class S = std::nullptr_t>
  PropertyBuilder& Set(std::string_view name, const TEnumInfo& type, G get, S set = nullptr) {
    using V = Value<G>;
    TPropInfo info = Make(name, PropKind::kSet);
    info.enumType = &type;
    info.getOrdinal = [get](TPersistent& o) { return static_cast<int64_t>(std::invoke(get, Self(o)).Bits()); };
    if constexpr (!std::is_null_pointer_v<S>) {
      info.setOrdinal = [set](TPersistent& o, int64_t v) {
        std::invoke(set, Self(o), V::FromBits(static_cast<uint64_t>(v)));
      };
    }
    return Add(std::move(info));
  }

  // A TColor property (graphics.h).
  template <class G, class S = std::nullptr_t>
  PropertyBuilder& Color(std::string_view name, G get, S set = nullptr) {
    using V = Value<G>;
    static_assert(std::is_integral_v<V> && sizeof(V) == 4, "Color properties have type TColor");
    TPropInfo info = Make(name, PropKind::kColor);
    info.getOrdinal = [get](TPersistent& o) { return static_cast<int64_t>(std::invoke(get, Self(o))); };
    if constexpr (!std::is_null_pointer_v<S>) {
      info.setOrdinal = [set](TPersistent& o, int64_t v) { std::invoke(set, Self(o), static_cast<V>(v)); };
    }
    return Add(std::move(info));
  }

  // A string list: the getter gives the list, the setter takes a whole list
  // (so the class sees every change and can keep its selection).
  template <class G, class S = std::nullptr_t>
  PropertyBuilder& Strings(std::string_view name, G get, S set = nullptr) {
    TPropInfo info = Make(name, PropKind::kStrings);
    info.getStrings = [get](TPersistent& o) { return TStringList(std::invoke(get, Self(o))); };
    if constexpr (!std::is_null_pointer_v<S>) {
      info.setStrings = [set](TPersistent& o, const TStringList& v) { std::invoke(set, Self(o), v); };
    }
    return Add(std::move(info));
  }

  // An owned sub-object (getter returns R* or R&, R a TPersistent). Its own
  // properties are reached as "Name.Property".
  template <class G>
  PropertyBuilder& Object(std::string_view name, G get) {
    return AddObject(name, PropKind::kObject, get);
  }
  // An owned TFont; the same as Object, but the kind tells font-minded callers.
  template <class G>
  PropertyBuilder& Font(std::string_view name, G get) {
    return AddObject(name, PropKind::kFont, get);
  }

  // A reference to another component (getter returns R*, setter takes R*).
  // Written by name, resolved through the owner chain (see SetPropValue).
  template <class G, class S = std::nullptr_t>
  PropertyBuilder& Reference(std::string_view name, G get, S set = nullptr) {
    using P = decltype(std::invoke(get, std::declval<T&>()));
    using R = std::remove_cv_t<std::remove_pointer_t<P>>;
    static_assert(std::is_pointer_v<P> && std::is_base_of_v<TComponent, R>,
                  "Reference properties point to components");
    TPropInfo info = Make(name, PropKind::kReference);
    info.objectClass = &R::StaticClass();
    info.getObject = [get](TPersistent& o) -> TPersistent* { return std::invoke(get, Self(o)); };
    if constexpr (!std::is_null_pointer_v<S>) {
      info.setReference = [set](TPersistent& o, TComponent* c) {
        R* typed = nullptr;
        if (c != nullptr && (typed = dynamic_cast<R*>(c)) == nullptr) return false;
        std::invoke(set, Self(o), typed);
        return true;
      };
    }
    return Add(std::move(info));
  }

  // An event slot: a public std::function member, e.g. `TNotifyEvent OnClick`.
  template <class Sig, class C>
  PropertyBuilder& Event(std::string_view name, std::function<Sig> C::*slot) {
    static_assert(std::is_base_of_v<C, T>);
    TEventInfo info;
    info.name = std::string(name);
    info.signature = typeid(std::function<Sig>);
    info.assign = [slot](TPersistent& o, const std::any& fn) {
      Self(o).*slot = std::any_cast<const std::function<Sig>&>(fn);
    };
    info.clear = [slot](TPersistent& o) { Self(o).*slot = nullptr; };
    info.assigned = [slot](TPersistent& o) { return static_cast<bool>(Self(o).*slot); };
    table_.AddEvent(std::move(info));
    return *this;
  }

  // A handler method offered for binding: `void miAddClick(TObject* sender)`.
  template <class C, class R, class... A>
  PropertyBuilder& Handler(std::string_view name, R (C::*method)(A...)) {
    static_assert(std::is_base_of_v<C, T> && std::is_base_of_v<TComponent, T>);
    THandlerInfo info;
    info.name = std::string(name);
    info.signature = typeid(std::function<R(A...)>);
    info.bind = [method](TComponent& owner) -> std::any {
      T* self = &static_cast<T&>(owner);
      return std::function<R(A...)>([self, method](A... args) -> R { return (self->*method)(std::forward<A>(args)...); });
    };
    table_.AddHandler(std::move(info));
    return *this;
  }

 private:
  template <class G>
  using Value = std::remove_cvref_t<std::invoke_result_t<G, T&>>;

  static T& Self(TPersistent& o) { return static_cast<T&>(o); }

  static TPropInfo Make(std::string_view name, PropKind kind) {
    TPropInfo info;
    info.name = std::string(name);
    info.kind = kind;
    return info;
  }

  template <class G>
  PropertyBuilder& AddObject(std::string_view name, PropKind kind, G get) {
    using P = decltype(std::invoke(get, std::declval<T&>()));
    using R = std::remove_cv_t<std::remove_pointer_t<std::remove_reference_t<P>>>;
    static_assert(std::is_base_of_v<TPersistent, R>, "Object properties hold a TPersistent");
    TPropInfo info = Make(name, kind);
    info.objectClass = &R::StaticClass();
    info.getObject = [get](TPersistent& o) -> TPersistent* {
      if constexpr (std::is_pointer_v<P>) {
        return std::invoke(get, Self(o));
      } else {
        return &std::invoke(get, Self(o));
      }
    };
    return Add(std::move(info));
  }

  PropertyBuilder& Add(TPropInfo info) {
    table_.AddProperty(std::move(info));
    return *this;
  }

  TPropertyTable& table_;
};

template <class T>
TClassInfo::Definer TClassInfo::DefinerOf() {
  if constexpr (requires { static_cast<void (*)(PropertyBuilder<T>&)>(&T::DefineProperties); }) {
    return [](TPropertyTable& table) {
      PropertyBuilder<T> builder(table);
      T::DefineProperties(builder);
    };
  } else {
    return nullptr;
  }
}

// ---- Access by name -------------------------------------------------------
//
// A path is a property name or a dotted path ("Font.Color"): every segment but
// the last names an object, font or reference property whose object becomes
// the current one. Names compare without regard to case; segments are
// trimmed. Every failure raises EPropertyError naming the property, the
// object and, for a refused value, the value.

// The property `name` (one segment) of the object's class chain, or nullptr.
const TPropInfo* FindPropInfo(const TPersistent& instance, std::string_view name);
// True when the path leads to a published property.
bool IsPublishedProp(const TPersistent& instance, std::string_view path);

// Reads a property as a Variant: integers and colours as integers, floats,
// texts and characters as text, enumerations by their value name, booleans as
// booleans, sets as "[a,b]", string lists as their whole text (lines ended by
// CR LF), references as the component's name ("" for none). Object and font
// properties have no Variant value: use GetObjectProp.
Variant GetPropValue(const TPersistent& instance, std::string_view path);
// The text form a template or document would hold: as GetPropValue, but
// booleans "True"/"False", integers with names by name, colours by name or as
// "$" and eight hex digits.
std::string GetPropText(const TPersistent& instance, std::string_view path);

// Writes a property from a Variant; texts are taken as a document gives them:
//   integer: a number, a decimal text ("$"/"0x" hex allowed) or a name of its
//            ident map; out of the C++ type's range is refused.
//   float:   a number or a numeric text.
//   text:    any scalar, as its text (empty and null give "").
//   char:    a one-byte text, "#n", or a number 0..255.
//   enum:    a value name (trimmed, case ignored) or an ordinal (a boolean
//            counts as 0 or 1).
//   boolean: a boolean, a number (non-zero is true), "True"/"False" or a number as text.
//   set:     "[a,b]" or "a,b" (names trimmed, case ignored), "[]", or the bit mask as a number.
//   colour:  a number (0x8000000F and its signed form alike), a colour name,
//            "$hex" or a decimal text.
//   strings: a text split into lines, or a one-dimensional array of lines.
//   reference: the name of a component found through the owner chain of the
//            nearest component on the path ("Owner.Name" reaches into another
//            owner); empty or null clears it. The component must be of the
//            property's class.
// Whatever the class's setter raises itself passes unchanged.
void SetPropValue(TPersistent& instance, std::string_view path, const Variant& value);

// The object of an object, font or reference property (nullptr when unset).
TPersistent* GetObjectProp(const TPersistent& instance, std::string_view path);
// Points a reference property at `target` (nullptr clears it).
void SetReferenceProp(TPersistent& instance, std::string_view path, TComponent* target);
// A copy of a string-list property, and its replacement through the setter.
TStringList GetStringsProp(const TPersistent& instance, std::string_view path);
void SetStringsProp(TPersistent& instance, std::string_view path, const TStringList& lines);

// Binds the event slot `event` of `component` to the handler method `handler`
// of `handlerOwner`, which must be the component itself or one of its owners
// (they outlive it, so the binding never outlives the handler). An empty
// handler name clears the slot. Raises EPropertyError for an unknown event or
// handler, a handler owner outside the owner chain, or a handler whose
// signature does not fit the event.
void BindEvent(TComponent& component, std::string_view event, TComponent& handlerOwner,
               std::string_view handler);
// True when the component's slot `event` holds a handler; raises
// EPropertyError for an unknown event.
bool EventAssigned(const TComponent& component, std::string_view event);

}  // namespace pellor

#endif  // PELLOR_UI_PROPERTIES_H_
