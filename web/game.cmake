# The game for the browser: the same sources as on Linux but for the
# platform file, built with emscripten against the library that
# web/CMakeLists.txt builds, which hands in where it is installed. It links
# to zindle.js and zindle.wasm, which the page starts (web/page/page.js).
set(ZINDLE_ALLEGRO_DIR "" CACHE PATH "Where the library built for the browser is installed")
set(ZINDLE_ALLEGRO_LIBRARY ${ZINDLE_ALLEGRO_DIR}/lib/liballeg.a)
if(NOT EXISTS "${ZINDLE_ALLEGRO_LIBRARY}")
  message(FATAL_ERROR "ZINDLE_ALLEGRO_DIR holds no library: '${ZINDLE_ALLEGRO_DIR}'")
endif()

# Asyncify instruments only the functions that may be on the stack when the
# program rests, by their names once optimised (setup, the menus and the play
# loop end up in main). One missing from the list hangs the page where it
# rests; the suite walks every rest with the checked build, which stops there
# instead.
set(ZINDLE_RESTING
  main
  rest_callback web_rest _web_yield                # rest() and the sleep
  yield_to_platform* *object_loaded*               # the start-up's pauses,
  load_datafile_callback load_file_object          # between a datafile's objects
  datafile_is_sound*)                              # as it is loaded and checked
list(JOIN ZINDLE_RESTING "\n" ZINDLE_RESTING_LINES)
set(ZINDLE_RESTING_FILE ${CMAKE_BINARY_DIR}/resting.txt)
file(WRITE ${ZINDLE_RESTING_FILE} "${ZINDLE_RESTING_LINES}\n")

# program.js carries the version, as the program does.
set(ZINDLE_PROGRAM_JS ${CMAKE_BINARY_DIR}/program.js)
configure_file(${PROJECT_SOURCE_DIR}/web/program.js ${ZINDLE_PROGRAM_JS} @ONLY)
set(ZINDLE_WEB_LINK_OPTIONS
  # rest() hands the page back to the browser and the program resumes later.
  -sASYNCIFY -sASYNCIFY_ONLY=@${ZINDLE_RESTING_FILE}
  # main's end is the program's, as on the desktop (program.js).
  -sEXIT_RUNTIME --pre-js ${ZINDLE_PROGRAM_JS}
  # Datafiles may take up to their budgets, well past the first 16 MiB.
  -sALLOW_MEMORY_GROWTH
  # One function per run of the program, so the page can start it again.
  -sMODULARIZE -sEXPORT_NAME=Zindle -sENVIRONMENT=web
  -sEXPORTED_RUNTIME_METHODS=FS,ccall
  # The functions' names, for profiles and for the list above; not shipped.
  --emit-symbol-map)

# The game's code, compiled once for the program and its checked twin.
add_library(zindle_web_code OBJECT ${ZINDLE_GAME_SOURCES} src/zindle_main.cpp src/platform_web.cpp)
target_include_directories(zindle_web_code PRIVATE include ${ZINDLE_ALLEGRO_DIR}/include)
set_source_files_properties(src/platform_web.cpp PROPERTIES COMPILE_DEFINITIONS ZINDLE_VERSION="${PROJECT_VERSION}")
# Copies are the memory's own instruction, not a call out to JavaScript.
target_compile_options(zindle_web_code PRIVATE -mbulk-memory)

function(zindle_web_program name)
  add_executable(${name} $<TARGET_OBJECTS:zindle_web_code>)
  target_link_libraries(${name} PRIVATE ${ZINDLE_ALLEGRO_LIBRARY})
  target_link_options(${name} PRIVATE ${ZINDLE_WEB_LINK_OPTIONS} ${ARGN})
  set_target_properties(${name} PROPERTIES
    SUFFIX .js
    LINK_DEPENDS "${ZINDLE_PROGRAM_JS};${ZINDLE_RESTING_FILE}"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

zindle_web_program(zindle)
# For the tests: the same program with emscripten's checks, among them that
# no function left out of the list above is on the stack when it rests.
option(ZINDLE_WEB_CHECKED "Also build zindle_checked, the program with emscripten's checks" OFF)
if(ZINDLE_WEB_CHECKED)
  zindle_web_program(zindle_checked -sASSERTIONS)
endif()
