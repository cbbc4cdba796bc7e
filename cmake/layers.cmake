# The library layers, bottom up: one static library per folder of src/ (the shell and the scenes
# make one, the program). A layer sees the headers of the layers it links and no others: each
# library's include folder holds only a link to its own source folder, so an include of a layer
# that is not linked, a higher one above all, fails to compile.
#
# Before including this file, set ZUB_LIB_SDL2, ZUB_LIB_PNG, ZUB_LIB_JPEG and ZUB_LIB_OPENMPT to the
# external libraries (imported targets on the desktop, the WebAssembly builds in the browser; empty
# where a build leaves that library out).

# zub_layer(NAME [FOLDERS f...] [EXCLUDE regex] [PUBLIC libs...] [PRIVATE libs...]) makes zub_NAME
# from src/FOLDER/*.cpp (FOLDERS defaults to NAME) less the files EXCLUDE matches.
function(zub_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 L "" "EXCLUDE" "FOLDERS;PUBLIC;PRIVATE")
  if(NOT L_FOLDERS)
    set(L_FOLDERS ${name})
  endif()
  set(headers ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${headers})
  set(sources)
  foreach(folder ${L_FOLDERS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
    list(APPEND sources ${found})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${headers}/${folder} SYMBOLIC)
  endforeach()
  if(L_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${L_EXCLUDE}")
  endif()
  # A file of one operating system's calls (NAME_posix.cpp, NAME_windows.cpp) builds only for it.
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  add_library(zub_${name} STATIC ${sources})
  target_include_directories(zub_${name} PUBLIC ${headers})
  target_link_libraries(zub_${name} PUBLIC ${L_PUBLIC} PRIVATE ${L_PRIVATE})
endfunction()

if(EMSCRIPTEN)
  # The browser has its own console and audio back ends, no file writers and no child processes.
  set(zub_platform_exclude "/(ptc|audio_out)\\.cpp$")
  set(zub_image_exclude "/image_writers\\.cpp$")
  set(zub_program_exclude "/(offline_render|present_stats)\\.cpp$")
  set(zub_capture)
else()
  set(zub_platform_exclude "/web_[^/]*$")
  set(zub_image_exclude "")
  set(zub_program_exclude "")
  set(zub_capture zub_capture)
endif()

zub_layer(core)
# --version of every program reads the project version through this generated header.
configure_file(${CMAKE_SOURCE_DIR}/src/core/version.h.in ${CMAKE_BINARY_DIR}/generated/core/version.h @ONLY)
target_include_directories(zub_core PUBLIC ${CMAKE_BINARY_DIR}/generated)

zub_layer(platform EXCLUDE "${zub_platform_exclude}" PRIVATE ${ZUB_LIB_SDL2})
zub_layer(safety PUBLIC zub_core)
zub_layer(image EXCLUDE "${zub_image_exclude}" PUBLIC zub_core PRIVATE ${ZUB_LIB_PNG} ${ZUB_LIB_JPEG})
zub_layer(objects PUBLIC zub_core zub_image)
zub_layer(render PUBLIC zub_objects zub_image)
# The effects draw anti-aliased lines with the renderer's line code.
zub_layer(effects PUBLIC zub_image zub_core PRIVATE zub_render)
zub_layer(music PUBLIC zub_core PRIVATE zub_platform ${ZUB_LIB_OPENMPT})
zub_layer(video PUBLIC zub_image zub_core)
if(zub_capture)
  zub_layer(capture PRIVATE zub_core zub_image zub_music)
endif()
zub_layer(program FOLDERS shell scenes EXCLUDE "${zub_program_exclude}"
          PUBLIC zub_core zub_platform zub_safety zub_image zub_effects zub_render zub_objects zub_music zub_video
                 ${zub_capture})

# Links TARGET privately to the layers the variable named VAR lists, or to the whole demo where VAR is
# not set: programs, tests, benchmarks and fuzz targets name what they use.
function(zub_link_layers target var)
  if(DEFINED ${var})
    target_link_libraries(${target} PRIVATE ${${var}})
  else()
    target_link_libraries(${target} PRIVATE zub_program)
  endif()
endfunction()
