# The Windows build: its files checked as built, and the game played under
# Wine in a private X server, with a Wine prefix in the build folder that is
# made afresh for every run of the suite.
if(NOT ZINDLE_WINDOWS)
  return()
endif()

add_test(NAME windows_files_are_clean_and_reproducible
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/windows/built.sh ${CMAKE_BINARY_DIR} ${ZINDLE_WIN_GAME_BUILD}
          ${ZINDLE_ALLEGRO_BUILD_LOG} ${ZINDLE_ZIP} ${ZINDLE_SETUP})
# It builds the files again, so no game plays them meanwhile.
set_tests_properties(windows_files_are_clean_and_reproducible PROPERTIES TIMEOUT 300 RESOURCE_LOCK windows_files)

set(ZINDLE_WINE_PREFIX ${CMAKE_BINARY_DIR}/windows/wine-prefix)
add_test(NAME wine_prefix
  COMMAND sh -c "rm -rf \"$0\" && export WINEPREFIX=\"$0\" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= && wineboot -i && wineserver -w"
          ${ZINDLE_WINE_PREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)

add_executable(windows_tests windows/windows_test.cpp)
target_compile_definitions(windows_tests PRIVATE
  ZINDLE_WIN_DIR="${ZINDLE_WIN_STAGE}" ZINDLE_WIN_SETUP="${ZINDLE_SETUP}"
  ZINDLE_WINE_PREFIX="${ZINDLE_WINE_PREFIX}" ZINDLE_VERSION="${PROJECT_VERSION}"
  ZINDLE_RELEASES="${ZINDLE_RELEASES}" ZINDLE_NEXT_VERSION="${ZINDLE_NEXT_VERSION}")
target_link_libraries(windows_tests PRIVATE program_harness GTest::gtest_main)
add_dependencies(windows_tests zindle_windows)
gtest_discover_tests(windows_tests DISCOVERY_MODE PRE_TEST TEST_FILTER -*NextVersion*
  PROPERTIES TIMEOUT 180 FIXTURES_REQUIRED wine RESOURCE_LOCK windows_files)
# The upgrade installs the two releases the suite makes with the browser build.
if(ZINDLE_RELEASES)
  set(upgrade WindowsGame.TheNextVersionsSetupTakesTheInstalledOnesPlace)
  add_test(NAME ${upgrade} COMMAND windows_tests --gtest_filter=${upgrade})
  set_tests_properties(${upgrade} PROPERTIES
    TIMEOUT 180 FIXTURES_REQUIRED "wine;releases" RESOURCE_LOCK windows_files)
endif()
