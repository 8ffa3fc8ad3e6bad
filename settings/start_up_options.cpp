#include "settings/start_up_options.h"

#include <cstdio>

#include "platform/profile.h"
#include "settings/settings_file.h"

StartUpOptions gStartUpOptions = {1, 0};

void LoadStartUpOptions() {
  gStartUpOptions.resumeOnStart = KeyChoice(kResumeOnStartKey, 1, 1);
  gStartUpOptions.startPaused = KeyChoice(kStartPausedKey, 1, 0);
}

int32_t SaveStartUpOptions() {
  const bool resumeWritten = WriteNumber(kResumeOnStartKey, gStartUpOptions.resumeOnStart);
  const bool pausedWritten = WriteNumber(kStartPausedKey, gStartUpOptions.startPaused);
  return resumeWritten && pausedWritten ? 1 : 0;
}

bool LoadResumePoint(ResumePoint* point) {
  const int32_t entry = KeyNumber(kResumeEntryKey);
  if (entry < 0) return false;
  // "-1", like anything else that is no whole number to KeyNumber, reads as -1: the entry did not play.
  *point = {entry, KeyNumber(kResumeFrameKey)};
  return true;
}

int32_t SaveResumePoint(const ResumePoint& point) {
  char entry[16];
  char frame[16];
  std::snprintf(entry, sizeof entry, "%d", static_cast<int>(point.entry));
  std::snprintf(frame, sizeof frame, "%d", static_cast<int>(point.frame));
  const ProfileString keys[2] = {{kResumeEntryKey, entry}, {kResumeFrameKey, frame}};
  return ProfileWriteStrings(kSettingsSection, keys, 2, kSettingsFile) ? 1 : 0;
}
