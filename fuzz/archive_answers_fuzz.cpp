// Feeds arbitrary bytes as an answer of the archive's search and as an item's file
// list, and checks that whatever is taken from them stays inside the service: safe
// identifiers, links under the item's download folder, no ".." segment, and a next
// page only from where the asked page starts.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "search/archive_answers.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr std::string_view kBase = "https://archive.org/";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vexon::search;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  if (const auto page = ReadArchiveSearchAnswer(bytes)) {
    Check(page->identifiers.size() <= page->docCount);
    for (const std::string& id : page->identifiers) Check(IsSafeArchiveName(id));
    const std::string asked = ArchiveSearchUrl(kBase, "x", 3);
    const std::string next = ArchiveNextSearchUrl(asked, *page);
    if (!next.empty()) {
      Check(page->start == 2u * kArchiveRowsPerPage);
      Check(next == ArchiveSearchUrl(kBase, "x", 4));
    }
  }

  if (const auto item = ReadArchiveItemAnswer(bytes)) {
    Check(item->files.size() <= kArchiveMaxFilesPerItem);
    const std::string folder = std::string(kBase) + "download/id/";
    for (const ArchiveFile& file : item->files) Check(IsSafeArchivePath(file.name));
    for (const ArchiveLink& link : ArchiveLinks(kBase, "id", *item, [](const std::string&) { return true; })) {
      Check(link.url.compare(0, folder.size(), folder) == 0);
      const std::string_view path = std::string_view(link.url).substr(folder.size());
      Check(!path.empty() && path.front() != '/' && path.back() != '/');
      Check(path.find("//") == std::string_view::npos && path.find("..") == std::string_view::npos);
      Check(path.find("/./") == std::string_view::npos && path.substr(0, 2) != "./" && path != ".");
      Check(path.size() < 2 || path.substr(path.size() - 2) != "/.");
    }
  }
  return 0;
}
