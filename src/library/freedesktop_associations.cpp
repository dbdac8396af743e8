#include "library/freedesktop_associations.h"

#include <cstddef>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

#include "core/atomic_file.h"
#include "text/strings.h"

namespace vexon::library {
namespace {

namespace fs = std::filesystem;

// Real glob, list and desktop files are a few hundred KiB at most.
constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;
// A desktop id with many '-' could name many folder splits; this bounds the probes.
constexpr int kMaxProbesPerId = 64;
// Distinct desktop ids one lookup may try, so a list of a million ids ends quickly.
constexpr size_t kMaxIdsPerLookup = 4096;
constexpr size_t kMaxIdLength = 1024;
constexpr int kDefaultGlobWeight = 50;

std::optional<std::string> ReadCapped(const fs::path& path) {
  core::FileBytes file = core::ReadWholeFile(path, kMaxFileBytes);
  if (file.status != core::ReadStatus::kOk) return std::nullopt;
  return std::move(file.bytes);
}

bool IsRegularFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool IsDirectory(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// Calls `visit` with each line, its trailing CR removed.
void ForEachLine(std::string_view content, const std::function<void(std::string_view)>& visit) {
  while (!content.empty()) {
    const size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    visit(line);
    if (end == std::string_view::npos) break;
    content.remove_prefix(end + 1);
  }
}

// Calls `visit(group, key, value)` for each key line of a key file. Keys before any
// group, or after a malformed group header, belong to no group and are skipped.
void ForEachKey(
    std::string_view content,
    const std::function<void(std::string_view, std::string_view, std::string_view)>& visit) {
  std::string_view group;
  bool inGroup = false;
  ForEachLine(content, [&](std::string_view raw) {
    const std::string_view line = text::Trim(raw);
    if (line.empty() || line.front() == '#') return;
    if (line.front() == '[') {
      inGroup = line.size() >= 2 && line.back() == ']';
      group = inGroup ? line.substr(1, line.size() - 2) : std::string_view();
      return;
    }
    if (!inGroup) return;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return;
    const std::string_view key = text::TrimRight(line.substr(0, equals));
    if (key.empty()) return;
    visit(group, key, text::TrimLeft(line.substr(equals + 1)));
  });
}

// The ';'-separated desktop ids of every `type` key (any letter case) in `group`.
std::vector<std::string> IdsFor(std::string_view content, std::string_view group,
                                std::string_view type) {
  std::vector<std::string> ids;
  ForEachKey(content, [&](std::string_view g, std::string_view key, std::string_view value) {
    if (g != group || !text::EqualsNoCase(key, type)) return;
    for (const std::string& part : text::Split(value, ";")) {
      const std::string_view id = text::Trim(part);
      if (!id.empty()) ids.emplace_back(id);
    }
  });
  return ids;
}

// The character a key file string escape stands for; 0 for one it does not define.
char StringEscape(char letter) {
  switch (letter) {
    case 's': return ' ';
    case 'n': return '\n';
    case 't': return '\t';
    case 'r': return '\r';
    case '\\': return '\\';
    default: return 0;
  }
}

// The general string escapes of key file values: \s \n \t \r and a doubled
// backslash. Any other backslash stays, so the Exec quoting rules still see it.
std::string UnescapeValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    const char escaped = value[i] == '\\' && i + 1 < value.size() ? StringEscape(value[i + 1]) : 0;
    if (escaped != 0) {
      out += escaped;
      ++i;
    } else {
      out += value[i];
    }
  }
  return out;
}

struct ExecArgument {
  std::string text;
  bool onlyFieldCodes = false;  // nothing but field codes: no argument once expanded
};

bool IsFieldCode(char c) {
  static constexpr std::string_view kCodes = "fFuUdDnNickvm";
  return kCodes.find(c) != std::string_view::npos;
}

bool IsQuotedEscape(char c) { return c == '"' || c == '`' || c == '$' || c == '\\'; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Splits an Exec value into arguments; nothing when a quote is left open.
std::optional<std::vector<ExecArgument>> TokenizeExec(std::string_view exec) {
  std::vector<ExecArgument> arguments;
  std::string current;
  bool started = false;
  bool quoted = false;
  bool hadFieldCode = false;
  const auto finish = [&] {
    if (started) arguments.push_back({current, hadFieldCode && current.empty()});
    current.clear();
    started = false;
    hadFieldCode = false;
  };
  for (size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    const bool hasNext = i + 1 < exec.size();
    if (quoted) {
      if (c == '"') {
        quoted = false;
        continue;
      }
      if (c == '\\' && hasNext && IsQuotedEscape(exec[i + 1])) {
        current += exec[++i];
        continue;
      }
    } else {
      if (IsBlank(c)) {
        finish();
        continue;
      }
      started = true;
      if (c == '"') {
        quoted = true;
        continue;
      }
      // Outside quotes a backslash keeps the next character, as a shell would.
      if (c == '\\' && hasNext) {
        current += exec[++i];
        continue;
      }
    }
    if (c == '%' && hasNext) {
      const char code = exec[i + 1];
      if (code == '%') {
        current += '%';
        ++i;
        continue;
      }
      if (IsFieldCode(code)) {
        hadFieldCode = true;
        ++i;
        continue;
      }
    }
    current += c;
  }
  if (quoted) return std::nullopt;
  finish();
  return arguments;
}

struct DesktopEntry {
  bool hidden = false;
  std::optional<std::string> exec;  // string escapes already undone
};

// The [Desktop Entry] group of a desktop file; nothing when it has none.
std::optional<DesktopEntry> LoadDesktopEntry(const fs::path& path) {
  const std::optional<std::string> content = ReadCapped(path);
  if (!content) return std::nullopt;
  DesktopEntry entry;
  bool hasGroup = false;
  ForEachKey(*content, [&](std::string_view group, std::string_view key, std::string_view value) {
    if (group != "Desktop Entry") return;
    hasGroup = true;
    if (key == "Hidden") entry.hidden = entry.hidden || value == "true";
    if (key == "Exec" && !entry.exec) entry.exec = UnescapeValue(value);
  });
  if (!hasGroup) return std::nullopt;
  return entry;
}

bool IsPlausibleId(std::string_view id) {
  return !id.empty() && id.size() <= kMaxIdLength && text::EndsWith(id, ".desktop") &&
         id.find('/') == std::string_view::npos && id.find('\0') == std::string_view::npos;
}

// Looks for `rest` in `dir`, then with each '-' read as a folder separator.
std::optional<fs::path> FindIdIn(const fs::path& dir, std::string_view rest, int& budget) {
  if (--budget < 0) return std::nullopt;
  const fs::path direct = dir / rest;
  if (IsRegularFile(direct)) return direct;
  for (size_t dash = rest.find('-'); dash != std::string_view::npos;
       dash = rest.find('-', dash + 1)) {
    const std::string_view folder = rest.substr(0, dash);
    // "." and ".." would lead out of the applications folder.
    if (folder.empty() || folder == "." || folder == "..") continue;
    const fs::path sub = dir / folder;
    if (!IsDirectory(sub)) continue;
    if (std::optional<fs::path> found = FindIdIn(sub, rest.substr(dash + 1), budget)) {
      return found;
    }
    if (budget < 0) return std::nullopt;
  }
  return std::nullopt;
}

// Finds desktop files by id across the applications folders, remembering answers
// for the length of one lookup.
class DesktopFiles final {
 public:
  explicit DesktopFiles(std::vector<fs::path> applicationDirs)
      : applicationDirs_(std::move(applicationDirs)) {}

  // The first file with this id; a higher folder's file hides lower ones even when
  // it is Hidden, which is how an id gets deleted.
  std::optional<fs::path> Locate(std::string_view id) const {
    if (!IsPlausibleId(id)) return std::nullopt;
    for (const fs::path& dir : applicationDirs_) {
      int budget = kMaxProbesPerId;
      if (std::optional<fs::path> found = FindIdIn(dir, id, budget)) return found;
    }
    return std::nullopt;
  }

  // Installed: the file exists, has a [Desktop Entry] group and is not Hidden.
  bool Installed(const std::string& id) {
    if (const auto known = installed_.find(id); known != installed_.end()) return known->second;
    if (installed_.size() >= kMaxIdsPerLookup) return false;
    bool result = false;
    if (const std::optional<fs::path> path = Locate(id)) {
      const std::optional<DesktopEntry> entry = LoadDesktopEntry(*path);
      result = entry && !entry->hidden;
    }
    installed_.emplace(id, result);
    return result;
  }

 private:
  std::vector<fs::path> applicationDirs_;
  std::map<std::string, bool> installed_;
};

// What one mimeapps.list says about one type.
struct ListEntries {
  size_t dataRoot = 0;  // 0 for config folders, else 1 + index into the data roots
  std::vector<std::string> defaults;
  std::vector<std::string> added;
  std::vector<std::string> removed;
};

ListEntries ReadList(const fs::path& path, std::string_view type, size_t dataRoot,
                     bool perDesktop) {
  ListEntries entries;
  entries.dataRoot = dataRoot;
  const std::optional<std::string> content = ReadCapped(path);
  if (!content) return entries;
  entries.defaults = IdsFor(*content, "Default Applications", type);
  // Added and removed associations belong in the plain mimeapps.list files only.
  if (!perDesktop) {
    entries.added = IdsFor(*content, "Added Associations", type);
    entries.removed = IdsFor(*content, "Removed Associations", type);
  }
  return entries;
}

bool UsableDesktopName(const std::string& desktop) {
  return !desktop.empty() && desktop.find('/') == std::string::npos && desktop != "." &&
         desktop != "..";
}

std::optional<std::string> FirstInstalled(const std::vector<std::string>& ids,
                                          const std::set<std::string>& removed,
                                          DesktopFiles& files) {
  for (const std::string& id : ids) {
    if (removed.count(id) == 0 && files.Installed(id)) return id;
  }
  return std::nullopt;
}

struct GlobLine {
  int weight = kDefaultGlobWeight;
  std::string_view type;
  std::string_view pattern;
  bool caseSensitive = false;
};

std::optional<int> ParseWeight(std::string_view field) {
  if (field.empty() || field.size() > 3) return std::nullopt;
  int weight = 0;
  for (const char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    weight = weight * 10 + (c - '0');
  }
  return weight;
}

// "weight:type:pattern[:flags[:...]]" of globs2, or "type:pattern" of globs.
std::optional<GlobLine> ParseGlobLine(std::string_view line, bool weighted) {
  if (line.empty() || line.front() == '#') return std::nullopt;
  GlobLine glob;
  if (weighted) {
    const size_t first = line.find(':');
    if (first == std::string_view::npos) return std::nullopt;
    const std::optional<int> weight = ParseWeight(line.substr(0, first));
    if (!weight) return std::nullopt;
    glob.weight = *weight;
    line.remove_prefix(first + 1);
    const size_t second = line.find(':');
    if (second == std::string_view::npos) return std::nullopt;
    glob.type = line.substr(0, second);
    line.remove_prefix(second + 1);
    const size_t third = line.find(':');
    glob.pattern = line.substr(0, third);
    if (third != std::string_view::npos) {
      std::string_view flags = line.substr(third + 1);
      flags = flags.substr(0, flags.find(':'));
      for (const std::string& flag : text::Split(flags, ",")) {
        if (flag == "cs") glob.caseSensitive = true;
      }
    }
  } else {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    glob.type = line.substr(0, colon);
    glob.pattern = line.substr(colon + 1);
  }
  if (glob.type.find('/') == std::string_view::npos || glob.pattern.empty()) return std::nullopt;
  return glob;
}

// Only "*.literal" patterns say anything about an extension alone.
bool MatchesExtension(const GlobLine& glob, std::string_view dottedExtension) {
  if (glob.pattern.size() < 3 || glob.pattern[0] != '*' || glob.pattern[1] != '.') return false;
  const std::string_view suffix = glob.pattern.substr(1);
  if (suffix.find_first_of("*?[") != std::string_view::npos) return false;
  return glob.caseSensitive ? suffix == dottedExtension
                            : text::EqualsNoCase(suffix, dottedExtension);
}

void AddUnique(std::vector<fs::path>& paths, const fs::path& path) {
  if (path.empty()) return;
  const fs::path normal = path.lexically_normal();
  for (const fs::path& known : paths) {
    if (known.lexically_normal() == normal) return;
  }
  paths.push_back(path);
}

std::optional<fs::path> AbsoluteFromVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  fs::path path(value);
  if (!path.is_absolute()) return std::nullopt;
  return path;
}

std::vector<fs::path> PathListFromVariable(const char* name,
                                           std::initializer_list<const char*> fallback) {
  std::vector<fs::path> paths;
  if (const char* value = std::getenv(name)) {
    for (const std::string& part : text::Split(value, ":")) {
      fs::path path(part);
      if (path.is_absolute()) paths.push_back(std::move(path));
    }
  }
  if (paths.empty()) {
    for (const char* path : fallback) paths.emplace_back(path);
  }
  return paths;
}

fs::path HomeRelative(const char* relative) {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return {};
  return fs::path(home) / relative;
}

}  // namespace

