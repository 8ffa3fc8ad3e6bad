// The playlist editor inside the player window's process: opening and closing it (the "PlayList" button
// and menu check), its lines and times, sorting from its menu, deleting a large selection, saving and
// loading through the playlist-file dialogs, double-click to play, and the time to fill a long list.
#include "playlist/playlist_editor.h"

#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/messages.h"
#include "playlist/playlist_files.h"
#include "resources/resource_ids.h"
#include "tests/playlist/playlist_test_support.h"
#include "tests/shell/player_window_support.h"

namespace {

HWND Editor() { return gShell.playlistEditor; }
HWND List() { return GetDlgItem(Editor(), IDC_PLAYLIST_LIST); }

std::vector<std::string> Lines() {
  std::vector<std::string> lines;
  const LRESULT count = SendMessageA(List(), LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[300] = {};
    if (SendMessageA(List(), LB_GETTEXTLEN, i, 0) < LRESULT(sizeof text)) SendMessageA(List(), LB_GETTEXT, i, LPARAM(text));
    lines.push_back(text);
  }
  return lines;
}

std::string ItemText(int32_t id) {
  char text[100] = {};
  GetDlgItemTextA(Editor(), id, text, sizeof text);
  return text;
}

void Command(HWND window, int32_t id) { SendMessageA(window, WM_COMMAND, id, 0); }

void ListNotification(int32_t code) {
  SendMessageA(Editor(), WM_COMMAND, MAKEWPARAM(IDC_PLAYLIST_LIST, code), LPARAM(List()));
}

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// The "PlayList" button's face as drawn, compared with the lit and the unlit face of the button bitmap.
enum class Face { kUnlit, kLit, kOther };
Face PlayListFace(HWND window) {
  PumpUntil([] { return false; }, 50);
  const SkinButton* button = nullptr;
  for (const SkinButton& b : kSkinButtons) {
    if (b.commandId == IDM_PLAYLIST_EDITOR) button = &b;
  }
  const int32_t x = 9, y = 8;
  const COLORREF lit = BitmapPixel(IDB_BUTTONS, button->faceColumn + x, ButtonFaceRow(false, true) + y);
  const COLORREF unlit = BitmapPixel(IDB_BUTTONS, button->faceColumn + x, ButtonFaceRow(false, false) + y);
  EXPECT_NE(lit, unlit) << "the faces differ where the button is read";
  HWND control = GetDlgItem(window, IDM_PLAYLIST_EDITOR);
  HDC dc = GetDC(control);
  const COLORREF shown = GetPixel(dc, x, y);
  ReleaseDC(control, dc);
  return shown == lit ? Face::kLit : shown == unlit ? Face::kUnlit : Face::kOther;
}

// Runs `step` from a thread timer, inside whatever modal loop the test starts next (a popup menu, a
// file dialog), until it returns true. A step that finds nothing to act on for 5 s notes the windows it
// sees and cancels them, so a test fails rather than hangs.
std::function<bool()> gModalStep;
int32_t gModalTicks;
std::string gModalSeen;
BOOL CALLBACK NoteAndCancel(HWND window, LPARAM) {
  if (!IsWindowVisible(window) || window == gShell.window || window == gShell.playlistEditor) return TRUE;
  char kind[64] = {}, title[128] = {}, text[256] = {};
  GetClassNameA(window, kind, sizeof kind);
  GetWindowTextA(window, title, sizeof title);
  GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
  gModalSeen += std::string("[") + kind + " \"" + title + "\" " + text + "]";
  PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}
void CALLBACK RunModalStep(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!gModalStep) return;
  bool done = ++gModalTicks <= 100 && gModalStep();
  if (gModalTicks > 100) {  // cancels nested windows one tick at a time
    EnumThreadWindows(GetCurrentThreadId(), &NoteAndCancel, 0);
    EndMenu();
    done = gModalTicks > 140;
  }
  if (done) {
    gModalStep = nullptr;
    KillTimer(nullptr, timer);
  }
}
void WhileModal(std::function<bool()> step) {
  gModalStep = std::move(step);
  gModalTicks = 0;
  gModalSeen.clear();
  SetTimer(nullptr, 0, 50, &RunModalStep);
}

