#include "standin/archive_catalog.h"

#include <algorithm>
#include <array>

#include "standin/catalog.h"
#include "standin/http_date.h"
#include "text/strings.h"

namespace vexon::standin {
namespace {

constexpr size_t kTemplateTracks = 6;

struct ItemTemplate {
  const char* identifier;
  const char* title;                    // "": the item has none
  std::array<const char*, 3> creators;  // ends at the first nullptr
  const char* collection;
  const char* date;
  bool live;  // track titles end in " (Live)"
  std::array<const char*, kTemplateTracks> tracks;
  // The folder the tracks sit in, as a CD transfer keeps them ("disc1/"); "" for none.
  const char* folder = "";
};

// Real-looking items; beyond these the list repeats as reissues ("<id>_r<N>").
const std::array<ItemTemplate, 12> kTemplates = {{
    {"gd1969-02-27.sbd.flac16",
     "Live at the Fillmore 1969",
     {"Grateful Dead", nullptr, nullptr},
     "etree",
     "1969-02-27",
     true,
     {"Dark Star", "St. Stephen", "The Eleven", "Turn On Your Love Light", "Death Don't Have No Mercy", "Morning Dew"}},
    {"78_yelaixiang_zhouxuan_1946",
     "夜来香 (78rpm transfer)",
     {"周璇", "百代国乐队", nullptr},
     "78rpm",
     "1946",
     false,
     {"夜来香", "天涯歌女", "四季歌", "何日君再来", "花好月圆", "五月的风"},
     "disc1/"},
    {"tengliju1985-11-03.aud.flac16",
     "月亮代表我的心 (Live in Tokyo 1985)",
     {"邓丽君", "Teresa Teng", nullptr},
     "etree",
     "1985-11-03",
     true,
     {"月亮代表我的心", "甜蜜蜜", "夜来香", "小城故事", "我只在乎你", "何日君再来"}},
    {"paperlanterns_moonlight_sonatas",
     "Moonlight Sonatas [CC BY 3.0]",
     {"The Paper Lanterns", nullptr, nullptr},
     "netlabels",
     "2012-05-14",
     false,
     {"Intro (Night Drive)", "Glass & Rain", "Café Noir", "Señorita Blue", "Ghosts [Reprise]", "Outro"}},
    {"edison_stars_and_stripes_1909",
     "The Stars and Stripes Forever (Edison Amberol cylinder)",
     {"Sousa's Band", nullptr, nullptr},
     "cylinders",
     "1909",
     false,
     {"The Stars and Stripes Forever", "The Washington Post", "El Capitan", "Semper Fidelis", "The Liberty Bell",
      "King Cotton"}},
    {"aircheck_wxyz_1947-12-24_unlabeled",
     "",
     {nullptr, nullptr, nullptr},
     "oldtimeradio",
     "1947-12-24",
     false,
     {"Station Identification", "Silent Night", "Jingle Bells (Dance Band)", "News Bulletin", "White Christmas",
      "Sign-Off"}},
    {"78_shanghai_laoge_collection",
     "上海老歌 78转唱片合集",
     {"白光", "吴莺音", "姚莉"},
     "78rpm",
     "1948",
     false,
     {"如果没有你", "我有一段情", "玫瑰玫瑰我爱你", "秋的怀念", "春风吻上我的脸", "岷江夜曲"}},
    {"moonriverband2017-08-12.aud",
     "Live at Music Hall of Williamsburg 2017-08-12",
     {"Moon River Band", nullptr, nullptr},
     "etree",
     "2017-08-12",
     true,
     {"Opening Jam", "Harbor Lights", "Mercy, Mercy", "Long Way Home", "Loop #7", "Goodnight Irene"}},
    {"musopen_beethoven_symphony5",
     "Symphony No. 5 in C minor, Op. 67",
     {"Ludwig van Beethoven", "Musopen Symphony", nullptr},
     "musopen",
     "2012",
     false,
     {"I. Allegro con brio", "II. Andante con moto", "III. Scherzo - Allegro", "IV. Allegro", "Rehearsal Notes",
      "Applause"}},
    {"guanpinghu_guqin_liushui_1956",
     "流水 — 古琴 (1956 field recording)",
     {"管平湖", nullptr, nullptr},
     "folkways",
     "1956",
     false,
     {"流水", "广陵散", "平沙落雁", "渔樵问答", "梅花三弄", "阳关三叠"}},
    {"netlabel_ambient_tapes_vol3",
     "Ambient Tapes Vol. 3",
     {"Kōji Saitō & Friends", nullptr, nullptr},
     "netlabels",
     "2015-03-01",
     false,
     {"Tape Hiss (A-Side)", "Rainy Platform", "Über den Wolken", "夜の散歩", "Fade [Extended]", "100% Static"}},
    {"78_meilanfang_jingju_1930",
     "梅兰芳 京剧唱段 (78rpm transfer, 1930)",
     {"梅兰芳", nullptr, nullptr},
     "78rpm",
     "1930",
     false,
     {"贵妃醉酒", "霸王别姬", "天女散花", "宇宙锋", "洛神", "太真外传"}},
}};

constexpr uint64_t kMegabyte = 1000 * 1000;
constexpr int64_t kTenYears = 10LL * 365 * 86400;

std::string XmlEscape(std::string_view s) {
  return text::ReplaceAll(text::ReplaceAll(text::ReplaceAll(s, "&", "&amp;"), "<", "&lt;"), ">", "&gt;");
}

uint64_t ItemHash(uint64_t seed, std::string_view identifier) {
  return MixBits(seed ^ HashText(identifier));
}

// The four files of one track: the FLAC original and its three derivatives.
void AddTrack(const ArchiveDoc& doc, const std::string& folder, const std::string& songTitle, int track, uint64_t h,
              int64_t itemTime, std::vector<ArchiveFile>& files) {
  const std::string base = folder + text::Format("%02d - ", track) + songTitle;
  const double length = static_cast<double>(190 + h % 340) + static_cast<double>((h >> 10) % 10) / 10.0;
  const auto seconds = static_cast<uint64_t>(length);
  const std::string creator = doc.creators.empty() ? std::string() : doc.creators.front();

  ArchiveFile flac;
  flac.name = base + ".flac";
  flac.source = "original";
  flac.format = "Flac";
  flac.title = songTitle;
  flac.creator = creator;
  flac.track = track;
  flac.length = length;
  flac.size = 20 * kMegabyte + (h >> 14) % (20 * kMegabyte);
  flac.mtime = itemTime + track * 97;
  flac.contentType = "audio/flac";
  // An untitled item's tapes were never labelled one by one either.
  if (doc.title.empty() && track % 2 == 1) flac.title.clear();

  const int64_t derived = itemTime + 86400 * static_cast<int64_t>(1 + (h >> 20) % 30) + track * 13;
  ArchiveFile vbr = flac;
  vbr.name = base + ".mp3";
  vbr.source = "derivative";
  vbr.format = "VBR MP3";
  vbr.original = flac.name;
  // Tags and headers make sizes uneven even where the clamp is reached.
  const uint64_t tags = 2048 + (h >> 48) % 30000;
  vbr.size = std::clamp<uint64_t>(seconds * (15000 + (h >> 24) % 3000), 3 * kMegabyte, 9 * kMegabyte) + tags;
  vbr.mtime = derived;
  vbr.contentType = "audio/mpeg";

  ArchiveFile mp3 = vbr;
  mp3.name = base + "_128kb.mp3";
  mp3.format = "128Kbps MP3";
  mp3.size = std::clamp<uint64_t>(seconds * 16000, 3 * kMegabyte, 9 * kMegabyte) + tags;

  ArchiveFile ogg = vbr;
  ogg.name = base + ".ogg";
  ogg.format = "Ogg Vorbis";
  ogg.size = std::clamp<uint64_t>(seconds * (11000 + (h >> 28) % 3000), 3 * kMegabyte, 7 * kMegabyte) + tags / 2;
  ogg.contentType = "audio/ogg";
  ogg.sizeListed = (h >> 32) % 6 != 0;
  if ((h >> 36) % 3 == 0) ogg.creator.clear();
  if ((h >> 40) % 7 == 0) ogg.title.clear();

  for (ArchiveFile* f : {&flac, &vbr, &mp3, &ogg}) {
    f->sizeAsNumber = (HashText(f->name) ^ h) % 5 == 0;
    files.push_back(std::move(*f));
  }
}

// A take only lenders may hear, as a CD item keeps its full tracks: the VBR file is
// private (403 to everyone) and only a 30-second sample is public.
void AddRestrictedTake(const ArchiveDoc& doc, const std::string& songTitle, uint64_t h, int64_t itemTime,
                       std::vector<ArchiveFile>& files) {
  const std::string base = "bonus/" + songTitle + " (alternate take)";
  ArchiveFile full;
  full.name = base + ".mp3";
  full.source = "derivative";
  full.format = "VBR MP3";
  full.original = base + ".flac";
  full.title = songTitle + " (alternate take)";
  full.artist = doc.creators.empty() ? std::string() : doc.creators.front();
  full.size = 4 * kMegabyte + (h >> 12) % kMegabyte;
  full.mtime = itemTime + 7200;
  full.contentType = "audio/mpeg";
  full.isPrivate = true;
  ArchiveFile sample = full;
  sample.name = base + "_sample.mp3";
  sample.format = "MP3 Sample";
  sample.size = 480000 + (h >> 20) % 60000;
  sample.isPrivate = false;
  files.push_back(std::move(full));
  files.push_back(std::move(sample));
}

}  // namespace

std::string ArchiveFile::Extension() const {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : text::AsciiLower(std::string_view(name).substr(dot + 1));
}

ArchiveCatalog::ArchiveCatalog(uint64_t seed, int items, int tracksPerItem)
    : seed_(seed), items_(std::max(0, items)), tracks_(std::max(0, tracksPerItem)) {}

ArchiveDoc ArchiveCatalog::Doc(int index) const {
  const ItemTemplate& t = kTemplates[static_cast<size_t>(index) % kTemplates.size()];
  const int reissue = index / static_cast<int>(kTemplates.size());
  ArchiveDoc doc;
  doc.identifier = t.identifier;
  doc.title = t.title;
  if (reissue > 0) {
    doc.identifier += "_r" + std::to_string(reissue);
    if (!doc.title.empty()) doc.title += " [reissue " + std::to_string(reissue) + "]";
  }
  for (const char* creator : t.creators) {
    if (!creator) break;
    doc.creators.emplace_back(creator);
  }
  doc.collection = t.collection;
  doc.date = t.date;
  return doc;
}

ArchiveItem ArchiveCatalog::Item(int index) const {
  const ItemTemplate& t = kTemplates[static_cast<size_t>(index) % kTemplates.size()];
  ArchiveItem item;
  item.doc = Doc(index);
  const uint64_t itemHash = ItemHash(seed_, item.doc.identifier);
  const int64_t itemTime = UnixFromCivil(2010, 1, 1) + static_cast<int64_t>(itemHash % kTenYears);
  int64_t latest = itemTime;
  for (int track = 1; track <= tracks_; ++track) {
    const size_t song = static_cast<size_t>(track - 1) % kTemplateTracks;
    const int take = (track - 1) / static_cast<int>(kTemplateTracks) + 1;
    std::string title = t.tracks[song];
    if (take > 1) title += " (take " + std::to_string(take) + ")";
    if (t.live) title += " (Live)";
    AddTrack(item.doc, t.folder, title, track, MixBits(itemHash ^ static_cast<uint64_t>(track)), itemTime, item.files);
    latest = std::max(latest, item.files.back().mtime);
  }
  if (tracks_ > 0) AddRestrictedTake(item.doc, t.tracks[0], itemHash, itemTime, item.files);

  ArchiveFile meta;
  meta.name = item.doc.identifier + "_meta.xml";
  meta.source = "original";
  meta.format = "Metadata";
  meta.body = ArchiveMetaXml(item.doc);
  meta.size = meta.body->size();
  meta.mtime = latest + 60;
  meta.contentType = "text/xml";
  ArchiveFile cover;
  cover.name = "cover.jpg";
  cover.source = "original";
  cover.format = "JPEG";
  cover.size = 40000 + (itemHash >> 8) % 160000;
  cover.sizeAsNumber = (itemHash >> 40) % 2 == 0;
  cover.mtime = itemTime;
  cover.contentType = "image/jpeg";
  item.files.push_back(std::move(meta));
  item.files.push_back(std::move(cover));
  return item;
}

std::optional<int> ArchiveCatalog::IndexOf(std::string_view identifier) const {
  for (size_t t = 0; t < kTemplates.size(); ++t) {
    const std::string_view base = kTemplates[t].identifier;
    int64_t reissue = 0;
    if (identifier != base) {
      if (!text::StartsWith(identifier, base) || !text::StartsWith(identifier.substr(base.size()), "_r")) continue;
      const std::string_view digits = identifier.substr(base.size() + 2);
      if (digits.empty() || digits.size() > 9 || digits[0] == '0' ||
          !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        continue;
      }
      reissue = text::LeadingInt(digits);
    }
    const int64_t index = reissue * static_cast<int64_t>(kTemplates.size()) + static_cast<int64_t>(t);
    if (index < items_) return static_cast<int>(index);
  }
  return std::nullopt;
}

std::optional<ArchiveItem> ArchiveCatalog::Find(std::string_view identifier) const {
  const std::optional<int> index = IndexOf(identifier);
  if (!index) return std::nullopt;
  return Item(*index);
}

std::optional<ArchiveFile> ArchiveCatalog::FindFile(std::string_view identifier, std::string_view name) const {
  std::optional<ArchiveItem> item = Find(identifier);
  if (!item) return std::nullopt;
  for (ArchiveFile& file : item->files) {
    if (file.name == name) return std::move(file);
  }
  return std::nullopt;
}

std::string ArchiveMetaXml(const ArchiveDoc& doc) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<metadata>\n";
  xml += "  <identifier>" + XmlEscape(doc.identifier) + "</identifier>\n";
  xml += "  <mediatype>audio</mediatype>\n";
  xml += "  <collection>" + XmlEscape(doc.collection) + "</collection>\n";
  if (!doc.title.empty()) xml += "  <title>" + XmlEscape(doc.title) + "</title>\n";
  for (const std::string& creator : doc.creators) xml += "  <creator>" + XmlEscape(creator) + "</creator>\n";
  xml += "  <date>" + XmlEscape(doc.date) + "</date>\n";
  xml += "</metadata>\n";
  return xml;
}

}  // namespace vexon::standin
