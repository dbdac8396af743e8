#include "standin/catalog.h"

#include <array>
#include <unordered_set>

#include "standin/audio_content.h"
#include "standin/http_date.h"
#include "text/strings.h"

namespace vexon::standin {
namespace {

// Common characters only: their GB18030 bytes are all at or above A1 hex, so a client
// that folds ASCII letters byte by byte on the GB18030 page cannot damage them.
constexpr std::array<const char*, 30> kSongs = {
    "月亮代表我的心", "童话", "七里香",     "后来",     "小幸运",     "晴天",       "甜蜜蜜",     "菊花台",
    "吻别",           "十年", "老鼠爱大米", "两只蝴蝶", "丁香花",     "冲动的惩罚", "城里的月光", "发如雪",
    "江南",           "夜曲", "稻香",       "青花瓷",   "隐形的翅膀", "我们的爱",   "不得不爱",   "千里之外",
    "白月光",         "暗香", "遇见",       "宁夏",     "流星雨",     "单车恋人"};
constexpr std::array<const char*, 24> kSingers = {"邓丽君", "周杰伦", "刘若英", "光良",   "王菲",     "张学友",
                                                  "林俊杰", "孙燕姿", "梁静茹", "陈奕迅", "庞龙",     "刀郎",
                                                  "许美静", "蔡依林", "潘玮柏", "张韶涵", "飞儿乐团", "五月天",
                                                  "范玮琪", "刘德华", "群星",   "张信哲", "那英",     "羽泉"};
constexpr std::array<const char*, 3> kVersions = {"现场版", "伴奏", "高音质"};
constexpr std::array<const char*, 3> kAsciiTags = {"DJ Remix", "Live MV", "Remaster 2004"};

constexpr int kMaxPickAttempts = 10000;

std::string HexId(uint64_t value) {
  return text::Format("%016llx", static_cast<unsigned long long>(value));
}

std::optional<uint64_t> ParseHexId(std::string_view id) {
  if (id.size() != 16) return std::nullopt;
  uint64_t value = 0;
  for (char c : id) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      return std::nullopt;
    }
    value = value << 4 | static_cast<uint64_t>(digit);
  }
  return value;
}

FileFault FaultFromRoll(uint64_t roll) {
  if (roll < 55) return FileFault::kNone;
  if (roll < 60) return FileFault::kRedirect;
  if (roll < 64) return FileFault::kSlowHeaders;
  if (roll < 68) return FileFault::kCutBody;
  if (roll < 72) return FileFault::kIgnoreRange;
  if (roll < 78) return FileFault::kNoContentLength;
  if (roll < 84) return FileFault::kNoLastModified;
  if (roll < 91) return FileFault::kNotFound;
  if (roll < 96) return FileFault::kUnauthorized;
  return FileFault::kRedirectToMissing;
}

const char* ExtensionFromRoll(uint64_t roll) {
  if (roll < 70) return "mp3";
  if (roll < 78) return "wma";
  if (roll < 85) return "rm";
  if (roll < 93) return "wav";
  return "mpeg";
}

// Builds the anchor HTML and, alongside, the text a title clean-up yields from it:
// tags dropped, "&amp;" and "&nbsp;" decoded, escaped angle brackets as [ and ].
void BuildTitle(uint64_t h, CatalogEntry& entry) {
  const std::string song = kSongs[h % kSongs.size()];
  const std::string singer = kSingers[(h >> 8) % kSingers.size()];
  std::string html = ((h >> 16) & 1) ? "<b>" + song + "</b>" : song;
  std::string plain = song;

  if ((h >> 21) & 1) {
    html += "&nbsp;-&nbsp;";
  } else {
    html += " - ";
  }
  plain += " - ";

  if (((h >> 25) & 3) == 0) {
    html += "<font color=#c60a00>" + singer + "</font>";
  } else {
    html += singer;
  }
  plain += singer;

  if (((h >> 17) & 3) == 0) {
    const std::string guest = kSingers[(h >> 40) % kSingers.size()];
    html += " &amp; " + guest;
    plain += " & " + guest;
  }
  if (((h >> 22) & 3) == 0) {
    const std::string tag = kAsciiTags[(h >> 48) % kAsciiTags.size()];
    html += " " + tag;
    plain += " " + tag;
  }
  if (((h >> 19) & 3) == 0) {
    const std::string version = kVersions[(h >> 52) % kVersions.size()];
    html += " &lt;" + version + "&gt;";
    plain += " [" + version + "]";
  }
  entry.titleHtml = std::move(html);
  entry.titleText = std::move(plain);
}

}  // namespace

