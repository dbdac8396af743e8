#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "core/list_schemas.h"
#include "core/message_loop.h"
#include "download/download_item.h"
#include "download/transfer_pool.h"
#include "standin/fault_server.h"
#include "standin/standin_server.h"
#include "support/test_files.h"

using namespace vexon;
using namespace std::chrono_literals;
using vexon::testing::PatternBytes;
using vexon::testing::ReadBytes;
using Texts = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// What a report told, in the words a row shows it in.
enum class Seen { kStatus, kBodyBegins, kPercent, kBytes, kFailed };

// Records every report and the order downloads began their bodies in.
class Recorder final : public download::DownloadEvents {
 public:
  void OnWorkerReport(uint32_t id, const download::TransferReport& r) override {
    using Kind = download::TransferReport::Kind;
    const download::DownloadTexts& texts = download::DownloadTexts::Chinese();
    std::lock_guard lock(mutex_);
    auto& seen = reports[id];
    if (r.kind == Kind::kStep) {
      seen.push_back({Seen::kStatus, download::StepText(texts, r.step, r.detail)});
      if (r.step == download::TransferStep::kDownloading) {
        seen.push_back({Seen::kBodyBegins, ""});
        began.push_back(id);
      }
    } else if (r.kind == Kind::kProgress && r.progress.total) {
      const double percent = *r.progress.total == 0 ? 100.0 : 100.0 * r.progress.received / *r.progress.total;
      seen.push_back({Seen::kPercent, std::to_string(static_cast<int>(percent)) + "%"});
      seen.push_back({Seen::kBytes, std::to_string(r.progress.received)});
    } else if (r.kind == Kind::kFailed) {
      seen.push_back({Seen::kFailed, download::FaultText(r.fault, texts)});
    }
  }
  void OnWorkerEnded(core::Msg message, std::unique_ptr<download::DownloadTask> task) override {
    std::lock_guard lock(mutex_);
    ends[task->workerId] = message;
    done.notify_all();
  }

  // How download `id` ended; TaskFinished (never a transfer's) when it did not.
  core::Msg End(uint32_t id) {
    std::unique_lock lock(mutex_);
    if (!done.wait_for(lock, 20s, [&] { return ends.count(id) > 0; })) return core::Msg::TaskFinished;
    return ends[id];
  }
  Texts Get(uint32_t id, Seen what) {
    std::lock_guard lock(mutex_);
    Texts out;
    for (const auto& [m, t] : reports[id]) {
      if (m == what) out.push_back(t);
    }
    return out;
  }
  std::vector<uint32_t> Began() {
    std::lock_guard lock(mutex_);
    return began;
  }

 private:
  std::map<uint32_t, std::vector<std::pair<Seen, std::string>>> reports;
  std::map<uint32_t, core::Msg> ends;
  std::vector<uint32_t> began;
  std::mutex mutex_;
  std::condition_variable done;
};

class TransferPoolTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start()); }
  void TearDown() override {
    loop.Shutdown();
    pool.reset();
  }

  // Queues `url` into dir/`name`; its partial file beside it is a link to `partial`
  // when one is given.
  uint32_t Start(const std::string& url, bool resume = false, const std::string& name = "song.mp3",
                 const std::string& partial = "") {
    auto task = std::make_unique<download::DownloadTask>();
    task->workerId = ++nextId;
    task->target = download::MakeTarget(url, (dir / name).string());
    if (!partial.empty()) fs::create_symlink(partial, task->PartialPath());
    task->resume = resume;
    EXPECT_TRUE(pool->Submit(std::move(task)));
    return nextId;
  }
  uint32_t Serve(const std::string& path, standin::FileScript script, bool resume = false,
                 const std::string& name = "song.mp3") {
    server.SetFile(path, std::move(script));
    return Start(server.Url(path), resume, name);
  }
  fs::path Partial(const std::string& name = "song.mp3") { return dir / (name + ".grb"); }
  void WritePartial(const std::string& bytes, const std::string& name = "song.mp3") {
    vexon::testing::WriteBytes(Partial(name), bytes);
  }

  standin::StandinServer server;
  vexon::testing::TempDir dir;
  core::MessageLoop loop;
  std::atomic<unsigned> speed{0};
  Recorder recorder;
  download::WorkerContext context{loop, recorder, speed};
  std::unique_ptr<download::TransferPool> pool = std::make_unique<download::TransferPool>(3, context);
  uint32_t nextId = 0;
};

bool Has(const Texts& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

standin::FileScript Body(const std::string& bytes) {
  standin::FileScript f;
  f.body = bytes;
  return f;
}

}  // namespace

