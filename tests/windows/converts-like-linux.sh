#!/usr/bin/env bash
# The Windows programs, run under wine, against the Linux build: synthesized drives (clean and
# damaged) converted in metric, -US, -v, -d and -D give the same CSV and the same standard error,
# byte for byte once the Linux text has CR LF line ends; a log piped to standard input converts
# the same; the error cases end with the Linux statuses and messages; two spellings of the input
# are one file; Ctrl+C leaves the previous CSV and no temporary file; drovane-plot draws a CR LF
# CSV as the Linux build draws the LF one.
#
#   converts-like-linux.sh WINE_RUN WINDOWS_BUILD LINUX_BUILD
set -euo pipefail
wine_run=$(realpath "$1")
windows=$(realpath "$2")
linux=$(realpath "$3")
readme=$(cd "$(dirname "$0")/../.." && pwd)/README.md
for program in "$linux/drovane2csv" "$linux/tools/synth/drovane-synth" "$linux/tools/plot/drovane-plot"; do
  [[ -x $program ]] || { echo "no Linux build at $linux (build it first): $program" >&2; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/linux" "$work/windows"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
crlf() { perl -pe 's/\n/\r\n/g' "$@"; }
# The banner's build date is the day each build was made.
undated() { sed -e 's/(build [A-Z][a-z][a-z] [ 0-9][0-9] [0-9]\{4\})/(build DATE)/'; }

"$linux/tools/synth/drovane-synth" --minutes 3 --seed 1 "$work/clean.bin" >/dev/null
"$linux/tools/synth/drovane-synth" --minutes 3 --seed 5 --damage 0.05 "$work/damaged.bin" >/dev/null
"$wine_run" "$windows/tools/synth/drovane-synth.exe" --minutes 3 --seed 5 --damage 0.05 "$work/windows/synth.bin" >/dev/null
cmp -s "$work/damaged.bin" "$work/windows/synth.bin" || fail "drovane-synth.exe writes another drive than the Linux build"
cp "$work/clean.bin" "$work/damaged.bin" "$work/linux/"
cp "$work/clean.bin" "$work/damaged.bin" "$work/windows/"

# Runs one command line in both folders, the same relative names in each; STATUS and the files
# linux.* and windows.* hold what each wrote.
both() {
  (cd "$work/linux" && set +e; "$linux/drovane2csv" "$@" >stdout.txt 2>stderr.txt </dev/null; echo $? >status.txt)
  (cd "$work/windows" && set +e; "$wine_run" "$windows/drovane2csv.exe" "$@" >stdout.txt 2>stderr.txt </dev/null
   echo $? >status.txt)
}
same_text() {  # LINUX_FILE WINDOWS_FILE: the Windows file is the Linux one with CR LF line ends
  cmp -s <(crlf "$work/linux/$1" | undated) <(undated <"$work/windows/$2")
}

printf '%-10s %-6s %8s %10s %10s  %s\n' drive mode status "CSV bytes" "stderr" "Windows = Linux, LF as CR LF"
for drive in clean damaged; do
  for mode in metric -US -v -d -D; do
    options=()
    [[ $mode == metric ]] || options=("$mode")
    both "${options[@]}" "$drive.bin" "$drive.csv"
    status=$(cat "$work/windows/status.txt")
    verdict=same
    [[ $status == "$(cat "$work/linux/status.txt")" ]] || verdict="status differs"
    same_text "$drive.csv" "$drive.csv" || verdict="CSV differs"
    same_text stderr.txt stderr.txt || verdict="stderr differs"
    printf '%-10s %-6s %8s %10s %10s  %s\n' "$drive" "$mode" "$status" "$(stat -c %s "$work/windows/$drive.csv")" \
      "$(stat -c %s "$work/windows/stderr.txt")" "$verdict"
    [[ $verdict == same ]] || fail "$drive $mode: $verdict"
  done
done

# Standard input carries bytes unchanged (a raw log holds CR LF pairs and 0x1A); standard output
# is a text stream.
(cd "$work/windows" && "$wine_run" "$windows/drovane2csv.exe" -q - - <damaged.bin >piped.csv 2>/dev/null) ||
  fail "a log on standard input"
cmp -s "$work/windows/piped.csv" "$work/windows/damaged.csv" || fail "a log on standard input converts otherwise"
# The prompt takes a name typed at the console, its line ended by CR LF.
mkdir "$work/windows/prompted"
cp "$work/damaged.bin" "$work/windows/prompted/"
(cd "$work/windows/prompted" && printf 'damaged.bin\r\n' | "$wine_run" "$windows/drovane2csv.exe" -q >prompt.txt 2>/dev/null) ||
  fail "a name typed at the prompt"
[[ $(cat "$work/windows/prompted/prompt.txt") == "Enter input filename: " ]] ||
  fail "the prompt: $(cat "$work/windows/prompted/prompt.txt")"
cmp -s "$work/windows/prompted/damaged.csv" "$work/windows/damaged.csv" || fail "a name typed at the prompt converts otherwise"

# Error cases: the Linux build's status and standard error.
for folder in linux windows; do
  (cd "$work/$folder" && mkdir -p logs sub && : >empty.bin && printf 'my notes\n' >notes.txt && cp clean.bin sub/trip.bin)
done
echo
printf '%-34s %6s  %s\n' "error case" status "last line of standard error (Windows)"
error_case() {  # TITLE ARGUMENTS...
  local title=$1
  shift
  both "$@"
  local verdict=""
  [[ $(cat "$work/windows/status.txt") == "$(cat "$work/linux/status.txt")" ]] || verdict="status differs"
  same_text stderr.txt stderr.txt || verdict="stderr differs"
  printf '%-34s %6s  %s %s\n' "$title" "$(cat "$work/windows/status.txt")" \
    "$(tail -n 1 "$work/windows/stderr.txt" | tr -d '\r')" "$verdict"
  [[ -z $verdict ]] || fail "$title: $verdict"
}
error_case "missing input" missing.bin
error_case "folder as input" logs
error_case "foreign file as output" clean.bin notes.txt
error_case "empty input" empty.bin
cmp -s "$work/windows/notes.txt" "$work/linux/notes.txt" || fail "the foreign file was touched"
[[ ! -e $work/windows/empty.csv && ! -e $work/windows/test_raw.csv ]] || fail "a CSV was left"
# The input under other spellings (case, "\" for "/"): one file on Windows.
for spelling in 'SUB\TRIP.BIN' 'sub/Trip.bin' '.\sub\trip.bin'; do
  (cd "$work/windows" && set +e; "$wine_run" "$windows/drovane2csv.exe" -q sub/trip.bin "$spelling" 2>stderr.txt
   echo $? >status.txt)
  printf '%-34s %6s  %s\n' "output is the input as $spelling" "$(cat "$work/windows/status.txt")" \
    "$(tr -d '\r' <"$work/windows/stderr.txt")"
  [[ $(cat "$work/windows/status.txt") == 255 &&
     $(cat "$work/windows/stderr.txt") == "*** FAIL: output file $spelling is the same file as the input"$'\r' ]] ||
    fail "the input spelt $spelling"
  cmp -s "$work/windows/sub/trip.bin" "$work/clean.bin" || fail "the input spelt $spelling was touched"
done

# Ctrl+C (wine passes SIGINT on as a console's Ctrl+C) while the converter waits for more input.
interrupted=$(
  cd "$work/windows" && cp clean.csv old.csv && mkfifo feed && exec 3<>feed
  "$wine_run" "$windows/drovane2csv.exe" - old.csv <feed 2>/dev/null &
  pid=$!
  cat clean.bin >&3
  for _ in $(seq 300); do ls -A | grep -q '^\.old\.csv\.' && break; sleep 0.1; done
  kill -INT $pid
  set +e
  wait $pid
  echo "status $?, files: $(ls -A | grep -c '^\.old\.csv\.' || true) temporary"
  rm feed
)
echo
echo "Ctrl+C while converting: $interrupted"
[[ $interrupted == "status 130, files: 0 temporary" ]] || fail "Ctrl+C: $interrupted"
cmp -s "$work/windows/old.csv" "$work/windows/clean.csv" || fail "Ctrl+C changed the previous CSV"

# drovane-plot reads a CR LF CSV; its picture and summary are the Linux ones (as text).
"$linux/tools/plot/drovane-plot" "$work/linux/damaged.csv" "$work/linux/damaged.svg" >"$work/linux/plot.txt"
(cd "$work/windows" && "$wine_run" "$windows/tools/plot/drovane-plot.exe" damaged.csv damaged.svg >plot.txt) ||
  fail "drovane-plot.exe"
sed -i "s|$work/linux/||" "$work/linux/plot.txt"
same_text damaged.svg damaged.svg || fail "drovane-plot.exe draws another picture"
same_text plot.txt plot.txt || fail "drovane-plot.exe sums up otherwise: $(cat "$work/windows/plot.txt")"
echo "drovane-plot.exe: $(tr -d '\r' <"$work/windows/plot.txt")"

# The README's folder loop, as written there, in wine's cmd, with the Windows programs on PATH.
folder=$work/windows/folder
mkdir -p "$folder/logs"
cp "$work/clean.bin" "$folder/logs/mon.bin"
cp "$work/damaged.bin" "$folder/logs/tue.bin"
: >"$folder/logs/empty.bin"
printf 'not a log' >"$folder/logs/wed.bin"
cp "$folder/logs/wed.bin" "$folder/logs/wed.csv"
awk '/^```bat$/ { inside = 1; next } /^```$/ { inside = 0 } inside' "$readme" | perl -pe 's/\n/\r\n/' \
  >"$folder/convert-folder.cmd"
(cd "$folder" && set +e; WINEPATH="Z:${windows//\//\\}" \
  "$wine_run" cmd /c convert-folder.cmd logs >loop.out 2>loop.err; echo $? >loop.status)
loop="status $(cat "$folder/loop.status"): $(tr -d '\r' <"$folder/loop.err" | tr '\n' ';')"
echo "README's folder loop in wine's cmd: $loop"
[[ $loop == "status 1: nothing to convert: logs\empty.bin;failed: logs\wed.bin;" ]] || fail "the folder loop: $loop"
cmp -s "$folder/logs/mon.csv" "$work/windows/clean.csv" || fail "the folder loop converts mon.bin otherwise"
cmp -s "$folder/logs/tue.csv" "$work/windows/damaged.csv" || fail "the folder loop converts tue.bin otherwise"
grep -q "exists and is not a CSV file" "$folder/logs/wed.bin.log" || fail "the folder loop keeps no messages"

echo
if ((failures > 0)); then
  echo "$failures failures"
  exit 1
fi
echo "The Windows build converts as the Linux build does."
