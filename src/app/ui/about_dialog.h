#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "text/catalog.h"

class QEvent;
class QObject;
class QPaintEvent;
class QWidget;

namespace vexon::app::ui {

// The lines of the About box's text field, in order; each is shown followed by a
// line break.
QStringList AboutLines(const text::Translator& texts);
// The banner's caption: version, date, author and place.
QString AboutVersionLine(const text::Translator& texts);

// The About box (dialog 100): a banner, the program's introduction in a read-only
// field (1005) and OK (1).
class CAboutDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(text::Translator texts, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* MakeBanner();
  QWidget* MakeBody();
  void FitBannerBackground();

  const text::Translator texts_;
  QWidget* banner_ = nullptr;
};

}  // namespace vexon::app::ui
