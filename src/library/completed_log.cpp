#include "library/completed_log.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "core/list_schemas.h"
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
                           MoveFileDialog& moveDialog, fs::path startDir)
    : completed_(completed),
      settings_(settings),
      store_(store),
      prompter_(prompter),
      shell_(shell),
      moveDialog_(moveDialog),
      startDir_(std::move(startDir)) {}

std::string CompletedLog::FullPath(size_t row) const {
  const Entry* entry = EntryAt(row);
  return entry ? entry->path : std::string();
}

const CompletedLog::Entry* CompletedLog::EntryAt(size_t row) const {
  if (row >= completed_.rowCount()) return nullptr;
  const uint64_t key = completed_.Key(row);
  for (const Entry& entry : entries_) {
    if (entry.key == key) return &entry;
  }
  return nullptr;
}

std::vector<uint64_t> CompletedLog::KeysOf(const std::vector<size_t>& rows) const {
  std::vector<uint64_t> keys;
  for (size_t row : rows) {
    if (row < completed_.rowCount()) keys.push_back(completed_.Key(row));
  }
  return keys;
}

void CompletedLog::Append(std::string path, std::string sizeText) {
  removed_.erase(path);
  Entry entry{nextKey_++, std::move(path), std::move(sizeText)};
  completed_.AppendRow({std::to_string(entries_.size()), storage::FileNameOfPath(entry.path),
                        storage::TypeOfPath(entry.path), entry.sizeText, storage::FolderOfPath(entry.path)},
                       -1, entry.key);
  entries_.push_back(std::move(entry));
}

void CompletedLog::Remove(uint64_t key) {
  const size_t row = completed_.FindRowByKey(key);
  if (row != core::ListTable::npos) completed_.RemoveRow(row);
  std::erase_if(entries_, [this, key](const Entry& entry) {
    if (entry.key != key) return false;
    removed_.insert(entry.path);
    return true;
  });
}

void CompletedLog::Renumber() {
  for (size_t i = 0; i < entries_.size(); ++i) {
    const size_t row = completed_.FindRowByKey(entries_[i].key);
    if (row != core::ListTable::npos) completed_.SetCell(row, core::kLogIndex, std::to_string(i));
  }
  completed_.Resort();
}

void CompletedLog::Save() {
  std::vector<std::string> paths;
  paths.reserve(entries_.size());
  for (const Entry& entry : entries_) paths.push_back(entry.path);
  store_.SaveCompletedLog(paths, removed_, settings_);
}

bool CompletedLog::Ask(const char* question) {
  return prompter_.Show(question, core::MessageIcon::kQuestion, core::MessageButtons::kYesNo) ==
         core::MessageResult::kYes;
}

void CompletedLog::Load(const std::vector<storage::CompletedRecord>& records) {
  completed_.Clear();
  entries_.clear();
  for (const storage::CompletedRecord& record : records) {
    Append(record.path, text::Format("%llu", static_cast<unsigned long long>(record.size)));
  }
  completed_.Resort();
}

size_t CompletedLog::KeepNewest(size_t count) {
  size_t removed = 0;
  for (; entries_.size() > count; ++removed) Remove(entries_.front().key);
  Renumber();
  return removed;
}

void CompletedLog::AddLogItem(const std::string& fullPath, const std::string& sizeText) {
  const size_t maxEntries = settings_.CompletedMaxItems == 0 ? 1 : settings_.CompletedMaxItems;
  while (entries_.size() >= maxEntries) Remove(entries_.front().key);
  Append(fullPath, sizeText);
  Renumber();
  Save();
}

