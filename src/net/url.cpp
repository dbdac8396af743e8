#include "net/url.h"

#include <algorithm>

#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::net {
namespace {

bool IsUnreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

bool IsKeptInTarget(unsigned char c) {
  if (IsUnreserved(c)) return true;
  switch (c) {
    case ':':
    case '/':
    case '?':
    case '#':
    case '[':
    case ']':
    case '@':
    case '!':
    case '$':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case ';':
    case '=':
    case '%': return true;
    default: return false;
  }
}

// Every byte that `keep` refuses as %XX.
template <typename Keep>
std::string PercentEncode(std::string_view bytes, Keep keep) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (keep(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      text::AppendPercentEscape(out, c);
    }
  }
  return out;
}

// The server side of the program's requests reads GB18030.
template <typename Keep>
std::string Escape(std::string_view utf8, Keep keep) {
  return PercentEncode(text::Gb18030FromUtf8(utf8), keep);
}

}  // namespace

bool PrepareUrl(std::string_view url, UrlParts& parts) {
  if (url.empty()) return false;
  std::string work(url);
  if (std::count(work.begin(), work.end(), '/') < 3) work += '/';
  std::string_view rest(work);
  const size_t schemeEnd = rest.find("://");
  if (schemeEnd != std::string_view::npos) {
    parts.scheme = std::string(rest.substr(0, schemeEnd));
    rest.remove_prefix(schemeEnd + 3);
  } else {
    parts.scheme = "http";
  }
  const size_t slash = rest.find_first_of("/?#");
  parts.server = std::string(rest.substr(0, slash));
  // User information never reaches the request line.
  const size_t at = parts.server.rfind('@');
  if (at != std::string::npos) parts.server.erase(0, at + 1);
  parts.object = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
  if (parts.object.empty() || parts.object[0] != '/') parts.object.insert(0, "/");
  return !parts.server.empty();
}

std::string RequestUrl(const UrlParts& parts) {
  return parts.scheme + "://" + EncodeRequestTarget(parts.server) + EncodeRequestTarget(parts.object);
}

std::string EncodeRequestTarget(std::string_view utf8) {
  return Escape(utf8, IsKeptInTarget);
}

std::string EncodeQueryWords(std::string_view utf8) {
  return Escape(utf8, IsUnreserved);
}

std::string EncodePathSegment(std::string_view bytes) {
  return PercentEncode(bytes, IsUnreserved);
}

bool IsHttpAddress(std::string_view url) {
  const std::string lower = text::AsciiLower(url.substr(0, 8));
  const size_t schemeEnd = lower.rfind("http://", 0) == 0 ? 7 : (lower.rfind("https://", 0) == 0 ? 8 : 0);
  if (schemeEnd == 0 || url.size() <= schemeEnd) return false;
  for (char c : url) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool IsWebAddress(std::string_view url) {
  return IsHttpAddress(url) && url.find(' ') == std::string_view::npos;
}

std::string ShownUrl(std::string_view url) {
  return text::ReplaceAll(text::ReplaceAll(url, "%20", " "), "&amp;", "&");
}

std::string UrlFileName(std::string_view shownUrl) {
  const size_t slash = shownUrl.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? shownUrl : shownUrl.substr(slash + 1);
  std::string decoded;
  decoded.reserve(name.size());
  bool escaped = false;
  for (size_t i = 0; i < name.size(); ++i) {
    const int high = i + 2 < name.size() && name[i] == '%' ? text::HexDigitValue(name[i + 1]) : -1;
    const int low = high >= 0 ? text::HexDigitValue(name[i + 2]) : -1;
    if (low < 0) {
      decoded += name[i];
      continue;
    }
    const auto byte = static_cast<unsigned char>(high * 16 + low);
    if (byte < 0x20 || byte == 0x7F || byte == '/' || byte == '\\') return std::string(name);
    decoded += static_cast<char>(byte);
    escaped = true;
    i += 2;
  }
  if (!escaped || text::SanitizeUtf8(decoded) != decoded) return std::string(name);
  return decoded;
}

}  // namespace vexon::net
