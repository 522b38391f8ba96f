# Runs at install time: copies FROM to TO with every %PREFIX% replaced by the
# install prefix as it is now.
file(READ "${FROM}" text)
string(REPLACE "%PREFIX%" "${CMAKE_INSTALL_PREFIX}" text "${text}")
file(WRITE "${TO}" "${text}")
