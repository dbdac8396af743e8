#include "download/download_texts.h"

#include "text/strings.h"

namespace vexon::download {

const DownloadTexts& DownloadTexts::Chinese() {
  static const DownloadTexts texts{
      "已连接到 %1",
      "正在解析域名: %1",
      "已解析域名: %1",
      "正在连接 %1",
      "正在重定向到 %1",
      "当尝试下载文件时发生错误,错误:%1",
      "当连接服务器时发生错误,错误:%1",
      "不能收到服务器的有效响应,错误:%1",
      "不能收到服务器的有效HTTP响应, 响应码:%1",
      "当下载文件时发生错误,错误:%1",
      "%1s",
      "%1m",
      "%1m,%2s",
      "%1bps",
      "%1kps",
      "当打开被下载文件时发生错误,错误:%1",
      "不能把该下载记入设置文件,下载没有开始.",
      "下载的文件与服务器记录的 %1 不符: 文件保留在部分文件中, 下次开始时从头下载.",
      "服务器繁忙, %1 秒后重试",
  };
  return texts;
}

const std::vector<std::string DownloadTexts::*>& DownloadTexts::Fields() {
  static const std::vector<std::string DownloadTexts::*> fields = {
      &DownloadTexts::connected,      &DownloadTexts::resolving,      &DownloadTexts::resolved,
      &DownloadTexts::connecting,     &DownloadTexts::redirecting,    &DownloadTexts::sessionFailed,
      &DownloadTexts::connectFailed,  &DownloadTexts::noResponse,     &DownloadTexts::badStatus,
      &DownloadTexts::transferFailed, &DownloadTexts::seconds,        &DownloadTexts::minutes,
      &DownloadTexts::minutesSeconds, &DownloadTexts::bytesPerSecond, &DownloadTexts::kilobytesPerSecond,
      &DownloadTexts::openFailed,     &DownloadTexts::recordFailed,   &DownloadTexts::digestMismatch,
      &DownloadTexts::waitingToRetry,
  };
  return fields;
}

DownloadTexts DownloadTexts::Translated(const text::Catalog& catalog) {
  DownloadTexts texts = Chinese();
  for (std::string DownloadTexts::*field : Fields()) texts.*field = std::string(catalog.Translate(texts.*field));
  return texts;
}

std::string FillText(std::string_view text, std::string_view first, std::string_view second) {
  // One pass over the pattern: a "%2" inside the first argument stays as it is.
  std::string out;
  out.reserve(text.size() + first.size() + second.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
      out += text[i + 1] == '1' ? first : second;
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string StepText(const DownloadTexts& t, TransferStep step, std::string_view detail) {
  switch (step) {
    case TransferStep::kResolving: return FillText(t.resolving, detail);
    case TransferStep::kResolved: return FillText(t.resolved, detail);
    case TransferStep::kConnecting: return FillText(t.connecting, detail);
    case TransferStep::kConnected: return FillText(t.connected, detail);
    case TransferStep::kRedirecting: return FillText(t.redirecting, detail);
    case TransferStep::kDownloading: return kDownloadingText;
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
