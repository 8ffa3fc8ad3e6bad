// The playlist: one process-wide doubly linked list of entries and its current entry.
//
// The player window's thread edits the list; the Decode thread and the song-name display read the
// current entry. One mutex guards the links, the entries' contents and the first/last/current pointers,
// and is never held across file access, a message box or a sent message (the editor answers
// WM_PLAYLIST_REFRESH by reading the list). Readers get copies, never pointers into the list.
#include "playlist/playlist.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <vector>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/message_numbers.h"
#include "playlist/id3v2_titles.h"
#include "playlist/remote_tags.h"
#include "settings/settings.h"
#include "stream/remote_tag.h"
#include "stream/stream_save.h"
#include "stream/stream_url.h"

namespace {

constexpr size_t kPathSize = sizeof(PlaylistEntry{}.path);

// One allocation per entry. The entry comes first, so a PlaylistEntry* of the chain is its node. The
// serial number identifies the track the entry holds; it moves with the track when sort and shuffle
// exchange contents, so a scan finished without the lock finds its track again, or learns it is gone.
struct Node {
  PlaylistEntry entry;
  uint64_t serial;
};
static_assert(offsetof(Node, entry) == 0, "the entry is the node's first member");

Node* AsNode(PlaylistEntry* e) { return reinterpret_cast<Node*>(e); }

struct Playlist {
  std::mutex lock;
  PlaylistEntry* first = nullptr;
  PlaylistEntry* last = nullptr;
  PlaylistEntry* current = nullptr;
  // The current entry took over from a deleted current entry and has not been played since: it is the
  // track that follows, so the next step stays on it.
  bool currentTookOver = false;
  int32_t count = 0;
  uint64_t nextSerial = 1;
  std::atomic<WindowHandle> owner{nullptr};
  std::atomic<WindowHandle> editor{nullptr};
};
Playlist gPlaylist;

// The shuffle's generator: state := state × 214013 + 2531011 (mod 2^32), result bits 16..30.
uint32_t gRandomState = 1;
int32_t NextRandom() {
  gRandomState = gRandomState * 214013u + 2531011u;
  return static_cast<int32_t>((gRandomState >> 16) & 0x7FFF);
}

// What a scan of one file found.
struct TrackFacts {
  int32_t opened;       // the file could be opened (the tag is then valid)
  int32_t headerFound;  // version, layer and bitrate are valid
  int32_t duration;
  int32_t mpegVersion;
  int32_t layerIndex;
  int32_t bitrate;
  TagInfo tag;
};

// Opens and scans a file; reports a file that cannot be opened. Runs without the lock.
TrackFacts ScanTrack(const char* path) {
  TrackFacts facts{};
  facts.duration = -1;
  const FileHandle file = FileOpenRead(path);
  if (file == kNoFile) {
    char text[kPathSize + 32];
    std::snprintf(text, sizeof text, "Error Opening: %s", path);
    ShowMessageBox(gPlaylist.owner.load(), text, "Error...", kBoxOk);
    return facts;
  }
  facts.opened = 1;
  const int64_t size = AudioBytes(file);
  HeaderInfo header{};
  if (ScanHeader(file, &header)) {
    facts.headerFound = 1;
    facts.bitrate = HeaderBitrate(header);
    facts.duration = TrackDuration(size, facts.bitrate);
    const int32_t exact = HeaderFrameSeconds(file);
    if (exact >= 0) facts.duration = exact;
    facts.mpegVersion = header.version;
    facts.layerIndex = header.layer - 1;
  }
  // Files without an ID3v1 tag may name artist and title in an ID3v2 tag at their start.
  if (!ReadTag(file, &facts.tag)) ReadId3v2Tag(file, &facts.tag);
  FileClose(file);
  return facts;
}

void StoreFacts(PlaylistEntry* e, const TrackFacts& facts) {
  e->duration = facts.duration;
  if (facts.opened) e->tag = facts.tag;
  if (facts.headerFound) {
    e->mpegVersion = facts.mpegVersion;
    e->layerIndex = facts.layerIndex;
    e->bitrate = facts.bitrate;
  }
}

// Copies `path` into a path field; false when it is missing or too long to be kept whole.
bool CopyPath(char (&destination)[kPathSize], const char* path) {
  if (path == nullptr) return false;
  const size_t n = strnlen(path, kPathSize);
  if (n >= kPathSize || Utf16Length(path) > kMaxPathUnits) return false;
  std::memcpy(destination, path, n + 1);
  return true;
}

// Moves the track (everything but the links) held by `from` into `to`.
void PutTrack(Node* to, const Node& from) {
  PlaylistEntry* previous = to->entry.previous;
  PlaylistEntry* next = to->entry.next;
  *to = from;
  to->entry.previous = previous;
  to->entry.next = next;
}

void ExchangeTracks(Node* a, Node* b) {
  if (a == b) return;
  const Node held = *a;
  PutTrack(a, *b);
  PutTrack(b, held);
}

// The entries in chain order. Lock held.
std::vector<Node*> Positions() {
  std::vector<Node*> nodes;
  nodes.reserve(static_cast<size_t>(gPlaylist.count));
  for (PlaylistEntry* e = gPlaylist.first; e; e = e->next) nodes.push_back(AsNode(e));
  return nodes;
}

// Links the entries in the order `nodes` gives. Lock held.
void Relink(const std::vector<Node*>& nodes) {
  PlaylistEntry* previous = nullptr;
  for (Node* node : nodes) {
    node->entry.previous = previous;
    if (previous) previous->next = &node->entry; else gPlaylist.first = &node->entry;
    previous = &node->entry;
  }
  if (previous) previous->next = nullptr; else gPlaylist.first = nullptr;
  gPlaylist.last = previous;
}

// Unlinks and frees one entry; the current entry moves to its successor, else its predecessor. Lock held.
void Unlink(PlaylistEntry* e) {
  Playlist& p = gPlaylist;
  if (p.current == e) {
    p.current = e->next ? e->next : e->previous;
    p.currentTookOver = e->next != nullptr;
  }
  if (e->previous) e->previous->next = e->next; else p.first = e->next;
  if (e->next) e->next->previous = e->previous; else p.last = e->previous;
  --p.count;
  delete AsNode(e);
}

bool IsSeparator(char c) {
  return c == kPathSeparator || c == '/';
}

}  // namespace

