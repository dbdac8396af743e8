#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace vexon::widgets {

// A line that shows work under way off the window's thread: a text and a moving
// bar. Hidden while nothing runs.
class BusyIndicator final : public QWidget {
  Q_OBJECT

 public:
  explicit BusyIndicator(QWidget* parent = nullptr);

  void Begin(const QString& text);
  void End();
  QString text() const;

 private:
  QLabel* label_ = nullptr;
  QProgressBar* bar_ = nullptr;
};

}  // namespace vexon::widgets
