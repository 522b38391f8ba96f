# The game for the browser: the same sources as on Linux but for the
# platform file, built with emscripten against the library that
# web/CMakeLists.txt builds, which hands in where it is installed. It links
# to zindle.js and zindle.wasm, which the page starts (web/page/page.js).
set(ZINDLE_ALLEGRO_DIR "" CACHE PATH "Where the library built for the browser is installed")
set(ZINDLE_ALLEGRO_LIBRARY ${ZINDLE_ALLEGRO_DIR}/lib/liballeg.a)
if(NOT EXISTS "${ZINDLE_ALLEGRO_LIBRARY}")
  message(FATAL_ERROR "ZINDLE_ALLEGRO_DIR holds no library: '${ZINDLE_ALLEGRO_DIR}'")
endif()

add_executable(zindle ${ZINDLE_GAME_SOURCES} src/zindle_main.cpp src/platform_web.cpp)
target_include_directories(zindle PRIVATE include ${ZINDLE_ALLEGRO_DIR}/include)
# Copies are the memory's own instruction, not a call out to JavaScript.
target_compile_options(zindle PRIVATE -mbulk-memory)
target_link_libraries(zindle PRIVATE ${ZINDLE_ALLEGRO_LIBRARY})
set(ZINDLE_PROGRAM_JS ${PROJECT_SOURCE_DIR}/web/program.js)
target_link_options(zindle PRIVATE
  # rest() hands the page back to the browser and the program resumes later.
  -sASYNCIFY
  # main's end is the program's, as on the desktop (program.js).
  -sEXIT_RUNTIME --pre-js ${ZINDLE_PROGRAM_JS}
  # Datafiles may take up to their budgets, well past the first 16 MiB.
  -sALLOW_MEMORY_GROWTH
  # One function per run of the program, so the page can start it again.
  -sMODULARIZE -sEXPORT_NAME=Zindle -sENVIRONMENT=web
  -sEXPORTED_RUNTIME_METHODS=FS,ccall)
set_target_properties(zindle PROPERTIES
  SUFFIX .js
  LINK_DEPENDS ${ZINDLE_PROGRAM_JS}
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
