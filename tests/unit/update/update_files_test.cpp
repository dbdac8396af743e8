#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/test_files.h"
#include "update/executable_swap.h"
#include "update/file_version.h"
#include "update/version_compare.h"

namespace fs = std::filesystem;
using vexon::testing::ReadBytes;
using vexon::update::CompareVersions;
using vexon::update::kBackupFileName;
using vexon::update::kFileVersionMarker;
using vexon::update::kOwnVersionMalformed;
using vexon::update::kSiteVersionMalformed;
using vexon::update::MoveFileAllowingCopy;
using vexon::update::OwnVersionText;
using vexon::update::ReadFileVersion;
using vexon::update::SwapExecutable;
using vexon::update::VersionStampTextOf;

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

struct Case {
  const char* site;
  const char* own;
  int expected;
};

class CompareVersionsTable : public ::testing::TestWithParam<Case> {};

TEST_P(CompareVersionsTable, GivesTheTablesAnswer) {
  const Case& c = GetParam();
  EXPECT_EQ(CompareVersions(c.site, c.own), c.expected) << "'" << c.site << "' vs '" << c.own << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Versions, CompareVersionsTable,
    ::testing::Values(Case{"1.2.7", "1.2.6.0", 1}, Case{"1.2.6", "1.2.6.0", 0}, Case{"1.10", "1.9.9.9", 1},
                      Case{"1.2.5", "1.2.6.0", -1}, Case{"0.9", "1", -1}, Case{"2", "1.99.99.99", 1},
                      Case{"1.2.6.1", "1.2.6", 1}, Case{"007", "7", 0}, Case{"1.02", "1.2", 0},
                      // Empty pieces are skipped, so "1..2" is 1.2.
                      Case{"1..2", "1.2", 0}, Case{".1.2.", "1.2", 0}, Case{"1...2....3", "1.2.3", 0},
                      Case{"1..3", "1.2", 1},
                      // Malformed site texts, whatever the own one holds.
                      Case{"1.2.3.4.5", "1.0", kSiteVersionMalformed}, Case{"1.2\r\n", "1.0", kSiteVersionMalformed},
                      Case{"1.2\n", "1.0", kSiteVersionMalformed}, Case{"", "1.0", kSiteVersionMalformed},
                      Case{".", "1.0", kSiteVersionMalformed}, Case{"...", "1.0", kSiteVersionMalformed},
                      Case{" 1.2", "1.0", kSiteVersionMalformed}, Case{"1.2 ", "1.0", kSiteVersionMalformed},
                      Case{"-1.2", "1.0", kSiteVersionMalformed}, Case{"+1", "1.0", kSiteVersionMalformed},
                      Case{"1.a", "1.0", kSiteVersionMalformed}, Case{"v1.2", "1.0", kSiteVersionMalformed},
                      Case{"1,2", "1.0", kSiteVersionMalformed}, Case{"1.2.3.4.5", "junk", kSiteVersionMalformed},
                      Case{"", "", kSiteVersionMalformed},
                      // Malformed own texts.
                      Case{"1.2", "", kOwnVersionMalformed}, Case{"1.2", "1.2.3.4.5", kOwnVersionMalformed},
                      Case{"1.2", "1.x", kOwnVersionMalformed}, Case{"1.2", "1.2\r\n", kOwnVersionMalformed},
                      // Five pieces stay malformed when some are empty; four with empty ones are fine.
                      Case{"1..2..3..4..5", "1", kSiteVersionMalformed}, Case{"1..2..3..4..", "1.2.3.4", 0}));

TEST(CompareVersions, PiecesLongerThanAnyIntegerCompareByValue) {
  const std::string huge(100, '9');
  const std::string huger = "1" + std::string(100, '0');
  EXPECT_EQ(CompareVersions(huger, huge), 1);
  EXPECT_EQ(CompareVersions(huge, huger), -1);
  EXPECT_EQ(CompareVersions(huge, huge), 0);
  EXPECT_EQ(CompareVersions("1." + huge, "1." + huge + ".0"), 0);
  EXPECT_EQ(CompareVersions("18446744073709551616", "18446744073709551615"), 1);
  EXPECT_EQ(CompareVersions("000000000000000000000000001", "1"), 0);
  EXPECT_EQ(CompareVersions("0000000000000000000000000010", "9"), 1);
  EXPECT_EQ(CompareVersions("4294967296", "1"), 1);
}

TEST(VersionStampText, OfADottedVersionOrEmpty) {
  const std::vector<std::pair<std::string, std::string>> cases = {{"0.1.0.1", "0.1.0.1"},
                                                                  {"1.2.6", "1.2.6.0"},
                                                                  {"1.2.6.0", "1.2.6.0"},
                                                                  {"1.2.0.0", "1.2"},
                                                                  {"1.2", "1.2"},
                                                                  {"4", "4.0"},
                                                                  {"0.0.0.0", ""},
                                                                  {"0", ""},
                                                                  {"", ""},
                                                                  {"1.2.3.4.5", ""},
                                                                  {"1..2", ""},
                                                                  {"1.65536", ""},
                                                                  {"1.99999999999999999999999", ""},
                                                                  {"1.2-beta", ""}};
  for (const auto& [version, stamp] : cases) EXPECT_EQ(VersionStampTextOf(version), stamp) << version;
}

TEST(FileVersion, TheBuiltProgramCarriesItsVersion) {
  EXPECT_FALSE(OwnVersionText().empty());
  EXPECT_EQ(ReadFileVersion(VEXON_CLI_PATH), OwnVersionText());
}

TEST(FileVersion, TheFirstWellFormedMarkerCountsWhereverItLies) {
  const vexon::testing::TempDir dir;
  const std::filesystem::path file = dir / "program";
  const std::string marker(kFileVersionMarker);
  const auto versionOf = [&](const std::string& bytes) {
    vexon::testing::WriteBytes(file, bytes);
    return ReadFileVersion(file);
  };
  EXPECT_EQ(versionOf("no marker at all"), "");
  EXPECT_EQ(versionOf(marker + "1.2.3.4"), "");  // no NUL ends it
  EXPECT_EQ(versionOf(marker + std::string(1, '\0') + marker + "x.y" + '\0' + marker + "2.5" + '\0'), "2.5");
  EXPECT_EQ(versionOf("junk" + marker + "1.2.0.0" + '\0'), "1.2");
  // Across the border of the reader's 1 MiB chunks.
  for (size_t at : {(1u << 20) - 30, (1u << 20) - 5, (1u << 20) + 1}) {
    EXPECT_EQ(versionOf(std::string(at, 'z') + marker + "7.8.9.10" + '\0' + "tail"), "7.8.9.10") << at;
  }
  EXPECT_EQ(ReadFileVersion(dir / "missing"), "");
}

}  // namespace
