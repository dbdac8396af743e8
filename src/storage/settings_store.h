#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/write_gate.h"
#include "storage/app_settings.h"
#include "storage/profile.h"
#include "storage/settings_batch.h"

namespace vexon::storage {

inline constexpr std::string_view kSettingsFileName = "vudez.ini";
inline constexpr std::string_view kDownloadsFolderName = "Downloads";

inline constexpr std::string_view kSystemSection = "System";
inline constexpr std::string_view kDefaultMusicPathKey = "DefaultMusicPath";
inline constexpr std::string_view kTitleDownKey = "TitleDown";
inline constexpr std::string_view kMaxDownloadThreadsKey = "MaxDownloadThreads";
inline constexpr std::string_view kMaxDownloadSpeedKey = "MaxDownloadSpeed";
inline constexpr std::string_view kBaiduHostKey = "BaiduHost";
inline constexpr std::string_view kYahooHostKey = "YahooHost";
inline constexpr std::string_view kArchiveUrlKey = "ArchiveUrl";
inline constexpr std::string_view kSourcesKey = "Sources";
inline constexpr std::string_view kColumnsSection = "Columns";
inline constexpr std::string_view kSiteUrlKey = "SiteUrl";
// The texts' language: "auto" (or none), "zh", "en".
inline constexpr std::string_view kLanguageKey = "Language";
// 1 (or absent): completions and failures reach the desktop's notices; 0: not.
inline constexpr std::string_view kNotifyKey = "Notify";
inline constexpr std::string_view kSearchHistorySection = "SearchTextHistory";
inline constexpr std::string_view kCompletedSection = "Mp3_completed";
inline constexpr std::string_view kReservedAdvSection = "Mp3_adv";
// The main window's place: Left, Top, Width, Height (its inside, in the desktop's
// pixels) and Maximized.
inline constexpr std::string_view kWindowSection = "Window";
// Every section the program writes for itself; no download record may take one of
// these names, and none of them reads as a download.
inline constexpr std::string_view kOwnSections[] = {kSystemSection,      kSearchHistorySection, kCompletedSection,
                                                    kReservedAdvSection, kColumnsSection,       kWindowSection};
inline constexpr std::string_view kMaxItemsKey = "MaxItems";
inline constexpr const char* kHistoryItemKeyFormat = "ItemText%zu";
inline constexpr const char* kCompletedItemKeyFormat = "Item%zu";
inline constexpr std::string_view kUrlKey = "URL";
inline constexpr std::string_view kSizeKey = "Size";
inline constexpr std::string_view kSha1Key = "SHA1";
inline constexpr std::string_view kMd5Key = "MD5";

// Read buffers, in bytes of the file's code page (longer values are cut to fit).
inline constexpr size_t kPathBufferSize = 256;
inline constexpr size_t kRecordBufferSize = 1024;
// A download record keeps URLs up to this many bytes, and its reader's buffer holds
// them whole; longer ones are refused before a download starts (web servers refuse
// request lines past about 8 KB anyway).
inline constexpr size_t kMaxRecordUrlBytes = 8192;
inline constexpr size_t kRecordUrlBufferSize = kMaxRecordUrlBytes + 1;
inline constexpr size_t kSectionNamesBufferSize = 63530;
// SaveCompletedLog always writes this many "Item%d" keys.
inline constexpr size_t kCompletedKeyCount = 200;

// WriteDownloadRecord modes.
inline constexpr int kWriteDownloadRecord = 1;
inline constexpr int kRemoveDownloadRecord = 2;

// The parts of a stored full path: the file name after the last "/" and the folder
// up to and including it. A path without "/" is split at its last "\" instead, so
// records written under the original platform's conventions still show a name.
std::string FileNameOfPath(std::string_view path);
std::string FolderOfPath(std::string_view path);
// The text after the last "." of the full path, or the whole path without one.
std::string TypeOfPath(std::string_view path);

// Where the main window was when it closed. The numbers are kept as they are; the
// window decides whether they still fit a screen.
struct WindowPlacement {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool maximized = false;

  bool operator==(const WindowPlacement&) const = default;
};
// Coordinates beyond this (either sign) and sizes beyond it or below 1 are no place
// of a window.
inline constexpr int kLargestWindowCoordinate = 100000;

// An unfinished download as its record keeps it, with what its partial file
// holds when the record is read.
struct DownloadRecord {
  std::string fullName;
  std::string url;
  std::string sizeText;
  uint64_t partialBytes = 0;
  std::string digest{};  // "sha1=HEX" or "md5=HEX" from the SHA1 or MD5 key; empty: none
};

// A file of the downloaded-files log that is still there.
struct CompletedRecord {
  std::string path;
  uint64_t size = 0;
};

// The lists the start-up reads.
struct StoredLists {
  std::vector<std::string> history;        // newest first
  std::vector<CompletedRecord> completed;  // oldest first
  std::vector<DownloadRecord> downloads;
};

// True for the names that are never an unfinished download: the empty name and
// the program's own sections (compared ignoring ASCII case, as the file does).
bool IsReservedSectionName(std::string_view name);

// The options, the search history, the downloaded-files log and the unfinished
// downloads in the settings file "vudez.ini" of the start-up directory. Errors of
// the file are not reported to the user; writers return false when nothing could be
// written, which callers may ignore.
class SettingsStore final {
 public:
  // `defaultDownloads` is the download folder when the file names none; empty for
  // "Downloads" in the start-up directory.
  SettingsStore(Profile& profile, std::filesystem::path startDir, std::filesystem::path defaultDownloads = {});

