#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "core/list_schemas.h"
#include "core/message_loop.h"
#include "download/download_worker.h"
#include "standin/fault_server.h"
#include "standin/standin_server.h"
#include "support/test_files.h"

using namespace vexon;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// Records every report and hands slots back the way the download list does.
class Recorder final : public download::DownloadEvents {
 public:
  explicit Recorder(download::DownloadSlots& slots) : slots_(slots) {}

  void OnWorkerReport(core::Msg message, uint32_t id, const std::string& text) override {
    std::lock_guard lock(mutex_);
    reports[id].push_back({message, text});
  }
  void OnWorkerEnded(core::Msg message, std::unique_ptr<download::DownloadTask> task) override {
    std::lock_guard lock(mutex_);
    if (holdsSlot_ && holdsSlot_(task->workerId)) slots_.Release();
    ends[task->workerId] = message;
    done.notify_all();
  }

  bool WaitEnded(uint32_t id, std::chrono::seconds limit = 20s) {
    std::unique_lock lock(mutex_);
    return done.wait_for(lock, limit, [&] { return ends.count(id) > 0; });
  }
  std::vector<std::string> Texts(uint32_t id, core::Msg message) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& [m, t] : reports[id]) {
      if (m == message) out.push_back(t);
    }
    return out;
  }

  std::function<bool(uint32_t)> holdsSlot_;
  std::map<uint32_t, std::vector<std::pair<core::Msg, std::string>>> reports;
  std::map<uint32_t, core::Msg> ends;

 private:
  download::DownloadSlots& slots_;
  std::mutex mutex_;
  std::condition_variable done;
};

class DownloadWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    dir = fs::temp_directory_path() / ("vexon_worker_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    recorder.holdsSlot_ = [this](uint32_t id) {
      for (auto& w : workers) {
        if (w->id() == id) return w->lastWaitResult() == download::kHoldsSlot;
      }
      return false;
    };
  }
  void TearDown() override {
    for (auto& w : workers) w->RequestStopWaiting();
    loop.Shutdown();
    workers.clear();
    fs::remove_all(dir);
  }

  download::DownloadWorker& Start(const std::string& path, bool resume = false, const std::string& name = "song.mp3") {
    return StartUrl(server.Url(path), resume, name);
  }
  download::DownloadWorker& StartUrl(const std::string& url, bool resume, const std::string& name = "song.mp3") {
    auto task = std::make_unique<download::DownloadTask>();
    task->url = url;
    task->fullName = (dir / name).string();
    task->partialPath = task->fullName + std::string(core::kPartialSuffix);
    task->resume = resume;
    workers.push_back(std::make_unique<download::DownloadWorker>(++nextId, std::move(task), context));
    workers.back()->Start();
    return *workers.back();
  }

  fs::path Partial(const std::string& name = "song.mp3") { return dir / (name + ".grb"); }

  standin::StandinServer server;
  fs::path dir;
  core::MessageLoop loop;
  download::DownloadSlots slots{3};
  std::atomic<unsigned> speed{0};
  Recorder recorder{slots};
  download::WorkerContext context{loop, recorder, slots, speed, download::DownloadTexts::Chinese()};
  std::vector<std::unique_ptr<download::DownloadWorker>> workers;
  uint32_t nextId = 0;
};

standin::FileScript Body(const std::string& bytes) {
  standin::FileScript f;
  f.body = bytes;
  return f;
}

}  // namespace

