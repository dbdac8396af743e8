#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "integration/cli/cli_runner.h"
#include "standin/standin_server.h"
#include "storage/ini_document.h"
#include "storage/settings_store.h"
#include "text/strings.h"

using namespace vexon;
using vexon::testing::ReadBytes;
namespace fs = std::filesystem;

namespace {

class GetBurst : public vexon::testing::CliTest {
 protected:
  static constexpr int kFiles = 60;

  void SetUp() override {
    CliTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(server.Start());
    std::string list;
    for (int i = 0; i < kFiles; ++i) {
      standin::FileScript script;
      script.body = Body(i);
      // Paced, so the burst of completions lasts long enough to be cut into.
      script.bytesPerSecond = 400000;
      server.SetFile(Name(i), script);
      list += server.Url(Name(i)) + "\n";
    }
    listFile_ = WriteFile("urls.txt", list);
  }

  static std::string Name(int i) { return text::Format("/burst%02d.mp3", i); }
  static std::string Body(int i) { return vexon::testing::PatternBytes(20000 + static_cast<size_t>(i) * 37, i); }
  fs::path Target(int i) const { return got_ / Name(i).substr(1); }

  pid_t Launch() {
    return Spawn({"get", "--jobs", "3", "-i", listFile_.string(), "--dir", got_.string()}, "/dev/null", "/dev/null",
                 true);
  }

  // What a kill at any moment must leave: a settings file in which every partial
  // file has its record and every finished file has its record or its log entry,
  // and on disk only prefixes and whole copies of the files.
  void CheckKept(const std::string& when) {
    const storage::IniDocument ini = storage::IniDocument::Parse(ReadBytes(dir_ / "vudez.ini"));
    std::string log;
    for (int item = 0; item < 2 * kFiles; ++item) {
      log += ini.GetString(storage::kCompletedSection, text::Format("Item%d", item), "", 4096) + "\n";
    }
    for (int i = 0; i < kFiles; ++i) {
      const std::string name = Target(i).string();
      const std::string record = ini.GetString(name, storage::kUrlKey, "", 8192);
      const std::string body = Body(i);
      if (fs::exists(name + ".grb")) {
        EXPECT_EQ(record, server.Url(Name(i))) << when << ": " << name << " has a partial file and no record";
        const std::string partial = ReadBytes(name + ".grb");
        EXPECT_EQ(partial, body.substr(0, partial.size())) << when << ": " << name;
      }
      if (fs::exists(name)) {
        EXPECT_EQ(ReadBytes(name), body) << when << ": " << name;
        EXPECT_TRUE(!record.empty() || log.find(name + "\n") != std::string::npos)
            << when << ": " << name << " is neither logged nor recorded";
      }
    }
  }

  standin::StandinServer server;
  fs::path listFile_;
  fs::path got_ = dir_ / "got";
};

}  // namespace

// A kill -9 in the middle of a burst of completions, again and again: each time the
// settings file keeps every partial file and every completion that had not yet
// left, and a last run without a kill finishes every file whole.
TEST_F(GetBurst, KilledDuringABurstOfCompletionsKeepsEveryFileWithItsRecordOrLogEntry) {
  std::mt19937 random(2026);
  std::uniform_int_distribution<int> pause(30, 300);
  int kills = 0;
  for (int round = 0; round < 12; ++round) {
    const pid_t pid = Launch();
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == 0) {
      ::kill(pid, SIGKILL);
      ++kills;
    }
    ::waitpid(pid, &status, 0);
    CheckKept("round " + std::to_string(round));
    if (HasFailure()) return;
  }
  const pid_t last = Launch();
  int status = 0;
  ASSERT_EQ(::waitpid(last, &status, 0), last);
  CheckKept("the last run");
  const storage::IniDocument ini = storage::IniDocument::Parse(ReadBytes(dir_ / "vudez.ini"));
  for (int i = 0; i < kFiles; ++i) {
    EXPECT_TRUE(fs::exists(Target(i))) << Target(i);
    // A completion whose log entry a kill kept from the settings file keeps its
    // record; the size the answer gave goes into it (a file this small may end
    // before the size is on disk), so the next start can log it.
    const std::string size = ini.GetString(Target(i).string(), storage::kSizeKey, "", 64);
    if (!size.empty()) {
      EXPECT_EQ(size, std::to_string(Body(i).size())) << Target(i);
    }
  }
  EXPECT_GT(kills, 0);
}
