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
runs=${RUNS:-5}
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
[ -s "$drive" ] || "$synth" --megabytes "$size_mib" --seed 7 --damage 0.02 --force "$drive" >/dev/null
[ -s "$small" ] || "$synth" --megabytes 10 --seed 7 --damage 0.02 --force "$small" >/dev/null
[ -s "$noise" ] || head -c $((size_mib * 1048576)) /dev/urandom >"$noise"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

bytes=$(stat -c %s "$drive")
records=$((bytes / 11))
cat "$drive" "$noise" >/dev/null  # into the page cache

# The modes: name, input, options. The runs go in rounds, each round running every mode once,
# and each mode's best run counts: a slow minute on a shared machine then costs one run of each
# mode rather than every run of one mode.
names=("metric" "-UK" "-US" "-v" "-d" "-D" "metric, 10 MiB" "random bytes")
inputs=("$drive" "$drive" "$drive" "$drive" "$drive" "$drive" "$small" "$noise")
options=("" "-UK" "-US" "-v" "-d" "-D" "" "")
declare -a best_time best_rss rows
cat_time=""

for _ in $(seq "$runs"); do
  read -r t _ < <("$measure" --stdout /dev/null -- cat "$drive")
  if [ -z "$cat_time" ] || awk "BEGIN{exit !($t < $cat_time)}"; then cat_time=$t; fi
  for i in "${!names[@]}"; do
    # shellcheck disable=SC2086  # an empty option is no argument
    read -r t rss _ < <("$measure" --stderr /dev/null --remove "$out/out.csv" -- \
      "$converter" ${options[$i]} "${inputs[$i]}" "$out/out.csv")
    if [ -z "${best_time[$i]:-}" ] || awk "BEGIN{exit !($t < ${best_time[$i]})}"; then
      best_time[$i]=$t
      best_rss[$i]=$rss
    fi
    if [ -z "${rows[$i]:-}" ]; then
      # Random bytes hold nothing to convert: no CSV is written.
      rows[$i]=0
      [ -e "$out/out.csv" ] && rows[$i]=$(($(wc -l <"$out/out.csv") - 1))
    fi
  done
done

printf '%-22s %10s %12s %12s %10s %9s\n' mode "MB/s" "records/s" "rows/s" "peak RSS" "x cat"
printf '%-22s %10.0f %12s %12s %10s %9s\n' "cat (reference)" "$(awk "BEGIN{print $bytes/1e6/$cat_time}")" - - - 1.00
for i in "${!names[@]}"; do
  size=$(stat -c %s "${inputs[$i]}")
  awk -v n="${names[$i]}" -v b="$size" -v t="${best_time[$i]}" -v r="${rows[$i]}" -v m="${best_rss[$i]}" \
      -v c="$cat_time" -v bs="$bytes" 'BEGIN{
    printf "%-22s %10.0f %12.0f %12.0f %7.1f MiB %9.2f\n", n, b/1e6/t, (b/11)/t, r/t, m/1024, (b/t)/(bs/c)}'
done
echo "log: $drive ($bytes bytes, $records records); best of $runs rounds"
