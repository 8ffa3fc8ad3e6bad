#include "eq/eq_presets.h"

#include <cstring>
#include <vector>

#include "platform/file.h"
#include "platform/profile.h"
#include "platform/profile_text.h"

EqPresetList gUserEqPresets = {};

namespace {

// Levels are linear gains in tenths (20 is twice the amplitude, 5 half), so no curve lifts a band
// beyond +6 dB and cuts stay above silence. The lowest slider holds everything below 689 Hz: the bass
// lives there alone; the sliders above it step through the mid-range to the air band.
const EqPreset kBuiltIn[] = {
    {"Flat", {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10}},
    {"Classical", {10, 10, 10, 10, 10, 10, 9, 9, 8, 7, 7, 6}},
    {"Club", {11, 12, 13, 13, 12, 11, 11, 10, 10, 10, 10, 10}},
    {"Dance", {16, 13, 11, 10, 9, 9, 10, 11, 12, 13, 12, 10}},
    {"Full Bass", {18, 15, 12, 10, 9, 8, 7, 7, 6, 6, 6, 6}},
    {"Full Bass & Treble", {16, 13, 10, 8, 8, 9, 11, 13, 15, 16, 16, 16}},
    {"Full Treble", {6, 6, 7, 8, 10, 12, 14, 16, 17, 18, 18, 18}},
    {"Headphones", {13, 12, 10, 9, 9, 10, 11, 12, 13, 13, 12, 11}},
    {"Large Hall", {16, 14, 12, 11, 10, 9, 9, 9, 10, 10, 10, 10}},
    {"Laptop Speakers", {7, 11, 14, 13, 11, 10, 10, 11, 12, 13, 12, 11}},
    {"Live", {8, 10, 12, 13, 13, 13, 12, 11, 11, 11, 10, 10}},
    {"Party", {15, 14, 10, 10, 10, 10, 10, 10, 12, 14, 14, 14}},
    {"Pop", {9, 12, 14, 14, 12, 10, 9, 9, 9, 10, 10, 10}},
    {"Reggae", {12, 10, 9, 8, 10, 12, 12, 11, 10, 10, 10, 10}},
    {"Rock", {15, 13, 9, 8, 9, 11, 13, 14, 14, 14, 14, 14}},
    {"Ska", {9, 8, 9, 10, 12, 13, 14, 14, 15, 14, 14, 14}},
    {"Soft", {12, 11, 10, 9, 9, 10, 11, 12, 13, 14, 14, 14}},
    {"Soft Rock", {12, 12, 11, 10, 9, 9, 9, 10, 11, 12, 13, 13}},
    {"Techno", {15, 14, 10, 8, 9, 10, 12, 14, 15, 15, 14, 14}},
};
constexpr int32_t kBuiltInCount = int32_t(sizeof kBuiltIn / sizeof kBuiltIn[0]);

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameName(const char* a, const char* b) {
  while (*a && Lower(*a) == Lower(*b)) ++a, ++b;
  return *a == 0 && *b == 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The user's preset of that name: its slot, or -1.
int32_t UserSlot(const EqPresetList& list, const char* name) {
  for (int32_t i = 0; i < list.count; ++i)
    if (SameName(list.presets[i].name, name)) return i;
  return -1;
}

// Exactly 12 numbers 0..20 separated by commas, blanks allowed around each.
bool ParseLevels(const char* text, size_t length, int32_t levels[kEqSliders]) {
  size_t at = 0;
  for (int32_t i = 0; i < kEqSliders; ++i) {
    if (i > 0) {
      if (at >= length || text[at] != ',') return false;
      ++at;
    }
    while (at < length && IsBlank(text[at])) ++at;
    int32_t value = 0, digits = 0;
    for (; at < length && text[at] >= '0' && text[at] <= '9'; ++at) {
      if (++digits > 2) return false;
      value = value * 10 + (text[at] - '0');
    }
    if (digits == 0 || value > kEqLevelMax) return false;
    while (at < length && IsBlank(text[at])) ++at;
    levels[i] = value;
  }
  return at == length;
}

// Adds a preset to `list` unless the name is unusable, built-in or there already, or the list is full.
bool Append(EqPresetList* list, const char* name, const int32_t levels[kEqSliders]) {
  char clean[kEqPresetNameBytes];
  if (list->count >= kMaxUserEqPresets || CleanEqPresetName(name, clean) != 1 || IsBuiltInEqPreset(clean) ||
      UserSlot(*list, clean) >= 0)
    return false;
  EqPreset& preset = list->presets[list->count++];
  std::memcpy(preset.name, clean, sizeof clean);
  for (int32_t i = 0; i < kEqSliders; ++i) preset.levels[i] = HoldEqLevel(levels[i]);
  return true;
}

}  // namespace

int32_t BuiltInEqPresetCount() { return kBuiltInCount; }
const EqPreset& BuiltInEqPreset(int32_t index) { return kBuiltIn[index < 0 || index >= kBuiltInCount ? 0 : index]; }

int32_t EqPresetCount() { return kBuiltInCount + gUserEqPresets.count; }

const EqPreset* EqPresetAt(int32_t index) {
  if (index < 0) return nullptr;
  if (index < kBuiltInCount) return &kBuiltIn[index];
  index -= kBuiltInCount;
  return index < gUserEqPresets.count ? &gUserEqPresets.presets[index] : nullptr;
}

const EqPreset* FindEqPreset(const char* name) {
  if (!name || !*name) return nullptr;
  for (const EqPreset& preset : kBuiltIn)
    if (SameName(preset.name, name)) return &preset;
  const int32_t slot = UserSlot(gUserEqPresets, name);
  return slot >= 0 ? &gUserEqPresets.presets[slot] : nullptr;
}

int32_t IsBuiltInEqPreset(const char* name) {
  for (const EqPreset& preset : kBuiltIn)
    if (name && SameName(preset.name, name)) return 1;
  return 0;
}

int32_t CleanEqPresetName(const char* name, char (&clean)[kEqPresetNameBytes]) {
  clean[0] = 0;
  if (!name) return -1;
  const size_t limit = strnlen(name, kEqPresetNameBytes + 256);
  size_t begin = 0, end = limit;
  while (begin < end && IsBlank(name[begin])) ++begin;
  while (end > begin && IsBlank(name[end - 1])) --end;
  const size_t length = end - begin;
  if (length == 0 || length >= size_t(kEqPresetNameBytes) || name[begin] == '[' || name[begin] == ';') return -1;
  for (size_t i = begin; i < end; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == 0x7F || c == '=') return -1;
  }
  std::memcpy(clean, name + begin, length);
  clean[length] = 0;
  return 1;
}

