#!/usr/bin/env bash
# Makes the default sample a new user sees first: synthesizes a ten-minute drive into test_raw.bin,
# converts it the way the converter is run by hand with no arguments (Enter at its prompt takes
# the default test_raw.bin, and the output name follows from it), then shows the start of the CSV.
#
# usage: run-sample.sh SYNTH CONVERTER [FOLDER]   (FOLDER defaults to the top of the source tree)
set -euo pipefail

if [[ $# -lt 2 ]]; then
    echo "usage: $0 SYNTH CONVERTER [FOLDER]" >&2
    exit 2
fi
synth=$1
converter=$2
folder=${3:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$folder"

echo "== drovane-synth --minutes 10 --seed 1 --force test_raw.bin"
"$synth" --minutes 10 --seed 1 --force test_raw.bin
echo
echo "== drovane2csv, run with no arguments; Enter at its prompt converts test_raw.bin"
# Both streams through one pipe keep the converter's order; the typed Enter is not echoed, so say it.
printf '\n' | "$converter" 2>&1 | sed 's/^Enter input filename: /&[Enter]\n/'
if [[ ! -s test_raw.csv ]]; then
    echo "run-sample: test_raw.csv was not written" >&2
    exit 1
fi

rows=$(($(wc -l < test_raw.csv) - 1))
echo "== $folder/test_raw.csv: $rows rows of 35 columns; its first lines:"
head -n 5 test_raw.csv
echo
echo "== three moments of the drive, a column a line (blank: that message was not in the cycle):"
# Ten cycles a second: packet 1 is the start, 601 one minute in, 3001 five minutes in.
awk -F, -v picks="1 601 3001" '
    BEGIN { count = split(picks, pick, " "); for (k = 1; k <= count; ++k) wanted[pick[k]] = k }
    NR == 1 { width = NF; for (i = 1; i <= NF; ++i) { name[i] = $i; gsub(/"/, "", name[i]) } next }
    ($1 in wanted) { for (i = 1; i <= NF; ++i) { value = $i; gsub(/"/, "", value); cell[i, wanted[$1]] = value } }
    END {
        printf "  %-22s", "packet (time)"
        for (k = 1; k <= count; ++k) printf " %14s", sprintf("%d (%d:%02d)", pick[k], (pick[k] - 1) / 600, ((pick[k] - 1) / 10) % 60)
        printf "\n"
        for (i = 2; i <= width; ++i) {
            printf "  %-22s", name[i]
            for (k = 1; k <= count; ++k) printf " %14s", cell[i, k]
            printf "\n"
        }
    }' test_raw.csv
