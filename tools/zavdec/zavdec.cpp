// zavdec: the player's decoder as a command-line program. Decodes MPEG audio files to a 16-bit PCM
// WAV file (or raw PCM), one input after the other as the player plays a playlist. An input may be an
// http:// stream address.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#define ZAV_ISATTY(f) _isatty(_fileno(f))
#define ZAV_GETPID _getpid
#else
#include <unistd.h>
#define ZAV_ISATTY(f) isatty(fileno(f))
#define ZAV_GETPID getpid
#endif

#include "decoder/decode_buffer.h"
#include "stream/stream_save.h"
#include "stream/stream_source.h"
#include "stream/stream_url.h"
#include "tools/zavdec/track_decoding.h"
#ifdef _WIN32
#include "platform/win32/wide.h"
#endif

namespace {

enum ExitCode : int {
  kExitOk = 0,
  kExitUsage = 2,
  kExitCannotOpen = 3,
  kExitNoAudio = 4,
  kExitCannotWrite = 5,
  kExitMixedFormats = 6,
};

const char kUsage[] =
    "usage: zavdec [options] INPUT... OUTPUT\n"
    "Decodes MPEG audio (Layers I, II, III) to a 16-bit PCM WAV file; OUTPUT '-' writes to standard output.\n"
    "Several inputs are decoded one after the other without a gap, as the player plays a playlist.\n"
    "An INPUT may be an http:// stream address; https:// addresses play in the Windows build only.\n"
    "  --quality full|half|quarter      output at the stream's rate, half or a quarter of it (full)\n"
    "  --channels stereo|left|right|mix  two channels, one of them, or both mixed into one (stereo)\n"
    "  --build 486|pentium              decoder build (pentium)\n"
    "  --replaygain off|track|album     play at the gain the tags give (album falls back to track) (off)\n"
    "  --preamp DB                      added to a tagged gain, -15 to 15 dB (0)\n"
    "  --untagged DB                    the gain of a file without one, -15 to 15 dB (0)\n"
    "  --prevent-clipping on|off        lower the gain so that the tagged peak stays at full scale (on)\n"
    "  --raw                            headerless PCM instead of WAV\n"
    "  --seconds N                      stop after N seconds of output\n"
    "  --reconnect-scale P              a stream's reconnect waits and stall time-out at P percent (100)\n"
    "  --save-to DIR                    save what a stream plays in DIR, a file per title (a file URL whole)\n"
    "  --save-only                      with --save-to: save streams without decoding; no OUTPUT is given,\n"
    "                                   --seconds then counts the time the stream is received\n"
    "  --help                           this text\n";

struct Output {
  FILE* file = nullptr;
  bool toStdout = false;
  bool streamed = false;  // standard output, a device or a pipe: written straight, never rewound or renamed
  bool raw = false;
  bool failed = false;
  int64_t bytes = 0;
  int64_t limitBytes = -1;  // --seconds: PCM bytes to write in all; -1 without a limit
  int64_t pcmBytes = 0;     // PCM bytes written so far
  bool limitReached = false;
  int32_t rate = 0;
  int32_t channels = 0;
  std::string finalPath;
  std::string tempPath;
} gOut;

bool gShowProgress = false;

// Names are UTF-8 on every system; Windows opens them through its wide functions.
std::filesystem::path PathOf(const std::string& name) { return std::filesystem::u8path(name); }

FILE* OpenForWriting(const std::string& name) {
#ifdef _WIN32
  return _wfopen(PathOf(name).c_str(), L"wb");
#else
  return std::fopen(name.c_str(), "wb");
#endif
}

void RemoveFile(const std::string& name) {
  std::error_code ignored;
  std::filesystem::remove(PathOf(name), ignored);
}

void Put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

// A canonical 44-byte WAV header; an unknown length (standard output) is written as the largest one.
void MakeWavHeader(uint8_t* h, int32_t rate, int32_t channels, int64_t dataBytes) {
  const uint32_t data = dataBytes < 0 || dataBytes > 0xFFFFFFFFll - 36 ? 0xFFFFFFFFu - 36 : uint32_t(dataBytes);
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, data + 36);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, 1);
  Put16(h + 22, uint32_t(channels));
  Put32(h + 24, uint32_t(rate));
  Put32(h + 28, uint32_t(rate * channels * 2));
  Put16(h + 32, uint32_t(channels * 2));
  Put16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, data);
}

