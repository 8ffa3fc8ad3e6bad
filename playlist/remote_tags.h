// "Check For 'TAG' file on server": an entry added for an audio file's http:// address gets the ID3v1
// tag from the server's copy of the file, read on a thread of its own (never the window's). The owner
// window is told with WM_PLAYLIST_REMOTE_TAG and applies what came in with ApplyRemoteTags.
#pragma once
#include <cstdint>

// Queues `url` for the tag thread (started on first use); a full queue drops the request.
void RequestRemoteTag(const char* url);
// The window's thread: gives each entry of a fetched address that has no tag the fetched one. Returns
// the number of entries that changed.
int32_t ApplyRemoteTags();
