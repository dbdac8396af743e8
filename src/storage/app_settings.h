#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace vexon::storage {

// Defaults when a key is absent, and the ranges the System Options dialog enforces.
inline constexpr unsigned kDefaultTitleDown = 1;
inline constexpr unsigned kDefaultMaxDownloadThreads = 3;
inline constexpr unsigned kDefaultMaxDownloadSpeed = 0;
inline constexpr unsigned kDefaultSearchHistoryMaxItems = 10;
inline constexpr unsigned kDefaultCompletedMaxItems = 200;

inline constexpr unsigned kDownloadThreadsMin = 1;
inline constexpr unsigned kDownloadThreadsMax = 10;
inline constexpr unsigned kDownloadSpeedMin = 0;
inline constexpr unsigned kDownloadSpeedMax = 1000;
inline constexpr unsigned kSearchHistoryItemsMin = 5;
inline constexpr unsigned kSearchHistoryItemsMax = 20;
inline constexpr unsigned kCompletedItemsMin = 50;
inline constexpr unsigned kCompletedItemsMax = 200;
// The folder as stored (with its trailing "/") must read back whole from the
// settings file's 256-byte buffer: at most 255 bytes of GB18030.
inline constexpr size_t kFolderCharactersMax = 255;

// The process-wide options, read from the settings file and written through by
// SettingsStore. Owned by the owner thread; only MaxDownloadSpeed is also read by
// the download workers, hence atomic.
struct AppSettings {
  std::string DefaultMusicPath;  // ends in "/"
  bool TitleDown = kDefaultTitleDown != 0;
  unsigned MaxDownloadThreads = kDefaultMaxDownloadThreads;
  std::atomic<unsigned> MaxDownloadSpeed{kDefaultMaxDownloadSpeed};  // KB/s per file, 0 = none
  unsigned SearchHistoryMaxItems = kDefaultSearchHistoryMaxItems;
  unsigned CompletedMaxItems = kDefaultCompletedMaxItems;

  // Search service and web site addresses; read only, empty when absent.
  std::string baiduHost;
  std::string yahooHost;
  std::string archiveUrl;
  std::string sources;  // a comma list of service names
  std::string siteUrl;
  // System/Language as written ("auto", "zh", "en"; anything else reads as auto). It
  // takes effect at the next start.
  std::string language;
  // System/Notify: completions and failures told by the desktop outside the window.
  bool Notify = true;

  AppSettings() = default;
  AppSettings(const AppSettings& other) { *this = other; }
  AppSettings& operator=(const AppSettings& other) {
    if (this == &other) return *this;
    DefaultMusicPath = other.DefaultMusicPath;
    TitleDown = other.TitleDown;
    MaxDownloadThreads = other.MaxDownloadThreads;
    MaxDownloadSpeed.store(other.MaxDownloadSpeed.load());
    SearchHistoryMaxItems = other.SearchHistoryMaxItems;
    CompletedMaxItems = other.CompletedMaxItems;
    baiduHost = other.baiduHost;
    yahooHost = other.yahooHost;
    archiveUrl = other.archiveUrl;
    sources = other.sources;
    siteUrl = other.siteUrl;
    language = other.language;
    Notify = other.Notify;
    return *this;
  }
};

// Brings a value into [low, high].
constexpr unsigned ClampSetting(unsigned value, unsigned low, unsigned high) {
  return value < low ? low : (value > high ? high : value);
}

}  // namespace vexon::storage
