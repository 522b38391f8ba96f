# The program's tests: screen composition in-process without a display, and
# the real game binary played end to end in a private Xvfb.
set(ZINDLE_PROGRAM_DEFINES
  ZINDLE_DATA_DIR="${CMAKE_BINARY_DIR}"
  ZINDLE_GAME="$<TARGET_FILE:zindle>")

add_executable(screen_tests program/screen_test.cpp)
target_compile_definitions(screen_tests PRIVATE ${ZINDLE_PROGRAM_DEFINES})
target_link_libraries(screen_tests PRIVATE zindle_game program_harness GTest::gtest_main)
add_dependencies(screen_tests zindle_data)
gtest_discover_tests(screen_tests DISCOVERY_MODE PRE_TEST)

# Starting Xvfb and the game, input, pixels; also used by the start-up benchmark.
find_package(X11 REQUIRED)
add_library(program_harness STATIC
  program/harness.cpp
  program/pictures.cpp
  program/session.cpp)
target_include_directories(program_harness PUBLIC program)
target_compile_definitions(program_harness PUBLIC ${ZINDLE_PROGRAM_DEFINES})
# XFixes tells whether the pointer shows; it comes with the library's X headers.
target_link_libraries(program_harness PUBLIC X11::X11 X11::Xfixes PkgConfig::ALLEGRO GTest::gtest)
add_dependencies(program_harness zindle zindle_data)

add_executable(game_tests
  program/startup_test.cpp
  program/menu_test.cpp
  program/play_test.cpp
  program/sound_test.cpp)
target_link_libraries(game_tests PRIVATE zindle_game program_harness packed_datafiles GTest::gtest_main)
# One test per process, each with its own X server and game. The game keeps
# its bitmaps and datafiles until the process ends, by design, and the leak
# checker would report them (and the library's own) at every exit, so leak
# checking is off for it; every other sanitizer check stays on.
gtest_discover_tests(game_tests DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0" TIMEOUT 180)