TEST_F(DownloadWorkerTest, DownloadsAWholeFileAndReportsItsSteps) {
  const std::string body = vexon::testing::PatternBytes(300000);
  server.SetFile("/a.mp3", Body(body));
  auto& w = Start("/a.mp3");
  ASSERT_TRUE(recorder.WaitEnded(w.id()));
  EXPECT_EQ(recorder.ends[w.id()], core::Msg::DownloadCompleted);
  EXPECT_EQ(vexon::testing::ReadBytes(Partial()), body);
  const auto status = recorder.Texts(w.id(), core::Msg::DownloadStatus);
  ASSERT_GE(status.size(), 4u);
  EXPECT_EQ(status.front(), "正在解析域名: 127.0.0.1");
  EXPECT_NE(std::find(status.begin(), status.end(), "正在连接 127.0.0.1"), status.end());
  EXPECT_NE(std::find(status.begin(), status.end(), "已连接到 127.0.0.1"), status.end());
  EXPECT_EQ(status.back(), "正在下载");
  EXPECT_EQ(recorder.Texts(w.id(), core::Msg::DownloadBodyBegins).size(), 1u);
  const auto percents = recorder.Texts(w.id(), core::Msg::DownloadPercent);
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), "100%");
  EXPECT_EQ(recorder.Texts(w.id(), core::Msg::DownloadBytes).back(), "300000");
  EXPECT_TRUE(server.Requests().at(0).range.empty());
}

TEST_F(DownloadWorkerTest, ResumesAtManyOffsetsToAByteIdenticalFile) {
  const std::string body = vexon::testing::PatternBytes(100000);
  server.SetFile("/r.mp3", Body(body));
  for (uint64_t offset : {1ull, 1023ull, 1024ull, 4097ull, 30000ull, 65536ull, 99999ull}) {
    const std::string name = "r" + std::to_string(offset) + ".mp3";
    std::ofstream(Partial(name), std::ios::binary) << body.substr(0, offset);
    server.ResetCounters();
    auto& w = Start("/r.mp3", true, name);
    ASSERT_TRUE(recorder.WaitEnded(w.id())) << offset;
    EXPECT_EQ(recorder.ends[w.id()], core::Msg::DownloadCompleted) << offset;
    EXPECT_EQ(vexon::testing::ReadBytes(Partial(name)), body) << offset;
    EXPECT_EQ(server.Requests().at(0).range, "bytes=" + std::to_string(offset) + "-");
    // Progress counts the whole file.
    EXPECT_EQ(recorder.Texts(w.id(), core::Msg::DownloadBytes).back(), "100000");
  }
}

TEST_F(DownloadWorkerTest, AServerIgnoringTheRangeRestartsFromZero) {
  const std::string body = vexon::testing::PatternBytes(50000);
  auto script = Body(body);
  script.range = standin::RangeMode::kIgnore;
  server.SetFile("/i.mp3", script);
  std::ofstream(Partial(), std::ios::binary) << body.substr(0, 20000);
  auto& w = Start("/i.mp3", true);
  ASSERT_TRUE(recorder.WaitEnded(w.id()));
  EXPECT_EQ(recorder.ends[w.id()], core::Msg::DownloadCompleted);
  EXPECT_EQ(vexon::testing::ReadBytes(Partial()), body);  // not 20000 old bytes plus the whole body
}

TEST_F(DownloadWorkerTest, ACutBodyFailsKeepsWhatArrivedAndResumes) {
  const std::string body = vexon::testing::PatternBytes(80000);
  auto script = Body(body);
  script.cutAfter = 30000;
  script.cutAnswers = 1;
  server.SetFile("/cut.mp3", script);
  auto& first = Start("/cut.mp3");
  ASSERT_TRUE(recorder.WaitEnded(first.id()));
  EXPECT_EQ(recorder.ends[first.id()], core::Msg::DownloadEndedKeep);
  const auto failures = recorder.Texts(first.id(), core::Msg::DownloadFailed);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].rfind("当下载文件时发生错误,错误:", 0), 0u) << failures[0];
  const uint64_t kept = fs::file_size(Partial());
  EXPECT_EQ(vexon::testing::ReadBytes(Partial()), body.substr(0, kept));
  auto& second = Start("/cut.mp3", true);
  ASSERT_TRUE(recorder.WaitEnded(second.id()));
  EXPECT_EQ(recorder.ends[second.id()], core::Msg::DownloadCompleted);
  EXPECT_EQ(vexon::testing::ReadBytes(Partial()), body);
}

