# Tests of the artwork, the tune and the clearing sound in the built datafiles.
set(ZINDLE_DATA_DIR ${CMAKE_BINARY_DIR})

add_executable(artwork_tests artwork/datafiles_test.cpp artwork/sounds_test.cpp)
target_include_directories(artwork_tests PRIVATE ${PROJECT_SOURCE_DIR}/include)
target_compile_definitions(artwork_tests PRIVATE ZINDLE_DATA_DIR="${ZINDLE_DATA_DIR}")
target_link_libraries(artwork_tests PRIVATE PkgConfig::ALLEGRO GTest::gtest GTest::gtest_main)
add_dependencies(artwork_tests zindle_data)
gtest_discover_tests(artwork_tests DISCOVERY_MODE PRE_TEST)

# Generating and packing twice gives the same bytes as the build.
add_test(NAME artwork_deterministic
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/artwork/deterministic.sh
          $<TARGET_FILE:zindle_generate> ${PROJECT_SOURCE_DIR}/data/pack.sh
          ${ZINDLE_DAT} ${ZINDLE_PAT2DAT} ${ZINDLE_SOUNDFONT} ${ZINDLE_DATA_DIR})

# The tune is heard through the library's software synthesiser. The probe
# sits beside patches.dat, where the library looks for it, as the game does.
add_executable(zindle_tune_probe artwork/tune_probe.cpp)
target_include_directories(zindle_tune_probe PRIVATE ${PROJECT_SOURCE_DIR}/include)
target_link_libraries(zindle_tune_probe PRIVATE PkgConfig::ALLEGRO)
set_target_properties(zindle_tune_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ZINDLE_DATA_DIR})
add_dependencies(zindle_tune_probe zindle_data)
add_test(NAME artwork_tune_is_heard
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/artwork/tune_heard.sh $<TARGET_FILE:zindle_tune_probe> ${ZINDLE_DATA_DIR})
set_tests_properties(artwork_tune_is_heard PROPERTIES TIMEOUT 120)
