#pragma once

#include <string>
#include <string_view>

namespace vexon::app {

// A listed URL as it goes to the clipboard: the form requests use, blanks and other
// bytes outside the URL-safe set percent-encoded, so a browser or a terminal takes
// it as one address.
std::string CopiedUrl(std::string_view listedUrl);

}  // namespace vexon::app
