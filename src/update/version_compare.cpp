#include "update/version_compare.h"

#include <array>
#include <cstdio>
#include <optional>

namespace vexon::update {
namespace {

constexpr size_t kMaxPieces = 4;

// The pieces of a version text with their leading zeros dropped, so that two
// pieces compare by value as (length, digits) however long they are.
using Pieces = std::array<std::string_view, kMaxPieces>;

std::optional<Pieces> SplitVersion(std::string_view text) {
  Pieces pieces{};
  size_t count = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('.', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view piece = text.substr(pos, end - pos);
    pos = end + 1;
    if (piece.empty()) continue;
    for (char c : piece) {
      if (c < '0' || c > '9') return std::nullopt;
    }
    if (count == kMaxPieces) return std::nullopt;
    const size_t firstSignificant = piece.find_first_not_of('0');
    pieces[count++] = firstSignificant == std::string_view::npos ? std::string_view() : piece.substr(firstSignificant);
  }
  if (count == 0) return std::nullopt;
  return pieces;
}

int ComparePiece(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() > b.size() ? 1 : -1;
  const int order = a.compare(b);
  return order > 0 ? 1 : (order < 0 ? -1 : 0);
}

}  // namespace

int CompareVersions(std::string_view site, std::string_view own) {
  const std::optional<Pieces> a = SplitVersion(site);
  if (!a) return kSiteVersionMalformed;
  const std::optional<Pieces> b = SplitVersion(own);
  if (!b) return kOwnVersionMalformed;
  for (size_t i = 0; i < kMaxPieces; ++i) {
    if (const int order = ComparePiece((*a)[i], (*b)[i]); order != 0) return order;
  }
  return 0;
}

std::string VersionStampText(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
  char buffer[64];
  if (c != 0 || d != 0) {
    std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%d", a, b, c, d);
    return buffer;
  }
  if (a != 0 || b != 0) {
    std::snprintf(buffer, sizeof buffer, "%d.%d", a, b);
    return buffer;
  }
  return {};
}

std::string VersionStampTextOf(std::string_view dotted) {
  std::array<uint16_t, kMaxPieces> numbers{};
  size_t count = 0;
  size_t pos = 0;
  while (pos <= dotted.size()) {
    size_t end = dotted.find('.', pos);
    if (end == std::string_view::npos) end = dotted.size();
    const std::string_view piece = dotted.substr(pos, end - pos);
    pos = end + 1;
    if (piece.empty() || count == kMaxPieces) return {};
    unsigned value = 0;
    for (char c : piece) {
      if (c < '0' || c > '9') return {};
      value = value * 10 + static_cast<unsigned>(c - '0');
      if (value > 0xFFFF) return {};
    }
    numbers[count++] = static_cast<uint16_t>(value);
  }
  return VersionStampText(numbers[0], numbers[1], numbers[2], numbers[3]);
}

std::string OwnVersionText() {
  return VersionStampTextOf(VEXON_VERSION_TEXT);
}

}  // namespace vexon::update
