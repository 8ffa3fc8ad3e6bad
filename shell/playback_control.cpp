// Playback as the player window drives it. The window and the Decode thread share no locks: commands go
// to the thread as posted thread messages, with short fixed waits where the thread must catch up.
#include "shell/playback_control.h"

#include <cstdio>

#include "engine/messages.h"
#include "engine/wave_output.h"
#include "eq/equalizer_dialog.h"
#include "platform/notify.h"
#include "playlist/playlist.h"
#include "playlist/playlist_files.h"
#include "playlist/remote_tags.h"
#include "playlist/tag_editor.h"
#include "playlist/track_genre.h"
#include "plugins/plugin_host.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shell/about.h"
#include "shell/deferred_work.h"
#include "shell/displays.h"
#include "shell/resume.h"
#include "shell/shell_state.h"
#include "shell/skin.h"
#include "shell/visualisation.h"
#include "shell/window_scale.h"
#include "stream/stream_save.h"
#include "stream/stream_source.h"

int32_t (*gReadStreamTitle)(char* out, int32_t size) = StreamTitle;
int32_t (*gReadStreamError)(char* out, int32_t size) = StreamError;

namespace {

void PostToThread(UINT message, LPARAM lParam) {
  PostThreadMessageA(gShell.decodeThreadId, message, 0, lParam);
}

// A Decode thread blocked in a paused output would never see the next command: return its blocks and
// let the device run again first. A pause asked for before the device opened is dropped too.
void ReleasePausedOutput() {
  if (gShell.playState == kPaused || IsOutputPaused()) {
    if (IsOutputOpen()) ResetOutput();
    ResumeOutput();
  }
}

// Draws the ring straight into the window (through the frame above 1 x): lit bitmap over sectors
// 0 .. lit - 1, body over the rest.
void DrawRing(int32_t lit) {
  HDC dc = SkinDc();
  HRGN clip = CreateRectRgn(0, 0, 0, 0);
  if (!dc || !clip) {
    if (clip) DeleteObject(clip);
    return;
  }
  UniteSectors(clip, 0, lit);
  SelectClipRgn(dc, clip);
  CopyBitmap(dc, kRingOrigin.x, kRingOrigin.y, kRingSize, kRingSize, gSkin.ringLit, 0, 0);
  UniteSectors(clip, lit, kSeekSectors);
  SelectClipRgn(dc, clip);
  CopyBitmap(dc, kRingOrigin.x, kRingOrigin.y, kRingSize, kRingSize, gSkin.body, kRingOrigin.x, kRingOrigin.y);
  SelectClipRgn(dc, nullptr);
  DeleteObject(clip);
  // The ring's square reaches into the buttons' row, which the sectors never do.
  PresentSkin({kRingOrigin.x, kRingOrigin.y, kRingOrigin.x + kRingSize, kButtonTop});
}

void SeekOrSetVolumeAt(HWND window, LPARAM point) {
  const SkinPoint at = SkinPointOf(LOWORD(point), HIWORD(point));
  const int32_t x = at.x;
  const int32_t y = at.y;
  // A stream has no length to seek in.
  if (RectContains(kAreaRects[kAreaSeekBox], x, y) && !CurrentIsStream()) {
    for (int32_t i = 0; i < kSeekSectors; ++i) {
      if (gSkin.sectors[i] && PtInRegion(gSkin.sectors[i], x, y))
        PostToThread(TM_SEEK, SeekTargetFrame(gShell.lengthFrames, i));
    }
  }
  const int32_t row = VolumeRowAt(x, y);
  if (row >= 0) SetVolume(window, row);
}

}  // namespace

