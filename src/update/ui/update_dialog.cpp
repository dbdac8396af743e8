#include "update/ui/update_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "update/update_agent.h"
#include "update/update_texts.h"
#include "update/version_compare.h"
#include "widgets/busy_indicator.h"
#include "widgets/dialog_header.h"
#include "widgets/dialog_job.h"

namespace vexon::update::ui {
namespace {

constexpr int kDialogId = 224;
constexpr int kControlCheck = 1122;
constexpr int kControlExit = 1028;

QString Utf8(const char* text) {
  return QString::fromUtf8(text);
}

}  // namespace

CUpdateDlg::CUpdateDlg(core::BackgroundJob& job, Check check, core::Prompter& prompter, QWidget* parent)
    : QDialog(parent), job_(job), check_(std::move(check)), prompter_(prompter) {
  setObjectName(QString::number(kDialogId));
  setWindowTitle(Utf8(kUpdateDialogTitle));
  const std::string own = OwnVersionText();
  const QString versionLine = Utf8("当前版本：") + QString::fromStdString(own.empty() ? "-" : own);
  auto* note = new QLabel(Utf8("检测维松MP3网站上的最新版本；如有更新版本，下载后替换本程序，"
                               "下次运行时生效。"),
                          this);
  note->setObjectName(QStringLiteral("note"));
  note->setWordWrap(true);
  busy_ = new widgets::BusyIndicator(this);
  checkButton_ = widgets::MakeDialogButton("在线检测最新板本", kControlCheck, this);
  auto* exit = widgets::MakeDialogButton("退 出", kControlExit, this);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(checkButton_);
  buttons->addWidget(exit);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(widgets::MakeDialogHeader(Utf8(kUpdateDialogTitle), versionLine, this));
  layout->addWidget(note);
  layout->addWidget(busy_);
  layout->addLayout(buttons);
  resize(400, sizeHint().height());

  // A check given up by an earlier dialog may still be ending.
  checkButton_->setEnabled(!job_.running());
  job_.onEnded = [this] { checkButton_->setEnabled(true); };
  connect(checkButton_, &QPushButton::clicked, this, &CUpdateDlg::OnCheck);
  connect(exit, &QPushButton::clicked, this, &QDialog::reject);
}

CUpdateDlg::~CUpdateDlg() {
  job_.onEnded = nullptr;
  job_.Cancel();
}

void CUpdateDlg::OnCheck() {
  if (!check_) {
    // Without a check there is nothing to reach the site with.
    OnChecked(kUpdateNoConnection);
    return;
  }
  if (!widgets::StartDialogJob<int>(job_, this, check_, [this](int code) { OnChecked(code); })) return;
  checkButton_->setEnabled(false);
  busy_->Begin(Utf8("正在检测最新版本..."));
}

void CUpdateDlg::OnChecked(int code) {
  busy_->End();
  prompter_.ShowCaptioned(kUpdateInfoCaption, UpdateResultText(code), core::MessageIcon::kInformation,
                          core::MessageButtons::kOk);
  emit checkEnded();
}

}  // namespace vexon::update::ui
