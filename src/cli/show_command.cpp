#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "core/column_spec.h"
#include "core/list_schemas.h"
#include "core/list_table.h"
#include "storage/result_file.h"

namespace vexon::cli {
namespace {

constexpr const char* kShowUsage = "usage: vexon-cli show FILE\n";

}  // namespace

int RunShowCommand(const std::vector<std::string>& args, const std::string& langFlag) {
  std::error_code ec;
  const text::Translator texts = LoadTexts(langFlag, std::filesystem::current_path(ec), "vexon-cli show").texts;
  const std::string usage(texts(kShowUsage));
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
      std::fputs(usage.c_str(), stdout);
      return 0;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "vexon-cli show: %s\n%s", texts.Fill("unknown option '%1'", arg).c_str(), usage.c_str());
      return 2;
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 1) {
    std::fprintf(stderr, "vexon-cli show: %s\n%s",
                 std::string(files.empty() ? texts("no file given") : texts("one file only")).c_str(), usage.c_str());
    return 2;
  }

  std::vector<std::vector<std::string>> cells;
  const storage::ResultFileStatus status = storage::ReadResultFile(files[0], cells);
  if (!status) {
    std::fprintf(stderr, "vexon-cli show: %s\n", texts.Fill("cannot read %1: %2", files[0], status.error).c_str());
    return 1;
  }
  // In the order of their row numbers, as the list shows an opened file.
  core::ListTable rows(core::kResultsColumns);
  for (std::vector<std::string>& row : cells) rows.AppendRow(std::move(row));
  rows.Sort(core::kResultIndex, true);
  // A result file keeps no digests: the eighth field, as search prints it, is empty.
  for (size_t row = 0; row < rows.rowCount(); ++row) {
    std::vector<std::string> line = rows.Row(row);
    line.emplace_back();
    PrintRow(line);
  }
  return 0;
}

}  // namespace vexon::cli
