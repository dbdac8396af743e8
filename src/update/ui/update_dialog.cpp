#include "update/ui/update_dialog.h"

#include "app/ui/busy_cursor.h"
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/dialog_header.h"
#include "update/update_agent.h"
#include "update/update_texts.h"
#include "update/version_compare.h"

namespace vexon::update::ui {
namespace {

constexpr int kDialogId = 224;
constexpr int kControlCheck = 1122;
constexpr int kControlExit = 1028;

QString Utf8(const char* text) { return QString::fromUtf8(text); }

}  // namespace

CUpdateDlg::CUpdateDlg(std::function<int()> check, app::Prompter& prompter, QWidget* parent)
    : QDialog(parent), check_(std::move(check)), prompter_(prompter) {
  setObjectName(QString::number(kDialogId));
  setWindowTitle(Utf8(kUpdateDialogTitle));
  const std::string own = OwnVersionText();
  const QString versionLine = Utf8("当前版本：") + QString::fromStdString(own.empty() ? "-" : own);
  auto* note = new QLabel(Utf8("检测维松MP3网站上的最新版本；如有更新版本，下载后替换本程序，"
                               "下次运行时生效。检测期间请稍候。"),
                          this);
  note->setObjectName(QStringLiteral("note"));
  note->setWordWrap(true);
  checkButton_ = app::ui::MakeDialogButton("在线检测最新板本", kControlCheck, this);
  auto* exit = app::ui::MakeDialogButton("退 出", kControlExit, this);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(checkButton_);
  buttons->addWidget(exit);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(app::ui::MakeDialogHeader(Utf8(kUpdateDialogTitle), versionLine, this));
  layout->addWidget(note);
  layout->addLayout(buttons);
  resize(400, sizeHint().height());

  connect(checkButton_, &QPushButton::clicked, this, &CUpdateDlg::OnCheck);
  connect(exit, &QPushButton::clicked, this, &QDialog::reject);
}

void CUpdateDlg::OnCheck() {
  int code = kUpdateNoConnection;  // without a check there is nothing to reach the site with
  if (check_) {
    checkButton_->setEnabled(false);
    {
      app::ui::BusyCursor busy;
      code = check_();
    }
    checkButton_->setEnabled(true);
  }
  prompter_.ShowCaptioned(kUpdateInfoCaption, UpdateResultText(code), app::MessageIcon::kInformation,
                          app::MessageButtons::kOk);
}

}  // namespace vexon::update::ui
