#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "storage/app_settings.h"
#include "storage/settings_store.h"

namespace vexon::storage {

// The search-text history, newest first, written through after every change.
class SearchHistory final {
 public:
  SearchHistory(SettingsStore& store, const AppSettings& settings, std::vector<std::string> entries = {});

  const std::vector<std::string>& entries() const { return entries_; }
  void Assign(std::vector<std::string> entries) { entries_ = std::move(entries); }

  // The rule on a search: the text trimmed; an empty text changes nothing. Otherwise
  // an entry equal to it ignoring ASCII case goes, the oldest goes when the list is
  // full, the text goes to the top as typed, and the history is saved.
  void Record(const std::string& text);
  // Record as a search controller's history hook.
  std::function<void(const std::string&)> Hook();

  // Keeps the newest `maxItems` entries (a lowered maximum); does not save.
  void Truncate(size_t maxItems);
  bool Save();

 private:
  SettingsStore& store_;
  const AppSettings& settings_;
  std::vector<std::string> entries_;
};

}  // namespace vexon::storage
