#include "search/archive_answers.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "net/url.h"
#include "text/strings.h"

namespace vexon::search {
namespace {

using Json = nlohmann::json;

// Deeper answers are not what the interface sends; refusing them before parsing
// also keeps the parser's and the destructor's recursion shallow.
constexpr int kMaxNesting = 32;

bool NestingWithin(std::string_view json, int limit) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return false;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

std::optional<Json> Parse(std::string_view text, size_t limit) {
  if (text.size() > limit || !NestingWithin(text, kMaxNesting)) return std::nullopt;
  Json json = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (json.is_discarded() || !json.is_object()) return std::nullopt;
  return json;
}

// A text field: a string, or a list whose strings are joined (creators often come
// as one); anything else reads as empty.
std::string Text(const Json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end()) return {};
  if (it->is_string()) return it->get<std::string>();
  if (!it->is_array()) return {};
  std::string joined;
  for (const Json& part : *it) {
    if (!part.is_string()) continue;
    if (!joined.empty()) joined += ", ";
    joined += part.get<std::string>();
  }
  return joined;
}

// A count sent as a number or as a string of digits.
uint64_t Count(const Json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end()) return 0;
  if (it->is_number_unsigned()) return it->get<uint64_t>();
  if (it->is_number_integer()) return static_cast<uint64_t>(std::max<int64_t>(0, it->get<int64_t>()));
  if (it->is_string()) return text::LeadingDigits(it->get<std::string>());
  return 0;
}

std::string WithSlash(std::string_view base) {
  std::string out(base);
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

std::string WithoutExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  return std::string(dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot));
}

bool IsVbr(const ArchiveFile& file) {
  return text::EqualsNoCase(file.format, "VBR MP3");
}

// "128Kbps MP3", "64Kbps MP3" and the like.
bool IsFixedRateMp3(const ArchiveFile& file) {
  const std::string lower = text::AsciiLower(file.format);
  return !lower.empty() && lower[0] >= '0' && lower[0] <= '9' && text::EndsWith(lower, "kbps mp3");
}

// The name without its extension and a "_128kb"-like rate mark.
std::string NameStem(const std::string& name) {
  std::string stem = WithoutExtension(name);
  const size_t mark = stem.rfind('_');
  if (mark != std::string::npos && text::EndsWith(stem, "kb")) {
    const std::string_view rate = std::string_view(stem).substr(mark + 1, stem.size() - mark - 3);
    if (!rate.empty() && rate.find_first_not_of("0123456789") == std::string_view::npos) stem.resize(mark);
  }
  return stem;
}

// Two files are one track by their numbers when both have one, else by their
// titles when both have one, else by their names.
bool SameTrack(const ArchiveFile& a, const ArchiveFile& b) {
  if (!a.track.empty() && !b.track.empty()) return a.track == b.track;
  if (!a.title.empty() && !b.title.empty()) return a.title == b.title;
  return NameStem(a.name) == NameStem(b.name);
}

// Whether each file is a fixed-rate MP3 shadowed by a VBR file of the same track.
std::vector<bool> ShadowedByVbr(const ArchiveItem& item) {
  std::vector<const ArchiveFile*> vbr;
  for (const ArchiveFile& file : item.files) {
    if (IsVbr(file)) vbr.push_back(&file);
  }
  std::vector<bool> shadowed(item.files.size(), false);
  for (size_t i = 0; i < item.files.size(); ++i) {
    if (!IsFixedRateMp3(item.files[i])) continue;
    shadowed[i] =
        std::any_of(vbr.begin(), vbr.end(), [&](const ArchiveFile* v) { return SameTrack(item.files[i], *v); });
  }
  return shadowed;
}

}  // namespace

std::string ArchiveSearchUrl(std::string_view base, std::string_view wordsUtf8, int page) {
  const std::string query = "(" + std::string(text::Trim(wordsUtf8)) + ") AND mediatype:(audio)";
  return WithSlash(base) + "advancedsearch.php?q=" + net::EncodePathSegment(query) +
         "&fl%5B%5D=identifier&fl%5B%5D=title&fl%5B%5D=creator&rows=" + std::to_string(kArchiveRowsPerPage) +
         "&page=" + std::to_string(page) + "&output=json";
}

