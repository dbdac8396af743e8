#include "download/download_texts.h"

#include "download/download_item.h"
#include "net/net_errors.h"
#include "text/strings.h"

namespace vexon::download {

namespace {

DownloadTexts MakeChinese() {
  DownloadTexts t;
  t.connected = "已连接到 %1";
  t.resolving = "正在解析域名: %1";
  t.resolved = "已解析域名: %1";
  t.connecting = "正在连接 %1";
  t.redirecting = "正在重定向到 %1";
  t.sessionFailed = "当尝试下载文件时发生错误,错误:%1";
  t.connectFailed = "当连接服务器时发生错误,错误:%1";
  t.noResponse = "不能收到服务器的有效响应,错误:%1";
  t.badStatus = "不能收到服务器的有效HTTP响应, 响应码:%1";
  t.transferFailed = "当下载文件时发生错误,错误:%1";
  t.seconds = "%1s";
  t.minutes = "%1m";
  t.minutesSeconds = "%1m,%2s";
  t.bytesPerSecond = "%1bps";
  t.kilobytesPerSecond = "%1kps";
  t.openFailed = "当打开被下载文件时发生错误,错误:%1";
  t.recordFailed = "不能把该下载记入设置文件,下载没有开始.";
  t.digestMismatch = "下载的文件与服务器记录的 %1 不符: 文件保留在部分文件中, 下次开始时从头下载.";
  t.waitingToRetry = "服务器繁忙, %1 秒后重试";
  t.downloading = kDownloadingText;
  t.waiting = kWaitingText;
  t.stopped = kStoppedText;
  t.renameFailed = kRenameFailedText;
  t.cannotStart = kCannotStartText;
  t.urlListed = kUrlListedText;
  t.fileOnDisk = kFileOnDiskQuestion;
  t.fullNameListed = kFullNameListedQuestion;
  t.urlListedAs = kUrlListedAsText;
  t.fileOnDiskAs = kFileOnDiskAsQuestion;
  t.deleteSelected = kDeleteSelectedQuestion;
  t.deleteAll = kDeleteAllQuestion;
  t.rowsLeftOut = kRowsLeftOutText;
  t.recordNotKept = kRecordNotKeptText;
  t.urlTooLong = kUrlTooLongText;
  t.withCause = "%1 (%2)";
  using net::Code;
  using net::NetError;
  t.causes = {
      {301, "已重定向到新的网址"},
      {302, "位于另一个网址"},
      {400, "无法理解的请求"},
      {401, "需要身份验证"},
      {402, "需要付费"},
      {403, "禁止访问"},
      {404, "未找到"},
      {405, "不支持请求的方法"},
      {500, "未知的服务器错误"},
      {501, "服务器未实现"},
      {502, "服务器暂时过载,繁忙"},
      {503, "服务器已满负荷, 繁忙"},
      {Code(NetError::kTimeout), "连接超时"},
      {Code(NetError::kInvalidUrl), "网址无效"},
      {Code(NetError::kNameNotResolved), "不能解析主机名. 请检查后重试"},
      {Code(NetError::kCannotConnect), "不能解析主机名. 请检查后重试"},
      {Code(NetError::kShutdown), "Win32 互联网函数已被关闭"},
      {Code(NetError::kConnectionAborted), "连接过早中断"},
  };
  t.noConnection = "没有连接";
  return t;
}

}  // namespace

const DownloadTexts& DownloadTexts::Chinese() {
  static const DownloadTexts texts = MakeChinese();
  return texts;
}

const std::vector<std::string DownloadTexts::*>& DownloadTexts::Fields() {
  using T = DownloadTexts;
  static const std::vector<std::string T::*> fields = {
      &T::connected,     &T::resolving,      &T::resolved,       &T::connecting,     &T::redirecting,
      &T::sessionFailed, &T::connectFailed,  &T::noResponse,     &T::badStatus,      &T::transferFailed,
      &T::seconds,       &T::minutes,        &T::minutesSeconds, &T::bytesPerSecond, &T::kilobytesPerSecond,
      &T::openFailed,    &T::recordFailed,   &T::digestMismatch, &T::waitingToRetry, &T::downloading,
      &T::waiting,       &T::stopped,        &T::renameFailed,   &T::cannotStart,    &T::urlListed,
      &T::fileOnDisk,    &T::fullNameListed, &T::urlListedAs,    &T::fileOnDiskAs,   &T::deleteSelected,
      &T::deleteAll,     &T::rowsLeftOut,    &T::recordNotKept,  &T::urlTooLong,     &T::withCause,
      &T::noConnection,
  };
  return fields;
}

DownloadTexts DownloadTexts::Translated(const text::Translator& texts) {
  DownloadTexts translated = Chinese();
  for (std::string DownloadTexts::*field : Fields()) translated.*field = std::string(texts(translated.*field));
  for (auto& cause : translated.causes) cause.second = std::string(texts(cause.second));
  return translated;
}

std::string StepText(const DownloadTexts& t, TransferStep step, std::string_view detail) {
  switch (step) {
    case TransferStep::kResolving: return FillText(t.resolving, detail);
    case TransferStep::kResolved: return FillText(t.resolved, detail);
    case TransferStep::kConnecting: return FillText(t.connecting, detail);
    case TransferStep::kConnected: return FillText(t.connected, detail);
    case TransferStep::kRedirecting: return FillText(t.redirecting, detail);
    case TransferStep::kDownloading: return t.downloading;
    case TransferStep::kWaitingToRetry: return FillText(t.waitingToRetry, detail);
  }
  return {};
}

std::string SpeedText(const DownloadTexts& texts, double v) {
  if (v < 1.0) return FillText(texts.bytesPerSecond, text::Format("%0.0f", v * 1024.0));
  if (v < 10.0) return FillText(texts.kilobytesPerSecond, text::Format("%0.2f", v));
  return FillText(texts.kilobytesPerSecond, text::Format("%0.0f", v));
}

std::string TimeLeftText(const DownloadTexts& texts, uint64_t s) {
  const auto minutes = text::Format("%llu", static_cast<unsigned long long>(s / 60));
  if (s >= 60 && s % 60 != 0) {
    return FillText(texts.minutesSeconds, minutes, text::Format("%llu", static_cast<unsigned long long>(s % 60)));
  }
  if (s >= 60) return FillText(texts.minutes, minutes);
  return FillText(texts.seconds, text::Format("%llu", static_cast<unsigned long long>(s)));
}

}  // namespace vexon::download
