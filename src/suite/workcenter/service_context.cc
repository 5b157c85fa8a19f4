#include "suite/workcenter/service_context.h"

namespace suite {

std::shared_ptr<ServiceContext> OpenServiceContext(const AppServerOptions& options) {
  ServerDatabase database = OpenServerDatabase(options);
  auto context = std::make_shared<ServiceContext>();
  context->writer = std::move(database.writer);
  context->gateway = std::make_unique<db::SqlGateway>(std::move(database.confined));
  context->clientCodePage = database.clientCodePage;
  return context;
}

}  // namespace suite
