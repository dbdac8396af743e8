#include <gtest/gtest.h>

#include <curl/curl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "standin/audio_content.h"
#include "standin/http_date.h"
#include "standin/result_pages.h"
#include "standin/standin_server.h"
#include "text/encoding.h"
#include "text/strings.h"

#include "integration/standin/http_fetch.h"
#include "integration/standin/page_rules.h"

using namespace vexon::standin;
using testkit::Fetch;
using testkit::Fetched;
using testkit::FetchOptions;
using vexon::text::AsciiLower;
using vexon::text::Gb18030FromUtf8;
using vexon::text::Utf8FromGb18030;

namespace {

class StandinServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinOptions options;
    options.seed = 11;
    server_ = std::make_unique<StandinServer>(options);
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
  }
  void TearDown() override { server_->Stop(); }

  std::string Url(const std::string& target) const { return server_->Url(target); }
  Fetched Get(const std::string& target, FetchOptions options = {}) const { return Fetch(Url(target), options); }

  std::unique_ptr<StandinServer> server_;
};

std::string RangeHeader(uint64_t from) { return "Range: bytes=" + std::to_string(from) + "-"; }

}  // namespace

TEST_F(StandinServerTest, YahooQueryAnswersGbPageWithCatalogAnchorsAndNextLink) {
  const Catalog catalog = server_->CurrentCatalog();
  const std::string host = server_->HostPort();
  for (int page = 1; page <= catalog.Options().pagesPerService; ++page) {
    const Fetched f = Get(YahooQueryTarget("月亮", page));
    ASSERT_EQ(f.status, 200);
    EXPECT_EQ(f.Header("content-type"), "text/html; charset=gb2312");
    EXPECT_NE(Gb18030FromUtf8(Utf8FromGb18030(f.body)), std::string());
    const std::string html = Utf8FromGb18030(f.body);
    for (const CatalogEntry& e : catalog.Page("月亮", Engine::kYahoo, page).entries) {
      EXPECT_NE(html.find("href=" + FileUrl(e, host) + " target=_blank>" + e.titleHtml + "</a>"), std::string::npos)
          << e.id;
    }
    const std::string next = "<a href=\"" + YahooQueryTarget("月亮", page + 1) + "\"><strong>下一页</strong></a>";
    EXPECT_EQ(html.find(next) != std::string::npos, page < catalog.Options().pagesPerService) << page;
  }
}

TEST_F(StandinServerTest, BaiduQueryAnswersHitsAndAbsoluteNextLinkExceptOnLastPage) {
  const Catalog catalog = server_->CurrentCatalog();
  const std::string host = server_->HostPort();
  const int last = catalog.Options().pagesPerService;
  for (int page = 1; page <= last; ++page) {
    const Fetched f = Get(BaiduQueryTarget("晴天", page));
    ASSERT_EQ(f.status, 200);
    EXPECT_EQ(f.Header("content-type"), "text/html; charset=gb2312");
    const std::string html = Utf8FromGb18030(f.body);
    for (const CatalogEntry& e : catalog.Page("晴天", Engine::kBaidu, page).entries) {
      const size_t at = html.find("<a href=\"http://" + host + "/baidusg/" + e.id + "?tn=baidusg,");
      ASSERT_NE(at, std::string::npos) << e.id;
      EXPECT_EQ(html.compare(html.find("&word=", at), 7 + e.extension.size(), "&word=" + e.extension + ","), 0);
    }
    const std::string next = "<a href=\"http://" + host + BaiduQueryTarget("晴天", page + 1) + "\">下一页</a>";
    EXPECT_EQ(html.find(next) != std::string::npos, page < last) << page;
    EXPECT_EQ(testkit::BaiduNextUrl(html).empty(), page == last);
  }
}

TEST_F(StandinServerTest, BaiduHitsLeadThroughIntermediatePagesToLiveFileUrls) {
  const std::string html = Utf8FromGb18030(Get(BaiduQueryTarget("月亮")).body);
  const Catalog catalog = server_->CurrentCatalog();
  std::set<std::string> expected;
  for (const CatalogEntry& e : catalog.Page("月亮", Engine::kBaidu, 1).entries) expected.insert(FileUrl(e, server_->HostPort()));
  std::set<std::string> found;
  for (const auto& hit : testkit::BaiduHits(html)) {
    const Fetched page = Fetch(hit.url, {.timeoutMs = 2000});
    if (page.status != 200) continue;  // the decoy on a host where nothing listens
    const std::string link = testkit::IntermediateFileLink(Utf8FromGb18030(page.body), hit.type);
    if (!link.empty()) found.insert(link);
  }
  EXPECT_EQ(found, expected);
}

