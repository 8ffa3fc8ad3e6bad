# Application shell, Windows side: the player window, its start-up, commands, tray icon, About box and
# splash, and the open dialog of the playlist. The program's entry point (shell/main.cpp) is the `zav`
# executable's own source, so the test programs can create the window in their own process.
list(APPEND ZAV_WINDOWS_SOURCES
  shell/about.cpp
  shell/commands.cpp
  shell/deferred_work.cpp
  shell/displays.cpp
  shell/global_hotkeys.cpp
  shell/help_page.cpp
  shell/hotkeys_page.cpp
  shell/open_arguments.cpp
  shell/open_url.cpp
  shell/playback_control.cpp
  shell/resume.cpp
  shell/jump_to_file.cpp
  shell/player_window.cpp
  shell/skin.cpp
  shell/startup.cpp
  shell/tray.cpp
  shell/visualisation.cpp
  shell/window_scale.cpp
  playlist/open_files_dialog.cpp
)
list(APPEND ZAV_WINDOWS_LIBS user32 gdi32 comctl32 comdlg32 shell32)
list(APPEND ZAV_WINDOWS_TESTS tests/shell/player_window_test.cpp tests/shell/displays_test.cpp)
