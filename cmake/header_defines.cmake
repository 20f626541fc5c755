# read_header_defines(HEADER VALUE_REGEX NAME...): sets each NAME to the value that HEADER's
# "#define NAME value" line gives it, the value matching VALUE_REGEX with its first group taken;
# a NAME the header does not define stops the configure. A changed header configures again.
function(read_header_defines header value_regex)
  file(STRINGS ${header} defines REGEX "^#define [A-Z0-9_]+ +${value_regex}")
  foreach(line IN LISTS defines)
    string(REGEX MATCH "^#define ([A-Z0-9_]+) +${value_regex}" matched "${line}")
    set(value_of_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endforeach()
  foreach(name ${ARGN})
    if(NOT DEFINED value_of_${name})
      message(FATAL_ERROR "${header} does not define ${name}")
    endif()
    set(${name} "${value_of_${name}}" PARENT_SCOPE)
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
endfunction()
