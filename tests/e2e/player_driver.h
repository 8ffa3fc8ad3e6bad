// Working the player from outside as a user would: starting zav.exe, clicking and typing at its window,
// reading back what the screen shows and what the window says about its state.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "tools/player_watch/player_remote.h"
#include "tools/player_watch/screen_capture.h"

// Windows path (backslashes) of a file the media script made in the build tree.
std::string MediaPath(const std::string& name);
// Windows path (backslashes) of a scratch file the driver may write, in the build tree.
std::string ScratchFilePath(const std::string& name);
// Where the driver's pictures go (a folder in the build tree); the runner turns them into PNG files.
std::string ScreenshotPath(const std::string& name);

// The player as a user sees it, in window coordinates.
constexpr POINT kCloseSymbol{12, 12};
constexpr POINT kMinimizeSymbol{12, 40};
constexpr POINT kPinSymbol{10, 58};
constexpr POINT kTitleStrip{150, 10};
constexpr POINT kDisplay{100, 60};
constexpr int32_t kRingX = 207, kRingY = 64, kRingMidRadius = 18;
constexpr int32_t kVolumeX = 240;
constexpr int32_t VolumeRowY(int32_t row) { return 104 - row; }
constexpr COLORREF kCanvasColour = RGB(33, 32, 33);  // ground of the display area and song-name strip

// A skin button: its left edge on the window and its column in the button faces bitmap.
struct Button {
  int32_t left;
  int32_t faceColumn;
  POINT Centre() const { return {left + 9, 99}; }
};
constexpr Button kPlay{26, 0}, kPause{46, 20}, kStop{66, 40}, kRepeat{136, 100}, kShuffle{156, 120},
    kEqualizerButton{186, 160}, kPlayListButton{206, 180};
constexpr int32_t kNormal = 0, kLit = 36;  // face rows

// The artwork compiled into zav.exe (bitmaps 103, 134, 169, 172, 119 and 122), read once.
struct Artwork {
  Picture body, faces, pin, ring, font, digits;
};
const Artwork& Art();

// A plain window of one colour behind the player, made once, so that its cut-outs show something; and
// Wine told that no window manager runs (else it waits for one whenever a captioned window hides).
constexpr COLORREF kBackdropColour = RGB(250, 250, 251);
HWND PrepareDesktop();

// A client point of `window` on the screen.
POINT ScreenPoint(HWND window, POINT p);
// The window's rectangle on the screen.
RECT WindowRect(HWND window);

// "zav.ini" of the session's Windows folder: the driver runs in the player's Wine prefix.
std::string IniPath();
// The settings record a first start saves (every default), to change before writing it.
Settings DefaultSettings();
// The record the settings file holds; false when there is none.
bool ReadSavedSettings(Settings* settings);
// Writes `settings` as the settings file, as the player saves it (record and version).
bool WriteSavedSettings(const Settings& settings);

// `path` in double quotes, as one command-line argument.
std::string Quoted(const std::string& path);

// A program started by the driver. It is killed when the holder goes, unless it has ended.
struct Process {
  PROCESS_INFORMATION info{};
  DWORD startedAt = 0;  // GetTickCount at the start

  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process() { Kill(); }

  // Starts zav.exe with `arguments` (appended to the program's quoted path), in `folder` (the
  // driver's current folder when empty).
  bool StartPlayer(const std::string& arguments, const std::string& folder = "");
  bool Start(const std::string& commandLine, const std::string& folder = "");  // any program
  bool Running() const;
  // Its exit code once it has ended within `timeoutMs`, else -1.
  int64_t WaitExit(DWORD timeoutMs);
  void Kill();
  double CpuSeconds() const;    // user and kernel time of its threads
  // Its memory as GetProcessMemoryInfo reports it (zeros when it cannot be asked). The private bytes
  // (PagefileUsage; under Wine the resident anonymous memory) hold its heaps, GDI objects and thread
  // stacks; the working set also counts the pages of mapped files and the shared memory of window
  // surfaces.
  struct Memory {
    size_t workingSet = 0, privateBytes = 0;
  };
  Memory MemoryUse() const;
};

// Polls `condition` every `stepMs` until it holds or `timeoutMs` has passed; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs = 5);
// The player's window once it shows (null after `timeoutMs`), and its box with `caption`.
HWND WaitForPlayerWindow(DWORD timeoutMs);
HWND WaitForBox(DWORD pid, const char* caption, DWORD timeoutMs);
// The preferences sheet of process `pid` once it is in front and has stopped moving into place.
HWND WaitForSheet(DWORD pid);
// Turns `sheet` to page `index` and returns the page.
HWND Turn(HWND sheet, int32_t index);

int32_t PlayState(HWND player);
int32_t ElapsedSeconds(HWND player);
bool WaitForState(HWND player, int32_t state, DWORD timeoutMs);

