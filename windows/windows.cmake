# The Windows build: the screen saver, its test programs and the tests that run under Wine.
set(NATIVE_BUILD_DIR "" CACHE PATH "Native build tree that holds the encoded image resources")
set(E2E_DIR ${CMAKE_SOURCE_DIR}/tests/e2e)

add_compile_options(-Wall -Wextra -finput-charset=UTF-8)
add_link_options(-static -static-libgcc -static-libstdc++)

# The platform-free show, then everything of the program but its entry point, folder by folder.
add_library(show STATIC ${SHOW_SOURCES})
target_include_directories(show PUBLIC ${CMAKE_SOURCE_DIR})
file(GLOB SAVER_SOURCES CONFIGURE_DEPENDS windows/gdi/*.cpp windows/app/*.cpp windows/settings/*.cpp
  windows/sound/*.cpp)
list(REMOVE_ITEM SAVER_SOURCES ${CMAKE_SOURCE_DIR}/windows/app/main.cpp)
add_library(saverlib STATIC ${SAVER_SOURCES})
target_link_libraries(saverlib PUBLIC show gdi32 user32 winmm advapi32 kernel32)

string(REPLACE "." "," QV3_VERSION_COMMAS "${QV3_VERSION},0")

# The program's resources: the script windows/res/saver.rc.in, filled in with the folder of the
# icon and the pictures the native build encoded. A missing picture or music file stops the configure;
# one removed later stops the build.
include(cmake/resource_ids.cmake)
include(cmake/data_files.cmake)
set(RES_BIN_DIR ${NATIVE_BUILD_DIR}/res)
set(RES_FILES ${RES_BIN_DIR}/icon.ico)
foreach(id ${RESOURCE_SKIN} ${RESOURCE_SHEET0} ${RESOURCE_SHEET1} ${RESOURCE_SHEET2})
  list(APPEND RES_FILES ${RES_BIN_DIR}/${id}.rle)
endforeach()
set(MUSIC_FILE ${NATIVE_BUILD_DIR}/music/${MUSIC_FILE_NAME})
set(MARKER_FILE ${NATIVE_BUILD_DIR}/dist/${MARKER_FILE_NAME})
foreach(file ${RES_FILES} ${MUSIC_FILE} ${MARKER_FILE} ${RES_BIN_DIR}/installer.bmp)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file} is missing: build the native tree first and give it as "
      "NATIVE_BUILD_DIR (scripts/build does both)")
  endif()
endforeach()
set(SAVER_RC ${CMAKE_BINARY_DIR}/saver.rc)
configure_file(windows/res/saver.rc.in ${SAVER_RC} @ONLY)
set_source_files_properties(${SAVER_RC} PROPERTIES OBJECT_DEPENDS
  "${RES_FILES};${RESOURCE_IDS_HEADER}")

add_executable(saver WIN32 windows/app/main.cpp ${SAVER_RC})
target_link_libraries(saver saverlib)
set_target_properties(saver PROPERTIES OUTPUT_NAME QAVSSV3 SUFFIX .SCR)
# The manifest (DPI awareness), a resource script of its own.
set(MANIFEST_RC ${CMAKE_SOURCE_DIR}/windows/res/manifest.rc)
set_source_files_properties(${MANIFEST_RC} PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/windows/res/saver.manifest)
target_sources(saver PRIVATE ${MANIFEST_RC})

# The distribution folder: the saver, its data-folder marker and the data folder.
set(DIST_DIR ${CMAKE_BINARY_DIR}/dist)
add_custom_command(TARGET saver POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_DIR}/${LOCAL_DATA_FOLDER}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:saver> ${DIST_DIR}/
  COMMAND ${CMAKE_COMMAND} -E copy ${MARKER_FILE} ${DIST_DIR}/
  COMMAND ${CMAKE_COMMAND} -E copy ${MUSIC_FILE} ${DIST_DIR}/${LOCAL_DATA_FOLDER}/
  VERBATIM)

# The setup program of this build, beside the distribution folder: QAVSSV3-setup.exe installs
# the 32-bit saver, QAVSSV3-x64-setup.exe (a 64-bit program) the 64-bit one.
find_program(MAKENSIS makensis REQUIRED)
set(INSTALLER_PICTURE ${RES_BIN_DIR}/installer.bmp)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(SETUP_EXE ${CMAKE_BINARY_DIR}/QAVSSV3-x64-setup.exe)
  set(SETUP_TARGET -DX64)
else()
  set(SETUP_EXE ${CMAKE_BINARY_DIR}/QAVSSV3-setup.exe)
  set(SETUP_TARGET)
endif()
add_custom_command(OUTPUT ${SETUP_EXE}
  COMMAND ${MAKENSIS} -V2 -DVERSION=${QV3_VERSION} -DSAVER=$<TARGET_FILE:saver>
    -DMUSIC=${MUSIC_FILE} -DICON=${CMAKE_SOURCE_DIR}/res/icon.ico
    -DPICTURE=${INSTALLER_PICTURE} -DOUTFILE=${SETUP_EXE} -DMUSIC_FILE=${MUSIC_FILE_NAME}
    -DDATA_FOLDER=${DEFAULT_DATA_FOLDER} ${SETUP_TARGET}
    ${CMAKE_SOURCE_DIR}/windows/installer/setup.nsi
  DEPENDS saver ${MUSIC_FILE} ${INSTALLER_PICTURE} ${CMAKE_SOURCE_DIR}/windows/installer/setup.nsi
    ${CMAKE_SOURCE_DIR}/VERSION ${CMAKE_SOURCE_DIR}/res/icon.ico ${DATA_FILES_HEADER}
  VERBATIM)
add_custom_target(setup ALL DEPENDS ${SETUP_EXE})

# ------------------------------------------------------------------ test programs and tests
set(TEST_BIN_DIR ${CMAKE_BINARY_DIR}/testbin)
add_executable(testhelper tests/wintools/testhelper.cpp tests/support/message_pump.cpp)
target_include_directories(testhelper PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(testhelper PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
target_link_libraries(testhelper user32 gdi32)

add_library(password_standin SHARED tests/wintools/password_standin.cpp)
set_target_properties(password_standin PROPERTIES PREFIX "" OUTPUT_NAME password SUFFIX .cpl
  RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
target_link_options(password_standin PRIVATE -Wl,--kill-at)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QV3_ARCH win64)
else()
  set(QV3_ARCH win32)
endif()
# Checked as a file, so also where the build cannot be run: the kind of program, the
# libraries it imports, its icon, pictures and manifest.
add_test(NAME saver_program COMMAND ${Python3_EXECUTABLE}
  ${CMAKE_SOURCE_DIR}/tests/resources/check_program.py ${QV3_ARCH} $<TARGET_FILE:saver>
  ${RESOURCE_SKIN} ${RESOURCE_SHEET0} ${RESOURCE_SHEET1} ${RESOURCE_SHEET2})

# Tests compiled for Windows run in-process under Wine, inside their own Xvfb screen.
set(CMAKE_CROSSCOMPILING_EMULATOR ${Python3_EXECUTABLE};${E2E_DIR}/harness.py;run)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
file(GLOB WINE_TEST_SOURCES CONFIGURE_DEPENDS tests/wine/*.cpp tests/wine/*.rc)
add_executable(wine_tests ${WINE_TEST_SOURCES})
target_link_libraries(wine_tests saverlib GTest::gtest_main)
target_sources(wine_tests PRIVATE tests/support/draw_reference.cpp tests/support/draw_entry.cpp
  tests/support/pixel_checks.cpp
  tests/support/message_pump.cpp)
# The software compositor is checked against GDI with the same shared test pieces, and reads
# the pictures the native build embeds.
target_sources(wine_tests PRIVATE tests/support/indexed_sheet.cpp tests/support/random_draw_list.cpp
  ${NATIVE_BUILD_DIR}/embedded/embedded_images.cpp)
target_include_directories(wine_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/wine)
# The tests load the program's own pictures from their executable.
target_sources(wine_tests PRIVATE ${SAVER_RC})
set_target_properties(wine_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
# PYTHONPATH: the harness and the tests import the shared tests/support/testkit.py.
set(E2E_ENV QV3_ARCH=${QV3_ARCH} QV3_BUILD_DIR=${CMAKE_BINARY_DIR}
  QV3_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix QV3_NATIVE_DIR=${NATIVE_BUILD_DIR}
  QV3_SCREENSHOT_DIR=${CMAKE_BINARY_DIR}/screenshots PYTHONPATH=${CMAKE_SOURCE_DIR}/tests/support)

# Every Windows test runs for both builds. The harness ends a run of a build that this machine
# cannot execute (the 32-bit one where no 32-bit x86 code runs) with code 77 and the reason,
# which CTest reports as skipped.
function(add_wine_test name timeout)
  add_test(NAME ${name} COMMAND ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine
    ENVIRONMENT "${E2E_ENV}" TIMEOUT ${timeout} SKIP_RETURN_CODE 77)
endfunction()

# One fresh Wine prefix per test run, shared by every Wine test of the run.
add_test(NAME wine_prefix COMMAND ${Python3_EXECUTABLE} ${E2E_DIR}/harness.py prepare-prefix --fresh)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${E2E_ENV}"
  RESOURCE_LOCK wine SKIP_RETURN_CODE 77)

add_wine_test(wine_tests 900 wine_tests --gtest_filter=-LongRun.*)
# The long run of the saver window, on its own so that its time shows by itself.
add_wine_test(wine_long_run 600 wine_tests --gtest_filter=LongRun.*)
add_wine_test(e2e_smoke 300 ${Python3_EXECUTABLE} ${E2E_DIR}/harness.py script ${E2E_DIR}/smoke.py)
file(GLOB E2E_TESTS CONFIGURE_DEPENDS ${E2E_DIR}/test_*.py)
# The limits only catch a hang: the setup program's table runs for both builds' switches in the
# 32-bit list, where 32-bit programs may run emulated.
foreach(script ${E2E_TESTS})
  get_filename_component(name ${script} NAME_WE)
  set(limit 900)
  if(name STREQUAL "test_setup")
    set(limit 1800)
  endif()
  add_wine_test(e2e_${name} ${limit} ${Python3_EXECUTABLE} ${E2E_DIR}/harness.py script ${script})
endforeach()

# ------------------------------------------------------------------ compositor benchmark
# Run by scripts/bench under Wine on a 1920x1080 screen; prints its figures.
add_executable(bench_compositor tests/bench/bench_compositor.cpp tests/support/draw_entry.cpp
  tests/support/message_pump.cpp)
target_link_libraries(bench_compositor saverlib psapi)
set_target_properties(bench_compositor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
# The yardstick of the CPU benchmark (scripts/bench --cpu): a bare full-screen present per tick.
add_executable(bench_present_only WIN32 tests/bench/present_only.cpp)
target_link_libraries(bench_present_only user32 gdi32)
set_target_properties(bench_present_only PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
# The floor of the CPU benchmark: the same window and timer, drawing nothing.
add_executable(bench_idle_timer WIN32 tests/bench/idle_timer.cpp)
target_link_libraries(bench_idle_timer user32 gdi32)
set_target_properties(bench_idle_timer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
