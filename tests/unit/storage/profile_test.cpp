#include "storage/profile.h"
#include "storage/ini_document.h"
#include "storage/settings_batch.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/test_files.h"
#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::storage {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using text::Format;
using text::Gb18030FromUtf8;

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

  // A batch that fails halfway, after its removal, changes neither the file nor
  // what the next read gives, though the document is edited in place.
  const Profile::SectionEdits halfway = {{"S", true, {}, {}}, {"T", false, {}, [](const IniDocument&) {
                                                                 return Profile::Entries{{"bad=key", "v"}};
                                                               }}};
  EXPECT_FALSE(profile.Apply(halfway));
  EXPECT_EQ(ReadBytes(dir / "vudez.ini"), before);
  EXPECT_EQ(profile.GetString("S", "K", "gone", 256), "v");
  // A reader's document stays as it was read while later writes go on.
  const std::shared_ptr<const IniDocument> held = profile.Read();
  ASSERT_TRUE(profile.WriteString("S", "K", "w"));
  ASSERT_TRUE(profile.WriteString("S", "K", "x"));
  EXPECT_EQ(held->GetString("S", "K", "", 256), "v");
  EXPECT_EQ(profile.GetString("S", "K", "", 256), "x");
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

// A hand-edited file: mixed case, a duplicate section, comments, blank lines,
// stray text, quotes, blanks around keys and values, an entry before any section.
const std::string kHandEdited =
    "; settings\r\n"
    "orphan=before any section\r\n"
    "\r\n"
    "[System]\r\n"
    "  DefaultMusicPath =  /music/  \r\n"
    "\tTitleDown\t=\t0\r\n"
    "[system]\r\n"
    "TitleDown=1\r\n"
    "Extra=only in the duplicate\r\n"
    "[ SearchTextHistory ] ; trailing words\r\n"
    "ITEMTEXT0=  hello world  \r\n"
    "ItemText1=\r\n"
    "; Commented=out\r\n"
    "stray text without an equals sign\r\n"
    "Quoted=\"  padded  \"\r\n"
    "Single='x'\r\n"
    "Half=\"x\r\n"
    "Num=42abc\r\n"
    "Neg=-5\r\n"
    "Empty=\r\n"
    "Big=99999999999999999999\r\n"
    "[Mp3_adv]\r\n";

struct StringCase {
  const char* section;
  const char* key;
  const char* defaultValue;
  std::string expected;
};

// Changes under a hold leave in one replacement of the file, the last change of a
// section winning; a write that fails keeps its changes until one succeeds; the
// batch's end writes what is still pending.
TEST(SettingsBatchWrites, ChangesMergeLeaveTogetherAndSurviveAFailedWrite) {
  TempDir dir;
  const auto path = dir.path() / "later" / "vudez.ini";  // no folder yet: writes fail
  Profile profile(path);
  {
    SettingsBatch batch(profile);
    batch.Hold();
    for (int i = 0; i < 200; ++i) batch.SetKeys(Format("/m/%d.mp3", i % 50), {{"URL", Format("u%d", i)}});
    batch.SetKeys("Gone", {{"URL", "x"}});
    // Keys merge ignoring case and keep their first spelling; values change length.
    batch.SetKeys("Sized", {{"size", "1"}, {"Empty", ""}});
    batch.SetKeys("sized", {{"SIZE", "22222"}, {"URL", "v"}, {"empty", ""}});
    const uint64_t last = batch.RemoveSection("GONE");
    batch.Compose("Mp3_completed", [](const IniDocument& onDisk) {
      return Profile::Entries{{"Item0", onDisk.GetString("System", "Seen", "none", 64)}};
    });
    EXPECT_EQ(batch.writeCount(), 0u);
    batch.Release();
    EXPECT_FALSE(batch.WaitWritten(last, [] { return false; }));
    EXPECT_FALSE(batch.Flush());
    EXPECT_FALSE(std::filesystem::exists(path));

    std::filesystem::create_directories(path.parent_path());
    WriteBytes(path, "[System]\r\nSeen=yes\r\n");
    ASSERT_TRUE(batch.Flush());
    const uint64_t writes = batch.writeCount();
    const auto file = profile.Read();
    EXPECT_EQ(file->GetString("/m/49.mp3", "URL", "", 64), "u199");
    EXPECT_EQ(file->GetString("/m/0.mp3", "URL", "", 64), "u150");
    EXPECT_EQ(file->GetString("Gone", "URL", "<none>", 64), "<none>");
    EXPECT_NE(ReadBytes(path).find("[Sized]\r\nsize=22222\r\nEmpty=\r\nURL=v\r\n"), std::string::npos);
    EXPECT_EQ(file->GetString("Mp3_completed", "Item0", "", 64), "yes");  // composed from the file on disk
    EXPECT_TRUE(batch.WaitWritten(last, [] { return false; }));
    EXPECT_TRUE(batch.Flush());  // nothing pending: no write
    EXPECT_EQ(batch.writeCount(), writes);
    // A waiter whose ticket never comes is let go by its stop.
    EXPECT_FALSE(batch.WaitWritten(last + 100, [] { return true; }));
    batch.Hold();
    batch.SetKeys("Last", {{"Key", "kept"}});
  }
  EXPECT_EQ(profile.Read()->GetString("Last", "Key", "", 64), "kept");
}

