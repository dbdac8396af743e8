#include "app/ui/vexon_app.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "app/launch_options.h"
#include "app/text_set.h"
#include "app/ui/desktop_id.h"
#include "app/ui/desktop_program.h"
#include "app/ui/qt_translation.h"
#include "app/ui/single_instance.h"
#include "app/xdg_places.h"
#include "search/service_hosts.h"
#include "storage/profile.h"
#include "storage/result_file.h"
#include "storage/settings_store.h"
#include "update/update_agent.h"
#include "widgets/texts.h"

namespace vexon::app::ui {
namespace {

constexpr const char* kFolderFailedText = "无法创建或写入文件夹:\n";

}  // namespace

int CVexonApp::Run(int argc, char* argv[]) {
  std::vector<std::string> args(argv + 1, argv + argc);
  LaunchOptions options;
  std::string error;
  if (!ParseLaunchOptions(args, options, error)) {
    std::cerr << "vexon: " << error << '\n' << kLaunchUsage << '\n';
    return 2;
  }
  // Answered before QApplication exists, so it works without a display.
  if (options.showVersion) {
    std::cout << "vexon " << VEXON_VERSION_TEXT << '\n';
    return 0;
  }
  if (options.showHelp) {
    // English unless Chinese is asked for, as the command line's own texts are.
    std::vector<std::string> notes;
    const TextSet texts = LoadTextSet(options.language, "", std::getenv, update::RunningExecutablePath(), notes);
    for (const std::string& note : notes) std::cerr << "vexon: " << note << '\n';
    std::cout << texts.Translate(kLaunchUsage) << "\n\n" << texts.Translate(kLaunchHelp) << '\n';
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  // Names the window's menu entry for desktops that match windows to entries.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
  std::error_code ec;
  XdgPlaces places;
  if (options.xdg) {
    if (!FindXdgPlaces(std::getenv, places, error) || !PrepareXdgPlaces(places, error)) {
      std::cerr << "vexon: " << error << '\n';
      // Without its folder the settings file's language is unknown: the flag and the
      // environment choose.
      std::vector<std::string> notes;
      const TextSet texts = LoadTextSet(options.language, "", std::getenv, update::RunningExecutablePath(), notes);
      QMessageBox::critical(nullptr, widgets::Text(texts.texts, kMainWindowTitle),
                            widgets::Text(texts.texts, kFolderFailedText) + QString::fromStdString(error));
      return 1;
    }
    // Relative names anywhere in the program then land in the data folder too.
    std::filesystem::current_path(places.dataDir, ec);
  }
  const std::filesystem::path startDir = std::filesystem::current_path(ec);

  SingleInstance instance(SingleInstance::KeyFor(CurrentUserName(), QString::fromStdString(startDir.string())));
  if (instance.NotifyRunning()) return 0;
  if (!instance.Listen()) std::cerr << "vexon: cannot listen for a second start\n";

  std::filesystem::create_directory(startDir / std::string(storage::kResultFolderName), ec);

  storage::Profile profile(storage::SettingsStore::SettingsPath(startDir));
  storage::AppSettings stored;
  storage::SettingsStore(profile, startDir).LoadServiceHosts(stored);

  SessionConfig config;
  config.startDir = startDir;
  config.hosts = {options.baiduHost, options.yahooHost, options.archiveUrl, {}};
  // A bad host in the file is reported and the default used in its place.
  if (!search::ResolveServiceHosts(config.hosts, stored, error)) {
    std::cerr << "vexon: " << error << "; using " << search::kDefaultServiceHost << '\n';
  }
  config.siteUrl = ResolveSiteUrl(options.siteUrl, stored.siteUrl);
  config.executable = update::RunningExecutablePath();
  config.downloadFolder = places.downloadDir;

  std::vector<std::string> notes;
  const TextSet texts = LoadTextSet(options.language, storage::SettingsStore(profile, startDir).LoadLanguage(),
                                    std::getenv, config.executable, notes);
  for (const std::string& note : notes) std::cerr << "vexon: " << note << '\n';
  // Qt's own texts (stock buttons, file dialogs) follow the chosen language.
  if (texts.language == text::Language::kChinese && !InstallChineseQtTexts(app)) {
    std::cerr << "vexon: Qt's Chinese translations are missing; its own texts stay English\n";
  }

  config.texts = texts.texts;
  DesktopProgram program(std::move(config));
  CVexonDlg& window = program.window();
  QObject::connect(&instance, &SingleInstance::ActivationRequested, &window, &CVexonDlg::Activate);
  QObject::connect(&window, &CVexonDlg::exited, &app, &QCoreApplication::quit);
  window.show();
  return app.exec();
}

}  // namespace vexon::app::ui
