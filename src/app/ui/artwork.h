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

// The width of the download list's state marks.
inline constexpr int kStateImageWidth = 12;

}  // namespace artwork

// The program's own images, rendered from the SVG files of data/icons and kept
// after first use (until the application object goes, so no pixmap outlives the
// platform that made it).

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