TEST(IniDocumentRead, HandEditedFileReadsAsThePlatformWould) {
  const IniDocument doc = IniDocument::Parse(kHandEdited);
  const std::vector<StringCase> cases = {
      {"System", "DefaultMusicPath", "d", "/music/"},
      {"SYSTEM", "defaultmusicpath", "d", "/music/"},
      {" System ", " DefaultMusicPath ", "d", "/music/"},
      {"system", "TitleDown", "d", "0"},    // the first section wins
      {"System", "Extra", "dflt", "dflt"},  // the duplicate is never reached
      {"searchtexthistory", "ItemText0", "d", "hello world"},
      {"SearchTextHistory", "ItemText1", "d", ""},  // present but empty: not the default
      {"SearchTextHistory", "Commented", "d", "d"},
      {"SearchTextHistory", "; Commented", "d", "d"},
      {"SearchTextHistory", "stray text without an equals sign", "d", "d"},
      {"SearchTextHistory", "Quoted", "d", "  padded  "},
      {"SearchTextHistory", "Single", "d", "x"},
      {"SearchTextHistory", "Half", "d", "\"x"},
      {"", "orphan", "d", "d"},                      // before any section: unreachable
      {"Missing", "Key", "fallback  ", "fallback"},  // trailing blanks of a default go
      {"Mp3_adv", "Anything", "", ""}};
  for (const StringCase& c : cases) {
    EXPECT_EQ(doc.GetString(c.section, c.key, c.defaultValue, 256), c.expected) << "[" << c.section << "] " << c.key;
  }
}

TEST(IniDocumentRead, ValuesAreCutToTheBufferOnWholeCharacters) {
  const IniDocument doc = IniDocument::Parse(
      Gb18030FromUtf8("[S]\r\nAscii=abcdef\r\nHan=中文字\r\nMixed=a中\r\nFour=\xF0\x9F\x98\x80x\r\n"));
  struct CutCase {
    const char* key;
    size_t buffer;
    std::string expected;
  };
  // Buffers count GB18030 bytes plus the NUL: a Han character takes two, 😀 four.
  const std::vector<CutCase> cases = {{"Ascii", 4, "abc"}, {"Ascii", 7, "abcdef"},
                                      {"Ascii", 1, ""},    {"Ascii", 0, ""},
                                      {"Han", 6, "中文"},  {"Han", 7, "中文字"},
                                      {"Han", 2, ""},      {"Mixed", 3, "a"},
                                      {"Mixed", 4, "a中"}, {"Four", 5, "\xF0\x9F\x98\x80"},
                                      {"Four", 4, ""},     {"Four", 6, "\xF0\x9F\x98\x80x"}};
  for (const CutCase& c : cases) {
    EXPECT_EQ(doc.GetString("S", c.key, "", c.buffer), c.expected) << c.key << " " << c.buffer;
  }
  EXPECT_EQ(doc.GetString("S", "Missing", "defaultvalue", 4), "def");
}

