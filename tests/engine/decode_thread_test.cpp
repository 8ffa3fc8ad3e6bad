// The Decode thread driven as the player window drives it, from a test window that records every
// message it receives: against a double of the wave-out device for the protocol and timing, and against
// the real device (ALSA capture under Wine) end to end.
#include "engine/decode_thread.h"

#include <gtest/gtest.h>
#include <process.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "decoder/byte_source.h"
#include "decoder/layer3/layer3.h"
#include "decoder/synthesis.h"
#include "engine/messages.h"
#include "engine/wave_output.h"
#include "platform/win32/wide.h"
#include "playlist/playlist.h"
#include "settings/general_options.h"
#include "settings/settings.h"
#include "tests/box_recorder.h"
#include "tests/decode_file.h"
#include "tests/engine/wave_out_double.h"
#include "tests/engine/capture_file.h"
#include "tests/settings_guard.h"
#include "tests/test_files.h"

namespace {

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Received> gReceived;

LRESULT CALLBACK RecordingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_PLAYER_TRACK_END && message <= WM_PLAYER_SYNC) gReceived.push_back({message, wParam, lParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string Media(const char* name) { return std::string(ZAV_BUILD_PATH) + "/test-media/" + name; }

// PCM as the device receives it: blocks of 2048 bytes, the last one padded with silence.
std::vector<std::vector<uint8_t>> DeviceBlocks(const std::vector<int16_t>& pcm) {
  std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(pcm.data()),
                             reinterpret_cast<const uint8_t*>(pcm.data() + pcm.size()));
  bytes.resize((bytes.size() + 2047) / 2048 * 2048, 0);
  std::vector<std::vector<uint8_t>> blocks;
  for (size_t at = 0; at < bytes.size(); at += 2048)
    blocks.emplace_back(bytes.begin() + long(at), bytes.begin() + long(at + 2048));
  return blocks;
}

// Starts the player's decoder from the state a first track meets, as DecodeFilesToPcm does, and takes
// the message boxes back from the track decoding that made the expected output.
void FreshDecoder() {
  ResetSynthStates();
  ResetLayer3Overlap();
  BoxRecorder::Start();
}

class DecodeThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSettings.bufferBlocks = 50;
    gSettings.preBufferEnabled = 1;
    gSettings.preBufferPercent = 50;
    gSettings.processor = 1;
    gSettings.readInfoOnAdd = 0;
    gSettings.shuffle = 0;
    gSettings.skipProtection = 0;
    gSettings.outputDevice = -1;
    gSettings.volume = 32;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordingWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZavDecodeThreadTestWindow";
    RegisterClassA(&wc);
    window_ = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    gReceived.clear();
    BoxRecorder::Start();
    ClearPlaylist();
    params_ = {-1, 0, window_, 0};
  }
  void TearDown() override {
    StopThread();
    if (IsOutputOpen()) CloseOutput(1);
    ClearPlaylist();
    BoxRecorder::Stop();
    DestroyWindow(window_);
  }
  // Creates the thread; its queue must exist once CreateDecodeThread returns, so a TM_PLAY posted at
  // once (`play`) is not lost.
  void StartThread(bool play = false) {
    thread_ = CreateDecodeThread(&params_, &threadId_);
    ASSERT_NE(thread_, nullptr);
    ASSERT_TRUE(PostThreadMessageA(threadId_, play ? TM_PLAY : WM_NULL, 0, 0)) << "the queue exists";
    ASSERT_TRUE(WaitFor(WM_PLAYER_INFO, 2000)) << "the thread reports (0, 0) when it starts";
  }
  // After the last track: the queued audio plays out and the device closes.
  void EndOfList() {
    Post(TM_RESET_OUTPUT, 0);
    for (int i = 0; i < 500 && IsOutputOpen(); ++i) Sleep(20);
    ASSERT_FALSE(IsOutputOpen());
  }
  void StopThread() {
    if (!thread_) return;
    PostThreadMessageA(threadId_, TM_STOP, 0, 0);
    Sleep(30);
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    if (WaitForSingleObject(thread_, 5000) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "the Decode thread did not end";
      TerminateThread(thread_, 2);
    }
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  void Post(UINT message, LPARAM lParam = 0) { ASSERT_TRUE(PostThreadMessageA(threadId_, message, 0, lParam)); }
  // Pumps the window's messages until `message` has arrived (counting from `from`) or time runs out.
  bool WaitFor(UINT message, DWORD milliseconds, size_t from = 0) {
    const DWORD start = GetTickCount();
    for (;;) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      for (size_t i = from; i < gReceived.size(); ++i)
        if (gReceived[i].message == message) return true;
      if (GetTickCount() - start > milliseconds) return false;
      Sleep(2);
    }
  }
  void Pump(DWORD milliseconds) { WaitFor(0xFFFF, milliseconds); }
  std::vector<UINT> Sequence(std::initializer_list<UINT> of) const {
    std::vector<UINT> out;
    for (const Received& r : gReceived)
      for (UINT m : of)
        if (r.message == m) out.push_back(m);
    return out;
  }
  SettingsGuard settings_;
  HWND window_ = nullptr;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  PlaybackParams params_;
};

