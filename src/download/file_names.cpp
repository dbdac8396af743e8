#include "download/file_names.h"

#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::download {
namespace {

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The longest prefix of at most `limit` bytes that ends on a character boundary.
std::string_view CutToBytes(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t cut = limit;
  while (cut > 0 && IsContinuationByte(text[cut])) --cut;
  return text.substr(0, cut);
}

std::string CleanPart(std::string_view part) {
  std::string clean = text::SanitizeUtf8(part);
  for (char& c : clean) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || byte < 0x20 || byte == 0x7F) c = '_';
  }
  return clean;
}

}  // namespace

std::string_view AfterLastSlash(std::string_view text) {
  const size_t slash = text.rfind('/');
  return slash == std::string_view::npos ? text : text.substr(slash + 1);
}

std::pair<std::string, std::string> SplitExtension(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return {std::string(fileName), std::string()};
  return {std::string(fileName.substr(0, dot)), std::string(fileName.substr(dot))};
}

std::string SafeFileName(std::string_view name, std::string_view extension) {
  std::string stem = CleanPart(name);
  std::string ext = CleanPart(extension);
  // Blanks at the ends of a name are invisible to the user and dropped by the
  // settings file's section names.
  if (stem.empty()) {
    ext = std::string(text::Trim(ext));
  } else {
    stem = std::string(text::TrimLeft(stem));
    if (ext.empty()) {
      stem = std::string(text::TrimRight(stem));
    } else {
      ext = std::string(text::TrimRight(ext));
    }
  }
  const std::string whole = stem + ext;
  if (whole.empty() || whole == "." || whole == "..") return "_";
  if (whole.size() <= kMaxTargetNameBytes) return whole;
  if (ext.size() < kMaxTargetNameBytes) {
    return std::string(CutToBytes(stem, kMaxTargetNameBytes - ext.size())) + ext;
  }
  return std::string(CutToBytes(ext, kMaxTargetNameBytes));
}

std::string JoinFolder(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  if (!joined.empty() && joined.back() != '/') joined += '/';
  joined += name;
  return joined;
}

std::string NumberedName(std::string_view fullName, unsigned n) {
  const std::string_view name = AfterLastSlash(fullName);
  const std::string_view folder = fullName.substr(0, fullName.size() - name.size());
  auto [stem, ext] = SplitExtension(name);
  const std::string number = text::Format("(%u)", n);
  const size_t room =
      kMaxTargetNameBytes > number.size() + ext.size() ? kMaxTargetNameBytes - number.size() - ext.size() : 0;
  return std::string(folder) + std::string(CutToBytes(stem, room)) + number + ext;
}

size_t CharacterCount(std::string_view utf8) {
  const std::string valid = text::SanitizeUtf8(utf8);
  size_t count = 0;
  for (char c : valid) {
    if (!IsContinuationByte(c)) ++count;
  }
  return count;
}

}  // namespace vexon::download
