#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "text/catalog.h"
#include "text/language.h"

namespace vexon::app {

// The texts a front end runs with: the chosen language and its catalog (English for
// the program's Chinese texts; Chinese, when asked for, for the command line's own
// English ones).
struct TextSet {
  text::Language language = text::Language::kChinese;
  text::Translator texts;

  std::string_view Translate(std::string_view source) const { return texts(source); }
};

// Where the catalog of `language` ("en") is looked for: beside the program (a build
// folder), then in the share folder of its installation.
std::vector<std::filesystem::path> CatalogFiles(const std::filesystem::path& executable, std::string_view language);

// Chooses the language (see text::ChooseLanguage) and loads its catalog. An English
// catalog that cannot be read leaves the Chinese texts, a Chinese one the English
// usage texts. Each problem adds one line to `notes`, for standard error.
TextSet LoadTextSet(std::string_view flag, std::string_view setting, const text::EnvironmentReader& environment,
                    const std::filesystem::path& executable, std::vector<std::string>& notes);

}  // namespace vexon::app