std::string ArchiveItemUrl(std::string_view base, std::string_view identifier) {
  return WithSlash(base) + "metadata/" + net::EncodePathSegment(identifier);
}

std::string ArchiveFileUrl(std::string_view base, std::string_view identifier, std::string_view name) {
  return WithSlash(base) + "download/" + net::EncodePathSegment(identifier) + "/" + net::EncodePathSegment(name);
}

std::string ArchiveNextSearchUrl(std::string_view currentUrl, const ArchiveSearchPage& page) {
  if (page.docCount == 0 || page.start + page.docCount >= page.numFound) return {};
  constexpr std::string_view kPage = "&page=";
  const size_t at = currentUrl.find(kPage);
  if (at == std::string_view::npos) return {};
  const size_t digits = at + kPage.size();
  const size_t end = currentUrl.find('&', digits);
  const uint64_t number = page.start / static_cast<uint64_t>(kArchiveRowsPerPage) + 2;
  return std::string(currentUrl.substr(0, digits)) + std::to_string(number) +
         std::string(end == std::string_view::npos ? std::string_view() : currentUrl.substr(end));
}

bool IsSafeArchiveName(std::string_view name) {
  if (name.empty() || name.size() > 255 || name.find("..") != std::string_view::npos) return false;
  for (char c : name) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::optional<ArchiveSearchPage> ReadArchiveSearchAnswer(std::string_view json) {
  const std::optional<Json> answer = Parse(json, kArchiveSearchAnswerLimit);
  if (!answer) return std::nullopt;
  const auto response = answer->find("response");
  if (response == answer->end() || !response->is_object()) return std::nullopt;
  const auto docs = response->find("docs");
  if (docs == response->end() || !docs->is_array()) return std::nullopt;
  ArchiveSearchPage page;
  page.numFound = Count(*response, "numFound");
  page.start = Count(*response, "start");
  page.docCount = docs->size();
  for (const Json& doc : *docs) {
    if (!doc.is_object()) continue;
    const auto id = doc.find("identifier");
    if (id == doc.end() || !id->is_string() || !IsSafeArchiveName(id->get_ref<const std::string&>())) continue;
    page.identifiers.push_back(id->get<std::string>());
  }
  return page;
}

std::optional<ArchiveItem> ReadArchiveItemAnswer(std::string_view json) {
  const std::optional<Json> answer = Parse(json, kArchiveItemAnswerLimit);
  if (!answer) return std::nullopt;
  const auto files = answer->find("files");
  if (files == answer->end() || !files->is_array()) return std::nullopt;
  ArchiveItem item;
  const auto metadata = answer->find("metadata");
  if (metadata != answer->end() && metadata->is_object()) {
    item.title = Text(*metadata, "title");
    item.creator = Text(*metadata, "creator");
  }
  size_t seen = 0;
  for (const Json& entry : *files) {
    if (++seen > kArchiveMaxFilesPerItem) break;
    if (!entry.is_object()) continue;
    ArchiveFile file;
    file.name = Text(entry, "name");
    if (!IsSafeArchiveName(file.name)) continue;
    file.format = Text(entry, "format");
    file.title = Text(entry, "title");
    file.creator = Text(entry, "creator");
    file.track = Text(entry, "track");
    item.files.push_back(std::move(file));
  }
  return item;
}

std::string ArchiveTitle(const ArchiveItem& item, const ArchiveFile& file) {
  std::string title = file.title.empty() ? item.title : file.title;
  if (title.empty()) title = WithoutExtension(file.name);
  const std::string& creator = file.creator.empty() ? item.creator : file.creator;
  return creator.empty() ? title : title + " - " + creator;
}

std::vector<ArchiveLink> ArchiveLinks(std::string_view base, std::string_view identifier, const ArchiveItem& item,
                                      const std::function<bool(const std::string&)>& wanted) {
  std::vector<ArchiveLink> links;
  const std::vector<bool> shadowed = ShadowedByVbr(item);
  for (size_t i = 0; i < item.files.size(); ++i) {
    if (shadowed[i]) continue;
    std::string url = ArchiveFileUrl(base, identifier, item.files[i].name);
    if (wanted(url)) links.push_back({std::move(url), ArchiveTitle(item, item.files[i])});
  }
  return links;
}

}  // namespace vexon::search