// GBK trail bytes that look like brackets do not split names; invalid bytes read as U+FFFD.
TEST(IniDocumentRead, NamesAndValuesDecodeAsGb18030) {
  // 乚 is 81 5D ("]" as its second byte), 乕 is 81 5B ("["), 乗 is 81 5C ("\").
  const IniDocument doc =
      IniDocument::Parse(Gb18030FromUtf8("[D:\\乗\\乚乕.mp3]\r\nURL=http://h/乚.mp3\r\n") + "[S]\r\nA=x\xFFy\r\n");
  EXPECT_EQ(doc.SectionNames(63530), (std::vector<std::string>{"D:\\乗\\乚乕.mp3", "S"}));
  EXPECT_EQ(doc.GetString("D:\\乗\\乚乕.mp3", "URL", "", 1024), "http://h/乚.mp3");
  EXPECT_EQ(doc.GetString("S", "A", "", 256), "x\xEF\xBF\xBDy");
}

struct EditCase {
  const char* name;
  std::string before;
  std::string section;
  std::string key;
  std::string value;
  std::string after;
};

TEST(IniDocumentWrite, SetStringChangesOnlyItsLine) {
  const std::vector<EditCase> cases = {
      {"creates section and key in an empty file", "", "System", "Key", "v", "[System]\r\nKey=v\r\n"},
      {"replaces a value, keeps the key's spelling and every other line",
       "; c\r\n[S]\r\n A = 1 \r\nB=2\r\n\r\nstray\r\n[T]\r\nX=1\r\n", "s", "a", "9",
       "; c\r\n[S]\r\nA=9\r\nB=2\r\n\r\nstray\r\n[T]\r\nX=1\r\n"},
      {"adds a key after the section's last entry", "[S]\r\nA=1\r\nB=2\r\n\r\nstray\r\n[T]\r\nX=1\r\n", "S", "C", "3",
       "[S]\r\nA=1\r\nB=2\r\nC=3\r\n\r\nstray\r\n[T]\r\nX=1\r\n"},
      {"adds a key right after the header of an empty section", "[S]\r\n; note\r\n[T]\r\n", "S", "K", "v",
       "[S]\r\nK=v\r\n; note\r\n[T]\r\n"},
      {"writes CR LF into a file of LF lines", "[S]\nA=1\n", "S", "B", "2", "[S]\r\nA=1\r\nB=2\r\n"},
      {"ends an unterminated last line", "[S]\r\nA=1", "S", "B", "2", "[S]\r\nA=1\r\nB=2\r\n"},
      {"leaves an equal value as it stands", "[S]\r\nA = 1\r\n", "S", "A", "1", "[S]\r\nA = 1\r\n"},
      {"writes to the first of duplicate sections", "[S]\r\nA=1\r\n[s]\r\nA=2\r\n", "S", "A", "3",
       "[S]\r\nA=3\r\n[s]\r\nA=2\r\n"},
      {"keeps what stands before the first section", "x=1\r\n;c\r\n", "S", "A", "1", "x=1\r\n;c\r\n[S]\r\nA=1\r\n"},
      {"keeps undecodable stray bytes", "[S]\r\n\xFF\xFE junk\r\nA=1\r\n", "S", "A", "2",
       "[S]\r\n\xFF\xFE junk\r\nA=2\r\n"},
      {"stores an empty value", "", "S", "A", "", "[S]\r\nA=\r\n"},
      {"writes Chinese as GB18030", "", "系统", "路径", "/音乐/", Gb18030FromUtf8("[系统]\r\n路径=/音乐/\r\n")},
      {"replaces a Chinese key's value under a Chinese section", Gb18030FromUtf8("[系统]\r\n 路径 = /旧/ \r\n[B]\r\n"),
       "系统", "路径", "/音乐/", Gb18030FromUtf8("[系统]\r\n路径=/音乐/\r\n[B]\r\n")},
      {"keeps brackets inside a section name", "", "/m/夜曲 [高音质].mp3", "URL", "u",
       Gb18030FromUtf8("[/m/夜曲 [高音质].mp3]\r\nURL=u\r\n")},
      {"keeps a section name that ends in ]", "[a]]\r\nK=1\r\n", "a]", "K", "2", "[a]]\r\nK=2\r\n"}};
  for (const EditCase& c : cases) {
    IniDocument doc = IniDocument::Parse(c.before);
    EXPECT_TRUE(doc.SetString(c.section, c.key, c.value)) << c.name;
    EXPECT_EQ(doc.Serialize(), c.after) << c.name;
    EXPECT_EQ(IniDocument::Parse(doc.Serialize()).GetString(c.section, c.key, "?", 1024),
              std::string(text::Trim(c.value)))
        << c.name;
  }
}

