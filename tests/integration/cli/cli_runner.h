#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_files.h"

extern char** environ;

namespace vexon::testing {

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the built vexon-cli with its output caught in a temporary folder.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(cli_)) << cli_ << " is not built";
    // The texts the tests expect are the Chinese set, whatever the machine's language
    // (LANGUAGE would come before LC_ALL).
    ::unsetenv("LANGUAGE");
    ::setenv("LC_ALL", "C.UTF-8", 1);
  }

  std::filesystem::path WriteFile(const std::string& name, const std::string& bytes) {
    WriteBytes(dir_ / name, bytes);
    return dir_ / name;
  }

  // Starts vexon-cli with its output in the files named; -1 when it cannot start.
  pid_t Spawn(const std::vector<std::string>& args, const std::string& out, const std::string& err, bool inTempDir) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (inTempDir) posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    std::vector<std::string> all = {cli_};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, cli_.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
      ADD_FAILURE() << "cannot start " << cli_;
      pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  CliRun Run(const std::vector<std::string>& args, bool inTempDir = false) {
    CliRun run;
    const pid_t pid = Spawn(args, (dir_ / "stdout").string(), (dir_ / "stderr").string(), inTempDir);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.out = ReadBytes(dir_ / "stdout");
    run.err = ReadBytes(dir_ / "stderr");
    return run;
  }

  std::string cli_ = VEXON_CLI_PATH;
  TempDir tempDir_;
  std::filesystem::path dir_ = tempDir_.path();
};

}  // namespace vexon::testing
