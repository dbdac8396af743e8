#pragma once

#include <QMessageBox>

#include <string>

#include "app/prompter.h"

class QWidget;

namespace vexon::app::ui {

// Message boxes and questions as modal QMessageBoxes over one parent window.
class QtPrompter final : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent) : parent_(parent) {}

  MessageResult Show(const std::string& text, MessageIcon icon, MessageButtons buttons) override;
  MessageResult ShowCaptioned(const std::string& caption, const std::string& text, MessageIcon icon,
                              MessageButtons buttons) override;

 private:
  QWidget* parent_;  // not owned
};

QMessageBox::Icon ToQtIcon(MessageIcon icon);
QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons);
// The answer for a pressed button; a box closed another way gives the buttons'
// refusing answer (Cancel, No) or OK.
MessageResult ToMessageResult(int pressed, MessageButtons buttons);

}  // namespace vexon::app::ui
