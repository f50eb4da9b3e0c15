# Asserts that the layers of src/ include one way only: no file includes a
# header of a layer above its own. Run as a test:
#   cmake -DSOURCE_DIR=<repo>/src -P CheckLayers.cmake
# Layers of one level (apply and admin; package, messages and log) may use
# each other; a new folder under src/ must be given its level here.
set(levels launcher=4 apply=3 admin=3 package=2 messages=2 log=2 installer=1 platform=0)
foreach(pair IN LISTS levels)
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 layer)
  list(GET pair 1 LEVEL_${layer})
endforeach()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
set(faults "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" own "${source}")
  if(NOT DEFINED LEVEL_${own})
    list(APPEND faults "${source}: src/${own}/ is no known layer")
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
  message(FATAL_ERROR "Layers: launcher > apply, admin > package, messages, log > installer > platform\n${faults}")
endif()
