#!/usr/bin/env bash
# The Windows programs, run under wine, against the Linux build: synthesized drives (clean and
# damaged) converted in metric, -US, -UK, -v, -d, -D, --hold, -q, -j 1 and -j 2 give the same CSV and the same standard error,
# byte for byte once the Linux text has CR LF line ends; a log piped to standard input converts
# the same; the error cases end with the Linux statuses and messages; two spellings of the input
# are one file; Ctrl+C leaves the previous CSV and no temporary file; drovane-plot draws a CR LF
# CSV as the Linux build draws the LF one. Then Windows' own habits: Greek, Cyrillic and accented
# names of logs, CSVs, pictures and folders, given and typed, each converting the file named (and
# "α.bin" never its best fit "a.bin"); quoted typed names; *.bin and /?; a CSV held open by another
# program, read-only and hidden CSVs; a path longer than 260 characters; the version resource and
# manifest of each program; the workbook of --xlsx and drovane2xlsx.exe.
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
  for mode in metric -US -UK -v -d -D --hold -q -j1 -j2; do
    options=()
    [[ $mode == metric ]] || options=("$mode")
    [[ $mode != -j? ]] || options=(-j "${mode#-j}")
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

# The progress line on wine's console, under a pseudo-terminal: 2 GiB of zeros before a drive take
# the conversion past the second after which the line shows. wine's console redraws its screen
# with escape sequences of its own, so only the line's text is looked for, not its wipe.
if command -v script >/dev/null; then
  truncate -s 2G "$work/windows/long.bin"
  cat "$work/clean.bin" >>"$work/windows/long.bin"
  (cd "$work/windows" && script -qec "'$wine_run' '$windows/drovane2csv.exe' -j 1 long.bin long.csv" /dev/null \
    </dev/null >terminal.txt 2>&1) || fail "the conversion under a terminal failed"
  plain=$(perl -pe 's/\e\[[^a-zA-Z]*[a-zA-Z]//g' "$work/windows/terminal.txt")
  if grep -aqE -- '--- [0-9]+% read, [0-9]+\.[0-9] MB/s, [0-9]+ rows' <<<"$plain" &&
    grep -aq -- '--- wrote 1800 rows to long.csv' <<<"$plain"; then
    echo "progress line on wine's console: drawn"
  else
    fail "no progress line on wine's console: $(tr -d '\r' <<<"$plain" | tail -n 3)"
  fi
  rm -f "$work/windows/long.bin" "$work/windows/long.csv"
fi
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
# A folder name with a space, "&" and parentheses.
folder=$work/windows/folder
logs="$folder/R&D logs (2024)"
mkdir -p "$logs"
cp "$work/clean.bin" "$logs/mon.bin"
cp "$work/damaged.bin" "$logs/tué.bin"
: >"$logs/empty.bin"
printf 'not a log' >"$logs/wed.bin"
cp "$logs/wed.bin" "$logs/wed.csv"
awk '/^```bat$/ { inside = 1; next } /^```$/ { inside = 0 } inside' "$readme" | perl -pe 's/\n/\r\n/' \
  >"$folder/convert-folder.cmd"
(cd "$folder" && set +e; WINEPATH="Z:${windows//\//\\}" \
  "$wine_run" cmd /c convert-folder.cmd "R&D logs (2024)" >loop.out 2>loop.err; echo $? >loop.status)
loop="status $(cat "$folder/loop.status"): $(tr -d '\r' <"$folder/loop.err" | tr '\n' ';')"
echo "README's folder loop in wine's cmd: $loop"
[[ $loop == "status 1: nothing to convert: R&D logs (2024)\empty.bin;failed: R&D logs (2024)\wed.bin;" ]] ||
  fail "the folder loop: $loop"
cmp -s "$logs/mon.csv" "$work/windows/clean.csv" || fail "the folder loop converts mon.bin otherwise"
cmp -s "$logs/tué.csv" "$work/windows/damaged.csv" || fail "the folder loop converts tué.bin otherwise"
grep -q "exists and is not a CSV file" "$logs/wed.bin.log" || fail "the folder loop keeps no messages"

