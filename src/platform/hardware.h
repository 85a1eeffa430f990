// Hardware port: what the machine is made of (processor, display adapters, Windows build).
#pragma once

namespace platform {

class Hardware {
 public:
  virtual ~Hardware() = default;
};

}  // namespace platform
