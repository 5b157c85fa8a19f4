#include "platform/dispatch/dispatch.h"

#include <utility>

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

std::string ArgumentCountText(int count) {
  return IntToStr(count) + (count == 1 ? " argument" : " arguments");
}

// "<Class>.<Member>: expects 2 to 3 arguments, got 5"
[[noreturn]] void WrongArgumentCount(const std::string& className, std::string_view member,
                                     int minArgs, int maxArgs, int got) {
  std::string expected;
  if (maxArgs < 0) {
    expected = "at least " + ArgumentCountText(minArgs);
  } else if (minArgs == maxArgs) {
    expected = ArgumentCountText(minArgs);
  } else {
    expected = IntToStr(minArgs) + " to " + ArgumentCountText(maxArgs);
  }
  throw EDispatchError(className + "." + std::string(member) + ": expects " + expected +
                       ", got " + IntToStr(got));
}

[[noreturn]] void UnknownMember(const std::string& className, std::string_view kind,
                                std::string_view member) {
  throw EDispatchError(className + ": unknown " + std::string(kind) + " \"" +
                       std::string(member) + "\"");
}

DispatchPtr RequireObject(const Variant& object) {
  if (!object.IsDispatch()) {
    throw EDispatchError("Variant does not reference an automation object");
  }
  return object.AsDispatch();
}

}  // namespace

TDispatchObject::TDispatchObject(std::string className) : className_(std::move(className)) {}

void TDispatchObject::AddMethod(std::string name, int minArgs, int maxArgs, Method method) {
  methods_.push_back(MethodEntry{std::move(name), minArgs, maxArgs, std::move(method)});
}

void TDispatchObject::AddProperty(std::string name, Getter getter, Setter setter) {
  properties_.push_back(PropertyEntry{std::move(name), std::move(getter), std::move(setter)});
}

const TDispatchObject::MethodEntry* TDispatchObject::FindMethod(std::string_view name) const {
  for (const MethodEntry& entry : methods_) {
    if (SameText(entry.name, name)) return &entry;
  }
  return nullptr;
}

const TDispatchObject::PropertyEntry* TDispatchObject::FindProperty(std::string_view name) const {
  for (const PropertyEntry& entry : properties_) {
    if (SameText(entry.name, name)) return &entry;
  }
  return nullptr;
}

bool TDispatchObject::HasMethod(std::string_view name) const { return FindMethod(name) != nullptr; }

Variant TDispatchObject::Invoke(std::string_view name, VarArgs& args) {
  const MethodEntry* entry = FindMethod(name);
  if (entry == nullptr) {
    // A late-bound call without arguments may name a property, as callers of
    // automation objects cannot tell the two apart ("obj.SvrData").
    const PropertyEntry* property = args.empty() ? FindProperty(name) : nullptr;
    if (property != nullptr && property->getter) return property->getter();
    UnknownMember(className_, "method", name);
  }
  const int got = static_cast<int>(args.size());
  if (got < entry->minArgs || (entry->maxArgs >= 0 && got > entry->maxArgs)) {
    WrongArgumentCount(className_, entry->name, entry->minArgs, entry->maxArgs, got);
  }
  if (entry->maxArgs < 0 || got == entry->maxArgs) return entry->method(args);

  // Optional arguments the caller left out arrive as empty values; the caller's
  // vector gets its own length back, with whatever the method wrote into the
  // positions it passed.
  struct Restore {
    VarArgs& args;
    size_t size;
    ~Restore() { args.resize(size); }
  } restore{args, args.size()};
  args.resize(static_cast<size_t>(entry->maxArgs));
  return entry->method(args);
}

Variant TDispatchObject::GetProperty(std::string_view name) {
  const PropertyEntry* entry = FindProperty(name);
  if (entry != nullptr && entry->getter) return entry->getter();
  if (entry == nullptr) {
    // The reading of a method that takes no arguments, as above.
    const MethodEntry* method = FindMethod(name);
    if (method != nullptr && method->minArgs == 0) {
      VarArgs none;
      return Invoke(name, none);
    }
    UnknownMember(className_, "property", name);
  }
  throw EDispatchError(className_ + "." + entry->name + ": property is write-only");
}

void TDispatchObject::SetProperty(std::string_view name, const Variant& value) {
  const PropertyEntry* entry = FindProperty(name);
  if (entry == nullptr) UnknownMember(className_, "property", name);
  if (!entry->setter) {
    throw EDispatchError(className_ + "." + entry->name + ": property is read-only");
  }
  entry->setter(value);
}

Variant DispatchInvoke(const Variant& object, std::string_view name, VarArgs& args) {
  DispatchPtr target = RequireObject(object);
  return target->Invoke(name, args);
}

Variant DispatchCall(const Variant& object, std::string_view name, VarArgs args) {
  DispatchPtr target = RequireObject(object);
  return target->Invoke(name, args);
}

Variant DispatchGet(const Variant& object, std::string_view name) {
  DispatchPtr target = RequireObject(object);
  return target->GetProperty(name);
}

void DispatchSet(const Variant& object, std::string_view name, const Variant& value) {
  DispatchPtr target = RequireObject(object);
  target->SetProperty(name, value);
}

}  // namespace pellor
