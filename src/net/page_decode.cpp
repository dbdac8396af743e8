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
  // JSON is UTF-8 whatever it says, and has no meta tag to look for.
  if (text::FindNoCase(contentType, "json") != std::string_view::npos) return "utf-8";
  return CharsetParameter(page.substr(0, kMetaSearchBytes));
}

bool IsTextType(std::string_view contentType) {
  return contentType.find("text") != std::string_view::npos ||
         text::FindNoCase(contentType, "json") != std::string_view::npos;
}

std::string DecodePage(std::string_view page, std::string_view contentType) {
  return text::DecodeCharset(page, DeclaredCharset(contentType, page));
}

}  // namespace vexon::net
