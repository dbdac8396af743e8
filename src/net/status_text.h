#pragma once

#include <string>

#include "net/net_errors.h"

namespace vexon::net {

// The text shown for an HTTP status or a network error code.
std::string StatusText(int status);
inline std::string StatusText(NetError error) {
  return StatusText(Code(error));
}

}  // namespace vexon::net
