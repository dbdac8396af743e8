#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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

// The files of `item` whose download URL `wanted` accepts, each as "<title> -
// <creator>" (see ArchiveTitle). A fixed-rate MP3 of a track that also comes as
// "VBR MP3" is left out.
std::vector<ArchiveLink> ArchiveLinks(std::string_view base, std::string_view identifier, const ArchiveItem& item,
                                      const std::function<bool(const std::string&)>& wanted);

// The file's title, else the item's, else the name without its extension; then
// " - " and the file's creator, else the item's, when there is one.
std::string ArchiveTitle(const ArchiveItem& item, const ArchiveFile& file);

}  // namespace vexon::search
