// Saving what a stream plays: the received MPEG audio (metadata removed) goes to files in the download
// folder, one per title, named "station - title.mp3" from the server's text made safe for a file name;
// a response of known length (a file served over HTTP) is saved whole under its own name. The network
// thread feeds it; the window reads whether saving stopped and which download finished.
#pragma once
#include <cstdint>

#include "platform/text.h"

enum StreamSaveMode : int32_t { kPlayOnly = 0, kPlayAndSave = 1, kSaveOnly = 2 };

struct StreamSaveOptions {
  int32_t mode;           // StreamSaveMode: "Play Only", "Play And Save", "Save Only"
  int32_t playAfterSave;  // "Play After Save": a finished download is added to the list (and played)
  int32_t checkTag;       // "Check For 'TAG' file on server"
  char folder[kPathBytes];  // "Download Path", UTF-8; saving needs one
};
extern StreamSaveOptions gStreamSave;

// `stem` (UTF-8 server text) made a plain file name with `extension` (".mp3") after it, of at most
// `maxUnits` UTF-16 units in all: characters Windows forbids and controls become "_", leading dots and
// blanks go, trailing dots and blanks go, a reserved device name (CON, NUL, COM1 …, with or without an
// extension) gets "_" in front, a long stem is cut on a character boundary; an empty stem is "stream".
// Writes at most `size` - 1 bytes and a NUL; returns the bytes written, or 0 when even "stream" does
// not fit.
int32_t SafeFileName(const char* stem, const char* extension, int32_t maxUnits, char* out, int32_t size);

// Creates a new file in `folder` for the name `stem` + `extension` made safe; when that name is taken,
// " (2)", " (3)" … is added, never opening an existing file. Returns the open file and its path in
// `path` (kPathBytes), or 0 when no file could be created.
intptr_t CreateSaveFile(const char* folder, const char* stem, const char* extension, char (&path)[kPathBytes]);

// The network thread's side. SaveStreamStart at a stream's start (reads gStreamSave once: a stream keeps
// what it began with); SaveResponse for each response of MPEG audio (`length` -1 when unknown,
// `metaInterval` 0 without ICY metadata; `urlPath` the address's path); SaveTitle when the StreamTitle
// changes; SaveAudio with the audio bytes as they go into the ring; SaveStreamEnd when the stream is
// over (`complete`: the response ended where its length said).
void SaveStreamStart();
void SaveResponse(const char* stationName, const char* urlPath, int64_t length, int32_t metaInterval);
void SaveTitle(const char* title);
void SaveAudio(const uint8_t* bytes, int32_t count);
void SaveStreamEnd(int32_t complete);
// 1 while the network thread saves this stream.
int32_t SavingStream();

// What the window reads. The reason saving stopped (a full disk, a folder gone), with a number that
// changes with each stop; 0 when it never stopped.
int32_t StreamSaveError(char* out, int32_t size);
// The path of the latest download saved whole (a file URL), with a number that changes with each; 0
// when none.
int32_t StreamSavedFile(char* out, int32_t size);
