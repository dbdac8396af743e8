#include "cli/cli_support.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/text_set.h"
#include "storage/profile.h"
#include "storage/settings_store.h"
#include "text/strings.h"
#include "update/update_agent.h"

namespace vexon::cli {

app::TextSet LoadTexts(const std::string& langFlag, const std::filesystem::path& startDir, const char* command) {
  storage::Profile profile(storage::SettingsStore::SettingsPath(startDir));
  const std::string setting = storage::SettingsStore(profile, startDir).LoadLanguage();
  std::vector<std::string> notes;
  app::TextSet texts = app::LoadTextSet(langFlag, setting, std::getenv, update::RunningExecutablePath(), notes);
  for (const std::string& note : notes) std::fprintf(stderr, "%s: %s\n", command, note.c_str());
  return texts;
}

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
  signalFd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

SignalWatcher::~SignalWatcher() {
  if (signalFd_ >= 0) close(signalFd_);
  if (wakeFd_ >= 0) close(wakeFd_);
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

bool SignalWatcher::Wait() {
  if (TakeSignal()) return true;
  pollfd fds[2] = {{signalFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  // Without the descriptors (out of them) a short sleep keeps the caller going.
  const int timeout = signalFd_ < 0 || wakeFd_ < 0 ? 50 : -1;
  while (poll(fds, 2, timeout) < 0 && errno == EINTR) {
  }
  if (TakeSignal()) return true;
  uint64_t count = 0;
  if (wakeFd_ >= 0 && read(wakeFd_, &count, sizeof count) < 0) count = 0;
  return false;
}

void SignalWatcher::Wake() {
  const uint64_t one = 1;
  if (wakeFd_ >= 0 && write(wakeFd_, &one, sizeof one) < 0) return;
}

bool SignalWatcher::Received() const {
  return TakeSignal() || received_;
}

bool SignalWatcher::TakeSignal() const {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  // Taken off the pending set, so unblocking later does not kill the process, and a
  // second signal does not leave the descriptor readable for ever.
  const timespec now{0, 0};
  if (sigtimedwait(&set, nullptr, &now) <= 0) return false;
  received_ = true;
  return true;
}

}  // namespace vexon::cli
