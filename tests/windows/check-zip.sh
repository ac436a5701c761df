#!/usr/bin/env bash
# Builds the Windows zip with CPack, unpacks it and checks that it holds one folder with the three
# programs and drovane2xlsx.exe, the README, the licence as LICENSE.txt and a manual page as HTML
# for each of the three programs, nothing else, and that each program runs from there under wine
# with no DLL beside it.
#
# usage: check-zip.sh CPACK BUILD_DIR WINE_RUN
set -euo pipefail
cpack=$1
build=$2
wine_run=$3
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
command -v unzip >/dev/null || { echo "SKIP: unzip is not installed"; exit 77; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$cpack" -G ZIP --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.txt" 2>&1 ||
  { cat "$scratch/cpack.txt"; fail "cpack -G ZIP failed"; }
zips=("$scratch"/out/*.zip)
[[ ${#zips[@]} -eq 1 && -f ${zips[0]} ]] || fail "cpack made no single zip: ${zips[*]}"
zip=${zips[0]}
echo "== $(basename "$zip"), $(stat -c %s "$zip") bytes:"
unzip -l "$zip"

folder=$(basename "$zip" .zip)
expected="$folder/LICENSE.txt $folder/README.md $folder/drovane-plot.exe $folder/drovane-synth.exe $folder/drovane2csv.exe"
expected+=" $folder/drovane2xlsx.exe"
expected+=" $folder/manual/drovane-plot.html $folder/manual/drovane-synth.html $folder/manual/drovane-windows.html"
expected+=" $folder/manual/drovane2csv.html"
files=$(unzip -Z1 "$zip" | grep -v '/$' | sort | tr '\n' ' ')
[[ $files == "$expected " ]] || fail "the zip holds $files"

unzip -q "$zip" -d "$scratch/unpacked"
cd "$scratch/unpacked/$folder"
cmp -s LICENSE.txt "$(dirname "$0")/../../LICENSE" || fail "LICENSE.txt is not the licence"
for program in drovane2csv drovane-synth drovane-plot; do
  grep -q "<h2>NAME" "manual/$program.html" || fail "manual/$program.html is no manual page"
  grep -q "$program" "manual/$program.html" || fail "manual/$program.html does not name $program"
  "$wine_run" "./$program.exe" --help >help.txt 2>&1 || fail "$program.exe --help"
  grep -qi "usage\|options" help.txt || fail "$program.exe --help: $(head -3 help.txt)"
done
# drovane2xlsx.exe is drovane2csv.exe writing workbooks, described in drovane2csv's page.
"$wine_run" ./drovane2xlsx.exe --help >help.txt 2>&1 || fail "drovane2xlsx.exe --help"
grep -q -- "--xlsx" help.txt || fail "drovane2xlsx.exe --help: $(head -3 help.txt)"
for shell in "COMMAND PROMPT" POWERSHELL; do
  grep -q "<h2>$shell" manual/drovane-windows.html || fail "manual/drovane-windows.html has no section $shell"
done
echo "ok: $(basename "$zip") unpacks into programs that run, with the README, the licence and the manual"
