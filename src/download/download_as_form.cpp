#include "download/download_as_form.h"

#include <utility>

#include "download/file_names.h"

namespace vexon::download {

DownloadAsForm::DownloadAsForm(std::string stem, std::string title, std::string keyword, std::string path,
                               std::string extension)
    : stem_(std::move(stem)),
      title_(std::move(title)),
      keyword_(std::move(keyword)),
      path_(std::move(path)),
      extension_(std::move(extension)) {
  Open();
  fullName_ = fullNameText_;
}

void DownloadAsForm::Open() {
  candidates_.clear();
  candidates_.push_back(title_);
  if (!keyword_.empty()) candidates_.push_back(keyword_);
  candidates_.push_back(stem_);
  selected_ = 0;
  nameText_ = title_;
  pathText_ = path_;
  Recompute();
}

void DownloadAsForm::TypeName(std::string_view text) {
  nameText_ = std::string(text);
  selected_ = npos;
  Recompute();
}

void DownloadAsForm::ChooseCandidate(size_t index) {
  if (index >= candidates_.size()) return;
  selected_ = index;
  nameText_ = candidates_[index];
  Recompute();
}

void DownloadAsForm::SetPathText(std::string_view text) {
  pathText_ = std::string(text);
  Recompute();
}

void DownloadAsForm::FolderChosen(std::string_view folder) {
  std::string chosen(folder);
  if (chosen.empty() || chosen.back() != '/') chosen += '/';
  path_ = chosen;
  pathText_ = std::move(chosen);
  Recompute();
}

std::string DownloadAsForm::BrowseStartFolder() const {
  if (path_.size() > 1 && path_.back() == '/') return path_.substr(0, path_.size() - 1);
  return path_;
}

DownloadAsForm::AcceptResult DownloadAsForm::Accept() {
  if (CharacterCount(pathText_) > kMaxFieldCharacters) return AcceptResult::kPathTooLong;
  if (CharacterCount(fullNameText_) > kMaxFieldCharacters) return AcceptResult::kFullNameTooLong;
  path_ = pathText_;
  fullName_ = fullNameText_;
  return AcceptResult::kAccepted;
}

void DownloadAsForm::Recompute() {
  // The name becomes one safe component inside the folder, so whatever is typed
  // the download stays in the folder shown.
  fullNameText_ = JoinFolder(pathText_, SafeFileName(nameText_, extension_));
}

}  // namespace vexon::download
