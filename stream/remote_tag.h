// "Check For 'TAG' file on server": the last 128 bytes of a file served over HTTP, where an ID3v1 tag
// sits, read with a range request so that the file itself is never downloaded.
#pragma once
#include <cstdint>

#include "platform/socket.h"

constexpr int32_t kRemoteTailBytes = 128;

// 1 when `url` is an http:// address whose path (before any query) ends in a file name with an MPEG
// audio extension (.mp3, .mp2, .mp1, .mpga).
int32_t IsAudioFileUrl(const char* url);
// Asks the server at `url` for the file's last 128 bytes ("Range: bytes=-128"): 1 with them in `tail`;
// 0 when the answer is anything but those bytes (a server that ignores the range and sends the whole
// file is left at its head), on failure, after a time-out or when `waker` is signalled. Blocks: call
// it on a thread of its own.
int32_t FetchRemoteTail(const char* url, uint8_t (&tail)[kRemoteTailBytes], const SocketWaker* waker);
