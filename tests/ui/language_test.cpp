#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QTableView>
#include <QtTest>

#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "app/command_ids.h"
#include "app/ui/about_dialog.h"
#include "core/background_job.h"
#include "download/download_as_form.h"
#include "hotwords/ui/hot_words_dialog.h"
#include "library/move_file_form.h"
#include "search/ui/search_options_dialog.h"
#include "storage/ui/system_options_dialog.h"
#include "text/catalog.h"
#include "ui/window_fixture.h"
#include "update/ui/update_dialog.h"

using namespace vexon::test;
namespace cmd = vexon::app::cmd;
using vexon::text::Translator;

namespace {

using namespace std::chrono_literals;

Translator CatalogTexts(const char* language) {
  vexon::text::Catalog catalog;
  std::string error;
  const std::string path = std::string(VEXON_CATALOG_DIR) + "/" + language + "/LC_MESSAGES/vexon.mo";
  if (!catalog.Load(path, error)) qFatal("%s: %s", path.c_str(), error.c_str());
  return Translator(std::move(catalog));
}

const Translator& English() {
  static const Translator texts = CatalogTexts("en");
  return texts;
}

// The Chinese catalog a user who asks for Chinese runs with: it translates only the
// command line's own English texts.
const Translator& Chinese() {
  static const Translator texts = CatalogTexts("zh");
  return texts;
}

bool HasChinese(const QString& text) {
  static const QRegularExpression cjk(
      QStringLiteral("[\\x{3000}-\\x{303f}\\x{3400}-\\x{4dbf}\\x{4e00}-\\x{9fff}"
                     "\\x{f900}-\\x{faff}\\x{ff00}-\\x{ffef}]"));
  return cjk.match(text).hasMatch();
}

// Every text a user can read in `root` and what it holds: titles, tips, labels,
// buttons, group titles, choices, read-only fields, menus, actions and headings.
QStringList ShownTexts(QWidget& root) {
  QStringList texts;
  const auto add = [&texts](const QString& text) {
    if (!text.isEmpty()) texts << text;
  };
  QList<QWidget*> widgets = root.findChildren<QWidget*>();
  widgets.prepend(&root);
  for (QWidget* w : widgets) {
    add(w->windowTitle());
    add(w->toolTip());
    if (auto* label = qobject_cast<QLabel*>(w)) add(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) add(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(w)) add(group->title());
    if (auto* box = qobject_cast<QComboBox*>(w)) {
      for (int i = 0; i < box->count(); ++i) add(box->itemText(i));
    }
    if (auto* field = qobject_cast<QPlainTextEdit*>(w)) add(field->toPlainText());
    if (auto* menu = qobject_cast<QMenu*>(w)) add(menu->title());
    if (auto* view = qobject_cast<QTableView*>(w); view != nullptr && view->model() != nullptr) {
      for (int c = 0; c < view->model()->columnCount(); ++c) {
        add(view->model()->headerData(c, Qt::Horizontal).toString());
        add(view->model()->headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString());
      }
    }
    for (QAction* action : w->actions()) {
      add(action->text());
      add(action->toolTip());
    }
  }
  return texts;
}

QStringList ChineseIn(const QStringList& texts) {
  QStringList found;
  for (const QString& text : texts) {
    if (HasChinese(text)) found << text;
  }
  return found;
}

QStringList ChineseIn(const std::vector<std::string>& texts) {
  QStringList found;
  for (const std::string& text : texts) {
    if (HasChinese(QString::fromStdString(text))) found << QString::fromStdString(text);
  }
  return found;
}

// Letters marked with "&" that two items of one menu share.
QStringList SharedAccelerators(QWidget& root) {
  QStringList shared;
  for (QMenu* menu : root.findChildren<QMenu*>()) {
    std::set<QChar> seen;
    for (QAction* action : menu->actions()) {
      const QString text = action->text();
      const qsizetype mark = text.indexOf(QLatin1Char('&'));
      if (mark < 0 || mark + 1 >= text.size()) continue;
      if (!seen.insert(text.at(mark + 1).toLower()).second) shared << menu->title() + QStringLiteral(": ") + text;
    }
  }
  return shared;
}

// Labels and buttons of a shown window squeezed below what their texts need.
QStringList Squeezed(QWidget& window) {
  QStringList clipped;
  QCoreApplication::processEvents();
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (!w->isVisible() || (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w))) continue;
    if (w->width() < w->minimumSizeHint().width()) {
      auto* label = qobject_cast<QLabel*>(w);
      clipped << (label != nullptr ? label->text() : qobject_cast<QAbstractButton*>(w)->text());
    }
  }
  return clipped;
}

// A shown dialog whose texts all fit: it is no larger than the smallest screen the
// program is for, and nothing in it is squeezed.
QStringList Clipped(QWidget& dialog) {
  dialog.adjustSize();
  QStringList clipped = Squeezed(dialog);
  if (dialog.width() > 1024 || dialog.height() > 768) clipped << QStringLiteral("the dialog itself");
  return clipped;
}

