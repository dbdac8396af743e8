#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "standin/catalog.h"

namespace vexon::standin {

inline constexpr std::string_view kYahooPath = "/search.html";
inline constexpr std::string_view kBaiduPath = "/m";
inline constexpr std::string_view kBaiduIntermediatePrefix = "/baidusg/";
inline constexpr std::string_view kPageContentType = "text/html; charset=gb2312";
// Where decoy links point: a loopback port on which nothing listens.
inline constexpr std::string_view kForeignHost = "127.0.0.1:1";

// Every byte except ASCII letters, digits and -._~ becomes %XX (upper-case hex).
std::string PercentEncode(std::string_view bytes);
// %XX in either letter case becomes its byte; a '%' without two hex digits after it
// and every other byte (raw GB18030 and '+' included) stay as they are.
std::string DecodeEscapes(std::string_view text);
// DecodeEscapes for a query value, where '+' is a blank.
std::string PercentDecode(std::string_view text);
// The decoded value of the first parameter `name` in a query string (the text
// after '?'); a parameter without '=' has an empty value.
std::optional<std::string> QueryParameter(std::string_view query, std::string_view name);

// Query targets as the client sends them. The words go in as GB18030 bytes,
// percent-encoded; page 1 carries no page parameter.
std::string YahooQueryTarget(std::string_view wordsUtf8, int page = 1);
std::string BaiduQueryTarget(std::string_view wordsUtf8, int page = 1);
std::string YahooQueryTargetForBytes(std::string_view wordsGb18030, int page);
std::string BaiduQueryTargetForBytes(std::string_view wordsGb18030, int page);

struct SearchQuery {
  Engine engine = Engine::kYahoo;
  std::string wordsBytes;  // as received, percent-decoded (GB18030)
  std::string wordsUtf8;
  int page = 1;
};

// Recognises the two query paths (path without the query, and the raw query).
std::optional<SearchQuery> ParseSearchQuery(std::string_view path, std::string_view query);

// Result pages, GB18030 bytes. `host` is "127.0.0.1:PORT" as the request named it.
std::string YahooResultPage(const CatalogPage& page, const SearchQuery& query, std::string_view host, bool decoys);
std::string BaiduResultPage(const CatalogPage& page, const SearchQuery& query, std::string_view host, bool decoys);
// The page a Baidu hit leads to: a few anchors, exactly one to the file.
std::string BaiduIntermediatePage(const CatalogEntry& entry, std::string_view host);
// An intermediate page without any file link (a decoy hit leads there).
std::string BaiduDeadEndPage();

// The file URL as the Yahoo pages write it: blanks as %20, letters in their case (the
// client lower-cases them). Baidu's intermediate pages leave the blanks in.
std::string FileUrl(const CatalogEntry& entry, std::string_view host);

}  // namespace vexon::standin
