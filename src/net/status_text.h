#pragma once

#include <string>

namespace vexon::net {

// The text shown for an HTTP status or a network error code.
std::string StatusText(int status);

}  // namespace vexon::net