int32_t StoreUserEqPreset(const char* name, const int32_t levels[kEqSliders]) {
  char clean[kEqPresetNameBytes];
  if (CleanEqPresetName(name, clean) != 1 || IsBuiltInEqPreset(clean)) return -1;
  const int32_t slot = UserSlot(gUserEqPresets, clean);
  if (slot < 0) return Append(&gUserEqPresets, clean, levels) ? 1 : 0;
  EqPreset& preset = gUserEqPresets.presets[slot];
  std::memcpy(preset.name, clean, sizeof clean);  // the new spelling of the name
  for (int32_t i = 0; i < kEqSliders; ++i) preset.levels[i] = HoldEqLevel(levels[i]);
  return 1;
}

int32_t DeleteUserEqPreset(const char* name) {
  const int32_t slot = name ? UserSlot(gUserEqPresets, name) : -1;
  if (slot < 0) return 0;
  for (int32_t i = slot; i + 1 < gUserEqPresets.count; ++i) gUserEqPresets.presets[i] = gUserEqPresets.presets[i + 1];
  --gUserEqPresets.count;
  return 1;
}

int32_t ParseEqPresets(const std::string& text, EqPresetList* list) {
  list->count = 0;
  for (const ProfileKey& key : ListProfileKeys(text, kEqPresetsSection)) {
    if (key.nameLength == 0 || key.nameLength >= size_t(kEqPresetNameBytes)) continue;
    char name[kEqPresetNameBytes];
    std::memcpy(name, text.data() + key.nameBegin, key.nameLength);
    name[key.nameLength] = 0;
    int32_t levels[kEqSliders];
    if (ParseLevels(text.data() + key.valueBegin, key.valueLength, levels)) Append(list, name, levels);
  }
  return list->count;
}

std::string FormatEqPresets(const EqPresetList& list) {
  std::string text = "; zav equalizer presets: a name, then its 12 slider levels from 0 to 20 (10 leaves a band as\r\n"
                     "; it is), lowest band first\r\n[Presets]\r\n";
  for (int32_t i = 0; i < list.count && i < kMaxUserEqPresets; ++i) {
    text += list.presets[i].name;
    text += '=';
    for (int32_t j = 0; j < kEqSliders; ++j) {
      if (j > 0) text += ',';
      text += std::to_string(HoldEqLevel(list.presets[i].levels[j]));
    }
    text += "\r\n";
  }
  return text;
}

int32_t LoadUserEqPresets() {
  gUserEqPresets.count = 0;
  const FileHandle file = FileOpenRead(ProfileFilePath(kEqPresetsFile).c_str());
  if (file == kNoFile) return 0;
  const int64_t size = FileSize(file);
  std::string text;
  if (size > 0 && size <= kMaxEqPresetsFileBytes) {
    text.resize(size_t(size));
    if (FileRead(file, &text[0], int32_t(size)) != int32_t(size)) text.clear();
  }
  FileClose(file);
  return ParseEqPresets(text, &gUserEqPresets);
}

int32_t SaveUserEqPresets() {
  const std::string text = FormatEqPresets(gUserEqPresets);
  return FileWriteWhole(ProfileFilePath(kEqPresetsFile).c_str(), text.data(), int64_t(text.size()));
}
