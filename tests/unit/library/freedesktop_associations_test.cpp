#include "library/freedesktop_associations.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vexon::library {
namespace {

namespace fs = std::filesystem;

// A temporary XDG tree: one config home, one config dir, a data home and two data
// dirs, removed with everything in it.
class XdgTree final {
 public:
  XdgTree() {
    std::string pattern = (fs::temp_directory_path() / "vexon-assoc-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    root_ = pattern;
  }
  ~XdgTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  XdgTree(const XdgTree&) = delete;
  XdgTree& operator=(const XdgTree&) = delete;

  fs::path ConfigHome() const { return root_ / "config"; }
  fs::path ConfigDir() const { return root_ / "etc-xdg"; }
  fs::path DataHome() const { return root_ / "local-share"; }
  fs::path Share1() const { return root_ / "share1"; }
  fs::path Share2() const { return root_ / "share2"; }

  XdgDirs Dirs(std::vector<std::string> desktops = {}) const {
    XdgDirs dirs;
    dirs.configHome = ConfigHome();
    dirs.configDirs = {ConfigDir()};
    dirs.dataHome = DataHome();
    dirs.dataDirs = {Share1(), Share2()};
    dirs.desktops = std::move(desktops);
    return dirs;
  }

  static void Write(const fs::path& path, std::string_view bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // A desktop file at `relative` under `dataRoot`/applications.
  static void App(const fs::path& dataRoot, const std::string& relative,
                  const std::string& exec = "player %U", const std::string& extra = "") {
    Write(dataRoot / "applications" / relative,
          "[Desktop Entry]\nType=Application\nName=Player\nExec=" + exec + "\n" + extra);
  }

 private:
  fs::path root_;
};

std::string Garbage(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xff);
  return bytes;
}

// ---- TypeForExtension ----

TEST(TypeForExtension, MatchesAnyLetterCase) {
  XdgTree tree;
  XdgTree::Write(tree.Share1() / "mime/globs2",
                 "# comment line\n50:audio/mpeg:*.mp3\n50:video/mp4:*.mp4\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".mp3"), "audio/mpeg");
  EXPECT_EQ(associations.TypeForExtension(".MP3"), "audio/mpeg");
  EXPECT_EQ(associations.TypeForExtension(".mP3"), "audio/mpeg");
  EXPECT_EQ(associations.TypeForExtension(".mp4"), "video/mp4");
}

TEST(TypeForExtension, HighestWeightWinsAcrossFolders) {
  XdgTree tree;
  XdgTree::Write(tree.DataHome() / "mime/globs2", "40:text/x-home:*.foo\n");
  XdgTree::Write(tree.Share1() / "mime/globs2",
                 "50:text/x-low:*.foo\n80:text/x-high:*.foo\n60:text/x-mid:*.foo\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".foo"), "text/x-high");
}

TEST(TypeForExtension, EqualWeightKeepsTheHigherPriorityFolder) {
  XdgTree tree;
  XdgTree::Write(tree.DataHome() / "mime/globs2", "50:text/x-home:*.bar\n");
  XdgTree::Write(tree.Share1() / "mime/globs2", "50:text/x-system:*.bar\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".bar"), "text/x-home");
}

TEST(TypeForExtension, CaseSensitiveFlag) {
  XdgTree tree;
  XdgTree::Write(tree.Share1() / "mime/globs2",
                 "50:text/x-csrc:*.c\n50:text/x-c++src:*.C:cs\n50:text/x-only:*.Zed:cs\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".C"), "text/x-c++src");
  EXPECT_EQ(associations.TypeForExtension(".c"), "text/x-csrc");
  EXPECT_EQ(associations.TypeForExtension(".Zed"), "text/x-only");
  EXPECT_EQ(associations.TypeForExtension(".zed"), std::nullopt);
  EXPECT_EQ(associations.TypeForExtension(".ZED"), std::nullopt);
}

TEST(TypeForExtension, OldGlobsFileWhenGlobs2IsAbsent) {
  XdgTree tree;
  XdgTree::Write(tree.Share1() / "mime/globs2", "50:audio/mpeg:*.mp3\n");
  XdgTree::Write(tree.Share1() / "mime/globs", "audio/mpeg:*.mp3\ntext/x-shadowed:*.shadow\n");
  XdgTree::Write(tree.Share2() / "mime/globs", "# old format\nvideo/x-old:*.old\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".OLD"), "video/x-old");
  // A folder with globs2 never reads its globs.
  EXPECT_EQ(associations.TypeForExtension(".shadow"), std::nullopt);
}

TEST(TypeForExtension, OldGlobsCountAsWeightFifty) {
  XdgTree tree;
  XdgTree::Write(tree.Share1() / "mime/globs", "video/x-old:*.w\n");
  XdgTree::Write(tree.Share2() / "mime/globs2", "49:video/x-lighter:*.w\n51:video/x-heavier:*.v\n");
  XdgTree::Write(tree.DataHome() / "mime/globs2", "50:video/x-home:*.v\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".w"), "video/x-old");
  EXPECT_EQ(associations.TypeForExtension(".v"), "video/x-heavier");
}

TEST(TypeForExtension, UnknownEmptyAndDotGiveNothing) {
  XdgTree tree;
  XdgTree::Write(tree.Share1() / "mime/globs2", "50:audio/mpeg:*.mp3\n50:text/x-any:*\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".unknown"), std::nullopt);
  EXPECT_EQ(associations.TypeForExtension(""), std::nullopt);
  EXPECT_EQ(associations.TypeForExtension("."), std::nullopt);
  EXPECT_EQ(associations.TypeForExtension(".mp"), std::nullopt);
  EXPECT_EQ(associations.TypeForExtension(".mp3x"), std::nullopt);
}

TEST(TypeForExtension, OnlyLiteralExtensionPatternsCount) {
  XdgTree tree;
  XdgTree::Write(tree.Share1() / "mime/globs2",
                 "50:text/x-src:*.[ch]\n50:text/x-readme:README\n50:text/x-q:*.?\n"
                 "50:application/x-compressed-tar:*.tar.gz\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".[ch]"), std::nullopt);
  EXPECT_EQ(associations.TypeForExtension(".README"), std::nullopt);
  EXPECT_EQ(associations.TypeForExtension(".?"), std::nullopt);
  EXPECT_EQ(associations.TypeForExtension(".tar.gz"), "application/x-compressed-tar");
  EXPECT_EQ(associations.TypeForExtension(".gz"), std::nullopt);
}

TEST(TypeForExtension, NoGlobsDropsLowerFoldersGlobsOnly) {
  XdgTree tree;
  XdgTree::Write(tree.DataHome() / "mime/globs2",
                 "50:audio/x-mine:__NOGLOBS__\n50:audio/x-own:__NOGLOBS__\n50:audio/x-own:*.own\n");
  XdgTree::Write(tree.Share1() / "mime/globs2",
                 "90:audio/x-mine:*.mine\n50:audio/x-other:*.mine\n90:audio/x-own:*.own\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".mine"), "audio/x-other");
  EXPECT_EQ(associations.TypeForExtension(".own"), "audio/x-own");
}

TEST(TypeForExtension, MalformedLinesAreSkipped) {
  XdgTree tree;
  XdgTree::Write(tree.Share1() / "mime/globs2",
                 "abc:text/x-bad:*.bad\n50:nota-type:*.bad\n50\n50:text/x-bad\n"
                 ":text/x-bad:*.bad\n5000:text/x-bad:*.bad\n\r\n50:text/x-good:*.bad\r\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".bad"), "text/x-good");
}

// ---- DefaultApplication ----

TEST(DefaultApplication, ConfigHomeBeatsDataDirs) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "home.desktop");
  XdgTree::App(tree.Share1(), "system.desktop");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "[Default Applications]\naudio/mpeg=home.desktop\n");
  XdgTree::Write(tree.Share1() / "applications/mimeapps.list",
                 "[Default Applications]\naudio/mpeg=system.desktop;\nvideo/mp4=system.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("audio/mpeg"), "home.desktop");
  EXPECT_EQ(associations.DefaultApplication("Audio/MPEG"), "home.desktop");
  EXPECT_EQ(associations.DefaultApplication("video/mp4"), "system.desktop");
}

TEST(DefaultApplication, OrderOfTheListFiles) {
  XdgTree tree;
  for (const char* id : {"a.desktop", "b.desktop", "c.desktop", "d.desktop"}) {
    XdgTree::App(tree.Share1(), id);
  }
  XdgTree::Write(tree.ConfigDir() / "mimeapps.list", "[Default Applications]\nx/1=d.desktop\n");
  XdgTree::Write(tree.DataHome() / "applications/mimeapps.list",
                 "[Default Applications]\nx/1=c.desktop\nx/2=c.desktop\n");
  XdgTree::Write(tree.Share1() / "applications/mimeapps.list",
                 "[Default Applications]\nx/2=b.desktop\nx/3=b.desktop\n");
  XdgTree::Write(tree.Share2() / "applications/mimeapps.list",
                 "[Default Applications]\nx/3=a.desktop\nx/4=a.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("x/1"), "d.desktop");
  EXPECT_EQ(associations.DefaultApplication("x/2"), "c.desktop");
  EXPECT_EQ(associations.DefaultApplication("x/3"), "b.desktop");
  EXPECT_EQ(associations.DefaultApplication("x/4"), "a.desktop");
}

TEST(DefaultApplication, PerDesktopFileBeatsThePlainOne) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "plain.desktop");
  XdgTree::App(tree.Share1(), "kdeplayer.desktop");
  XdgTree::App(tree.Share1(), "gnomeplayer.desktop");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "[Default Applications]\naudio/mpeg=plain.desktop\nvideo/mp4=plain.desktop\n");
  XdgTree::Write(tree.ConfigHome() / "kde-mimeapps.list",
                 "[Default Applications]\naudio/mpeg=kdeplayer.desktop\n");
  XdgTree::Write(tree.ConfigHome() / "gnome-mimeapps.list",
                 "[Default Applications]\naudio/mpeg=gnomeplayer.desktop\n");
  // A lower folder's per-desktop file loses to a higher folder's plain one.
  XdgTree::Write(tree.ConfigDir() / "kde-mimeapps.list",
                 "[Default Applications]\nvideo/mp4=kdeplayer.desktop\n");

  EXPECT_EQ(FreedesktopAssociations(tree.Dirs({"kde"})).DefaultApplication("audio/mpeg"),
            "kdeplayer.desktop");
  EXPECT_EQ(FreedesktopAssociations(tree.Dirs({"gnome", "kde"})).DefaultApplication("audio/mpeg"),
            "gnomeplayer.desktop");
  EXPECT_EQ(FreedesktopAssociations(tree.Dirs({})).DefaultApplication("audio/mpeg"),
            "plain.desktop");
  EXPECT_EQ(FreedesktopAssociations(tree.Dirs({"kde"})).DefaultApplication("video/mp4"),
            "plain.desktop");
}

TEST(DefaultApplication, MissingDesktopFileFallsThrough) {
  XdgTree tree;
  XdgTree::App(tree.Share2(), "present.desktop");
  XdgTree::App(tree.Share1(), "system.desktop");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "[Default Applications]\nvideo/mp4=gone.desktop;present.desktop;\n"
                 "video/x-next=gone.desktop;also-gone.desktop\n");
  XdgTree::Write(tree.Share1() / "applications/mimeapps.list",
                 "[Default Applications]\nvideo/x-next=system.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("video/mp4"), "present.desktop");
  EXPECT_EQ(associations.DefaultApplication("video/x-next"), "system.desktop");
}

TEST(DefaultApplication, HiddenDesktopFileIsNotInstalled) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "masked.desktop");
  XdgTree::App(tree.DataHome(), "masked.desktop", "player", "Hidden=true\n");
  XdgTree::App(tree.Share1(), "fallback.desktop");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "[Default Applications]\naudio/mpeg=masked.desktop;fallback.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("audio/mpeg"), "fallback.desktop");
}

TEST(DefaultApplication, RemovedAssociationsHideLowerDefaults) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "bad.desktop");
  XdgTree::App(tree.Share1(), "good.desktop");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "[Removed Associations]\naudio/flac=bad.desktop;\n"
                 "[Default Applications]\naudio/x-kept=bad.desktop\n");
  XdgTree::Write(tree.Share1() / "applications/mimeapps.list",
                 "[Default Applications]\naudio/flac=bad.desktop;good.desktop\n"
                 "[Removed Associations]\naudio/x-kept=bad.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("audio/flac"), "good.desktop");
  // A removal in a lower file does not touch a higher file's default.
  EXPECT_EQ(associations.DefaultApplication("audio/x-kept"), "bad.desktop");
}

TEST(DefaultApplication, RemovalInTheSameFileCounts) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "bad.desktop");
  XdgTree::App(tree.Share1(), "good.desktop");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "[Default Applications]\naudio/flac=bad.desktop;good.desktop\n"
                 "[Removed Associations]\nAUDIO/FLAC=bad.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("audio/flac"), "good.desktop");
}

TEST(DefaultApplication, AddedAssociationsWhenNoDefault) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "added.desktop");
  XdgTree::App(tree.Share1(), "cached.desktop");
  XdgTree::Write(tree.ConfigDir() / "mimeapps.list",
                 "[Added Associations]\naudio/ogg=missing.desktop;added.desktop;\n");
  XdgTree::Write(tree.Share1() / "applications/mimeinfo.cache",
                 "[MIME Cache]\naudio/ogg=cached.desktop;\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("audio/ogg"), "added.desktop");
}

TEST(DefaultApplication, DefaultsAnywhereBeatAddedAssociations) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "added.desktop");
  XdgTree::App(tree.Share1(), "default.desktop");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "[Added Associations]\naudio/ogg=added.desktop\n");
  XdgTree::Write(tree.Share2() / "applications/mimeapps.list",
                 "[Default Applications]\naudio/ogg=default.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("audio/ogg"), "default.desktop");
}