class DecodeThreadOnDouble : public DecodeThreadTest {
 protected:
  void SetUp() override {
    DecodeThreadTest::SetUp();
    InstallWaveOutDouble();
    StartDriverThread();
  }
  void TearDown() override {
    DecodeThreadTest::TearDown();
    StopDriverThread();
    RemoveWaveOutDouble();
  }
};

TEST_F(DecodeThreadOnDouble, PlayWithAnEmptyPlaylistPostsNothing) {
  StartThread();
  gReceived.clear();
  Post(TM_PLAY);
  Pump(300);
  EXPECT_TRUE(gReceived.empty());
  EXPECT_EQ(gDouble->opens, 0);
}

TEST_F(DecodeThreadOnDouble, ANaturalEndReportsStoppedThenTrackEnd) {
  AddTrack(Media("third-22k.mp3").c_str());
  GoToFirst();
  StartThread(true);
  ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 20000));
  EXPECT_EQ(Sequence({WM_PLAYER_STARTED, WM_PLAYER_STOPPED, WM_PLAYER_TRACK_END}),
            (std::vector<UINT>{WM_PLAYER_STARTED, WM_PLAYER_STOPPED, WM_PLAYER_TRACK_END}));
  EXPECT_FALSE(Sequence({WM_PLAYER_POSITION}).empty());
  EXPECT_EQ(gDouble->opens, 1);
  EXPECT_EQ(gDouble->format.nSamplesPerSec, 22050u);
  EXPECT_EQ(gDouble->format.nChannels, 2);
  EXPECT_EQ(gDouble->volumes.back(), 0x80008000u) << "volume 32 after the open";
  EXPECT_TRUE(IsOutputOpen()) << "the device stays open for the next track";
}

TEST_F(DecodeThreadOnDouble, StopPostsNoTrackEndAndMessagesWhileIdleAreIgnored) {
  AddTrack(Media("long-44k.mp3").c_str());
  GoToFirst();
  StartThread();
  Post(TM_STOP);
  Post(TM_SEEK, 100);
  Pump(100);
  EXPECT_TRUE(Sequence({WM_PLAYER_STARTED, WM_PLAYER_STOPPED}).empty());
  Post(TM_PLAY);
  ASSERT_TRUE(WaitFor(WM_PLAYER_POSITION, 5000));
  Post(TM_STOP);
  ASSERT_TRUE(WaitFor(WM_PLAYER_STOPPED, 5000));
  Pump(200);
  EXPECT_TRUE(Sequence({WM_PLAYER_TRACK_END}).empty());
  EXPECT_GE(gDouble->resets, 1) << "a stop resets the output";
}

