#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "integration/cli/cli_runner.h"
#include "standin/standin_server.h"
#include "update/file_version.h"

namespace {

namespace fs = std::filesystem;
using vexon::testing::CliRun;
using vexon::testing::ReadBytes;
using vexon::testing::WriteBytes;

// Small programs that carry a version stamp as the real ones do.
std::string Program(const std::string& said, const std::string& version) {
  return "#!/bin/sh\necho " + said + "\nexit 0\n" + std::string(vexon::update::kFileVersionMarker) + version +
         std::string(1, '\0');
}
const std::string kOldProgram = Program("old", VEXON_VERSION_TEXT);
const std::string kNewProgram = Program("new", "65535.0");

// vexon-cli update-check against the in-process maker's site, updating a copy of a
// small program, with the download going to a temporary folder of the test's own.
class UpdateCheckCommand : public vexon::testing::CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    ASSERT_TRUE(server_.Start());
    fs::create_directories(exe_.parent_path());
    fs::create_directories(dir_ / "tmp");
    WriteBytes(exe_, kOldProgram);
    fs::permissions(exe_, fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
    vexon::standin::RawPage program;
    program.contentType = "application/octet-stream";
    program.body = kNewProgram;
    server_.SetPage("/downloads/prog", program);
  }
  void TearDown() override { ::unsetenv("TMPDIR"); }
  void SetSiteVersion(const std::string& text) {
    vexon::standin::RawPage page;
    page.contentType = "text/plain";
    page.body = text;
    server_.SetPage("/downloads/update.txt", page);
  }
  CliRun Check(const std::string& site = "") {
    return Run({"update-check", "--site", site.empty() ? server_.Url("/") : site, "--exe", exe_.string()});
  }

  vexon::standin::StandinServer server_;
  fs::path exe_ = dir_ / "app" / "prog";
};

}  // namespace

TEST_F(UpdateCheckCommand, AHigherVersionReplacesTheProgramOnce) {
  // The stand-in's own update.txt names the version the program was built as.
  CliRun run = Check();
  EXPECT_EQ(run.out, "6 已经是最新版本，不需要升级。\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(exe_), kOldProgram);
  SetSiteVersion("65535.0");
  run = Check();
  EXPECT_EQ(run.out, "0 版本升级完成，下次运行的才是新版本。\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(exe_), kNewProgram);
  EXPECT_EQ(ReadBytes(exe_.parent_path() / "OldExecutable.bak"), kOldProgram);
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
  // The file now holds the site's version: nothing is fetched or moved again.
  EXPECT_EQ(Check().out, "6 已经是最新版本，不需要升级。\n");
  EXPECT_EQ(ReadBytes(exe_), kNewProgram);
  EXPECT_EQ(ReadBytes(exe_.parent_path() / "OldExecutable.bak"), kOldProgram);
}

TEST_F(UpdateCheckCommand, FailuresLeaveTheProgramAsItWas) {
  SetSiteVersion("65535.0");
  vexon::standin::FileScript cut;
  cut.body = std::string(10000, 'x');
  cut.cutAfter = 100;
  server_.RemovePage("/downloads/prog");
  server_.SetFile("/downloads/prog", cut);
  CliRun run = Check();
  EXPECT_EQ(run.out, "4 版本升级未完成！\n");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(ReadBytes(exe_), kOldProgram);

  vexon::standin::StandinServer gone;
  ASSERT_TRUE(gone.Start());
  const std::string site = gone.Url("/");
  gone.Stop();
  run = Check(site);
  EXPECT_EQ(run.out, "1 网络连接出错！\n");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(ReadBytes(exe_), kOldProgram);

  // A program without a version stamp is not replaced.
  WriteBytes(exe_, "#!/bin/sh\n");
  EXPECT_EQ(Check().out, "5 版本升级未完成！\n");
  EXPECT_EQ(ReadBytes(exe_), "#!/bin/sh\n");
}

TEST_F(UpdateCheckCommand, BadArgumentsExitTwo) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"update-check", "--site"},
                                             {"update-check", "--exe"},
                                             {"update-check", "--site", "ftp://x/"},
                                             {"update-check", "--bogus"},
                                             {"update-check", "extra"}}) {
    const CliRun run = Run(args);
    EXPECT_EQ(run.exitCode, 2) << args.back();
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_TRUE(server_.Requests().empty());
}
