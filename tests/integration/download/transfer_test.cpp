#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "download/download_item.h"
#include "download/file_digest.h"
#include "download/transfer.h"
#include "net/retry_later.h"
#include "standin/fault_server.h"
#include "support/test_files.h"
#include "text/strings.h"

using namespace vexon;
using vexon::testing::PatternBytes;
using vexon::testing::ReadBytes;
using vexon::testing::WriteBytes;
using Texts = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// What one RunTransfer did.
struct Outcome {
  bool complete = false;
  std::vector<download::TransferReport> reports;

  // The failures, in the words a row shows them in.
  Texts Failures() const {
    Texts out;
    for (const auto& r : reports) {
      if (r.kind == download::TransferReport::Kind::kFailed) {
        out.push_back(download::FaultText(r.fault, download::DownloadTexts::Chinese()));
      }
    }
    return out;
  }
};

// Another process that holds the lock on a file until this is destroyed.
class LockHolder final {
 public:
  explicit LockHolder(const fs::path& path) {
    const std::string name = path.string();
    int ready[2] = {-1, -1};
    int release[2] = {-1, -1};
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      // Only async-signal-safe calls until _exit: the test process has threads.
      ::close(ready[0]);
      ::close(release[1]);
      const int fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC);
      char answer = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
      const ssize_t sent = ::write(ready[1], &answer, 1);
      const ssize_t got = ::read(release[0], &answer, 1);  // returns when the test closes its end
      ::_exit(sent == 1 && got >= 0 ? 0 : 1);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char answer = 'n';
    holds_ = pid_ > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
  }
  ~LockHolder() {
    if (release_ >= 0) ::close(release_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

  bool holds() const { return holds_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool holds_ = false;
};

class DownloadTransferTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(faults.Start()); }

  fs::path Partial(const std::string& name) const { return dir / (name + ".grb"); }

  // Fetches faults' `path` into Partial(`name`), on this thread.
  Outcome Fetch(const std::string& path, const std::string& name, bool resume = true, const std::string& digest = {}) {
    download::DownloadTask task;
    task.target = download::MakeTarget(faults.Url(path), (dir / name).string(), digest);
    task.resume = resume;
    net::SessionSettings settings = download::DownloadSessionSettings();
    settings.connectRetries = 0;
    settings.idleTimeout = std::chrono::seconds(10);  // bounds a hang; nothing here waits for it
    net::CurlSession session(settings);
    net::StopSignal stop;
    const std::atomic<unsigned> speed{0};
    const download::TransferContext context{speed};
    Outcome outcome;
    outcome.complete = download::RunTransfer(task, session, stop, context,
                                             [&](const download::TransferReport& r) { outcome.reports.push_back(r); });
    return outcome;
  }

  // The Range of every request for `path`, in turn.
  Texts Ranges(const std::string& path) const {
    Texts out;
    for (const auto& request : faults.Requests()) {
      if (request.target == path) out.push_back(request.range);
    }
    return out;
  }

  standin::FaultServer faults;
  vexon::testing::TempDir dir;
};

std::string Hex(download::ExpectedDigest::Kind kind, const std::string& bytes) {
  download::FileDigest digest(kind);
  digest.Update(bytes.data(), bytes.size());
  return digest.FinishHex();
}
std::string Sha1(const std::string& bytes) {
  return Hex(download::ExpectedDigest::Kind::kSha1, bytes);
}
std::string Md5(const std::string& bytes) {
  return Hex(download::ExpectedDigest::Kind::kMd5, bytes);
}

standin::RawScript Http(const std::string& head, const std::string& body = "") {
  return standin::Answer(head + "\r\nConnection: close", body);
}
standin::RawScript Whole(const std::string& body) {
  return Http("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()), body);
}
// A chunked body in pieces of `piece` bytes.
std::string Chunked(const std::string& body, size_t piece) {
  std::string out;
  for (size_t at = 0; at < body.size(); at += piece) {
    const std::string chunk = body.substr(at, piece);
    out += text::Format("%zx\r\n", chunk.size()) + chunk + "\r\n";
  }
  return out + "0\r\n\r\n";
}

}  // namespace

