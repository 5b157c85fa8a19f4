// A class library standing in for the work-center manager in the host's
// tests: the settings store's class table names it for
// "TamloWorkCenter.Manager". It answers only the version check a program
// module makes when it starts.
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/strutils.h"

namespace {

class TVersionOnlyManager : public pellor::TDispatchObject {
 public:
  TVersionOnlyManager() : TDispatchObject("TamloWorkCenter.Manager") {
    AddMethod("DependencyVersion", 0, 0, [](pellor::VarArgs&) { return pellor::Variant(8000); });
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) pellor::IDispatchObject* PellorCreateObject(
    const char* className) {
  if (pellor::SameText(className, "TamloWorkCenter.Manager")) return new TVersionOnlyManager();
  return nullptr;
}
