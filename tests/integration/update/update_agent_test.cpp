#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "standin/standin_server.h"
#include "support/test_files.h"
#include "update/update_agent.h"

namespace fs = std::filesystem;
using namespace vexon::update;
using vexon::standin::FileScript;
using vexon::standin::RawPage;
using vexon::standin::StandinServer;

namespace {

constexpr const char* kOldProgram = "#!/bin/sh\necho old\n";
constexpr const char* kNewProgram = "#!/bin/sh\necho new\n";
constexpr fs::perms kProgramBits = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec;

// The agent works on a copy of a small program in a folder of its own, never on a
// real executable, against the in-process maker's site.
class UpdateAgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    std::string pattern = (fs::temp_directory_path() / "vexon-update-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    exe_ = dir_ / "app" / "vexon";
    temp_ = dir_ / "tmp";
    fs::create_directories(exe_.parent_path());
    fs::create_directories(temp_);
    std::ofstream(exe_, std::ios::binary) << kOldProgram;
    fs::permissions(exe_, kProgramBits, fs::perm_options::replace);
    SetProgram(kNewProgram);
  }
  void TearDown() override {
    server_.Stop();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  void SetSiteVersion(const std::string& body) {
    RawPage page;
    page.contentType = "text/plain";
    page.body = body;
    server_.SetPage("/downloads/update.txt", page);
  }
  void SetProgram(const std::string& body) {
    RawPage page;
    page.contentType = "application/octet-stream";
    page.body = body;
    server_.SetPage("/downloads/vexon", page);
  }
  void SetProgramScript(FileScript script) {
    server_.RemovePage("/downloads/vexon");
    script.contentType = "application/octet-stream";
    server_.SetFile("/downloads/vexon", std::move(script));
  }

  UpdateAgentConfig Config(const std::string& ownVersion = "1.2.6.0") const {
    UpdateAgentConfig config;
    config.executable = exe_;
    config.ownVersion = ownVersion;
    config.tempFolder = temp_;
    config.limits.connectTimeout = std::chrono::seconds(5);
    config.limits.idleTimeout = std::chrono::seconds(10);
    config.limits.wholeRequest = std::chrono::seconds(30);
    return config;
  }
  int Check(const UpdateAgentConfig& config) { return UpdateAgent(config).CheckForUpdate(Base()); }
  int Check() { return Check(Config()); }
  std::string Base() const { return server_.Url("/downloads/"); }
  fs::path Backup() const { return exe_.parent_path() / kBackupFileName; }

  bool ProgramWasRequested() const {
    const auto requests = server_.Requests();
    return std::any_of(requests.begin(), requests.end(), [](const auto& r) { return r.path == "/downloads/vexon"; });
  }
  void ExpectUntouched() const {
    EXPECT_EQ(vexon::testing::ReadBytes(exe_), kOldProgram);
    EXPECT_EQ(fs::status(exe_).permissions() & fs::perms::all, kProgramBits);
    EXPECT_FALSE(fs::exists(Backup()));
    EXPECT_TRUE(fs::is_empty(temp_)) << "a download was left in the temporary folder";
  }

  StandinServer server_;
  fs::path dir_;
  fs::path exe_;
  fs::path temp_;
};

TEST_F(UpdateAgentTest, AVersionFileThatBreaksOffIsNoData) {
  FileScript script;
  script.body = "1.2.7.1.2.3";
  script.cutAfter = 3;
  script.contentType = "text/plain";
  server_.SetFile("/downloads/update.txt", script);
  EXPECT_EQ(Check(), kUpdateNoVersionData);
  ExpectUntouched();
}

TEST_F(UpdateAgentTest, AMissingVersionFileCannotBeOpened) {
  RawPage missing;
  missing.status = 404;
  missing.body = "<html>not here</html>";
  server_.SetPage("/downloads/update.txt", missing);
  EXPECT_EQ(Check(), kUpdateOpenFailed);
  missing.status = 500;
  server_.SetPage("/downloads/update.txt", missing);
  EXPECT_EQ(Check(), kUpdateOpenFailed);
  ExpectUntouched();
}

TEST_F(UpdateAgentTest, ADownloadOverTheSizeLimitFails) {
  SetSiteVersion("1.2.7");
  SetProgram(std::string(5000, 'z'));
  UpdateAgentConfig config = Config();
  config.limits.maxFileBytes = 4096;
  EXPECT_EQ(Check(config), kUpdateDownloadFailed);
  ExpectUntouched();
  // Without a declared length the limit holds as well.
  FileScript unsized;
  unsized.body = std::string(5000, 'z');
  unsized.framing = vexon::standin::BodyFraming::kChunked;
  SetProgramScript(unsized);
  EXPECT_EQ(Check(config), kUpdateDownloadFailed);
  ExpectUntouched();
}

TEST_F(UpdateAgentTest, AServerThatTricklesForeverIsGivenUp) {
  SetSiteVersion("1.2.7");
  FileScript slow;
  slow.body = std::string(100000, 's');
  slow.bytesPerSecond = 100;
  SetProgramScript(slow);
  UpdateAgentConfig config = Config();
  config.limits.wholeRequest = std::chrono::milliseconds(500);
  EXPECT_EQ(Check(config), kUpdateDownloadFailed);
  ExpectUntouched();
}

TEST_F(UpdateAgentTest, ALinkPlantedAtTheDownloadNameIsNotWrittenThrough) {
  SetSiteVersion("1.2.7");
  const fs::path victim = dir_ / "victim";
  std::ofstream(victim) << "keep me";
  fs::create_symlink(victim, temp_ / "vexon");
  ASSERT_EQ(Check(), kUpdateInstalled);
  EXPECT_EQ(vexon::testing::ReadBytes(victim), "keep me");
  EXPECT_EQ(vexon::testing::ReadBytes(exe_), kNewProgram);
}

}  // namespace
