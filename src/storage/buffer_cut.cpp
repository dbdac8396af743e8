#include "storage/buffer_cut.h"

#include <algorithm>

#include "text/encoding.h"

namespace vexon::storage {
namespace {

bool IsAscii(std::string_view s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

size_t Utf8CharLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

// GB18030 characters are one byte (ASCII), two bytes, or four bytes whose second
// byte is a digit.
size_t GbCharLength(std::string_view gb, size_t at) {
  const auto lead = static_cast<unsigned char>(gb[at]);
  if (lead < 0x80) return 1;
  size_t length = 2;
  if (at + 1 < gb.size()) {
    const auto second = static_cast<unsigned char>(gb[at + 1]);
    if (second >= 0x30 && second <= 0x39) length = 4;
  }
  return std::min(length, gb.size() - at);
}

}  // namespace

size_t Gb18030Size(std::string_view utf8) {
  if (IsAscii(utf8)) return utf8.size();
  return text::Gb18030FromUtf8(utf8).size();
}

std::string CutToBuffer(std::string_view utf8, size_t bufferSize) {
  if (bufferSize == 0) return {};
  const size_t limit = bufferSize - 1;
  if (IsAscii(utf8)) return std::string(utf8.substr(0, limit));
  std::string clean = text::SanitizeUtf8(utf8);
  const std::string gb = text::Gb18030FromUtf8(clean);
  if (gb.size() <= limit) return clean;
  // Every character of clean UTF-8 has exactly one GB18030 form, so the two texts
  // can be walked character by character side by side.
  size_t u = 0;
  size_t g = 0;
  while (u < clean.size() && g < gb.size()) {
    const size_t gLength = GbCharLength(gb, g);
    if (g + gLength > limit) break;
    u += Utf8CharLength(static_cast<unsigned char>(clean[u]));
    g += gLength;
  }
  clean.resize(std::min(u, clean.size()));
  return clean;
}

}  // namespace vexon::storage
