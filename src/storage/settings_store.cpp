#include "storage/settings_store.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <system_error>
#include <unordered_set>

#include "core/list_schemas.h"
#include "storage/buffer_cut.h"
#include "storage/completed_merge.h"
#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::storage {
namespace {

size_t LastSeparator(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash != std::string_view::npos ? slash : path.rfind('\\');
}

// A text the file can hold: valid UTF-8, and a blank in place of each CR, LF or NUL,
// so one odd entry cannot stop the rest of a list from being written.
std::string Storable(std::string_view value) {
  std::string out = text::SanitizeUtf8(value);
  for (char& c : out) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return out;
}

// Size of a regular file (symbolic links followed), or -1.
long long RegularFileSize(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<long long>(st.st_size);
}

}  // namespace

std::string FileNameOfPath(std::string_view path) {
  const size_t cut = LastSeparator(path);
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string FolderOfPath(std::string_view path) {
  const size_t cut = LastSeparator(path);
  return std::string(cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1));
}

std::string TypeOfPath(std::string_view path) {
  const size_t dot = path.rfind('.');
  return std::string(dot == std::string_view::npos ? path : path.substr(dot + 1));
}

bool IsReservedSectionName(std::string_view name) {
  const std::string_view trimmed = text::Trim(name);
  for (std::string_view reserved : kOwnSections) {
    if (text::EqualsNoCase(trimmed, reserved)) return true;
  }
  return trimmed.empty();
}

SettingsStore::SettingsStore(Profile& profile, std::filesystem::path startDir, std::filesystem::path defaultDownloads)
    : profile_(profile), startDir_(std::move(startDir)), defaultDownloads_(std::move(defaultDownloads)) {}

std::filesystem::path SettingsStore::SettingsPath(const std::filesystem::path& startDir) {
  return startDir / kSettingsFileName;
}

std::filesystem::path SettingsStore::Resolve(std::string_view path) const {
  const std::filesystem::path p(path);
  return p.is_absolute() ? p : startDir_ / p;
}

void SettingsStore::ReadMaxDownloadThreads(AppSettings& settings) const {
  settings.MaxDownloadThreads =
      ClampSetting(profile_.GetInt(kSystemSection, kMaxDownloadThreadsKey, kDefaultMaxDownloadThreads),
                   kDownloadThreadsMin, kDownloadThreadsMax);
}

void SettingsStore::LoadDownloadFolder(const IniDocument& file, AppSettings& settings) {
  std::string folder = file.GetString(kSystemSection, kDefaultMusicPathKey, "", kPathBufferSize);
  std::error_code error;
  if (!folder.empty() && std::filesystem::is_directory(Resolve(folder), error)) {
    if (folder.back() != '/') folder += '/';
    settings.DefaultMusicPath = std::move(folder);
    return;
  }
  const std::filesystem::path downloads =
      defaultDownloads_.empty() ? startDir_ / kDownloadsFolderName : defaultDownloads_;
  std::filesystem::create_directories(downloads, error);
  settings.DefaultMusicPath = downloads.string() + "/";
  SaveDefaultMusicPath(settings);
}

void SettingsStore::LoadCompletedLog(const IniDocument& file, const AppSettings& settings,
                                     std::vector<CompletedRecord>& completed) const {
  for (size_t i = 0; i < settings.CompletedMaxItems; ++i) {
    std::string path = file.GetString(kCompletedSection, text::Format(kCompletedItemKeyFormat, i), "", kPathBufferSize);
    if (path.empty()) break;
    // An entry whose file has gone is dropped without a word; the next write of the
    // log leaves it out.
    const long long size = RegularFileSize(Resolve(path));
    if (size < 0) continue;
    completed.push_back({std::move(path), static_cast<uint64_t>(size)});
  }
}

