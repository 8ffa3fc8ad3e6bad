// Shared pieces of the playlist and track-scanner tests: a recorder for sent messages that also starts
// the shared message-box recorder (safe to call from several threads), and builders of small
// MPEG-looking files.
#pragma once
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/notify.h"
#include "tests/box_recorder.h"
#include "tests/frame_header_builder.h"
#include "tests/id3v2_tag_builder.h"
#include "tests/test_files.h"

// Records sent messages (the editor's refreshes); message boxes go to the shared recorder.
struct NotifyRecorder {
  std::mutex lock;
  std::vector<WindowHandle> refreshes;  // windows that received WM_PLAYLIST_REFRESH

  static NotifyRecorder& Get() {
    static NotifyRecorder recorder;
    return recorder;
  }
  static intptr_t Send(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
    NotifyRecorder& r = Get();
    std::lock_guard<std::mutex> hold(r.lock);
    if (message == 0x1400) r.refreshes.push_back(window);
    return 0;
  }
  // Installs the hooks and forgets what was recorded.
  static void Start() {
    NotifyRecorder& r = Get();
    {
      std::lock_guard<std::mutex> hold(r.lock);
      r.refreshes.clear();
    }
    BoxRecorder::Start();
    SetSendMessageHook(&Send);
  }
  static void Stop() {
    BoxRecorder::Stop();
    SetSendMessageHook(nullptr);
  }
  static size_t Refreshes() {
    std::lock_guard<std::mutex> hold(Get().lock);
    return Get().refreshes.size();
  }
};

// `lead` zero bytes, then the four bytes of `header`, then zeros up to `size` bytes in all.
inline std::vector<uint8_t> FileWithHeaderAt(size_t lead, uint32_t header, size_t size) {
  std::vector<uint8_t> bytes(lead, 0);
  AppendHeader(bytes, header);
  if (bytes.size() < size) bytes.resize(size, 0);
  return bytes;
}

// A 128-byte ID3v1 tag from raw field bytes (each cut or zero-padded to its length).
inline std::vector<uint8_t> Id3v1Tag(const char* magic, const std::string& title, const std::string& artist,
                                     const std::string& album, const std::string& year,
                                     const std::string& comment, uint8_t genre) {
  std::vector<uint8_t> tag(128, 0);
  std::memcpy(tag.data(), magic, 3);
  auto put = [&tag](size_t at, const std::string& s, size_t length) {
    std::memcpy(tag.data() + at, s.data(), s.size() < length ? s.size() : length);
  };
  put(3, title, 30);
  put(33, artist, 30);
  put(63, album, 30);
  put(93, year, 4);
  put(97, comment, 30);
  tag[127] = genre;
  return tag;
}

inline std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, joint stereo: 16000 bytes per second by the duration rule.
constexpr uint32_t kMpeg1Layer3Header = 0xFFFB9064u;

// A file of `seconds` × 16000 bytes holding an MPEG-1 Layer III 128 kbit/s header at the start and an
// ID3v1 tag titled `title` at the end.
inline std::vector<uint8_t> TaggedTrack(int seconds, const std::string& title) {
  std::vector<uint8_t> bytes = FileWithHeaderAt(0, kMpeg1Layer3Header, size_t(seconds) * 16000 - 128);
  return Join(bytes, Id3v1Tag("TAG", title, "Artist", "Album", "2001", "", 17));
}
