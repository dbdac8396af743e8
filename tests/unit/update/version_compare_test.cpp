#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "update/file_version.h"
#include "update/version_compare.h"

using vexon::update::CompareVersions;
using vexon::update::kFileVersionMarker;
using vexon::update::kOwnVersionMalformed;
using vexon::update::kSiteVersionMalformed;
using vexon::update::OwnVersionText;
using vexon::update::ReadFileVersion;
using vexon::update::VersionStampTextOf;

namespace {

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
