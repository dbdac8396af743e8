#pragma once

#include <QString>
#include <QWidget>
#include <QtGlobal>

namespace vexon::app::ui {

// A window's control by its id (its object name); a missing one ends the program:
// the callers (tests, benchmarks, tools) name controls that must exist.
template <typename W>
W* Find(QWidget& dialog, int id) {
  auto* widget = dialog.findChild<W*>(QString::number(id));
  if (widget == nullptr) qFatal("no control %d", id);
  return widget;
}

}  // namespace vexon::app::ui
