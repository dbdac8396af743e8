#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/list_table.h"
#include "download/download_controller.h"
#include "download/download_listener.h"
#include "text/catalog.h"

namespace vexon::cli {

// What `vexon-cli get` tells on stderr as its downloads go. Every failure is a line
// of its own. On a terminal, one live line per running download and an overall line
// are redrawn in place; elsewhere one line per finished file, and with `verbose`
// every step and percent as well. Owner thread only.
class GetProgress final : public core::ListObserver, public download::DownloadListener {
 public:
  GetProgress(const core::ListTable& downloads, const download::DownloadController& controller, size_t total,
              bool terminal, bool verbose, text::Translator texts = {}, std::FILE* out = stderr);

  size_t completed() const { return completed_; }
  // The last overall line, kept on the terminal.
  void Finish();

  void RowsInserted(size_t, size_t) override {}
  void RowsRemoved(size_t, size_t) override {}
  void RowsReordered(const std::vector<size_t>&) override {}
  void CellsChanged(size_t row, size_t first, size_t last) override;

  void DownloadCompleted(const std::string& fullPath, const std::string& sizeText) override;
  void DownloadFailed(const std::string& fullName, const std::string& text) override;

 private:
  struct Live {
    std::string name;
    uint64_t received = 0;
    uint64_t total = 0;
    std::string percent;
    std::string speed;
    std::string timeLeft;
  };

  void PrintStep(size_t row, size_t column) const;
  // Above the live lines, which are drawn again after it.
  void PrintLine(const std::string& line);
  void Redraw(bool now);
  void ClearLiveLines();
  std::string OverallLine() const;

  const core::ListTable& downloads_;
  const download::DownloadController& controller_;
  const size_t total_;
  const bool terminal_;
  const bool verbose_;
  const text::Translator texts_;
  std::FILE* out_;
  size_t width_ = 80;
  size_t completed_ = 0;
  size_t failed_ = 0;
  uint64_t doneBytes_ = 0;
  std::unordered_map<uint64_t, Live> live_;  // by item key
  size_t linesDrawn_ = 0;
  const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDraw_{};
};

// A line cut to `columns` terminal columns (wide characters count two), "…" at the cut.
std::string FitColumns(const std::string& line, size_t columns);
// 1024-based with one decimal: "5.8 MB"; bytes below 1 KB.
std::string ByteText(uint64_t bytes);

}  // namespace vexon::cli
