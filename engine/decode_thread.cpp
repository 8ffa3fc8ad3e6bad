#include "engine/decode_thread.h"

#include <cstring>

#include "decoder/decode_buffer.h"
#include "decoder/decoder_builds.h"
#include "decoder/frame_decoding.h"
#include "decoder/frame_reader.h"
#include "decoder/synthesis.h"
#include "engine/messages.h"
#include "engine/wave_output.h"
#include "platform/notify.h"
#include "playlist/playlist.h"
#include "settings/general_options.h"
#include "settings/playback_options.h"
#include "settings/replay_gain_options.h"
#include "playlist/track_genre.h"
#include "settings/eq_plugin_keys.h"
#include "settings/settings.h"
#include "stream/stream_save.h"
#include "stream/stream_source.h"
#include "stream/stream_url.h"
#include "tags/replay_gain.h"

namespace {

constexpr int32_t kBlockSize = 2048;

// What lives for the whole thread, not per track.
struct DecodeThreadState {
  StreamState stream;
  char path[kPathBytes];
  int32_t outputRate;      // Hz the device was opened at; 0 before the first open
  int32_t trackRate;       // Hz of the track the device was opened for (the rate before the speed)
  int32_t outputChannels;  // channel count the device was opened with
  ReplayGainInfo gains;    // the playing track's ReplayGain fields, once read
  int32_t gainsRead;       // read for this track (only while ReplayGain is on)
  int32_t gainChanges;     // gReplayGainChanges when the track's gain was last set
};
DecodeThreadState gThread;

// Sets the track's gain from the user's choice, reading the file's tags the first time it needs them
// (a stream has none: it plays at the untagged gain).
void SetReplayGain() {
  gThread.gainChanges = gReplayGainChanges;
  if (gReplayGain.mode != kReplayGainOff && !gThread.gainsRead) {
    gThread.gainsRead = 1;
    if (StreamUrlScheme(gThread.path) == 0) ReadReplayGain(gThread.path, &gThread.gains);
  }
  SetTrackGain(ReplayGainFactor(gThread.gains, gReplayGain));
}

// Set by CreateDecodeThread while it waits for the new thread's message queue to exist.
HANDLE gQueueReady = nullptr;

void Post(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  PostPlayerMessage(window, message, wParam, lParam);
}

int32_t OpenDevice(int32_t channels, int32_t trackRate, int32_t rate, HWND window) {
  if (OpenOutputAt(channels, trackRate, rate, gSettings.outputDevice, kBlockSize, window) != 0) return 0;
  SetOutputVolume(gSettings.volume);
  gThread.outputRate = rate;
  gThread.trackRate = trackRate;
  gThread.outputChannels = channels;
  return 1;
}

// Plays what is left in the decode buffer (less than a block) on the open device, padded with silence:
// at the end of the list (`write` gives up on a paused, full device there), and before the device is
// reopened for another format, where it would not belong.
void PlayRemainder(WritePcmFn write) {
  for (int32_t at = 0; at < gDecodeBuffer.fill;) {
    const int32_t taken = write(gDecodeBuffer.fill - at, gDecodeBuffer.data + at, kSilentSpectrum);
    if (taken <= 0) break;  // closed, paused with every block queued, or refused
    at += taken;
  }
  gDecodeBuffer.fill = 0;
}

// A stop (or the thread's end) waits in the queue: a wait on the output gives way to it.
int32_t StopPending() {
  MSG msg;
  return PeekMessageA(&msg, nullptr, TM_STOP, TM_STOP, PM_NOREMOVE) ||
         PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
}

// What the window has been told of the playing stream, so that only news is posted.
struct StreamNews {
  HWND window;
  int32_t titleCount;
  int32_t buffering;
  int32_t saveErrors;  // how often saving had stopped
  int32_t saved;       // how many downloads had been saved whole
};
StreamNews gNews;

void StartStreamNews(HWND window) {
  char text[8];
  gNews = StreamNews{window, StreamTitle(text, sizeof text), 0, StreamSaveError(text, sizeof text),
                     StreamSavedFile(text, sizeof text)};
}

void PostStreamNews() {
  char title[8];
  const int32_t count = StreamTitle(title, sizeof title);
  if (count != gNews.titleCount) {
    gNews.titleCount = count;
    Post(gNews.window, WM_PLAYER_STREAM, kStreamTitleChanged, 0);
  }
  const int32_t buffering = StreamBuffering();
  if (buffering != gNews.buffering) {
    gNews.buffering = buffering;
    Post(gNews.window, WM_PLAYER_STREAM, kStreamBuffering, buffering);
  }
  const int32_t saveErrors = StreamSaveError(title, sizeof title);
  if (saveErrors != gNews.saveErrors) {
    gNews.saveErrors = saveErrors;
    Post(gNews.window, WM_PLAYER_STREAM, kStreamSaveFailed, 0);
  }
}

// At a stream's end: a download saved whole is handed to the window when "Play After Save" is on (to be
// played under "Save Only", which then ends the track instead of going on). 1 when it is to be played.
int32_t PostSavedDownload(int32_t saveOnly) {
  char path[8];
  const int32_t saved = StreamSavedFile(path, sizeof path);
  if (saved == gNews.saved || !gStreamSave.playAfterSave) return 0;
  gNews.saved = saved;
  Post(gNews.window, WM_PLAYER_STREAM, kStreamSaved, saveOnly);
  return saveOnly;
}

// "Save Only": the network thread saves the stream while its ring is emptied here undecoded, without
// the wave device; the time display counts the seconds and a stop ends it. Returns 1 when a stop ended
// it, 0 when the stream did.
int32_t DrainStream(const ByteSource& source, HWND window) {
  static uint8_t drained[16384];
  const DWORD start = GetTickCount();
  int32_t shown = 0;
  for (;;) {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, TM_STOP, TM_STOP, PM_REMOVE)) return 1;
    if (StopPending()) return 1;  // the thread's end
    PostStreamNews();
    if (source.functions->read(source.handle, drained, sizeof drained) == 0) return 0;
    const int32_t seconds = static_cast<int32_t>((GetTickCount() - start) / 1000);
    if (seconds != shown) {
      shown = seconds;
      Post(window, WM_PLAYER_INFO, 0, seconds);
    }
  }
}

