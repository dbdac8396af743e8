#include "library/gio_associations.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "support/test_files.h"

namespace vexon::library {
namespace {

namespace fs = std::filesystem;

// A desktop of its own: a player whose entry needs a flag before the address, the
// default for MP3 in mimeapps.list, the system's MIME database for the types.
TEST(GioAssociations, FindsTheTypeTheDefaultPlayerAndStartsItsWholeCommandLine) {
  vexon::testing::TempDir dir;
  const fs::path data = dir / "data";
  const fs::path config = dir / "config";
  fs::create_directories(data / "applications");
  fs::create_directories(config);
  const fs::path out = dir / "arguments";
  const fs::path player = dir / "player.sh";
  std::ofstream(player) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << out.string() << ".tmp'\nmv '" << out.string()
                        << ".tmp' '" << out.string() << "'\n";
  fs::permissions(player, fs::perms::owner_all);
  std::ofstream(data / "applications" / "vexon-test-player.desktop")
      << "[Desktop Entry]\nType=Application\nName=Test Player\nExec=" << player.string()
      << " --enqueue %U\nMimeType=audio/mpeg;\n";
  std::ofstream(config / "mimeapps.list") << "[Default Applications]\naudio/mpeg=vexon-test-player.desktop\n";
  // Read by GIO on its first use in this process.
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  setenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share", 1);

  GioAssociations associations;
  EXPECT_EQ(associations.TypeForExtension(".mp3"), "audio/mpeg");
  EXPECT_EQ(associations.TypeForExtension(".zzqqx"), std::nullopt);
  EXPECT_EQ(associations.TypeForExtension(""), std::nullopt);
  EXPECT_EQ(associations.DefaultApplication("audio/mpeg"), "vexon-test-player.desktop");
  EXPECT_EQ(associations.DefaultApplication("application/x-vexon-nothing"), std::nullopt);
  EXPECT_FALSE(associations.Launch("vexon-no-such-player.desktop", "http://h/a.mp3"));

  const std::string url = "http://h:81/a;b.mp3?x=1&y=$(id)";
  ASSERT_TRUE(associations.Launch("vexon-test-player.desktop", url));
  for (int i = 0; i < 500 && !fs::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(vexon::testing::ReadBytes(out), "--enqueue\n" + url + "\n");
}

}  // namespace
}  // namespace vexon::library
