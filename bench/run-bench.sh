#!/usr/bin/env bash
# Throughput benchmark: converts a synthesized 1 GiB drive log in every mode with the release
# build and prints input MB/s, records/s, rows/s and peak memory for each, beside the time that
# `cat` takes to read the same file. The logs are made once and kept in bench/cache/.
#
#   bench/run-bench.sh            (or: cmake --build build-release --target bench)
#   SIZE_MIB=256 bench/run-bench.sh   for a quicker, smaller run
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-release}
size_mib=${SIZE_MIB:-1024}
runs=${RUNS:-3}
cache=$root/bench/cache
mkdir -p "$cache"

if [ ! -x "$build/bench/drovane-measure" ] || [ ! -x "$build/drovane2csv" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDROVANE_BENCH=ON -DDROVANE_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target drovane2csv drovane-synth drovane-measure >/dev/null
fi
converter=$build/drovane2csv
measure=$build/bench/drovane-measure
synth=$build/tools/synth/drovane-synth

drive=$cache/drive-${size_mib}MiB.bin
small=$cache/drive-10MiB.bin
noise=$cache/random-${size_mib}MiB.bin
[ -s "$drive" ] || "$synth" --megabytes "$size_mib" --seed 7 --damage 0.02 "$drive" >/dev/null
[ -s "$small" ] || "$synth" --megabytes 10 --seed 7 --damage 0.02 "$small" >/dev/null
[ -s "$noise" ] || head -c $((size_mib * 1048576)) /dev/urandom >"$noise"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Best wall-clock time of $runs runs (and that run's peak RSS): prints "seconds rss_kib".
best() {
  local best_time="" best_rss=""
  for _ in $(seq "$runs"); do
    read -r t rss _ < <("$measure" "$@")
    if [ -z "$best_time" ] || awk "BEGIN{exit !($t < $best_time)}"; then best_time=$t; best_rss=$rss; fi
  done
  echo "$best_time $best_rss"
}

bytes=$(stat -c %s "$drive")
records=$((bytes / 11))
cat "$drive" "$noise" >/dev/null  # into the page cache

read -r cat_time _ < <(best --stdout /dev/null -- cat "$drive")
printf '%-22s %10s %12s %12s %10s %9s\n' mode "MB/s" "records/s" "rows/s" "peak RSS" "x cat"
printf '%-22s %10.0f %12s %12s %10s %9s\n' "cat (reference)" "$(awk "BEGIN{print $bytes/1e6/$cat_time}")" - - - 1.00

run_mode() {
  local name=$1 input=$2; shift 2
  local result seconds rss rows
  result=$(best --stderr /dev/null --remove "$out/out.csv" -- "$converter" "$@" "$input" "$out/out.csv")
  read -r seconds rss <<<"$result"
  rows=$(($(wc -l <"$out/out.csv") - 1))
  [ "$rows" -lt 0 ] && rows=0
  local size; size=$(stat -c %s "$input")
  awk -v n="$name" -v b="$size" -v t="$seconds" -v r="$rows" -v m="$rss" -v c="$cat_time" -v bs="$bytes" 'BEGIN{
    printf "%-22s %10.0f %12.0f %12.0f %7.1f MiB %9.2f\n", n, b/1e6/t, (b/11)/t, r/t, m/1024, (b/t)/(bs/c)}'
}

run_mode "metric" "$drive"
run_mode "-UK" "$drive" -UK
run_mode "-US" "$drive" -US
run_mode "-v" "$drive" -v
run_mode "-d" "$drive" -d
run_mode "-D" "$drive" -D
run_mode "metric, 10 MiB" "$small"
run_mode "random bytes" "$noise"
echo "log: $drive ($bytes bytes, $records records)"
