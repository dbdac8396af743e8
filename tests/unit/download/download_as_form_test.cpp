#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/download_as_form.h"

using vexon::download::DownloadAsForm;
using Accept = DownloadAsForm::AcceptResult;
using Names = std::vector<std::string>;

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
