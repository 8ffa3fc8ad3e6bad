# Equalizer: the band model (portable, tested natively and under Wine) and its dialog (Windows).
list(APPEND ZAV_PORTABLE_SOURCES eq/eq_gains.cpp eq/eq_presets.cpp)
list(APPEND ZAV_PORTABLE_TESTS tests/eq/eq_gains_test.cpp)
list(APPEND ZAV_FUZZ_TARGETS eq_presets_fuzz)
list(APPEND ZAV_WINDOWS_SOURCES eq/equalizer_dialog.cpp)
list(APPEND ZAV_WINDOWS_TESTS tests/eq/equalizer_dialog_test.cpp)
