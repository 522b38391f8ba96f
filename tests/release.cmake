# Releases as a maintainer makes them, for the tests of installed copies
# taking the next version: the tree's own version and the next, made once
# per run of the suite from a copy of the tree with a new entry on
# debian/changelog, signed with a key of the tests' own, in
# releases/current and releases/next. The current one takes this build's
# Windows and browser downloads, and the next reuses its libraries.
if(NOT ZINDLE_WINDOWS OR NOT ZINDLE_WEB)
  return()
endif()
math(EXPR ZINDLE_NEXT_PATCH "${PROJECT_VERSION_PATCH} + 1")
set(ZINDLE_NEXT_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${ZINDLE_NEXT_PATCH})
set(ZINDLE_RELEASES ${CMAKE_BINARY_DIR}/releases)

add_test(NAME releases_are_complete_and_signed
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/release/releases.sh ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR}
          ${ZINDLE_RELEASES} ${ZINDLE_NEXT_VERSION})
# It builds this folder's downloads again, so nothing plays them meanwhile.
set_tests_properties(releases_are_complete_and_signed PROPERTIES
  FIXTURES_SETUP releases RESOURCE_LOCK "windows_files;web_files" TIMEOUT 900)

# Installed from the APT repository, into this machine, and upgraded from it.
add_test(NAME apt_takes_the_next_release
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/release/apt_upgrade.sh ${ZINDLE_RELEASES} ${PROJECT_VERSION}
          ${ZINDLE_NEXT_VERSION})
set_tests_properties(apt_takes_the_next_release PROPERTIES FIXTURES_REQUIRED releases TIMEOUT 300)