void SettingsStore::LoadUnfinishedDownloads(const IniDocument& file, std::vector<DownloadRecord>& downloads) const {
  std::unordered_set<std::string> seen;
  for (const std::string& name : file.SectionNames(kSectionNamesBufferSize)) {
    if (IsReservedSectionName(name)) continue;
    // A duplicate section reads as the first one: it would only list it twice.
    if (!seen.insert(text::AsciiLower(name)).second) continue;
    DownloadRecord record;
    record.fullName = name;
    record.url = file.GetString(name, kUrlKey, "", kRecordUrlBufferSize);
    record.sizeText = file.GetString(name, kSizeKey, "", kRecordBufferSize);
    if (std::string sha1 = file.GetString(name, kSha1Key, "", kRecordBufferSize); !sha1.empty()) {
      record.digest = "sha1=" + sha1;
    } else if (std::string md5 = file.GetString(name, kMd5Key, "", kRecordBufferSize); !md5.empty()) {
      record.digest = "md5=" + md5;
    }
    const long long partial = RegularFileSize(Resolve(name + std::string(core::kPartialSuffix)));
    record.partialBytes = partial < 0 ? 0 : static_cast<uint64_t>(partial);
    downloads.push_back(std::move(record));
  }
}

void SettingsStore::ReadSearchHistory(const IniDocument& file, AppSettings& settings,
                                      std::vector<std::string>& history) {
  settings.SearchHistoryMaxItems =
      ClampSetting(file.GetInt(kSearchHistorySection, kMaxItemsKey, kDefaultSearchHistoryMaxItems),
                   kSearchHistoryItemsMin, kSearchHistoryItemsMax);
  history.clear();
  for (size_t i = 0; i < settings.SearchHistoryMaxItems; ++i) {
    std::string entry =
        file.GetString(kSearchHistorySection, text::Format(kHistoryItemKeyFormat, i), "", kPathBufferSize);
    if (entry.empty()) break;
    history.push_back(std::move(entry));
  }
}

void SettingsStore::LoadSearchHistory(AppSettings& settings, std::vector<std::string>& history) const {
  ReadSearchHistory(*profile_.Read(), settings, history);
}

void SettingsStore::LoadSettings(AppSettings& settings, StoredLists& lists) {
  lists = StoredLists();
  // One reading of the file serves every step; the folder step writes only its key.
  const std::shared_ptr<const IniDocument> file = profile_.Read();

  LoadDownloadFolder(*file, settings);
  settings.TitleDown = file->GetInt(kSystemSection, kTitleDownKey, kDefaultTitleDown) != 0;
  settings.MaxDownloadThreads =
      ClampSetting(file->GetInt(kSystemSection, kMaxDownloadThreadsKey, kDefaultMaxDownloadThreads),
                   kDownloadThreadsMin, kDownloadThreadsMax);
  settings.MaxDownloadSpeed.store(
      ClampSetting(file->GetInt(kSystemSection, kMaxDownloadSpeedKey, kDefaultMaxDownloadSpeed), kDownloadSpeedMin,
                   kDownloadSpeedMax));
  ReadSearchHistory(*file, settings, lists.history);

  settings.CompletedMaxItems = ClampSetting(file->GetInt(kCompletedSection, kMaxItemsKey, kDefaultCompletedMaxItems),
                                            kCompletedItemsMin, kCompletedItemsMax);
  LoadCompletedLog(*file, settings, lists.completed);
  LoadUnfinishedDownloads(*file, lists.downloads);

  ReadServiceHosts(*file, settings);
  settings.language = file->GetString(kSystemSection, kLanguageKey, "", kRecordBufferSize);
  settings.Notify = file->GetInt(kSystemSection, kNotifyKey, 1) != 0;
}

void SettingsStore::LoadServiceHosts(AppSettings& settings) const {
  ReadServiceHosts(*profile_.Read(), settings);
}

std::string SettingsStore::LoadLanguage() const {
  return profile_.Read()->GetString(kSystemSection, kLanguageKey, "", kRecordBufferSize);
}

