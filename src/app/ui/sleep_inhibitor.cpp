#include "app/ui/sleep_inhibitor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <utility>

namespace vexon::app::ui {

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
// The portal's Inhibit flag for suspending.
constexpr uint kSuspend = 4;

}  // namespace

SleepInhibitor::SleepInhibitor(QString who, QString why, QDBusConnection system, QDBusConnection session,
                               std::chrono::milliseconds replyLimit)
    : who_(std::move(who)),
      why_(std::move(why)),
      system_(std::move(system)),
      session_(std::move(session)),
      replyLimitMs_(static_cast<int>(replyLimit.count())) {}

SleepInhibitor::~SleepInhibitor() {
  Release();
}

void SleepInhibitor::Hold() {
  if (wanted_) return;
  wanted_ = true;
  // An answer still on its way is kept when it comes.
  if (!asking_) AskLogind();
}

void SleepInhibitor::Release() {
  if (!wanted_) return;
  wanted_ = false;
  lock_ = QDBusUnixFileDescriptor();
  if (!portalRequest_.isEmpty()) ClosePortalRequest(std::exchange(portalRequest_, QString()));
}

void SleepInhibitor::AskLogind() {
  asking_ = true;
  // Without a bus a call never finishes, not even with an error.
  if (!system_.isConnected()) return AskPortal();
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep") << who_ << why_ << QStringLiteral("block");
  auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(call, replyLimitMs_), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
    done->deleteLater();
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *done;
    if (reply.isError() || !reply.value().isValid()) return AskPortal();
    asking_ = false;
    // Unwanted by now: the descriptor closes with the reply, which ends the lock.
    if (wanted_) lock_ = reply.value();
  });
}

void SleepInhibitor::AskPortal() {
  if (!session_.isConnected()) {
    asking_ = false;
    return;
  }
  QDBusMessage call =
      QDBusMessage::createMethodCall(kPortal, QStringLiteral("/org/freedesktop/portal/desktop"),
                                     QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
  QVariantMap options;
  options.insert(QStringLiteral("reason"), why_);
  call << QString() << kSuspend << options;
  auto* watcher = new QDBusPendingCallWatcher(session_.asyncCall(call, replyLimitMs_), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
    done->deleteLater();
    asking_ = false;
    // Neither service: the machine may sleep, as it would without the program.
    const QDBusPendingReply<QDBusObjectPath> reply = *done;
    if (reply.isError()) return;
    if (wanted_) {
      portalRequest_ = reply.value().path();
    } else {
      ClosePortalRequest(reply.value().path());
    }
  });
}

void SleepInhibitor::ClosePortalRequest(const QString& request) {
  // The inhibition lasts as long as the request object the portal returned; its
  // Response signal is not awaited, as a refusing backend leaves nothing to undo.
  const QDBusMessage call = QDBusMessage::createMethodCall(
      kPortal, request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close"));
  session_.send(call);
}

}  // namespace vexon::app::ui
