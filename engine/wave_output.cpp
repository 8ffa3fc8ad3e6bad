#include "engine/wave_output.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "decoder/decode_buffer.h"
#include "platform/notify.h"
#include "settings/settings.h"

static_assert(std::is_same_v<decltype(&WritePcm), WritePcmFn>, "the decoder writes through WritePcm");
static_assert(sizeof(WAVEOUTCAPSA) == 52, "device capabilities record");
#ifndef _WIN64
static_assert(sizeof(WAVEHDR) == 32, "wave header record");
#endif

namespace {

void* AllocGlobalArea(size_t bytes) {
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (!handle) return nullptr;
  void* area = GlobalLock(handle);
  if (!area) GlobalFree(handle);
  return area;
}

void FreeGlobalArea(void* area) {
  HGLOBAL handle = GlobalHandle(area);
  if (!handle) return;
  GlobalUnlock(handle);
  GlobalFree(handle);
}

void* AllocHeapStore(size_t bytes) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes); }

void FreeHeapStore(void* store) { HeapFree(GetProcessHeap(), 0, store); }

}  // namespace

const WaveOutApi kWinmmWaveOut = {
    waveOutOpen,        waveOutPrepareHeader, waveOutUnprepareHeader, waveOutWrite,
    waveOutPause,       waveOutRestart,       waveOutReset,           waveOutClose,
    waveOutSetVolume,   waveOutGetDevCapsA,   waveOutGetNumDevs,      waveOutGetErrorTextA,
    AllocGlobalArea,    FreeGlobalArea,       AllocHeapStore,         FreeHeapStore,
};

volatile int32_t gPluginRunning = 0;

