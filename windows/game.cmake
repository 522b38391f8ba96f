# The game for 64-bit Windows: the same sources as on Linux but for the
# platform file, cross-compiled with toolchain.cmake against the library that
# windows/CMakeLists.txt builds from source, which hands in the two inputs
# below. A resource script gives the executable its icon and version.
enable_language(RC)
set(ZINDLE_ALLEGRO_DIR "" CACHE PATH "Where the library built for Windows is installed")
set(ZINDLE_ICO "" CACHE FILEPATH "The game's icon, a Windows .ico file")
set(ZINDLE_ALLEGRO_LIBRARY ${ZINDLE_ALLEGRO_DIR}/lib/liballeg.a)
foreach(input ZINDLE_ALLEGRO_LIBRARY ZINDLE_ICO)
  if(NOT EXISTS "${${input}}")
    message(FATAL_ERROR "${input} names no file: '${${input}}'")
  endif()
endforeach()

configure_file(windows/zindle.rc.in zindle.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/zindle.rc PROPERTIES OBJECT_DEPENDS ${ZINDLE_ICO})

add_executable(zindle WIN32 ${ZINDLE_GAME_SOURCES} src/zindle_main.cpp src/platform_windows.cpp
               ${CMAKE_CURRENT_BINARY_DIR}/zindle.rc)
target_include_directories(zindle PRIVATE include ${ZINDLE_ALLEGRO_DIR}/include)
# Without it the library's headers expect it as a DLL.
target_compile_definitions(zindle PRIVATE ALLEGRO_STATICLINK)
target_link_libraries(zindle PRIVATE ${ZINDLE_ALLEGRO_LIBRARY}
  kernel32 user32 gdi32 comdlg32 ole32 dinput ddraw dxguid winmm dsound)
# Only system DLLs at run time: the C++ and GCC runtimes are linked in.
# Stripped, and without the link's time stamp, so two builds give the same
# bytes; high-entropy ASLR stays on, as the linker sets it.
target_link_options(zindle PRIVATE -static -s -Wl,--no-insert-timestamp)
set_target_properties(zindle PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
