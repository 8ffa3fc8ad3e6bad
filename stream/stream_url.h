// Stream addresses: which texts name a stream rather than a file, and their parts.
#pragma once
#include <cstdint>

// 1 when `text` begins with "http://" (any case), 2 with "https://", else 0.
int32_t StreamUrlScheme(const char* text);

struct StreamUrl {
  int32_t scheme;   // 1 http, 2 https
  char host[256];   // without brackets for an IPv6 literal
  int32_t port;     // 80 / 443 when the address gives none
  char path[2048];  // from the first '/' on, query included, fragment dropped; "/" when empty
};
// 1 and `out` filled for a well-formed address; 0 for anything else (no host, bad port, parts that do
// not fit, control characters or blanks).
int32_t ParseStreamUrl(const char* text, StreamUrl* out);
// The address a redirect's Location names, taken against `base` (absolute, "//host/…" or "/path");
// writes it to `out` (size bytes) and returns 1, or 0 when it is malformed or does not fit.
int32_t ResolveStreamLocation(const StreamUrl& base, const char* location, char* out, int32_t size);
// The HTTP/1.0 GET request for `u` (Host field with the port when it is not the scheme's own), with
// `extraFields` (whole "Name: value\r\n" lines, or "") before the blank line; its length, or 0 when it
// does not fit in `size` bytes.
int32_t FormatStreamRequest(const StreamUrl& u, const char* extraFields, char* out, int32_t size);
