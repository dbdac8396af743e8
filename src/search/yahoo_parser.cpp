#include "search/yahoo_parser.h"

#include <utility>

#include "search/clean_title.h"
#include "search/search_options.h"
#include "text/strings.h"

namespace vexon::search {
namespace {

constexpr std::string_view kAnchorOpen = "<a ";
constexpr std::string_view kTitleAttribute = "title=\"";
constexpr std::string_view kScheme = "http://";
constexpr std::string_view kNextPageMark = "<strong>下一页</strong>";
constexpr std::string_view kNextPagePath = "search.html?";
constexpr int kPauseMilliseconds = 10;

}  // namespace

YahooLinkParser::YahooLinkParser(std::string page, PauseFunction pause)
    : cursor_(std::move(page)), pause_(std::move(pause)) {}

void YahooLinkParser::Parse(const LinkSink& sink) {
  links_.clear();
  sink_ = sink;
  cursor_.ForEachAnchor(
      kAnchorOpen,
      [this] {
        if (pause_) pause_(kPauseMilliseconds);
      },
      [this](const std::string& anchor) { ParseAnchor(anchor); });
}

void YahooLinkParser::ParseAnchor(const std::string& anchor) {
  const size_t title = anchor.find(kTitleAttribute);
  if (title == std::string::npos) return;
  const size_t start = anchor.find(kScheme, title);
  if (start == std::string::npos) return;
  size_t end = anchor.find(' ', start);
  if (end == std::string::npos) end = anchor.size();

  std::string link = anchor.substr(start, end - start);
  FlattenLines(link);
  link = text::AsciiLower(link);
  if (!HasKnownTypeEnding(link) || !IsCarriableLink(link)) return;

  std::string cleanTitle = anchor;
  CleanTitle(cleanTitle);
  if (!IsCarriableTitle(cleanTitle)) return;
  std::string found = JoinFoundLink(link, cleanTitle);
  if (sink_) {
    sink_(found);
  } else {
    links_.push_back(std::move(found));
  }
}

YahooNextPageParser::YahooNextPageParser(std::string page, std::string_view yahooHost)
    : cursor_(std::move(page)), host_(yahooHost) {}

void YahooNextPageParser::Find() {
  nextUrl_.clear();
  cursor_.SetPos(0);
  if (!cursor_.SkipPast(kNextPageMark)) return;
  cursor_.BackTo(kNextPagePath);
  std::string rest;
  cursor_.ReadTo("\"", rest);
  std::string url = std::string(kScheme) + host_ + "/" + rest;
  if (!IsCarriableLink(url)) return;
  nextUrl_ = std::move(url);
}

}  // namespace vexon::search