TEST_F(StandinServerTest, ChineseWordsRoundTripAsPercentEncodedGb18030) {
  const std::string words = "月亮 代表&我的心";
  const Catalog catalog = server_->CurrentCatalog();
  const Fetched f = Get(YahooQueryTarget(words, 2));
  const std::string html = Utf8FromGb18030(f.body);
  for (const CatalogEntry& e : catalog.Page(words, Engine::kYahoo, 2).entries) {
    EXPECT_NE(html.find(e.Path()), std::string::npos) << e.id;
  }
  EXPECT_EQ(testkit::YahooNextTarget(html), AsciiLower(YahooQueryTarget(words, 3)));

  // The lower-cased next link, '+' for a blank and raw GB18030 bytes ask for the same page.
  const std::string lower = AsciiLower(YahooQueryTarget(words, 2));
  std::string raw = "/m?&tn=baidump3&ct=134217728&rn=&word=" + Gb18030FromUtf8("月亮") + "&lm=-1";
  EXPECT_EQ(Get(lower).body, f.body);
  EXPECT_EQ(Get(vexon::text::ReplaceAll(YahooQueryTarget(words, 2), "%20", "+")).body, f.body);
  EXPECT_EQ(Get(raw).body, Get(BaiduQueryTarget("月亮")).body);

  const auto records = server_->Requests();
  ASSERT_GE(records.size(), 2u);
  EXPECT_EQ(records[0].target, YahooQueryTarget(words, 2));
  EXPECT_EQ(records[1].target, lower);
}

TEST_F(StandinServerTest, CatalogSaysExactlyWhichLinksAreLive) {
  CatalogOptions options;
  options.linksPerPage = 12;
  options.pagesPerService = 2;
  server_->SetCatalogOptions(options);
  const auto entries = server_->CurrentCatalog().AllEntries("周杰伦");
  int live = 0;
  for (const CatalogEntry& e : entries) {
    const Fetched f = Get(e.Path(), {.followRedirects = true, .headersOnly = true});
    const bool answeredLive = f.status == 200 && f.Has("content-length") && f.Has("last-modified");
    EXPECT_EQ(answeredLive, e.Live()) << e.id << " " << FaultName(e.fault);
    if (answeredLive) {
      ++live;
      EXPECT_EQ(f.Header("content-length"), std::to_string(e.size));
      EXPECT_EQ(f.Header("last-modified"), e.LastModifiedHttp());
      EXPECT_TRUE(vexon::text::StartsWith(f.Header("content-type"), "audio/"));
    }
  }
  EXPECT_GT(live, 0);
  EXPECT_LT(live, static_cast<int>(entries.size()));
}

TEST_F(StandinServerTest, FilePathsAreMatchedWithoutLetterCase) {
  const CatalogEntry e = server_->CurrentCatalog().Page("x", Engine::kYahoo, 1).entries[0];
  const Fetched lower = Get(e.Path(), {.followRedirects = true});
  const Fetched upper = Get("/files/" + vexon::text::AsciiUpper(e.FileName()), {.followRedirects = true});
  EXPECT_EQ(lower.status, upper.status);
  EXPECT_EQ(lower.body, upper.body);
  EXPECT_EQ(Get("/files/" + e.id + ".ogg").status, 404);
}

