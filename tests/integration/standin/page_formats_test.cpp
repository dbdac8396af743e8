#include <curl/curl.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "search/baidu_parser.h"
#include "search/found_link.h"
#include "search/yahoo_parser.h"
#include "standin/catalog.h"
#include "standin/http_date.h"
#include "standin/result_pages.h"
#include "standin/standin_server.h"
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

// The archive interface as a client walks it: a search page, an item's files, and
// one file fetched in part through the download redirect.
struct Reply {
  long status = 0;
  std::string headers, body;
  std::string Header(const std::string& lowerName) const {
    const size_t at = text::AsciiLower(headers).find("\n" + lowerName + ": ");
    if (at == std::string::npos) return {};
    const size_t from = at + lowerName.size() + 3;
    return headers.substr(from, headers.find('\r', from) - from);
  }
};

size_t Append(char* p, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(p, size * n);
  return size * n;
}

Reply Get(const std::string& url, const std::string& range = {}) {
  Reply r;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &r.headers);
  if (!range.empty()) curl_easy_setopt(curl, CURLOPT_RANGE, range.c_str());
  if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.status);
  curl_easy_cleanup(curl);
  return r;
}

TEST(StandinArchive, SearchItemFilesAndARangedDownloadThroughTheRedirect) {
  StandinServer server;
  ASSERT_TRUE(server.Start());
  const std::string words = "(月亮 代表) AND mediatype:(audio)";
  const Reply search = Get(server.Url("/advancedsearch.php?q=" + PercentEncode(words) +
                                      "&fl%5B%5D=identifier&fl[]=title&fl[]=creator&rows=5&page=2&output=json"));
  EXPECT_EQ(search.Header("content-type"), "application/json");
  const auto found = nlohmann::json::parse(search.body);
  EXPECT_EQ(found["responseHeader"]["params"]["query"], words);
  EXPECT_EQ(found["response"]["numFound"], 12);
  EXPECT_EQ(found["response"]["start"], 5);
  EXPECT_EQ(found["response"]["docs"][0]["identifier"], server.CurrentArchive().Doc(5).identifier);
  ASSERT_EQ(found["response"]["docs"].size(), 5u);

  const std::string id = server.CurrentArchive().Doc(2).identifier;
  const auto item = nlohmann::json::parse(Get(server.Url("/metadata/" + id)).body);
  EXPECT_EQ(item["metadata"]["identifier"], id);
  EXPECT_EQ(item["dir"], "/datanode/" + id);
  const std::string name = "03 - 夜来香 (Live).mp3";
  const auto& files = item["files"];
  const auto file = std::find_if(files.begin(), files.end(), [&](auto& f) { return f["name"] == name; });
  ASSERT_NE(file, files.end());
  EXPECT_EQ((*file)["format"], "VBR MP3");
  EXPECT_EQ(Get(server.Url("/metadata/no_such_item")).body, "{}");
  EXPECT_EQ(server.Counters().peakMetadataInFlight, 1);

  const std::string at = "/" + id + "/" + PercentEncode(name);
  const Reply moved = Get(server.Url("/download" + at));
  EXPECT_EQ(moved.status, 302);
  const std::string location = moved.Header("location");
  ASSERT_EQ(location, server.Url("/datanode" + at));
  const ArchiveFile served = *server.CurrentArchive().FindFile(id, name);
  const Reply part = Get(location, "100-199");
  EXPECT_EQ(part.status, 206);
  EXPECT_EQ(part.Header("content-range"), "bytes 100-199/" + std::to_string(served.size));
  EXPECT_EQ(part.Header("last-modified"), FormatHttpDate(served.mtime));
  EXPECT_EQ(part.body.size(), 100u);
  EXPECT_EQ(Get(location, std::to_string(served.size) + "-").status, 416);
  EXPECT_EQ(Get(server.Url("/download/" + id + "/%2E%2E")).status, 400);
  EXPECT_EQ(Get(server.Url("/download/" + id + "/bonus/%2E%2E/x.mp3")).status, 400);

  // A track in a folder goes through the redirect with its folder; a private take
  // is listed as such and answers 403 everywhere, its sample does not.
  const ArchiveItem cd = server.CurrentArchive().Item(1);
  const auto inFolder = std::find_if(cd.files.begin(), cd.files.end(), [](const ArchiveFile& f) {
    return f.format == "VBR MP3" && f.name.rfind("disc1/", 0) == 0;
  });
  ASSERT_NE(inFolder, cd.files.end());
  const std::string folderPath = "/" + cd.doc.identifier + "/disc1/" + PercentEncode(inFolder->name.substr(6));
  const Reply folderMoved = Get(server.Url("/download" + folderPath));
  EXPECT_EQ(folderMoved.status, 302);
  EXPECT_EQ(Get(folderMoved.Header("location"), "0-9").status, 206);
  const auto listed = nlohmann::json::parse(Get(server.Url("/metadata/" + cd.doc.identifier)).body)["files"];
  int privateFiles = 0;
  for (const auto& f : listed) {
    const std::string fileName = f["name"];
    const std::string bonus =
        "/" + cd.doc.identifier + "/bonus/" + PercentEncode(fileName.substr(fileName.find('/') + 1));
    if (f.value("private", "") == "true") {
      ++privateFiles;
      EXPECT_EQ(Get(server.Url("/download" + bonus)).status, 403) << fileName;
      EXPECT_EQ(Get(server.Url("/datanode" + bonus)).status, 403) << fileName;
    } else if (f["format"] == "MP3 Sample") {
      EXPECT_EQ(Get(server.Url("/download" + bonus)).status, 302) << fileName;
    }
  }
  EXPECT_EQ(privateFiles, 1);
  EXPECT_EQ(Get(server.Url("/advancedsearch.php?q=a&rows=x&output=json")).status, 400);
}

}  // namespace
}  // namespace vexon::standin
