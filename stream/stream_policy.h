// How a stream is buffered and reconnected.
#pragma once
#include <cstdint>

// The "Connection Speed" choices, in bits per second, as the URL Streaming page lists them.
constexpr int32_t kConnectionSpeeds[] = {14400, 28800, 57600, 64000, 112000, 128000};
// Milliseconds of audio buffered before playing starts or resumes: 8000 at 14400 BPS down to 2000 at
// 128000 BPS, in steps between; values outside the list are taken to the nearest end.
int32_t PrebufferMs(int32_t connectionBps);
// Bytes for `ms` of audio at `bitrateKbps` (128 when unknown), within the ring's size.
int32_t PrebufferBytes(int32_t ms, int32_t bitrateKbps, int32_t ringBytes);
// Wait before reconnect attempt `attempt` (1, 2, …): 1, 2, 4 … up to 30 s, times `scalePercent` / 100;
// -1 when the attempts are used up (after the first 30 s wait).
int32_t ReconnectDelayMs(int32_t attempt, int32_t scalePercent);