bool IsDeadFault(FileFault fault) {
  switch (fault) {
    case FileFault::kNoContentLength:
    case FileFault::kNoLastModified:
    case FileFault::kNotFound:
    case FileFault::kUnauthorized:
    case FileFault::kRedirectToMissing: return true;
    default: return false;
  }
}

bool IsQuirkFault(FileFault fault) {
  return fault != FileFault::kNone && !IsDeadFault(fault);
}

const char* FaultName(FileFault fault) {
  switch (fault) {
    case FileFault::kNone: return "live";
    case FileFault::kRedirect: return "redirect";
    case FileFault::kSlowHeaders: return "slow-headers";
    case FileFault::kCutBody: return "cut-body";
    case FileFault::kIgnoreRange: return "ignore-range";
    case FileFault::kNoContentLength: return "no-content-length";
    case FileFault::kNoLastModified: return "no-last-modified";
    case FileFault::kNotFound: return "not-found";
    case FileFault::kUnauthorized: return "unauthorized";
    case FileFault::kRedirectToMissing: return "redirect-to-missing";
  }
  return "unknown";
}

std::string CatalogEntry::Path() const {
  return "/files/" + FileName();
}

std::string CatalogEntry::FileName() const {
  return id + "." + extension;
}

bool CatalogEntry::Live() const {
  return !IsDeadFault(fault);
}

std::string CatalogEntry::LastModifiedHttp() const {
  return FormatHttpDate(lastModified);
}

std::string CatalogEntry::DateText() const {
  const CivilTime t = CivilFromUnix(lastModified);
  return text::Format("%02d/%02d/%04d", t.month, t.day, t.year);
}

