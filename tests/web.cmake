# The browser build: its folder and zip checked as built, and the game played
# from that folder, served as it is by a plain local server, in three
# engines: headless Chromium, headless Firefox, and WebKitGTK's MiniBrowser
# in a virtual X server.
if(NOT ZINDLE_WEB)
  return()
endif()

add_test(NAME web_files_are_small_and_reproducible
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/web/built.sh ${CMAKE_BINARY_DIR} ${ZINDLE_WEB_SITE} ${ZINDLE_WEB_ZIP})
# It builds the files again, so no browser plays them meanwhile.
set_tests_properties(web_files_are_small_and_reproducible PROPERTIES TIMEOUT 300 RESOURCE_LOCK web_files)

# The pictures the canvas must show, from the host's datafiles. Building the
# tests builds the browser's folder too.
set(ZINDLE_WEB_PICTURES ${CMAKE_CURRENT_BINARY_DIR}/web-pictures)
add_executable(web_pictures web/web_pictures.cpp)
target_link_libraries(web_pictures PRIVATE program_harness)
add_dependencies(web_pictures zindle_web)
add_test(NAME web_pictures
  COMMAND sh -c "mkdir -p \"$1\" && \"$0\" \"$2\" \"$1\"" $<TARGET_FILE:web_pictures>
          ${ZINDLE_WEB_PICTURES} ${CMAKE_BINARY_DIR})
set_tests_properties(web_pictures PROPERTIES FIXTURES_SETUP web_pictures)

# The game played in each engine, the same journeys in each.
foreach(engine chromium firefox webkit)
  add_test(NAME web_game_${engine} COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/web/web_test.py ${engine})
  set_tests_properties(web_game_${engine} PROPERTIES
    ENVIRONMENT "ZINDLE_WEB_SITE=${ZINDLE_WEB_SITE};ZINDLE_WEB_PICTURES=${ZINDLE_WEB_PICTURES}"
    FIXTURES_REQUIRED web_pictures RESOURCE_LOCK web_files TIMEOUT 300)
endforeach()

# A first visit: the progress bar, failed downloads tried again, the checked
# program walked through every rest, and Lighthouse on a phone (npm's, which
# ./run.sh test installs beside the tests).
add_test(NAME web_first_visit COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/web/first_visit_test.py)
set_tests_properties(web_first_visit PROPERTIES
  ENVIRONMENT "ZINDLE_WEB_SITE=${ZINDLE_WEB_SITE};ZINDLE_WEB_CHECKED=${CMAKE_BINARY_DIR}/web/game"
  RESOURCE_LOCK web_files TIMEOUT 600)

# A returning player's updates: the tree's release and the next one, which
# the releases fixture builds once per run (release.cmake, with the Windows
# build too), served in turn.
if(ZINDLE_RELEASES)
  add_test(NAME web_update COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/web/update_test.py)
  set_tests_properties(web_update PROPERTIES
    ENVIRONMENT "ZINDLE_RELEASES=${ZINDLE_RELEASES}" FIXTURES_REQUIRED releases TIMEOUT 300)
endif()
