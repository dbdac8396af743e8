#pragma once

#include <QMessageBox>

#include <string>
#include <utility>

#include "core/prompter.h"
#include "text/catalog.h"

class QWidget;

namespace vexon::app::ui {

// Message boxes and questions as modal QMessageBoxes over one parent window.
class QtPrompter final : public core::Prompter {
 public:
  // The caption of Show is the program's name as `texts` gives it.
  explicit QtPrompter(QWidget* parent, text::Translator texts = {}) : parent_(parent), texts_(std::move(texts)) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  core::MessageResult Show(const std::string& text, core::MessageIcon icon, core::MessageButtons buttons) override;
  core::MessageResult ShowCaptioned(const std::string& caption, const std::string& text, core::MessageIcon icon,
                                    core::MessageButtons buttons) override;

 private:
  QWidget* parent_;  // not owned
  const text::Translator texts_;
};

QMessageBox::Icon ToQtIcon(core::MessageIcon icon);
QMessageBox::StandardButtons ToQtButtons(core::MessageButtons buttons);
// The answer for a pressed button; a box closed another way gives the buttons'
// refusing answer (Cancel, No) or OK.
core::MessageResult ToMessageResult(int pressed, core::MessageButtons buttons);

}  // namespace vexon::app::ui