// While the frame reader waits for a stream's bytes (a frame's time at most per read): the news goes
// out, and a stop ends the wait.
int32_t KeepWaitingForStream() {
  PostStreamNews();
  return StopPending() ? 0 : 1;
}

// Opens a file for the frame reader: with "Buffer File To Memory" read whole into memory first when it
// fits, else (larger, a read error, a stop meanwhile, which the frame loop then takes) from disk.
int32_t OpenFile(const char* path) {
  if (!gGeneralOptions.bufferFile) return OpenStream(path) < 0 ? 0 : 1;
  const FileHandle file = FileOpenRead(path);
  if (file == kNoFile) return 0;
  ByteSource memory;
  if (LoadIntoMemory(file, StopPending, &memory)) {
    FileClose(file);
    return OpenStreamBytes(memory) < 0 ? 0 : 1;
  }
  return OpenStreamFile(file) < 0 ? 0 : 1;
}

// Opens the track's file, or its stream when the path is an address; 1, or 0 when it cannot be opened.
int32_t OpenTrack(const char* path, HWND window, int32_t* isStream) {
  *isStream = StreamUrlScheme(path) != 0 ? 1 : 0;
  if (!*isStream) return OpenFile(path);
  ByteSource source;
  if (!StreamOpen(path, &source) || !OpenStreamSource(source)) return 0;
  StartStreamNews(window);
  gFrameReader.keepWaiting = KeepWaitingForStream;
  return 1;
}

