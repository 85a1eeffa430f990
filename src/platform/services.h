// Services port: the Service Control Manager and the service dispatcher.
// Owned by the timer service subsystem; see its adapters.
#pragma once

namespace platform {

class Services {
 public:
  virtual ~Services() = default;
};

}  // namespace platform
