#pragma once

#include <atomic>
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace vexon::cli {

// One results row on stdout: the cells joined by TAB, control bytes shown as blanks.
void PrintRow(const std::vector<std::string>& cells);

bool ParseUnsigned(const std::string& text, uint32_t& value);

// Blocks SIGINT and SIGTERM for the process and notes when one arrives.
class SignalWatcher final {
 public:
  SignalWatcher();
  ~SignalWatcher();
  bool Received() const;

 private:
  sigset_t previous_{};
  mutable std::atomic<bool> received_{false};
};

}  // namespace vexon::cli
