// Stream addresses: the scheme test, splitting an address into host, port and path, and the target of a
// redirect. Every copy is bounded by the destination; nothing is allocated.
#include "stream/stream_url.h"

#include <cstdio>
#include <cstring>

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsHex(char c) { return IsDigit(c) || (Lower(c) >= 'a' && Lower(c) <= 'f'); }
// Bytes a request line cannot carry: controls, blanks and DEL.
bool IsForbidden(unsigned char c) { return c <= 0x20 || c == 0x7F; }

bool StartsWithNoCase(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix) {
    if (Lower(*text) != *prefix) return false;
  }
  return true;
}

// Writes into a fixed buffer; `ok` turns false for good once something does not fit.
struct Writer {
  char* out;
  int32_t size;
  int32_t used;
  bool ok;
  void Put(char c) {
    if (used + 1 >= size) {
      ok = false;
      return;
    }
    out[used++] = c;
    out[used] = 0;
  }
  void Append(const char* text, int32_t count) {
    for (int32_t i = 0; i < count && ok; ++i) Put(text[i]);
  }
  void Append(const char* text) { Append(text, int32_t(std::strlen(text))); }
};

Writer WriterFor(char* out, int32_t size) {
  Writer w{out, size, 0, size > 0};
  if (size > 0) out[0] = 0;
  return w;
}

// Copies the path part of an address (from '/' or '?' to the fragment), percent-escaping bytes beyond
// ASCII so the request line stays ASCII. False on a control character or blank.
bool AppendPath(Writer* w, const char* at, const char* end) {
  static const char kHex[] = "0123456789ABCDEF";
  if (at == end || *at == '?') w->Put('/');
  for (; at < end; ++at) {
    const unsigned char c = static_cast<unsigned char>(*at);
    if (IsForbidden(c)) return false;
    if (c >= 0x80) {
      w->Put('%');
      w->Put(kHex[c >> 4]);
      w->Put(kHex[c & 15]);
    } else {
      w->Put(char(c));
    }
  }
  return w->ok;
}

// Appends "scheme://host[:port]" of a parsed address, the port only when it is not the scheme's own.
void AppendOrigin(Writer* w, const StreamUrl& url) {
  w->Append(url.scheme == 2 ? "https://" : "http://");
  const bool literal = std::strchr(url.host, ':') != nullptr;
  if (literal) w->Put('[');
  w->Append(url.host);
  if (literal) w->Put(']');
  if (url.port != (url.scheme == 2 ? 443 : 80)) {
    char digits[8];
    int32_t n = 0;
    for (int32_t port = url.port; port > 0 && n < 7; port /= 10) digits[n++] = char('0' + port % 10);
    w->Put(':');
    while (n > 0) w->Put(digits[--n]);
  }
}

// The canonical text of a parsed address.
int32_t FormatStreamUrl(const StreamUrl& url, char* out, int32_t size) {
  Writer w = WriterFor(out, size);
  AppendOrigin(&w, url);
  w.Append(url.path);
  return w.ok ? 1 : 0;
}

// Takes "." and ".." segments out of `path` (which starts with '/') in place, as a browser does
// before asking a server: "/a/b/../c/./d" becomes "/a/c/d". The query, when there is one, stays as is.
void RemoveDotSegments(char* path) {
  char* query = std::strchr(path, '?');
  const size_t pathLength = query ? size_t(query - path) : std::strlen(path);
  char result[2048];
  size_t used = 0;
  size_t at = 0;
  while (at < pathLength) {
    // One segment: the '/' at `at` and what follows it up to the next '/'.
    size_t next = at + 1;
    while (next < pathLength && path[next] != '/') ++next;
    const size_t length = next - at - 1;
    const char* segment = path + at + 1;
    const bool last = next >= pathLength;
    if (length == 1 && segment[0] == '.') {
      if (last) result[used++] = '/';
    } else if (length == 2 && segment[0] == '.' && segment[1] == '.') {
      while (used > 0 && result[used - 1] != '/') --used;
      if (used > 0) --used;  // the '/' before the segment taken away
      if (last) result[used++] = '/';
    } else {
      std::memcpy(result + used, path + at, next - at);
      used += next - at;
    }
    at = next;
  }
  if (used == 0) result[used++] = '/';
  // The result is never longer than the input, so it fits where the input was, query and all.
  const size_t tail = std::strlen(path + pathLength);
  std::memmove(path + used, path + pathLength, tail + 1);
  std::memcpy(path, result, used);
}

// True when `text` starts with a scheme name and ':' (such as "ftp:" or "mailto:").
bool HasScheme(const char* text) {
  if (!IsAlpha(text[0])) return false;
  for (const char* at = text + 1; *at; ++at) {
    if (*at == ':') return true;
    if (!IsAlpha(*at) && !IsDigit(*at) && *at != '+' && *at != '-' && *at != '.') return false;
  }
  return false;
}

}  // namespace

int32_t StreamUrlScheme(const char* text) {
  if (text == nullptr) return 0;
  if (StartsWithNoCase(text, "http://")) return 1;
  if (StartsWithNoCase(text, "https://")) return 2;
  return 0;
}

