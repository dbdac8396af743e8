#pragma once

#include <string>
#include <string_view>

namespace vexon::net {

// The charset a page declares: the Content-Type parameter, else a meta tag near
// the top of the page; empty when none.
std::string DeclaredCharset(std::string_view contentType, std::string_view page);

// A page as UTF-8 text, decoded from its declared charset (GB18030 when none).
std::string DecodePage(std::string_view page, std::string_view contentType);

}  // namespace vexon::net
