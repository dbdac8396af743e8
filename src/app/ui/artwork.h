#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace vexon::app::ui {

// Resource ids under which the program asks for its images.
namespace artwork {

inline constexpr int kAppIcon = 128;  // window and notification-area icon
inline constexpr int kBanner = 182;   // background of dialog headers

// Images of the main window's image buttons.
inline constexpr int kSearchButton = 176;
inline constexpr int kHotWordsButton = 218;
inline constexpr int kMoreOptionsButton = 179;
inline constexpr int kMoreOptionsActiveButton = 178;  // extra search options in force
inline constexpr int kListOnViewButton = 172;
inline constexpr int kListOffViewButton = 171;

// Commands shown with an image on the toolbars and in the menus.
inline constexpr int kCmdStartDownload = 32792;
inline constexpr int kCmdPlayOnline = 32885;
inline constexpr int kCmdStopSearch = 32815;
inline constexpr int kCmdClearAndStopSearch = 32814;
inline constexpr int kCmdOpenResults = 32873;
inline constexpr int kCmdSaveResults = 32874;
inline constexpr int kCmdSystemOptions = 32812;
inline constexpr int kCmdResumeDownload = 32817;
inline constexpr int kCmdResumeAllDownloads = 32818;
inline constexpr int kCmdStopDownload = 32823;
inline constexpr int kCmdStopAllDownloads = 32816;
inline constexpr int kCmdDeleteDownload = 32819;
inline constexpr int kCmdDeleteAllDownloads = 32820;
inline constexpr int kCmdPlay = 32843;
inline constexpr int kCmdClearLogItem = 32840;
inline constexpr int kCmdClearAllLogItems = 32869;
inline constexpr int kCmdMoveDiskFile = 32846;
inline constexpr int kCmdDeleteDiskFile = 32842;
inline constexpr int kCmdDeleteAllDiskFiles = 32868;
inline constexpr int kCmdHotWords = 32888;
inline constexpr int kCmdStartSearch = 32813;
inline constexpr int kCmdDownloadAs = 32835;
inline constexpr int kCmdVisitSite = 32887;
inline constexpr int kCmdCopyUrl = 32895;

// State marks of the download list's ID cell, by image index.
inline constexpr int kStoppedState = 0;
inline constexpr int kQueuedState = 1;
inline constexpr int kTransferringState = 2;
inline constexpr int kStateImageWidth = 12;

}  // namespace artwork

// The program's own images, drawn at run time and kept after first use (until the
// application object goes, so no pixmap outlives the platform that made it).

// Icon 128 in 16, 24, 32, 48 and 64 px.
QIcon AppIcon();
// An image button's icon in 16, 24 and 32 px; a null icon for an unknown id.
QIcon ButtonImage(int bitmapId);
// A command's toolbar and menu image in 16, 24 and 32 px; a null icon for a
// command without one.
QIcon CommandIcon(int commandId);
// A state mark of the download list, 12 px square (24 px for dense screens);
// a null icon for another index.
QIcon DownloadStateIcon(int image);
// Bitmap 182 stretched to the given size; a null pixmap for an empty size.
QPixmap BannerPixmap(QSize size);

}  // namespace vexon::app::ui
