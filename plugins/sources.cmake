# Visualisation plug-in host: the export-table reader (portable, tested and fuzzed natively).
list(APPEND ZAV_PORTABLE_SOURCES plugins/pe_exports.cpp)
list(APPEND ZAV_HOST_TESTS tests/plugins/pe_exports_test.cpp)
list(APPEND ZAV_FUZZ_TARGETS pe_exports_fuzz)
if(ZAV_FUZZ)
  # Seeds: a 32- and a 64-bit image of the kind tests/plugins/pe_exports_test.cpp builds.
  file(GLOB seeds ${CMAKE_SOURCE_DIR}/fuzz/seeds/pe_exports_fuzz/*)
  file(COPY ${seeds} DESTINATION ${CMAKE_BINARY_DIR}/fuzz/corpus/pe_exports_fuzz)
endif()
