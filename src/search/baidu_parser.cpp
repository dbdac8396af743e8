#include "search/baidu_parser.h"

#include <utility>

#include "search/clean_title.h"
#include "search/search_options.h"
#include "text/strings.h"

namespace vexon::search {
namespace {

constexpr std::string_view kAnchorOpen = "<a href=\"";
constexpr std::string_view kHitMarker = "tn=baidusg,";
constexpr std::string_view kScheme = "http://";
constexpr std::string_view kTypeKey = "word=";
constexpr std::string_view kNextPageText = "下一页";
constexpr std::string_view kNextPageScheme = "http:";
constexpr std::string_view kQueryPath = "/m?";
constexpr int kPauseMilliseconds = 10;

// A type code names one of the file types: ".mp3" and so on.
bool IsKnownExtension(std::string_view ext) {
  if (ext.empty() || ext.front() != '.') return false;
  for (const FileTypeInfo& type : kFileTypes) {
    if (ext.substr(1) == type.name) return true;
  }
  return false;
}

// The type code is what "word=" starts with, up to the next comma.
std::string ExtensionOf(const std::string& anchor) {
  const size_t key = anchor.find(kTypeKey);
  if (key == std::string::npos) return {};
  const size_t start = key + kTypeKey.size();
  const size_t comma = anchor.find(',', start);
  if (comma == std::string::npos || comma == start) return {};
  return "." + text::AsciiLower(std::string_view(anchor).substr(start, comma - start));
}

// The first anchor target on the (lower-cased) intermediate page that holds the
// extension; empty when there is none.
std::string FindFileLink(const std::string& lowerPage, std::string_view ext) {
  size_t from = 0;
  while (true) {
    const size_t open = lowerPage.find(kAnchorOpen, from);
    if (open == std::string::npos) return {};
    const size_t start = open + kAnchorOpen.size();
    const size_t quote = lowerPage.find('"', start);
    if (quote == std::string::npos) return {};
    std::string_view candidate = std::string_view(lowerPage).substr(start, quote - start);
    if (candidate.find(ext) != std::string_view::npos) return std::string(candidate);
    from = quote + 1;
  }
}

}  // namespace

BaiduLinkParser::BaiduLinkParser(std::string page, PageFetcher fetcher, PauseFunction pause)
    : cursor_(std::move(page)), fetcher_(std::move(fetcher)), pause_(std::move(pause)) {}

void BaiduLinkParser::Parse(const LinkSink& sink) {
  links_.clear();
  sink_ = sink;
  cursor_.ForEachAnchor(
      kAnchorOpen,
      [this] {
        if (pause_) pause_(kPauseMilliseconds);
      },
      [this](const std::string& anchor) { ParseHit(anchor); });
}

void BaiduLinkParser::ParseHit(const std::string& anchor) {
  if (anchor.find(kHitMarker) == std::string::npos) return;
  const size_t scheme = anchor.find(kScheme);
  if (scheme == std::string::npos) return;
  const size_t quote = anchor.find('"', scheme);
  std::string pageUrl;
  if (quote != std::string::npos) {
    pageUrl = text::ReplaceAll(std::string_view(anchor).substr(scheme, quote - scheme), " ", "%20");
  }
  const std::string ext = ExtensionOf(anchor);
  if (ext.empty() || !IsKnownExtension(ext)) return;

  if (pause_) pause_(kPauseMilliseconds);
  // Never ask for a URL that could not be sent as one request line.
  if (pageUrl.empty() || !IsCarriableLink(pageUrl) || !fetcher_) return;
  std::string intermediate;
  if (!fetcher_(pageUrl, intermediate)) return;

  std::string link = FindFileLink(text::AsciiLower(intermediate), ext);
  if (link.empty() || !IsCarriableLink(link)) return;
  std::string title = anchor;
  CleanTitle(title);
  if (!IsCarriableTitle(title)) return;
  std::string found = JoinFoundLink(link, title);
  if (sink_) {
    sink_(found);
  } else {
    links_.push_back(std::move(found));
  }
}

BaiduNextPageParser::BaiduNextPageParser(std::string page, std::string_view baiduHost) : cursor_(std::move(page)) {
  prefix_.append(kScheme);
  prefix_.append(baiduHost);
  prefix_.append(kQueryPath);
}

void BaiduNextPageParser::Find() {
  nextUrl_.clear();
  cursor_.SetPos(0);
  if (!cursor_.SkipPast(kNextPageText)) return;
  cursor_.BackTo(kNextPageScheme);
  std::string candidate;
  cursor_.ReadTo("\"", candidate);
  if (!text::StartsWith(candidate, prefix_) || !IsCarriableLink(candidate)) return;
  nextUrl_ = std::move(candidate);
}

}  // namespace vexon::search
