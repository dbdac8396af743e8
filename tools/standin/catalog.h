#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexon::standin {

enum class Engine { kYahoo, kBaidu };

// How the file server answers for one catalog file. The first group is live for a
// link check that follows redirects (200 with both Content-Length and Last-Modified);
// the second group never is.
enum class FileFault {
  kNone,             // plain live file
  kRedirect,         // 301/302 chain of 1 or 2 hops ending in the live file
  kSlowHeaders,      // answers after kSlowHeadersDelayMs
  kCutBody,          // declares the full length, closes after half the bytes
  kIgnoreRange,      // answers 200 with the whole body to a ranged request
  kNoContentLength,  // chunked body
  kNoLastModified,
  kNotFound,           // 404
  kUnauthorized,       // 401
  kRedirectToMissing,  // one hop to a path that answers 404
};

inline constexpr int kSlowHeadersDelayMs = 300;

bool IsDeadFault(FileFault fault);
// Live, but with something a download or a strict client has to cope with.
bool IsQuirkFault(FileFault fault);
const char* FaultName(FileFault fault);

struct CatalogOptions {
  int linksPerPage = 10;
  int pagesPerService = 3;
  bool includeDeadLinks = true;
  bool includeQuirks = true;
  // Anchors the parsers must skip (no marker, unknown types, other hosts).
  bool includeDecoys = true;
};

struct CatalogEntry {
  std::string id;         // 16 lower-case hex digits
  std::string extension;  // lower case: mp3, wma, rm, wav or mpeg
  // UTF-8, as an uploader named the file: singer and song in Chinese or in
  // pinyin/English, with blanks and brackets; it ends in "." + extension.
  std::string name;
  std::string titleHtml;  // UTF-8 as placed inside result anchors
  // What the title clean-up makes of titleHtml (a result page's parser lower-cases
  // Yahoo titles on top of that).
  std::string titleText;
  uint64_t size = 0;
  int64_t lastModified = 0;  // Unix time, whole seconds
  FileFault fault = FileFault::kNone;
  int redirectHops = 0;    // kRedirect: 1 or 2; kRedirectToMissing: 1
  int redirectStatus = 0;  // 301 or 302 for the redirect faults
  // The Baidu intermediate page writes this entry's extension in capitals.
  bool upperCaseExtensionOnIntermediatePage = false;

  std::string Path() const;      // CatalogFilePath(id, name)
  std::string FileName() const;  // name
  // 200 with Content-Length and Last-Modified once redirects are followed.
  bool Live() const;
  std::string LastModifiedHttp() const;  // RFC 1123
  std::string DateText() const;          // "%02d/%02d/%04d" month, day, year
};

struct CatalogPage {
  int page = 1;
  bool hasNext = false;
  std::vector<CatalogEntry> entries;
  // Decoy file links that a parser accepts but that point to a host where nothing
  // listens (127.0.0.1:1); only Yahoo pages carry them.
  std::vector<std::string> foreignLinks;
};

// A deterministic catalog: everything about a file follows from the seed and its
// id, so the file server needs no memory of the pages it handed out, and a
// restarted server with the same seed serves the same files.
class Catalog final {
 public:
  Catalog(uint64_t seed, CatalogOptions options);

  uint64_t Seed() const { return seed_; }
  const CatalogOptions& Options() const { return options_; }

  // Page numbers count from 1; a page outside 1..pagesPerService is empty and has
  // no next page. Words are UTF-8; ASCII letters are folded, because Yahoo pages
  // (and so their next-page links) are lower-cased by the client.
  CatalogPage Page(std::string_view wordsUtf8, Engine engine, int page) const;
  // Every entry of every page of one engine, in page order.
  std::vector<CatalogEntry> Entries(std::string_view wordsUtf8, Engine engine) const;
  // Both engines, Yahoo first, each file once.
  std::vector<CatalogEntry> AllEntries(std::string_view wordsUtf8) const;
  // Nothing when `id` is not 16 lower-case hex digits.
  std::optional<CatalogEntry> Describe(std::string_view id) const;
  // For a path "/files/<id>/<name>" as a client sends it: ASCII letters in any case,
  // the name as its GB18030 or UTF-8 bytes, percent-escaped or not. A wrong id or a
  // name the id was not listed under finds nothing.
  std::optional<CatalogEntry> EntryForPath(std::string_view path) const;

 private:
  CatalogEntry Pick(std::string_view wordsKey, Engine engine, int page, int index) const;
  bool Allowed(const CatalogEntry& entry) const;

  uint64_t seed_;
  CatalogOptions options_;
};

// Stable 64-bit mixing and string hashing, so catalogs agree across runs and builds.
uint64_t MixBits(uint64_t x);
uint64_t HashText(std::string_view text);

// Every phrase the catalog builds titles and file names from, for checks on their
// encoding.
std::vector<std::string> CatalogTitleParts();

// "/files/<id>/<name>" as the result pages write a file's path: blanks as %20, every
// other letter as it is (the page's charset carries the Chinese ones). The id folder
// keeps paths unique and lookups exact however often a name recurs.
std::string CatalogFilePath(std::string_view id, std::string_view name);
// A readable name for a file the catalog does not serve (decoy links), from a hash.
std::string DecoyFileName(uint64_t h, std::string_view extension);

}  // namespace vexon::standin
