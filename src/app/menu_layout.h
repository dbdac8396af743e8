#pragma once

#include <span>
#include <string_view>

namespace vexon::app {

// One entry of a menu or toolbar; id 0 is a separator.
struct MenuEntry {
  int id;
  std::string_view text;
};

inline constexpr int kSeparator = 0;
// The About command's text, which is also the About box's title.
inline constexpr const char* kAboutText = "关于维松MP3";

// Menu bar popups, by position.
inline constexpr std::string_view kOptionsPopupTitle = "设置选项(&O)";
inline constexpr std::string_view kSearchPopupTitle = "搜索(&S)";
inline constexpr std::string_view kDownloadPopupTitle = "下载(&D)";
inline constexpr std::string_view kCompletedPopupTitle = "已下载(&D)";
inline constexpr std::string_view kHelpPopupTitle = "帮助(&H)";

std::span<const MenuEntry> OptionsPopup();
std::span<const MenuEntry> HelpPopup();
// The three context menus; the menu bar's second popup copies the first and its
// third popup the one of the lower list on view.
std::span<const MenuEntry> ResultsMenu();
std::span<const MenuEntry> DownloadMenu();
std::span<const MenuEntry> CompletedMenu();
// The notification-area menu.
std::span<const MenuEntry> TrayMenu();

// Toolbars beside the results, download and downloaded lists.
std::span<const int> ResultsToolbar();
std::span<const int> DownloadToolbar();
std::span<const int> CompletedToolbar();

// The text of a command as its context or menu-bar menu shows it; empty if unknown.
std::string_view CommandText(int id);

// A command's key where the desktop has a standard one, in the portable form of
// key sequences ("Ctrl+O"); the same in every language. `ofList`: the list with
// the focus takes the key (Delete means its own rows), the menus only show it.
struct CommandKey {
  int command;
  std::string_view keys;
  bool ofList = false;
};
std::span<const CommandKey> CommandKeys();

}  // namespace vexon::app