XdgDirs XdgDirs::FromEnvironment() {
  XdgDirs dirs;
  dirs.configHome = AbsoluteFromVariable("XDG_CONFIG_HOME").value_or(HomeRelative(".config"));
  dirs.configDirs = PathListFromVariable("XDG_CONFIG_DIRS", {"/etc/xdg"});
  dirs.dataHome = AbsoluteFromVariable("XDG_DATA_HOME").value_or(HomeRelative(".local/share"));
  dirs.dataDirs = PathListFromVariable("XDG_DATA_DIRS", {"/usr/local/share", "/usr/share"});
  if (const char* current = std::getenv("XDG_CURRENT_DESKTOP")) {
    for (const std::string& name : text::Split(current, ":")) {
      if (!name.empty()) dirs.desktops.push_back(text::AsciiLower(name));
    }
  }
  return dirs;
}

std::vector<std::string> SplitExecLine(const std::string& exec) {
  std::vector<std::string> result;
  const std::optional<std::vector<ExecArgument>> arguments = TokenizeExec(exec);
  if (!arguments) return result;
  for (const ExecArgument& argument : *arguments) {
    if (!argument.onlyFieldCodes) result.push_back(argument.text);
  }
  return result;
}

FreedesktopAssociations::FreedesktopAssociations(XdgDirs dirs) : dirs_(std::move(dirs)) {}

