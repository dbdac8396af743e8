#include "storage/system_options.h"

#include "storage/buffer_cut.h"
#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::storage {
namespace {

bool InRange(unsigned value, unsigned low, unsigned high) {
  return value >= low && value <= high;
}

// "zh" and "en" as they are, whatever their case and blanks; anything else "auto".
std::string LanguageName(std::string_view stored) {
  const std::string name = text::AsciiLower(text::Trim(stored));
  return name == "zh" || name == "en" ? name : "auto";
}

std::string FolderWithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

SystemOptions CurrentSystemOptions(const AppSettings& settings) {
  SystemOptions options;
  options.folder = settings.DefaultMusicPath;
  options.titleDown = settings.TitleDown;
  options.maxDownloadThreads = settings.MaxDownloadThreads;
  options.maxDownloadSpeed = settings.MaxDownloadSpeed.load();
  options.searchHistoryMaxItems = settings.SearchHistoryMaxItems;
  options.completedMaxItems = settings.CompletedMaxItems;
  options.language = LanguageName(settings.language);
  options.notify = settings.Notify;
  return options;
}

std::optional<OptionsField> FirstInvalidOption(const SystemOptions& chosen) {
  const bool endsInSlash = !chosen.folder.empty() && chosen.folder.back() == '/';
  const size_t storedBytes = Gb18030Size(chosen.folder) + (endsInSlash ? 0 : 1);
  if (text::Trim(chosen.folder).empty() || storedBytes > kFolderCharactersMax) {
    return OptionsField::kFolder;
  }
  if (!InRange(chosen.searchHistoryMaxItems, kSearchHistoryItemsMin, kSearchHistoryItemsMax)) {
    return OptionsField::kSearchHistoryMaxItems;
  }
  if (!InRange(chosen.maxDownloadThreads, kDownloadThreadsMin, kDownloadThreadsMax)) {
    return OptionsField::kMaxDownloadThreads;
  }
  if (!InRange(chosen.completedMaxItems, kCompletedItemsMin, kCompletedItemsMax)) {
    return OptionsField::kCompletedMaxItems;
  }
  if (!InRange(chosen.maxDownloadSpeed, kDownloadSpeedMin, kDownloadSpeedMax)) {
    return OptionsField::kMaxDownloadSpeed;
  }
  return std::nullopt;
}

OptionsChanges ApplySystemOptions(const SystemOptions& chosen, AppSettings& settings, SettingsStore& store,
                                  SearchHistory& history, CompletedLogLimit& completed) {
  OptionsChanges changes;

  const std::string folder = FolderWithSlash(text::SanitizeUtf8(chosen.folder));
  if (!text::Trim(folder).empty() && folder != settings.DefaultMusicPath) {
    settings.DefaultMusicPath = folder;
    store.SaveDefaultMusicPath(settings);
    changes.folder = true;
  }

  if (chosen.titleDown != settings.TitleDown) {
    settings.TitleDown = chosen.titleDown;
    store.SaveTitleDown(settings);
    changes.titleDown = true;
  }

  const unsigned threads = ClampSetting(chosen.maxDownloadThreads, kDownloadThreadsMin, kDownloadThreadsMax);
  if (threads != settings.MaxDownloadThreads) {
    settings.MaxDownloadThreads = threads;
    store.SaveMaxDownloadThreads(settings);
    changes.maxDownloadThreads = true;
  }

  const unsigned speed = ClampSetting(chosen.maxDownloadSpeed, kDownloadSpeedMin, kDownloadSpeedMax);
  if (speed != settings.MaxDownloadSpeed.load()) {
    settings.MaxDownloadSpeed.store(speed);
    store.SaveMaxDownloadSpeed(settings);
    changes.maxDownloadSpeed = true;
  }

  const unsigned logMax = ClampSetting(chosen.completedMaxItems, kCompletedItemsMin, kCompletedItemsMax);
  if (logMax != settings.CompletedMaxItems) {
    // The entries go before the new maximum is written with them.
    if (logMax < settings.CompletedMaxItems) changes.completedRowsRemoved = completed.KeepNewest(logMax);
    settings.CompletedMaxItems = logMax;
    completed.Save();
    changes.completedMaxItems = true;
  }

  const unsigned historyMax =
      ClampSetting(chosen.searchHistoryMaxItems, kSearchHistoryItemsMin, kSearchHistoryItemsMax);
  if (historyMax != settings.SearchHistoryMaxItems) {
    const size_t before = history.entries().size();
    if (historyMax < settings.SearchHistoryMaxItems) history.Truncate(historyMax);
    changes.historyEntriesRemoved = before - history.entries().size();
    settings.SearchHistoryMaxItems = historyMax;
    history.Save();
    changes.searchHistoryMaxItems = true;
  }

  const std::string language = LanguageName(chosen.language);
  if (language != LanguageName(settings.language)) {
    settings.language = language;
    store.SaveLanguage(settings);
    changes.language = true;
  }
  if (chosen.notify != settings.Notify) {
    settings.Notify = chosen.notify;
    store.SaveNotify(settings);
    changes.notify = true;
  }
  return changes;
}

}  // namespace vexon::storage
