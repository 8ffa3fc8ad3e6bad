// Equalizer presets: the built-in curves ("Flat" and the usual genre curves) and the user's own, kept in
// "zav_eq.ini" beside "zav.ini" as one key a preset in section [Presets]: the name, "=", and the 12
// slider levels low to high, separated by commas. Portable: the file is read and written whole through
// platform/file.h. Names compare without regard to ASCII case.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "eq/eq_gains.h"

constexpr const char* kEqPresetsFile = "zav_eq.ini";
constexpr const char* kEqPresetsSection = "Presets";
// A name of up to 40 UTF-16 units as typed, in UTF-8 with its terminator.
constexpr int32_t kEqPresetNameCharacters = 40;
constexpr int32_t kEqPresetNameBytes = 128;
constexpr int32_t kMaxUserEqPresets = 200;
// A presets file larger than this is no presets file: it gives no presets.
constexpr int64_t kMaxEqPresetsFileBytes = 64 * 1024;

struct EqPreset {
  char name[kEqPresetNameBytes];
  int32_t levels[kEqSliders];  // 0..20, 10 = unchanged
};

// The user's presets, in the order of the file (a new one goes at the end).
struct EqPresetList {
  int32_t count;
  EqPreset presets[kMaxUserEqPresets];
};
extern EqPresetList gUserEqPresets;

// The built-in presets, "Flat" first.
int32_t BuiltInEqPresetCount();
const EqPreset& BuiltInEqPreset(int32_t index);

// Built-in presets first, then the user's: `index` counts through both. Null past the end.
int32_t EqPresetCount();
const EqPreset* EqPresetAt(int32_t index);
// The preset of that name, built-in or the user's; null when none.
const EqPreset* FindEqPreset(const char* name);
// 1 when `name` is a built-in preset's.
int32_t IsBuiltInEqPreset(const char* name);

// Checks a name a user typed and copies it without the blanks around it into `clean`: 1 when it can
// name a preset (1..63 bytes, no control character, no "=", not starting with "[" or ";"), else -1.
int32_t CleanEqPresetName(const char* name, char (&clean)[kEqPresetNameBytes]);

// Stores `levels` (each held to 0..20) under `name` in gUserEqPresets, replacing the user's preset of
// that name. 1 when stored; 0 when the list is full; -1 for an unusable name or a built-in one.
int32_t StoreUserEqPreset(const char* name, const int32_t levels[kEqSliders]);
// Removes the user's preset of that name: 1, or 0 when the user has none of that name.
int32_t DeleteUserEqPreset(const char* name);

// Reads the text of a presets file into `list`. Every key of [Presets] whose name can name a preset
// (and is neither a built-in's nor one already read) and whose value is exactly 12 whole numbers
// 0..20 gives a preset; every other line is passed over. Returns the number read.
int32_t ParseEqPresets(const std::string& text, EqPresetList* list);
// The text of a presets file holding `list`.
std::string FormatEqPresets(const EqPresetList& list);

// Reads the presets file into gUserEqPresets (none when it is missing, unreadable or too large).
// Returns the number read.
int32_t LoadUserEqPresets();
// Writes gUserEqPresets to the presets file. 1, or 0 when it could not be written.
int32_t SaveUserEqPresets();
