#!/usr/bin/env bash
# Makes the default sample a new user sees first: synthesizes a ten-minute drive into test_raw.bin
# (never over a test_raw.bin or test_raw.csv that is not the sample's), converts it the way the converter is run by hand with no arguments (Enter at its prompt takes
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

# A test_raw.bin or test_raw.csv that stands here already is kept unless it is this very sample:
# test_raw.bin is the converter's default input and may well be a real drive.
sample_args=(--minutes 10 --seed 1)
fresh=$(mktemp .test_raw.bin.sample.XXXXXX)
trap 'rm -f "$fresh" "$fresh.csv"' EXIT
"$synth" "${sample_args[@]}" --force "$fresh" > /dev/null
foreign=
if [[ -e test_raw.bin || -L test_raw.bin ]]; then
    cmp -s "$fresh" test_raw.bin || foreign=test_raw.bin
elif [[ -e test_raw.csv || -L test_raw.csv ]]; then
    "$converter" -q "$fresh" "$fresh.csv" 2> /dev/null
    cmp -s "$fresh.csv" test_raw.csv || foreign=test_raw.csv
fi
if [[ -n $foreign ]]; then
    echo "run-sample: $folder/$foreign is not the sample drive's, so test_raw.bin and test_raw.csv" >&2
    echo "run-sample: are left as they are; move them elsewhere to make the sample here." >&2
    exit 1
fi
if [[ -e test_raw.bin ]]; then
    echo "== test_raw.bin is the sample drive already (drovane-synth ${sample_args[*]})"
else
    echo "== drovane-synth ${sample_args[*]} test_raw.bin"
    "$synth" "${sample_args[@]}" test_raw.bin
fi
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
