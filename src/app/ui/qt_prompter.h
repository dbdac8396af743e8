#pragma once

#include <QMessageBox>

#include <string>

#include "core/prompter.h"

class QWidget;

namespace vexon::app::ui {

// Message boxes and questions as modal QMessageBoxes over one parent window.
class QtPrompter final : public core::Prompter {
 public:
  explicit QtPrompter(QWidget* parent) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  core::MessageResult Show(const std::string& text, core::MessageIcon icon, core::MessageButtons buttons) override;
  core::MessageResult ShowCaptioned(const std::string& caption, const std::string& text, core::MessageIcon icon,
                                    core::MessageButtons buttons) override;

 private:
  QWidget* parent_;  // not owned
};

QMessageBox::Icon ToQtIcon(core::MessageIcon icon);
QMessageBox::StandardButtons ToQtButtons(core::MessageButtons buttons);
// The answer for a pressed button; a box closed another way gives the buttons'
// refusing answer (Cancel, No) or OK.
core::MessageResult ToMessageResult(int pressed, core::MessageButtons buttons);

}  // namespace vexon::app::ui
