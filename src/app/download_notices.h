#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/desktop_notifier.h"
#include "download/download_controller.h"
#include "library/completed_log.h"
#include "storage/app_settings.h"
#include "text/catalog.h"

namespace vexon::app {

// Completions (and failures) this close to the one before join its notice.
inline constexpr std::chrono::seconds kNoticeBurst{5};
// The notices whose actions still do something.
inline constexpr size_t kNoticesKept = 16;

inline constexpr const char* kDoneOneFormat = "下载完成: %1";
inline constexpr const char* kDoneManyFormat = "%1 个文件已下载";
inline constexpr const char* kFailedOneFormat = "下载失败: %1";
inline constexpr const char* kFailedManyFormat = "%1 个下载失败";
inline constexpr const char* kNoticeFolderFormat = "文件夹: %1";
inline constexpr const char* kNoticeLastFormat = "最后一个: %1";
inline constexpr const char* kPlayActionText = "播放";
inline constexpr const char* kFolderActionText = "打开所在文件夹";

// Tells the desktop of finished and failed downloads while the user looks
// elsewhere: a burst of them reads as one notice that grows, and its actions play
// the files or show the last one in its folder, as the log's commands do.
// Owner thread only.
class DownloadNotices final : private download::DownloadListener, private core::NoticeActions {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  using MakeNotifier = std::function<std::unique_ptr<core::DesktopNotifier>(core::NoticeActions&)>;

  // `windowInFront` tells when no notice is needed; `settings.Notify` switches
  // notices off.
  DownloadNotices(download::DownloadController& downloads, library::CompletedLog& log,
                  const storage::AppSettings& settings, const MakeNotifier& makeNotifier,
                  std::function<bool()> windowInFront, text::Translator texts,
                  Clock clock = &std::chrono::steady_clock::now);

  void NoticeActionChosen(std::string_view key) override;

 private:
  struct Burst {
    uint64_t serial = 0;  // 0: none yet
    size_t count = 0;
    std::chrono::steady_clock::time_point last;
  };
  // The files a notice's actions act on.
  struct Shown {
    uint64_t serial = 0;
    std::vector<std::string> files;
  };

  void DownloadCompleted(const std::string& fullPath, const std::string& sizeText) override;
  void DownloadFailed(const std::string& fullName, const std::string& text) override;
  bool Quiet() const;
  // Counts one more in `burst`, or starts a new one after a pause.
  Burst& Join(Burst& burst);
  Shown& FilesOf(uint64_t serial);

  download::DownloadController::Subscription subscription_;
  library::CompletedLog& log_;
  const storage::AppSettings& settings_;
  std::unique_ptr<core::DesktopNotifier> notifier_;
  std::function<bool()> windowInFront_;
  const text::Translator texts_;
  Clock clock_;
  uint64_t nextSerial_ = 1;
  Burst done_;
  Burst failed_;
  std::deque<Shown> shown_;  // newest last, at most kNoticesKept
};

}  // namespace vexon::app
