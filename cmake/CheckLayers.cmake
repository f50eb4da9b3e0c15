# Asserts that the layers of a source tree include one way only: no file
# includes a header of a layer above its own. Run as a test:
#   cmake -DSOURCE_DIR=<repo>/src -DLEVELS="launcher=4;apply=3;..." -P CheckLayers.cmake
# Each top folder of SOURCE_DIR is a layer with its level in LEVELS; layers
# of one level may use each other, and a new folder must be given its level.
# An include of a folder that is no layer of the tree is not looked at.
foreach(pair IN LISTS LEVELS)
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 layer)
  list(GET pair 1 LEVEL_${layer})
endforeach()
get_filename_component(tree "${SOURCE_DIR}" NAME)

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
set(faults "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" own "${source}")
  if(NOT DEFINED LEVEL_${own} OR own STREQUAL source)
    list(APPEND faults "${source}: ${tree}/${own} is no known layer")
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "\"([^/\"]+)/" ignored "${line}")
    set(used "${CMAKE_MATCH_1}")
    if(DEFINED LEVEL_${used} AND LEVEL_${used} GREATER LEVEL_${own})
      list(APPEND faults "${source}: ${own}/ includes ${used}/, a layer above it: ${line}")
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n" faults)
  message(FATAL_ERROR "Layers of ${tree}/ (${LEVELS}):\n${faults}")
endif()
