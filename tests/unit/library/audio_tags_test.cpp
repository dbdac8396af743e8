#include "library/audio_tags.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fileref.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <tag.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/audio_files.h"
#include "support/test_files.h"
#include "text/encoding.h"

namespace vexon::library {
namespace {

using vexon::testing::PatternBytes;
using vexon::testing::ReadBytes;
using vexon::testing::TempDir;
using vexon::testing::WriteBytes;
namespace fs = std::filesystem;

void PutLe(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}
void PutBe(std::string& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

// About 5 seconds.
std::string MinimalMp3() {
  return vexon::testing::SilentMp3(200);
}

// "fLaC" and a STREAMINFO block: 44.1 kHz stereo, 16 bits, 3 seconds of samples.
std::string MinimalFlac() {
  std::string bytes = "fLaC";
  bytes += '\x80';  // the last block, STREAMINFO
  PutBe(bytes, 34, 3);
  PutBe(bytes, 4096, 2);
  PutBe(bytes, 4096, 2);
  PutBe(bytes, 0, 3);
  PutBe(bytes, 0, 3);
  const uint64_t rate = 44100, channels = 2, bits = 16, samples = 44100 * 3;
  PutBe(bytes, rate << 44 | (channels - 1) << 41 | (bits - 1) << 36 | samples, 8);
  bytes.append(16, '\0');  // MD5 of the samples
  bytes += "\xFF\xF8";     // where a frame would start
  bytes.append(64, '\0');
  return bytes;
}

uint32_t OggCrc(const std::string& page) {
  uint32_t crc = 0;
  for (const char c : page) {
    crc ^= static_cast<uint32_t>(static_cast<unsigned char>(c)) << 24;
    for (int i = 0; i < 8; ++i) crc = crc & 0x80000000u ? crc << 1 ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

// One Ogg page holding whole packets.
std::string OggPage(const std::vector<std::string>& packets, int flags, uint64_t granule, uint32_t sequence) {
  std::string segments, body;
  for (const std::string& packet : packets) {
    segments.append(packet.size() / 255, '\xFF');
    segments += static_cast<char>(packet.size() % 255);
    body += packet;
  }
  std::string page = "OggS";
  page += '\0';
  page += static_cast<char>(flags);
  PutLe(page, granule, 8);
  PutLe(page, 0x5EED, 4);
  PutLe(page, sequence, 4);
  PutLe(page, 0, 4);  // the checksum, filled in below
  page += static_cast<char>(segments.size());
  page += segments + body;
  const uint32_t crc = OggCrc(page);
  for (int i = 0; i < 4; ++i) page[22 + i] = static_cast<char>(crc >> (8 * i) & 0xFF);
  return page;
}

std::string XiphComments(const std::string& magic, bool framing) {
  std::string packet = magic;
  PutLe(packet, 4, 4);
  packet += "test";
  PutLe(packet, 0, 4);
  if (framing) packet += '\x01';
  return packet;
}

// Identification, comment and setup headers, then one audio page ending at 4 s.
std::string MinimalVorbis() {
  std::string id = "\x01vorbis";
  PutLe(id, 0, 4);
  id += '\x02';
  PutLe(id, 44100, 4);
  PutLe(id, 0, 4);
  PutLe(id, 128000, 4);
  PutLe(id, 0, 4);
  id += "\xB8\x01";
  const std::string setup = std::string("\x05vorbis") + std::string(32, '\x01');
  return OggPage({id}, 0x02, 0, 0) + OggPage({XiphComments("\x03vorbis", true), setup}, 0, 0, 1) +
         OggPage({std::string(100, '\0')}, 0x04, 44100 * 4, 2);
}

// OpusHead and OpusTags, then one audio page ending at 3 s.
std::string MinimalOpus() {
  std::string head = "OpusHead";
  head += '\x01';
  head += '\x02';
  PutLe(head, 0, 2);
  PutLe(head, 48000, 4);
  PutLe(head, 0, 2);
  head += '\0';
  return OggPage({head}, 0x02, 0, 0) + OggPage({XiphComments("OpusTags", false)}, 0, 0, 1) +
         OggPage({std::string(100, '\0')}, 0x04, 48000 * 3, 2);
}

std::string Atom(const std::string& type, const std::string& body) {
  std::string atom;
  PutBe(atom, 8 + body.size(), 4);
  return atom + type + body;
}

// ftyp and a moov with its movie header only; TagLib adds udta/meta/ilst on save.
std::string MinimalMp4() {
  std::string ftyp = "M4A ";
  PutBe(ftyp, 0, 4);
  ftyp += "M4A isom";
  std::string mvhd(4 + 4 + 4, '\0');
  PutBe(mvhd, 1000, 4);  // time scale
  PutBe(mvhd, 2000, 4);  // duration
  PutBe(mvhd, 0x10000, 4);
  PutBe(mvhd, 0x100, 2);
  mvhd.append(10, '\0');
  for (const uint32_t m : {0x10000u, 0u, 0u, 0u, 0x10000u, 0u, 0u, 0u, 0x40000000u}) PutBe(mvhd, m, 4);
  mvhd.append(24, '\0');
  PutBe(mvhd, 2, 4);
  return Atom("ftyp", ftyp) + Atom("moov", Atom("mvhd", mvhd));
}

// PCM, 8 kHz mono 16 bits, 2 seconds of silence.
std::string MinimalWav() {
  std::string fmt;
  PutLe(fmt, 1, 2);
  PutLe(fmt, 1, 2);
  PutLe(fmt, 8000, 4);
  PutLe(fmt, 16000, 4);
  PutLe(fmt, 2, 2);
  PutLe(fmt, 16, 2);
  std::string body = "WAVEfmt ";
  PutLe(body, fmt.size(), 4);
  body += fmt + "data";
  PutLe(body, 32000, 4);
  body.append(32000, '\0');
  std::string riff = "RIFF";
  PutLe(riff, body.size(), 4);
  return riff + body;
}

TagLib::String Utf8(const std::string& text) {
  return TagLib::String(text, TagLib::String::UTF8);
}

// Tags the file through the tag type TagLib picks for its extension.
void TagFile(const fs::path& path, const AudioTags& tags) {
  TagLib::FileRef file(path.c_str());
  ASSERT_FALSE(file.isNull()) << path;
  file.tag()->setArtist(Utf8(tags.artist));
  file.tag()->setTitle(Utf8(tags.title));
  file.tag()->setAlbum(Utf8(tags.album));
  ASSERT_TRUE(file.save()) << path;
}

// Tags an mp3 with an ID3v2 tag only, so the ID3v1 limit of 30 bytes plays no part.
void TagMp3(const fs::path& path, const AudioTags& tags) {
  TagLib::MPEG::File file(path.c_str());
  ASSERT_TRUE(file.isValid());
  TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
  tag->setArtist(Utf8(tags.artist));
  tag->setTitle(Utf8(tags.title));
  tag->setAlbum(Utf8(tags.album));
  ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2));
}

struct TaggedCase {
  const char* name;
  const char* fileName;
  std::function<std::string()> audio;
  std::function<void(const fs::path&, const AudioTags&)> tag;
  int lengthSeconds;
};

TEST(AudioTags, ReadsWhatTagLibWrote) {
  const AudioTags written{"Artíst 歌手", "Title Ünïcode", "Album", -1};
  const std::vector<TaggedCase> cases = {
      {"ID3v2 in mp3", "song.mp3", MinimalMp3, TagMp3, 5},
      {"ID3v2 in mp3, upper-case name", "SONG.MP3", MinimalMp3, TagMp3, 5},
      {"Vorbis comment in ogg", "song.ogg", MinimalVorbis, TagFile, 4},
      {"Vorbis comment in oga", "song.oga", MinimalVorbis, TagFile, 4},
      {"Opus tags", "song.opus", MinimalOpus, TagFile, 3},
      {"FLAC", "song.flac", MinimalFlac, TagFile, 3},
      {"MP4", "song.m4a", MinimalMp4, TagFile, -1},
      {"WAV", "song.wav", MinimalWav, TagFile, 2},
  };
  for (const TaggedCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const fs::path path = dir / c.fileName;
    WriteBytes(path, c.audio());
    c.tag(path, written);
    const std::optional<AudioTags> read = ReadAudioTags(path);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->artist, written.artist);
    EXPECT_EQ(read->title, written.title);
    EXPECT_EQ(read->album, written.album);
    EXPECT_EQ(read->lengthSeconds, c.lengthSeconds);
  }
}

TEST(AudioTags, CleansHostileTexts) {
  struct Case {
    const char* name;
    std::string title;
    std::string expected;
  };
  // One ASCII byte first, so the byte limit falls inside a two-byte character.
  std::string huge = "a";
  for (int i = 0; i < 5 * 1024 * 1024; ++i) huge += "é";
  std::string cut = "a";
  while (cut.size() + 2 <= kMaxTagBytes) cut += "é";
  const std::vector<Case> cases = {
      {"a 10 MB title is cut at a character boundary", huge, cut},
      {"tabs and line breaks become spaces", "one\ttwo\r\nthree", "one two  three"},
      {"other control characters become spaces",
       "a\x01"
       "b\x1F"
       "c\x7F"
       "d",
       "a b c d"},
      {"spaces at the ends go", "  padded  ", "padded"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const fs::path path = dir / "hostile.mp3";
    WriteBytes(path, MinimalMp3());
    TagMp3(path, {"artist", c.title, "", -1});
    const std::optional<AudioTags> read = ReadAudioTags(path);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->title, c.expected);
    EXPECT_LE(read->title.size(), kMaxTagBytes);
    EXPECT_EQ(text::SanitizeUtf8(read->title), read->title);
    EXPECT_EQ(read->artist, "artist");
  }
}

// An ID3v2 header that claims a tag of 256 MB in a file of a few bytes.
std::string ClaimedHugeId3() {
  std::string bytes = "ID3\x04";
  bytes += '\0';
  bytes += '\0';
  bytes += "\x7F\x7F\x7F\x7F";
  return bytes + "TIT2\x7F\x7F\x7F\x7F" + std::string(16, 'x');
}

TEST(AudioTags, DamagedFilesGiveNothingOrEmptyTags) {
  struct Case {
    const char* name;
    const char* fileName;
    std::string bytes;
  };
  const std::string tagged = [] {
    TempDir dir;
    WriteBytes(dir / "t.mp3", MinimalMp3());
    TagMp3(dir / "t.mp3", {"artist", "title", "album", -1});
    return ReadBytes(dir / "t.mp3");
  }();
  std::vector<Case> cases = {
      {"empty mp3", "x.mp3", ""},
      {"ID3v2 claiming 256 MB", "x.mp3", ClaimedHugeId3()},
      {"mp3 cut inside its tag", "x.mp3", tagged.substr(0, 40)},
      {"flac cut inside STREAMINFO", "x.flac", MinimalFlac().substr(0, 20)},
      {"ogg cut inside its first page", "x.ogg", MinimalVorbis().substr(0, 40)},
      {"opus cut after the head", "x.opus", MinimalOpus().substr(0, 60)},
      {"m4a atom claiming 4 GB", "x.m4a", std::string("\xFF\xFF\xFF\xFFmoov", 8) + std::string(64, '\0')},
  };
  for (const char* name : {"x.mp3", "x.ogg", "x.oga", "x.opus", "x.flac", "x.m4a", "x.wma", "x.wav"}) {
    for (uint32_t seed = 1; seed <= 3; ++seed) cases.push_back({"random bytes", name, PatternBytes(8192, seed)});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.fileName);
    TempDir dir;
    WriteBytes(dir / c.fileName, c.bytes);
    const std::optional<AudioTags> read = ReadAudioTags(dir / c.fileName);
    if (read) {
      EXPECT_LE(read->title.size(), kMaxTagBytes);
      EXPECT_LE(read->lengthSeconds, kMaxLengthSeconds);
    }
  }
}

TEST(AudioTags, ReadsOnlyPlainFilesOfItsTypes) {
  TempDir dir;
  WriteBytes(dir / "tagged.mp3", MinimalMp3());
  TagMp3(dir / "tagged.mp3", {"artist", "title", "album", -1});
  const std::string tagged = ReadBytes(dir / "tagged.mp3");
  WriteBytes(dir / "tagged.txt", tagged);
  WriteBytes(dir / "tagged", tagged);
  WriteBytes(dir / "tagged.mp3.part", tagged);
  WriteBytes(dir / "untagged.flac", MinimalFlac());
  fs::create_directory(dir / "folder.mp3");
  ASSERT_EQ(::mkfifo((dir / "pipe.mp3").c_str(), 0600), 0);
  struct Case {
    const char* fileName;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"tagged.mp3", true},   {"tagged.txt", false}, {"tagged", false},   {"tagged.mp3.part", false},
      {"missing.mp3", false}, {"folder.mp3", false}, {"pipe.mp3", false},  // would block if it were opened for reading
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileName);
    EXPECT_EQ(ReadAudioTags(dir / c.fileName).has_value(), c.expected);
    EXPECT_EQ(IsAudioTagFile(c.fileName), std::string(c.fileName).ends_with(".mp3"));
  }
  // Without tags a known length is still worth showing.
  const std::optional<AudioTags> untagged = ReadAudioTags(dir / "untagged.flac");
  ASSERT_TRUE(untagged.has_value());
  EXPECT_EQ(*untagged, (AudioTags{"", "", "", 3}));
}

TEST(AudioTags, LengthText) {
  struct Case {
    int seconds;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {-1, ""},
      {-100, ""},
      {0, "0:00"},
      {5, "0:05"},
      {65, "1:05"},
      {599, "9:59"},
      {3599, "59:59"},
      {3600, "1:00:00"},
      {3661, "1:01:01"},
      {36000, "10:00:00"},
      {kMaxLengthSeconds, "2400:00:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(LengthText(c.seconds), c.expected) << c.seconds;
}

}  // namespace
}  // namespace vexon::library
