#!/usr/bin/env bash
# Cross-builds the unit tests for s390x (big-endian) and runs them under qemu-s390x, so that the
# byte-order code paths are built and tested too. Where the build has the option DROVANE_PORTABLE,
# it is turned on, so that the generic code paths (no SSE2, no byte-order shortcuts) are the ones
# tested. Needs g++-s390x-linux-gnu, qemu-user and googletest (its source).
#
#   tests/cross/s390x-unit-tests.sh [BUILD_DIR]      (default: build-s390x)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-s390x}
for tool in s390x-linux-gnu-g++ qemu-s390x; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

options=(-DCMAKE_TOOLCHAIN_FILE=cmake/s390x-linux-gnu.cmake -DDROVANE_WERROR=ON -DDROVANE_TOOLS=OFF)
if grep -q 'DROVANE_PORTABLE' CMakeLists.txt; then
  options+=(-DDROVANE_PORTABLE=ON)
else
  echo "note: this source has no DROVANE_PORTABLE option; the default code paths are built"
fi
cmake -S . -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j2 --target drovane_unit_tests drovane_platform_tests
status=0
for tests in drovane_unit_tests drovane_platform_tests; do
  echo "== $tests under qemu-s390x"
  qemu-s390x -L /usr/s390x-linux-gnu "$build/tests/$tests" --gtest_brief=1 || status=1
done
exit $status
