#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>
#include <tuple>

#include "download/file_digest.h"
#include "integration/cli/cli_runner.h"
#include "standin/standin_server.h"
#include "text/encoding.h"
#include "update/file_version.h"

using namespace vexon;
using namespace std::chrono_literals;
using vexon::testing::CliRun;
using vexon::testing::ReadBytes;
using vexon::testing::WriteBytes;
namespace fs = std::filesystem;

namespace {

class GetCommand : public vexon::testing::CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(server.Start());
  }

  void Serve(const std::string& path, const std::string& body, uint64_t bytesPerSecond = 0) {
    standin::FileScript script;
    script.body = body;
    script.bytesPerSecond = bytesPerSecond;
    server.SetFile(path, script);
  }

  // Starts vexon-cli without waiting for it.
  pid_t Launch(const std::vector<std::string>& args) { return Spawn(args, "/dev/null", "/dev/null", true); }

  std::string Ini() { return text::Utf8FromGb18030(ReadBytes(dir_ / "vudez.ini")); }

  standin::StandinServer server;
};

// Small programs that carry a version stamp as the real ones do.
std::string Program(const std::string& said, const std::string& version) {
  return "#!/bin/sh\necho " + said + "\nexit 0\n" + std::string(vexon::update::kFileVersionMarker) + version +
         std::string(1, '\0');
}
const std::string kOldProgram = Program("old", VEXON_VERSION_TEXT);
const std::string kNewProgram = Program("new", "65535.0");

// vexon-cli update-check against the in-process maker's site, updating a copy of a
// small program, with the download going to a temporary folder of the test's own.
class UpdateCheckCommand : public GetCommand {
 protected:
  void SetUp() override {
    GetCommand::SetUp();
    if (HasFatalFailure()) return;
    fs::create_directories(exe_.parent_path());
    fs::create_directories(dir_ / "tmp");
    WriteBytes(exe_, kOldProgram);
    fs::permissions(exe_, fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
    vexon::standin::RawPage program;
    program.contentType = "application/octet-stream";
    program.body = kNewProgram;
    server.SetPage("/downloads/prog", program);
  }
  void TearDown() override { ::unsetenv("TMPDIR"); }
  void SetSiteVersion(const std::string& text) {
    vexon::standin::RawPage page;
    page.contentType = "text/plain";
    page.body = text;
    server.SetPage("/downloads/update.txt", page);
  }
  CliRun Check(const std::string& site = "") {
    return Run({"update-check", "--site", site.empty() ? server.Url("/") : site, "--exe", exe_.string()});
  }

  fs::path exe_ = dir_ / "app" / "prog";
};

}  // namespace

TEST_F(GetCommand, DownloadsToTheNamedFileDropsItsRecordAndLogsIt) {
  const std::string body = vexon::testing::PatternBytes(123457);
  Serve("/get.mp3", body);
  const auto target = dir_ / "歌曲.mp3";
  // The window's log entry stays beside the new one.
  WriteFile("old.mp3", "x");
  WriteFile("vudez.ini", "[Mp3_completed]\r\nItem0=" + (dir_ / "old.mp3").string() + "\r\n");
  const CliRun run = Run({"get", server.Url("/get.mp3"), "--to", target.string()}, true);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(run.out.empty());
  // Not a terminal: one line for the finished file, no steps.
  EXPECT_EQ(run.err, target.string() + ": complete\n");
  EXPECT_EQ(ReadBytes(target), body);
  EXPECT_FALSE(std::filesystem::exists(target.string() + ".grb"));
  EXPECT_EQ(Ini().find("[" + target.string() + "]"), std::string::npos);  // record gone at completion
  EXPECT_NE(Ini().find("Item0=" + (dir_ / "old.mp3").string() + "\r\nItem1=" + target.string() + "\r\n"),
            std::string::npos)
      << Ini();
}

