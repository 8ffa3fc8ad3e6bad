// The settings file: the whole settings record stored as one struct value in "zav.ini" (section "zav",
// key "nod"), next to the layout version in "CurrentVersion", the plug-in paths the record cannot
// hold whole in keys of their own (plugin_paths.h), the stream settings (stream_settings.h), the
// playback options (playback_options.h), the hotkeys (hotkey_options.h) and the start-up options
// (start_up_options.h).
#pragma once
#include <cstdint>

constexpr const char* kSettingsFile = "zav.ini";
constexpr const char* kSettingsSection = "zav";
constexpr const char* kSettingsRecordKey = "nod";
constexpr const char* kSettingsVersionKey = "CurrentVersion";
constexpr int32_t kSettingsVersion = 611;

// Shows the About box; ApplyDefaultSettings calls it, so that a first start or a reset always shows
// it. Null shows nothing (the shell installs the About box; tests install a recorder).
extern void (*gShowAboutBox)();

// Portable mode: when a "zav.ini" stands beside the program, every settings file (this one, the
// equalizer's presets, the resume list) is kept in the program's folder from now on, and nothing is
// written to the Windows folder. Called once at start, before LoadSettings. Returns 1 when it is so.
int32_t UsePortableSettings();
// 1 after UsePortableSettings found the file beside the program.
int32_t IsPortable();

// Loads gSettings from the settings file, or stores the defaults when the file, the record or its
// version is unusable (with the "Prefs Note..." box first for another version). Returns 1.
int32_t LoadSettings();

// Stores every default in gSettings (the time display keeps its value) and shows the About box.
void ApplyDefaultSettings();

// Writes gSettings, the version, the plug-in paths' keys, the stream settings' keys and the playback
// options' keys to the settings file. Returns 1, or 0 when
// a write failed.
int32_t SaveSettings();

// Extra keys of the settings section, beside the record. The value of `key` when it is a whole decimal
// number, else -1 (a value too long for any setting is no number).
int32_t KeyNumber(const char* key);
// The value of `key` when it is one of 0 .. `last`, else `fallback`.
int32_t KeyChoice(const char* key, int32_t last, int32_t fallback);
// The value of `key` when it is a whole decimal number (an optional minus sign, then digits) within
// low..high, else `fallback`.
int32_t KeyWithin(const char* key, int32_t low, int32_t high, int32_t fallback);
bool WriteNumber(const char* key, int32_t value);
