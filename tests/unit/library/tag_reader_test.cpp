#include "library/tag_reader.h"

#include <gtest/gtest.h>

#include <id3v2tag.h>
#include <mpegfile.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/list_schemas.h"
#include "core/message_loop.h"
#include "fakes/ports.h"
#include "library/completed_log.h"
#include "library/tag_cache.h"
#include "support/audio_files.h"
#include "support/test_files.h"

namespace vexon::library {
namespace {

using vexon::testing::PatternBytes;
using vexon::testing::ReadBytes;
using vexon::testing::TempDir;
using vexon::testing::WriteBytes;
namespace fs = std::filesystem;

TEST(TagCache, HitsOnlyWhileSizeAndTimeStay) {
  const auto now = fs::file_time_type::clock::now();
  const FileStamp stamp{1000, now};
  const AudioTags tags{"artist", "title", "album", 61};
  TagCache cache;
  cache.Store("/music/a.mp3", stamp, tags);
  cache.Store("/music/none.mp3", stamp, std::nullopt);
  struct Case {
    const char* name;
    const char* path;
    FileStamp stamp;
    bool hit;
    std::optional<AudioTags> tags;
  };
  const std::vector<Case> cases = {
      {"same size and time", "/music/a.mp3", stamp, true, tags},
      {"known to have no tags", "/music/none.mp3", stamp, true, std::nullopt},
      {"size changed", "/music/a.mp3", {1001, now}, false, std::nullopt},
      {"time changed", "/music/a.mp3", {1000, now + std::chrono::seconds(1)}, false, std::nullopt},
      {"never stored", "/music/b.mp3", stamp, false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TagCache::Entry* entry = cache.Lookup(c.path, c.stamp);
    ASSERT_EQ(entry != nullptr, c.hit);
    if (entry) {
      EXPECT_EQ(entry->tags, c.tags);
    }
  }
  // A newer reading replaces the old one.
  const FileStamp later{2000, now};
  cache.Store("/music/a.mp3", later, AudioTags{"other", "", "", -1});
  EXPECT_EQ(cache.Lookup("/music/a.mp3", stamp), nullptr);
  ASSERT_NE(cache.Lookup("/music/a.mp3", later), nullptr);
  EXPECT_EQ(cache.Lookup("/music/a.mp3", later)->tags->artist, "other");
  EXPECT_EQ(cache.size(), 2u);
}

// Silent frames tagged with an ID3v2 title.
void WriteTaggedMp3(const fs::path& path, const std::string& title) {
  WriteBytes(path, vexon::testing::SilentMp3(20));
  TagLib::MPEG::File file(path.c_str());
  file.ID3v2Tag(true)->setTitle(TagLib::String(title, TagLib::String::UTF8));
  ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2));
}

// Records batches on the owner thread; read it there, or after the loop ended.
class RecordingListener final : public TagsListener {
 public:
  void TagsRead(std::span<const TagResult> results) override {
    batchSizes.push_back(results.size());
    for (const TagResult& result : results) {
      ++counts[result.path.string()];
      tags[result.path.string()] = result.tags;
    }
  }
  std::vector<size_t> batchSizes;
  std::map<std::string, int> counts;
  std::map<std::string, std::optional<AudioTags>> tags;
};

class TagReaderTest : public ::testing::Test {
 protected:
  // 200 paths: a quarter each tagged mp3, not audio, damaged mp3 and missing.
  std::vector<fs::path> MakeFiles() {
    std::vector<fs::path> paths;
    for (int i = 0; i < 200; ++i) {
      const std::string n = std::to_string(i);
      switch (i % 4) {
        case 0: WriteTaggedMp3(paths.emplace_back(dir / ("song" + n + ".mp3")), "title " + n); break;
        case 1: WriteBytes(paths.emplace_back(dir / ("notes" + n + ".txt")), "text"); break;
        case 2: WriteBytes(paths.emplace_back(dir / ("broken" + n + ".mp3")), PatternBytes(512, i)); break;
        default: paths.push_back(dir / ("missing" + n + ".mp3")); break;
      }
    }
    return paths;
  }
  // Waits until `done` holds on the owner thread (by default: every asked-for path
  // was reported).
  void WaitUntilRead(const std::function<bool()>& done = {}) {
    for (int i = 0; i < 6000; ++i) {
      bool met = false;
      loop.Invoke([&] { met = done ? done() : reader->pending() == 0; });
      if (met) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    FAIL() << "tags never arrived";
  }
  // The reader goes on the owner thread, while the loop still runs.
  ~TagReaderTest() override {
    loop.Invoke([&] { reader.reset(); });
  }

  TempDir dir;
  RecordingListener listener;
  core::MessageLoop loop;
  std::unique_ptr<TagReader> reader;
};

TEST_F(TagReaderTest, ReportsEveryPathOnceInBatchesAndFillsTheCache) {
  const std::vector<fs::path> paths = MakeFiles();
  std::thread::id owner;
  loop.Invoke([&] {
    owner = std::this_thread::get_id();
    reader = std::make_unique<TagReader>(loop, listener);
    reader->Read(paths);
  });
  WaitUntilRead();
  loop.Invoke([&] {
    ASSERT_EQ(listener.counts.size(), paths.size());
    for (const auto& [path, count] : listener.counts) EXPECT_EQ(count, 1) << path;
    size_t reported = 0;
    for (const size_t size : listener.batchSizes) {
      EXPECT_GE(size, 1u);
      EXPECT_LE(size, TagReader::kBatchFiles);
      reported += size;
    }
    EXPECT_EQ(reported, paths.size());
    for (size_t i = 0; i < paths.size(); i += 4) {
      const std::optional<AudioTags>& tags = listener.tags[paths[i].string()];
      ASSERT_TRUE(tags.has_value()) << paths[i];
      EXPECT_EQ(tags->title, "title " + std::to_string(i));
      EXPECT_FALSE(listener.tags[paths[i + 1].string()].has_value());
      EXPECT_FALSE(listener.tags[paths[i + 3].string()].has_value());
    }
    // Every file that is there is cached, tags or not; missing ones are not.
    EXPECT_EQ(reader->cache().size(), 150u);
    EXPECT_NE(reader->cache().Find(paths[0]), nullptr);
    EXPECT_NE(reader->cache().Find(paths[1]), nullptr);
    EXPECT_EQ(reader->cache().Find(paths[3]), nullptr);
  });
}

TEST_F(TagReaderTest, AnswersUnchangedFilesFromTheCache) {
  const fs::path same = dir / "same.mp3";
  const fs::path changed = dir / "changed.mp3";
  WriteTaggedMp3(same, "first");
  WriteTaggedMp3(changed, "first");
  loop.Invoke([&] {
    reader = std::make_unique<TagReader>(loop, listener);
    reader->Read({same, changed});
  });
  WaitUntilRead();

  // New tags of the same size under the old time stay unseen; a new size is read.
  const auto time = fs::last_write_time(same);
  std::string bytes = ReadBytes(same);
  const size_t at = bytes.find("first");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 5, "other");
  WriteBytes(same, bytes);
  fs::last_write_time(same, time);
  WriteTaggedMp3(changed, "second, longer");

