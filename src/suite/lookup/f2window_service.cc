// UNFINISHED: placeholder until the look-up service lands.
#include "platform/rtl/errors.h"
#include "suite/workcenter/service_context.h"

namespace suite {
pellor::DispatchPtr CreateF2WindowService(std::shared_ptr<ServiceContext>) {
  throw pellor::EDispatchError("The look-up window service is not built yet");
}
}  // namespace suite
