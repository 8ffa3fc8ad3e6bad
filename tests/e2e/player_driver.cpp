#include "tests/e2e/player_driver.h"

#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/win32/wide.h"
#include "settings/settings_file.h"
#include "settings/start_up_options.h"
#include "tests/decode_file.h"
#include "tests/engine/capture_file.h"
#include "tests/test_files.h"

namespace {

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

double Seconds(const FILETIME& t) {
  return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
}

// One mouse event at screen point `p`: the pointer moves there and `buttons` act there in one step,
// so that nothing can move the pointer between the two. Absolute positions are in 1/65536 of the
// screen, taken back to pixels by truncation: the smallest value that gives pixel x is used.
void SendMouseAt(POINT p, DWORD buttons) {
  const int64_t w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = LONG((p.x * 65536 + w - 1) / w);
  input.mi.dy = LONG((p.y * 65536 + h - 1) / h);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
  SendInput(1, &input, sizeof input);
}

void ClickWith(HWND window, int32_t x, int32_t y, DWORD down, DWORD up, int times) {
  const POINT p = ScreenPoint(window, {x, y});
  SendMouseAt(p, 0);
  Sleep(10);
  for (int i = 0; i < times; ++i) {
    SendMouseAt(p, down);
    SendMouseAt(p, up);
  }
  Sleep(30);
}

void SendKey(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

}  // namespace

std::string MediaPath(const std::string& name) { return Backslashed(std::string(ZAV_BUILD_PATH) + "/test-media/" + name); }

std::string ScratchFilePath(const std::string& name) { return Backslashed(ScratchPath(name)); }

std::string ScreenshotPath(const std::string& name) {
  const std::string folder = std::string(ZAV_BUILD_PATH) + "/e2e/screenshots";
  CreateDirectoryA((std::string(ZAV_BUILD_PATH) + "/e2e").c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "/" + name;
}

const Artwork& Art() {
  static const Artwork art = [] {
    const char* exe = ZAV_EXE_PATH;
    return Artwork{LoadResourcePicture(exe, 103), LoadResourcePicture(exe, 134), LoadResourcePicture(exe, 169),
                   LoadResourcePicture(exe, 172), LoadResourcePicture(exe, 119), LoadResourcePicture(exe, 122)};
  }();
  return art;
}

HWND PrepareDesktop() {
  static HWND backdrop = [] {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
      RegCloseKey(key);
    }
    HWND created = nullptr;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread([&created, ready] {
      WNDCLASSA c{};
      c.lpfnWndProc = DefWindowProcA;
      c.hInstance = GetModuleHandleA(nullptr);
      c.hbrBackground = CreateSolidBrush(kBackdropColour);
      c.lpszClassName = "zav_driver_backdrop";
      RegisterClassA(&c);
      // Disabled, so that Wine never hands it the activation (and so raises it) when a window of the
      // player closes.
      HWND w = CreateWindowExA(WS_EX_NOACTIVATE, c.lpszClassName, "", WS_POPUP | WS_DISABLED, 0, 0, 700, 500,
                               nullptr, nullptr, c.hInstance, nullptr);
      ShowWindow(w, SW_SHOWNOACTIVATE);
      created = w;
      SetEvent(ready);
      MSG m;
      while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    }).detach();
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
    return created;
  }();
  return backdrop;
}

POINT ScreenPoint(HWND window, POINT p) {
  ClientToScreen(window, &p);
  return p;
}

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

std::string IniPath() {
  char folder[MAX_PATH] = "";
  GetWindowsDirectoryA(folder, MAX_PATH);
  return std::string(folder) + "\\zav.ini";
}

Settings DefaultSettings() {
  gShowAboutBox = nullptr;
  ApplyDefaultSettings();
  return gSettings;
}

bool ReadSavedSettings(Settings* settings) {
  return GetPrivateProfileStructA(kSettingsSection, kSettingsRecordKey, settings, sizeof *settings, kSettingsFile) != 0;
}

bool WriteSavedSettings(const Settings& settings) {
  gSettings = settings;
  // Scenarios start as before resuming was there: with the files they give, or an empty list.
  gStartUpOptions.resumeOnStart = 0;
  return SaveSettings() == 1;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

bool Process::StartPlayer(const std::string& arguments, const std::string& folder) {
  std::string line = "\"" + Backslashed(ZAV_EXE_PATH) + "\"";
  if (!arguments.empty()) line += " " + arguments;
  return Start(line, folder);
}

bool Process::Start(const std::string& line, const std::string& folder) {
  Kill();
  // Wide, so that names in any script reach the player as they are.
  std::wstring wide = WideFromUtf8(line);
  const std::wstring wideFolder = WideFromUtf8(folder);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startedAt = GetTickCount();
  return CreateProcessW(nullptr, &wide[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : wideFolder.c_str(), &startup, &info) != 0;
}

bool Process::Running() const { return info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }

int64_t Process::WaitExit(DWORD timeoutMs) {
  DWORD code = 0;
  if (!info.hProcess || WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(info.hProcess, &code))
    return -1;
  return code;
}

void Process::Kill() {
  if (!info.hProcess) return;
  if (Running()) {
    TerminateProcess(info.hProcess, 99);
    WaitForSingleObject(info.hProcess, 5000);
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  info = PROCESS_INFORMATION{};
}

// Wine keeps GetProcessTimes of another process at what its ended threads used; the times of each
// live thread are current, so the process's time is taken as their sum.
double Process::CpuSeconds() const {
  double seconds = 0;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != info.dwProcessId) continue;
    const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    FILETIME created, ended, kernel, user;
    if (thread && GetThreadTimes(thread, &created, &ended, &kernel, &user)) seconds += Seconds(kernel) + Seconds(user);
    if (thread) CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return seconds;
}

Process::Memory Process::MemoryUse() const {
  Memory memory;
  const HANDLE query = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, info.dwProcessId);
  if (!query) return memory;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(query, &counters, sizeof counters))
    memory = {counters.WorkingSetSize, counters.PagefileUsage};
  CloseHandle(query);
  return memory;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return condition();
    Sleep(stepMs);
  }
}

