#include "text/catalog.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace vexon::text {
namespace {

constexpr uint32_t kMagic = 0x950412de;
constexpr uint32_t kSwappedMagic = 0xde120495;
// A catalog of this program holds a few hundred texts; a larger file is no catalog
// of ours and is not read into memory.
constexpr size_t kMaxCatalogBytes = 16u * 1024u * 1024u;

class Words {
 public:
  Words(std::string_view bytes, bool swapped) : bytes_(bytes), swapped_(swapped) {}

  bool At(size_t offset, uint32_t& value) const {
    if (offset > bytes_.size() || bytes_.size() - offset < 4) return false;
    uint32_t raw = 0;
    std::memcpy(&raw, bytes_.data() + offset, 4);
    value = swapped_ ? __builtin_bswap32(raw) : raw;
    return true;
  }

  // The string a table entry (length, offset) at `entry` names.
  bool StringAt(size_t entry, std::string_view& out) const {
    uint32_t length = 0, offset = 0;
    if (!At(entry, length) || !At(entry + 4, offset)) return false;
    if (offset > bytes_.size() || bytes_.size() - offset < static_cast<size_t>(length) + 1) return false;
    out = bytes_.substr(offset, length);
    return bytes_[offset + length] == '\0';
  }

 private:
  std::string_view bytes_;
  bool swapped_;
};

}  // namespace

bool Catalog::Load(const std::string& path, std::string& error) {
  texts_.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  // In pieces, so a catalog of a few kilobytes costs a few kilobytes at the start.
  std::string bytes;
  char piece[16384];
  while (bytes.size() <= kMaxCatalogBytes && in.read(piece, sizeof piece).gcount() > 0) {
    bytes.append(piece, static_cast<size_t>(in.gcount()));
  }
  if (bytes.size() > kMaxCatalogBytes) {
    error = path + ": larger than a message catalog of this program";
    return false;
  }
  if (!Read(bytes, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool Catalog::Read(std::string_view bytes, std::string& error) {
  texts_.clear();
  uint32_t magic = 0;
  if (bytes.size() < 28) return (error = "not a message catalog"), false;
  std::memcpy(&magic, bytes.data(), 4);
  if (magic != kMagic && magic != kSwappedMagic) return (error = "not a message catalog"), false;
  const Words words(bytes, magic == kSwappedMagic);
  uint32_t revision = 0, count = 0, sources = 0, translations = 0;
  words.At(4, revision);
  words.At(8, count);
  words.At(12, sources);
  words.At(16, translations);
  if ((revision >> 16) != 0) return (error = "a message catalog of an unknown revision"), false;
  if (count > bytes.size() / 16) return (error = "a broken message catalog"), false;
  std::unordered_map<std::string, std::string> texts;
  for (uint32_t i = 0; i < count; ++i) {
    std::string_view source, translation;
    if (!words.StringAt(sources + static_cast<size_t>(i) * 8, source) ||
        !words.StringAt(translations + static_cast<size_t>(i) * 8, translation)) {
      return (error = "a broken message catalog"), false;
    }
    // The header (empty source) and texts with a context are not texts of ours; of a
    // plural's forms the first stands.
    if (source.empty() || source.find('\x04') != std::string_view::npos) continue;
    source = source.substr(0, source.find('\0'));
    translation = translation.substr(0, translation.find('\0'));
    if (!translation.empty()) texts.emplace(source, translation);
  }
  texts_ = std::move(texts);
  return true;
}

std::string_view Catalog::Translate(std::string_view source) const {
  const auto it = texts_.find(std::string(source));
  return it == texts_.end() ? source : std::string_view(it->second);
}

std::string FillText(std::string_view text, std::span<const std::string_view> values) {
  // One pass over the pattern: a "%2" inside the first value stays as it is.
  std::string out;
  out.reserve(text.size() + 16 * values.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t mark = i + 1 < text.size() ? static_cast<size_t>(text[i + 1] - '1') : values.size();
    if (text[i] == '%' && mark < values.size()) {
      out += values[mark];
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string FillText(std::string_view text, std::string_view first, std::string_view second) {
  const std::string_view values[] = {first, second};
  return FillText(text, values);
}

std::string Translator::Fill(std::string_view source, std::string_view first, std::string_view second) const {
  return FillText((*this)(source), first, second);
}

std::string Translator::Fill(std::string_view source, std::span<const std::string_view> values) const {
  return FillText((*this)(source), values);
}

}  // namespace vexon::text
