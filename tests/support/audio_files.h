#pragma once

#include <string>

namespace vexon::testing {

// MPEG-1 layer III frames of 128 kbit/s at 44.1 kHz, silent: 26 ms each.
inline std::string SilentMp3(int frames) {
  std::string bytes;
  for (int i = 0; i < frames; ++i) bytes += "\xFF\xFB\x90\x64" + std::string(417 - 4, '\0');
  return bytes;
}

}  // namespace vexon::testing
