#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "net/net_errors.h"
#include "net/page_reader.h"
#include "net/stop_signal.h"
#include "net/task_http.h"
#include "standin/fault_server.h"
#include "standin/standin_server.h"
#include "support/test_files.h"

using namespace vexon;
using namespace std::chrono_literals;
using vexon::standin::RawScript;
namespace fs = std::filesystem;

namespace {

class TaskHttpTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start()); }

  // `url` prepared for a request, or the stand-in's URL for a target starting with "/".
  net::UrlParts Prepared(const std::string& url) {
    net::UrlParts parts;
    EXPECT_TRUE(net::PrepareUrl(url[0] == '/' ? server.Url(url) : url, parts)) << url;
    return parts;
  }

  standin::StandinServer server;
  std::atomic<bool> stop{false};
  net::TaskHttp http{[this] { return stop.load(); }};
};

// PageReader against the same stand-in.
class PageReaderTest : public TaskHttpTest {
 protected:
  vexon::testing::TempDir dir;
  net::PageReader reader;
};

// Keeps the body it is given.
class Collect final : public net::TransferHandler {
 public:
  bool OnBody(const char* data, size_t size) override {
    bytes.append(data, size);
    return true;
  }
  std::string bytes;
};

standin::RawPage Page(std::string body, std::string type = "text/html; charset=gb2312") {
  standin::RawPage page;
  page.body = std::move(body);
  page.contentType = std::move(type);
  return page;
}

}  // namespace

TEST_F(TaskHttpTest, ReadsTextPagesWithLineFeedsAsCrLfCutsHugeOnesAndRefusesTheRest) {
  server.SetPage("/page", Page("a\nb\r\nc"));
  server.SetPage("/huge", Page(std::string(net::kMaxPageBytes + 1000, 'z'), "text/plain"));
  server.SetPage("/song", Page(std::string(100000, 'x'), "audio/mpeg"));
  auto missing = Page("gone");
  missing.status = 404;
  server.SetPage("/missing", missing);
  std::string bytes, type;
  ASSERT_TRUE(http.FetchPage(Prepared("/page"), bytes, type));
  EXPECT_EQ(bytes, "a\r\nb\r\r\nc");
  EXPECT_EQ(type, "text/html; charset=gb2312");
  EXPECT_EQ(server.Requests().at(0).userAgent, "TuneSnag");
  EXPECT_EQ(server.Requests().at(0).host, server.HostPort());  // the URL's own port
  EXPECT_TRUE(http.FetchPage(Prepared("/huge"), bytes, type));
  EXPECT_EQ(bytes.size(), net::kMaxPageBytes);
  EXPECT_FALSE(http.FetchPage(Prepared("/song"), bytes, type));
  EXPECT_TRUE(bytes.empty());  // refused before its body
  EXPECT_FALSE(http.FetchPage(Prepared("/missing"), bytes, type));
  net::TransferHandler plain;
  EXPECT_EQ(http.OpenGetRequest(Prepared("/missing"), plain), 404);
}

TEST_F(TaskHttpTest, RetriesOnceWithAFreshSessionNamedAfterTheServer) {
  // A first session that gives up quickly; the retry session waits long enough.
  net::SessionSettings impatient = net::TaskSessionSettings();
  impatient.idleTimeout = 200ms;
  net::TaskHttp quick([] { return false; }, impatient);
  auto slow = Page("late but fine");
  slow.delay = 700ms;
  server.SetPage("/slow", slow);
  net::TransferHandler plain;
  EXPECT_EQ(quick.OpenGetRequest(Prepared("/slow"), plain), 200);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].userAgent, "TuneSnag");
  EXPECT_EQ(requests[1].userAgent, server.HostPort());
}

TEST_F(TaskHttpTest, StopEndsAPageReadInProgress) {
  standin::FileScript trickle;
  trickle.contentType = "text/html";
  trickle.body = std::string(200000, 'a');
  trickle.bytesPerSecond = 20000;
  server.SetFile("/trickle.htm", trickle);
  std::thread stopper([&] {
    std::this_thread::sleep_for(300ms);
    stop = true;
  });
  std::string bytes, type;
  EXPECT_FALSE(http.FetchPage(Prepared("/trickle.htm"), bytes, type));
  stopper.join();
  EXPECT_LT(bytes.size(), 200000u);
}

TEST_F(TaskHttpTest, NetworkFailuresMapToTheirCodes) {
  net::TransferHandler plain;
  net::SessionSettings fast = net::TaskSessionSettings();
  fast.connectRetryPause = 10ms;
  net::TaskHttp http2([] { return false; }, fast);
  EXPECT_EQ(http2.OpenGetRequest(Prepared("http://127.0.0.1:1/x"), plain), net::Code(net::NetError::kCannotConnect));
  EXPECT_EQ(http2.OpenGetRequest(Prepared("gopher://127.0.0.1/x"), plain), net::Code(net::NetError::kInvalidUrl));
}

