#include <gtest/gtest.h>

#include <set>

#include "standin/audio_content.h"
#include "standin/catalog.h"
#include "standin/http_date.h"
#include "standin/result_pages.h"
#include "standin/scripted_answers.h"
#include "text/encoding.h"
#include "text/strings.h"

#include "integration/standin/page_rules.h"

using namespace vexon::standin;
using vexon::text::AsciiLower;
using vexon::text::Gb18030FromUtf8;
using vexon::text::Utf8FromGb18030;

namespace {

constexpr std::string_view kHost = "127.0.0.1:4321";

bool IsLowerHex(const std::string& s) {
  return s.size() == 16 && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

TEST(Catalog, SameSeedAndWordsGiveTheSamePages) {
  const Catalog a(7, {});
  const Catalog b(7, {});
  for (Engine engine : {Engine::kYahoo, Engine::kBaidu}) {
    const auto x = a.Entries("月亮", engine);
    const auto y = b.Entries("月亮", engine);
    ASSERT_EQ(x.size(), y.size());
    for (size_t i = 0; i < x.size(); ++i) {
      EXPECT_EQ(x[i].id, y[i].id);
      EXPECT_EQ(x[i].titleHtml, y[i].titleHtml);
      EXPECT_EQ(x[i].size, y[i].size);
      EXPECT_EQ(x[i].fault, y[i].fault);
    }
  }
}

TEST(Catalog, SeedAndWordsChangeTheEntries) {
  const Catalog a(7, {});
  const Catalog b(8, {});
  EXPECT_NE(a.Page("月亮", Engine::kYahoo, 1).entries[0].id, b.Page("月亮", Engine::kYahoo, 1).entries[0].id);
  EXPECT_NE(a.Page("月亮", Engine::kYahoo, 1).entries[0].id, a.Page("太阳", Engine::kYahoo, 1).entries[0].id);
}

TEST(Catalog, AsciiLetterCaseOfTheWordsDoesNotMatter) {
  const Catalog c(3, {});
  EXPECT_EQ(c.Page("Beyond", Engine::kYahoo, 2).entries[0].id, c.Page("beyond", Engine::kYahoo, 2).entries[0].id);
}

TEST(Catalog, PagesFollowTheOptions) {
  CatalogOptions options;
  options.linksPerPage = 4;
  options.pagesPerService = 2;
  const Catalog c(1, options);
  for (Engine engine : {Engine::kYahoo, Engine::kBaidu}) {
    const CatalogPage first = c.Page("x", engine, 1);
    const CatalogPage last = c.Page("x", engine, 2);
    EXPECT_EQ(first.entries.size(), 4u);
    EXPECT_TRUE(first.hasNext);
    EXPECT_EQ(last.entries.size(), 4u);
    EXPECT_FALSE(last.hasNext);
    EXPECT_TRUE(c.Page("x", engine, 3).entries.empty());
    EXPECT_FALSE(c.Page("x", engine, 3).hasNext);
    EXPECT_TRUE(c.Page("x", engine, 0).entries.empty());
    EXPECT_EQ(c.Entries("x", engine).size(), 8u);
  }
}

TEST(Catalog, DefaultsMixLiveAndDeadEntriesOfEveryExtension) {
  const Catalog c(1, {});
  std::set<FileFault> faults;
  std::set<std::string> extensions;
  int live = 0, dead = 0;
  for (const char* words : {"月亮", "周杰伦", "love", "晴天", "a b"}) {
    for (const CatalogEntry& e : c.AllEntries(words)) {
      faults.insert(e.fault);
      extensions.insert(e.extension);
      (e.Live() ? live : dead)++;
    }
  }
  EXPECT_GT(live, dead);
  EXPECT_GT(dead, 0);
  EXPECT_EQ(faults.size(), 10u);
  EXPECT_EQ(extensions, (std::set<std::string>{"mp3", "wma", "rm", "wav", "mpeg"}));
}

TEST(Catalog, OptionsCanLeaveOutDeadLinksAndQuirks) {
  CatalogOptions noDead;
  noDead.includeDeadLinks = false;
  CatalogOptions plain = noDead;
  plain.includeQuirks = false;
  for (const CatalogEntry& e : Catalog(1, noDead).AllEntries("月亮")) EXPECT_TRUE(e.Live()) << e.id;
  for (const CatalogEntry& e : Catalog(1, plain).AllEntries("月亮")) EXPECT_EQ(e.fault, FileFault::kNone) << e.id;
}

TEST(Catalog, YahooAndBaiduShareSomeFilesButNotAll) {
  const Catalog c(1, {});
  std::set<std::string> yahoo;
  for (const CatalogEntry& e : c.Entries("月亮", Engine::kYahoo)) yahoo.insert(e.id);
  int shared = 0, own = 0;
  for (const CatalogEntry& e : c.Entries("月亮", Engine::kBaidu)) (yahoo.count(e.id) ? shared : own)++;
  EXPECT_GT(shared, 0);
  EXPECT_GT(own, 0);
  EXPECT_EQ(c.AllEntries("月亮").size(), yahoo.size() + static_cast<size_t>(own));
}

TEST(Catalog, EntriesAreDescribedByTheirIdAlone) {
  const Catalog c(5, {});
  for (const CatalogEntry& e : c.AllEntries("月亮")) {
    EXPECT_TRUE(IsLowerHex(e.id)) << e.id;
    const auto again = c.Describe(e.id);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->titleText, e.titleText);
    EXPECT_EQ(again->lastModified, e.lastModified);
    const auto byPath = c.EntryForPath(AsciiLower(e.Path()));
    ASSERT_TRUE(byPath);
    EXPECT_EQ(byPath->id, e.id);
  }
}

TEST(Catalog, EntryForPathIgnoresLetterCaseButNeedsTheRightExtension) {
  const Catalog c(5, {});
  const CatalogEntry e = c.Page("月亮", Engine::kYahoo, 1).entries[0];
  EXPECT_TRUE(c.EntryForPath("/FILES/" + vexon::text::AsciiUpper(e.FileName())));
  EXPECT_FALSE(c.EntryForPath("/files/" + e.id + (e.extension == "ogg" ? ".mp3" : ".ogg")));
  EXPECT_FALSE(c.EntryForPath("/files/" + e.id));
  EXPECT_FALSE(c.EntryForPath("/other/" + e.FileName()));
}

TEST(Catalog, DescribeRejectsIdsThatAreNotSixteenLowerHexDigits) {
  const Catalog c(5, {});
  for (const char* bad : {"", "0123", "0123456789abcdeg", "0123456789ABCDEF", "0123456789abcdef0", "z123456789abcdef"}) {
    EXPECT_FALSE(c.Describe(bad)) << bad;
  }
  EXPECT_TRUE(c.Describe("0123456789abcdef"));
}

TEST(Catalog, SizesMatchTheAudioFormat) {
  for (const CatalogEntry& e : Catalog(2, {}).AllEntries("晴天")) {
    if (e.extension == "wav") {
      EXPECT_EQ((e.size - kWavHeaderSize) % 2, 0u);
    } else {
      EXPECT_EQ(e.size % kMp3FrameSize, 0u);
    }
    EXPECT_GT(e.size, 10000u);
  }
}

TEST(Catalog, TitlePartsSurviveByteWiseAsciiFolding) {
  for (const std::string& part : CatalogTitleParts()) {
    const std::string gb = Gb18030FromUtf8(part);
    bool ascii = true;
    for (unsigned char c : part) ascii = ascii && c < 0x80;
    if (ascii) continue;
    for (unsigned char c : gb) EXPECT_FALSE(c >= 'A' && c <= 'Z') << part;
  }
}

TEST(Catalog, TitleTextIsWhatTheCleanUpMakesOfTheHtml) {
  int withMarkup = 0;
  for (const CatalogEntry& e : Catalog(9, {}).AllEntries("月亮")) {
    EXPECT_EQ(testkit::CleanTitle(e.titleHtml), e.titleText) << e.titleHtml;
    if (e.titleHtml != e.titleText) ++withMarkup;
  }
  EXPECT_GT(withMarkup, 0);
}

TEST(Catalog, DatesAreWrittenBothWays) {
  CatalogEntry e;
  e.lastModified = UnixFromCivil(2005, 3, 7, 9, 5, 1);
  EXPECT_EQ(e.DateText(), "03/07/2005");
  EXPECT_EQ(e.LastModifiedHttp(), "Mon, 07 Mar 2005 09:05:01 GMT");
}

TEST(HttpDate, FormatsRfc1123InGmt) {
  struct Case {
    int64_t seconds;
    const char* text;
  };
  const Case cases[] = {
      {0, "Thu, 01 Jan 1970 00:00:00 GMT"},
      {784111777, "Sun, 06 Nov 1994 08:49:37 GMT"},
      {951782400, "Tue, 29 Feb 2000 00:00:00 GMT"},
      {kDefaultLastModified, "Thu, 04 May 2006 03:02:01 GMT"},
      {-1, "Wed, 31 Dec 1969 23:59:59 GMT"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatHttpDate(c.seconds), c.text) << c.seconds;
  EXPECT_EQ(UnixFromCivil(1994, 11, 6, 8, 49, 37), 784111777);
}

TEST(PercentCoding, EncodesAllButUnreservedBytes) {
  EXPECT_EQ(PercentEncode("aZ09-._~"), "aZ09-._~");
  EXPECT_EQ(PercentEncode("a b&c#"), "a%20b%26c%23");
  EXPECT_EQ(PercentEncode(Gb18030FromUtf8("月亮")), "%D4%C2%C1%C1");
}

TEST(PercentCoding, DecodesLeniently) {
  struct Case {
    const char* in;
    std::string out;
  };
  const Case cases[] = {
      {"%d4%c2%C1%c1", "\xD4\xC2\xC1\xC1"},
      {"a+b", "a b"},
      {"100%", "100%"},
      {"%zz%4", "%zz%4"},
      {"\xD4\xC2", "\xD4\xC2"},
      {"%26%2B", "&+"},
  };
  for (const Case& c : cases) EXPECT_EQ(PercentDecode(c.in), c.out) << c.in;
}

TEST(SearchQueries, TargetsHaveTheServicesQueryPaths) {
  EXPECT_EQ(YahooQueryTarget("月亮"),
            "/search.html?pid=ysearch&source=ysearch_music_result_topsearch&p=%D4%C2%C1%C1&minetype");
  EXPECT_EQ(YahooQueryTarget("a", 3),
            "/search.html?pid=ysearch&source=ysearch_music_result_topsearch&p=a&minetype&page=3");
  EXPECT_EQ(BaiduQueryTarget("月亮"), "/m?&tn=baidump3&ct=134217728&rn=&word=%D4%C2%C1%C1&lm=-1");
  EXPECT_EQ(BaiduQueryTarget("a b", 2), "/m?&tn=baidump3&ct=134217728&rn=&word=a%20b&lm=-1&pn=2");
}

TEST(SearchQueries, ParseRecognisesBothServicesAndDecodesWords) {
  const std::string yahoo = YahooQueryTarget("月亮 & 星", 2);
  const auto y = ParseSearchQuery("/search.html", yahoo.substr(yahoo.find('?') + 1));
  ASSERT_TRUE(y);
  EXPECT_EQ(y->engine, Engine::kYahoo);
  EXPECT_EQ(y->wordsUtf8, "月亮 & 星");
  EXPECT_EQ(y->page, 2);
  const std::string baidu = BaiduQueryTarget("晴天");
  const auto b = ParseSearchQuery("/m", baidu.substr(baidu.find('?') + 1));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->engine, Engine::kBaidu);
  EXPECT_EQ(b->wordsUtf8, "晴天");
  EXPECT_EQ(b->page, 1);
  EXPECT_FALSE(ParseSearchQuery("/search.html", "pid=ysearch&minetype"));
  EXPECT_FALSE(ParseSearchQuery("/other", "p=x"));
}

TEST(ResultPages, YahooPageFollowsTheParserRules) {
  const Catalog c(4, {});
  const CatalogPage page = c.Page("月亮", Engine::kYahoo, 1);
  SearchQuery q;
  q.wordsBytes = Gb18030FromUtf8("月亮");
  const std::string html = Utf8FromGb18030(YahooResultPage(page, q, kHost, true));

  std::vector<std::string> expected;
  for (const CatalogEntry& e : page.entries) expected.push_back(FileUrl(e, kHost));
  for (const std::string& f : page.foreignLinks) expected.push_back(f);
  std::vector<std::string> found;
  for (const auto& link : testkit::YahooLinks(html)) {
    found.push_back(link.url);
    const CatalogEntry* entry = nullptr;
    for (const CatalogEntry& e : page.entries) {
      if (FileUrl(e, kHost) == link.url) entry = &e;
    }
    if (entry) {
      EXPECT_EQ(testkit::CleanTitle(link.anchor), AsciiLower(entry->titleText));
    }
  }
  EXPECT_EQ(found, expected);
  EXPECT_NE(html.find(".ogg target=_blank>"), std::string::npos);
  EXPECT_EQ(testkit::YahooNextTarget(html), AsciiLower(YahooQueryTarget("月亮", 2)));
}

TEST(ResultPages, YahooAnchorHasTheDocumentedForm) {
  CatalogEntry e = *Catalog(1, {}).Describe("00000000000000aa");
  e.titleHtml = "<b>Title</b> &amp; more";
  e.titleText = "Title & more";
  CatalogPage page;
  page.entries.push_back(e);
  const std::string html = Utf8FromGb18030(YahooResultPage(page, SearchQuery{}, kHost, false));
  EXPECT_NE(html.find("<a title=\"Title &amp; more\" href=http://127.0.0.1:4321/files/00000000000000aa." +
                      e.extension + " target=_blank><b>Title</b> &amp; more</a>"),
            std::string::npos)
      << html;
  EXPECT_EQ(html.find("下一页"), std::string::npos);
}

TEST(ResultPages, BaiduPageFollowsTheParserRules) {
  const Catalog c(4, {});
  const CatalogPage page = c.Page("月亮", Engine::kBaidu, 2);
  SearchQuery q;
  q.engine = Engine::kBaidu;
  q.wordsBytes = Gb18030FromUtf8("月亮");
  q.page = 2;
  const std::string html = Utf8FromGb18030(BaiduResultPage(page, q, kHost, true));
  const auto hits = testkit::BaiduHits(html);
  size_t next = 0;
  for (const auto& hit : hits) {
    if (next < page.entries.size() &&
        vexon::text::StartsWith(hit.url, "http://127.0.0.1:4321/baidusg/" + page.entries[next].id + "?")) {
      EXPECT_EQ(hit.type, page.entries[next].extension);
      EXPECT_EQ(testkit::CleanTitle(hit.anchor), page.entries[next].titleText);
      EXPECT_EQ(hit.url.find(' '), std::string::npos);
      ++next;
    }
  }
  EXPECT_EQ(next, page.entries.size());
  EXPECT_EQ(hits.size(), page.entries.size() + 2);  // the dead-end and the foreign decoy
  EXPECT_NE(html.find("&word=ogg,"), std::string::npos);
  EXPECT_EQ(testkit::BaiduNextUrl(html), "http://127.0.0.1:4321" + BaiduQueryTarget("月亮", 3));
}

TEST(ResultPages, IntermediatePageLeadsToTheFileOnly) {
  const Catalog c(4, {});
  int upper = 0;
  for (const CatalogEntry& e : c.Entries("月亮", Engine::kBaidu)) {
    const std::string html = Utf8FromGb18030(BaiduIntermediatePage(e, kHost));
    EXPECT_EQ(testkit::IntermediateFileLink(html, e.extension), FileUrl(e, kHost));
    if (e.upperCaseExtensionOnIntermediatePage) {
      EXPECT_NE(html.find("." + vexon::text::AsciiUpper(e.extension) + "\""), std::string::npos);
      ++upper;
    }
  }
  EXPECT_GT(upper, 0);
  EXPECT_EQ(testkit::IntermediateFileLink(Utf8FromGb18030(BaiduDeadEndPage()), "mp3"), "");
}

TEST(AudioContent, Mp3IsABackToBackStreamOfFrames) {
  const AudioContent audio(AudioFormat::kMp3Frames, 10 * kMp3FrameSize);
  const std::string bytes = audio.Bytes(0, 10 * kMp3FrameSize);
  for (size_t frame = 0; frame < 10; ++frame) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + frame * kMp3FrameSize);
    EXPECT_EQ(p[0], 0xFF);
    EXPECT_EQ(p[1] & 0xE0, 0xE0);   // frame sync
    EXPECT_EQ(p[1] & 0x18, 0x18);   // MPEG-1
    EXPECT_EQ(p[1] & 0x06, 0x02);   // Layer III
  }
}