HWND WaitForPlayerWindow(DWORD timeoutMs) {
  HWND window = nullptr;
  WaitUntil([&] { return (window = FindPlayerWindow()) != nullptr; }, timeoutMs);
  return window;
}

HWND WaitForBox(DWORD pid, const char* caption, DWORD timeoutMs) {
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindBox(pid, caption)) != nullptr; }, timeoutMs, 20);
  return box;
}

int32_t PlayState(HWND player) { return AskPlayer(player, kAskPlayState); }
int32_t ElapsedSeconds(HWND player) { return AskPlayer(player, kAskElapsedSeconds); }

bool WaitForState(HWND player, int32_t state, DWORD timeoutMs) {
  return WaitUntil([&] { return PlayState(player) == state; }, timeoutMs);
}

void Click(HWND window, int32_t x, int32_t y) { ClickWith(window, x, y, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 1); }

void RightClick(HWND window, int32_t x, int32_t y) {
  ClickWith(window, x, y, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 1);
}

void DoubleClick(HWND window, int32_t x, int32_t y) {
  ClickWith(window, x, y, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2);
}

void Drag(HWND window, POINT from, POINT to) {
  // Screen points first: the window may move under the pointer while it is dragged.
  const POINT a = ScreenPoint(window, from), b = ScreenPoint(window, to);
  SendMouseAt(a, 0);
  Sleep(20);
  SendMouseAt(a, MOUSEEVENTF_LEFTDOWN);
  Sleep(20);
  constexpr int kSteps = 8;
  for (int i = 1; i <= kSteps; ++i) {
    SendMouseAt({a.x + (b.x - a.x) * i / kSteps, a.y + (b.y - a.y) * i / kSteps}, 0);
    Sleep(20);
  }
  SendMouseAt(b, MOUSEEVENTF_LEFTUP);
  Sleep(50);
}