TEST(IniDocumentWrite, RemoveSectionDropsEverySectionOfThatName) {
  IniDocument doc = IniDocument::Parse(";top\r\n[A]\r\nx=1\r\n; inside A\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n[C]\r\n");
  EXPECT_EQ(doc.RemoveSection("A"), 2u);
  EXPECT_EQ(doc.Serialize(), ";top\r\n[B]\r\ny=2\r\n[C]\r\n");
  EXPECT_EQ(doc.RemoveSection("missing"), 0u);
  EXPECT_EQ(doc.Serialize(), ";top\r\n[B]\r\ny=2\r\n[C]\r\n");
  // A header is read up to its last "]".
  IniDocument odd = IniDocument::Parse("[a]b]\r\nk=v\r\n[c]\r\n");
  EXPECT_EQ(odd.SectionNames(100), (std::vector<std::string>{"a]b", "c"}));
  EXPECT_EQ(odd.RemoveSection("a]b"), 1u);
  EXPECT_EQ(odd.Serialize(), "[c]\r\n");
}

TEST(IniDocumentWrite, RefusesWhatCouldNotBeReadBackAndChangesNothing) {
  const std::string before = "[S]\r\nA=1\r\n";
  struct Refusal {
    const char* name;
    std::string section;
    std::string key;
    std::string value;
  };
  const std::vector<Refusal> cases = {{"LF in a section name", "a\nb", "K", "v"},
                                      {"CR in a section name", "a\rb", "K", "v"},
                                      {"NUL in a section name", std::string("a\0b", 3), "K", "v"},
                                      {"blank section name", "  ", "K", "v"},
                                      {"= in a key", "S", "a=b", "v"},
                                      {"blank key", "S", " ", "v"},
                                      {"key opening a section", "S", "[k", "v"},
                                      {"key opening a comment", "S", ";k", "v"},
                                      {"LF in a key", "S", "k\n", "v"},
                                      {"LF in a value", "S", "A", "a\nb"},
                                      {"CR in a value", "S", "A", "a\rb"},
                                      {"NUL in a value", "S", "A", std::string("a\0b", 3)},
                                      {"invalid UTF-8 in a value", "S", "A", "\xFF"},
                                      {"invalid UTF-8 in a section name", "\xC3", "A", "v"}};
  for (const Refusal& c : cases) {
    IniDocument doc = IniDocument::Parse(before);
    EXPECT_FALSE(doc.SetString(c.section, c.key, c.value)) << c.name;
    EXPECT_EQ(doc.Serialize(), before) << c.name;
  }
}

}  // namespace
}  // namespace vexon::storage
