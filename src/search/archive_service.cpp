#include "search/archive_service.h"

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "search/archive_answers.h"
#include "search/found_link.h"
#include "search/search_options.h"

namespace vexon::search {

std::string ArchiveService::QueryUrl(std::string_view words) const {
  return ArchiveSearchUrl(base_, words, 1);
}

std::string ArchiveService::userAgent() const {
  return std::string("Vexon/") + VEXON_VERSION_TEXT + " (music search)";
}

std::string ArchiveService::Read(const std::string& url, const std::string& page, const PageFetcher& fetch,
                                 const PauseFunction& /*pause*/, const FoundSink& found, PageChain& chain) const {
  const std::optional<ArchiveSearchPage> results = ReadArchiveSearchAnswer(page);
  if (!results) return {};
  // A page of items already read is a service that does not page: the chain ends.
  const std::vector<std::string> ids = NewArchiveIdentifiers(*results, chain.itemsRead);
  if (ids.empty() && !results->identifiers.empty()) return {};
  std::atomic<size_t> next{0};
  const auto readItems = [&] {
    for (size_t i = next++; i < ids.size(); i = next++) {
      std::string answer;
      if (!fetch(ArchiveItemUrl(base_, ids[i]), answer)) continue;
      const std::optional<ArchiveItem> item = ReadArchiveItemAnswer(answer);
      if (!item) continue;
      for (const std::string& note : item->notes) std::fprintf(stderr, "vexon: %s: %s\n", ids[i].c_str(), note.c_str());
      for (ArchiveLink& link :
           ArchiveLinks(base_, ids[i], *item, [](const std::string& link) { return HasKnownTypeEnding(link); })) {
        if (!IsCarriableLink(link.url) || !IsCarriableTitle(link.title)) continue;
        // Without a size and a date in the record, the file is checked as any link is.
        const bool vouched = !link.size.empty() && !link.date.empty();
        found({std::move(link.url), std::move(link.title), vouched, std::move(link.size), std::move(link.date),
               std::move(link.md5), std::move(link.sha1)});
      }
    }
  };
  std::vector<std::thread> helpers;
  try {
    for (int k = 1; k < kItemsAtOnce && static_cast<size_t>(k) < ids.size(); ++k) helpers.emplace_back(readItems);
  } catch (const std::system_error&) {
    // Out of threads: the items are read by the threads there are.
  }
  readItems();
  for (std::thread& helper : helpers) helper.join();
  return ArchiveNextSearchUrl(url, *results);
}

}  // namespace vexon::search
