#include "search/archive_answers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include <regex>

#include <nlohmann/json.hpp>

#include "search/archive_service.h"
#include "text/strings.h"

namespace vexon::search {
namespace {

const char* const kBase = "https://archive.org/";

TEST(ArchiveAnswers, UrlsEncodeTheWordsAndEverySegmentAsUtf8) {
  EXPECT_EQ(ArchiveSearchUrl(kBase, " 月亮 & moon ", 2),
            "https://archive.org/advancedsearch.php?q=%28%E6%9C%88%E4%BA%AE%20%26%20moon%29%20AND%20mediatype%3A"
            "%28audio%20OR%20etree%29&fl%5B%5D=identifier&fl%5B%5D=title&fl%5B%5D=creator&rows=50&page=2&output=json");
  EXPECT_EQ(ArchiveItemUrl("http://127.0.0.1:8080", "gd1969.sbd"), "http://127.0.0.1:8080/metadata/gd1969.sbd");
  EXPECT_EQ(ArchiveFileUrl(kBase, "78_x", "03 - 夜来香 (Live).mp3"),
            "https://archive.org/download/78_x/03%20-%20%E5%A4%9C%E6%9D%A5%E9%A6%99%20%28Live%29.mp3");
  EXPECT_EQ(ArchiveFileUrl(kBase, "cd_x", "disc1/extras/01 a#b?.mp3"),
            "https://archive.org/download/cd_x/disc1/extras/01%20a%23b%3F.mp3");

  // The next page while items remain, from where this page started.
  const std::string second = ArchiveSearchUrl(kBase, "x", 2);
  ArchiveSearchPage page;
  page.numFound = 120, page.start = 50, page.docCount = 50;
  EXPECT_EQ(ArchiveNextSearchUrl(second, page), ArchiveSearchUrl(kBase, "x", 3));
  page.start = 100, page.docCount = 20;
  EXPECT_EQ(ArchiveNextSearchUrl(second, page), "");
  page.start = 0, page.docCount = 0;
  EXPECT_EQ(ArchiveNextSearchUrl(second, page), "");
  // A service that ignores the page number answers page 2 from the start again.
  page.numFound = 500, page.start = 0, page.docCount = 50;
  EXPECT_EQ(ArchiveNextSearchUrl(second, page), "");
  EXPECT_EQ(ArchiveNextSearchUrl(ArchiveSearchUrl(kBase, "x", 1), page), ArchiveSearchUrl(kBase, "x", 2));
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

// In the shapes of real items: tracks in folders, private files beside public
// samples, derivatives naming their originals, every file of a 78 carrying track
// "01", artists without creators.
TEST(ArchiveAnswers, ItemFilesBecomeLinksGroupedByTheirOriginals) {
  const auto item = ReadArchiveItemAnswer(R"({"metadata":{"title":"Live 1969","creator":["Band","Guest"]},"files":[
      {"name":"01 - Intro.flac","format":"Flac","source":"original","title":"Intro","track":"01"},
      {"name":"01 - Intro.mp3","format":"VBR MP3","original":"01 - Intro.flac","title":"Intro","track":"01"},
      {"name":"01 - Intro_128kb.mp3","format":"128Kbps MP3","original":"01 - Intro.mp3","title":"Intro","track":"01"},
      {"name":"side b.flac","format":"Flac","track":"01","title":"Side B"},
      {"name":"side b_64kb.mp3","format":"64Kbps MP3","original":"side b.flac","track":"01","title":"Side B"},
      {"name":"02 - 夜来香.mp3","format":"VBR MP3","original":"02.flac","title":"夜来香","creator":"周璇"},
      {"name":"02 - 夜来香_64kb.mp3","format":"64Kbps MP3","original":"02.flac"},
      {"name":"disc1/03 Solo.mp3","format":"VBR MP3","title":"Solo","artist":"Rodzinski, NY Phil","private":"true"},
      {"name":"disc1/03 Solo_sample.mp3","format":"MP3 Sample","title":"Solo","original":"disc1/03 Solo.flac"},
      {"name":"disc1/04 Coda.mp3","format":"VBR MP3","title":"Coda","artist":"Rodzinski, NY Phil"},
      {"name":"extras/Booklet/center_vbr.mp3","format":"VBR MP3","track":"04","title":7},
      {"name":"loop.mp3","format":"VBR MP3","original":"loop.mp3"},
      {"name":"talk.mp3","format":"128Kbps MP3"}, {"name":"talk_64kb.mp3","format":"64Kbps MP3","original":"talk.mp3"},
      {"name":"rare_64kb.mp3","format":"64Kbps MP3","original":"rare.flac"},
      {"name":"rare_128kb.mp3","format":"128Kbps MP3","original":"rare.flac"},
      {"name":"hidden.mp3","format":"VBR MP3","private":true},
      {"name":"../escape.mp3","format":"VBR MP3"}, {"name":"dir//inner.mp3"}, {"name":"/root.mp3"},
      {"name":"dir\\inner.mp3"}, {"name":"a/../b.mp3"}, {"name":"dir/"},
      {"name":"disc1/./x.mp3"}, {"name":"x/."}, {"format":"VBR MP3"}, 12]})");
  ASSERT_TRUE(item);
  ASSERT_EQ(item->files.size(), 14u);
  const auto links = ArchiveLinks(kBase, "live", *item, [](const std::string& url) {
    return url.size() > 4 && url.compare(url.size() - 4, 4, ".mp3") == 0;
  });
  std::vector<std::string> titles, urls;
  for (const auto& link : links) titles.push_back(link.title), urls.push_back(link.url.substr(29));
  // Intro's 128 kb copy goes by its chain to the VBR file's original; side B's only
  // MP3 stays although side A's track number is the same; without a VBR file the
  // original MP3, else the higher rate, is kept; a file titled by no text takes the
  // item's title.
  EXPECT_EQ(titles,
            (std::vector<std::string>{"Intro - Band, Guest", "Side B - Band, Guest", "夜来香 - 周璇",
                                      "Coda - Rodzinski, NY Phil", "Live 1969 - Band, Guest", "Live 1969 - Band, Guest",
                                      "Live 1969 - Band, Guest", "Live 1969 - Band, Guest"}));
  EXPECT_EQ(urls, (std::vector<std::string>{"live/01%20-%20Intro.mp3", "live/side%20b_64kb.mp3",
                                            "live/02%20-%20%E5%A4%9C%E6%9D%A5%E9%A6%99.mp3", "live/disc1/04%20Coda.mp3",
                                            "live/extras/Booklet/center_vbr.mp3", "live/loop.mp3", "live/talk.mp3",
                                            "live/rare_128kb.mp3"}));

