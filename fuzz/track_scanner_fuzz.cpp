// Scans arbitrary bytes as a track file: the first header, the duration and the ID3v1 tag. Every text
// of the tag must come back as UTF-8 of at most its characters, NUL-terminated within its field, and
// the genre within its table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/tag_text_check.h"
#include "playlist/track_scanner.h"

namespace {
int32_t QuietBox(WindowHandle, const char*, const char*, uint32_t) { return kAnswerOk; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetMessageBoxHook(&QuietBox);
  const FileHandle file = FileOpenMemory(data, static_cast<int64_t>(size));

  HeaderInfo header{};
  if (ScanHeader(file, &header)) {
    if (header.version < 0 || header.version > 2 || header.layer < 1 || header.layer > 3) std::abort();
    if (header.channels != (header.channelMode == 3 ? 1 : 2)) std::abort();
    const int32_t rate = HeaderBitrate(header);
    if (rate < 0 || rate > 448) std::abort();
    const int64_t audio = AudioBytes(file);
    if (audio < 0 || audio > static_cast<int64_t>(size)) std::abort();
    const int32_t seconds = TrackDuration(audio, rate);
    if (rate == 0 ? seconds != -1 : seconds < 0) std::abort();
  }
  // A header frame's count is believed only as far as the file can hold that many frames of 24 bytes
  // or more, of at most 1152 samples at 8000 Hz or more.
  const int32_t exact = HeaderFrameSeconds(file);
  if (exact < -1 || int64_t(exact) > (static_cast<int64_t>(size) / 24 + 1) * 1152 / 8000) std::abort();

  TagInfo tag;
  std::memset(&tag, 0x7F, sizeof tag);
  const int32_t read = ReadTag(file, &tag);
  if (read != tag.present) std::abort();
  if (read) {
    CheckText(tag.title, 30);
    CheckText(tag.artist, 30);
    CheckText(tag.album, 30);
    CheckText(tag.year, 4);
    CheckText(tag.comment, 30);
    if (tag.genre < 0 || tag.genre >= kGenreCount || std::strcmp(tag.genreName, kGenreNames[tag.genre]) != 0) {
      std::abort();
    }
  }
  FileClose(file);
  return 0;
}
