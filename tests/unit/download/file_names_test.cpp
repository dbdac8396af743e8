#include <gtest/gtest.h>

#include <string>

#include "download/file_names.h"
#include "download/final_file.h"
#include "support/test_files.h"
#include "text/encoding.h"

using namespace vexon::download;
using vexon::testing::TempDir;

TEST(SafeFileName, KeepsOrdinaryNamesAndMakesOthersOneComponent) {
  const struct {
    std::string name, extension, expected;
  } cases[] = {
      {"Song", ".mp3", "Song.mp3"},
      {"月亮代表我的心", ".wma", "月亮代表我的心.wma"},
      {"[Live] a b", "", "[Live] a b"},
      {"", ".mp3", ".mp3"},
      {"AC/DC", ".mp3", "AC_DC.mp3"},
      {"../../etc/passwd", "", ".._.._etc_passwd"},
      {".", "", "_"},
      {"..", "", "_"},
      {".", ".", "_"},
      {"  ", "", "_"},
      {std::string("a\0b", 3), "", "a_b"},
      {"a\tb\r\n\x7f", ".mp3", "a_b___.mp3"},
      {"a\xff", "", "a\xEF\xBF\xBD"},
      {"  Song  ", ".mp3 ", "Song  .mp3"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.name, c.extension), c.expected) << c.name;
}

TEST(SafeFileName, CutsOnACharacterBoundaryKeepingTheExtension) {
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += "歌";
  const std::string cut = SafeFileName(wide, ".mp3");
  EXPECT_LE(cut.size() + 4, kMaxFileNameBytes);  // its ".grb" partial file fits too
  EXPECT_GT(cut.size(), kMaxTargetNameBytes - 3);
  EXPECT_EQ(cut.substr(cut.size() - 4), ".mp3");
  EXPECT_EQ(vexon::text::SanitizeUtf8(cut), cut);
  EXPECT_EQ(SafeFileName("", "." + std::string(400, 'x')).size(), kMaxTargetNameBytes);
}

TEST(FileNameParts, JoinNumberAndCount) {
  EXPECT_EQ(JoinFolder("/m", "x"), "/m/x");
  EXPECT_EQ(JoinFolder("/m/", "x"), "/m/x");
  EXPECT_EQ(NumberedName("/m.d/x.mp3", 1), "/m.d/x(1).mp3");
  EXPECT_EQ(NumberedName("/m.d/x", 2), "/m.d/x(2)");
  const std::string numbered = NumberedName("/m/" + std::string(kMaxTargetNameBytes - 4, 'a') + ".mp3", 12);
  EXPECT_EQ(AfterLastSlash(numbered).size(), kMaxTargetNameBytes);
  EXPECT_EQ(numbered.substr(numbered.size() - 8), "(12).mp3");
  EXPECT_EQ(CharacterCount("a歌\xff"), 3u);
}

TEST(MoveToFreeName, ReportsAFailureOtherThanATakenName) {
  TempDir dir;
  const std::string full = (dir / "x.mp3").string();
  const FinalFile failed = MoveToFreeName(full + ".grb", full, nullptr);
  EXPECT_TRUE(failed.path.empty());
  EXPECT_EQ(failed.error, std::errc::no_such_file_or_directory);
  EXPECT_FALSE(FileExists(full));
}