TEST_F(StandinServerTest, LiveFileCarriesLengthDateTypeAndAudioBytes) {
  FileScript s;
  s.size = 5000;
  server_->SetFile("/x/Song.mp3", s);
  const Fetched f = Get("/x/song.MP3");
  EXPECT_EQ(f.status, 200);
  EXPECT_EQ(f.Header("content-length"), "5000");
  EXPECT_EQ(f.Header("last-modified"), "Thu, 04 May 2006 03:02:01 GMT");
  EXPECT_EQ(f.Header("content-type"), "audio/mpeg");
  EXPECT_EQ(f.body, AudioContent(AudioFormat::kMp3Frames, 5000).Bytes(0, 5000));
  ASSERT_GE(f.body.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(f.body[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(f.body[1]) & 0xE0, 0xE0);
}

TEST_F(StandinServerTest, WavFileHasRiffHeader) {
  FileScript s;
  s.size = WavSizeForSamples(1000);
  server_->SetFile("/a.wav", s);
  const Fetched f = Get("/a.wav");
  EXPECT_EQ(f.Header("content-type"), "audio/wav");
  ASSERT_EQ(f.body.size(), s.size);
  EXPECT_EQ(f.body.substr(0, 4), "RIFF");
  EXPECT_EQ(f.body.substr(8, 4), "WAVE");
  EXPECT_EQ(f.body.substr(36, 4), "data");
}

TEST_F(StandinServerTest, HeadersCanBeLeftOut) {
  FileScript chunked;
  chunked.framing = BodyFraming::kChunked;
  chunked.size = 100000;
  server_->SetFile("/chunked.mp3", chunked);
  FileScript closing = chunked;
  closing.framing = BodyFraming::kCloseDelimited;
  server_->SetFile("/closing.mp3", closing);
  FileScript undated;
  undated.sendLastModified = false;
  server_->SetFile("/undated.mp3", undated);

  const std::string whole = AudioContent(AudioFormat::kMp3Frames, 100000).Bytes(0, 100000);
  const Fetched c = Get("/chunked.mp3");
  EXPECT_FALSE(c.Has("content-length"));
  EXPECT_EQ(c.Header("transfer-encoding"), "chunked");
  EXPECT_TRUE(c.Has("last-modified"));
  EXPECT_EQ(c.body, whole);
  const Fetched d = Get("/closing.mp3");
  EXPECT_EQ(d.code, CURLE_OK);
  EXPECT_FALSE(d.Has("content-length"));
  EXPECT_FALSE(d.Has("transfer-encoding"));
  EXPECT_EQ(d.body, whole);
  const Fetched u = Get("/undated.mp3");
  EXPECT_EQ(u.status, 200);
  EXPECT_TRUE(u.Has("content-length"));
  EXPECT_FALSE(u.Has("last-modified"));
}

TEST(StandinServerBodies, CloseDelimitedBodyEndsWithTheConnection) {
  // A long keep-alive: if the server left the connection open after the body, the
  // client would wait for it and time out.
  StandinOptions options;
  options.keepAliveSeconds = 60;
  StandinServer server(options);
  ASSERT_TRUE(server.Start());
  FileScript s;
  s.framing = BodyFraming::kCloseDelimited;
  s.size = 5000;
  server.SetFile("/closing.mp3", s);
  const Fetched f = Fetch(server.Url("/closing.mp3"), {.timeoutMs = 20000});
  EXPECT_EQ(f.code, CURLE_OK);
  EXPECT_EQ(f.body.size(), 5000u);
}

TEST_F(StandinServerTest, StreamedBodyCountsAsInFlightUntilItIsWritten) {
  FileScript s;
  s.firstByteDelay = std::chrono::minutes(1);
  server_->SetFile("/held.mp3", s);
  std::atomic<bool> headersSeen{false};
  std::thread client([&] {
    CURL* h = curl_easy_init();
    curl_easy_setopt(h, CURLOPT_URL, Url("/held.mp3").c_str());
    curl_easy_setopt(h, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, +[](char*, size_t size, size_t count, void* flag) {
      if (size * count == 2) static_cast<std::atomic<bool>*>(flag)->store(true);  // the blank line
      return size * count;
    });
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &headersSeen);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t count, void*) { return size * count; });
    curl_easy_perform(h);
    curl_easy_cleanup(h);
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!headersSeen && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_TRUE(headersSeen);
  EXPECT_EQ(server_->Counters().filesInFlight, 1);
  server_->Stop();  // ends the held body
  client.join();
  EXPECT_EQ(server_->Counters().filesInFlight, 0);
}

TEST_F(StandinServerTest, ErrorStatusesAnswerAsScripted) {
  FileScript missing;
  missing.status = 404;
  server_->SetFile("/missing.mp3", missing);
  FileScript locked;
  locked.status = 401;
  server_->SetFile("/locked.mp3", locked);
  EXPECT_EQ(Get("/missing.mp3").status, 404);
  EXPECT_FALSE(Get("/missing.mp3").Has("last-modified"));
  const Fetched l = Get("/locked.mp3");
  EXPECT_EQ(l.status, 401);
  EXPECT_TRUE(l.Has("www-authenticate"));
  EXPECT_EQ(Get("/nothing/here").status, 404);
}

TEST_F(StandinServerTest, RedirectChainsRunThroughHopsToTheTarget) {
  FileScript target;
  target.size = 3000;
  server_->SetFile("/real.mp3", target);
  FileScript moved;
  moved.redirectStatus = 301;
  moved.redirectTo = "/real.mp3";
  moved.redirectHops = 3;
  server_->SetFile("/old.mp3", moved);

  const Fetched first = Get("/old.mp3");
  EXPECT_EQ(first.status, 301);
  EXPECT_EQ(first.Header("location"), Url("/hop/1/old.mp3"));
  server_->ResetCounters();
  const Fetched all = Get("/old.mp3", {.followRedirects = true});
  EXPECT_EQ(all.status, 200);
  EXPECT_EQ(all.answers, 4);
  EXPECT_EQ(all.body.size(), 3000u);
  std::vector<std::string> paths;
  for (const RequestRecord& r : server_->Requests()) paths.push_back(r.target);
  EXPECT_EQ(paths, (std::vector<std::string>{"/old.mp3", "/hop/1/old.mp3", "/hop/2/old.mp3", "/real.mp3"}));
  EXPECT_EQ(Get("/hop/3/old.mp3").status, 404);

  FileScript away;
  away.redirectStatus = 302;
  away.redirectTo = "http://127.0.0.1:1/elsewhere.mp3";
  server_->SetFile("/away.mp3", away);
  EXPECT_EQ(Get("/away.mp3").Header("location"), "http://127.0.0.1:1/elsewhere.mp3");
}

TEST_F(StandinServerTest, RangeFromOffsetAnswers206WithTheRest) {
  FileScript s;
  s.size = 10000;
  server_->SetFile("/r.mp3", s);
  const std::string whole = AudioContent(AudioFormat::kMp3Frames, 10000).Bytes(0, 10000);
  const Fetched f = Get("/r.mp3", {.headers = {RangeHeader(3000)}});
  EXPECT_EQ(f.status, 206);
  EXPECT_EQ(f.Header("content-range"), "bytes 3000-9999/10000");
  EXPECT_EQ(f.Header("content-length"), "7000");
  EXPECT_EQ(f.body, whole.substr(3000));
  const Fetched bounded = Get("/r.mp3", {.headers = {"Range: bytes=10-19"}});
  EXPECT_EQ(bounded.status, 206);
  EXPECT_EQ(bounded.body, whole.substr(10, 10));
}

TEST_F(StandinServerTest, RangeAtOrPastTheEndAnswers416) {
  FileScript s;
  s.size = 10000;
  server_->SetFile("/r.mp3", s);
  for (uint64_t from : {10000u, 20000u}) {
    const Fetched f = Get("/r.mp3", {.headers = {RangeHeader(from)}});
    EXPECT_EQ(f.status, 416);
    EXPECT_EQ(f.Header("content-range"), "bytes */10000");
  }
}

TEST_F(StandinServerTest, IgnoredRangeAnswers200WithTheWholeBody) {
  FileScript s;
  s.size = 10000;
  s.range = RangeMode::kIgnore;
  server_->SetFile("/r.mp3", s);
  const Fetched f = Get("/r.mp3", {.headers = {RangeHeader(3000)}});
  EXPECT_EQ(f.status, 200);
  EXPECT_FALSE(f.Has("content-range"));
  EXPECT_EQ(f.body.size(), 10000u);
}

TEST_F(StandinServerTest, CutBodyDeclaresFullLengthAndCloses) {
  FileScript s;
  s.size = 200000;
  s.cutAfter = 70000;
  s.cutAnswers = 1;
  server_->SetFile("/cut.mp3", s);
  const Fetched cut = Get("/cut.mp3");
  EXPECT_EQ(cut.code, CURLE_PARTIAL_FILE);
  EXPECT_EQ(cut.Header("content-length"), "200000");
  EXPECT_EQ(cut.body.size(), 70000u);
  const Fetched resumed = Get("/cut.mp3", {.headers = {RangeHeader(70000)}});
  EXPECT_EQ(resumed.code, CURLE_OK);
  EXPECT_EQ(cut.body + resumed.body, AudioContent(AudioFormat::kMp3Frames, 200000).Bytes(0, 200000));
}

TEST_F(StandinServerTest, ThrottledAndSlowFilesStillDeliverEveryByte) {
  FileScript s;
  s.size = 30000;
  s.bytesPerSecond = 200000;
  s.firstByteDelay = std::chrono::milliseconds(20);
  s.headerDelay = std::chrono::milliseconds(20);
  server_->SetFile("/slow.wav", s);
  const Fetched f = Get("/slow.wav");
  EXPECT_EQ(f.status, 200);
  EXPECT_EQ(f.body, AudioContent(AudioFormat::kWav, 30000).Bytes(0, 30000));
}

TEST_F(StandinServerTest, GigabyteFileIsServedFromAnyOffset) {
  FileScript s;
  s.size = uint64_t{1} << 30;
  server_->SetFile("/big.mp3", s);
  const Fetched head = Get("/big.mp3", {.headersOnly = true});
  EXPECT_EQ(head.Header("content-length"), "1073741824");
  const Fetched tail = Get("/big.mp3", {.headers = {RangeHeader(s.size - 1000)}});
  EXPECT_EQ(tail.status, 206);
  EXPECT_EQ(tail.body, AudioContent(AudioFormat::kMp3Frames, s.size).Bytes(s.size - 1000, 1000));
  EXPECT_TRUE(server_->WaitForIdle(std::chrono::seconds(5)));
}

TEST_F(StandinServerTest, RawPagesAnswerExactlyAndTargetsBeatPaths) {
  RawPage page;
  page.status = 203;
  page.contentType = "text/plain; charset=gb2312";
  page.body = Gb18030FromUtf8("下一页\r\n");
  page.headers = {{"X-Standin", "yes"}};
  server_->SetPage("/search.html", page);
  RawPage exact;
  exact.body = "exact";
  server_->SetPage("/search.html?p=1", exact);

  const Fetched f = Get(YahooQueryTarget("月亮"));
  EXPECT_EQ(f.status, 203);
  EXPECT_EQ(f.Header("content-type"), "text/plain; charset=gb2312");
  EXPECT_EQ(f.Header("x-standin"), "yes");
  EXPECT_EQ(f.body, page.body);
  EXPECT_EQ(Get("/search.html?p=1").body, "exact");
  server_->RemovePage("/search.html");
  EXPECT_EQ(Get(YahooQueryTarget("月亮")).Header("content-type"), "text/html; charset=gb2312");
}

TEST_F(StandinServerTest, PageUrlCanAnswerAudio) {
  server_->SetFile("/search.html", FileScript{});
  const Fetched f = Get(YahooQueryTarget("月亮"));
  EXPECT_EQ(f.status, 200);
  EXPECT_EQ(f.Header("content-type"), "audio/mpeg");
}

TEST_F(StandinServerTest, MakersSiteHasWordListAndUpdateFiles) {
  const Fetched list = Get("/poplist.htm");
  EXPECT_EQ(list.status, 200);
  EXPECT_TRUE(list.Has("content-length"));
  EXPECT_NE(Utf8FromGb18030(list.body).find("A|||"), std::string::npos);
  EXPECT_NE(list.body.find("\r\n"), std::string::npos);
  EXPECT_EQ(Get("/downloads/update.txt").body.find_first_not_of("0123456789."), std::string::npos);

  RawPage update;
  update.contentType = "text/plain";
  update.body = "9.9.9.9";
  server_->SetPage("/downloads/update.txt", update);
  RawPage exe;
  exe.contentType = "application/octet-stream";
  exe.body = std::string("MZ\0\x01", 4);
  server_->SetPage("/downloads/vexon", exe);
  EXPECT_EQ(Get("/downloads/update.txt").body, "9.9.9.9");
  EXPECT_EQ(Get("/downloads/vexon").body, exe.body);
}

TEST_F(StandinServerTest, RequestsRecordTargetAgentAndRange) {
  server_->ResetCounters();
  FileScript s;
  s.size = 100;
  server_->SetFile("/f.mp3", s);
  Get("/f.mp3?x=%41", {.headers = {"Range: bytes=5-"}, .userAgent = "TuneSnag"});
  const auto records = server_->Requests();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].method, "GET");
  EXPECT_EQ(records[0].target, "/f.mp3?x=%41");
  EXPECT_EQ(records[0].userAgent, "TuneSnag");
  EXPECT_EQ(records[0].range, "bytes=5-");
  EXPECT_EQ(records[0].host, server_->HostPort());
  EXPECT_TRUE(records[0].file);
  const StandinCounters c = server_->Counters();
  EXPECT_EQ(c.requests, 1u);
  EXPECT_EQ(c.fileRequests, 1u);
  server_->ResetCounters();
  EXPECT_EQ(server_->Counters().requests, 0u);
  EXPECT_TRUE(server_->Requests().empty());
}