# Names in every script, given and typed, each converting exactly the file named: beside a.bin,
# α.bin (whose best fit in code page 1252 is "a"), я.bin and café.bin, in a folder über.
names=$work/windows/names
mkdir -p "$names/über" "$names/Trip dir"
cp "$work/clean.bin" "$names/a.bin"
for name in α.bin я.bin café.bin 'über\Ωmega.bin' 'Trip dir\Trip 1.bin'; do cp "$work/damaged.bin" "$names/${name//\\//}"; done
habit() {  # TITLE EXPECTED COMMAND...: runs COMMAND in $names; its status and standard error's last
  # line, or its status alone when EXPECTED is no more than "status N: "
  local title=$1 expected=$2
  shift 2
  local got
  got=$(cd "$names" && set +e; "$@" 2>err.txt >out.txt; echo "status $?: $(tail -n 1 err.txt | tr -d '\r')")
  printf '%-44s %s\n' "$title" "$got"
  [[ $got == "$expected" || ($expected == "status "*": " && $got == "$expected"*) ]] ||
    fail "$title: $got, not $expected"
}
converter=("$wine_run" "$windows/drovane2csv.exe")
habit "given α.bin beside a.bin" "status 0: --- wrote 1799 rows to α.csv" "${converter[@]}" α.bin
habit "given я.bin and Ωmega.csv in über" "status 0: --- wrote 1799 rows to über\Ωmega.csv" "${converter[@]}" я.bin 'über\Ωmega.csv'
habit "typed café.bin" "status 0: " sh -c 'printf "café.bin\r\n" | "$@" -q' - "${converter[@]}"
habit "typed in quotes" "status 0: " sh -c 'printf "\"über\\\\Ωmega.bin\"\r\n" | "$@" -q' - "${converter[@]}"
habit "typed with a space, in quotes" "status 0: " sh -c 'printf "\"Trip dir\\\\Trip 1.bin\"\r\n" | "$@" -q' - "${converter[@]}"
for csv in α.csv café.csv über/Ωmega.csv 'Trip dir/Trip 1.csv'; do
  cmp -s "$names/$csv" "$work/windows/damaged.csv" || fail "$csv is not the conversion of its log"
done
[[ ! -e $names/a.csv ]] || fail "a.csv, the best fit of α.csv, was written"
habit "a missing ω.bin" "status 255: *** FAIL: opening input file ω.bin: No such file or directory" \
  "${converter[@]}" -q ω.bin
mkdir "$names/two"
cp "$work/clean.bin" "$names/two/mon.bin"
cp "$work/clean.bin" "$names/two/tué.bin"
habit "two\*.bin (mon.bin tué.bin)" \
  "status 255: *** FAIL: the second name was taken for the output file; to convert several logs, run the converter once a log (see the folder recipe in drovane2csv(1))" \
  "${converter[@]}" -q 'two\*.bin'
habit "a pattern that matches nothing" "status 255: *** FAIL: opening input file x*.bin: No such file or directory" \
  "${converter[@]}" -q 'x*.bin'
habit "/? is the help" "status 0: " "${converter[@]}" '/?'
grep -q '^command line options: ' "$names/out.txt" || fail "/? shows no help"
# drovane-plot and drovane-synth with such names.
habit "drovane-plot über\Ωmega.csv" "status 0: " "$wine_run" "$windows/tools/plot/drovane-plot.exe" 'über\Ωmega.csv'
[[ -s $names/über/Ωmega.svg && $(cut -d: -f1 "$names/out.txt") == 'über\Ωmega.svg' ]] ||
  fail "drovane-plot names its picture otherwise: $(cat "$names/out.txt")"
habit "drovane-synth señal.bin" "status 0: " "$wine_run" "$windows/tools/synth/drovane-synth.exe" --minutes 1 señal.bin
[[ -s $names/señal.bin && $(head -n 1 "$names/out.txt") == "drovane-synth: señal.bin: "* ]] ||
  fail "drovane-synth names its log otherwise: $(cat "$names/out.txt")"