// Chooses the `position`-th item (from 1) of the next popup menu with the keyboard.
void ChooseFromNextMenu(int32_t position) {
  WhileModal([position] {
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return false;
    for (int32_t i = 0; i < position; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return true;
  });
}

// Answers the next file dialog titled `title` with `path`, as a user typing it and pressing Enter; done
// once the dialog has gone.
void AnswerFileDialog(const char* title, const std::string& path) {
  auto answered = std::make_shared<bool>(false);
  WhileModal([title, path, answered] {
    HWND dialog = FindWindowA("#32770", title);
    if (*answered) return dialog == nullptr;
    if (!dialog || !IsWindowVisible(dialog)) return false;
    // The name box: an edit inside the combo box inside the extended combo box.
    HWND name = FindWindowExA(FindWindowExA(GetDlgItem(dialog, cmb13), nullptr, "ComboBox", nullptr), nullptr,
                              "Edit", nullptr);
    SetWindowTextA(name, path.c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
    *answered = true;
    return false;
  });
}

class PlaylistEditorTest : public PlayerWindowFixture {
 protected:
  void TearDown() override {
    gModalStep = nullptr;
    if (gShell.window) DestroyWindow(gShell.window);
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    PlayerWindowFixture::TearDown();
  }
  // Adds `path` scanned, so that its duration and tag are known.
  static void AddScanned(const std::string& path) {
    gSettings.readInfoOnAdd = 1;
    AddTrack(path.c_str());
    gSettings.readInfoOnAdd = 0;
  }
};

TEST_F(PlaylistEditorTest, OpensAndClosesWithTheButtonAndShowsTheListTimesAndSortOrder) {
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(PlayListFace(window), Face::kUnlit);

  Command(window, IDM_PLAYLIST_EDITOR);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_TRUE(IsWindowVisible(Editor()));
  EXPECT_EQ(GetWindow(Editor(), GW_OWNER), window);
  RECT player, editorRect, overlap;
  GetWindowRect(window, &player);
  GetWindowRect(Editor(), &editorRect);
  EXPECT_FALSE(IntersectRect(&overlap, &player, &editorRect)) << "the editor opens beside the player";
  char caption[64] = {};
  GetWindowTextA(Editor(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Playlist Editor...");
  EXPECT_EQ(PlayListFace(window), Face::kLit);
  EXPECT_TRUE(MenuStates(window).Checked(IDM_PLAYLIST_EDITOR));

  // Empty: one disabled "[EMPTY]" line and no time.
  EXPECT_EQ(Lines(), std::vector<std::string>{"[EMPTY]"});
  EXPECT_FALSE(IsWindowEnabled(List()));
  EXPECT_EQ(ItemText(IDC_PLAYLIST_TOTAL_TIME), "Total Time: 00:00:00");
  EXPECT_EQ(ItemText(IDC_PLAYLIST_SONG_TIME), "Song Time: 00:00:00");

  // Tagged entries show "artist / title", others their file's title; unknown durations count 0. The
  // playlist's own changes refresh the editor.
  const std::string two = ScratchPath("editor-b-two.mp3"), three = ScratchPath("editor-a-three.mp3");
  ASSERT_TRUE(WriteWholeFile(two, TaggedTrack(2, "Two")));
  ASSERT_TRUE(WriteWholeFile(three, TaggedTrack(3, "Three")));
  AddScanned(two);
  AddTrack(Backslashed(Media("first-44k.mp3")).c_str());
  AddScanned(three);
  RefreshPlaylistEditor();
  EXPECT_TRUE(IsWindowEnabled(List()));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Artist / Two", "first-44k.mp3", "Artist / Three"}));
  EXPECT_EQ(ItemText(IDC_PLAYLIST_TOTAL_TIME), "Total Time: 00:00:05");
  EXPECT_EQ(ItemText(IDC_PLAYLIST_SONG_TIME), "Song Time: 00:00:02") << "the current entry's time";
  SendMessageA(List(), LB_SETSEL, TRUE, 1);
  SendMessageA(List(), LB_SETSEL, TRUE, 2);
  ListNotification(LBN_SELCHANGE);
  EXPECT_EQ(ItemText(IDC_PLAYLIST_SONG_TIME), "Song Time: 00:00:03");

  // "Decending" from the "Sort" button's menu orders the paths from greatest to smallest.
  std::map<std::string, std::string> lineOf;
  for (int32_t i = 0; i < 3; ++i) lineOf[EntryPath(i)] = Lines()[size_t(i)];
  ChooseFromNextMenu(2);
  Command(Editor(), IDC_PLAYLIST_SORT);
  EXPECT_EQ(gModalSeen, "") << "the menu was shown and answered";
  // The menu posts its command.
  PumpUntil([] { return EntryPath(0) > EntryPath(1); }, 2000);
  ASSERT_EQ(PlaylistCount(), 3);
  EXPECT_GT(EntryPath(0), EntryPath(1));
  EXPECT_GT(EntryPath(1), EntryPath(2));
  const std::vector<std::string> sorted = Lines();
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(sorted[size_t(i)], lineOf[EntryPath(i)]);
  Command(Editor(), IDM_SORT_ASCENDING);
  EXPECT_LT(EntryPath(0), EntryPath(1));
  EXPECT_EQ(Lines()[0], lineOf[EntryPath(0)]);

  // The title bar's close button closes the editor as its "Close" button does.
  SendMessageA(Editor(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_EQ(PlayListFace(window), Face::kUnlit);
  EXPECT_FALSE(MenuStates(window).Checked(IDM_PLAYLIST_EDITOR));
  Command(window, IDM_PLAYLIST_EDITOR);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Lines().size(), 3u) << "a reopened editor is filled at once";
  HWND editor = Editor();
  Command(editor, IDOK);
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_EQ(Editor(), nullptr);
  Command(window, IDM_PLAYLIST_EDITOR);
  editor = Editor();
  Command(window, IDM_PLAYLIST_EDITOR);
  EXPECT_FALSE(IsWindow(editor)) << "the command toggles";
  EXPECT_EQ(PlayListFace(window), Face::kUnlit);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(PlaylistEditorTest, DeletesEverySelectedEntryAndSavesAndLoadsThePlaylist) {
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  Command(window, IDM_PLAYLIST_EDITOR);
  ASSERT_NE(Editor(), nullptr);

  // 310 one-second entries; 300 of them selected count 300 seconds and are all deleted.
  const std::string second = ScratchPath("editor-second.mp3");
  ASSERT_TRUE(WriteWholeFile(second, TaggedTrack(1, "One")));
  for (int32_t i = 0; i < 310; ++i) AddScanned(second);
  RefreshPlaylistEditor();
  ASSERT_EQ(Lines().size(), 310u);
  EXPECT_EQ(ItemText(IDC_PLAYLIST_TOTAL_TIME), "Total Time: 00:05:10");
  SendMessageA(List(), LB_SELITEMRANGEEX, 5, 304);
  ListNotification(LBN_SELCHANGE);
  EXPECT_EQ(ItemText(IDC_PLAYLIST_SONG_TIME), "Song Time: 00:05:00");
  Command(Editor(), IDC_PLAYLIST_DELETE);
  EXPECT_EQ(PlaylistCount(), 10);
  EXPECT_EQ(Lines().size(), 10u);
  EXPECT_EQ(ItemText(IDC_PLAYLIST_TOTAL_TIME), "Total Time: 00:00:10");

  // Save to a new name: ".pls" is added, every entry written.
  ClearPlaylist();
  AddTrack("C:\\lists\\b.mp3");
  AddTrack("D:\\a.mp3");
  const std::string saved = Backslashed(ScratchPath("editor-saved"));
  RemoveProfileFile(saved + ".pls");
  AnswerFileDialog("Save Playlist...", saved);
  Command(Editor(), IDC_PLAYLIST_SAVE);
  EXPECT_EQ(gModalSeen, "") << "the save dialog was shown and answered";
  EXPECT_EQ(GetPrivateProfileIntA("playlist", "NumberOfEntries", -1, (saved + ".pls").c_str()), 2);

  // "Delete All" empties the list; "Load Playlist" replaces it, "AddPlaylist" appends.
  Command(Editor(), IDC_PLAYLIST_DELETE_ALL);
  EXPECT_EQ(Lines(), std::vector<std::string>{"[EMPTY]"});
  AddTrack("C:\\old.mp3");
  AnswerFileDialog("Open A Mpeg Audio File...", saved + ".pls");
  Command(Editor(), IDC_PLAYLIST_LOAD);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"b.mp3", "a.mp3"}));
  AnswerFileDialog("Open A Mpeg Audio File...", saved + ".pls");
  Command(Editor(), IDC_PLAYLIST_ADD_PLAYLIST);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"b.mp3", "a.mp3", "b.mp3", "a.mp3"}));
  EXPECT_EQ(EntryPath(3), "D:\\a.mp3");

  // "Add Item(s)" appends through the open dialog; "Add Dir" every MPEG audio file of the folder chosen
  // in the folder browser.
  AnswerFileDialog("Open A Mp3 Or Playlist...", Backslashed(Media("third-22k.mp3")));
  Command(Editor(), IDC_PLAYLIST_ADD_ITEMS);
  EXPECT_EQ(Lines().size(), 5u);
  EXPECT_EQ(Lines().back(), "third-22k.mp3");
  WhileModal([] {
    HWND browser = FindWindowA("#32770", nullptr);
    if (!browser || !FindWindowExA(browser, nullptr, "SysTreeView32", nullptr)) return false;
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, LPARAM(Backslashed(Media("")).c_str()));
    PostMessageA(browser, WM_COMMAND, IDOK, 0);
    return true;
  });
  Command(Editor(), IDC_PLAYLIST_ADD_DIR);
  EXPECT_EQ(gModalSeen, "");
  std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 9u);
  std::sort(lines.begin() + 5, lines.end());
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.end()),
            (std::vector<std::string>{"first-44k.mp3", "long-44k.mp3", "second-44k.mp3", "third-22k.mp3"}));
  EXPECT_EQ(gModalSeen, "");
  RemoveProfileFile(saved + ".pls");
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(PlaylistEditorTest, DoubleClickPlaysTheEntryEvenWhilePaused) {
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  for (const char* name : {"long-44k.mp3", "first-44k.mp3", "third-22k.mp3"}) AddTrack(Media(name).c_str());
  Command(window, IDM_PLAYLIST_EDITOR);
  ASSERT_NE(Editor(), nullptr);
  Command(window, IDM_PLAY);
  ASSERT_TRUE(PumpUntil([&] { return AnsweredPlayState(window) == kPlaying && gShell.lastFrame > 60; }, 5000));
  const int32_t longFrames = gShell.lengthFrames;
  Command(window, IDM_PAUSE);
  ASSERT_EQ(AnsweredPlayState(window), kPaused);
  PumpUntil([] { return false; }, 300);  // the Decode thread now waits in its write to the paused device

  // The third line: the 3-second track at 22 kHz (half the frames per second of the long one's).
  SendMessageA(List(), LB_SETSEL, FALSE, -1);
  SendMessageA(List(), LB_SETSEL, TRUE, 2);
  SendMessageA(List(), LB_SETCARETINDEX, 2, 0);
  ListNotification(LBN_DBLCLK);
  EXPECT_EQ(EntryPath(2), Media("third-22k.mp3"));
  PlaylistEntry current;
  ASSERT_TRUE(CopyCurrentEntry(&current));
  EXPECT_STREQ(current.path, Media("third-22k.mp3").c_str());
  EXPECT_TRUE(PumpUntil([&] {
    return AnsweredPlayState(window) == kPlaying && gShell.lengthFrames != longFrames && gShell.lastFrame > 20;
  }, 5000)) << "the third track plays";
  EXPECT_LT(gShell.lengthFrames, 150) << "about 115 frames of 576 samples in 3 s at 22050 Hz";
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(PlaylistEditorTest, TenThousandEntriesFillTheListWellUnderASecond) {
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  for (int32_t i = 0; i < 10000; ++i) {
    char path[64];
    std::snprintf(path, sizeof path, "C:\\music\\track%05d.mp3", i);
    ASSERT_EQ(AddTrack(path), 1);
  }
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  Command(window, IDM_PLAYLIST_EDITOR);  // creates the editor and fills it
  QueryPerformanceCounter(&end);
  const double openMs = 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
  ASSERT_NE(Editor(), nullptr);
  QueryPerformanceCounter(&start);
  RefreshPlaylistEditor();
  QueryPerformanceCounter(&end);
  const double refillMs = 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
  std::printf("[ figure   ] 10000 entries: editor opened and filled in %.1f ms, refilled in %.1f ms\n", openMs,
              refillMs);
  EXPECT_LT(openMs, 1000.0);
  EXPECT_LT(refillMs, 1000.0);
  ASSERT_EQ(SendMessageA(List(), LB_GETCOUNT, 0, 0), 10000);
  char text[64] = {};
  SendMessageA(List(), LB_GETTEXT, 9999, LPARAM(text));
  EXPECT_STREQ(text, "track09999.mp3");
}

}  // namespace