std::vector<fs::path> FreedesktopAssociations::ConfigRoots() const {
  std::vector<fs::path> roots;
  AddUnique(roots, dirs_.configHome);
  for (const fs::path& dir : dirs_.configDirs) AddUnique(roots, dir);
  return roots;
}

std::vector<fs::path> FreedesktopAssociations::DataRoots() const {
  std::vector<fs::path> roots;
  AddUnique(roots, dirs_.dataHome);
  for (const fs::path& dir : dirs_.dataDirs) AddUnique(roots, dir);
  return roots;
}

std::vector<fs::path> FreedesktopAssociations::ApplicationDirs() const {
  std::vector<fs::path> dirs;
  for (const fs::path& root : DataRoots()) dirs.push_back(root / "applications");
  return dirs;
}

std::optional<std::string> FreedesktopAssociations::TypeForExtension(const std::string& extension) {
  const std::string_view bare =
      text::StartsWith(extension, ".") ? std::string_view(extension).substr(1) : extension;
  if (bare.empty()) return std::nullopt;
  const std::string dotted = "." + std::string(bare);

  // Ranked by weight, then pattern length, then a case-sensitive match over a
  // folded one (".C" is C++ even where "*.c" comes first); ties keep the first seen.
  std::optional<std::string> bestType;
  std::tuple<int, size_t, bool> bestRank{-1, 0, false};
  // Types whose globs a higher-priority folder dropped with __NOGLOBS__.
  std::set<std::string> dropped;
  for (const fs::path& root : DataRoots()) {
    bool weighted = true;
    std::optional<std::string> content = ReadCapped(root / "mime" / "globs2");
    if (!content) {
      weighted = false;
      content = ReadCapped(root / "mime" / "globs");
    }
    if (!content) continue;
    std::set<std::string> droppedHere;
    ForEachLine(*content, [&](std::string_view line) {
      const std::optional<GlobLine> glob = ParseGlobLine(line, weighted);
      if (!glob) return;
      const std::string typeKey = text::AsciiLower(glob->type);
      if (glob->pattern == "__NOGLOBS__") {
        droppedHere.insert(typeKey);
        return;
      }
      if (dropped.count(typeKey) != 0 || !MatchesExtension(*glob, dotted)) return;
      const std::tuple<int, size_t, bool> rank{glob->weight, glob->pattern.size(),
                                               glob->caseSensitive};
      if (rank > bestRank) {
        bestType = std::string(glob->type);
        bestRank = rank;
      }
    });
    dropped.insert(droppedHere.begin(), droppedHere.end());
  }
  return bestType;
}