TEST_F(GetCommand, ReadsUrlsFromAListFileAndTellsEveryStepWhenVerbose) {
  Serve("/l1.mp3", "one");
  Serve("/l2.mp3", "two");
  const auto list = WriteFile("urls.txt", "# two files\n\n" + server.Url("/l1.mp3") + "\r\n  " + server.Url("/l2.mp3") +
                                              "  \n#" + server.Url("/l3.mp3") + "\n");
  const CliRun run = Run({"get", "-i", list.string(), "--dir", (dir_ / "got").string(), "--verbose"}, true);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(dir_ / "got" / "l1.mp3"), "one");
  EXPECT_EQ(ReadBytes(dir_ / "got" / "l2.mp3"), "two");
  EXPECT_NE(run.err.find("l2.mp3: 100%"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find((dir_ / "got" / "l1.mp3").string() + ": complete\n"), std::string::npos) << run.err;
}

// On a terminal the lines are redrawn in place and end on the overall line; a
// failure keeps its own line above them.
TEST_F(GetCommand, OnATerminalRedrawsLiveLinesAndKeepsFailures) {
  Serve("/t1.mp3", vexon::testing::PatternBytes(200000), 400000);
  standin::FileScript missing;
  missing.status = 404;
  server.SetFile("/t2.mp3", missing);
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const pid_t pid = Spawn({"get", server.Url("/t1.mp3"), server.Url("/t2.mp3"), "--dir", (dir_ / "t").string()},
                          "/dev/null", ptsname(master), true);
  ASSERT_GT(pid, 0);
  std::string screen;
  char buffer[4096];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) screen.append(buffer, static_cast<size_t>(n));
  close(master);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(screen.find("\x1b[J"), std::string::npos) << screen;
  EXPECT_NE(screen.find("t2.mp3: 不能收到服务器的有效HTTP响应, 响应码:404"), std::string::npos) << screen;
  const size_t last = screen.rfind("1/2 files, 1 failed, 195.3 KB");
  ASSERT_NE(last, std::string::npos) << screen;
  EXPECT_EQ(screen.find("\x1b[", last), std::string::npos);  // nothing drawn over it
  EXPECT_EQ(ReadBytes(dir_ / "t" / "t1.mp3"), vexon::testing::PatternBytes(200000));
}

// A digest given on the command line or in a list applies to its own URL: bytes that
// hash to it complete; others fail, stay in the partial file and keep the digest in
// the record.
TEST_F(GetCommand, DigestsVerifyTheirOwnUrlsOnly) {
  const std::string body = vexon::testing::PatternBytes(70000, 2);
  Serve("/v1.mp3", body);
  Serve("/v2.mp3", body);
  Serve("/v3.mp3", body);
  const std::string sha1 = [&] {
    download::FileDigest digest(download::ExpectedDigest::Kind::kSha1);
    digest.Update(body.data(), body.size());
    return digest.FinishHex();
  }();
  const std::string wrongMd5(32, 'e');
  const CliRun run = Run({"get", "--sha1", sha1, server.Url("/v1.mp3"), "--md5", wrongMd5, server.Url("/v2.mp3"),
                          "--dir", (dir_ / "v").string()},
                         true);
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(ReadBytes(dir_ / "v" / "v1.mp3"), body);
  EXPECT_FALSE(fs::exists(dir_ / "v" / "v2.mp3"));
  EXPECT_EQ(ReadBytes(dir_ / "v" / "v2.mp3.grb"), body);
  EXPECT_NE(run.err.find("v2.mp3: 下载的文件与服务器记录的 MD5 不符"), std::string::npos) << run.err;
  EXPECT_NE(Ini().find("MD5=" + wrongMd5), std::string::npos) << Ini();

  const auto list = WriteFile("digests.txt", server.Url("/v3.mp3") + "\tsha1=" + std::string(40, '0') + "\n" +
                                                 server.Url("/v1.mp3") + " sha1=" + sha1 + "\n");
  const CliRun listed = Run({"get", "-i", list.string(), "--dir", (dir_ / "w").string()}, true);
  EXPECT_EQ(listed.exitCode, 1) << listed.err;
  EXPECT_EQ(ReadBytes(dir_ / "w" / "v1.mp3"), body);
  EXPECT_FALSE(fs::exists(dir_ / "w" / "v3.mp3"));
  EXPECT_NE(listed.err.find("v3.mp3: 下载的文件与服务器记录的 SHA1 不符"), std::string::npos) << listed.err;
}

