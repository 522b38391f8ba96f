# Datafiles of art the tests make themselves, packed by the library's own
# `dat` under every compression (-c), strip level (-s) and colour depth
# (-bpp) it offers: the game must start with any well-formed pair.
add_executable(foreign_art
  foreign/foreign_art_main.cpp
  foreign/foreign_pictures.cpp
  foreign/foreign_tune.cpp)
target_link_libraries(foreign_art PRIVATE PkgConfig::ALLEGRO)
# The clearing sound: a falling square-wave chirp, 8-bit mono, a layout the
# game's own 16-bit sound does not use. -R seeds sox's dither the same every
# time, so the datafiles, the fuzzing's seeds, keep their bytes.
find_program(FOREIGN_SOX sox REQUIRED)

# Four packings in which every value of each option appears.
set(FOREIGN_PACKINGS c0-s0-bpp15 c1-s1-bpp16 c2-s2-bpp24 c1-s0-bpp32)
set(FOREIGN_DIR ${CMAKE_BINARY_DIR}/foreign)
set(FOREIGN_ART_FILES
  edge_right.bmp edge_top.bmp edge_bottom.bmp edge_left.bmp
  corner_top_left.bmp corner_top_right.bmp corner_bottom_left.bmp corner_bottom_right.bmp
  block1.bmp block2.bmp block3.bmp block4.bmp block5.bmp block6.bmp
  play_backdrop.bmp title_overlay.bmp tune.mid chirp.wav
  menu_backdrop.bmp menu_overlay.bmp help_overlay.bmp)
set(FOREIGN_PACK ${CMAKE_CURRENT_SOURCE_DIR}/foreign/pack.sh)

# Full-size pairs start the game in the test below; the tiny pairs, listed
# in FOREIGN_TINY_DIRS, are small seeds for fuzzing the datafile check.
set(FOREIGN_DATAFILES)
set(FOREIGN_TINY_DIRS)
foreach(size full tiny)
  set(art_dir ${FOREIGN_DIR}/art-${size})
  if(size STREQUAL "tiny")
    set(seconds 0.004)
  else()
    set(seconds 0.25)
  endif()
  list(TRANSFORM FOREIGN_ART_FILES PREPEND ${art_dir}/ OUTPUT_VARIABLE art)
  add_custom_command(
    OUTPUT ${art}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${art_dir}
    COMMAND foreign_art ${art_dir} ${size}
    COMMAND ${FOREIGN_SOX} -R -n -r 11025 -e unsigned-integer -b 8 -c 1 ${art_dir}/chirp.wav
            synth ${seconds} square 1200-300 fade 0 ${seconds} ${seconds} vol 0.8
    DEPENDS foreign_art
    COMMENT "Drawing the foreign test art (${size})"
    VERBATIM)
  foreach(packing IN LISTS FOREIGN_PACKINGS)
    if(NOT packing MATCHES "^c([0-2])-s([0-2])-bpp(15|16|24|32)$")
      message(FATAL_ERROR "foreign packing ${packing} is not c<0-2>-s<0-2>-bpp<15|16|24|32>")
    endif()
    set(out ${FOREIGN_DIR}/${packing})
    if(size STREQUAL "tiny")
      set(out ${FOREIGN_DIR}/tiny-${packing})
      list(APPEND FOREIGN_TINY_DIRS ${out})
    endif()
    add_custom_command(
      OUTPUT ${out}/tiles.dat ${out}/stuff.dat
      COMMAND sh ${FOREIGN_PACK} ${ZINDLE_DAT} ${art_dir} ${out}
              ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3}
      DEPENDS ${art} ${FOREIGN_PACK}
      COMMENT "Packing the foreign ${size} datafiles ${packing}"
      VERBATIM)
    list(APPEND FOREIGN_DATAFILES ${out}/tiles.dat ${out}/stuff.dat)
  endforeach()
endforeach()
add_custom_target(foreign_datafiles ALL DEPENDS ${FOREIGN_DATAFILES})

string(REPLACE ";" "," packings "${FOREIGN_PACKINGS}")
add_executable(foreign_tests foreign/foreign_test.cpp)
target_include_directories(foreign_tests PRIVATE foreign)
target_compile_definitions(foreign_tests PRIVATE
  FOREIGN_DIR="${FOREIGN_DIR}" FOREIGN_PACKINGS="${packings}")
target_link_libraries(foreign_tests PRIVATE program_harness GTest::gtest_main)
add_dependencies(foreign_tests foreign_datafiles)
# As for game_tests: the game keeps its data to the end by design.
gtest_discover_tests(foreign_tests DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0" TIMEOUT 180)
