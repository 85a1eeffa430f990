// The Network port over WinHTTP (synchronous). Each Send opens its own session.
#pragma once

#include "platform/network.h"

namespace platform {

class Win32Network final : public Network {
 public:
  support::Result<std::unique_ptr<HttpResponse>> Send(const HttpRequest& request) override;
};

}  // namespace platform
