#include "platform/dispatch/class_factory.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <utility>

#include "platform/rtl/errors.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

using CreateObjectProc = IDispatchObject* (*)(const char* className);
constexpr const char* kCreateObjectSymbol = "PellorCreateObject";

// Registrations are keyed by the upper-cased class name so that look-ups
// ignore case.
struct ClassRegistry {
  std::mutex mutex;
  std::map<std::string, ObjectFactory> factories;
};

// Class-table libraries stay loaded for the life of the process: objects they
// created may outlive any one CreateObject call, and their code must too.
struct LoadedLibraries {
  std::mutex mutex;
  std::map<std::string, CreateObjectProc> entries;  // by library path
};

ClassRegistry& Registry() {
  static ClassRegistry* registry = new ClassRegistry;  // never destroyed: used from static destructors
  return *registry;
}

LoadedLibraries& Libraries() {
  static LoadedLibraries* libraries = new LoadedLibraries;
  return *libraries;
}

std::string Key(std::string_view className) { return UpperCase(className); }

// The factory entry of the library at `path`, loading it on first use. The
// registry mutex is not held here: a library's static constructors may
// register classes of their own.
CreateObjectProc LibraryEntry(const std::string& path, std::string_view className) {
  LoadedLibraries& libraries = Libraries();
  std::lock_guard<std::mutex> lock(libraries.mutex);
  auto found = libraries.entries.find(path);
  if (found != libraries.entries.end()) return found->second;

  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    throw EDispatchError("Cannot load the library \"" + path + "\" of class " +
                         std::string(className) + ": " + (reason ? reason : "unknown error"));
  }
  dlerror();
  void* symbol = dlsym(handle, kCreateObjectSymbol);
  if (symbol == nullptr) {
    dlclose(handle);
    throw EDispatchError("The library \"" + path + "\" of class " + std::string(className) +
                         " does not export " + kCreateObjectSymbol);
  }
  auto entry = reinterpret_cast<CreateObjectProc>(symbol);
  libraries.entries.emplace(path, entry);
  return entry;
}

[[noreturn]] void InvalidClass(std::string_view className) {
  throw EDispatchError("Invalid class string: " + std::string(className));
}

}  // namespace

void RegisterClassFactory(std::string_view className, ObjectFactory factory) {
  ClassRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.factories[Key(className)] = std::move(factory);
}

void UnregisterClassFactory(std::string_view className) {
  ClassRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.factories.erase(Key(className));
}

bool IsClassRegistered(std::string_view className) {
  ClassRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.factories.count(Key(className)) != 0;
}

DispatchPtr CreateObject(std::string_view className) {
  ObjectFactory factory;
  {
    ClassRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto found = registry.factories.find(Key(className));
    if (found != registry.factories.end()) factory = found->second;
  }
  // The factory runs outside the lock, so that it may create further objects.
  if (factory) {
    DispatchPtr object = factory();
    if (!object) InvalidClass(className);
    return object;
  }

  TRegistry store;
  if (className.empty() || !store.OpenKeyReadOnly(kClassesRegistryKey)) InvalidClass(className);
  const std::string path = Trim(store.ReadString(className));
  if (path.empty()) InvalidClass(className);

  CreateObjectProc entry = LibraryEntry(path, className);
  const std::string name(className);
  DispatchPtr object(entry(name.c_str()));
  if (!object) InvalidClass(className);
  return object;
}

ClassFactoryRegistration::ClassFactoryRegistration(std::string_view className,
                                                   ObjectFactory factory)
    : className_(className) {
  RegisterClassFactory(className_, std::move(factory));
}

ClassFactoryRegistration::~ClassFactoryRegistration() { UnregisterClassFactory(className_); }

}  // namespace pellor
