#include "text/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

#include "text/strings.h"

namespace vexon::text {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenConverter(const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  return IconvHandle(cd);
}

// Converts with iconv; on an invalid sequence emits `replacement` and skips
// `skipOnError` bytes (or the rest of the input when it is truncated).
std::string Convert(const char* to, const char* from, std::string_view input, std::string_view replacement) {
  IconvHandle handle = OpenConverter(to, from);
  if (!handle) return std::string(input);
  auto cd = static_cast<iconv_t>(handle.get());
  std::string out;
  out.reserve(input.size() + input.size() / 2 + 16);
  char buffer[4096];
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: one bad byte; replace it and go on after it.
    out.append(replacement);
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::string Utf8FromGb18030(std::string_view bytes) {
  // Pure ASCII is identical in both; skip iconv for the common case.
  bool ascii = true;
  for (unsigned char c : bytes) {
    if (c >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return std::string(bytes);
  return Convert("UTF-8", "GB18030", bytes, kReplacement);
}

std::string Gb18030FromUtf8(std::string_view utf8) {
  bool ascii = true;
  for (unsigned char c : utf8) {
    if (c >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return std::string(utf8);
  return Convert("GB18030", "UTF-8", SanitizeUtf8(utf8), "?");
}

Utf8Char DecodeUtf8Char(std::string_view bytes) {
  if (bytes.empty()) return {};
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead < 0x80) return {lead, 1};
  size_t length = 0;
  uint32_t value = 0;
  uint32_t lowest = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1Fu, lowest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0Fu, lowest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07u, lowest = 0x10000;
  } else {
    return {};
  }
  if (bytes.size() < length) return {};
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(bytes[k]);
    if ((next & 0xC0) != 0x80) return {};
    value = (value << 6) | (next & 0x3Fu);
  }
  if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return {};
  return {value, length};
}

std::string SanitizeUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = DecodeUtf8Char(bytes.substr(i)).length;
    if (length != 0) {
      out.append(bytes.substr(i, length));
      i += length;
    } else {
      out.append(kReplacement);
      ++i;
    }
  }
  return out;
}

std::string DecodeCharset(std::string_view bytes, std::string_view charset) {
  const std::string name = AsciiLower(Trim(charset));
  if (name == "utf-8" || name == "utf8") return SanitizeUtf8(bytes);
  if (name == "us-ascii" || name == "iso-8859-1" || name == "latin1" || name == "windows-1252") {
    return Convert("UTF-8", "WINDOWS-1252", bytes, kReplacement);
  }
  return Utf8FromGb18030(bytes);
}

}  // namespace vexon::text
