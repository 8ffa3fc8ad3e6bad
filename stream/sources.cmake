# Stream subsystem: the portable parsers of addresses, response heads, ICY metadata and playlists
# received from a server, and the buffering and reconnect policy.
list(APPEND ZAV_PORTABLE_SOURCES
  stream/stream_url.cpp
  stream/stream_text.cpp
  stream/http_response.cpp
  stream/icy_metadata.cpp
  stream/stream_policy.cpp
  stream/stream_playlist.cpp
)
list(APPEND ZAV_PORTABLE_TESTS tests/stream/stream_parsing_test.cpp)
list(APPEND ZAV_FUZZ_TARGETS stream_response_fuzz)
# The stream source (portable), over the socket and TLS seams in platform/.
list(APPEND ZAV_PLATFORM_WIN32_SOURCES platform/win32/socket_win32.cpp platform/win32/secure_channel_win32.cpp)
list(APPEND ZAV_PLATFORM_POSIX_SOURCES platform/posix/socket_posix.cpp platform/posix/secure_channel_posix.cpp)
list(APPEND ZAV_PORTABLE_SOURCES stream/stream_source.cpp stream/stream_save.cpp stream/remote_tag.cpp)
list(APPEND ZAV_HOST_TESTS tests/stream/stream_source_test.cpp)
