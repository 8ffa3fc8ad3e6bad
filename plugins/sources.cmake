# Visualisation plug-in host: the export-table reader (portable, tested and fuzzed natively), the scan,
# the Plugin thread and the "Plugins" page (Windows), and the sample plug-in DLL.
list(APPEND ZAV_PORTABLE_SOURCES plugins/pe_exports.cpp)
list(APPEND ZAV_HOST_TESTS tests/plugins/pe_exports_test.cpp)
list(APPEND ZAV_FUZZ_TARGETS pe_exports_fuzz)
# Its seeds are whole DLLs, whose export tables stand up to 60 KB into the file.
set(ZAV_FUZZ_MAX_LEN_pe_exports_fuzz 65536)

if(WIN32)
  list(APPEND ZAV_WINDOWS_SOURCES plugins/plugin_scan.cpp plugins/plugin_host.cpp plugins/plugins_page.cpp)
  list(APPEND ZAV_WINDOWS_LIBS comctl32)
  list(APPEND ZAV_WINDOWS_TESTS tests/plugins/plugin_host_test.cpp)

  # The sample plug-in, a DLL beside zav.exe: winampVisGetHeader exported undecorated, cdecl.
  add_library(zav_vis_sample SHARED plugins/sample/vis_sample.cpp plugins/sample/spectrum_bars.cpp
                                    plugins/sample/call_recorder.cpp)
  target_include_directories(zav_vis_sample PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(zav_vis_sample PRIVATE user32 gdi32)
  set_target_properties(zav_vis_sample PROPERTIES PREFIX "")
  target_link_options(zav_vis_sample PRIVATE $<$<CONFIG:Release>:-s>)
  list(APPEND ZAV_WINDOWS_TEST_DLLS zav_vis_sample)
  if(ZAV_TESTS)
    # An ordinary DLL whose start-up code leaves a marker file: the scan must never load it. And a
    # damaged plug-in without descriptions whose module getter never returns null.
    add_library(zav_marker_dll SHARED tests/plugins/marker_dll.cpp)
    add_library(zav_endless_plugin SHARED tests/plugins/marker_dll.cpp)
    target_compile_definitions(zav_endless_plugin PRIVATE ZAV_ENDLESS_PLUGIN)
    target_include_directories(zav_endless_plugin PRIVATE ${CMAKE_SOURCE_DIR})
    # In a folder of their own, so that the player's own folder (its default plug-in folder) holds
    # only the sample plug-in.
    set_target_properties(zav_marker_dll zav_endless_plugin PROPERTIES PREFIX ""
                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-dlls)
    list(APPEND ZAV_WINDOWS_TEST_DLLS zav_marker_dll zav_endless_plugin)
  endif()
endif()
