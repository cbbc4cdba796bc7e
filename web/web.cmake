# The browser build (Emscripten): the demo's library without the desktop-only pieces, the page's
# entry point, and the data pack. scripts/build-web.sh builds libjpeg and libopenmpt for
# WebAssembly into ZUB_WEB_PREFIX first.
set(ZUB_WEB_PREFIX "" CACHE PATH "Where the WebAssembly builds of libjpeg and libopenmpt are installed")
if(NOT EXISTS "${ZUB_WEB_PREFIX}/lib/libjpeg.a" OR NOT EXISTS "${ZUB_WEB_PREFIX}/lib/libopenmpt.a")
  message(FATAL_ERROR "ZUB_WEB_PREFIX must hold lib/libjpeg.a and lib/libopenmpt.a (scripts/build-web.sh builds them)")
endif()

# The SDL2 console back end and the file writers of the offline tools have browser stand-ins or
# no use here; the SDL audio calls of the module player are answered by web_sdl/SDL.h.
file(GLOB ZUB_WEB_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*/*.cpp)
list(FILTER ZUB_WEB_SOURCES EXCLUDE REGEX "/platform/ptc\\.cpp$|/shell/offline_render\\.cpp$|/image/image_writers\\.cpp$|/capture/")
add_library(zubweb STATIC ${ZUB_WEB_SOURCES})
target_include_directories(zubweb PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/src/platform/web_sdl
                                         ${ZUB_WEB_PREFIX}/include)
target_link_libraries(zubweb PUBLIC ${ZUB_WEB_PREFIX}/lib/libjpeg.a ${ZUB_WEB_PREFIX}/lib/libopenmpt.a)

add_executable(zubdemo-web ${CMAKE_SOURCE_DIR}/web/zubdemo_web.cpp)
set_target_properties(zubdemo-web PROPERTIES OUTPUT_NAME zubdemo SUFFIX ".js")
target_link_libraries(zubdemo-web PRIVATE zubweb)
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