  loop.Invoke([&] { reader->Read({same, changed}); });
  WaitUntilRead();
  loop.Invoke([&] {
    EXPECT_EQ(listener.counts[same.string()], 2);
    EXPECT_EQ(listener.counts[changed.string()], 2);
    EXPECT_EQ(listener.tags[same.string()]->title, "first");
    EXPECT_EQ(listener.tags[changed.string()]->title, "second, longer");
  });
}

TEST_F(TagReaderTest, DestroyedMidReadEndsWithoutHanging) {
  const std::vector<fs::path> files = MakeFiles();
  std::vector<fs::path> paths;
  for (int round = 0; round < 10; ++round) paths.insert(paths.end(), files.begin(), files.end());
  struct Case {
    const char* name;
    bool shutDownFirst;  // the channel already refuses what the thread sends
  };
  for (const Case& c : {Case{"on the owner thread", false}, Case{"after the loop shut down", true}}) {
    SCOPED_TRACE(c.name);
    auto owner = std::make_unique<core::MessageLoop>();
    RecordingListener heard;
    std::unique_ptr<TagReader> doomed;
    owner->Invoke([&] {
      doomed = std::make_unique<TagReader>(*owner, heard);
      doomed->Read(paths);
    });
    if (c.shutDownFirst) {
      owner->Shutdown();
      doomed.reset();
    } else {
      owner->Invoke([&] { doomed.reset(); });
      owner->Shutdown();
    }
    size_t reported = 0;
    for (const size_t size : heard.batchSizes) reported += size;
    EXPECT_LE(reported, paths.size());
  }
}

class NoMoveDialog final : public MoveFileDialog {
 public:
  bool Show(MoveFileForm&) override { return false; }
};

// The log shows what the tags say once they arrive, and its filter looks at them.
TEST_F(TagReaderTest, TheLogShowsTagsAndFiltersByThem) {
  const fs::path tagged = dir / "01.mp3";
  WriteTaggedMp3(tagged, "Yesterday");
  WriteBytes(dir / "02.mp3", PatternBytes(512, 2));
  WriteBytes(dir / "03.txt", "text");
  storage::Profile profile(dir / "vudez.ini");
  storage::SettingsStore store(profile, dir.path());
  storage::AppSettings settings;
  core::ListTable completed{core::kCompletedColumns};
  test::RecordingPrompter prompter;
  test::RecordingShell shell;
  NoMoveDialog moveDialog;
  std::unique_ptr<CompletedLog> log;
  const auto title = [&](size_t row) { return completed.Cell(row, core::kLogTitle); };
  loop.Invoke([&] {
    log = std::make_unique<CompletedLog>(completed, settings, store, prompter, shell, moveDialog, dir.path(),
                                         text::Translator{}, &loop);
    log->Load({{tagged.string(), 1}, {(dir / "02.mp3").string(), 1}, {(dir / "03.txt").string(), 1}});
    log->SetFilter("yesterday");
    EXPECT_EQ(completed.rowCount(), 0u);  // not read yet
  });
  WaitUntilRead([&] { return log->tagsPending() == 0; });
  loop.Invoke([&] {
    ASSERT_EQ(completed.rowCount(), 1u);
    EXPECT_EQ(title(0), "Yesterday");
    log->SetFilter("");
    ASSERT_EQ(completed.rowCount(), 3u);
    EXPECT_EQ(title(1) + title(2), "");  // damaged, and not audio
    // A newly logged file is read too.
    const fs::path next = dir / "04.mp3";
    WriteTaggedMp3(next, "Help");
    log->AddLogItem(next.string(), "1");
  });
  WaitUntilRead([&] { return !title(3).empty(); });
  loop.Invoke([&] {
    EXPECT_EQ(title(3), "Help");
    log.reset();
  });
}

}  // namespace
}  // namespace vexon::library
