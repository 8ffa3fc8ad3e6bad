# Layer III sources of the decoder core, listed here so that the Layer III work can add files without
# touching the top-level build.
set(ZAV_LAYER3_SOURCES
  decoder/layer3/huffman_trees.cpp
  decoder/layer3/scalefactor_tables.cpp
)
set(ZAV_LAYER3_TESTS
  tests/decoder/layer3/huffman_trees_test.cpp
  tests/decoder/layer3/scalefactor_tables_test.cpp
)