TEST_F(TaskHttpTest, ARequestEndsByItsDeadlineWhateverTheServerDoes) {
  standin::FaultServer faults;
  ASSERT_TRUE(faults.Start());
  faults.SetScript("/trickle", standin::TrickledHead(100ms));
  faults.SetScript("/endless", standin::EndlessBody("audio/mpeg"));
  net::TaskDeadlines deadlines;
  deadlines.linkCheck = 800ms;
  deadlines.pageRead = 1200ms;
  net::TaskHttp bounded([] { return false; }, net::TaskSessionSettings(), deadlines);
  // A head that never ends: no retry after the deadline, which is the time-out.
  net::TransferHandler plain;
  EXPECT_EQ(bounded.OpenGetRequest(Prepared(faults.Url("/trickle")), plain), net::Code(net::NetError::kTimeout));
  EXPECT_EQ(faults.Requests().size(), 1u);
  std::string bytes, type;
  EXPECT_FALSE(bounded.FetchPage(Prepared(faults.Url("/trickle")), bytes, type));

  // A body that never ends, read by a handler that wants it all.
  class Greedy final : public net::TransferHandler {
  } greedy;
  net::TransferResult result;
  EXPECT_EQ(bounded.OpenGetRequest(Prepared(faults.Url("/endless")), greedy, &result), 200);
  EXPECT_TRUE(result.deadlinePassed);
  EXPECT_EQ(result.error, net::NetError::kTimeout);
}