# A CSV held open by another program, shared with nobody (as Excel holds it), with and without -f;
# then read-only, with -f; nothing changes and nothing is left.
cp "$names/α.csv" "$names/α.kept"
mkfifo "$names/hold"
"$wine_run" "$windows/tests/windows/drovane_hold_file.exe" "$names/α.csv" <"$names/hold" >"$names/held.txt" &
exec 3>"$names/hold"
for _ in $(seq 100); do grep -q held "$names/held.txt" && break; sleep 0.1; done
in_use="status 255: *** FAIL: opening output file α.csv: File in use by another program; close it there and try again"
habit "α.csv held open by another program" "$in_use" "${converter[@]}" -q α.bin
habit "α.csv held open, with -f" "$in_use" "${converter[@]}" -q -f α.bin
exec 3>&-
wait
(cd "$names" && "$wine_run" attrib +r α.csv)
habit "α.csv read-only, with -f" \
  "status 255: *** FAIL: opening output file α.csv: File is read-only; clear its read-only attribute to have it replaced" \
  "${converter[@]}" -q -f α.bin
(cd "$names" && "$wine_run" attrib -r α.csv && "$wine_run" attrib +h α.csv)
cmp -s "$names/α.csv" "$names/α.kept" || fail "the held or read-only α.csv was changed"
habit "α.csv hidden" "status 0: " "${converter[@]}" -q α.bin
hidden=$(cd "$names" && "$wine_run" attrib α.csv | tr -d '\r')
[[ ${hidden:0:12} == *H* ]] || fail "α.csv lost its hidden attribute: $hidden"
[[ -z $(cd "$names" && ls -A | grep '^\.') ]] || fail "a temporary file was left: $(ls -A "$names")"
# A hard-linked CSV: its names go on sharing one file, which an empty log leaves as it was and a
# good one is written into at the end.
mkdir "$names/linked"
cp "$work/windows/damaged.csv" "$names/linked/trip.csv"
ln "$names/linked/trip.csv" "$names/linked/other.csv"
: >"$names/linked/empty.bin"
habit "a hard-linked CSV, an empty log" "status 1: *** ERROR: unable to read file" \
  "${converter[@]}" -q 'linked\empty.bin' 'linked\trip.csv'
cmp -s "$names/linked/other.csv" "$work/windows/damaged.csv" || fail "the empty log changed a hard-linked CSV"
habit "a hard-linked CSV, a good log" "status 0: " "${converter[@]}" -q α.bin 'linked\trip.csv'
cmp -s "$names/linked/other.csv" "$names/α.csv" && [[ $names/linked/trip.csv -ef $names/linked/other.csv ]] ||
  fail "the hard-linked CSV's names do not share the new CSV"
[[ -z $(ls -A "$names/linked" | grep '^\.') ]] || fail "a temporary file was left: $(ls -A "$names/linked")"
# A path longer than 260 characters.
long=$(printf 'folder-%.0s' $(seq 20))/$(printf 'ordner-%.0s' $(seq 20))
mkdir -p "$names/$long"
cp "$work/damaged.bin" "$names/$long/trip.bin"
habit "a path of ${#long} characters and more" "status 0: " "${converter[@]}" -q "${long//\//\\}\\trip.bin"
cmp -s "$names/$long/trip.csv" "$work/windows/damaged.csv" || fail "the long path converts otherwise"

