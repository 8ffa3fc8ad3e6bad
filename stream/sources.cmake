# Stream subsystem: the portable parsers of addresses, response heads, ICY metadata and playlists
# received from a server, and the buffering and reconnect policy.
list(APPEND ZAV_PORTABLE_SOURCES
  stream/stream_url.cpp
)
# The HTTP/ICY stream source (portable), over the socket seam in platform/.
list(APPEND ZAV_PORTABLE_SOURCES stream/stream_source.cpp)
