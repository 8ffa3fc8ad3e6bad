// Playlist files: M3U, M3U8 and PLS, read and written. The readers append to the playlist with AddTrack;
// none of them sends WM_PLAYLIST_REFRESH (the caller does after the batch).
//
// Text: a file that starts with a UTF-8 byte order mark, an ".m3u8" file, and a file whose bytes are
// well-formed UTF-8 with some non-ASCII byte are read as UTF-8 (a line or value that is not UTF-8 in a
// file marked as such came from an older tool and is read in the ANSI code page); a UTF-16 file with
// its byte order mark is read as such; anything else is in the ANSI code page, as every list saved
// before was. A file is read up to kMaxPlaylistBytes: beyond it, and in the line it cuts, nothing is
// read.
#pragma once
#include <cstdint>

// Adds `path` by its kind: a stream's address (http://, https://) as an entry with AddTrack, a folder
// (after an "Adding Directory..." box owned by the playlist's owner) with AddDirectory, a ".pls", ".m3u"
// or ".m3u8" file (any case) with its reader, anything else with AddTrack. Returns 1, or 0 for a null
// path.
int32_t AddByType(const char* path);
// 1 while an AddByType shows its "Adding Directory..." box or scans the folder after it: messages the
// box's loop dispatches meanwhile must not start another add or play the half-built list.
int32_t AddRunning();

// Largest playlist file read or rewritten: room for the most entries a PLS file adds at full length.
constexpr int64_t kMaxPlaylistBytes = int64_t(64) << 20;
// Most entries one PLS file adds, whatever its "NumberOfEntries" says.
constexpr int32_t kMaxPlsEntries = 65536;
// A PLS read ends after this many "File" keys in a row are missing or empty: the entries have run out.
constexpr int32_t kMaxPlsGap = 1000;

// Adds one entry per line of an M3U file. Empty lines, lines of blanks and "#" lines (extended M3U
// directives) are skipped; lines that start with a drive ("C:\") or a folder separator, and streams'
// addresses (http://, https://), are used as they stand, other lines are joined to the playlist file's
// folder; a line or joined path too long for a path (259 UTF-16 units) is skipped. A "file:" URL names
// the file it points to (with the build's own separator): "file:///C:/a%20b.mp3" and
// "file://localhost/C:/a%20b.mp3" are C:\a b.mp3, "file://server/share/c.mp3" is \\server\share\c.mp3,
// "file:///music/d.mp3" is \music\d.mp3. Its %XX escapes are decoded; a malformed escape, a control
// character, plain or escaped, or bytes that are not UTF-8, leaves the line out. Ctrl+Z ends the text.
// Returns 1, or 0 when the file cannot be opened.
int32_t LoadM3u(const char* path);

// Adds "File1" ... "File<n>" of section "playlist", n = "NumberOfEntries" (bounded as above), resolving
// entries against the playlist file's folder as LoadM3u does; missing or empty values add nothing.
// The file is read as the profile functions read it: names in any case, the first section and key of a
// name, values without blanks around them and one pair of quotes, a name without a folder in the
// Windows folder. Returns 1, or 0 when "NumberOfEntries" is missing (or the file cannot be read).
int32_t LoadPls(const char* path);

// The types "Save Playlist" offers, in the order of its file-type list.
enum PlaylistType : int32_t {
  // "File1".."File<n>" and "NumberOfEntries" written into section "playlist" of the file, keeping its
  // other lines (keys beyond the new count stay, and the count governs what a later read takes); a
  // name without a folder is in the Windows folder.
  kPlaylistPls = 0,
  // One full path a line, CR LF after each; the file is replaced.
  kPlaylistM3u = 1,
  // As M3U, always in UTF-8 and without a byte order mark (the extension says what the text is).
  kPlaylistM3u8 = 2,
};

// Writes the playlist to `path` as `type`, with the type's extension appended unless the name ends with
// it (any case). PLS and M3U are written in the ANSI code page when it holds every entry and the text
// reads back as such, else in UTF-8: a PLS without a byte order mark (the reader knows it by its bytes),
// an M3U with one. A PLS written over a UTF-8 file stays UTF-8, and an ANSI file that gets UTF-8 entries
// is converted whole, so that a file is never part one and part the other. Returns 1, or 0 after a
// message box when the playlist is empty, an entry holds a line break, or the file could not be written.
int32_t SavePlaylist(const char* path, PlaylistType type);
// SavePlaylist as PLS.
int32_t SavePls(const char* path);
