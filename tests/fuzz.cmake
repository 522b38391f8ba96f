# The datafile fuzz targets are built with clang's libFuzzer in a project of
# their own (tests/fuzz), inside this build folder, and run in the suite for
# a bounded, seeded number of inputs each; tests/fuzz/fuzz.sh runs them long.
find_program(ZINDLE_CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)
if(NOT ZINDLE_CLANGXX)
  message(FATAL_ERROR "The datafile fuzz targets need clang and its runtime: "
                      "apt-get install clang libclang-rt-dev (./run.sh test does it)")
endif()
include(ExternalProject)
ExternalProject_Add(datafile_fuzzers
  SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/fuzz
  BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz
  CMAKE_ARGS -DCMAKE_CXX_COMPILER=${ZINDLE_CLANGXX} -DZINDLE_SOURCE_DIR=${PROJECT_SOURCE_DIR}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON  # it follows the check's source itself
  USES_TERMINAL_BUILD ON)

set(ZINDLE_FUZZ_RUNS 20000)
foreach(target datafile_fuzz stream_fuzz)
  add_test(NAME ${target}
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/fuzz.sh ${CMAKE_BINARY_DIR} ${target} runs ${ZINDLE_FUZZ_RUNS})
  set_tests_properties(${target} PROPERTIES TIMEOUT 300)
endforeach()
