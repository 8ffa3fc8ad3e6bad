// Windows half of the socket seam: non-blocking Winsock sockets waited on with select beside the waker,
// a UDP socket on the loopback address that a signal sends a datagram to (never read, so it stays
// readable). Handles are SOCKET + 1 so that 0 stays "no socket" (INVALID_SOCKET + 1 is 0).
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/name_lookup.h"
#include "platform/socket.h"

namespace {

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(socket - 1); }

bool Started() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

// Waits until `s` is ready (readable, or writable for `write`, where a failed connect shows as an
// exception) before `deadline`: 1 ready, -1 time-out, failure or waker.
int32_t WaitReady(SOCKET s, bool write, int64_t deadline, const SocketWaker* waker) {
  const SOCKET wake = static_cast<SOCKET>(waker->a);
  const int64_t left = deadline - NowMs();
  if (left <= 0) return -1;
  fd_set reads, writes, errors;
  FD_ZERO(&reads);
  FD_ZERO(&writes);
  FD_ZERO(&errors);
  FD_SET(wake, &reads);
  if (write) {
    FD_SET(s, &writes);
    FD_SET(s, &errors);
  } else {
    FD_SET(s, &reads);
  }
  timeval wait = {static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
  const int n = ::select(0, &reads, &writes, &errors, &wait);
  if (n <= 0 || FD_ISSET(wake, &reads) || FD_ISSET(s, &errors)) return -1;
  return 1;
}

bool WakerSignalled(const SocketWaker* waker, int32_t waitMs) {
  fd_set reads;
  FD_ZERO(&reads);
  FD_SET(static_cast<SOCKET>(waker->a), &reads);
  timeval wait = {0, static_cast<long>(waitMs) * 1000};
  return ::select(0, &reads, nullptr, nullptr, &wait) > 0;
}

addrinfo* Resolve(const char* host, int32_t port, int64_t deadline, const SocketWaker* waker) {
  return LookUpAddresses(host, port, deadline, [waker](int32_t waitMs) { return WakerSignalled(waker, waitMs); });
}

}  // namespace

int32_t SocketWakerOpen(SocketWaker* waker) {
  if (!Started()) return 0;
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return 0;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::closesocket(s);
    return 0;
  }
  waker->a = static_cast<intptr_t>(s);
  waker->b = ntohs(address.sin_port);
  return 1;
}

void SocketWakerSignal(const SocketWaker* waker) {
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(waker->b));
  const char byte = 1;
  ::sendto(static_cast<SOCKET>(waker->a), &byte, 1, 0, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

void SocketWakerClose(SocketWaker* waker) {
  ::closesocket(static_cast<SOCKET>(waker->a));
  waker->a = static_cast<intptr_t>(INVALID_SOCKET);
}

SocketHandle SocketConnect(const char* host, int32_t port, int32_t timeoutMs, const SocketWaker* waker) {
  if (!Started()) return kNoSocket;
  const int64_t deadline = NowMs() + timeoutMs;
  addrinfo* found = Resolve(host, port, deadline, waker);
  if (found == nullptr) return kNoSocket;
  SocketHandle result = kNoSocket;
  for (addrinfo* at = found; at != nullptr && result == kNoSocket; at = at->ai_next) {
    const SOCKET s = ::socket(at->ai_family, at->ai_socktype, at->ai_protocol);
    if (s == INVALID_SOCKET) continue;
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    bool ok = ::connect(s, at->ai_addr, static_cast<int>(at->ai_addrlen)) == 0;
    if (!ok && WSAGetLastError() == WSAEWOULDBLOCK && WaitReady(s, true, deadline, waker) == 1) {
      int error = 0;
      int length = sizeof error;
      ok = ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
    }
    if (ok) {
      result = static_cast<SocketHandle>(s) + 1;
    } else {
      ::closesocket(s);
      if (NowMs() >= deadline) break;
    }
  }
  ::freeaddrinfo(found);
  return result;
}

int32_t SocketSendAll(SocketHandle socket, const void* data, int32_t count, int32_t timeoutMs,
                      const SocketWaker* waker) {
  const int64_t deadline = NowMs() + timeoutMs;
  const char* bytes = static_cast<const char*>(data);
  int32_t sent = 0;
  while (sent < count) {
    if (WaitReady(Native(socket), true, deadline, waker) != 1) return 0;
    const int n = ::send(Native(socket), bytes + sent, count - sent, 0);
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
    if (n <= 0) return 0;
    sent += n;
  }
  return 1;
}

int32_t SocketReceive(SocketHandle socket, void* buffer, int32_t count, int32_t timeoutMs,
                      const SocketWaker* waker) {
  const int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    if (WaitReady(Native(socket), false, deadline, waker) != 1) return -1;
    const int n = ::recv(Native(socket), static_cast<char*>(buffer), count, 0);
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
    return n < 0 ? -1 : n;
  }
}

void SocketClose(SocketHandle socket) {
  if (socket != kNoSocket) ::closesocket(Native(socket));
}
