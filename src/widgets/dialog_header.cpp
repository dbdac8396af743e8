#include "widgets/dialog_header.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QSpacerItem>
#include <QString>
#include <QVBoxLayout>

namespace vexon::widgets {
namespace {

constexpr int kPathCharacters = 60;
// A title bar's icon and buttons beside the caption.
constexpr int kTitleBarChrome = 160;

}  // namespace

void FitPathField(QWidget& field) {
  // A typical path's letters; a frame and a cursor beside them.
  const QString sample = QStringLiteral("/home/user/Downloads/").repeated(3).left(kPathCharacters);
  field.setMinimumWidth(field.fontMetrics().horizontalAdvance(sample) + 16);
}

void FitCaption(QMessageBox& box) {
  // QMessageBox sizes itself from its texts and ignores a minimum width; a spacer
  // in its grid is what widens it.
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
  titleFont.setBold(true);
  const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarChrome;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                grid->columnCount());
}

QWidget* MakeDialogHeader(const QString& title, const QString& line, QWidget* parent) {
  auto* band = new QFrame(parent);
  band->setAutoFillBackground(true);
  band->setBackgroundRole(QPalette::Base);
  band->setFrameShape(QFrame::StyledPanel);
  auto* column = new QVBoxLayout(band);
  auto* heading = new QLabel(title, band);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  column->addWidget(heading);
  column->addWidget(new QLabel(line, band));
  return band;
}

QPushButton* MakeDialogButton(const QString& text, int controlId, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::number(controlId));
  button->setAutoDefault(false);
  return button;
}

}  // namespace vexon::widgets
