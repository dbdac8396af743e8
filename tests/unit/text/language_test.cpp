#include "text/language.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/launch_options.h"
#include "cli/cli_texts.h"
#include "text/catalog.h"

namespace vexon::text {
namespace {

using Env = std::map<std::string, std::string>;

TEST(Language, TheRunsFlagThenTheSettingThenTheEnvironmentChoose) {
  const std::string longList = std::string(10000, 'x') + ":zh_CN";
  const struct {
    const char* flag;
    const char* setting;
    Env env;
    Language language;
    bool note;
    // A named language; the default (C, POSIX, nothing) is not one, so the command
    // line's usage texts stay English then.
    bool asked;
  } cases[] = {
      {"", "", {}, Language::kChinese, false, false},
      {"", "", {{"LANG", "en_US.UTF-8"}}, Language::kEnglish, false, true},
      {"", "", {{"LANG", "zh_CN.UTF-8"}}, Language::kChinese, false, true},
      {"", "", {{"LANG", "C.UTF-8"}}, Language::kChinese, false, false},
      {"", "", {{"LANG", "POSIX"}}, Language::kChinese, false, false},
      {"", "", {{"LANG", "de_DE.UTF-8"}}, Language::kEnglish, false, true},
      {"", "", {{"LANGUAGE", "en:zh"}, {"LANG", "zh_CN.UTF-8"}}, Language::kEnglish, false, true},
      {"", "", {{"LANGUAGE", "zh_TW:en"}, {"LC_ALL", "en_US.UTF-8"}}, Language::kChinese, false, true},
      {"", "", {{"LANGUAGE", ""}, {"LC_ALL", "en_GB.UTF-8"}, {"LANG", "zh_CN"}}, Language::kEnglish, false, true},
      {"", "", {{"LANGUAGE", ":fr"}, {"LC_MESSAGES", "C"}, {"LANG", "en_US"}}, Language::kChinese, false, false},
      {"", "", {{"LANGUAGE", longList}}, Language::kEnglish, false, true},
      {"", "auto", {{"LANG", "en_US.UTF-8"}}, Language::kEnglish, false, true},
      {"", " EN ", {{"LANG", "zh_CN.UTF-8"}}, Language::kEnglish, false, true},
      {"", "zh", {{"LANGUAGE", "en"}}, Language::kChinese, false, true},
      {"", "klingon", {{"LANG", "en_US.UTF-8"}}, Language::kEnglish, true, true},
      {"", "klingon", {}, Language::kChinese, true, false},
      {"en", "zh", {{"LANG", "zh_CN.UTF-8"}}, Language::kEnglish, false, true},
      {"zh", "en", {{"LANGUAGE", "en"}}, Language::kChinese, false, true},
      {"fr", "", {{"LANG", "en_US"}}, Language::kEnglish, false, true},  // a flag is checked where it is given
  };
  for (const auto& c : cases) {
    const LanguageChoice choice = ChooseLanguage(c.flag, c.setting, [&](const char* name) -> const char* {
      const auto it = c.env.find(name);
      return it == c.env.end() ? nullptr : it->second.c_str();
    });
    const std::string where =
        std::string(c.flag) + "|" + c.setting + "|" + (c.env.empty() ? "" : c.env.begin()->second);
    EXPECT_EQ(choice.language, c.language) << where.substr(0, 80);
    EXPECT_EQ(!choice.note.empty(), c.note) << where.substr(0, 80);
    EXPECT_EQ(choice.asked, c.asked) << where.substr(0, 80);
  }
}

// Every text of the built catalogs: the program's Chinese worker texts in English,
// and the command lines' English usage and help in Chinese.
TEST(Catalog, TheBuiltCatalogsTranslateTheUsageTexts) {
  Catalog zh;
  std::string error;
  ASSERT_TRUE(zh.Load(std::string(VEXON_CATALOG_DIR) + "/zh/LC_MESSAGES/vexon.mo", error)) << error;
  for (const char* usage : {cli::kUsage, cli::kPlaces, app::kLaunchUsage, app::kLaunchHelp}) {
    EXPECT_TRUE(zh.Has(usage)) << usage;
  }
}

// Catalogs as msgfmt writes them, in either byte order, and files that are none.
TEST(Catalog, ReadsMessageCatalogsAndRefusesWhatIsNone) {
  const auto word = [](uint32_t v, bool big) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[static_cast<size_t>(i)] = static_cast<char>(v >> (big ? 24 - 8 * i : 8 * i));
    return out;
  };
  // Two entries: the header and one text; strings after the tables.
  const auto catalog = [&](bool big, uint32_t revision, uint32_t textLength) {
    const std::string header = "Content-Type: text/plain; charset=UTF-8\n";
    std::string bytes = word(0x950412de, big) + word(revision, big) + word(2, big) + word(28, big) + word(44, big) +
                        word(0, big) + word(0, big);
    const uint32_t strings = 60;
    bytes += word(0, big) + word(strings, big) + word(6, big) + word(strings + 1, big);
    bytes += word(static_cast<uint32_t>(header.size()), big) + word(strings + 8, big) + word(textLength, big) +
             word(static_cast<uint32_t>(strings + 8 + header.size() + 1), big);
    bytes += std::string(1, '\0') + "下载" + std::string(1, '\0') + header + '\0' + "Download" + '\0';
    return bytes;
  };
  for (const bool big : {false, true}) {
    Catalog read;
    std::string error;
    ASSERT_TRUE(read.Read(catalog(big, 0, 8), error)) << error;
    EXPECT_EQ(read.size(), 1u);
    EXPECT_EQ(read.Translate("下载"), "Download");
    EXPECT_EQ(read.Translate("上传"), "上传");
    EXPECT_FALSE(read.Read(catalog(big, 0x20000, 8), error));  // an unknown revision
    EXPECT_FALSE(read.Read(catalog(big, 0, 4000), error));     // a length past the end
    EXPECT_EQ(read.size(), 0u);
  }
  Catalog none;
  std::string error;
  for (const std::string& bytes : {std::string(), std::string("msgid \"x\""), std::string(28, '\xff')}) {
    EXPECT_FALSE(none.Read(bytes, error));
    EXPECT_FALSE(error.empty());
  }
  EXPECT_FALSE(none.Load("/nonexistent/vexon.mo", error));
  EXPECT_NE(error.find("/nonexistent/vexon.mo"), std::string::npos);
}

}  // namespace
}  // namespace vexon::text