void SetPlaylistWindows(WindowHandle owner, WindowHandle editor) {
  gPlaylist.owner.store(owner);
  gPlaylist.editor.store(editor);
  SetScanOwner(owner);
}

WindowHandle PlaylistOwner() { return gPlaylist.owner.load(); }

int32_t IsStreamPath(const char* path) { return path != nullptr && StreamUrlScheme(path) != 0 ? 1 : 0; }

void RefreshPlaylistEditor() { SendPlayerMessage(gPlaylist.editor.load(), WM_PLAYLIST_REFRESH, 0, 0); }

int32_t AddTrack(const char* path) {
  Node* node = new (std::nothrow) Node{};
  if (node == nullptr) return 0;
  if (!CopyPath(node->entry.path, path)) {
    delete node;
    return 0;
  }
  node->entry.duration = -1;
  if (gSettings.readInfoOnAdd && !IsStreamPath(node->entry.path)) StoreFacts(&node->entry, ScanTrack(node->entry.path));
  if (gStreamSave.checkTag && IsAudioFileUrl(node->entry.path)) RequestRemoteTag(node->entry.path);

  Playlist& p = gPlaylist;
  std::lock_guard<std::mutex> hold(p.lock);
  node->serial = p.nextSerial++;
  node->entry.previous = p.last;
  if (p.last) p.last->next = &node->entry; else p.first = &node->entry;
  p.last = &node->entry;
  if (p.current == nullptr) p.current = &node->entry;
  ++p.count;
  return 1;
}

int32_t AddDirectory(const char* folder) {
  if (folder == nullptr) return 0;
  const WindowHandle owner = gPlaylist.owner.load();
  char saved[kPathSize];
  const bool haveSaved = GetWorkingDirectory(saved, int32_t(sizeof saved)) != 0;

  // A folder that cannot be entered would list the wrong folder's files: it has no files to add.
  char name[kMatchNameSize];
  const MatchSearch search = SetWorkingDirectory(folder) ? FindFirstMatch(name) : kNoSearch;
  if (search == kNoSearch) {
    ShowMessageBox(owner, "Directory Contains No Mpeg Audio files...", "Error...", kBoxOk);
  } else {
    const size_t folderLength = strnlen(folder, kPathSize);
    const char separator[2] = {folderLength > 0 && IsSeparator(folder[folderLength - 1]) ? '\0' : kPathSeparator,
                               '\0'};
    do {
      // A path too long to be kept whole is refused by AddTrack.
      char path[kPathSize + kMatchNameSize + 2];
      std::snprintf(path, sizeof path, "%.*s%s%s", int(folderLength), folder, separator, name);
      AddTrack(path);
    } while (FindNextMatch(search, name));
    FindEndMatches(search);
    RefreshPlaylistEditor();
  }
  if (haveSaved) SetWorkingDirectory(saved);
  return 0;
}

