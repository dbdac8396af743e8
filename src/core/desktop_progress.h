#pragma once

#include <cstddef>

namespace vexon::core {

// The overall progress of the running downloads on the program's launcher icon.
class LauncherProgress {
 public:
  virtual ~LauncherProgress() = default;
  // `fraction` in [0, 1]; `count` running downloads. Called again for each change.
  virtual void Show(double fraction, size_t count) = 0;
  // No download runs: the icon shows no progress and no count.
  virtual void Clear() = 0;
};

// Keeps the session from suspending while a download runs. Both calls may repeat;
// only the first Hold and the first Release after it count.
class SleepInhibitor {
 public:
  virtual ~SleepInhibitor() = default;
  virtual void Hold() = 0;
  virtual void Release() = 0;
};

}  // namespace vexon::core
