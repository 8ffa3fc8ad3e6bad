# Layer III sources of the decoder core, listed here so that the Layer III work can add files without
# touching the top-level build.
set(ZAV_LAYER3_SOURCES
  decoder/layer3/huffman_trees.cpp
  decoder/layer3/scalefactor_tables.cpp
  decoder/layer3/layer3_tables.cpp
  decoder/layer3/layer3_frame.cpp
  decoder/layer3/scalefactors.cpp
  decoder/layer3/spectrum.cpp
  decoder/layer3/stereo.cpp
  decoder/layer3/hybrid.cpp
)
set(ZAV_LAYER3_TESTS
  tests/decoder/layer3/huffman_trees_test.cpp
  tests/decoder/layer3/scalefactor_tables_test.cpp
  tests/decoder/layer3/layer3_tables_test.cpp
  tests/decoder/layer3/layer3_side_info_test.cpp
  tests/decoder/layer3/layer3_scalefactors_test.cpp
  tests/decoder/layer3/layer3_spectrum_test.cpp
  tests/decoder/layer3/layer3_stereo_test.cpp
  tests/decoder/layer3/layer3_hybrid_test.cpp
  tests/decoder/layer3/layer3_frame_test.cpp
  tests/decoder/layer3/layer3_conformance_test.cpp
)
# Made with sox and lame and compared with ffmpeg: natively only.
list(APPEND ZAV_HOST_TESTS
  tests/decoder/layer3/layer3_encoded_test.cpp
)
