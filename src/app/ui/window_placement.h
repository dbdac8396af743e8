#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>

#include <optional>

#include "storage/settings_store.h"

class QWidget;

namespace vexon::app::ui {

// The kept place when it overlaps one of the screens' free areas (`areas`, the
// primary first): cut to the area that holds most of it and moved wholly onto it.
// Nothing when it is on no screen there is now.
std::optional<QRect> KeptGeometry(const storage::WindowPlacement& kept, const QList<QRect>& areas);
// `startSize`, cut to the primary area, in its middle.
QRect StartGeometry(const QList<QRect>& areas, QSize startSize);

// The inside of a window whose frame (`frame` around `inside`) is moved and cut to
// lie wholly within `area`.
QRect FramedInto(const QRect& inside, const QMargins& frame, const QRect& area);

// The free areas of the screens there are now, the primary first.
QList<QRect> ScreenAreas();

// A window's place as the settings file keeps it: its normal geometry and whether
// it is maximized.
storage::WindowPlacement PlacementOf(const QWidget& window);

}  // namespace vexon::app::ui
