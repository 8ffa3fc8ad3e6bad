// What a stream's server sends, parsed: addresses and redirects, response heads fed in every split,
// playlists served in place of audio; ICY metadata split off across random reads, its titles, and the
// buffering and reconnect policy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "stream/http_response.h"
#include "stream/icy_metadata.h"
#include "stream/stream_playlist.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "stream/stream_policy.h"
#include "stream/stream_save.h"
#include "stream/stream_url.h"
#include "tests/test_files.h"

namespace {

// The head parsed at every length from nothing to all of `text`: no length before the head's end may
// decide differently from the whole, and a refusal stays a refusal.
int32_t ParseAtEverySplit(const std::string& text, ResponseHead* head) {
  const int32_t whole = ParseResponseHead(text.data(), int32_t(text.size()), head);
  for (size_t n = 0; n < text.size(); ++n) {
    ResponseHead part;
    const int32_t r = ParseResponseHead(text.data(), int32_t(n), &part);
    EXPECT_TRUE(r == 0 || r == whole) << "at " << n << " of " << text.substr(0, 40);
    EXPECT_TRUE(r != 1 || std::memcmp(&part, head, sizeof part) == 0) << "at " << n;
    if (r != 0) break;
  }
  return whole;
}

TEST(StreamParsingTest, AddressesRedirectsHeadsAndPlaylists) {
  struct UrlCase { const char* text; const char* host; int32_t port; const char* path; };
  const UrlCase urls[] = {
      {"HTTP://Radio.example.org", "Radio.example.org", 80, "/"},
      {"https://h:8443/live?sid=1#now", "h", 8443, "/live?sid=1"},
      {"http://h?x", "h", 80, "/?x"},
      {"http://[2001:db8::1]:65535/s", "2001:db8::1", 65535, "/s"},
      {"http://h/caf\xC3\xA9", "h", 80, "/caf%C3%A9"},  // the request line stays ASCII
      {"http://h:0/", nullptr, 0, nullptr},   {"http://h:65536/", nullptr, 0, nullptr},
      {"http://h:8x/", nullptr, 0, nullptr},  {"http:///p", nullptr, 0, nullptr},
      {"http://a b/", nullptr, 0, nullptr},   {"http://h/a\tb", nullptr, 0, nullptr},
      {"http://[::1/", nullptr, 0, nullptr},  {"http://user@h/", nullptr, 0, nullptr},
      {"ftp://h/", nullptr, 0, nullptr},      {"C:\\music\\a.mp3", nullptr, 0, nullptr},
  };
  for (const UrlCase& c : urls) {
    StreamUrl u;
    ASSERT_EQ(ParseStreamUrl(c.text, &u), c.host ? 1 : 0) << c.text;
    if (!c.host) continue;
    EXPECT_STREQ(u.host, c.host);
    EXPECT_EQ(u.port, c.port);
    EXPECT_STREQ(u.path, c.path);
  }
  StreamUrl longest;
  EXPECT_EQ(ParseStreamUrl(("http://h/" + std::string(2046, 'p')).c_str(), &longest), 1);
  EXPECT_EQ(ParseStreamUrl(("http://h/" + std::string(2047, 'p')).c_str(), &longest), 0);
  EXPECT_EQ(StreamUrlScheme("hTtPs://x"), 2);

  StreamUrl base;
  ASSERT_EQ(ParseStreamUrl("http://radio.example:8000/dir/sub/list.pls?q=1", &base), 1);
  const char* const redirects[][2] = {
      {"https://other/x", "https://other/x"},  {"  //mirror:81/y ", "http://mirror:81/y"},
      {"/top", "http://radio.example:8000/top"}, {"live.mp3", "http://radio.example:8000/dir/sub/live.mp3"},
      {"../up/./s", "http://radio.example:8000/dir/up/s"}, {"../../../../a", "http://radio.example:8000/a"},
      {"?q=2", "http://radio.example:8000/dir/sub/list.pls?q=2"}, {"http://[::1]:80/", "http://[::1]/"},
      {"ftp://h/", nullptr}, {"", nullptr}, {"http://", nullptr},
  };
  for (const auto& r : redirects) {
    char out[2048];
    ASSERT_EQ(ResolveStreamLocation(base, r[0], out, int32_t(sizeof out)), r[1] ? 1 : 0) << r[0];
    EXPECT_STREQ(r[1] ? out : nullptr, r[1]);
  }
  char small[16];
  EXPECT_EQ(ResolveStreamLocation(base, "/a-long-path", small, int32_t(sizeof small)), 0);

  // Heads, each at every split point.
  struct HeadCase { std::string text; int32_t result; int32_t status, interval, kbps; const char* type; const char* name; };
  // Heads of 101 header lines, and of exactly the most bytes a head may have and one more.
  std::string many = "HTTP/1.0 200 OK\r\n", full = many;
  for (int32_t i = 0; i < 101; ++i) many += "X: y\r\n";
  while (full.size() + 4002 < size_t(kResponseHeadMaxBytes)) full += "X: " + std::string(3995, 'f') + "\r\n";
  full += "Y: " + std::string(size_t(kResponseHeadMaxBytes) - full.size() - 7, 'f') + "\r\n\r\n";
  std::string over = full;
  over.insert(20, "z");
  const HeadCase heads[] = {
      {"ICY 200 OK\r\nicy-name:Caf\xE9 Radio\r\nICY-METAINT: 8192\r\nicy-br:128,128\r\n\r\nAUDIO", 1, 200, 8192, 128, "", "Caf\xC3\xA9 Radio"},
      {"HTTP/1.1 200 OK\nContent-Type: Audio/MPEG; charset=x\nicy-name: \xC3\xA9t\xC3\xA9\n\n", 1, 200, 0, 0, "audio/mpeg", "\xC3\xA9t\xC3\xA9"},
      {"HTTP/1.0 302 Found\r\nLocation: /elsewhere\r\nicy-metaint: 0\r\n\r\n", 1, 302, 0, 0, "", ""},
      {"HTTP/1.0 200\r\nicy-metaint  : 65536\r\n\r\n", 1, 200, 65536, 0, "", ""},
      {"HTTP/1.0 200 OK\r\nicy-metaint: 65537\r\n\r\n", -1, 0, 0, 0, "", ""},
      {"HTTP/1.0 200 OK\r\nicy-metaint: -5\r\n\r\n", -1, 0, 0, 0, "", ""},
      {"HTTP/1.0 200 OK\r\nicy-metaint:\r\n\r\n", -1, 0, 0, 0, "", ""},
      {"HTTP/2 200\r\n\r\n", -1, 0, 0, 0, "", ""},  {"ICY 2x0 OK\r\n\r\n", -1, 0, 0, 0, "", ""},
      {"\x89PNG binary junk", -1, 0, 0, 0, "", ""},  {many + "\r\n", -1, 0, 0, 0, "", ""},
      {"HTTP/1.0 200 OK\r\nX: " + std::string(kResponseLineMaxBytes, 'x'), -1, 0, 0, 0, "", ""},
      {full, 1, 200, 0, 0, "", ""},  {over, -1, 0, 0, 0, "", ""},
  };
  for (const HeadCase& c : heads) {
    ResponseHead h;
    ASSERT_EQ(ParseAtEverySplit(c.text, &h), c.result) << c.text.substr(0, 40);
    if (c.result != 1) continue;
    EXPECT_EQ(h.status, c.status);
    EXPECT_EQ(h.metaInterval, c.interval);
    EXPECT_EQ(h.bitrateKbps, c.kbps);
    EXPECT_STREQ(h.contentType, c.type);
    EXPECT_STREQ(h.stationName, c.name);
  }
  ResponseHead h;
  ASSERT_EQ(ParseResponseHead(heads[0].text.data(), int32_t(heads[0].text.size()), &h), 1);
  EXPECT_EQ(heads[0].text.substr(size_t(h.headBytes)), "AUDIO");
  ASSERT_EQ(ParseResponseHead(heads[2].text.data(), int32_t(heads[2].text.size()), &h), 1);
  EXPECT_STREQ(h.location, "/elsewhere");
  // Endless header lines are refused once the head passes its bound, without waiting for its end.
  std::string endless = "HTTP/1.0 200 OK\r\n";
  while (endless.size() <= size_t(kResponseHeadMaxBytes)) endless += "X-Pad: 0123456789\r\n";
  EXPECT_EQ(ParseResponseHead(endless.data(), int32_t(endless.size()), &h), -1);

  const char* const kinds[][3] = {
      {"audio/mpeg", "/a.pls", "0"}, {"", "/live", "0"}, {"application/octet-stream", "/x.M3U?s=1", "1"},
      {"", "/list.m3u8", "1"}, {"audio/x-scpls", "/", "1"}, {"application/vnd.apple.mpegurl", "/", "1"},
      {"text/plain", "/r.pls", "1"}, {"text/plain", "/r", "2"}, {"audio/aacp", "/a.mp3", "2"},
      {"application/ogg", "/", "2"}, {"text/html", "/x.pls", "2"}, {"AUDIO/MP3; x=1", "/", "0"},
  };
  for (const auto& k : kinds) EXPECT_EQ(ClassifyContent(k[0], k[1]), k[2][0] - '0') << k[0] << " " << k[1];

  // Playlists served in place of audio: only their stream addresses, PLS in the order of N.
  static char found[4][kStreamUrlBytes];
  const std::string pls = "\xEF\xBB\xBF[Playlist]\r\nFile3=http://c/3\r\nfile1=http://a:8000/1\r\nFile2=C:\\x.mp3\r\n"
                          "File10=http://d/10\r\nTitle1=x\r\nFile1=http://dup/\r\nNumberOfEntries=3\r\n";
  ASSERT_EQ(StreamPlaylistUrls(pls.data(), int32_t(pls.size()), found, 4), 3);
  EXPECT_STREQ(found[0], "http://a:8000/1");
  EXPECT_STREQ(found[1], "http://c/3");
  EXPECT_STREQ(found[2], "http://d/10");
  const std::string m3u = "#EXTM3U\n#EXTINF:-1,Radio\nhttp://one/s\r\n\r\nrelative.mp3\n  https://two/  \rftp://x/\nhttp://3/\n";
  ASSERT_EQ(StreamPlaylistUrls(m3u.data(), int32_t(m3u.size()), found, 2), 2);
  EXPECT_STREQ(found[0], "http://one/s");
  EXPECT_STREQ(found[1], "https://two/");
  EXPECT_EQ(StreamPlaylistUrls("<html>\0http://x/", 16, found, 4), 0);
}

TEST(StreamParsingTest, IcyMetadataAcrossReadsTitlesAndPolicy) {
  // An ICY stream of audio and blocks of every kind, and the audio it holds.
  const int32_t interval = 1000;
  std::mt19937 random(17);
  std::vector<uint8_t> stream, audio;
  const std::string blocks[] = {"StreamTitle='First';", "", "StreamTitle='Second';StreamUrl='';", std::string(4080, 'j')};
  std::vector<std::pair<size_t, const char*>> blockEnds;  // where each non-empty block ends; its title
  for (int32_t i = 0; i < 12; ++i) {
    for (int32_t k = 0; k < interval; ++k) audio.push_back(uint8_t(random())), stream.push_back(audio.back());
    const std::string& b = blocks[i % 4];
    const size_t padded = (b.size() + 15) / 16 * 16;
    stream.push_back(uint8_t(padded / 16));
    stream.insert(stream.end(), b.begin(), b.end());
    stream.insert(stream.end(), padded - b.size(), 0);
    if (!b.empty()) blockEnds.emplace_back(stream.size(), i % 4 == 3 ? nullptr : i % 4 ? "Second" : "First");
  }
  for (int32_t run = 0; run < 60; ++run) {
    IcyDemux demux;
    IcyDemuxStart(&demux, interval);
    std::vector<uint8_t> out;
    std::vector<std::string> titles, expected;
    for (size_t at = 0; at < stream.size();) {
      // Reads of 1 byte, a few, or thousands, as a socket delivers them.
      const size_t want = run == 0 ? 1 : size_t(random() % (run % 3 == 0 ? 7 : 6000)) + 1;
      std::vector<uint8_t> read(stream.begin() + long(at), stream.begin() + long(std::min(stream.size(), at + want)));
      // The title of the last block that ends in this read, if it has one.
      const char* latest = nullptr;
      bool ends = false;
      for (const auto& e : blockEnds) {
        if (e.first > at && e.first <= at + read.size()) latest = e.second, ends = true;
      }
      if (latest) expected.push_back(latest);
      at += read.size();
      int32_t done = 0;
      const int32_t n = IcyDemuxBytes(&demux, read.data(), int32_t(read.size()), &done);
      out.insert(out.end(), read.begin(), read.begin() + n);
      char title[64];
      EXPECT_EQ(done, ends ? 1 : 0);
      if (done && IcyStreamTitle(demux.meta, demux.metaLength, title, int32_t(sizeof title))) titles.push_back(title);
    }
    ASSERT_EQ(out, audio) << "run " << run;
    // A read that completes several blocks holds the latest of them.
    EXPECT_EQ(titles, expected) << "run " << run;
    EXPECT_TRUE(run != 0 || titles.size() == 6u) << "byte by byte, every title";
  }

  struct TitleCase { std::string block; int32_t size; int32_t result; const char* title; };
  const TitleCase titles[] = {
      {"StreamTitle='Caf\xC3\xA9 \xE2\x80\x94 Song';StreamUrl='x';", 64, 1, "Caf\xC3\xA9 \xE2\x80\x94 Song"},
      {std::string("StreamTitle='Caf\xE9 \x80';\0\0\0", 21), 64, 1, "Caf\xC3\xA9 \xE2\x82\xAC"},  // Windows-1252
      {"StreamTitle='Rock 'n' Roll", 64, 1, "Rock 'n' Roll"},  // no closing "';": to the block's end
      {"StreamTitle='Cut';", 64, 1, "Cut"},
      {"StreamTitle='\xC3\xA9\xC3\xA9\xC3\xA9';", 6, 1, "\xC3\xA9\xC3\xA9"},  // cut before a split character
      {" ; StreamTitle='A\tB';", 64, 1, "A B"},
      {"XStreamTitle='No';", 64, 0, "unchanged"},
      {std::string("StreamUrl='x';\0StreamTitle='Hidden';", 36), 64, 0, "unchanged"},
      {"StreamTitle='';", 64, 1, ""},
  };
  for (const TitleCase& c : titles) {
    char out[64] = "unchanged";
    EXPECT_EQ(IcyStreamTitle(reinterpret_cast<const uint8_t*>(c.block.data()), int32_t(c.block.size()), out, c.size),
              c.result) << c.block;
    EXPECT_STREQ(out, c.title);
  }

  // Buffering falls as the connection gets faster; the reconnect waits double up to 30 s, then stop.
  EXPECT_EQ(PrebufferMs(kConnectionSpeeds[0]), 8000);
  EXPECT_EQ(PrebufferMs(128000), 2000);
  EXPECT_EQ(PrebufferMs(0), 8000);
  EXPECT_EQ(PrebufferMs(1000000), 2000);
  for (size_t i = 1; i < sizeof kConnectionSpeeds / sizeof kConnectionSpeeds[0]; ++i) {
    EXPECT_LT(PrebufferMs(kConnectionSpeeds[i]), PrebufferMs(kConnectionSpeeds[i - 1]));
    EXPECT_EQ(PrebufferMs(kConnectionSpeeds[i] - 1), PrebufferMs(kConnectionSpeeds[i - 1]));
  }
  EXPECT_EQ(PrebufferBytes(2000, 128, 1 << 20), 32000);
  EXPECT_EQ(PrebufferBytes(8000, 0, 1 << 20), 128000);
  EXPECT_EQ(PrebufferBytes(8000, 320, 65536), 65536);
  const int32_t waits[] = {1000, 2000, 4000, 8000, 16000, 30000, -1, -1};
  for (int32_t a = 1; a <= 8; ++a) EXPECT_EQ(ReconnectDelayMs(a, 100), waits[a - 1]) << a;
  EXPECT_EQ(ReconnectDelayMs(6, 10), 3000);
  EXPECT_EQ(ReconnectDelayMs(7, 10), -1);
}

// Server text as a file name: always a plain, non-empty name a Windows folder takes, within its length;
// a new file never replaces one that exists.
TEST(StreamParsingTest, SafeSaveNamesAndNewFilesBesideExistingOnes) {
  const std::pair<std::string, std::string> cases[] = {
      {"Radio - Song", "Radio - Song.mp3"}, {"../x", "_x.mp3"}, {"..", "stream.mp3"}, {"", "stream.mp3"},
      {"CON", "_CON.mp3"}, {"nul.txt", "_nul.txt.mp3"}, {"LPT9  ", "_LPT9.mp3"}, {"com1 .x", "_com1 .x.mp3"},
      {"COM0", "COM0.mp3"}, {"CONSOLE", "CONSOLE.mp3"}, {"a:b*c", "a_b_c.mp3"}, {"<>\"/\\|?*", "________.mp3"},
      {" .hidden. . ", "hidden.mp3"}, {"x\x01\x7Fy\tz", "x__y_z.mp3"}, {"Fïrst \xF0\x9F\x8E\xB5", "Fïrst \xF0\x9F\x8E\xB5.mp3"},
      {"bad\xFF" "byte", "bad\xEF\xBF\xBD" "byte.mp3"}};
  for (const auto& [stem, expected] : cases) {
    char name[64];
    SafeFileName(stem.c_str(), ".mp3", 60, name, sizeof name);
    EXPECT_EQ(std::string(name), expected) << stem;
  }
  // A long title is cut to the units given, on a character's boundary, without a trailing blank or dot.
  std::string longTitle;
  for (int i = 0; i < 150; ++i) longTitle += i == 97 ? ". " : "\xC3\xA9";
  char name[kPathBytes];
  ASSERT_GT(SafeFileName(longTitle.c_str(), ".mp3", 102, name, sizeof name), 0);
  EXPECT_EQ(std::string(name), std::string(longTitle, 0, 2 * 97) + ".mp3");
  EXPECT_EQ(SafeFileName("x", ".mp3", 10, name, sizeof name), 0) << "no room for a name";

  // Beside an existing file a number is added, the file left as it is; a path that would pass the longest
  // a path may be is cut in its name; a missing folder makes nothing.
  const std::string folder = ScratchPath("saved-names");
  const std::string deep = folder + "/" + std::string(218 - folder.size(), 'd');  // 40 units left
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(deep);
  WriteWholeFile(folder + "/Station - CON.mp3", {1, 2, 3});
  char path[kPathBytes];
  intptr_t file = CreateSaveFile(folder.c_str(), "Station - CON", ".mp3", path);
  ASSERT_NE(file, kNoFile);
  EXPECT_EQ(FileWrite(file, "ab", 2), 1);
  FileClose(file);
  EXPECT_EQ(std::string(path), folder + kPathSeparator + "Station - CON (2).mp3");
  EXPECT_EQ(ReadWholeFile(folder + "/Station - CON.mp3"), (std::vector<uint8_t>{1, 2, 3}));
  file = CreateSaveFile(deep.c_str(), longTitle.c_str(), ".mp3", path);
  ASSERT_NE(file, kNoFile);
  FileClose(file);
  EXPECT_TRUE(Utf16Length(path) + 6 >= kMaxPathUnits - 1 && Utf16Length(path) + 6 <= kMaxPathUnits) << path;
  EXPECT_EQ(CreateSaveFile((folder + "/gone").c_str(), "x", ".mp3", path), kNoFile);
  EXPECT_STREQ(path, "");
}

}  // namespace