TEST_F(GetCommand, AFailureExitsOneWithItsTextAndKeepsTheRecord) {
  standin::FileScript missing;
  missing.status = 404;
  server.SetFile("/missing.mp3", missing);
  const auto target = dir_ / "missing.mp3";
  const CliRun run = Run({"get", server.Url("/missing.mp3"), "--to", target.string()}, true);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("不能收到服务器的有效HTTP响应, 响应码:404"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(target));
  // The record stays, so the desktop program lists it as a stopped download.
  EXPECT_NE(Ini().find("[" + target.string() + "]"), std::string::npos) << Ini();
}

// The worker texts follow --lang, else System/Language, else the environment; a
// setting that is none of its values is told once and the environment decides.
TEST_F(GetCommand, FailureTextsSpeakTheChosenLanguage) {
  standin::FileScript missing;
  missing.status = 404;
  server.SetFile("/lang.mp3", missing);
  const std::string chinese = "不能收到服务器的有效HTTP响应, 响应码:404 (未找到)";
  const std::string english = "Failed to receive a valid HTTP response from the server, Response Code:404 (not found)";
  const struct {
    std::vector<std::string> lang;
    const char* setting;
    const char* environment;  // LANG, with LANGUAGE and LC_* unset
    std::string text;
    bool note;
  } cases[] = {
      {{}, "", "C.UTF-8", chinese, false},
      {{}, "", "en_US.UTF-8", english, false},
      {{}, "zh", "en_US.UTF-8", chinese, false},
      {{}, "en", "C", english, false},
      {{"--lang", "zh"}, "en", "en_US.UTF-8", chinese, false},
      {{"--lang", "en"}, "", "zh_CN.UTF-8", english, false},
      {{}, "latin", "zh_CN.UTF-8", chinese, true},
  };
  for (const auto& c : cases) {
    WriteFile("vudez.ini", std::string("[System]\r\nLanguage=") + c.setting + "\r\n");
    std::vector<std::string> args = c.lang;
    for (const std::string& a :
         {std::string("get"), server.Url("/lang.mp3"), std::string("--dir"), (dir_ / "lang").string()}) {
      args.push_back(a);
    }
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) ::unsetenv(name);
    ::setenv("LANG", c.environment, 1);
    const CliRun run = Run(args, true);
    ::unsetenv("LANG");
    EXPECT_EQ(run.exitCode, 1) << c.environment;
    EXPECT_NE(run.err.find("lang.mp3: " + c.text), std::string::npos) << c.setting << " " << run.err;
    EXPECT_EQ(run.err.find("System/Language=latin") != std::string::npos, c.note) << run.err;
  }
  EXPECT_EQ(Run({"--lang", "fr", "get", server.Url("/lang.mp3")}, true).exitCode, 2);

  // The usage and the command line's messages are English unless Chinese is asked for.
  ::unsetenv("LC_ALL");
  const struct {
    const char* lang;
    std::vector<std::string> args;
    std::string text;
    bool help;  // on standard output, at its start
  } messages[] = {
      {"C.UTF-8", {"--help"}, "usage: vexon-cli", true},
      {"zh_CN.UTF-8", {"--help"}, "用法: vexon-cli", true},
      {"en_US.UTF-8", {"--lang", "zh", "--help"}, "用法: vexon-cli", true},
      {"zh_CN.UTF-8", {"--lang", "en", "-h"}, "usage: vexon-cli", true},
      {"C.UTF-8", {"get"}, "vexon-cli get: no URL given", false},
      {"zh_CN.UTF-8", {"get"}, "vexon-cli get: 没有给出 URL", false},
      {"en_US.UTF-8", {"--lang", "zh", "show"}, "vexon-cli show: 没有给出文件", false},
      {"zh_CN.UTF-8", {"--lang", "en", "get", "--jobs", "0", "x"}, "vexon-cli get: bad --jobs: 0", false},
      {"zh_CN.UTF-8", {"search", "--max", "x", "w"}, "vexon-cli search: --max 的值无效: x", false},
      {"fr_FR.UTF-8", {"frob"}, "vexon-cli: unknown command 'frob'", false},
  };
  for (const auto& m : messages) {
    ::setenv("LANG", m.lang, 1);
    const CliRun run = Run(m.args, true);
    EXPECT_EQ(run.exitCode, m.help ? 0 : 2) << m.lang << " " << m.text;
    if (m.help) {
      EXPECT_EQ(run.out.rfind(m.text, 0), 0u) << run.out.substr(0, 80);
    } else {
      EXPECT_NE(run.err.find(m.text), std::string::npos) << run.err;
    }
  }
  ::unsetenv("LANG");
  ::setenv("LC_ALL", "C.UTF-8", 1);
}