void CompletedLog::OnPlay(const std::vector<size_t>& selected) {
  std::vector<PlaylistEntry> playlist;
  for (size_t row : selected) {
    if (const Entry* entry = EntryAt(row)) playlist.push_back({storage::FileNameOfPath(entry->path), entry->path});
  }
  if (playlist.empty()) return;
  if (playlist.size() == 1) {
    shell_.OpenFile(playlist.front().fullPath);
    return;
  }
  // The very file written is the one opened: file names here are case-sensitive.
  const fs::path file = startDir_ / kPlaylistFileName;
  if (!WritePlaylist(file, playlist)) {
    prompter_.Show(text::Format(kPlaylistFailedFormat, file.string().c_str()), core::MessageIcon::kExclamation,
                   core::MessageButtons::kOk);
    return;
  }
  shell_.OpenFile(file.string());
}

bool CompletedLog::MoveOne(uint64_t key) {
  auto entry = std::find_if(entries_.begin(), entries_.end(), [key](const Entry& e) { return e.key == key; });
  if (entry == entries_.end()) return false;
  MoveFileForm form(storage::FileNameOfPath(entry->path), storage::FolderOfPath(entry->path));
  while (moveDialog_.Show(form)) {
    const std::string target = form.FullName();
    if (Exists(target)) {
      prompter_.Show(kFileExistsText, core::MessageIcon::kExclamation, core::MessageButtons::kOk);
      continue;
    }
    std::string error;
    if (!MoveFile(entry->path, target, error)) {
      // The entry keeps naming the file where it still is.
      prompter_.Show(text::Format(kMoveFailedFormat, entry->path.c_str(), target.c_str(), error.c_str()),
                     core::MessageIcon::kExclamation, core::MessageButtons::kOk);
      return false;
    }
    removed_.insert(entry->path);
    removed_.erase(target);
    entry->path = target;
    const size_t row = completed_.FindRowByKey(key);
    completed_.SetCell(row, core::kLogName, storage::FileNameOfPath(target));
    completed_.SetCell(row, core::kLogType, storage::TypeOfPath(target));
    completed_.SetCell(row, core::kLogFolder, storage::FolderOfPath(target));
    return true;
  }
  return false;
}

void CompletedLog::OnMoveFile(const std::vector<size_t>& selected) {
  for (uint64_t key : KeysOf(selected)) MoveOne(key);
  Save();
}

bool CompletedLog::DeleteFileOf(const Entry& entry) {
  std::error_code ec;
  if (!Exists(entry.path)) return true;
  if (fs::remove(entry.path, ec) && !ec) return true;
  // Entries handled so far are gone from the list and from the file before the
  // user hears why this one stays.
  Save();
  prompter_.Show(text::Format(kDeleteFailedFormat, entry.path.c_str(), ec ? ec.message().c_str() : "?"),
                 core::MessageIcon::kStop, core::MessageButtons::kOk);
  return false;
}

void CompletedLog::OnDeleteFiles(const std::vector<size_t>& selected) {
  const std::vector<uint64_t> keys = KeysOf(selected);
  if (keys.empty() || !Ask(kDeleteSelectedQuestion)) return;
  for (uint64_t key : keys) {
    const Entry* entry = EntryAt(completed_.FindRowByKey(key));
    if (!entry) continue;
    if (!DeleteFileOf(*entry)) break;
    Remove(key);
  }
  Renumber();
  Save();
}

void CompletedLog::OnDeleteAllFiles() {
  if (completed_.empty() || !Ask(kDeleteAllQuestion)) return;
  while (!completed_.empty()) {
    const Entry* entry = EntryAt(0);
    if (!DeleteFileOf(*entry)) break;
    Remove(entry->key);
  }
  Renumber();
  Save();
}

void CompletedLog::OnClearLogItems(const std::vector<size_t>& selected) {
  const std::vector<uint64_t> keys = KeysOf(selected);
  if (keys.empty() || !Ask(kClearSelectedQuestion)) return;
  for (uint64_t key : keys) Remove(key);
  Renumber();
  Save();
}

void CompletedLog::OnClearAllLogItems() {
  if (completed_.empty() || !Ask(kClearAllQuestion)) return;
  completed_.Clear();
  entries_.clear();
  Save();
}

}  // namespace vexon::library
