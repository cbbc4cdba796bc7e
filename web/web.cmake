# The browser build (Emscripten): the demo's library without the desktop-only pieces, the page's
# entry point, and the data pack. scripts/build-web.sh builds libjpeg and libopenmpt for
# WebAssembly into ZUB_WEB_PREFIX first.
set(ZUB_WEB_PREFIX "" CACHE PATH "Where the WebAssembly builds of libjpeg and libopenmpt are installed")
if(NOT EXISTS "${ZUB_WEB_PREFIX}/lib/libjpeg.a" OR NOT EXISTS "${ZUB_WEB_PREFIX}/lib/libopenmpt.a")
  message(FATAL_ERROR "ZUB_WEB_PREFIX must hold lib/libjpeg.a and lib/libopenmpt.a (scripts/build-web.sh builds them)")
endif()

# WebAssembly SIMD: the compiler vectorises the pixel loops with it (the frames are the same; the
# page's test compares them with the golden ones). Every current browser has it; the page says so
# where one does not. Every browser with SIMD also has the two smaller extensions: saturating
# float-to-integer conversion, one instruction where a conversion was otherwise a range check
# and a branch (the rasterizers convert several times per pixel), and bulk memory, whose copies
# serve memcpy without a call out to JavaScript for large blocks.
add_compile_options(-msimd128 -mnontrapping-fptoint -mbulk-memory)
add_link_options(-mnontrapping-fptoint -mbulk-memory)

# The demo's layers as on the desktop, with the browser's console and audio back ends
# (src/platform/web_*.cpp) and without the file writers of the offline tools.
add_library(zub_web_jpeg INTERFACE)
target_include_directories(zub_web_jpeg INTERFACE ${ZUB_WEB_PREFIX}/include)
target_link_libraries(zub_web_jpeg INTERFACE ${ZUB_WEB_PREFIX}/lib/libjpeg.a)
add_library(zub_web_openmpt INTERFACE)
target_include_directories(zub_web_openmpt INTERFACE ${ZUB_WEB_PREFIX}/include)
target_link_libraries(zub_web_openmpt INTERFACE ${ZUB_WEB_PREFIX}/lib/libopenmpt.a)
set(ZUB_LIB_SDL2 "")
set(ZUB_LIB_PNG "")
set(ZUB_LIB_JPEG zub_web_jpeg)
set(ZUB_LIB_OPENMPT zub_web_openmpt)
include(${CMAKE_SOURCE_DIR}/cmake/layers.cmake)

add_executable(zubdemo-web ${CMAKE_SOURCE_DIR}/web/zubdemo_web.cpp)
set_target_properties(zubdemo-web PROPERTIES OUTPUT_NAME zubdemo SUFFIX ".js")
target_link_libraries(zubdemo-web PRIVATE zub_program)
target_link_options(zubdemo-web PRIVATE
  --js-library ${CMAKE_SOURCE_DIR}/web/web_platform.js
  --preload-file ${CMAKE_SOURCE_DIR}/data@/data
  -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864
  -sEXPORTED_RUNTIME_METHODS=[ccall,UTF8ToString])
# The link writes the data pack (--preload-file), so a changed or added data file relinks; so does a
# removed one, through the list of them, which is rewritten only when it changes.
file(GLOB_RECURSE ZUB_WEB_DATA CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*)
list(JOIN ZUB_WEB_DATA "\n" ZUB_WEB_DATA_LIST)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/web-data-files.txt CONTENT "${ZUB_WEB_DATA_LIST}\n")
set_property(TARGET zubdemo-web APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/web/web_platform.js ${ZUB_WEB_DATA}
                                                             ${CMAKE_BINARY_DIR}/web-data-files.txt)
