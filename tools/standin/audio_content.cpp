#include "standin/audio_content.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "text/strings.h"

namespace vexon::standin {
namespace {

// 22050 Hz / 441 Hz: one period is exactly 50 samples, so the tone repeats every
// 100 bytes and any offset maps into one small table.
constexpr uint32_t kToneSamplesPerPeriod = 50;
constexpr size_t kTonePeriodBytes = kToneSamplesPerPeriod * 2;
constexpr double kToneAmplitude = 8000.0;

std::array<unsigned char, kMp3FrameSize> MakeSilentFrame() {
  std::array<unsigned char, kMp3FrameSize> frame{};
  // Sync, MPEG-1, Layer III, no CRC; 128 kbit/s, 44100 Hz, no padding; mono,
  // original. Side information and main data all zero decode to silence.
  frame[0] = 0xFF;
  frame[1] = 0xFB;
  frame[2] = 0x90;
  frame[3] = 0xC4;
  return frame;
}

std::array<unsigned char, kTonePeriodBytes> MakeTonePeriod() {
  std::array<unsigned char, kTonePeriodBytes> period{};
  for (uint32_t i = 0; i < kToneSamplesPerPeriod; ++i) {
    const double angle = 2.0 * std::numbers::pi * i / kToneSamplesPerPeriod;
    const auto sample = static_cast<int16_t>(std::lround(kToneAmplitude * std::sin(angle)));
    const auto bits = static_cast<uint16_t>(sample);
    period[2 * i] = static_cast<unsigned char>(bits & 0xFF);
    period[2 * i + 1] = static_cast<unsigned char>(bits >> 8);
  }
  return period;
}

void PutLe32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

void PutLe16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>(v >> 8);
}

void FillPeriodic(const unsigned char* pattern, size_t period, uint64_t offset, char* out, size_t length) {
  size_t phase = static_cast<size_t>(offset % period);
  while (length > 0) {
    const size_t n = std::min(length, period - phase);
    std::memcpy(out, pattern + phase, n);
    out += n;
    length -= n;
    phase = 0;
  }
}

uint32_t Clamp32(uint64_t v) {
  return v > 0xFFFFFFFFULL ? 0xFFFFFFFFU : static_cast<uint32_t>(v);
}

}  // namespace

AudioFormat FormatForExtension(std::string_view extension) {
  return text::EqualsNoCase(extension, "wav") ? AudioFormat::kWav : AudioFormat::kMp3Frames;
}

std::string ContentTypeForExtension(std::string_view extension) {
  const std::string ext = text::AsciiLower(extension);
  if (ext == "wav") return "audio/wav";
  if (ext == "wma") return "audio/x-ms-wma";
  if (ext == "rm" || ext == "ram" || ext == "ra") return "audio/x-pn-realaudio";
  if (ext == "mid") return "audio/midi";
  return "audio/mpeg";
}

uint64_t WavSizeForSamples(uint64_t samples) {
  return kWavHeaderSize + 2 * samples;
}

const std::array<unsigned char, kMp3FrameSize>& SilentMp3Frame() {
  static const std::array<unsigned char, kMp3FrameSize> frame = MakeSilentFrame();
  return frame;
}

AudioContent::AudioContent(AudioFormat format, uint64_t size) : format_(format), size_(size) {
  if (format_ != AudioFormat::kWav) return;
  unsigned char* h = wavHeader_.data();
  std::memcpy(h, "RIFF", 4);
  PutLe32(h + 4, Clamp32(size_ >= 8 ? size_ - 8 : 0));
  std::memcpy(h + 8, "WAVEfmt ", 8);
  PutLe32(h + 16, 16);
  PutLe16(h + 20, 1);  // PCM
  PutLe16(h + 22, 1);  // mono
  PutLe32(h + 24, kWavSampleRate);
  PutLe32(h + 28, kWavSampleRate * 2);
  PutLe16(h + 32, 2);
  PutLe16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  PutLe32(h + 40, Clamp32(size_ >= kWavHeaderSize ? size_ - kWavHeaderSize : 0));
}

void AudioContent::Fill(uint64_t offset, char* out, size_t length) const {
  const size_t inside = offset >= size_ ? 0 : static_cast<size_t>(std::min<uint64_t>(length, size_ - offset));
  std::memset(out + inside, 0, length - inside);
  length = inside;
  if (format_ == AudioFormat::kMp3Frames) {
    FillPeriodic(SilentMp3Frame().data(), kMp3FrameSize, offset, out, length);
    return;
  }
  static const std::array<unsigned char, kTonePeriodBytes> tone = MakeTonePeriod();
  constexpr uint64_t toneEnd = kWavHeaderSize + uint64_t{2} * kWavSampleRate * kWavToneSeconds;
  while (length > 0) {
    size_t n;
    if (offset < kWavHeaderSize) {
      n = std::min<size_t>(length, static_cast<size_t>(kWavHeaderSize - offset));
      std::memcpy(out, wavHeader_.data() + offset, n);
    } else if (offset < toneEnd) {
      n = std::min<size_t>(length, static_cast<size_t>(toneEnd - offset));
      FillPeriodic(tone.data(), tone.size(), offset - kWavHeaderSize, out, n);
    } else {
      n = length;
      std::memset(out, 0, n);
    }
    out += n;
    length -= n;
    offset += n;
  }
}

std::string AudioContent::Bytes(uint64_t offset, size_t length) const {
  std::string out(length, '\0');
  Fill(offset, out.data(), length);
  return out;
}

}  // namespace vexon::standin
