#include "library/completed_log.h"

#include <system_error>
#include <utility>

#include "core/list_schemas.h"
#include "library/playlist.h"
#include "text/strings.h"

namespace vexon::library {
namespace fs = std::filesystem;
namespace {

// Runs `work` on the list sorted by its index column, then restores the user's sort.
template <typename Work>
void InIndexOrder(core::ListTable& table, Work work) {
  const size_t column = table.sortColumn();
  const bool ascending = table.sortAscending();
  table.Sort(core::kLogIndex, true);
  work();
  table.Sort(column, ascending);
}

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
  return std::string(text::Trim(completed_.Cell(row, core::kLogFolder))) +
         std::string(text::Trim(completed_.Cell(row, core::kLogName)));
}

void CompletedLog::Save() { store_.SaveCompletedLog(completed_, settings_); }

bool CompletedLog::Ask(const char* question) {
  return prompter_.Show(question, core::MessageIcon::kQuestion, core::MessageButtons::kYesNo) ==
         core::MessageResult::kYes;
}

void CompletedLog::AddLogItem(const std::string& fullPath, const std::string& sizeText) {
  InIndexOrder(completed_, [&] {
    const size_t maxRows = settings_.CompletedMaxItems == 0 ? 1 : settings_.CompletedMaxItems;
    while (completed_.rowCount() >= maxRows) completed_.RemoveRow(0);
    completed_.AppendRow({std::to_string(completed_.rowCount()), storage::FileNameOfPath(fullPath),
                          storage::TypeOfPath(fullPath), sizeText, storage::FolderOfPath(fullPath)});
    for (size_t row = 0; row < completed_.rowCount(); ++row) {
      completed_.SetCell(row, core::kLogIndex, std::to_string(row));
    }
    Save();
  });
}

void CompletedLog::OnPlay(const std::vector<size_t>& selected) {
  std::vector<PlaylistEntry> entries;
  for (size_t row : selected) {
    if (row < completed_.rowCount()) {
      entries.push_back({std::string(text::Trim(completed_.Cell(row, core::kLogName))), FullPath(row)});
    }
  }
  if (entries.empty()) return;
  if (entries.size() == 1) {
    shell_.OpenFile(entries.front().fullPath);
    return;
  }
  // The very file written is the one opened: file names here are case-sensitive.
  const fs::path playlist = startDir_ / kPlaylistFileName;
  if (!WritePlaylist(playlist, entries)) {
    prompter_.Show(text::Format(kPlaylistFailedFormat, playlist.string().c_str()), core::MessageIcon::kExclamation,
                   core::MessageButtons::kOk);
    return;
  }
  shell_.OpenFile(playlist.string());
}

bool CompletedLog::MoveOne(size_t row) {
  MoveFileForm form(text::Trim(completed_.Cell(row, core::kLogName)), std::string(text::Trim(completed_.Cell(row, core::kLogFolder))));
  const std::string source = FullPath(row);
  while (moveDialog_.Show(form)) {
    const std::string target = form.FullName();
    if (Exists(target)) {
      prompter_.Show(kFileExistsText, core::MessageIcon::kExclamation, core::MessageButtons::kOk);
      continue;
    }
    std::string error;
    if (!MoveFile(source, target, error)) {
      // The row keeps naming the file where it still is.
      prompter_.Show(text::Format(kMoveFailedFormat, source.c_str(), target.c_str(), error.c_str()),
                     core::MessageIcon::kExclamation, core::MessageButtons::kOk);
      return false;
    }
    completed_.SetCell(row, core::kLogName, form.FileName());
    completed_.SetCell(row, core::kLogFolder, form.path());
    return true;
  }
  return false;
}

void CompletedLog::OnMoveFile(const std::vector<size_t>& selected) {
  for (size_t row : selected) {
    if (row < completed_.rowCount()) MoveOne(row);
  }
  Save();
}

bool CompletedLog::DeleteFileOf(size_t row) {
  const std::string path = FullPath(row);
  std::error_code ec;
  if (!Exists(path)) return true;
  if (fs::remove(path, ec) && !ec) return true;
  // Rows handled so far are gone from the list and from the file before the user
  // hears why this one stays.
  Save();
  prompter_.Show(text::Format(kDeleteFailedFormat, path.c_str(), ec ? ec.message().c_str() : "?"),
                 core::MessageIcon::kStop, core::MessageButtons::kOk);
  return false;
}

void CompletedLog::OnDeleteFiles(const std::vector<size_t>& selected) {
  if (selected.empty() || !Ask(kDeleteSelectedQuestion)) return;
  size_t removed = 0;
  for (size_t row : selected) {
    const size_t current = row - removed;  // rows before it were removed already
    if (current >= completed_.rowCount()) continue;
    if (!DeleteFileOf(current)) break;
    completed_.RemoveRow(current);
    ++removed;
  }
  completed_.Renumber();
  Save();
}

void CompletedLog::OnDeleteAllFiles() {
  if (completed_.empty() || !Ask(kDeleteAllQuestion)) return;
  while (!completed_.empty()) {
    if (!DeleteFileOf(0)) break;
    completed_.RemoveRow(0);
  }
  completed_.Renumber();
  Save();
}

void CompletedLog::OnClearLogItems(const std::vector<size_t>& selected) {
  if (selected.empty() || !Ask(kClearSelectedQuestion)) return;
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
    if (*it < completed_.rowCount()) completed_.RemoveRow(*it);
  }
  completed_.Renumber();
  Save();
}

void CompletedLog::OnClearAllLogItems() {
  if (completed_.empty() || !Ask(kClearAllQuestion)) return;
  completed_.Clear();
  Save();
}

}  // namespace vexon::library
