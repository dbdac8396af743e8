#pragma once

#include <QString>
#include <QWidget>
#include <QtGlobal>

namespace vexon::test {

// A dialog's control by its id (the object name); a missing one ends the test.
template <typename W>
W* Find(QWidget& dialog, int id) {
  auto* widget = dialog.findChild<W*>(QString::number(id));
  if (widget == nullptr) qFatal("no control %d", id);
  return widget;
}

}  // namespace vexon::test
