#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/list_table.h"

namespace vexon::storage {

inline constexpr std::string_view kResultFieldMarker = "$#!";
inline constexpr std::string_view kResultFileExtension = ".msf";
inline constexpr std::string_view kResultFolderName = "searchresult";
inline constexpr std::string_view kUnnamedResultFileName = "1.msf";
inline constexpr size_t kResultFieldCount = 7;

// A result file is refused, not read in part, beyond these: the results list is
// never meant to hold more, and a binary or runaway file must not exhaust memory.
inline constexpr size_t kMaxResultFileBytes = 32u << 20;
inline constexpr size_t kMaxResultRows = 100000;

struct ResultFileStatus {
  bool ok = false;
  std::string error;  // why, when not ok
  explicit operator bool() const { return ok; }
};

// The rows of a results list as a result file: one line per row in index order,
// each of the seven cells followed by "$#!", lines ended by CR LF, GB18030. There is
// no escaping; so a line break can never split a row, each CR, LF and NUL of a cell
// is written as a blank.
std::string FormatResultFile(const core::ListTable& results);
// Writes FormatResultFile to `path`, replacing it atomically.
ResultFileStatus WriteResultFile(const std::filesystem::path& path, const core::ListTable& results);

// The rows of a result file. Each line (LF ends it; the CR before it and any further
// CRs are dropped) gives one row of seven fields: the texts before each of its first
// seven "$#!" markers. A line with fewer markers gives the text after its last marker
// as the next field and leaves the rest empty; a blank line gives seven empty
// fields; text after the seventh marker is ignored. Invalid GB18030 bytes and NULs
// read as U+FFFD. Stops after `maxRows` rows and sets `truncated`.
std::vector<std::vector<std::string>> ParseResultFile(std::string_view bytes, size_t maxRows,
                                                      bool* truncated = nullptr);
// The file's rows, seven cells each (see ParseResultFile); none on failure.
ResultFileStatus ReadResultFile(const std::filesystem::path& path, std::vector<std::vector<std::string>>& rows);

// startDir/searchresult/ + currentKeyword + ".msf", or "1.msf" without a keyword.
// Since the name must stay inside that folder, each "/" and NUL of the keyword is
// written "_", and a keyword too long for a file name is cut on a whole character.
std::filesystem::path DefaultResultFileName(const std::filesystem::path& startDir, std::string_view currentKeyword);
// The file's name without its folder and with every ".msf" in it removed.
std::string KeywordFromResultFileName(const std::filesystem::path& path);

}  // namespace vexon::storage