void SettingsStore::ReadServiceHosts(const IniDocument& file, AppSettings& settings) {
  settings.baiduHost = file.GetString(kSystemSection, kBaiduHostKey, "", kRecordBufferSize);
  settings.yahooHost = file.GetString(kSystemSection, kYahooHostKey, "", kRecordBufferSize);
  settings.archiveUrl = file.GetString(kSystemSection, kArchiveUrlKey, "", kRecordBufferSize);
  settings.sources = file.GetString(kSystemSection, kSourcesKey, "", kRecordBufferSize);
  settings.siteUrl = file.GetString(kSystemSection, kSiteUrlKey, "", kRecordBufferSize);
}

bool SettingsStore::SaveDefaultMusicPath(const AppSettings& settings) {
  return profile_.WriteString(kSystemSection, kDefaultMusicPathKey, Storable(settings.DefaultMusicPath));
}

bool SettingsStore::SaveSources(const std::string& sources) {
  return profile_.WriteString(kSystemSection, kSourcesKey, sources);
}

std::string SettingsStore::ReadColumnWidths(std::string_view list) const {
  return profile_.Read()->GetString(kColumnsSection, list, "", kRecordBufferSize);
}

bool SettingsStore::SaveColumnWidths(std::string_view list, std::string_view widths) {
  return profile_.WriteString(kColumnsSection, list, widths);
}

