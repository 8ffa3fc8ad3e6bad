// Host half of the socket seam: non-blocking BSD sockets waited on with poll beside the read end of a
// pipe, the waker. Handles are descriptor + 1 so that 0 stays "no socket".
#include "platform/socket.h"
#include "platform/name_lookup.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

int Descriptor(SocketHandle socket) { return static_cast<int>(socket - 1); }

// Waits until `fd` is ready for `events` before `deadline`: 1 ready, -1 time-out, failure or waker.
int32_t WaitReady(int fd, short events, int64_t deadline, const SocketWaker* waker) {
  for (;;) {
    const int64_t left = deadline - NowMs();
    if (left <= 0) return -1;
    pollfd fds[2] = {{fd, events, 0}, {static_cast<int>(waker->a), POLLIN, 0}};
    const int n = ::poll(fds, 2, static_cast<int>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || fds[1].revents != 0) return -1;
    if (n > 0) return 1;
  }
}

addrinfo* Resolve(const char* host, int32_t port, int64_t deadline, const SocketWaker* waker) {
  return LookUpAddresses(host, port, deadline, [waker](int32_t waitMs) {
    pollfd wake = {static_cast<int>(waker->a), POLLIN, 0};
    return ::poll(&wake, 1, waitMs) > 0;
  });
}

}  // namespace

int32_t SocketWakerOpen(SocketWaker* waker) {
  int fds[2];
  if (::pipe(fds) != 0) return 0;
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
  ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
  waker->a = fds[0];
  waker->b = fds[1];
  return 1;
}

void SocketWakerSignal(const SocketWaker* waker) {
  const char byte = 1;
  // The byte is never read: the read end stays readable.
  ssize_t written = ::write(static_cast<int>(waker->b), &byte, 1);
  (void)written;
}

void SocketWakerClose(SocketWaker* waker) {
  ::close(static_cast<int>(waker->a));
  ::close(static_cast<int>(waker->b));
  waker->a = waker->b = -1;
}

SocketHandle SocketConnect(const char* host, int32_t port, int32_t timeoutMs, const SocketWaker* waker) {
  const int64_t deadline = NowMs() + timeoutMs;
  addrinfo* found = Resolve(host, port, deadline, waker);
  if (found == nullptr) return kNoSocket;
  SocketHandle result = kNoSocket;
  for (addrinfo* at = found; at != nullptr && result == kNoSocket; at = at->ai_next) {
    const int fd = ::socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, at->ai_protocol);
    if (fd < 0) continue;
    int ok = ::connect(fd, at->ai_addr, at->ai_addrlen) == 0;
    if (!ok && errno == EINPROGRESS && WaitReady(fd, POLLOUT, deadline, waker) == 1) {
      int error = 0;
      socklen_t length = sizeof error;
      ok = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    if (ok) {
      result = static_cast<SocketHandle>(fd) + 1;
    } else {
      ::close(fd);
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
    if (WaitReady(Descriptor(socket), POLLOUT, deadline, waker) != 1) return 0;
    const ssize_t n = ::send(Descriptor(socket), bytes + sent, static_cast<size_t>(count - sent), MSG_NOSIGNAL);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n <= 0) return 0;
    sent += static_cast<int32_t>(n);
  }
  return 1;
}

int32_t SocketReceive(SocketHandle socket, void* buffer, int32_t count, int32_t timeoutMs,
                      const SocketWaker* waker) {
  const int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    if (WaitReady(Descriptor(socket), POLLIN, deadline, waker) != 1) return -1;
    const ssize_t n = ::recv(Descriptor(socket), buffer, static_cast<size_t>(count), 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    return n < 0 ? -1 : static_cast<int32_t>(n);
  }
}

void SocketClose(SocketHandle socket) {
  if (socket != kNoSocket) ::close(Descriptor(socket));
}
