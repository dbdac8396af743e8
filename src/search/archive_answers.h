#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
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
// A file name inside an item may name folders ("disc1/01 x.mp3"); deeper or longer
// paths are not what the service keeps and are skipped.
inline constexpr size_t kArchiveMaxPathSegments = 16;
inline constexpr size_t kArchiveMaxPathBytes = 1024;

struct ArchiveSearchPage {
  uint64_t numFound = 0;
  uint64_t start = 0;
  size_t docCount = 0;                   // docs on the page, usable or not
  std::vector<std::string> identifiers;  // the usable ones, in the answer's order
};

struct ArchiveFile {
  std::string name;  // its path inside the item, "/" between folders
  std::string format;
  std::string title;
  std::string creator;
  std::string artist;
  std::string track;
  std::string original;  // the file a derivative was made from
  // The service's own record of the file: decimal digits, empty when not sent.
  std::string size{};
  std::string mtime{};  // seconds since 1970
  // Lower-case hex, empty when not sent or not a digest.
  std::string md5{};
  std::string sha1{};
};

struct ArchiveItem {
  std::string title;
  std::string creator;
  // The usable ones: public, not a sample, with a safe path and a size that is a
  // number.
  std::vector<ArchiveFile> files;
  // What was read past, one line each: digests that are not digests.
  std::vector<std::string> notes;
};

// "https://archive.org/" or another base, with or without its last "/".
std::string ArchiveSearchUrl(std::string_view base, std::string_view wordsUtf8, int page);
std::string ArchiveItemUrl(std::string_view base, std::string_view identifier);
// Each segment of `name` is encoded by itself, so a file in a folder keeps its "/".
std::string ArchiveFileUrl(std::string_view base, std::string_view identifier, std::string_view name);

// The search page after `page`, asked at `currentUrl`; empty when no items remain,
// and when the page does not start where the page asked for starts (a service that
// ignores the page number would otherwise be asked for ever).
std::string ArchiveNextSearchUrl(std::string_view currentUrl, const ArchiveSearchPage& page);

// The page's identifiers not in `read`, which takes them in. A page that brings none
// ends its chain, whatever its `start` says.
std::vector<std::string> NewArchiveIdentifiers(const ArchiveSearchPage& page, std::unordered_set<std::string>& read);

// Unset when the answer is not JSON of the documented shape. Docs and files with
// wrong types, missing fields or unsafe identifiers and names are skipped one by one,
// and so are private files (they answer 403 to everyone) and 30-second samples.
std::optional<ArchiveSearchPage> ReadArchiveSearchAnswer(std::string_view json);
std::optional<ArchiveItem> ReadArchiveItemAnswer(std::string_view json);

// An identifier or file name that can stand as one path segment of a download URL
// and, later, as a file name: not ".", no "/", "\", ".." or control bytes, at most
// 255 bytes.
bool IsSafeArchiveName(std::string_view name);
// A file's path inside an item: safe names between single "/"s, within the limits.
bool IsSafeArchivePath(std::string_view path);

// A file of an item as a search result: its download URL and title, and what the
// service records of it.
struct ArchiveLink {
  std::string url;
  std::string title;
  std::string size;
  std::string date;  // "%02d/%02d/%04d" month, day, year (UTC); empty without mtime
  std::string md5;
  std::string sha1;
};

// The month/day/year of a file's mtime; empty when it is not a time this program
// lists.
std::string ArchiveDate(std::string_view mtime);

// The files of `item` whose download URL `wanted` accepts, each as "<title> -
// <creator>" (see ArchiveTitle). Of the MP3s made from one original only one is
// listed: the "VBR MP3", else an MP3 original itself, else the highest fixed rate.
// Originals are followed through the files' `original` chain, the only grouping
// the answers are sure of.
std::vector<ArchiveLink> ArchiveLinks(std::string_view base, std::string_view identifier, const ArchiveItem& item,
                                      const std::function<bool(const std::string&)>& wanted);

// The file's title, else the item's, else its name's last segment without its
// extension; then " - " and the file's creator, else its artist, else the item's
// creator, when there is one.
std::string ArchiveTitle(const ArchiveItem& item, const ArchiveFile& file);

}  // namespace vexon::search
