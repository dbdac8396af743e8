#include "text/language.h"

#include "text/strings.h"

namespace vexon::text {

namespace {

bool NamesNoLanguage(std::string_view name) {
  return name.empty() || name == "C" || name == "POSIX" || StartsWith(name, "C.");
}

}  // namespace

Language LanguageOfLocale(std::string_view name) {
  if (NamesNoLanguage(name) || StartsWith(name, "zh")) return Language::kChinese;
  return Language::kEnglish;
}

std::optional<Language> ReadLanguageName(std::string_view name) {
  if (name == "zh") return Language::kChinese;
  if (name == "en") return Language::kEnglish;
  return std::nullopt;
}

LanguageChoice ChooseLanguage(std::string_view flag, std::string_view setting, const EnvironmentReader& environment) {
  LanguageChoice choice;
  if (const std::optional<Language> given = ReadLanguageName(flag)) {
    choice.language = *given;
    choice.asked = true;
    return choice;
  }
  const std::string_view stored = Trim(setting);
  if (const std::optional<Language> chosen = ReadLanguageName(AsciiLower(stored))) {
    choice.language = *chosen;
    choice.asked = true;
    return choice;
  }
  if (!stored.empty() && !EqualsNoCase(stored, "auto")) {
    // A value cut to a readable length: the note is one line.
    choice.note = "System/Language=" + std::string(stored.substr(0, 40)) +
                  " is none of auto, zh, en; the language follows the environment";
  }
  // LANGUAGE is a list of preferences; its first entry is the user's first choice.
  if (const char* list = environment("LANGUAGE"); list != nullptr && *list != '\0') {
    const std::string_view first = std::string_view(list).substr(0, std::string_view(list).find(':'));
    if (!first.empty()) {
      choice.language = LanguageOfLocale(first);
      choice.asked = !NamesNoLanguage(first);
      return choice;
    }
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = environment(name); value != nullptr && *value != '\0') {
      choice.language = LanguageOfLocale(value);
      choice.asked = !NamesNoLanguage(value);
      return choice;
    }
  }
  return choice;
}

}  // namespace vexon::text
