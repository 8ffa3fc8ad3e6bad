# Settings subsystem: the settings file and the profile seam below it. The playlist files (M3U and PLS
# readers, PLS writer) are listed here too: they are built on the same profile seam by the same work,
# and the playlist's own sources.cmake belongs to the playlist model.
list(APPEND ZAV_PLATFORM_WIN32_SOURCES platform/win32/profile_win32.cpp platform/profile_text.cpp)
list(APPEND ZAV_PLATFORM_POSIX_SOURCES platform/posix/profile_posix.cpp platform/profile_text.cpp)
list(APPEND ZAV_PORTABLE_SOURCES
  settings/settings_record.cpp
  settings/settings_file.cpp
  settings/plugin_paths.cpp
  settings/stream_settings.cpp
  settings/general_options.cpp
  settings/playback_options.cpp
  settings/eq_plugin_keys.cpp
  settings/hotkey_options.cpp
  settings/replay_gain_options.cpp
  settings/start_up_options.cpp
  settings/settings_ranges.cpp
  playlist/playlist_files.cpp
)
# Run natively against the host profile functions and under Wine against the Windows ones.
list(APPEND ZAV_PORTABLE_TESTS
  tests/settings/profile_test.cpp
  tests/settings/settings_file_test.cpp
  tests/settings/settings_ranges_test.cpp
  tests/playlist/playlist_files_test.cpp
)
list(APPEND ZAV_FUZZ_TARGETS settings_loader_fuzz m3u_reader_fuzz pls_reader_fuzz)
# The preferences sheet and its pages (Windows); tested in the player window's process under Wine.
list(APPEND ZAV_WINDOWS_SOURCES settings/preferences_sheet.cpp)
list(APPEND ZAV_WINDOWS_TESTS tests/settings/preferences_sheet_test.cpp)