TEST_F(TransferPoolTest, DownloadsAWholeFileAndReportsItsSteps) {
  const std::string body = PatternBytes(300000);
  const uint32_t id = Serve("/a.mp3", Body(body));
  ASSERT_EQ(recorder.End(id), core::Msg::DownloadCompleted);
  EXPECT_EQ(ReadBytes(Partial()), body);
  const Texts status = recorder.Get(id, Seen::kStatus);
  ASSERT_GE(status.size(), 4u);
  EXPECT_EQ(status.front(), "正在解析域名: 127.0.0.1");
  EXPECT_TRUE(Has(status, "正在连接 127.0.0.1") && Has(status, "已连接到 127.0.0.1"));
  EXPECT_EQ(status.back(), "正在下载");
  EXPECT_EQ(recorder.Get(id, Seen::kBodyBegins).size(), 1u);
  EXPECT_EQ(recorder.Get(id, Seen::kPercent).back(), "100%");
  EXPECT_EQ(recorder.Get(id, Seen::kBytes).back(), "300000");
  EXPECT_TRUE(server.Requests().at(0).range.empty());
}

// Resumed at many offsets, through a redirect, or by a server that ignores the range.
TEST_F(TransferPoolTest, ResumesToAByteIdenticalFile) {
  const std::string body = PatternBytes(100000);
  server.SetFile("/r.mp3", Body(body));
  for (uint64_t offset : {1ull, 1023ull, 1024ull, 4097ull, 30000ull, 65536ull, 99999ull}) {
    const std::string name = "r" + std::to_string(offset) + ".mp3";
    WritePartial(body.substr(0, offset), name);
    server.ResetCounters();
    const uint32_t id = Start(server.Url("/r.mp3"), true, name);
    ASSERT_EQ(recorder.End(id), core::Msg::DownloadCompleted) << offset;
    EXPECT_EQ(ReadBytes(Partial(name)), body) << offset;
    EXPECT_EQ(server.Requests().at(0).range, "bytes=" + std::to_string(offset) + "-");
    EXPECT_EQ(recorder.Get(id, Seen::kBytes).back(), "100000");  // progress counts the whole file
  }

  standin::FileScript hop;
  hop.redirectStatus = 302;
  hop.redirectTo = "/r.mp3";
  WritePartial(body.substr(0, 2500), "moved.mp3");
  server.ResetCounters();
  uint32_t id = Serve("/moved.mp3", hop, true, "moved.mp3");
  ASSERT_EQ(recorder.End(id), core::Msg::DownloadCompleted);
  EXPECT_EQ(ReadBytes(Partial("moved.mp3")), body);
  EXPECT_TRUE(Has(recorder.Get(id, Seen::kStatus), "正在重定向到 " + server.Url("/r.mp3")));
  for (const auto& r : server.Requests()) EXPECT_EQ(r.range, "bytes=2500-") << r.target;

  auto ignoring = Body(body);
  ignoring.range = standin::RangeMode::kIgnore;
  WritePartial(body.substr(0, 20000), "i.mp3");
  id = Serve("/i.mp3", ignoring, true, "i.mp3");
  ASSERT_EQ(recorder.End(id), core::Msg::DownloadCompleted);
  EXPECT_EQ(ReadBytes(Partial("i.mp3")), body);  // not 20000 old bytes plus the whole body
}

TEST_F(TransferPoolTest, ACutBodyFailsKeepsWhatArrivedAndResumes) {
  const std::string body = PatternBytes(80000);
  auto script = Body(body);
  script.cutAfter = 30000;
  script.cutAnswers = 1;
  const uint32_t first = Serve("/cut.mp3", script);
  ASSERT_EQ(recorder.End(first), core::Msg::DownloadEndedKeep);
  const Texts failures = recorder.Get(first, Seen::kFailed);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].rfind("当下载文件时发生错误,错误:", 0), 0u) << failures[0];
  EXPECT_EQ(ReadBytes(Partial()), body.substr(0, fs::file_size(Partial())));
  const uint32_t second = Start(server.Url("/cut.mp3"), true);
  ASSERT_EQ(recorder.End(second), core::Msg::DownloadCompleted);
  EXPECT_EQ(ReadBytes(Partial()), body);
}

// Each with its code, and its words where the status has some.
TEST_F(TransferPoolTest, ErrorStatusesFailWithTheirCode) {
  for (const auto& [status, cause] : std::vector<std::pair<int, std::string>>{
           {401, " (需要身份验证)"}, {404, " (未找到)"}, {407, ""}, {500, " (未知的服务器错误)"}}) {
    standin::FileScript script;
    script.status = status;
    const std::string name = "s" + std::to_string(status);
    const uint32_t id = Serve("/" + name, script, false, name);
    EXPECT_EQ(recorder.End(id), core::Msg::DownloadEndedKeep) << status;
    EXPECT_EQ(recorder.Get(id, Seen::kFailed),
              Texts{"不能收到服务器的有效HTTP响应, 响应码:" + std::to_string(status) + cause});
  }
}

