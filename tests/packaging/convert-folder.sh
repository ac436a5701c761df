#!/usr/bin/env bash
# Runs the README's example for a folder of logs, on all cores with find and xargs, over a few
# synthesized logs (one in a folder whose name holds a blank), an empty log and one name that does
# not exist. Checks that xargs's status 123 tells of the failure and the failed name is reported,
# that the empty log is reported apart as having nothing to convert and fails nothing, that every
# other log is converted exactly as on its own, and that a plain `xargs drovane2csv` would stop at
# the first failure (the reason for the example's `exit 1`).
#
# usage: convert-folder.sh CONVERTER SYNTH
set -euo pipefail

converter=$1
synth=$2

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
mkdir -p "logs/day 1" logs/day2 reference
seed=1
for log in "logs/day 1/morning.bin" "logs/day 1/evening.bin" logs/day2/commute.bin logs/day2/errand.bin; do
    "$synth" --minutes 0.5 --seed $seed --damage 0.05 "$log" >/dev/null
    cp "$log" "reference/$seed.bin"
    "$converter" "reference/$seed.bin" 2>/dev/null
    seed=$((seed + 1))
done
: >logs/day2/blank.bin
export PATH="$(dirname "$converter"):$PATH"

# The example, as the README gives it, with a name added that does not exist.
set +e
{
    find logs -name '*.bin' -print0
    printf '%s\0' logs/missing.bin
} | xargs -0 -P "$(nproc)" -n 1 sh -c '
    drovane2csv "$1" 2>"$1.log"
    case $? in
      0) ;;
      1) echo "nothing to convert: $1" >&2 ;;
      *) echo "failed: $1" >&2; exit 1 ;;
    esac' sh 2>failed.txt
status=$?
set -e

echo "== xargs exited with $status; it reported:"
cat failed.txt
[[ $status -eq 123 ]] || fail "xargs exited with $status, not 123"
[[ $(sort failed.txt) == $'failed: logs/missing.bin\nnothing to convert: logs/day2/blank.bin' ]] ||
    fail "the reported names are not exactly logs/missing.bin (failed) and logs/day2/blank.bin (nothing to convert)"
grep -qx '\*\*\* FAIL: opening input file logs/missing.bin: No such file or directory' logs/missing.bin.log ||
    fail "logs/missing.bin.log does not tell why"
[[ ! -e logs/missing.csv ]] || fail "a CSV was made for the missing log"
grep -qx '\*\*\* ERROR: unable to read file' logs/day2/blank.bin.log || fail "logs/day2/blank.bin.log does not tell why"
[[ ! -e logs/day2/blank.csv ]] || fail "a CSV was made for the empty log"

seed=1
for log in "logs/day 1/morning" "logs/day 1/evening" logs/day2/commute logs/day2/errand; do
    cmp -s "$log.csv" "reference/$seed.csv" || fail "$log.csv differs from the log converted on its own"
    grep -q '^--- opened out file ' "$log.bin.log" || fail "$log.bin.log holds no messages"
    seed=$((seed + 1))
done
echo "ok: four logs converted in parallel, the empty one and the missing one named apart, status 123"

# When every log converts or has nothing to convert, the status is 0.
find logs -name '*.bin' -print0 | xargs -0 -P "$(nproc)" -n 1 sh -c '
    drovane2csv "$1" 2>"$1.log"
    case $? in
      0) ;;
      1) echo "nothing to convert: $1" >&2 ;;
      *) echo "failed: $1" >&2; exit 1 ;;
    esac' sh 2>/dev/null ||
    fail "xargs failed on logs that all convert or hold nothing"

# Without the `exit 1`, the converter's status 255 makes xargs give up at once with 124.
set +e
printf '%s\0' logs/missing.bin "logs/day 1/morning.bin" | xargs -0 -n 1 drovane2csv 2>/dev/null
status=$?
set -e
[[ $status -eq 124 ]] || fail "plain xargs exited with $status, not 124"
echo "ok: plain xargs stops at the first failure with 124"
