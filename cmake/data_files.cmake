# Sets MUSIC_FILE_NAME, MARKER_FILE_NAME, LOCAL_DATA_FOLDER and DEFAULT_DATA_FOLDER to the names
# written in res/data_files.h, the one place they are written.
set(DATA_FILES_HEADER ${CMAKE_CURRENT_LIST_DIR}/../res/data_files.h)
file(STRINGS ${DATA_FILES_HEADER} data_file_defines REGEX "^#define [A-Z_]+ +\"[^\"]+\"")
foreach(line IN LISTS data_file_defines)
  string(REGEX MATCH "^#define ([A-Z_]+) +\"([^\"]+)\"" matched "${line}")
  set(${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
endforeach()
foreach(name MUSIC_FILE_NAME MARKER_FILE_NAME LOCAL_DATA_FOLDER DEFAULT_DATA_FOLDER)
  if(NOT ${name})
    message(FATAL_ERROR "${DATA_FILES_HEADER} does not define ${name}")
  endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${DATA_FILES_HEADER})
