// The name lookup shared by both socket halves. getaddrinfo runs on a thread of its own, so that a wait
// on a slow name server ends at once when the caller's waker is signalled: the lookup thread is then
// left to finish, and to free what it found, by itself.
#pragma once
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

inline int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The addresses of host:port for a stream socket (free them with freeaddrinfo), or null when the lookup
// fails, `deadline` passes or `signalled(waitMs)` (which waits up to waitMs for the waker) returns true.
template <typename Signalled>
addrinfo* LookUpAddresses(const char* host, int32_t port, int64_t deadline, Signalled signalled) {
  struct Lookup {
    std::mutex lock;
    int32_t finished = 0;
    int32_t abandoned = 0;
    addrinfo* found = nullptr;
  };
  auto lookup = std::make_shared<Lookup>();
  const std::string name = host;
  const std::string service = std::to_string(port);
  try {
    std::thread([lookup, name, service] {
      addrinfo hints = {};
      hints.ai_family = AF_UNSPEC;
      hints.ai_socktype = SOCK_STREAM;
      addrinfo* found = nullptr;
      if (::getaddrinfo(name.c_str(), service.c_str(), &hints, &found) != 0) found = nullptr;
      std::lock_guard<std::mutex> hold(lookup->lock);
      if (lookup->abandoned && found) ::freeaddrinfo(found);
      if (!lookup->abandoned) lookup->found = found;
      lookup->finished = 1;
    }).detach();
  } catch (...) {
    return nullptr;
  }
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(lookup->lock);
      if (lookup->finished) return lookup->found;
    }
    if (NowMs() >= deadline || signalled(10)) {
      std::lock_guard<std::mutex> hold(lookup->lock);
      if (lookup->finished && lookup->found) ::freeaddrinfo(lookup->found);
      lookup->found = nullptr;
      lookup->abandoned = 1;
      return nullptr;
    }
  }
}
