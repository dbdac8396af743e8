#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vexon::library {

// What the downloaded-files log shows of an audio file.
struct AudioTags {
  std::string artist;
  std::string title;
  std::string album;
  int lengthSeconds = -1;  // -1: unknown

  bool empty() const { return artist.empty() && title.empty() && album.empty() && lengthSeconds < 0; }
  bool operator==(const AudioTags&) const = default;
};

// The longest text kept of one tag, in bytes; a file may claim far more.
inline constexpr size_t kMaxTagBytes = 1024;
// Longer lengths are taken as a damaged header, not as audio.
inline constexpr int kMaxLengthSeconds = 100 * 24 * 3600;

// Whether the file's extension (any case) is one ReadAudioTags reads: mp3, ogg,
// oga, opus, flac, m4a, wma, wav.
bool IsAudioTagFile(const std::filesystem::path& path);

// The file's tags, as valid UTF-8 without control characters, each cut at
// kMaxTagBytes. Nothing for a file of another extension (never opened), one that
// cannot be read or parsed, or one with neither tags nor a known length. Never
// throws; may block on a slow disk, so it belongs off the owner thread.
std::optional<AudioTags> ReadAudioTags(const std::filesystem::path& path);

// "m:ss" below an hour, "h:mm:ss" from an hour on; empty for an unknown length.
std::string LengthText(int seconds);

}  // namespace vexon::library
