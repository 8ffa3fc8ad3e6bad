// Windows half of the profile seam: the kernel's own profile functions.
#include "platform/profile.h"

#include <windows.h>

int32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue, const char* file) {
  return static_cast<int32_t>(GetPrivateProfileIntA(section, key, defaultValue, file));
}

uint32_t ProfileGetString(const char* section, const char* key, const char* defaultValue, char* dest,
                          uint32_t size, const char* file) {
  if (!dest || size == 0) return 0;
  return GetPrivateProfileStringA(section, key, defaultValue ? defaultValue : "", dest, size, file);
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file) {
  return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

bool ProfileGetStruct(const char* section, const char* key, void* dest, uint32_t size, const char* file) {
  return GetPrivateProfileStructA(section, key, dest, size, file) != FALSE;
}

bool ProfileWriteStruct(const char* section, const char* key, const void* src, uint32_t size,
                        const char* file) {
  // The function does not write through its pointer; its prototype just lacks the const.
  return WritePrivateProfileStructA(section, key, const_cast<void*>(src), size, file) != FALSE;
}
