# Timing of the play screen and of start-up. screen_bench also runs in the
# test suite with a tiny measuring time, which checks that it still composes
# frames; real timings come from running it alone:
#   screen_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#   startup_time
add_executable(screen_bench screen_bench.cpp)
target_compile_definitions(screen_bench PRIVATE ZINDLE_DATA_DIR="${CMAKE_BINARY_DIR}")
target_link_libraries(screen_bench PRIVATE zindle_game benchmark::benchmark)
add_dependencies(screen_bench zindle_data)
add_test(NAME screen_bench COMMAND screen_bench --benchmark_min_time=0.01)
set_tests_properties(screen_bench PROPERTIES TIMEOUT 60)

# From starting the game to its first menu frame, in a private Xvfb; uses the
# end-to-end tests' harness.
add_executable(startup_time startup_time.cpp)
target_link_libraries(startup_time PRIVATE program_harness slowest_pair benchmark::benchmark)
