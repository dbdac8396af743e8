#include "app/ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace vexon::app::ui {
namespace {

QRect FittedInto(QRect window, const QRect& area) {
  window.setWidth(std::min(window.width(), area.width()));
  window.setHeight(std::min(window.height(), area.height()));
  window.moveLeft(std::clamp(window.left(), area.left(), area.right() - window.width() + 1));
  window.moveTop(std::clamp(window.top(), area.top(), area.bottom() - window.height() + 1));
  return window;
}

}  // namespace

std::optional<QRect> KeptGeometry(const storage::WindowPlacement& kept, const QList<QRect>& areas) {
  const QRect window(kept.left, kept.top, kept.width, kept.height);
  const QRect* best = nullptr;
  long long bestOverlap = 0;
  for (const QRect& area : areas) {
    const QRect overlap = area.intersected(window);
    const long long size = overlap.isEmpty() ? 0 : 1LL * overlap.width() * overlap.height();
    if (size > bestOverlap) best = &area, bestOverlap = size;
  }
  if (best == nullptr) return std::nullopt;
  return FittedInto(window, *best);
}

QRect StartGeometry(const QList<QRect>& areas, QSize startSize) {
  if (areas.isEmpty()) return QRect(QPoint(0, 0), startSize);
  const QRect& primary = areas.front();
  QRect window(QPoint(0, 0), startSize.boundedTo(primary.size()));
  window.moveCenter(primary.center());
  return FittedInto(window, primary);
}

QRect FramedInto(const QRect& inside, const QMargins& frame, const QRect& area) {
  return FittedInto(inside.marginsAdded(frame), area).marginsRemoved(frame);
}

QList<QRect> ScreenAreas() {
  QList<QRect> areas;
  if (QScreen* primary = QGuiApplication::primaryScreen()) areas.append(primary->availableGeometry());
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen != QGuiApplication::primaryScreen()) areas.append(screen->availableGeometry());
  }
  return areas;
}

storage::WindowPlacement PlacementOf(const QWidget& window) {
  const QRect normal = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
  return {normal.left(), normal.top(), normal.width(), normal.height(), window.isMaximized()};
}

}  // namespace vexon::app::ui
