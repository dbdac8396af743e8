#include "library/completed_log.h"

#include <algorithm>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "core/list_schemas.h"
#include "core/reveal_file.h"
#include "library/playlist.h"
#include "text/strings.h"

namespace vexon::library {
namespace fs = std::filesystem;
namespace {

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// Moves a file, also to another file system (copy, then remove the source).
bool MoveFile(const fs::path& from, const fs::path& to, std::string& error) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return true;
  if (ec != std::errc::cross_device_link) {
    error = ec.message();
    return false;
  }
  fs::copy_file(from, to, fs::copy_options::none, ec);
  if (ec) {
    error = ec.message();
    fs::remove(to, ec);
    return false;
  }
  fs::remove(from, ec);
  return true;
}

}  // namespace

CompletedLog::CompletedLog(core::ListTable& completed, const storage::AppSettings& settings,
                           storage::SettingsStore& store, core::Prompter& prompter, core::Shell& shell,
                           MoveFileDialog& moveDialog, fs::path startDir, text::Translator texts,
                           core::OwnerChannel* tagChannel)
    : settings_(settings),
      store_(store),
      prompter_(prompter),
      texts_(std::move(texts)),
      shell_(shell),
      moveDialog_(moveDialog),
      startDir_(std::move(startDir)),
      entries_(completed, {&CompletedLog::Cells, {}, {}}) {
  completed.NumberRowsInColumn0();
  if (tagChannel != nullptr) tags_ = std::make_unique<TagReader>(*tagChannel, static_cast<TagsListener&>(*this));
}

std::vector<std::string> CompletedLog::Cells(const Entry& entry) {
  return {{},
          storage::FileNameOfPath(entry.path),
          storage::TypeOfPath(entry.path),
          entry.sizeText,
          storage::FolderOfPath(entry.path),
          entry.tags ? entry.tags->artist : std::string(),
          entry.tags ? entry.tags->title : std::string(),
          entry.tags ? entry.tags->album : std::string(),
          entry.tags ? LengthText(entry.tags->lengthSeconds) : std::string()};
}

void CompletedLog::ReadTags(const std::vector<std::string>& paths) {
  if (tags_ == nullptr) return;
  std::vector<fs::path> audio;
  for (const std::string& path : paths) {
    if (IsAudioTagFile(path)) audio.emplace_back(path);
  }
  if (!audio.empty()) tags_->Read(std::move(audio));
}

void CompletedLog::TagsRead(std::span<const TagResult> results) {
  std::unordered_map<std::string, const std::optional<AudioTags>*> read;
  for (const TagResult& result : results) read[result.path.string()] = &result.tags;
  bool changed = false;
  for (const auto& [key, entry] : entries_.items()) {
    const auto it = read.find(entry.path);
    if (it == read.end() || entry.tags == *it->second) continue;
    entries_.Find(key)->tags = *it->second;
    changed = true;
    if (!entries_.filtered()) entries_.Show(key);
  }
  // What the filter sees has changed: the rows are made again once per batch.
  if (changed && entries_.filtered()) entries_.Refilter();
}

std::string CompletedLog::FullPath(size_t row) const {
  const Entry* entry = entries_.AtRow(row);
  return entry ? entry->path : std::string();
}

void CompletedLog::Append(std::string path, std::string sizeText) {
  removed_.erase(path);
  entries_.Add({std::move(path), std::move(sizeText), std::nullopt});
}

void CompletedLog::Remove(uint64_t key) {
  if (const Entry* entry = entries_.Find(key)) removed_.insert(entry->path);
  entries_.Remove(key);
}

void CompletedLog::Save() {
  std::vector<std::string> paths;
  paths.reserve(entries_.size());
  for (const auto& [key, entry] : entries_.items()) paths.push_back(entry.path);
  store_.SaveCompletedLog(paths, removed_, settings_);
}

std::string CompletedLog::MoveFailedText(std::string_view from, std::string_view to, std::string_view why) const {
  const std::string_view values[] = {from, to, why};
  return texts_.Fill(kMoveFailedFormat, values);
}

bool CompletedLog::Ask(const char* question) {
  return prompter_.Show(std::string(texts_(question)), core::MessageIcon::kQuestion, core::MessageButtons::kYesNo) ==
         core::MessageResult::kYes;
}

