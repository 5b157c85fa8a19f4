// The class factory: creates outside objects by class name.
//
// Registrations made inside the process are searched first; then the
// settings store's class table ("Software\Classes": class name = path of a
// shared library), whose library must export
//   extern "C" pellor::IDispatchObject* PellorCreateObject(const char* className);
// returning a new object the caller owns, or nullptr for a class it lacks.
// This is how the module creates the in-process application server without
// linking any of its code.
#ifndef PELLOR_DISPATCH_CLASS_FACTORY_H_
#define PELLOR_DISPATCH_CLASS_FACTORY_H_

#include <functional>
#include <string>
#include <string_view>

#include "platform/dispatch/dispatch.h"

namespace pellor {

using ObjectFactory = std::function<DispatchPtr()>;

// Class names compare without regard to case. A second registration of a
// name replaces the first.
void RegisterClassFactory(std::string_view className, ObjectFactory factory);
void UnregisterClassFactory(std::string_view className);
bool IsClassRegistered(std::string_view className);

// Raises EDispatchError ("Invalid class string: <name>") when no registration
// and no class-table library can create the class.
DispatchPtr CreateObject(std::string_view className);

// Keeps a registration for the lifetime of a static object.
class ClassFactoryRegistration {
 public:
  ClassFactoryRegistration(std::string_view className, ObjectFactory factory);
  ~ClassFactoryRegistration();
  ClassFactoryRegistration(const ClassFactoryRegistration&) = delete;
  ClassFactoryRegistration& operator=(const ClassFactoryRegistration&) = delete;

 private:
  std::string className_;
};

}  // namespace pellor

#endif  // PELLOR_DISPATCH_CLASS_FACTORY_H_
