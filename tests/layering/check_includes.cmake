# Dependencies point down: the platform-free show at the bottom, one folder per platform
# program above it (the Windows program's own parts, from its drawing up to its entry, inside
# windows/). Each folder names the project folders its quoted includes may come from and the
# platform headers it must not include; any other folder that holds sources fails the check, so
# that a new one gets its rule. An include's folder is its first path part, or its first two
# under windows/. Fails listing every include that points the wrong way. Run with
# -DSOURCE_DIR=<project root>.
cmake_policy(SET CMP0007 NEW)
set(violations "")

set(platform_headers "windows\\.h|mmsystem\\.h|X11/|alsa/|wayland-|emscripten")

# folder | folders it may include | platform headers it must not include
set(rules
  "show|show res|${platform_headers}"
  "res||${platform_headers}"
  "windows/gdi|windows/gdi show res|X11/|alsa/|wayland-|emscripten"
  "windows/sound|windows/sound show|X11/|alsa/|wayland-|emscripten"
  "windows/settings|windows/settings windows/gdi show res|X11/|alsa/|wayland-|emscripten"
  "windows/app|windows/app windows/settings windows/sound windows/gdi show res|X11/|alsa/|wayland-|emscripten"
  "unix|unix show res|windows\\.h|mmsystem\\.h|X11/|wayland-|emscripten"
  "x11|x11 unix show res|windows\\.h|mmsystem\\.h|wayland-|emscripten"
  "wayland|wayland unix show res|windows\\.h|mmsystem\\.h|X11/|emscripten"
  "web|web show res|windows\\.h|mmsystem\\.h|X11/|alsa/|wayland-")

set(checked_folders "")
foreach(rule ${rules})
  string(REPLACE "|" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(GET parts 1 allowed)
  set(allowed_text "${allowed}")
  string(REPLACE " " ";" allowed "${allowed}")
  list(SUBLIST parts 2 -1 forbidden)
  string(REPLACE ";" "|" forbidden "${forbidden}")
  list(APPEND checked_folders ${folder})
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source ${sources})
    file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${lines})
      set(included "")
      if(line MATCHES "\"(windows/[^/\"]+)/[^\"]*\"")
        set(included "${CMAKE_MATCH_1}")
      elseif(line MATCHES "\"([^/\"]+)/[^\"]*\"")
        set(included "${CMAKE_MATCH_1}")
      endif()
      if(included)
        list(FIND allowed "${included}" found)
        if(found EQUAL -1)
          string(APPEND violations "${name}: ${line}  (${folder}/ may include only: ${allowed_text})\n")
        endif()
      elseif(NOT forbidden STREQUAL "" AND line MATCHES "<(${forbidden})")
        string(APPEND violations "${name}: ${line}  (${folder}/ must not include this platform header)\n")
      endif()
    endforeach()
  endforeach()
endforeach()

# Every top-level folder with C++ sources, other than the tools and the tests, has a rule.
file(GLOB top_sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*/*.cpp" "${SOURCE_DIR}/*/*.h"
  "${SOURCE_DIR}/windows/*/*.cpp" "${SOURCE_DIR}/windows/*/*.h")
foreach(source ${top_sources})
  string(REGEX MATCH "^windows/[^/]+|^[^/]+" folder "${source}")
  if(NOT folder MATCHES "^(tools|tests|build.*)$")
    list(FIND checked_folders "${folder}" found)
    if(found EQUAL -1)
      string(APPEND violations "${source}: the folder ${folder}/ has no rule here\n")
    endif()
  endif()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that point the wrong way:\n${violations}")
endif()
message(STATUS "Every include points down")
