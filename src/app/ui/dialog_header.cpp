#include "app/ui/dialog_header.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

namespace vexon::app::ui {

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

QPushButton* MakeDialogButton(const char* utf8Text, int controlId, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(utf8Text), parent);
  button->setObjectName(QString::number(controlId));
  button->setAutoDefault(false);
  return button;
}

}  // namespace vexon::app::ui
