#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "download/download_texts.h"
#include "text/catalog.h"
#include "text/language.h"

namespace vexon::app {

// The texts a front end runs with: the chosen language and, for English, its
// catalog.
struct TextSet {
  text::Language language = text::Language::kChinese;
  text::Catalog catalog;

  download::DownloadTexts DownloadTexts() const;
};

// Where the catalog of `language` ("en") is looked for: beside the program (a build
// folder), then in the share folder of its installation.
std::vector<std::filesystem::path> CatalogFiles(const std::filesystem::path& executable, std::string_view language);

// Chooses the language (see text::ChooseLanguage) and loads its catalog. A catalog
// that cannot be read leaves the Chinese texts. Each problem adds one line to
// `notes`, for standard error.
TextSet LoadTextSet(std::string_view flag, std::string_view setting, const text::EnvironmentReader& environment,
                    const std::filesystem::path& executable, std::vector<std::string>& notes);

}  // namespace vexon::app