TEST_F(DecodeThreadOnDouble, SeekingToFrame1000SetsTheElapsedSeconds) {
  // A large ring and no device progress: the seek is handled within the first frames, and nothing
  // plays afterwards to move the elapsed seconds on.
  StopDriverThread();
  gSettings.bufferBlocks = 400;
  AddTrack(Media("long-44k.mp3").c_str());
  GoToFirst();
  StartThread();
  Post(TM_PLAY);
  ASSERT_TRUE(WaitFor(WM_PLAYER_POSITION, 5000)) << "a seek needs the first frame read";
  const size_t from = gReceived.size();
  Post(TM_SEEK, 1000);
  ASSERT_TRUE(WaitFor(WM_PLAYER_SYNC, 5000, from));
  Pump(200);
  // (1000 x 1152 + 22050) / 44100 = 26.
  EXPECT_EQ(ElapsedSeconds(), 26);
  ResetOutput();  // as the window does before stopping a track whose output cannot drain
  StartDriverThread();
}

TEST_F(DecodeThreadOnDouble, AnUnreadableFileAsksAndOkMovesOn) {
  const std::string path = WriteScratchFile("vanishing.mp3", ReadWholeFile(Media("third-22k.mp3")));
  gSettings.readInfoOnAdd = 1;  // the duration is known, so the track is not scanned again at play
  AddTrack(path.c_str());
  GoToFirst();
  ASSERT_TRUE(DeleteFileA(path.c_str()));
  StartThread();
  for (int32_t answer : {kAnswerOk, kAnswerCancel}) {
    gReceived.clear();
    BoxRecorder::Start(answer);
    Post(TM_PLAY);
    ASSERT_TRUE(WaitFor(WM_PLAYER_STOPPED, 5000));
    Pump(100);
    const RecordedBox unreadable = {
        window_, "Error Opening File...\nPress Ok to proceed to the next track,\nOr Cancel to Stop Playback...",
        "Error...", kBoxOkCancel};
    EXPECT_EQ(BoxRecorder::Boxes(), std::vector<RecordedBox>{unreadable});
    EXPECT_EQ(Sequence({WM_PLAYER_TRACK_END}).size(), answer == kAnswerOk ? 1u : 0u);
  }
}

TEST_F(DecodeThreadOnDouble, AFailedDeviceOpenEndsTheTrackWithStoppedOnly) {
  gDouble->openResult = MMSYSERR_ALLOCATED;
  AddTrack(Media("third-22k.mp3").c_str());
  GoToFirst();
  StartThread();
  Post(TM_PLAY);
  ASSERT_TRUE(WaitFor(WM_PLAYER_STOPPED, 5000));
  Pump(100);
  EXPECT_TRUE(Sequence({WM_PLAYER_TRACK_END}).empty());
  ASSERT_EQ(BoxRecorder::Boxes().size(), 1u) << "the output reports its error";
}

TEST_F(DecodeThreadOnDouble, ADeviceThatRefusesEveryBlockEndsTheTrackWithOneBox) {
  gDouble->writeResult = MMSYSERR_NODRIVER;
  AddTrack(Media("long-44k.mp3").c_str());
  GoToFirst();
  StartThread();
  const DWORD start = GetTickCount();
  Post(TM_PLAY);
  ASSERT_TRUE(WaitFor(WM_PLAYER_STOPPED, 10000));
  const DWORD elapsed = GetTickCount() - start;
  Pump(100);
  // About a second of refusals, not the whole 30-second file decoded at full speed.
  EXPECT_GE(elapsed, 600u);
  EXPECT_LE(elapsed, 5000u);
  EXPECT_TRUE(Sequence({WM_PLAYER_TRACK_END}).empty()) << "playback stops, as after a failed open";
  int64_t lastFrame = 0;
  for (const Received& r : gReceived)
    if (r.message == WM_PLAYER_POSITION) lastFrame = r.lParam;
  EXPECT_LT(lastFrame, 200);
  const RecordedBox refused = {window_, "Double error 6", "Audio System Error...", MB_ICONERROR};
  EXPECT_EQ(BoxRecorder::Boxes(), std::vector<RecordedBox>{refused});
  EXPECT_FALSE(IsOutputOpen()) << "the next track opens the device afresh";
  EXPECT_EQ(gDouble->written.size(), 0u);
}

