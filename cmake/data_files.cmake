# Sets MUSIC_FILE_NAME, MARKER_FILE_NAME, LOCAL_DATA_FOLDER and DEFAULT_DATA_FOLDER to the names
# written in res/data_files.h, the one place they are written.
include(${CMAKE_CURRENT_LIST_DIR}/header_defines.cmake)
set(DATA_FILES_HEADER ${CMAKE_CURRENT_LIST_DIR}/../res/data_files.h)
read_header_defines(${DATA_FILES_HEADER} "\"([^\"]+)\""
  MUSIC_FILE_NAME MARKER_FILE_NAME LOCAL_DATA_FOLDER DEFAULT_DATA_FOLDER)
