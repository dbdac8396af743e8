#include "library/result_links.h"

#include "net/url.h"

#include <gtest/gtest.h>

#include "fakes/ports.h"

#include <map>
#include <string>
#include <vector>

namespace vexon::library {
namespace {

using FakePrompter = test::RecordingPrompter;
using FakeShell = test::RecordingShell;

class TableAssociations final : public Associations {
 public:
  std::optional<std::string> TypeForExtension(const std::string& extension) override {
    asked.push_back(extension);
    return Find(types, extension);
  }
  std::optional<std::string> DefaultApplication(const std::string& type) override { return Find(apps, type); }
  bool Launch(const std::string& app, const std::string& url) override {
    if (app != launchable) return false;
    launches.emplace_back(app, url);
    return true;
  }
  std::map<std::string, std::string> types, apps;
  std::string launchable = "player.desktop";
  std::vector<std::string> asked;
  std::vector<std::pair<std::string, std::string>> launches;

 private:
  static std::optional<std::string> Find(const std::map<std::string, std::string>& m, const std::string& k) {
    auto it = m.find(k);
    return it == m.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
};

struct Rig {
  Rig() : links(prompter, shell, associations) {
    associations.types = {{".mp3", "audio/mpeg"}, {".wma", "audio/x-ms-wma"}, {".ogg", "audio/ogg"}};
    associations.apps = {{"audio/mpeg", "player.desktop"}, {"audio/ogg", "broken.desktop"}};
  }
  FakePrompter prompter;
  FakeShell shell;
  TableAssociations associations;
  ResultLinks links;
};

TEST(ResultLinks, PlayOnlineStartsTheDefaultApplicationWithTheUrl) {
  Rig rig;
  const std::string url = "http://h:8/a b;rm -rf ~.mp3";
  rig.links.OnPlayOnline(url);
  ASSERT_EQ(rig.associations.launches.size(), 1u);
  EXPECT_EQ(rig.associations.launches[0], std::make_pair(std::string("player.desktop"), url));
  EXPECT_TRUE(rig.prompter.texts.empty());
}

TEST(ResultLinks, EachMissingStepShowsTheSameMessage) {
  for (const char* url : {"http://h/a.xyz", "http://h/a.wma", "http://h/a.ogg"}) {
    Rig rig;
    rig.links.OnPlayOnline(url);
    EXPECT_TRUE(rig.associations.launches.empty()) << url;
    ASSERT_EQ(rig.prompter.texts.size(), 1u) << url;
    EXPECT_EQ(rig.prompter.texts[0], kPlayerMissingText);
  }
  Rig none;
  none.links.OnPlayOnline("http://h/noextension");  // the host has no dot either
  EXPECT_TRUE(none.prompter.texts.empty());
  EXPECT_TRUE(none.associations.asked.empty());
}

TEST(ResultLinks, OnlyWebAddressesReachTheDesktop) {
  for (const char* url : {"file:///etc/a.mp3", "javascript:alert(1)//.mp3", "/home/u/a.mp3", "ftp://h/a.mp3"}) {
    Rig rig;
    rig.links.OnPlayOnline(url);
    rig.links.OnVisitSite(url);
    EXPECT_TRUE(rig.associations.launches.empty()) << url;
    EXPECT_TRUE(rig.shell.web.empty()) << url;
    EXPECT_EQ(rig.prompter.texts.size(), 2u) << url;
  }
  Rig rig;
  rig.links.OnVisitSite("HTTPS://Example.com/dir/a.mp3");
  EXPECT_EQ(rig.shell.web, (std::vector<std::string>{"HTTPS://Example.com"}));
}

TEST(ResultLinks, SiteAndExtensionOfAUrl) {
  EXPECT_EQ(SiteOfUrl("http://h.example:81/dir/a.mp3"), "http://h.example:81");
  EXPECT_EQ(SiteOfUrl("http://h.example"), "http://h.example");
  EXPECT_EQ(SiteOfUrl("h.example/dir/a.mp3"), "h.example");
  EXPECT_EQ(SiteOfUrl("h.example"), "h.example");
  EXPECT_EQ(UrlExtension("http://h/a.b.MP3"), ".MP3");
  EXPECT_EQ(UrlExtension("noext"), "");
  EXPECT_TRUE(net::IsHttpAddress("http://h/a b.mp3") && net::IsHttpAddress("HtTpS://h"));
  for (const char* bad : {"http://", "http://h/\n.mp3", "http://h/\x01", "httpx://h"}) {
    EXPECT_FALSE(net::IsHttpAddress(bad)) << bad;
  }
}

}  // namespace
}  // namespace vexon::library