TEST_F(DecodeThreadOnDouble, AFileShorterThanOneBlockPlaysPaddedWhenTheListEnds) {
  // Six frames at quarter rate in one channel: 1728 bytes of output, under one block.
  const std::string path = ScratchPath("six-frames.mp3");
  std::vector<uint8_t> bytes = ReadWholeFile(Media("third-22k.mp3"));
  bytes.resize(1300);
  ASSERT_TRUE(WriteWholeFile(path, bytes));
  DecodeOptions options;
  options.quality = 2;
  options.channelSelect = 0;
  const DecodedFile expected = DecodeFileToPcm(path, options);
  ASSERT_GT(expected.pcm.size(), 0u);
  ASSERT_LT(expected.pcm.size() * 2, 2048u);
  ASSERT_TRUE(std::any_of(expected.pcm.begin(), expected.pcm.end(), [](int16_t v) { return v != 0; }));
  FreshDecoder();
  params_.quality = 2;
  params_.channelMode = 0;
  AddTrack(path.c_str());
  GoToFirst();
  StartThread();
  Post(TM_PLAY);
  ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 5000));
  EndOfList();
  EXPECT_EQ(gDouble->played, DeviceBlocks(expected.pcm));
  EXPECT_EQ(gDouble->returnedByReset, 0);
}

TEST_F(DecodeThreadOnDouble, TheEndOfTheListWhilePausedStillClosesTheDevice) {
  // The track has ended and left a partial block; the user pauses with every block queued.
  gSettings.bufferBlocks = 10;
  AddTrack(Media("third-22k.mp3").c_str());
  GoToFirst();
  StartThread();
  Post(TM_PLAY);
  ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 20000));
  StopDriverThread();
  const std::vector<uint8_t> block(2048, 0x11);
  while (QueuedBlockCount() < 10) ASSERT_EQ(WritePcm(2048, block.data(), nullptr), 2048);
  PauseOutput();
  Post(TM_RESET_OUTPUT, 0);
  for (int i = 0; i < 100 && IsOutputOpen(); ++i) Sleep(20);
  EXPECT_FALSE(IsOutputOpen()) << "a paused device must not hold the Decode thread";
  if (IsOutputOpen()) ResetOutput();  // frees the thread, so the test ends either way
  EXPECT_EQ(gDouble->returnedByReset, 10);
}

