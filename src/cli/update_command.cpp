#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/launch_options.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "net/url.h"
#include "storage/app_settings.h"
#include "storage/profile.h"
#include "storage/settings_store.h"
#include "update/update_agent.h"
#include "update/update_texts.h"

namespace vexon::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUpdateUsage = "usage: vexon-cli update-check [--site URL] [--exe PATH]\n";
constexpr const char* kDownloadsFolder = "downloads/";
constexpr const char* kDesktopProgramName = "vexon";

// --site, else SiteUrl of the settings file, else the default site.
std::string SiteFromSettings() {
  std::error_code ec;
  const fs::path startDir = fs::current_path(ec);
  storage::Profile profile(storage::SettingsStore::SettingsPath(startDir));
  storage::SettingsStore store(profile, startDir);
  storage::AppSettings settings;
  store.LoadServiceHosts(settings);
  return net::IsWebAddress(settings.siteUrl) ? settings.siteUrl : std::string();
}

// The desktop program beside vexon-cli, else vexon-cli itself.
fs::path DefaultExecutable() {
  const fs::path self = update::RunningExecutablePath();
  if (self.empty()) return self;
  const fs::path desktop = self.parent_path() / kDesktopProgramName;
  std::error_code ec;
  return fs::is_regular_file(desktop, ec) ? desktop : self;
}

}  // namespace

int RunUpdateCheckCommand(const std::vector<std::string>& args, const std::string& langFlag) {
  std::error_code ec;
  const text::Translator texts = LoadTexts(langFlag, fs::current_path(ec), "vexon-cli update-check").texts;
  const std::string usage(texts(kUpdateUsage));
  std::string site;
  std::string exe;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(usage.c_str(), stdout);
      return 0;
    }
    if (arg != "--site" && arg != "--exe") {
      std::fprintf(stderr, "vexon-cli update-check: %s\n%s", texts.Fill("unknown argument '%1'", arg).c_str(),
                   usage.c_str());
      return 2;
    }
    if (i + 1 >= args.size() || args[i + 1].empty()) {
      std::fprintf(stderr, "vexon-cli update-check: %s\n%s", texts.Fill("option %1 needs a value", arg).c_str(),
                   usage.c_str());
      return 2;
    }
    const std::string& value = args[++i];
    if (arg == "--site") {
      if (!net::IsWebAddress(value)) {
        std::fprintf(stderr, "vexon-cli update-check: %s\n",
                     texts.Fill("not an http or https address: %1", value).c_str());
        return 2;
      }
      site = value;
    } else {
      exe = value;
    }
  }

  update::UpdateAgentConfig config;
  config.executable = exe.empty() ? DefaultExecutable() : fs::path(exe);
  const std::string base = app::SiteBaseUrl(site.empty() ? SiteFromSettings() : site) + kDownloadsFolder;
  const int code = update::UpdateAgent(std::move(config)).CheckForUpdate(base);
  std::printf("%d %s\n", code, std::string(texts(update::UpdateResultText(code))).c_str());
  return code == update::kUpdateInstalled || code == update::kUpdateNotNewer ? 0 : 1;
}

}  // namespace vexon::cli
