#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexon::download {

// The fields and behaviour of the Download As dialog, without its widgets. The
// view shows the edit texts and forwards the user's edits; the caller fills the
// fields, opens the form before every showing and reads path and fullName after OK.
class DownloadAsForm final {
 public:
  // Both edit fields take at most this many characters.
  static constexpr size_t kMaxFieldCharacters = 256;

  enum class AcceptResult { kAccepted, kPathTooLong, kFullNameTooLong };

  DownloadAsForm(std::string stem, std::string title, std::string keyword, std::string path, std::string extension);

  // Refills the candidates (title, keyword when not empty, stem), selects the
  // title and recomputes the full name from the path of the last OK. A typed name
  // is not kept; a chosen folder is.
  void Open();

  // Edits of the user, each followed by a new full name.
  void TypeName(std::string_view text);
  void ChooseCandidate(size_t index);
  void SetPathText(std::string_view text);
  // The folder chooser's answer; a "/" is appended when missing.
  void FolderChosen(std::string_view folder);
  // The folder to preselect in the chooser: the path without its trailing "/".
  std::string BrowseStartFolder() const;

  // OK: takes the edit texts into path and fullName unless one is too long, in
  // which case nothing changes and the dialog stays open.
  AcceptResult Accept();

  const std::vector<std::string>& candidates() const { return candidates_; }
  // The chosen candidate, or npos once a name was typed.
  size_t selectedCandidate() const { return selected_; }
  const std::string& nameText() const { return nameText_; }
  const std::string& pathText() const { return pathText_; }
  const std::string& fullNameText() const { return fullNameText_; }

  const std::string& stem() const { return stem_; }
  const std::string& title() const { return title_; }
  const std::string& keyword() const { return keyword_; }
  const std::string& path() const { return path_; }
  const std::string& extension() const { return extension_; }
  const std::string& fullName() const { return fullName_; }

  static constexpr size_t npos = static_cast<size_t>(-1);

 private:
  void Recompute();

  std::string stem_;
  std::string title_;
  std::string keyword_;
  std::string path_;
  std::string extension_;
  std::string fullName_;

  std::vector<std::string> candidates_;
  size_t selected_ = 0;
  std::string nameText_;
  std::string pathText_;
  std::string fullNameText_;
};

}  // namespace vexon::download
