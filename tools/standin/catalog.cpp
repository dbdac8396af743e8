#include "standin/catalog.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "standin/audio_content.h"
#include "standin/http_date.h"
#include "standin/result_pages.h"
#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::standin {
namespace {

// Common characters only: their GB18030 bytes are all at or above A1 hex, so a client
// that folds ASCII letters byte by byte on the GB18030 page cannot damage them.
struct Named {
  const char* chinese;
  const char* latin;  // pinyin or the name used abroad
};
constexpr std::array<Named, 30> kSongs = {{{"月亮代表我的心", "Yue Liang Dai Biao Wo De Xin"},
                                           {"童话", "Tong Hua"},
                                           {"七里香", "Qi Li Xiang"},
                                           {"后来", "Hou Lai"},
                                           {"小幸运", "Xiao Xing Yun"},
                                           {"晴天", "Qing Tian"},
                                           {"甜蜜蜜", "Tian Mi Mi"},
                                           {"菊花台", "Ju Hua Tai"},
                                           {"吻别", "Wen Bie"},
                                           {"十年", "Shi Nian"},
                                           {"老鼠爱大米", "Lao Shu Ai Da Mi"},
                                           {"两只蝴蝶", "Liang Zhi Hu Die"},
                                           {"丁香花", "Ding Xiang Hua"},
                                           {"冲动的惩罚", "Chong Dong De Cheng Fa"},
                                           {"城里的月光", "Cheng Li De Yue Guang"},
                                           {"发如雪", "Fa Ru Xue"},
                                           {"江南", "Jiang Nan"},
                                           {"夜曲", "Ye Qu"},
                                           {"稻香", "Dao Xiang"},
                                           {"青花瓷", "Qing Hua Ci"},
                                           {"隐形的翅膀", "Yin Xing De Chi Bang"},
                                           {"我们的爱", "Wo Men De Ai"},
                                           {"不得不爱", "Bu De Bu Ai"},
                                           {"千里之外", "Qian Li Zhi Wai"},
                                           {"白月光", "Bai Yue Guang"},
                                           {"暗香", "An Xiang"},
                                           {"遇见", "Yu Jian"},
                                           {"宁夏", "Ning Xia"},
                                           {"流星雨", "Liu Xing Yu"},
                                           {"单车恋人", "Dan Che Lian Ren"}}};
constexpr std::array<Named, 24> kSingers = {
    {{"邓丽君", "Teresa Teng"},   {"周杰伦", "Jay Chou"},     {"刘若英", "Rene Liu"},      {"光良", "Michael Wong"},
     {"王菲", "Faye Wong"},       {"张学友", "Jacky Cheung"}, {"林俊杰", "JJ Lin"},        {"孙燕姿", "Stefanie Sun"},
     {"梁静茹", "Fish Leong"},    {"陈奕迅", "Eason Chan"},   {"庞龙", "Pang Long"},       {"刀郎", "Dao Lang"},
     {"许美静", "Mavis Hee"},     {"蔡依林", "Jolin Tsai"},   {"潘玮柏", "Wilber Pan"},    {"张韶涵", "Angela Chang"},
     {"飞儿乐团", "FIR"},         {"五月天", "Mayday"},       {"范玮琪", "Christine Fan"}, {"刘德华", "Andy Lau"},
     {"群星", "Various Artists"}, {"张信哲", "Jeff Chang"},   {"那英", "Na Ying"},         {"羽泉", "Yu Quan"}}};
constexpr std::array<const char*, 3> kVersions = {"现场版", "伴奏", "高音质"};
constexpr std::array<const char*, 3> kAsciiTags = {"DJ Remix", "Live MV", "Remaster 2004"};
// What uploaders put after a song's name, besides a year.
constexpr std::array<const char*, 8> kNameTags = {"Live", "伴奏", "DJ版", "Remix", "现场版", "国语", "粤语", "原唱"};

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
  const std::string song = kSongs[h % kSongs.size()].chinese;
  const std::string singer = kSingers[(h >> 8) % kSingers.size()].chinese;
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
    const std::string guest = kSingers[(h >> 40) % kSingers.size()].chinese;
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

// Blanks as underscores and letters in lower case, as some uploaders wrote names.
std::string Underscored(std::string_view s) {
  std::string out = text::AsciiLower(s);
  std::replace(out.begin(), out.end(), ' ', '_');
  return out;
}

// A file name as an uploader gave it: singer and song in Chinese or in pinyin/English,
// sometimes with a track number, a tag or a year. `titleHash` picks the song and the
// singer the way BuildTitle does, so a file is named after its title; `h` the rest.
std::string BuildFileName(uint64_t titleHash, uint64_t h, std::string_view extension) {
  const Named& song = kSongs[titleHash % kSongs.size()];
  const Named& singer = kSingers[(titleHash >> 8) % kSingers.size()];
  const std::string zhSong = song.chinese;
  const std::string zhSinger = singer.chinese;
  const std::string pySong = song.latin;
  const std::string enSinger = singer.latin;

  const uint64_t extra = (h >> 3) % 16;
  const bool year = extra >= 11;
  std::string tag;
  if (year) {
    tag = std::to_string(1975 + (h >> 8) % 34);
  } else if (extra >= 5) {
    tag = kNameTags[(h >> 8) % kNameTags.size()];
  }
  std::string track;
  if ((h >> 16) % 3 == 0) track = text::Format("%02d", 1 + static_cast<int>((h >> 20) % 16));

  const uint64_t style = h % 8;
  std::string stem;
  switch (style) {
    case 0: stem = zhSinger + " - " + zhSong; break;
    case 1: stem = zhSong + "-" + zhSinger; break;
    case 2: stem = enSinger + " - " + pySong; break;
    case 3: stem = zhSong + " (" + pySong + ") - " + enSinger; break;
    case 4: stem = "[" + zhSinger + "]" + zhSong; break;
    case 5: stem = zhSinger + "《" + zhSong + "》"; break;
    case 6: stem = pySong + " - " + zhSinger; break;
    default: stem = Underscored(enSinger) + "-" + Underscored(pySong); break;
  }
  if (style == 7) {
    if (!tag.empty()) stem += "_" + Underscored(tag);
    if (!track.empty()) stem = track + "-" + stem;
  } else {
    if (!tag.empty()) stem += year ? " [" + tag + "]" : " (" + tag + ")";
    if (!track.empty()) stem = track + (style == 2 || style == 6 ? " - " : " ") + stem;
  }
  return stem + "." + std::string(extension);
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
  return CatalogFilePath(id, name);
}

std::string CatalogEntry::FileName() const {
  return name;
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
  for (const Named& n : kSongs) parts.insert(parts.end(), {n.chinese, n.latin});
  for (const Named& n : kSingers) parts.insert(parts.end(), {n.chinese, n.latin});
  for (const char* s : kVersions) parts.emplace_back(s);
  for (const char* s : kAsciiTags) parts.emplace_back(s);
  for (const char* s : kNameTags) parts.emplace_back(s);
  parts.emplace_back("《》");
  return parts;
}

std::string CatalogFilePath(std::string_view id, std::string_view name) {
  return "/files/" + std::string(id) + "/" + text::ReplaceAll(name, " ", "%20");
}

std::string DecoyFileName(uint64_t h, std::string_view extension) {
  return BuildFileName(h, MixBits(h), extension);
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
  entry.name = BuildFileName(h2, MixBits(h2), entry.extension);
  return entry;
}

std::optional<CatalogEntry> Catalog::EntryForPath(std::string_view path) const {
  constexpr std::string_view kPrefix = "/files/";
  if (path.size() < kPrefix.size() || !text::EqualsNoCase(path.substr(0, kPrefix.size()), kPrefix)) {
    return std::nullopt;
  }
  const std::string_view rest = path.substr(kPrefix.size());
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  // The id finds the file; the name only has to be the one it was listed under.
  std::optional<CatalogEntry> entry = Describe(text::AsciiLower(rest.substr(0, slash)));
  if (!entry) return std::nullopt;
  // A path may come decoded or not.
  const std::string sent = DecodeEscapes(rest.substr(slash + 1));
  if (!text::EqualsNoCase(sent, entry->name) && !text::EqualsNoCase(sent, text::Gb18030FromUtf8(entry->name))) {
    return std::nullopt;
  }
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
    result.foreignLinks.push_back("http://127.0.0.1:1" + CatalogFilePath(HexId(h), DecoyFileName(h, "mp3")));
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
