#include "cli/cli_support.h"

#include <signal.h>

#include <cstdio>

#include "text/strings.h"

namespace vexon::cli {

void PrintRow(const std::vector<std::string>& cells) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) line += '\t';
    for (char c : cells[i]) line += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

bool ParseUnsigned(const std::string& text, uint32_t& value) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const uint64_t v = text::LeadingDigits(text);
  if (v > UINT32_MAX) return false;
  value = static_cast<uint32_t>(v);
  return true;
}

SignalWatcher::SignalWatcher() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  // Blocked before any worker starts, so every thread inherits the mask and the
  // signal stays pending until Received() looks.
  pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

SignalWatcher::~SignalWatcher() {
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

bool SignalWatcher::Received() const {
  if (received_) return true;
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  // Taken off the pending set, so unblocking later does not kill the process.
  const timespec now{0, 0};
  if (sigtimedwait(&set, nullptr, &now) > 0) received_ = true;
  return received_;
}

}  // namespace vexon::cli