TEST(DefaultApplication, MimeinfoCacheLast) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "cached1.desktop");
  XdgTree::App(tree.Share2(), "cached2.desktop");
  XdgTree::App(tree.Share2(), "removed.desktop");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "[Added Associations]\naudio/wav=gone.desktop\n"
                 "[Removed Associations]\naudio/x-r=removed.desktop\n");
  XdgTree::Write(tree.Share1() / "applications/mimeinfo.cache",
                 "[MIME Cache]\naudio/wav=gone.desktop;cached1.desktop;\n");
  XdgTree::Write(tree.Share2() / "applications/mimeinfo.cache",
                 "[MIME Cache]\naudio/wav=cached2.desktop;\naudio/x-only2=cached2.desktop\n"
                 "audio/x-r=removed.desktop;cached2.desktop\n"
                 "[Other]\naudio/x-other=cached2.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("audio/wav"), "cached1.desktop");
  EXPECT_EQ(associations.DefaultApplication("audio/x-only2"), "cached2.desktop");
  EXPECT_EQ(associations.DefaultApplication("audio/x-r"), "cached2.desktop");
  EXPECT_EQ(associations.DefaultApplication("audio/x-other"), std::nullopt);
}

TEST(DefaultApplication, DataFolderRemovalsReachOnlyTheirOwnAndLowerCaches) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "r.desktop");
  XdgTree::App(tree.Share1(), "other.desktop");
  XdgTree::Write(tree.Share1() / "applications/mimeapps.list",
                 "[Removed Associations]\nx/r=r.desktop\nx/s=r.desktop\n");
  XdgTree::Write(tree.DataHome() / "applications/mimeinfo.cache", "[MIME Cache]\nx/r=r.desktop\n");
  XdgTree::Write(tree.Share2() / "applications/mimeinfo.cache",
                 "[MIME Cache]\nx/s=r.desktop;other.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("x/r"), "r.desktop");
  EXPECT_EQ(associations.DefaultApplication("x/s"), "other.desktop");
}