  ArchiveItem bare;
  bare.files.push_back({"disc2/song.name.flac", "Flac", "", "", "", "", ""});
  EXPECT_EQ(ArchiveTitle(bare, bare.files[0]), "song.name");

  std::string deep;
  for (size_t i = 0; i < kArchiveMaxPathSegments; ++i) deep += "d/";
  EXPECT_TRUE(IsSafeArchivePath(deep.substr(0, deep.size() - 2) + "x.mp3"));
  EXPECT_FALSE(IsSafeArchivePath(deep + "x.mp3"));
  EXPECT_FALSE(IsSafeArchivePath(std::string(kArchiveMaxPathBytes - 5, 'a') + "/b.mp3"));
}

// The record of each file as the service keeps it: numbers as strings or numbers,
// digests in either case; a size that is not a number drops the file, a digest that
// is not one is left out with a note, an mtime that is not a time leaves no date,
// names too long or too deep are refused.
TEST(ArchiveAnswers, FileRecordsGiveSizeDateAndDigests) {
  const std::string md5(32, 'a');
  const std::string sha1 = "BD3893EE62E5E35F37E8B5DCC9BA14EFE5651A3E";
  std::string deep;  // 200 folders
  for (int i = 0; i < 200; ++i) deep += "d/";
  const auto item = ReadArchiveItemAnswer(R"({"files":[
      {"name":"a.mp3","size":"6075944","mtime":"1516734729","md5":")" +
                                          md5 + R"(","sha1":")" + sha1 + R"("},
      {"name":"b.mp3","size":6075944,"mtime":1498160622,"md5":"xyz","sha1":")" +
                                          md5 + R"("},
      {"name":"c.mp3","size":"12x"}, {"name":"d.mp3","size":-1}, {"name":"e.mp3","size":"99999999999999999999999"},
      {"name":"f.mp3","size":"","mtime":"soon"}, {"name":"g.mp3","size":null},
      {"name":"h.mp3","mtime":"99999999999999"}, {"name":"i.mp3","size":"0","mtime":"0"},
      {"name":")" + std::string(4000, 'n') +
                                          R"(.mp3","size":"1"}, {"name":")" + deep + R"(x.mp3","size":"1"}]})");
  ASSERT_TRUE(item);
  std::vector<std::string> rows;
  for (const ArchiveFile& f : item->files) {
    rows.push_back(f.name + "|" + f.size + "|" + ArchiveDate(f.mtime) + "|" + f.md5 + "|" + f.sha1);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"a.mp3|6075944|01/23/2018|" + md5 + "|" + text::AsciiLower(sha1),
                                            "b.mp3|6075944|06/22/2017||", "h.mp3||||", "i.mp3|0|01/01/1970||"}));
  EXPECT_EQ(item->notes.size(), 2u);
  EXPECT_NE(item->notes[0].find("b.mp3"), std::string::npos);

  ArchiveSearchPage page;
  page.identifiers = {"a", "b", "a"};
  std::unordered_set<std::string> read{"b"};
  EXPECT_EQ(NewArchiveIdentifiers(page, read), (std::vector<std::string>{"a"}));
  EXPECT_TRUE(NewArchiveIdentifiers(page, read).empty());
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