// Skip protection: the emptier the queue, the higher the thread's priority.
void AdjustPriority(int32_t blocks) {
  const int32_t queued = QueuedBlockCount();
  int priority;
  if (queued > blocks * 0.6666666666666666) {
    priority = THREAD_PRIORITY_ABOVE_NORMAL;
  } else if (queued > blocks / 2) {
    priority = THREAD_PRIORITY_HIGHEST;
  } else if (queued > blocks / 4) {
    priority = THREAD_PRIORITY_TIME_CRITICAL;
  } else {
    priority = gBuildSelect == 0 ? THREAD_PRIORITY_ABOVE_NORMAL : THREAD_PRIORITY_NORMAL;
  }
  SetThreadPriority(GetCurrentThread(), priority);
}

// What the frame loop keeps between frames for the output and the reports.
struct FrameOutput {
  HWND window;
  int32_t channels;
  bool prepared;       // the device is ready for this track
  bool outputError;    // the device could not be opened
  bool stopRequested;  // a stop came while the old device played out
  int32_t lastElapsed;
  int32_t isStream;    // a stream's length is unknown: reported as 0
  int32_t speedPercent;  // the device plays this much faster or slower than the track
};

// Between reading a frame and decoding it: the device at the frame's rate, then the position and
// elapsed-time reports. Returns 0 when the device cannot be opened.
int32_t PrepareFrameOutput(StreamState* stream, void* context) {
  FrameOutput& out = *static_cast<FrameOutput*>(context);
  const StreamState& s = *stream;
  HWND window = out.window;
  const int32_t channels = out.channels;
  const int32_t trackRate = OutputRate(s);
  const int32_t rate = SpeedAdjustedRate(trackRate, out.speedPercent);
  if (!out.prepared) {
    if (!IsOutputOpen()) {
      if (!OpenDevice(channels, trackRate, rate, window)) {
        out.outputError = true;
        return 0;
      }
    }
    out.prepared = true;
  }
  // A device left open by the previous track is reopened when this track needs another rate or
  // another channel count (mono PCM played through a stereo device would be garbled), or another track
  // rate to count its seconds by. What the old device holds, and the decode buffer's remainder, belong
  // to the old format and play out on it first.
  // A pause meanwhile holds the wait (the new device opens only once the old one has played out, so the
  // new track stays silent while paused); a stop ends it, and no new device is opened.
  if (s.headerChanged &&
      (rate != gThread.outputRate || trackRate != gThread.trackRate || channels != gThread.outputChannels)) {
    gThread.outputRate = rate;
    gThread.trackRate = trackRate;
    if (IsOutputOpen()) {
      PlayRemainder(WritePcm);
      const int32_t drained = DrainOutput(StopPending);
      CloseOutput(1);
      if (!drained) {
        out.stopRequested = true;
        return 0;
      }
      if (!OpenDevice(channels, trackRate, rate, window)) {
        out.outputError = true;
        return 0;
      }
    }
  }
  Post(window, WM_PLAYER_POSITION, static_cast<uintptr_t>(StreamFrames()), StreamPosition());
  const int32_t elapsed = ElapsedSeconds();
  if (elapsed != out.lastElapsed) {
    const int32_t duration = out.isStream ? 0 : CurrentDuration();
    Post(window, WM_PLAYER_INFO, static_cast<uintptr_t>(static_cast<intptr_t>(duration)), elapsed);
    out.lastElapsed = elapsed;
  }
  return 1;
}

void ShowOpenError(HWND window) {
  const int32_t answer = ShowMessageBox(
      window, "Error Opening File...\nPress Ok to proceed to the next track,\nOr Cancel to Stop Playback...",
      "Error...", kBoxOkCancel);
  Post(window, WM_PLAYER_STOPPED, 0, 0);
  if (answer == kAnswerOk) Post(window, WM_PLAYER_TRACK_END, 0, 0);
}