namespace {

constexpr std::string_view kLeftKey = "Left";
constexpr std::string_view kTopKey = "Top";
constexpr std::string_view kWidthKey = "Width";
constexpr std::string_view kHeightKey = "Height";
constexpr std::string_view kMaximizedKey = "Maximized";

// A whole number, with an optional "-", within [low, high].
std::optional<int> WholeNumberIn(std::string_view text, int low, int high) {
  text = text::Trim(text);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<WindowPlacement> SettingsStore::ReadWindowPlacement() const {
  const auto document = profile_.Read();
  const auto value = [&document](std::string_view key, int low, int high) {
    return WholeNumberIn(document->GetString(kWindowSection, key, "", kPathBufferSize), low, high);
  };
  const auto left = value(kLeftKey, -kLargestWindowCoordinate, kLargestWindowCoordinate);
  const auto top = value(kTopKey, -kLargestWindowCoordinate, kLargestWindowCoordinate);
  const auto width = value(kWidthKey, 1, kLargestWindowCoordinate);
  const auto height = value(kHeightKey, 1, kLargestWindowCoordinate);
  const auto maximized = value(kMaximizedKey, 0, 1);
  if (!left || !top || !width || !height || !maximized) return std::nullopt;
  return WindowPlacement{*left, *top, *width, *height, *maximized == 1};
}

bool SettingsStore::SaveWindowPlacement(const WindowPlacement& placement) {
  return profile_.WriteStrings(kWindowSection, {{std::string(kLeftKey), std::to_string(placement.left)},
                                                {std::string(kTopKey), std::to_string(placement.top)},
                                                {std::string(kWidthKey), std::to_string(placement.width)},
                                                {std::string(kHeightKey), std::to_string(placement.height)},
                                                {std::string(kMaximizedKey), placement.maximized ? "1" : "0"}});
}

bool SettingsStore::SaveLanguage(const AppSettings& settings) {
  return profile_.WriteString(kSystemSection, kLanguageKey, settings.language);
}

bool SettingsStore::SaveNotify(const AppSettings& settings) {
  return profile_.WriteString(kSystemSection, kNotifyKey, settings.Notify ? "1" : "0");
}

bool SettingsStore::SaveTitleDown(const AppSettings& settings) {
  return profile_.WriteString(kSystemSection, kTitleDownKey, settings.TitleDown ? "1" : "0");
}

bool SettingsStore::SaveMaxDownloadThreads(const AppSettings& settings) {
  return profile_.WriteString(kSystemSection, kMaxDownloadThreadsKey, text::Format("%u", settings.MaxDownloadThreads));
}

bool SettingsStore::SaveMaxDownloadSpeed(const AppSettings& settings) {
  return profile_.WriteString(kSystemSection, kMaxDownloadSpeedKey,
                              text::Format("%u", settings.MaxDownloadSpeed.load()));
}

bool SettingsStore::SaveSearchHistory(const std::vector<std::string>& entries, const AppSettings& settings) {
  Profile::Entries keys;
  keys.reserve(entries.size() + 1);
  for (size_t i = 0; i < entries.size(); ++i) {
    keys.emplace_back(text::Format(kHistoryItemKeyFormat, i), Storable(entries[i]));
  }
  keys.emplace_back(std::string(kMaxItemsKey), text::Format("%u", settings.SearchHistoryMaxItems));
  return profile_.WriteStrings(kSearchHistorySection, keys);
}

bool SettingsStore::SaveCompletedLog(const std::vector<std::string>& paths,
                                     const std::unordered_set<std::string>& removed, const AppSettings& settings) {
  std::vector<std::string> mine;
  for (const std::string& path : paths) mine.push_back(Storable(path));
  std::unordered_set<std::string> gone;
  for (const std::string& path : removed) gone.insert(Storable(path));
  const size_t maxItems = std::min<size_t>(settings.CompletedMaxItems, kCompletedKeyCount);
  const std::string maxText = text::Format("%u", settings.CompletedMaxItems);
  auto compose = [mine = std::move(mine), gone = std::move(gone), maxItems, maxText](const IniDocument& onDisk) {
    std::vector<std::string> theirs;
    for (size_t i = 0; i < kCompletedKeyCount; ++i) {
      std::string path =
          onDisk.GetString(kCompletedSection, text::Format(kCompletedItemKeyFormat, i), "", kPathBufferSize);
      if (path.empty()) break;
      theirs.push_back(std::move(path));
    }
    const std::vector<std::string> merged = MergeCompletedPaths(mine, gone, theirs, maxItems);
    Profile::Entries keys;
    keys.reserve(kCompletedKeyCount + 1);
    for (size_t i = 0; i < kCompletedKeyCount; ++i) {
      keys.emplace_back(text::Format(kCompletedItemKeyFormat, i), i < merged.size() ? merged[i] : std::string());
    }
    keys.emplace_back(std::string(kMaxItemsKey), maxText);
    return keys;
  };
  if (batch_) {
    batch_->Compose(std::string(kCompletedSection), std::move(compose));
    return true;
  }
  return profile_.Apply({{std::string(kCompletedSection), false, {}, std::move(compose)}});
}

bool SettingsStore::WriteSection(std::string_view section, const Profile::Entries& entries) {
  if (!batch_) return profile_.WriteStrings(section, entries);
  // Checked here, so a refused name or value is known at once and never blocks the batch.
  if (!IniDocument::IsWritableSectionName(section)) return false;
  for (const auto& [key, value] : entries) {
    if (!IniDocument::IsWritableKeyName(key) || !IniDocument::IsWritableValue(value)) return false;
  }
  batch_->SetKeys(std::string(section), entries);
  return true;
}

bool SettingsStore::FitsDownloadRecord(std::string_view url) {
  return Gb18030Size(url) <= kMaxRecordUrlBytes;
}

bool SettingsStore::WriteDownloadRecord(std::string_view path, std::string_view url, std::string_view size, int mode,
                                        std::string_view digest) {
  // The program's own sections can never be taken or removed as a download.
  if (IsReservedSectionName(path)) return false;
  if (mode == kWriteDownloadRecord) {
    if (!FitsDownloadRecord(url)) return false;
    Profile::Entries entries = {{std::string(kUrlKey), std::string(url)}, {std::string(kSizeKey), std::string(size)}};
    const size_t eq = digest.find('=');
    const std::string_view value = eq == std::string_view::npos ? std::string_view() : digest.substr(eq + 1);
    // Only hex digits: nothing that could break the file's lines.
    if (text::IsHexDigits(value))
      entries.push_back({std::string(text::StartsWith(digest, "md5=") ? kMd5Key : kSha1Key), std::string(value)});
    return WriteSection(path, entries);
  }
  if (mode == kRemoveDownloadRecord) {
    if (!batch_) return profile_.RemoveSection(path);
    batch_->RemoveSection(std::string(path));
    return true;
  }
  return false;
}

}  // namespace vexon::storage
