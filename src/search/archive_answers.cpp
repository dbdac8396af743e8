#include "search/archive_answers.h"

#include <algorithm>
#include <charconv>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "net/url.h"
#include "search/search_options.h"
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

enum class Digits { kAbsent, kRead, kBad };

// A count the service sends as a string of digits or as a number, kept as its
// decimal digits; anything else is kBad.
Digits DecimalText(const Json& object, const char* key, std::string& out) {
  out.clear();
  const auto it = object.find(key);
  if (it == object.end()) return Digits::kAbsent;
  uint64_t value = 0;
  if (it->is_number_unsigned()) {
    value = it->get<uint64_t>();
  } else if (it->is_string()) {
    const std::string& s = it->get_ref<const std::string&>();
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || error != std::errc() || end != s.data() + s.size()) return Digits::kBad;
  } else {
    return Digits::kBad;
  }
  out = std::to_string(value);
  return Digits::kRead;
}

// A digest of `length` hex digits, lower-cased; a value that is not one leaves a note.
std::string Digest(const Json& object, const char* key, size_t length, const std::string& name,
                   std::vector<std::string>& notes) {
  std::string value = Text(object, key);
  if (value.empty()) return {};
  if (value.size() != length || !text::IsHexDigits(value)) {
    notes.push_back("the " + std::string(key) + " of \"" + name + "\" is not a digest; the file is not verified by it");
    return {};
  }
  return text::AsciiLower(value);
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

// "VBR MP3", "128Kbps MP3", "64Kbps MP3", "MP3" and the like.
bool IsMp3(const ArchiveFile& file) {
  return text::EndsWith(text::AsciiLower(file.format), "mp3");
}

// The rate of a "128Kbps MP3"; 0 for other formats.
uint64_t FixedRate(const ArchiveFile& file) {
  const std::string lower = text::AsciiLower(file.format);
  return text::EndsWith(lower, "kbps mp3") ? text::LeadingDigits(lower) : 0;
}

// A flag the service sends as "true" or as true.
bool Flag(const Json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end()) return false;
  if (it->is_boolean()) return it->get<bool>();
  return it->is_string() && text::EqualsNoCase(it->get_ref<const std::string&>(), "true");
}

std::string_view LastSegment(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Real chains are a derivative of a derivative at most.
constexpr size_t kMaxChain = 8;

// The file at the start of `file`'s chain of originals, by name; a chain that loops,
// runs too long or names a file the item does not list ends where it is.
std::string_view ChainRoot(const ArchiveFile& file,
                           const std::unordered_map<std::string_view, const ArchiveFile*>& byName) {
  std::string_view root = file.name;
  std::string_view next = file.original;
  for (size_t steps = 0; !next.empty() && steps < kMaxChain; ++steps) {
    root = next;
    const auto it = byName.find(next);
    if (it == byName.end()) break;
    next = it->second->original;
  }
  return root;
}

// Whether each file is an MP3 that gives way to a better MP3 of the same original:
// the VBR file first, then an MP3 that is an original itself, then the higher rate.
std::vector<bool> ShadowedCopies(const ArchiveItem& item) {
  std::unordered_map<std::string_view, const ArchiveFile*> byName;
  for (const ArchiveFile& file : item.files) byName.emplace(file.name, &file);
  const auto rank = [](const ArchiveFile& file) {
    return std::make_tuple(IsVbr(file), file.original.empty(), FixedRate(file));
  };
  std::vector<std::string_view> roots(item.files.size());
  std::unordered_map<std::string_view, size_t> best;  // root -> the file kept
  for (size_t i = 0; i < item.files.size(); ++i) {
    if (!IsMp3(item.files[i])) continue;
    roots[i] = ChainRoot(item.files[i], byName);
    const auto [it, added] = best.try_emplace(roots[i], i);
    if (!added && rank(item.files[i]) > rank(item.files[it->second])) it->second = i;
  }
  std::vector<bool> shadowed(item.files.size(), false);
  for (size_t i = 0; i < item.files.size(); ++i) {
    shadowed[i] = IsMp3(item.files[i]) && best.at(roots[i]) != i;
  }
  return shadowed;
}

}  // namespace

std::string ArchiveSearchUrl(std::string_view base, std::string_view wordsUtf8, int page) {
  // Concert recordings are "etree", the archive's largest audio collection.
  const std::string query = "(" + std::string(text::Trim(wordsUtf8)) + ") AND mediatype:(audio OR etree)";
  return WithSlash(base) + "advancedsearch.php?q=" + net::EncodePathSegment(query) +
         "&fl%5B%5D=identifier&fl%5B%5D=title&fl%5B%5D=creator&rows=" + std::to_string(kArchiveRowsPerPage) +
         "&page=" + std::to_string(page) + "&output=json";
}

std::string ArchiveItemUrl(std::string_view base, std::string_view identifier) {
  return WithSlash(base) + "metadata/" + net::EncodePathSegment(identifier);
}

