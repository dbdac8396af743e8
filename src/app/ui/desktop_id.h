#pragma once

namespace vexon::app::ui {

// The name of data/io.github.vexon.Vexon.desktop without its suffix: desktops match
// windows, notices and launcher icons to the menu entry by it.
inline constexpr char kDesktopId[] = "io.github.vexon.Vexon";

}  // namespace vexon::app::ui
