# Dependencies point down: the platform-free show at the bottom, the Windows drawing, the
# Windows program's modules and the X11 program above it, the program entries on top. Each
# folder names the project folders its quoted includes may come from and the platform headers
# it must not include; any other folder that holds sources fails the check, so that a new one
# gets its rule. Fails listing every include that points the wrong way. Run with
# -DSOURCE_DIR=<project root>.
cmake_policy(SET CMP0007 NEW)
set(violations "")

set(platform_headers "windows\\.h|mmsystem\\.h|X11/|alsa/|wayland-|emscripten")

# folder | folders it may include | platform headers it must not include
set(rules
  "show|show res|${platform_headers}"
  "res||${platform_headers}"
  "gdi|gdi show res|X11/|alsa/|wayland-|emscripten"
  "sound|sound show|X11/|alsa/|wayland-|emscripten"
  "settings|settings gdi show res|X11/|alsa/|wayland-|emscripten"
  "app|app settings sound gdi show res|X11/|alsa/|wayland-|emscripten"
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
      if(line MATCHES "\"([^/\"]+)/[^\"]*\"")
        list(FIND allowed "${CMAKE_MATCH_1}" found)
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
file(GLOB top_sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*/*.cpp" "${SOURCE_DIR}/*/*.h")
foreach(source ${top_sources})
  string(REGEX MATCH "^[^/]+" folder "${source}")
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
