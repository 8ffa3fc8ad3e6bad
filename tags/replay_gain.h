// ReplayGain: the track and album gains and peaks that a file's tags give (ID3v2 TXXX frames, an
// APEv2 tag at the end, the LAME header frame's fields, in that order of preference), and the factor a
// track plays at under the user's choice of mode, pre-amp, gain for untagged files and clipping
// prevention. Portable.
#pragma once
#include <cstddef>
#include <cstdint>

struct VbrHeader;

enum ReplayGainField : int32_t { kTrackGain = 0, kTrackPeak = 1, kAlbumGain = 2, kAlbumPeak = 3, kReplayGainFields = 4 };
enum ReplayGainSource : int32_t { kGainUnset = 0, kGainFromId3v2 = 1, kGainFromApe = 2, kGainFromLame = 3 };

struct ReplayGainInfo {
  float value[kReplayGainFields];   // gains in dB, peaks as amplitudes (1.0 is full scale)
  int32_t from[kReplayGainFields];  // ReplayGainSource; kGainUnset where no tag gives the field
};

enum ReplayGainMode : int32_t { kReplayGainOff = 0, kReplayGainTrack = 1, kReplayGainAlbum = 2 };
constexpr float kMinReplayGainDb = -15.0f;  // pre-amp and gain for untagged files
constexpr float kMaxReplayGainDb = 15.0f;
// Gains past this are damaged values; they are held to it.
constexpr float kLargestTagGainDb = 51.0f;

struct ReplayGainSettings {
  int32_t mode;             // ReplayGainMode; album falls back to the track gain
  float preampDb;           // added to a tagged gain, -15..15
  float untaggedDb;         // the gain of a file no tag gives one for, -15..15
  int32_t preventClipping;  // lower the gain so that the peak stays at full scale
};

// The field a name stands for ("REPLAYGAIN_TRACK_GAIN" and the others, case aside), or -1.
int32_t ReplayGainFieldNamed(const char* name);
// Reads a field's text: a gain as a decimal number of dB with an optional sign and " dB" behind
// ("-6.02 dB", "+1.5dB"), a peak as a decimal number above 0. False for anything else.
bool ParseReplayGainValue(int32_t field, const char* text, float* value);
// Keeps `value` for the field unless an earlier tag gave it; true when kept.
bool NoteReplayGain(ReplayGainInfo* info, int32_t field, float value, int32_t from);

// The fields of the TXXX frames of the ID3v2 tag `tag` (`size` bytes; with `cut` given, only its first
// bytes, as ParseId3v2 takes them) that no earlier tag gave. Returns how many it kept.
int32_t ParseId3v2ReplayGain(const uint8_t* tag, size_t size, ReplayGainInfo* info, bool* cut = nullptr);
// The fields of the APEv2 (or APEv1) tag whose footer ends `bytes` (`size` bytes: the tag, and any
// bytes before it). Returns how many it kept; 0 when there is no such tag or it is damaged.
int32_t ParseApeReplayGain(const uint8_t* bytes, size_t size, ReplayGainInfo* info);
// The gains and peak of a LAME header frame's extension, when `header` has one. Returns how many it kept.
int32_t LameReplayGain(const VbrHeader& header, ReplayGainInfo* info);
// An APEv2 tag's footer, and its header when it has one.
constexpr int32_t kApeFooterBytes = 32;

// Reads the fields of the file at `path` from all three places. 1 when the file could be read (all
// fields unset when it has none), else 0.
int32_t ReadReplayGain(const char* path, ReplayGainInfo* info);

// The linear factor a track with `info` plays at: 1.0 with the mode off; else the mode's gain (album
// falling back to track) plus the pre-amp, or the untagged gain when no tag gives one; with clipping
// prevention lowered so that the matching peak (the track's where the album's is missing) times the
// factor stays at 1.0. `from`, when given, receives where the gain came from.
float ReplayGainFactor(const ReplayGainInfo& info, const ReplayGainSettings& settings, int32_t* from = nullptr);
