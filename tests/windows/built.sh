#!/bin/sh
# The Windows files as built: the game needs no DLL that Windows lacks, is
# stripped and keeps high-entropy ASLR; the library's build cut no pointer to
# 32 bits; and building the game, the zip and the installer again gives the
# same bytes.
#   built.sh <build> <game build> <library build log> <zip> <installer>
set -u
BUILD=$1 GAME_BUILD=$2 LIBRARY_LOG=$3 ZIP=$4 SETUP=$5 EXE=$2/zindle.exe
status=0
fail() { echo "$*"; status=1; }

headers=$(x86_64-w64-mingw32-objdump -p "$EXE")
for dll in $(printf '%s\n' "$headers" | sed -n 's/^\tDLL Name: //p' | tr A-Z a-z); do
  case $dll in
    kernel32.dll|user32.dll|gdi32.dll|comdlg32.dll|ole32.dll|msvcrt.dll|ddraw.dll|dsound.dll|dinput.dll|winmm.dll) ;;
    *) fail "zindle.exe needs $dll, which Windows does not bring" ;;
  esac
done
printf '%s\n' "$headers" | grep -q HIGH_ENTROPY_VA || fail "zindle.exe has no high-entropy ASLR"
x86_64-w64-mingw32-objdump -t "$EXE" | grep -q 'no symbols' || fail "zindle.exe is not stripped"
grep -E 'pointer-to-int-cast|int-to-pointer-cast' "$LIBRARY_LOG" && fail "the library cuts pointers to 32 bits"

before=$(sha256sum "$EXE" "$ZIP" "$SETUP")
cmake --build "$GAME_BUILD" --target clean >/dev/null
rm -f "$ZIP" "$SETUP"
cmake --build "$BUILD" --target zindle_windows >/dev/null || fail "the Windows files do not build again"
[ "$(sha256sum "$EXE" "$ZIP" "$SETUP")" = "$before" ] || fail "a second build differs: $before"
[ $status -eq 0 ] && echo "zindle.exe, the zip and the installer are as they should be, and the same again"
exit $status
