#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/net_errors.h"
#include "net/stop_signal.h"
#include "net/task_http.h"
#include "standin/fault_server.h"
#include "standin/standin_server.h"

using namespace vexon;
using namespace std::chrono_literals;
using vexon::standin::RawScript;

namespace {

class TaskHttpTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start()); }

  // The parts of `url`, or of the stand-in's URL for a target starting with "/".
  net::UrlParts Parts(const std::string& url) {
    net::UrlParts parts;
    EXPECT_TRUE(net::PrepareUrl(url[0] == '/' ? server.Url(url) : url, parts)) << url;
    return parts;
  }

  standin::StandinServer server;
  std::atomic<bool> stop{false};
  net::TaskHttp http{[this] { return stop.load(); }};
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
  ASSERT_TRUE(http.FetchPage(Parts("/page"), bytes, type));
  EXPECT_EQ(bytes, "a\r\nb\r\r\nc");
  EXPECT_EQ(type, "text/html; charset=gb2312");
  EXPECT_EQ(server.Requests().at(0).userAgent, "TuneSnag");
  EXPECT_EQ(server.Requests().at(0).host, server.HostPort());  // the URL's own port
  EXPECT_TRUE(http.FetchPage(Parts("/huge"), bytes, type));
  EXPECT_EQ(bytes.size(), net::kMaxPageBytes);
  EXPECT_FALSE(http.FetchPage(Parts("/song"), bytes, type));
  EXPECT_TRUE(bytes.empty());  // refused before its body
  EXPECT_FALSE(http.FetchPage(Parts("/missing"), bytes, type));
  net::TransferHandler plain;
  EXPECT_EQ(http.OpenGetRequest(Parts("/missing"), plain), 404);
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
  EXPECT_EQ(quick.OpenGetRequest(Parts("/slow"), plain), 200);
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
  EXPECT_FALSE(http.FetchPage(Parts("/trickle.htm"), bytes, type));
  stopper.join();
  EXPECT_LT(bytes.size(), 200000u);
}

TEST_F(TaskHttpTest, NetworkFailuresMapToTheirCodes) {
  net::TransferHandler plain;
  net::SessionSettings fast = net::TaskSessionSettings();
  fast.connectRetryPause = 10ms;
  net::TaskHttp http2([] { return false; }, fast);
  EXPECT_EQ(http2.OpenGetRequest(Parts("http://127.0.0.1:1/x"), plain), net::Code(net::NetError::kCannotConnect));
  EXPECT_EQ(http2.OpenGetRequest(Parts("gopher://127.0.0.1/x"), plain), net::Code(net::NetError::kInvalidUrl));
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
  EXPECT_EQ(bounded.OpenGetRequest(Parts(faults.Url("/trickle")), plain), net::Code(net::NetError::kTimeout));
  EXPECT_EQ(faults.Requests().size(), 1u);
  std::string bytes, type;
  EXPECT_FALSE(bounded.FetchPage(Parts(faults.Url("/trickle")), bytes, type));

  // A body that never ends, read by a handler that wants it all.
  class Greedy final : public net::TransferHandler {
  } greedy;
  net::TransferResult result;
  EXPECT_EQ(bounded.OpenGetRequest(Parts(faults.Url("/endless")), greedy, &result), 200);
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

  class Collect final : public net::TransferHandler {
   public:
    bool OnBody(const char* data, size_t size) override {
      bytes.append(data, size);
      return true;
    }
    std::string bytes;
  };
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
