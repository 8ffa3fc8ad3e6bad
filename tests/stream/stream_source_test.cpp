// The stream source against a scripted server on the loopback address: served audio decodes as the file
// does (HTTP and ICY, titles, redirects, a served playlist), bad servers end with a reason and never
// hang, a drop is reconnected into the same ring, and StreamAbort ends every wait at once.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playlist/playlist.h"
#include "playlist/remote_tags.h"
#include "stream/remote_tag.h"
#include "stream/stream_save.h"
#include "stream/stream_source.h"
#include "tests/decode_file.h"
#include "tests/external_tools.h"
#include "tests/test_files.h"

namespace {

using Clock = std::chrono::steady_clock;
int64_t MsSince(Clock::time_point t) { return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count(); }

// Serves one connection after another; `serve` gets the socket, the connection's number and the request.
struct ScriptedServer {
  using Serve = std::function<void(int fd, int connection, const std::string& request)>;
  int listenFd = -1;
  int port = 0;
  std::atomic<bool> stop{false};
  std::thread thread;
  std::mutex lock;
  std::vector<std::string> requests;

  ScriptedServer(Serve serve, int backlog = 16) {
    listenFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listenFd, backlog);
    getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    if (!serve) return;  // never accepts
    thread = std::thread([this, serve] {
      for (int connection = 0; !stop;) {
        pollfd p{listenFd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        const int fd = accept(listenFd, nullptr, nullptr);
        if (fd < 0) continue;
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 8192 && Readable(fd, 2000)) {
          const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
          if (got <= 0) break;
          request.append(buffer, size_t(got));
        }
        {
          std::lock_guard<std::mutex> hold(lock);
          requests.push_back(request);
        }
        serve(fd, connection++, request);
        close(fd);
      }
    });
  }
  ~ScriptedServer() {
    stop = true;
    if (thread.joinable()) thread.join();
    close(listenFd);
  }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> hold(lock);
    return requests;
  }
  static bool Readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, ms) > 0;
  }
  // Sends everything; false when the client has gone.
  static bool Send(int fd, const std::string& bytes) {
    for (size_t at = 0; at < bytes.size();) {
      const ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
      if (n <= 0) return false;
      at += size_t(n);
    }
    return true;
  }
  // Sends nothing until the client closes (or `ms` pass, or the server stops).
  void Stall(int fd, int ms) {
    const auto start = Clock::now();
    char byte;
    while (!stop && MsSince(start) < ms) {
      if (Readable(fd, 20) && recv(fd, &byte, 1, 0) <= 0) return;
    }
  }
};

std::string Head(const std::string& status, const std::string& fields) { return status + "\r\n" + fields + "\r\n"; }
std::string Audio(const std::string& body) {
  return Head("HTTP/1.0 200 OK", "Content-Type: audio/mpeg\r\nContent-Length: " + std::to_string(body.size()) + "\r\n") + body;
}

// ICY metadata every `interval` audio bytes: a title block where `titles` has one, else an empty block.
std::string WithMetadata(const std::string& audio, size_t interval, const std::vector<std::string>& titles) {
  std::string out;
  for (size_t at = 0, block = 0; at < audio.size(); at += interval, ++block) {
    out += audio.substr(at, interval);
    if (at + interval > audio.size()) break;
    std::string meta = block < titles.size() && !titles[block].empty() ? "StreamTitle='" + titles[block] + "';" : "";
    meta.resize((meta.size() + 15) / 16 * 16, '\0');
    out += char(meta.size() / 16) + meta;
  }
  return out;
}