TEST_F(DecodeThreadOnDouble, TheDeviceFollowsRateQualityAndChannels) {
  const std::string a = Media("first-44k.mp3"), b = Media("third-22k.mp3");
  const std::vector<int16_t> first = DecodeFileToPcm(a, DecodeOptions{}).pcm;
  const std::vector<int16_t> both = DecodeFilesToPcm({a, b}, DecodeOptions{}).pcm;
  ASSERT_NE(first.size() % 1024, 0u) << "the first track must leave a partial block";
  FreshDecoder();
  AddTrack(a.c_str());
  AddTrack(b.c_str());
  GoToFirst();
  StartThread();
  std::vector<std::pair<DWORD, WORD>> formats;
  for (int track = 0; track < 2; ++track) {
    const size_t from = gReceived.size();
    Post(TM_PLAY);
    ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 20000, from));
    formats.push_back({gDouble->format.nSamplesPerSec, gDouble->format.nChannels});
    NextEntry();
  }
  EXPECT_EQ(formats[0], std::make_pair(DWORD(44100), WORD(2)));
  EXPECT_EQ(formats[1], std::make_pair(DWORD(22050), WORD(2)));
  EXPECT_EQ(gDouble->opens, 2) << "the new rate reopens the device";
  // The first track's last partial block played, padded, on the 44.1 kHz device before it closed; the
  // second track's audio starts a block of its own on the new device.
  std::vector<std::vector<uint8_t>> expected = DeviceBlocks(first);
  const std::vector<std::vector<uint8_t>> second =
      DeviceBlocks(std::vector<int16_t>(both.begin() + long(first.size()), both.end()));
  const size_t secondWhole = (both.size() - first.size()) / 1024;
  expected.insert(expected.end(), second.begin(), second.begin() + long(secondWhole));
  for (int i = 0; i < 250 && PlayedCount() < expected.size(); ++i) Pump(20);
  ASSERT_GE(gDouble->played.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), gDouble->played.begin()));
  EXPECT_EQ(gDouble->returnedByReset, 0) << "nothing queued was dropped at the change";

  // Quarter quality of a 44.1 kHz file opens 11025 Hz; the mono mode opens one channel.
  GoToFirst();
  params_.quality = 2;
  params_.channelMode = 0;
  const size_t from = gReceived.size();
  Post(TM_PLAY);
  ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 20000, from));
  EXPECT_EQ(gDouble->format.nSamplesPerSec, 11025u);
  EXPECT_EQ(gDouble->format.nChannels, 1);

  // Back to two channels at the same rate: the device left open with one channel is reopened, since
  // two-channel PCM through a one-channel device would play garbled at half speed.
  const int opens = gDouble->opens;
  params_.channelMode = -1;
  const size_t again = gReceived.size();
  Post(TM_PLAY);
  ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 20000, again));
  EXPECT_EQ(gDouble->opens, opens + 1);
  EXPECT_EQ(gDouble->format.nSamplesPerSec, 11025u);
  EXPECT_EQ(gDouble->format.nChannels, 2);

  // 10 % faster and slower: the device at 1.1 and 0.9 times the rate, the seconds the track's (5, not 4).
  const int32_t trackSeconds = int32_t((first.size() * 2 + 2047) / 2048 * 2048 / (44100 * 4));
  params_.quality = 0;
  for (const auto& [speed, rate] : {std::pair{10, 48510u}, std::pair{-10, 39690u}}) {
    params_.speedPercent = speed;
    GoToFirst();
    const size_t at = gReceived.size();
    Post(TM_PLAY);
    ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 20000, at));
    EXPECT_EQ(gDouble->format.nSamplesPerSec, rate);
    EndOfList();
    EXPECT_EQ(ElapsedSeconds(), trackSeconds) << speed << " %";
  }
}

// At a change of rate the old device plays out before the new one opens: a pause in that wait holds it
// (the new track stays silent), a stop ends the track without a new device. Each track's time starts at
// 0 s with its length as its decoding starts.
TEST_F(DecodeThreadOnDouble, APauseOrAStopWhileTheOldDevicePlaysOutHoldsTheNextDevice) {
  AddTrack(Media("first-44k.mp3").c_str());
  AddTrack(Media("third-22k.mp3").c_str());
  GoToFirst();
  StartThread(true);
  ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 20000));
  const auto started = std::find_if(gReceived.begin(), gReceived.end(),
                                    [](const Received& r) { return r.message == WM_PLAYER_STARTED; });
  ASSERT_LT(started + 1, gReceived.end());
  EXPECT_EQ(started[1].message, UINT(WM_PLAYER_INFO));
  EXPECT_GT(static_cast<intptr_t>(started[1].wParam), 0);
  EXPECT_EQ(started[1].lParam, 0);
  for (const bool stop : {false, true}) {
    StopDriverThread();  // the old device's last blocks stay queued
    stop ? GoToFirst() : NextEntry();
    const size_t from = gReceived.size();
    Post(TM_PLAY);
    ASSERT_TRUE(WaitFor(WM_PLAYER_STARTED, 5000, from));
    Pump(200);
    ASSERT_GT(QueuedBlockCount(), 0);
    if (stop) Post(TM_STOP);
    if (!stop) PauseOutput();
    StartDriverThread();
    Pump(300);
    EXPECT_EQ(gDouble->opens, stop ? 2 : 1) << "no new device while paused, nor after a stop";
    ResumeOutput();
    ASSERT_TRUE(WaitFor(stop ? WM_PLAYER_STOPPED : WM_PLAYER_TRACK_END, 20000, from));
  }
  EXPECT_FALSE(IsOutputOpen());
  EXPECT_EQ(Sequence({WM_PLAYER_TRACK_END}).size(), 2u);
}