// Each row's answers are played in turn, one per request; the last answers any
// further request. The partial file is compared byte for byte at the end.
TEST_F(DownloadTransferTest, AnswersDecideWhatThePartialFileKeeps) {
  const std::string old = PatternBytes(100, 7);
  const std::string old60 = old.substr(0, 60);
  const std::string fresh = PatternBytes(150, 9);
  const standin::RawScript closes;  // the connection ends without an answer
  const standin::RawScript refusedRange = Http("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0");
  const std::string from0 = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-149/150\r\nContent-Length: 150";
  const std::string noConnection = "当连接服务器时发生错误,错误:12030 (连接过早中断)";
  const std::string cut = "当下载文件时发生错误,错误:12030 (连接过早中断)";
  const std::string invalid = "不能收到服务器的有效响应,错误:12152";
  const std::string chunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: ";
  const std::string mismatch =
      download::FaultText({download::TransferFailure::kDigest, 2}, download::DownloadTexts::Chinese());
  struct Case {
    const char* name;
    std::string before;  // the partial file at the start, resumed
    std::vector<standin::RawScript> answers;
    std::string failure;  // the one failure text; empty: complete
    std::string after;
    Texts ranges;
    std::string digest{};  // what the bytes must hash to
  };
  const std::vector<Case> cases = {
      // A refused range restarts from 0; the old bytes stay until the new body begins.
      {"416-then-close", old, {refusedRange, closes}, noConnection, old, {"bytes=100-", ""}},
      {"416-then-whole", old, {refusedRange, Whole(fresh)}, "", fresh, {"bytes=100-", ""}},
      {"416-then-206-from-0", old, {refusedRange, Http(from0, fresh)}, "", fresh, {"bytes=100-", ""}},
      {"416-longer-than-resource",
       old,
       {Http("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */150"), Whole(fresh)},
       "",
       fresh,
       {"bytes=100-", ""}},
      // The partial file already holds the whole resource: nothing more is asked.
      {"416-already-complete",
       old,
       {Http("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */100\r\nContent-Length: 0")},
       "",
       old,
       {"bytes=100-"}},
      // A range from another offset than asked restarts from 0.
      {"206-elsewhere-then-close",
       old60,
       {Http("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 10-149/150\r\nContent-Length: 140",
             fresh.substr(10)),
        closes},
       noConnection,
       old60,
       {"bytes=60-", ""}},
      {"206-from-0-then-whole", old60, {Http(from0, fresh), Whole(fresh)}, "", fresh, {"bytes=60-", ""}},
      // A whole file over a resumed one replaces it from its first body byte on.
      {"200-head-only", old, {Http("HTTP/1.1 200 OK\r\nContent-Length: 150")}, cut, old, {"bytes=100-"}},
      {"200-cut",
       old,
       {Http("HTTP/1.1 200 OK\r\nContent-Length: 150", fresh.substr(0, 50))},
       cut,
       fresh.substr(0, 50),
       {"bytes=100-"}},
      // Lengths that disagree are no length at all; equal ones are one length.
      {"lengths-disagree",
       old,
       {Http("HTTP/1.1 200 OK\r\nContent-Length: 44\r\nContent-Length: 6", fresh.substr(0, 44))},
       invalid,
       old,
       {"bytes=100-"}},
      {"length-list-disagrees",
       old,
       {Http("HTTP/1.1 200 OK\r\nContent-Length: 44, 6", fresh.substr(0, 44))},
       invalid,
       old,
       {"bytes=100-"}},
      {"lengths-agree",
       "",
       {Http("HTTP/1.1 200 OK\r\nContent-Length: 6\r\ncontent-length: 6, 6", "abcdef")},
       "",
       "abcdef",
       {""}},
      // Chunks mark the body's end; a Content-Length beside them does not count.
      {"chunked-longer-length", "", {Http(chunkedHead + "1000", Chunked(fresh, 64))}, "", fresh, {""}},
      {"chunked-shorter-length", "", {Http(chunkedHead + "3", Chunked(fresh, 100))}, "", fresh, {""}},
      // A server under load is asked again, as it says or after a second, and
      // the partial file keeps its bytes; one that never relents fails at the
      // fifth try.
      {"429-then-206",
       old,
       {Http("HTTP/1.1 429 Too Many Requests\r\nRetry-After: 0\r\nContent-Length: 0"),
        Http("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 100-149/150\r\nContent-Length: 50",
             fresh.substr(100))},
       "",
       old + fresh.substr(100),
       {"bytes=100-", "bytes=100-"}},
      {"503-date-then-whole",
       old,
       {Http("HTTP/1.1 503 Service Unavailable\r\nRetry-After: Wed, 21 Oct 2015 07:28:00 GMT\r\nContent-Length: 0"),
        Http("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0"), Whole(fresh)},
       "",
       fresh,
       {"bytes=100-", "bytes=100-", "bytes=100-"}},
      {"429-always",
       old,
       {Http("HTTP/1.1 429 Too Many Requests\r\nRetry-After: 0\r\nContent-Length: 0")},
       download::FaultText({download::TransferFailure::kBadStatus, 429}, download::DownloadTexts::Chinese()),
       old,
       Texts(net::kMaxTriesWhenAsked, "bytes=100-")},
      // With a digest, the resumed bytes are hashed from the partial file on; a
      // mismatch keeps the bytes, also when the file was already whole.
      {"digest-resumed",
       old,
       {Http("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 100-149/150\r\nContent-Length: 50",
             fresh.substr(100))},
       "",
       old + fresh.substr(100),
       {"bytes=100-"},
       "sha1=" + Sha1(old + fresh.substr(100))},
      {"digest-restarted", old, {refusedRange, Whole(fresh)}, "", fresh, {"bytes=100-", ""}, "md5=" + Md5(fresh)},
      {"digest-mismatch", old, {refusedRange, Whole(fresh)}, mismatch, fresh, {"bytes=100-", ""}, "sha1=" + Sha1(old)},
      {"digest-already-whole",
       old,
       {Http("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */100\r\nContent-Length: 0")},
       mismatch,
       old,
       {"bytes=100-"},
       "sha1=" + Sha1(fresh)},
      {"chunked-resumed",
       old,
       {Http("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 100-149/150\r\nTransfer-Encoding: "
             "chunked\r\nContent-Length: 9999",
             Chunked(fresh.substr(100), 20))},
       "",
       old + fresh.substr(100),
       {"bytes=100-"}},
  };
  for (const Case& c : cases) {
    const std::string path = std::string("/") + c.name + ".mp3";
    faults.SetScripts(path, c.answers);
    WriteBytes(Partial(c.name), c.before);
    const Outcome run = Fetch(path, c.name, true, c.digest);
    EXPECT_EQ(run.complete, c.failure.empty()) << c.name;
    EXPECT_EQ(run.Failures(), c.failure.empty() ? Texts{} : Texts{c.failure}) << c.name;
    EXPECT_EQ(ReadBytes(Partial(c.name)), c.after) << c.name;
    EXPECT_EQ(Ranges(path), c.ranges) << c.name;
  }
}

