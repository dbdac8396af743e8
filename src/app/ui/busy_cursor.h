#pragma once

#include <QApplication>
#include <QCursor>

namespace vexon::app::ui {

// Shows the wait cursor while a step that blocks the window's thread runs.
class BusyCursor final {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace vexon::app::ui