TEST_F(DecodeThreadOnDouble, CpuTimePerSecondOfAudio) {
  AddTrack(Media("long-44k.mp3").c_str());
  GoToFirst();
  StartThread();
  Post(TM_PLAY);
  ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 60000));
  FILETIME created, exited, kernel, user;
  ASSERT_TRUE(GetThreadTimes(thread_, &created, &exited, &kernel, &user));
  const double cpu = (double(kernel.dwLowDateTime) + double(kernel.dwHighDateTime) * 4294967296.0 +
                      double(user.dwLowDateTime) + double(user.dwHighDateTime) * 4294967296.0) / 1e7;
  const double audio = double(PlayedCount()) * 2048 / (44100 * 4);
  std::printf("  Decode thread: %.3f s of CPU for %.1f s of audio = %.2f ms per second of audio\n", cpu, audio,
              1000 * cpu / audio);
  EXPECT_GT(audio, 25.0);
  EXPECT_LT(cpu / audio, 0.25);
}

// End to end through the real device: what reaches it is what zavdec writes for the same files. Wine
// applies the wave-out volume in software, so the volume call alone is kept from the device (and
// recorded) to let the bytes arrive unchanged.
std::vector<DWORD> gVolumeCalls;
MMRESULT WINAPI RecordVolume(HWAVEOUT, DWORD volume) {
  gVolumeCalls.push_back(volume);
  return MMSYSERR_NOERROR;
}
WaveOutApi gDeviceWithoutVolume;

class DecodeThreadOnDevice : public DecodeThreadTest {
 protected:
  void SetUp() override {
    DecodeThreadTest::SetUp();
    gDeviceWithoutVolume = kWinmmWaveOut;
    gDeviceWithoutVolume.setVolume = RecordVolume;
    gVolumeCalls.clear();
    SetWaveOutApi(&gDeviceWithoutVolume);
  }
  void TearDown() override {
    DecodeThreadTest::TearDown();
    SetWaveOutApi(nullptr);
  }
};

