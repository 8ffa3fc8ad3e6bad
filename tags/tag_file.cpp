// Reading and saving the tag fields of a file.
#include "tags/tag_file.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "decoder/id3v2_tag.h"
#include "platform/file.h"
#include "platform/text.h"

namespace {

constexpr int32_t kCopyBytes = 1 << 16;
// What is read of a tag for its titles first (they stand in front of pictures as a rule), and the
// most read when they do not.
constexpr int64_t kTagStartBytes = 1 << 16;
constexpr int64_t kLargestTagRead = int64_t(16) << 20;
// Room left in a tag written anew, so that the next edits fit in place.
constexpr size_t kNewPadding = 1024;

// Where a file's tags lie: the ID3v2 tag's bytes (empty when none), where the audio begins and ends
// (before an ID3v1 tag), and the ID3v1 tag's presence.
struct TagLayout {
  std::vector<uint8_t> id3v2;
  int64_t audioStart, audioEnd, size;
  bool hasId3v1;
  uint8_t id3v1[kId3v1Bytes];
};

bool ReadAt(FileHandle file, int64_t at, void* to, int32_t count) {
  return FileSeek(file, at, kFromStart) == at && FileRead(file, to, count) == count;
}

bool ReadLayout(FileHandle file, TagLayout* layout) {
  layout->size = FileSize(file);
  if (layout->size < 0) return false;
  Id3v2Header header{};
  layout->audioStart = 0;
  layout->id3v2.clear();
  if (FileSeek(file, 0, kFromStart) == 0 && ReadId3v2Header(file, &header)) {
    layout->id3v2.resize(size_t(header.totalSize));
    if (!ReadAt(file, 0, layout->id3v2.data(), int32_t(header.totalSize))) return false;
    layout->audioStart = header.totalSize;
  }
  layout->audioEnd = layout->size;
  layout->hasId3v1 = layout->size - layout->audioStart >= kId3v1Bytes &&
                     ReadAt(file, layout->size - kId3v1Bytes, layout->id3v1, kId3v1Bytes) &&
                     std::memcmp(layout->id3v1, "TAG", 3) == 0;
  if (layout->hasId3v1) layout->audioEnd -= kId3v1Bytes;
  return true;
}

int32_t Fail(char* error, int32_t size, const char* what, const char* path) {
  if (error != nullptr && size > 0) std::snprintf(error, size_t(size), "%s\n%s", what, path);
  return 0;
}

bool WriteAll(FileHandle file, const uint8_t* bytes, size_t count) {
  for (size_t done = 0; done < count;) {
    const int32_t piece = count - done > size_t(kCopyBytes) ? kCopyBytes : int32_t(count - done);
    if (!FileWrite(file, bytes + done, piece)) return false;
    done += size_t(piece);
  }
  return true;
}

// Writes the new file beside the old one: the new tag, the audio copied, the ID3v1 tag; flushed and
// with the old file's times.
bool WriteBeside(FileHandle from, const TagLayout& layout, const std::vector<uint8_t>& tag, const uint8_t* id3v1,
                 const FileTimes* times, FileHandle to) {
  if (!WriteAll(to, tag.data(), tag.size())) return false;
  static uint8_t chunk[kCopyBytes];
  if (FileSeek(from, layout.audioStart, kFromStart) != layout.audioStart) return false;
  for (int64_t left = layout.audioEnd - layout.audioStart; left > 0;) {
    const int32_t piece = left > kCopyBytes ? kCopyBytes : int32_t(left);
    if (FileRead(from, chunk, piece) != piece || !FileWrite(to, chunk, piece)) return false;
    left -= piece;
  }
  if (id3v1 != nullptr && !FileWrite(to, id3v1, kId3v1Bytes)) return false;
  return FileFlush(to) && (times == nullptr || FileSetTimes(to, *times));
}

}  // namespace

int32_t ReadId3v2Bytes(FileHandle file, bool whole, std::vector<uint8_t>* bytes) {
  Id3v2Header header{};
  if (FileSeek(file, 0, kFromStart) != 0 || !ReadId3v2Header(file, &header)) return 0;
  const int64_t all = kId3v2HeaderBytes + header.bodySize;
  if (whole && all > kLargestTagRead) return 0;
  const int64_t count = whole || all < kTagStartBytes ? all : kTagStartBytes;
  bytes->resize(static_cast<size_t>(count));
  return ReadAt(file, 0, bytes->data(), int32_t(count)) ? 1 : 0;
}

