#include "shell/resume.h"

#include <string>

#include "engine/wave_output.h"
#include "platform/profile.h"
#include "playlist/playlist.h"
#include "playlist/resume_list.h"
#include "settings/start_up_options.h"
#include "shell/playback_control.h"
#include "shell/shell_state.h"

namespace {

constexpr UINT kResumeSaveMs = 5000;

struct ResumeState {
  bool restored;             // RestoreLastList filled the list; the window starts its entry
  ResumePoint point;         // where the restored list stood
  bool listWritten;          // `fingerprint` is that of the list the file holds
  uint64_t fingerprint;
  ResumePoint pointWritten;  // what the keys hold
};
ResumeState gResume = {false, {0, -1}, false, 0, {-1, -2}};

std::string ResumeListPath() { return ProfileFilePath(kResumeListFile); }

ResumePoint CurrentPoint() {
  const int32_t index = CurrentIndex();
  const bool playing = gShell.playState == kPlaying || gShell.playState == kPaused;
  // A stream has no position to go back to: it plays live from wherever it is.
  const int32_t frame = !playing ? -1 : CurrentIsStream() || gShell.lastFrame < 0 ? 0 : gShell.lastFrame;
  return {index < 0 ? 0 : index, frame};
}

}  // namespace

bool RestoreLastList() {
  ResumePoint point;
  if (!gStartUpOptions.resumeOnStart || !LoadResumePoint(&point)) return false;
  if (!LoadResumeList(ResumeListPath().c_str())) return false;
  gResume.restored = true;
  gResume.point = point;
  gResume.fingerprint = PlaylistFingerprint();  // the file holds this list already
  gResume.listWritten = true;
  return true;
}

bool StartRestoredEntry(HWND window) {
  if (!gResume.restored) return false;
  gResume.restored = false;
  const ResumePoint& point = gResume.point;
  if (!MakeCurrentAt(point.entry) || point.frame < 0) return true;
  // The output keeps a pause asked for before its device opens: the entry starts paused at its place.
  if (gStartUpOptions.startPaused) PauseOutput();
  Sleep(50);
  StartCurrentEntry(window, point.frame);
  return true;
}

void StartResumeTimer(HWND window) { SetTimer(window, kResumeTimer, kResumeSaveMs, nullptr); }

void SaveResumeState(bool closing) {
  if (!gStartUpOptions.resumeOnStart) return;
  const uint64_t fingerprint = PlaylistFingerprint();
  if (!gResume.listWritten || fingerprint != gResume.fingerprint) {
    gResume.listWritten = WriteResumeList(ResumeListPath().c_str()) == 1;
    gResume.fingerprint = fingerprint;
  }
  const ResumePoint point = CurrentPoint();
  if (!closing && point.entry == gResume.pointWritten.entry && point.frame == gResume.pointWritten.frame) return;
  if (SaveResumePoint(point)) gResume.pointWritten = point;
}
