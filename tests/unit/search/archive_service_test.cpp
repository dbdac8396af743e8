#include "search/archive_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "search/archive_answers.h"

namespace vexon::search {
namespace {

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