uint64_t MixBits(uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

uint64_t HashText(std::string_view textBytes) {
  uint64_t h = 0xCBF29CE484222325ULL;
  for (unsigned char c : textBytes) {
    h ^= c;
    h *= 0x100000001B3ULL;
  }
  return MixBits(h);
}

std::vector<std::string> CatalogTitleParts() {
  std::vector<std::string> parts;
  for (const char* s : kSongs) parts.emplace_back(s);
  for (const char* s : kSingers) parts.emplace_back(s);
  for (const char* s : kVersions) parts.emplace_back(s);
  for (const char* s : kAsciiTags) parts.emplace_back(s);
  return parts;
}

Catalog::Catalog(uint64_t seed, CatalogOptions options) : seed_(seed), options_(options) {
  if (options_.linksPerPage < 0) options_.linksPerPage = 0;
  if (options_.pagesPerService < 0) options_.pagesPerService = 0;
}

std::optional<CatalogEntry> Catalog::Describe(std::string_view id) const {
  const std::optional<uint64_t> value = ParseHexId(id);
  if (!value) return std::nullopt;
  const uint64_t h = MixBits(seed_ ^ MixBits(*value));
  const uint64_t h2 = MixBits(h);

  CatalogEntry entry;
  entry.id = std::string(id);
  entry.fault = FaultFromRoll(h % 100);
  entry.extension = ExtensionFromRoll((h >> 7) % 100);
  if (entry.extension == "wav") {
    const uint64_t seconds = 3 + (h2 >> 20) % 28;
    entry.size = WavSizeForSamples(seconds * kWavSampleRate);
  } else {
    entry.size = (150 + (h2 >> 20) % 6000) * kMp3FrameSize;
  }
  const int64_t firstDay = UnixFromCivil(2003, 1, 1);
  entry.lastModified =
      firstDay + static_cast<int64_t>((h2 >> 32) % 2191) * 86400 + static_cast<int64_t>((h2 >> 45) % 86400);
  if (entry.fault == FileFault::kRedirect) {
    entry.redirectHops = 1 + static_cast<int>((h >> 12) & 1);
  } else if (entry.fault == FileFault::kRedirectToMissing) {
    entry.redirectHops = 1;
  }
  if (entry.redirectHops > 0) entry.redirectStatus = ((h >> 13) & 1) ? 301 : 302;
  entry.upperCaseExtensionOnIntermediatePage = ((h >> 14) & 3) == 0;
  BuildTitle(h2, entry);
  return entry;
}

std::optional<CatalogEntry> Catalog::EntryForPath(std::string_view path) const {
  const std::string lower = text::AsciiLower(path);
  constexpr std::string_view kPrefix = "/files/";
  if (!text::StartsWith(lower, kPrefix)) return std::nullopt;
  const std::string_view name = std::string_view(lower).substr(kPrefix.size());
  const size_t dot = name.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  std::optional<CatalogEntry> entry = Describe(name.substr(0, dot));
  if (!entry || entry->extension != name.substr(dot + 1)) return std::nullopt;
  return entry;
}

bool Catalog::Allowed(const CatalogEntry& entry) const {
  if (!options_.includeDeadLinks && IsDeadFault(entry.fault)) return false;
  if (!options_.includeQuirks && IsQuirkFault(entry.fault)) return false;
  return true;
}

CatalogEntry Catalog::Pick(std::string_view wordsKey, Engine engine, int page, int index) const {
  // Every third Baidu hit is a file that Yahoo lists too, to exercise duplicate dropping.
  if (engine == Engine::kBaidu && index % 3 == 1) return Pick(wordsKey, Engine::kYahoo, page, index);
  const uint64_t base =
      MixBits(seed_ ^ HashText(wordsKey)) ^ MixBits((static_cast<uint64_t>(engine == Engine::kBaidu) << 56) ^
                                                    (static_cast<uint64_t>(page) << 32) ^ static_cast<uint64_t>(index));
  std::optional<CatalogEntry> entry;
  for (int attempt = 0; attempt < kMaxPickAttempts; ++attempt) {
    entry = Describe(HexId(MixBits(base + static_cast<uint64_t>(attempt))));
    if (Allowed(*entry)) break;
  }
  return *entry;
}

CatalogPage Catalog::Page(std::string_view wordsUtf8, Engine engine, int page) const {
  CatalogPage result;
  result.page = page;
  if (page < 1 || page > options_.pagesPerService) return result;
  result.hasNext = page < options_.pagesPerService;
  const std::string key = text::AsciiLower(wordsUtf8);
  for (int i = 0; i < options_.linksPerPage; ++i) result.entries.push_back(Pick(key, engine, page, i));
  if (options_.includeDecoys && engine == Engine::kYahoo) {
    const uint64_t h = MixBits(seed_ ^ HashText(key) ^ static_cast<uint64_t>(page));
    result.foreignLinks.push_back("http://127.0.0.1:1/files/" + HexId(h) + ".mp3");
  }
  return result;
}

std::vector<CatalogEntry> Catalog::Entries(std::string_view wordsUtf8, Engine engine) const {
  std::vector<CatalogEntry> all;
  for (int page = 1; page <= options_.pagesPerService; ++page) {
    CatalogPage p = Page(wordsUtf8, engine, page);
    for (CatalogEntry& e : p.entries) all.push_back(std::move(e));
  }
  return all;
}

std::vector<CatalogEntry> Catalog::AllEntries(std::string_view wordsUtf8) const {
  std::vector<CatalogEntry> all;
  std::unordered_set<std::string> seen;
  for (Engine engine : {Engine::kYahoo, Engine::kBaidu}) {
    for (CatalogEntry& e : Entries(wordsUtf8, engine)) {
      if (seen.insert(e.id).second) all.push_back(std::move(e));
    }
  }
  return all;
}

}  // namespace vexon::standin