int32_t ParseStreamUrl(const char* text, StreamUrl* out) {
  const int32_t scheme = StreamUrlScheme(text);
  if (scheme == 0) return 0;
  StreamUrl url;
  std::memset(&url, 0, sizeof url);
  url.scheme = scheme;
  url.port = scheme == 2 ? 443 : 80;
  const char* at = text + (scheme == 2 ? 8 : 7);
  const char* end = at + std::strlen(at);
  const char* fragment = std::strchr(at, '#');
  if (fragment) end = fragment;
  // The authority runs to the path, the query or the end.
  const char* authorityEnd = at;
  while (authorityEnd < end && *authorityEnd != '/' && *authorityEnd != '?') ++authorityEnd;

  const char* hostEnd;
  if (at < authorityEnd && *at == '[') {
    // An IPv6 literal: hex digits, ':' and '.' (an embedded IPv4 address) inside the brackets.
    const char* close = at + 1;
    while (close < authorityEnd && *close != ']') {
      if (!IsHex(*close) && *close != ':' && *close != '.') return 0;
      ++close;
    }
    if (close >= authorityEnd || close == at + 1) return 0;
    if (std::memchr(at + 1, ':', size_t(close - at - 1)) == nullptr) return 0;
    if (close - at - 1 >= int32_t(sizeof url.host)) return 0;
    std::memcpy(url.host, at + 1, size_t(close - at - 1));
    hostEnd = close + 1;
  } else {
    // A name or an IPv4 address. User names ("user@host") are refused: this client sends no credentials.
    hostEnd = at;
    while (hostEnd < authorityEnd && *hostEnd != ':') {
      const char c = *hostEnd;
      if (!IsAlpha(c) && !IsDigit(c) && c != '-' && c != '.' && c != '_') return 0;
      ++hostEnd;
    }
    if (hostEnd == at || hostEnd - at >= int32_t(sizeof url.host)) return 0;
    std::memcpy(url.host, at, size_t(hostEnd - at));
  }
  if (hostEnd < authorityEnd) {
    // ":port", 1 to 65535; an empty port means the scheme's own.
    if (*hostEnd != ':') return 0;
    const char* digit = hostEnd + 1;
    if (digit < authorityEnd) {
      int32_t port = 0;
      for (; digit < authorityEnd; ++digit) {
        if (!IsDigit(*digit) || port > 65535) return 0;
        port = port * 10 + (*digit - '0');
      }
      if (port < 1 || port > 65535) return 0;
      url.port = port;
    }
  }
  Writer w = WriterFor(url.path, int32_t(sizeof url.path));
  if (!AppendPath(&w, authorityEnd, end)) return 0;
  *out = url;
  return 1;
}

int32_t ResolveStreamLocation(const StreamUrl& base, const char* location, char* out, int32_t size) {
  if (location == nullptr || out == nullptr || size <= 0) return 0;
  // Blanks around the value are not part of it.
  while (*location == ' ' || *location == '\t') ++location;
  int32_t length = int32_t(strnlen(location, 4096));
  if (length >= 4096) return 0;
  while (length > 0 && (location[length - 1] == ' ' || location[length - 1] == '\t')) --length;
  if (length == 0) return 0;

  // The target as an absolute address first, then parsed and written back in canonical form.
  char absolute[4096];
  Writer w = WriterFor(absolute, int32_t(sizeof absolute));
  if (StreamUrlScheme(location) != 0) {
    w.Append(location, length);
  } else if (HasScheme(location)) {
    return 0;  // another scheme: not something this client can follow
  } else if (location[0] == '/' && location[1] == '/') {
    w.Append(base.scheme == 2 ? "https:" : "http:");
    w.Append(location, length);
  } else {
    AppendOrigin(&w, base);
    if (location[0] == '/') {
      w.Append(location, length);
    } else if (location[0] == '?') {
      // A new query on the same path.
      const char* query = std::strchr(base.path, '?');
      w.Append(base.path, query ? int32_t(query - base.path) : int32_t(std::strlen(base.path)));
      w.Append(location, length);
    } else {
      // A name relative to the folder of the base path.
      const char* query = std::strchr(base.path, '?');
      const int32_t pathLength = query ? int32_t(query - base.path) : int32_t(std::strlen(base.path));
      int32_t folder = pathLength;
      while (folder > 0 && base.path[folder - 1] != '/') --folder;
      if (folder == 0) w.Put('/');
      w.Append(base.path, folder);
      w.Append(location, length);
    }
  }
  if (!w.ok) return 0;
  StreamUrl target;
  if (!ParseStreamUrl(absolute, &target)) return 0;
  RemoveDotSegments(target.path);
  return FormatStreamUrl(target, out, size);
}

int32_t FormatStreamRequest(const StreamUrl& u, const char* extraFields, char* out, int32_t size) {
  char host[300];
  const bool ipv6 = std::strchr(u.host, ':') != nullptr;
  const bool defaultPort = u.port == (u.scheme == 2 ? 443 : 80);
  std::snprintf(host, sizeof host, ipv6 ? "[%s]" : "%s", u.host);
  if (!defaultPort) {
    const size_t used = std::strlen(host);
    std::snprintf(host + used, sizeof host - used, ":%d", static_cast<int>(u.port));
  }
  const int n = std::snprintf(out, static_cast<size_t>(size), "GET %s HTTP/1.0\r\nHost: %s\r\nUser-Agent: zav/0.77\r\nAccept: */*\r\n%s\r\n",
                              u.path, host, extraFields);
  return n > 0 && n < size ? n : 0;
}
