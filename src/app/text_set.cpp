#include "app/text_set.h"

#include <utility>

namespace vexon::app {

std::vector<std::filesystem::path> CatalogFiles(const std::filesystem::path& executable, std::string_view language) {
  const std::filesystem::path folder = executable.parent_path();
  const std::filesystem::path tail = std::filesystem::path(std::string(language)) / "LC_MESSAGES" / "vexon.mo";
  return {folder / "locale" / tail, folder.parent_path() / "share" / "locale" / tail};
}

TextSet LoadTextSet(std::string_view flag, std::string_view setting, const text::EnvironmentReader& environment,
                    const std::filesystem::path& executable, std::vector<std::string>& notes) {
  TextSet set;
  const text::LanguageChoice choice = text::ChooseLanguage(flag, setting, environment);
  if (!choice.note.empty()) notes.push_back(choice.note);
  const bool english = choice.language == text::Language::kEnglish;
  if (!english && !choice.asked) return set;
  std::string firstError;
  for (const std::filesystem::path& file : CatalogFiles(executable, english ? "en" : "zh")) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) continue;
    std::string error;
    text::Catalog catalog;
    if (catalog.Load(file.string(), error)) {
      set.language = choice.language;
      set.texts = text::Translator(std::move(catalog));
      return set;
    }
    if (firstError.empty()) firstError = error;
  }
  const std::string why = firstError.empty() ? std::string("no catalog beside the program") : firstError;
  notes.push_back(english ? "the English texts cannot be read (" + why + "); the texts stay Chinese"
                          : "the Chinese texts of the command line cannot be read (" + why + "); they stay English");
  return set;
}

}  // namespace vexon::app