// Wine draws the frames itself here (no window manager runs): the button sits at the right end of the
// caption, inside the frame.
void ClickCloseBox(HWND window) {
  const RECT r = WindowRect(window);
  const POINT origin = ScreenPoint(window, {0, 0});
  const int32_t frame = GetSystemMetrics(SM_CXFIXEDFRAME);
  const int32_t x = r.right - frame - GetSystemMetrics(SM_CXSIZE) / 2;
  const int32_t y = r.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  Click(window, x - origin.x, y - origin.y);
}

void Key(HWND window, WORD virtualKey, bool ctrl) {
  if (ctrl) {
    KeyWith(window, VK_CONTROL, virtualKey);
    return;
  }
  SetForegroundWindow(window);
  SendKey(virtualKey, false);
  SendKey(virtualKey, true);
  Sleep(30);
}

void KeyWith(HWND window, WORD modifier, WORD virtualKey) {
  SetForegroundWindow(window);
  KeyChord({modifier}, virtualKey);
}

void KeyChord(std::initializer_list<WORD> modifiers, WORD virtualKey) {
  for (const WORD modifier : modifiers) SendKey(modifier, false);
  SendKey(virtualKey, false);
  SendKey(virtualKey, true);
  for (const WORD modifier : modifiers) SendKey(modifier, true);
  Sleep(30);
}

void Command(HWND window, UINT id) { PostMessageA(window, WM_COMMAND, id, 0); }

namespace {
struct MenuSearch {
  DWORD pid;
  HWND found;
};
BOOL CALLBACK MatchMenu(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<MenuSearch*>(context);
  char className[16] = "";
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, "#32768") == 0 && IsWindowVisible(window) && WindowProcess(window) == search->pid) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND FindPopupMenu(DWORD pid) {
  MenuSearch search{pid, nullptr};
  EnumWindows(MatchMenu, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string ControlText(HWND control) {
  wchar_t text[1024] = L"";
  SendMessageW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  text[1023] = L'\0';
  return Utf8FromWide(text);
}

// LB_GETTEXT of the A form gives one character across processes; the W form gives the line.
std::vector<std::string> ListBoxLines(HWND list) {
  std::vector<std::string> lines;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    // Room beyond the length asked for: a line may grow between the two messages (a stream's new title),
    // and LB_GETTEXT writes the whole line.
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0);
    std::wstring wide(size_t(length > 0 ? length : 0) + 8192, L'\0');
    SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(wide.data()));
    lines.push_back(Utf8FromWide(wide.c_str()));
  }
  return lines;
}

bool AnswerFileDialog(DWORD pid, const char* title, const std::string& path, DWORD timeoutMs) {
  const HWND dialog = WaitForBox(pid, title, timeoutMs);
  if (!dialog) return false;
  // The name box: an edit in a combo box in the extended combo box cmb13 (0x47C).
  const HWND combo = FindWindowExA(GetDlgItem(dialog, 0x47C), nullptr, "ComboBox", nullptr);
  const HWND name = combo ? FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
  if (!name || !SetWindowTextA(name, path.c_str())) return false;
  PressBoxButton(dialog, IDOK);
  return WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, timeoutMs, 20);
}

int32_t DifferingPixels(const Picture& shown, int32_t x, int32_t y, const Picture& art, int32_t artX, int32_t artY,
                        int32_t w, int32_t h) {
  int32_t differing = 0;
  for (int32_t dy = 0; dy < h; ++dy) {
    for (int32_t dx = 0; dx < w; ++dx) {
      const bool inside = shown.Contains(x + dx, y + dy) && art.Contains(artX + dx, artY + dy);
      if (!inside || shown.At(x + dx, y + dy) != art.At(artX + dx, artY + dy)) ++differing;
    }
  }
  return differing;
}

std::vector<int32_t> FacesShown(HWND player, std::initializer_list<Button> buttons) {
  const Picture shown = Screen(player);
  std::vector<int32_t> rows;
  for (const Button& b : buttons) {
    int32_t found = -1;
    for (int32_t row : {0, 18, 36, 54})
      if (DifferingPixels(shown, b.left, 91, Art().faces, b.faceColumn, row, 19, 17) == 0) found = row;
    rows.push_back(found);
  }
  return rows;
}