void ClearPlaylist() {
  PlaylistEntry* e;
  {
    std::lock_guard<std::mutex> hold(gPlaylist.lock);
    e = gPlaylist.first;
    gPlaylist.first = gPlaylist.last = gPlaylist.current = nullptr;
    gPlaylist.currentTookOver = false;
    gPlaylist.count = 0;
  }
  while (e) {
    PlaylistEntry* next = e->next;
    delete AsNode(e);
    e = next;
  }
  RefreshPlaylistEditor();
}

int32_t DeleteEntries(int32_t count, const int32_t* indices) {
  if (count > 0 && indices == nullptr) return 0;
  int32_t result = 1;
  int32_t deleted = 0;
  {
    std::lock_guard<std::mutex> hold(gPlaylist.lock);
    // The k-th index lies index - k steps from the first entry once k entries before it are gone.
    // A cursor remembers where the last deletion happened so that ascending indices need one walk.
    PlaylistEntry* cursor = gPlaylist.first;
    int64_t cursorPosition = 0;
    for (int32_t k = 0; k < count; ++k) {
      const int64_t target = int64_t(indices[k]) - k;
      if (target < 0) {
        result = 0;
        break;
      }
      if (cursor == nullptr || target < cursorPosition) {
        cursor = gPlaylist.first;
        cursorPosition = 0;
      }
      while (cursor && cursorPosition < target) {
        cursor = cursor->next;
        ++cursorPosition;
      }
      if (cursor == nullptr) {
        result = 0;
        break;
      }
      PlaylistEntry* next = cursor->next;
      Unlink(cursor);
      ++deleted;
      cursor = next;
    }
  }
  if (result || deleted) RefreshPlaylistEditor();
  return result;
}

int32_t SortPlaylist(int32_t order) {
  if (order != 0 && order != 1) return 0;
  {
    std::lock_guard<std::mutex> hold(gPlaylist.lock);
    if (gPlaylist.first == nullptr) return 1;
    // Bubble passes that exchange neighbours only when they are out of order keep equal paths in
    // their order: a stable sort gives the same list.
    std::vector<Node*> positions = Positions();
    std::vector<Node*> sorted = positions;
    std::stable_sort(sorted.begin(), sorted.end(), [order](const Node* a, const Node* b) {
      const int c = std::strcmp(a->entry.path, b->entry.path);  // compares bytes as unsigned char
      return order == 0 ? c < 0 : c > 0;
    });
    std::vector<Node> tracks;
    tracks.reserve(sorted.size());
    for (const Node* n : sorted) tracks.push_back(*n);
    for (size_t i = 0; i < positions.size(); ++i) PutTrack(positions[i], tracks[i]);
  }
  RefreshPlaylistEditor();
  return 1;
}

int32_t MoveEntries(int32_t count, const int32_t* indices, int32_t step, int32_t* moved) {
  if (count <= 0 || indices == nullptr || moved == nullptr || (step != -1 && step != 1)) return -1;
  int32_t anyMoved = 0;
  {
    std::lock_guard<std::mutex> hold(gPlaylist.lock);
    const int32_t n = gPlaylist.count;
    for (int32_t k = 0; k < count; ++k)
      if (indices[k] < 0 || indices[k] >= n || (k > 0 && indices[k] <= indices[k - 1])) return -1;
    std::vector<Node*> nodes = Positions();
    // Walking from the edge the lines move towards: a line moves past its neighbour unless it is at the
    // edge or its neighbour is a selected line that could not move.
    int32_t stuckEdge = step < 0 ? -1 : n;  // the innermost position of the run held at the edge
    for (int32_t i = 0; i < count; ++i) {
      const int32_t k = step < 0 ? i : count - 1 - i;
      const int32_t at = indices[k];
      if (at + step == stuckEdge) {
        stuckEdge = at;
        moved[k] = at;
        continue;
      }
      std::swap(nodes[size_t(at)], nodes[size_t(at + step)]);
      moved[k] = at + step;
      anyMoved = 1;
    }
    if (anyMoved) Relink(nodes);
  }
  if (anyMoved) RefreshPlaylistEditor();
  return anyMoved;
}

