#include "app/ui/desktop_program.h"

#include <utility>

namespace vexon::app::ui {

DesktopProgram::DesktopProgram(SessionConfig config, WindowPorts windowPorts)
    : ports_(config.texts),
      session_(std::move(config), channel_, ports_.ForSession()),
      window_((session_.Load(), session_), channel_, WithDefaults(std::move(windowPorts), ports_)) {
  ports_.AttachTo(&window_);
}

WindowPorts DesktopProgram::WithDefaults(WindowPorts ports, DesktopPorts& desktop) {
  if (ports.prompter == nullptr) ports.prompter = &desktop.prompter();
  if (ports.folders == nullptr) ports.folders = &desktop.folders();
  return ports;
}

}  // namespace vexon::app::ui
