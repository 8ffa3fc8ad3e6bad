// Shared pieces of the playlist and track-scanner tests: a recorder for sent messages and message boxes
// (safe to call from several threads), and builders of small MPEG-looking files.
#pragma once
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/notify.h"
#include "tests/box_recorder.h"
#include "tests/test_files.h"

// Records sent messages (the editor's refreshes) and, through the shared recorder, message boxes.
struct NotifyRecorder {
  std::mutex lock;
  std::vector<WindowHandle> refreshes;  // windows that received WM_PLAYLIST_REFRESH

  static NotifyRecorder& Get() {
    static NotifyRecorder recorder;
    return recorder;
  }
  static int32_t Box(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    return BoxRecorder::Record(owner, text, caption, style);
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
  static std::vector<RecordedBox> Boxes() { return BoxRecorder::Boxes(); }
  static size_t Refreshes() {
    std::lock_guard<std::mutex> hold(Get().lock);
    return Get().refreshes.size();
  }
};

// Four header bytes.
inline std::vector<uint8_t> Header(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) { return {b0, b1, b2, b3}; }

// `lead` zero bytes, then `header`, then zeros up to `size` bytes in all.
inline std::vector<uint8_t> FileWithHeaderAt(size_t lead, const std::vector<uint8_t>& header, size_t size) {
  std::vector<uint8_t> bytes(size > lead + header.size() ? size : lead + header.size(), 0);
  std::memcpy(bytes.data() + lead, header.data(), header.size());
  return bytes;
}

// An ID3v2 tag of `bodySize` bytes (plus a 10-byte footer when `footer`), its body filled with `fill`.
inline std::vector<uint8_t> Id3v2Tag(uint32_t bodySize, bool footer, uint8_t fill = 0) {
  std::vector<uint8_t> tag = {'I', 'D', '3', 4, 0, uint8_t(footer ? 0x10 : 0),
                              uint8_t((bodySize >> 21) & 0x7F), uint8_t((bodySize >> 14) & 0x7F),
                              uint8_t((bodySize >> 7) & 0x7F), uint8_t(bodySize & 0x7F)};
  tag.resize(10 + bodySize + (footer ? 10 : 0), fill);
  return tag;
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
inline std::vector<uint8_t> Mpeg1Layer3Header() { return Header(0xFF, 0xFB, 0x90, 0x64); }

// A file of `seconds` × 16000 bytes holding an MPEG-1 Layer III 128 kbit/s header at the start and an
// ID3v1 tag titled `title` at the end.
inline std::vector<uint8_t> TaggedTrack(int seconds, const std::string& title) {
  std::vector<uint8_t> bytes = FileWithHeaderAt(0, Mpeg1Layer3Header(), size_t(seconds) * 16000 - 128);
  return Join(bytes, Id3v1Tag("TAG", title, "Artist", "Album", "2001", "", 17));
}
