#include "search/archive_answers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "search/archive_service.h"

namespace vexon::search {
namespace {

const char* const kBase = "https://archive.org/";

TEST(ArchiveAnswers, UrlsEncodeTheWordsAndEverySegmentAsUtf8) {
  EXPECT_EQ(ArchiveSearchUrl(kBase, " 月亮 & moon ", 2),
            "https://archive.org/advancedsearch.php?q=%28%E6%9C%88%E4%BA%AE%20%26%20moon%29%20AND%20mediatype%3A"
            "%28audio%29&fl%5B%5D=identifier&fl%5B%5D=title&fl%5B%5D=creator&rows=50&page=2&output=json");
  EXPECT_EQ(ArchiveItemUrl("http://127.0.0.1:8080", "gd1969.sbd"), "http://127.0.0.1:8080/metadata/gd1969.sbd");
  EXPECT_EQ(ArchiveFileUrl(kBase, "78_x", "03 - 夜来香 (Live).mp3"),
            "https://archive.org/download/78_x/03%20-%20%E5%A4%9C%E6%9D%A5%E9%A6%99%20%28Live%29.mp3");

  // The next page while items remain, from where this page started.
  const std::string second = ArchiveSearchUrl(kBase, "x", 2);
  ArchiveSearchPage page;
  page.numFound = 120, page.start = 50, page.docCount = 50;
  EXPECT_EQ(ArchiveNextSearchUrl(second, page), ArchiveSearchUrl(kBase, "x", 3));
  page.start = 100, page.docCount = 20;
  EXPECT_EQ(ArchiveNextSearchUrl(second, page), "");
  page.start = 0, page.docCount = 0;
  EXPECT_EQ(ArchiveNextSearchUrl(second, page), "");
}

TEST(ArchiveAnswers, SearchPagesKeepEveryUsableIdentifierAndSkipTheRest) {
  const auto page = ReadArchiveSearchAnswer(
      R"({"responseHeader":{"status":0},"response":{"numFound":"120","start":50,"docs":[
          {"identifier":"good_one","title":"T","creator":["A","B"]},
          {"identifier":"../etc"}, {"identifier":"a/b"}, {"identifier":"bell\u0007"}, {"identifier":42},
          {"title":"no identifier"}, "not an object", {"identifier":"second"}]}})");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->numFound, 120u);
  EXPECT_EQ(page->start, 50u);
  EXPECT_EQ(page->docCount, 8u);
  EXPECT_EQ(page->identifiers, (std::vector<std::string>{"good_one", "second"}));
}

TEST(ArchiveAnswers, AnswersOfAnotherShapeAreRefusedWhole) {
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  for (const std::string& text :
       {std::string(), std::string("not json"), std::string(R"({"response":{"docs":{}}})"),
        std::string(R"({"response":[]})"), std::string("[1,2]"), std::string(R"({"response":{"docs":[)"), deep,
        R"({"response":{"docs":[]},"pad":")" + std::string(kArchiveSearchAnswerLimit, 'x') + "\"}"}) {
    EXPECT_FALSE(ReadArchiveSearchAnswer(text)) << text.substr(0, 40);
  }
  EXPECT_FALSE(ReadArchiveItemAnswer("{}"));  // what the service says of an unknown item
  EXPECT_FALSE(ReadArchiveItemAnswer(R"({"files":"none"})"));
  EXPECT_FALSE(ReadArchiveItemAnswer(deep));
}

