#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "app/launch_options.h"
#include "app/xdg_places.h"
#include "support/test_files.h"

namespace fs = std::filesystem;
using namespace vexon::app;

namespace {

struct Environment {
  std::map<std::string, std::string> values;
  const char* operator()(const char* name) const {
    const auto it = values.find(name);
    return it == values.end() ? nullptr : it->second.c_str();
  }
};

XdgPlaces Find(const Environment& env) {
  XdgPlaces places;
  std::string error;
  EXPECT_TRUE(FindXdgPlaces(env, places, error)) << error;
  return places;
}

}  // namespace

TEST(XdgPlaces, DataAndDownloadFoldersFollowTheEnvironment) {
  vexon::testing::TempDir dir;
  const fs::path home = dir.path() / "home";
  Environment env{{{"HOME", home.string()}}};
  XdgPlaces places = Find(env);
  EXPECT_EQ(places.dataDir, home / ".local/share/vexon");
  EXPECT_EQ(places.downloadDir, home / "Downloads/Vexon");

  // A relative XDG_DATA_HOME is ignored; an absolute one is used.
  env.values["XDG_DATA_HOME"] = "relative/data";
  EXPECT_EQ(Find(env).dataDir, home / ".local/share/vexon");
  env.values["XDG_DATA_HOME"] = (dir.path() / "data").string();
  env.values["XDG_CONFIG_HOME"] = (dir.path() / "config").string();
  fs::create_directories(dir.path() / "config");
  std::ofstream(dir.path() / "config/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                      << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                      << "XDG_DOWNLOAD_DIR=\"$HOME/下载\"\n";
  places = Find(env);
  EXPECT_EQ(places.dataDir, dir.path() / "data/vexon");
  EXPECT_EQ(places.downloadDir, home / "下载/Vexon");

  std::string error;
  ASSERT_TRUE(PrepareXdgPlaces(places, error)) << error;
  EXPECT_TRUE(fs::is_directory(places.dataDir));
  EXPECT_TRUE(fs::is_directory(places.downloadDir));

  EXPECT_FALSE(FindXdgPlaces(Environment{}, places, error));
  EXPECT_FALSE(FindXdgPlaces(Environment{{{"HOME", "home"}}}, places, error));
}

TEST(XdgPlaces, UserDirsLinesOtherThanTheDocumentedFormsAreIgnored) {
  const fs::path home = "/home/u";
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"", "/home/u/Downloads"},
      {"  XDG_DOWNLOAD_DIR=\"/srv/down\"\r", "/srv/down"},
      {"XDG_DOWNLOAD_DIR=\"$HOME\"", "/home/u"},
      {"XDG_DOWNLOAD_DIR=\"$HOMEX/d\"", ""},
      {"XDG_DOWNLOAD_DIR=\"relative\"", ""},
      {"XDG_DOWNLOAD_DIR=$HOME/unquoted", ""},
      {"XDG_DOWNLOAD_DIR=\"$HOME/a\"b\"", ""},
      {"XDG_MUSIC_DIR=\"$HOME/Music\"", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DownloadDirFromUserDirs(c.text, home), fs::path(c.expected)) << c.text;
}

TEST(XdgPlaces, AFolderThatCannotBeMadeIsNamed) {
  vexon::testing::TempDir dir;
  std::ofstream(dir.path() / "file") << "x";
  const XdgPlaces places{dir.path() / "file/vexon", dir.path() / "down"};
  std::string error;
  EXPECT_FALSE(PrepareXdgPlaces(places, error));
  EXPECT_NE(error.find((dir.path() / "file/vexon").string()), std::string::npos) << error;
}

TEST(LaunchOptions, XdgAndHelpAreFlags) {
  LaunchOptions options;
  std::string error;
  ASSERT_TRUE(ParseLaunchOptions({"--xdg", "--help"}, options, error)) << error;
  EXPECT_TRUE(options.xdg);
  EXPECT_TRUE(options.showHelp);
  EXPECT_FALSE(options.showVersion);
}
