// Power port: power schemes and processor power information.
#pragma once

namespace platform {

class Power {
 public:
  virtual ~Power() = default;
};

}  // namespace platform