void CompletedLog::Load(const std::vector<storage::CompletedRecord>& records) {
  entries_.Clear();
  std::vector<std::string> paths;
  for (const storage::CompletedRecord& record : records) {
    Append(record.path, text::Format("%llu", static_cast<unsigned long long>(record.size)));
    paths.push_back(record.path);
  }
  entries_.table().Resort();
  ReadTags(paths);
}

size_t CompletedLog::KeepNewest(size_t count) {
  size_t removed = 0;
  for (; entries_.size() > count; ++removed) entries_.Remove(OldestKey());
  return removed;
}

void CompletedLog::AddLogItem(const std::string& fullPath, const std::string& sizeText) {
  const size_t maxEntries = settings_.CompletedMaxItems == 0 ? 1 : settings_.CompletedMaxItems;
  // The oldest give way unrecorded: the merge with the file keeps the newest as
  // well, and a record of every entry ever dropped would grow with each download.
  while (entries_.size() >= maxEntries) entries_.Remove(OldestKey());
  Append(fullPath, sizeText);
  entries_.table().ResortAfterAppend();
  Save();
  ReadTags({fullPath});
}

void CompletedLog::OnPlay(const std::vector<size_t>& selected) {
  std::vector<std::string> paths;
  for (size_t row : selected) {
    if (const Entry* entry = entries_.AtRow(row)) paths.push_back(entry->path);
  }
  PlayFiles(paths);
}

void CompletedLog::PlayFiles(const std::vector<std::string>& paths) {
  std::vector<PlaylistEntry> playlist;
  for (const std::string& path : paths) playlist.push_back({storage::FileNameOfPath(path), path});
  if (playlist.empty()) return;
  if (playlist.size() == 1) {
    OpenOrTell(playlist.front().fullPath, kPlayFailedFormat);
    return;
  }
  // The very file written is the one opened: file names here are case-sensitive.
  const fs::path file = startDir_ / kPlaylistFileName;
  if (!WritePlaylist(file, playlist)) {
    prompter_.Show(texts_.Fill(kPlaylistFailedFormat, file.string()), core::MessageIcon::kExclamation,
                   core::MessageButtons::kOk);
    return;
  }
  if (!shell_.OpenFile(file.string())) TellPlayFailed(file.string(), texts_(kNoPlayerText));
}

void CompletedLog::OnOpen(const std::vector<size_t>& selected) {
  const Entry* entry = selected.empty() ? nullptr : entries_.AtRow(selected.front());
  if (entry != nullptr) OpenOrTell(entry->path, kOpenFailedFormat);
}

void CompletedLog::OpenOrTell(const std::string& path, const char* failedFormat) {
  std::error_code ec;
  // A failed start is told, never taken for an opened file.
  if (!fs::exists(path, ec)) {
    TellPlayFailed(path, texts_(kFileGoneText), failedFormat);
  } else if (!shell_.OpenFile(path)) {
    TellPlayFailed(path, texts_(kNoPlayerText), failedFormat);
  }
}

std::string CompletedLog::OnShowInFolder(const std::vector<size_t>& selected) {
  const Entry* entry = selected.empty() ? nullptr : entries_.AtRow(selected.front());
  return entry == nullptr ? std::string() : ShowInFolder(entry->path);
}

std::string CompletedLog::ShowInFolder(const std::string& path) {
  const std::string folder = fs::path(path).parent_path().string();
  switch (core::RevealFile(shell_, path)) {
    case core::RevealOutcome::kFileShown: return {};
    case core::RevealOutcome::kFolderShown: return texts_.Fill(kFolderOfGoneFileFormat, folder);
    case core::RevealOutcome::kNothing: break;
  }
  return texts_.Fill(kFolderGoneFormat, folder);
}

void CompletedLog::TellPlayFailed(const std::string& path, std::string_view why, const char* format) {
  prompter_.Show(texts_.Fill(format, path, why), core::MessageIcon::kExclamation, core::MessageButtons::kOk);
}

