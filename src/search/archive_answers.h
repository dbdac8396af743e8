#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexon::search {

// What this program assumes about the Internet Archive's public interface lives
// here and in archive_answers.cpp: the URLs it asks and how their JSON answers read.
// A difference found on the live service is a change to these two files.

// Items asked per search page.
inline constexpr int kArchiveRowsPerPage = 50;
// Answers beyond these sizes are not what the interface sends and are skipped.
inline constexpr size_t kArchiveSearchAnswerLimit = 2u * 1024u * 1024u;
inline constexpr size_t kArchiveItemAnswerLimit = 4u * 1024u * 1024u;
// Files of one item looked at; the rest are left out.
inline constexpr size_t kArchiveMaxFilesPerItem = 5000;

struct ArchiveSearchPage {
  uint64_t numFound = 0;
  uint64_t start = 0;
  size_t docCount = 0;                   // docs on the page, usable or not
  std::vector<std::string> identifiers;  // the usable ones, in the answer's order
};

struct ArchiveFile {
  std::string name;
  std::string format;
  std::string title;
  std::string creator;
  std::string track;
};

struct ArchiveItem {
  std::string title;
  std::string creator;
  std::vector<ArchiveFile> files;  // the usable ones
};

// "https://archive.org/" or another base, with or without its last "/".
std::string ArchiveSearchUrl(std::string_view base, std::string_view wordsUtf8, int page);
std::string ArchiveItemUrl(std::string_view base, std::string_view identifier);
std::string ArchiveFileUrl(std::string_view base, std::string_view identifier, std::string_view name);

// The search page after `page`, asked at `currentUrl`; empty when no items remain.
std::string ArchiveNextSearchUrl(std::string_view currentUrl, const ArchiveSearchPage& page);

// Unset when the answer is not JSON of the documented shape. Docs and files with
// wrong types, missing fields or unsafe identifiers and names are skipped one by one.
std::optional<ArchiveSearchPage> ReadArchiveSearchAnswer(std::string_view json);
std::optional<ArchiveItem> ReadArchiveItemAnswer(std::string_view json);

// An identifier or file name that can stand as one path segment of a download URL
// and, later, as a file name: no "/", "\", ".." or control bytes, at most 255 bytes.
bool IsSafeArchiveName(std::string_view name);

// A file of an item as a search result: its download URL and title.
struct ArchiveLink {
  std::string url;
  std::string title;
};

// The files of `item` whose extension `wanted` accepts, each as "<title> -
// <creator>" (the file's fields, else the item's; the name without its extension
// when there is no title). A fixed-rate MP3 of a track that also comes as "VBR MP3"
// is left out.
template <typename Wanted>
std::vector<ArchiveLink> ArchiveLinks(std::string_view base, std::string_view identifier, const ArchiveItem& item,
                                      Wanted wanted);

// Whether a fixed-rate MP3 is shadowed by a VBR file of the same track.
std::vector<bool> ShadowedByVbr(const ArchiveItem& item);
std::string ArchiveTitle(const ArchiveItem& item, const ArchiveFile& file);

template <typename Wanted>
std::vector<ArchiveLink> ArchiveLinks(std::string_view base, std::string_view identifier, const ArchiveItem& item,
                                      Wanted wanted) {
  std::vector<ArchiveLink> links;
  const std::vector<bool> shadowed = ShadowedByVbr(item);
  for (size_t i = 0; i < item.files.size(); ++i) {
    const ArchiveFile& file = item.files[i];
    if (shadowed[i]) continue;
    std::string url = ArchiveFileUrl(base, identifier, file.name);
    if (!wanted(url)) continue;
    links.push_back({std::move(url), ArchiveTitle(item, file)});
  }
  return links;
}

}  // namespace vexon::search