bool WriteBytes(const void* data, size_t n) {
  if (gOut.failed) return false;
  if (n && std::fwrite(data, 1, n, gOut.file) != n) gOut.failed = true;
  gOut.bytes += int64_t(n);
  return !gOut.failed;
}

// Where the decoder's PCM goes: straight to the output, 16-bit little-endian.
int32_t WritePcmToFile(int32_t count, const uint8_t* pcm, const uint8_t*) {
  const int32_t taken = count < kOutputBlockBytes ? count : kOutputBlockBytes;
  if (taken <= 0) return 0;
  int32_t n = taken;
  if (gOut.limitBytes >= 0) {
    // Past the --seconds limit the block is taken but not written; the track ends behind this frame.
    const int64_t left = gOut.limitBytes - gOut.pcmBytes;
    if (left < n) n = static_cast<int32_t>(left > 0 ? left : 0);
    gOut.pcmBytes += n;
    if (gOut.pcmBytes >= gOut.limitBytes) gOut.limitReached = true;
  }
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  uint8_t swapped[kOutputBlockBytes];
  for (int32_t i = 0; i + 1 < n; i += 2) {
    swapped[i] = pcm[i + 1];
    swapped[i + 1] = pcm[i];
  }
  WriteBytes(swapped, size_t(n));
#else
  WriteBytes(pcm, size_t(n));
#endif
  return taken;
}

// Output passes through a buffer of many decoder blocks, so the system sees a few large writes rather
// than one per block.
constexpr size_t kOutputBufferBytes = size_t(1) << 18;
char gOutputBuffer[kOutputBufferBytes];

bool OpenOutput(const std::string& path) {
  if (path == "-") {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    gOut.file = stdout;
    gOut.toStdout = gOut.streamed = true;
    std::setvbuf(gOut.file, gOutputBuffer, _IOFBF, kOutputBufferBytes);
    return true;
  }
  // A device or pipe (/dev/null, a FIFO) is written straight: renaming a finished file onto its name
  // would replace the device itself.
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(PathOf(path), error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
      !std::filesystem::is_directory(status)) {
    gOut.file = OpenForWriting(path);
    gOut.streamed = true;
    if (gOut.file) std::setvbuf(gOut.file, gOutputBuffer, _IOFBF, kOutputBufferBytes);
    return gOut.file != nullptr;
  }
  gOut.finalPath = path;
  gOut.tempPath = path + ".zavdec-" + std::to_string(ZAV_GETPID()) + ".tmp";
  gOut.file = OpenForWriting(gOut.tempPath);
  if (gOut.file) std::setvbuf(gOut.file, gOutputBuffer, _IOFBF, kOutputBufferBytes);
  return gOut.file != nullptr;
}

void DiscardOutput() {
  if (gOut.file && !gOut.toStdout) {
    std::fclose(gOut.file);
    if (!gOut.streamed) RemoveFile(gOut.tempPath);
  }
  gOut.file = nullptr;
}

bool FinishOutput() {
  if (!gOut.raw && !gOut.streamed) {
    uint8_t header[44];
    MakeWavHeader(header, gOut.rate, gOut.channels, gOut.bytes - 44);
    if (std::fseek(gOut.file, 0, SEEK_SET) != 0 || std::fwrite(header, 1, 44, gOut.file) != 44) gOut.failed = true;
  }
  if (std::fflush(gOut.file) != 0) gOut.failed = true;
  if (gOut.toStdout) return !gOut.failed;
  if (std::fclose(gOut.file) != 0) gOut.failed = true;
  gOut.file = nullptr;
  if (gOut.streamed) return !gOut.failed;
  if (gOut.failed) {
    RemoveFile(gOut.tempPath);
    return false;
  }
  std::error_code error;
  std::filesystem::rename(PathOf(gOut.tempPath), PathOf(gOut.finalPath), error);
  if (error) {
    RemoveFile(gOut.tempPath);
    return false;
  }
  return true;
}