// Each dialog of the program over `texts`, shown, for `check`.
void ForEachDialog(const Translator& texts, const std::function<void(QDialog&)>& check) {
  ScriptedFolderChooser chooser;
  RecordingPrompter prompter;
  vexon::storage::SystemOptions fields{"/music/", true, 3, 0, 10, 200};
  vexon::search::SearchOptions options;
  vexon::app::ui::QtOwnerChannel channel;
  vexon::core::BackgroundJob job{channel};
  QTemporaryDir dir;

  std::vector<std::unique_ptr<QDialog>> dialogs;
  dialogs.push_back(std::make_unique<vexon::storage::ui::CSystemOptionsDlg>(fields, chooser, prompter, texts));
  dialogs.push_back(std::make_unique<vexon::search::ui::CSearchOptionsDlg>(options, 2024y / 6 / 15, prompter, texts));
  dialogs.push_back(std::make_unique<vexon::app::ui::CAboutDlg>(texts));
  dialogs.push_back(std::make_unique<vexon::update::ui::CUpdateDlg>(job, nullptr, prompter, texts));
  dialogs.push_back(std::make_unique<vexon::hotwords::ui::CHotWordsDlg>(
      dir.path().toStdString(), job, nullptr, [](const std::string&) {}, texts));
  auto downloadAs = std::make_unique<vexon::download::ui::CDownloadAsDlg>(chooser, prompter, texts);
  vexon::download::DownloadAsForm downloadForm("x", "Song", "kw", "/music/", ".mp3");
  downloadAs->Present(downloadForm);
  dialogs.push_back(std::move(downloadAs));
  auto move = std::make_unique<vexon::library::ui::CMoveFileDlg>(chooser, texts);
  vexon::library::MoveFileForm moveForm("song.mp3", "/music/");
  move->Present(moveForm);
  dialogs.push_back(std::move(move));
  for (auto& dialog : dialogs) {
    dialog->show();
    check(*dialog);
    dialog->hide();
  }
  channel.Shutdown();
}

// A settings file with one stopped download, so the list shows a row's texts.
std::string OneDownload(const std::string& dir) {
  return "[" + dir + "/a.mp3]\r\nURL=http://127.0.0.1:9/a.mp3\r\nSize=1000\r\n";
}

}  // namespace

class LanguageTest final : public QObject {
  Q_OBJECT

 private slots:
  void TheWindowInEnglishHoldsNoChinese() {
    WindowFixture f("127.0.0.1:9", true, English());
    f.WriteFile("vudez.ini", OneDownload(f.config.startDir.string()));
    auto& w = f.Open();
    w.show();
    w.RefreshCounters();
    QCOMPARE(ChineseIn(ShownTexts(w)), QStringList());
    QCOMPARE(Squeezed(w), QStringList());
    QCOMPARE(DownloadView(w).model()->index(0, vexon::core::kDownloadState).data().toString(),
             QStringLiteral("Stopped"));
    // The lower list's other view, and the message boxes of a few commands.
    w.OnCommand(cmd::kShowCompletedList);
    QCOMPARE(ChineseIn(ShownTexts(w)), QStringList());
    for (int command : {cmd::kUsageHelp, cmd::kShowDownloadList, cmd::kDeleteAll}) {
      f.prompter.answer = vexon::core::MessageResult::kNo;
      w.OnCommand(command);
    }
    QCOMPARE(f.prompter.texts.size(), size_t(2));
    QCOMPARE(ChineseIn(f.prompter.texts), QStringList());
  }

  void EveryDialogInEnglishHoldsNoChineseAndFits() {
    ForEachDialog(English(), [](QDialog& dialog) {
      QCOMPARE(ChineseIn(ShownTexts(dialog)), QStringList());
      QCOMPARE(Clipped(dialog), QStringList());
    });
  }

  // Under Chinese the texts are the program's own, word for word.
  void ChineseKeepsTheProgramsTexts_data() {
    QTest::addColumn<bool>("english");
    QTest::addColumn<QStringList>("known");
    QTest::newRow("zh") << false
                        << QStringList{QString::fromUtf8("维松Mp3"),     QString::fromUtf8("设置选项(&O)"),
                                       QString::fromUtf8("系统选项"),    QString::fromUtf8("关于维松MP3"),
                                       QString::fromUtf8("维松MP3升级"), QString::fromUtf8("维松MP3-热门的搜索词"),
                                       QString::fromUtf8("另下载为"),    QString::fromUtf8("停止下载"),
                                       QString::fromUtf8("文件名")};
    QTest::newRow("en") << true
                        << QStringList{QStringLiteral("Vexon"),          QStringLiteral("&Options"),
                                       QStringLiteral("System Options"), QStringLiteral("About Vexon"),
                                       QStringLiteral("Vexon Update"),   QStringLiteral("Vexon - Popular Search Words"),
                                       QStringLiteral("Download As"),    QStringLiteral("Stopped"),
                                       QStringLiteral("File Name")};
  }
  void ChineseKeepsTheProgramsTexts() {
    QFETCH(bool, english);
    QFETCH(QStringList, known);
    const Translator& texts = english ? English() : Chinese();
    QStringList shown;
    WindowFixture f("127.0.0.1:9", false, texts);
    f.WriteFile("vudez.ini", OneDownload(f.config.startDir.string()));
    auto& w = f.Open();
    shown << ShownTexts(w) << DownloadView(w).model()->index(0, vexon::core::kDownloadState).data().toString();
    ForEachDialog(texts, [&shown](QDialog& dialog) { shown << ShownTexts(dialog); });
    for (const QString& text : known) QVERIFY2(shown.contains(text), qPrintable(text));
  }

  void AcceleratorsAreUniqueInEachMenuInBothLanguages() {
    for (const Translator* texts : {&Chinese(), &English()}) {
      WindowFixture f("127.0.0.1:9", true, *texts);
      auto& w = f.Open();
      QCOMPARE(SharedAccelerators(w), QStringList());
    }
  }
};

QTEST_MAIN(LanguageTest)
#include "language_test.moc"