std::string ArchiveFileUrl(std::string_view base, std::string_view identifier, std::string_view name) {
  std::string url = WithSlash(base) + "download/" + net::EncodePathSegment(identifier);
  size_t start = 0;
  while (true) {
    const size_t slash = name.find('/', start);
    url += "/" + net::EncodePathSegment(name.substr(start, slash == std::string_view::npos ? slash : slash - start));
    if (slash == std::string_view::npos) return url;
    start = slash + 1;
  }
}

std::string ArchiveNextSearchUrl(std::string_view currentUrl, const ArchiveSearchPage& page) {
  if (page.docCount == 0 || page.start + page.docCount >= page.numFound) return {};
  constexpr std::string_view kPage = "&page=";
  const size_t at = currentUrl.find(kPage);
  if (at == std::string_view::npos) return {};
  const size_t digits = at + kPage.size();
  const size_t end = currentUrl.find('&', digits);
  const uint64_t asked = text::LeadingDigits(currentUrl.substr(digits));
  if (asked == 0 || page.start != (asked - 1) * static_cast<uint64_t>(kArchiveRowsPerPage)) return {};
  const uint64_t number = asked + 1;
  return std::string(currentUrl.substr(0, digits)) + std::to_string(number) +
         std::string(end == std::string_view::npos ? std::string_view() : currentUrl.substr(end));
}

std::vector<std::string> NewArchiveIdentifiers(const ArchiveSearchPage& page, std::unordered_set<std::string>& read) {
  std::vector<std::string> fresh;
  for (const std::string& id : page.identifiers) {
    if (read.insert(id).second) fresh.push_back(id);
  }
  return fresh;
}

std::string ArchiveDate(std::string_view mtime) {
  // Beyond the year 9999 the date would not read as one.
  constexpr uint64_t kLastTime = 253402300799;
  uint64_t seconds = 0;
  const auto [end, error] = std::from_chars(mtime.data(), mtime.data() + mtime.size(), seconds);
  if (mtime.empty() || error != std::errc() || end != mtime.data() + mtime.size() || seconds > kLastTime) return {};
  return ListDate(static_cast<time_t>(seconds));
}

bool IsSafeArchiveName(std::string_view name) {
  if (name.empty() || name == "." || name.size() > 255 || name.find("..") != std::string_view::npos) return false;
  for (char c : name) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool IsSafeArchivePath(std::string_view path) {
  if (path.empty() || path.size() > kArchiveMaxPathBytes) return false;
  size_t segments = 0;
  size_t start = 0;
  while (true) {
    const size_t slash = path.find('/', start);
    const std::string_view segment = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
    if (!IsSafeArchiveName(segment) || ++segments > kArchiveMaxPathSegments) return false;
    if (slash == std::string_view::npos) return true;
    start = slash + 1;
  }
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
    if (!IsSafeArchivePath(file.name) || Flag(entry, "private")) continue;
    file.format = Text(entry, "format");
    // A sample would be listed under the full track's title.
    if (text::EqualsNoCase(file.format, "MP3 Sample")) continue;
    file.title = Text(entry, "title");
    file.creator = Text(entry, "creator");
    file.artist = Text(entry, "artist");
    file.track = Text(entry, "track");
    file.original = Text(entry, "original");
    // A size that is not a number is not the service's record of a file.
    if (DecimalText(entry, "size", file.size) == Digits::kBad) continue;
    if (DecimalText(entry, "mtime", file.mtime) == Digits::kBad) file.mtime.clear();
    file.md5 = Digest(entry, "md5", 32, file.name, item.notes);
    file.sha1 = Digest(entry, "sha1", 40, file.name, item.notes);
    item.files.push_back(std::move(file));
  }
  return item;
}

std::string ArchiveTitle(const ArchiveItem& item, const ArchiveFile& file) {
  std::string title = file.title.empty() ? item.title : file.title;
  if (title.empty()) title = WithoutExtension(LastSegment(file.name));
  const std::string& creator = !file.creator.empty() ? file.creator : !file.artist.empty() ? file.artist : item.creator;
  return creator.empty() ? title : title + " - " + creator;
}

std::vector<ArchiveLink> ArchiveLinks(std::string_view base, std::string_view identifier, const ArchiveItem& item,
                                      const std::function<bool(const std::string&)>& wanted) {
  std::vector<ArchiveLink> links;
  const std::vector<bool> shadowed = ShadowedCopies(item);
  for (size_t i = 0; i < item.files.size(); ++i) {
    if (shadowed[i]) continue;
    const ArchiveFile& file = item.files[i];
    std::string url = ArchiveFileUrl(base, identifier, file.name);
    if (!wanted(url)) continue;
    links.push_back(
        {std::move(url), ArchiveTitle(item, file), file.size, ArchiveDate(file.mtime), file.md5, file.sha1});
  }
  return links;
}

}  // namespace vexon::search
