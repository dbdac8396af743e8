#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "storage/app_settings.h"
#include "storage/search_history.h"
#include "storage/settings_store.h"

namespace vexon::storage {

// The downloaded-files log as far as the options touch it.
class CompletedLogLimit {
 public:
  virtual ~CompletedLogLimit() = default;
  // Drops the oldest entries beyond `count`; returns how many went.
  virtual size_t KeepNewest(size_t count) = 0;
  // Writes the log with the settings' maximum.
  virtual void Save() = 0;
};

// The fields of the System Options dialog.
struct SystemOptions {
  std::string folder;
  bool titleDown = true;
  unsigned maxDownloadThreads = kDefaultMaxDownloadThreads;
  unsigned maxDownloadSpeed = kDefaultMaxDownloadSpeed;
  unsigned searchHistoryMaxItems = kDefaultSearchHistoryMaxItems;
  unsigned completedMaxItems = kDefaultCompletedMaxItems;
  std::string language = "auto";  // "auto", "zh" or "en"
  bool notify = true;
};

// The dialog's fields in the order it checks them on OK.
enum class OptionsField { kFolder, kSearchHistoryMaxItems, kMaxDownloadThreads, kCompletedMaxItems, kMaxDownloadSpeed };

// What ApplySystemOptions changed, for the caller to follow up.
struct OptionsChanges {
  bool folder = false;
  bool titleDown = false;
  bool maxDownloadThreads = false;  // the download slot pool should take the new size
  bool maxDownloadSpeed = false;
  bool completedMaxItems = false;
  bool searchHistoryMaxItems = false;
  bool language = false;  // takes effect at the next start
  bool notify = false;
  size_t completedRowsRemoved = 0;
  size_t historyEntriesRemoved = 0;

  bool any() const {
    return folder || titleDown || maxDownloadThreads || maxDownloadSpeed || completedMaxItems ||
           searchHistoryMaxItems || language || notify;
  }
};

// The dialog's fields filled from the settings.
SystemOptions CurrentSystemOptions(const AppSettings& settings);

// The first field, in the dialog's order, that OK must refuse: a folder that is empty
// or longer than 255 characters, or a number outside its range. None when all pass.
std::optional<OptionsField> FirstInvalidOption(const SystemOptions& chosen);

// Compares `chosen` with the settings and acts on each field that differs, in this
// order: folder, title flag, maximum downloads, speed, log maximum (a lowered one
// drops the oldest log rows and renumbers the rest), history maximum (a lowered one
// drops the oldest entries), language. Each change is stored and written at once. Numbers are
// brought into their ranges and a folder gets its trailing "/" first; an empty
// folder is left as it was.
OptionsChanges ApplySystemOptions(const SystemOptions& chosen, AppSettings& settings, SettingsStore& store,
                                  SearchHistory& history, CompletedLogLimit& completed);

}  // namespace vexon::storage
