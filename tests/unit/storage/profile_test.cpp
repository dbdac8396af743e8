#include "storage/profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/test_files.h"
#include "text/strings.h"

namespace vexon::storage {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using text::Format;

std::vector<std::string> TempFilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".tmp-") != std::string::npos) names.push_back(name);
  }
  return names;
}

TEST(ProfileFile, RefusedWritesLeaveTheFileAsItWas) {
  TempDir dir;
  Profile profile(dir / "vudez.ini");
  EXPECT_FALSE(profile.WriteString("S", "K", "a\nb"));
  EXPECT_FALSE(std::filesystem::exists(dir / "vudez.ini"));
  ASSERT_TRUE(profile.WriteString("S", "K", "v"));
  const std::string before = ReadBytes(dir / "vudez.ini");
  EXPECT_FALSE(profile.WriteString("S", "K", "a\r\nInjected=1"));
  EXPECT_FALSE(profile.WriteString("S", "K", std::string("a\0b", 3)));
  EXPECT_FALSE(profile.WriteStrings("S", {{"A", "ok"}, {"B", "bad\n"}}));
  EXPECT_EQ(ReadBytes(dir / "vudez.ini"), before);
  EXPECT_EQ(profile.GetString("S", "A", "none", 256), "none");
}

TEST(ProfileFile, ALeftoverTempFileIsIgnoredAndRemovedByTheNextWrite) {
  TempDir dir;
  WriteBytes(dir / "vudez.ini", "[S]\r\nA=real\r\n");
  WriteBytes(dir / ".vudez.ini.tmp-999-deadbeef", "[S]\r\nA=torn");
  Profile profile(dir / "vudez.ini");
  EXPECT_EQ(profile.GetString("S", "A", "", 256), "real");
  ASSERT_TRUE(profile.WriteString("S", "B", "2"));
  EXPECT_TRUE(TempFilesIn(dir.path()).empty());
  EXPECT_EQ(ReadBytes(dir / "vudez.ini"), "[S]\r\nA=real\r\nB=2\r\n");
}

TEST(ProfileFile, AFileThatCannotBeReadIsNeverWrittenOver) {
  TempDir dir;
  // Oversized: reads as empty and stays as it is.
  const std::filesystem::path big = dir / "big.ini";
  WriteBytes(big, "[S]\r\nA=1\r\n");
  std::filesystem::resize_file(big, Profile::kMaxFileBytes + 1);
  Profile bigProfile(big);
  EXPECT_EQ(bigProfile.GetString("S", "A", "default", 256), "default");
  EXPECT_FALSE(bigProfile.WriteString("S", "B", "2"));
  EXPECT_EQ(std::filesystem::file_size(big), Profile::kMaxFileBytes + 1);
  // A folder in the file's place.
  std::filesystem::create_directory(dir / "folder.ini");
  Profile folderProfile(dir / "folder.ini");
  EXPECT_EQ(folderProfile.GetInt("S", "A", 7), 7u);
  EXPECT_FALSE(folderProfile.WriteString("S", "A", "1"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.ini"));
  // A FIFO must not block a read.
  ASSERT_EQ(::mkfifo((dir / "fifo.ini").c_str(), 0600), 0);
  EXPECT_EQ(Profile(dir / "fifo.ini").GetString("S", "A", "d", 256), "d");
}

// Runs `body` in a child process and returns its pid.
template <typename Body>
pid_t Spawn(Body body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  return pid;
}

// A writer killed at random moments, many times: the file always parses, holds
// every record written before its last completed write, and nothing torn.
TEST(ProfileConcurrency, KillDuringAStormOfWritesNeverTearsTheFile) {
  TempDir dir;
  const std::filesystem::path file = dir / "vudez.ini";
  {
    // Bulk, so that a write takes long enough to be hit in the middle.
    Profile seed(file);
    std::vector<std::pair<std::string, std::string>> padding;
    for (int i = 0; i < 300; ++i) padding.emplace_back(Format("Pad%d", i), std::string(100, 'p'));
    ASSERT_TRUE(seed.WriteStrings("Padding", padding));
  }
  std::mt19937 random(12345);
  int completed = -1;  // last record whose write is known to have finished
  for (int round = 0; round < 30; ++round) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const int first = completed + 1;
    const pid_t child = Spawn([&] {
      ::close(pipeFds[0]);
      Profile profile(file);
      for (int i = first;; ++i) {
        const std::string path = Format("/音乐/下载/song%d.mp3", i);
        if (!profile.WriteStrings(path, {{"URL", Format("http://h/%d.mp3", i)}, {"Size", Format("%d", i * 10)}})) {
          ::_exit(1);
        }
        const int32_t done = i;
        if (::write(pipeFds[1], &done, sizeof done) != sizeof done) ::_exit(1);
      }
    });
    ::close(pipeFds[1]);
    // Once the writer is under way, kill it at a random moment of its next writes.
    int32_t done = 0;
    if (::read(pipeFds[0], &done, sizeof done) == sizeof done) completed = std::max(completed, static_cast<int>(done));
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed on its own";
    while (::read(pipeFds[0], &done, sizeof done) == sizeof done)
      completed = std::max(completed, static_cast<int>(done));
    ::close(pipeFds[0]);

    const std::string bytes = ReadBytes(file);
    ASSERT_TRUE(text::EndsWith(bytes, "\r\n")) << "round " << round;
    const IniDocument doc = IniDocument::Parse(bytes);
    EXPECT_EQ(doc.GetString("Padding", "Pad299", "", 256), std::string(100, 'p'));
    for (int i = 0; i <= completed; ++i) {
      const std::string path = Format("/音乐/下载/song%d.mp3", i);
      ASSERT_EQ(doc.GetString(path, "URL", "", 1024), Format("http://h/%d.mp3", i)) << "round " << round;
      ASSERT_EQ(doc.GetString(path, "Size", "", 1024), Format("%d", i * 10)) << "round " << round;
    }
    // Every record present is whole: a URL never without its size.
    for (const std::string& name : doc.SectionNames(1u << 20)) {
      if (name == "Padding") continue;
      EXPECT_NE(doc.GetString(name, "Size", "", 1024), "") << name;
    }
  }
  EXPECT_GE(completed, 29);  // each round waits for one finished write, so at least one per round
  Profile last(file);
  ASSERT_TRUE(last.WriteString("S", "After", "1"));
  EXPECT_TRUE(TempFilesIn(dir.path()).empty());
}

}  // namespace
}  // namespace vexon::storage