const char* gCurrentInput = "";
int32_t gFirstLayer = 0;

// The first frame of each input fixes (first input) or must match (later inputs) the output format.
double gSeconds = -1;  // --seconds

bool CheckFormat(const TrackInfo& info, void*) {
  if (gOut.rate == 0) {
    gOut.rate = info.outputRate;
    gOut.channels = info.outputChannels;
    if (gSeconds >= 0) gOut.limitBytes = static_cast<int64_t>(gSeconds * gOut.rate) * gOut.channels * 2;
    if (!gOut.raw) {
      uint8_t header[44];
      MakeWavHeader(header, gOut.rate, gOut.channels, -1);
      WriteBytes(header, 44);
    }
    return true;
  }
  if (info.outputRate != gOut.rate || info.outputChannels != gOut.channels) {
    std::fprintf(stderr, "zavdec: %s: output would be %d Hz, %d channel(s), but the earlier input gives %d Hz, %d channel(s); "
                 "all inputs must share one output rate and channel count\n",
                 gCurrentInput, info.outputRate, info.outputChannels, gOut.rate, gOut.channels);
    return false;
  }
  return true;
}

void ShowProgress(const TrackInfo& info, int64_t position, int64_t size, void*) {
  if (!gShowProgress || (info.frames & 63) != 0) return;
  const int percent = size > 0 ? int(position * 100 / size) : 0;
  std::fprintf(stderr, "\rzavdec: %s: %3d%%  %.1f s", gCurrentInput, percent,
               info.outputRate ? double(info.samples) / info.outputRate : 0.0);
  std::fflush(stderr);
}

bool ParseChoice(const char* value, const char* const* names, const int32_t* values, int count, int32_t* out) {
  for (int i = 0; i < count; ++i)
    if (std::strcmp(value, names[i]) == 0) {
      *out = values[i];
      return true;
    }
  return false;
}

// A number of dB from -15 to 15.
bool ParseDecibels(const char* value, float* out) {
  char* end = nullptr;
  const double db = value ? std::strtod(value, &end) : 0;
  if (!value || end == value || *end != '\0' || !(db >= kMinReplayGainDb && db <= kMaxReplayGainDb)) return false;
  *out = float(db);
  return true;
}

// Tells what saving a stream came to: why it stopped, or the file a download was saved whole in.
void ReportSaving(const std::string& path, int32_t errorsBefore, int32_t savedBefore) {
  char text[kPathBytes + 128];
  if (StreamSaveError(text, sizeof text) != errorsBefore) std::fprintf(stderr, "zavdec: %s: %s\n", path.c_str(), text);
  if (StreamSavedFile(text, sizeof text) != savedBefore) std::fprintf(stderr, "zavdec: saved %s\n", text);
}

// --save-only: each stream is received and saved, its audio taken out of the ring undecoded, until it
// ends or --seconds have passed.
int SaveOnly(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    char text[8];
    const int32_t errorsBefore = StreamSaveError(text, sizeof text);
    const int32_t savedBefore = StreamSavedFile(text, sizeof text);
    ByteSource source;
    if (StreamUrlScheme(path.c_str()) == 0 || !StreamOpen(path.c_str(), &source)) {
      std::fprintf(stderr, "zavdec: --save-only takes stream addresses: %s\n", path.c_str());
      return kExitCannotOpen;
    }
    const auto start = std::chrono::steady_clock::now();
    static uint8_t drained[16384];
    while (source.functions->read(source.handle, drained, sizeof drained) != 0) {
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      if (gSeconds >= 0 && took.count() >= gSeconds) break;
    }
    source.functions->close(source.handle);
    char streamError[256];
    if (StreamError(streamError, sizeof streamError)) std::fprintf(stderr, "zavdec: %s: %s\n", path.c_str(), streamError);
    ReportSaving(path, errorsBefore, savedBefore);
  }
  return kExitOk;
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "zavdec: %s\n", problem);
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

