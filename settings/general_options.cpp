#include "settings/general_options.h"

#include "settings/settings_file.h"

GeneralOptions gGeneralOptions = {0, 0};

void LoadGeneralOptions() {
  gGeneralOptions.lockToScreen = KeyChoice(kLockToScreenKey, 1, 0);
  gGeneralOptions.bufferFile = KeyChoice(kBufferFileKey, 1, 0);
}

int32_t SaveGeneralOptions() {
  const bool lockWritten = WriteNumber(kLockToScreenKey, gGeneralOptions.lockToScreen);
  const bool bufferWritten = WriteNumber(kBufferFileKey, gGeneralOptions.bufferFile);
  return lockWritten && bufferWritten ? 1 : 0;
}
