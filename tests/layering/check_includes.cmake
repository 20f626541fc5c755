# Dependencies point down: the program entry (app/) sits on top, the module folders below it,
# and the platform-free run state (core/) at the bottom. Fails listing every include that
# points the wrong way. Run with -DSOURCE_DIR=<project root>.
set(violations "")

function(check_folder folder pattern why)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source ${sources})
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${pattern})")
    foreach(line ${lines})
      file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
      string(APPEND violations "${name}: ${line}  (${why})\n")
    endforeach()
  endforeach()
  set(violations "${violations}" PARENT_SCOPE)
endfunction()

foreach(folder core gfx anim settings sound)
  check_folder(${folder} "app/" "a lower folder must not include the program entry")
endforeach()
check_folder(core "gfx/|anim/|settings/|sound/|windows\\.h|X11/"
  "the run state includes nothing above it and no platform header")
check_folder(gfx "anim/|settings/|sound/"
  "the graphics layer sits below the animation and the settings that draw with it")
check_folder(res "core/|gfx/|anim/|settings/|sound/|windows\\.h"
  "the resource numbers are read by the resource compiler and CMake too")
check_folder(anim "gfx/compositor|gfx/image\\.h|gfx/graphics|settings/|sound/|windows\\.h|X11/"
  "the animation stays platform-free")

# The software compositor and the native program's window-free part build on every platform.
foreach(source gfx/soft_compositor.h gfx/soft_compositor.cpp gfx/embedded_images.h x11/show.h
    x11/show.cpp x11/options.h x11/options.cpp x11/music_data.h x11/music_data.cpp)
  if(EXISTS "${SOURCE_DIR}/${source}")
    file(STRINGS "${SOURCE_DIR}/${source}" lines
      REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](windows\\.h|X11/|alsa/|x11/x_|x11/alsa)")
    foreach(line ${lines})
      string(APPEND violations "${source}: ${line}  (platform-free: no platform header)\n")
    endforeach()
  endif()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that point the wrong way:\n${violations}")
endif()
message(STATUS "Every include points down")
