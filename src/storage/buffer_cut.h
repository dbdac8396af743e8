#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vexon::storage {

// The platform's read buffers are counted in bytes of the file's code page, so a
// buffer of n bytes holds n - 1 bytes of GB18030 text and a NUL. This returns the
// longest prefix of whole characters of `utf8` whose GB18030 form fits such a buffer
// (a character is never split; invalid UTF-8 is replaced by U+FFFD first).
std::string CutToBuffer(std::string_view utf8, size_t bufferSize);

// Bytes that `utf8` takes once written as GB18030.
size_t Gb18030Size(std::string_view utf8);

}  // namespace vexon::storage
