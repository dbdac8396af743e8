#include "update/file_version.h"

#include <fstream>
#include <vector>

#include "update/version_compare.h"

namespace vexon::update {
namespace {

// Kept in the binary even though only the scan of a file ever reads it.
[[gnu::used]] const char kOwnRecord[] = "\x7fVexonFileVersion:" VEXON_VERSION_TEXT;

constexpr size_t kChunk = 1u << 20;
// Room for four five-digit numbers, their dots and the NUL.
constexpr size_t kMaxVersionBytes = 24;

// The version after a marker at `at`, when a NUL ends it within reach.
std::string VersionAt(std::string_view bytes, size_t at) {
  const std::string_view rest = bytes.substr(at, kMaxVersionBytes);
  const size_t nul = rest.find('\0');
  if (nul == std::string_view::npos) return {};
  return VersionStampTextOf(rest.substr(0, nul));
}

}  // namespace

std::string_view OwnFileVersionRecord() {
  return kOwnRecord;
}

std::string ReadFileVersion(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  // Each window keeps the tail of the one before, so a marker across a chunk border
  // is still seen whole.
  const size_t keep = kFileVersionMarker.size() + kMaxVersionBytes;
  std::string window;
  std::vector<char> chunk(kChunk);
  size_t scanned = 0;
  while (scanned < kMaxScanBytes && in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    scanned += got;
    window.append(chunk.data(), got);
    const bool last = !in || scanned >= kMaxScanBytes;
    for (size_t at = window.find(kFileVersionMarker); at != std::string::npos;
         at = window.find(kFileVersionMarker, at + 1)) {
      const size_t versionAt = at + kFileVersionMarker.size();
      // A marker too near the end waits for the next chunk.
      if (!last && versionAt + kMaxVersionBytes > window.size()) break;
      std::string version = VersionAt(window, versionAt);
      if (!version.empty()) return version;
    }
    if (window.size() > keep) window.erase(0, window.size() - keep);
  }
  return {};
}

}  // namespace vexon::update