TEST_F(DecodeThreadOnDevice, TwoTracksPlayGaplesslyBitForBit) {
  const std::string a = Media("first-44k.mp3"), b = Media("second-44k.mp3");
  // zavdec's decoding, from the same fresh decoder state the player starts with.
  const DecodedFile expected = DecodeFilesToPcm({a, b}, DecodeOptions{});
  ASSERT_EQ(expected.result, kTrackDone);
  FreshDecoder();
  ASSERT_TRUE(WriteWholeFile(CapturePath(), {}));
  AddTrack(a.c_str());
  AddTrack(b.c_str());
  GoToFirst();
  StartThread();
  Post(TM_PLAY);
  ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 30000));
  NextEntry();
  const size_t from = gReceived.size();
  Post(TM_PLAY);
  ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 30000, from));
  EndOfList();
  EXPECT_EQ(gVolumeCalls, std::vector<DWORD>{0x80008000u}) << "one open, at volume 32";
  // Everything decoded reached the device, the last partial block padded with silence.
  std::vector<int16_t> padded = expected.pcm;
  padded.resize((padded.size() + 1023) / 1024 * 1024, 0);
  ASSERT_NE(padded.size(), expected.pcm.size()) << "the list must end in a partial block";
  const std::vector<int16_t> captured = ReadPcm16(CapturePath());
  ASSERT_EQ(captured.size(), padded.size());
  EXPECT_TRUE(captured == padded) << "first difference at sample "
                                  << (std::mismatch(padded.begin(), padded.end(), captured.begin()).first -
                                      padded.begin());

  // zavdec.exe writes the same for inputs and an output whose names lie beyond the ANSI code page.
  const std::string first = ScratchPath("первый 🎵.mp3"), second = ScratchPath("второй.mp3");
  const std::string output = ScratchPath("вывод 🎶.wav"), copy = ScratchPath("zavdec-unicode.wav");
  ASSERT_TRUE(CopyFileW(WideFromUtf8(a).c_str(), WideFromUtf8(first).c_str(), FALSE) &&
              CopyFileW(WideFromUtf8(b).c_str(), WideFromUtf8(second).c_str(), FALSE));
  DeleteFileW(WideFromUtf8(output).c_str());
  std::wstring args[3] = {WideFromUtf8(first), WideFromUtf8(second), WideFromUtf8(output)};
  for (std::wstring& arg : args) arg = L"\"" + arg + L"\"";  // spawned arguments are joined as they are
  const wchar_t* argv[] = {L"zavdec", args[0].c_str(), args[1].c_str(), args[2].c_str(), nullptr};
  ASSERT_EQ(_wspawnv(_P_WAIT, WideFromUtf8(std::string(ZAV_BUILD_PATH) + "/zavdec.exe").c_str(), argv), 0);
  ASSERT_TRUE(CopyFileW(WideFromUtf8(output).c_str(), WideFromUtf8(copy).c_str(), FALSE));
  EXPECT_TRUE(ReadPcm16(copy, 44) == expected.pcm);
}

// "Buffer File To Memory": a copy of a track, deleted once it starts, plays from memory as from disk; a
// file over 64 MB (a sparse tail of zeros) plays from disk through the handle it holds, which shares
// delete access (the tag editor may replace a playing file), so it plays on when deleted too: its whole
// blocks are compared, as Wine fills the dry device with silence while that tail is searched.
TEST_F(DecodeThreadOnDevice, FilesBufferedInMemoryPlayBitForBitAndALargerOnePlaysFromDisk) {
  const std::string a = Media("first-44k.mp3"), copy = ScratchPath("copy.mp3"), large = ScratchPath("large.mp3");
  const DecodedFile expected = DecodeFilesToPcm({a}, DecodeOptions{});
  for (const std::string& path : {copy, large}) ASSERT_TRUE(WriteWholeFile(path, ReadWholeFile(a)));
  std::filesystem::resize_file(std::filesystem::u8path(large), uintmax_t(kMaxBufferedFileBytes) + 1);
  gGeneralOptions.bufferFile = 1;
  StartThread();
  const size_t whole = expected.pcm.size() / 1024 * 1024;
  for (const std::string& path : {copy, large}) {
    FreshDecoder();
    ASSERT_TRUE(WriteWholeFile(CapturePath(), {}));
    ClearPlaylist();
    AddTrack(path.c_str());
    const size_t from = gReceived.size();
    Post(TM_PLAY);
    ASSERT_TRUE(WaitFor(WM_PLAYER_STARTED, 30000, from));
    EXPECT_NE(DeleteFileW(WideFromUtf8(path).c_str()), 0) << path;
    ASSERT_TRUE(WaitFor(WM_PLAYER_TRACK_END, 30000, from));
    EndOfList();
    std::vector<int16_t> captured = ReadPcm16(CapturePath()), wanted = expected.pcm;
    wanted.resize(path == copy ? (wanted.size() + 1023) / 1024 * 1024 : whole, 0);
    if (path == large && captured.size() > whole) captured.resize(whole);
    EXPECT_TRUE(captured == wanted) << path << ": " << captured.size() << " samples";
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  gGeneralOptions.bufferFile = 0;
  DeleteFileW(WideFromUtf8(large).c_str());
}

}  // namespace
