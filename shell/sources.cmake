# Application shell: the portable logic of the player window (skin geometry, argument splitting),
# tested natively and under Wine.
list(APPEND ZAV_PORTABLE_SOURCES
  shell/skin_geometry.cpp
  shell/command_line.cpp
  shell/display_text.cpp
  shell/analyser.cpp
  shell/press_filter.cpp
)
list(APPEND ZAV_PORTABLE_TESTS
  tests/shell/skin_geometry_test.cpp
  tests/shell/command_line_test.cpp
  tests/shell/display_text_test.cpp
  tests/shell/analyser_test.cpp
)
