#include "storage/search_history.h"

#include <algorithm>

#include "text/strings.h"

namespace vexon::storage {

SearchHistory::SearchHistory(SettingsStore& store, const AppSettings& settings, std::vector<std::string> entries)
    : store_(store), settings_(settings), entries_(std::move(entries)) {}

void SearchHistory::Record(const std::string& typed) {
  const std::string entry(text::Trim(typed));
  if (entry.empty()) return;
  const auto same = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const std::string& old) { return text::EqualsNoCase(old, entry); });
  if (same != entries_.end()) entries_.erase(same);
  // The maximum is at least 1 even if the settings were never brought into range,
  // so the new text always stays.
  const size_t maxItems = std::max<size_t>(settings_.SearchHistoryMaxItems, 1);
  while (entries_.size() >= maxItems) entries_.pop_back();
  entries_.insert(entries_.begin(), entry);
  Save();
}

std::function<void(const std::string&)> SearchHistory::Hook() {
  return [this](const std::string& typed) { Record(typed); };
}

void SearchHistory::Truncate(size_t maxItems) {
  if (entries_.size() > maxItems) entries_.resize(maxItems);
}

bool SearchHistory::Save() {
  return store_.SaveSearchHistory(entries_, settings_);
}

}  // namespace vexon::storage
