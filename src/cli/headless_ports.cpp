#include "cli/headless_ports.h"

#include <cstdio>
#include <utility>

namespace vexon::cli {

HeadlessPorts::HeadlessPorts(std::string command) : prompter_(std::move(command)) {}

app::SessionPorts HeadlessPorts::ForSession() {
  return app::SessionPorts{prompter_, downloadAs_, moveDialog_, shell_, associations_};
}

core::MessageResult HeadlessPorts::StderrPrompter::Show(const std::string& text, core::MessageIcon,
                                                        core::MessageButtons buttons) {
  std::fprintf(stderr, "%s: %s\n", command_.c_str(), text.c_str());
  switch (buttons) {
    case core::MessageButtons::kOk: return core::MessageResult::kOk;
    case core::MessageButtons::kOkCancel: return core::MessageResult::kCancel;
    case core::MessageButtons::kYesNo: return core::MessageResult::kNo;
  }
  return core::MessageResult::kCancel;
}

}  // namespace vexon::cli
