// Saves the process-wide settings record and puts it back when the scope ends, so that no test hands
// its preferences on to the next.
#pragma once
#include "settings/settings.h"

struct SettingsGuard {
  SettingsGuard() = default;
  SettingsGuard(const SettingsGuard&) = delete;
  SettingsGuard& operator=(const SettingsGuard&) = delete;
  ~SettingsGuard() { gSettings = saved_; }

 private:
  Settings saved_ = gSettings;
};