// Heads and bodies as servers really send them, and bodies cut at every boundary.
TEST(CurlSession, ReadsTheFinalHeadAndFailsEveryCutBody) {
  standin::FaultServer faults;
  ASSERT_TRUE(faults.Start());
  const std::string body = "0123456789";
  faults.SetScript("/continue",
                   standin::Answer("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\ncontent-LENGTH: 10\r\n"
                                   "Last-Modified: Thu, 04 May 2006 03:02:01 GMT\r\nContent-Type: audio/mpeg",
                                   body));
  for (size_t cut : {size_t{0}, size_t{1}, size_t{9}}) {
    faults.SetScript(
        "/cut" + std::to_string(cut),
        standin::Answer("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close", body.substr(0, cut)));
  }
  faults.SetScript("/chunks",
                   standin::Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked", "5\r\n01234\r\n5\r\n567"));
  faults.SetScript("/silent-body",
                   RawScript{{{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n01", std::chrono::hours(1), 1}}});

  net::SessionSettings settings = net::TaskSessionSettings();
  settings.idleTimeout = 300ms;
  net::CurlSession session(settings);
  ASSERT_TRUE(session.ok());
  Collect whole;
  net::TransferResult r = session.Get(faults.Url("/continue"), {}, whole);
  EXPECT_EQ(r.error, net::NetError::kNone);
  EXPECT_EQ(r.head.status, 200);
  EXPECT_EQ(r.head.contentLength, 10u);
  EXPECT_EQ(r.head.contentType, "audio/mpeg");
  EXPECT_EQ(r.head.lastModified, "Thu, 04 May 2006 03:02:01 GMT");
  EXPECT_EQ(whole.bytes, body);
  for (const char* path : {"/cut0", "/cut1", "/cut9", "/chunks"}) {
    Collect part;
    r = session.Get(faults.Url(path), {}, part);
    EXPECT_EQ(r.error, net::NetError::kConnectionAborted) << path;
    EXPECT_TRUE(r.headReceived) << path;
  }
  Collect stalled;
  r = session.Get(faults.Url("/silent-body"), {}, stalled);
  EXPECT_EQ(r.error, net::NetError::kTimeout);
  EXPECT_EQ(stalled.bytes, "01");
}

// A stop wakes a session that would otherwise wait an hour for a silent server,
// and a sleep that would last an hour.
TEST(CurlSession, AStopSignalWakesItsWaitAtOnce) {
  standin::FaultServer faults;
  ASSERT_TRUE(faults.Start());
  faults.SetScript("/silent", standin::Silence());
  class Stoppable final : public net::TransferHandler {
   public:
    explicit Stoppable(net::StopSignal& signal) : signal_(signal) {}
    bool ShouldStop() override { return signal_.requested(); }
    void OnStage(net::Stage stage, const std::string&) override {
      if (stage == net::Stage::RequestSent) sent = true;
    }
    std::atomic<bool> sent{false};

   private:
    net::StopSignal& signal_;
  };
  net::SessionSettings settings = net::TaskSessionSettings();
  settings.stopPoll = std::chrono::hours(1);
  settings.idleTimeout = 0ms;
  net::CurlSession session(settings);
  net::StopSignal signal;
  const net::StopSignalAttachment attached(signal, [&session] { session.Wake(); });
  Stoppable handler(signal);
  std::thread stopper([&] {
    while (!handler.sent) std::this_thread::sleep_for(5ms);
    signal.Request();
  });
  // Without the wake-up only this deadline would end the wait.
  const net::TransferResult r = session.Get(faults.Url("/silent"), {}, handler, std::chrono::steady_clock::now() + 60s);
  stopper.join();
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.deadlinePassed);

  net::StopSignal sleeper;
  std::thread waker([&] { sleeper.Request(); });
  EXPECT_FALSE(sleeper.SleepFor(std::chrono::hours(1)));
  waker.join();
}

// A server whose certificate no authority signed is refused: the program's HTTPS
// requests verify certificates against the system's store.
TEST(Https, ACertificateNoAuthoritySignedIsRefused) {
  const vexon::testing::TempDir dir;
  const std::string cert = (dir / "cert.pem").string(), key = (dir / "key.pem").string();
  const std::string make = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -keyout '" + key +
                           "' -out '" + cert + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(make.c_str()), 0) << "needs the openssl program";
  httplib::SSLServer server(cert.c_str(), key.c_str());
  ASSERT_TRUE(server.is_valid());
  server.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("secret", "text/plain"); });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread listener([&] { server.listen_after_bind(); });

  net::CurlSession session(net::TaskSessionSettings());
  Collect handler;
  const net::TransferResult result = session.Get("https://127.0.0.1:" + std::to_string(port) + "/", {}, handler);
  EXPECT_EQ(result.error, net::NetError::kSecureFailure);
  EXPECT_FALSE(result.headReceived);
  EXPECT_TRUE(handler.bytes.empty());

  server.stop();
  listener.join();
}

TEST_F(PageReaderTest, ReadsAWholeUrlReportingProgressOrSavesItToAFile) {
  standin::RawPage page;
  page.body = "hello world";
  server.SetPage("/hello", page);
  std::string out;
  std::vector<std::string> texts;
  ASSERT_TRUE(reader.ReadUrl(server.Url("/hello"), out, "Agent/1", [&](const std::string& t) { texts.push_back(t); }));
  EXPECT_EQ(out, "hello world");
  EXPECT_EQ(reader.status, 200u);
  EXPECT_NE(reader.headers.find("Content-Length: 11"), std::string::npos);
  EXPECT_EQ(server.Requests().at(0).userAgent, "Agent/1");
  EXPECT_EQ(texts.at(0), "Resolving name for " + server.HostPort());
  // The rate joins the count once the read has taken half a second, which a slow
  // build can reach on loopback too.
  EXPECT_NE(std::find_if(texts.begin(), texts.end(),
                         [](const std::string& t) {
                           return t == "Read 11 bytes" || (t.starts_with("Read 11 bytes (") && t.ends_with(" Kb/s)"));
                         }),
            texts.end());
  EXPECT_EQ(texts.back(), "");  // cleared at the end

  const fs::path target = dir / "out.txt";
  vexon::testing::WriteBytes(target, "a much longer old content");
  ASSERT_TRUE(reader.SaveUrlToFile(server.Url("/hello"), target.string()));
  EXPECT_EQ(vexon::testing::ReadBytes(target), "hello world");
  EXPECT_FALSE(reader.SaveUrlToFile(server.Url("/hello"), (dir / "no" / "such" / "dir").string()));
  EXPECT_TRUE(reader.fileNotWritable);
}

TEST_F(PageReaderTest, QueriesHeadersWithoutTheBody) {
  standin::FileScript file;
  file.size = 5000;
  server.SetFile("/a.mp3", file);
  std::string lastModified;
  uint64_t length = 0;
  unsigned status = 0;
  ASSERT_TRUE(reader.QueryUrlHeaders(server.Url("/a.mp3"), lastModified, length, status));
  EXPECT_EQ(length, 5000u);
  EXPECT_EQ(status, 200u);
  EXPECT_EQ(lastModified, "Thu, 04 May 2006 03:02:01 GMT");
  standin::FileScript missing;
  missing.status = 404;
  server.SetFile("/gone.mp3", missing);
  EXPECT_FALSE(reader.QueryUrlHeaders(server.Url("/gone.mp3"), lastModified, length, status));
  EXPECT_EQ(status, 404u);
}

TEST_F(PageReaderTest, WhatAServerSendsStaysWithinItsLimits) {
  standin::FaultServer faults;
  ASSERT_TRUE(faults.Start());
  faults.SetScript("/endless.htm", standin::EndlessBody("text/html"));
  faults.SetScript("/trickle.htm", standin::TrickledHead(std::chrono::milliseconds(100)));
  std::string out;
  // A page read stops at the result pages' limit and fails.
  EXPECT_FALSE(reader.ReadUrl(faults.Url("/endless.htm"), out));
  EXPECT_TRUE(out.empty());
  // Only text is read.
  standin::FileScript song;
  song.size = 3000;
  server.SetFile("/song.mp3", song);
  EXPECT_FALSE(reader.ReadUrl(server.Url("/song.mp3"), out));
  // A file download stops at the caller's limit and fails.
  const fs::path target = dir / "limited";
  EXPECT_FALSE(reader.SaveUrlToFile(faults.Url("/endless.htm"), target.string(), {}, {}, 100000));
  EXPECT_LE(fs::file_size(target), 100000u);
  // A head that never ends is cut by the read's deadline.
  reader.deadline = std::chrono::milliseconds(700);
  EXPECT_FALSE(reader.ReadUrl(faults.Url("/trickle.htm"), out));
  EXPECT_EQ(reader.lastError, net::NetError::kTimeout);
}
