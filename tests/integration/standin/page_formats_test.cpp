#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/baidu_parser.h"
#include "search/found_link.h"
#include "search/yahoo_parser.h"
#include "standin/catalog.h"
#include "standin/result_pages.h"
#include "text/encoding.h"
#include "text/strings.h"

// The stand-in's pages as the program's own parsers read them: whatever the
// catalog lists for a page is what a search finds on it, titles included.
namespace vexon::standin {
namespace {

constexpr std::string_view kHost = "127.0.0.1:4321";
const auto kNoPause = [](int) {};

struct Found {
  std::vector<std::string> urls;
  std::vector<std::string> titles;
};

Found Split(const std::vector<std::string>& entries) {
  Found found;
  for (const std::string& entry : entries) {
    std::string url, title;
    search::SplitFoundLink(entry, url, title);
    found.urls.push_back(url);
    found.titles.push_back(title);
  }
  return found;
}

// What the page's catalog entries promise, as the parser hands them on: links in
// lower case, Yahoo's with %20 for a blank, Baidu's with the blanks of its pages.
Found Promised(const CatalogPage& page, bool yahoo) {
  Found promised;
  for (const CatalogEntry& entry : page.entries) {
    const std::string url = text::AsciiLower(FileUrl(entry, kHost));
    promised.urls.push_back(yahoo ? url : text::ReplaceAll(url, "%20", " "));
    promised.titles.push_back(yahoo ? text::AsciiLower(entry.titleText) : entry.titleText);
  }
  return promised;
}

TEST(StandinPages, YahooPagesCarryTheCatalogsLinksTitlesAndNextPage) {
  const Catalog catalog(4, {});
  const CatalogPage page = catalog.Page("月亮", Engine::kYahoo, 1);
  SearchQuery query;
  query.wordsBytes = text::Gb18030FromUtf8("月亮");
  const std::string html = text::AsciiLower(text::Utf8FromGb18030(YahooResultPage(page, query, kHost, true)));
  search::YahooLinkParser parser(html, kNoPause);
  parser.Parse();
  Found found = Split(parser.links());
  Found expected = Promised(page, true);
  for (const std::string& foreign : page.foreignLinks) expected.urls.push_back(text::AsciiLower(foreign));
  EXPECT_EQ(found.urls, expected.urls);
  found.titles.resize(expected.titles.size());  // the foreign links' titles are the page's own
  EXPECT_EQ(found.titles, expected.titles);
  search::YahooNextPageParser next(html, kHost);
  next.Find();
  EXPECT_EQ(next.nextUrl(), "http://" + std::string(kHost) + text::AsciiLower(YahooQueryTarget("月亮", 2)));
}

TEST(StandinPages, BaiduHitsLeadThroughTheirIntermediatePagesToTheFiles) {
  const Catalog catalog(4, {});
  const CatalogPage page = catalog.Page("月亮", Engine::kBaidu, 2);
  SearchQuery query;
  query.engine = Engine::kBaidu;
  query.wordsBytes = text::Gb18030FromUtf8("月亮");
  query.page = 2;
  const std::string html = text::Utf8FromGb18030(BaiduResultPage(page, query, kHost, true));
  const search::PageFetcher fetch = [&](const std::string& url, std::string& out) {
    for (const CatalogEntry& entry : page.entries) {
      if (url.find(std::string(kBaiduIntermediatePrefix) + entry.id) != std::string::npos) {
        out = text::Utf8FromGb18030(BaiduIntermediatePage(entry, kHost));
        return true;
      }
    }
    out = text::Utf8FromGb18030(BaiduDeadEndPage());
    return true;
  };
  search::BaiduLinkParser parser(html, fetch, kNoPause);
  parser.Parse();
  const Found found = Split(parser.links());
  const Found expected = Promised(page, false);
  EXPECT_EQ(found.urls, expected.urls);
  EXPECT_EQ(found.titles, expected.titles);
  search::BaiduNextPageParser next(html, kHost);
  next.Find();
  EXPECT_EQ(next.nextUrl(), "http://" + std::string(kHost) + BaiduQueryTarget("月亮", 3));
}

TEST(StandinPages, QueriesReadBackTheWordsTheClientSent) {
  for (const std::string& words : {std::string("月亮 & #1"), std::string("Jay Chou")}) {
    const std::string yahoo = YahooQueryTarget(words, 3);
    const auto parsed = ParseSearchQuery(yahoo.substr(0, yahoo.find('?')), yahoo.substr(yahoo.find('?') + 1));
    ASSERT_TRUE(parsed) << words;
    EXPECT_EQ(parsed->engine, Engine::kYahoo);
    EXPECT_EQ(parsed->wordsUtf8, words);
    EXPECT_EQ(parsed->page, 3);
  }
}

}  // namespace
}  // namespace vexon::standin
