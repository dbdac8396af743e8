// Times WriteDownloadRecord on a settings file that already holds 1,000 unfinished
// downloads: mode 1 (write a record) and mode 2 (remove one), and the file's size.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/column_spec.h"
#include "core/list_schemas.h"
#include "core/list_table.h"
#include "storage/profile.h"
#include "storage/settings_store.h"
#include "text/strings.h"

namespace {

using vexon::text::Format;
using Clock = std::chrono::steady_clock;

constexpr int kRecords = 1000;
constexpr int kTimedWrites = 200;

std::string RecordPath(const std::filesystem::path& dir, int i) {
  return (dir / "Downloads" / Format("周杰伦 - 第%d首歌.mp3", i)).string();
}

std::string RecordUrl(int i) {
  return Format("http://music.example.com/files/%06d/song%d.mp3", i, i);
}

struct Figures {
  double medianMs = 0;
  double p95Ms = 0;
  double meanMs = 0;
};

Figures Summarise(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  Figures f;
  f.medianMs = ms[ms.size() / 2];
  f.p95Ms = ms[ms.size() * 95 / 100];
  double sum = 0;
  for (double v : ms) sum += v;
  f.meanMs = sum / static_cast<double>(ms.size());
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path base = argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
  std::string pattern = (base / "vexon-settings-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::filesystem::path dir = pattern;
  vexon::storage::Profile profile(vexon::storage::SettingsStore::SettingsPath(dir));
  vexon::storage::SettingsStore store(profile, dir);

  // A full file: the options, a full history and log, and 1,000 records.
  vexon::storage::AppSettings settings;
  vexon::storage::StoredLists lists;
  store.LoadSettings(settings, lists);
  std::vector<std::string> history;
  for (int i = 0; i < 20; ++i) history.push_back(Format("搜索 %d", i));
  store.SaveSearchHistory(history, settings);
  std::vector<std::string> completed;
  for (int i = 0; i < 200; ++i) completed.push_back((dir / "Downloads").string() + "/" + Format("歌曲%d.mp3", i));
  store.SaveCompletedLog(completed, {}, settings);
  for (int i = 0; i < kRecords; ++i) {
    store.WriteDownloadRecord(RecordPath(dir, i), RecordUrl(i), Format("%d", 3000000 + i), 1);
  }
  const auto fileSize = std::filesystem::file_size(profile.path());

  // Mode 1 adds a new record and mode 2 removes it again, so the file keeps its size.
  std::vector<double> mode1;
  std::vector<double> mode2;
  for (int i = 0; i < kTimedWrites; ++i) {
    const std::string path = RecordPath(dir, kRecords + i);
    auto t0 = Clock::now();
    const bool wrote = store.WriteDownloadRecord(path, RecordUrl(kRecords + i), "4096000", 1);
    auto t1 = Clock::now();
    const bool removed = store.WriteDownloadRecord(path, "", "", 2);
    auto t2 = Clock::now();
    if (!wrote || !removed) {
      std::fprintf(stderr, "write %d failed\n", i);
      return 1;
    }
    mode1.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    mode2.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
  }
  const Figures f1 = Summarise(mode1);
  const Figures f2 = Summarise(mode2);

  std::printf("settings file: %d unfinished-download sections, %ju bytes\n", kRecords,
              static_cast<uintmax_t>(fileSize));
  std::printf("WriteDownloadRecord mode 1: median %.3f ms, mean %.3f ms, p95 %.3f ms (%d writes)\n", f1.medianMs,
              f1.meanMs, f1.p95Ms, kTimedWrites);
  std::printf("WriteDownloadRecord mode 2: median %.3f ms, mean %.3f ms, p95 %.3f ms (%d writes)\n", f2.medianMs,
              f2.meanMs, f2.p95Ms, kTimedWrites);
  std::printf("goal: under 5 ms per write: %s\n", (f1.medianMs < 5 && f2.medianMs < 5) ? "met" : "missed");

  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}
