# The resource script of zav.exe (artwork, menus, keys, dialogs, version). Windows builds compile it
# with windres into the object library zav_resources, which the program links.
set(ZAV_RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/resources/zav.rc)
if(WIN32)
  enable_language(RC)
  # windres takes none of the compilers' warning options; the script's includes and files are found
  # beside it.
  file(GLOB ZAV_ARTWORK_FILES ${CMAKE_SOURCE_DIR}/resources/artwork/*.bmp
                              ${CMAKE_SOURCE_DIR}/resources/artwork/*.ico)
  # The scripts zav.rc includes (the preferences pages, the plug-ins page) rebuild it too.
  file(GLOB ZAV_RESOURCE_PARTS ${CMAKE_SOURCE_DIR}/resources/*.rc)
  set_source_files_properties(${ZAV_RESOURCE_SCRIPT} PROPERTIES
    OBJECT_DEPENDS "${ZAV_ARTWORK_FILES};${ZAV_RESOURCE_PARTS};${CMAKE_SOURCE_DIR}/resources/resource_ids.h")
  add_library(zav_resources OBJECT ${ZAV_RESOURCE_SCRIPT})
  set_property(TARGET zav_resources PROPERTY COMPILE_OPTIONS "")
  target_include_directories(zav_resources PRIVATE ${CMAKE_SOURCE_DIR}/resources)
endif()
