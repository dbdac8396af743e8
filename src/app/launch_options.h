#pragma once

#include <string>
#include <vector>

namespace vexon::app {

// The desktop program's command line: vexon [--xdg] [--baidu-host H] [--yahoo-host H]
// [--archive-url URL] [--site URL].
struct LaunchOptions {
  bool showVersion = false;
  bool showHelp = false;
  bool xdg = false;  // keep files in the XDG folders, as the menu entry starts it
  std::string baiduHost;
  std::string yahooHost;
  std::string archiveUrl;
  std::string siteUrl;   // as given; see SiteBaseUrl
  std::string language;  // --lang: "zh", "en" or empty
};

inline constexpr const char* kLaunchUsage =
    "usage: vexon [--xdg] [--lang zh|en] [--baidu-host HOST[:PORT]] [--yahoo-host HOST[:PORT]] [--archive-url URL]\n"
    "             [--site URL]\n"
    "       vexon --version | --help";
inline constexpr const char* kLaunchHelp =
    "Where files are kept:\n"
    "  Started from a terminal, vexon works in the current directory: the settings file\n"
    "  vudez.ini, result files (searchresult/), the word list and the playlist are kept\n"
    "  there, and downloads go to Downloads/ in it.\n"
    "  With --xdg (as the desktop menu entry starts it), they are kept in\n"
    "  $XDG_DATA_HOME/vexon (default ~/.local/share/vexon), and downloads go to Vexon/\n"
    "  in your download folder (xdg-user-dir DOWNLOAD, default ~/Downloads).";
inline constexpr const char* kDefaultSiteUrl = "http://127.0.0.1:18080/";

// False, with `error`, for an unknown flag, a flag without its value, a bad host or
// a site that is not an http or https address.
bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& out, std::string& error);

// An http(s) address ending in "/", or the default site when `url` is empty.
std::string SiteBaseUrl(const std::string& url);
// The maker's site: the flag, else the stored one when it is a web address, else
// the default; as a base ending in "/".
std::string ResolveSiteUrl(const std::string& flag, const std::string& stored);

}  // namespace vexon::app