TEST_F(StandinServerTest, CheckDelayHoldsManyFileAnswersAtOnceAndStopReleasesThem) {
  constexpr int kParallel = 80;
  for (int i = 0; i < kParallel; ++i) server_->SetFile("/files/p" + std::to_string(i) + ".mp3", FileScript{});
  server_->SetCheckDelay(std::chrono::minutes(1));
  server_->ResetCounters();
  std::thread clients([&] {
    CURLM* multi = curl_multi_init();
    std::vector<CURL*> handles;
    for (int i = 0; i < kParallel; ++i) {
      CURL* h = curl_easy_init();
      curl_easy_setopt(h, CURLOPT_URL, Url("/files/p" + std::to_string(i) + ".mp3").c_str());
      curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
      curl_easy_setopt(h, CURLOPT_TIMEOUT, 30L);
      curl_multi_add_handle(multi, h);
      handles.push_back(h);
    }
    int running = 1;
    while (running > 0) {
      curl_multi_perform(multi, &running);
      curl_multi_poll(multi, nullptr, 0, 100, nullptr);
    }
    for (CURL* h : handles) {
      curl_multi_remove_handle(multi, h);
      curl_easy_cleanup(h);
    }
    curl_multi_cleanup(multi);
  });

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (server_->Counters().filesInFlight < kParallel && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // Pages are not held back by the check delay.
  EXPECT_EQ(Get(YahooQueryTarget("月亮")).status, 200);
  const StandinCounters during = server_->Counters();
  EXPECT_EQ(during.filesInFlight, kParallel);
  EXPECT_GE(during.peakInFlight, kParallel + 1);
  EXPECT_EQ(during.peakFilesInFlight, kParallel);

  server_->Stop();
  clients.join();
  const StandinCounters after = server_->Counters();
  EXPECT_EQ(after.inFlight, 0);
  EXPECT_EQ(after.filesInFlight, 0);
  EXPECT_EQ(after.fileRequests, static_cast<uint64_t>(kParallel));
}

TEST_F(StandinServerTest, RestartKeepsPortAndCatalog) {
  const int port = server_->Port();
  const std::string before = Get(BaiduQueryTarget("月亮")).body;
  server_->Stop();
  EXPECT_FALSE(server_->Running());
  ASSERT_TRUE(server_->Start());
  EXPECT_EQ(server_->Port(), port);
  EXPECT_EQ(Get(BaiduQueryTarget("月亮")).body, before);
}

TEST(StandinServerStart, RefusesHostsOffLoopback) {
  StandinOptions options;
  options.host = "0.0.0.0";
  StandinServer server(options);
  std::string error;
  EXPECT_FALSE(server.Start(&error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(server.Running());
}

TEST(StandinServerStart, BusyPortIsAnErrorNotACrash) {
  StandinServer first;
  ASSERT_TRUE(first.Start());
  StandinOptions options;
  options.port = first.Port();
  StandinServer second(options);
  std::string error;
  EXPECT_FALSE(second.Start(&error));
  EXPECT_FALSE(error.empty());
}

namespace {

std::string StandinProgram() { return VEXON_STANDIN_PATH; }

}  // namespace

TEST(StandinExecutable, ServesOnThePortItWritesAndEndsOnSigterm) {
  const std::string programPath = StandinProgram();
  if (programPath.empty()) GTEST_SKIP() << "vexon-standin not found";
  const char* program = programPath.c_str();
  const std::string portFile = ::testing::TempDir() + "standin_port_" + std::to_string(getpid());
  std::remove(portFile.c_str());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(program, program, "--port", "0", "--port-file", portFile.c_str(), "--seed", "3", "--pages", "1",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int port = 0;
  for (int i = 0; i < 500 && port == 0; ++i) {
    std::ifstream in(portFile);
    if (!(in >> port)) port = 0;
    if (port == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GT(port, 0);
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  const Fetched f = Fetch(base + YahooQueryTarget("月亮"));
  EXPECT_EQ(f.status, 200);
  EXPECT_EQ(testkit::YahooNextTarget(Utf8FromGb18030(f.body)), "");  // --pages 1
  const CatalogEntry e = Catalog(3, {}).Page("月亮", Engine::kYahoo, 1).entries[0];
  EXPECT_NE(Utf8FromGb18030(f.body).find(e.Path()), std::string::npos);

  kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::remove(portFile.c_str());
}
