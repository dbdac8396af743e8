#include <cstdio>
#include <string>
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

int RunShowCommand(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
      std::fputs(kShowUsage, stdout);
      return 0;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "vexon-cli show: unknown option '%s'\n%s", arg.c_str(), kShowUsage);
      return 2;
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 1) {
    std::fputs(files.empty() ? "vexon-cli show: no file given\n" : "vexon-cli show: one file only\n", stderr);
    std::fputs(kShowUsage, stderr);
    return 2;
  }

  std::vector<std::vector<std::string>> cells;
  const storage::ResultFileStatus status = storage::ReadResultFile(files[0], cells);
  if (!status) {
    std::fprintf(stderr, "vexon-cli show: cannot read %s: %s\n", files[0].c_str(), status.error.c_str());
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
