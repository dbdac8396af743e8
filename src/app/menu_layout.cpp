#include "app/menu_layout.h"

#include <array>

#include "app/command_ids.h"

namespace vexon::app {
namespace {

constexpr std::array kOptionsPopup = {
    MenuEntry{cmd::kSystemOptions, "系统选项(&S)..."},
    MenuEntry{cmd::kSearchOptions, "文件搜索选项(&E)..."},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kExit, "退出(&X)"},
};

// The partner-site item and the installer builder are not part of this program.
constexpr std::array kHelpPopup = {
    MenuEntry{cmd::kUsageHelp, "使用说明书(&U)"},          MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kVisitHomePage, "访问维松MP3网页(&P)"}, MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kCheckUpdate, "检测最新版本(&N)..."},   MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kAbout, "关于维松MP3(&A)..."},
};

constexpr std::array kResultsMenu = {
    MenuEntry{cmd::kHotWords, "热门的搜索词(&H)..."},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kSearch, "开始搜索(&S)"},
    MenuEntry{cmd::kStopSearch, "停止搜索(&T)"},
    MenuEntry{cmd::kClearAndStopSearch, "清除列表并停止搜索(&C)"},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kStartDownload, "开始下载(&D)"},
    MenuEntry{cmd::kDownloadAs, "另下载为(&A)..."},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kPlayOnline, "在线播放(&P)"},
    MenuEntry{cmd::kVisitSite, "访问相关网站(&G)"},
    MenuEntry{cmd::kCopyUrl, "复制URL到剪贴板(&B)"},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kOpenResults, "打开搜索结果(&O)..."},
    MenuEntry{cmd::kSaveResults, "保存搜索结果 (&R)..."},
};

constexpr std::array kDownloadMenu = {
    MenuEntry{cmd::kResumeDownload, "继续下载(&D)"},
    MenuEntry{cmd::kResumeAll, "继续下载全部(&O)"},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kStopDownload, "停止下载(&S)"},
    MenuEntry{cmd::kStopAll, "停止全部下载(&T)"},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kDeleteDownload, "删除下载(&E)..."},
    MenuEntry{cmd::kDeleteAll, "删除全部下载(&A) ..."},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kDownloadAddress, "下载网址(&U)..."},
    MenuEntry{cmd::kShowDownloadFolder, "打开所在文件夹(&F)"},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kShowCompletedList, "转到\"已下载文件列表\"(&G)"},
};

constexpr std::array kCompletedMenu = {
    MenuEntry{cmd::kPlay, "播放(P)"},
    MenuEntry{cmd::kOpenFile, "打开(&O)"},
    MenuEntry{cmd::kShowFileFolder, "打开所在文件夹(&F)"},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kMoveFile, "移动磁盘文件(&M)..."},
    MenuEntry{cmd::kDeleteFile, "删除磁盘文件(&D)..."},
    MenuEntry{cmd::kDeleteAllFiles, "删除全部磁盘文件(&A)..."},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kClearLogItem, "清除日志项(&I)..."},
    MenuEntry{cmd::kClearAllLogItems, "清除全部日志项(&C)..."},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kShowDownloadList, "转到\"下载文件列表\"(&G)"},
};

constexpr std::array kTrayMenu = {
    MenuEntry{cmd::kShowHide, "打开/隐藏"},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kSystemOptions, "设置系统选项..."},
    MenuEntry{cmd::kSearchOptions, "设置搜索选项..."},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kAbout, kAboutText},
    MenuEntry{cmd::kUsageHelp, "使用说明书"},
    MenuEntry{cmd::kVisitHomePage, "访问维松MP3网页(&P)"},
    MenuEntry{kSeparator, ""},
    MenuEntry{cmd::kExit, "退出"},
};

constexpr std::array kResultsToolbar = {
    cmd::kStartDownload, cmd::kPlayOnline,  kSeparator,        cmd::kStopSearch, cmd::kClearAndStopSearch,
    kSeparator,          cmd::kOpenResults, cmd::kSaveResults, kSeparator,       cmd::kSystemOptions};
constexpr std::array kDownloadToolbar = {cmd::kResumeDownload, cmd::kResumeAll, kSeparator,
                                         cmd::kStopDownload,   cmd::kStopAll,   kSeparator,
                                         cmd::kDeleteDownload, cmd::kDeleteAll};
constexpr std::array kCompletedToolbar = {cmd::kPlay, kSeparator,     cmd::kClearLogItem, cmd::kClearAllLogItems,
                                          kSeparator, cmd::kMoveFile, cmd::kDeleteFile,   cmd::kDeleteAllFiles};

}  // namespace

std::span<const MenuEntry> OptionsPopup() {
  return kOptionsPopup;
}
std::span<const MenuEntry> HelpPopup() {
  return kHelpPopup;
}
std::span<const MenuEntry> ResultsMenu() {
  return kResultsMenu;
}
std::span<const MenuEntry> DownloadMenu() {
  return kDownloadMenu;
}
std::span<const MenuEntry> CompletedMenu() {
  return kCompletedMenu;
}
std::span<const MenuEntry> TrayMenu() {
  return kTrayMenu;
}
std::span<const int> ResultsToolbar() {
  return kResultsToolbar;
}
std::span<const int> DownloadToolbar() {
  return kDownloadToolbar;
}
std::span<const int> CompletedToolbar() {
  return kCompletedToolbar;
}

std::string_view CommandText(int id) {
  for (auto menu : {OptionsPopup(), HelpPopup(), ResultsMenu(), DownloadMenu(), CompletedMenu()}) {
    for (const MenuEntry& entry : menu) {
      if (entry.id == id && id != kSeparator) return entry.text;
    }
  }
  return {};
}

std::span<const CommandKey> CommandKeys() {
  static constexpr std::array kKeys = {
      CommandKey{cmd::kOpenResults, "Ctrl+O"},
      CommandKey{cmd::kSaveResults, "Ctrl+S"},
      CommandKey{cmd::kExit, "Ctrl+Q"},
      CommandKey{cmd::kUsageHelp, "F1"},
      CommandKey{cmd::kSearch, "F5"},
      CommandKey{cmd::kDeleteDownload, "Del", true},
      CommandKey{cmd::kClearLogItem, "Del", true},
  };
  return kKeys;
}

}  // namespace vexon::app
