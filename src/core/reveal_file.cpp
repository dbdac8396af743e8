#include "core/reveal_file.h"

#include <filesystem>
#include <system_error>

namespace vexon::core {

namespace fs = std::filesystem;

RevealOutcome RevealFile(Shell& shell, const std::string& path) {
  std::error_code ec;
  if (fs::is_regular_file(path, ec))
    return shell.ShowInFolder(path) ? RevealOutcome::kFileShown : RevealOutcome::kNothing;
  const fs::path folder = fs::path(path).parent_path();
  if (folder.empty() || !fs::is_directory(folder, ec)) return RevealOutcome::kNothing;
  return shell.OpenFolder(folder.string()) ? RevealOutcome::kFolderShown : RevealOutcome::kNothing;
}

}  // namespace vexon::core