TEST_F(DownloadWorkerTest, ErrorStatusesFailWithTheirCode) {
  for (int status : {401, 404, 407, 500}) {
    standin::FileScript script;
    script.status = status;
    const std::string path = "/s" + std::to_string(status) + ".mp3";
    server.SetFile(path, script);
    auto& w = Start(path, false, "s" + std::to_string(status));
    ASSERT_TRUE(recorder.WaitEnded(w.id()));
    EXPECT_EQ(recorder.ends[w.id()], core::Msg::DownloadEndedKeep) << status;
    EXPECT_EQ(recorder.Texts(w.id(), core::Msg::DownloadFailed),
              std::vector<std::string>{"不能收到服务器的有效HTTP响应, 响应码:" + std::to_string(status)});
  }
}

TEST_F(DownloadWorkerTest, RedirectsAreFollowedWithTheRangeAndReported) {
  const std::string body = vexon::testing::PatternBytes(10000);
  server.SetFile("/target.mp3", Body(body));
  standin::FileScript hop;
  hop.redirectStatus = 302;
  hop.redirectTo = "/target.mp3";
  server.SetFile("/moved.mp3", hop);
  std::ofstream(Partial(), std::ios::binary) << body.substr(0, 2500);
  auto& w = Start("/moved.mp3", true);
  ASSERT_TRUE(recorder.WaitEnded(w.id()));
  EXPECT_EQ(vexon::testing::ReadBytes(Partial()), body);
  const auto status = recorder.Texts(w.id(), core::Msg::DownloadStatus);
  EXPECT_NE(std::find(status.begin(), status.end(), "正在重定向到 " + server.Url("/target.mp3")), status.end());
  for (const auto& r : server.Requests()) EXPECT_EQ(r.range, "bytes=2500-") << r.target;
}

TEST_F(DownloadWorkerTest, StopsWhileWaitingTransferringOrAskedToDiscard) {
  slots.Resize(1);
  auto slow = Body(vexon::testing::PatternBytes(400000));
  slow.bytesPerSecond = 50000;
  server.SetFile("/slow.mp3", slow);
  auto& running = Start("/slow.mp3", false, "running.mp3");
  while (running.lastWaitResult() != download::kHoldsSlot) std::this_thread::sleep_for(5ms);
  auto& waiting = Start("/slow.mp3", false, "waiting.mp3");
  while (waiting.lastWaitResult() != download::kStillWaiting) std::this_thread::sleep_for(5ms);
  waiting.RequestDeleteWaiting();
  ASSERT_TRUE(recorder.WaitEnded(waiting.id()));
  EXPECT_EQ(recorder.ends[waiting.id()], core::Msg::DownloadEndedDelete);
  EXPECT_FALSE(fs::exists(Partial("waiting.mp3")));  // never opened
  while (recorder.Texts(running.id(), core::Msg::DownloadBytes).empty()) std::this_thread::sleep_for(5ms);
  running.RequestStop();
  ASSERT_TRUE(recorder.WaitEnded(running.id()));
  EXPECT_EQ(recorder.ends[running.id()], core::Msg::DownloadEndedKeep);
  const auto kept = fs::file_size(Partial("running.mp3"));
  EXPECT_GT(kept, 0u);
  EXPECT_LT(kept, 400000u);
  EXPECT_EQ(slots.inUse(), 0u);
}

TEST_F(DownloadWorkerTest, AnUnwritablePartialFileIsAStatusNotAFailure) {
  server.SetFile("/x.mp3", Body("x"));
  auto task = std::make_unique<download::DownloadTask>();
  task->url = server.Url("/x.mp3");
  task->fullName = (dir / "no" / "such" / "x.mp3").string();
  task->partialPath = task->fullName + ".grb";
  workers.push_back(std::make_unique<download::DownloadWorker>(99, std::move(task), context));
  workers.back()->Start();
  ASSERT_TRUE(recorder.WaitEnded(99));
  EXPECT_EQ(recorder.ends[99], core::Msg::DownloadEndedKeep);
  EXPECT_TRUE(recorder.Texts(99, core::Msg::DownloadFailed).empty());
  EXPECT_EQ(recorder.Texts(99, core::Msg::DownloadStatus),
            std::vector<std::string>{"当打开被下载文件时发生错误,错误:2"});
}

