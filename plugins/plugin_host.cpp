#include "plugins/plugin_host.h"

#include <array>
#include <cstring>

#include "engine/wave_output.h"
#include "plugins/plugin_scan.h"
#include "settings/plugin_paths.h"

namespace {

constexpr SIZE_T kPluginStackBytes = 65536;
constexpr int32_t kFeedBytes = 2 * kVisDataValues;

// The host's one instance. The running flag is the wave output's gPluginRunning, so that the output
// keeps its snapshots fresh exactly while a module runs.
struct PluginHost {
  HANDLE thread;  // kept until the thread has ended
  DWORD threadId;
  // What the Plugin thread runs, set before it starts: module `moduleIndex` of `libraryPath`.
  int32_t moduleIndex;
  HWND parent;
  int32_t channels;
  int32_t sampleRate;
  char libraryPath[kPathBytes];  // UTF-8
  // Counts the starts; each Plugin thread sends its own with WM_PLUGIN_ENDED, so that the window can
  // tell the end of the current module from the late end of one it has replaced.
  DWORD generation;
  volatile LONG stopRequested;
  // 1 from the post of a render request until the Plugin thread takes it, so that at most one waits
  // in the queue however long Render takes.
  volatile LONG renderPending;
  // The newest feed. Only the Plugin thread writes into the module (it copies these before each
  // Render), so nothing is ever written into a module whose library is being freed.
  int32_t spectrumChannels;
  int32_t waveformChannels;
  std::array<uint8_t, kFeedBytes> spectrum;
  std::array<uint8_t, kFeedBytes> waveform;
};
PluginHost gHost = {};

void SetRunning(int32_t running) { gPluginRunning = running; }

void CopyFeed(VisModule* module) {
  std::memcpy(module->spectrumData, gHost.spectrum.data(), kFeedBytes);
  std::memcpy(module->waveformData, gHost.waveform.data(), kFeedBytes);
  module->spectrumNch = gHost.spectrumChannels;
  module->waveformNch = gHost.waveformChannels;
}

VisModule* ModuleOf(HMODULE library, int32_t index) {
  VisHeader* header = PluginHeader(library);
  return header && header->getModule ? header->getModule(index) : nullptr;
}

void RunModule(VisModule* module, HMODULE library) {
  module->hwndParent = gHost.parent;
  module->hDllInstance = library;
  module->sRate = gHost.sampleRate;
  module->nCh = gHost.channels;
  if (module->Init) module->Init(module);
  // A stop asked for during Init is kept here: the module still gets its Quit. Later the stop is
  // looked at after every message, so it takes effect even while its WM_QUIT waits behind others.
  if (!gHost.stopRequested) {
    SetRunning(1);
    MSG msg;
    while (!gHost.stopRequested && GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == TM_PLUGIN_RENDER && msg.hwnd == nullptr) {
        // Feeds arriving from here on ask for the next Render.
        InterlockedExchange(&gHost.renderPending, 0);
        CopyFeed(module);
        if (module->Render) module->Render(module);
      } else {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    SetRunning(0);
  }
  // The quit of a stop that ended the loop early is not left for a message loop inside Quit.
  MSG quit;
  if (gHost.stopRequested) PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  if (module->Quit) module->Quit(module);
}

DWORD WINAPI PluginThread(LPVOID generation) {
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue exists before anything runs
  const HMODULE library = LoadPluginLibrary(gHost.libraryPath);
  if (library) {
    if (VisModule* module = ModuleOf(library, gHost.moduleIndex)) RunModule(module, library);
    FreeLibrary(library);
  }
  // Whatever the reason, the window hears that no module runs, so it can show its own visualisation.
  PostMessageA(gHost.parent, WM_PLUGIN_ENDED, reinterpret_cast<WPARAM>(generation), 0);
  SetRunning(0);
  return 0;
}

// Waits for the thread while answering messages sent to this thread's windows: a module's windows
// may have the player window as parent or owner, and their destruction then waits for this thread.
bool WaitForPluginThread(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= timeoutMs) return WaitForSingleObject(gHost.thread, 0) == WAIT_OBJECT_0;
    const DWORD woke = MsgWaitForMultipleObjects(1, &gHost.thread, FALSE, timeoutMs - waited, QS_SENDMESSAGE);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return WaitForSingleObject(gHost.thread, 0) == WAIT_OBJECT_0;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // delivers the sent messages
  }
}

