#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "support/test_files.h"
#include "update/executable_swap.h"

namespace fs = std::filesystem;
using vexon::update::kBackupFileName;
using vexon::update::MoveFileAllowingCopy;
using vexon::update::SwapExecutable;

namespace {

class ExecutableSwapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vexon-swap-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    exe_ = dir_ / "app" / "vexon";
    fresh_ = dir_ / "tmp" / "vexon";
    fs::create_directories(exe_.parent_path());
    fs::create_directories(fresh_.parent_path());
    Write(exe_, "old program", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    Write(fresh_, "new program", fs::perms::owner_read | fs::perms::owner_write);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  static void Write(const fs::path& path, const std::string& bytes, fs::perms bits) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    fs::permissions(path, bits, fs::perm_options::replace);
  }
  fs::path Backup() const { return exe_.parent_path() / kBackupFileName; }

  fs::path dir_;
  fs::path exe_;
  fs::path fresh_;
};

TEST_F(ExecutableSwapTest, NewFileTakesThePlaceWithTheOldBitsAndTheOldOneIsKept) {
  ASSERT_TRUE(SwapExecutable(exe_, fresh_));
  EXPECT_EQ(vexon::testing::ReadBytes(exe_), "new program");
  EXPECT_EQ(fs::status(exe_).permissions() & fs::perms::all,
            fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  EXPECT_EQ(vexon::testing::ReadBytes(Backup()), "old program");
  EXPECT_FALSE(fs::exists(fresh_));
}

TEST_F(ExecutableSwapTest, WhenTheNewFileCannotMoveInTheBackupIsPutBack) {
  std::vector<std::pair<fs::path, fs::path>> moves;
  const auto failingNewMove = [&](const fs::path& from, const fs::path& to) {
    moves.emplace_back(from, to);
    return from == fresh_ ? false : MoveFileAllowingCopy(from, to);
  };
  EXPECT_FALSE(SwapExecutable(exe_, fresh_, failingNewMove));
  EXPECT_EQ(vexon::testing::ReadBytes(exe_), "old program");
  EXPECT_FALSE(fs::exists(Backup()));
  EXPECT_EQ(vexon::testing::ReadBytes(fresh_), "new program");
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_EQ(moves[0], std::make_pair(exe_, Backup()));
  EXPECT_EQ(moves[1], std::make_pair(fresh_, exe_));
  EXPECT_EQ(moves[2], std::make_pair(Backup(), exe_));
}

TEST_F(ExecutableSwapTest, WhenTheExecutableCannotMoveAsideNothingChanges) {
  int calls = 0;
  const auto failing = [&](const fs::path&, const fs::path&) {
    ++calls;
    return false;
  };
  EXPECT_FALSE(SwapExecutable(exe_, fresh_, failing));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(vexon::testing::ReadBytes(exe_), "old program");
  EXPECT_EQ(vexon::testing::ReadBytes(fresh_), "new program");
}

TEST_F(ExecutableSwapTest, TheExecutableItselfOrTheBackupAsTheNewFileIsRefused) {
  EXPECT_FALSE(SwapExecutable(exe_, exe_));
  EXPECT_EQ(vexon::testing::ReadBytes(exe_), "old program");
  Write(Backup(), "backup", fs::perms::owner_all);
  EXPECT_FALSE(SwapExecutable(exe_, Backup()));
  EXPECT_EQ(vexon::testing::ReadBytes(exe_), "old program");
  EXPECT_EQ(vexon::testing::ReadBytes(Backup()), "backup");
}

// /dev/shm is another file system than the temporary folder on most machines;
// where it is the same one this is a plain rename and still must hold.
TEST_F(ExecutableSwapTest, MoveAcrossFileSystemsCopiesThenRemoves) {
  std::string pattern = "/dev/shm/vexon-swap-XXXXXX";
  if (!fs::is_directory("/dev/shm") || ::mkdtemp(pattern.data()) == nullptr) GTEST_SKIP() << "no /dev/shm";
  const fs::path other = fs::path(pattern) / "vexon";
  Write(other, "from afar", fs::perms::owner_all);
  const bool moved = MoveFileAllowingCopy(other, exe_);
  std::error_code ignored;
  const bool leftBehind = fs::exists(other);
  fs::remove_all(pattern, ignored);
  ASSERT_TRUE(moved);
  EXPECT_EQ(vexon::testing::ReadBytes(exe_), "from afar");
  EXPECT_FALSE(leftBehind);
  EXPECT_FALSE(fs::exists(fs::path(exe_.string() + ".incoming")));
}

}  // namespace
