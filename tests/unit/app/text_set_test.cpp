#include "app/text_set.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace vexon::app {
namespace {

// English asked for, and a catalog beside the program that is missing, broken or
// whole: the Chinese texts stay, with one note, unless the catalog reads.
TEST(TextSet, AnUnreadableCatalogLeavesTheChineseTextsWithOneNote) {
  const std::string whole = std::string(VEXON_CATALOG_DIR) + "/en/LC_MESSAGES/vexon.mo";
  const struct {
    const char* name;
    std::string bytes;  // empty: no file
    bool english;
  } cases[] = {
      {"missing", "", false},
      {"broken", std::string("\xde\x12\x04\x95", 4) + std::string(40, '\xff'), false},
      {"text", "msgid \"x\"\nmsgstr \"y\"\n", false},
  };
  for (const auto& c : cases) {
    testing::TempDir dir;
    const std::filesystem::path executable = dir.path() / "bin" / "vexon";
    const std::filesystem::path catalog = CatalogFiles(executable, "en").front();
    if (!c.bytes.empty()) {
      std::filesystem::create_directories(catalog.parent_path());
      std::ofstream(catalog, std::ios::binary) << c.bytes;
    }
    std::vector<std::string> notes;
    const TextSet set = LoadTextSet(
        "en", "", [](const char*) -> const char* { return nullptr; }, executable, notes);
    EXPECT_EQ(set.language, text::Language::kChinese) << c.name;
    EXPECT_EQ(set.Translate("停止下载"), "停止下载") << c.name;
    EXPECT_EQ(notes.size(), 1u) << c.name;
  }
  // The built catalog, installed under share/locale beside bin/.
  testing::TempDir dir;
  const std::filesystem::path executable = dir.path() / "bin" / "vexon";
  const std::filesystem::path installed = CatalogFiles(executable, "en").back();
  std::filesystem::create_directories(installed.parent_path());
  std::filesystem::copy_file(whole, installed);
  std::vector<std::string> notes;
  const TextSet set = LoadTextSet(
      "", "en", [](const char*) -> const char* { return nullptr; }, executable, notes);
  EXPECT_EQ(set.language, text::Language::kEnglish);
  EXPECT_EQ(set.Translate("停止下载"), "Stopped");
  EXPECT_TRUE(notes.empty());
}

}  // namespace
}  // namespace vexon::app
