#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

#include <chrono>

#include "core/desktop_progress.h"

namespace vexon::app::ui {

// Keeps the machine awake through logind's sleep lock (a file descriptor: the lock
// lasts while it is open), or, where logind is absent or refuses, through the
// desktop portal's Inhibit request. The requests are asynchronous; a Release that
// comes before the answer lets the lock go as soon as it arrives.
class SleepInhibitor final : public QObject, public core::SleepInhibitor {
  Q_OBJECT

 public:
  // `system` is where logind is asked, `session` where the portal is.
  SleepInhibitor(QString who, QString why, QDBusConnection system = QDBusConnection::systemBus(),
                 QDBusConnection session = QDBusConnection::sessionBus(),
                 std::chrono::milliseconds replyLimit = std::chrono::seconds(5));
  ~SleepInhibitor() override;

  void Hold() override;
  void Release() override;

  // A lock is held now (not merely asked for).
  bool holding() const { return lock_.isValid() || !portalRequest_.isEmpty(); }

 private:
  void AskLogind();
  void AskPortal();
  void ClosePortalRequest(const QString& request);

  QString who_;
  QString why_;
  QDBusConnection system_;
  QDBusConnection session_;
  int replyLimitMs_;
  bool wanted_ = false;
  bool asking_ = false;
  QDBusUnixFileDescriptor lock_;
  QString portalRequest_;
};

}  // namespace vexon::app::ui