// Ends the Plugin thread if there is one; false when it is still there after the wait.
bool EndPluginThread() {
  if (!gHost.thread) return true;
  // The quit goes first, so that a thread that leaves on the request finds it to take out.
  PostThreadMessageA(gHost.threadId, WM_QUIT, 0, 0);
  InterlockedExchange(&gHost.stopRequested, 1);
  if (!WaitForPluginThread(kPluginStopWaitMs)) return false;
  CloseHandle(gHost.thread);
  gHost.thread = nullptr;
  gHost.threadId = 0;
  return true;
}

bool PluginThreadAlive() { return gHost.thread && WaitForSingleObject(gHost.thread, 0) == WAIT_TIMEOUT; }

// Whether a Configure of module `index` of the settings' library meets the Plugin thread's module:
// the running one whatever was chosen, or the chosen one while it starts.
bool ConfiguresThreadModule(int32_t index) {
  if (!PluginThreadAlive()) return false;
  return IsPluginRunning() ||
         (index == gHost.moduleIndex && std::strcmp(PluginFile().text, gHost.libraryPath) == 0);
}

}  // namespace

int32_t StartPlugin(int32_t index, HWND parent, int32_t channels, int32_t sampleRate) {
  const DWORD generation = ++gHost.generation;
  if (!EndPluginThread()) {
    PostMessageA(parent, WM_PLUGIN_ENDED, generation, 0);
    return 0;
  }
  gHost.moduleIndex = index;
  gHost.parent = parent;
  gHost.channels = channels;
  gHost.sampleRate = sampleRate;
  CopyPluginText(gHost.libraryPath, sizeof gHost.libraryPath, PluginFile().text);
  gHost.stopRequested = 0;
  gHost.renderPending = 0;
  gHost.spectrum.fill(0);
  gHost.waveform.fill(0);
  SetWindowLongPtrA(parent, GWLP_USERDATA, kPluginWindowMarker);
  gHost.thread = CreateThread(nullptr, kPluginStackBytes, PluginThread, reinterpret_cast<LPVOID>(WPARAM{generation}),
                              0, &gHost.threadId);
  if (!gHost.thread) {
    gHost.threadId = 0;
    PostMessageA(parent, WM_PLUGIN_ENDED, generation, 0);
    return 0;
  }
  SetThreadPriority(gHost.thread, THREAD_PRIORITY_BELOW_NORMAL);
  return 0;
}

int32_t StopPlugin() {
  EndPluginThread();
  return 0;
}

int32_t ConfigurePlugin(int32_t index, HWND parent) {
  if (ConfiguresThreadModule(index)) {
    // The Plugin thread's module (in its Init or running) is only called through its Config: its
    // record is the thread's. A reference of our own keeps its library loaded while Config runs
    // here, even if the module ends meanwhile.
    const HMODULE hold = LoadPluginLibrary(gHost.libraryPath);
    VisModule* module = hold && PluginThreadAlive() ? ModuleOf(hold, gHost.moduleIndex) : nullptr;
    if (module && module->Config) module->Config(module);
    if (hold) FreeLibrary(hold);
    if (module) return 0;
  }
  // The library stays loaded afterwards: a module's Config may leave windows of its own open.
  const HMODULE library = LoadPluginLibrary(PluginFile().text);
  VisModule* module = ModuleOf(library, index);
  if (!module) return 0;
  module->hwndParent = parent;
  module->hDllInstance = library;
  if (module->Config) module->Config(module);
  return 0;
}

int32_t FeedPlugin(int32_t spectrumChannels, const uint8_t* spectrum, int32_t waveformChannels,
                   const uint8_t* waveform) {
  if (!IsPluginRunning() || !spectrum || !waveform) return 0;
  std::memcpy(gHost.spectrum.data(), spectrum, kFeedBytes);
  std::memcpy(gHost.waveform.data(), waveform, kFeedBytes);
  gHost.spectrumChannels = spectrumChannels;
  gHost.waveformChannels = waveformChannels;
  // While a request waits, it renders this newest feed: no second one is queued.
  if (InterlockedCompareExchange(&gHost.renderPending, 1, 0) == 0 &&
      !PostThreadMessageA(gHost.threadId, TM_PLUGIN_RENDER, 0, 0))
    InterlockedExchange(&gHost.renderPending, 0);
  return 0;
}

int32_t IsPluginRunning() { return gPluginRunning; }

int32_t IsCurrentPluginEnd(WPARAM generation) { return generation == gHost.generation ? 1 : 0; }