// A stream under "Save Only": received and saved, never decoded; its end ends the track (or plays the
// finished download under "Play After Save").
void SaveOnlyTrack(HWND window) {
  ByteSource source;
  if (!StreamOpen(gThread.path, &source)) {
    ShowOpenError(window);
    return;
  }
  StartStreamNews(window);
  Post(window, WM_PLAYER_STARTED, 0, 0);
  Post(window, WM_PLAYER_INFO, 0, 0);
  const int32_t stopped = DrainStream(source, window);
  source.functions->close(source.handle);  // the network thread is woken and joined
  PostStreamNews();
  char reason[8];
  if (!stopped && StreamError(reason, sizeof reason)) Post(window, WM_PLAYER_STREAM, kStreamFailed, 0);
  Post(window, WM_PLAYER_STOPPED, 0, 0);
  // Once stopped, the window plays the download, or goes on to the next track.
  if (!PostSavedDownload(stopped ? 0 : 1) && !stopped) Post(window, WM_PLAYER_TRACK_END, 0, 0);
}

// Moves to `frame` (what was queued for the device is dropped) and counts the elapsed seconds from there.
void SeekAndCount(StreamState* s, int32_t frame, HWND window) {
  if (SeekFrame(s, frame, window) != 1) return;
  ResetOutput();
  const int64_t rate = kSampleRates[s->sampleRateIndex];
  const int64_t frames = StreamPosition();
  SetElapsedSeconds(static_cast<int32_t>((frames * SamplesPerFrame(*s) + rate / 2) / rate));
}

// Plays the current entry from its start, or from `startFrame` when that is above 0.
void PlayTrack(const PlaybackParams* params, int32_t startFrame) {
  HWND window = params->window;
  StreamState& s = gThread.stream;
  if (!PrepareCurrent(gThread.path)) return;  // no current entry, or its file cannot be read
  // Read here, off the window's thread: the window picks the equalizer preset when it hears of the start.
  NotePlayingGenre(gEqPluginOptions.presetFromGenre == 1 ? gThread.path : nullptr);

  const int32_t channelMode = params->channelMode;
  const int32_t quality = params->quality;
  const int32_t channels = channelMode >= 0 ? 1 : 2;
  s = StreamState{};
  PrepareTrack(&s, gSettings.processor, channelMode, quality);

  int32_t isStream = 0;
  if (StreamUrlScheme(gThread.path) != 0 && gStreamSave.mode == kSaveOnly && gStreamSave.folder[0] != '\0') {
    SaveOnlyTrack(window);
    return;
  }
  if (!OpenTrack(gThread.path, window, &isStream)) {
    ShowOpenError(window);
    return;
  }
  // Set before the track's first frame: across a gapless join the previous track's samples keep theirs.
  gThread.gains = ReplayGainInfo{};
  gThread.gainsRead = 0;
  SetReplayGain();
  ClearElapsedSeconds();
  Post(window, WM_PLAYER_STARTED, 0, 0);
  // The time display shows this track from its start, not the last track's time until a second has played.
  const int32_t duration = isStream ? 0 : CurrentDuration();
  Post(window, WM_PLAYER_INFO, static_cast<uintptr_t>(static_cast<intptr_t>(duration)), 0);
  ResetSync();

  bool stopRequested = false;
  // A stream arrives at its own pace and cannot be played faster or slower than it comes.
  FrameOutput frame{window, channels, false, false, false, 0, isStream, isStream ? 0 : params->speedPercent};
  for (;;) {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == TM_STOP) {
        stopRequested = true;
        ResetOutput();
        break;
      }
      if (msg.message == TM_SEEK) SeekAndCount(&s, static_cast<int32_t>(msg.lParam), window);
    }
    if (isStream) PostStreamNews();
    if (gReplayGainChanges != gThread.gainChanges) SetReplayGain();  // the Playback page's new choice
    if (DecodeNextFrame(&s, window, PrepareFrameOutput, &frame) != 1) break;
    // A resumed track goes on where it was left, once its first frame has shown the reader its form.
    if (startFrame > 0) {
      if (!isStream) SeekAndCount(&s, startFrame, window);
      startFrame = 0;
    }
    // A device that refuses every block has been reported by the output: the track ends as after a
    // failed open, and the device is closed so that the next track opens it afresh.
    if (OutputRefused()) {
      frame.outputError = true;
      CloseOutput(1);
      gDecodeBuffer.fill = 0;
      break;
    }

    const int32_t blocks = gSettings.bufferBlocks;
    if (gBuildSelect > 0 && QueuedBlockCount() > blocks / 2) Sleep(1);
    if (gSettings.skipProtection) AdjustPriority(blocks);
  }
  if (isStream) {
    // A stop that ended a wait for the stream's bytes is taken here, as in the loop.
    MSG msg;
    if (!stopRequested && PeekMessageA(&msg, nullptr, TM_STOP, TM_STOP, PM_REMOVE)) {
      stopRequested = true;
      ResetOutput();
    }
    if (!stopRequested && StopPending()) stopRequested = true;  // the thread's end
  }
  CloseStream();  // a stream's network thread is woken and joined
  if (isStream) {
    gFrameReader.keepWaiting = nullptr;
    PostStreamNews();
    char reason[8];
    if (!stopRequested && StreamError(reason, sizeof reason)) Post(window, WM_PLAYER_STREAM, kStreamFailed, 0);
    PostSavedDownload(0);
  }
  Post(window, WM_PLAYER_STOPPED, 0, 0);
  if (!stopRequested && !frame.stopRequested && !frame.outputError) Post(window, WM_PLAYER_TRACK_END, 0, 0);
}

}  // namespace

