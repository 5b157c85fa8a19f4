// UNFINISHED: placeholder until the counter service lands.
#include "platform/rtl/errors.h"
#include "suite/workcenter/service_context.h"

namespace suite {
pellor::DispatchPtr CreateCounterService(std::shared_ptr<ServiceContext>) {
  throw pellor::EDispatchError("The counter service is not built yet");
}
}  // namespace suite
