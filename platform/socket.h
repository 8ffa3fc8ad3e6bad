// TCP connections for the stream source: connect with a time-out, send, receive with a time-out, close.
// Every wait also watches a waker, so that another thread can end it at once. Windows: Winsock; host:
// BSD sockets.
#pragma once
#include <cstdint>

// 0 means "no socket". Any other value is an open connection.
using SocketHandle = intptr_t;
constexpr SocketHandle kNoSocket = 0;

// Ends waits from another thread. Once signalled it stays signalled until closed.
struct SocketWaker {
  intptr_t a;
  intptr_t b;
};
// 1 and `waker` ready, or 0.
int32_t SocketWakerOpen(SocketWaker* waker);
void SocketWakerSignal(const SocketWaker* waker);
void SocketWakerClose(SocketWaker* waker);

// Resolves `host` and connects to `port` within `timeoutMs`; the connection, or kNoSocket on failure,
// time-out or a signalled waker.
SocketHandle SocketConnect(const char* host, int32_t port, int32_t timeoutMs, const SocketWaker* waker);
// Sends all `count` bytes within `timeoutMs`: 1, or 0 on failure, time-out or a signalled waker.
int32_t SocketSendAll(SocketHandle socket, const void* data, int32_t count, int32_t timeoutMs,
                      const SocketWaker* waker);
// Waits up to `timeoutMs` for bytes: the number received (1 .. count), 0 when the peer closed the
// connection, -1 on failure, time-out or a signalled waker.
int32_t SocketReceive(SocketHandle socket, void* buffer, int32_t count, int32_t timeoutMs,
                      const SocketWaker* waker);
void SocketClose(SocketHandle socket);
