# The datafile check beside the library's load of the same files. It also
# runs in the test suite with a tiny measuring time, which checks that the
# check still accepts the game's own datafiles; real timings come from
# running it alone:
#   datafile_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
add_library(slowest_pair STATIC slowest_pair.cpp)
target_include_directories(slowest_pair PUBLIC .)
target_link_libraries(slowest_pair PUBLIC zindle_game)
add_executable(datafile_bench datafile_bench.cpp)
target_compile_definitions(datafile_bench PRIVATE ZINDLE_DATA_DIR="${CMAKE_BINARY_DIR}")
target_link_libraries(datafile_bench PRIVATE slowest_pair benchmark::benchmark)
add_dependencies(datafile_bench zindle_data)
add_test(NAME datafile_bench COMMAND datafile_bench --benchmark_min_time=0.01)
set_tests_properties(datafile_bench PROPERTIES TIMEOUT 60)