DWORD WINAPI DecodeThreadProc(LPVOID argument) {
  // The queue exists from the first PeekMessageA on: a TM_PLAY posted as soon as the creator goes on is
  // kept.
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  if (gQueueReady) SetEvent(gQueueReady);
  const PlaybackParams* params = static_cast<const PlaybackParams*>(argument);
  StartDecoder(gSettings.processor);
  // The equalizer dialog changes the gains in the settings record; the synthesis reads them there.
  SetEqualizerGains(gSettings.eqGains, &gSettings.eqEnabled);
  gDecoderWindow = params->window;
  Post(params->window, WM_PLAYER_INFO, 0, 0);
  uint8_t* buffer = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kDecodeBufferBytes));
  if (!buffer) {
    ShowMessageBox(params->window, "Error Allocating Decode Buffer...", "Error...", kBoxOk);
    return 0;
  }
  gDecodeBuffer.data = buffer;
  gDecodeBuffer.fill = 0;
  gWritePcm = WritePcm;

  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == TM_PLAY) {
      PlayTrack(params, static_cast<int32_t>(msg.lParam));
    } else if (msg.message == TM_RESET_OUTPUT) {
      const int32_t immediate = msg.lParam > 0 ? 1 : 0;
      if (IsOutputOpen() && !immediate) PlayRemainder(WriteLastPcm);
      if (IsOutputOpen()) CloseOutput(immediate);
      std::memset(buffer, 0, kDecodeBufferBytes);
      gDecodeBuffer.fill = 0;
    }
  }
  StreamAbort();
  if (IsOutputOpen()) CloseOutput(1);
  gDecodeBuffer.data = nullptr;
  gDecodeBuffer.fill = 0;
  HeapFree(GetProcessHeap(), 0, buffer);
  return 1;
}

HANDLE CreateDecodeThread(PlaybackParams* params, DWORD* threadId) {
  gQueueReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 16384, DecodeThreadProc, params, 0, threadId);
  if (thread) {
    SetThreadPriority(thread, gSettings.processor == 0 ? THREAD_PRIORITY_HIGHEST : THREAD_PRIORITY_ABOVE_NORMAL);
    // Returns once the thread's queue exists (or the thread has ended), so that no message is lost.
    if (gQueueReady) {
      const HANDLE waits[2] = {gQueueReady, thread};
      WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    }
  }
  if (gQueueReady) CloseHandle(gQueueReady);
  gQueueReady = nullptr;
  return thread;
}
