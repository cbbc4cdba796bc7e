# The direction of the layers: src/core is the ground every subsystem stands on, so nothing in it
# includes a header from the folders above it. ctest runs this as the test "layering"
# (cmake -DSOURCE=DIR -P layering.cmake); it fails naming every include that points up.
# Known until EngineContext leaves core: its header still includes the bitmap's.
cmake_minimum_required(VERSION 3.25)
set(known_up "src/core/engine_context.h -> image/bitmap.h")

file(GLOB files RELATIVE ${SOURCE} ${SOURCE}/src/core/*.h ${SOURCE}/src/core/*.cpp ${SOURCE}/src/core/*.in)
set(up "")
foreach(file ${files})
  file(STRINGS ${SOURCE}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${includes})
    string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
    # Our own headers are named by folder; a name without one is beside the file, in core too.
    if(header MATCHES "^core/" OR NOT header MATCHES "/")
      continue()
    endif()
    if(NOT "${file} -> ${header}" IN_LIST known_up)
      list(APPEND up "${file} includes ${header}")
    endif()
  endforeach()
endforeach()
if(up)
  list(JOIN up "\n  " text)
  message(FATAL_ERROR "src/core must include nothing above it:\n  ${text}")
endif()
list(LENGTH files count)
message(STATUS "layering: ${count} files of src/core include only core")
