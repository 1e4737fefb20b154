#include "session/SessionTransport.h"

namespace td {

SessionTransportFactory ConnectionTransport::factory(const LoginInputdata& logindata, MainQueue& mainQueue,
                                                     ConnectionBase::Options options) {
  return [&logindata, &mainQueue, options](ConnectionEvents& events) -> std::unique_ptr<SessionTransport> {
    return std::make_unique<ConnectionTransport>(ConnectionBase::create(logindata, events, mainQueue, options));
  };
}

}  // namespace td
