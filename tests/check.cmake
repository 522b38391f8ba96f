# The datafile check in-process, on datafiles the tests write byte by byte.
add_library(packed_datafiles STATIC check/packed.cpp)
target_include_directories(packed_datafiles PUBLIC check)
target_link_libraries(packed_datafiles PUBLIC PkgConfig::ALLEGRO)

add_executable(check_tests check/check_test.cpp)
target_link_libraries(check_tests PRIVATE zindle_game packed_datafiles GTest::gtest_main)
gtest_discover_tests(check_tests DISCOVERY_MODE PRE_TEST)
