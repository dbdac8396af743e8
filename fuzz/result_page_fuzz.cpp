#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "search/baidu_parser.h"
#include "search/clean_title.h"
#include "search/found_link.h"
#include "search/html_cursor.h"
#include "search/search_options.h"
#include "search/yahoo_parser.h"

namespace {

using namespace vexon::search;

constexpr std::string_view kIntermediatePage =
    "<a href=\"http://f.test/About.html\">about</a>"
    "<a href=\"http://f.test/Song.MP3\">mp3</a><a href=\"http://f.test/Song.WMA\">wma</a>"
    "<a href=\"http://f.test/a.rm\">rm</a>";
constexpr std::string_view kFileUnsafe = "/\\:?*<>\"|";

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckEntries(const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    std::string link;
    std::string title;
    SplitFoundLink(entry, link, title);
    Require(IsCarriableLink(link));
    Require(IsCarriableTitle(title));
    Require(title.find_first_of(kFileUnsafe) == std::string::npos);
  }
}

void RunParsers(const std::string& page) {
  BaiduLinkParser baidu(
      page,
      [](const std::string&, std::string& out) {
        out = kIntermediatePage;
        return true;
      },
      [](int) {});
  baidu.Parse();
  CheckEntries(baidu.links());

  YahooLinkParser yahoo(page, [](int) {});
  yahoo.Parse();
  CheckEntries(yahoo.links());

  BaiduNextPageParser baiduNext(page, "mp3.baidu.test:8080");
  baiduNext.Find();
  Require(IsCarriableLink(baiduNext.nextUrl()));

  YahooNextPageParser yahooNext(page, "music.yahoo.test");
  yahooNext.Find();
  Require(IsCarriableLink(yahooNext.nextUrl()));
}

void RunCleanTitle(const std::string& page) {
  std::string title = page;
  CleanTitle(title);
  Require(title.size() <= page.size());
  Require(title.find_first_of(kFileUnsafe) == std::string::npos);
}

// The first line is a pattern, the rest the text; every move that reports success
// must leave the cursor on the pattern.
void RunCursor(std::string_view input) {
  const size_t cut = input.find('\n');
  if (cut == std::string_view::npos) return;
  const std::string_view pattern = input.substr(0, cut);
  HtmlCursor cursor(std::string(input.substr(cut + 1)));
  while (cursor.SkipTo(pattern)) {
    Require(pattern.empty() || cursor.IsAt(pattern));
    const size_t at = cursor.pos();
    if (cursor.BackTo(pattern)) {
      Require(cursor.pos() < at && cursor.IsAt(pattern));
    }
    cursor.SetPos(at);
    std::string out;
    if (!cursor.ReadThrough(pattern, out)) break;
    if (pattern.empty()) cursor.SetPos(at + 1);
  }
}

void RunFilter(std::string_view input) {
  const size_t cut = input.find('\n');
  const std::string_view size = input.substr(0, cut);
  const std::string_view date = cut == std::string_view::npos ? "" : input.substr(cut + 1);
  SearchOptions options;
  DateSizeFilterPasses(options, size, date);
  options.sizeFilter = std::string(date);
  options.dateFilter = std::string(size);
  DateSizeFilterPasses(options, size, date);
  options.sizeFilter = "3|0|5120";
  options.dateFilter = "3|1/1/2006|12/31/2006";
  DateSizeFilterPasses(options, size, date);
  TypeFilterPasses(options, input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  RunParsers(input);
  RunCleanTitle(input);
  RunCursor(input);
  RunFilter(input);
  return 0;
}
