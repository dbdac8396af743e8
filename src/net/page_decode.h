#pragma once

#include <string>
#include <string_view>

namespace vexon::net {

// The charset a page declares: the Content-Type parameter, else UTF-8 for JSON,
// else a meta tag near the top of the page; empty when none.
std::string DeclaredCharset(std::string_view contentType, std::string_view page);

// Whether a page of this type is read as text: a type holding "text", or JSON.
bool IsTextType(std::string_view contentType);

// A page as UTF-8 text, decoded from its declared charset (GB18030 when none).
std::string DecodePage(std::string_view page, std::string_view contentType);

}  // namespace vexon::net