namespace {

constexpr DWORD kOpenFlags = CALLBACK_FUNCTION | WAVE_ALLOWSYNC;  // 0x30002
constexpr int32_t kMinBlockBytes = 256;
constexpr int32_t kMaxBlockBytes = 65536;
constexpr int32_t kMinRate = 1000;
constexpr int32_t kMaxRate = 384000;
constexpr uint32_t kVolumeStep = 0x04000400;  // 1024 in each channel's word
constexpr const char* kErrorCaption = "Audio System Error...";

const WaveOutApi* gApi = &kWinmmWaveOut;

HWAVEOUT volatile gDevice = nullptr;
HWND gOwner = nullptr;     // owns the box of a device that refuses every block
WAVEFORMATEX gFormat = {};
LONG gTrackBytesPerSecond = 0;  // a second of the track, which the elapsed seconds count
int32_t gBlockCount = 0;   // N, fixed while open
int32_t gBlockBytes = 0;
int32_t gBlockInterval = 1;
volatile LONG gFreeCount = 0;
volatile LONG gWriteIndex = 0;
uint8_t* gArea = nullptr;  // N headers, then N data blocks
WAVEHDR* gHeaders = nullptr;
uint8_t* gData = nullptr;
uint8_t* gSpectrumStore = nullptr;  // N spectrum records
volatile LONG gPreBufferTarget = 0;
volatile LONG gHeld = 0;
volatile LONG gWrittenWhileHeld = 0;
volatile LONG gByteCount = 0;
volatile LONG gElapsedSeconds = 0;
// Paused by PauseOutput, not by pre-buffering. The user's pause outlives the device: one asked for while
// the device is closed, or while it is closed and opened again for another format, holds the next device.
volatile LONG gPaused = 0;
int32_t gRefusalLimit = 1;        // refused blocks in a row that make the output give up: about a second
int32_t gRefusedInARow = 0;
volatile LONG gRefused = 0;       // the device refused gRefusalLimit blocks in a row
std::array<int8_t, kSnapshotBytes> gWaveSnapshot = {};
std::array<uint8_t, kSnapshotBytes> gSpectrumSnapshot = {};

int32_t Clamp(int32_t value, int32_t low, int32_t high) { return value < low ? low : value > high ? high : value; }

// The settings record may come from a damaged file: the ring size is held to its documented range.
int32_t RingBlocks() { return Clamp(gSettings.bufferBlocks, kMinWaveBlocks, kMaxWaveBlocks); }

int32_t PreBufferingEnabled() { return gSettings.preBufferEnabled == 1; }

void Hold() {
  gPreBufferTarget = PreBufferTarget(gSettings.preBufferPercent, gBlockCount);
  if (gDevice) gApi->pause(gDevice);
  gHeld = 1;
}

// A device the user paused stays paused when its pre-buffer fills; ResumeOutput starts it.
void Release() {
  if (gDevice && !gPaused) gApi->restart(gDevice);
  gHeld = 0;
  gWrittenWhileHeld = 0;
}

void ReportOutputError(MMRESULT code, HWND owner) {
  char text[256] = {};
  if (gApi->getErrorText(code, text, 255) != MMSYSERR_NOERROR || text[0] == '\0') {
    std::snprintf(text, sizeof(text), "Wave output error %u.", static_cast<unsigned>(code));
  }
  text[sizeof(text) - 1] = '\0';
  ShowMessageBox(owner, text, kErrorCaption, kBoxIconError);
}

// A refused block is not queued, so the writer would otherwise run on at full speed: it waits one block
// interval, and after about a second of refusals in a row the output reports the device's error once
// and takes nothing more until it is reset, closed or opened again.
void NoteRefusal(MMRESULT code) {
  if (++gRefusedInARow < gRefusalLimit) {
    Sleep(static_cast<DWORD>(gBlockInterval));
    return;
  }
  gRefused = 1;
  ReportOutputError(code, gOwner);
}

void ClearRefusals() {
  gRefusedInARow = 0;
  gRefused = 0;
}

void FreeBuffers() {
  if (gArea) gApi->freeArea(gArea);
  if (gSpectrumStore) gApi->freeStore(gSpectrumStore);
  gArea = nullptr;
  gHeaders = nullptr;
  gData = nullptr;
  gSpectrumStore = nullptr;
}

int8_t WaveValue(const uint8_t* block, uint32_t sampleIndex) {
  int16_t sample;
  std::memcpy(&sample, block + 2 * sampleIndex, sizeof(sample));
  return static_cast<int8_t>(Clamp(sample / 192, -127, 127));
}

// 576 values per channel from successive sample pairs, `step` 16-bit samples apart. A 2048-byte block
// holds only 512 pairs: the values past the last pair run back through the block (pair 511, 510, ...),
// so the trace stays continuous and never reads past the block.
void TakeWaveSnapshot(const uint8_t* block, uint32_t bytes) {
  const uint32_t samples = bytes / 2;
  uint32_t step = (bytes + 1151) / 1152;
  if (step & 1) ++step;
  if (step < 2) step = 2;
  const uint32_t pairs = samples >= 2 ? (samples - 2) / step + 1 : 0;
  for (uint32_t k = 0; k < static_cast<uint32_t>(kSnapshotValues); ++k) {
    int8_t left = 0;
    int8_t right = 0;
    if (pairs > 0) {
      const uint32_t m = k % (2 * pairs);
      const uint32_t pair = m < pairs ? m : 2 * pairs - 1 - m;
      left = WaveValue(block, pair * step);
      right = WaveValue(block, pair * step + 1);
    }
    gWaveSnapshot[k] = left;
    gWaveSnapshot[kSnapshotValues + k] = right;
  }
}

// Finishes one block: seconds played, then the snapshots when a visualisation wants them.
void BlockDone(const WAVEHDR* header) {
  if (!header) return;
  const uint32_t bytes = header->dwBufferLength < static_cast<DWORD>(gBlockBytes)
                             ? static_cast<uint32_t>(header->dwBufferLength)
                             : static_cast<uint32_t>(gBlockBytes);
  const LONG perSecond = gTrackBytesPerSecond;
  LONG count = gByteCount + static_cast<LONG>(bytes);
  while (perSecond > 0 && count >= perSecond) {
    count -= perSecond;
    gElapsedSeconds = gElapsedSeconds + 1;
  }
  gByteCount = count;
  if (!gSettings.visActive && !gPluginRunning) return;
  const DWORD_PTR index = header->dwUser;
  const uint8_t* data = gData;
  const uint8_t* store = gSpectrumStore;
  if (!data || !store || index >= static_cast<DWORD_PTR>(gBlockCount)) return;
  TakeWaveSnapshot(data + index * static_cast<size_t>(gBlockBytes), bytes);
  std::memcpy(gSpectrumSnapshot.data(), store + index * kSpectrumRecordBytes, kSpectrumRecordBytes);
}

// Runs on the driver's thread: no wave-out calls here. The block is counted free only after it has
// been read for the snapshots, so neither the writer nor a draining close can reuse or free it while
// the callback still reads it.
void CALLBACK WaveOutCallback(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR param1, DWORD_PTR) {
  if (message == WOM_OPEN) {
    gByteCount = 0;
    gElapsedSeconds = 0;
  } else if (message == WOM_DONE) {
    BlockDone(reinterpret_cast<const WAVEHDR*>(param1));
    InterlockedIncrement(&gFreeCount);
  }
}

}  // namespace