TEST_F(GetCommand, BadArgumentsExitTwo) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"get"},
                                             {"get", "http://h/a", "--speed", "x"},
                                             {"get", "http://h/a", "--jobs", "0"},
                                             {"get", "http://h/a", "http://h/b", "--to", "x"},
                                             {"get", "http://h/a", "--to", "x", "--dir", "y"},
                                             {"get", "http://h/a", "--frob", "1"},
                                             {"get", "-i", "/nonexistent/urls.txt"},
                                             {"get", "-i", "/"},
                                             {"get", "--sha1", "abc", "http://h/a"},
                                             {"get", "--md5", std::string(40, 'a'), "http://h/a"},
                                             {"get", "http://h/a", "--sha1", std::string(40, 'a')},
                                             {"get", "-i", WriteFile("bad.txt", "http://h/a sha1=xyz\n").string()}}) {
    const CliRun run = Run(args, true);
    EXPECT_EQ(run.exitCode, 2) << args.back();
    EXPECT_FALSE(run.err.empty());
  }
}

TEST_F(GetCommand, AnInterruptKeepsThePartialFileAndExits130) {
  const std::string body = vexon::testing::PatternBytes(600000);
  Serve("/slow.mp3", body, 200000);
  const auto target = dir_ / "slow.mp3";
  const pid_t pid = Launch({"get", server.Url("/slow.mp3"), "--to", target.string()});
  ASSERT_GT(pid, 0);
  // The interrupt comes once the first bytes are on disk, however long the program
  // takes to start in this build.
  int status = 0;
  bool ended = false;
  const auto deadline = std::chrono::steady_clock::now() + 2min;
  while (!ended && ReadBytes(target.string() + ".grb").empty() && std::chrono::steady_clock::now() < deadline) {
    ended = waitpid(pid, &status, WNOHANG) == pid;
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_FALSE(ended) << "vexon-cli ended before the interrupt";
  kill(pid, SIGINT);
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);
  const std::string partial = ReadBytes(target.string() + ".grb");
  EXPECT_GT(partial.size(), 0u);
  EXPECT_LT(partial.size(), body.size());
  EXPECT_EQ(partial, body.substr(0, partial.size()));
}

TEST_F(GetCommand, KilledAtRandomMomentsAndRestartedEndsByteIdentical) {
  const std::string body = vexon::testing::PatternBytes(3000000);
  Serve("/kill.mp3", body, 600000);
  const auto target = dir_ / "kill.mp3";
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> pause(20, 400);
  int kills = 0;
  for (int round = 0; round < 40; ++round) {
    const pid_t pid = Launch({"get", server.Url("/kill.mp3"), "--to", target.string()});
    ASSERT_GT(pid, 0);
    int status = 0;
    if (kills < 12) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
      if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ++kills;
        // What is on disk is always a prefix of the file.
        const std::string partial = ReadBytes(target.string() + ".grb");
        ASSERT_EQ(partial, body.substr(0, partial.size()));
        continue;
      }
    } else {
      waitpid(pid, &status, 0);
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && std::filesystem::exists(target)) break;
  }
  EXPECT_GE(kills, 10);
  EXPECT_EQ(ReadBytes(target), body);
}

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
  server.RemovePage("/downloads/prog");
  server.SetFile("/downloads/prog", cut);
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
  EXPECT_TRUE(server.Requests().empty());
}
