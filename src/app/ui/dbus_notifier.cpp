#include "app/ui/dbus_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QStringList>
#include <QVariantMap>

#include <utility>

#include "app/ui/desktop_id.h"

namespace vexon::app::ui {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// A missing service is asked again after this long: it may have been started since.
constexpr qint64 kRecheckMs = 30000;

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

DbusNotifier::DbusNotifier(core::NoticeActions& listener, QString appName, QString appIcon, Fallback fallback,
                           QDBusConnection bus, std::chrono::milliseconds replyLimit)
    : listener_(listener),
      appName_(std::move(appName)),
      appIcon_(std::move(appIcon)),
      fallback_(std::move(fallback)),
      bus_(std::move(bus)),
      replyLimitMs_(static_cast<int>(replyLimit.count())) {
  bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
               SLOT(OnActionInvoked(uint, QString)));
  bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
               SLOT(OnNotificationClosed(uint, uint)));
  auto* watcher = new QDBusServiceWatcher(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &DbusNotifier::OnOwnerChanged);
  // Asked now, so the first notice seldom waits for the answer.
  Probe();
}

DbusNotifier::~DbusNotifier() = default;

void DbusNotifier::Show(const core::DesktopNotice& notice) {
  if (service_ == Service::Missing) {
    if (missingFor_.elapsed() < kRecheckMs) return Fall(notice);
    service_ = Service::Unknown;
  }
  // A notice still waiting is replaced by a newer one with its key: only the newest
  // of a burst is worth showing.
  auto same = waiting_.end();
  if (!notice.replaceKey.empty()) {
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
      if (it->replaceKey == notice.replaceKey) same = it;
    }
  }
  if (same != waiting_.end()) {
    *same = notice;
  } else {
    waiting_.push_back(notice);
  }
  if (service_ == Service::Unknown) {
    Probe();
  } else if (service_ == Service::Present) {
    Pump();
  }
}

void DbusNotifier::Probe() {
  // Without a bus a call never finishes, not even with an error.
  if (!bus_.isConnected()) return MarkMissing();
  service_ = Service::Probing;
  const QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, replyLimitMs_), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
    done->deleteLater();
    const QDBusPendingReply<QStringList> reply = *done;
    if (reply.isError()) return MarkMissing();
    const QStringList capabilities = reply.value();
    actions_ = capabilities.contains(QStringLiteral("actions"));
    markup_ = capabilities.contains(QStringLiteral("body-markup"));
    service_ = Service::Present;
    Pump();
  });
}

void DbusNotifier::Pump() {
  if (!bus_.isConnected()) return MarkMissing();
  std::deque<core::DesktopNotice> later;
  while (!waiting_.empty()) {
    core::DesktopNotice notice = std::move(waiting_.front());
    waiting_.pop_front();
    // The id to replace is known only once the last notice with this key is answered.
    if (!notice.replaceKey.empty() && sending_.contains(Text(notice.replaceKey))) {
      later.push_back(std::move(notice));
    } else {
      Send(notice);
    }
  }
  waiting_ = std::move(later);
}

void DbusNotifier::Send(const core::DesktopNotice& notice) {
  const QString key = Text(notice.replaceKey);
  QStringList actions;
  if (actions_) {
    for (const core::DesktopNotice::Action& action : notice.actions) actions << Text(action.key) << Text(action.label);
  }
  // Urgency stays normal for failures too: a critical notice stays on the screen
  // until dismissed, and a failed download is not worth that.
  QVariantMap hints;
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar{1}));
  hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(kDesktopId));
  const QString body = markup_ ? Text(notice.body).toHtmlEscaped() : Text(notice.body);
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
  call << appName_ << (key.isEmpty() ? 0u : lastId_.value(key, 0u)) << appIcon_ << Text(notice.summary) << body
       << actions << hints << -1;
  if (!key.isEmpty()) sending_.insert(key);
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, replyLimitMs_), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, notice, key](QDBusPendingCallWatcher* done) {
    done->deleteLater();
    sending_.remove(key);
    const QDBusPendingReply<uint> reply = *done;
    if (reply.isError()) {
      Fall(notice);
      if (service_ != Service::Missing) MarkMissing();
      return;
    }
    ours_.insert(reply.value());
    if (!key.isEmpty()) lastId_.insert(key, reply.value());
    if (service_ == Service::Present) Pump();
  });
}

void DbusNotifier::MarkMissing() {
  service_ = Service::Missing;
  missingFor_.start();
  lastId_.clear();
  std::deque<core::DesktopNotice> left = std::move(waiting_);
  waiting_.clear();
  for (const core::DesktopNotice& notice : left) Fall(notice);
}

void DbusNotifier::Fall(const core::DesktopNotice& notice) {
  if (fallback_) fallback_(notice);
}

void DbusNotifier::OnActionInvoked(uint id, const QString& key) {
  if (ours_.contains(id)) listener_.NoticeActionChosen(key.toStdString());
}

void DbusNotifier::OnNotificationClosed(uint id, uint) {
  ours_.remove(id);
  // The next notice with its key starts afresh instead of naming a closed one.
  for (auto it = lastId_.begin(); it != lastId_.end();) {
    it = it.value() == id ? lastId_.erase(it) : std::next(it);
  }
}

void DbusNotifier::OnOwnerChanged(const QString&, const QString&, const QString&) {
  // Another server (or none) knows nothing of the old ids and may offer other things.
  lastId_.clear();
  ours_.clear();
  if (service_ == Service::Probing) return;
  service_ = Service::Unknown;
  if (!waiting_.empty()) Probe();
}

}  // namespace vexon::app::ui
