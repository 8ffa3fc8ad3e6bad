# Playlist subsystem: track scanning, the playlist model and the directory seam below it.
list(APPEND ZAV_PLATFORM_WIN32_SOURCES platform/win32/directory_win32.cpp platform/win32/text_win32.cpp)
list(APPEND ZAV_PLATFORM_POSIX_SOURCES platform/posix/directory_posix.cpp platform/posix/text_posix.cpp)
list(APPEND ZAV_PORTABLE_SOURCES
  playlist/track_scanner.cpp
  playlist/id3v2_titles.cpp
  playlist/track_genre.cpp
  playlist/playlist.cpp
  playlist/remote_tags.cpp
)
list(APPEND ZAV_PORTABLE_TESTS
  tests/playlist/track_scanner_test.cpp
  tests/playlist/id3v2_titles_test.cpp
  tests/playlist/playlist_test.cpp
  tests/playlist/playlist_stress_test.cpp
)
list(APPEND ZAV_HOST_TESTS
  tests/playlist/track_scanner_encoded_test.cpp
)
list(APPEND ZAV_FUZZ_TARGETS track_scanner_fuzz id3v2_titles_fuzz)
# What the playlist editor shows (portable) and the editor dialog itself (Windows only).
list(APPEND ZAV_PORTABLE_SOURCES playlist/playlist_view.cpp playlist/jump_filter.cpp playlist/resume_list.cpp)
list(APPEND ZAV_PORTABLE_TESTS tests/playlist/playlist_view_test.cpp)
list(APPEND ZAV_WINDOWS_SOURCES playlist/playlist_editor.cpp playlist/tag_editor.cpp)
list(APPEND ZAV_WINDOWS_TESTS tests/playlist/playlist_editor_test.cpp)
