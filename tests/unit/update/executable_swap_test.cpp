#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/test_files.h"
#include "update/executable_swap.h"

namespace fs = std::filesystem;
using vexon::testing::ReadBytes;
using vexon::update::kBackupFileName;
using vexon::update::MoveFileAllowingCopy;
using vexon::update::SwapExecutable;

namespace {

class ExecutableSwapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(exe_.parent_path());
    fs::create_directories(fresh_.parent_path());
    Write(exe_, "old program", kOldBits);
    Write(fresh_, "new program", fs::perms::owner_read | fs::perms::owner_write);
  }

  static void Write(const fs::path& path, const std::string& bytes, fs::perms bits) {
    vexon::testing::WriteBytes(path, bytes);
    fs::permissions(path, bits, fs::perm_options::replace);
  }
  void ExpectUnchanged() const {
    EXPECT_EQ(ReadBytes(exe_), "old program");
    EXPECT_EQ(ReadBytes(fresh_), "new program");
    EXPECT_FALSE(fs::exists(Backup()));
  }
  fs::path Backup() const { return exe_.parent_path() / kBackupFileName; }

  static constexpr fs::perms kOldBits = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec;
  vexon::testing::TempDir dir_;
  fs::path exe_ = dir_ / "app/vexon";
  fs::path fresh_ = dir_ / "tmp/vexon";
};

TEST_F(ExecutableSwapTest, NewFileTakesThePlaceWithTheOldBitsAndTheOldOneIsKept) {
  ASSERT_TRUE(SwapExecutable(exe_, fresh_));
  EXPECT_EQ(ReadBytes(exe_), "new program");
  EXPECT_EQ(fs::status(exe_).permissions() & fs::perms::all, kOldBits);
  EXPECT_EQ(ReadBytes(Backup()), "old program");
  EXPECT_FALSE(fs::exists(fresh_));
}

TEST_F(ExecutableSwapTest, AMoveThatFailsLeavesEverythingAsItWas) {
  std::vector<std::pair<fs::path, fs::path>> moves;
  const auto failingNewMove = [&](const fs::path& from, const fs::path& to) {
    moves.emplace_back(from, to);
    return from == fresh_ ? false : MoveFileAllowingCopy(from, to);
  };
  EXPECT_FALSE(SwapExecutable(exe_, fresh_, failingNewMove));
  ExpectUnchanged();  // the backup was put back
  EXPECT_EQ(moves, (std::vector<std::pair<fs::path, fs::path>>{{exe_, Backup()}, {fresh_, exe_}, {Backup(), exe_}}));
  moves.clear();
  EXPECT_FALSE(SwapExecutable(exe_, fresh_, [&](const fs::path& from, const fs::path& to) {
    moves.emplace_back(from, to);
    return false;
  }));
  ExpectUnchanged();
  EXPECT_EQ(moves.size(), 1u);  // the executable could not move aside
}

TEST_F(ExecutableSwapTest, TheExecutableItselfOrTheBackupAsTheNewFileIsRefused) {
  EXPECT_FALSE(SwapExecutable(exe_, exe_));
  EXPECT_EQ(ReadBytes(exe_), "old program");
  Write(Backup(), "backup", fs::perms::owner_all);
  EXPECT_FALSE(SwapExecutable(exe_, Backup()));
  EXPECT_EQ(ReadBytes(exe_), "old program");
  EXPECT_EQ(ReadBytes(Backup()), "backup");
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
  EXPECT_EQ(ReadBytes(exe_), "from afar");
  EXPECT_FALSE(leftBehind);
  EXPECT_FALSE(fs::exists(fs::path(exe_.string() + ".incoming")));
}

}  // namespace
