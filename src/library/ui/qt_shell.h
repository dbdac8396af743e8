#pragma once

#include "core/shell.h"

namespace vexon::library::ui {

// The desktop's own handlers (xdg-open and its kin) for files and web addresses;
// players are started directly with one argument.
class QtShell final : public core::Shell {
 public:
  bool OpenFile(const std::string& path) override;
  bool OpenWebAddress(const std::string& url) override;
  bool ShowInFolder(const std::string& path) override;
  bool OpenFolder(const std::string& folder) override;
};

}  // namespace vexon::library::ui
