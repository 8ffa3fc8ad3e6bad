#include "settings/eq_plugin_keys.h"

#include "platform/profile.h"
#include "settings/settings_file.h"

EqPluginOptions gEqPluginOptions = {};

void LoadEqPluginOptions() {
  gEqPluginOptions.presetFromGenre = KeyChoice(kEqPresetFromGenreKey, 1, 0);
  gEqPluginOptions.autoStartPlugin = KeyChoice(kAutoStartPluginKey, 1, 0);
}

int32_t SaveEqPluginOptions() {
  const ProfileString keys[] = {{kEqPresetFromGenreKey, gEqPluginOptions.presetFromGenre == 1 ? "1" : "0"},
                                {kAutoStartPluginKey, gEqPluginOptions.autoStartPlugin == 1 ? "1" : "0"}};
  return ProfileWriteStrings(kSettingsSection, keys, 2, kSettingsFile) ? 1 : 0;
}
