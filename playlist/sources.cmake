# Playlist subsystem: track scanning, the playlist model and the directory seam below it.
list(APPEND ZAV_PLATFORM_WIN32_SOURCES platform/win32/directory_win32.cpp)
list(APPEND ZAV_PLATFORM_POSIX_SOURCES platform/posix/directory_posix.cpp)
list(APPEND ZAV_PORTABLE_SOURCES
  playlist/track_scanner.cpp
  playlist/playlist.cpp
)
list(APPEND ZAV_PORTABLE_TESTS
  tests/playlist/track_scanner_test.cpp
  tests/playlist/playlist_test.cpp
  tests/playlist/playlist_stress_test.cpp
)
list(APPEND ZAV_HOST_TESTS
  tests/playlist/track_scanner_encoded_test.cpp
)
list(APPEND ZAV_FUZZ_TARGETS track_scanner_fuzz)