void SetWaveOutApi(const WaveOutApi* api) {
  if (gDevice) CloseOutput(1);
  gPaused = 0;
  gApi = api ? api : &kWinmmWaveOut;
}

int32_t PreBufferTarget(int32_t percent, int32_t blocks) {
  // The share is taken with the single-precision 0.01, so 50 % of 50 blocks gives 24.
  const double hundredth = static_cast<double>(0.01f);
  int32_t target = static_cast<int32_t>(Clamp(percent, 0, 100) * (blocks * hundredth));
  if (target >= blocks) target = blocks - 1;
  return target;
}

int32_t BlockIntervalMs(int32_t avgBytesPerSec, int32_t blockBytes) {
  if (avgBytesPerSec <= 0 || blockBytes <= 0) return 1;
  const double blocksPerSecond = static_cast<double>(avgBytesPerSec) / blockBytes;
  const double ms = 1000.0 / blocksPerSecond;
  if (ms < 1.0) return 1;
  if (ms > 10000.0) return 10000;
  return static_cast<int32_t>(ms);
}

int32_t OpenOutput(int32_t channels, int32_t rate, int32_t device, int32_t blockBytes, HWND owner) {
  return OpenOutputAt(channels, rate, rate, device, blockBytes, owner);
}

int32_t OpenOutputAt(int32_t channels, int32_t trackRate, int32_t rate, int32_t device, int32_t blockBytes,
                     HWND owner) {
  if (gDevice) CloseOutput(1);
  if (channels < 1 || channels > 2 || rate < kMinRate || rate > kMaxRate || trackRate < kMinRate ||
      trackRate > kMaxRate || blockBytes < kMinBlockBytes || blockBytes > kMaxBlockBytes || blockBytes % 4 != 0) {
    ReportOutputError(WAVERR_BADFORMAT, owner);
    return -1;
  }
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = static_cast<WORD>(channels);
  format.nSamplesPerSec = static_cast<DWORD>(rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = static_cast<WORD>(channels * 2);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  format.cbSize = 0;
  gFormat = format;
  gTrackBytesPerSecond = static_cast<LONG>(trackRate) * format.nBlockAlign;

  const int32_t blocks = RingBlocks();
  gBlockCount = blocks;
  gBlockBytes = blockBytes;
  gFreeCount = blocks;
  gWriteIndex = 0;
  gBlockInterval = BlockIntervalMs(static_cast<int32_t>(format.nAvgBytesPerSec), blockBytes);
  gRefusalLimit = static_cast<int32_t>(format.nAvgBytesPerSec) / blockBytes;
  if (gRefusalLimit < 1) gRefusalLimit = 1;
  ClearRefusals();
  gOwner = owner;
  gByteCount = 0;
  gElapsedSeconds = 0;
  gHeld = 0;
  gWrittenWhileHeld = 0;

  gSpectrumStore = static_cast<uint8_t*>(gApi->allocStore(static_cast<size_t>(blocks) * kSpectrumRecordBytes));
  if (!gSpectrumStore) {
    ReportOutputError(MMSYSERR_NOMEM, owner);
    gBlockCount = 0;
    gFreeCount = 0;
    return -1;
  }

  HWAVEOUT handle = nullptr;
  const MMRESULT opened = gApi->open(&handle, static_cast<UINT>(device), &gFormat,
                                     reinterpret_cast<DWORD_PTR>(&WaveOutCallback), 0, kOpenFlags);
  if (opened != MMSYSERR_NOERROR || !handle) {
    FreeBuffers();
    gBlockCount = 0;
    gFreeCount = 0;
    ReportOutputError(opened != MMSYSERR_NOERROR ? opened : MMSYSERR_ERROR, owner);
    return -1;
  }

  const size_t headerBytes = sizeof(WAVEHDR) * static_cast<size_t>(blocks);
  const size_t areaBytes = headerBytes + static_cast<size_t>(blockBytes) * static_cast<size_t>(blocks);
  uint8_t* area = static_cast<uint8_t*>(gApi->allocArea(areaBytes));
  if (!area) {
    gApi->close(handle);
    FreeBuffers();
    gBlockCount = 0;
    gFreeCount = 0;
    ReportOutputError(MMSYSERR_NOMEM, owner);
    return -1;
  }
  gArea = area;
  gHeaders = reinterpret_cast<WAVEHDR*>(area);
  gData = area + headerBytes;
  for (int32_t i = 0; i < blocks; ++i) {
    WAVEHDR& header = gHeaders[i];
    header.lpData = reinterpret_cast<LPSTR>(gData + static_cast<size_t>(i) * static_cast<size_t>(blockBytes));
    header.dwBufferLength = static_cast<DWORD>(blockBytes);
    header.dwUser = static_cast<DWORD_PTR>(i);
    gApi->prepareHeader(handle, &header, sizeof(WAVEHDR));
  }
  gDevice = handle;
  if (PreBufferingEnabled()) {
    Hold();
  } else if (gPaused) {
    gApi->pause(handle);
  }
  return 0;
}

int32_t WritePcm(int32_t count, const uint8_t* pcm, const uint8_t* spectrum) {
  if (count <= 0 || !pcm || !gDevice || gRefused) return 0;
  if (gHeld) {
    gWrittenWhileHeld = gWrittenWhileHeld + 1;
    // Reached or passed: a target of 0 starts the device at the first block.
    if (gWrittenWhileHeld >= gPreBufferTarget) Release();
  }
  while (gFreeCount < 1) {
    if (!gDevice) return 0;
    Sleep(static_cast<DWORD>(gBlockInterval));
  }
  LONG index = gWriteIndex;
  if (index < 0 || index >= gBlockCount) index = 0;
  const int32_t taken = count < gBlockBytes ? count : gBlockBytes;
  uint8_t* block = gData + static_cast<size_t>(index) * static_cast<size_t>(gBlockBytes);
  std::memcpy(block, pcm, static_cast<size_t>(taken));
  // A short block is finished with silence rather than what the block held before.
  if (taken < gBlockBytes) std::memset(block + taken, 0, static_cast<size_t>(gBlockBytes - taken));
  uint8_t* slot = gSpectrumStore + static_cast<size_t>(index) * kSpectrumRecordBytes;
  if (spectrum) {
    std::memcpy(slot, spectrum, kSpectrumRecordBytes);
  } else {
    std::memset(slot, 0, kSpectrumRecordBytes);
  }
  InterlockedDecrement(&gFreeCount);
  const MMRESULT written = gApi->write(gDevice, &gHeaders[index], sizeof(WAVEHDR));
  if (written != MMSYSERR_NOERROR) {
    // A refused block never comes back through the callback: it is not counted as queued, its slot stays
    // the next one to fill (the slots after it may still be queued), and its bytes count as not taken.
    InterlockedIncrement(&gFreeCount);
    if (gHeld) gWrittenWhileHeld = gWrittenWhileHeld - 1;
    NoteRefusal(written);
    return 0;
  }
  gRefusedInARow = 0;
  gWriteIndex = index + 1;
  return taken;
}

int32_t WriteLastPcm(int32_t count, const uint8_t* pcm, const uint8_t* spectrum) {
  while (gFreeCount < 1) {
    if (!gDevice || gPaused) return 0;
    Sleep(static_cast<DWORD>(gBlockInterval));
  }
  return WritePcm(count, pcm, spectrum);
}

void ResetOutput() {
  if (gDevice) gApi->reset(gDevice);
  gByteCount = 0;
  gElapsedSeconds = 0;
  gWriteIndex = 0;
  ClearRefusals();
  if (PreBufferingEnabled()) Hold();
}

void PauseOutput() {
  gPaused = 1;
  if (gDevice) gApi->pause(gDevice);
}

void ResumeOutput() {
  gPaused = 0;
  // Still gathering its pre-buffer: the device starts when the target block is written.
  if (gDevice && !gHeld) gApi->restart(gDevice);
}

int32_t IsOutputPaused() { return gPaused ? 1 : 0; }

int32_t DrainOutput(int32_t (*abandon)()) {
  if (!gDevice) return 1;
  if (abandon && abandon()) return 0;
  // A device still held for its pre-buffer would never play what it holds.
  if (gHeld) Release();
  while (gDevice && gFreeCount < gBlockCount) {
    if (abandon && abandon()) return 0;
    Sleep(2);
  }
  return 1;
}

void CloseOutput(int32_t immediate) {
  HWAVEOUT handle = gDevice;
  if (!handle) return;
  // A paused device would never play the blocks out: the user asked for silence, so its queued blocks
  // are dropped rather than played or waited for, also when the pause comes during the drain. A device
  // still held for pre-buffering is started to play them.
  if (immediate == 0 && !gPaused) {
    if (gHeld) Release();
    while (gFreeCount < gBlockCount && !gPaused) Sleep(2);
  }
  gApi->reset(handle);
  for (int32_t i = 0; i < gBlockCount; ++i) gApi->unprepareHeader(handle, &gHeaders[i], sizeof(WAVEHDR));
  // Closed before the memory goes, so that no late callback can reach freed blocks.
  gDevice = nullptr;
  gApi->close(handle);
  FreeBuffers();
  gBlockCount = 0;
  gFreeCount = 0;
  gWriteIndex = 0;
  gHeld = 0;
  gWrittenWhileHeld = 0;
  ClearRefusals();
}

int32_t IsOutputOpen() { return gDevice ? 1 : 0; }

int32_t OutputRefused() { return gRefused ? 1 : 0; }

int32_t QueuedBlockCount() { return Clamp(gBlockCount - gFreeCount, 0, gBlockCount); }

int32_t ElapsedSeconds() { return gElapsedSeconds; }

void SetElapsedSeconds(int32_t seconds) {
  gByteCount = 0;
  gElapsedSeconds = seconds;
}

void ClearElapsedSeconds() {
  gByteCount = 0;
  gElapsedSeconds = 0;
}

void SetOutputVolume(int32_t level) {
  if (gDevice) gApi->setVolume(gDevice, static_cast<DWORD>(level & 63) * kVolumeStep);
}

void CopyWaveSnapshot(uint8_t* destination) {
  if (destination) std::memcpy(destination, gWaveSnapshot.data(), kSnapshotBytes);
}

void CopySpectrumSnapshot(uint8_t* destination) {
  if (destination) std::memcpy(destination, gSpectrumSnapshot.data(), kSnapshotBytes);
}

int32_t GetDeviceName(int32_t device, char* destination, size_t capacity) {
  if (!destination || capacity == 0) return 0;
  WAVEOUTCAPSA caps = {};
  const char* name = "Bad Device";
  size_t length = std::strlen(name);
  const int32_t ok =
      gApi->getDevCaps(static_cast<UINT_PTR>(static_cast<UINT>(device)), &caps, sizeof(caps)) == MMSYSERR_NOERROR;
  if (ok) {
    name = caps.szPname;
    length = strnlen(caps.szPname, sizeof(caps.szPname));
  }
  if (length > capacity - 1) length = capacity - 1;
  std::memcpy(destination, name, length);
  destination[length] = '\0';
  return ok;
}

int32_t OutputDeviceCount() { return static_cast<int32_t>(gApi->getNumDevs()); }