TEST(DefaultApplication, PerDesktopFilesCarryDefaultsOnly) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "app.desktop");
  XdgTree::Write(
      tree.ConfigHome() / "kde-mimeapps.list",
      "[Removed Associations]\nx/y=app.desktop\n[Added Associations]\nx/z=app.desktop\n");
  XdgTree::Write(tree.Share1() / "applications/mimeapps.list",
                 "[Default Applications]\nx/y=app.desktop\n");
  FreedesktopAssociations associations(tree.Dirs({"kde"}));
  EXPECT_EQ(associations.DefaultApplication("x/y"), "app.desktop");
  EXPECT_EQ(associations.DefaultApplication("x/z"), std::nullopt);
}

TEST(DefaultApplication, SpacesAroundEqualsAndSubfolderIds) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "kde4/player.desktop");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "  [Default Applications]  \n  audio/mpeg  =  kde4-player.desktop ; \n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("audio/mpeg"), "kde4-player.desktop");
}

TEST(DefaultApplication, UnknownOrEmptyTypeGivesNothing) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "app.desktop");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list", "[Default Applications]\nx/y=app.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("x/other"), std::nullopt);
  EXPECT_EQ(associations.DefaultApplication(""), std::nullopt);
  EXPECT_EQ(associations.DefaultApplication("x/y"), "app.desktop");
}