TEST(ArchiveAnswers, ItemFilesBecomeLinksTitledByTrackAndCreator) {
  const auto item = ReadArchiveItemAnswer(R"({"metadata":{"title":"Live 1969","creator":["Band","Guest"]},"files":[
      {"name":"01 - Intro.mp3","format":"VBR MP3","title":"Intro","track":"01","size":"123"},
      {"name":"01 - Intro_128kb.mp3","format":"128Kbps MP3","title":"Intro","track":"01","size":99},
      {"name":"02 - 夜来香.mp3","format":"VBR MP3","title":"夜来香","creator":"周璇","track":"02"},
      {"name":"02 - 夜来香_64kb.mp3","format":"64Kbps MP3"},
      {"name":"03 - Solo_64kb.mp3","format":"64Kbps MP3","track":"03"},
      {"name":"untitled.mp3","format":"VBR MP3","track":"04","title":7},
      {"name":"01 - Intro.ogg","format":"Ogg Vorbis","title":"Intro"},
      {"name":"../escape.mp3","format":"VBR MP3"}, {"name":"dir/inner.mp3"}, {"format":"VBR MP3"}, 12]})");
  ASSERT_TRUE(item);
  ASSERT_EQ(item->files.size(), 7u);
  const auto links = ArchiveLinks(kBase, "live", *item, [](const std::string& url) {
    return url.size() > 4 && url.compare(url.size() - 4, 4, ".mp3") == 0;
  });
  std::vector<std::string> titles;
  for (const auto& link : links) titles.push_back(link.title);
  // The 128 kb copy of track 01 and the unnumbered 64 kb copy of 夜来香 (same name
  // but for the rate mark) give way to their VBR files; track 03 has no VBR file.
  // Files without a title of their own take the item's.
  EXPECT_EQ(titles, (std::vector<std::string>{"Intro - Band, Guest", "夜来香 - 周璇", "Live 1969 - Band, Guest",
                                              "Live 1969 - Band, Guest"}));
  EXPECT_EQ(links[2].url, "https://archive.org/download/live/03%20-%20Solo_64kb.mp3");
  EXPECT_EQ(links[0].url, "https://archive.org/download/live/01%20-%20Intro.mp3");

  ArchiveItem bare;
  bare.files.push_back({"song.name.flac", "Flac", "", "", ""});
  EXPECT_EQ(ArchiveTitle(bare, bare.files[0]), "song.name");
}

TEST(ArchiveAnswers, AnItemWithHugeFileListsIsReadOnlyInPart) {
  std::string json = R"({"files":[)";
  for (size_t i = 0; i < kArchiveMaxFilesPerItem + 10; ++i) {
    json += (i ? "," : "") + std::string(R"({"name":"f)") + std::to_string(i) + R"(.mp3"})";
  }
  json += "]}";
  const auto item = ReadArchiveItemAnswer(json);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->files.size(), kArchiveMaxFilesPerItem);
}

// Twelve items, each answering after a short while with one VBR MP3, its 128 kb
// copy and a cover; one item's answer is broken and one is missing.
TEST(ArchiveService, ReadsEveryItemAtMostFourAtOnceAndNamesTheNextPage) {
  const ArchiveService service("http://127.0.0.1:9");
  std::string page = R"({"response":{"numFound":30,"start":0,"docs":[)";
  for (int i = 0; i < 12; ++i)
    page += (i ? "," : "") + std::string(R"({"identifier":"item)") + std::to_string(i) + "\"}";
  page += "]}}";
  std::atomic<int> inFlight{0};
  std::atomic<int> peak{0};
  const PageFetcher fetch = [&](const std::string& url, std::string& answer) {
    const int now = ++inFlight;
    for (int seen = peak.load(); now > seen && !peak.compare_exchange_weak(seen, now);) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    --inFlight;
    const std::string id = url.substr(url.rfind('/') + 1);
    if (id == "item3") return false;
    answer = id == "item7" ? "{oops" : R"({"metadata":{"title":")" + id + R"(","creator":"C"},"files":[
        {"name":"a.mp3","format":"VBR MP3","track":"1"},{"name":"a_128kb.mp3","format":"128Kbps MP3","track":"1"},
        {"name":"cover.jpg","format":"JPEG"}]})";
    return true;
  };
  std::mutex mutex;
  std::set<std::string> found;
  const std::string url = service.QueryUrl("歌");
  const std::string next = service.Read(url, page, fetch, nullptr, [&](const std::string& link) {
    std::lock_guard lock(mutex);
    found.insert(link);
  });
  EXPECT_LE(peak.load(), ArchiveService::kItemsAtOnce);
  EXPECT_EQ(found.size(), 10u);
  EXPECT_EQ(found.count("http://127.0.0.1:9/download/item0/a.mp3|||item0 - C"), 1u);
  EXPECT_EQ(next, ArchiveSearchUrl("http://127.0.0.1:9", "歌", 2));
  EXPECT_EQ(service.Read(url, "<html>not json</html>", fetch, nullptr, [](const std::string&) {}), "");
}

}  // namespace
}  // namespace vexon::search
