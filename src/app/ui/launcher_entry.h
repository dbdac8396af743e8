#pragma once

#include <QDBusConnection>
#include <QString>

#include "core/desktop_progress.h"

namespace vexon::app::ui {

// The download progress on the launcher icon, as the com.canonical.Unity.LauncherEntry
// Update signal that docks and task managers listen to. Nobody answers a signal, so
// nothing here waits.
class LauncherEntry final : public core::LauncherProgress {
 public:
  explicit LauncherEntry(QDBusConnection bus = QDBusConnection::sessionBus());

  void Show(double fraction, size_t count) override;
  void Clear() override;

  // The object path the signals come from.
  static QString Path();
  // The entry the signals name: application://<desktop id>.desktop.
  static QString AppUri();

 private:
  void Send(bool visible, double fraction, size_t count);

  QDBusConnection bus_;
  bool shown_ = false;
  double fraction_ = 0;
  size_t count_ = 0;
};

}  // namespace vexon::app::ui
