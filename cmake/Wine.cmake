# Runs the cross-built Windows programs and tests on this Linux machine under wine: every test
# executable, and gtest_discover_tests listing the tests, goes through a small script that runs
# wine in a prefix of its own under the build folder, without wine's own diagnostics. The prefix
# is made on the first run (about ten seconds).
find_program(DROVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine)
find_program(DROVANE_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine)
if(NOT DROVANE_WINE OR NOT DROVANE_WINESERVER)
  message(STATUS "wine not found: the Windows tests are built but cannot run here")
  return()
endif()
set(DROVANE_WINE_PREFIX ${PROJECT_BINARY_DIR}/wineprefix)
set(DROVANE_WINE_RUN ${PROJECT_BINARY_DIR}/wine-run)
file(CONFIGURE OUTPUT ${DROVANE_WINE_RUN} CONTENT [[#!/bin/sh
# Runs a Windows program under wine, in this build's own prefix.
export WINEPREFIX='@DROVANE_WINE_PREFIX@' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
# The first run makes the prefix; runs started meanwhile wait for it.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  flock "$WINEPREFIX.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] ||
    { "$0" wineboot --init >/dev/null 2>&1; "$1" -w; }' '@DROVANE_WINE@' '@DROVANE_WINESERVER@'
fi
exec '@DROVANE_WINE@' "$@"
]] @ONLY)
file(CHMOD ${DROVANE_WINE_RUN} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${DROVANE_WINE_RUN})