// Everything after the program's name, UTF-8.
int Run(const std::vector<std::string>& args) {
  DecodeOptions options;
  std::vector<std::string> paths;
  const size_t argc = args.size();
  for (size_t i = 0; i < argc; ++i) {
    const std::string& arg = args[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "zavdec: %s needs a value\n", name);
        return nullptr;
      }
      return args[++i].c_str();
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return kExitOk;
    } else if (arg == "--raw") {
      gOut.raw = true;
    } else if (arg == "--seconds") {
      const char* v = value("--seconds");
      char* end = nullptr;
      gSeconds = v ? std::strtod(v, &end) : -1;
      if (!v || end == v || *end != '\0' || !(gSeconds >= 0 && gSeconds <= 1e7))
        return Usage("--seconds takes a number of seconds");
    } else if (arg == "--reconnect-scale") {
      const char* v = value("--reconnect-scale");
      char* end = nullptr;
      const long percent = v ? std::strtol(v, &end, 10) : -1;
      if (!v || end == v || *end != '\0' || percent < 1 || percent > 1000)
        return Usage("--reconnect-scale takes a percentage from 1 to 1000");
      gStreamOptions.reconnectScale = static_cast<int32_t>(percent);
      gStreamOptions.stallMs = static_cast<int32_t>(15000 * percent / 100);
    } else if (arg == "--save-to") {
      const char* v = value("--save-to");
      if (!v || !*v || std::strlen(v) >= sizeof gStreamSave.folder) return Usage("--save-to takes a folder");
      std::snprintf(gStreamSave.folder, sizeof gStreamSave.folder, "%s", v);
      if (gStreamSave.mode == kPlayOnly) gStreamSave.mode = kPlayAndSave;
    } else if (arg == "--save-only") {
      gStreamSave.mode = kSaveOnly;
    } else if (arg == "--quality") {
      static const char* const names[] = {"full", "half", "quarter"};
      static const int32_t values[] = {0, 1, 2};
      const char* v = value("--quality");
      if (!v || !ParseChoice(v, names, values, 3, &options.quality)) return Usage("--quality takes full, half or quarter");
    } else if (arg == "--channels") {
      static const char* const names[] = {"stereo", "left", "right", "mix"};
      static const int32_t values[] = {-1, 0, 1, 3};
      const char* v = value("--channels");
      if (!v || !ParseChoice(v, names, values, 4, &options.channelSelect))
        return Usage("--channels takes stereo, left, right or mix");
    } else if (arg == "--build") {
      static const char* const names[] = {"486", "pentium"};
      static const int32_t values[] = {0, 1};
      const char* v = value("--build");
      if (!v || !ParseChoice(v, names, values, 2, &options.processor)) return Usage("--build takes 486 or pentium");
    } else if (arg == "--replaygain") {
      static const char* const names[] = {"off", "track", "album"};
      static const int32_t values[] = {kReplayGainOff, kReplayGainTrack, kReplayGainAlbum};
      const char* v = value("--replaygain");
      if (!v || !ParseChoice(v, names, values, 3, &options.replayGain.mode))
        return Usage("--replaygain takes off, track or album");
    } else if (arg == "--preamp" || arg == "--untagged") {
      float* db = arg == "--preamp" ? &options.replayGain.preampDb : &options.replayGain.untaggedDb;
      if (!ParseDecibels(value(arg.c_str()), db)) return Usage((arg + " takes a number of dB from -15 to 15").c_str());
    } else if (arg == "--prevent-clipping") {
      static const char* const names[] = {"off", "on"};
      static const int32_t values[] = {0, 1};
      const char* v = value("--prevent-clipping");
      if (!v || !ParseChoice(v, names, values, 2, &options.replayGain.preventClipping))
        return Usage("--prevent-clipping takes on or off");
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      return Usage(("unknown option " + arg).c_str());
    } else {
      paths.push_back(arg);
    }
  }
  if (gStreamSave.mode == kSaveOnly) {
    if (gStreamSave.folder[0] == '\0') return Usage("--save-only needs --save-to");
    if (paths.empty()) return Usage("give at least one stream address");
    return SaveOnly(paths);
  }
  if (paths.size() < 2) return Usage("give at least one input and the output");
  const std::string outputPath = paths.back();
  paths.pop_back();
  gShowProgress = ZAV_ISATTY(stderr) != 0;

  if (!StartTrackDecoding(options)) {
    std::fprintf(stderr, "zavdec: out of memory\n");
    return kExitCannotWrite;
  }
  if (!OpenOutput(outputPath)) {
    std::fprintf(stderr, "zavdec: cannot write %s: %s\n", outputPath.c_str(), std::strerror(errno));
    return kExitCannotWrite;
  }
  gWritePcm = WritePcmToFile;
  options.stop = &gOut.limitReached;

  TrackInfo total;
  int64_t clipped = 0;
  for (const std::string& path : paths) {
    gCurrentInput = path.c_str();
    TrackInfo info;
    char before[8];
    const int32_t saveErrorsBefore = StreamSaveError(before, sizeof before);
    const int32_t savedBefore = StreamSavedFile(before, sizeof before);
    const TrackResult result = DecodeTrack(path.c_str(), options, &info, CheckFormat, ShowProgress, nullptr);
    if (gShowProgress) std::fputs("\r\033[K", stderr);
    char streamError[256];
    if (StreamUrlScheme(path.c_str()) != 0 && StreamError(streamError, sizeof streamError) && !gOut.limitReached)
      std::fprintf(stderr, "zavdec: %s: %s\n", path.c_str(), streamError);
    ReportSaving(path, saveErrorsBefore, savedBefore);
    if (result == kTrackCannotOpen) {
      std::fprintf(stderr, "zavdec: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
      DiscardOutput();
      return kExitCannotOpen;
    }
    if (result == kTrackNoFrames) {
      std::fprintf(stderr, "zavdec: %s: no MPEG audio frame found\n", path.c_str());
      DiscardOutput();
      return kExitNoAudio;
    }
    if (result == kTrackRefused) {
      DiscardOutput();
      return kExitMixedFormats;
    }
    if (options.replayGain.mode != kReplayGainOff) {
      static const char* const sources[] = {"no tag: the untagged gain", "ID3v2 tag", "APEv2 tag", "LAME header"};
      std::fprintf(stderr, "zavdec: %s: ReplayGain %+.2f dB (%s)\n", path.c_str(), 20.0 * std::log10(info.gain),
                   sources[info.gainFrom]);
    }
    if (info.streamErrors > 0)
      std::fprintf(stderr, "zavdec: %s: Error In Stream... (%d times)\n", path.c_str(), info.streamErrors);
    if (gFirstLayer == 0) {
      gFirstLayer = info.layer;
      total = info;
    } else {
      total.frames += info.frames;
      total.samples += info.samples;
    }
    clipped += info.clipped;
    if (gOut.failed || gOut.limitReached) break;
  }
  FinishTrackDecoding();
  if (!FinishOutput()) {
    std::fprintf(stderr, "zavdec: cannot write %s\n", outputPath.c_str());
    DiscardOutput();
    return kExitCannotWrite;
  }
  const char* version = total.version == 1 ? "MPEG-1" : total.version == 2 ? "MPEG-2" : "MPEG 2.5";
  std::fprintf(stderr, "zavdec: layer %d, %s, %d Hz in, %d Hz out, %d channel%s, %lld frames, %.2f s, %lld clipped\n",
               total.layer, version, total.inputRate, total.outputRate, total.outputChannels,
               total.outputChannels == 1 ? "" : "s", static_cast<long long>(total.frames),
               total.outputRate ? double(total.samples) / total.outputRate : 0.0, static_cast<long long>(clipped));
  return kExitOk;
}

}  // namespace

#ifdef _WIN32
// The wide command line, so that any name Windows allows arrives whole.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8FromWide(argv[i]));
  return Run(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  return Run(args);
}
#endif
