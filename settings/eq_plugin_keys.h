// Two switches kept in extra keys of "zav.ini" beside the record: "Load Preset From Genre" of the
// equalizer and "Auto-Start Plugin " of the Plugins page, each 0 or 1 (0 when missing or anything else).
#pragma once
#include <cstdint>

constexpr const char* kEqPresetFromGenreKey = "EqPresetFromGenre";
constexpr const char* kAutoStartPluginKey = "AutoStartPlugin";

struct EqPluginOptions {
  int32_t presetFromGenre;  // a track's genre picks the equalizer preset of that name as it starts
  int32_t autoStartPlugin;  // the chosen plug-in module starts with the player
};
extern EqPluginOptions gEqPluginOptions;

void LoadEqPluginOptions();
// 1, or 0 when a write failed.
int32_t SaveEqPluginOptions();