// Every recorded item answer of the live service: no private file or sample is
// listed, no link leaves its item, and each original that has a public MP3 is heard
// through exactly one MP3.
TEST(ArchiveAnswers, RecordedAnswersOfTheServiceListEveryPublicTrackOnce) {
  const std::filesystem::path folder = VEXON_RECORDED_ANSWERS;
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no recorded answers at " << folder;
  size_t items = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".json") continue;
    std::stringstream bytes;
    bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
    const nlohmann::json raw = nlohmann::json::parse(bytes.str(), nullptr, false);
    if (!raw.is_object() || !raw.contains("files")) continue;
    const auto item = ReadArchiveItemAnswer(bytes.str());
    ASSERT_TRUE(item) << entry.path();
    ++items;
    std::map<std::string, nlohmann::json> byName;
    for (const auto& file : raw["files"]) {
      if (file.is_object() && file.contains("name")) byName[file["name"].get<std::string>()] = file;
    }
    std::map<std::string, int> mp3sPerOriginal;
    const std::string prefix = std::string(kBase) + "download/x/";
    for (const ArchiveLink& link : ArchiveLinks(kBase, "x", *item, [](const std::string&) { return true; })) {
      ASSERT_EQ(link.url.rfind(prefix, 0), 0u) << link.url;
      EXPECT_EQ(link.url.find(".."), std::string::npos) << link.url;
      const auto file = std::find_if(item->files.begin(), item->files.end(), [&](const ArchiveFile& f) {
        return ArchiveFileUrl(kBase, "x", f.name) == link.url;
      });
      ASSERT_NE(file, item->files.end()) << link.url;
      const nlohmann::json& fields = byName.at(file->name);
      EXPECT_NE(fields.value("private", ""), "true") << file->name;
      EXPECT_NE(fields.value("format", ""), "MP3 Sample") << file->name;
      EXPECT_EQ(link.size, fields.value("size", "")) << file->name;
      EXPECT_EQ(link.sha1.size(), fields.contains("sha1") ? 40u : 0u) << file->name;
      if (text::EndsWith(text::AsciiLower(file->format), "mp3")) {
        std::string root = file->name;
        for (int i = 0; i < 8 && byName.count(root) && byName[root].contains("original"); ++i) {
          root = byName[root]["original"].get<std::string>();
        }
        ++mp3sPerOriginal[root];
      }
    }
    for (const auto& [original, count] : mp3sPerOriginal) EXPECT_EQ(count, 1) << entry.path() << ": " << original;
  }
  EXPECT_GT(items, 0u);
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
    answer = id == "item7" ? "{oops"
                           : R"({"metadata":{"title":")" + id + R"(","creator":"C"},"files":[
        {"name":"a.mp3","format":"VBR MP3","original":"a.flac")" +
                                 (id == "item1" ? "" : R"(,"size":"5999668","mtime":1498160622)") + R"(},
        {"name":"a_128kb.mp3","format":"128Kbps MP3","original":"a.flac"},
        {"name":"cover.jpg","format":"JPEG"}]})";
    return true;
  };
  std::mutex mutex;
  std::set<std::string> found;
  const FoundSink sink = [&](FoundFile file) {
    std::lock_guard lock(mutex);
    found.insert(file.url + "|" + file.title + "|" + file.size + "|" + file.date + (file.vouched ? "|vouched" : ""));
  };
  const std::string url = service.QueryUrl("歌");
  PageChain chain;
  const std::string next = service.Read(url, page, fetch, nullptr, sink, chain);
  EXPECT_LE(peak.load(), ArchiveService::kItemsAtOnce);
  EXPECT_EQ(found.size(), 10u);
  EXPECT_EQ(found.count("http://127.0.0.1:9/download/item0/a.mp3|item0 - C|5999668|06/22/2017|vouched"), 1u);
  EXPECT_EQ(found.count("http://127.0.0.1:9/download/item1/a.mp3|item1 - C||"), 1u);  // no record: checked
  EXPECT_EQ(next, ArchiveSearchUrl("http://127.0.0.1:9", "歌", 2));
  EXPECT_EQ(service.Read(url, "<html>not json</html>", fetch, nullptr, sink, chain), "");

  // A service that ignores the page number but says it starts where asked: the
  // second page is the first again, and the chain ends there without a new link.
  const std::string again = std::regex_replace(page, std::regex(R"("start":0)"), R"("start":50)");
  found.clear();
  EXPECT_EQ(service.Read(next, again, fetch, nullptr, sink, chain), "");
  EXPECT_TRUE(found.empty());
}

}  // namespace
}  // namespace vexon::search
