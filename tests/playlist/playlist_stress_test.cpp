// One thread edits the playlist (add, delete, sort, shuffle, walk, clear) while two others read the
// current entry as the Decode thread and the song-name display do. Every copy a reader gets must be one
// whole track: its path one of the files, and its duration, bitrate and tag those of that file.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "playlist/playlist.h"
#include "settings/settings.h"
#include "tests/playlist/playlist_test_support.h"
#include "tests/settings_guard.h"

namespace {

constexpr int kFiles = 6;
constexpr auto kRunTime = std::chrono::seconds(3);

struct Tracks {
  std::vector<std::string> paths;
  // Index of the file `path` names, or -1.
  int Find(const char* path) const {
    for (int k = 0; k < kFiles; ++k) {
      if (paths[size_t(k)] == path) return k;
    }
    return -1;
  }
  // A copy of an entry is whole when everything it holds belongs to the file its path names.
  bool Whole(const PlaylistEntry& e) const {
    const int k = Find(e.path);
    if (k < 0) return false;
    if (e.duration != -1 && e.duration != k + 1) return false;
    if (e.bitrate != 0 && e.bitrate != 128) return false;
    if (e.tag.present && std::string(e.tag.title) != "Title " + std::to_string(k)) return false;
    return e.previous == nullptr && e.next == nullptr;
  }
};

TEST(PlaylistStressTest, ReadsDuringEditsSeeWholeEntries) {
  const SettingsGuard settings;
  Tracks tracks;
  for (int k = 0; k < kFiles; ++k) {
    tracks.paths.push_back(ScratchPath("stress-" + std::to_string(k) + ".mp3"));
    ASSERT_TRUE(WriteWholeFile(tracks.paths.back(), TaggedTrack(k + 1, "Title " + std::to_string(k))));
  }
  NotifyRecorder::Start();
  SetPlaylistWindows(reinterpret_cast<WindowHandle>(0x100), reinterpret_cast<WindowHandle>(0x200));
  ClearPlaylist();

  std::atomic<bool> stop{false};
  std::atomic<int64_t> reads{0}, prepared{0}, known{0}, torn{0};
  auto reader = [&](bool decodeThread) {
    char path[kPathBytes];
    PlaylistEntry e;
    while (!stop.load()) {
      if (decodeThread && PrepareCurrent(path)) {
        ++prepared;
        if (tracks.Find(path) < 0) ++torn;
      }
      const int32_t d = CurrentDuration();
      if (d != -1 && (d < 1 || d > kFiles)) ++torn;
      if (CopyCurrentEntry(&e)) {
        if (!tracks.Whole(e)) ++torn;
        if (e.duration != -1) ++known;
      }
      ++reads;
    }
  };
  std::thread decode(reader, true);
  std::thread display(reader, false);

  uint32_t step = 0;
  const auto end = std::chrono::steady_clock::now() + kRunTime;
  while (std::chrono::steady_clock::now() < end) {
    ++step;
    gSettings.readInfoOnAdd = (step % 7) == 0;
    gSettings.shuffle = (step % 5) == 0;
    for (uint32_t i = 0; i < 3; ++i) AddTrack(tracks.paths[(step * 3 + i) % kFiles].c_str());
    if (step % 2) {
      const int32_t picks[] = {int32_t(step % 3), int32_t(step % 3 + 2)};
      DeleteEntries(2, picks);
    }
    switch (step % 6) {
      case 0: SortPlaylist(0); break;
      case 1: ShufflePlaylistWithSeed(step); break;
      case 2: NextEntry(); NextEntry(); break;
      case 3: SortPlaylist(1); break;
      case 4: GoToFirst(); break;
      default: PreviousEntry(); break;
    }
    if (PlaylistCount() > 60 || step % 97 == 0) ClearPlaylist();
  }
  stop = true;
  decode.join();
  display.join();

  EXPECT_EQ(torn.load(), 0);
  EXPECT_GT(prepared.load(), 100);
  EXPECT_GT(known.load(), 0);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  std::printf("%u edit rounds, %lld reads, %lld PrepareCurrent calls\n", step, static_cast<long long>(reads.load()),
              static_cast<long long>(prepared.load()));

  SetPlaylistWindows(nullptr, nullptr);
  ClearPlaylist();
  NotifyRecorder::Stop();
}

}  // namespace
