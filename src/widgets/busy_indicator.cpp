#include "widgets/busy_indicator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

namespace vexon::widgets {

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) {
  label_ = new QLabel(this);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 0);  // no known end: the bar moves to and fro
  bar_->setTextVisible(false);
  bar_->setMaximumHeight(12);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label_);
  layout->addWidget(bar_, 1);
  // Keeps its room when hidden, so the dialog does not jump.
  QSizePolicy policy = sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  setSizePolicy(policy);
  hide();
}

void BusyIndicator::Begin(const QString& text) {
  label_->setText(text);
  show();
}

void BusyIndicator::End() {
  label_->clear();
  hide();
}

QString BusyIndicator::text() const {
  return label_->text();
}

}  // namespace vexon::widgets
