# Sets RESOURCE_SKIN and RESOURCE_SHEET0 to RESOURCE_SHEET2 to the resource numbers written in
# res/resource_ids.h, the one place they are written; the encoded pictures are named by them.
set(RESOURCE_IDS_HEADER ${CMAKE_CURRENT_LIST_DIR}/../res/resource_ids.h)
file(STRINGS ${RESOURCE_IDS_HEADER} resource_defines REGEX "^#define RESOURCE_[A-Z0-9]+ +[0-9]+")
foreach(line IN LISTS resource_defines)
  string(REGEX MATCH "^#define (RESOURCE_[A-Z0-9]+) +([0-9]+)" matched "${line}")
  set(${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
endforeach()
foreach(name RESOURCE_SKIN RESOURCE_SHEET0 RESOURCE_SHEET1 RESOURCE_SHEET2)
  if(NOT ${name})
    message(FATAL_ERROR "${RESOURCE_IDS_HEADER} does not define ${name}")
  endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${RESOURCE_IDS_HEADER})
