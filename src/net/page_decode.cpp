#include "net/page_decode.h"

#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::net {
namespace {

constexpr size_t kMetaSearchBytes = 4096;

std::string CharsetParameter(std::string_view text) {
  const size_t at = text::FindNoCase(text, "charset=");
  if (at == std::string_view::npos) return {};
  size_t i = at + 8;
  while (i < text.size() && (text[i] == '"' || text[i] == '\'' || text[i] == ' ')) ++i;
  size_t end = i;
  while (end < text.size()) {
    const char c = text[end];
    const bool nameChar = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_' || c == ':' || c == '.';
    if (!nameChar) break;
    ++end;
  }
  return std::string(text.substr(i, end - i));
}

}  // namespace

std::string DeclaredCharset(std::string_view contentType, std::string_view page) {
  std::string charset = CharsetParameter(contentType);
  if (!charset.empty()) return charset;
  return CharsetParameter(page.substr(0, kMetaSearchBytes));
}

std::string DecodePage(std::string_view page, std::string_view contentType) {
  return text::DecodeCharset(page, DeclaredCharset(contentType, page));
}

}  // namespace vexon::net
