// UNFINISHED: placeholder until the validator service lands.
#include "platform/rtl/errors.h"
#include "suite/workcenter/service_context.h"

namespace suite {
pellor::DispatchPtr CreateValidatorService(std::shared_ptr<ServiceContext>) {
  throw pellor::EDispatchError("The validator service is not built yet");
}
}  // namespace suite
