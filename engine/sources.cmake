# The playback engine: the wave output (and, later, the Decode thread). Windows only; its tests run
# under Wine, against a double of the wave-out calls and against the real device.
list(APPEND ZAV_WINDOWS_SOURCES engine/wave_output.cpp)
list(APPEND ZAV_WINDOWS_LIBS winmm)
list(APPEND ZAV_WINDOWS_TESTS
  tests/engine/wave_out_double.cpp
  tests/engine/wave_output_test.cpp
  tests/engine/wave_output_device_test.cpp
)
list(APPEND ZAV_WINDOWS_SOURCES engine/decode_thread.cpp)
list(APPEND ZAV_WINDOWS_TESTS tests/engine/decode_thread_test.cpp)