std::optional<std::string> FreedesktopAssociations::DefaultApplication(const std::string& type) {
  if (text::Trim(type).empty()) return std::nullopt;
  const std::vector<fs::path> dataRoots = DataRoots();

  std::vector<ListEntries> lists;
  const auto readFolder = [&](const fs::path& folder, size_t dataRoot) {
    for (const std::string& desktop : dirs_.desktops) {
      if (!UsableDesktopName(desktop)) continue;
      lists.push_back(ReadList(folder / (desktop + "-mimeapps.list"), type, dataRoot, true));
    }
    lists.push_back(ReadList(folder / "mimeapps.list", type, dataRoot, false));
  };
  for (const fs::path& root : ConfigRoots()) readFolder(root, 0);
  for (size_t i = 0; i < dataRoots.size(); ++i) readFolder(dataRoots[i] / "applications", i + 1);

  DesktopFiles files(ApplicationDirs());
  // A removal hides an application from its own file and every later one.
  std::set<std::string> removed;
  for (const ListEntries& list : lists) {
    removed.insert(list.removed.begin(), list.removed.end());
    if (auto id = FirstInstalled(list.defaults, removed, files)) return id;
  }
  removed.clear();
  for (const ListEntries& list : lists) {
    removed.insert(list.removed.begin(), list.removed.end());
    if (auto id = FirstInstalled(list.added, removed, files)) return id;
  }
  // A data folder's cache sees the removals of the config folders, of its own
  // folder and of the folders above it.
  removed.clear();
  size_t listIndex = 0;
  const auto takeRemovals = [&](size_t upToDataRoot) {
    for (; listIndex < lists.size() && lists[listIndex].dataRoot <= upToDataRoot; ++listIndex) {
      removed.insert(lists[listIndex].removed.begin(), lists[listIndex].removed.end());
    }
  };
  for (size_t i = 0; i < dataRoots.size(); ++i) {
    takeRemovals(i + 1);
    const std::optional<std::string> cache =
        ReadCapped(dataRoots[i] / "applications" / "mimeinfo.cache");
    if (!cache) continue;
    if (auto id = FirstInstalled(IdsFor(*cache, "MIME Cache", type), removed, files)) return id;
  }
  return std::nullopt;
}

std::optional<std::string> FreedesktopAssociations::Executable(const std::string& application) {
  const DesktopFiles files(ApplicationDirs());
  const std::optional<fs::path> path = files.Locate(application);
  if (!path) return std::nullopt;
  const std::optional<DesktopEntry> entry = LoadDesktopEntry(*path);
  if (!entry || entry->hidden || !entry->exec) return std::nullopt;
  const std::optional<std::vector<ExecArgument>> arguments = TokenizeExec(*entry->exec);
  if (!arguments || arguments->empty()) return std::nullopt;
  // A leading field code (or "") leaves an empty first argument: no program.
  const std::string& program = arguments->front().text;
  if (program.empty()) return std::nullopt;
  return program;
}

}  // namespace vexon::library
