#pragma once

namespace vexon::update {

// The caption of the box that reports a check's result.
inline constexpr const char* kUpdateInfoCaption = "升级信息";
inline constexpr const char* kUpdateDialogTitle = "维松MP3升级";

inline constexpr const char* kUpdateDoneText = "版本升级完成，下次运行的才是新版本。";
inline constexpr const char* kAlreadyNewestText = "已经是最新版本，不需要升级。";
inline constexpr const char* kNetworkErrorText = "网络连接出错！";
inline constexpr const char* kUpdateUnfinishedText = "版本升级未完成！";

// The text shown for a CheckForUpdate result; a code outside the table reads as
// an unfinished update.
const char* UpdateResultText(int code);

}  // namespace vexon::update