// Mouse and keyboard, through the system's input queue, at client points of `window`.
void Click(HWND window, int32_t x, int32_t y);
void RightClick(HWND window, int32_t x, int32_t y);
void DoubleClick(HWND window, int32_t x, int32_t y);
void Drag(HWND window, POINT from, POINT to);
// A click on the close button of the title bar of `window` (a captioned window with a fixed frame).
void ClickCloseBox(HWND window);
// A key press for `window` (brought to the front first), with Ctrl held when `ctrl`.
void Key(HWND window, WORD virtualKey, bool ctrl = false);
// A key press for `window` (brought to the front first) with `modifier` (VK_SHIFT, VK_CONTROL, ...) held.
void KeyWith(HWND window, WORD modifier, WORD virtualKey);
// A key press with `modifiers` held, for whichever window is in front.
void KeyChord(std::initializer_list<WORD> modifiers, WORD virtualKey);
void Command(HWND window, UINT id);
// An open popup menu ("#32768") of process `pid`, or null.
HWND FindPopupMenu(DWORD pid);
// The text of a control of another process, asked of the control itself (GetWindowText gives only the
// text the system keeps for a window of another process, which an edit's is not).
std::string ControlText(HWND control);
// The lines of a list box of another process.
std::vector<std::string> ListBoxLines(HWND list);
// Answers the open or save dialog titled `title` that process `pid` shows (or is about to): types
// `path` as the file name and presses OK. True once the dialog has gone.
bool AnswerFileDialog(DWORD pid, const char* title, const std::string& path, DWORD timeoutMs = 5000);

// The window's picture as the screen shows it, in window coordinates.
inline Picture Screen(HWND window) { return GrabWindow(window); }
// Number of pixels of the w x h rectangle at (x, y) of `shown` that differ from the one at (artX,
// artY) of `art`.
int32_t DifferingPixels(const Picture& shown, int32_t x, int32_t y, const Picture& art, int32_t artX, int32_t artY,
                        int32_t w, int32_t h);
// The face row each of `buttons` shows (0 normal, 18 pressed, 36 lit, 54 lit and pressed; -1 none).
std::vector<int32_t> FacesShown(HWND player, std::initializer_list<Button> buttons);
// Whether `buttons` come to show the face rows `rows` within 1.5 s.
bool ShowsFaces(HWND player, std::initializer_list<Button> buttons, const std::vector<int32_t>& rows);
// Whether the screen shows the window's title strip where the window is (the window is drawn).
bool ShowsTitleStrip(HWND player);

// Wine applies the wave-out volume to the samples in single precision, so a sample played at volume
// v reaches the device as trunc(sample * (v * 1024) / 65535).
int16_t AtWineVolume(int16_t sample, int32_t volume);

// Waits until the player has stopped with the whole 2048-byte blocks of `pcm` captured from its device,
// and returns how many of those samples from sample `from` on differ by more than `tolerance` from `pcm`
// played at volume `volume` (all of them when the capture is short); the first goes to `first`. Silence
// that Wine's own output adds when its buffer runs dry is left out first.
size_t CaptureMismatches(HWND player, const std::vector<int16_t>& pcm, int32_t volume, size_t* first = nullptr,
                         size_t from = 0, int32_t tolerance = 0);

// Writes `picture` as ScreenshotPath(name).bmp.
void SaveScreenshot(const std::string& name, const Picture& picture);

// What the 216 x 8 song-name strip shows of `text` from pixel `offset` on, and the offset of `strips`
// (one picture per offset) that the strip shows, or -1 for none.
Picture ExpectedStrip(const std::string& text, int32_t offset);
int32_t ShownStripOffset(HWND player, const std::vector<Picture>& strips);

// The Unix path of a path on drive Z:.
std::string UnixPath(std::string path);
// Runs `command` with /bin/sh beside the driver (Wine starts a Unix program as it is, but cannot wait for
// it: its status comes back through a file) and waits up to `timeoutMs` for it to end; its standard output
// goes to `output`, its error output to the driver's. True when it ended with status 0.
bool RunUnixCommand(const std::string& command, std::string* output, DWORD timeoutMs);

// An Icecast server on the loopback address fed with a file looped by ffmpeg, through the stream tests'
// session script (its folder is e2e/radio in the build tree). Stopped when the holder goes; the run
// script stops it too, and the script itself when the driver's shell has gone.
struct RadioStation {
  int32_t port = 0;
  int32_t tlsPort = 0;

  RadioStation() = default;
  RadioStation(const RadioStation&) = delete;
  RadioStation& operator=(const RadioStation&) = delete;
  ~RadioStation() { Stop(); }

  // Starts it on `sourcePath` (a Unix path); true once the mount plays, on a plain port and a TLS one.
  bool Start(const std::string& sourcePath);
  std::string Address() const;
  std::string SecureAddress() const;  // the mount on the TLS port
  // Sets the mount's title through the server's admin interface.
  bool SetTitle(const std::string& title);
  // Stops the server, waits `downSeconds` and starts it again on the same port: the seconds until the
  // mount played again, or -1.
  double Restart(double downSeconds);
  void Stop();
};