int32_t ReadId3v2Fields(FileHandle file, TagFields* fields) {
  std::vector<uint8_t> bytes;
  if (fields == nullptr || !ReadId3v2Bytes(file, false, &bytes)) return 0;
  TagFields start = *fields;
  bool cut = false;
  const int32_t major = ParseId3v2(bytes.data(), bytes.size(), &start, &cut);
  const bool someMissing = start.title[0] == 0 || start.artist[0] == 0 || start.genre[0] == 0;
  if (major > 0 && cut && someMissing) {
    if (!ReadId3v2Bytes(file, true, &bytes)) return 0;
    TagFields all = *fields;
    const int32_t read = ParseId3v2(bytes.data(), bytes.size(), &all, &cut);
    if (read > 0) *fields = all;
    return read;
  }
  if (major > 0) *fields = start;
  return major;
}

int32_t ReadTagFields(const char* path, TagFields* fields) {
  std::memset(fields, 0, sizeof *fields);
  const FileHandle file = FileOpenRead(path);
  if (file == kNoFile) return 0;
  TagLayout layout;
  const bool read = ReadLayout(file, &layout);
  FileClose(file);
  if (!read) return 0;
  if (layout.hasId3v1) ParseId3v1(layout.id3v1, fields);
  if (!layout.id3v2.empty()) ParseId3v2(layout.id3v2.data(), layout.id3v2.size(), fields);
  return 1;
}

int32_t SaveTagFields(const char* path, const TagFields& fields, char* error, int32_t errorSize) {
  if (error != nullptr && errorSize > 0) error[0] = 0;
  const FileHandle file = FileOpenUpdate(path);
  if (file == kNoFile) {
    return Fail(error, errorSize, "The file cannot be written: it is read-only, locked or no longer there.", path);
  }
  TagLayout layout;
  FileTimes times{};
  const bool haveTimes = FileGetTimes(file, &times) != 0;
  std::vector<uint8_t> tag;
  if (!ReadLayout(file, &layout)) {
    FileClose(file);
    return Fail(error, errorSize, "The file could not be read.", path);
  }
  if (!BuildId3v2(layout.id3v2.data(), layout.id3v2.size(), fields, 0, &tag)) {
    FileClose(file);
    return Fail(error, errorSize, "The file's ID3v2 tag is damaged; it was left as it is.", path);
  }
  uint8_t id3v1[kId3v1Bytes];
  if (layout.hasId3v1) BuildId3v1(fields, id3v1);

  // In place: the new tag fills the old one's room exactly, so the audio stays where it is.
  if (!layout.id3v2.empty() && tag.size() <= layout.id3v2.size()) {
    BuildId3v2(layout.id3v2.data(), layout.id3v2.size(), fields, layout.id3v2.size(), &tag);
    const bool written = FileSeek(file, 0, kFromStart) == 0 && WriteAll(file, tag.data(), tag.size()) &&
                         (!layout.hasId3v1 || (FileSeek(file, layout.audioEnd, kFromStart) == layout.audioEnd &&
                                               FileWrite(file, id3v1, kId3v1Bytes))) &&
                         FileFlush(file);
    if (written && haveTimes) FileSetTimes(file, times);
    FileClose(file);
    return written ? 1 : Fail(error, errorSize, "The new tag could not be written into the file.", path);
  }

  // Beside it, then swapped in.
  char fresh[kPathBytes + 16], aside[kPathBytes + 16];
  std::snprintf(fresh, sizeof fresh, "%s.zav-new", path);
  std::snprintf(aside, sizeof aside, "%s.zav-old", path);
  if (Utf16Length(fresh) > kMaxPathUnits) {
    FileClose(file);
    return Fail(error, errorSize, "The file's path is too long to write a new copy beside it.", path);
  }
  const size_t used = tag.size();
  BuildId3v2(layout.id3v2.data(), layout.id3v2.size(), fields, used + kNewPadding, &tag);
  int32_t exists = 0;
  FileHandle out = FileCreateNew(fresh, &exists);
  if (out == kNoFile && exists && FileDelete(fresh)) out = FileCreateNew(fresh, &exists);  // a save cut short
  if (out == kNoFile) {
    FileClose(file);
    return Fail(error, errorSize, "A new copy of the file could not be created in its folder.", path);
  }
  const bool written = WriteBeside(file, layout, tag, layout.hasId3v1 ? id3v1 : nullptr, haveTimes ? &times : nullptr, out);
  FileClose(out);
  FileClose(file);
  if (!written) {
    FileDelete(fresh);
    return Fail(error, errorSize, "The new copy of the file could not be written (is the disk full?).", path);
  }
  if (!FileRename(path, aside)) {
    FileDelete(fresh);
    return Fail(error, errorSize, "The file could not be replaced: it is in use.", path);
  }
  if (!FileRename(fresh, path)) {
    FileRename(aside, path);
    FileDelete(fresh);
    return Fail(error, errorSize, "The new copy could not take the file's place.", path);
  }
  FileDelete(aside);  // a reader holding it open keeps its audio until it closes
  return 1;
}
