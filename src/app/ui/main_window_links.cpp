#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QLabel>
#include <QMimeData>

#include <string>

#include "app/ui/main_window.h"
#include "download/download_controller.h"
#include "download/pasted_links.h"
#include "widgets/list_view.h"
#include "widgets/texts.h"

namespace vexon::app::ui {

void CVexonDlg::QueueAddresses(const QString& text) {
  const text::Translator& texts = session_.texts();
  const download::PastedLinks links = download::ReadPastedLinks(text.toStdString());
  if (links.refused) {
    prompter_->Show(texts.Fill("这段文本太长或网址太多 (最多 %1 个), 没有加入下载列表.",
                               std::to_string(download::kMaxPastedAddresses)),
                    core::MessageIcon::kExclamation, core::MessageButtons::kOk);
    return;
  }
  if (links.urls.size() > kAskAboveAddresses &&
      prompter_->Show(texts.Fill("要把 %1 个网址加入下载列表吗?", std::to_string(links.urls.size())),
                      core::MessageIcon::kQuestion, core::MessageButtons::kYesNo) != core::MessageResult::kYes) {
    return;
  }
  session_.downloads().OnAddAddresses(links.urls);
  statusNote_ =
      texts.Fill("已加入 %1 个网址, 忽略 %2 项", std::to_string(links.urls.size()), std::to_string(links.ignored));
  RefreshCounters();
  ScheduleCommandUpdate();
}

void CVexonDlg::OnDownloadAddress() {
  std::optional<QString> text;
  if (ports_.askAddresses) {
    text = ports_.askAddresses();
  } else {
    bool ok = false;
    const QString typed =
        QInputDialog::getMultiLineText(this, widgets::Text(session_.texts(), "下载网址"),
                                       widgets::Text(session_.texts(), "每行一个 http 或 https 网址:"), QString(), &ok);
    if (ok) text = typed;
  }
  if (text) QueueAddresses(*text);
}

void CVexonDlg::OnPaste() {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (mime != nullptr) QueueAddresses(widgets::DroppedText(*mime));
}

}  // namespace vexon::app::ui
