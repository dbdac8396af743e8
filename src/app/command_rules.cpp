#include "app/command_rules.h"

#include "app/command_ids.h"

namespace vexon::app {
void ReadDownloadSelection(size_t downloadRows, const std::vector<download::DownloadState>& selected,
                           CommandState& state) {
  state.downloadRows = downloadRows;
  state.downloadsSelected = selected.size();
  state.selectionHasRunning = false;
  state.selectionHasStopped = false;
  for (download::DownloadState selectedState : selected) {
    if (selectedState == download::DownloadState::kStopped) {
      state.selectionHasStopped = true;
    } else {
      state.selectionHasRunning = true;
    }
  }
}

bool CommandEnabled(int command, const CommandState& state) {
  switch (command) {
    case cmd::kStartDownload:
    case cmd::kDownloadAs:
    case cmd::kCopyUrl:
    case cmd::kPlayOnline:
    case cmd::kVisitSite: return state.resultsSelected > 0;
    case cmd::kClearAndStopSearch:
    case cmd::kSaveResults: return state.resultRows > 0;
    case cmd::kStopSearch: return state.searchRunning;
    case cmd::kStopDownload: return state.selectionHasRunning;
    case cmd::kResumeDownload: return state.selectionHasStopped;
    case cmd::kDeleteDownload:
    case cmd::kShowDownloadFolder: return state.downloadsSelected > 0;
    case cmd::kStopAll:
    case cmd::kResumeAll:
    case cmd::kDeleteAll: return state.downloadRows > 0;
    case cmd::kPlay:
    case cmd::kOpenFile:
    case cmd::kShowFileFolder:
    case cmd::kMoveFile:
    case cmd::kDeleteFile:
    case cmd::kClearLogItem: return state.completedSelected > 0;
    case cmd::kDeleteAllFiles:
    case cmd::kClearAllLogItems: return state.completedRows > 0;
    default: return true;
  }
}

}  // namespace vexon::app
