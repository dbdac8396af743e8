#pragma once

#include <QDialog>

#include <functional>

#include "app/prompter.h"

class QPushButton;

namespace vexon::update::ui {

// The update dialog (224): button 1122 runs one check and reports its result in a
// box captioned "升级信息"; 1028 closes. The dialog stays open after a check.
class CUpdateDlg final : public QDialog {
  Q_OBJECT

 public:
  // `check` runs one update check and returns its result code.
  CUpdateDlg(std::function<int()> check, app::Prompter& prompter, QWidget* parent = nullptr);

  void OnCheck();

 private:
  std::function<int()> check_;
  app::Prompter& prompter_;
  QPushButton* checkButton_ = nullptr;
};

}  // namespace vexon::update::ui
