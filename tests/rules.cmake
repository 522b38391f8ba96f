# The game rules' tests: one program linked with the game's own rules code.
add_executable(rules_tests
  rules/well_picture.cpp
  rules/well_test.cpp
  rules/falling_tile_test.cpp
  rules/clearing_test.cpp
  rules/gravity_test.cpp
  rules/invariant_test.cpp
)
target_link_libraries(rules_tests PRIVATE zindle_game GTest::gtest_main)
# Every call of Allegro's play_sample goes to __wrap_play_sample in
# well_picture.cpp, which counts the clearing sounds instead of playing them.
target_link_options(rules_tests PRIVATE -Wl,--wrap=play_sample)
# A fault in gravity can loop forever; a time limit turns that into a failure.
gtest_discover_tests(rules_tests DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 120)
