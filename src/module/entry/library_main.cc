// The library main of libPEVF07C.so: the one exported function and what the
// library sets up while it loads. Compiled into the shared library only; the
// tests reach the same logic through CreateDLLController.
#include "module/entry/dll_controller.h"
#include "module/entry/mt_controller.h"

// The library's form class is registered here once the evaluation-factor
// form exists:
//   frmRadicalClass = &TfrmPevf07::Create;
// Until then frmRadicalClass stays unset, and Initialize through this library
// reports that no form class is registered ("Not Assign \"frmRadicalClass\" varible").
//
// Likewise, the dataset layer's 26 standard field kinds are registered by
// class name while the library loads (and unregistered when it unloads), so
// that stored data-module templates can be rebuilt; that registration joins
// this file together with the dataset layer.

extern "C" __attribute__((visibility("default"))) pevf::TDLLBaseController* GetController() {
  return pevf::CreateDLLController();
}
