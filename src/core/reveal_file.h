#pragma once

#include <string>

#include "core/shell.h"

namespace vexon::core {

enum class RevealOutcome {
  kFileShown,    // the file manager shows the file in its folder
  kFolderShown,  // the file is gone; its folder is open
  kNothing,      // the folder is gone too, or nothing could be started
};

// Shows `path` selected in its folder, or only its folder when the file is gone.
RevealOutcome RevealFile(Shell& shell, const std::string& path);

}  // namespace vexon::core
