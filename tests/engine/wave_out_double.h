// A stand-in for the wave-out device: records every call the wave output makes, queues the blocks it is
// given and finishes them through the output's callback when a test says so, or continuously from its
// own "driver" thread while not paused, as a real device would.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

struct WaveOutDouble {
  std::recursive_mutex lock;
  // Answers the double gives.
  MMRESULT openResult = MMSYSERR_NOERROR;
  MMRESULT writeResult = MMSYSERR_NOERROR;
  MMRESULT capsResult = MMSYSERR_NOERROR;
  std::string deviceName = "Double Device";  // copied into szPname without a terminator when 32 long
  UINT deviceCount = 1;
  // When set, the name of each device by id instead; "" stands for one whose capabilities cannot be read.
  std::vector<std::string> deviceNames;
  int failAllocation = 0;  // 1: the spectrum store, 2: the header and data area
  // What the output did.
  WAVEFORMATEX format = {};
  UINT deviceId = 0;
  DWORD openFlags = 0;
  DWORD_PTR callback = 0;
  int opens = 0, closes = 0, pauses = 0, restarts = 0, resets = 0, prepares = 0, unprepares = 0, writes = 0;
  int restartsAtWrite = -1;  // the write count when the device was first restarted
  bool paused = false;
  std::vector<DWORD> volumes;
  std::deque<WAVEHDR*> queue;               // written, not yet finished
  std::vector<WAVEHDR*> written;            // every header accepted, in order
  std::vector<std::vector<uint8_t>> played; // the data of every block finished by playing, in order
  int returnedByReset = 0;
  int liveAllocations = 0;
  int badCalls = 0;  // calls with a wrong handle or an unprepared or already queued header
};

extern WaveOutDouble* gDouble;

// Puts a fresh double in place of winmm, or takes it away again (closing the output at once).
void InstallWaveOutDouble();
void RemoveWaveOutDouble();
// Finishes up to `count` of the oldest queued blocks as played; returns how many it finished.
int PlayQueuedBlocks(int count);
// Finishes every queued block as if the device were reset, without counting a reset call.
void ReturnQueuedBlocks();
// Blocks finished by playing so far (safe while the driver thread runs).
size_t PlayedCount();
// The driver thread plays one queued block per millisecond while the device is not paused.
void StartDriverThread();
void StopDriverThread();