int32_t CropEntries(int32_t count, const int32_t* indices) {
  if (count <= 0) return 1;
  if (indices == nullptr) return 0;
  const int32_t n = PlaylistCount();
  for (int32_t k = 0; k < count; ++k)
    if (indices[k] < 0 || indices[k] >= n || (k > 0 && indices[k] <= indices[k - 1])) return 0;
  std::vector<int32_t> others;
  others.reserve(size_t(n - count));
  for (int32_t at = 0, k = 0; at < n; ++at) {
    if (k < count && indices[k] == at) ++k; else others.push_back(at);
  }
  if (others.empty()) return 1;
  return DeleteEntries(static_cast<int32_t>(others.size()), others.data());
}

void SavePlaylistOrder(std::vector<uint64_t>* order) {
  if (order == nullptr) return;
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  order->clear();
  for (PlaylistEntry* e = gPlaylist.first; e; e = e->next) order->push_back(AsNode(e)->serial);
}

void RestorePlaylistOrder(const std::vector<uint64_t>& order) {
  {
    std::lock_guard<std::mutex> hold(gPlaylist.lock);
    std::vector<Node*> now = Positions();
    std::vector<Node*> bySerial = now;
    std::sort(bySerial.begin(), bySerial.end(), [](const Node* a, const Node* b) { return a->serial < b->serial; });
    std::vector<Node*> restored;
    restored.reserve(now.size());
    for (const uint64_t serial : order) {
      const auto found = std::lower_bound(bySerial.begin(), bySerial.end(), serial,
                                          [](const Node* node, uint64_t s) { return node->serial < s; });
      if (found != bySerial.end() && (*found)->serial == serial) restored.push_back(*found);
    }
    // Entries added since the order was taken follow, in their order (serials only grow).
    const uint64_t newest = order.empty() ? 0 : *std::max_element(order.begin(), order.end());
    for (Node* node : now)
      if (node->serial > newest) restored.push_back(node);
    if (restored.size() == now.size()) Relink(restored);
  }
  RefreshPlaylistEditor();
}

void ShufflePlaylistWithSeed(uint32_t seed) {
  {
    std::lock_guard<std::mutex> hold(gPlaylist.lock);
    const int32_t n = gPlaylist.count;
    if (n < 2) return;
    std::vector<Node*> positions = Positions();
    gRandomState = seed;
    const int64_t range = 4 * int64_t(n - 1);
    for (int32_t i = 1; i < n; ++i) {
      int64_t j = (NextRandom() % range) / 4;
      if (j >= i) ++j;
      ExchangeTracks(positions[size_t(i)], positions[size_t(j)]);
    }
  }
  RefreshPlaylistEditor();
}

void ShufflePlaylist() { ShufflePlaylistWithSeed(static_cast<uint32_t>(std::time(nullptr))); }

int32_t GoToFirst() {
  {
    std::lock_guard<std::mutex> hold(gPlaylist.lock);
    gPlaylist.current = gPlaylist.first;
    gPlaylist.currentTookOver = false;
    if (gPlaylist.first == nullptr) return 0;
  }
  if (gSettings.shuffle) ShufflePlaylist();
  return 1;
}

int32_t NextEntry() {
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  if (gPlaylist.current == nullptr) return 0;
  // An entry that took over from a deleted playing entry is the next track itself.
  if (gPlaylist.currentTookOver) {
    gPlaylist.currentTookOver = false;
  } else if (gPlaylist.current->next) {
    gPlaylist.current = gPlaylist.current->next;
  }
  return 1;
}

int32_t PreviousEntry() {
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  if (gPlaylist.current == nullptr) return 0;
  gPlaylist.currentTookOver = false;
  if (gPlaylist.current->previous) gPlaylist.current = gPlaylist.current->previous;
  return 1;
}

int32_t MakeCurrentAt(int32_t index) {
  if (index < 0) return 0;
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  PlaylistEntry* e = gPlaylist.first;
  if (e == nullptr) return 0;
  for (int32_t i = 0; i < index && e->next; ++i) e = e->next;
  gPlaylist.current = e;
  gPlaylist.currentTookOver = false;
  return 1;
}

int32_t CurrentIndex() {
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  int32_t index = 0;
  for (const PlaylistEntry* e = gPlaylist.first; e; e = e->next, ++index)
    if (e == gPlaylist.current) return index;
  return -1;
}

