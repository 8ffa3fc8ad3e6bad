#include "tests/engine/wave_out_double.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "engine/wave_output.h"

WaveOutDouble* gDouble = nullptr;

namespace {

HWAVEOUT const kHandle = reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(0x5A5A));
std::thread gDriver;
std::atomic<bool> gDriverRunning{false};

using Callback = void(CALLBACK*)(HWAVEOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

void Notify(UINT message, WAVEHDR* header) {
  if (!gDouble->callback) return;
  reinterpret_cast<Callback>(gDouble->callback)(kHandle, message, 0, reinterpret_cast<DWORD_PTR>(header), 0);
}

// Caller holds the lock.
void Finish(WAVEHDR* header, bool played) {
  header->dwFlags = (header->dwFlags & ~static_cast<DWORD>(WHDR_INQUEUE)) | WHDR_DONE;
  if (played) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(header->lpData);
    gDouble->played.emplace_back(data, data + header->dwBufferLength);
  } else {
    ++gDouble->returnedByReset;
  }
  Notify(WOM_DONE, header);
}

void ReturnAll() {
  while (!gDouble->queue.empty()) {
    WAVEHDR* header = gDouble->queue.front();
    gDouble->queue.pop_front();
    Finish(header, false);
  }
}

bool Bad(HWAVEOUT handle) {
  if (handle == kHandle) return false;
  ++gDouble->badCalls;
  return true;
}

