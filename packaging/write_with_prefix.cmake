# Runs at install time: installs FROM as NAME in DESTINATION (under the prefix)
# with every %PREFIX% replaced by the install prefix as it is now. The copy
# it installs from has a name of its own, so installs into two prefixes at
# once cannot mix their files.
file(READ "${FROM}" text)
string(REPLACE "%PREFIX%" "${CMAKE_INSTALL_PREFIX}" text "${text}")
string(RANDOM LENGTH 12 tag)
set(copy "${WORK}/${NAME}.${tag}")
file(WRITE "${copy}" "${text}")
file(INSTALL "${copy}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${DESTINATION}" RENAME "${NAME}")
file(REMOVE "${copy}")
