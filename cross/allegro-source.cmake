# The library's upstream source, which every cross build builds from,
# fetched once per build folder through apt from this machine's own package
# sources (allegro-source.sh) and checked against one digest. A cross build
# includes this file and takes:
#   ZINDLE_ALLEGRO_TARBALL  the tarball, in this build folder
#   ZINDLE_ALLEGRO_SHA256   its SHA-256
#   allegro_source          the target that fetches it; a build that unpacks
#                           the tarball depends on it, as the tarball's rule
#                           lives in the folder that included this file first
#   zindle_allegro_patches  a build's patches to the library, in the order
#                           of their names, and the patch step that applies them
# The two names are set for every includer; the rule and target only once.
set(ZINDLE_ALLEGRO_TARBALL ${CMAKE_BINARY_DIR}/cross/allegro4.4_4.4.3.1.orig.tar.gz)
set(ZINDLE_ALLEGRO_SHA256 ec19dbc9a021244582b4819b3583ee594b50141f9fcf6944a4ed8069cbf8d4d4)
include_guard(GLOBAL)

add_custom_command(
  OUTPUT ${ZINDLE_ALLEGRO_TARBALL}
  COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/allegro-source.sh ${ZINDLE_ALLEGRO_TARBALL} ${ZINDLE_ALLEGRO_SHA256}
  COMMENT "Fetching the library's source through apt"
  VERBATIM)
add_custom_target(allegro_source DEPENDS ${ZINDLE_ALLEGRO_TARBALL})

# zindle_allegro_patches(<folder> <patches> <commands>): the *.patch files in
# <folder>, sorted, and the commands to follow PATCH_COMMAND with.
function(zindle_allegro_patches folder patches_var commands_var)
  file(GLOB patches CONFIGURE_DEPENDS ${folder}/*.patch)
  list(SORT patches)
  set(commands)
  foreach(patch IN LISTS patches)
    list(APPEND commands COMMAND patch -p1 --quiet -i ${patch})
  endforeach()
  set(${patches_var} ${patches} PARENT_SCOPE)
  set(${commands_var} ${commands} PARENT_SCOPE)
endfunction()
