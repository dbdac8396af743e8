#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexon::standin {

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, mono, no padding: 417 bytes a frame.
inline constexpr size_t kMp3FrameSize = 417;
// 16-bit mono PCM.
inline constexpr uint32_t kWavSampleRate = 22050;
inline constexpr size_t kWavHeaderSize = 44;
// The tone lasts this long; the rest of a longer file is silence.
inline constexpr uint32_t kWavToneSeconds = 2;

enum class AudioFormat { kMp3Frames, kWav };

// ".wav" gets a WAV file; every other extension reuses the MP3 frame stream.
AudioFormat FormatForExtension(std::string_view extension);
// An audio/* type for the extension (letter case ignored); audio/mpeg when unknown.
std::string ContentTypeForExtension(std::string_view extension);
uint64_t WavSizeForSamples(uint64_t samples);
const std::array<unsigned char, kMp3FrameSize>& SilentMp3Frame();

// Real, playable audio of any size, produced at any offset without holding the
// file: silent MP3 frames back to back, or a WAV header followed by a 441 Hz tone.
class AudioContent final {
 public:
  AudioContent(AudioFormat format, uint64_t size);

  AudioFormat Format() const { return format_; }
  uint64_t Size() const { return size_; }
  // Writes the bytes at [offset, offset + length); positions past the end are zero.
  void Fill(uint64_t offset, char* out, size_t length) const;
  std::string Bytes(uint64_t offset, size_t length) const;

 private:
  AudioFormat format_;
  uint64_t size_;
  std::array<unsigned char, kWavHeaderSize> wavHeader_{};
};

}  // namespace vexon::standin