TEST_F(TransferPoolTest, AWaitingDownloadLeavesTheQueueUntouchedAndARunningOneStopsKeepingItsBytes) {
  pool->Resize(1);
  auto slow = Body(PatternBytes(400000));
  slow.bytesPerSecond = 50000;
  server.SetFile("/slow.mp3", slow);
  const uint32_t running = Start(server.Url("/slow.mp3"), false, "running.mp3");
  const uint32_t waiting = Start(server.Url("/slow.mp3"), false, "waiting.mp3");
  while (recorder.Get(running, Seen::kBytes).empty()) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(pool->waitingCount(), 1u);
  EXPECT_EQ(pool->Cancel(waiting, true), download::TransferPool::CancelResult::kLeftQueue);
  EXPECT_FALSE(fs::exists(Partial("waiting.mp3")));  // never opened
  EXPECT_EQ(pool->Cancel(running, false), download::TransferPool::CancelResult::kStopping);
  EXPECT_EQ(recorder.End(running), core::Msg::DownloadEndedKeep);
  const auto kept = fs::file_size(Partial("running.mp3"));
  EXPECT_GT(kept, 0u);
  EXPECT_LT(kept, 400000u);
  EXPECT_EQ(pool->Cancel(running, false), download::TransferPool::CancelResult::kUnknown);
  EXPECT_EQ(recorder.Get(waiting, Seen::kStatus), Texts{});
}

// However long the queue, the pool keeps its size, takes tasks in queue order, and
// each thread goes on to the next file of the server over the connection it has.
TEST_F(TransferPoolTest, ManyQueuedFilesShareTheThreadsAndTheirConnectionsInQueueOrder) {
  pool->Resize(2);
  const std::string body = PatternBytes(20000);
  server.SetFile("/many.mp3", Body(body));
  std::vector<uint32_t> ids;
  for (int i = 0; i < 40; ++i) ids.push_back(Start(server.Url("/many.mp3"), false, "m" + std::to_string(i) + ".mp3"));
  EXPECT_LE(pool->threadCount(), 2u);
  for (uint32_t id : ids) ASSERT_EQ(recorder.End(id), core::Msg::DownloadCompleted);
  EXPECT_EQ(ReadBytes(Partial("m39.mp3")), body);
  // Two at a time: each began before any task queued two places after it.
  const std::vector<uint32_t> began = recorder.Began();
  ASSERT_EQ(began.size(), ids.size());
  for (size_t i = 0; i < began.size(); ++i) EXPECT_LE(began[i], ids[std::min(i + 1, ids.size() - 1)]) << i;
  std::set<int> ports;
  for (const auto& request : server.Requests()) ports.insert(request.remotePort);
  EXPECT_LE(ports.size(), 2u);
  // A larger pool starts threads for waiting tasks; a smaller one ends idle threads.
  pool->Resize(1);
  const uint32_t last = Start(server.Url("/many.mp3"), false, "last.mp3");
  ASSERT_EQ(recorder.End(last), core::Msg::DownloadCompleted);
  for (int i = 0; i < 2000 && pool->threadCount() != 1; ++i) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(pool->threadCount(), 1u);
  // A server that closes every connection after one file costs a connection each.
  auto closing = Body(body);
  closing.headers = {{"Connection", "close"}};
  server.SetFile("/closing.mp3", closing);
  const size_t before = server.Requests().size();
  std::vector<uint32_t> closed;
  for (int i = 0; i < 6; ++i)
    closed.push_back(Start(server.Url("/closing.mp3"), false, "c" + std::to_string(i) + ".mp3"));
  for (uint32_t id : closed) ASSERT_EQ(recorder.End(id), core::Msg::DownloadCompleted);
  EXPECT_EQ(ReadBytes(Partial("c5.mp3")), body);
  ports.clear();
  const auto requests = server.Requests();
  for (size_t i = before; i < requests.size(); ++i) ports.insert(requests[i].remotePort);
  EXPECT_EQ(ports.size(), 6u);
}