TEST_F(DownloadWorkerTest, NoAnswerAtAllKeepsThePartialFileByteForByte) {
  standin::FaultServer faults;
  ASSERT_TRUE(faults.Start());
  faults.SetScript("/silent.mp3", standin::Silence());
  faults.SetScript("/hangup.mp3", standin::Answer("", ""));
  standin::FaultServer gone;
  ASSERT_TRUE(gone.Start());
  const std::string refused = gone.Url("/refused.mp3");
  gone.Stop();
  context.session.connectRetries = 0;
  context.session.idleTimeout = 300ms;
  const std::string kept = vexon::testing::PatternBytes(30000);
  for (const std::string& url : {refused, faults.Url("/silent.mp3"), faults.Url("/hangup.mp3")}) {
    std::ofstream(Partial(), std::ios::binary | std::ios::trunc) << kept;
    const uint32_t id = StartUrl(url, true).id();
    ASSERT_TRUE(recorder.WaitEnded(id)) << url;
    EXPECT_EQ(recorder.ends[id], core::Msg::DownloadEndedKeep) << url;
    const auto failures = recorder.Texts(id, core::Msg::DownloadFailed);
    ASSERT_EQ(failures.size(), 1u) << url;
    EXPECT_EQ(failures[0].rfind("当连接服务器时发生错误,错误:", 0), 0u) << failures[0];
    EXPECT_EQ(vexon::testing::ReadBytes(Partial()), kept) << url;
  }
  // Each was asked once, with its range: no second request without one.
  for (const auto& request : faults.Requests()) EXPECT_EQ(request.range, "bytes=30000-") << request.target;
  EXPECT_EQ(faults.Requests().size(), 2u);
}

TEST_F(DownloadWorkerTest, ALengthThatCannotBeHeldOrIsNotMetFails) {
  standin::FaultServer faults;
  ASSERT_TRUE(faults.Start());
  faults.SetScript(
      "/absurd.mp3",
      standin::Answer("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\nConnection: close", "abc"));
  faults.SetScript("/short.mp3",
                   standin::Answer("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close", "only this"));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/short.mp3", "当下载文件时发生错误,错误:12030"},
      {"/absurd.mp3", "不能收到服务器的有效响应,错误:12152"},
  };
  for (const auto& [path, text] : cases) {
    std::ofstream(Partial(), std::ios::binary | std::ios::trunc) << "12345";
    const uint32_t id = StartUrl(faults.Url(path), true).id();
    ASSERT_TRUE(recorder.WaitEnded(id)) << path;
    EXPECT_EQ(recorder.ends[id], core::Msg::DownloadEndedKeep) << path;
    EXPECT_EQ(recorder.Texts(id, core::Msg::DownloadFailed), std::vector<std::string>{text}) << path;
  }
  // The absurd length is refused before the 200 answer could empty the file.
  EXPECT_EQ(vexon::testing::ReadBytes(Partial()).substr(0, 5), "12345");
}

// The last piece of a file waits in memory until the end: a disk that refuses it
// then fails the download instead of completing it.
TEST_F(DownloadWorkerTest, AWriteTheDiskRefusesAtTheEndFailsTheDownload) {
  server.SetFile("/small.mp3", Body(vexon::testing::PatternBytes(3000)));
  auto task = std::make_unique<download::DownloadTask>();
  task->url = server.Url("/small.mp3");
  task->fullName = (dir / "small.mp3").string();
  task->partialPath = "/dev/full";
  task->resume = true;
  workers.push_back(std::make_unique<download::DownloadWorker>(77, std::move(task), context));
  workers.back()->Start();
  ASSERT_TRUE(recorder.WaitEnded(77));
  EXPECT_EQ(recorder.ends[77], core::Msg::DownloadEndedKeep);
  EXPECT_EQ(recorder.Texts(77, core::Msg::DownloadFailed),
            std::vector<std::string>{"当下载文件时发生错误,错误:" + std::to_string(ENOSPC)});
}
