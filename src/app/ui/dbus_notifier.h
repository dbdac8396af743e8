#pragma once

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>

#include "core/desktop_notifier.h"

namespace vexon::app::ui {

// Notices through org.freedesktop.Notifications. Every call to the service is
// asynchronous, so a service that hangs never holds up the window; where the
// service is missing or does not answer in time, the notice goes to the fallback.
class DbusNotifier final : public QObject, public core::DesktopNotifier {
  Q_OBJECT

 public:
  using Fallback = std::function<void(const core::DesktopNotice&)>;

  // `fallback` may be empty: notices without a service are then dropped.
  DbusNotifier(core::NoticeActions& listener, QString appName, QString appIcon, Fallback fallback,
               QDBusConnection bus = QDBusConnection::sessionBus(),
               std::chrono::milliseconds replyLimit = std::chrono::seconds(5));
  ~DbusNotifier() override;

  void Show(const core::DesktopNotice& notice) override;

 private slots:
  void OnActionInvoked(uint id, const QString& key);
  void OnNotificationClosed(uint id, uint reason);
  void OnOwnerChanged(const QString& service, const QString& oldOwner, const QString& newOwner);

 private:
  enum class Service { Unknown, Probing, Present, Missing };

  void Probe();
  void Pump();
  void Send(const core::DesktopNotice& notice);
  void MarkMissing();
  void Fall(const core::DesktopNotice& notice);

  core::NoticeActions& listener_;
  QString appName_;
  QString appIcon_;
  Fallback fallback_;
  QDBusConnection bus_;
  int replyLimitMs_;
  Service service_ = Service::Unknown;
  QElapsedTimer missingFor_;
  bool actions_ = false;
  bool markup_ = false;
  // Notices waiting for the capabilities, or for the id of the last one with their key.
  std::deque<core::DesktopNotice> waiting_;
  QSet<QString> sending_;
  QHash<QString, uint> lastId_;
  QSet<uint> ours_;
};

}  // namespace vexon::app::ui
