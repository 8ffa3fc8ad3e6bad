// What the player does when it starts, kept in extra keys of "zav.ini" beside the record (which older
// copies read and write, so it stays as it is): "ResumeOnStart" (restore the last list, the entry that
// played and its position; on by default) and "StartPaused" (the restored entry waits paused), 0 or 1.
// The entry and its position go into "ResumeEntry" and "ResumeFrame" while it plays and on close; the
// list itself into the UTF-8 M3U8 file "zav_resume.m3u8" beside "zav.ini".
#pragma once
#include <cstdint>

constexpr const char* kResumeOnStartKey = "ResumeOnStart";
constexpr const char* kStartPausedKey = "StartPaused";
constexpr const char* kResumeEntryKey = "ResumeEntry";
constexpr const char* kResumeFrameKey = "ResumeFrame";
constexpr const char* kResumeListFile = "zav_resume.m3u8";

struct StartUpOptions {
  int32_t resumeOnStart;
  int32_t startPaused;
};
extern StartUpOptions gStartUpOptions;

// Reads the two switches; a missing key or anything but 0 or 1 gives the default (resume on, not paused).
void LoadStartUpOptions();
// Writes the two switches. Returns 1, or 0 when a write failed.
int32_t SaveStartUpOptions();

// Where playback stood: the entry's position in the list and the frame it had reached; frame -1 when
// nothing played (the entry is made current but does not start).
struct ResumePoint {
  int32_t entry;
  int32_t frame;
};
// Reads the point into `point`. False when no point was kept (a first start, or a file from before),
// or its entry is malformed; a malformed frame reads as -1.
bool LoadResumePoint(ResumePoint* point);
// Writes both keys in one write of the file. Returns 1, or 0 when it failed.
int32_t SaveResumePoint(const ResumePoint& point);
