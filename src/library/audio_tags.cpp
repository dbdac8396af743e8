#include "library/audio_tags.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <asffile.h>
#include <flacfile.h>
#include <id3v2framefactory.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <oggflacfile.h>
#include <opusfile.h>
#include <tag.h>
#include <tfilestream.h>
#include <vorbisfile.h>
#include <wavfile.h>

#include <cstdio>
#include <memory>

#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::library {
namespace {

enum class Kind { None, Mpeg, Ogg, Opus, Flac, Mp4, Asf, Wav };

Kind KindOf(const std::filesystem::path& path) {
  const std::string ext = text::AsciiLower(path.extension().string());
  if (ext == ".mp3") return Kind::Mpeg;
  // Ogg streams carry Vorbis, FLAC or Opus whatever the name says.
  if (ext == ".ogg" || ext == ".oga") return Kind::Ogg;
  if (ext == ".opus") return Kind::Opus;
  if (ext == ".flac") return Kind::Flac;
  if (ext == ".m4a") return Kind::Mp4;
  if (ext == ".wma") return Kind::Asf;
  if (ext == ".wav") return Kind::Wav;
  return Kind::None;
}

// One tag as the log can show it: valid UTF-8, control characters as spaces, no
// spaces at the ends, and no longer than kMaxTagBytes.
std::string CleanText(const TagLib::String& value) {
  std::string bytes = value.toCString(true);
  if (bytes.size() > kMaxTagBytes) {
    size_t end = kMaxTagBytes;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
    bytes.resize(end);
  }
  std::string text = text::SanitizeUtf8(bytes);
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = ' ';
  }
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Tags and length of an opened file; nothing when TagLib could not parse it.
std::optional<AudioTags> TagsOf(const TagLib::File& file) {
  if (!file.isValid()) return std::nullopt;
  AudioTags tags;
  if (const TagLib::Tag* tag = file.tag()) {
    tags.artist = CleanText(tag->artist());
    tags.title = CleanText(tag->title());
    tags.album = CleanText(tag->album());
  }
  // TagLib gives 0 when it cannot tell; no downloaded song is that short.
  if (const TagLib::AudioProperties* properties = file.audioProperties()) {
    const int length = properties->lengthInSeconds();
    if (length > 0 && length <= kMaxLengthSeconds) tags.lengthSeconds = length;
  }
  if (tags.empty()) return std::nullopt;
  return tags;
}

template <typename FileType>
std::optional<AudioTags> ReadAs(TagLib::IOStream& stream) {
  stream.seek(0);
  stream.clear();
  const FileType file(&stream, true, TagLib::AudioProperties::Fast);
  return TagsOf(file);
}

// The classes whose constructor also takes the ID3v2 frame factory.
template <typename FileType>
std::optional<AudioTags> ReadWithFrames(TagLib::IOStream& stream) {
  const FileType file(&stream, TagLib::ID3v2::FrameFactory::instance(), true, TagLib::AudioProperties::Fast);
  return TagsOf(file);
}

std::optional<AudioTags> Read(Kind kind, TagLib::IOStream& stream) {
  switch (kind) {
    case Kind::Mpeg: return ReadWithFrames<TagLib::MPEG::File>(stream);
    case Kind::Flac: return ReadWithFrames<TagLib::FLAC::File>(stream);
    case Kind::Opus: return ReadAs<TagLib::Ogg::Opus::File>(stream);
    case Kind::Mp4: return ReadAs<TagLib::MP4::File>(stream);
    case Kind::Asf: return ReadAs<TagLib::ASF::File>(stream);
    case Kind::Wav: return ReadAs<TagLib::RIFF::WAV::File>(stream);
    case Kind::Ogg:
      if (auto tags = ReadAs<TagLib::Ogg::Vorbis::File>(stream)) return tags;
      if (auto tags = ReadAs<TagLib::Ogg::FLAC::File>(stream)) return tags;
      return ReadAs<TagLib::Ogg::Opus::File>(stream);
    case Kind::None: break;
  }
  return std::nullopt;
}

}  // namespace

bool IsAudioTagFile(const std::filesystem::path& path) {
  return KindOf(path) != Kind::None;
}

std::optional<AudioTags> ReadAudioTags(const std::filesystem::path& path) {
  const Kind kind = KindOf(path);
  if (kind == Kind::None) return std::nullopt;
  // Opened without blocking and checked to be a plain file, so a FIFO or device
  // under an audio name cannot stall the reader.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  try {
    TagLib::FileStream stream(fd, true);  // closes the descriptor from here on
    if (!stream.isOpen()) {
      ::close(fd);
      return std::nullopt;
    }
    return Read(kind, stream);
  } catch (...) {
    // TagLib reports by return values; only running out of memory lands here.
    return std::nullopt;
  }
}

std::string LengthText(int seconds) {
  if (seconds < 0) return {};
  char buffer[32];
  if (seconds < 3600) {
    std::snprintf(buffer, sizeof buffer, "%d:%02d", seconds / 60, seconds % 60);
  } else {
    std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  }
  return buffer;
}

}  // namespace vexon::library
