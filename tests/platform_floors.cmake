# cmake -DROOT=<source tree> -P platform_floors.cmake: fails, naming each
# offending line, when a file under platform/ includes a header of the
# system's code above it. The platform stands on itself alone, so that the
# data-access adapters, the Qt adapters and the catalogue tool can all build
# on it without pulling the program in.
file(GLOB_RECURSE files ${ROOT}/platform/*.h ${ROOT}/platform/*.cpp)
set(offences)
foreach(file IN LISTS files)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](catalogue|tree|playback|search|ticker|app)/")
  file(RELATIVE_PATH name ${ROOT} ${file})
  foreach(line IN LISTS lines)
    list(APPEND offences "${name}: ${line}")
  endforeach()
endforeach()
if(NOT files)
  message(FATAL_ERROR "no platform files under ${ROOT}")
endif()
if(offences)
  list(JOIN offences "\n  " text)
  message(FATAL_ERROR "platform/ includes a floor above it:\n  ${text}")
endif()
