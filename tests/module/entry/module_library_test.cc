// The built libPEVF07C.so as a host sees it: loaded with dlopen, with
// GetController as its only export.
#include <dlfcn.h>
#include <stdio.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "module/entry/dll_controller.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/errors.h"

namespace pevf {
namespace {

class TVersionOnly : public pellor::TDispatchObject {
 public:
  TVersionOnly() : TDispatchObject("TamloWorkCenter.Manager") {
    AddMethod("DependencyVersion", 0, 0, [](pellor::VarArgs&) { return pellor::Variant(8000); });
  }
};

TEST(ModuleLibraryTest, HostLoadsTheLibraryAndGetsAController) {
  void* library = dlopen(PELLOR_MODULE_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto getController = reinterpret_cast<GetControllerProc>(dlsym(library, kGetControllerSymbol));
  ASSERT_NE(getController, nullptr);

  std::unique_ptr<TDLLBaseController> first(getController());
  std::unique_ptr<TDLLBaseController> second(getController());
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first.get(), second.get());
  EXPECT_TRUE(first->IsFormFreed());

  // The library registers no form class yet, and says so; the error crosses
  // the library boundary as the platform's exception.
  first->WorkCenter = pellor::Variant(pellor::DispatchPtr(std::make_shared<TVersionOnly>()));
  try {
    first->Initialize(pellor::Variant::ArrayOf({"DS", "QRN01", "QRNDB", 0, pellor::Variant()}));
    ADD_FAILURE() << "no error";
  } catch (const pellor::Exception& error) {
    EXPECT_STREQ(error.what(), "QRN DLL Internal Error :\rNot Assign \"frmRadicalClass\" varible");
  }
  EXPECT_TRUE(first->IsFormFreed());
  first.reset();
  second.reset();
  // The library stays loaded: the platform library may still hold objects of it.
}

// Symbols the toolchain may add to any shared library; everything else
// exported is ours.
bool IsToolchainSymbol(const std::string& name) {
  return name.size() > 1 && name[0] == '_' && name.rfind("_Z", 0) != 0;
}

TEST(ModuleLibraryTest, ExportsNothingButGetController) {
  const std::string command = std::string("nm -D --defined-only '") + PELLOR_MODULE_FILE + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  size_t read;
  while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
  const int status = pclose(pipe);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) GTEST_SKIP() << "nm is not installed";
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;

  std::vector<std::string> ours;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::vector<std::string> parts;
    for (std::string part; fields >> part;) parts.push_back(part);
    if (parts.empty()) continue;
    const std::string& name = parts.back();
    if (!IsToolchainSymbol(name)) ours.push_back(name);
  }
  EXPECT_EQ(ours, std::vector<std::string>{"GetController"}) << "nm -D --defined-only:\n" << output;
}

}  // namespace
}  // namespace pevf