MMRESULT WINAPI Open(LPHWAVEOUT handle, UINT device, LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR,
                     DWORD flags) {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  ++gDouble->opens;
  gDouble->deviceId = device;
  gDouble->openFlags = flags;
  gDouble->format = *format;
  if (gDouble->openResult != MMSYSERR_NOERROR) return gDouble->openResult;
  gDouble->callback = callback;
  gDouble->paused = false;
  *handle = kHandle;
  Notify(WOM_OPEN, nullptr);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Prepare(HWAVEOUT handle, LPWAVEHDR header, UINT size) {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  if (Bad(handle) || size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  ++gDouble->prepares;
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Unprepare(HWAVEOUT handle, LPWAVEHDR header, UINT) {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  if (Bad(handle)) return MMSYSERR_INVALHANDLE;
  if (header->dwFlags & WHDR_INQUEUE) {
    ++gDouble->badCalls;
    return WAVERR_STILLPLAYING;
  }
  ++gDouble->unprepares;
  header->dwFlags &= ~static_cast<DWORD>(WHDR_PREPARED);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Write(HWAVEOUT handle, LPWAVEHDR header, UINT) {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  if (Bad(handle)) return MMSYSERR_INVALHANDLE;
  ++gDouble->writes;
  if (!(header->dwFlags & WHDR_PREPARED) || (header->dwFlags & WHDR_INQUEUE)) {
    ++gDouble->badCalls;
    return WAVERR_UNPREPARED;
  }
  if (gDouble->writeResult != MMSYSERR_NOERROR) return gDouble->writeResult;
  header->dwFlags = (header->dwFlags & ~static_cast<DWORD>(WHDR_DONE)) | WHDR_INQUEUE;
  gDouble->queue.push_back(header);
  gDouble->written.push_back(header);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Pause(HWAVEOUT handle) {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  if (Bad(handle)) return MMSYSERR_INVALHANDLE;
  ++gDouble->pauses;
  gDouble->paused = true;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Restart(HWAVEOUT handle) {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  if (Bad(handle)) return MMSYSERR_INVALHANDLE;
  if (gDouble->restarts++ == 0) gDouble->restartsAtWrite = gDouble->writes;
  gDouble->paused = false;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Reset(HWAVEOUT handle) {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  if (Bad(handle)) return MMSYSERR_INVALHANDLE;
  ++gDouble->resets;
  ReturnAll();
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Close(HWAVEOUT handle) {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  if (Bad(handle)) return MMSYSERR_INVALHANDLE;
  ++gDouble->closes;
  if (!gDouble->queue.empty()) {
    ++gDouble->badCalls;
    return WAVERR_STILLPLAYING;
  }
  Notify(WOM_CLOSE, nullptr);
  gDouble->callback = 0;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI SetVolume(HWAVEOUT handle, DWORD volume) {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  if (Bad(handle)) return MMSYSERR_INVALHANDLE;
  gDouble->volumes.push_back(volume);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI GetDevCaps(UINT_PTR device, LPWAVEOUTCAPSA caps, UINT size) {
  if (size != sizeof(WAVEOUTCAPSA)) return MMSYSERR_INVALPARAM;
  if (gDouble->capsResult != MMSYSERR_NOERROR) return gDouble->capsResult;
  const std::vector<std::string>& names = gDouble->deviceNames;
  if (!names.empty() && (device >= names.size() || names[device].empty())) return MMSYSERR_BADDEVICEID;
  const std::string& name = names.empty() ? gDouble->deviceName : names[device];
  // Fill with junk first, as a driver might, then the name, unterminated when it takes all 32 bytes.
  std::memset(caps, 'x', sizeof(*caps));
  const size_t length = name.size() < sizeof(caps->szPname) ? name.size() : sizeof(caps->szPname);
  std::memcpy(caps->szPname, name.data(), length);
  if (length < sizeof(caps->szPname)) caps->szPname[length] = '\0';
  return MMSYSERR_NOERROR;
}

UINT WINAPI GetNumDevs() { return gDouble->deviceCount; }

MMRESULT WINAPI GetErrorText(MMRESULT code, LPSTR text, UINT size) {
  if (size == 0) return MMSYSERR_INVALPARAM;
  std::snprintf(text, size, "Double error %u", static_cast<unsigned>(code));
  return MMSYSERR_NOERROR;
}

void* AllocArea(size_t bytes) {
  if (gDouble->failAllocation == 2) return nullptr;
  ++gDouble->liveAllocations;
  return std::calloc(bytes, 1);
}

void* AllocStore(size_t bytes) {
  if (gDouble->failAllocation == 1) return nullptr;
  ++gDouble->liveAllocations;
  // Not zeroed, so that nothing can rely on a fresh store being silent.
  void* store = std::malloc(bytes);
  if (store) std::memset(store, 0xEE, bytes);
  return store;
}

void Free(void* memory) {
  --gDouble->liveAllocations;
  std::free(memory);
}

const WaveOutApi kDoubleApi = {Open,      Prepare,    Unprepare,   Write,        Pause,     Restart,
                               Reset,     Close,      SetVolume,   GetDevCaps,   GetNumDevs, GetErrorText,
                               AllocArea, Free,       AllocStore,  Free};

}  // namespace

void InstallWaveOutDouble() {
  SetWaveOutApi(nullptr);
  delete gDouble;
  gDouble = new WaveOutDouble();
  SetWaveOutApi(&kDoubleApi);
}

void RemoveWaveOutDouble() {
  StopDriverThread();
  SetWaveOutApi(nullptr);
  delete gDouble;
  gDouble = nullptr;
}

int PlayQueuedBlocks(int count) {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  int done = 0;
  while (done < count && !gDouble->queue.empty()) {
    WAVEHDR* header = gDouble->queue.front();
    gDouble->queue.pop_front();
    Finish(header, true);
    ++done;
  }
  return done;
}

void ReturnQueuedBlocks() {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  ReturnAll();
}

size_t PlayedCount() {
  std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
  return gDouble->played.size();
}

void StartDriverThread() {
  if (gDriverRunning.exchange(true)) return;
  gDriver = std::thread([] {
    while (gDriverRunning.load()) {
      {
        std::lock_guard<std::recursive_mutex> guard(gDouble->lock);
        if (!gDouble->paused) PlayQueuedBlocks(1);
      }
      Sleep(1);
    }
  });
}

void StopDriverThread() {
  if (!gDriverRunning.exchange(false)) return;
  gDriver.join();
}