TEST(AudioContent, AnyOffsetGivesTheSameBytesAsTheWhole) {
  for (AudioFormat format : {AudioFormat::kMp3Frames, AudioFormat::kWav}) {
    const AudioContent audio(format, 200000);
    const std::string whole = audio.Bytes(0, 200000);
    for (uint64_t offset : {0ull, 1ull, 43ull, 44ull, 417ull, 1000ull, 88243ull, 199999ull}) {
      EXPECT_EQ(audio.Bytes(offset, 1000), (whole + std::string(1000, '\0')).substr(offset, 1000)) << offset;
    }
  }
}

TEST(AudioContent, WavHeaderDescribesTheFile) {
  const uint64_t size = WavSizeForSamples(kWavSampleRate * 3);
  const std::string h = AudioContent(AudioFormat::kWav, size).Bytes(0, 48);
  auto le32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(h[at]) | static_cast<unsigned char>(h[at + 1]) << 8 |
                                 static_cast<unsigned char>(h[at + 2]) << 16 |
                                 static_cast<uint32_t>(static_cast<unsigned char>(h[at + 3])) << 24);
  };
  EXPECT_EQ(h.substr(0, 4), "RIFF");
  EXPECT_EQ(le32(4), size - 8);
  EXPECT_EQ(h.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(le32(16), 16u);
  EXPECT_EQ(le32(20) & 0xFFFF, 1u);   // PCM
  EXPECT_EQ(le32(20) >> 16, 1u);      // mono
  EXPECT_EQ(le32(24), kWavSampleRate);
  EXPECT_EQ(h.substr(36, 4), "data");
  EXPECT_EQ(le32(40), size - 44);
  EXPECT_NE(h.substr(44, 4), std::string(4, '\0'));  // the tone starts at once
}

TEST(AudioContent, ContentTypesAreAudio) {
  for (const char* ext : {"mp3", "MP3", "wma", "rm", "wav", "mpeg", "xyz"}) {
    EXPECT_TRUE(vexon::text::StartsWith(ContentTypeForExtension(ext), "audio/")) << ext;
  }
  EXPECT_EQ(ContentTypeForExtension("mp3"), "audio/mpeg");
  EXPECT_EQ(FormatForExtension("WAV"), AudioFormat::kWav);
  EXPECT_EQ(FormatForExtension("wma"), AudioFormat::kMp3Frames);
}
