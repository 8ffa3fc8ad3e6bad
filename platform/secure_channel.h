// TLS client connections over an already connected socket, for https:// streams: the handshake with
// the server's certificate checked against the system's trusted roots and the host name, then sends and
// receives with the socket seam's contracts. Windows: SChannel through SSPI; host: refused (plain HTTP
// only). Channels come from a small fixed pool, so that a second connection can run beside the playing
// stream; nothing is allocated per read.
#pragma once
#include <cstdint>

#include "platform/socket.h"

// 0 means "no channel". Any other value is an open channel.
using SecureChannel = int32_t;
constexpr SecureChannel kNoChannel = 0;

// 1 where TLS is available; 0 where SecureChannelOpen refuses every host (whatever the socket, so a
// caller can ask before connecting).
int32_t SecureChannelSupported();

// Shakes hands over `socket` with `host` (the name the certificate must be for) within `timeoutMs`,
// watching `waker`. 1 and `*channel` set; 0 when the certificate is refused or TLS is not available
// here (`error` says why, naming the host); -1 when the connection failed, timed out or the waker was
// signalled (`error` says so). The socket stays the caller's: close it after the channel.
int32_t SecureChannelOpen(SocketHandle socket, const char* host, int32_t timeoutMs, const SocketWaker* waker,
                          SecureChannel* channel, char* error, int32_t errorSize);
// SocketSendAll and SocketReceive through the channel, with the same results; a receive gives 0 once
// the server ended the session (close_notify) or closed the connection.
int32_t SecureChannelSendAll(SecureChannel channel, const void* data, int32_t count, int32_t timeoutMs,
                             const SocketWaker* waker);
int32_t SecureChannelReceive(SecureChannel channel, void* buffer, int32_t count, int32_t timeoutMs,
                             const SocketWaker* waker);
// Tells the server the session ends (when the socket still takes it at once) and frees the channel.
void SecureChannelClose(SecureChannel channel, const SocketWaker* waker);
