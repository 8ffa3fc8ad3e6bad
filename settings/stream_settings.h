// The stream settings of the URL Streaming page, kept in extra keys of "zav.ini" beside the record (which
// older copies read and write, so it stays as it is): "Connection Speed" in bits per second, one of the
// page's speeds, and "Allow Extra Server Data", 0 or 1, in gStreamOptions; the saving of streams in
// gStreamSave: the download path (escaped UTF-8; the user's music folder when unset), the download
// option (0 "Play Only", 1 "Play And Save", 2 "Save Only"), "Play After Save" and "Check For 'TAG' file
// on server", 0 or 1.
#pragma once
#include <cstdint>

constexpr const char* kStreamSpeedKey = "StreamConnectionSpeed";
constexpr const char* kStreamExtraDataKey = "StreamExtraServerData";
constexpr const char* kStreamDownloadPathKey = "StreamDownloadPath";
constexpr const char* kStreamDownloadOptionKey = "StreamDownloadOption";
constexpr const char* kStreamPlayAfterSaveKey = "StreamPlayAfterSave";
constexpr const char* kStreamCheckTagKey = "StreamCheckTag";
constexpr int32_t kDefaultConnectionBps = 64000;
constexpr int32_t kDefaultExtraServerData = 1;

// Reads the keys into gStreamOptions and gStreamSave; a key that is missing or holds anything but a
// listed speed (or a listed choice, or a well-formed path) gives the default.
void LoadStreamSettings();
// Writes the keys from gStreamOptions and gStreamSave. Returns 1, or 0 when a write failed.
int32_t SaveStreamSettings();
