// A class library as the settings store's class table names them: a shared
// library whose PellorCreateObject makes objects by class name. The class
// factory tests load it through the table.
#include <string>

#include "platform/dispatch/dispatch.h"
#include "platform/rtl/strutils.h"

namespace {

class TLibraryObject : public pellor::TDispatchObject {
 public:
  explicit TLibraryObject(std::string className) : TDispatchObject(std::move(className)) {
    AddMethod("Echo", 1, 1, [](pellor::VarArgs& args) { return args[0]; });
    AddMethod("CreatedBy", 0, 0, [this](pellor::VarArgs&) {
      return pellor::Variant(DispatchClassName());
    });
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) pellor::IDispatchObject* PellorCreateObject(
    const char* className) {
  if (pellor::SameText(className, "PellorTest.LibObject") ||
      pellor::SameText(className, "PellorTest.Other")) {
    return new TLibraryObject(className);
  }
  return nullptr;
}
