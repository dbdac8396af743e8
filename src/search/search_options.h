#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vexon::search {

// The file types a search keeps, in the order their tokens build the type filter.
enum class FileType : uint8_t {
  kMp3,
  kRm,
  kWma,
  kSwf,
  kWmv,
  kMpg,
  kMpeg,
  kMid,
  kWav,
  kAvi,
  kRam,
  kRa,
  kAsx,
  kAsf,
  // Newer formats: a link is of one of these when its whole extension is the name.
  kOgg,
  kOga,
  kOpus,
  kFlac,
  kM4a,
};
inline constexpr size_t kFileTypeCount = 19;

struct FileTypeInfo {
  FileType type;
  std::string_view name;
  // The last three characters of a URL of this type; empty for a type known by its
  // whole extension (after the URL's last dot), so "campus" is not opus.
  std::string_view suffix;
};

inline constexpr std::array<FileTypeInfo, kFileTypeCount> kFileTypes = {{
    {FileType::kMp3, "mp3", "mp3"},   {FileType::kRm, "rm", ".rm"},   {FileType::kWma, "wma", "wma"},
    {FileType::kSwf, "swf", "swf"},   {FileType::kWmv, "wmv", "wmv"}, {FileType::kMpg, "mpg", "mpg"},
    {FileType::kMpeg, "mpeg", "peg"}, {FileType::kMid, "mid", "mid"}, {FileType::kWav, "wav", "wav"},
    {FileType::kAvi, "avi", "avi"},   {FileType::kRam, "ram", "ram"}, {FileType::kRa, "ra", ".ra"},
    {FileType::kAsx, "asx", "asx"},   {FileType::kAsf, "asf", "asf"}, {FileType::kOgg, "ogg", ""},
    {FileType::kOga, "oga", ""},      {FileType::kOpus, "opus", ""},  {FileType::kFlac, "flac", ""},
    {FileType::kM4a, "m4a", ""},
}};

// Filter codes: the first character of dateFilter and sizeFilter.
inline constexpr char kFilterBelow = '1';
inline constexpr char kFilterAbove = '2';
inline constexpr char kFilterRange = '3';

// The services a search can ask, by the names the settings file and the command
// line use.
inline constexpr std::array<std::string_view, 3> kServiceNames = {"baidu", "yahoo", "archive"};
// What the window calls them, in the same order.
inline constexpr std::array<const char*, kServiceNames.size()> kServiceLabels = {"百度", "雅虎", "互联网档案馆"};

// The label of a service's name; the name itself for one not in the list.
std::string ServiceLabel(std::string_view name);

// What a search keeps of the links that come back, and which services it asks. Kept
// in memory only (the services chosen are also kept in the settings file); every
// start begins with these defaults.
struct SearchOptions {
  std::array<bool, kFileTypeCount> types = {true,  true,  true,  true,  false, false, false, false, false, false,
                                            false, false, false, false, false, false, false, false, false};
  // "" (no restriction), "1|v" (before v), "2|v" (after v), "3|lo|hi"; dates "m/d/y".
  std::string dateFilter;
  // As dateFilter, with values in KB.
  std::string sizeFilter;
  // 0: no limit.
  uint32_t maxResults = 0;
  // In the order of kServiceNames; at least one is on.
  std::array<bool, kServiceNames.size()> sources = {true, true, true};

  bool Has(FileType type) const { return types[static_cast<size_t>(type)]; }
  void Set(FileType type, bool on) { types[static_cast<size_t>(type)] = on; }
  bool Asks(std::string_view service) const;
};

// Turns on exactly the named services; an empty list turns on all of them.
void SetSources(SearchOptions& options, const std::vector<std::string>& names);
// The services turned on, as a comma list ("baidu,archive").
std::string SourcesText(const SearchOptions& options);

// The type with this name ("mp3", "mpeg", ...; any letter case); false if none.
bool FileTypeFromName(std::string_view name, FileType& type);

// Turns on exactly the types named in a comma-separated list (blanks around names are
// ignored, empty items skipped) and turns the others off. An unknown name, or a list
// naming no type, leaves the options unchanged and gives false.
bool SetTypesFromList(SearchOptions& options, std::string_view list);

// The URL's last three characters, in any letter case, are one of kFileTypes'
// suffixes (".mpeg" passes as "peg"), or its whole extension is the name of a type
// known by it: a link of a type a search could keep.
bool HasKnownTypeEnding(std::string_view url);

// The URL's last three characters, lower-cased, occur in the filter text built from
// the tokens "||" + suffix of the types that are on (a URL shorter than that fails),
// or its whole extension is the name of a type known by it that is on.
bool TypeFilterPasses(const SearchOptions& options, std::string_view url);

// `size` is the Content-Length text, `date` the "mm/dd/yyyy" text of a checked link.
bool DateSizeFilterPasses(const SearchOptions& options, std::string_view size, std::string_view date);

bool MaxResultsReached(const SearchOptions& options, uint64_t rowCount);

// Reads a filter date, month/day/year whatever the system's regional settings;
// only real calendar dates pass.
bool ReadFilterDate(std::string_view text, std::chrono::year_month_day& date);

// A time as the results list writes dates: "%02d/%02d/%04d" month, day, year (UTC);
// empty for a time that has no such date.
std::string ListDate(time_t when);

}  // namespace vexon::search
