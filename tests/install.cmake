# The game as installed: `cmake --install` into a scratch prefix, checked by
# the desktop's own validators and played through its launcher, and the
# Debian package built from this tree by Debian's tools. Nothing is installed
# into the system.
set(ZINDLE_INSTALL_PREFIX ${CMAKE_BINARY_DIR}/install-test)
add_test(NAME install_into_scratch_prefix
  COMMAND sh -c "rm -rf \"$0\" && \"$1\" --install \"$2\" --prefix \"$0\" >/dev/null"
          ${ZINDLE_INSTALL_PREFIX} ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR})
set_tests_properties(install_into_scratch_prefix PROPERTIES FIXTURES_SETUP installed)

add_test(NAME install_passes_the_validators
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/install/validate.sh
          ${ZINDLE_INSTALL_PREFIX} ${ZINDLE_APP_ID} ${PROJECT_VERSION} ${ZINDLE_ICON_SIZES})
set_tests_properties(install_passes_the_validators PROPERTIES FIXTURES_REQUIRED installed)

add_executable(install_tests program/install_test.cpp)
target_compile_definitions(install_tests PRIVATE
  ZINDLE_INSTALL_PREFIX="${ZINDLE_INSTALL_PREFIX}" ZINDLE_APP_ID="${ZINDLE_APP_ID}")
target_link_libraries(install_tests PRIVATE program_harness GTest::gtest_main)
gtest_discover_tests(install_tests DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0" TIMEOUT 180 FIXTURES_REQUIRED installed)

# Two package builds from source, each with its own tests: the longest here.
# Where the suite makes releases, the current release's is the first.
if(ZINDLE_RELEASES)
  add_test(NAME package_is_complete_and_reproducible
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/install/package.sh
            ${PROJECT_SOURCE_DIR} ${ZINDLE_RELEASES}/current-work/package ${ZINDLE_APP_ID} ${ZINDLE_ICON_SIZES})
  set_tests_properties(package_is_complete_and_reproducible PROPERTIES FIXTURES_REQUIRED releases)
else()
  add_test(NAME package_is_complete_and_reproducible
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/install/package.sh
            ${PROJECT_SOURCE_DIR} - ${ZINDLE_APP_ID} ${ZINDLE_ICON_SIZES})
endif()
set_tests_properties(package_is_complete_and_reproducible PROPERTIES TIMEOUT 600)
