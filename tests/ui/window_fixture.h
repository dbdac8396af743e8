#pragma once

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QToolBar>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>

#include "app/command_ids.h"
#include "app/session.h"
#include "app/ui/find_control.h"
#include "app/ui/main_window.h"
#include "app/ui/qt_folder_chooser.h"
#include "app/ui/qt_owner_channel.h"
#include "download/ui/qt_download_as_dialog.h"
#include "fakes/ports.h"
#include "hotwords/ui/hot_words_dialog.h"
#include "library/gio_associations.h"
#include "library/ui/move_file_dialog.h"
#include "widgets/list_view.h"

namespace vexon::test {

// A session and its main window in a fresh start-up directory, without a tray unless
// asked; message boxes and the desktop are recorded.
struct WindowFixture {
  explicit WindowFixture(const std::string& host = "127.0.0.1:9", bool tray = false, text::Translator texts = {})
      : downloadAs{folders, prompter, texts}, moveDialog{folders, texts} {
    config.texts = std::move(texts);
    config.startDir = dir.path().toStdString();
    config.hosts = {host, host, "", {}};
    config.siteUrl = "http://127.0.0.1:9/";
    ports.prompter = &prompter;
    ports.trayAvailable = tray;
    ports.openUrl = [](const QUrl&) {};  // never a real browser
    // Never the desktop's own buses.
    ports.makeNotifier = [this](core::NoticeActions&) { return std::make_unique<RecordingNotifier>(notices); };
    ports.launcher = &presence;
    ports.inhibitor = &presence;
  }
  ~WindowFixture() { Close(); }

  // A start of the program (a second one ends the first).
  app::ui::CVexonDlg& Open() {
    Close();
    channel = std::make_unique<app::ui::QtOwnerChannel>();
    session = std::make_unique<app::Session>(config, *channel,
                                             app::SessionPorts{prompter, downloadAs, moveDialog, shell, associations});
    session->Load();
    window = std::make_unique<app::ui::CVexonDlg>(*session, *channel, ports);
    return *window;
  }
  void Close() {
    window.reset();
    session.reset();
    channel.reset();
  }

  std::filesystem::path Path(const std::string& name) const { return config.startDir / name; }

  void WriteFile(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(Path(name).parent_path());
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }

  QTemporaryDir dir;
  app::SessionConfig config;
  app::ui::WindowPorts ports;
  RecordingPrompter prompter;
  RecordingShell shell;
  std::vector<core::DesktopNotice> notices;
  RecordingPresence presence;
  app::ui::QtFolderChooser folders{nullptr};
  download::ui::CDownloadAsDlg downloadAs;
  library::ui::CMoveFileDlg moveDialog;
  library::GioAssociations associations;
  std::unique_ptr<app::ui::QtOwnerChannel> channel;
  std::unique_ptr<app::Session> session;
  std::unique_ptr<app::ui::CVexonDlg> window;
};

// The window's controls, found by their ids.
inline widgets::ListView& ResultsView(QWidget& w) {
  return *app::ui::Find<widgets::ListView>(w, app::ctl::kResultsList);
}
inline widgets::ListView& DownloadView(QWidget& w) {
  return *app::ui::Find<widgets::ListView>(w, app::ctl::kDownloadList);
}
inline widgets::ListView& CompletedView(QWidget& w) {
  return *app::ui::Find<widgets::ListView>(w, app::ctl::kCompletedList);
}
inline QComboBox& SearchBox(QWidget& w) {
  return *app::ui::Find<QComboBox>(w, app::ctl::kSearchBox);
}
inline QLabel& ResultsCounter(QWidget& w) {
  return *app::ui::Find<QLabel>(w, app::ctl::kResultsCounter);
}
inline QLabel& CheckingCounter(QWidget& w) {
  return *app::ui::Find<QLabel>(w, app::ctl::kCheckingCounter);
}
inline QToolBar& Toolbar(QWidget& w, int id) {
  return *app::ui::Find<QToolBar>(w, id);
}
inline QMenu& ContextMenu(QWidget& w, int id) {
  return *app::ui::Find<QMenu>(w, id);
}
// The menu bar's popup at `position`, from the left.
inline QMenu& BarPopup(QWidget& w, int position) {
  return *w.findChild<QMenuBar*>()->actions().at(position)->menu();
}
// The one action of a command that its toolbar, menu bar and context menu share.
inline QAction& CommandAction(QWidget& w, int command) {
  QObject* commands = w.findChild<QObject*>(QStringLiteral("commands"));
  return *commands->findChild<QAction*>(QString::number(command), Qt::FindDirectChildrenOnly);
}
inline hotwords::ui::CHotWordsDlg* HotWordsWindow(QWidget& w) {
  return w.findChild<hotwords::ui::CHotWordsDlg*>();
}

}  // namespace vexon::test
