#include "app/ui/launcher_entry.h"

#include <QDBusMessage>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/ui/desktop_id.h"

namespace vexon::app::ui {

namespace {

// Progress moves by every received block; the icon cannot show steps this small,
// and the bus should not carry them.
constexpr double kSmallestStep = 0.005;

}  // namespace

LauncherEntry::LauncherEntry(QDBusConnection bus) : bus_(std::move(bus)) {}

QString LauncherEntry::Path() {
  return QStringLiteral("/io/github/vexon/Vexon/LauncherEntry");
}

QString LauncherEntry::AppUri() {
  return QStringLiteral("application://%1.desktop").arg(QString::fromLatin1(kDesktopId));
}

void LauncherEntry::Show(double fraction, size_t count) {
  fraction = std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0);
  if (shown_ && count == count_ && std::abs(fraction - fraction_) < kSmallestStep) return;
  Send(true, fraction, count);
}

void LauncherEntry::Clear() {
  if (!shown_) return;
  Send(false, fraction_, count_);
}

void LauncherEntry::Send(bool visible, double fraction, size_t count) {
  shown_ = visible;
  fraction_ = fraction;
  count_ = count;
  QVariantMap properties;
  properties.insert(QStringLiteral("progress"), fraction);
  properties.insert(QStringLiteral("progress-visible"), visible);
  properties.insert(QStringLiteral("count"), static_cast<qint64>(count));
  properties.insert(QStringLiteral("count-visible"), visible && count > 0);
  QDBusMessage update =
      QDBusMessage::createSignal(Path(), QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
  update << AppUri() << properties;
  bus_.send(update);
}

}  // namespace vexon::app::ui
