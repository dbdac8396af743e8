#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/keyed_rows.h"
#include "core/list_table.h"
#include "core/owner_channel.h"
#include "core/prompter.h"
#include "core/shell.h"
#include "library/audio_tags.h"
#include "library/move_file_form.h"
#include "library/tag_reader.h"
#include "storage/app_settings.h"
#include "storage/settings_store.h"
#include "storage/system_options.h"
#include "text/catalog.h"

namespace vexon::library {

inline constexpr const char* kFileExistsText = "文件已经存在!";
inline constexpr const char* kDeleteSelectedQuestion = "你是否要删除被选的磁盘文件和日志项?";
inline constexpr const char* kDeleteAllQuestion = "你是否要删除所有列出的磁盘文件和日志项?";
inline constexpr const char* kClearSelectedQuestion = "你是否要清除被选的日志项? (不会删除磁盘文件)";
inline constexpr const char* kClearAllQuestion = "你是否要清除全部日志项? (不会删除磁盘文件)";
inline constexpr const char* kDeleteFailedFormat = "不能删除文件 %1: %2";
inline constexpr const char* kMoveFailedFormat = "不能移动文件 %1 到 %2: %3";
inline constexpr const char* kPlaylistFailedFormat = "不能写播放列表 %1";
// A play the desktop could not start: the file and why.
inline constexpr const char* kPlayFailedFormat = "不能播放文件 %1: %2";
inline constexpr const char* kFileGoneText = "文件已不存在";
inline constexpr const char* kNoPlayerText = "没有能打开这种文件的程序";
inline constexpr const char* kOpenFailedFormat = "不能打开文件 %1: %2";
// Status-line notes of the open-folder command.
inline constexpr const char* kFolderOfGoneFileFormat = "文件已不存在, 已打开它的文件夹: %1";
inline constexpr const char* kFolderGoneFormat = "不能打开文件夹: %1";

// The log of downloaded files and its commands. Every change is written through;
// operations that renumber or drop the oldest entry work in index order and then
// give the list back its sort. Commands take the selection in list order.
// Audio files show their tags, read off the owner thread through `tagChannel`
// (none: no tags).
class CompletedLog final : public storage::CompletedLogLimit, private TagsListener {
 public:
  CompletedLog(core::ListTable& completed, const storage::AppSettings& settings, storage::SettingsStore& store,
               core::Prompter& prompter, core::Shell& shell, MoveFileDialog& moveDialog, std::filesystem::path startDir,
               text::Translator texts = {}, core::OwnerChannel* tagChannel = nullptr);

  // The log as the settings file kept it, oldest first.
  void Load(const std::vector<storage::CompletedRecord>& records);
  // A finished download: the oldest entry gives way when the log is full.
  void AddLogItem(const std::string& fullPath, const std::string& sizeText);

  void OnPlay(const std::vector<size_t>& selected);
  // The first selected file, handed to the desktop's program for its type.
  void OnOpen(const std::vector<size_t>& selected);
  // The first selected file shown in its folder; a note for the status line when
  // the file or its folder is gone (else empty).
  std::string OnShowInFolder(const std::vector<size_t>& selected);
  // The play and open-folder commands for files named by path (a notice's files).
  void PlayFiles(const std::vector<std::string>& paths);
  std::string ShowInFolder(const std::string& path);
  void OnMoveFile(const std::vector<size_t>& selected);
  void OnDeleteFiles(const std::vector<size_t>& selected);
  void OnDeleteAllFiles();
  void OnClearLogItems(const std::vector<size_t>& selected);
  void OnClearAllLogItems();

  // Shows only the entries whose name, folder or tags hold every word of `words`
  // (letters in either case); the commands act on the rows shown. Empty: all.
  void SetFilter(std::string_view words);

  size_t KeepNewest(size_t count) override;
  void Save() override;

  // The file a row of the log names; empty for no such row.
  std::string FullPath(size_t row) const;
  // Files whose tags are being read.
  size_t tagsPending() const { return tags_ ? tags_->pending() : 0; }

 private:
  // One downloaded file; the log's rows are a projection of these.
  struct Entry {
    std::string path;
    std::string sizeText;
    std::optional<AudioTags> tags;  // none until read, or for a file without
  };
  static std::vector<std::string> Cells(const Entry& entry);

  bool Ask(const char* question);
  bool Matches(const Entry& entry) const;
  void TagsRead(std::span<const TagResult> results) override;
  void ReadTags(const std::vector<std::string>& paths);
  void TellPlayFailed(const std::string& path, std::string_view why, const char* format = kPlayFailedFormat);
  // Hands the file to the desktop; a file gone or refused is told with `failedFormat`.
  void OpenOrTell(const std::string& path, const char* failedFormat);
  std::string MoveFailedText(std::string_view from, std::string_view to, std::string_view why) const;
  void Append(std::string path, std::string sizeText);
  void Remove(uint64_t key);
  uint64_t OldestKey() const { return entries_.items().begin()->first; }
  // Deletes the entry's file if it exists; false (after telling the user) when it
  // exists and cannot be deleted.
  bool DeleteFileOf(const Entry& entry);
  bool MoveOne(uint64_t key);

  const storage::AppSettings& settings_;
  storage::SettingsStore& store_;
  core::Prompter& prompter_;
  const text::Translator texts_;
  core::Shell& shell_;
  MoveFileDialog& moveDialog_;
  std::filesystem::path startDir_;
  // Column 0 numbers them from the oldest, whatever the user's sort.
  core::KeyedRows<Entry> entries_;
  // Paths this process took out of the log: what another process added to the file
  // meanwhile survives this one's writes, and only that.
  std::unordered_set<std::string> removed_;
  std::vector<std::string> filterWords_;  // lower case
  // Last: its batches stop reaching the entries before they go.
  std::unique_ptr<TagReader> tags_;
};

}  // namespace vexon::library
