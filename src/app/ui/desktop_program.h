#pragma once

#include "app/session.h"
#include "app/ui/desktop_ports.h"
#include "app/ui/main_window.h"
#include "app/ui/qt_owner_channel.h"

namespace vexon::app::ui {

// The desktop program for one start-up directory: its owner channel, ports,
// session (loaded from the settings file) and main window, made in an order in which
// each outlives what reports to it. The window's own ports default to the desktop's.
class DesktopProgram final {
 public:
  explicit DesktopProgram(SessionConfig config, WindowPorts windowPorts = {});

  Session& session() { return session_; }
  CVexonDlg& window() { return window_; }

 private:
  static WindowPorts WithDefaults(WindowPorts ports, DesktopPorts& desktop);

  QtOwnerChannel channel_;
  DesktopPorts ports_;
  Session session_;
  CVexonDlg window_;
};

}  // namespace vexon::app::ui
