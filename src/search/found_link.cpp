#include "search/found_link.h"

#include <chrono>
#include <thread>

namespace vexon::search {

void SleepPause(int milliseconds) {
  if (milliseconds <= 0) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool IsCarriableLink(std::string_view link) {
  if (link.size() > kMaxFoundTextSize) return false;
  for (char c : link) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  if (link.find(kLinkTitleSeparator) != std::string_view::npos) return false;
  return link.empty() || link.back() != kLinkTitleSeparator.front();
}

bool IsCarriableTitle(std::string_view title) {
  return title.size() <= kMaxFoundTextSize;
}

std::string JoinFoundLink(std::string_view link, std::string_view title) {
  std::string entry;
  entry.reserve(link.size() + kLinkTitleSeparator.size() + title.size());
  entry.append(link);
  entry.append(kLinkTitleSeparator);
  entry.append(title);
  return entry;
}

LinkSink EntriesTo(const FoundSink& found) {
  return [&found](const std::string& entry) {
    FoundFile file;
    SplitFoundLink(entry, file.url, file.title);
    found(std::move(file));
  };
}

void SplitFoundLink(std::string_view entry, std::string& link, std::string& title) {
  const size_t cut = entry.find(kLinkTitleSeparator);
  if (cut == std::string_view::npos) {
    link.assign(entry);
    title.clear();
    return;
  }
  link.assign(entry.substr(0, cut));
  title.assign(entry.substr(cut + kLinkTitleSeparator.size()));
}

}  // namespace vexon::search
