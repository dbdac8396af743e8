#include "app/xdg_places.h"

#include <unistd.h>

#include <system_error>

#include "core/atomic_file.h"
#include "text/strings.h"

namespace vexon::app {
namespace {

constexpr std::string_view kProgramFolder = "vexon";
constexpr std::string_view kDownloadSubfolder = "Vexon";
constexpr std::string_view kDownloadKey = "XDG_DOWNLOAD_DIR=";
// user-dirs.dirs is a few lines; anything larger is not one.
constexpr size_t kUserDirsLimit = 64 * 1024;

// An absolute path from the environment, else `fallback`: relative values are
// ignored, as the base-directory rules say.
std::filesystem::path AbsoluteOr(const char* value, std::filesystem::path fallback) {
  if (value != nullptr && value[0] == '/') return std::filesystem::path(value);
  return fallback;
}

}  // namespace

std::filesystem::path DownloadDirFromUserDirs(std::string_view text, const std::filesystem::path& home) {
  for (const std::string& raw : text::Split(text, "\n")) {
    const std::string_view line = text::Trim(raw);
    if (line.rfind(kDownloadKey, 0) != 0) continue;
    std::string_view value = line.substr(kDownloadKey.size());
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') return {};
    value = value.substr(1, value.size() - 2);
    if (value.find('"') != std::string_view::npos || value.find('\0') != std::string_view::npos) return {};
    if (value.rfind("$HOME", 0) == 0) {
      const std::string_view rest = value.substr(5);
      if (!rest.empty() && rest.front() != '/') return {};
      return home.string() + std::string(rest);
    }
    if (value.front() == '/') return std::filesystem::path(value);
    return {};
  }
  return {};
}

bool FindXdgPlaces(const std::function<const char*(const char*)>& env, XdgPlaces& out, std::string& error) {
  const char* homeValue = env("HOME");
  if (homeValue == nullptr || homeValue[0] != '/') {
    error = "HOME is not set to an absolute path";
    return false;
  }
  const std::filesystem::path home(homeValue);
  out.dataDir = AbsoluteOr(env("XDG_DATA_HOME"), home / ".local/share") / kProgramFolder;
  const std::filesystem::path config = AbsoluteOr(env("XDG_CONFIG_HOME"), home / ".config");
  const core::FileBytes userDirs = core::ReadWholeFile(config / "user-dirs.dirs", kUserDirsLimit);
  std::filesystem::path downloads =
      userDirs.status == core::ReadStatus::kOk ? DownloadDirFromUserDirs(userDirs.bytes, home) : "";
  // A download folder set to the home folder itself means "none" in those rules.
  if (downloads.empty() || downloads.lexically_normal() == home.lexically_normal()) downloads = home / "Downloads";
  out.downloadDir = downloads.lexically_normal() / kDownloadSubfolder;
  return true;
}

bool PrepareXdgPlaces(const XdgPlaces& places, std::string& error) {
  for (const std::filesystem::path& folder : {places.dataDir, places.downloadDir}) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!ec && !std::filesystem::is_directory(folder, ec)) ec = std::make_error_code(std::errc::not_a_directory);
    if (!ec && ::access(folder.c_str(), W_OK | X_OK) != 0) ec = std::error_code(errno, std::generic_category());
    if (ec) {
      error = folder.string() + ": " + ec.message();
      return false;
    }
  }
  return true;
}

}  // namespace vexon::app
