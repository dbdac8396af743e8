#pragma once

#include <cstddef>
#include <vector>

#include "download/download_item.h"

namespace vexon::app {

// What the enabling rules look at: the lists' rows and selections and the search.
struct CommandState {
  size_t resultRows = 0;
  size_t resultsSelected = 0;
  bool searchRunning = false;  // a search or link-check task is still running
  size_t downloadRows = 0;
  size_t downloadsSelected = 0;
  bool selectionHasRunning = false;  // a selected download has a worker
  bool selectionHasStopped = false;  // a selected download is stopped
  size_t completedRows = 0;
  size_t completedSelected = 0;
};

// Fills the download fields of `state` from the number of downloads and the states
// of the selected ones.
void ReadDownloadSelection(size_t downloadRows, const std::vector<download::DownloadState>& selected,
                           CommandState& state);

// Whether a command is enabled; commands without a rule always are.
bool CommandEnabled(int command, const CommandState& state);

}  // namespace vexon::app
