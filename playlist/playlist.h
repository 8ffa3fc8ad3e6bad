// The playlist: one process-wide doubly linked list of fixed-size entries and its current entry. The
// player window's thread edits it; the Decode thread and the song-name display read the current entry.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/notify.h"
#include "platform/text.h"
#include "playlist/track_scanner.h"

// A stream's title as an entry keeps it: UTF-8, cut on a character boundary.
constexpr int32_t kStreamTitleBytes = 256;

// An entry names a file, or a stream by its http:// or https:// address. A stream entry is never opened
// or scanned as a file: its duration stays unknown (-1) and its tag empty.
struct PlaylistEntry {
  PlaylistEntry* previous;  // null for the first entry
  PlaylistEntry* next;      // null for the last entry
  char path[kPathBytes];    // UTF-8, at most 259 UTF-16 units
  int32_t duration;         // whole seconds, -1 when unknown
  int32_t mpegVersion;      // 0 MPEG-1, 1 MPEG-2, 2 MPEG 2.5
  int32_t layerIndex;       // layer - 1
  int32_t bitrate;          // kbit/s of the first frame found
  TagInfo tag;
  char streamTitle[kStreamTitleBytes];  // the latest title the stream sent; "" for files and untitled streams
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(PlaylistEntry) == 1604, "a playlist entry is 1604 bytes where pointers are 4 bytes");
#endif

// The window that owns the playlist's message boxes (the player window) and the playlist editor's
// window, which receives WM_PLAYLIST_REFRESH; null when absent.
void SetPlaylistWindows(WindowHandle owner, WindowHandle editor);
// The owner of the playlist's message boxes.
WindowHandle PlaylistOwner();

// 1 when `path` is a stream's address rather than a file's path.
int32_t IsStreamPath(const char* path);

// 1, or 0 (nothing added) for a missing path, one longer than 259 UTF-16 units or no memory.
int32_t AddTrack(const char* path);
int32_t AddDirectory(const char* folder);
void ClearPlaylist();
// `indices` ascending, as positions before the call. A deleted current entry hands over to its successor,
// else its predecessor. A successor that takes over is the track that follows the deleted one: until it
// is played, NextEntry stays on it and IsAtLast is 0.
int32_t DeleteEntries(int32_t count, const int32_t* indices);
int32_t SortPlaylist(int32_t order);
// Moves the entries at `indices` (ascending list-box positions) one place up (`step` -1) or down (+1):
// whole entries are relinked, so the current entry stays the track that plays. A run of them at the
// top (bottom) stays put; the others move past their unselected neighbour. Their new positions go to
// `moved` (count places, ascending). Returns 1 when any moved (the editor is refreshed), 0 when none
// could, -1 for an unusable call (an index past the end, unsorted indices, a step other than +-1).
int32_t MoveEntries(int32_t count, const int32_t* indices, int32_t step, int32_t* moved);
// Deletes every entry but those at `indices` (ascending), as DeleteEntries deletes: a deleted current
// entry hands over the same way. Nothing is deleted when count is 0. 1, or 0 for an index past the end.
int32_t CropEntries(int32_t count, const int32_t* indices);
// The order of the entries, to be put back later (a cancelled drag): entries added since go after
// those that were there, in their order; entries deleted since are left out. The editor is refreshed.
void SavePlaylistOrder(std::vector<uint64_t>* order);
void RestorePlaylistOrder(const std::vector<uint64_t>& order);
void ShufflePlaylist();
// ShufflePlaylist with a chosen seed instead of the current time.
void ShufflePlaylistWithSeed(uint32_t seed);
int32_t GoToFirst();
int32_t NextEntry();
int32_t PreviousEntry();
// Makes the entry at `index` (0-based; past the end: the last entry) current. Returns 1, or 0 when the
// list is empty or the index is negative.
int32_t MakeCurrentAt(int32_t index);
// The 0-based position of the current entry, or -1 when there is none.
int32_t CurrentIndex();
int32_t IsAtLast();
int32_t IsAtFirst();
// Decode thread: copies the current entry's path (completing its duration and tag first when unknown).
int32_t PrepareCurrent(char destination[kPathBytes]);
int32_t CurrentDuration();
// 1 when the current entry is a stream.
int32_t CurrentIsStream();
// Gives the current entry, when it is a stream, the title the stream sent (UTF-8, null reads as "").
// Returns 1, or 0 when the current entry is no stream and nothing changed.
int32_t SetCurrentStreamTitle(const char* title);
// Gives every entry of the stream address `url` that has no tag yet `tag`; the number changed.
int32_t SetAddressTag(const char* url, const TagInfo& tag);
// Reads the tags of the file at `path` again into every entry of it (after its tags were saved); the
// number of entries changed.
int32_t RereadEntryTags(const char* path);
// Copies are detached from the list: their previous and next links are null.
int32_t CopyCurrentEntry(PlaylistEntry* destination);
// Number of entries, and a copy of entry `index` (0-based); WalkPlaylist below reads them all in one go.
int32_t PlaylistCount();
int32_t CopyEntryAt(int32_t index, PlaylistEntry* destination);
// Calls `visit` for every entry from the first, in one walk under the playlist's lock: the visitor must
// not call playlist operations, touch files, show boxes or send messages. It returns 1 to go on, 0 to
// stop. Returns the number of entries visited.
using PlaylistVisitor = int32_t (*)(const PlaylistEntry& entry, void* context);
int32_t WalkPlaylist(PlaylistVisitor visit, void* context);
// Sends WM_PLAYLIST_REFRESH to the editor.
void RefreshPlaylistEditor();
