#include "settings/eq_plugin_keys.h"

#include "platform/profile.h"
#include "settings/settings_file.h"

EqPluginOptions gEqPluginOptions = {};

namespace {

// 1 only for a value that is exactly "1".
int32_t KeySwitch(const char* key) {
  char text[4];
  return ProfileGetString(kSettingsSection, key, "", text, sizeof text, kSettingsFile) == 1 && text[0] == '1' ? 1 : 0;
}

}  // namespace

void LoadEqPluginOptions() {
  gEqPluginOptions.presetFromGenre = KeySwitch(kEqPresetFromGenreKey);
  gEqPluginOptions.autoStartPlugin = KeySwitch(kAutoStartPluginKey);
}

int32_t SaveEqPluginOptions() {
  const ProfileString keys[] = {{kEqPresetFromGenreKey, gEqPluginOptions.presetFromGenre == 1 ? "1" : "0"},
                                {kAutoStartPluginKey, gEqPluginOptions.autoStartPlugin == 1 ? "1" : "0"}};
  return ProfileWriteStrings(kSettingsSection, keys, 2, kSettingsFile) ? 1 : 0;
}