void ApplyAlwaysOnTop(HWND window) {
  SetWindowPos(window, gSettings.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool StartDecodeThread(HWND window) {
  gShell.playback.window = window;
  gShell.decodeThread = CreateDecodeThread(&gShell.playback, &gShell.decodeThreadId);
  return gShell.decodeThread != nullptr;
}

void StartPlayback(HWND window) {
  SetTimer(window, kScrollTimer, 100, nullptr);
  SetTimer(window, kPluginFeedTimer, 40, nullptr);
  StartVisualisationTimer(window);
  SetTimer(window, kSplashTimer, 2000, nullptr);
  StartDecodeThread(window);
  ApplyAlwaysOnTop(window);
  RebuildSongName(window);
  ShowWindow(window, SW_SHOW);
  StartResumeTimer(window);
  if (StartRestoredEntry(window)) return;
  if (gSettings.autoPlay) {
    Sleep(50);
    if (GoToFirst()) StartCurrentEntry(window);
  }
}

void StoreWindowPosition(HWND window) {
  RECT r;
  if (IsIconic(window) || !GetWindowRect(window, &r)) return;
  gSettings.windowLeft = r.left;
  gSettings.windowTop = r.top;
}

void StopPlayback(HWND window) {
  SaveResumeState(true);  // while the window still knows what plays and where
  ReleasePausedOutput();
  if (gShell.decodeThread) {
    PostToThread(TM_STOP, 0);
    Sleep(30);
    PostToThread(WM_QUIT, 0);
    if (WaitForSingleObject(gShell.decodeThread, 2000) != WAIT_OBJECT_0) TerminateThread(gShell.decodeThread, 0);
    CloseHandle(gShell.decodeThread);
    gShell.decodeThread = nullptr;
    gShell.decodeThreadId = 0;
  }
  if (IsOutputOpen()) CloseOutput(1);
  StoreWindowPosition(window);
  SaveSettings();
}

void StartCurrentEntry(HWND window, int32_t startFrame) {
  // Nothing starts on a window that is being destroyed (a nested message loop may close it under a
  // handler that goes on afterwards).
  if (gShell.closing) return;
  gShell.trackEndPending = 0;  // a track end held back during an add is overtaken
  gShell.streamBuffering = 0;  // whatever plays next starts without the last stream's refill
  const bool died = gShell.decodeThread && WaitForSingleObject(gShell.decodeThread, 0) == WAIT_OBJECT_0;
  if (died) {
    ShowMessageBox(window, "Restarting decode Thread", "Notice...", kBoxOk);
    CloseHandle(gShell.decodeThread);
    gShell.decodeThread = nullptr;
  }
  if (!gShell.decodeThread) {
    // Also covers a thread that could not be created with the window.
    StartDecodeThread(window);
    Sleep(50);
  }
  Sleep(30);
  PostToThread(TM_PLAY, startFrame);
}

void RestartFromFirst(HWND window, DWORD pauseMs) {
  ReleasePausedOutput();
  PostToThread(TM_STOP, 0);
  Sleep(pauseMs);
  GoToFirst();
  StartCurrentEntry(window);
}

void RestartCurrentEntry(HWND window) {
  ReleasePausedOutput();
  PostToThread(TM_STOP, 0);
  StartCurrentEntry(window);  // waits 30 ms before TM_PLAY
}

void Play(HWND window) {
  switch (gShell.playState) {
    case kPlaying:
      if (GoToFirst()) {
        PostToThread(TM_STOP, 0);
        StartCurrentEntry(window);
      }
      break;
    case kStopped:
      ResumeOutput();  // a pause left from a track that ended while paused does not hold this one
      StartCurrentEntry(window);
      break;
    case kPaused:
      ResumeOutput();
      break;
  }
  gShell.playState = kPlaying;
  RepaintTransportButtons(window);
}

void Pause(HWND window) {
  if (gShell.playState == kPlaying) {
    // Also before the device is open: the output keeps the pause for the device it opens next.
    PauseOutput();
    gShell.playState = kPaused;
  }
  RepaintTransportButtons(window);
}

void Stop(HWND window) {
  ReleasePausedOutput();
  PostToThread(TM_STOP, 0);
  Sleep(30);
  PostToThread(TM_RESET_OUTPUT, 1);
  gShell.playState = kStopped;
  RepaintTransportButtons(window);
}

void NextTrack(HWND window) {
  ReleasePausedOutput();
  PostToThread(TM_STOP, 0);
  Sleep(30);
  NextEntry();
  StartCurrentEntry(window);
}

void PreviousTrack(HWND window) {
  ReleasePausedOutput();
  PostToThread(TM_STOP, 0);
  Sleep(30);
  PreviousEntry();
  StartCurrentEntry(window);
}

void SetVolume(HWND window, int32_t volume) {
  gSettings.volume = volume;
  SetOutputVolume(volume);
  RepaintArea(window, kAreaVolume);
}

LRESULT OnTrackEnd(HWND window) {
  // Inside the nested loop of an add's message box the playlist is half built: the advance waits until
  // the add has finished (and is dropped if the add starts playback itself).
  if (AddRunning()) {
    gShell.trackEndPending = 1;
    ScheduleDeferredWork(window);
    return 1;
  }
  if (IsAtLast()) {
    if (gSettings.repeat) {
      GoToFirst();
      StartCurrentEntry(window);
    } else {
      // The output plays what is queued and closes; the last entry stays current.
      PostToThread(TM_RESET_OUTPUT, 0);
    }
  } else {
    NextEntry();
    StartCurrentEntry(window);
  }
  Sleep(10);
  return 1;
}

LRESULT OnPlayerInfo(WPARAM totalSeconds, LPARAM elapsedSeconds) {
  // A stream's length is unknown whatever the thread reports: it shows its elapsed time in either mode.
  gShell.totalSeconds = CurrentIsStream() ? -1 : static_cast<int32_t>(static_cast<intptr_t>(totalSeconds));
  gShell.elapsedSeconds = static_cast<int32_t>(elapsedSeconds);
  RedrawTime(gShell.elapsedSeconds, gShell.totalSeconds);
  if (!gSettings.visActive) ShowTimeCanvas();
  return 1;
}

LRESULT OnPlayerPosition(WPARAM lengthFrames, LPARAM frame) {
  gShell.lengthFrames = static_cast<int32_t>(lengthFrames);
  gShell.lastFrame = static_cast<int32_t>(frame);
  const int32_t lit = LitSectorCount(gShell.lengthFrames, gShell.lastFrame);
  gShell.litSectors = lit;
  // The ring moves in 15-degree steps: nothing is drawn between them.
  if (lit / 15 == gShell.litStep) return 1;
  gShell.litStep = lit / 15;
  DrawRing(lit);
  return 1;
}

LRESULT OnPlayerStarted(HWND window) {
  // A pause that came before the device opened holds it: the window says so too.
  gShell.playState = IsOutputPaused() ? kPaused : kPlaying;
  // The track's genre may name an equalizer preset (the Decode thread read it before the start).
  char genre[kGenreNameBytes];
  if (PlayingGenre(genre)) PickEqPresetForGenre(genre);
  RebuildSongName(window);
  RepaintTransportButtons(window);
  return 1;
}

LRESULT OnPlayerStopped(HWND window) {
  gShell.playState = kStopped;
  if (gShell.streamBuffering) {
    gShell.streamBuffering = 0;
    RebuildSongName(window);
  }
  RepaintTransportButtons(window);
  return 1;
}

LRESULT OnPlayerSync(LPARAM state) {
  if (state == gShell.lastSync) return 0;
  gShell.lastSync = state;
  return 1;
}

LRESULT OnPlayerStream(HWND window, WPARAM news, LPARAM value) {
  switch (news) {
    case kStreamTitleChanged: {
      char title[kStreamTitleBytes];
      gReadStreamTitle(title, int32_t(sizeof title));
      title[sizeof title - 1] = '\0';
      // The strip and the editor's line show it at once.
      if (SetCurrentStreamTitle(title)) {
        RebuildSongName(window);
        RefreshPlaylistEditor();
      }
      return 1;
    }
    case kStreamBuffering:
      gShell.streamBuffering = value != 0 ? 1 : 0;
      RebuildSongName(window);
      return 1;
    case kStreamFailed: {
      char reason[512];
      if (!gReadStreamError(reason, int32_t(sizeof reason))) std::snprintf(reason, sizeof reason, "The stream ended.");
      reason[sizeof reason - 1] = '\0';
      ShowMessageBox(window, reason, "Error...", kBoxOk);
      return 1;
    }
    case kStreamSaveFailed: {
      char reason[kPathBytes + 128];
      StreamSaveError(reason, int32_t(sizeof reason));
      ShowMessageBox(window, reason, "Error...", kBoxOk);
      return 1;
    }
    case kStreamSaved: {
      // "Play After Save": the download joins the list; under "Save Only" it plays.
      char path[kPathBytes];
      StreamSavedFile(path, int32_t(sizeof path));
      if (!AddTrack(path)) return 1;
      RefreshPlaylistEditor();
      if (value == 1 && MakeCurrentAt(PlaylistCount() - 1)) StartCurrentEntry(window);
      return 1;
    }
    default: return 0;
  }
}

LRESULT OnRemoteTag(HWND window) {
  if (ApplyRemoteTags() > 0) {
    RebuildSongName(window);
    RefreshPlaylistEditor();
  }
  return 0;
}

LRESULT OnTagsSaved(HWND window) {
  RebuildSongName(window);
  RepaintArea(window, kAreaSongName);
  RefreshPlaylistEditor();
  return 0;
}

void EditPlayingTags(HWND window) {
  PlaylistEntry entry;
  if (!CopyCurrentEntry(&entry)) {
    MessageBeep(MB_OK);
    return;
  }
  entry.path[sizeof entry.path - 1] = 0;
  EditTags(window, entry.path);
}

LRESULT OnLeftButtonDown(HWND window, LPARAM point) {
  SeekOrSetVolumeAt(window, point);
  return 1;
}

LRESULT OnMouseMove(HWND window, WPARAM keys, LPARAM point) {
  if (keys & MK_LBUTTON) SeekOrSetVolumeAt(window, point);
  return 1;
}

LRESULT OnTimer(HWND window, WPARAM id) {
  // Files handed over to a window in the tray are added all the same.
  if (id == kDeferredWorkTimer) {
    OnDeferredWorkTimer(window);
    return 0;
  }
  if (id == kResumeTimer) {
    SaveResumeState(false);
    return 0;
  }
  if (IsIconic(window)) return 0;
  switch (id) {
    case kSplashTimer:
      CloseSplash(window);
      break;
    case kScrollTimer:
      ScrollSongName();
      break;
    case kVisualisationTimer:
      OnVisualisationTick();
      break;
    case kPluginFeedTimer:
      if (IsPluginRunning()) {
        TakeVisSnapshots();
        FeedPlugin(2, gVisSnapshots.spectrum.data(), 2, gVisSnapshots.wave.data());
      }
      break;
    default:
      break;
  }
  return 0;
}