bool ShowsFaces(HWND player, std::initializer_list<Button> buttons, const std::vector<int32_t>& rows) {
  return WaitUntil([&] { return FacesShown(player, buttons) == rows; }, 1500, 30);
}

bool ShowsTitleStrip(HWND player) {
  return DifferingPixels(Screen(player), 102, 4, Art().body, 102, 4, 150, 15) == 0;
}

int16_t AtWineVolume(int16_t sample, int32_t volume) {
  const float factor = float(volume * 0x400) / float(0xFFFF);
  return int16_t(float(sample) * factor);
}

void SaveScreenshot(const std::string& name, const Picture& picture) {
  const std::string path = ScreenshotPath(name + ".bmp");
  if (!WriteBmp(path, picture)) std::printf("cannot write %s\n", path.c_str());
}

HWND WaitForSheet(DWORD pid) {
  HWND sheet = nullptr;
  RECT last{};
  WaitUntil([&] {
    sheet = FindBox(pid, nullptr);
    if (!sheet || !FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr)) return false;
    const RECT now = WindowRect(sheet);
    const bool settled = GetForegroundWindow() == sheet && EqualRect(&now, &last);
    last = now;
    return settled;
  }, 5000, 100);
  return sheet;
}

HWND Turn(HWND sheet, int32_t index) {
  SendMessageA(sheet, PSM_SETCURSEL, index, 0);
  return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

size_t CaptureMismatches(HWND player, const std::vector<int16_t>& pcm, int32_t volume, size_t* first, size_t from,
                         int32_t tolerance) {
  const size_t whole = pcm.size() / 1024 * 1024;  // up to the last whole 2048-byte block
  WaitUntil([&] { return PlayState(player) == kStopped && ReadWholeFile(CapturePath()).size() >= whole * 2; },
            60000, 100);
  std::vector<int16_t> captured = ReadPcm16(CapturePath());
  const auto agrees = [&](int16_t sample, size_t i) {
    return std::abs(sample - AtWineVolume(pcm[i], volume)) <= tolerance;
  };
  RemoveUnderrunSilence(captured, whole, from, agrees);
  if (captured.size() < whole) return whole;
  size_t mismatches = 0;
  if (first) *first = whole;
  for (size_t i = from; i < whole; ++i) {
    if (!agrees(captured[i], i) && mismatches++ == 0 && first) *first = i;
  }
  return mismatches;
}

// What the 216 x 8 song-name strip shows of `text` from pixel `offset` on: each character's 6 x 6 cell
// of the font bitmap (upper case, code - 32) ORed onto the canvas colour one row down, a blank cell for
// a character the font lacks, and the body artwork past the end of the text.
Picture ExpectedStrip(const std::string& text, int32_t offset) {
  Picture expected{216, 8, std::vector<COLORREF>(216 * 8)};
  for (int32_t y = 0; y < 8; ++y) {
    for (int32_t column = 0; column < 216; ++column) {
      const size_t x = size_t(offset + column);
      COLORREF& pixel = expected.pixels[size_t(y * 216 + column)];
      if (x >= 6 * text.size()) {
        pixel = Art().body.At(29 + column, 28 + y);
        continue;
      }
      pixel = kCanvasColour;
      const int32_t code = std::toupper(static_cast<unsigned char>(text[x / 6]));
      if (code >= 32 && code <= 96 && y >= 1 && y <= 6) pixel |= Art().font.At(6 * (code - 32) + int32_t(x % 6), y - 1);
    }
  }
  return expected;
}

// The offset of `strips` (one picture per offset) that the song-name strip shows, or -1 for none.
int32_t ShownStripOffset(HWND player, const std::vector<Picture>& strips) {
  const Picture shown = Screen(player);
  for (size_t offset = 0; offset < strips.size(); ++offset)
    if (DifferingPixels(shown, 29, 28, strips[offset], 0, 0, 216, 8) == 0) return int32_t(offset);
  return -1;
}

std::string UnixPath(std::string path) {
  if (path.size() >= 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':') path.erase(0, 2);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool RunUnixCommand(const std::string& command, std::string* output, DWORD timeoutMs) {
  static int32_t serial = 0;
  const std::string folder = std::string(ZAV_BUILD_PATH) + "/e2e/unix";
  CreateDirectoryA((std::string(ZAV_BUILD_PATH) + "/e2e").c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string base = folder + "/" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
  // The script writes its status last, through a rename, so that a status file is always whole.
  const std::string unix = UnixPath(base);
  const std::string script = "(" + command + ") > '" + unix + ".out' 2> '" + unix + ".err'\n" + "echo $? > '" +
                             unix + ".tmp' && mv '" + unix + ".tmp' '" + unix + ".rc'\n";
  for (const char* left : {".rc", ".out", ".err"}) DeleteFileA((base + left).c_str());  // from an earlier session
  if (!WriteWholeFile(base + ".sh", std::vector<uint8_t>(script.begin(), script.end()))) return false;
  std::string line = "/bin/sh " + unix + ".sh";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return false;
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  std::vector<uint8_t> status;
  if (!WaitUntil([&] { return !(status = ReadWholeFile(base + ".rc")).empty(); }, timeoutMs, 50)) return false;
  const std::vector<uint8_t> out = ReadWholeFile(base + ".out"), err = ReadWholeFile(base + ".err");
  for (const char* done : {".sh", ".rc", ".out", ".err"}) DeleteFileA((base + done).c_str());
  if (output) output->assign(out.begin(), out.end());
  if (!err.empty()) std::printf("%s: %.*s", command.c_str(), int(err.size()), reinterpret_cast<const char*>(err.data()));
  return std::atoi(std::string(status.begin(), status.end()).c_str()) == 0;
}

namespace {
std::string RadioCommand(const std::string& arguments) {
  return "python3 '" ZAV_STREAM_SERVERS_PATH "/icecast_session.py' " + arguments + " '" +
         UnixPath(ZAV_BUILD_PATH) + "/e2e/radio'";
}
}  // namespace

bool RadioStation::Start(const std::string& sourcePath) {
  Stop();
  // A test authority, trusted in the driver's prefix (the registry import its script writes, run by
  // Wine's reg), issues the certificate of the station's TLS port.
  const std::string tls = UnixPath(ZAV_BUILD_PATH) + "/e2e/radio-tls";
  if (!RunUnixCommand("python3 '" ZAV_STREAM_SERVERS_PATH "/icecast_session.py' certificates '" + tls + "'", nullptr,
                      60000)) {
    return false;
  }
  Process trust;
  if (!trust.Start("reg.exe import Z:" + tls + "/trust.reg") || trust.WaitExit(30000) != 0) return false;
  // Watched: the shell that runs the driver (the run script names it), so that the server ends with the
  // session even when the driver is killed.
  const char* watch = std::getenv("ZAV_DRIVER_SHELL_PID");
  std::string output;
  const bool started = RunUnixCommand(RadioCommand("start --source '" + sourcePath + "' --tls-cert '" + tls +
                                                   "/local.pem' --max-seconds 900 --watch-pid " +
                                                   std::string(watch && *watch ? watch : "1")),
                                      &output, 150000);
  port = tlsPort = 0;
  if (started) std::sscanf(output.c_str(), "%d %d", &port, &tlsPort);
  return port > 0 && tlsPort > 0;
}

std::string RadioStation::Address() const { return "http://127.0.0.1:" + std::to_string(port) + "/stream"; }
std::string RadioStation::SecureAddress() const {
  return "https://127.0.0.1:" + std::to_string(tlsPort) + "/stream";
}

bool RadioStation::SetTitle(const std::string& title) {
  return RunUnixCommand(RadioCommand("title") + " '" + title + "'", nullptr, 30000);
}

double RadioStation::Restart(double downSeconds) {
  std::string output;
  if (!RunUnixCommand(RadioCommand("restart --down " + std::to_string(downSeconds)), &output, 150000)) return -1;
  return std::atof(output.c_str());
}

void RadioStation::Stop() {
  if (port == 0) return;
  RunUnixCommand(RadioCommand("stop"), nullptr, 30000);
  port = 0;
}
