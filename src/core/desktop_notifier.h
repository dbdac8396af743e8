#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexon::core {

// A message the desktop shows outside the window.
struct DesktopNotice {
  struct Action {
    std::string key;    // handed back to NoticeActions when chosen
    std::string label;  // what the desktop shows
  };
  std::string summary;
  std::string body;
  bool failure = false;
  // Takes the place of the last notice shown with the same `replaceKey` (empty:
  // a notice of its own), so a burst reads as one.
  std::string replaceKey;
  // Shown only where the desktop offers actions.
  std::vector<Action> actions;
};

// Hears which action of a notice the user chose; on the owner thread.
class NoticeActions {
 public:
  virtual void NoticeActionChosen(std::string_view key) = 0;

 protected:
  ~NoticeActions() = default;
};

// The desktop's notification service. Show never blocks and never fails its caller:
// where no service answers, a notice goes to the tray or nowhere.
class DesktopNotifier {
 public:
  virtual ~DesktopNotifier() = default;
  virtual void Show(const DesktopNotice& notice) = 0;
};

}  // namespace vexon::core