TEST(DefaultApplication, KeysOutsideAGroupOrInBrokenHeadersAreIgnored) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "app.desktop");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "x/a=app.desktop\n[Default Applications\nx/b=app.desktop\n"
                 "[Default Applications]\n# x/c=app.desktop\nx/d=app.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("x/a"), std::nullopt);
  EXPECT_EQ(associations.DefaultApplication("x/b"), std::nullopt);
  EXPECT_EQ(associations.DefaultApplication("x/c"), std::nullopt);
  EXPECT_EQ(associations.DefaultApplication("x/d"), "app.desktop");
}

// ---- Executable ----

TEST(Executable, PlainAndAbsolute) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "vlc.desktop", "vlc --started-from-file %U");
  XdgTree::App(tree.Share1(), "abs.desktop", "/usr/bin/player %f");
  XdgTree::Write(tree.Share1() / "applications/spaced.desktop",
                 "[Desktop Entry]\nExec = spaced-player  %F \n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.Executable("vlc.desktop"), "vlc");
  EXPECT_EQ(associations.Executable("abs.desktop"), "/usr/bin/player");
  EXPECT_EQ(associations.Executable("spaced.desktop"), "spaced-player");
}

TEST(Executable, QuotedPathAndEscapes) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "quoted.desktop", R"("/opt/My Player/run" %f)");
  // \\\\ in the file is \\ after the string escapes, then \ after unquoting.
  XdgTree::App(tree.Share1(), "backslash.desktop", R"("/opt/a\\\\b/run" %u)");
  XdgTree::App(tree.Share1(), "blank.desktop", R"("/opt/my\splayer" %u)");
  XdgTree::App(tree.Share1(), "dollar.desktop", R"("/opt/\$x\"y" %u)");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.Executable("quoted.desktop"), "/opt/My Player/run");
  EXPECT_EQ(associations.Executable("backslash.desktop"), "/opt/a\\b/run");
  EXPECT_EQ(associations.Executable("blank.desktop"), "/opt/my player");
  EXPECT_EQ(associations.Executable("dollar.desktop"), "/opt/$x\"y");
}

