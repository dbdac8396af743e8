#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexon::standin {

inline constexpr std::string_view kArchiveSearchPath = "/advancedsearch.php";
inline constexpr std::string_view kArchiveMetadataPrefix = "/metadata/";
inline constexpr std::string_view kArchiveDownloadPrefix = "/download/";
inline constexpr std::string_view kArchiveDataPrefix = "/datanode/";
// What the item answers give as "created": fixed, so that answers compare equal.
inline constexpr int64_t kArchiveCreated = 1700000000;

// One file of an archive item as the metadata lists it. Empty strings and a zero
// track are fields the listing leaves out.
struct ArchiveFile {
  std::string name;      // UTF-8, may hold blanks, brackets and non-ASCII letters
  std::string source;    // "original" or "derivative"
  std::string format;    // "Flac", "VBR MP3", "128Kbps MP3", "Ogg Vorbis", "Metadata", "JPEG"
  std::string original;  // a derivative's original file
  std::string title;
  std::string creator;
  std::string artist;
  int track = 0;
  double length = 0;  // seconds; 0: not listed
  uint64_t size = 0;  // the bytes served, whether listed or not
  bool sizeListed = true;
  bool sizeAsNumber = false;  // listed as a JSON number instead of a string
  int64_t mtime = 0;          // Unix time
  std::string contentType;
  std::optional<std::string> body;  // fixed bytes (the metadata XML); else generated audio
  bool isPrivate = false;           // listed as "private": "true"; answers 403

  std::string Extension() const;  // lower case, without the dot
};

struct FileDigests {
  std::string md5;
  std::string sha1;
};

// What a search result carries for an item.
struct ArchiveDoc {
  std::string identifier;             // ASCII
  std::string title;                  // empty: the item has no title
  std::vector<std::string> creators;  // more than one: listed as a JSON array
  std::string collection;
  std::string date;  // "YYYY-MM-DD"
};

struct ArchiveItem {
  ArchiveDoc doc;
  std::vector<ArchiveFile> files;
};

// A deterministic set of audio items (live concerts, netlabel albums, 78 rpm
// transfers, public-domain recordings). Everything follows from the seed and the
// item's position, so the server keeps nothing and restarts serve the same items.
class ArchiveCatalog final {
 public:
  ArchiveCatalog(uint64_t seed, int items, int tracksPerItem);

  int Count() const { return items_; }
  int TracksPerItem() const { return tracks_; }
  // index in [0, Count()).
  ArchiveDoc Doc(int index) const;
  ArchiveItem Item(int index) const;
  // Nothing for an identifier outside the catalog.
  std::optional<ArchiveItem> Find(std::string_view identifier) const;
  std::optional<ArchiveFile> FindFile(std::string_view identifier, std::string_view name) const;

 private:
  std::optional<int> IndexOf(std::string_view identifier) const;

  uint64_t seed_;
  int items_;
  int tracks_;
};

// The item's IDENTIFIER_meta.xml.
std::string ArchiveMetaXml(const ArchiveDoc& doc);

}  // namespace vexon::standin
