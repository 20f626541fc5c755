# The Windows build: the screen saver, its test programs and the tests that run under Wine.
set(NATIVE_BUILD_DIR "" CACHE PATH "Native build tree that holds the encoded image resources")
set(E2E_DIR ${CMAKE_SOURCE_DIR}/tests/e2e)

add_compile_options(-Wall -Wextra -finput-charset=UTF-8)
add_link_options(-static -static-libgcc -static-libstdc++)

set(SAVER_SOURCES
  ${CORE_SOURCES}
  app/startup.cpp
  app/saver_window.cpp
  settings/settings_store.cpp
  settings/settings_window.cpp
)
add_library(saverlib STATIC ${SAVER_SOURCES})
target_include_directories(saverlib PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(saverlib PUBLIC gdi32 user32 winmm advapi32 kernel32)

# The program's resources: the icon and the four pictures encoded by the native build.
set(RES_BIN_DIR ${NATIVE_BUILD_DIR}/res)
set(SAVER_RC ${CMAKE_BINARY_DIR}/saver.rc)
set(rc_text "#include <windows.h>\nLANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT\n")
string(APPEND rc_text "1 VERSIONINFO\nFILEVERSION 3,0,2,0\nFILEOS VOS__WINDOWS32\nFILETYPE VFT_APP\nBEGIN\n"
  "BLOCK \"StringFileInfo\"\nBEGIN\nBLOCK \"041104B0\"\nBEGIN\n"
  "VALUE \"FileDescription\", \"QAV SAVER Vol.3\"\nVALUE \"OriginalFilename\", \"QAVSSV3.SCR\"\n"
  "END\nEND\nBLOCK \"VarFileInfo\"\nBEGIN\nVALUE \"Translation\", 0x0411, 1200\nEND\nEND\n")
set(rc_depends)
if(EXISTS ${RES_BIN_DIR}/icon.ico)
  string(APPEND rc_text "ICON ICON \"${RES_BIN_DIR}/icon.ico\"\n")
  list(APPEND rc_depends ${RES_BIN_DIR}/icon.ico)
endif()
foreach(id 106 114 116 117)
  if(EXISTS ${RES_BIN_DIR}/${id}.rle)
    string(APPEND rc_text "${id} RCDATA \"${RES_BIN_DIR}/${id}.rle\"\n")
    list(APPEND rc_depends ${RES_BIN_DIR}/${id}.rle)
  endif()
endforeach()
file(CONFIGURE OUTPUT ${SAVER_RC} CONTENT "${rc_text}")
set_source_files_properties(${SAVER_RC} PROPERTIES OBJECT_DEPENDS "${rc_depends}")

add_executable(saver WIN32 app/main.cpp ${SAVER_RC})
target_link_libraries(saver saverlib)
set_target_properties(saver PROPERTIES OUTPUT_NAME QAVSSV3 SUFFIX .SCR)

# The distribution folder: the saver, its data-folder marker and the data folder.
set(DIST_DIR ${CMAKE_BINARY_DIR}/dist)
add_custom_command(TARGET saver POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_DIR}/QV3
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:saver> ${DIST_DIR}/
  COMMAND ${CMAKE_COMMAND} -E copy ${NATIVE_BUILD_DIR}/dist/QAVSSV3C.SSS ${DIST_DIR}/
  VERBATIM)
if(EXISTS ${NATIVE_BUILD_DIR}/music/BGM04.SSS)
  add_custom_command(TARGET saver POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy ${NATIVE_BUILD_DIR}/music/BGM04.SSS ${DIST_DIR}/QV3/
    VERBATIM)
endif()