std::string TitleNow(int32_t* count = nullptr) {
  char title[512];
  const int32_t n = StreamTitle(title, sizeof title);
  if (count) *count = n;
  return title;
}
std::string ErrorNow() {
  char text[256];
  StreamError(text, sizeof text);
  return text;
}
// StreamSaveError or StreamSavedFile: the text, and its count in `count`.
std::string SaveNews(int32_t (*read)(char*, int32_t), int32_t* count) {
  char text[kPathBytes + 128];
  *count = read(text, sizeof text);
  return text;
}
// An empty folder `name` in the scratch folder, as the download path.
std::string SaveFolder(const std::string& name) {
  const std::string folder = ScratchPath(name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::snprintf(gStreamSave.folder, sizeof gStreamSave.folder, "%s", folder.c_str());
  gStreamSave.mode = kPlayAndSave;
  return folder;
}
std::string Contents(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

class StreamSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"sox", "lame"}) ASSERT_TRUE(HaveProgram(tool)) << tool << " is missing";
    const std::string wav = ScratchPath("stream-tone.wav");
    mp3_ = ScratchPath("stream-tone.mp3");
    // Without a header frame (-t): a stream's decoding has no gapless trim, and the file's then has none.
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 '" + wav + "' synth 4 sine 440 sine 660 vol 0.5"), 0);
    ASSERT_EQ(RunCommand("lame --quiet -t -b 128 '" + wav + "' '" + mp3_ + "'"), 0);
    const std::vector<uint8_t> bytes = ReadWholeFile(mp3_);
    audio_.assign(bytes.begin(), bytes.end());
    reference_ = DecodeFileToPcm(mp3_, DecodeOptions{});
    ASSERT_EQ(reference_.result, kTrackDone);
  }
  void TearDown() override {
    gStreamOptions = saved_;
    gStreamSave = StreamSaveOptions{};
  }
  DecodedFile Decode(const std::string& url) { return DecodeFileToPcm(url, DecodeOptions{}); }

  StreamOptions saved_ = gStreamOptions;
  std::string mp3_, audio_;
  DecodedFile reference_;
};

TEST_F(StreamSourceTest, ServedAudioDecodesAsTheFileDoesThroughHeadsTitlesRedirectsAndPlaylists) {
  std::string plsBody;
  ScriptedServer server([&](int fd, int, const std::string& request) {
    const std::string path = request.substr(4, request.find(' ', 4) - 4);
    if (path == "/plain.mp3") {
      ScriptedServer::Send(fd, Audio(audio_));
    } else if (path == "/icy") {
      // Titles in blocks 2, 5 and 9; station name first; an empty block changes nothing.
      const std::string body = WithMetadata(audio_, 5000, {"", "", "Fïrst", "", "", "Second", "", "", "", "Third"});
      ScriptedServer::Send(fd, Head("ICY 200 OK", "icy-name: Loopback FM\r\nicy-metaint: 5000\r\ncontent-type: audio/mpeg\r\n"
                                                  "Content-Length: " + std::to_string(body.size()) + "\r\n") + body);
    } else if (path.rfind("/hop", 0) == 0) {
      const int hop = std::stoi(path.substr(4));
      ScriptedServer::Send(fd, Head("HTTP/1.1 302 Found", hop == 0 ? "Location: /plain.mp3\r\n"
                                                                   : "Location: /hop" + std::to_string(hop - 1) + "\r\n"));
    } else if (path == "/list.pls") {
      ScriptedServer::Send(fd, Head("HTTP/1.0 200 OK", "Content-Type: audio/x-scpls\r\n") + plsBody);
    } else if (path == "/to-https") {
      ScriptedServer::Send(fd, Head("HTTP/1.1 301 Moved Permanently", "Location: https://127.0.0.1:1/x.mp3\r\n"));
    } else if (path == "/aac") {
      ScriptedServer::Send(fd, Head("HTTP/1.0 200 OK", "Content-Type: audio/aacp\r\n") + audio_.substr(0, 4000));
    } else {
      ScriptedServer::Send(fd, Head("HTTP/1.0 404 Not Found", ""));
    }
  });
  plsBody = "[playlist]\nNumberOfEntries=2\nFile1=" + server.Url("/gone") + "\nFile2=" + server.Url("/plain.mp3") + "\n";

  // Plain HTTP/1.0: the same samples as the file, and a request as the client sends it.
  const DecodedFile plain = Decode(server.Url("/plain.mp3"));
  EXPECT_EQ(plain.result, kTrackDone);
  EXPECT_EQ(plain.pcm, reference_.pcm);
  const std::string request = server.Requests().at(0);
  for (const std::string& field : {std::string("GET /plain.mp3 HTTP/1.0\r\n"), "Host: 127.0.0.1:" + std::to_string(server.port),
                                  std::string("User-Agent: zav/0.77\r\n"), std::string("Accept: */*\r\n"),
                                  std::string("Icy-MetaData: 1\r\n")})
    EXPECT_NE(request.find(field), std::string::npos) << field << " in " << request;
  EXPECT_EQ(ErrorNow(), "");

  // ICY: the metadata is split off (same samples), the station name, then each new title, counts up.
  int32_t before = 0, after = 0;
  TitleNow(&before);
  const DecodedFile icy = Decode(server.Url("/icy"));
  EXPECT_EQ(icy.pcm, reference_.pcm);
  EXPECT_EQ(TitleNow(&after), "Third");
  EXPECT_EQ(after - before, 4) << "station name and three titles";

  // Five redirects are followed (without asking for metadata when that is off); a sixth is refused.
  gStreamOptions.extraServerData = 0;
  EXPECT_EQ(Decode(server.Url("/hop4")).pcm, reference_.pcm);
  EXPECT_EQ(server.Requests().back().find("Icy-MetaData"), std::string::npos);
  EXPECT_EQ(Decode(server.Url("/hop5")).result, kTrackNoFrames);
  EXPECT_NE(ErrorNow().find("redirected"), std::string::npos) << ErrorNow();

  // A served playlist: its first entry fails, the second plays.
  EXPECT_EQ(Decode(server.Url("/list.pls")).pcm, reference_.pcm);

  // What is not MPEG audio ends with its content type named. An https:// address, and a redirect to one,
  // end at once in this build, before any connection is tried.
  EXPECT_EQ(Decode(server.Url("/aac")).result, kTrackNoFrames);
  EXPECT_EQ(ErrorNow(), "This stream is not MPEG audio (audio/aacp).");
  const size_t asked = server.Requests().size();
  const auto began = Clock::now();
  for (const std::string& url : {std::string("https://127.0.0.1:1/x.mp3"), server.Url("/to-https")}) {
    EXPECT_EQ(Decode(url).result, kTrackNoFrames);
    EXPECT_EQ(ErrorNow(), "HTTPS streams need the Windows build; this build plays http:// streams only.");
  }
  EXPECT_LT(MsSince(began), 2000);
  EXPECT_EQ(server.Requests().size(), asked + 1) << "only the redirect was asked for";

  // zavdec decodes the address as a file, for as many seconds as asked.
  const std::string wav = ScratchPath("stream-seconds.wav");
  ASSERT_EQ(RunCommand(std::string("'") + ZAVDEC_PATH + "' --seconds 1.5 '" + server.Url("/icy") + "' '" + wav + "' 2>/dev/null"), 0);
  const std::vector<int16_t> seconds = ReadPcm16(wav, 44);
  ASSERT_EQ(seconds.size(), size_t(66150 * 2));
  EXPECT_TRUE(std::equal(seconds.begin(), seconds.end(), reference_.pcm.begin()));
}