# The workbook of a damaged drive: through --xlsx and through drovane2xlsx.exe (the program a
# log is dropped on), under a Greek name too, every cell of every sheet as in the Linux build's
# workbook (openpyxl reads them); held open by another program, as Excel holds it, it is in use;
# Ctrl+C while it is written leaves no workbook, and any scratch file left goes with the next run.
same_cells() {  # WORKBOOK OTHER...: each OTHER holds the cells of WORKBOOK
  /usr/bin/python3 - "$@" <<'PYTHON'
import sys
import openpyxl

def cells(path):
    book = openpyxl.load_workbook(path, read_only=True)
    sheets = {name: [tuple(row) for row in book[name].iter_rows(values_only=True)] for name in book.sheetnames}
    book.close()
    return sheets

first = cells(sys.argv[1])
for other in sys.argv[2:]:
    if cells(other) != first:
        sys.exit(f"{other} holds other cells than {sys.argv[1]}")
print(f"sheets {', '.join(first)}: {sum(map(len, first.values()))} rows, the same cells in each workbook")
PYTHON
}
if [[ -x $windows/drovane2xlsx.exe ]]; then
  both -US --xlsx damaged.bin damaged.xlsx
  [[ $(cat "$work/windows/status.txt") == 0 && $(cat "$work/linux/status.txt") == 0 ]] || fail "--xlsx failed"
  same_text stderr.txt stderr.txt || fail "--xlsx: stderr differs"
  cp "$work/damaged.bin" "$names/β.bin"
  habit "drovane2xlsx.exe -US β.bin" "status 0: --- wrote 1799 rows to β.xlsx" \
    "$wine_run" "$windows/drovane2xlsx.exe" -US β.bin
  same_cells "$work/linux/damaged.xlsx" "$work/windows/damaged.xlsx" "$names/β.xlsx" || fail "the workbooks differ"
  cmp -s "$work/linux/damaged.xlsx" "$work/windows/damaged.xlsx" && echo "and the same bytes"
  cp "$names/β.xlsx" "$names/β.kept"
  "$wine_run" "$windows/tests/windows/drovane_hold_file.exe" "$names/β.xlsx" <"$names/hold" >"$names/held.txt" &
  exec 3>"$names/hold"
  for _ in $(seq 100); do grep -q held "$names/held.txt" && break; sleep 0.1; done
  habit "β.xlsx held open by another program" \
    "status 255: *** FAIL: opening output file β.xlsx: File in use by another program; close it there and try again" \
    "$wine_run" "$windows/drovane2xlsx.exe" -q β.bin
  exec 3>&-
  wait
  cmp -s "$names/β.xlsx" "$names/β.kept" || fail "the held β.xlsx was changed"
  temp=$(find "$windows/wineprefix/drive_c/users" -maxdepth 2 -name Temp -type d -print -quit)
  left=$(find "$temp" -name 'drovane-scratch.*')
  [[ -z $left ]] || fail "a scratch file was left in the temporary folder: $left"
  # Ctrl+C while the library writes the zip into the scratch file, which it holds open: the file is
  # left and said to be, and the next run removes it.
  "$linux/tools/synth/drovane-synth" --minutes 60 --seed 3 "$names/hour.bin" >/dev/null
  (cd "$names" && set +e; "$wine_run" "$windows/drovane2xlsx.exe" -q hour.bin 2>err.txt & pid=$!
   for _ in $(seq 1000); do [[ -z $(find "$temp" -name 'drovane-scratch.*' -size +0) ]] || break; sleep 0.02; done
   pkill -INT -f drovane2xlsx.exe
   wait $pid
   echo $? >"$names/status.txt")
  left=$(find "$temp" -name 'drovane-scratch.*')
  printf '%-44s status %s: %s\n' "Ctrl+C while the zip is written" "$(cat "$names/status.txt")" "${left:+scratch file left and reported}"
  if [[ $(cat "$names/status.txt") == 130 ]]; then
    [[ -z $left ]] || grep -q "temporary file .*drovane-scratch.* could not be removed" "$names/err.txt" ||
      fail "the scratch file left by Ctrl+C was not reported"
    [[ ! -e $names/hour.xlsx ]] || fail "Ctrl+C left hour.xlsx"
    habit "the next run" "status 0: " "$wine_run" "$windows/drovane2xlsx.exe" -q -f β.bin
    [[ -z $(find "$temp" -name 'drovane-scratch.*') ]] || fail "the next run did not remove the scratch file left behind"
  else
    echo "(the run ended before it could be interrupted; not checked)"
  fi
else
  fail "the Windows build has no drovane2xlsx.exe: its workbook was left out"
fi

# Each program's version resource and manifest.
version=$(sed -n 's/^project(drovane2csv VERSION \([0-9.]*\).*/\1/p' "$(dirname "$readme")/CMakeLists.txt")
for program in drovane2csv drovane2xlsx tools/synth/drovane-synth tools/plot/drovane-plot; do
  resources=$(x86_64-w64-mingw32-windres -i "$windows/$program.exe" -O rc 2>/dev/null || true)
  for wanted in "\"FileVersion\", \"$version\"" '"LegalCopyright", "Copyright (c)' '"FileDescription", "' \
    '<longPathAware' '>UTF-8</activeCodePage>'; do
    grep -qF "$wanted" <<<"$resources" || fail "$program.exe has no $wanted"
  done
done
echo "version resources and manifests: checked"

echo
if ((failures > 0)); then
  echo "$failures failures"
  exit 1
fi
echo "The Windows build converts as the Linux build does."
