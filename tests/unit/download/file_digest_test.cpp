#include "download/file_digest.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <string>

#include "support/test_files.h"

namespace vexon::download {
namespace {

using Kind = ExpectedDigest::Kind;

TEST(FileDigest, DigestsAreReadOnlyInTheirOwnForm) {
  const std::string sha1 = "A9993E364706816ABA3E25717850C26C9CD0D89D";
  const struct {
    std::string text;
    std::optional<std::string> read;  // as written back
  } cases[] = {
      {"sha1=" + sha1, "sha1=a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"md5=900150983cd24fb0d6963f7d28e17f72", "md5=900150983cd24fb0d6963f7d28e17f72"},
      {"md5=" + sha1, std::nullopt},  // a SHA1's length
      {"sha1=" + sha1.substr(1) + "g", std::nullopt},
      {"sha1=", std::nullopt},
      {"SHA1=" + sha1, std::nullopt},
      {"crc32=f8159755", std::nullopt},
      {sha1, std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<ExpectedDigest> read = ExpectedDigest::Read(c.text);
    EXPECT_EQ(read ? std::optional<std::string>(read->Text()) : std::nullopt, c.read) << c.text;
  }
}

TEST(FileDigest, HashesWhatIsFedAndWhatAFileHolds) {
  FileDigest sha1(Kind::kSha1);
  ASSERT_TRUE(sha1.ok());
  sha1.Update("ab", 2);
  sha1.Update("c", 1);
  EXPECT_EQ(sha1.FinishHex(), "a9993e364706816aba3e25717850c26c9cd0d89d");
  sha1.Restart();
  EXPECT_EQ(sha1.FinishHex(), "da39a3ee5e6b4b0d3255bfef95601890afd80709");  // nothing fed

  vexon::testing::TempDir dir;
  const std::string path = (dir / "part.grb").string();
  vexon::testing::WriteBytes(path, "abcdef");
  FileDigest md5(Kind::kMd5);
  int error = 0;
  ASSERT_TRUE(md5.UpdateFromFile(path, 3, error));
  EXPECT_EQ(md5.FinishHex(), "900150983cd24fb0d6963f7d28e17f72");
  // A file shorter than the length asked, or none at all, gives no digest.
  md5.Restart();
  EXPECT_FALSE(md5.UpdateFromFile(path, 7, error));
  EXPECT_EQ(error, EIO);
  EXPECT_FALSE(md5.UpdateFromFile((dir / "none").string(), 1, error));
  EXPECT_EQ(error, ENOENT);
}

}  // namespace
}  // namespace vexon::download
