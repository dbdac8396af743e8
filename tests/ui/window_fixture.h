#pragma once

#include <QApplication>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/prompter.h"
#include "app/ui/main_window.h"
#include "fakes/ports.h"

namespace vexon::test {

// A main window in a fresh start-up directory, without a tray unless asked.
struct WindowFixture {
  explicit WindowFixture(const std::string& host = "127.0.0.1:9", bool tray = false) {
    config.startDir = dir.path().toStdString();
    config.hosts = {host, host};
    config.siteUrl = "http://127.0.0.1:9/";
    ports.prompter = &prompter;
    ports.shell = &shell;
    ports.trayAvailable = tray;
    ports.openUrl = [this](const QUrl& url) { openedUrls.push_back(url); };
  }

  app::ui::CVexonDlg& Open() {
    window = std::make_unique<app::ui::CVexonDlg>(config, ports);
    return *window;
  }

  std::filesystem::path Path(const std::string& name) const { return config.startDir / name; }

  void WriteFile(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(Path(name).parent_path());
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }

  QTemporaryDir dir;
  app::ui::StartupConfig config;
  app::ui::WindowPorts ports;
  RecordingPrompter prompter;
  RecordingShell shell;
  std::vector<QUrl> openedUrls;
  std::unique_ptr<app::ui::CVexonDlg> window;
};

}  // namespace vexon::test
