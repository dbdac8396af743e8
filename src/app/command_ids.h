#pragma once

namespace vexon::app {

// Command ids of the menus, toolbars and the notification-area menu.
namespace cmd {
inline constexpr int kSystemOptions = 32812;
inline constexpr int kSearchOptions = 32862;
inline constexpr int kExit = 32788;
inline constexpr int kShowHide = 32883;
inline constexpr int kAbout = 32867;
inline constexpr int kCheckUpdate = 32896;
inline constexpr int kVisitHomePage = 32894;
inline constexpr int kUsageHelp = 32791;

inline constexpr int kHotWords = 32888;
inline constexpr int kSearch = 32813;
inline constexpr int kStopSearch = 32815;
inline constexpr int kClearAndStopSearch = 32814;
inline constexpr int kStartDownload = 32792;
inline constexpr int kDownloadAs = 32835;
inline constexpr int kPlayOnline = 32885;
inline constexpr int kVisitSite = 32887;
inline constexpr int kCopyUrl = 32895;
inline constexpr int kOpenResults = 32873;
inline constexpr int kSaveResults = 32874;

inline constexpr int kResumeDownload = 32817;
inline constexpr int kResumeAll = 32818;
inline constexpr int kStopDownload = 32823;
inline constexpr int kStopAll = 32816;
inline constexpr int kDeleteDownload = 32819;
inline constexpr int kDeleteAll = 32820;
inline constexpr int kDownloadAddress = 32901;
inline constexpr int kShowDownloadFolder = 32902;
inline constexpr int kShowCompletedList = 32845;

inline constexpr int kPlay = 32843;
inline constexpr int kMoveFile = 32846;
inline constexpr int kDeleteFile = 32842;
inline constexpr int kDeleteAllFiles = 32868;
inline constexpr int kClearLogItem = 32840;
inline constexpr int kClearAllLogItems = 32869;
inline constexpr int kShowDownloadList = 32844;
inline constexpr int kOpenFile = 32903;
inline constexpr int kShowFileFolder = 32904;

// The About item of the window menu.
inline constexpr int kSystemMenuAbout = 0x0010;
}  // namespace cmd

// Controls of the main window.
namespace ctl {
inline constexpr int kSearchBox = 1000;
inline constexpr int kSearchButton = 1001;
inline constexpr int kHotWordsButton = 1006;
inline constexpr int kMoreButton = 1028;
inline constexpr int kTypeMp3 = 1052;
inline constexpr int kTypeRm = 1053;
inline constexpr int kTypeWma = 1054;
inline constexpr int kTypeFlash = 1056;
inline constexpr int kTypeWmv = 1057;
inline constexpr int kTypeMpg = 1058;
inline constexpr int kResultsList = 1003;
inline constexpr int kResultsCounter = 1046;
inline constexpr int kCheckingCounter = 1069;
inline constexpr int kBand = 1049;
inline constexpr int kSplitter = 1014;
inline constexpr int kDownloadListButton = 1030;
inline constexpr int kCompletedListButton = 1029;
inline constexpr int kDownloadList = 1002;
inline constexpr int kCompletedList = 1005;
inline constexpr int kStatusLine = 1048;
inline constexpr int kResultsToolbar = 135;
inline constexpr int kDownloadToolbar = 137;
inline constexpr int kCompletedToolbar = 159;
}  // namespace ctl

}  // namespace vexon::app
