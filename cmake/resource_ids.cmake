# Sets RESOURCE_SKIN and RESOURCE_SHEET0 to RESOURCE_SHEET2 to the resource numbers written in
# res/resource_ids.h, the one place they are written; the encoded pictures are named by them.
include(${CMAKE_CURRENT_LIST_DIR}/header_defines.cmake)
set(RESOURCE_IDS_HEADER ${CMAKE_CURRENT_LIST_DIR}/../res/resource_ids.h)
read_header_defines(${RESOURCE_IDS_HEADER} "([0-9]+)"
  RESOURCE_SKIN RESOURCE_SHEET0 RESOURCE_SHEET1 RESOURCE_SHEET2)