// The limit changed again and again, to none at all among others, while a thousand
// downloads wait: each ends whole, and no more threads are alive than the largest
// limit set.
TEST_F(TransferPoolTest, ChangingTheLimitWhileAThousandWaitEndsEachDownloadWhole) {
  pool->Resize(1);
  const std::string body = PatternBytes(1500, 3);
  server.SetFile("/k.mp3", Body(body));
  std::vector<uint32_t> ids;
  for (int i = 0; i < 1000; ++i) ids.push_back(Start(server.Url("/k.mp3"), false, "k" + std::to_string(i) + ".mp3"));
  const unsigned limits[] = {4, 0, 2, 5, 1, 3};
  unsigned largest = 1;
  size_t waitFor = 0;
  for (unsigned limit : limits) {
    pool->Resize(limit);
    largest = std::max(largest, limit);
    EXPECT_LE(pool->threadCount(), largest);
    if (limit == 0) continue;  // nothing ends until the next change
    waitFor += 150;
    ASSERT_EQ(recorder.End(ids[waitFor]), core::Msg::DownloadCompleted) << limit;
  }
  for (size_t i = 0; i < ids.size(); ++i) {
    ASSERT_EQ(recorder.End(ids[i]), core::Msg::DownloadCompleted) << i;
    ASSERT_EQ(ReadBytes(Partial("k" + std::to_string(i) + ".mp3")), body) << i;
  }
  EXPECT_LE(pool->threadCount(), largest);
}

// A partial file that cannot be opened ends the download with its reason; the last
// piece of a file waits in memory until the end, so a disk that refuses it fails the
// download.
TEST_F(TransferPoolTest, AFileThatCannotBeOpenedOrWrittenEndsTheDownload) {
  server.SetFile("/x.mp3", Body(PatternBytes(3000)));
  const uint32_t unopened = Start(server.Url("/x.mp3"), false, "no/such/x.mp3");
  EXPECT_EQ(recorder.End(unopened), core::Msg::DownloadEndedKeep);
  EXPECT_EQ(recorder.Get(unopened, Seen::kFailed),
            Texts{"当打开被下载文件时发生错误,错误:2 (No such file or directory)"});
  EXPECT_TRUE(recorder.Get(unopened, Seen::kStatus).empty());
  const uint32_t full = Start(server.Url("/x.mp3"), true, "x.mp3", "/dev/full");
  EXPECT_EQ(recorder.End(full), core::Msg::DownloadEndedKeep);
  EXPECT_EQ(recorder.Get(full, Seen::kFailed),
            Texts{"当下载文件时发生错误,错误:" + std::to_string(ENOSPC) + " (No space left on device)"});
}

// No answer at all, a length that cannot be held, or a body shorter than its length:
// each fails with its text, and the partial file keeps its bytes.
TEST_F(TransferPoolTest, FaultyServersFailAndLeaveThePartialFileAlone) {
  standin::FaultServer faults;
  ASSERT_TRUE(faults.Start());
  faults.SetScript("/silent.mp3", standin::Silence());
  faults.SetScript("/hangup.mp3", standin::Answer("", ""));
  faults.SetScript(
      "/absurd.mp3",
      standin::Answer("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\nConnection: close", "abc"));
  faults.SetScript("/short.mp3",
                   standin::Answer("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close", "only this"));
  standin::FaultServer gone;
  ASSERT_TRUE(gone.Start());
  const std::string refused = gone.Url("/refused.mp3");
  gone.Stop();
  context.session.connectRetries = 0;
  context.session.idleTimeout = 300ms;
  const std::string kept = PatternBytes(30000);
  const std::string noConnection = "当连接服务器时发生错误,错误:";
  for (const auto& [url, failure] : std::vector<std::pair<std::string, std::string>>{
           {refused, noConnection},
           {faults.Url("/silent.mp3"), noConnection},
           {faults.Url("/hangup.mp3"), noConnection},
           {faults.Url("/absurd.mp3"), "不能收到服务器的有效响应,错误:12152"}}) {
    WritePartial(kept);
    const uint32_t id = Start(url, true);
    EXPECT_EQ(recorder.End(id), core::Msg::DownloadEndedKeep) << url;
    const Texts failures = recorder.Get(id, Seen::kFailed);
    ASSERT_EQ(failures.size(), 1u) << url;
    EXPECT_EQ(failures[0].rfind(failure, 0), 0u) << failures[0];
    // The absurd length is refused before the 200 answer could empty the file.
    EXPECT_EQ(ReadBytes(Partial()), kept) << url;
  }
  // Each was asked once, with its range: no second request without one.
  for (const auto& request : faults.Requests()) EXPECT_EQ(request.range, "bytes=30000-") << request.target;
  EXPECT_EQ(faults.Requests().size(), 3u);
  WritePartial("12345");
  const uint32_t id = Start(faults.Url("/short.mp3"), true);
  EXPECT_EQ(recorder.End(id), core::Msg::DownloadEndedKeep);
  EXPECT_EQ(recorder.Get(id, Seen::kFailed), Texts{"当下载文件时发生错误,错误:12030 (连接过早中断)"});
}
