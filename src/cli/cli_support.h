#pragma once

#include <atomic>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/text_set.h"
#include "download/download_texts.h"

namespace vexon::cli {

// One results row on stdout: the cells joined by TAB, control bytes shown as blanks.
void PrintRow(const std::vector<std::string>& cells);

bool ParseUnsigned(const std::string& text, uint32_t& value);

// The texts of the language `langFlag` (--lang), the settings file in `startDir`
// and the environment choose; each problem is told on stderr after "`command`: ".
app::TextSet LoadTexts(const std::string& langFlag, const std::filesystem::path& startDir, const char* command);

// Blocks SIGINT and SIGTERM for the process and notes when one arrives. The main
// thread can sleep until a signal or until another thread wakes it.
class SignalWatcher final {
 public:
  SignalWatcher();
  ~SignalWatcher();
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

  bool Received() const;
  // Sleeps until a signal arrives (true, once per signal) or Wake() is called
  // (false). A wake-up given while nobody sleeps is kept for the next call.
  bool Wait();
  // Any thread.
  void Wake();

 private:
  // A signal pending now, taken; false when none is.
  bool TakeSignal() const;

  sigset_t previous_{};
  int signalFd_ = -1;
  int wakeFd_ = -1;
  mutable std::atomic<bool> received_{false};
};

}  // namespace vexon::cli
