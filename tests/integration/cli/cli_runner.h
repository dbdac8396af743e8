#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    cli_ = VEXON_CLI_PATH;
    ASSERT_TRUE(std::filesystem::exists(cli_)) << cli_ << " is not built";
    // The texts the tests expect are the Chinese set, whatever the machine's language.
    ::setenv("LC_ALL", "C.UTF-8", 1);
    std::string pattern = (std::filesystem::temp_directory_path() / "vexon-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }

  std::filesystem::path WriteFile(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  CliRun Run(const std::vector<std::string>& args, bool inTempDir = false) {
    const std::filesystem::path outPath = dir_ / "stdout";
    const std::filesystem::path errPath = dir_ / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (inTempDir) posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    std::vector<std::string> all = {cli_};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    CliRun run;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, cli_.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << cli_;
      return run;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadBytes(outPath);
    run.err = ReadBytes(errPath);
    return run;
  }

  std::string cli_;
  std::filesystem::path dir_;
};

}  // namespace vexon::testing
