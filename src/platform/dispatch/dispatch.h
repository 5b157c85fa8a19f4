// Dispatch objects: objects called by member name with positional tagged
// arguments, the way the module reaches every outside object.
//
// Member names compare without regard to ASCII case. Arguments are passed as
// a vector the callee may write to: an "out" argument is one the callee
// replaces, and the caller reads it back from the same vector.
#ifndef PELLOR_DISPATCH_DISPATCH_H_
#define PELLOR_DISPATCH_DISPATCH_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/variant.h"

namespace pellor {

using VarArgs = std::vector<Variant>;

class IDispatchObject : public std::enable_shared_from_this<IDispatchObject> {
 public:
  virtual ~IDispatchObject() = default;

  // The class name the object was created by ("ZEVUD01E.Class1").
  virtual std::string DispatchClassName() const = 0;
  // Calls a method. Raises EDispatchError for an unknown member or a wrong
  // argument count; whatever the method raises passes through.
  virtual Variant Invoke(std::string_view name, VarArgs& args) = 0;
  // Property access; an unknown property raises EDispatchError.
  virtual Variant GetProperty(std::string_view name) = 0;
  virtual void SetProperty(std::string_view name, const Variant& value) = 0;
};

// A dispatch object whose members are tables of callables, filled by the
// constructor of a derived class.
class TDispatchObject : public IDispatchObject {
 public:
  using Method = std::function<Variant(VarArgs& args)>;
  using Getter = std::function<Variant()>;
  using Setter = std::function<void(const Variant& value)>;

  explicit TDispatchObject(std::string className);

  std::string DispatchClassName() const override { return className_; }
  Variant Invoke(std::string_view name, VarArgs& args) override;
  Variant GetProperty(std::string_view name) override;
  void SetProperty(std::string_view name, const Variant& value) override;

  bool HasMethod(std::string_view name) const;

 protected:
  // Arguments beyond maxArgs, or fewer than minArgs, raise EDispatchError
  // before the method runs; missing optional arguments arrive as empty. A
  // negative maxArgs sets no upper bound.
  void AddMethod(std::string name, int minArgs, int maxArgs, Method method);
  void AddProperty(std::string name, Getter getter, Setter setter = nullptr);

 private:
  struct MethodEntry {
    std::string name;
    int minArgs;
    int maxArgs;
    Method method;
  };
  struct PropertyEntry {
    std::string name;
    Getter getter;
    Setter setter;
  };
  const MethodEntry* FindMethod(std::string_view name) const;
  const PropertyEntry* FindProperty(std::string_view name) const;

  std::string className_;
  std::vector<MethodEntry> methods_;
  std::vector<PropertyEntry> properties_;
};

// Calls on a Variant that should hold a dispatch object; a Variant without one
// raises EDispatchError ("Variant does not reference an automation object").
Variant DispatchInvoke(const Variant& object, std::string_view name, VarArgs& args);
Variant DispatchCall(const Variant& object, std::string_view name, VarArgs args = {});
Variant DispatchGet(const Variant& object, std::string_view name);
void DispatchSet(const Variant& object, std::string_view name, const Variant& value);

}  // namespace pellor

#endif  // PELLOR_DISPATCH_DISPATCH_H_
