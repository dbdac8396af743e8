#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vexon::text {

// The two sets of texts: the program's own Chinese, and English.
enum class Language : uint8_t { kChinese, kEnglish };

// What a locale name asks for: "zh..." Chinese; "C", "C.*", "POSIX" and nothing the
// program's own texts (Chinese); any other language English.
Language LanguageOfLocale(std::string_view name);

// "zh" or "en"; unset for anything else.
std::optional<Language> ReadLanguageName(std::string_view name);

// Reads an environment variable; nullptr when unset.
using EnvironmentReader = std::function<const char*(const char* name)>;

struct LanguageChoice {
  Language language = Language::kChinese;
  // Named by the flag, the setting or a locale of a language; false when the texts
  // are the program's own by default (C, POSIX, nothing set). The command line's
  // usage texts are English by default and Chinese only when asked.
  bool asked = false;
  // One line for standard error when a value could not be read; empty otherwise.
  std::string note;
};

// The texts' language: `flag` (a run's --lang, "zh" or "en") wins, then `setting`
// (System/Language: "auto", "zh", "en"; empty: auto), then the first entry of
// LANGUAGE, then LC_ALL, LC_MESSAGES and LANG. A setting that is none of its values
// reads as auto, with a note.
LanguageChoice ChooseLanguage(std::string_view flag, std::string_view setting, const EnvironmentReader& environment);

}  // namespace vexon::text
