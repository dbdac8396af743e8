#include <QSystemTrayIcon>

#include "app/ui/dbus_notifier.h"
#include "app/ui/desktop_id.h"
#include "app/ui/launcher_entry.h"
#include "app/ui/main_window.h"
#include "app/ui/sleep_inhibitor.h"
#include "widgets/texts.h"

namespace vexon::app::ui {
namespace {

constexpr const char* kSleepReason = "正在下载文件";

}  // namespace

void CVexonDlg::BuildDesktopServices() {
  DownloadNotices::MakeNotifier makeNotifier = ports_.makeNotifier;
  if (!makeNotifier) {
    makeNotifier = [this](core::NoticeActions& actions) -> std::unique_ptr<core::DesktopNotifier> {
      return std::make_unique<DbusNotifier>(actions, widgets::Text(session_.texts(), kTrayTip),
                                            QString::fromLatin1(kDesktopId),
                                            [this](const core::DesktopNotice& notice) { ShowTrayNotice(notice); });
    };
  }
  notices_ = std::make_unique<DownloadNotices>(
      session_.downloads(), session_.log(), session_.settings(), makeNotifier,
      [this] { return isVisible() && !isMinimized() && isActiveWindow(); }, session_.texts());

  core::LauncherProgress* launcher = ports_.launcher;
  if (launcher == nullptr) launcher = (ownLauncher_ = std::make_unique<LauncherEntry>()).get();
  core::SleepInhibitor* inhibitor = ports_.inhibitor;
  if (inhibitor == nullptr) {
    ownInhibitor_ = std::make_unique<SleepInhibitor>(widgets::Text(session_.texts(), kTrayTip),
                                                     widgets::Text(session_.texts(), kSleepReason));
    inhibitor = ownInhibitor_.get();
  }
  presence_ = std::make_unique<DownloadPresence>(session_.downloads(), *launcher, *inhibitor);
}

void CVexonDlg::ShowTrayNotice(const core::DesktopNotice& notice) {
  if (tray_ == nullptr || !tray_->isVisible()) return;
  tray_->showMessage(QString::fromStdString(notice.summary), QString::fromStdString(notice.body),
                     notice.failure ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
}

}  // namespace vexon::app::ui
