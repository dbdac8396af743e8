#pragma once

#include <string>

namespace vexon::download {

// What a front end or the session hears of downloads; each call is optional.
class DownloadListener {
 public:
  // A download completed: the file's real path and the size text.
  virtual void DownloadCompleted(const std::string& fullPath, const std::string& sizeText) {
    (void)fullPath;
    (void)sizeText;
  }
  // A listed download stopped by itself: the worker's failure text (which the row
  // does not show), an unusable partial file, or a completed file that could not be
  // given its name.
  virtual void DownloadFailed(const std::string& fullName, const std::string& text) {
    (void)fullName;
    (void)text;
  }
  // After every transfer's end report, when the live transfers may have changed.
  virtual void TransferEnded() {}

 protected:
  ~DownloadListener() = default;
};

}  // namespace vexon::download