TEST_F(StreamSourceTest, BadServersDropsAndAbortsEndPromptlyWithoutHangingOrGarbage) {
  gStreamOptions.reconnectScale = 1;  // back-off 10, 20, 40 … 300 ms
  gStreamOptions.stallMs = 400;
  const size_t half = audio_.size() / 2 + 77;  // inside a frame
  std::map<std::string, int> served;  // connections per path
  ScriptedServer server([&](int fd, int, const std::string& request) {
    const std::string path = request.substr(4, request.find(' ', 4) - 4);
    const int connection = served[path]++;
    std::string junk(4080, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = char(i * 37 + 11);
    if (path == "/headers") {  // endless header lines
      ScriptedServer::Send(fd, "HTTP/1.0 200 OK\r\n");
      for (int i = 0; i < 100000 && ScriptedServer::Send(fd, "X-Padding: 0123456789\r\n"); ++i) {
      }
    } else if (path == "/junk") {
      ScriptedServer::Send(fd, junk);
    } else if (path == "/meta0" || path == "/metahuge") {
      const std::string interval = path == "/meta0" ? "0" : "2147483647";
      ScriptedServer::Send(fd, Head("ICY 200 OK", "icy-metaint: " + interval + "\r\nContent-Length: " +
                                                      std::to_string(audio_.size()) + "\r\n") + audio_);
    } else if (path == "/meta255") {  // a full-length block of binary junk among the audio
      std::string body = WithMetadata(audio_, 5000, {});
      body.replace(5000, 1, char(255) + junk);
      ScriptedServer::Send(fd, Head("ICY 200 OK", "icy-metaint: 5000\r\nContent-Length: " + std::to_string(body.size()) +
                                                      "\r\n") + body);
    } else if (path == "/stall" || path == "/close") {
      // The first connection stops mid-frame (stalls, or closes); the next goes on: where it stopped
      // after a stall, a few frames later after a close (the reader resyncs).
      const size_t resume = path == "/stall" ? half : half + 2000;
      if (connection % 2 == 0) {
        ScriptedServer::Send(fd, Head("ICY 200 OK", "") + audio_.substr(0, half));
        if (path == "/stall") server.Stall(fd, 5000);
      } else {
        const std::string rest = audio_.substr(resume);
        ScriptedServer::Send(fd, Head("ICY 200 OK", "Content-Length: " + std::to_string(rest.size()) + "\r\n") + rest);
      }
    } else if (path == "/drops") {  // plays a little, then every reconnect fails
      if (connection == 0) ScriptedServer::Send(fd, Head("ICY 200 OK", "") + audio_.substr(0, 40000));
    } else if (path == "/drop") {  // plays a little and closes, every time
      ScriptedServer::Send(fd, Head("ICY 200 OK", "") + audio_.substr(0, 40000));
    } else if (path == "/silent") {
      server.Stall(fd, 5000);
    }
  });

  // Bad answers end at once with a reason, never with noise.
  for (const char* path : {"/headers", "/junk", "/metahuge"}) {
    const auto start = Clock::now();
    const DecodedFile d = Decode(server.Url(path));
    EXPECT_EQ(d.info.frames, 0) << path;
    EXPECT_NE(ErrorNow(), "") << path;
    EXPECT_LT(MsSince(start), 3000) << path;
  }
  // A zero interval means no metadata; a 255-long block of junk is taken out whole.
  EXPECT_EQ(Decode(server.Url("/meta0")).pcm, reference_.pcm);
  EXPECT_EQ(Decode(server.Url("/meta255")).pcm, reference_.pcm);

  // A stall is dropped and reconnected into the same ring: nothing lost, nothing doubled.
  const auto stallStart = Clock::now();
  EXPECT_EQ(Decode(server.Url("/stall")).pcm, reference_.pcm);
  EXPECT_GE(MsSince(stallStart), 400);
  EXPECT_EQ(ErrorNow(), "");
  // A close mid-frame: the reader resyncs on the next connection's bytes; only the skipped frames are
  // missing (2000 bytes and the cut frame: at most 7 of 418-byte frames), and the end sounds as the
  // file's (within the last bit of rounding the different history leaves).
  const DecodedFile closed = Decode(server.Url("/close"));
  EXPECT_EQ(ErrorNow(), "");
  EXPECT_GE(closed.info.frames, reference_.info.frames - 7);
  EXPECT_LT(closed.info.frames, reference_.info.frames);
  const Difference tail = Compare(std::vector<int16_t>(closed.pcm.end() - 20000, closed.pcm.end()),
                                  std::vector<int16_t>(reference_.pcm.end() - 20000, reference_.pcm.end()));
  EXPECT_LE(tail.max, 1) << "rms " << tail.rms << ", " << closed.pcm.size() << " vs " << reference_.pcm.size();
  // Reconnecting gives up after its schedule, with a reason, and the audio it had plays out.
  const auto dropStart = Clock::now();
  const DecodedFile dropped = Decode(server.Url("/drops"));
  EXPECT_GT(dropped.info.frames, 80);
  EXPECT_NE(ErrorNow().find("gave up"), std::string::npos) << ErrorNow();
  EXPECT_LT(MsSince(dropStart), 5000);

  // A read waits about a frame, then says "nothing yet"; StreamAbort ends a read, a connect and a
  // back-off within 100 ms, and reads then return 0.
  ScriptedServer full(nullptr, 0);  // never accepts: the second connect waits in the queue
  int queued = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{AF_INET, htons(uint16_t(full.port)), {htonl(INADDR_LOOPBACK)}, {}};
  connect(queued, reinterpret_cast<sockaddr*>(&address), sizeof address);
  gStreamOptions.reconnectScale = 100;  // a 1 s back-off after the drop
  gStreamOptions.stallMs = 0;           // 15 s
  for (const std::string& url : {server.Url("/silent"), full.Url("/"), server.Url("/drop")}) {
    ByteSource source{};
    ASSERT_EQ(StreamOpen(url.c_str(), &source), 1);
    char buffer[4096];
    const auto readStart = Clock::now();
    EXPECT_EQ(source.functions->read(source.handle, buffer, sizeof buffer), -1) << url;
    EXPECT_LT(MsSince(readStart), 80) << url;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(ErrorNow(), "") << url << ": still connecting, reading or backing off";
    EXPECT_EQ(StreamBuffering(), 1) << url;
    const auto abortStart = Clock::now();
    StreamAbort();
    const int64_t abortMs = MsSince(abortStart);
    EXPECT_LT(abortMs, 100) << url;
    std::printf("StreamAbort on %s: %lld ms\n", url.c_str(), static_cast<long long>(abortMs));
    EXPECT_EQ(source.functions->read(source.handle, buffer, sizeof buffer), 0);
    EXPECT_EQ(StreamBuffering(), 0);
    source.functions->close(source.handle);
  }
  close(queued);
}

TEST_F(StreamSourceTest, PlayAndSaveWritesEachTitlesAudioToASafeNameAndStopsOnceWhenTheFolderOrDiskFails) {
  const std::string longTitle(300, 'L');
  std::string folder;
  ScriptedServer server([&](int fd, int, const std::string& request) {
    const std::string path = request.substr(4, request.find(' ', 4) - 4);
    if (path == "/titles" || path == "/gone") {
      const bool gone = path == "/gone";
      const std::string body = WithMetadata(audio_, 4000, gone ? std::vector<std::string>{"", "one", "", "two", "", "", "three"}
                                                               : std::vector<std::string>{"", "", "../x", "", "", "CON", "", "",
                                                                                          "", longTitle, "", "", "a:b*c"});
      const size_t cut = gone ? body.find("'two'") + 32 : body.size();  // through the block that names "two"
      ScriptedServer::Send(fd, Head("ICY 200 OK", "icy-metaint: 4000\r\nContent-Length: " + std::to_string(body.size()) +
                                                      "\r\n") + body.substr(0, cut));
      // The folder goes once the first title's file is there; the next title's file cannot be made.
      for (int i = 0; gone && i < 300 && !FileExists(folder + "/one.mp3"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (gone) std::filesystem::remove_all(folder);
      ScriptedServer::Send(fd, body.substr(cut));
    } else {
      ScriptedServer::Send(fd, Audio(audio_));
    }
  });

  // Every audio byte is saved once, metadata removed, a piece per title; the first piece holds the audio
  // before the first title too. The titles' names are made safe, inside the download path.
  folder = SaveFolder("saved-titles");
  EXPECT_EQ(Decode(server.Url("/titles")).pcm, reference_.pcm);
  EXPECT_TRUE(Contents(folder + "/_x.mp3") == audio_.substr(0, 24000));
  EXPECT_TRUE(Contents(folder + "/_CON.mp3") == audio_.substr(24000, 16000));
  std::string cut;  // the long title, cut so that the path stays within bounds with a number added
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().filename().string()[0] == 'L') cut = entry.path().string();
  EXPECT_TRUE(cut.size() + 6 <= size_t(kMaxPathUnits) && cut.size() > 200 && cut.substr(cut.size() - 4) == ".mp3") << cut;
  EXPECT_TRUE(Contents(cut) == audio_.substr(40000, 12000));
  EXPECT_TRUE(Contents(folder + "/a_b_c.mp3") == audio_.substr(52000));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 4);

  // A file URL is saved whole under its own name, again beside the first; the download is told of.
  int32_t savedBefore = 0, saved = 0;
  SaveNews(StreamSavedFile, &savedBefore);
  for (const char* name : {"/song%20one.mp3", "/song%20one.mp3?x=1", "/run.exe"}) EXPECT_EQ(Decode(server.Url(name)).pcm, reference_.pcm);
  EXPECT_TRUE(Contents(folder + "/song one.mp3") == audio_);
  EXPECT_TRUE(Contents(folder + "/song one (2).mp3") == audio_);
  EXPECT_EQ(SaveNews(StreamSavedFile, &saved), folder + "/run.exe.mp3") << "no program saved";
  EXPECT_EQ(saved - savedBefore, 3);

  // The folder gone mid-stream, then a full disk: saving stops with one reason each, naming where, and
  // the music goes on whole.
  int32_t errorsBefore = 0, errors = 0;
  SaveNews(StreamSaveError, &errorsBefore);
  folder = SaveFolder("saved-gone");
  EXPECT_EQ(Decode(server.Url("/gone")).pcm, reference_.pcm);
  EXPECT_NE(SaveNews(StreamSaveError, &errors).find(folder), std::string::npos) << folder;
  EXPECT_EQ(errors - errorsBefore, 1);
  folder = SaveFolder("saved-full");
  rlimit limit{}, small{20000, 20000};
  getrlimit(RLIMIT_FSIZE, &limit);
  small.rlim_max = limit.rlim_max;
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const DecodedFile full = Decode(server.Url("/full.mp3"));
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(full.pcm, reference_.pcm);
  EXPECT_NE(SaveNews(StreamSaveError, &errors).find(folder + "/full.mp3"), std::string::npos) << folder;
  EXPECT_EQ(errors - errorsBefore, 2);
}

// "Check For 'TAG' file on server": the tail comes by a range request, a server that sends the whole file
// is not read on, and the tag titles the added entry.
TEST_F(StreamSourceTest, TheTagCheckReadsAServedFilesTailByRangeAndTitlesItsEntry) {
  std::string tag = "TAG" + std::string("Remote Title").append(18, ' ') + std::string("Remote Artist").append(17, ' ');
  tag.resize(127, '\0');
  tag += char(17);
  const std::string tagged = audio_ + tag;
  ScriptedServer server([&](int fd, int, const std::string& request) {
    const std::string path = request.substr(4, request.find(' ', 4) - 4);
    const bool range = request.find("\r\nRange: bytes=-128\r\n") != std::string::npos;
    if (path == "/whole.mp3" || !range) {  // the range ignored: the whole file, and more
      ScriptedServer::Send(fd, Audio(tagged + std::string(4 << 20, 'x')));
    } else {
      const std::string tail = path == "/tagged.mp3" ? tagged.substr(tagged.size() - 128) : audio_.substr(0, 128);
      ScriptedServer::Send(fd, Head("HTTP/1.1 206 Partial Content", "Content-Range: bytes " + std::to_string(tagged.size() - 128) +
                                   "-" + std::to_string(tagged.size() - 1) + "/" + std::to_string(tagged.size()) +
                                   "\r\nContent-Length: 128\r\n") + tail);
    }
  });
  for (const auto& [url, audio] : std::vector<std::pair<const char*, int32_t>>{
           {"http://h/a.mp3", 1}, {"http://h:81/d/b.MP2?x=1", 1}, {"http://h/stream", 0}, {"http://h/.mp3", 0}, {"https://h/a.mp3", 0}})
    EXPECT_EQ(IsAudioFileUrl(url), audio) << url;

  // Added with the check on: the tagged entry is titled, the others keep their addresses.
  gStreamSave.checkTag = 1;
  ClearPlaylist();
  for (const char* path : {"/notag.mp3", "/tagged.mp3", "/whole.mp3"}) ASSERT_EQ(AddTrack(server.Url(path).c_str()), 1);
  gStreamSave.checkTag = 0;
  ASSERT_EQ(AddTrack(server.Url("/tagged.mp3?again").c_str()), 1);
  for (int i = 0; i < 300 && server.Requests().size() < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the last answer taken in
  EXPECT_EQ(ApplyRemoteTags(), 1);
  PlaylistEntry entry;
  for (int32_t i = 0; i < 4; ++i) {
    ASSERT_EQ(CopyEntryAt(i, &entry), 1);
    EXPECT_EQ(entry.tag.present, i == 1) << entry.path;
  }
  CopyEntryAt(1, &entry);
  EXPECT_EQ(std::string(entry.tag.artist) + " / " + entry.tag.title + " / " + entry.tag.genreName, "Remote Artist / Remote Title / Rock");
  EXPECT_EQ(server.Requests().size(), 3u) << "one request for each fetch, none for the entry added with the check off";
  ClearPlaylist();
}

}  // namespace
