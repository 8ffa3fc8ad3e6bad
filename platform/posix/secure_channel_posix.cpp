// Host half of the TLS seam: the native build plays plain HTTP only, so every https:// address is refused
// at once with a message saying where it plays.
#include <cstdio>

#include "platform/secure_channel.h"

int32_t SecureChannelSupported() { return 0; }

int32_t SecureChannelOpen(SocketHandle, const char*, int32_t, const SocketWaker*, SecureChannel* channel,
                          char* error, int32_t errorSize) {
  *channel = kNoChannel;
  if (errorSize > 0) {
    std::snprintf(error, static_cast<size_t>(errorSize),
                  "HTTPS streams need the Windows build; this build plays http:// streams only.");
  }
  return 0;
}

int32_t SecureChannelSendAll(SecureChannel, const void*, int32_t, int32_t, const SocketWaker*) { return 0; }
int32_t SecureChannelReceive(SecureChannel, void*, int32_t, int32_t, const SocketWaker*) { return -1; }
void SecureChannelClose(SecureChannel, const SocketWaker*) {}
