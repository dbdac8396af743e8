#include "app/ui/about_dialog.h"

#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "app/menu_layout.h"
#include "app/ui/artwork.h"
#include "widgets/texts.h"

namespace vexon::app::ui {
namespace {

constexpr int kRuleLength = 70;
constexpr int kBannerIconPixels = 32;
constexpr int kVisibleTextLines = 16;

// Each section's heading and its lines; a translation breaks its own lines.
constexpr std::pair<const char*, const char*> kAboutSections[] = {
    {" 软件简介",
     " 维松MP3是一款新型的MP3文件网络搜索软件，完全免费，它集文件搜索、下载、\n"
     " 管理于一体。用户只需输入歌名或歌手名，软件就会自动去搜索网上多个流行网\n"
     " 站，并自动检查被发现的文件链接，保证搜索结果丰富快速且无死链。软件能够\n"
     " 多线层、断点续传、同时下载多个文件，并且还具有简单方便的文件管理功能。"},
    {" 快速开始",
     " 1．连接上网。\n"
     " 2．搜索文件 在[编辑框]中输入关键词，鼠标单击[搜索]按钮，开始搜索。\n"
     " 3．下载文件 在[搜索结果列表]中，鼠标双击文件项，开始下载。\n"
     " 4．下载状态 在[下载文件列表]中，显示下载状态，完成后文件项自动清除。\n"
     " 5．播放文件 转换到[已下载文件列表]，鼠标双击刚下载的文件项，开始播放。"},
    {" 版权申明",
     " 维松MP3 版权所有 (C) 2006 维松工作室。\n"
     " 本软件免费提供，欢迎个人使用和转发，但不得出售或修改后发布。\n"
     " 搜索到的文件归其各自的权利人所有，请在法律允许的范围内使用。"},
};

}  // namespace

QStringList AboutLines(const text::Translator& texts) {
  const QString rule(kRuleLength, QLatin1Char('-'));
  QStringList lines;
  for (const auto& [heading, body] : kAboutSections) {
    lines << QString() << widgets::Text(texts, heading) << rule;
    lines << widgets::Text(texts, body).split(QLatin1Char('\n'));
  }
  return lines;
}

QString AboutVersionLine(const text::Translator& texts) {
  return widgets::Text(texts, "版本 1.2.6    2006年 8月    维松工作室    中国");
}

CAboutDlg::CAboutDlg(text::Translator texts, QWidget* parent) : QDialog(parent), texts_(std::move(texts)) {
  setWindowTitle(widgets::Text(texts_, kAboutText));
  setWindowIcon(AppIcon());
  auto* layout = new QVBoxLayout(this);
  // Room for the hand-drawn frame around the client area.
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(0);
  layout->addWidget(MakeBanner());
  layout->addWidget(MakeBody(), 1);
}

QWidget* CAboutDlg::MakeBanner() {
  banner_ = new QWidget(this);
  banner_->setObjectName(QStringLiteral("banner"));
  banner_->setAutoFillBackground(true);
  banner_->installEventFilter(this);

  auto* icon = new QLabel(banner_);
  icon->setPixmap(AppIcon().pixmap(kBannerIconPixels, kBannerIconPixels));
  auto* title = new QLabel(widgets::Text(texts_, kAboutText), banner_);
  title->setObjectName(QStringLiteral("bannerTitle"));
  QFont titleFont = title->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
  title->setFont(titleFont);
  auto* caption = new QLabel(AboutVersionLine(texts_), banner_);
  caption->setObjectName(QStringLiteral("bannerCaption"));

  auto* texts = new QVBoxLayout;
  texts->setSpacing(2);
  texts->addWidget(title);
  texts->addWidget(caption);
  auto* row = new QHBoxLayout(banner_);
  row->setContentsMargins(12, 8, 12, 8);
  row->setSpacing(10);
  row->addWidget(icon, 0, Qt::AlignVCenter);
  row->addLayout(texts, 1);
  return banner_;
}

QWidget* CAboutDlg::MakeBody() {
  auto* body = new QWidget(this);
  auto* text = new QPlainTextEdit(body);
  text->setObjectName(QStringLiteral("1005"));
  text->setReadOnly(true);
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Each line goes at the end and the caret follows it, so the field ends at
  // its last line.
  QTextCursor cursor = text->textCursor();
  for (const QString& line : AboutLines(texts_)) {
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(line + QLatin1Char('\n'));
  }
  text->setTextCursor(cursor);
  text->ensureCursorVisible();

  const QFontMetrics metrics(text->font());
  int widest = 0;
  for (const QString& line : AboutLines(texts_)) {
    widest = std::max(widest, metrics.horizontalAdvance(line));
  }
  const int chrome = 2 * text->frameWidth() + text->verticalScrollBar()->sizeHint().width() +
                     2 * static_cast<int>(text->document()->documentMargin()) + 4;
  text->setMinimumSize(widest + chrome, metrics.lineSpacing() * kVisibleTextLines);

  auto* ok = new QPushButton(widgets::Text(texts_, "确定"), body);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->addWidget(text, 1);
  layout->addLayout(buttons);
  return body;
}

void CAboutDlg::FitBannerBackground() {
  QPalette palette = banner_->palette();
  palette.setBrush(QPalette::Window, BannerPixmap(banner_->size()));
  banner_->setPalette(palette);
}

bool CAboutDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == banner_ && event->type() == QEvent::Resize) FitBannerBackground();
  return QDialog::eventFilter(watched, event);
}

void CAboutDlg::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  // A light face inside a sunken edge: shadow above and left, highlight below
  // and right.
  QPainter painter(this);
  const QRect face = rect();
  painter.fillRect(face, palette().color(QPalette::Midlight));
  const int right = face.right();
  const int bottom = face.bottom();
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(0, 0, right, 0);
  painter.drawLine(0, 0, 0, bottom);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(0, bottom, right, bottom);
  painter.drawLine(right, 0, right, bottom);
}

}  // namespace vexon::app::ui
