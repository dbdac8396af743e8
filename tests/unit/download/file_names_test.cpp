#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/download_as_form.h"
#include "download/file_names.h"
#include "download/final_file.h"
#include "support/test_files.h"
#include "text/encoding.h"

using namespace vexon::download;
using vexon::testing::TempDir;
using Accept = DownloadAsForm::AcceptResult;
using Names = std::vector<std::string>;

TEST(SafeFileName, KeepsOrdinaryNamesAndMakesOthersOneComponent) {
  const struct {
    std::string name, extension, expected;
  } cases[] = {{"Song", ".mp3", "Song.mp3"},
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
               {"  Song  ", ".mp3 ", "Song  .mp3"}};
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

TEST(DownloadAsForm, OpensWithTheTitleSelectedAndTheCandidatesInOrder) {
  DownloadAsForm form("x", "Song", "月亮", "/music/", ".mp3");
  EXPECT_EQ(form.candidates(), (Names{"Song", "月亮", "x"}));
  EXPECT_EQ(form.selectedCandidate(), 0u);
  EXPECT_EQ(form.fullNameText(), "/music/Song.mp3");
  EXPECT_EQ(DownloadAsForm("x", "Song", "", "/music/", ".mp3").candidates(), (Names{"Song", "x"}));
  const DownloadAsForm noDot("", "Song", "kw", "/music/", "");
  EXPECT_EQ(noDot.candidates(), (Names{"Song", "kw", ""}));
  EXPECT_EQ(noDot.fullNameText(), "/music/Song");
}

TEST(DownloadAsForm, EveryEditRecomputesTheFullNameInsideTheFolder) {
  DownloadAsForm form("x", "Song", "月亮", "/music/", ".mp3");
  form.TypeName("abc");
  EXPECT_EQ(form.fullNameText(), "/music/abc.mp3");
  form.FolderChosen("/new");
  EXPECT_EQ(form.pathText(), "/new/");
  EXPECT_EQ(form.fullNameText(), "/new/abc.mp3");
  EXPECT_EQ(form.BrowseStartFolder(), "/new");
  form.ChooseCandidate(1);
  EXPECT_EQ(form.fullNameText(), "/new/月亮.mp3");
  form.TypeName("../../etc/passwd");
  EXPECT_EQ(form.fullNameText(), "/new/.._.._etc_passwd.mp3");
  form.TypeName("");
  EXPECT_EQ(form.fullNameText(), "/new/.mp3");
  form.SetPathText("/typed");
  EXPECT_EQ(form.fullNameText(), "/typed/.mp3");
}

TEST(DownloadAsForm, OkRefusesMoreThan256CharactersAndShowingAgainKeepsOnlyTheFolder) {
  DownloadAsForm form("x", "Song", "", "/music/", ".mp3");
  std::string folder = "/";
  for (int i = 0; i < 250; ++i) folder += "歌";
  form.FolderChosen(folder);
  form.TypeName("");  // 252 + 4 characters
  EXPECT_EQ(form.Accept(), Accept::kAccepted);
  form.TypeName("a");
  EXPECT_EQ(form.Accept(), Accept::kFullNameTooLong);
  EXPECT_EQ(form.fullName(), folder + "/.mp3");
  form.FolderChosen("/new");
  form.TypeName("abc");
  ASSERT_EQ(form.Accept(), Accept::kAccepted);
  EXPECT_EQ(form.fullName(), "/new/abc.mp3");
  form.Open();
  EXPECT_EQ(form.nameText(), "Song");
  EXPECT_EQ(form.fullNameText(), "/new/Song.mp3");
}