int32_t IsAtLast() {
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  const PlaylistEntry* current = gPlaylist.current;
  return current == nullptr || (current->next == nullptr && !gPlaylist.currentTookOver) ? 1 : 0;
}

int32_t IsAtFirst() {
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  return gPlaylist.current == nullptr || gPlaylist.current->previous == nullptr ? 1 : 0;
}

int32_t PrepareCurrent(char destination[kPathBytes]) {
  if (destination == nullptr) return 0;
  char path[kPathSize];
  uint64_t serial;
  int32_t duration;
  {
    std::lock_guard<std::mutex> hold(gPlaylist.lock);
    if (gPlaylist.current == nullptr) return 0;
    gPlaylist.currentTookOver = false;  // it plays now
    std::memcpy(path, gPlaylist.current->path, kPathSize);
    serial = AsNode(gPlaylist.current)->serial;
    duration = gPlaylist.current->duration;
  }
  if (duration == -1 && !IsStreamPath(path)) {
    const TrackFacts facts = ScanTrack(path);
    if (!facts.opened) return 0;
    // The list may have changed meanwhile: the results go to the track's entry if it still exists.
    std::lock_guard<std::mutex> hold(gPlaylist.lock);
    for (PlaylistEntry* e = gPlaylist.first; e; e = e->next) {
      if (AsNode(e)->serial == serial) {
        StoreFacts(e, facts);
        break;
      }
    }
  }
  std::memcpy(destination, path, kPathSize);
  return 1;
}

int32_t CurrentDuration() {
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  return gPlaylist.current ? gPlaylist.current->duration : -1;
}

int32_t CurrentIsStream() {
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  return gPlaylist.current ? IsStreamPath(gPlaylist.current->path) : 0;
}

int32_t SetCurrentStreamTitle(const char* title) {
  if (title == nullptr) title = "";
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  PlaylistEntry* e = gPlaylist.current;
  if (e == nullptr || !IsStreamPath(e->path)) return 0;
  size_t n = strnlen(title, sizeof e->streamTitle);
  if (n >= sizeof e->streamTitle) {
    n = sizeof e->streamTitle - 1;
    while (n > 0 && (static_cast<uint8_t>(title[n]) & 0xC0) == 0x80) --n;  // not inside a character
  }
  std::memcpy(e->streamTitle, title, n);
  e->streamTitle[n] = '\0';
  return 1;
}

int32_t SetAddressTag(const char* url, const TagInfo& tag) {
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  int32_t changed = 0;
  for (PlaylistEntry* e = gPlaylist.first; e != nullptr; e = e->next) {
    if (e->tag.present || std::strcmp(e->path, url) != 0) continue;
    e->tag = tag;
    ++changed;
  }
  return changed;
}

int32_t RereadEntryTags(const char* path) {
  if (path == nullptr) return 0;
  TagInfo tag{};
  const FileHandle file = FileOpenRead(path);
  if (file == kNoFile) return 0;
  if (!ReadTag(file, &tag)) ReadId3v2Tag(file, &tag);
  FileClose(file);
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  int32_t changed = 0;
  for (PlaylistEntry* e = gPlaylist.first; e != nullptr; e = e->next) {
    if (std::strcmp(e->path, path) != 0) continue;
    e->tag = tag;
    ++changed;
  }
  return changed;
}

int32_t CopyCurrentEntry(PlaylistEntry* destination) {
  if (destination == nullptr) return 0;
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  if (gPlaylist.current == nullptr) return 0;
  *destination = *gPlaylist.current;
  // The copy is detached: its links would be stale as soon as the lock is released.
  destination->previous = destination->next = nullptr;
  return 1;
}

int32_t PlaylistCount() {
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  return gPlaylist.count;
}

int32_t WalkPlaylist(PlaylistVisitor visit, void* context) {
  if (visit == nullptr) return 0;
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  int32_t visited = 0;
  for (const PlaylistEntry* e = gPlaylist.first; e; e = e->next) {
    ++visited;
    if (!visit(*e, context)) break;
  }
  return visited;
}

int32_t CopyEntryAt(int32_t index, PlaylistEntry* destination) {
  if (destination == nullptr || index < 0) return 0;
  std::lock_guard<std::mutex> hold(gPlaylist.lock);
  PlaylistEntry* e = gPlaylist.first;
  for (int32_t i = 0; e && i < index; ++i) e = e->next;
  if (e == nullptr) return 0;
  *destination = *e;
  destination->previous = destination->next = nullptr;
  return 1;
}