  static std::filesystem::path SettingsPath(const std::filesystem::path& startDir);

  // Download records and the downloaded-files log then leave through `batch` (see
  // SettingsBatch); without one every write is made before it returns.
  void UseBatch(SettingsBatch* batch) { batch_ = batch; }
  // The ticket of the latest batched write, 0 without a batch.
  uint64_t lastWriteTicket() const { return batch_ ? batch_->lastTicket() : 0; }
  // Where a thread waits for batched writes; nullptr without a batch.
  core::WriteGate* writeGate() const { return batch_; }
  // Batched writes made while it lives leave in one replacement of the file.
  class WriteHold final {
   public:
    explicit WriteHold(SettingsBatch* batch) : batch_(batch) {
      if (batch_) batch_->Hold();
    }
    ~WriteHold() {
      if (batch_) batch_->Release();
    }
    WriteHold(const WriteHold&) = delete;
    WriteHold& operator=(const WriteHold&) = delete;

   private:
    SettingsBatch* batch_;
  };
  WriteHold HoldWrites() const { return WriteHold(batch_); }

  const std::filesystem::path& startDir() const { return startDir_; }

  // Only MaxDownloadThreads (default 3, brought into 1..10): sizes the slot pool.
  void ReadMaxDownloadThreads(AppSettings& settings) const;

  // Fills the settings and the stored lists, in the order the start-up needs.
  // Values outside the dialog's ranges are brought into them. A missing or
  // non-folder download folder is replaced by the default one, created when
  // missing.
  void LoadSettings(AppSettings& settings, StoredLists& lists);

  // Only the history and its maximum, for a front end that records searches without
  // the rest of the start-up (vexon-cli).
  void LoadSearchHistory(AppSettings& settings, std::vector<std::string>& history) const;
  // Only the service hosts and the maker's site (never written by the program).
  void LoadServiceHosts(AppSettings& settings) const;
  // System/Language as written; empty when absent.
  std::string LoadLanguage() const;

  bool SaveDefaultMusicPath(const AppSettings& settings);
  bool SaveTitleDown(const AppSettings& settings);
  bool SaveLanguage(const AppSettings& settings);
  bool SaveNotify(const AppSettings& settings);
  // The services searches ask, as a comma list.
  bool SaveSources(const std::string& sources);
  // A list's column widths as kept under [Columns] (see core::ColumnWidthsText);
  // `list` names the list ("Results", "Downloads", "Completed").
  std::string ReadColumnWidths(std::string_view list) const;
  bool SaveColumnWidths(std::string_view list, std::string_view widths);
  // The [Window] values; nothing when one is missing, not a whole number, or out of
  // range (Maximized is 0 or 1).
  std::optional<WindowPlacement> ReadWindowPlacement() const;
  bool SaveWindowPlacement(const WindowPlacement& placement);
  bool SaveMaxDownloadThreads(const AppSettings& settings);
  bool SaveMaxDownloadSpeed(const AppSettings& settings);
  // "ItemText%d" for every entry in list order, then MaxItems; keys past the list
  // keep what they held.
  bool SaveSearchHistory(const std::vector<std::string>& entries, const AppSettings& settings);
  // Always the 200 "Item%d" keys (the paths, oldest first, then empty values), then
  // MaxItems.
  // `removed`: what this process took out of the log, so that the entries another
  // process added to the file meanwhile are kept and only those.
  bool SaveCompletedLog(const std::vector<std::string>& paths, const std::unordered_set<std::string>& removed,
                        const AppSettings& settings);
  // Whether a download record can keep `url` whole.
  static bool FitsDownloadRecord(std::string_view url);
  // Mode 1 writes URL and Size into the section named `path`; mode 2 removes that
  // section. False for another mode, for a reserved name, for a URL that does not
  // fit, or when the file refuses the name (one holding a line break or NUL).
  // `digest` ("sha1=HEX" or "md5=HEX"; empty: none) is kept as the key SHA1 or MD5.
  bool WriteDownloadRecord(std::string_view path, std::string_view url, std::string_view size, int mode,
                           std::string_view digest = {});

 private:
  static void ReadSearchHistory(const IniDocument& file, AppSettings& settings, std::vector<std::string>& history);
  static void ReadServiceHosts(const IniDocument& file, AppSettings& settings);
  std::filesystem::path Resolve(std::string_view path) const;
  void LoadDownloadFolder(const IniDocument& file, AppSettings& settings);
  void LoadCompletedLog(const IniDocument& file, const AppSettings& settings,
                        std::vector<CompletedRecord>& completed) const;
  void LoadUnfinishedDownloads(const IniDocument& file, std::vector<DownloadRecord>& downloads) const;

  // Writes entries of one section, batched when there is a batch.
  bool WriteSection(std::string_view section, const Profile::Entries& entries);

  Profile& profile_;
  SettingsBatch* batch_ = nullptr;
  std::filesystem::path startDir_;
  std::filesystem::path defaultDownloads_;
};

}  // namespace vexon::storage
