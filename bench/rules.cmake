# Timing of one game tick of the rules, typical and worst case. It also runs
# in the test suite with a tiny measuring time, which checks that both ticks
# still do what they are named for; real timings come from running it alone:
#   rules_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
add_executable(rules_bench rules_bench.cpp)
target_link_libraries(rules_bench PRIVATE zindle_game benchmark::benchmark)
target_link_options(rules_bench PRIVATE -Wl,--wrap=play_sample)
add_test(NAME rules_bench COMMAND rules_bench --benchmark_min_time=0.01)
set_tests_properties(rules_bench PROPERTIES TIMEOUT 60)