bool CompletedLog::MoveOne(uint64_t key) {
  Entry* entry = entries_.Find(key);
  if (entry == nullptr) return false;
  MoveFileForm form(storage::FileNameOfPath(entry->path), storage::FolderOfPath(entry->path));
  while (moveDialog_.Show(form)) {
    const std::string target = form.FullName();
    if (Exists(target)) {
      prompter_.Show(std::string(texts_(kFileExistsText)), core::MessageIcon::kExclamation, core::MessageButtons::kOk);
      continue;
    }
    std::string error;
    if (!MoveFile(entry->path, target, error)) {
      // The entry keeps naming the file where it still is.
      prompter_.Show(MoveFailedText(entry->path, target, error), core::MessageIcon::kExclamation,
                     core::MessageButtons::kOk);
      return false;
    }
    removed_.insert(entry->path);
    removed_.erase(target);
    entry->path = target;
    entries_.Show(key);
    ReadTags({target});
    return true;
  }
  return false;
}

void CompletedLog::OnMoveFile(const std::vector<size_t>& selected) {
  for (uint64_t key : entries_.KeysOf(selected)) MoveOne(key);
  Save();
}

bool CompletedLog::DeleteFileOf(const Entry& entry) {
  std::error_code ec;
  if (!Exists(entry.path)) return true;
  if (fs::remove(entry.path, ec) && !ec) return true;
  // Entries handled so far are gone from the list and from the file before the
  // user hears why this one stays.
  Save();
  prompter_.Show(texts_.Fill(kDeleteFailedFormat, entry.path, ec ? ec.message() : "?"), core::MessageIcon::kStop,
                 core::MessageButtons::kOk);
  return false;
}

void CompletedLog::OnDeleteFiles(const std::vector<size_t>& selected) {
  const std::vector<uint64_t> keys = entries_.KeysOf(selected);
  if (keys.empty() || !Ask(kDeleteSelectedQuestion)) return;
  for (uint64_t key : keys) {
    const Entry* entry = entries_.Find(key);
    if (!entry) continue;
    if (!DeleteFileOf(*entry)) break;
    Remove(key);
  }
  Save();
}

void CompletedLog::OnDeleteAllFiles() {
  if (entries_.table().rowCount() == 0 || !Ask(kDeleteAllQuestion)) return;
  while (entries_.table().rowCount() > 0) {
    const uint64_t key = entries_.table().Key(0);
    if (!DeleteFileOf(*entries_.Find(key))) break;
    Remove(key);
  }
  Save();
}

void CompletedLog::OnClearLogItems(const std::vector<size_t>& selected) {
  const std::vector<uint64_t> keys = entries_.KeysOf(selected);
  if (keys.empty() || !Ask(kClearSelectedQuestion)) return;
  for (uint64_t key : keys) Remove(key);
  Save();
}

void CompletedLog::OnClearAllLogItems() {
  if (entries_.table().rowCount() == 0 || !Ask(kClearAllQuestion)) return;
  if (entries_.filtered()) {
    // Only what the filter shows.
    std::vector<size_t> rows(entries_.table().rowCount());
    for (size_t row = 0; row < rows.size(); ++row) rows[row] = row;
    for (uint64_t key : entries_.KeysOf(rows)) Remove(key);
  } else {
    for (const auto& [key, entry] : entries_.items()) removed_.insert(entry.path);
    entries_.Clear();
  }
  Save();
}

void CompletedLog::SetFilter(std::string_view words) {
  std::vector<std::string> lowered;
  // A Chinese keyboard's wide blank parts words too.
  std::string spaced(words);
  for (size_t at; (at = spaced.find("\xE3\x80\x80")) != std::string::npos;) spaced.replace(at, 3, " ");
  for (const std::string& word : text::Split(spaced, " ")) {
    if (!word.empty()) lowered.push_back(text::AsciiLower(word));
  }
  if (lowered == filterWords_) return;
  filterWords_ = std::move(lowered);
  if (filterWords_.empty()) {
    entries_.Filter({});
  } else {
    entries_.Filter([this](const Entry& entry) { return Matches(entry); });
  }
}

bool CompletedLog::Matches(const Entry& entry) const {
  // The path holds the name and the folder.
  std::string seen = entry.path;
  if (entry.tags) seen += "\n" + entry.tags->artist + "\n" + entry.tags->title + "\n" + entry.tags->album;
  seen = text::AsciiLower(seen);
  for (const std::string& word : filterWords_) {
    if (seen.find(word) == std::string::npos) return false;
  }
  return true;
}

}  // namespace vexon::library
