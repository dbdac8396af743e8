#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexon::text {

// Decodes GB18030 bytes to UTF-8. Invalid or truncated sequences become U+FFFD;
// decoding never fails.
std::string Utf8FromGb18030(std::string_view bytes);

// Encodes UTF-8 text as GB18030. Invalid UTF-8 bytes become U+FFFD first, so the
// result is always well-formed GB18030.
std::string Gb18030FromUtf8(std::string_view utf8);

// The code point of the UTF-8 sequence at the start of `bytes` and its length in
// bytes; a length of 0 for a sequence that is cut, overlong, a surrogate or past
// U+10FFFF.
struct Utf8Char {
  uint32_t value = 0;
  size_t length = 0;
};
Utf8Char DecodeUtf8Char(std::string_view bytes);

// Replaces every invalid UTF-8 sequence by U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

// Decodes a body in a declared character set. gb2312, gbk and gb18030 (any letter
// case) all mean GB18030; an empty or unknown name falls back to GB18030, utf-8 is
// validated.
std::string DecodeCharset(std::string_view bytes, std::string_view charset);

}  // namespace vexon::text
