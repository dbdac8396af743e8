#include "app/download_notices.h"

#include <charconv>
#include <filesystem>
#include <utility>

namespace vexon::app {
namespace {

constexpr std::string_view kPlayKey = "play ";
constexpr std::string_view kFolderKey = "folder ";

std::string FileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

std::string Folder(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

}  // namespace

DownloadNotices::DownloadNotices(download::DownloadController& downloads, library::CompletedLog& log,
                                 const storage::AppSettings& settings, const MakeNotifier& makeNotifier,
                                 std::function<bool()> windowInFront, text::Translator texts, Clock clock)
    : log_(log),
      settings_(settings),
      notifier_(makeNotifier ? makeNotifier(*this) : nullptr),
      windowInFront_(std::move(windowInFront)),
      texts_(std::move(texts)),
      clock_(std::move(clock)) {
  subscription_ = downloads.Subscribe(*this);
}

bool DownloadNotices::Quiet() const {
  return notifier_ == nullptr || !settings_.Notify || (windowInFront_ && windowInFront_());
}

DownloadNotices::Burst& DownloadNotices::Join(Burst& burst) {
  const auto now = clock_();
  if (burst.serial == 0 || now - burst.last > kNoticeBurst) {
    burst.serial = nextSerial_++;
    burst.count = 0;
  }
  burst.last = now;
  ++burst.count;
  return burst;
}

DownloadNotices::Shown& DownloadNotices::FilesOf(uint64_t serial) {
  if (shown_.empty() || shown_.back().serial != serial) {
    if (shown_.size() == kNoticesKept) shown_.pop_front();
    shown_.push_back({serial, {}});
  }
  return shown_.back();
}

void DownloadNotices::DownloadCompleted(const std::string& fullPath, const std::string& /*sizeText*/) {
  if (Quiet()) {
    done_.serial = 0;  // the next one starts a notice of its own
    return;
  }
  const Burst& burst = Join(done_);
  FilesOf(burst.serial).files.push_back(fullPath);
  core::DesktopNotice notice;
  const std::string folder = texts_.Fill(kNoticeFolderFormat, Folder(fullPath));
  if (burst.count == 1) {
    notice.summary = texts_.Fill(kDoneOneFormat, FileName(fullPath));
    notice.body = folder;
  } else {
    notice.summary = texts_.Fill(kDoneManyFormat, std::to_string(burst.count));
    notice.body = texts_.Fill(kNoticeLastFormat, FileName(fullPath)) + "\n" + folder;
  }
  const std::string serial = std::to_string(burst.serial);
  notice.replaceKey = "done " + serial;
  notice.actions = {{std::string(kPlayKey) + serial, std::string(texts_(kPlayActionText))},
                    {std::string(kFolderKey) + serial, std::string(texts_(kFolderActionText))}};
  notifier_->Show(notice);
}

void DownloadNotices::DownloadFailed(const std::string& fullName, const std::string& text) {
  if (Quiet()) {
    failed_.serial = 0;
    return;
  }
  const Burst& burst = Join(failed_);
  core::DesktopNotice notice;
  notice.failure = true;
  if (burst.count == 1) {
    notice.summary = texts_.Fill(kFailedOneFormat, FileName(fullName));
    notice.body = text + "\n" + texts_.Fill(kNoticeFolderFormat, Folder(fullName));
  } else {
    notice.summary = texts_.Fill(kFailedManyFormat, std::to_string(burst.count));
    notice.body = texts_.Fill(kNoticeLastFormat, FileName(fullName)) + "\n" + text;
  }
  notice.replaceKey = "failed " + std::to_string(burst.serial);
  notifier_->Show(notice);
}

void DownloadNotices::NoticeActionChosen(std::string_view key) {
  const bool play = key.starts_with(kPlayKey);
  if (!play && !key.starts_with(kFolderKey)) return;
  const std::string_view number = key.substr(play ? kPlayKey.size() : kFolderKey.size());
  uint64_t serial = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), serial);
  if (error != std::errc() || end != number.data() + number.size()) return;
  for (const Shown& shown : shown_) {
    if (shown.serial != serial || shown.files.empty()) continue;
    if (play) {
      log_.PlayFiles(shown.files);
    } else {
      log_.ShowInFolder(shown.files.back());
    }
    return;
  }
}

}  // namespace vexon::app