// Two writers of one partial file would interleave their bytes: while another
// process holds its lock, the file is neither opened nor asked for, and keeps its
// bytes.
TEST_F(DownloadTransferTest, APartialFileLockedByAnotherProcessIsLeftAlone) {
  const std::string old = PatternBytes(100, 7);
  const std::string fresh = PatternBytes(150, 9);
  faults.SetScript("/locked.mp3", Whole(fresh));
  for (const bool resume : {true, false}) {
    WriteBytes(Partial("locked"), old);
    const LockHolder other(Partial("locked"));
    ASSERT_TRUE(other.holds());
    const Outcome run = Fetch("/locked.mp3", "locked", resume);
    EXPECT_FALSE(run.complete) << resume;
    EXPECT_EQ(run.Failures(), Texts{"当打开被下载文件时发生错误,错误:" + std::to_string(EWOULDBLOCK) +
                                    " (Resource temporarily unavailable)"})
        << resume;
    EXPECT_EQ(run.reports.size(), 1u) << resume;
    EXPECT_EQ(ReadBytes(Partial("locked")), old) << resume;
  }
  EXPECT_TRUE(faults.Requests().empty());
  // Once the other process lets go, the same file is written.
  EXPECT_TRUE(Fetch("/locked.mp3", "locked").complete);
  EXPECT_EQ(ReadBytes(Partial("locked")), fresh);
}
