#include "cli/get_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/list_schemas.h"
#include "text/strings.h"

namespace vexon::cli {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);
// More running downloads than this are summed up in one line.
constexpr size_t kMaxLiveLines = 12;

uint64_t Number(const std::string& text) {
  return std::strtoull(text.c_str(), nullptr, 10);
}

// East Asian wide and fullwidth ranges, as terminals draw them.
bool IsWide(uint32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::string Clock(double seconds) {
  const auto total = static_cast<long long>(seconds + 0.5);
  if (total >= 3600) return text::Format("%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  return text::Format("%lld:%02lld", total / 60, total % 60);
}

}  // namespace

std::string FitColumns(const std::string& line, size_t columns) {
  std::string out;
  size_t used = 0;
  for (size_t i = 0; i < line.size();) {
    const auto lead = static_cast<unsigned char>(line[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (i + length > line.size()) length = 1;
    uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(line[i + k]) & 0x3F);
    const size_t cells = IsWide(c) ? 2 : 1;
    if (used + cells + (i + length < line.size() ? 1 : 0) > columns) return out + "…";
    // Control bytes from a hostile name would move the cursor: shown as blanks.
    if (c < 0x20 || c == 0x7F) {
      out += ' ';
    } else {
      out.append(line, i, length);
    }
    used += cells;
    i += length;
  }
  return out;
}

std::string ByteText(uint64_t bytes) {
  if (bytes < 1024) return text::Format("%llu B", static_cast<unsigned long long>(bytes));
  const char* units[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(units)) {
    value /= 1024;
    ++unit;
  }
  return text::Format("%.1f %s", value, units[unit]);
}

GetProgress::GetProgress(const core::ListTable& downloads, const download::DownloadController& controller, size_t total,
                         bool terminal, bool verbose, text::Translator texts, std::FILE* out)
    : downloads_(downloads),
      controller_(controller),
      total_(total),
      terminal_(terminal && !verbose),
      verbose_(verbose),
      texts_(std::move(texts)),
      out_(out) {
  winsize size{};
  if (terminal_ && ioctl(fileno(out_), TIOCGWINSZ, &size) == 0 && size.ws_col >= 20) width_ = size.ws_col;
}

void GetProgress::CellsChanged(size_t row, size_t first, size_t last) {
  if (verbose_) {
    if (first == last) PrintStep(row, first);
    return;
  }
  if (!terminal_) return;
  const download::DownloadItem* item = controller_.ItemAtRow(row);
  if (item == nullptr) return;
  if (item->state == download::DownloadState::kConnecting || item->state == download::DownloadState::kTransferring) {
    Live& live = live_[item->key];
    live.name = downloads_.Cell(row, core::kDownloadFileName);
    live.received = item->received.value_or(0);
    live.total = item->total.value_or(Number(item->sizeText));
    live.percent = downloads_.Cell(row, core::kDownloadPercent);
    // While it connects, the step stands where the rate will.
    const size_t speed =
        item->state == download::DownloadState::kConnecting ? core::kDownloadState : core::kDownloadSpeed;
    live.speed = downloads_.Cell(row, speed);
    live.timeLeft = downloads_.Cell(row, core::kDownloadTimeLeft);
  } else {
    live_.erase(item->key);
  }
  Redraw(false);
}

void GetProgress::PrintStep(size_t row, size_t column) const {
  const std::string& name = downloads_.Cell(row, core::kDownloadFileName);
  if (column == core::kDownloadState) {
    std::fprintf(out_, "%s: %s\n", name.c_str(), downloads_.Cell(row, column).c_str());
  } else if (column == core::kDownloadReceived) {
    // The bytes follow the percent they belong to.
    // The cells are copies: they are kept while the text is made.
    const std::string cells[] = {downloads_.Cell(row, core::kDownloadPercent), downloads_.Cell(row, column),
                                 downloads_.Cell(row, core::kDownloadSpeed),
                                 downloads_.Cell(row, core::kDownloadTimeLeft)};
    const std::string_view values[] = {cells[0], cells[1], cells[2], cells[3]};
    std::fprintf(out_, "%s: %s\n", name.c_str(), texts_.Fill("%1 %2 bytes %3 %4", values).c_str());
  }
}

void GetProgress::DownloadCompleted(const std::string& fullPath, const std::string& sizeText) {
  ++completed_;
  std::error_code ec;
  // A URL given on the command line comes without a size: the file tells it.
  const uintmax_t size = sizeText.empty() ? std::filesystem::file_size(fullPath, ec) : Number(sizeText);
  if (!ec) doneBytes_ += size;
  if (!terminal_) {
    std::fprintf(out_, "%s: %s\n", fullPath.c_str(), std::string(texts_("complete")).c_str());
    return;
  }
  Redraw(completed_ + failed_ == total_);
}

void GetProgress::DownloadFailed(const std::string& fullName, const std::string& text) {
  ++failed_;
  PrintLine("vexon-cli get: " + fullName + ": " + text);
}

void GetProgress::PrintLine(const std::string& line) {
  ClearLiveLines();
  std::fprintf(out_, "%s\n", line.c_str());
  if (terminal_) Redraw(true);
}

void GetProgress::ClearLiveLines() {
  if (linesDrawn_ == 0) return;
  // Up to the first live line, then clear to the end of the screen.
  std::fprintf(out_, "\r\x1b[%zuA\x1b[J", linesDrawn_);
  linesDrawn_ = 0;
}

std::string GetProgress::OverallLine() const {
  uint64_t bytes = doneBytes_;
  for (const auto& [key, live] : live_) bytes += live.received;
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  std::string line = texts_.Fill("%1/%2 files", std::to_string(completed_), std::to_string(total_));
  if (failed_ > 0) line += texts_.Fill(", %1 failed", std::to_string(failed_));
  line += ", " + ByteText(bytes);
  if (elapsed > 0.05) line += ", " + ByteText(static_cast<uint64_t>(static_cast<double>(bytes) / elapsed)) + "/s";
  const size_t ended = completed_ + failed_;
  if (ended > 0 && ended < total_) {
    line += texts_.Fill(", %1 left", Clock(elapsed / static_cast<double>(ended) * static_cast<double>(total_ - ended)));
  }
  return line;
}

void GetProgress::Redraw(bool now) {
  if (!terminal_) return;
  const auto clock = std::chrono::steady_clock::now();
  if (!now && clock - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = clock;
  std::vector<std::string> lines;
  size_t more = 0;
  for (auto it = live_.begin(); it != live_.end();) {
    // A row removed since (completed or deleted) is no longer live.
    if (downloads_.FindRowByKey(it->first) == core::ListTable::npos) {
      it = live_.erase(it);
      continue;
    }
    const Live& live = it->second;
    ++it;
    if (lines.size() == kMaxLiveLines) {
      ++more;
      continue;
    }
    std::string line = "  " + live.name + "  " + ByteText(live.received);
    if (live.total > 0) line += " / " + ByteText(live.total);
    if (!live.percent.empty()) line += " (" + live.percent + ")";
    line += "  " + live.speed;
    if (!live.timeLeft.empty() && live.timeLeft != "-") line += "  " + live.timeLeft;
    lines.push_back(line);
  }
  if (more > 0) lines.push_back(texts_.Fill("  and %1 more", std::to_string(more)));
  lines.push_back(OverallLine());
  ClearLiveLines();
  for (const std::string& line : lines) std::fprintf(out_, "%s\n", FitColumns(line, width_).c_str());
  linesDrawn_ = lines.size();
  std::fflush(out_);
}

void GetProgress::Finish() {
  if (!terminal_) return;
  live_.clear();
  Redraw(true);
}

}  // namespace vexon::cli
