# Application shell: the portable logic of the player window (skin geometry, argument splitting),
# tested natively and under Wine.
list(APPEND ZAV_PORTABLE_SOURCES
  shell/skin_geometry.cpp
  shell/command_line.cpp
)
list(APPEND ZAV_PORTABLE_TESTS
  tests/shell/skin_geometry_test.cpp
  tests/shell/command_line_test.cpp
)