TEST(Executable, FieldCodeCannotBeTheProgram) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "code.desktop", "%f player");
  XdgTree::App(tree.Share1(), "quotedcode.desktop", "\"%u\" player");
  XdgTree::App(tree.Share1(), "percent.desktop", "%%player %f");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.Executable("code.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("quotedcode.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("percent.desktop"), "%player");
}

TEST(Executable, HiddenMissingOrEmptyExecGiveNothing) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "hidden.desktop", "player", "Hidden=true\n");
  XdgTree::Write(tree.Share1() / "applications/noexec.desktop", "[Desktop Entry]\nName=X\n");
  XdgTree::App(tree.Share1(), "empty.desktop", "");
  XdgTree::App(tree.Share1(), "blanks.desktop", "   ");
  XdgTree::App(tree.Share1(), "unclosed.desktop", "\"/opt/player %f");
  XdgTree::Write(tree.Share1() / "applications/othergroup.desktop",
                 "[Desktop Entry]\nName=X\n[Desktop Action new]\nExec=other\n");
  XdgTree::Write(tree.Share1() / "applications/nogroup.desktop", "Exec=player\n");
  XdgTree::Write(tree.Share1() / "applications/localized.desktop",
                 "[Desktop Entry]\nExec[de]=player\n");
  XdgTree::App(tree.Share1(), "tryexec.desktop", "player", "TryExec=/nonexistent/player\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.Executable("hidden.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("noexec.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("empty.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("blanks.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("unclosed.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("othergroup.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("nogroup.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("localized.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("tryexec.desktop"), "player");
  EXPECT_EQ(associations.Executable("absent.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable(""), std::nullopt);
}

TEST(Executable, SubfolderIds) {
  XdgTree tree;
  XdgTree::App(tree.Share1(), "kde4/player.desktop", "kde-player");
  XdgTree::App(tree.Share1(), "a/b/c.desktop", "abc");
  XdgTree::App(tree.Share1(), "x-y/z.desktop", "xyz");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.Executable("kde4-player.desktop"), "kde-player");
  EXPECT_EQ(associations.Executable("a-b-c.desktop"), "abc");
  EXPECT_EQ(associations.Executable("x-y-z.desktop"), "xyz");
  EXPECT_EQ(associations.Executable("kde4/player.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("player.desktop"), std::nullopt);
}

TEST(Executable, HigherDataFolderWins) {
  XdgTree tree;
  XdgTree::App(tree.Share2(), "p.desktop", "from-share2");
  XdgTree::App(tree.Share1(), "p.desktop", "from-share1");
  XdgTree::App(tree.DataHome(), "p.desktop", "from-home");
  XdgTree::App(tree.Share2(), "q.desktop", "q-share2");
  XdgTree::App(tree.Share1(), "q.desktop", "q-share1", "Hidden=true\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.Executable("p.desktop"), "from-home");
  // A Hidden file deletes the id; the lower folder's file does not come back.
  EXPECT_EQ(associations.Executable("q.desktop"), std::nullopt);
}

TEST(Executable, IdsCannotLeaveTheApplicationsFolder) {
  XdgTree tree;
  XdgTree::Write(tree.Share1() / "outside.desktop", "[Desktop Entry]\nExec=outside\n");
  XdgTree::App(tree.Share1(), "inside.desktop", "inside");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.Executable("../outside.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("..-outside.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable(".-inside.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("inside"), std::nullopt);
  EXPECT_EQ(associations.Executable("inside.desktop"), "inside");
}

// ---- SplitExecLine ----

struct ExecCase {
  std::string exec;
  std::vector<std::string> arguments;
};

TEST(SplitExecLine, Table) {
  const std::vector<ExecCase> cases = {
      {"vlc %U", {"vlc"}},
      {"vlc --started-from-file %U", {"vlc", "--started-from-file"}},
      {"/usr/bin/player %f", {"/usr/bin/player"}},
      {"player --open=%u", {"player", "--open="}},
      {R"("/opt/My App/run" %f)", {"/opt/My App/run"}},
      {R"("a\"b" "c\`d" "e\$f" "g\\h")", {"a\"b", "c`d", "e$f", "g\\h"}},
      {R"("keep\x")", {"keep\\x"}},
      {"prog 100%%", {"prog", "100%"}},
      {"prog %f %F %u %U %d %D %n %N %i %c %k %v %m", {"prog"}},
      {"prog %z", {"prog", "%z"}},
      {"prog %", {"prog", "%"}},
      {"prog \"%f\"", {"prog"}},
      {"prog \"\"", {"prog", ""}},
      {"prog ab\"c d\"e", {"prog", "abc de"}},
      {"a  b\tc", {"a", "b", "c"}},
      {R"(a\ b)", {"a b"}},
      {"  lead trail  ", {"lead", "trail"}},
      {"", {}},
      {"   ", {}},
      {"%f", {}},
      {"prog \"unclosed", {}},
      {"prog \"ends with backslash\\", {}},
  };
  for (const ExecCase& c : cases) {
    EXPECT_EQ(SplitExecLine(c.exec), c.arguments) << "exec: " << c.exec;
  }
}

// ---- Junk input ----

TEST(JunkInput, BinaryGarbageFilesGiveNothing) {
  XdgTree tree;
  for (const fs::path& root : {tree.DataHome(), tree.Share1()}) {
    XdgTree::Write(root / "mime/globs2", Garbage(200000, 1));
    XdgTree::Write(root / "mime/globs", Garbage(200000, 2));
    XdgTree::Write(root / "applications/mimeapps.list", Garbage(200000, 3));
    XdgTree::Write(root / "applications/mimeinfo.cache", Garbage(200000, 4));
    XdgTree::Write(root / "applications/junk.desktop", Garbage(200000, 5));
  }
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list", Garbage(200000, 6));
  XdgTree::Write(tree.ConfigHome() / "kde-mimeapps.list", Garbage(200000, 7));
  FreedesktopAssociations associations(tree.Dirs({"kde"}));
  EXPECT_EQ(associations.TypeForExtension(".mp3"), std::nullopt);
  EXPECT_EQ(associations.DefaultApplication("audio/mpeg"), std::nullopt);
  EXPECT_EQ(associations.Executable("junk.desktop"), std::nullopt);
  EXPECT_LT(SplitExecLine(Garbage(100000, 8)).size(), 100000u);
}

TEST(JunkInput, FilesOverTheCapAreIgnored) {
  XdgTree tree;
  const std::string padding(10 * 1024 * 1024, '#');
  XdgTree::Write(tree.Share1() / "mime/globs2", "50:audio/mpeg:*.mp3\n" + padding + "\n");
  XdgTree::App(tree.Share1(), "big.desktop", "big", padding + "\n");
  XdgTree::App(tree.Share1(), "small.desktop", "small");
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "[Default Applications]\naudio/mpeg=small.desktop\n" + padding + "\n");
  XdgTree::Write(tree.Share1() / "applications/mimeapps.list",
                 "[Default Applications]\naudio/mpeg=big.desktop\n");
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".mp3"), std::nullopt);
  EXPECT_EQ(associations.Executable("big.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("small.desktop"), "small");
  // The huge list is skipped, and the huge desktop file does not count as installed.
  EXPECT_EQ(associations.DefaultApplication("audio/mpeg"), std::nullopt);
}

TEST(JunkInput, MissingDirectoriesGiveNothing) {
  XdgTree tree;
  FreedesktopAssociations associations(tree.Dirs({"kde"}));
  EXPECT_EQ(associations.TypeForExtension(".mp3"), std::nullopt);
  EXPECT_EQ(associations.DefaultApplication("audio/mpeg"), std::nullopt);
  EXPECT_EQ(associations.Executable("vlc.desktop"), std::nullopt);

  FreedesktopAssociations empty(XdgDirs{});
  EXPECT_EQ(empty.TypeForExtension(".mp3"), std::nullopt);
  EXPECT_EQ(empty.DefaultApplication("audio/mpeg"), std::nullopt);
  EXPECT_EQ(empty.Executable("vlc.desktop"), std::nullopt);
}

TEST(JunkInput, DirectoriesFifosAndSymlinkLoopsGiveNothing) {
  XdgTree tree;
  fs::create_directories(tree.Share1() / "mime/globs2");  // a folder where a file belongs
  fs::create_directories(tree.Share2() / "mime");
  ASSERT_EQ(::mkfifo((tree.Share2() / "mime/globs2").c_str(), 0600), 0);
  fs::create_directories(tree.DataHome() / "mime");
  fs::create_symlink("globs2", tree.DataHome() / "mime/globs2");
  const fs::path apps = tree.Share1() / "applications";
  fs::create_directories(apps);
  fs::create_directory_symlink(".", apps / "loop");
  fs::create_symlink("b.desktop", apps / "a.desktop");
  fs::create_symlink("a.desktop", apps / "b.desktop");
  ASSERT_EQ(::mkfifo((apps / "fifo.desktop").c_str(), 0600), 0);
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list",
                 "[Default Applications]\nx/y=a.desktop;fifo.desktop;loop-loop-x.desktop\n");
  fs::create_directories(tree.Share2() / "applications/mimeapps.list");

  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.TypeForExtension(".mp3"), std::nullopt);
  EXPECT_EQ(associations.DefaultApplication("x/y"), std::nullopt);
  EXPECT_EQ(associations.Executable("a.desktop"), std::nullopt);
  EXPECT_EQ(associations.Executable("fifo.desktop"), std::nullopt);
  std::string deep;
  for (int i = 0; i < 200; ++i) deep += "loop-";
  EXPECT_EQ(associations.Executable(deep + "x.desktop"), std::nullopt);

  // The loop is a real folder path, so an id through it still resolves.
  XdgTree::App(tree.Share1(), "x.desktop", "found");
  EXPECT_EQ(associations.Executable("loop-loop-x.desktop"), "found");
}

TEST(JunkInput, ManyIdsEndQuickly) {
  XdgTree tree;
  std::string list = "[Default Applications]\nx/y=";
  for (int i = 0; i < 50000; ++i) list += "missing" + std::to_string(i) + ".desktop;";
  list += "\n";
  XdgTree::Write(tree.ConfigHome() / "mimeapps.list", list);
  FreedesktopAssociations associations(tree.Dirs());
  EXPECT_EQ(associations.DefaultApplication("x/y"), std::nullopt);
}

// ---- XdgDirs ----

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment final {
 public:
  ScopedEnvironment() = default;
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void Set(const std::string& name, const char* value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
      ::setenv(name.c_str(), value, 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(XdgDirs, ReadsTheVariables) {
  ScopedEnvironment environment;
  environment.Set("HOME", "/home/u");
  environment.Set("XDG_CONFIG_HOME", "/c/home");
  environment.Set("XDG_CONFIG_DIRS", "/c/one:relative:/c/two:");
  environment.Set("XDG_DATA_HOME", "/d/home");
  environment.Set("XDG_DATA_DIRS", "/d/one::/d/two");
  environment.Set("XDG_CURRENT_DESKTOP", "KDE::GNOME");
  const XdgDirs dirs = XdgDirs::FromEnvironment();
  EXPECT_EQ(dirs.configHome, fs::path("/c/home"));
  EXPECT_EQ(dirs.configDirs, (std::vector<fs::path>{"/c/one", "/c/two"}));
  EXPECT_EQ(dirs.dataHome, fs::path("/d/home"));
  EXPECT_EQ(dirs.dataDirs, (std::vector<fs::path>{"/d/one", "/d/two"}));
  EXPECT_EQ(dirs.desktops, (std::vector<std::string>{"kde", "gnome"}));
}

TEST(XdgDirs, DefaultsWhenUnsetOrRelative) {
  ScopedEnvironment environment;
  environment.Set("HOME", "/home/u");
  environment.Set("XDG_CONFIG_HOME", "relative/config");
  environment.Set("XDG_CONFIG_DIRS", nullptr);
  environment.Set("XDG_DATA_HOME", "");
  environment.Set("XDG_DATA_DIRS", "relative:also/relative");
  environment.Set("XDG_CURRENT_DESKTOP", nullptr);
  const XdgDirs dirs = XdgDirs::FromEnvironment();
  EXPECT_EQ(dirs.configHome, fs::path("/home/u/.config"));
  EXPECT_EQ(dirs.configDirs, (std::vector<fs::path>{"/etc/xdg"}));
  EXPECT_EQ(dirs.dataHome, fs::path("/home/u/.local/share"));
  EXPECT_EQ(dirs.dataDirs, (std::vector<fs::path>{"/usr/local/share", "/usr/share"}));
  EXPECT_TRUE(dirs.desktops.empty());
}

}  // namespace
}  // namespace vexon::library
