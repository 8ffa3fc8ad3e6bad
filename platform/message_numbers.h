// The numbers of the messages between the player window, the Decode thread, the playlist editor and
// plug-ins. They live below the decoder and the playlist, which post some of them.
#pragma once
#include <cstdint>

// Player window -> Decode thread (thread messages).
constexpr uint32_t TM_PLAY = 0x8102;
constexpr uint32_t TM_STOP = 0x8103;
constexpr uint32_t TM_SEEK = 0x8104;
constexpr uint32_t TM_RESET_OUTPUT = 0x8105;

// Decode thread -> player window.
constexpr uint32_t WM_PLAYER_TRACK_END = 0x8200;
constexpr uint32_t WM_PLAYER_INFO = 0x8201;
constexpr uint32_t WM_PLAYER_POSITION = 0x8202;
constexpr uint32_t WM_PLAYER_STARTED = 0x8205;
constexpr uint32_t WM_PLAYER_STOPPED = 0x8206;
constexpr uint32_t WM_PLAYER_SYNC = 0x8207;
// A network stream's news; wParam says which (the window reads the rest from the stream source).
constexpr uint32_t WM_PLAYER_STREAM = 0x8208;
constexpr uintptr_t kStreamTitleChanged = 0;  // a new StreamTitle or station name
constexpr uintptr_t kStreamBuffering = 1;     // lParam 1: refilling ("Buffering..."), 0: playing again
constexpr uintptr_t kStreamFailed = 2;        // the stream ended with a reason to show
constexpr uintptr_t kStreamSaveFailed = 3;    // saving the stream stopped, with a reason to show
constexpr uintptr_t kStreamSaved = 4;         // a download was saved whole; lParam 1: play it ("Save Only")

// lParam values of WM_PLAYER_SYNC.
constexpr intptr_t kSyncLocked = 0;     // a header was accepted
constexpr intptr_t kSyncSearching = 1;  // looking for a header
constexpr intptr_t kSyncRiff = 2;       // a RIFF wrapper was skipped

// Plug-ins and the playlist editor.
constexpr uint32_t TM_PLUGIN_RENDER = 0x0A00;
constexpr uint32_t WM_PLUGIN_ENDED = 0x8401;
constexpr uint32_t WM_PLAYLIST_REFRESH = 0x1400;
// The player window: a tag read from a server's copy of a listed file is ready (ApplyRemoteTags).
constexpr uint32_t WM_PLAYLIST_REMOTE_TAG = 0x8209;
// The player window: the tag editor saved a file's tags; the song name and the editor show them anew.
constexpr uint32_t WM_PLAYLIST_TAGS_SAVED = 0x820A;
// The tag editor's dialog: its save, run on a thread of its own, has ended; wParam 1 when it saved.
constexpr uint32_t WM_TAG_SAVE_DONE = 0x820B;
