#pragma once

#include <string>

namespace vexon::core {

// The caption of every message box.
inline constexpr const char* kMessageCaption = "维松MP3";

enum class MessageIcon { kNone, kStop, kExclamation, kQuestion, kInformation };
enum class MessageButtons { kOk, kOkCancel, kYesNo };
enum class MessageResult { kOk, kCancel, kYes, kNo };

// Message boxes and questions, shown by the front end with the caption above.
class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual MessageResult Show(const std::string& text, MessageIcon icon, MessageButtons buttons) = 0;
  // The few boxes with a caption of their own ("升级信息"); front ends without
  // captions show the text alone.
  virtual MessageResult ShowCaptioned(const std::string& caption, const std::string& text, MessageIcon icon,
                                      MessageButtons buttons) {
    (void)caption;
    return Show(text, icon, buttons);
  }
};

}  // namespace vexon::core
