// The stream settings of the URL Streaming page, kept in extra keys of "zav.ini" beside the record (which
// older copies read and write, so it stays as it is): "Connection Speed" in bits per second, one of the
// page's speeds, and "Allow Extra Server Data", 0 or 1. They live in gStreamOptions while the program runs.
#pragma once
#include <cstdint>

constexpr const char* kStreamSpeedKey = "StreamConnectionSpeed";
constexpr const char* kStreamExtraDataKey = "StreamExtraServerData";
constexpr int32_t kDefaultConnectionBps = 64000;
constexpr int32_t kDefaultExtraServerData = 1;

// Reads both keys into gStreamOptions; a key that is missing or holds anything but a listed speed (or 0
// or 1) gives the default.
void LoadStreamSettings();
// Writes both keys from gStreamOptions. Returns 1, or 0 when a write failed.
int32_t SaveStreamSettings();
