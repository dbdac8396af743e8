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
#include "widgets/texts.h"

namespace vexon::update::ui {
namespace {

constexpr int kDialogId = 224;
constexpr int kControlCheck = 1122;
constexpr int kControlExit = 1028;

}  // namespace

CUpdateDlg::CUpdateDlg(core::BackgroundJob& job, Check check, core::Prompter& prompter, text::Translator texts,
                       QWidget* parent)
    : QDialog(parent), texts_(std::move(texts)), job_(job), check_(std::move(check)), prompter_(prompter) {
  setObjectName(QString::number(kDialogId));
  setWindowTitle(widgets::Text(texts_, kUpdateDialogTitle));
  const std::string own = OwnVersionText();
  const QString versionLine = widgets::Text(texts_, "当前版本：") + QString::fromStdString(own.empty() ? "-" : own);
  auto* note = new QLabel(widgets::Text(texts_,
                                        "检测维松MP3网站上的最新版本；如有更新版本，下载后替换本程序，"
                                        "下次运行时生效。"),
                          this);
  note->setObjectName(QStringLiteral("note"));
  note->setWordWrap(true);
  busy_ = new widgets::BusyIndicator(this);
  checkButton_ = widgets::MakeDialogButton(widgets::Text(texts_, "在线检测最新板本"), kControlCheck, this);
  auto* exit = widgets::MakeDialogButton(widgets::Text(texts_, "退 出"), kControlExit, this);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(checkButton_);
  buttons->addWidget(exit);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(widgets::MakeDialogHeader(widgets::Text(texts_, kUpdateDialogTitle), versionLine, this));
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
  busy_->Begin(widgets::Text(texts_, "正在检测最新版本..."));
}

void CUpdateDlg::OnChecked(int code) {
  busy_->End();
  prompter_.ShowCaptioned(std::string(texts_(kUpdateInfoCaption)), std::string(texts_(UpdateResultText(code))),
                          core::MessageIcon::kInformation, core::MessageButtons::kOk);
  emit checkEnded();
}

}  // namespace vexon::update::ui
