# Tags subsystem: ID3v1 and ID3v2 fields read and written, in memory and in files.
list(APPEND ZAV_PORTABLE_SOURCES tags/id3_tags.cpp tags/tag_file.cpp tags/replay_gain.cpp)
list(APPEND ZAV_PORTABLE_TESTS tests/tags/tag_file_test.cpp)
list(APPEND ZAV_FUZZ_TARGETS tag_fields_fuzz)
