#pragma once

#include <QString>

#include <optional>
#include <string>
#include <utility>

#include "core/folder_chooser.h"
#include "text/catalog.h"

class QWidget;

namespace vexon::app::ui {

// The shared folder chooser as Qt's directory dialog over one parent window.
class QtFolderChooser final : public core::FolderChooser {
 public:
  explicit QtFolderChooser(QWidget* parent, text::Translator texts = {}) : parent_(parent), texts_(std::move(texts)) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  std::optional<std::string> Choose(const std::string& startFolder) override;

 private:
  QWidget* parent_;  // not owned
  const text::Translator texts_;
};

// The folder as the dialog preselects it: without a trailing "/", except the root.
QString ChooserStartFolder(const std::string& folder);
// The chooser's answer as the dialogs keep folders: ending in "/".
std::string FolderWithTrailingSlash(std::string folder);

}  // namespace vexon::app::ui
