// ICY streams: audio bytes with a metadata block after every `interval` of them (a length byte, times 16
// bytes of text), and the StreamTitle of a block.
#include "stream/icy_metadata.h"

#include <cstring>

#include "stream/stream_text.h"

void IcyDemuxStart(IcyDemux* demux, int32_t interval) {
  demux->interval = interval > 0 ? interval : 0;
  demux->audioLeft = demux->interval;
  demux->metaLeft = -1;
  demux->metaLength = 0;
  demux->partLength = 0;
}

int32_t IcyDemuxBytes(IcyDemux* demux, uint8_t* bytes, int32_t count, int32_t* blockDone) {
  *blockDone = 0;
  if (count <= 0) return 0;
  if (demux->interval == 0) return count;
  int32_t audio = 0;
  int32_t at = 0;
  while (at < count) {
    if (demux->audioLeft > 0) {
      // A run of audio, moved down over the metadata taken out before it.
      const int32_t run = count - at < demux->audioLeft ? count - at : demux->audioLeft;
      if (audio != at) std::memmove(bytes + audio, bytes + at, size_t(run));
      audio += run;
      at += run;
      demux->audioLeft -= run;
    } else if (demux->metaLeft < 0) {
      demux->metaLeft = bytes[at++] * 16;
      demux->partLength = 0;
      if (demux->metaLeft == 0) {
        demux->metaLeft = -1;
        demux->audioLeft = demux->interval;
      }
    } else {
      const int32_t run = count - at < demux->metaLeft ? count - at : demux->metaLeft;
      std::memcpy(demux->part + demux->partLength, bytes + at, size_t(run));
      demux->partLength += run;
      at += run;
      demux->metaLeft -= run;
      if (demux->metaLeft == 0) {
        std::memcpy(demux->meta, demux->part, size_t(demux->partLength));
        demux->metaLength = demux->partLength;
        demux->metaLeft = -1;
        demux->audioLeft = demux->interval;
        *blockDone = 1;
      }
    }
  }
  return audio;
}

int32_t IcyStreamTitle(const uint8_t* block, int32_t length, char* out, int32_t size) {
  static const char kKey[] = "StreamTitle='";
  const int32_t keyLength = int32_t(sizeof kKey) - 1;
  if (block == nullptr || out == nullptr || size <= 0) return 0;
  const char* text = reinterpret_cast<const char*>(block);
  // The block's text ends at its first NUL: the padding to a multiple of 16.
  const char* nul = static_cast<const char*>(std::memchr(text, 0, size_t(length > 0 ? length : 0)));
  if (nul) length = int32_t(nul - text);
  // The key at the block's start or after a field's "';", with blanks allowed between fields.
  int32_t start = -1;
  bool fieldStart = true;
  for (int32_t i = 0; i + keyLength <= length; ++i) {
    if (fieldStart && std::memcmp(text + i, kKey, size_t(keyLength)) == 0) {
      start = i + keyLength;
      break;
    }
    if (text[i] != ' ' && text[i] != '\t') fieldStart = text[i] == ';';
  }
  if (start < 0) return 0;
  // The value runs to "';", else to the block's end (without a closing quote there).
  int32_t end = start;
  while (end < length && !(text[end] == '\'' && end + 1 < length && text[end + 1] == ';')) ++end;
  if (end == length && end > start && text[end - 1] == '\'') --end;
  StreamTextToUtf8(text + start, end - start, out, size);
  return 1;
}
