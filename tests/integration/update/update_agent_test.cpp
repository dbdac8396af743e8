#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

#include "standin/standin_server.h"
#include "support/test_files.h"
#include "update/update_agent.h"

namespace fs = std::filesystem;
using namespace vexon::update;
using vexon::standin::FileScript;
using vexon::standin::RawPage;
using vexon::testing::ReadBytes;
using vexon::testing::WriteBytes;

namespace {

constexpr const char* kOldProgram = "#!/bin/sh\necho old\n";
constexpr fs::perms kProgramBits = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec;

// The agent works on a copy of a small program in a folder of its own, never on a
// real executable, against the in-process maker's site.
class UpdateAgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    fs::create_directories(exe_.parent_path());
    fs::create_directories(temp_);
    WriteBytes(exe_, kOldProgram);
    fs::permissions(exe_, kProgramBits, fs::perm_options::replace);
    SetPage("/downloads/vexon", "#!/bin/sh\necho new\n");
  }

  static std::string TypeOf(const std::string& path) {
    return path == "/downloads/update.txt" ? "text/plain" : "application/octet-stream";
  }
  void SetPage(const std::string& path, const std::string& body, int status = 200) {
    RawPage page;
    page.contentType = TypeOf(path);
    page.body = body;
    page.status = status;
    server_.SetPage(path, page);
  }
  void SetFile(const std::string& path, FileScript script) {
    server_.RemovePage(path);
    script.contentType = TypeOf(path);
    server_.SetFile(path, std::move(script));
  }

  UpdateAgentConfig Config() const {
    UpdateAgentConfig config;
    config.executable = exe_;
    config.ownVersion = "1.2.6.0";
    config.tempFolder = temp_;
    config.limits.connectTimeout = std::chrono::seconds(5);
    config.limits.idleTimeout = std::chrono::seconds(10);
    config.limits.wholeRequest = std::chrono::seconds(30);
    return config;
  }
  int Check(const UpdateAgentConfig& config) { return UpdateAgent(config).CheckForUpdate(server_.Url("/downloads/")); }
  int Check() { return Check(Config()); }

  void ExpectUntouched() const {
    EXPECT_EQ(ReadBytes(exe_), kOldProgram);
    EXPECT_EQ(fs::status(exe_).permissions() & fs::perms::all, kProgramBits);
    EXPECT_FALSE(fs::exists(exe_.parent_path() / kBackupFileName));
    EXPECT_TRUE(fs::is_empty(temp_)) << "a download was left in the temporary folder";
  }

  vexon::standin::StandinServer server_;
  vexon::testing::TempDir dir_;
  fs::path exe_ = dir_ / "app/vexon";
  fs::path temp_ = dir_ / "tmp";
};

TEST_F(UpdateAgentTest, AVersionFileThatIsMissingOrBreaksOffStopsTheCheck) {
  SetPage("/downloads/update.txt", "<html>not here</html>", 404);
  EXPECT_EQ(Check(), kUpdateOpenFailed);
  SetPage("/downloads/update.txt", "<html>not here</html>", 500);
  EXPECT_EQ(Check(), kUpdateOpenFailed);
  FileScript script;
  script.body = "1.2.7.1.2.3";
  script.cutAfter = 3;
  SetFile("/downloads/update.txt", script);
  EXPECT_EQ(Check(), kUpdateNoVersionData);
  ExpectUntouched();
}

// Over the size limit, with or without a declared length, or trickling forever.
TEST_F(UpdateAgentTest, ADownloadBeyondItsLimitsFails) {
  SetPage("/downloads/update.txt", "1.2.7");
  SetPage("/downloads/vexon", std::string(5000, 'z'));
  UpdateAgentConfig config = Config();
  config.limits.maxFileBytes = 4096;
  EXPECT_EQ(Check(config), kUpdateDownloadFailed);
  ExpectUntouched();
  FileScript unsized;
  unsized.body = std::string(5000, 'z');
  unsized.framing = vexon::standin::BodyFraming::kChunked;
  SetFile("/downloads/vexon", unsized);
  EXPECT_EQ(Check(config), kUpdateDownloadFailed);
  ExpectUntouched();
  FileScript slow;
  slow.body = std::string(100000, 's');
  slow.bytesPerSecond = 100;
  SetFile("/downloads/vexon", slow);
  config = Config();
  config.limits.wholeRequest = std::chrono::milliseconds(500);
  EXPECT_EQ(Check(config), kUpdateDownloadFailed);
  ExpectUntouched();
}

TEST_F(UpdateAgentTest, ALinkPlantedAtTheDownloadNameIsNotWrittenThrough) {
  SetPage("/downloads/update.txt", "1.2.7");
  const fs::path victim = dir_ / "victim";
  WriteBytes(victim, "keep me");
  fs::create_symlink(victim, temp_ / "vexon");
  ASSERT_EQ(Check(), kUpdateInstalled);
  EXPECT_EQ(ReadBytes(victim), "keep me");
  EXPECT_EQ(ReadBytes(exe_), "#!/bin/sh\necho new\n");
}

}  // namespace
