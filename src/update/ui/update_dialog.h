#pragma once

#include <QDialog>

#include <functional>

#include "core/background_job.h"
#include "core/prompter.h"
#include "text/catalog.h"

class QPushButton;

namespace vexon::widgets {
class BusyIndicator;
}

namespace vexon::update::ui {

// The update dialog (224): button 1122 runs one check and reports its result in a
// box captioned "升级信息"; 1028 closes. The check runs on `job`'s thread while the
// dialog shows that it is under way; closing the dialog gives it up (a swap that
// has begun still ends). The dialog stays open after a check.
class CUpdateDlg final : public QDialog {
  Q_OBJECT

 public:
  // `check` runs one update check on the job's thread and returns its result
  // code; it should end early when its argument says so.
  using Check = std::function<int(const std::function<bool()>& stopRequested)>;

  CUpdateDlg(core::BackgroundJob& job, Check check, core::Prompter& prompter, text::Translator texts,
             QWidget* parent = nullptr);
  ~CUpdateDlg() override;

  void OnCheck();

 signals:
  // A check's result has been shown.
  void checkEnded();

 private:
  void OnChecked(int code);

  const text::Translator texts_;
  core::BackgroundJob& job_;
  Check check_;
  core::Prompter& prompter_;
  QPushButton* checkButton_ = nullptr;
  widgets::BusyIndicator* busy_ = nullptr;
};

}  // namespace vexon::update::ui
