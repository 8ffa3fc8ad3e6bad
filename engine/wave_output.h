// The wave output: 16-bit PCM played through the wave-out device as a ring of equal blocks, with
// optional pre-buffering, a count of the seconds played and snapshots of the block last heard for the
// visualisations. One device at a time; all state is module-wide.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>

constexpr int32_t kWaveBlockBytes = 2048;        // the block size every caller uses
constexpr int32_t kMinWaveBlocks = 10;           // the buffer-blocks setting is held to 10..400
constexpr int32_t kMaxWaveBlocks = 400;
constexpr int32_t kSnapshotValues = 576;         // per channel
constexpr int32_t kSnapshotBytes = 2 * kSnapshotValues;

// The system calls the wave output makes, so that tests can run it against a double instead of winmm.
// The four memory entries stand for the zero-filled, locked global block of headers and data, and the
// spectrum store from the heap; they return null when memory is short.
struct WaveOutApi {
  MMRESULT(WINAPI* open)(LPHWAVEOUT, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD);
  MMRESULT(WINAPI* prepareHeader)(HWAVEOUT, LPWAVEHDR, UINT);
  MMRESULT(WINAPI* unprepareHeader)(HWAVEOUT, LPWAVEHDR, UINT);
  MMRESULT(WINAPI* write)(HWAVEOUT, LPWAVEHDR, UINT);
  MMRESULT(WINAPI* pause)(HWAVEOUT);
  MMRESULT(WINAPI* restart)(HWAVEOUT);
  MMRESULT(WINAPI* reset)(HWAVEOUT);
  MMRESULT(WINAPI* close)(HWAVEOUT);
  MMRESULT(WINAPI* setVolume)(HWAVEOUT, DWORD);
  MMRESULT(WINAPI* getDevCaps)(UINT_PTR, LPWAVEOUTCAPSA, UINT);
  UINT(WINAPI* getNumDevs)();
  MMRESULT(WINAPI* getErrorText)(MMRESULT, LPSTR, UINT);
  void* (*allocArea)(size_t bytes);
  void (*freeArea)(void* area);
  void* (*allocStore)(size_t bytes);
  void (*freeStore)(void* store);
};

// The real winmm and Windows memory functions.
extern const WaveOutApi kWinmmWaveOut;
// Replaces the table (an open device is closed at once first); null restores kWinmmWaveOut.
void SetWaveOutApi(const WaveOutApi* api);

// Set by the plug-in host while a visualisation plug-in runs; the device callback then keeps the
// snapshots fresh even when the internal visualisation is off.
extern volatile int32_t gPluginRunning;

// Opens the device for 16-bit PCM (channels 1 or 2, rate in Hz, device -1 for WAVE_MAPPER, block size
// normally 2048). The ring gets the settings' buffer-blocks count of blocks. Returns 0, or -1 after an
// "Audio System Error..." box owned by `owner`. A device already open is closed at once first.
int32_t OpenOutput(int32_t channels, int32_t rate, int32_t device, int32_t blockBytes, HWND owner);
// OpenOutput for a track of `trackRate` Hz played at `deviceRate` Hz, faster or slower as a tape would:
// the device runs at `deviceRate`, and the elapsed seconds count seconds of the track (`trackRate`
// frames each), so the time shown stays the track's own. OpenOutput is this with both rates the same.
int32_t OpenOutputAt(int32_t channels, int32_t trackRate, int32_t deviceRate, int32_t device, int32_t blockBytes,
                     HWND owner);
// Queues one block: takes at most one block of `count` bytes (the rest of a short block is silence)
// with the 1152-byte spectrum record, sleeping while every block is queued. Returns the bytes taken;
// 0 when the device is closed, refused the block (the ring is left as it was) or has been given up
// (OutputRefused). Matches WritePcmFn, so the decoder can write through it.
int32_t WritePcm(int32_t count, const uint8_t* pcm, const uint8_t* spectrum);
// WritePcm for the last, partial block of what is to be played: instead of waiting for a free block
// while the device is paused (which could last for ever), it gives up and returns 0.
int32_t WriteLastPcm(int32_t count, const uint8_t* pcm, const uint8_t* spectrum);
// Returns every queued block, sets the count of seconds back to 0 and holds the device again when
// pre-buffering is on. Releases a writer waiting for a free block.
void ResetOutput();
// The user's pause and resume. The pause is kept while no device is open and holds the next device
// opened (also one reopened for another format), until ResumeOutput.
void PauseOutput();
void ResumeOutput();
// 1 between PauseOutput and ResumeOutput, whether a device is open or not.
int32_t IsOutputPaused();
// Waits until every queued block has played, starting a device held for pre-buffering; a paused device
// keeps it waiting. Returns 1 when drained (or no device is open), 0 as soon as `abandon` (polled every
// few milliseconds) returns non-zero. The device stays open.
int32_t DrainOutput(int32_t (*abandon)());
// Closes the device; with `immediate` 0 the queued blocks play out first, unless the device is paused
// (then they are dropped, so that the close always ends). The user's pause is kept.
void CloseOutput(int32_t immediate);
// 1 once the device has refused about a second's worth of blocks in a row; the device's error was then
// shown in an "Audio System Error..." box, and WritePcm takes nothing until the output is reset, closed
// or opened again.
int32_t OutputRefused();
int32_t IsOutputOpen();
int32_t QueuedBlockCount();
int32_t ElapsedSeconds();
void SetElapsedSeconds(int32_t seconds);
void ClearElapsedSeconds();
// Level 0..63 (only the low six bits count) for both channels.
void SetOutputVolume(int32_t level);
// 576 left values then 576 right values of the block last finished: signed 8-bit waveform values, and
// the spectrum record written with that block.
void CopyWaveSnapshot(uint8_t* destination);
void CopySpectrumSnapshot(uint8_t* destination);
// The device's product name: returns 1, or 0 with "Bad Device". The copy always ends in a NUL within
// `capacity` bytes.
int32_t GetDeviceName(int32_t device, char* destination, size_t capacity);
// Number of wave-out devices.
int32_t OutputDeviceCount();

// Blocks written while held before the device starts: percent of the ring, at most blocks - 1.
int32_t PreBufferTarget(int32_t percent, int32_t blocks);
// Whole milliseconds one block lasts (the writer's sleep while the ring is full), at least 1.
int32_t BlockIntervalMs(int32_t avgBytesPerSec, int32_t blockBytes);
